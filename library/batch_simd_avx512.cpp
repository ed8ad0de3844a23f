// The block kernel on AVX-512 (F and DQ), eight lanes; `convert_block` chooses it where the
// processor has it.
#include "detail/batch_simd.hpp"

#if TARNWICK_VECTOR_CHAIN

#include <immintrin.h>

#include <cmath>
#include <cstdint>
#include <numbers>

#include "global_types.hpp"
#include "low_level_math.hpp"

// The platform's vector maths library: eight doubles in, eight out (AVX-512 variants).
#define TARNWICK_KERNEL_TARGET "avx512f,avx512dq,avx2,fma"
extern "C" {
TARNWICK_KERNEL __m512d _ZGVeN8v_atan(__m512d x);
TARNWICK_KERNEL __m512d _ZGVeN8v_exp(__m512d x);
TARNWICK_KERNEL __m512d _ZGVeN8v_log(__m512d x);
TARNWICK_KERNEL __m512d _ZGVeN8v_sin(__m512d x);
TARNWICK_KERNEL __m512d _ZGVeN8v_cos(__m512d x);
}

// Eight doubles, as the AVX2 unit's four.
using v8 = double __attribute__((vector_size(8 * sizeof(double))));
// The mask of all eight lanes.
constexpr __mmask8 every_lane = 0xFF;

namespace batch::simd {
namespace {

using vec = v8;
constexpr std::size_t lane_count = 8;

/// The vector maths library's functions on eight lanes. Their last bits differ from the scalar
/// ones (and from its AVX2 variants'); the kernel leaves every point near a decision to those.
/// The zero-masked forms over every lane: the plain ones start from an undefined vector, which
/// g++ 12 takes for an uninitialised one.
struct lane_functions {
    TARNWICK_KERNEL_INLINE static v8 sqrt(v8 x) { return _mm512_maskz_sqrt_pd(every_lane, x); }
    TARNWICK_KERNEL_INLINE static v8 exp(v8 x) { return _ZGVeN8v_exp(x); }
    TARNWICK_KERNEL_INLINE static v8 log(v8 x) { return _ZGVeN8v_log(x); }
    TARNWICK_KERNEL_INLINE static v8 arc_tangent(v8 x) { return _ZGVeN8v_atan(x); }
    TARNWICK_KERNEL_INLINE static v8 sin(v8 x) { return _ZGVeN8v_sin(x); }
    TARNWICK_KERNEL_INLINE static v8 cos(v8 x) { return _ZGVeN8v_cos(x); }
    template <int mode>
    TARNWICK_KERNEL_INLINE static v8 round(v8 x) {
        return _mm512_maskz_roundscale_pd(every_lane, x, mode | _MM_FROUND_NO_EXC);
    }
    TARNWICK_KERNEL_INLINE static v8 select(unsigned bits, v8 a, v8 b) {
        return _mm512_mask_blend_pd(static_cast<__mmask8>(bits), b, a);
    }
    template <int predicate>
    TARNWICK_KERNEL_INLINE static unsigned compare(v8 a, v8 b) {
        return static_cast<unsigned>(_mm512_cmp_pd_mask(a, b, predicate));
    }
};

}  // namespace
}  // namespace batch::simd

#include "detail/batch_simd_kernel.hpp"

namespace batch::simd {

unsigned convert_on_avx512(chain_pair pair, const points& in, const results& out, std::size_t first,
                           std::size_t count) noexcept {
    return convert_on_vectors(pair, in, out, first, count);
}

}  // namespace batch::simd

#else

namespace batch::simd {

unsigned convert_on_avx512(chain_pair, const points&, const results&, std::size_t,
                           std::size_t) noexcept {
    return 0;
}

}  // namespace batch::simd

#endif
