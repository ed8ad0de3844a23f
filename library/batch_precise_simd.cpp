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

namespace batch::precise_simd {

// `c` is one that `refusal_of` lets run.
precise_pair pair_of(const conversion& c, const points& in) noexcept {
    using enum coordinate_system;
    if (c.method != datum_method::ostn15 || c.zone != 0 || c.alt || !in.band.empty()) {
        return precise_pair::none;
    }
    if (c.from == bng) {
        return c.to == utm ? precise_pair::bng_to_utm : precise_pair::bng_to_geo;
    }
    return c.from == utm ? precise_pair::utm_to_bng : precise_pair::geo_to_bng;
}

}  // namespace batch::precise_simd

#if TARNWICK_VECTOR_CHAIN

#include <immintrin.h>

// The platform's vector maths library: four doubles in, four out (AVX2 variants).
#define TARNWICK_KERNEL_TARGET "avx2,fma"
extern "C" {
TARNWICK_KERNEL __m256d _ZGVdN4v_sin(__m256d x);
TARNWICK_KERNEL __m256d _ZGVdN4v_cos(__m256d x);
TARNWICK_KERNEL __m256d _ZGVdN4v_exp(__m256d x);
TARNWICK_KERNEL __m256d _ZGVdN4v_sinh(__m256d x);
TARNWICK_KERNEL __m256d _ZGVdN4v_asinh(__m256d x);
TARNWICK_KERNEL __m256d _ZGVdN4v_atanh(__m256d x);
TARNWICK_KERNEL __m256d _ZGVdN4v_atan(__m256d x);
TARNWICK_KERNEL __m256d _ZGVdN4v_tan(__m256d x);
TARNWICK_KERNEL __m256d _ZGVdN4vv_atan2(__m256d y, __m256d x);
}

// The projection's and the shift grid's steps, compiled here for the kernel's target (they have
// internal linkage).
TARNWICK_KERNEL_BEGIN
#include "detail/exact_transverse_mercator_steps.hpp"
#include "detail/ostn15_steps.hpp"
TARNWICK_KERNEL_END

// Four doubles; the intrinsics' own type, without its aliasing attribute.
using v4 = double __attribute__((vector_size(4 * sizeof(double))));

namespace batch::precise_simd {
namespace {

using vec = v4;
constexpr std::size_t lanes_per_block = 4;

/// The elementary functions of the projection's steps on four lanes.
struct vector_math {
    TARNWICK_KERNEL_INLINE static v4 sin(v4 x) { return _ZGVdN4v_sin(x); }
    TARNWICK_KERNEL_INLINE static v4 cos(v4 x) { return _ZGVdN4v_cos(x); }
    TARNWICK_KERNEL_INLINE static v4 exp(v4 x) { return _ZGVdN4v_exp(x); }
    TARNWICK_KERNEL_INLINE static v4 sinh(v4 x) { return _ZGVdN4v_sinh(x); }
    TARNWICK_KERNEL_INLINE static v4 asinh(v4 x) { return _ZGVdN4v_asinh(x); }
    TARNWICK_KERNEL_INLINE static v4 atan(v4 x) { return _ZGVdN4v_atan(x); }
    TARNWICK_KERNEL_INLINE static v4 tan(v4 x) { return _ZGVdN4v_tan(x); }
    TARNWICK_KERNEL_INLINE static v4 sqrt(v4 x) { return _mm256_sqrt_pd(x); }
    // Arguments of order one here: the plain formula neither overflows nor underflows.
    TARNWICK_KERNEL_INLINE static v4 hypot(v4 x, v4 y) { return _mm256_sqrt_pd(x * x + y * y); }
    TARNWICK_KERNEL_INLINE static v4 atan2(v4 y, v4 x) { return _ZGVdN4vv_atan2(y, x); }
    TARNWICK_KERNEL_INLINE static v4 atanh(v4 x) { return _ZGVdN4v_atanh(x); }
    TARNWICK_KERNEL_INLINE static v4 abs(v4 x) { return _mm256_andnot_pd(_mm256_set1_pd(-0.0), x); }
    TARNWICK_KERNEL_INLINE static v4 max_one(v4 x) { return _mm256_max_pd(x, _mm256_set1_pd(1.0)); }
    // A lane's mask: all bits set where it holds.
    using mask = v4;
    TARNWICK_KERNEL_INLINE static mask all() { return _mm256_castsi256_pd(_mm256_set1_epi64x(-1)); }
    TARNWICK_KERNEL_INLINE static bool none(mask m) { return _mm256_movemask_pd(m) == 0; }
    TARNWICK_KERNEL_INLINE static unsigned bits(mask m) {
        return static_cast<unsigned>(_mm256_movemask_pd(m));
    }
    TARNWICK_KERNEL_INLINE static mask at_most(v4 x, v4 y) {
        return _mm256_cmp_pd(x, y, _CMP_LE_OQ);
    }
    TARNWICK_KERNEL_INLINE static mask not_above(v4 x, double y) {
        return _mm256_cmp_pd(x, _mm256_set1_pd(y), _CMP_NGT_UQ);
    }
    TARNWICK_KERNEL_INLINE static mask and_not(mask a, mask b) { return _mm256_andnot_pd(b, a); }
    TARNWICK_KERNEL_INLINE static v4 select(mask m, v4 a, v4 b) {
        return _mm256_blendv_pd(b, a, m);
    }
};

/// The shift grid's steps on four lanes: the cells' nodes gathered, east and north of a node
/// side by side in one 32-bit word.
struct vector_lanes {
    using mask = v4;
    using shift_grid = utm::datum_transformations::ostn15::shift_grid;
    TARNWICK_KERNEL_INLINE static __m128i whole_below(v4 c, int last) {
        return _mm_min_epi32(_mm256_cvttpd_epi32(c), _mm_set1_epi32(last));
    }
    TARNWICK_KERNEL_INLINE static v4 to_float(__m128i i) { return _mm256_cvtepi32_pd(i); }
    TARNWICK_KERNEL_INLINE static utm::datum_transformations::ostn15::detail::nodes_of<v4> nodes(
        const shift_grid& g, __m128i column, __m128i row) {
        const __m128i sw = _mm_slli_epi32(
            _mm_add_epi32(_mm_mullo_epi32(row, _mm_set1_epi32(shift_grid::columns)), column), 1);
        const __m128i nw = _mm_add_epi32(sw, _mm_set1_epi32(2 * shift_grid::columns));
        const __m128i se = _mm_add_epi32(sw, _mm_set1_epi32(2));
        const __m128i ne = _mm_add_epi32(nw, _mm_set1_epi32(2));
        const int* base = reinterpret_cast<const int*>(g.values.data());
        const __m128i w_sw = _mm_i32gather_epi32(base, sw, 2);
        const __m128i w_se = _mm_i32gather_epi32(base, se, 2);
        const __m128i w_ne = _mm_i32gather_epi32(base, ne, 2);
        const __m128i w_nw = _mm_i32gather_epi32(base, nw, 2);
        const __m128i low = _mm_set1_epi32(0xFFFF);
        return {_mm256_cvtepi32_pd(_mm_and_si128(w_sw, low)),
                _mm256_cvtepi32_pd(_mm_and_si128(w_se, low)),
                _mm256_cvtepi32_pd(_mm_and_si128(w_ne, low)),
                _mm256_cvtepi32_pd(_mm_and_si128(w_nw, low)),
                _mm256_cvtepi32_pd(_mm_srli_epi32(w_sw, 16)),
                _mm256_cvtepi32_pd(_mm_srli_epi32(w_se, 16)),
                _mm256_cvtepi32_pd(_mm_srli_epi32(w_ne, 16)),
                _mm256_cvtepi32_pd(_mm_srli_epi32(w_nw, 16))};
    }
    TARNWICK_KERNEL_INLINE static mask all() { return vector_math::all(); }
    TARNWICK_KERNEL_INLINE static mask no_lanes() { return _mm256_setzero_pd(); }
    TARNWICK_KERNEL_INLINE static bool none(mask m) { return vector_math::none(m); }
    TARNWICK_KERNEL_INLINE static mask within(v4 x, double first, double last) {
        return _mm256_and_pd(_mm256_cmp_pd(x, _mm256_set1_pd(first), _CMP_GE_OQ),
                             _mm256_cmp_pd(x, _mm256_set1_pd(last), _CMP_LE_OQ));
    }
    TARNWICK_KERNEL_INLINE static mask both(mask a, mask b) { return _mm256_and_pd(a, b); }
    TARNWICK_KERNEL_INLINE static mask either(mask a, mask b) { return _mm256_or_pd(a, b); }
    TARNWICK_KERNEL_INLINE static mask and_not(mask a, mask b) {
        return vector_math::and_not(a, b);
    }
    TARNWICK_KERNEL_INLINE static mask below(v4 a, double b) {
        return _mm256_cmp_pd(a, _mm256_set1_pd(b), _CMP_LT_OQ);
    }
    TARNWICK_KERNEL_INLINE static v4 select(mask m, v4 a, v4 b) {
        return vector_math::select(m, a, b);
    }
    TARNWICK_KERNEL_INLINE static v4 clamp(v4 x, double first, double last) {
        return _mm256_min_pd(_mm256_max_pd(x, _mm256_set1_pd(first)), _mm256_set1_pd(last));
    }
    TARNWICK_KERNEL_INLINE static v4 max(v4 a, v4 b) { return _mm256_max_pd(a, b); }
    TARNWICK_KERNEL_INLINE static v4 abs(v4 x) { return vector_math::abs(x); }
};

}  // namespace
}  // namespace batch::precise_simd

#include "detail/batch_precise_kernel.hpp"

namespace batch::precise_simd {

unsigned convert_block(precise_pair pair, const points& in, const results& out, std::size_t first,
                       std::size_t count, simd::kernel k) noexcept {
    if (count == 0 || count > simd::block_size || k == simd::kernel::none ||
        static_cast<int>(k) > static_cast<int>(simd::best_kernel())) {
        return 0;
    }
    if (k == simd::kernel::avx512) {
        return convert_on_avx512(pair, in, out, first, count);
    }
    unsigned done = 0;
    for (std::size_t part = 0; part < count; part += lanes_per_block) {
        const std::size_t n = count - part < lanes_per_block ? count - part : lanes_per_block;
        done |= convert_lanes(pair, in, out, first + part, n) << part;
    }
    return done;
}

}  // namespace batch::precise_simd

#else

namespace batch::precise_simd {

unsigned convert_block(precise_pair, const points&, const results&, std::size_t, std::size_t,
                       simd::kernel) noexcept {
    return 0;
}

}  // namespace batch::precise_simd

#endif
