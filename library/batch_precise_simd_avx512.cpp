// The precise block kernel on AVX-512 (F and DQ), eight lanes; `convert_block` chooses it where
// the processor has it.
#include "detail/batch_precise_simd.hpp"

#include <cmath>
#include <cstdint>

#include "global_types.hpp"
#include "low_level_math.hpp"
#include "utm-bng.hpp"
#include "utm-datum_transformations-ostn15.hpp"
#include "utm-exact_transverse_mercator.hpp"

#include "detail/batch_input.hpp"
#include "detail/batch_simd.hpp"
#include "detail/ostn15.hpp"
#include "detail/utm.hpp"

#if TARNWICK_VECTOR_CHAIN

#include <immintrin.h>

// The platform's vector maths library: eight doubles in, eight out (AVX-512 variants).
#define TARNWICK_KERNEL_TARGET "avx512f,avx512dq,avx2,fma"
extern "C" {
TARNWICK_KERNEL __m512d _ZGVeN8v_sin(__m512d x);
TARNWICK_KERNEL __m512d _ZGVeN8v_cos(__m512d x);
TARNWICK_KERNEL __m512d _ZGVeN8v_exp(__m512d x);
TARNWICK_KERNEL __m512d _ZGVeN8v_sinh(__m512d x);
TARNWICK_KERNEL __m512d _ZGVeN8v_asinh(__m512d x);
TARNWICK_KERNEL __m512d _ZGVeN8v_atanh(__m512d x);
TARNWICK_KERNEL __m512d _ZGVeN8v_atan(__m512d x);
TARNWICK_KERNEL __m512d _ZGVeN8v_tan(__m512d x);
TARNWICK_KERNEL __m512d _ZGVeN8vv_atan2(__m512d y, __m512d x);
}

// The projection's and the shift grid's steps, compiled here for the kernel's target (they have
// internal linkage).
TARNWICK_KERNEL_BEGIN
#include "detail/exact_transverse_mercator_steps.hpp"
#include "detail/ostn15_steps.hpp"
TARNWICK_KERNEL_END

// Eight doubles, as the AVX2 unit's four.
using v8 = double __attribute__((vector_size(8 * sizeof(double))));

namespace batch::precise_simd {
namespace {

using vec = v8;
constexpr std::size_t lanes_per_block = 8;
// The mask of all eight lanes.
constexpr __mmask8 every_lane = 0xFF;

/// The elementary functions of the projection's steps on eight lanes; a mask is a bit per
/// lane. The zero-masked forms over every lane where the plain ones start from an undefined
/// vector, which g++ 12 takes for an uninitialised one.
struct vector_math {
    TARNWICK_KERNEL_INLINE static v8 sin(v8 x) { return _ZGVeN8v_sin(x); }
    TARNWICK_KERNEL_INLINE static v8 cos(v8 x) { return _ZGVeN8v_cos(x); }
    TARNWICK_KERNEL_INLINE static v8 exp(v8 x) { return _ZGVeN8v_exp(x); }
    TARNWICK_KERNEL_INLINE static v8 sinh(v8 x) { return _ZGVeN8v_sinh(x); }
    TARNWICK_KERNEL_INLINE static v8 asinh(v8 x) { return _ZGVeN8v_asinh(x); }
    TARNWICK_KERNEL_INLINE static v8 atan(v8 x) { return _ZGVeN8v_atan(x); }
    TARNWICK_KERNEL_INLINE static v8 tan(v8 x) { return _ZGVeN8v_tan(x); }
    TARNWICK_KERNEL_INLINE static v8 sqrt(v8 x) { return _mm512_maskz_sqrt_pd(every_lane, x); }
    // Arguments of order one here: the plain formula neither overflows nor underflows.
    TARNWICK_KERNEL_INLINE static v8 hypot(v8 x, v8 y) { return sqrt(x * x + y * y); }
    TARNWICK_KERNEL_INLINE static v8 atan2(v8 y, v8 x) { return _ZGVeN8vv_atan2(y, x); }
    TARNWICK_KERNEL_INLINE static v8 atanh(v8 x) { return _ZGVeN8v_atanh(x); }
    TARNWICK_KERNEL_INLINE static v8 abs(v8 x) { return _mm512_abs_pd(x); }
    TARNWICK_KERNEL_INLINE static v8 max_one(v8 x) {
        return _mm512_maskz_max_pd(every_lane, x, _mm512_set1_pd(1.0));
    }
    using mask = __mmask8;
    TARNWICK_KERNEL_INLINE static mask all() { return every_lane; }
    TARNWICK_KERNEL_INLINE static bool none(mask m) { return m == 0; }
    TARNWICK_KERNEL_INLINE static unsigned bits(mask m) { return m; }
    TARNWICK_KERNEL_INLINE static mask at_most(v8 x, v8 y) {
        return _mm512_cmp_pd_mask(x, y, _CMP_LE_OQ);
    }
    TARNWICK_KERNEL_INLINE static mask not_above(v8 x, double y) {
        return _mm512_cmp_pd_mask(x, _mm512_set1_pd(y), _CMP_NGT_UQ);
    }
    TARNWICK_KERNEL_INLINE static mask and_not(mask a, mask b) { return static_cast<mask>(a & ~b); }
    TARNWICK_KERNEL_INLINE static v8 select(mask m, v8 a, v8 b) {
        return _mm512_mask_blend_pd(m, b, a);
    }
};

/// The shift grid's steps on eight lanes: the cells' nodes gathered, east and north of a node
/// side by side in one 32-bit word.
struct vector_lanes {
    using mask = vector_math::mask;
    using shift_grid = utm::datum_transformations::ostn15::shift_grid;
    TARNWICK_KERNEL_INLINE static __m256i whole_below(v8 c, int last) {
        return _mm256_min_epi32(_mm512_maskz_cvttpd_epi32(every_lane, c), _mm256_set1_epi32(last));
    }
    TARNWICK_KERNEL_INLINE static v8 to_float(__m256i i) {
        return _mm512_maskz_cvtepi32_pd(every_lane, i);
    }
    TARNWICK_KERNEL_INLINE static utm::datum_transformations::ostn15::detail::nodes_of<v8> nodes(
        const shift_grid& g, __m256i column, __m256i row) {
        const __m256i sw = _mm256_slli_epi32(
            _mm256_add_epi32(_mm256_mullo_epi32(row, _mm256_set1_epi32(shift_grid::columns)),
                             column),
            1);
        const __m256i nw = _mm256_add_epi32(sw, _mm256_set1_epi32(2 * shift_grid::columns));
        const __m256i se = _mm256_add_epi32(sw, _mm256_set1_epi32(2));
        const __m256i ne = _mm256_add_epi32(nw, _mm256_set1_epi32(2));
        const int* base = reinterpret_cast<const int*>(g.values.data());
        const __m256i w_sw = _mm256_i32gather_epi32(base, sw, 2);
        const __m256i w_se = _mm256_i32gather_epi32(base, se, 2);
        const __m256i w_ne = _mm256_i32gather_epi32(base, ne, 2);
        const __m256i w_nw = _mm256_i32gather_epi32(base, nw, 2);
        const __m256i low = _mm256_set1_epi32(0xFFFF);
        return {_mm512_maskz_cvtepi32_pd(every_lane, _mm256_and_si256(w_sw, low)),
                _mm512_maskz_cvtepi32_pd(every_lane, _mm256_and_si256(w_se, low)),
                _mm512_maskz_cvtepi32_pd(every_lane, _mm256_and_si256(w_ne, low)),
                _mm512_maskz_cvtepi32_pd(every_lane, _mm256_and_si256(w_nw, low)),
                _mm512_maskz_cvtepi32_pd(every_lane, _mm256_srli_epi32(w_sw, 16)),
                _mm512_maskz_cvtepi32_pd(every_lane, _mm256_srli_epi32(w_se, 16)),
                _mm512_maskz_cvtepi32_pd(every_lane, _mm256_srli_epi32(w_ne, 16)),
                _mm512_maskz_cvtepi32_pd(every_lane, _mm256_srli_epi32(w_nw, 16))};
    }
    TARNWICK_KERNEL_INLINE static mask all() { return every_lane; }
    TARNWICK_KERNEL_INLINE static mask no_lanes() { return 0; }
    TARNWICK_KERNEL_INLINE static bool none(mask m) { return m == 0; }
    TARNWICK_KERNEL_INLINE static mask within(v8 x, double first, double last) {
        return _mm512_cmp_pd_mask(x, _mm512_set1_pd(first), _CMP_GE_OQ) &
               _mm512_cmp_pd_mask(x, _mm512_set1_pd(last), _CMP_LE_OQ);
    }
    TARNWICK_KERNEL_INLINE static mask both(mask a, mask b) { return a & b; }
    TARNWICK_KERNEL_INLINE static mask either(mask a, mask b) { return a | b; }
    TARNWICK_KERNEL_INLINE static mask and_not(mask a, mask b) {
        return vector_math::and_not(a, b);
    }
    TARNWICK_KERNEL_INLINE static mask below(v8 a, double b) {
        return _mm512_cmp_pd_mask(a, _mm512_set1_pd(b), _CMP_LT_OQ);
    }
    TARNWICK_KERNEL_INLINE static v8 select(mask m, v8 a, v8 b) {
        return vector_math::select(m, a, b);
    }
    TARNWICK_KERNEL_INLINE static v8 clamp(v8 x, double first, double last) {
        return _mm512_maskz_min_pd(every_lane,
                                   _mm512_maskz_max_pd(every_lane, x, _mm512_set1_pd(first)),
                                   _mm512_set1_pd(last));
    }
    TARNWICK_KERNEL_INLINE static v8 max(v8 a, v8 b) {
        return _mm512_maskz_max_pd(every_lane, a, b);
    }
    TARNWICK_KERNEL_INLINE static v8 abs(v8 x) { return vector_math::abs(x); }
};

}  // namespace
}  // namespace batch::precise_simd

#include "detail/batch_precise_kernel.hpp"

namespace batch::precise_simd {

unsigned convert_on_avx512(precise_pair pair, const points& in, const results& out,
                           std::size_t first, std::size_t count) noexcept {
    return convert_lanes(pair, in, out, first, count);
}

}  // namespace batch::precise_simd

#else

namespace batch::precise_simd {

unsigned convert_on_avx512(precise_pair, const points&, const results&, std::size_t,
                           std::size_t) noexcept {
    return 0;
}

}  // namespace batch::precise_simd

#endif
