// The block kernel on AVX2 and FMA, four lanes, and the choice of kernel at run time.
#include "detail/batch_simd.hpp"

#if TARNWICK_VECTOR_CHAIN

#include <immintrin.h>

#include <cmath>
#include <cstdint>
#include <numbers>

#include "global_types.hpp"
#include "low_level_math.hpp"

// The platform's vector maths library: four doubles in, four out (AVX2 variants). g++ links
// it through libm's link script wherever a program links libm.
#define TARNWICK_KERNEL_TARGET "avx2,fma"
extern "C" {
TARNWICK_KERNEL __m256d _ZGVdN4v_atan(__m256d x);
TARNWICK_KERNEL __m256d _ZGVdN4v_exp(__m256d x);
TARNWICK_KERNEL __m256d _ZGVdN4v_log(__m256d x);
TARNWICK_KERNEL __m256d _ZGVdN4v_sin(__m256d x);
TARNWICK_KERNEL __m256d _ZGVdN4v_cos(__m256d x);
}

// Four doubles; the intrinsics' own type, without its aliasing attribute (which a template
// argument would drop).
using v4 = double __attribute__((vector_size(4 * sizeof(double))));

namespace batch::simd {
namespace {

using vec = v4;
constexpr std::size_t lane_count = 4;

/// The vector maths library's functions on four lanes. Their last bits differ from the scalar
/// ones; the kernel leaves every point near a decision to those. Sine and cosine by two
/// calls: the library's combined form takes its results through a vector of pointers, which
/// clang does not see the arrays escape through (it crashed).
struct lane_functions {
    TARNWICK_KERNEL_INLINE static v4 sqrt(v4 x) { return _mm256_sqrt_pd(x); }
    TARNWICK_KERNEL_INLINE static v4 exp(v4 x) { return _ZGVdN4v_exp(x); }
    TARNWICK_KERNEL_INLINE static v4 log(v4 x) { return _ZGVdN4v_log(x); }
    TARNWICK_KERNEL_INLINE static v4 arc_tangent(v4 x) { return _ZGVdN4v_atan(x); }
    TARNWICK_KERNEL_INLINE static v4 sin(v4 x) { return _ZGVdN4v_sin(x); }
    TARNWICK_KERNEL_INLINE static v4 cos(v4 x) { return _ZGVdN4v_cos(x); }
    template <int mode>
    TARNWICK_KERNEL_INLINE static v4 round(v4 x) {
        return _mm256_round_pd(x, mode | _MM_FROUND_NO_EXC);
    }
    TARNWICK_KERNEL_INLINE static v4 select(unsigned bits, v4 a, v4 b) {
        const __m256i lane_bits = _mm256_setr_epi64x(1, 2, 4, 8);
        const __m256i set = _mm256_and_si256(_mm256_set1_epi64x(bits), lane_bits);
        return _mm256_blendv_pd(b, a, _mm256_castsi256_pd(_mm256_cmpeq_epi64(set, lane_bits)));
    }
    template <int predicate>
    TARNWICK_KERNEL_INLINE static unsigned compare(v4 a, v4 b) {
        return static_cast<unsigned>(_mm256_movemask_pd(_mm256_cmp_pd(a, b, predicate)));
    }
};

}  // namespace
}  // namespace batch::simd

#include "detail/batch_simd_kernel.hpp"

namespace batch::simd {

kernel best_kernel() noexcept {
    static const kernel best = [] {
        __builtin_cpu_init();  // also when first asked during the start-up of a program
        if (!__builtin_cpu_supports("avx2") || !__builtin_cpu_supports("fma")) {
            return kernel::none;
        }
        return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq")
                   ? kernel::avx512
                   : kernel::avx2;
    }();
    return best;
}

unsigned convert_block(chain_pair pair, const points& in, const results& out, std::size_t first,
                       std::size_t count, kernel k) noexcept {
    if (count == 0 || count > block_size || k == kernel::none ||
        static_cast<int>(k) > static_cast<int>(best_kernel())) {
        return 0;
    }
    if (k == kernel::avx512) {
        return convert_on_avx512(pair, in, out, first, count);
    }
    unsigned done = 0;
    for (std::size_t part = 0; part < count; part += lane_count) {
        const std::size_t n = count - part < lane_count ? count - part : lane_count;
        done |= convert_on_vectors(pair, in, out, first + part, n) << part;
    }
    return done;
}

}  // namespace batch::simd

#else

namespace batch::simd {

kernel best_kernel() noexcept {
    return kernel::none;
}

unsigned convert_block(chain_pair, const points&, const results&, std::size_t, std::size_t,
                       kernel) noexcept {
    return 0;
}

}  // namespace batch::simd

#endif
