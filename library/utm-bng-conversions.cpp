#include "utm-bng-conversions.hpp"

#include <string>

#include "long_float_math_lib.hpp"
#include "low_level_math.hpp"
#include "utm-exceptions.hpp"

#include "detail/utm.hpp"

namespace utm::bng::conversions {

namespace {

constexpr int latitude_passes = 3;  // loop `iterate_for_latitude`: fixed, no convergence test

/// The grid's projection on the ellipsoid a, b: the Transverse Mercator constants with the
/// scale F0, and the meridian arc of the true origin beta(phi0, e2).
struct national_grid_constants {
    utm::detail::transverse_mercator_constants tm;
    long_float origin_arc;
};

national_grid_constants national_grid_constants_of(long_float a, long_float b) {
    const utm::detail::transverse_mercator_constants tm =
        utm::detail::transverse_mercator_constants_of(a, b, scale_on_central_meridian);
    // The arc of the true origin costs four sines; on Airy 1830, the grid's own ellipsoid, it
    // is computed once, at the first conversion (by the same platform sine as every other arc).
    if (a == major_axis && b == minor_axis) {
        static const long_float airy_origin_arc =
            utm::detail::beta(latitude_of_natural_origin, tm.ellipsoid.arc);
        return {tm, airy_origin_arc};
    }
    return {tm, utm::detail::beta(latitude_of_natural_origin, tm.ellipsoid.arc)};
}

/// Up to `boundary_delta` beyond either end of its range a grid value is that end.
constexpr global_types::grid_edges grid_tolerance{.tolerance = boundary_delta};

}  // namespace

grid_to_lat_long_result grid_to_lat_long(long_float major_axis, long_float minor_axis,
                                         easting_integer_bng easting,
                                         northing_integer_bng northing) {
    const national_grid_constants grid = national_grid_constants_of(major_axis, minor_axis);
    const long_float aF0 = grid.tm.S;
    const long_float E = static_cast<long_float>(easting.value());
    const long_float N = static_cast<long_float>(northing.value());

    long_float phi_0 = (N - false_origin_north) / aF0;
    long_float delta_lambda = 0.0;
    for (int iterate_for_latitude = 1; iterate_for_latitude <= latitude_passes;
         ++iterate_for_latitude) {
        const utm::detail::conformal_sphere_type sphere =
            utm::detail::conformal_sphere(grid.tm, low_level_math::sin_cos(phi_0));
        const long_float c = sphere.c;
        const long_float xi = E - false_origin_east;
        const long_float eta =
            (N - false_origin_north) -
            aF0 * (utm::detail::beta(phi_0, grid.tm.ellipsoid.arc) - grid.origin_arc);
        const long_float x = xi - c * (xi * xi * xi) + 3.0 * c * xi * (eta * eta);
        const long_float y = eta + c * (eta * eta * eta) - 3.0 * c * (xi * xi) * eta;
        const utm::detail::spherical_lat_long_type on_sphere =
            utm::detail::inverse_spherical_transverse_mercator(aF0, sphere.w, phi_0, x, y);
        delta_lambda = on_sphere.delta_lambda;
        phi_0 = on_sphere.phi;
    }
    const long_float lambda_0 = delta_lambda + longitude_of_natural_origin;
    return {phi_0, utm::detail::normalised_longitude(lambda_0)};
}

lat_long_to_grid_unrounded_result lat_long_to_grid_unrounded(long_float major_axis,
                                                             long_float minor_axis,
                                                             long_float latitude,
                                                             long_float longitude) {
    const national_grid_constants grid = national_grid_constants_of(major_axis, minor_axis);
    const long_float aF0 = grid.tm.S;
    const long_float phi = latitude;
    const long_float delta_lambda = longitude - longitude_of_natural_origin;

    const auto [x, y, c] = utm::detail::conformal_transverse_mercator(
        grid.tm, phi, low_level_math::sin_cos(phi), delta_lambda);

    const long_float float_easting =
        false_origin_east + x - 3.0 * c * x * (y * y) + c * (x * x * x);
    const long_float float_northing =
        false_origin_north + y + 3.0 * c * (x * x) * y - c * (y * y * y) +
        aF0 * (utm::detail::beta(phi, grid.tm.ellipsoid.arc) - grid.origin_arc);
    return {float_easting, float_northing};
}

lat_long_to_grid_result lat_long_to_grid(long_float major_axis, long_float minor_axis,
                                         long_float latitude, long_float longitude) {
    lat_long_to_grid_unrounded_result grid{};
    try {
        grid = lat_long_to_grid_unrounded(major_axis, minor_axis, latitude, longitude);
    } catch (const global_types::constraint_error&) {
        // 90 degrees or more from the central meridian: far outside the grid, east or west.
        throw utm::exceptions::easting_out_of_range(
            "point 90 degrees or more from the grid's "
            "central meridian");
    }
    // The easting is decided first: a point outside both ranges reports the easting.
    const easting_integer_bng easting =
        global_types::to_grid_integer<easting_integer_bng, utm::exceptions::easting_out_of_range>(
            grid.easting, "easting", grid_tolerance);
    const northing_integer_bng northing =
        global_types::to_grid_integer<northing_integer_bng, utm::exceptions::northing_out_of_range>(
            grid.northing, "northing", grid_tolerance);
    return {easting, northing};
}

void lat_long_to_geocentric(long_float major_axis, long_float minor_axis, long_float latitude,
                            long_float longitude, long_float altitude,
                            utm::geocentric_coordinates_type& geocentric_position) {
    const long_float e2 = utm::detail::ellipsoid_constants_of(major_axis, minor_axis).e2;
    // Sine and cosine of each angle once; the cosine of the latitude serves both x and y.
    const low_level_math::sin_cos_type phi = low_level_math::sin_cos(latitude);
    const low_level_math::sin_cos_type lambda = low_level_math::sin_cos(longitude);
    const long_float h = altitude;
    const long_float w0 = long_float_math_lib::sqrt(1.0 - e2 * (phi.sin * phi.sin));
    const long_float n0 = major_axis / w0;
    geocentric_position.x = (n0 + h) * phi.cos * lambda.cos;
    geocentric_position.y = (n0 + h) * phi.cos * lambda.sin;
    geocentric_position.z = ((1.0 - e2) * n0 + h) * phi.sin;
}

geocentric_to_lat_long_result geocentric_to_lat_long(
    long_float major_axis, long_float minor_axis,
    const utm::geocentric_coordinates_type& geocentric_position) {
    return utm::extensions::geocentric_to_lat_long(major_axis, minor_axis, geocentric_position);
}

}  // namespace utm::bng::conversions
