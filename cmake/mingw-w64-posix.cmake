# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 "posix" compilers: Qt 6 needs
# std::mutex and std::thread, which GCC 12's "win32" thread model lacks. Pass the Windows Qt as
# CMAKE_PREFIX_PATH, and Debian's own Qt 6 for its host tools (moc, rcc, uic):
#   -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_STRIP x86_64-w64-mingw32-strip)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# BOTH: the Windows Qt is found through CMAKE_PREFIX_PATH, outside the root path.
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
# ctest runs the test suites under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
