// Helpers of the module `utm` that its projections and the National Grid, automatic-zone and
// Swiss conversions share: checks, ellipsoid constants, the meridian arc and the pieces of the
// Transverse Mercator. Internal to the library: nothing outside library/ includes this header.
#pragma once

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <numbers>

#include "global_types.hpp"
#include "long_float_math_lib.hpp"
#include "low_level_math.hpp"
#include "utm-bng.hpp"
#include "utm-datum_transformations.hpp"
#include "utm.hpp"

#include "detail/chain_steps.hpp"

namespace utm::detail {

using global_types::long_float;

using global_types::failure_kind;

// Internal linkage: it runs a template of detail/chain_steps.hpp (see there).
namespace {  // NOLINT
/// The standard zone of the longitude `lambda` (radians) as a double: the floor of
/// `zone_quotient`.
inline long_float automatic_zone_number(long_float lambda) {
    return std::floor(zone_quotient(lambda));
}
}  // namespace

/// The elementary functions of the steps on doubles: the platform's, as every one-point
/// conversion takes them.
template <>
struct lane_math<long_float> {
    static long_float sqrt(long_float x) { return low_level_math::sqrt(x); }
    static long_float exp(long_float x) { return low_level_math::exp(x); }
    static long_float log(long_float x) { return low_level_math::log(x); }
    /// The platform's one-argument arc tangent; 0 gives +0.
    static long_float arc_tangent(long_float t) { return t == 0.0 ? 0.0 : std::atan(t); }
    static low_level_math::sin_cos_type sin_cos(long_float x) { return low_level_math::sin_cos(x); }
    static long_float copysign(long_float x, long_float y) { return std::copysign(x, y); }
    static long_float fabs(long_float x) { return std::fabs(x); }
    static long_float radians_by_pi_over_180(long_float degrees) {
        return low_level_math::radians_by_pi_over_180(degrees);
    }
};

/// The central meridian of zone number `number` (0 .. 60) in whole degrees, 6 number - 183,
/// in checked 32-bit arithmetic as the zone arithmetic is specified (`constraint_error` on
/// overflow); `central_meridian_of_zone` is its value in radians.
std::int32_t central_meridian_degrees(std::int32_t number);

/// Passes of the UTM grid's inverse projection: a fixed count, settled to about 1e-8 degrees.
inline constexpr int utm_inverse_passes = 3;
/// Latitude passes from earth-centred to geodetic coordinates: a fixed count, no test.
inline constexpr int geodetic_latitude_passes = 2;

/// Raises `kind` (not `none`) with `message` when a step of a conversion failed; nothing for
/// `none`. The one-point functions raise through it what the non-raising steps return.
inline void raise_if_failed(failure_kind kind, const char* message) {
    if (kind != failure_kind::none) {
        global_types::raise(kind, message);
    }
}

/// Raises `constraint_error` naming `what` when a projected grid value is not finite, so that
/// no clamp can turn an unreachable point into a plausible number.
void require_finite(long_float value, const char* what);

/// Raises `constraint_error` for the centre of the earth, which has no latitude or longitude:
/// the one rule of every conversion from earth-centred coordinates.
void require_off_centre(const geocentric_coordinates_type& position);

/// Length of the meridian arc from the equator to latitude `phi` (radians), divided by the
/// semi-major axis; `e_sq` is the first eccentricity squared. Odd in `phi`.
long_float beta(long_float phi, long_float e_sq);

/// The series coefficients for the first eccentricity squared `e_sq`.
constexpr meridian_arc_series meridian_arc_series_of(long_float e_sq) {
    const long_float e4 = e_sq * e_sq;
    const long_float e6 = e_sq * e_sq * e_sq;
    const long_float e8 = e4 * e4;
    return {1.0 - e_sq / 4.0 - 3.0 * e4 / 64.0 - 5.0 * e6 / 256.0 - 175.0 * e8 / 16384.0,
            -3.0 * e_sq / 8.0 - 3.0 * e4 / 32.0 - 45.0 * e6 / 1024.0 - 105.0 * e8 / 4096.0,
            15.0 * e4 / 256.0 + 45.0 * e6 / 1024.0 + 525.0 * e8 / 16384.0,
            -35.0 * e6 / 3072.0 - 175.0 * e8 / 12288.0, 315.0 * e8 / 131072.0};
}

/// `beta` at a pole: the meridian arc from the equator to latitude pi/2, divided by the
/// semi-major axis, where every sine of the series vanishes.
constexpr long_float quarter_meridian(const meridian_arc_series& series) {
    return series.a0 * (std::numbers::pi / 2.0);
}

/// `beta` with the series of the ellipsoid computed ahead; the same value.
long_float beta(long_float phi, const meridian_arc_series& series);

/// `beta` at the latitude `phi` whose sine and cosine are `phi_sin_cos`: the sines of 2, 4, 6
/// and 8 phi come from them by the multiple-angle formulas (within a few units in the last
/// place of the platform's sines, some 1e-11 m on the grid).
long_float beta(long_float phi, const low_level_math::sin_cos_type& phi_sin_cos,
                const meridian_arc_series& series);

/// A latitude close to one sought, with its sine and cosine: the latitude sought then follows
/// from the small angle between them instead of from a full arc tangent. Only a latitude
/// within -90 .. 90 degrees serves; others are passed over.
struct latitude_hint {
    long_float latitude;
    low_level_math::sin_cos_type sin_cos;
};

// Internal linkage: the hinted one runs templates of detail/chain_steps.hpp (see there), and
// both stay in one namespace, so that a call finds either.
namespace {  // NOLINT
/// The arc tangent of `t` (radians) by the platform's one-argument arc tangent: the value of
/// `long_float_math_lib::arctan(t)` (which takes the two-argument one) to a unit in the last
/// place, at about half the cost. 0 gives +0, as there.
inline long_float arc_tangent(long_float t) {
    return lane_math<long_float>::arc_tangent(t);
}

/// The arc tangent of `t` (radians) as `arc_tangent(t)`, taken through `hint` where that holds
/// the same value: arctan(t) - arctan(h) = arctan((t - h) / (1 + t h)) for t h > -1, and the
/// right side is a small arc tangent when the angles are close. Elsewhere (no hint, angles far
/// apart or near the equator) the arc tangent itself.
inline long_float arc_tangent(long_float t, const latitude_hint* hint) {
    if (hint != nullptr && std::fabs(hint->latitude) >= near_angle_floor &&
        std::fabs(hint->latitude) < std::numbers::pi / 2.0) {
        const long_float c = hint->sin_cos.cos;
        const long_float denominator = near_angle_denominator(t, hint->sin_cos);
        if (c > 0.0 && denominator > 0.0) {
            const long_float x = tangent_from_near_angle(t, hint->sin_cos, denominator);
            if (std::fabs(x) <= small_arc_tangent_limit) {
                return hint->latitude + small_arc_tangent(x);
            }
        }
    }
    return arc_tangent(t);
}
}  // namespace

/// Tangents up to this size give the sine and cosine of their arc tangent from one square
/// root; steeper ones (within a few hundredths of a degree of a quarter turn, where the cosine
/// is small and its relative error would grow) through the arc tangent itself.
inline constexpr long_float steep_tangent = 1024.0;

// Internal linkage: it runs a template of detail/chain_steps.hpp (see there).
namespace {  // NOLINT
/// Sine and cosine of `arctan_t`, the arc tangent of `t`: t / sqrt(1 + t^2) and
/// 1 / sqrt(1 + t^2), the same values as the circular functions to a few units in the last
/// place.
inline low_level_math::sin_cos_type sin_cos_of_arctan(long_float t, long_float arctan_t) {
    if (std::fabs(t) <= steep_tangent) {
        return sin_cos_of_moderate_arctan(t);
    }
    return low_level_math::sin_cos(arctan_t);
}
}  // namespace

// Internal linkage: it runs a template of detail/chain_steps.hpp (see there).
namespace {  // NOLINT
/// Sine and cosine of the arc tangent of `t`; the arc tangent is taken only for steep `t`.
inline low_level_math::sin_cos_type sin_cos_of_arctan(long_float t) {
    if (std::fabs(t) <= steep_tangent) {
        return sin_cos_of_moderate_arctan(t);
    }
    return low_level_math::sin_cos(arc_tangent(t));
}
}  // namespace

/// The constants of the semi-axes `major_axis`, `minor_axis` (metres), computed.
constexpr ellipsoid_constants derive_ellipsoid_constants(long_float major_axis,
                                                         long_float minor_axis) {
    const long_float a = major_axis;
    const long_float b = minor_axis;
    const long_float e2 = (a * a - b * b) / (a * a);
    return {e2, (a * a - b * b) / (b * b), meridian_arc_series_of(e2)};
}

/// An ellipsoid: its semi-axes a, b (metres) with the constants the steps derive from them,
/// built once per ellipsoid. The chain's ellipsoids are `grs80_ellipsoid` and
/// `airy_1830_ellipsoid`, passed by identity; axes that a conversion is given as numbers are
/// derived where it is called.
struct ellipsoid_model {
    long_float a;
    long_float b;
    ellipsoid_constants constants;
};

/// The ellipsoid of the semi-axes `major_axis`, `minor_axis` (metres), derived.
constexpr ellipsoid_model ellipsoid_model_of(long_float major_axis, long_float minor_axis) {
    return {major_axis, minor_axis, derive_ellipsoid_constants(major_axis, minor_axis)};
}

/// GRS80, the WGS84 side of every exported and array conversion and of UTM there.
inline constexpr ellipsoid_model grs80_ellipsoid = ellipsoid_model_of(
    datum_transformations::major_axis_grs80, datum_transformations::minor_axis_grs80);
/// Airy 1830, the National Grid's ellipsoid.
inline constexpr ellipsoid_model airy_1830_ellipsoid =
    ellipsoid_model_of(bng::major_axis, bng::minor_axis);

/// The constants of the projection with the scale `scale` on the central meridian on the
/// ellipsoid `ellipsoid`.
constexpr transverse_mercator_constants transverse_mercator_constants_of(
    const ellipsoid_model& ellipsoid, long_float scale) {
    const long_float S = scale * ellipsoid.a;
    return {ellipsoid.constants, S, 6.0 * (1.0 - ellipsoid.constants.e2) * (S * S)};
}

/// The UTM projection on GRS80.
inline constexpr transverse_mercator_constants utm_on_grs80 =
    transverse_mercator_constants_of(grs80_ellipsoid, scale_on_central_meridian);

/// The grid distance (metres) of either pole from the equator along the central meridian of
/// the projection `tm`: the scaled major axis times the quarter meridian (9 997 964.943 m for
/// UTM on GRS80).
constexpr long_float pole_northing(const transverse_mercator_constants& tm) {
    return tm.S * quarter_meridian(tm.ellipsoid.arc);
}

/// The spherical Transverse Mercator coordinates `x`, `y` (metres) at latitude `phi` and
/// longitude difference `delta_lambda` (radians), with the cubic correction coefficient `c` of
/// the local conformal sphere; the grid is then z + c z^3 with z = x + i y.
struct conformal_grid_type {
    long_float x;
    long_float y;
    long_float c;
};

/// `conformal_sphere` and the exact spherical Transverse Mercator on the sphere of radius
/// S / w of the projection `tm` at latitude `phi` (with its sine and cosine `phi_sin_cos`) and
/// longitude difference `delta_lambda` (radians), for the forward projections; into `grid`.
/// A point 90 degrees or more from the central meridian has no result: the formulas would give
/// the grid values of a point on the other side of the earth; it fails as `beyond_reach`, the
/// kind the grid gives such a point (a logarithm of a negative number: `argument_error`).
/// Raises nothing.
failure_kind conformal_transverse_mercator(const transverse_mercator_constants& tm, long_float phi,
                                           const low_level_math::sin_cos_type& phi_sin_cos,
                                           long_float delta_lambda, conformal_grid_type& grid,
                                           failure_kind beyond_reach) noexcept;

/// The same with the sine and cosine `dl` of the longitude difference given.
failure_kind conformal_transverse_mercator(const transverse_mercator_constants& tm, long_float phi,
                                           const low_level_math::sin_cos_type& phi_sin_cos,
                                           const low_level_math::sin_cos_type& dl,
                                           conformal_grid_type& grid,
                                           failure_kind beyond_reach) noexcept;

/// Sines and cosines of the central meridians of zones 0 .. 60 (`central_meridian`), by zone,
/// computed at the first call; safe from any thread.
const std::array<low_level_math::sin_cos_type, 61>& central_meridian_sin_cos_table() noexcept;

/// Sine and cosine of the central meridian of zone 0 .. 60, from that table.
inline const low_level_math::sin_cos_type& central_meridian_sin_cos(int zone) noexcept {
    return central_meridian_sin_cos_table()[static_cast<std::size_t>(zone)];
}

/// Latitude (with its sine and cosine) and longitude difference (radians) of the inverse
/// projection.
struct inverse_transverse_mercator_type {
    long_float phi;
    low_level_math::sin_cos_type phi_sin_cos;
    long_float delta_lambda;
    long_float tan_delta_lambda;
};

/// The inverse Transverse Mercator of the projection `tm`: `xi` metres east of the central
/// meridian, `north` metres north of the parallel whose meridian arc (divided by the major
/// axis) is `origin_arc`. Starts at the latitude `north` / S and runs `passes` passes of the
/// local sphere around the latitude found so far (no convergence test): cubic correction,
/// spherical inverse, new latitude (from the angle on the sphere by a small arc tangent where
/// that holds). Within a pass the longitude difference is needed only through its tangent;
/// its arc tangent is taken after the last pass. Without `angles` the longitude difference
/// itself is NaN (a caller that needs only its sine and cosine saves that arc tangent).
/// Raises nothing.
inverse_transverse_mercator_type inverse_transverse_mercator(
    const transverse_mercator_constants& tm, long_float origin_arc, long_float xi, long_float north,
    int passes, bool angles = true) noexcept;

// Internal linkage: it runs a template of detail/chain_steps.hpp (see there).
namespace {  // NOLINT
/// Earth-centred coordinates (metres) of latitude and longitude given by their sines and
/// cosines and height `h` (metres) on the ellipsoid of major axis `a` and first eccentricity
/// squared `e2` (`geocentric_at`).
inline geocentric_coordinates_type geocentric_of(long_float a, long_float e2,
                                                 const low_level_math::sin_cos_type& phi,
                                                 const low_level_math::sin_cos_type& lambda,
                                                 long_float h) noexcept {
    const xyz_of<long_float> g = geocentric_at(a, e2, phi, lambda, h);
    return {g.x, g.y, g.z};
}
}  // namespace

/// Latitude (with its sine and cosine), longitude (radians) and height (metres) of an
/// earth-centred point.
struct geodetic_type {
    long_float latitude;
    long_float longitude;
    long_float altitude;
    low_level_math::sin_cos_type phi_sin_cos;
    low_level_math::sin_cos_type lambda_sin_cos;  ///< y / p, x / p
};

/// The parts of `geodetic_type` a caller needs besides the latitude; those left out are NaN
/// (off the polar axis), which spares their arc tangent, square roots and divisions.
struct geodetic_parts {
    bool longitude = true;
    bool height = true;
    bool sines = true;  ///< the sines and cosines of the latitude and the longitude
};

/// Earth-centred coordinates (metres) to latitude, longitude and height on `ellipsoid`, into
/// `geodetic`: two fixed latitude passes from
/// the start latitude arctan(z / p (1 + e'2)); a pass needs only the tangent of the latitude
/// before it, so the arc tangent is taken after the last pass (through `hint`, a latitude
/// close to the result, where given). The polar axis gives the nearer pole; the centre of the
/// earth has no result (`constraint_error`). Raises nothing.
failure_kind geocentric_to_geodetic(const ellipsoid_model& ellipsoid,
                                    const geocentric_coordinates_type& position,
                                    geodetic_type& geodetic, const latitude_hint* hint = nullptr,
                                    geodetic_parts parts = {}) noexcept;

/// Latitude and longitude (radians, in [-pi, pi]), each with its sine and cosine, of a UTM grid
/// point of `zone` on `ellipsoid`: `utm::grid_to_lat_long_without_convergence`, into
/// `result`, with the kind (`constraint_error` beyond the pole) instead of a raised failure.
/// Without `angles` the longitude is NaN (its sine and cosine are there). Raises nothing.
struct grid_lat_long_type {
    long_float latitude;
    long_float longitude;
    low_level_math::sin_cos_type latitude_sin_cos;
    low_level_math::sin_cos_type longitude_sin_cos;
};
failure_kind utm_grid_to_lat_long(const ellipsoid_model& ellipsoid,
                                  global_types::easting_integer easting,
                                  global_types::northing_integer northing,
                                  global_types::zone_integer zone, grid_lat_long_type& result,
                                  bool angles = true) noexcept;

/// Brings a longitude that left [-pi, pi] by less than a turn back into it (radians).
long_float normalised_longitude(long_float lambda_0);

}  // namespace utm::detail
