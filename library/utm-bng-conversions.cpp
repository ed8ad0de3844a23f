#include "utm-bng-conversions.hpp"

#include <string>

#include "long_float_math_lib.hpp"
#include "low_level_math.hpp"
#include "utm-exceptions.hpp"

namespace utm::bng::conversions {

namespace {

constexpr int latitude_passes = 3;  // loop `iterate_for_latitude`: fixed, no convergence test

long_float eccentricity_squared(long_float a, long_float b) {
    return (a * a - b * b) / (a * a);
}

/// A projected grid value in whole metres: up to `boundary_delta` beyond either end of the
/// range it is clamped to that end; otherwise it is rounded (halves away from zero) and must lie
/// in the range. A value out of range, too large for 32 bits or not a number raises `Failure`.
template <class Grid, class Failure>
Grid whole_metres(long_float value, const char* what) {
    const long_float last = Grid::last;
    if (value > last && value <= last + boundary_delta)
        return Grid(Grid::last);
    if (value >= -boundary_delta && value < 0.0)
        return Grid(0);
    try {
        return Grid::round(value);
    } catch (const global_types::constraint_error&) {
        throw Failure(std::string(what) + " " + std::to_string(value) + " outside 0 .. " +
                      std::to_string(Grid::last));
    }
}

}  // namespace

grid_to_lat_long_result grid_to_lat_long(long_float major_axis, long_float minor_axis,
                                         easting_integer_bng easting,
                                         northing_integer_bng northing) {
    const long_float e2 = eccentricity_squared(major_axis, minor_axis);
    const long_float aF0 = major_axis * scale_on_central_meridian;
    const long_float phi0 = latitude_of_natural_origin;
    const long_float E = static_cast<long_float>(easting.value());
    const long_float N = static_cast<long_float>(northing.value());

    long_float phi_0 = (N - false_origin_north) / aF0;
    long_float delta_lambda = 0.0;
    for (int iterate_for_latitude = 1; iterate_for_latitude <= latitude_passes;
         ++iterate_for_latitude) {
        const utm::conformal_sphere_type sphere = utm::conformal_sphere(aF0, e2, phi_0);
        const long_float c = sphere.c;
        const long_float xi = E - false_origin_east;
        const long_float eta =
            (N - false_origin_north) - aF0 * (utm::beta(phi_0, e2) - utm::beta(phi0, e2));
        const long_float x = xi - c * (xi * xi * xi) + 3.0 * c * xi * (eta * eta);
        const long_float y = eta + c * (eta * eta * eta) - 3.0 * c * (xi * xi) * eta;
        const utm::spherical_lat_long_type on_sphere =
            utm::inverse_spherical_transverse_mercator(aF0, sphere.w, phi_0, x, y);
        delta_lambda = on_sphere.delta_lambda;
        phi_0 = on_sphere.phi;
    }
    const long_float lambda_0 = delta_lambda + longitude_of_natural_origin;
    return {phi_0, utm::normalised_longitude(lambda_0)};
}

lat_long_to_grid_result lat_long_to_grid(long_float major_axis, long_float minor_axis,
                                         long_float latitude, long_float longitude) {
    const long_float e2 = eccentricity_squared(major_axis, minor_axis);
    const long_float aF0 = major_axis * scale_on_central_meridian;
    const long_float phi0 = latitude_of_natural_origin;
    const long_float phi = latitude;
    const long_float delta_lambda = longitude - longitude_of_natural_origin;

    const auto [x, y, c] = utm::conformal_transverse_mercator(aF0, e2, phi, delta_lambda);

    // The easting is decided before the northing is computed: a point outside both ranges
    // reports the easting.
    const long_float float_easting =
        false_origin_east + x - 3.0 * c * x * (y * y) + c * (x * x * x);
    const easting_integer_bng easting =
        whole_metres<easting_integer_bng, utm::exceptions::easting_out_of_range>(float_easting,
                                                                                 "easting");
    const long_float float_northing = false_origin_north + y + 3.0 * c * (x * x) * y -
                                      c * (y * y * y) +
                                      aF0 * (utm::beta(phi, e2) - utm::beta(phi0, e2));
    const northing_integer_bng northing =
        whole_metres<northing_integer_bng, utm::exceptions::northing_out_of_range>(float_northing,
                                                                                   "northing");
    return {easting, northing};
}

void lat_long_to_geocentric(long_float major_axis, long_float minor_axis, long_float latitude,
                            long_float longitude, long_float altitude,
                            utm::geocentric_coordinates_type& geocentric_position) {
    const long_float e2 = eccentricity_squared(major_axis, minor_axis);
    const long_float phi = latitude;
    const long_float lambda = longitude;
    const long_float h = altitude;
    const long_float sin_phi = low_level_math::sin(phi);
    const long_float w0 = long_float_math_lib::sqrt(1.0 - e2 * (sin_phi * sin_phi));
    const long_float n0 = major_axis / w0;
    geocentric_position.x = (n0 + h) * low_level_math::cos(phi) * low_level_math::cos(lambda);
    geocentric_position.y = (n0 + h) * low_level_math::cos(phi) * low_level_math::sin(lambda);
    geocentric_position.z = ((1.0 - e2) * n0 + h) * sin_phi;
}

geocentric_to_lat_long_result geocentric_to_lat_long(
    long_float major_axis, long_float minor_axis,
    const utm::geocentric_coordinates_type& geocentric_position) {
    return utm::extensions::geocentric_to_lat_long(major_axis, minor_axis, geocentric_position);
}

}  // namespace utm::bng::conversions
