# Debian packages, one per install component: `cpack` in a Release build folder writes
#   kvox_<version>_<arch>.deb      the command-line program alone, with no Qt dependency;
#   kvocodec_<version>_<arch>.deb  the desktop program with its menu entry, icon, file types and
#                                  AppStream description; it recommends kvox;
# and a package for every further component that install rules name. Such a component describes
# its package with CPACK_COMPONENT_<NAME>_DESCRIPTION (NAME in upper case, text written as below)
# and may set CPACK_DEBIAN_<NAME>_PACKAGE_DEPENDS, _SECTION and _ARCHITECTURE.
# Each package carries its copyright file and changelog under /usr/share/doc/<package>/.
# The Windows build makes a zip instead (cmake/KvoPackagingWindows.cmake).
if(WIN32)
    include(${CMAKE_CURRENT_LIST_DIR}/KvoPackagingWindows.cmake)
    return()
endif()

set(KVO_MAINTAINER "KVOCodec developers <kvocodec@example.org>")
set(KVO_PACKAGE_RELEASE 1)
set(KVO_PACKAGE_VERSION ${PROJECT_VERSION}-${KVO_PACKAGE_RELEASE})

get_cmake_property(KVO_COMPONENTS COMPONENTS)

# Descriptions: the synopsis line, then the extended text in lines of at most 79 characters, none
# starting with ".", an empty line between paragraphs; CPack indents them for the control file.
string(CONCAT KVO_PACKAGE_ABOUT
    "Recordings are the files of a multi-channel measuring system for rotating\n"
    "machines (tip-timing and once-per-revolution sensors, time sources): a header\n"
    "block called the passport, then millions of 6-byte data records. A block codec\n"
    "made for the structure of those records turns a .kvo recording into a\n"
    "compact .kvox file and back again, byte for byte.\n"
    "\n")
string(CONCAT CPACK_COMPONENT_KVOX_DESCRIPTION
    "command-line converter of .kvo measurement recordings\n"
    ${KVO_PACKAGE_ABOUT}
    "This package holds kvox, the command-line program for batch work on servers\n"
    "without a display: it compresses and restores files or pipes, checks\n"
    "compressed files, salvages damaged ones and lists the passport and the block\n"
    "structure as text or JSON. It needs no graphical libraries.")
string(CONCAT CPACK_COMPONENT_KVOCODEC_DESCRIPTION
    "desktop program for .kvo measurement recordings\n"
    ${KVO_PACKAGE_ABOUT}
    "This package holds kvocodec, the Qt desktop program: it opens a recording or\n"
    "a compressed file (from its menu, from a file manager or by drag and drop),\n"
    "shows the decoded passport and a summary, and compresses or restores with a\n"
    "chosen block size. The command-line program is in the package kvox.")

string(CONCAT CPACK_COMPONENT_PYTHON3-KVOCODEC_DESCRIPTION
    "Python 3 module for reading .kvo and .kvox measurement recordings\n"
    ${KVO_PACKAGE_ABOUT}
    "This package holds the Python 3 module kvocodec: it reads the passport and the\n"
    "records of a recording or of a compressed file where it lies, into numpy\n"
    "arrays, decoding only the blocks a read needs, and compresses and restores\n"
    "files as kvox does.")
if(KVO_BUILD_PYTHON)
    # The module is built for one minor version of Python, the one the build found.
    set(python ${KVO_PYTHON_MAJOR}.${KVO_PYTHON_MINOR})
    math(EXPR next_minor "${KVO_PYTHON_MINOR} + 1")
    set(CPACK_DEBIAN_PYTHON3-KVOCODEC_PACKAGE_DEPENDS
        "python3 (>= ${python}), python3 (<< ${KVO_PYTHON_MAJOR}.${next_minor}), python3-numpy")
endif()
# kvocodec.to_dask and running conversions as Dask tasks.
set(CPACK_DEBIAN_PYTHON3-KVOCODEC_PACKAGE_SUGGESTS "python3-dask, python3-distributed")
set(CPACK_DEBIAN_PYTHON3-KVOCODEC_PACKAGE_SECTION python)

foreach(component IN LISTS KVO_COMPONENTS)
    string(TOUPPER ${component} upper)
    set(CPACK_DEBIAN_${upper}_PACKAGE_NAME ${component})

    set(KVO_PACKAGE ${component})
    set(changelog ${CMAKE_BINARY_DIR}/packaging/${component}/changelog.Debian)
    configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.in ${changelog} @ONLY)
    add_custom_command(
        OUTPUT ${changelog}.gz
        COMMAND ${KVO_GZIP} -9nkf ${changelog}
        DEPENDS ${changelog}
        VERBATIM)
    add_custom_target(kvo_changelog_${component} ALL DEPENDS ${changelog}.gz)
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${changelog}.gz
            DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${component} COMPONENT ${component})
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/lintian-overrides
            DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME ${component}
            COMPONENT ${component})
endforeach()

set(CPACK_PACKAGE_NAME kvocodec)
set(CPACK_PACKAGE_VENDOR "KVOCodec developers")
set(CPACK_PACKAGE_CONTACT ${KVO_MAINTAINER})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ${KVO_COMPONENTS})
set(CPACK_COMPONENTS_GROUPING IGNORE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${KVO_PACKAGE_RELEASE})
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Library dependencies (the C++ runtime, Qt) are read from the binaries.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads the platform plugin at start-up, so no binary names its package.
set(CPACK_DEBIAN_KVOCODEC_PACKAGE_DEPENDS qt6-qpa-plugins)
# The window sends users to kvox --salvage for damaged files.
set(CPACK_DEBIAN_KVOCODEC_PACKAGE_RECOMMENDS kvox)
set(CPACK_STRIP_FILES ON)
include(CPack)
