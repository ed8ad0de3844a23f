#include "utm-extensions.hpp"

#include <cmath>
#include <cstdlib>
#include <numbers>

#include "long_float_math_lib.hpp"
#include "low_level_math.hpp"

#include "detail/extensions.hpp"
#include "detail/utm.hpp"

namespace utm::extensions {

namespace {

using global_types::easting_integer;
using global_types::northing_integer;
using global_types::zone_integer;

constexpr long_float pi = std::numbers::pi;
constexpr long_float degrees_per_radian = 180.0 / pi;
constexpr long_float false_origin_east = 500000.0;  // metres

}  // namespace

geocentric_to_lat_long_result geocentric_to_lat_long(
    long_float major_axis, long_float minor_axis,
    const utm::geocentric_coordinates_type& geocentric_position) {
    utm::detail::geodetic_type geodetic{};
    utm::detail::raise_if_failed(
        utm::detail::geocentric_to_geodetic(major_axis, minor_axis, geocentric_position, geodetic),
        "range check failed: the centre of the earth has no latitude");
    return {geodetic.latitude, geodetic.longitude, geodetic.altitude};
}

namespace detail {

global_types::failure_kind lat_long_to_grid_unrounded(
    const utm::detail::transverse_mercator_constants& tm, long_float latitude,
    const low_level_math::sin_cos_type& latitude_sin_cos, long_float longitude,
    lat_long_to_grid_unrounded_result& grid,
    const low_level_math::sin_cos_type* longitude_sin_cos) noexcept {
    using global_types::failure_kind;
    const long_float aF0 = tm.S;
    const long_float phi = latitude;
    const long_float lambda = longitude;
    // Beyond the turn the zone formula gives zones that do not exist, or wraps silently.
    if (!(lambda >= -pi && lambda < pi)) {
        return failure_kind::constraint_error;
    }

    // The standard zone of the longitude; a boundary meridian belongs to the zone east of it.
    const long_float zone_number = std::floor((lambda * degrees_per_radian + 186.0) / 6.0);
    if (!(zone_number >= zone_integer::first && zone_number <= zone_integer::last)) {
        return failure_kind::constraint_error;
    }
    const zone_integer zone_out = static_cast<int>(zone_number);
    // utm::central_meridian(zone_out), without its checked integer arithmetic: 6 zone - 183
    // is exact in a double for the zones 1 .. 60 here.
    const long_float lambda_ref = pi * (6.0 * zone_number - 183.0) / 180.0;
    const long_float false_origin_north = utm::false_northing(zone_out);
    const long_float delta_lambda = lambda - lambda_ref;

    utm::detail::conformal_grid_type z{};
    if (const failure_kind fault =
            longitude_sin_cos == nullptr
                ? utm::detail::conformal_transverse_mercator(
                      tm, phi, latitude_sin_cos, delta_lambda, z, failure_kind::constraint_error)
                : utm::detail::conformal_transverse_mercator(
                      tm, phi, latitude_sin_cos,
                      utm::detail::sin_cos_of_difference(
                          *longitude_sin_cos, utm::detail::central_meridian_sin_cos(zone_out)),
                      z, failure_kind::constraint_error);
        fault != failure_kind::none) {
        return fault;
    }
    const auto [x, y, c] = z;
    const long_float float_easting =
        false_origin_east + x - 3.0 * c * x * (y * y) + c * (x * x * x);
    const long_float float_northing =
        false_origin_north + y + 3.0 * c * (x * x) * y - c * (y * y * y) +
        aF0 * utm::detail::beta(phi, latitude_sin_cos, tm.ellipsoid.arc);
    grid = {float_easting, float_northing, zone_out};
    return failure_kind::none;
}

}  // namespace detail

lat_long_to_grid_unrounded_result lat_long_to_grid_unrounded(long_float major_axis,
                                                             long_float minor_axis,
                                                             long_float latitude,
                                                             long_float longitude) {
    lat_long_to_grid_unrounded_result grid{};
    utm::detail::raise_if_failed(
        detail::lat_long_to_grid_unrounded(
            utm::detail::transverse_mercator_constants_of(major_axis, minor_axis,
                                                          utm::scale_on_central_meridian),
            latitude, low_level_math::sin_cos(latitude), longitude, grid),
        "range check failed: longitude outside its zone's reach or -180 .. 180 degrees");
    return grid;
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
