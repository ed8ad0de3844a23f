#include "detail/batch_simd.hpp"

#if defined(__x86_64__) && defined(__GLIBC__)
#define TARNWICK_VECTOR_CHAIN 1
#endif

#if TARNWICK_VECTOR_CHAIN

#include <immintrin.h>

#include <cmath>
#include <cstdint>
#include <numbers>

#include "global_types.hpp"
#include "low_level_math.hpp"

#include "detail/avx2_target.hpp"

// The platform's vector maths library: four doubles in, four out (AVX2 variants). g++ links
// it through libm's link script wherever a program links libm.
extern "C" {
TARNWICK_AVX2 __m256d _ZGVdN4v_atan(__m256d x);
TARNWICK_AVX2 __m256d _ZGVdN4v_exp(__m256d x);
TARNWICK_AVX2 __m256d _ZGVdN4v_log(__m256d x);
TARNWICK_AVX2 __m256d _ZGVdN4v_sin(__m256d x);
TARNWICK_AVX2 __m256d _ZGVdN4v_cos(__m256d x);
}

// The chain's steps, compiled here for the kernel's target (they have internal linkage): so
// the vectors run the scalar steps' own expression trees. What that header includes is
// included above, so that the target reaches nothing but the steps.
TARNWICK_AVX2_BEGIN
#include "detail/chain_steps.hpp"
TARNWICK_AVX2_END

#include "utm-bng.hpp"
#include "utm-datum_transformations-utm_bng.hpp"
#include "utm-datum_transformations.hpp"
#include "utm.hpp"

#include "detail/batch_input.hpp"
#include "detail/bng-conversions.hpp"
#include "detail/extensions.hpp"
#include "detail/helmert_chain.hpp"
#include "detail/utm.hpp"

// Four doubles; the intrinsics' own type, without its aliasing attribute (which a template
// argument would drop).
using v4 = double __attribute__((vector_size(4 * sizeof(double))));

/// The elementary functions of the steps on four lanes: the vector maths library's. Their last
/// bits differ from the scalar ones; the kernel leaves every point near a decision to those.
template <>
struct utm::detail::lane_math<v4> {
    TARNWICK_AVX2_INLINE static v4 sqrt(v4 x) { return _mm256_sqrt_pd(x); }
    TARNWICK_AVX2_INLINE static v4 exp(v4 x) { return _ZGVdN4v_exp(x); }
    TARNWICK_AVX2_INLINE static v4 log(v4 x) { return _ZGVdN4v_log(x); }
    TARNWICK_AVX2_INLINE static v4 arc_tangent(v4 x) { return _ZGVdN4v_atan(x); }
    // Sine and cosine by two calls: the library's combined form takes its results through a
    // vector of pointers, which clang does not see the arrays escape through (it crashed).
    TARNWICK_AVX2_INLINE static low_level_math::sin_cos_of<v4> sin_cos(v4 x) {
        return {_ZGVdN4v_sin(x), _ZGVdN4v_cos(x)};
    }
    TARNWICK_AVX2_INLINE static v4 copysign(v4 x, v4 y) {
        const v4 sign = _mm256_set1_pd(-0.0);
        return _mm256_or_pd(_mm256_andnot_pd(sign, x), _mm256_and_pd(sign, y));
    }
    TARNWICK_AVX2_INLINE static v4 fabs(v4 x) { return _mm256_andnot_pd(_mm256_set1_pd(-0.0), x); }
    /// `low_level_math::radians_by_pi_over_180` in every lane.
    TARNWICK_AVX2_INLINE static v4 radians_by_pi_over_180(v4 degrees) {
        return std::numbers::pi * degrees / 180.0;
    }
};

namespace batch::simd {

namespace {

using global_types::long_float;
using low_level_math::degrees_per_radian;
using math = utm::detail::lane_math<v4>;
using sin_cos4 = low_level_math::sin_cos_of<v4>;
using xyz4 = utm::detail::xyz_of<v4>;
using grid4 = utm::detail::plane_of<v4>;
namespace chain = utm::datum_transformations::detail;
constexpr long_float pi = std::numbers::pi;

// Distances from a decision of the chain within which the vector results' last bits could
// decide otherwise than the scalar ones (some 1e-8 m on the grids, 1e-14 in a zone number);
// a point that near is converted point by point instead.
constexpr long_float near_grid_decision = 1e-6;  // metres
constexpr long_float near_zone_boundary = 1e-9;  // zones (1e-9 zone: under a millimetre)
// Away from a quarter turn from the central meridian: the scalar chain decides near it.
constexpr long_float least_cos_delta_lambda = 0.01;

TARNWICK_AVX2_INLINE v4 all(long_float x) {
    return _mm256_set1_pd(x);
}
TARNWICK_AVX2_INLINE v4 load(const long_float (&x)[block_size]) {
    return _mm256_loadu_pd(x);
}
TARNWICK_AVX2_INLINE void store(v4 v, long_float (&x)[block_size]) {
    _mm256_storeu_pd(x, v);
}

/// Lanes (bits) where the comparison `a` op `b` holds; unordered (NaN) lanes as the predicate
/// says.
template <int predicate>
TARNWICK_AVX2_INLINE unsigned lanes(v4 a, v4 b) {
    return static_cast<unsigned>(_mm256_movemask_pd(_mm256_cmp_pd(a, b, predicate)));
}

/// Lanes where `x` is not within `limit` in magnitude (NaN included).
TARNWICK_AVX2_INLINE unsigned beyond(v4 x, long_float limit) {
    return lanes<_CMP_NLE_UQ>(math::fabs(x), all(limit));
}

/// Sine and cosine of the arc tangent of `t` from one square root; steep tangents, where the
/// scalar chain takes the arc tangent itself, are marked in `doubt`.
TARNWICK_AVX2_INLINE sin_cos4 sin_cos_of_arctan(v4 t, unsigned& doubt) {
    doubt |= beyond(t, utm::detail::steep_tangent);
    return utm::detail::sin_cos_of_moderate_arctan(t);
}

struct inverse4 {
    v4 phi;
    sin_cos4 phi_sin_cos;
    v4 delta_lambda;
    v4 tan_delta_lambda;
};

/// The inverse Transverse Mercator: `xi` metres east of the central meridian, `north` metres
/// north of the parallel of arc `origin_arc`; `passes` fixed passes from the latitude north / S.
TARNWICK_AVX2_INLINE inverse4
inverse_transverse_mercator(const utm::detail::transverse_mercator_constants& tm,
                            long_float origin_arc, v4 xi, v4 north, int passes, unsigned& doubt) {
    const long_float inverse_S = 1.0 / tm.S;
    v4 phi_0 = north / tm.S;
    sin_cos4 phi_0_sin_cos = math::sin_cos(phi_0);
    v4 tan_h = all(0.0);
    v4 cos_D = all(1.0);
    for (int pass = 1; pass <= passes; ++pass) {
        const utm::detail::inverse_pass_of<v4> p =
            utm::detail::inverse_pass(tm, inverse_S, origin_arc, xi, north, phi_0, phi_0_sin_cos);
        // Beyond the pole (cos(D) <= 0) the scalar chain decides.
        doubt |= lanes<_CMP_NGT_UQ>(p.on_sphere.cos, all(0.0));
        tan_h = p.tan_h;
        cos_D = p.on_sphere.cos;
        phi_0_sin_cos = p.phi_sin_cos;
        // The full arc tangent in every lane: the scalar step's shortcut is a branch per point.
        phi_0 = math::arc_tangent(p.on_sphere.sin / p.r);
    }
    const v4 tan_delta_lambda = tan_h / cos_D;
    return {phi_0, phi_0_sin_cos, math::arc_tangent(tan_delta_lambda), tan_delta_lambda};
}

struct geodetic4 {
    v4 latitude;
    v4 longitude;
    sin_cos4 phi_sin_cos;
    sin_cos4 lambda_sin_cos;
};

/// Latitude and longitude of earth-centred points east of the polar plane (x > 0; others are
/// marked in `doubt`) on the ellipsoid of `constants` with major axis `a`: the start latitude
/// arctan(z / p (1 + e'2)) and the fixed passes.
TARNWICK_AVX2_INLINE geodetic4 geocentric_to_geodetic(
    const utm::detail::ellipsoid_constants& constants, long_float a, xyz4 g, unsigned& doubt) {
    doubt |= lanes<_CMP_NGT_UQ>(g.x, all(0.0));
    const v4 p = math::sqrt(g.x * g.x + g.y * g.y);
    const v4 lambda = math::arc_tangent(g.y / g.x);
    const v4 tan_phi = utm::detail::geodetic_latitude_tangents(
                           constants, a, g.z, p, utm::detail::geodetic_latitude_passes)
                           .tan_phi;
    return {
        math::arc_tangent(tan_phi), lambda, sin_cos_of_arctan(tan_phi, doubt), {g.y / p, g.x / p}};
}

/// The forward Transverse Mercator of `tm` at the longitude difference whose sine and cosine
/// are `dl`: false easting `east`, northing from the parallel of arc `origin_arc` plus `north`.
TARNWICK_AVX2_INLINE grid4 transverse_mercator(const utm::detail::transverse_mercator_constants& tm,
                                               long_float origin_arc, v4 east, v4 north, v4 phi,
                                               sin_cos4 phi_sin_cos, sin_cos4 dl, unsigned& doubt) {
    const utm::detail::sphere_of<v4> sphere = utm::detail::conformal_sphere_of(tm, phi_sin_cos);
    doubt |= lanes<_CMP_NGT_UQ>(dl.cos, all(least_cos_delta_lambda));
    // The full arc tangent in every lane: the scalar step's shortcut is a branch per point.
    const grid4 z = utm::detail::spherical_grid(
        tm.S, sphere, math::log(utm::detail::log_argument(phi_sin_cos, dl)),
        utm::detail::latitude_offset(phi, phi_sin_cos, dl));
    const grid4 grid = utm::detail::forward_corrected(east, north, z, sphere.c);
    return {grid.x, grid.y + tm.S * (utm::detail::meridian_arc(phi, phi_sin_cos, tm.ellipsoid.arc) -
                                     origin_arc)};
}

/// The block's inputs, read as the arrays read them: grid values rounded to whole metres in
/// the ranges of their types, a zone of the National Grid's UTM zones, angles in range. A
/// point that does not read so is marked in `doubt` and replaced by a harmless one.
struct block_input {
    long_float a[block_size];  // easting, or latitude (radians)
    long_float b[block_size];  // northing, or longitude (radians)
    long_float zone[block_size];
};

// A grid value (metres) by the arrays' one input rule, rounded to whole metres; false where
// the point is not readable.
bool whole_metres(long_float v, long_float first, long_float last, long_float& whole) {
    return input::grid_value(v, first, last, false, whole) == input_fault::none;
}

block_input read_block(chain_pair pair, const points& in, std::size_t first, std::size_t count,
                       unsigned& doubt) {
    using utm::bng::easting_integer_bng;
    using utm::bng::northing_integer_bng;
    block_input r{};
    for (std::size_t k = 0; k < block_size; ++k) {
        bool readable = false;
        const std::size_t i = first + (k < count ? k : 0);
        switch (pair) {
            case chain_pair::bng_to_utm:
            case chain_pair::bng_to_wgs84:
                readable = whole_metres(in.easting[i], easting_integer_bng::first,
                                        easting_integer_bng::last, r.a[k]) &&
                           whole_metres(in.northing[i], northing_integer_bng::first,
                                        northing_integer_bng::last, r.b[k]);
                break;
            case chain_pair::utm_to_bng:
                r.zone[k] = in.zone[i];
                readable = input::is_zone(r.zone[k]) &&
                           r.zone[k] >= utm::datum_transformations::utm_bng::bng_zones_utm::first &&
                           r.zone[k] <= utm::datum_transformations::utm_bng::bng_zones_utm::last &&
                           whole_metres(in.easting[i], global_types::easting_integer::first,
                                        global_types::easting_integer::last, r.a[k]) &&
                           whole_metres(in.northing[i], global_types::northing_integer::first,
                                        global_types::northing_integer::last, r.b[k]);
                break;
            case chain_pair::wgs84_to_bng: {
                const long_float lat = in.latitude[i];
                const long_float lon = in.longitude[i];
                readable = input::latitude_fault(lat) == input_fault::none &&
                           input::longitude_fault(lon) == input_fault::none;
                r.a[k] = lat / degrees_per_radian;
                r.b[k] = lon / degrees_per_radian;
                break;
            }
        }
        if (!readable || k >= count) {
            doubt |= 1U << k;
            r.a[k] = pair == chain_pair::wgs84_to_bng ? 0.9 : 400000.0;
            r.b[k] = pair == chain_pair::wgs84_to_bng ? 0.0 : 400000.0;
            r.zone[k] = 30.0;
        }
    }
    return r;
}

/// Whether the chain's scalar decision on grid value `v` (metres) could differ from the
/// vector one: near a half metre, or near the edge of the tolerance beyond `first` .. `last`.
bool near_decision(long_float v, long_float first, long_float last, long_float tolerance) {
    const long_float fraction = v - std::floor(v);
    return std::fabs(fraction - 0.5) < near_grid_decision ||
           (tolerance > 0.0 && (std::fabs(v - (last + tolerance)) < near_grid_decision ||
                                std::fabs(v - (first - tolerance)) < near_grid_decision));
}

/// National Grid values in whole metres by the grid's rule, where they are sure; false else.
bool national_grid_integers(long_float e, long_float n, std::int32_t& easting,
                            std::int32_t& northing) {
    using utm::bng::easting_integer_bng;
    using utm::bng::northing_integer_bng;
    constexpr long_float tolerance = utm::bng::conversions::detail::grid_tolerance.tolerance;
    if (near_decision(e, easting_integer_bng::first, easting_integer_bng::last, tolerance) ||
        near_decision(n, northing_integer_bng::first, northing_integer_bng::last, tolerance)) {
        return false;
    }
    return utm::bng::conversions::detail::to_grid_integers({e, n}, easting, northing) ==
           global_types::failure_kind::none;
}

/// Sine and cosine of the central meridians of the (northern) zones `zone`; a lane in `doubt`
/// may hold no zone and gets zone 1's.
TARNWICK_AVX2_INLINE sin_cos4 meridians(const long_float (&zone)[block_size], unsigned doubt) {
    long_float s[block_size];
    long_float c[block_size];
    for (std::size_t k = 0; k < block_size; ++k) {
        const low_level_math::sin_cos_type& m = utm::detail::central_meridian_sin_cos(
            (doubt >> k & 1U) != 0 ? 1 : static_cast<int>(zone[k]));
        s[k] = m.sin;
        c[k] = m.cos;
    }
    return {load(s), load(c)};
}

/// Sine and cosine of the National Grid's central meridian in every lane.
TARNWICK_AVX2_INLINE sin_cos4 origin4() {
    const low_level_math::sin_cos_type& o = utm::bng::conversions::detail::natural_origin_sin_cos();
    return {all(o.sin), all(o.cos)};
}

/// National Grid values (metres, unrounded) of WGS84 latitudes (their sines and cosines) and
/// longitudes on GRS80.
TARNWICK_AVX2_INLINE grid4 wgs84_to_bng(sin_cos4 latitude, sin_cos4 longitude, unsigned& doubt) {
    using utm::detail::grs80_ellipsoid;
    const xyz4 osgb36 = utm::detail::small_rotation_helmert(
        chain::current_parameters(),
        utm::detail::geocentric_at(grs80_ellipsoid.a, grs80_ellipsoid.constants.e2, latitude,
                                   longitude, all(0.0)));
    const geodetic4 on_airy =
        geocentric_to_geodetic(utm::detail::airy_1830_ellipsoid.constants,
                               utm::detail::airy_1830_ellipsoid.a, osgb36, doubt);
    const utm::bng::conversions::detail::airy_constants& airy =
        utm::bng::conversions::detail::airy();
    return transverse_mercator(
        airy.tm, airy.origin_arc, all(utm::bng::false_origin_east),
        all(utm::bng::false_origin_north), on_airy.latitude, on_airy.phi_sin_cos,
        utm::detail::sin_cos_of_difference(on_airy.lambda_sin_cos, origin4()), doubt);
}

/// WGS84 latitudes and longitudes (GRS80) of National Grid points.
TARNWICK_AVX2_INLINE geodetic4 bng_to_wgs84(v4 easting, v4 northing, unsigned& doubt) {
    const utm::bng::conversions::detail::airy_constants& airy =
        utm::bng::conversions::detail::airy();
    const inverse4 on_airy =
        inverse_transverse_mercator(airy.tm, airy.origin_arc, easting - utm::bng::false_origin_east,
                                    northing - utm::bng::false_origin_north,
                                    utm::bng::conversions::detail::inverse_passes, doubt);
    const v4 longitude = on_airy.delta_lambda + utm::bng::longitude_of_natural_origin;
    doubt |= beyond(longitude, pi);  // the scalar chain brings it back into -pi .. pi
    // The longitude's sine and cosine by the angle sum, as the scalar chain takes them.
    const sin_cos4 longitude_sin_cos =
        utm::detail::sin_cos_of_sum(sin_cos_of_arctan(on_airy.tan_delta_lambda, doubt), origin4());
    const xyz4 wgs84 = utm::detail::inverse_small_rotation_helmert(
        chain::current_parameters(),
        utm::detail::geocentric_at(utm::detail::airy_1830_ellipsoid.a, airy.tm.ellipsoid.e2,
                                   on_airy.phi_sin_cos, longitude_sin_cos, all(0.0)));
    return geocentric_to_geodetic(utm::detail::grs80_ellipsoid.constants,
                                  utm::detail::grs80_ellipsoid.a, wgs84, doubt);
}

/// The block's unrounded results: grid values (metres) or angles (degrees), and zones.
struct block_output {
    long_float e[block_size];
    long_float n[block_size];
    long_float zone[block_size];
};

/// BNG -> WGS84 on the block, in degrees.
TARNWICK_AVX2_INLINE void bng_to_wgs84_block(const block_input& input, block_output& r,
                                             unsigned& doubt) {
    const geodetic4 g = bng_to_wgs84(load(input.a), load(input.b), doubt);
    store(g.latitude * degrees_per_radian, r.e);
    store(g.longitude * degrees_per_radian, r.n);
    doubt |= beyond(g.latitude, pi) | beyond(g.longitude, pi);
}

/// BNG -> UTM in the zone of the longitude on the block, in metres.
TARNWICK_AVX2_INLINE void bng_to_utm_block(const block_input& input, block_output& r,
                                           unsigned& doubt) {
    const geodetic4 g = bng_to_wgs84(load(input.a), load(input.b), doubt);
    // The standard zone of the longitude; a boundary meridian belongs to the zone east of it,
    // so a longitude about on one is left to the scalar chain.
    doubt |= lanes<_CMP_NGE_UQ>(g.longitude, all(-pi)) | lanes<_CMP_NLT_UQ>(g.longitude, all(pi));
    const v4 q = utm::detail::zone_quotient(g.longitude);
    const v4 z = _mm256_floor_pd(q);
    const v4 fraction = q - z;
    doubt |= lanes<_CMP_NGE_UQ>(fraction, all(near_zone_boundary)) |
             lanes<_CMP_NLE_UQ>(fraction, all(1.0 - near_zone_boundary));
    store(z, r.zone);
    const grid4 grid = transverse_mercator(
        utm::detail::utm_on_grs80, 0.0, all(utm::false_easting), all(0.0), g.latitude,
        g.phi_sin_cos,
        utm::detail::sin_cos_of_difference(g.lambda_sin_cos, meridians(r.zone, doubt)), doubt);
    store(grid.x, r.e);
    store(grid.y, r.n);
}

/// UTM (zones 29 .. 31) -> BNG on the block, in metres.
TARNWICK_AVX2_INLINE void utm_to_bng_block(const block_input& input, block_output& r,
                                           unsigned& doubt) {
    const v4 lambda_ref = utm::detail::central_meridian_of_zone(load(input.zone));
    const inverse4 g = inverse_transverse_mercator(
        utm::detail::utm_on_grs80, 0.0, load(input.a) - utm::false_easting, load(input.b),
        utm::detail::utm_inverse_passes, doubt);
    doubt |= beyond(lambda_ref + g.delta_lambda, pi);
    // The longitude's sine and cosine by the angle sum, as the scalar chain takes them.
    const grid4 grid =
        wgs84_to_bng(g.phi_sin_cos,
                     utm::detail::sin_cos_of_sum(sin_cos_of_arctan(g.tan_delta_lambda, doubt),
                                                 meridians(input.zone, doubt)),
                     doubt);
    store(grid.x, r.e);
    store(grid.y, r.n);
}

/// WGS84 -> BNG on the block, in metres.
TARNWICK_AVX2_INLINE void wgs84_to_bng_block(const block_input& input, block_output& r,
                                             unsigned& doubt) {
    const grid4 grid =
        wgs84_to_bng(math::sin_cos(load(input.a)), math::sin_cos(load(input.b)), doubt);
    store(grid.x, r.e);
    store(grid.y, r.n);
}

/// Writes point `first + k`'s results of `pair` from `r` where the scalar chain is sure to give
/// the same; false where it is left to that chain.
bool write_point(chain_pair pair, const block_output& r, std::size_t k, const results& out,
                 std::size_t i) {
    if (pair == chain_pair::bng_to_wgs84) {
        out.latitude[i] = r.e[k];
        out.longitude[i] = r.n[k];
        return true;
    }
    std::int32_t easting = 0;
    std::int32_t northing = 0;
    if (pair == chain_pair::bng_to_utm) {
        // The projection's edge rule: only a half metre decides.
        if (near_decision(r.e[k], 0.0, 0.0, 0.0) || near_decision(r.n[k], 0.0, 0.0, 0.0) ||
            utm::extensions::detail::clamped_grid_integers(
                {r.e[k], r.n[k], {}}, easting, northing) != global_types::failure_kind::none) {
            return false;
        }
        out.zone[i] = static_cast<std::int32_t>(r.zone[k]);
    } else if (!national_grid_integers(r.e[k], r.n[k], easting, northing)) {
        return false;
    }
    out.easting[i] = easting;
    out.northing[i] = northing;
    return true;
}

TARNWICK_AVX2 unsigned convert_on_vectors(chain_pair pair, const points& in, const results& out,
                                          std::size_t first, std::size_t count) noexcept {
    unsigned doubt = 0;
    const block_input input = read_block(pair, in, first, count, doubt);
    block_output r{};
    switch (pair) {
        case chain_pair::bng_to_wgs84:
            bng_to_wgs84_block(input, r, doubt);
            break;
        case chain_pair::bng_to_utm:
            bng_to_utm_block(input, r, doubt);
            break;
        case chain_pair::utm_to_bng:
            utm_to_bng_block(input, r, doubt);
            break;
        case chain_pair::wgs84_to_bng:
            wgs84_to_bng_block(input, r, doubt);
            break;
    }
    unsigned done = 0;
    for (std::size_t k = 0; k < count; ++k) {
        if ((doubt >> k & 1U) == 0 && write_point(pair, r, k, out, first + k)) {
            out.status[first + k] = point_status::none;
            done |= 1U << k;
        }
    }
    return done;
}

}  // namespace

bool available() noexcept {
    static const bool runs = [] {
        __builtin_cpu_init();  // also when first asked during the start-up of a program
        return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    }();
    return runs;
}

unsigned convert_block(chain_pair pair, const points& in, const results& out, std::size_t first,
                       std::size_t count) noexcept {
    if (!available() || count == 0 || count > block_size) {
        return 0;
    }
    return convert_on_vectors(pair, in, out, first, count);
}

}  // namespace batch::simd

#else

namespace batch::simd {

bool available() noexcept {
    return false;
}

unsigned convert_block(chain_pair, const points&, const results&, std::size_t,
                       std::size_t) noexcept {
    return 0;
}

}  // namespace batch::simd

#endif
