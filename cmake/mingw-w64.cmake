# Cross-compiles for 64-bit Windows with Debian's mingw-w64 (g++-mingw-w64-x86-64-posix):
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
# The posix flavour gives std::thread and std::mutex; the programs link the C++ runtime, libgcc
# and winpthread statically, so they need no DLL that a fresh Windows lacks. Test programs run
# under wine64 (scripts/wine-run.sh).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(KVO_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KVO_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KVO_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${KVO_MINGW_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${KVO_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
