# A Debian package of the installed programs (kvox, and kvocodec with its desktop entry and icon
# when the desktop program is built): run `cpack` in the build folder.
set(CPACK_PACKAGE_NAME kvocodec)
set(CPACK_PACKAGE_VENDOR "KVOCodec developers")
set(CPACK_PACKAGE_CONTACT "KVOCodec developers <kvocodec@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Converts multi-channel measurement recordings (.kvo) to a compact block-coded form (.kvox) and back")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
# Library dependencies (Qt, the C++ runtime) are read from the binaries.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
