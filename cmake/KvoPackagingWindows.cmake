# The Windows build's package: `cpack` in the build folder writes kvox-<version>-windows-x64.zip,
# holding kvox.exe, the licence and a short README (Russian and English) at its root.

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
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_FILE_NAME kvox-${PROJECT_VERSION}-windows-x64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_STRIP_FILES ON)
include(CPack)
