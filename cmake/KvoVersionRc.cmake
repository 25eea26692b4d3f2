# Build step for Windows: the version strings file (see src/platform/versionstrings.txt.in) as a
# VERSIONINFO resource script for windres, in the one translation 0409/04E4 that the about box
# and the ELF section use. The strings are written as they are, so the two never differ.
# Expects STRINGS_IN and RC_OUT.
cmake_minimum_required(VERSION 3.25)

file(STRINGS ${STRINGS_IN} lines ENCODING UTF-8)
set(values "")
set(fixed "")
foreach(line IN LISTS lines)
    if(line STREQUAL "" OR line MATCHES "^#")
        continue()
    endif()
    if(NOT line MATCHES "^([^=]+)=(.*)$")
        message(FATAL_ERROR "${STRINGS_IN}: line without '=': ${line}")
    endif()
    set(key "${CMAKE_MATCH_1}")
    set(value "${CMAKE_MATCH_2}")
    if(key STREQUAL "FileVersion" OR key STREQUAL "ProductVersion")
        # The four numbers of the fixed information; windres refuses anything else.
        string(REPLACE "." "," numbers "${value}")
        string(TOUPPER "${key}" word)
        string(APPEND fixed "${word} ${numbers}\n")
    endif()
    string(REPLACE "\"" "\"\"" value "${value}")
    string(APPEND values "            VALUE \"${key}\", \"${value}\"\n")
endforeach()

file(CONFIGURE OUTPUT ${RC_OUT} CONTENT "// Generated from the version strings at build time; do not edit.
#pragma code_page(65001)
1 VERSIONINFO
@fixed@FILEOS 0x40004
FILETYPE 0x1
BEGIN
    BLOCK \"StringFileInfo\"
    BEGIN
        BLOCK \"040904E4\"
        BEGIN
@values@        END
    END
    BLOCK \"VarFileInfo\"
    BEGIN
        VALUE \"Translation\", 0x0409, 0x04E4
    END
END
" @ONLY)
