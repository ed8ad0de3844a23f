#include "utm-sncs-conversions.hpp"

#include <cmath>
#include <limits>
#include <numbers>
#include <string>

#include "long_float_math_lib.hpp"
#include "low_level_math.hpp"

#include "detail/sncs-conversions.hpp"
#include "detail/utm.hpp"

namespace utm::sncs::conversions {

namespace {
namespace lf = long_float_math_lib;
namespace ll = low_level_math;

constexpr long_float quarter_pi = std::numbers::pi / 4.0;
constexpr long_float half_pi = std::numbers::pi / 2.0;

// ln((1 + e sin(phi)) / (1 - e sin(phi))): the eccentricity term of the conformal latitude.
long_float eccentricity_log(long_float e, long_float phi) {
    const long_float e_sin = e * ll::sin(phi);
    return lf::log((1.0 + e_sin) / (1.0 - e_sin));
}

}  // namespace

namespace detail {

start_up_values_type derive_start_up_values() {
    start_up_values_type v;
    v.e = lf::sqrt(e_squared);
    const long_float sin_phi0 = ll::sin(lat_null);
    const long_float cos_phi0 = ll::cos(lat_null);
    v.radius_sphere = major_axis_bessel41 * lf::sqrt(one_minus_e_squared) /
                      (1.0 - e_squared * sin_phi0 * sin_phi0);
    v.alpha = lf::sqrt(1.0 + second_e_squared * cos_phi0 * cos_phi0 * cos_phi0 * cos_phi0);
    v.lat_null_sphere = lf::arcsin(sin_phi0 / v.alpha);
    v.s_null = lf::log(ll::tan(quarter_pi + v.lat_null_sphere / 2.0)) -
               v.alpha * lf::log(ll::tan(quarter_pi + lat_null / 2.0)) +
               (v.alpha * v.e / 2.0) * eccentricity_log(v.e, lat_null);
    return v;
}

}  // namespace detail

namespace {

// The values `derive_start_up_values` computes, held as constants: they are there from load
// time, before any unit's start-up, and nothing writes them, so a start-up on one thread
// cannot race a conversion on another. The tests hold them against the derivation, bit for
// bit.
constexpr start_up_values_type held_start_up_values{
    0x1.4ea1562419b38p-4,   // e
    0x1.8554ff9d55ca2p+22,  // radius_sphere
    0x1.002fc8e9b6757p+0,   // alpha
    0x1.a32be82f0e898p-1,   // lat_null_sphere
    0x1.91f676882c83p-9,    // s_null
};

const start_up_values_type& state() {
    return held_start_up_values;
}

void require_finite(long_float a, long_float b, long_float c = 0.0) {
    if (!std::isfinite(a) || !std::isfinite(b) || !std::isfinite(c)) {
        throw global_types::constraint_error("range check failed: not a finite number");
    }
}
}  // namespace

std::int32_t round_to_integer(long_float value) {
    using any_int32 = global_types::checked<std::int32_t, std::numeric_limits<std::int32_t>::min(),
                                            std::numeric_limits<std::int32_t>::max()>;
    return global_types::to_grid_integer<any_int32>(value, "grid value").value();
}

const start_up_values_type& start_up_values() {
    return state();
}

void start_up() {
    // The values are constants from load time on; there is nothing to compute or store.
}

grid_unrounded_record lat_long_to_grid_unrounded(long_float latitude, long_float longitude,
                                                 local_reference_frame_enumeration ref_frame) {
    const long_float fe = get_false_origin_east(ref_frame);
    const long_float fn = get_false_origin_north(ref_frame);
    const start_up_values_type& k = state();
    const long_float b0 = k.lat_null_sphere;

    // Ellipsoid to conformal sphere.
    const long_float s = k.s_null - k.alpha * lf::log(ll::tan(quarter_pi - latitude / 2.0)) -
                         (k.alpha * k.e / 2.0) * eccentricity_log(k.e, latitude);
    const long_float b = 2.0 * (lf::arctan(ll::exp(s)) - quarter_pi);
    const long_float l = k.alpha * (longitude - long_null);

    // Turn the sphere so that the projection centre lies on its equator. A point a quarter turn
    // or more from the centre (Switzerland's far side of the earth) has a negative denominator:
    // the plain arc tangent would fold it onto the near side, a plausible Swiss grid value for a
    // point 10 000 km away, so it takes the quadrant-aware form and lies far outside the grids.
    const long_float l_num = ll::sin(l);
    const long_float l_den = ll::sin(b0) * ll::tan(b) + ll::cos(b0) * ll::cos(l);
    const long_float l_bar = l_den > 0.0 ? lf::arctan(l_num / l_den) : lf::arctan(l_num, l_den);
    const long_float b_bar =
        lf::arcsin(ll::cos(b0) * ll::sin(b) - ll::sin(b0) * ll::cos(b) * ll::cos(l));

    // Mercator on the turned sphere.
    const long_float sin_b_bar = ll::sin(b_bar);
    return {k.radius_sphere * l_bar + fe,
            k.radius_sphere / 2.0 * lf::log((1.0 + sin_b_bar) / (1.0 - sin_b_bar)) + fn};
}

grid_record lat_long_to_grid(long_float /*major_axis*/, long_float /*minor_axis*/,
                             long_float latitude, long_float longitude,
                             local_reference_frame_enumeration ref_frame) {
    const grid_unrounded_record g = lat_long_to_grid_unrounded(latitude, longitude, ref_frame);
    return {round_to_integer(g.easting), round_to_integer(g.northing)};
}

long_float ellipsoid_latitude(long_float sphere_latitude, int passes) {
    const start_up_values_type& k = state();
    const long_float sphere_term =
        (lf::log(ll::tan(quarter_pi + sphere_latitude / 2.0)) - k.s_null) / k.alpha;
    long_float phi = sphere_latitude;
    for (int pass = 0; pass < passes; ++pass) {
        const long_float s =
            sphere_term + k.e * lf::log(ll::tan(quarter_pi + lf::arcsin(k.e * ll::sin(phi)) / 2.0));
        phi = 2.0 * lf::arctan(ll::exp(s)) - half_pi;
    }
    return phi;
}

lat_long_record grid_to_lat_long(long_float /*major_axis*/, long_float /*minor_axis*/,
                                 local_reference_frame_enumeration ref_frame, std::int32_t easting,
                                 std::int32_t northing) {
    const long_float y = static_cast<long_float>(easting) - get_false_origin_east(ref_frame);
    const long_float x = static_cast<long_float>(northing) - get_false_origin_north(ref_frame);
    const start_up_values_type& k = state();
    const long_float b0 = k.lat_null_sphere;

    // Mercator back to the turned sphere.
    const long_float l_bar = y / k.radius_sphere;
    const long_float b_bar = 2.0 * (lf::arctan(ll::exp(x / k.radius_sphere)) - quarter_pi);

    // Turn back to the sphere of the ellipsoid's axis.
    const long_float b =
        lf::arcsin(ll::cos(b0) * ll::sin(b_bar) + ll::sin(b0) * ll::cos(b_bar) * ll::cos(l_bar));
    const long_float l =
        lf::arctan(ll::sin(l_bar) / (ll::cos(b0) * ll::cos(l_bar) - ll::sin(b0) * ll::tan(b_bar)));

    const lat_long_record result{ellipsoid_latitude(b, latitude_passes), long_null + l / k.alpha};
    require_finite(result.latitude, result.longitude);
    return result;
}

geocentric_coordinates_type lat_long_to_geocentric(long_float major_axis, long_float /*minor_axis*/,
                                                   long_float latitude, long_float longitude,
                                                   long_float altitude) {
    const long_float sin_phi = ll::sin(latitude);
    const long_float cos_phi = ll::cos(latitude);
    const long_float n = major_axis / lf::sqrt(1.0 - e_squared * sin_phi * sin_phi);
    return {(n + altitude) * cos_phi * ll::cos(longitude),
            (n + altitude) * cos_phi * ll::sin(longitude),
            (n * one_minus_e_squared + altitude) * sin_phi};
}

lat_long_altitude_record geocentric_to_lat_long(
    long_float major_axis, long_float /*minor_axis*/,
    const geocentric_coordinates_type& geocentric_position) {
    const auto [x, y, z] = geocentric_position;
    const long_float p = lf::sqrt(x * x + y * y);

    if (p == 0.0) {
        // On the polar axis the iteration below would divide by p: the point lies over a pole,
        // at its distance from the pole.
        utm::detail::require_off_centre(geocentric_position);
        const long_float polar_radius = major_axis * lf::sqrt(one_minus_e_squared);
        const long_float latitude = z > 0.0 ? half_pi : -half_pi;
        const lat_long_altitude_record result{latitude, 0.0, std::abs(z) - polar_radius};
        require_finite(result.latitude, result.longitude, result.altitude);
        return result;
    }

    // East of the 90-degree meridians (all of Switzerland) the longitude is arctan(y / x);
    // elsewhere the quadrant-aware form gives the true longitude without dividing by x = 0.
    const long_float longitude = x > 0.0 ? lf::arctan(y / x) : lf::arctan(y, x);

    const long_float z_over_p = z / p;
    long_float phi = z_over_p;  // the ratio itself is the start value
    long_float h = 0.0;
    for (int pass = 0; pass < geocentric_passes; ++pass) {
        const long_float sin_phi = ll::sin(phi);
        const long_float n = major_axis / lf::sqrt(1.0 - e_squared * sin_phi * sin_phi);
        h = p / ll::cos(phi) - n;
        phi = lf::arctan(z_over_p / (1.0 - e_squared * n / (n + h)));
    }
    require_finite(phi, longitude, h);
    return {phi, longitude, h};
}

}  // namespace utm::sncs::conversions
