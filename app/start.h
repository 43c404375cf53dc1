#pragma once

#include <QStringList>

namespace core {
class StatusLog;
}

namespace app {

/// Runs the program in the application object already made: builds the window and its serial
/// line, runs start-up and then the event loop until the window closes. Returns exec()'s code.
/// Arguments the program does not take are told on standard error and in the log, and the
/// window opens all the same.
int start(const QStringList& unknownArguments = {});

/// Tells each argument the program does not take, on standard error and in the log.
void tellUnknownArguments(const QStringList& arguments, core::StatusLog& log);

} // namespace app
