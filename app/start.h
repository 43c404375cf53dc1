#pragma once

namespace app {

/// Runs the program in the application object already made: builds the window and its serial
/// line, runs start-up and then the event loop until the window closes. Returns exec()'s code.
int start();

} // namespace app
