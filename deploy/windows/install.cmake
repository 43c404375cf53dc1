# The Windows install is one program folder: the four programs with everything they load beside
# them (Windows has no rpath), as the portable zip holds it and as the installer puts it into
# <Program Files>\ZURORUVE\bin. The same runtime is copied beside the programs in the build
# folder (Qt's standard set-up builds every .exe there), where the test suites run, with Qt Test
# and the offscreen platform.
set(windows ${PROJECT_SOURCE_DIR}/deploy/windows)
get_filename_component(qt_prefix "${Qt6Core_DIR}/../../.." ABSOLUTE)

set(runtime ${windows}/qt.conf)
foreach(module Core Gui Widgets SerialPort Svg)
    list(APPEND runtime $<TARGET_FILE:Qt6::${module}>)
endforeach()
# GCC's runtime and mingw-w64's threads, where the compiler finds them.
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                    OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT EXISTS "${path}")
        message(FATAL_ERROR "${CMAKE_CXX_COMPILER} does not find ${dll}")
    endif()
    list(APPEND runtime ${path})
endforeach()
# The windows' platform, also for zelm-view's files without a window, and their native style. No
# image format plugins: PNG is built into Qt, the icons are in the programs.
set(platforms $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin>)
set(styles $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin>)

install(TARGETS zuroruve zelm-decode zelm-download zelm-view RUNTIME DESTINATION .)
install(FILES ${runtime} DESTINATION .)
install(FILES ${PROJECT_BINARY_DIR}/manual/manual.html DESTINATION .) # the user's manual
install(FILES ${platforms} DESTINATION plugins/platforms)
install(FILES ${styles} DESTINATION plugins/styles)
# A short README at the folder's top, with Windows line ends for Notepad.
configure_file(${windows}/README.txt.in ${PROJECT_BINARY_DIR}/windows/README.txt @ONLY
               NEWLINE_STYLE CRLF)
install(FILES ${PROJECT_BINARY_DIR}/windows/README.txt DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION LICENSES RENAME LICENSE.txt)
install(DIRECTORY ${windows}/licenses/ DESTINATION LICENSES)
install(DIRECTORY ${windows}/qt-source/ DESTINATION LICENSES/Qt-source)
install(DIRECTORY ${qt_prefix}/LICENSES/ DESTINATION LICENSES/Qt
        PATTERN LicenseRef-Qt-Commercial.txt EXCLUDE)

set(here ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
add_custom_target(windows_runtime ALL
    COMMAND ${CMAKE_COMMAND} -E make_directory ${here}/plugins/platforms ${here}/plugins/styles
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${runtime} $<TARGET_FILE:Qt6::Test> ${here}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${platforms}
            $<TARGET_FILE:Qt6::QOffscreenIntegrationPlugin> ${here}/plugins/platforms
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${styles} ${here}/plugins/styles
    VERBATIM COMMAND_EXPAND_LISTS)
