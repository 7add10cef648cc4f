# Cross-compiling for 32-bit Windows with Debian's mingw-w64 (posix-thread variant, which has
# std::mutex and std::thread). Programs built here run under Wine through tools/wine/run, with
# a Wine prefix of the build tree's own.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(mingw_triplet i686-w64-mingw32)
set(CMAKE_C_COMPILER ${mingw_triplet}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingw_triplet}-g++-posix)
set(CMAKE_RC_COMPILER ${mingw_triplet}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${mingw_triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs (and anything else CMake runs for the target) go through Wine.
get_filename_component(wine_run "${CMAKE_CURRENT_LIST_DIR}/../tools/wine/run" ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR "${wine_run};--prefix;${CMAKE_BINARY_DIR}/wineprefix")
