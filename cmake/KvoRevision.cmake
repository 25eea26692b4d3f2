# Build step, run on every build: the short commit id of the source tree (or "unknown" where the
# sources are not a git checkout, such as an unpacked tarball) goes into the version strings and
# into revision.cpp. Each file is written only when its content changes, so a build at the same
# commit rebuilds nothing and a new commit rebuilds only what shows the revision.
# Expects SOURCE_DIR, FILE_VERSION, STRINGS_IN, STRINGS_OUT and REVISION_OUT.
cmake_minimum_required(VERSION 3.25)

set(KVO_REVISION unknown)
find_package(Git QUIET)
if(GIT_FOUND)
    execute_process(COMMAND ${GIT_EXECUTABLE} -C ${SOURCE_DIR} rev-parse --show-toplevel --short HEAD
                    OUTPUT_VARIABLE answer RESULT_VARIABLE failed ERROR_QUIET
                    OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT failed)
        string(REPLACE "\n" ";" answer "${answer}")
        list(GET answer 0 top)
        list(GET answer 1 commit)
        # Sources unpacked inside some other checkout do not come from that checkout's commit.
        file(REAL_PATH "${top}" top)
        file(REAL_PATH "${SOURCE_DIR}" source)
        if(top STREQUAL source)
            set(KVO_REVISION ${commit})
        endif()
    endif()
endif()

set(KVO_FILE_VERSION ${FILE_VERSION})
configure_file(${STRINGS_IN} ${STRINGS_OUT} @ONLY)
file(CONFIGURE OUTPUT ${REVISION_OUT}
     CONTENT "// Generated at build time from the source revision; do not edit.\n#include \"platform/buildrevision.h\"\n\nconst char* kvo::BuildRevision() noexcept {\n    return \"@KVO_REVISION@\";\n}\n"
     @ONLY)
