#include "core/startup.h"

#ifdef _WIN32
#include <windows.h>

#include <cstdio>
#include <string>
#endif

namespace core {

#ifdef _WIN32

namespace {

// A standard handle the program was given: a file, a pipe or a console.
bool given(DWORD which) {
    const HANDLE handle = GetStdHandle(which);
    return handle && handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

} // namespace

void useParentConsole() {
    const bool out = given(STD_OUTPUT_HANDLE), err = given(STD_ERROR_HANDLE);
    if (out && err)
        return;
    // Denied: attached already (Wine attaches a window program to the console it started from).
    if (!AttachConsole(ATTACH_PARENT_PROCESS) && GetLastError() != ERROR_ACCESS_DENIED)
        return;
    if (!out && std::freopen("CONOUT$", "w", stdout))
        std::setvbuf(stdout, nullptr, _IONBF, 0);
    if (!err && std::freopen("CONOUT$", "w", stderr))
        std::setvbuf(stderr, nullptr, _IONBF, 0);
}

void markRunning() {
    // Never closed: the system releases both when the process ends, however it ends.
    for (const wchar_t* space : {L"Global\\", L"Local\\"})
        CreateMutexW(nullptr, FALSE, (std::wstring(space) + kRunningMark).c_str());
}

#else

void useParentConsole() {}
void markRunning() {}

#endif

} // namespace core
