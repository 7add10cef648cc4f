# Cross-compiling the pilot's Windows tools (flightsim.exe: identify, tune, margins) as a 64-bit
# Windows program with Debian's mingw-w64, posix-thread variant: the tuner and the margins fly
# their flights on threads of their own. NLopt has no mingw package; tools/mingw/build_nlopt builds
# it from Debian's source package into BRASK_NLOPT_PREFIX, which is searched beside the toolchain's
# own folder. Programs built here run under wine64 through tools/wine/run --64.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(mingw_triplet x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${mingw_triplet}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingw_triplet}-g++-posix)

set(BRASK_NLOPT_PREFIX "${CMAKE_CURRENT_LIST_DIR}/../build/deps/nlopt-${mingw_triplet}" CACHE PATH
    "NLopt built for 64-bit Windows (tools/mingw/build_nlopt)")
set(CMAKE_FIND_ROOT_PATH /usr/${mingw_triplet} ${BRASK_NLOPT_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

get_filename_component(wine_run "${CMAKE_CURRENT_LIST_DIR}/../tools/wine/run" ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR "${wine_run};--64;--prefix;${CMAKE_BINARY_DIR}/wineprefix")
