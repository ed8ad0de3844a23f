#include "utm.hpp"

#include "detail/utm.hpp"

#include <cmath>
#include <limits>
#include <numbers>

#include "long_float_math_lib.hpp"
#include "low_level_math.hpp"
#include "utm-bng.hpp"
#include "utm-datum_transformations.hpp"

namespace utm {

// The shared helpers of the projection are defined below, in their own namespace.
using namespace detail;

namespace {
// Axes of the published ellipsoids, rounded to whole metres.
constexpr ellipsoid_type clarke_1880{6378249.0, 6356515.0};
constexpr ellipsoid_type australian_national{6378160.0, 6356775.0};
constexpr ellipsoid_type international_1924{6378388.0, 6356912.0};
constexpr ellipsoid_type everest_1830{6377276.0, 6356075.0};
constexpr ellipsoid_type everest_1975{6377301.0, 6356100.0};
constexpr ellipsoid_type modified_airy{6377340.0, 6356034.0};
constexpr ellipsoid_type everest_1948{6377304.0, 6356103.0};
constexpr ellipsoid_type clarke_1866{6378206.0, 6356583.0};
constexpr ellipsoid_type bessel_1841{6377397.0, 6356079.0};
constexpr ellipsoid_type wgs_84{6378137.0, 6356752.0};
constexpr ellipsoid_type helmert_1906{6378200.0, 6356818.0};
constexpr ellipsoid_type airy_1830{6377563.0, 6356257.0};
constexpr ellipsoid_type bessel_namibia{6377484.0, 6356166.0};
constexpr ellipsoid_type everest_sabah{6377299.0, 6356098.0};
constexpr ellipsoid_type wgs_72{6378135.0, 6356751.0};
}  // namespace

const reference_ellipsoid_table reference_ellipsoids{{
    clarke_1880,          // 1
    clarke_1880,          // 2
    australian_national,  // 3
    australian_national,  // 4
    international_1924,   // 5
    international_1924,   // 6
    clarke_1880,          // 7
    clarke_1880,          // 8
    international_1924,   // 9
    international_1924,   // 10
    international_1924,   // 11
    international_1924,   // 12
    international_1924,   // 13
    international_1924,   // 14
    international_1924,   // 15
    international_1924,   // 16
    international_1924,   // 17
    clarke_1880,          // 18
    international_1924,   // 19
    international_1924,   // 20
    international_1924,   // 21
    everest_1830,         // 22
    everest_1975,         // 23
    modified_airy,        // 24
    everest_1948,         // 25
    clarke_1880,          // 26
    clarke_1866,          // 27
    bessel_1841,          // 28
    clarke_1880,          // 29
    clarke_1880,          // 30
    clarke_1880,          // 31
    wgs_84,               // 32
    clarke_1866,          // 33
    clarke_1866,          // 34
    clarke_1866,          // 35
    clarke_1866,          // 36
    helmert_1906,         // 37
    airy_1830,            // 38
    clarke_1866,          // 39
    international_1924,   // 40
    international_1924,   // 41
    international_1924,   // 42
    australian_national,  // 43
    bessel_namibia,       // 44
    everest_sabah,        // 45
    bessel_1841,          // 46
    wgs_84,               // 47
    wgs_72,               // 48
    international_1924,   // 49
    wgs_84,               // 50
    wgs_84,               // 51
    wgs_84,               // 52
    wgs_84,               // 53
    wgs_84,               // 54
    wgs_84,               // 55
    wgs_84,               // 56
    wgs_84,               // 57
    wgs_84,               // 58
    wgs_84,               // 59
    wgs_84,               // 60
}};

std::string_view image(utm_status_type status) {
    switch (status) {
        case utm_status_type::success:
            return "SUCCESS";
        case utm_status_type::not_in_extended_zone:
            return "NOT_IN_EXTENDED_ZONE";
        case utm_status_type::different_spheroids:
            return "DIFFERENT_SPHEROIDS";
    }
    throw global_types::constraint_error("invalid data");
}

bool operator==(const range_and_azimuth_record& l, const range_and_azimuth_record& r) {
    if (l.status != r.status)
        return false;
    if (l.status != utm_status_type::success)
        return true;
    return l.grid_ref_north == r.grid_ref_north && l.range_in_metres == r.range_in_metres;
}

bool operator==(const range_record& l, const range_record& r) {
    if (l.status != r.status)
        return false;
    return l.status != utm_status_type::success || l.range_in_metres == r.range_in_metres;
}

void start_up() {
    // The zone arithmetic of the projections works in 32-bit integers; its widest value,
    // the central meridian of zone 60 in degrees, is computed once with overflow checks.
    (void)detail::central_meridian_degrees(60);
}

// ---- Transverse Mercator projection of the UTM grid -------------------------------------

namespace {

using global_types::constraint_error;
using global_types::easting_integer;
using global_types::northing_integer;
using global_types::zone_integer;

constexpr long_float pi = std::numbers::pi;
constexpr long_float half_pi = pi / 2.0;
constexpr long_float two_pi = 2.0 * pi;
constexpr long_float southern_false_northing = 10000000.0;  // metres, zones < 0

/// The constants of one zone's projection on one ellipsoid.
struct zone_projection {
    transverse_mercator_constants tm;  // S = k0 a, e2, e'2, ...
    long_float lambda_ref;             // central meridian, radians
    long_float FN;                     // false northing, metres
};

zone_projection zone_projection_of(const ellipsoid_model& ellipsoid, zone_integer zone) {
    return {transverse_mercator_constants_of(ellipsoid, scale_on_central_meridian),
            central_meridian(zone), false_northing(zone)};
}

/// Grid convergence (radians) at the latitude whose sine and cosine are `phi` and longitude
/// difference `dl`.
long_float convergence(long_float e_prime_sq, const low_level_math::sin_cos_type& phi,
                       long_float dl) {
    const long_float cos_phi = phi.cos;
    const long_float sin_phi = phi.sin;
    const long_float eta2 = e_prime_sq * (cos_phi * cos_phi);
    return dl * sin_phi + (dl * dl * dl / 3.0) * sin_phi * (cos_phi * cos_phi) *
                              (1.0 + 3.0 * eta2 + 2.0 * (eta2 * eta2));
}

/// Grid convergence (radians) at latitude `phi` and longitude difference `dl`.
long_float convergence(long_float e_prime_sq, long_float phi, long_float dl) {
    return convergence(e_prime_sq, low_level_math::sin_cos(phi), dl);
}

}  // namespace

long_float central_meridian(zone_integer zone) {
    const std::int32_t number = std::abs(static_cast<std::int32_t>(zone));
    // The checked degrees are exact in a double: the same value as pi (6 number - 183) / 180.
    return low_level_math::radians_by_pi_over_180(
        static_cast<long_float>(central_meridian_degrees(number)));
}

long_float false_northing(zone_integer zone) {
    return zone < 0 ? southern_false_northing : 0.0;
}

namespace detail {

std::int32_t central_meridian_degrees(std::int32_t number) {
    return global_types::checked_add(global_types::checked_mul(zone_width_degrees, number),
                                     zone_0_central_meridian_degrees);
}

void require_off_centre(const geocentric_coordinates_type& position) {
    if (position.x == 0.0 && position.y == 0.0 && position.z == 0.0) {
        throw constraint_error("range check failed: the centre of the earth has no latitude");
    }
}

void require_finite(long_float value, const char* what) {
    if (!std::isfinite(value)) {
        throw constraint_error(std::string("range check failed: ") + what +
                               " is not a finite number");
    }
}

long_float beta(long_float phi, long_float e_sq) {
    return beta(phi, meridian_arc_series_of(e_sq));
}

long_float beta(long_float phi, const meridian_arc_series& series) {
    const auto [a0, a2, a4, a6, a8] = series;
    return a0 * phi + a2 * low_level_math::sin(2.0 * phi) + a4 * low_level_math::sin(4.0 * phi) +
           a6 * low_level_math::sin(6.0 * phi) + a8 * low_level_math::sin(8.0 * phi);
}

long_float beta(long_float phi, const low_level_math::sin_cos_type& phi_sin_cos,
                const meridian_arc_series& series) {
    return meridian_arc(phi, phi_sin_cos, series);
}

failure_kind conformal_transverse_mercator(const transverse_mercator_constants& tm, long_float phi,
                                           const low_level_math::sin_cos_type& phi_sin_cos,
                                           long_float delta_lambda, conformal_grid_type& grid,
                                           failure_kind beyond_reach) noexcept {
    return conformal_transverse_mercator(tm, phi, phi_sin_cos,
                                         low_level_math::sin_cos(delta_lambda), grid, beyond_reach);
}

namespace {

/// arctan(tan(phi) / cos(delta_lambda)) - phi, the spherical projection's northward angle
/// from the latitude, for cos(delta_lambda) > 0. Where phi is a principal angle and the
/// difference small it is the arc tangent of tan(a - phi) =
/// sin(phi) cos(phi) sin^2(delta_lambda) / ((1 + cos(delta_lambda)) (cos^2(phi) cos(delta_lambda)
/// + sin^2(phi))): a short series instead of a full arc tangent, and no cancellation.
long_float sphere_latitude_offset(long_float phi, const low_level_math::sin_cos_type& phi_sin_cos,
                                  const low_level_math::sin_cos_type& dl) {
    if (std::fabs(phi) < half_pi && phi_sin_cos.cos > 0.0) {
        const long_float t = latitude_offset_tangent(phi_sin_cos, dl);
        if (std::fabs(t) <= small_arc_tangent_limit) {
            return small_arc_tangent(t);
        }
    }
    return latitude_offset(phi, phi_sin_cos, dl);
}

}  // namespace

failure_kind conformal_transverse_mercator(const transverse_mercator_constants& tm, long_float phi,
                                           const low_level_math::sin_cos_type& phi_sin_cos,
                                           const low_level_math::sin_cos_type& dl,
                                           conformal_grid_type& grid,
                                           failure_kind beyond_reach) noexcept {
    const sphere_of<long_float> sphere = conformal_sphere_of(tm, phi_sin_cos);
    // From 90 degrees on, arctan(tan(phi) / cos(delta_lambda)) turns to the other side of the
    // earth and the grid values, though finite, are those of a mirrored point.
    if (!(dl.cos > 0.0)) {
        return beyond_reach;
    }
    const long_float ratio = log_argument(phi_sin_cos, dl);
    if (ratio < 0.0) {
        return failure_kind::argument_error;
    }
    if (ratio == 0.0) {
        return beyond_reach;  // exactly a quarter turn away, on the equator
    }
    const plane_of<long_float> z = spherical_grid(tm.S, sphere, low_level_math::log(ratio),
                                                  sphere_latitude_offset(phi, phi_sin_cos, dl));
    grid = {z.x, z.y, sphere.c};
    return failure_kind::none;
}

namespace {

/// The latitude arctan(tan_phi) of an inverse pass from the angle D on the sphere (with its
/// sine and cosine), sinh(u) and r = sqrt(cos^2(D) + sinh^2(u)) signed as cos(D), where
/// tan_phi = sin(D) / r. The latitude lies a little closer to the equator than D:
/// tan(phi - D) = -sin(D) sinh^2(u) / ((cos(D) + r) (r cos(D) + sin^2(D))), whose small arc
/// tangent spares the full one; near the equator, the poles or far from the central meridian
/// the full one.
long_float latitude_from_sphere(long_float D, const low_level_math::sin_cos_type& on_sphere,
                                long_float sinh_u, long_float r) {
    if (std::fabs(D) >= near_angle_floor && std::fabs(D) < half_pi) {
        const long_float t = latitude_from_sphere_tangent(on_sphere, sinh_u, r);
        if (std::fabs(t) <= small_arc_tangent_limit) {
            return D + small_arc_tangent(t);
        }
    }
    return arc_tangent(on_sphere.sin / r);
}

}  // namespace

inverse_transverse_mercator_type inverse_transverse_mercator(
    const transverse_mercator_constants& tm, long_float origin_arc, long_float xi, long_float north,
    int passes, bool angles) noexcept {
    const long_float inverse_S = 1.0 / tm.S;
    long_float phi_0 = north / tm.S;
    low_level_math::sin_cos_type phi_0_sin_cos = low_level_math::sin_cos(phi_0);
    long_float tan_h = 0.0;
    long_float cos_D = 1.0;
    for (int pass = 1; pass <= passes; ++pass) {
        const inverse_pass_of<long_float> p =
            inverse_pass(tm, inverse_S, origin_arc, xi, north, phi_0, phi_0_sin_cos);
        tan_h = p.tan_h;
        cos_D = p.on_sphere.cos;
        phi_0_sin_cos = p.phi_sin_cos;
        phi_0 = latitude_from_sphere(p.D, p.on_sphere, p.tan_h, p.r);
    }
    const long_float tan_delta_lambda = tan_h / cos_D;
    const long_float delta_lambda =
        angles ? arc_tangent(tan_delta_lambda) : std::numeric_limits<long_float>::quiet_NaN();
    return {phi_0, phi_0_sin_cos, delta_lambda, tan_delta_lambda};
}

failure_kind geocentric_to_geodetic(const ellipsoid_model& model,
                                    const geocentric_coordinates_type& position,
                                    geodetic_type& geodetic, const latitude_hint* hint,
                                    geodetic_parts parts) noexcept {
    const long_float a = model.a;
    const long_float b = model.b;
    const long_float x = position.x;
    const long_float y = position.y;
    const long_float z = position.z;
    const ellipsoid_constants& ellipsoid = model.constants;
    const long_float e2 = ellipsoid.e2;
    const long_float p = low_level_math::sqrt(x * x + y * y);

    if (p == 0.0) {
        // On the polar axis the latitude iteration would divide by zero; the pole is the answer.
        if (x == 0.0 && y == 0.0 && z == 0.0) {
            return failure_kind::constraint_error;  // the centre of the earth
        }
        const long_float sign = z > 0.0 ? 1.0 : -1.0;
        geodetic = {sign * half_pi, 0.0, std::abs(z) - b, {sign, 0.0}, {0.0, 1.0}};
        return failure_kind::none;
    }

    constexpr long_float none = std::numeric_limits<long_float>::quiet_NaN();
    // East of the polar plane (x > 0) the one-argument arctangent of y / x, as it always was;
    // for x <= 0 that formula is off by pi or divides by zero, so the quadrant counts there.
    const long_float lambda_c = !parts.longitude ? none
                                : x > 0.0        ? arc_tangent(y / x)
                                                 : long_float_math_lib::arctan(y, x);
    // The height from the last pass's latitude.
    const latitude_tangents_of<long_float> tangents =
        geodetic_latitude_tangents(ellipsoid, a, z, p, geodetic_latitude_passes);
    const long_float tan_phi_c = tangents.tan_phi;
    long_float h_c = none;
    if (parts.height) {
        const low_level_math::sin_cos_type last_pass = sin_cos_of_arctan(tangents.tan_last_pass);
        h_c = p / last_pass.cos -
              a / low_level_math::sqrt(1.0 - e2 * (last_pass.sin * last_pass.sin));
    }
    const long_float phi_c = arc_tangent(tan_phi_c, hint);
    geodetic = {phi_c, lambda_c, h_c,
                parts.sines ? sin_cos_of_arctan(tan_phi_c, phi_c)
                            : low_level_math::sin_cos_type{none, none},
                parts.sines ? low_level_math::sin_cos_type{y / p, x / p}
                            : low_level_math::sin_cos_type{none, none}};
    return failure_kind::none;
}

const std::array<low_level_math::sin_cos_type, 61>& central_meridian_sin_cos_table() noexcept {
    static const std::array<low_level_math::sin_cos_type, 61> table = [] {
        std::array<low_level_math::sin_cos_type, 61> t{};
        for (int z = 0; z <= 60; ++z) {
            t[static_cast<std::size_t>(z)] =
                low_level_math::sin_cos(central_meridian_of_zone(static_cast<long_float>(z)));
        }
        return t;
    }();
    return table;
}

long_float normalised_longitude(long_float lambda_0) {
    if (lambda_0 < -pi)
        return two_pi - std::abs(lambda_0);
    if (lambda_0 > pi)
        return std::abs(lambda_0) - two_pi;
    return lambda_0;
}

}  // namespace detail

namespace {

/// The inverse projection's result before the convergence: latitude, longitude (radians, in
/// [-pi, pi]) and the unwrapped longitude difference of the last pass. `far_side`: the point
/// lies more than a quarter turn from the central meridian, so the longitude difference's
/// cosine is negative although `tan_delta_lambda` alone would make it positive.
struct inverse_projection_type {
    long_float latitude;
    long_float longitude;
    long_float delta_lambda;
    low_level_math::sin_cos_type latitude_sin_cos;
    long_float tan_delta_lambda;
    bool far_side = false;
};

/// Grid northings up to this far (metres) beyond the pole's are the rounding of a point at or
/// beside the pole. Further out lie only the grid values of points more than a quarter turn
/// from the central meridian, which the forward projection refuses; the inverse formulas would
/// turn them over into the other hemisphere.
constexpr long_float pole_rounding = 0.5;

/// The point of a zone's grid, into `point`; more than `pole_rounding` beyond the pole's grid
/// northing none (`constraint_error`). Within `pole_rounding` beyond it the central meridian's grid
/// value is the pole itself, and a point beside it one a little more than a quarter turn from
/// the central meridian, found from its mirror image in the grid line through the pole (where
/// the meridians a quarter turn away lie): the projection is symmetric about that line.
failure_kind inverse_projection(const zone_projection& p, easting_integer easting,
                                northing_integer northing, bool angles,
                                inverse_projection_type& point) noexcept {
    const long_float xi = static_cast<long_float>(easting.value()) - false_easting;
    long_float north = static_cast<long_float>(northing.value()) - p.FN;
    const long_float pole = pole_northing(p.tm);
    const long_float beyond = std::fabs(north) - pole;
    if (beyond > pole_rounding) {
        return failure_kind::constraint_error;
    }
    if (beyond > 0.0 && xi == 0.0) {
        const long_float sign = north > 0.0 ? 1.0 : -1.0;
        point = {sign * half_pi, normalised_longitude(p.lambda_ref), 0.0, {sign, 0.0}, 0.0};
        return failure_kind::none;
    }
    const bool far_side = beyond > 0.0;
    if (far_side) {
        north = std::copysign(pole - beyond, north);
    }
    const inverse_transverse_mercator_type inverse =
        inverse_transverse_mercator(p.tm, 0.0, xi, north, utm_inverse_passes, angles);
    const long_float delta_lambda =
        far_side ? std::copysign(pi, inverse.delta_lambda) - inverse.delta_lambda
                 : inverse.delta_lambda;
    point = {inverse.phi,
             normalised_longitude(p.lambda_ref + delta_lambda),
             delta_lambda,
             inverse.phi_sin_cos,
             far_side ? -inverse.tan_delta_lambda : inverse.tan_delta_lambda,
             far_side};
    return failure_kind::none;
}

inverse_projection_type inverse_projection(const zone_projection& p, easting_integer easting,
                                           northing_integer northing) {
    inverse_projection_type point{};
    raise_if_failed(inverse_projection(p, easting, northing, true, point),
                    "range check failed: northing beyond the pole");
    return point;
}

}  // namespace

grid_to_lat_long_result grid_to_lat_long(long_float major_axis, long_float minor_axis,
                                         easting_integer easting, northing_integer northing,
                                         zone_integer zone) {
    const zone_projection p = zone_projection_of(ellipsoid_model_of(major_axis, minor_axis), zone);
    const inverse_projection_type point = inverse_projection(p, easting, northing);
    return {point.latitude, point.longitude,
            convergence(p.tm.ellipsoid.e_prime2, point.latitude_sin_cos, point.delta_lambda)};
}

failure_kind detail::utm_grid_to_lat_long(const ellipsoid_model& ellipsoid, easting_integer easting,
                                          northing_integer northing, zone_integer zone,
                                          grid_lat_long_type& result, bool angles) noexcept {
    inverse_projection_type point{};
    if (const failure_kind fault = inverse_projection(zone_projection_of(ellipsoid, zone), easting,
                                                      northing, angles, point);
        fault != failure_kind::none) {
        return fault;
    }
    // The longitude's sine and cosine by the angle sum from the difference's tangent and the
    // central meridian's: no further sine.
    low_level_math::sin_cos_type dl = sin_cos_of_arctan(point.tan_delta_lambda);
    if (point.far_side) {
        dl = {-dl.sin, -dl.cos};
    }
    const low_level_math::sin_cos_type& m = central_meridian_sin_cos(std::abs(zone.value()));
    result = {point.latitude, point.longitude, point.latitude_sin_cos, sin_cos_of_sum(dl, m)};
    return failure_kind::none;
}

lat_long_type grid_to_lat_long_without_convergence(long_float major_axis, long_float minor_axis,
                                                   easting_integer easting,
                                                   northing_integer northing, zone_integer zone) {
    const inverse_projection_type point = inverse_projection(
        zone_projection_of(ellipsoid_model_of(major_axis, minor_axis), zone), easting, northing);
    return {point.latitude, point.longitude};
}

grid_to_lat_long_result grid_to_lat_long(global_types::spheroid_integer spheroid,
                                         easting_integer easting, northing_integer northing,
                                         zone_integer zone) {
    const ellipsoid_type& ellipsoid = reference_ellipsoids[spheroid];
    return grid_to_lat_long(ellipsoid.major_semi_axis, ellipsoid.minor_semi_axis, easting, northing,
                            zone);
}

namespace {

/// The forward projection of `zone`'s grid `p` before rounding, into `grid`; a point a quarter
/// turn or more from the central meridian has none (`constraint_error`). Raises nothing.
failure_kind zone_grid(const zone_projection& p, long_float latitude, long_float longitude,
                       lat_long_to_grid_unrounded_result& grid) noexcept {
    const long_float S = p.tm.S;
    const long_float phi = latitude;
    const long_float dl = longitude - p.lambda_ref;  // deliberately not reduced to (-pi, pi]
    // One sine and cosine of the latitude serve the projection and the convergence.
    const low_level_math::sin_cos_type phi_sin_cos = low_level_math::sin_cos(phi);
    conformal_grid_type z{};
    if (const failure_kind fault = conformal_transverse_mercator(p.tm, phi, phi_sin_cos, dl, z,
                                                                 failure_kind::constraint_error);
        fault != failure_kind::none) {
        return fault;
    }
    // The meridian arc enters the northing before the spherical part, as the zone's grid sums.
    const plane_of<long_float> corrected = forward_corrected(
        false_easting, p.FN + S * meridian_arc(phi, phi_sin_cos, p.tm.ellipsoid.arc), {z.x, z.y},
        z.c);
    grid = {corrected.x, corrected.y, convergence(p.tm.ellipsoid.e_prime2, phi_sin_cos, dl)};
    return failure_kind::none;
}

}  // namespace

lat_long_to_grid_unrounded_result lat_long_to_grid_unrounded(long_float major_axis,
                                                             long_float minor_axis,
                                                             long_float latitude,
                                                             long_float longitude,
                                                             zone_integer zone) {
    lat_long_to_grid_unrounded_result grid{};
    raise_if_failed(zone_grid(zone_projection_of(ellipsoid_model_of(major_axis, minor_axis), zone),
                              latitude, longitude, grid),
                    "range check failed: 90 degrees or more from the central meridian");
    return grid;
}

lat_long_to_grid_result lat_long_to_grid(long_float major_axis, long_float minor_axis,
                                         long_float latitude, long_float longitude,
                                         zone_integer zone) {
    const lat_long_to_grid_unrounded_result grid =
        lat_long_to_grid_unrounded(major_axis, minor_axis, latitude, longitude, zone);
    // A value beyond the grid's ranges is no position of the grid: it fails on either side, as
    // a clamp to the edge would report another point.
    const auto easting = global_types::to_grid_integer<easting_integer>(grid.easting, "easting");
    const auto northing =
        global_types::to_grid_integer<northing_integer>(grid.northing, "northing");
    return {easting, northing, grid.convergence};
}

lat_long_to_grid_result lat_long_to_grid(global_types::spheroid_integer spheroid,
                                         long_float latitude, long_float longitude,
                                         zone_integer zone) {
    const ellipsoid_type& ellipsoid = reference_ellipsoids[spheroid];
    return lat_long_to_grid(ellipsoid.major_semi_axis, ellipsoid.minor_semi_axis, latitude,
                            longitude, zone);
}

// ---- end of the Transverse Mercator projection -------------------------------------------

// ---- Geocentric, local east-north-up, scale factor and zone change ----------------------

namespace {

/// sin and cos of a latitude and a longitude, the rotation between ECEF and ENU axes.
struct enu_rotation {
    long_float sin_phi, cos_phi, sin_lambda, cos_lambda;
};

enu_rotation enu_rotation_at(long_float phi, long_float lambda) {
    return {low_level_math::sin(phi), low_level_math::cos(phi), low_level_math::sin(lambda),
            low_level_math::cos(lambda)};
}

}  // namespace

geocentric_coordinates_type lat_long_to_geocentric(long_float major_axis, long_float minor_axis,
                                                   long_float latitude, long_float longitude,
                                                   long_float altitude) {
    return geocentric_of(major_axis, derive_ellipsoid_constants(major_axis, minor_axis).e2,
                         {low_level_math::sin(latitude), low_level_math::cos(latitude)},
                         {low_level_math::sin(longitude), low_level_math::cos(longitude)},
                         altitude);
}

geocentric_coordinates_type lat_long_to_geocentric(global_types::spheroid_integer spheroid,
                                                   long_float latitude, long_float longitude,
                                                   long_float altitude) {
    const ellipsoid_type& ellipsoid = reference_ellipsoids[spheroid];
    return lat_long_to_geocentric(ellipsoid.major_semi_axis, ellipsoid.minor_semi_axis, latitude,
                                  longitude, altitude);
}

enu_to_lat_long_result enu_to_lat_long(long_float major_axis, long_float minor_axis,
                                       long_float east, long_float north, long_float up,
                                       const geocentric_coordinates_type& enu_origin,
                                       long_float origin_latitude, long_float origin_longitude) {
    const long_float a = major_axis;
    const long_float b = minor_axis;
    const auto [e2, e_prime2, arc] = derive_ellipsoid_constants(a, b);
    const enu_rotation r = enu_rotation_at(origin_latitude, origin_longitude);

    const long_float x = enu_origin.x - east * r.sin_lambda - north * r.sin_phi * r.cos_lambda +
                         up * r.cos_phi * r.cos_lambda;
    const long_float y = enu_origin.y + east * r.cos_lambda - north * r.sin_phi * r.sin_lambda +
                         up * r.cos_phi * r.sin_lambda;
    const long_float z = enu_origin.z + north * r.cos_phi + up * r.sin_phi;
    require_finite(x, "x");
    require_finite(y, "y");
    require_finite(z, "z");
    require_off_centre({x, y, z});

    const long_float p = long_float_math_lib::sqrt(x * x + y * y);
    // Only a point exactly on the axis has no longitude: x^2 + y^2 can underflow to 0 for a
    // point beside it, whose quadrant still counts.
    const long_float longitude = x == 0.0 && y == 0.0 ? 0.0 : long_float_math_lib::arctan(y, x);
    if (p == 0.0) {
        // On the polar axis, over the nearer pole.
        return {z > 0.0 ? half_pi : -half_pi, longitude, std::abs(z) - b};
    }

    long_float phi = long_float_math_lib::arctan((1.0 + e_prime2) * z / p);
    long_float h = 0.0;
    for (int pass = 1; pass <= geodetic_latitude_passes; ++pass) {
        const long_float sin_phi = low_level_math::sin(phi);
        const long_float n = a / long_float_math_lib::sqrt(1.0 - e2 * (sin_phi * sin_phi));
        h = p / low_level_math::cos(phi) - n;
        const long_float f = n / (n + h);
        phi = long_float_math_lib::arctan(z / (p * (1.0 - e2 * f)));
    }
    require_finite(phi, "latitude");
    require_finite(h, "altitude");
    return {phi, longitude, h};
}

enu_to_lat_long_result enu_to_lat_long(global_types::spheroid_integer spheroid, long_float east,
                                       long_float north, long_float up,
                                       const geocentric_coordinates_type& enu_origin,
                                       long_float origin_latitude, long_float origin_longitude) {
    const ellipsoid_type& ellipsoid = reference_ellipsoids[spheroid];
    return enu_to_lat_long(ellipsoid.major_semi_axis, ellipsoid.minor_semi_axis, east, north, up,
                           enu_origin, origin_latitude, origin_longitude);
}

utm_to_enu_result utm_to_enu(long_float major_axis, long_float minor_axis, easting_integer easting,
                             northing_integer northing, long_float altitude,
                             long_float reference_latitude, long_float reference_longitude,
                             const geocentric_coordinates_type& reference_geocentric_position,
                             zone_integer reference_zone) {
    const grid_to_lat_long_result point =
        grid_to_lat_long(major_axis, minor_axis, easting, northing, reference_zone);
    const geocentric_coordinates_type p =
        lat_long_to_geocentric(major_axis, minor_axis, point.latitude, point.longitude, altitude);
    const long_float dx = p.x - reference_geocentric_position.x;
    const long_float dy = p.y - reference_geocentric_position.y;
    const long_float dz = p.z - reference_geocentric_position.z;
    const enu_rotation r = enu_rotation_at(reference_latitude, reference_longitude);
    return {-r.sin_lambda * dx + r.cos_lambda * dy,
            -r.sin_phi * r.cos_lambda * dx - r.sin_phi * r.sin_lambda * dy + r.cos_phi * dz,
            r.cos_phi * r.cos_lambda * dx + r.cos_phi * r.sin_lambda * dy + r.sin_phi * dz};
}

utm_to_enu_result utm_to_enu(global_types::spheroid_integer spheroid, easting_integer easting,
                             northing_integer northing, long_float altitude,
                             long_float reference_latitude, long_float reference_longitude,
                             const geocentric_coordinates_type& reference_geocentric_position,
                             zone_integer reference_zone) {
    const ellipsoid_type& ellipsoid = reference_ellipsoids[spheroid];
    return utm_to_enu(ellipsoid.major_semi_axis, ellipsoid.minor_semi_axis, easting, northing,
                      altitude, reference_latitude, reference_longitude,
                      reference_geocentric_position, reference_zone);
}

enu_to_utm_result enu_to_utm(long_float major_axis, long_float minor_axis, long_float east,
                             long_float north, long_float up, easting_integer reference_x_utm,
                             northing_integer reference_y_utm, long_float reference_h_utm,
                             zone_integer reference_zone, long_float reference_latitude,
                             long_float reference_longitude) {
    const long_float a = major_axis;
    const auto [e2, e_prime2, arc] = derive_ellipsoid_constants(a, minor_axis);
    const long_float phi_r = reference_latitude;
    const long_float X = static_cast<long_float>(reference_x_utm.value());
    const long_float Y = static_cast<long_float>(reference_y_utm.value());
    const long_float H = reference_h_utm;
    const long_float lambda_ref = central_meridian(reference_zone);

    const long_float rp2 = east * east + north * north;  // horizontal distance squared
    const long_float r2 = rp2 + up * up;                 // slant distance squared

    // Radii of curvature at the reference point.
    const long_float sin_phi = low_level_math::sin(phi_r);
    const long_float cos_phi = low_level_math::cos(phi_r);
    const long_float n_sq = a * a / (1.0 - e2 * (sin_phi * sin_phi));  // prime vertical, squared
    const long_float eta2 = e_prime2 * (cos_phi * cos_phi);
    const long_float r0 = long_float_math_lib::sqrt(n_sq / (1.0 + eta2));  // mean radius

    const long_float h = long_float_math_lib::sqrt((r0 + H + up) * (r0 + H + up) + rp2) - r0;

    // Grid convergence and point scale at the reference point, reduced to its height.
    const long_float gamma = convergence(e_prime2, phi_r, reference_longitude - lambda_ref);
    const long_float xc = X - false_easting;
    const long_float k = scale_on_central_meridian * (1.0 + xc * xc * (1.0 + eta2) / (2.0 * n_sq)) *
                         (r0 + H) / (r0 + H + up);

    const long_float theta =
        east == 0.0 && north == 0.0 ? 0.0 : long_float_math_lib::arctan(north, east);
    const long_float horizontal = long_float_math_lib::sqrt(rp2);
    const long_float y1 = Y + horizontal * k * low_level_math::sin(theta + gamma);
    const long_float x1 = X + horizontal * k * low_level_math::cos(theta + gamma);

    // Arc-to-chord correction of the line from the reference point.
    const long_float delta = (y1 - Y) * (2.0 * xc + (x1 - false_easting)) / (6.0 * r0 * r0);
    const long_float slant = long_float_math_lib::sqrt(r2);
    const long_float x = X + slant * k * low_level_math::cos(theta + gamma - delta);
    const long_float y = Y + slant * k * low_level_math::sin(theta + gamma - delta);

    require_finite(h, "height");
    return {global_types::to_grid_integer<easting_integer>(x, "easting"),
            global_types::to_grid_integer<northing_integer>(y, "northing"), h};
}

enu_to_utm_result enu_to_utm(global_types::spheroid_integer spheroid, long_float east,
                             long_float north, long_float up, easting_integer reference_x_utm,
                             northing_integer reference_y_utm, long_float reference_h_utm,
                             zone_integer reference_zone, long_float reference_latitude,
                             long_float reference_longitude) {
    const ellipsoid_type& ellipsoid = reference_ellipsoids[spheroid];
    return enu_to_utm(ellipsoid.major_semi_axis, ellipsoid.minor_semi_axis, east, north, up,
                      reference_x_utm, reference_y_utm, reference_h_utm, reference_zone,
                      reference_latitude, reference_longitude);
}

long_float calculate_scale_factor(global_types::spheroid_integer spheroid, easting_integer easting,
                                  long_float latitude) {
    const ellipsoid_type& ellipsoid = reference_ellipsoids[spheroid];
    const long_float a = ellipsoid.major_semi_axis;
    const long_float e2 = derive_ellipsoid_constants(a, ellipsoid.minor_semi_axis).e2;
    const long_float t = static_cast<long_float>(easting.value()) - false_easting;
    const long_float sin_phi = low_level_math::sin(latitude);
    const long_float w2 = 1.0 - e2 * (sin_phi * sin_phi);
    const long_float nu = a / long_float_math_lib::sqrt(w2);  // prime vertical radius
    const long_float rho = (1.0 - e2) * nu / w2;              // meridian radius
    const long_float eta2 = nu / rho - 1.0;
    const long_float t2 = t * t;
    return scale_on_central_meridian *
           (1.0 + t2 / (2.0 * rho * nu) +
            t2 * t2 * (1.0 + 4.0 * eta2) / (24.0 * rho * rho * nu * nu));
}

bool is_in_extended_zone(zone_integer zone, zone_integer working_zone) {
    const int z = zone;
    const int w = working_zone;
    // Zones 60 and 1 are neighbours across the antimeridian; only as positive values.
    if (z == 60)
        return w == 60 || w == 59 || w == 1;
    if (z == 1)
        return w == 1 || w == 60 || w == 2;
    return std::abs(std::abs(z) - std::abs(w)) <= 1;
}

namespace {

/// The position of `point` (zone, easting, northing) projected into `working_zone`.
global_types::utm_coordinates_record reprojected(const global_types::utm_coordinates_record& point,
                                                 zone_integer working_zone,
                                                 global_types::spheroid_integer working_spheroid) {
    const grid_to_lat_long_result geodetic =
        grid_to_lat_long(working_spheroid, point.easting, point.northing, point.zone);
    const lat_long_to_grid_result grid =
        lat_long_to_grid(working_spheroid, geodetic.latitude, geodetic.longitude, working_zone);
    return {working_zone, grid.easting, grid.northing};
}

}  // namespace

utm_status_type convert_utm_zone(const global_types::utm_coordinates_record& original_point,
                                 global_types::utm_coordinates_record& resultant_point,
                                 zone_integer working_zone,
                                 global_types::spheroid_integer working_spheroid) noexcept {
    if (!is_in_extended_zone(original_point.zone, working_zone))
        return utm_status_type::not_in_extended_zone;
    if (original_point.zone == working_zone) {
        resultant_point = original_point;
        return utm_status_type::success;
    }
    try {
        resultant_point = reprojected(original_point, working_zone, working_spheroid);
        return utm_status_type::success;
    } catch (...) {
        return utm_status_type::not_in_extended_zone;
    }
}

utm_status_type convert_utm_zone(
    const global_types::utm_coordinates_and_altitude_record& original_point,
    global_types::utm_coordinates_and_altitude_record& resultant_point, zone_integer working_zone,
    global_types::spheroid_integer working_spheroid) noexcept {
    if (!is_in_extended_zone(original_point.position.zone, working_zone))
        return utm_status_type::not_in_extended_zone;
    try {
        resultant_point = {original_point.altitude,
                           reprojected(original_point.position, working_zone, working_spheroid)};
        return utm_status_type::success;
    } catch (...) {
        return utm_status_type::not_in_extended_zone;
    }
}

// ---- end of the geocentric, ENU, scale factor and zone change operations -----------------

}  // namespace utm
