#include "utm-extensions.hpp"

#include <cmath>
#include <cstdlib>
#include <numbers>

#include "long_float_math_lib.hpp"
#include "low_level_math.hpp"

#include "detail/utm.hpp"

namespace utm::extensions {

namespace {

using global_types::easting_integer;
using global_types::northing_integer;
using global_types::zone_integer;

constexpr long_float pi = std::numbers::pi;
constexpr long_float half_pi = pi / 2.0;
constexpr long_float degrees_per_radian = 180.0 / pi;
constexpr long_float false_origin_east = 500000.0;  // metres
constexpr int latitude_passes = 2;                  // fixed count, no convergence test

/// Longitude of the earth-centred point (x, y) in (-pi, pi]. East of the polar plane (x > 0)
/// it is the one-argument arctangent of y / x, as it always was; there the two agree. For
/// x <= 0 that formula is off by pi or divides by zero, so the quadrant is taken into account.
long_float longitude_of(long_float x, long_float y) {
    if (x > 0.0)
        return long_float_math_lib::arctan(y / x);
    return long_float_math_lib::arctan(y, x);
}

}  // namespace

geocentric_to_lat_long_result geocentric_to_lat_long(
    long_float major_axis, long_float minor_axis,
    const utm::geocentric_coordinates_type& geocentric_position) {
    const long_float a = major_axis;
    const long_float b = minor_axis;
    const long_float x = geocentric_position.x;
    const long_float y = geocentric_position.y;
    const long_float z = geocentric_position.z;
    const utm::detail::ellipsoid_constants ellipsoid = utm::detail::ellipsoid_constants_of(a, b);
    const long_float e2 = ellipsoid.e2;
    const long_float e_prime2 = ellipsoid.e_prime2;
    const long_float p = long_float_math_lib::sqrt(x * x + y * y);

    if (p == 0.0) {
        // On the polar axis the latitude iteration would divide by zero; the pole is the answer.
        utm::detail::require_off_centre(geocentric_position);
        return {z > 0.0 ? half_pi : -half_pi, 0.0, std::abs(z) - b};
    }

    const long_float lambda_c = longitude_of(x, y);
    long_float phi_c = long_float_math_lib::arctan(z / p * (1.0 + e_prime2));
    long_float h_c = 0.0;
    for (int pass = 1; pass <= latitude_passes; ++pass) {
        const low_level_math::sin_cos_type phi = low_level_math::sin_cos(phi_c);
        const long_float w_c = long_float_math_lib::sqrt(1.0 - e2 * (phi.sin * phi.sin));
        const long_float n_c = a / w_c;
        h_c = p / phi.cos - n_c;
        phi_c = long_float_math_lib::arctan(z / p / (1.0 - e2 * n_c / (n_c + h_c)));
    }
    return {phi_c, lambda_c, h_c};
}

lat_long_to_grid_unrounded_result lat_long_to_grid_unrounded(long_float major_axis,
                                                             long_float minor_axis,
                                                             long_float latitude,
                                                             long_float longitude) {
    const utm::detail::transverse_mercator_constants tm =
        utm::detail::transverse_mercator_constants_of(major_axis, minor_axis,
                                                      utm::scale_on_central_meridian);
    const long_float aF0 = tm.S;
    const long_float phi = latitude;
    const long_float lambda = longitude;
    // Beyond the turn the zone formula gives zones that do not exist, or wraps silently.
    if (!(lambda >= -pi && lambda < pi)) {
        throw global_types::constraint_error(
            "range check failed: longitude outside -180 .. 180 degrees");
    }

    // The standard zone of the longitude; a boundary meridian belongs to the zone east of it.
    const zone_integer zone_out =
        zone_integer::round(std::floor((lambda * degrees_per_radian + 186.0) / 6.0));
    const long_float lambda_ref = utm::central_meridian(zone_out);
    const long_float false_origin_north = utm::false_northing(zone_out);
    const long_float delta_lambda = lambda - lambda_ref;

    const auto [x, y, c] = utm::detail::conformal_transverse_mercator(
        tm, phi, low_level_math::sin_cos(phi), delta_lambda);

    const long_float float_easting =
        false_origin_east + x - 3.0 * c * x * (y * y) + c * (x * x * x);
    const long_float float_northing = false_origin_north + y + 3.0 * c * (x * x) * y -
                                      c * (y * y * y) +
                                      aF0 * utm::detail::beta(phi, tm.ellipsoid.arc);
    return {float_easting, float_northing, zone_out};
}

lat_long_to_grid_result lat_long_to_grid(long_float major_axis, long_float minor_axis,
                                         long_float latitude, long_float longitude) {
    const lat_long_to_grid_unrounded_result grid =
        lat_long_to_grid_unrounded(major_axis, minor_axis, latitude, longitude);
    // Outside the grid the values are clamped to its edges, on both sides.
    constexpr global_types::grid_edges clamped{.clamp_above = true, .clamp_below = true};
    const auto easting =
        global_types::to_grid_integer<easting_integer>(grid.easting, "easting", clamped);
    const auto northing =
        global_types::to_grid_integer<northing_integer>(grid.northing, "northing", clamped);
    return {easting, northing, grid.zone_out};
}

}  // namespace utm::extensions
