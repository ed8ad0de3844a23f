// The processor target of the block kernels: AVX2 and FMA, for the functions marked so and for
// the formula headers included between TARNWICK_AVX2_BEGIN and TARNWICK_AVX2_END (templates of
// internal linkage, so that the kernels' copies never stand in for another unit's). A kernel
// runs only where `batch::simd::available` says the processor has both. Internal to the
// library.
#pragma once

#define TARNWICK_AVX2 __attribute__((target("avx2,fma")))
#define TARNWICK_AVX2_INLINE __attribute__((target("avx2,fma"), always_inline)) inline

#if defined(__clang__)
#define TARNWICK_AVX2_BEGIN \
    _Pragma("clang attribute push(__attribute__((target(\"avx2,fma\"))), apply_to = function)")
#define TARNWICK_AVX2_END _Pragma("clang attribute pop")
#else
#define TARNWICK_AVX2_BEGIN _Pragma("GCC push_options") _Pragma("GCC target(\"avx2,fma\")")
#define TARNWICK_AVX2_END _Pragma("GCC pop_options")
#endif
