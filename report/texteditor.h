#pragma once
// The desktop's own program for plain text, found as freedesktop.org's rules find a default
// application: text/plain in the mimeapps.list files of the configuration and data folders
// (the desktop's own first), then the older defaults.list and the applications' own lists
// (mimeinfo.cache); its command from its desktop entry. A decoded report is plain text, but a
// desktop that knows its own file type would open it in the viewer that claims that type.

#include <QString>
#include <QStringList>

namespace report {

/// The command that opens path in the default application for plain text: program and
/// arguments from its desktop entry's Exec, the path where its field code stands. False where
/// none is set, its entry is not installed, or it runs in a terminal.
bool plainTextEditor(const QString& path, QString& program, QStringList& arguments);

/// The words of a desktop entry's Exec value: blanks separate them, double quotes hold blanks,
/// a backslash takes the next character as it is.
QStringList execWords(const QString& exec);

} // namespace report
