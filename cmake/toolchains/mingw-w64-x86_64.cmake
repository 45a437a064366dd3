# Cross build for 64-bit Windows with the mingw-w64 compilers.
#
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64-x86_64.cmake
#
# The -posix compilers are the ones whose C++ library has std::thread and std::mutex;
# the module needs neither, but the simulated host's threaded iteration does.
# Windows programs of this tree run through wine, so CTest can run them directly.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VELMORA_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VELMORA_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VELMORA_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VELMORA_MINGW_TRIPLE}-windres)

# Libraries and headers come only from the mingw sysroot, found beside the compiler
# (<prefix>/bin/<triple>-g++ has its sysroot in <prefix>/<triple>); programs run
# during the build (the property-list generator) are the build machine's own.
find_program(VELMORA_MINGW_CXX_PATH ${CMAKE_CXX_COMPILER} REQUIRED)
get_filename_component(VELMORA_MINGW_PREFIX "${VELMORA_MINGW_CXX_PATH}" DIRECTORY)
get_filename_component(VELMORA_MINGW_PREFIX "${VELMORA_MINGW_PREFIX}" DIRECTORY)
set(CMAKE_FIND_ROOT_PATH ${VELMORA_MINGW_PREFIX}/${VELMORA_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Debian keeps wine64 and wineserver beside each other outside the PATH.
find_program(VELMORA_WINE NAMES wine64 wine PATH_SUFFIXES ../lib/wine lib/wine)
find_program(VELMORA_WINESERVER NAMES wineserver PATH_SUFFIXES ../lib/wine lib/wine)
if(VELMORA_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VELMORA_WINE})
endif()
