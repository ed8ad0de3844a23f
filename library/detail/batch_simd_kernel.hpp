// The block kernel's body, written once for every vector width: the chain's four pairs on
// `lane_count` points at once. A kernel unit (library/batch_simd.cpp for AVX2,
// library/batch_simd_avx512.cpp for AVX-512) includes it after defining, for its own width and
// processor target, in batch::simd's unnamed namespace:
//   vec             the vector of `lane_count` doubles (a vector extension type);
//   lane_count      points per vector;
//   lane_functions  the vector maths library's sqrt, exp, log, arc_tangent, sin, cos;
//                   round<mode>(x) by the rounding mode of the intrinsics; select(bits, a, b),
//                   a's lanes where the bits are set and b's elsewhere; compare<predicate>(a, b),
//                   the lanes (bits) where the comparison holds;
//   TARNWICK_KERNEL_TARGET  its processor target (a string, for detail/batch_simd.hpp's
//                   TARNWICK_KERNEL and TARNWICK_KERNEL_INLINE).
// Everything here has internal linkage, so each unit gets its own copy compiled for its target,
// over the chain's step templates it included under that target. Internal to the library.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <numbers>
#include <span>

#include "low_level_math.hpp"

// The chain's steps, compiled here for the unit's target (they have internal linkage): so the
// vectors run the scalar steps' own expression trees. What that header includes is included
// above, so that the target reaches nothing but the steps; the other headers come after it.
#include "detail/batch_simd.hpp"
TARNWICK_KERNEL_BEGIN
#include "detail/chain_steps.hpp"
TARNWICK_KERNEL_END

#include "global_types.hpp"
#include "utm-bng.hpp"
#include "utm-datum_transformations-utm_bng.hpp"
#include "utm-datum_transformations.hpp"
#include "utm.hpp"

#include "detail/batch_input.hpp"
#include "detail/batch_simd.hpp"
#include "detail/bng-conversions.hpp"
#include "detail/helmert_chain.hpp"
#include "detail/utm.hpp"

/// The elementary functions of the steps on the unit's vectors.
template <>
struct utm::detail::lane_math<batch::simd::vec> {
    using vec = batch::simd::vec;
    using unit = batch::simd::lane_functions;
    // The sign bits, by the integers of the lanes.
    using bits = std::int64_t __attribute__((vector_size(sizeof(vec))));
    TARNWICK_KERNEL_INLINE static vec sqrt(vec x) { return unit::sqrt(x); }
    TARNWICK_KERNEL_INLINE static vec exp(vec x) { return unit::exp(x); }
    TARNWICK_KERNEL_INLINE static vec log(vec x) { return unit::log(x); }
    TARNWICK_KERNEL_INLINE static vec arc_tangent(vec x) { return unit::arc_tangent(x); }
    TARNWICK_KERNEL_INLINE static low_level_math::sin_cos_of<vec> sin_cos(vec x) {
        return {unit::sin(x), unit::cos(x)};
    }
    TARNWICK_KERNEL_INLINE static vec copysign(vec x, vec y) {
        const bits sign = bits{} + std::numeric_limits<std::int64_t>::min();
        return reinterpret_cast<vec>((reinterpret_cast<bits>(x) & ~sign) |
                                     (reinterpret_cast<bits>(y) & sign));
    }
    TARNWICK_KERNEL_INLINE static vec fabs(vec x) {
        return reinterpret_cast<vec>(reinterpret_cast<bits>(x) &
                                     (bits{} + std::numeric_limits<std::int64_t>::max()));
    }
    /// `low_level_math::radians_by_pi_over_180` in every lane.
    TARNWICK_KERNEL_INLINE static vec radians_by_pi_over_180(vec degrees) {
        return std::numbers::pi * degrees / 180.0;
    }
};

namespace batch::simd {

namespace {

using global_types::long_float;
using low_level_math::degrees_per_radian;
using math = utm::detail::lane_math<vec>;
using sin_cos_lanes = low_level_math::sin_cos_of<vec>;
using xyz_lanes = utm::detail::xyz_of<vec>;
using grid_lanes = utm::detail::plane_of<vec>;
namespace chain = utm::datum_transformations::detail;
constexpr long_float pi = std::numbers::pi;

/// `x` in every lane.
TARNWICK_KERNEL_INLINE vec all(long_float x) {
    vec v{};
    for (std::size_t k = 0; k < lane_count; ++k) {
        v[k] = x;
    }
    return v;
}
TARNWICK_KERNEL_INLINE vec load(const long_float* x) {
    vec v{};
    std::memcpy(&v, x, sizeof v);
    return v;
}
TARNWICK_KERNEL_INLINE void store(vec v, long_float (&x)[lane_count]) {
    std::memcpy(x, &v, sizeof v);
}
TARNWICK_KERNEL_INLINE vec floor_lanes(vec x) {
    return lane_functions::round<_MM_FROUND_TO_NEG_INF>(x);
}
/// The nearest whole number in every lane, halves to even.
TARNWICK_KERNEL_INLINE vec nearest_lanes(vec x) {
    return lane_functions::round<_MM_FROUND_TO_NEAREST_INT>(x);
}
TARNWICK_KERNEL_INLINE vec select_lanes(unsigned bits, vec a, vec b) {
    return lane_functions::select(bits, a, b);
}
/// Lanes (bits) where the comparison `a` op `b` holds; unordered (NaN) lanes as the predicate
/// says.
template <int predicate>
TARNWICK_KERNEL_INLINE unsigned lanes(vec a, vec b) {
    return lane_functions::compare<predicate>(a, b);
}

// Distances from a decision of the chain within which the vector results' last bits could
// decide otherwise than the scalar ones (some 1e-8 m on the grids, 1e-14 in a zone number);
// a point that near is converted point by point instead.
constexpr long_float near_grid_decision = 1e-6;  // metres
constexpr long_float near_zone_boundary = 1e-9;  // zones (1e-9 zone: under a millimetre)
// Away from a quarter turn from the central meridian: the scalar chain decides near it.
constexpr long_float least_cos_delta_lambda = 0.01;

/// Lanes where `x` is not within `limit` in magnitude (NaN included).
TARNWICK_KERNEL_INLINE unsigned beyond(vec x, long_float limit) {
    return lanes<_CMP_NLE_UQ>(math::fabs(x), all(limit));
}

/// Sine and cosine of the arc tangent of `t` from one square root; steep tangents, where the
/// scalar chain takes the arc tangent itself, are marked in `doubt`.
TARNWICK_KERNEL_INLINE sin_cos_lanes sin_cos_of_arctan(vec t, unsigned& doubt) {
    doubt |= beyond(t, utm::detail::steep_tangent);
    return utm::detail::sin_cos_of_moderate_arctan(t);
}

/// The lanes of a block, all set.
constexpr unsigned every_lane_bit = (1U << lane_count) - 1U;

/// An angle by the scalar steps' shortcut `near` (an angle plus a small arc tangent) in the
/// lanes of `serves`, and by the arc tangent of `tangent` in the others; a block that the
/// shortcut serves throughout takes no arc tangent.
TARNWICK_KERNEL_INLINE vec near_or_arc_tangent(unsigned serves, vec near, vec tangent) {
    return serves == every_lane_bit ? near : select_lanes(serves, near, math::arc_tangent(tangent));
}

/// Lanes where the small arc tangent of `t` serves: |t| within `small_arc_tangent_limit`.
TARNWICK_KERNEL_INLINE unsigned small_tangent(vec t) {
    return every_lane_bit &
           ~lanes<_CMP_NLE_UQ>(math::fabs(t), all(utm::detail::small_arc_tangent_limit));
}

/// Lanes of the angles `h` a shortcut may start from: |h| from `near_angle_floor` up to (not
/// including) a quarter turn.
TARNWICK_KERNEL_INLINE unsigned principal_near_angle(vec h) {
    return every_lane_bit &
           ~(lanes<_CMP_NGE_UQ>(math::fabs(h), all(utm::detail::near_angle_floor)) |
             lanes<_CMP_NLT_UQ>(math::fabs(h), all(pi / 2.0)));
}

/// The latitude of an inverse pass as the scalar step takes it (`latitude_from_sphere`): D
/// plus the small arc tangent of tan(phi - D) where that serves, else arctan(sin(D) / r).
TARNWICK_KERNEL_INLINE vec latitude_from_sphere(const utm::detail::inverse_pass_of<vec>& p) {
    const vec t = utm::detail::latitude_from_sphere_tangent(p.on_sphere, p.tan_h, p.r);
    return near_or_arc_tangent(principal_near_angle(p.D) & small_tangent(t),
                               p.D + utm::detail::small_arc_tangent(t), p.on_sphere.sin / p.r);
}

/// arctan(`t`) as the scalar step takes it from the nearby latitude `hint` (with its sine and
/// cosine): the hint plus a small arc tangent where that serves.
TARNWICK_KERNEL_INLINE vec arc_tangent_near(vec t, vec hint, const sin_cos_lanes& hint_sin_cos) {
    const vec denominator = utm::detail::near_angle_denominator(t, hint_sin_cos);
    const vec x = utm::detail::tangent_from_near_angle(t, hint_sin_cos, denominator);
    const unsigned serves = principal_near_angle(hint) & small_tangent(x) &
                            ~lanes<_CMP_NGT_UQ>(hint_sin_cos.cos, all(0.0)) &
                            ~lanes<_CMP_NGT_UQ>(denominator, all(0.0));
    return near_or_arc_tangent(serves, hint + utm::detail::small_arc_tangent(x), t);
}

struct inverse_lanes {
    vec phi;
    sin_cos_lanes phi_sin_cos;
    vec delta_lambda;
    vec tan_delta_lambda;
};

/// The inverse Transverse Mercator: `xi` metres east of the central meridian, `north` metres
/// north of the parallel of arc `origin_arc`; `passes` fixed passes from the latitude north / S.
TARNWICK_KERNEL_INLINE inverse_lanes
inverse_transverse_mercator(const utm::detail::transverse_mercator_constants& tm,
                            long_float origin_arc, vec xi, vec north, int passes, unsigned& doubt) {
    const long_float inverse_S = 1.0 / tm.S;
    vec phi_0 = north / tm.S;
    sin_cos_lanes phi_0_sin_cos = math::sin_cos(phi_0);
    vec tan_h = all(0.0);
    vec cos_D = all(1.0);
    for (int pass = 1; pass <= passes; ++pass) {
        const utm::detail::inverse_pass_of<vec> p =
            utm::detail::inverse_pass(tm, inverse_S, origin_arc, xi, north, phi_0, phi_0_sin_cos);
        // Beyond the pole (cos(D) <= 0) the scalar chain decides.
        doubt |= lanes<_CMP_NGT_UQ>(p.on_sphere.cos, all(0.0));
        tan_h = p.tan_h;
        cos_D = p.on_sphere.cos;
        phi_0_sin_cos = p.phi_sin_cos;
        phi_0 = latitude_from_sphere(p);
    }
    const vec tan_delta_lambda = tan_h / cos_D;
    return {phi_0, phi_0_sin_cos, math::arc_tangent(tan_delta_lambda), tan_delta_lambda};
}

struct geodetic_lanes {
    vec latitude;
    vec longitude;
    sin_cos_lanes phi_sin_cos;
    sin_cos_lanes lambda_sin_cos;
};

/// A latitude near the one sought, with its sine and cosine.
struct latitude_hint_lanes {
    vec latitude;
    sin_cos_lanes sin_cos;
};

/// Latitude and longitude of earth-centred points east of the polar plane (x > 0; others are
/// marked in `doubt`) on the ellipsoid of `constants` with major axis `a`: the start latitude
/// arctan(z / p (1 + e'2)) and the fixed passes; the latitude from the nearby one `hint`.
TARNWICK_KERNEL_INLINE geodetic_lanes
geocentric_to_geodetic(const utm::detail::ellipsoid_constants& constants, long_float a, xyz_lanes g,
                       const latitude_hint_lanes& hint, unsigned& doubt) {
    doubt |= lanes<_CMP_NGT_UQ>(g.x, all(0.0));
    const vec p = math::sqrt(g.x * g.x + g.y * g.y);
    const vec lambda = math::arc_tangent(g.y / g.x);
    const vec tan_phi = utm::detail::geodetic_latitude_tangents(
                            constants, a, g.z, p, utm::detail::geodetic_latitude_passes)
                            .tan_phi;
    return {arc_tangent_near(tan_phi, hint.latitude, hint.sin_cos),
            lambda,
            sin_cos_of_arctan(tan_phi, doubt),
            {g.y / p, g.x / p}};
}

/// The spherical projection's northward angle as the scalar step takes it
/// (`sphere_latitude_offset`): the small arc tangent of its tangent where phi is a principal
/// angle with cos(phi) > 0 and that serves, else arctan(tan(phi) / cos(delta_lambda)) - phi.
TARNWICK_KERNEL_INLINE vec latitude_offset(vec phi, const sin_cos_lanes& phi_sin_cos,
                                           const sin_cos_lanes& dl) {
    const vec t = utm::detail::latitude_offset_tangent(phi_sin_cos, dl);
    const unsigned serves = every_lane_bit & small_tangent(t) &
                            ~lanes<_CMP_NLT_UQ>(math::fabs(phi), all(pi / 2.0)) &
                            ~lanes<_CMP_NGT_UQ>(phi_sin_cos.cos, all(0.0));
    const vec near = utm::detail::small_arc_tangent(t);
    return serves == every_lane_bit
               ? near
               : select_lanes(serves, near, utm::detail::latitude_offset(phi, phi_sin_cos, dl));
}

/// The forward Transverse Mercator of `tm` at the longitude difference whose sine and cosine
/// are `dl`: false easting `east`, northing from the parallel of arc `origin_arc` plus `north`.
TARNWICK_KERNEL_INLINE grid_lanes transverse_mercator(
    const utm::detail::transverse_mercator_constants& tm, long_float origin_arc, vec east,
    vec north, vec phi, sin_cos_lanes phi_sin_cos, sin_cos_lanes dl, unsigned& doubt) {
    const utm::detail::sphere_of<vec> sphere = utm::detail::conformal_sphere_of(tm, phi_sin_cos);
    doubt |= lanes<_CMP_NGT_UQ>(dl.cos, all(least_cos_delta_lambda));
    const grid_lanes z = utm::detail::spherical_grid(
        tm.S, sphere, math::log(utm::detail::log_argument(phi_sin_cos, dl)),
        latitude_offset(phi, phi_sin_cos, dl));
    const grid_lanes grid = utm::detail::forward_corrected(east, north, z, sphere.c);
    return {grid.x, grid.y + tm.S * (utm::detail::meridian_arc(phi, phi_sin_cos, tm.ellipsoid.arc) -
                                     origin_arc)};
}

/// The lanes of a block from its `count` points on, which hold no point.
TARNWICK_KERNEL_INLINE unsigned lanes_from(std::size_t count) {
    return ((1U << lane_count) - 1U) & ~((1U << count) - 1U);
}

/// The values `first` .. `first + count - 1` of `column` in the lanes, `pad` in the others.
TARNWICK_KERNEL_INLINE vec load_column(std::span<const double> column, std::size_t first,
                                       std::size_t count, double pad) {
    if (count == lane_count) {
        return load(column.data() + first);
    }
    double padded[lane_count];
    for (std::size_t k = 0; k < lane_count; ++k) {
        padded[k] = k < count ? column[first + k] : pad;
    }
    return load(padded);
}

// What a lane that holds no readable point computes instead: a point well inside the chain's
// ground.
constexpr long_float harmless_grid_value = 400000.0;  // metres
constexpr long_float harmless_zone = 30.0;
constexpr long_float harmless_latitude = 0.9;  // radians
constexpr long_float harmless_longitude = 0.0;

/// Grid values (metres) read as the arrays read them (`input::grid_value`): rounded to whole
/// metres, halves away from zero, and then in `first` .. `last`. The nearest whole metre is
/// that rounding wherever the value is no half; a half, NaN, an infinity and a value outside
/// the range are marked in `doubt` (the point-by-point way reads them) and computed as a
/// harmless value.
TARNWICK_KERNEL_INLINE vec read_whole_metres(vec v, long_float first, long_float last,
                                             unsigned& doubt) {
    const vec whole = nearest_lanes(v);
    const unsigned unsure = lanes<_CMP_EQ_UQ>(math::fabs(v - whole), all(0.5)) |
                            lanes<_CMP_NGE_UQ>(whole, all(first)) |
                            lanes<_CMP_NLE_UQ>(whole, all(last));
    doubt |= unsure;
    return select_lanes(unsure, all(harmless_grid_value), whole);
}

/// The block's inputs, read as the arrays read them: grid values rounded to whole metres in
/// the ranges of their types, a zone of the National Grid's UTM zones, angles in range (in
/// radians). A point that does not read so is marked in `doubt` and computed as a harmless one.
struct block_input {
    vec a;  // easting, or latitude (radians)
    vec b;  // northing, or longitude (radians)
    vec zone;
};

TARNWICK_KERNEL_INLINE block_input read_block(chain_pair pair, const points& in, std::size_t first,
                                              std::size_t count, unsigned& doubt) {
    using global_types::easting_integer;
    using global_types::northing_integer;
    using utm::bng::easting_integer_bng;
    using utm::bng::northing_integer_bng;
    using zones = utm::datum_transformations::utm_bng::bng_zones_utm;
    doubt |= lanes_from(count);
    switch (pair) {
        case chain_pair::bng_to_utm:
        case chain_pair::bng_to_wgs84:
            return {
                read_whole_metres(load_column(in.easting, first, count, harmless_grid_value),
                                  easting_integer_bng::first, easting_integer_bng::last, doubt),
                read_whole_metres(load_column(in.northing, first, count, harmless_grid_value),
                                  northing_integer_bng::first, northing_integer_bng::last, doubt),
                all(harmless_zone)};
        case chain_pair::utm_to_bng: {
            // A whole number among the National Grid's zones: `input::is_zone` and the range.
            const vec zone = load_column(in.zone, first, count, harmless_zone);
            const unsigned not_zone = lanes<_CMP_NEQ_UQ>(zone, floor_lanes(zone)) |
                                      lanes<_CMP_NGE_UQ>(zone, all(zones::first)) |
                                      lanes<_CMP_NLE_UQ>(zone, all(zones::last));
            doubt |= not_zone;
            return {read_whole_metres(load_column(in.easting, first, count, harmless_grid_value),
                                      easting_integer::first, easting_integer::last, doubt),
                    read_whole_metres(load_column(in.northing, first, count, harmless_grid_value),
                                      northing_integer::first, northing_integer::last, doubt),
                    select_lanes(not_zone, all(harmless_zone), zone)};
        }
        case chain_pair::wgs84_to_bng:
            break;
    }
    // `input::latitude_fault` and `input::longitude_fault` on the degrees.
    const vec latitude = load_column(in.latitude, first, count, 0.0);
    const vec longitude = load_column(in.longitude, first, count, 0.0);
    doubt |= lanes<_CMP_NLE_UQ>(math::fabs(latitude), all(input::latitude_limit)) |
             lanes<_CMP_NGE_UQ>(longitude, all(-input::longitude_limit)) |
             lanes<_CMP_NLT_UQ>(longitude, all(input::longitude_limit));
    return {select_lanes(doubt, all(harmless_latitude), latitude / degrees_per_radian),
            select_lanes(doubt, all(harmless_longitude), longitude / degrees_per_radian),
            all(harmless_zone)};
}

/// The nearest whole metres of grid values `v` where they are the integers of the rule of
/// `global_types::grid_integer_of` (rounding, the tolerance or clamping beyond the range) for
/// the scalar chain's values too: clear of a half metre and inside `first` .. `last` by
/// `near_grid_decision`. The other lanes are marked in `doubt`.
TARNWICK_KERNEL_INLINE vec sure_whole_metres(vec v, long_float first, long_float last,
                                             unsigned& doubt) {
    const vec whole = nearest_lanes(v);
    doubt |= lanes<_CMP_LT_OQ>(math::fabs(math::fabs(v - whole) - 0.5), all(near_grid_decision)) |
             lanes<_CMP_NGE_UQ>(v, all(first + near_grid_decision)) |
             lanes<_CMP_NLE_UQ>(v, all(last - near_grid_decision));
    return whole;
}

/// Sine and cosine of the central meridians of the (northern) zones `zone`; a lane in `doubt`
/// may hold no zone and gets zone 1's.
TARNWICK_KERNEL_INLINE sin_cos_lanes meridians(vec zone, unsigned doubt) {
    long_float z[lane_count];
    long_float s[lane_count];
    long_float c[lane_count];
    store(zone, z);
    const auto& table = utm::detail::central_meridian_sin_cos_table();
    for (std::size_t k = 0; k < lane_count; ++k) {
        const low_level_math::sin_cos_type& m =
            table[(doubt >> k & 1U) != 0 ? 1 : static_cast<std::size_t>(z[k])];
        s[k] = m.sin;
        c[k] = m.cos;
    }
    return {load(s), load(c)};
}

/// Sine and cosine of the National Grid's central meridian in every lane.
TARNWICK_KERNEL_INLINE sin_cos_lanes origin_lanes() {
    const low_level_math::sin_cos_type& o = utm::bng::conversions::detail::natural_origin_sin_cos();
    return {all(o.sin), all(o.cos)};
}

/// National Grid values (metres, unrounded) of WGS84 latitudes (with their sines and cosines)
/// and longitudes (their sines and cosines) on GRS80.
TARNWICK_KERNEL_INLINE grid_lanes wgs84_to_bng(const latitude_hint_lanes& latitude,
                                               sin_cos_lanes longitude, unsigned& doubt) {
    using utm::detail::grs80_ellipsoid;
    const xyz_lanes osgb36 = utm::detail::small_rotation_helmert(
        chain::current_parameters(),
        utm::detail::geocentric_at(grs80_ellipsoid.a, grs80_ellipsoid.constants.e2,
                                   latitude.sin_cos, longitude, all(0.0)));
    // The datum shift moves the latitude by a few hundred-thousandths of a radian at most.
    const geodetic_lanes on_airy =
        geocentric_to_geodetic(utm::detail::airy_1830_ellipsoid.constants,
                               utm::detail::airy_1830_ellipsoid.a, osgb36, latitude, doubt);
    const utm::bng::conversions::detail::airy_constants& airy =
        utm::bng::conversions::detail::airy();
    return transverse_mercator(
        airy.tm, airy.origin_arc, all(utm::bng::false_origin_east),
        all(utm::bng::false_origin_north), on_airy.latitude, on_airy.phi_sin_cos,
        utm::detail::sin_cos_of_difference(on_airy.lambda_sin_cos, origin_lanes()), doubt);
}

/// WGS84 latitudes and longitudes (GRS80) of National Grid points.
TARNWICK_KERNEL_INLINE geodetic_lanes bng_to_wgs84(vec easting, vec northing, unsigned& doubt) {
    const utm::bng::conversions::detail::airy_constants& airy =
        utm::bng::conversions::detail::airy();
    const inverse_lanes on_airy =
        inverse_transverse_mercator(airy.tm, airy.origin_arc, easting - utm::bng::false_origin_east,
                                    northing - utm::bng::false_origin_north,
                                    utm::bng::conversions::detail::inverse_passes, doubt);
    const vec longitude = on_airy.delta_lambda + utm::bng::longitude_of_natural_origin;
    doubt |= beyond(longitude, pi);  // the scalar chain brings it back into -pi .. pi
    // The longitude's sine and cosine by the angle sum, as the scalar chain takes them.
    const sin_cos_lanes longitude_sin_cos = utm::detail::sin_cos_of_sum(
        sin_cos_of_arctan(on_airy.tan_delta_lambda, doubt), origin_lanes());
    const xyz_lanes wgs84 = utm::detail::inverse_small_rotation_helmert(
        chain::current_parameters(),
        utm::detail::geocentric_at(utm::detail::airy_1830_ellipsoid.a, airy.tm.ellipsoid.e2,
                                   on_airy.phi_sin_cos, longitude_sin_cos, all(0.0)));
    return geocentric_to_geodetic(utm::detail::grs80_ellipsoid.constants,
                                  utm::detail::grs80_ellipsoid.a, wgs84,
                                  {on_airy.phi, on_airy.phi_sin_cos}, doubt);
}

/// The block's results: grid values in whole metres or angles (degrees), and zones.
struct block_output {
    vec e;  // easting, or latitude
    vec n;  // northing, or longitude
    vec zone;
};

/// National Grid values (metres, unrounded) in whole metres, where the grid's rule is sure to
/// give the same for the scalar chain's values; the other lanes marked in `doubt`.
TARNWICK_KERNEL_INLINE block_output national_grid_output(const grid_lanes& grid, unsigned& doubt) {
    using utm::bng::easting_integer_bng;
    using utm::bng::northing_integer_bng;
    return {
        sure_whole_metres(grid.x, easting_integer_bng::first, easting_integer_bng::last, doubt),
        sure_whole_metres(grid.y, northing_integer_bng::first, northing_integer_bng::last, doubt),
        all(0.0)};
}

/// BNG -> WGS84 on the block, in degrees.
TARNWICK_KERNEL_INLINE block_output bng_to_wgs84_block(const block_input& input, unsigned& doubt) {
    const geodetic_lanes g = bng_to_wgs84(input.a, input.b, doubt);
    doubt |= beyond(g.latitude, pi) | beyond(g.longitude, pi);
    return {g.latitude * degrees_per_radian, g.longitude * degrees_per_radian, all(0.0)};
}

/// BNG -> UTM in the zone of the longitude on the block, in whole metres.
TARNWICK_KERNEL_INLINE block_output bng_to_utm_block(const block_input& input, unsigned& doubt) {
    using global_types::easting_integer;
    using global_types::northing_integer;
    const geodetic_lanes g = bng_to_wgs84(input.a, input.b, doubt);
    // The standard zone of the longitude; a boundary meridian belongs to the zone east of it,
    // so a longitude about on one is left to the scalar chain.
    doubt |= lanes<_CMP_NGE_UQ>(g.longitude, all(-pi)) | lanes<_CMP_NLT_UQ>(g.longitude, all(pi));
    const vec q = utm::detail::zone_quotient(g.longitude);
    const vec z = floor_lanes(q);
    const vec fraction = q - z;
    doubt |= lanes<_CMP_NGE_UQ>(fraction, all(near_zone_boundary)) |
             lanes<_CMP_NLE_UQ>(fraction, all(1.0 - near_zone_boundary));
    const grid_lanes grid = transverse_mercator(
        utm::detail::utm_on_grs80, 0.0, all(utm::false_easting), all(0.0), g.latitude,
        g.phi_sin_cos, utm::detail::sin_cos_of_difference(g.lambda_sin_cos, meridians(z, doubt)),
        doubt);
    // The projection's edge rule clamps beyond the range: inside it only a half metre decides.
    return {sure_whole_metres(grid.x, easting_integer::first, easting_integer::last, doubt),
            sure_whole_metres(grid.y, northing_integer::first, northing_integer::last, doubt), z};
}

/// UTM (zones 29 .. 31) -> BNG on the block, in whole metres.
TARNWICK_KERNEL_INLINE block_output utm_to_bng_block(const block_input& input, unsigned& doubt) {
    const vec lambda_ref = utm::detail::central_meridian_of_zone(input.zone);
    const inverse_lanes g =
        inverse_transverse_mercator(utm::detail::utm_on_grs80, 0.0, input.a - utm::false_easting,
                                    input.b, utm::detail::utm_inverse_passes, doubt);
    doubt |= beyond(lambda_ref + g.delta_lambda, pi);
    // The longitude's sine and cosine by the angle sum, as the scalar chain takes them.
    const grid_lanes grid =
        wgs84_to_bng({g.phi, g.phi_sin_cos},
                     utm::detail::sin_cos_of_sum(sin_cos_of_arctan(g.tan_delta_lambda, doubt),
                                                 meridians(input.zone, doubt)),
                     doubt);
    return national_grid_output(grid, doubt);
}

/// WGS84 -> BNG on the block, in whole metres.
TARNWICK_KERNEL_INLINE block_output wgs84_to_bng_block(const block_input& input, unsigned& doubt) {
    return national_grid_output(
        wgs84_to_bng({input.a, math::sin_cos(input.a)}, math::sin_cos(input.b), doubt), doubt);
}

/// Writes the results of `pair` from `r` of the points `first + k` for the bits k of `done`,
/// with `ok` status.
TARNWICK_KERNEL_INLINE void write_block(chain_pair pair, const block_output& r, unsigned done,
                                        const results& out, std::size_t first) {
    long_float e[lane_count];
    long_float n[lane_count];
    long_float zone[lane_count];
    store(r.e, e);
    store(r.n, n);
    store(r.zone, zone);
    for (std::size_t k = 0; k < lane_count; ++k) {
        if ((done >> k & 1U) == 0) {
            continue;
        }
        const std::size_t i = first + k;
        if (pair == chain_pair::bng_to_wgs84) {
            out.latitude[i] = e[k];
            out.longitude[i] = n[k];
        } else {
            out.easting[i] = static_cast<std::int32_t>(e[k]);
            out.northing[i] = static_cast<std::int32_t>(n[k]);
            if (pair == chain_pair::bng_to_utm) {
                out.zone[i] = static_cast<std::int32_t>(zone[k]);
            }
        }
        out.status[i] = point_status::none;
    }
}

TARNWICK_KERNEL unsigned convert_on_vectors(chain_pair pair, const points& in, const results& out,
                                            std::size_t first, std::size_t count) noexcept {
    unsigned doubt = 0;
    const block_input input = read_block(pair, in, first, count, doubt);
    block_output r{};
    switch (pair) {
        case chain_pair::bng_to_wgs84:
            r = bng_to_wgs84_block(input, doubt);
            break;
        case chain_pair::bng_to_utm:
            r = bng_to_utm_block(input, doubt);
            break;
        case chain_pair::utm_to_bng:
            r = utm_to_bng_block(input, doubt);
            break;
        case chain_pair::wgs84_to_bng:
            r = wgs84_to_bng_block(input, doubt);
            break;
    }
    const unsigned done = ~doubt & ((1U << count) - 1U);
    write_block(pair, r, done, out, first);
    return done;
}

}  // namespace
}  // namespace batch::simd
