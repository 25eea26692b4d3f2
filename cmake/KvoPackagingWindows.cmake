# The Windows build's packages: `cpack` in the build folder writes
#   kvox-<version>-windows-x64.zip                 the programs, the licence and a short README
#                                                  (Russian and English) at its root, to use
#                                                  without installing;
#   kvocodec-<version>-windows-x64-setup.exe       an installer of the same files (NSIS, from
#                                                  packaging/windows/NSIS.template.in).
# Every install component goes into both: kvox.exe always, kvocodec.exe when the build has the
# window, which also gives the installer its Start-menu entry and file types.

# Notepad on older Windows reads a file without a byte order mark in the ANSI code page and
# expects CR LF line ends.
file(READ ${PROJECT_SOURCE_DIR}/packaging/README-windows.txt KVO_WINDOWS_README)
string(ASCII 239 187 191 KVO_UTF8_BOM)
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/packaging/README-windows.txt
     CONTENT "${KVO_UTF8_BOM}${KVO_WINDOWS_README}" @ONLY NEWLINE_STYLE CRLF)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${PROJECT_SOURCE_DIR}/packaging/README-windows.txt)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE ${CMAKE_BINARY_DIR}/packaging/README-windows.txt
        DESTINATION .)

set(CPACK_PACKAGE_NAME kvox)
set(CPACK_PACKAGE_VENDOR "KVOCodec developers")
set(CPACK_GENERATOR ZIP NSIS)
set(CPACK_PACKAGE_FILE_NAME kvox-${PROJECT_VERSION}-windows-x64)
set(CPACK_MONOLITHIC_INSTALL ON)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_STRIP_FILES ON)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)

# The installer's own template, and what it is filled with beyond CPack's names.
set(CPACK_MODULE_PATH ${PROJECT_SOURCE_DIR}/packaging/windows)
set(CPACK_KVO_ICONS_DIR ${PROJECT_SOURCE_DIR}/packaging/windows)
if(TARGET kvocodec)
    set(CPACK_KVO_NSIS_DEFINES "!define KVO_WINDOW")
endif()
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/KvoCPackWindows.cmake)
include(CPack)
