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

}  // namespace

geocentric_to_lat_long_result geocentric_to_lat_long(
    long_float major_axis, long_float minor_axis,
    const utm::geocentric_coordinates_type& geocentric_position) {
    utm::detail::geodetic_type geodetic{};
    utm::detail::raise_if_failed(
        utm::detail::geocentric_to_geodetic(utm::detail::ellipsoid_model_of(major_axis, minor_axis),
                                            geocentric_position, geodetic),
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
    const long_float zone_number = utm::detail::automatic_zone_number(lambda);
    if (!(zone_number >= zone_integer::first && zone_number <= zone_integer::last)) {
        return failure_kind::constraint_error;
    }
    const zone_integer zone_out = static_cast<int>(zone_number);
    const long_float lambda_ref = utm::detail::central_meridian_of_zone(zone_number);
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
    // The meridian arc enters the northing after the spherical part.
    const utm::detail::plane_of<long_float> corrected =
        utm::detail::forward_corrected(utm::false_easting, false_origin_north, {z.x, z.y}, z.c);
    grid = {corrected.x,
            corrected.y + aF0 * utm::detail::meridian_arc(phi, latitude_sin_cos, tm.ellipsoid.arc),
            zone_out};
    return failure_kind::none;
}

global_types::failure_kind clamped_grid_integers(const lat_long_to_grid_unrounded_result& grid,
                                                 std::int32_t& easting,
                                                 std::int32_t& northing) noexcept {
    using global_types::failure_kind;
    return global_types::grid_integers_of<easting_integer, northing_integer>(
        grid.easting, grid.northing, clamped_edges, failure_kind::constraint_error,
        failure_kind::constraint_error, easting, northing);
}

lat_long_to_grid_result clamped_grid_integers(const lat_long_to_grid_unrounded_result& grid) {
    const auto easting =
        global_types::to_grid_integer<easting_integer>(grid.easting, "easting", clamped_edges);
    const auto northing =
        global_types::to_grid_integer<northing_integer>(grid.northing, "northing", clamped_edges);
    return {easting, northing, grid.zone_out};
}

}  // namespace detail

lat_long_to_grid_unrounded_result lat_long_to_grid_unrounded(long_float major_axis,
                                                             long_float minor_axis,
                                                             long_float latitude,
                                                             long_float longitude) {
    lat_long_to_grid_unrounded_result grid{};
    utm::detail::raise_if_failed(
        detail::lat_long_to_grid_unrounded(
            utm::detail::transverse_mercator_constants_of(
                utm::detail::ellipsoid_model_of(major_axis, minor_axis),
                utm::scale_on_central_meridian),
            latitude, low_level_math::sin_cos(latitude), longitude, grid),
        "range check failed: longitude outside its zone's reach or -180 .. 180 degrees");
    return grid;
}

lat_long_to_grid_result lat_long_to_grid(long_float major_axis, long_float minor_axis,
                                         long_float latitude, long_float longitude) {
    return detail::clamped_grid_integers(
        lat_long_to_grid_unrounded(major_axis, minor_axis, latitude, longitude));
}

}  // namespace utm::extensions
