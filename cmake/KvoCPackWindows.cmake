# Read by cpack for each generator of the Windows build: the installer is named for the whole
# product, the zip keeps its name.
if(CPACK_GENERATOR STREQUAL "NSIS")
    set(CPACK_PACKAGE_FILE_NAME kvocodec-${CPACK_PACKAGE_VERSION}-windows-x64-setup)
endif()
