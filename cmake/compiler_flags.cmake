# Warnings are errors on every build. Each double operation rounds to double: no contraction
# into fused multiply-adds, no fast-math, and SSE2 rather than x87 on 32-bit x86 for the Windows
# test programs, so that the native and Windows builds compute bit-identical results. (The module
# file's own code is x87 at 53-bit precision instead: cmake/module_layers.cmake.)
add_compile_options(-Wall -Wextra -Wpedantic -Wshadow -Werror -ffp-contract=off -fno-fast-math)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    add_compile_options(-msse2 -mfpmath=sse)
endif()

# Sanitizer build: AddressSanitizer and UndefinedBehaviorSanitizer, stopping at the first report.
option(BRASK_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(BRASK_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined -fno-sanitize-recover=all)
endif()

# Fuzzing build: every library instrumented for coverage and checked by the sanitizers; the
# fuzz targets add libFuzzer's main.
option(BRASK_FUZZ "Build the libFuzzer targets (clang)" OFF)
if(BRASK_FUZZ)
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()
