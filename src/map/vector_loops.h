#pragma once

// Loops over independent pixels or table entries are written so that the compiler vectorises
// them; every operation in them is an IEEE add, multiply, divide, square root or conversion,
// each exact in a SIMD lane as in a scalar one (and none is fused). Functions marked with this
// get wider copies for processors with AVX-512 (x86-64-v4) and with AVX2, one chosen when the
// program starts. The files that hold such loops are compiled with -O3 -fno-math-errno (see
// CMakeLists.txt).
// QUORVEL_NO_WIDE_CLONES keeps only the baseline copy, so that tests can run it on any
// processor.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && \
    !defined(QUORVEL_NO_WIDE_CLONES)
#define QUORVEL_WIDE_CLONES __attribute__((target_clones("arch=x86-64-v4", "avx2", "default")))
#else
#define QUORVEL_WIDE_CLONES
#endif
