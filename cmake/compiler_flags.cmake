# Warnings are errors on every build. Each double operation rounds to double: no contraction
# into fused multiply-adds, no fast-math, and SSE2 rather than x87 on 32-bit x86, so that the
# native and Windows builds compute bit-identical results.
add_compile_options(-Wall -Wextra -Wpedantic -Wshadow -Werror -ffp-contract=off -fno-fast-math)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    add_compile_options(-msse2 -mfpmath=sse)
endif()
