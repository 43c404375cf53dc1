#pragma once
// What a window program does first on Windows, and nothing elsewhere: it writes its lines to
// the console it was started from, and marks itself running for the installer and uninstaller.

namespace core {

/// A program linked for the window subsystem has no console of its own. Started from one (a
/// command prompt, a script), its standard output and error go to that console, unless they
/// were redirected; started from Explorer or a shortcut, nothing changes.
void useParentConsole();

/// The name by which the installer and the uninstaller find a running ZURORUVE window program:
/// a mutex held until the program ends, in this session ("Local\") and seen from every session
/// ("Global\").
inline constexpr wchar_t kRunningMark[] = L"ZURORUVE-running";

/// Holds that mark until the process ends.
void markRunning();

} // namespace core
