#!/usr/bin/env bash
# Installs with apt whatever this machine lacks to build and test the project.
# Safe to run again: it installs only what is missing.
set -euo pipefail

packages=(cmake ninja-build g++ libgtest-dev libgmock-dev googletest libstb-dev libfast-float-dev fonts-liberation gnuplot-nox)
# NLopt: the derivative-free optimiser of the flight simulator's gain tuner (flightsim tune).
packages+=(libnlopt-cxx-dev)
# pandoc turns the pilot's guide (docs/pilot-guide.md) into the HTML of the package.
packages+=(pandoc)
# The fuzz targets (clang with libFuzzer) and the benchmarks (Google Benchmark, valgrind, and
# time for the processor time of the simulated hour).
packages+=(clang libclang-rt-14-dev libbenchmark-dev valgrind time)
# The emulated host (gaugehost --module on the native build): the Unicorn CPU emulator.
packages+=(libunicorn-dev)
# The check of the module file's instructions (no MMX, SSE or later): the Capstone disassembler.
packages+=(libcapstone-dev)
# The Windows build: the i686 mingw-w64 cross compilers (the posix-thread variant among them).
packages+=(g++-mingw-w64-i686 g++-mingw-w64-i686-posix binutils-mingw-w64-i686)
# The pilot's Windows tools (flightsim.exe): the x86_64 mingw-w64 cross compilers, wine64 to run
# them (it needs no 32-bit support from the machine), and dpkg-dev, whose dpkg-source unpacks
# NLopt's Debian source package (built below).
packages+=(g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine64 dpkg-dev)
# Wine, 32-bit, to run the Windows test programs: only where this machine can run 32-bit code.
if "$(dirname "$0")/../tools/wine/can_run_32bit" >/dev/null; then
    packages+=(wine wine32:i386)
fi

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done

if [ ${#missing[@]} -ne 0 ]; then
    echo "setup: installing ${missing[*]}" >&2
    sudo_cmd=()
    if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
    export DEBIAN_FRONTEND=noninteractive
    # 32-bit Wine comes from the i386 architecture.
    if [[ " ${missing[*]} " == *":i386 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
        "${sudo_cmd[@]}" dpkg --add-architecture i386
    fi
    "${sudo_cmd[@]}" apt-get update -qq
    "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# NLopt for the pilot's Windows tools, from Debian's source package of the native libnlopt0
# (NLopt has no mingw package): build/deps/nlopt-x86_64-w64-mingw32, once.
"$(dirname "$0")/../tools/mingw/build_nlopt"
