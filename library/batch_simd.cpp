#include "detail/batch_simd.hpp"

#if defined(__x86_64__) && defined(__GLIBC__)
#define TARNWICK_VECTOR_CHAIN 1
#endif

#if TARNWICK_VECTOR_CHAIN

#include <immintrin.h>

#include <cmath>
#include <numbers>

#include "global_types.hpp"
#include "low_level_math.hpp"
#include "utm-bng.hpp"
#include "utm-datum_transformations-utm_bng.hpp"
#include "utm-datum_transformations.hpp"
#include "utm.hpp"

#include "detail/bng-conversions.hpp"
#include "detail/helmert_chain.hpp"
#include "detail/utm.hpp"

// The platform's vector maths library: four doubles in, four out (AVX2 variants). g++ links
// it through libm's link script wherever a program links libm.
#define TARNWICK_AVX2 __attribute__((target("avx2,fma")))
extern "C" {
TARNWICK_AVX2 __m256d _ZGVdN4v_atan(__m256d x);
TARNWICK_AVX2 __m256d _ZGVdN4v_exp(__m256d x);
TARNWICK_AVX2 __m256d _ZGVdN4v_log(__m256d x);
TARNWICK_AVX2 __m256d _ZGVdN4v_sin(__m256d x);
TARNWICK_AVX2 __m256d _ZGVdN4v_cos(__m256d x);
}

namespace batch::simd {

namespace {

#define TARNWICK_AVX2_INLINE __attribute__((target("avx2,fma"), always_inline)) inline

using global_types::long_float;
using v4 = __m256d;
namespace chain = utm::datum_transformations::detail;

constexpr long_float pi = std::numbers::pi;
constexpr long_float degrees_per_radian = 57.29577951308232;
constexpr long_float utm_false_easting = 500000.0;  // metres
constexpr int inverse_passes = 3;                   // both grids' inverse projections
constexpr int geodetic_latitude_passes = 2;

// Distances from a decision of the chain within which the vector results' last bits could
// decide otherwise than the scalar ones (some 1e-8 m on the grids, 1e-14 in a zone number);
// a point that near is converted point by point instead.
constexpr long_float near_grid_decision = 1e-6;  // metres
constexpr long_float near_zone_boundary = 1e-9;  // zones (1e-9 zone: under a millimetre)
// Away from a quarter turn from the central meridian: the scalar chain decides near it.
constexpr long_float least_cos_delta_lambda = 0.01;

struct sin_cos4 {
    v4 sin;
    v4 cos;
};

TARNWICK_AVX2_INLINE v4 all(long_float x) {
    return _mm256_set1_pd(x);
}
TARNWICK_AVX2_INLINE v4 load(const long_float (&x)[block_size]) {
    return _mm256_loadu_pd(x);
}
TARNWICK_AVX2_INLINE void store(v4 v, long_float (&x)[block_size]) {
    _mm256_storeu_pd(x, v);
}
TARNWICK_AVX2_INLINE v4 vsqrt(v4 x) {
    return _mm256_sqrt_pd(x);
}
TARNWICK_AVX2_INLINE v4 vatan(v4 x) {
    return _ZGVdN4v_atan(x);
}
TARNWICK_AVX2_INLINE v4 vexp(v4 x) {
    return _ZGVdN4v_exp(x);
}
TARNWICK_AVX2_INLINE v4 vlog(v4 x) {
    return _ZGVdN4v_log(x);
}
// Sine and cosine by two calls: the library's combined form takes its results through a vector
// of pointers, which clang does not see the arrays escape through (it crashed there).
TARNWICK_AVX2_INLINE sin_cos4 vsincos(v4 x) {
    return {_ZGVdN4v_sin(x), _ZGVdN4v_cos(x)};
}

/// Lanes (bits) where the comparison `a` op `b` holds; unordered (NaN) lanes as the predicate
/// says.
template <int predicate>
TARNWICK_AVX2_INLINE unsigned lanes(v4 a, v4 b) {
    return static_cast<unsigned>(_mm256_movemask_pd(_mm256_cmp_pd(a, b, predicate)));
}

/// Lanes where `x` is not within `limit` in magnitude (NaN included).
TARNWICK_AVX2_INLINE unsigned beyond(v4 x, long_float limit) {
    return lanes<_CMP_NLE_UQ>(_mm256_andnot_pd(all(-0.0), x), all(limit));
}

/// Sine and cosine of the arc tangent of `t` from one square root; steep tangents, where the
/// scalar chain takes the arc tangent itself, are marked in `doubt`.
TARNWICK_AVX2_INLINE sin_cos4 sin_cos_of_arctan(v4 t, unsigned& doubt) {
    doubt |= beyond(t, utm::detail::steep_tangent);
    const v4 c = all(1.0) / vsqrt(all(1.0) + t * t);
    return {t * c, c};
}

/// The meridian arc (divided by the major axis) from the sine and cosine of `phi`.
TARNWICK_AVX2_INLINE v4 beta(v4 phi, sin_cos4 phi_sin_cos,
                             const utm::detail::meridian_arc_series& arc) {
    const v4 s = phi_sin_cos.sin;
    const v4 c = phi_sin_cos.cos;
    const v4 sin_2 = all(2.0) * s * c;
    const v4 cos_2 = (c - s) * (c + s);
    const v4 sin_4 = all(2.0) * sin_2 * cos_2;
    const v4 cos_4 = (cos_2 - sin_2) * (cos_2 + sin_2);
    const v4 sin_6 = sin_4 * cos_2 + cos_4 * sin_2;
    const v4 sin_8 = all(2.0) * sin_4 * cos_4;
    return all(arc.a0) * phi + all(arc.a2) * sin_2 + all(arc.a4) * sin_4 + all(arc.a6) * sin_6 +
           all(arc.a8) * sin_8;
}

struct sphere4 {
    v4 w;
    v4 c;
};

/// w and the cubic correction coefficient c of the local conformal sphere.
TARNWICK_AVX2_INLINE sphere4 conformal_sphere(const utm::detail::transverse_mercator_constants& tm,
                                              sin_cos4 phi) {
    const v4 e2 = all(tm.ellipsoid.e2);
    const v4 w2 = all(1.0) - e2 * (phi.sin * phi.sin);
    return {vsqrt(w2), e2 * w2 * (phi.cos * phi.cos) / all(tm.c_denominator)};
}

struct inverse4 {
    v4 phi;
    sin_cos4 phi_sin_cos;
    v4 delta_lambda;
    v4 tan_delta_lambda;
};

/// The inverse Transverse Mercator: `xi` metres east of the central meridian, `north` metres
/// north of the parallel of arc `origin_arc`; fixed passes from the latitude north / S.
TARNWICK_AVX2_INLINE inverse4
inverse_transverse_mercator(const utm::detail::transverse_mercator_constants& tm,
                            long_float origin_arc, v4 xi, v4 north, unsigned& doubt) {
    const v4 S = all(tm.S);
    v4 phi_0 = north / S;
    sin_cos4 phi_0_sin_cos = vsincos(phi_0);
    v4 tan_delta_lambda = all(0.0);
    for (int pass = 1; pass <= inverse_passes; ++pass) {
        const sphere4 sphere = conformal_sphere(tm, phi_0_sin_cos);
        const v4 c = sphere.c;
        const v4 w = sphere.w;
        const v4 eta = north - S * (beta(phi_0, phi_0_sin_cos, tm.ellipsoid.arc) - all(origin_arc));
        const v4 x = xi + all(3.0) * c * xi * (eta * eta) - c * (xi * xi * xi);
        const v4 y = eta - all(3.0) * c * eta * (xi * xi) + c * (eta * eta * eta);
        const v4 exp_u = vexp(x * w / S);
        const v4 tan_h = (exp_u - all(1.0) / exp_u) / all(2.0);
        const sin_cos4 on_sphere = vsincos(phi_0 + y * w / S);
        tan_delta_lambda = tan_h / on_sphere.cos;
        // Beyond the pole (cos(D) <= 0) the scalar chain decides.
        doubt |= lanes<_CMP_NGT_UQ>(on_sphere.cos, all(0.0));
        const v4 r = vsqrt(on_sphere.cos * on_sphere.cos + tan_h * tan_h);
        const v4 tan_phi = on_sphere.sin / r;
        const v4 cos_phi = r / ((exp_u + all(1.0) / exp_u) / all(2.0));
        phi_0 = vatan(tan_phi);
        phi_0_sin_cos = {tan_phi * cos_phi, cos_phi};
    }
    return {phi_0, phi_0_sin_cos, vatan(tan_delta_lambda), tan_delta_lambda};
}

struct geocentric4 {
    v4 x;
    v4 y;
    v4 z;
};

/// Earth-centred coordinates at height 0 on the ellipsoid of major axis `a`, eccentricity
/// squared `e2`.
TARNWICK_AVX2_INLINE geocentric4 geocentric_of(long_float a, long_float e2, sin_cos4 phi,
                                               sin_cos4 lambda) {
    const v4 n0 = all(a) / vsqrt(all(1.0) - all(e2) * (phi.sin * phi.sin));
    return {n0 * phi.cos * lambda.cos, n0 * phi.cos * lambda.sin, all(1.0 - e2) * n0 * phi.sin};
}

struct geodetic4 {
    v4 latitude;
    v4 longitude;
    sin_cos4 phi_sin_cos;
    sin_cos4 lambda_sin_cos;
};

/// Latitude and longitude of earth-centred points east of the polar plane (x > 0; others are
/// marked in `doubt`): the start latitude arctan(z / p (1 + e'2)) and two fixed passes.
TARNWICK_AVX2_INLINE geodetic4 geocentric_to_geodetic(long_float major_axis, long_float minor_axis,
                                                      geocentric4 g, unsigned& doubt) {
    const utm::detail::ellipsoid_constants ellipsoid =
        utm::detail::ellipsoid_constants_of(major_axis, minor_axis);
    const v4 e2 = all(ellipsoid.e2);
    const v4 a = all(major_axis);
    doubt |= lanes<_CMP_NGT_UQ>(g.x, all(0.0));
    const v4 p = vsqrt(g.x * g.x + g.y * g.y);
    const v4 lambda = vatan(g.y / g.x);
    v4 tan_phi = g.z / p * all(1.0 + ellipsoid.e_prime2);
    for (int pass = 1; pass <= geodetic_latitude_passes; ++pass) {
        tan_phi =
            g.z / (p - e2 * a / vsqrt(all(1.0) + all(1.0 - ellipsoid.e2) * (tan_phi * tan_phi)));
    }
    return {vatan(tan_phi), lambda, sin_cos_of_arctan(tan_phi, doubt), {g.y / p, g.x / p}};
}

/// The seven-parameter Helmert transformation (`inverse`: its first-order inverse).
TARNWICK_AVX2_INLINE geocentric4
helmert(const utm::datum_transformations::seven_helmert_parameters_type& set, geocentric4 g,
        bool inverse) {
    const long_float s = set.scale_factor_minus_one;
    const auto [t1, t2, t3] = set.translations;
    const auto [r1, r2, r3] = set.rotations;
    if (inverse) {
        const v4 dx = g.x - all(t1);
        const v4 dy = g.y - all(t2);
        const v4 dz = g.z - all(t3);
        const v4 k = all(1.0 - s);
        return {k * dx + all(r3) * dy + all(-r2) * dz, all(-r3) * dx + k * dy + all(r1) * dz,
                all(r2) * dx + all(-r1) * dy + k * dz};
    }
    const v4 k = all(1.0 + s);
    return {all(t1) + k * g.x + all(-r3) * g.y + all(r2) * g.z,
            all(t2) + all(r3) * g.x + k * g.y + all(-r1) * g.z,
            all(t3) + all(-r2) * g.x + all(r1) * g.y + k * g.z};
}

struct grid4 {
    v4 easting;
    v4 northing;
};

/// Sine and cosine of a - b from those of a and b.
TARNWICK_AVX2_INLINE sin_cos4 sin_cos_of_difference(sin_cos4 a, sin_cos4 b) {
    return {a.sin * b.cos - a.cos * b.sin, a.cos * b.cos + a.sin * b.sin};
}

/// The forward Transverse Mercator of `tm` at the longitude difference whose sine and cosine
/// are `dl`: false easting `east`, northing from the parallel of arc `origin_arc` plus `north`.
TARNWICK_AVX2_INLINE grid4 transverse_mercator(const utm::detail::transverse_mercator_constants& tm,
                                               long_float origin_arc, v4 east, v4 north, v4 phi,
                                               sin_cos4 phi_sin_cos, sin_cos4 dl, unsigned& doubt) {
    const sphere4 sphere = conformal_sphere(tm, phi_sin_cos);
    const v4 S = all(tm.S);
    const v4 w = sphere.w;
    const v4 c = sphere.c;
    doubt |= lanes<_CMP_NGT_UQ>(dl.cos, all(least_cos_delta_lambda));
    const v4 s = phi_sin_cos.cos * dl.sin;
    const v4 ln = vlog((all(1.0) + s) / (all(1.0) - s));
    const v4 tan_phi = phi_sin_cos.sin / phi_sin_cos.cos;
    const v4 x = S / (all(2.0) * w) * ln;
    const v4 y = (S / w) * (vatan(tan_phi / dl.cos) - phi);
    return {east + x - all(3.0) * c * x * (y * y) + c * (x * x * x),
            north + y + all(3.0) * c * (x * x) * y - c * (y * y * y) +
                S * (beta(phi, phi_sin_cos, tm.ellipsoid.arc) - all(origin_arc))};
}

/// The GRS80 side of the chain: the ellipsoid of the WGS84 latitudes and of UTM.
constexpr long_float grs80_a = utm::datum_transformations::major_axis_grs80;
constexpr long_float grs80_b = utm::datum_transformations::minor_axis_grs80;

const utm::detail::transverse_mercator_constants& utm_grs80() noexcept {
    static const utm::detail::transverse_mercator_constants tm =
        utm::detail::transverse_mercator_constants_of(grs80_a, grs80_b,
                                                      utm::scale_on_central_meridian);
    return tm;
}

/// The block's inputs, read as the arrays read them: grid values rounded to whole metres in
/// the ranges of their types, a zone of the National Grid's UTM zones, angles in range. A
/// point that does not read so is marked in `doubt` and replaced by a harmless one.
struct block_input {
    long_float a[block_size];  // easting, or latitude (radians)
    long_float b[block_size];  // northing, or longitude (radians)
    long_float zone[block_size];
};

bool whole_metres(long_float v, long_float first, long_float last, long_float& whole) {
    std::int64_t w = 0;
    if (global_types::grid_integer_of(v, first, last, {}, w) != global_types::failure_kind::none) {
        return false;
    }
    whole = static_cast<long_float>(w);
    return true;
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
                readable = r.zone[k] >= utm::datum_transformations::utm_bng::bng_zones_utm::first &&
                           r.zone[k] <= utm::datum_transformations::utm_bng::bng_zones_utm::last &&
                           r.zone[k] == std::trunc(r.zone[k]) &&
                           whole_metres(in.easting[i], global_types::easting_integer::first,
                                        global_types::easting_integer::last, r.a[k]) &&
                           whole_metres(in.northing[i], global_types::northing_integer::first,
                                        global_types::northing_integer::last, r.b[k]);
                break;
            case chain_pair::wgs84_to_bng: {
                const long_float lat = in.latitude[i];
                const long_float lon = in.longitude[i];
                readable = lat >= -90.0 && lat <= 90.0 && lon >= -180.0 && lon < 180.0;
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
    const utm::detail::ellipsoid_constants grs80 =
        utm::detail::ellipsoid_constants_of(grs80_a, grs80_b);
    const geocentric4 osgb36 = helmert(
        chain::current_parameters(), geocentric_of(grs80_a, grs80.e2, latitude, longitude), false);
    const geodetic4 on_airy =
        geocentric_to_geodetic(utm::bng::major_axis, utm::bng::minor_axis, osgb36, doubt);
    const utm::bng::conversions::detail::airy_constants& airy =
        utm::bng::conversions::detail::airy();
    return transverse_mercator(airy.tm, airy.origin_arc, all(utm::bng::false_origin_east),
                               all(utm::bng::false_origin_north), on_airy.latitude,
                               on_airy.phi_sin_cos,
                               sin_cos_of_difference(on_airy.lambda_sin_cos, origin4()), doubt);
}

/// WGS84 latitudes and longitudes (GRS80) of National Grid points.
TARNWICK_AVX2_INLINE geodetic4 bng_to_wgs84(v4 easting, v4 northing, unsigned& doubt) {
    const utm::bng::conversions::detail::airy_constants& airy =
        utm::bng::conversions::detail::airy();
    const inverse4 on_airy = inverse_transverse_mercator(
        airy.tm, airy.origin_arc, easting - all(utm::bng::false_origin_east),
        northing - all(utm::bng::false_origin_north), doubt);
    const v4 longitude = on_airy.delta_lambda + all(utm::bng::longitude_of_natural_origin);
    doubt |= beyond(longitude, pi);  // the scalar chain brings it back into -pi .. pi
    // The longitude's sine and cosine by the angle sum, as the scalar chain takes them.
    const sin_cos4 origin = origin4();
    const sin_cos4 dl = sin_cos_of_arctan(on_airy.tan_delta_lambda, doubt);
    const sin_cos4 longitude_sin_cos{dl.sin * origin.cos + dl.cos * origin.sin,
                                     dl.cos * origin.cos - dl.sin * origin.sin};
    const geocentric4 wgs84 = helmert(chain::current_parameters(),
                                      geocentric_of(utm::bng::major_axis, airy.tm.ellipsoid.e2,
                                                    on_airy.phi_sin_cos, longitude_sin_cos),
                                      true);
    return geocentric_to_geodetic(grs80_a, grs80_b, wgs84, doubt);
}

TARNWICK_AVX2 unsigned convert_on_vectors(chain_pair pair, const points& in, const results& out,
                                          std::size_t first, std::size_t count) noexcept {
    unsigned doubt = 0;
    const block_input input = read_block(pair, in, first, count, doubt);
    long_float e[block_size];
    long_float n[block_size];
    long_float zone[block_size] = {};
    switch (pair) {
        case chain_pair::bng_to_wgs84: {
            const geodetic4 g = bng_to_wgs84(load(input.a), load(input.b), doubt);
            store(g.latitude * all(degrees_per_radian), e);
            store(g.longitude * all(degrees_per_radian), n);
            doubt |= beyond(g.latitude, pi) | beyond(g.longitude, pi);
            break;
        }
        case chain_pair::bng_to_utm: {
            const geodetic4 g = bng_to_wgs84(load(input.a), load(input.b), doubt);
            // The standard zone of the longitude; a boundary meridian belongs to the zone east
            // of it, so a longitude about on one is left to the scalar chain.
            doubt |= lanes<_CMP_NGE_UQ>(g.longitude, all(-pi)) |
                     lanes<_CMP_NLT_UQ>(g.longitude, all(pi));
            const v4 q = (g.longitude * all(degrees_per_radian) + all(186.0)) / all(6.0);
            const v4 z = _mm256_floor_pd(q);
            const v4 fraction = q - z;
            doubt |= lanes<_CMP_NGE_UQ>(fraction, all(near_zone_boundary)) |
                     lanes<_CMP_NLE_UQ>(fraction, all(1.0 - near_zone_boundary));
            store(z, zone);
            const grid4 grid = transverse_mercator(
                utm_grs80(), 0.0, all(utm_false_easting), all(0.0), g.latitude, g.phi_sin_cos,
                sin_cos_of_difference(g.lambda_sin_cos, meridians(zone, doubt)), doubt);
            store(grid.easting, e);
            store(grid.northing, n);
            break;
        }
        case chain_pair::utm_to_bng: {
            const v4 z = load(input.zone);
            const v4 lambda_ref = all(pi) * (all(6.0) * z - all(183.0)) / all(180.0);
            const inverse4 g = inverse_transverse_mercator(
                utm_grs80(), 0.0, load(input.a) - all(utm_false_easting), load(input.b), doubt);
            const v4 longitude = lambda_ref + g.delta_lambda;
            doubt |= beyond(longitude, pi);
            // The longitude's sine and cosine by the angle sum, as the scalar chain takes them.
            const sin_cos4 dl = sin_cos_of_arctan(g.tan_delta_lambda, doubt);
            const sin_cos4 m = meridians(input.zone, doubt);
            const grid4 grid = wgs84_to_bng(
                g.phi_sin_cos, {dl.sin * m.cos + dl.cos * m.sin, dl.cos * m.cos - dl.sin * m.sin},
                doubt);
            store(grid.easting, e);
            store(grid.northing, n);
            break;
        }
        case chain_pair::wgs84_to_bng: {
            const grid4 grid = wgs84_to_bng(vsincos(load(input.a)), vsincos(load(input.b)), doubt);
            store(grid.easting, e);
            store(grid.northing, n);
            break;
        }
    }

    unsigned done = 0;
    for (std::size_t k = 0; k < count; ++k) {
        if ((doubt >> k & 1U) != 0) {
            continue;
        }
        const std::size_t i = first + k;
        if (pair == chain_pair::bng_to_wgs84) {
            out.latitude[i] = e[k];
            out.longitude[i] = n[k];
        } else if (pair == chain_pair::bng_to_utm) {
            // Clamped on both sides, as the chain clamps: only a half metre decides.
            std::int64_t easting = 0;
            std::int64_t northing = 0;
            constexpr global_types::grid_edges clamped{.clamp_above = true, .clamp_below = true};
            if (near_decision(e[k], 0.0, 0.0, 0.0) || near_decision(n[k], 0.0, 0.0, 0.0) ||
                global_types::grid_integer_of(e[k], global_types::easting_integer::first,
                                              global_types::easting_integer::last, clamped,
                                              easting) != global_types::failure_kind::none ||
                global_types::grid_integer_of(n[k], global_types::northing_integer::first,
                                              global_types::northing_integer::last, clamped,
                                              northing) != global_types::failure_kind::none) {
                continue;
            }
            out.zone[i] = static_cast<std::int32_t>(zone[k]);
            out.easting[i] = static_cast<std::int32_t>(easting);
            out.northing[i] = static_cast<std::int32_t>(northing);
        } else {
            std::int32_t easting = 0;
            std::int32_t northing = 0;
            if (!national_grid_integers(e[k], n[k], easting, northing)) {
                continue;
            }
            out.easting[i] = easting;
            out.northing[i] = northing;
        }
        out.status[i] = point_status::none;
        done |= 1U << k;
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
