#include "utm-bng-conversions.hpp"

#include <string>

#include "long_float_math_lib.hpp"
#include "low_level_math.hpp"

#include "detail/bng-conversions.hpp"
#include "detail/utm.hpp"

namespace utm::bng::conversions {

namespace {

/// The grid's projection on the ellipsoid a, b: the Transverse Mercator constants with the
/// scale F0, and the meridian arc of the true origin beta(phi0, e2).
struct national_grid_constants {
    utm::detail::transverse_mercator_constants tm;
    long_float origin_arc;
};

national_grid_constants national_grid_constants_of(const utm::detail::ellipsoid_model& ellipsoid) {
    const utm::detail::transverse_mercator_constants tm =
        utm::detail::transverse_mercator_constants_of(ellipsoid, scale_on_central_meridian);
    return {tm, utm::detail::beta(latitude_of_natural_origin, tm.ellipsoid.arc)};
}

/// The constants of the grid's projection on the ellipsoid of the semi-axes a, b (metres).
national_grid_constants national_grid_constants_of(long_float a, long_float b) {
    return national_grid_constants_of(utm::detail::ellipsoid_model_of(a, b));
}

}  // namespace

grid_to_lat_long_result grid_to_lat_long(long_float major_axis, long_float minor_axis,
                                         easting_integer_bng easting,
                                         northing_integer_bng northing) {
    const national_grid_constants grid = national_grid_constants_of(major_axis, minor_axis);
    const detail::inverse_type point =
        detail::grid_to_lat_long(grid.tm, grid.origin_arc, easting, northing);
    return {point.latitude, point.longitude};
}

namespace detail {

inverse_type grid_to_lat_long(const utm::detail::transverse_mercator_constants& tm,
                              long_float origin_arc, std::int32_t easting, std::int32_t northing,
                              bool angles) noexcept {
    const long_float E = static_cast<long_float>(easting);
    const long_float N = static_cast<long_float>(northing);
    const utm::detail::inverse_transverse_mercator_type point =
        utm::detail::inverse_transverse_mercator(tm, origin_arc, E - false_origin_east,
                                                 N - false_origin_north, inverse_passes, angles);
    const long_float lambda_0 = point.delta_lambda + longitude_of_natural_origin;
    // The longitude's sine and cosine by the angle sum from the difference's tangent and the
    // natural origin's: no further sine.
    return {point.phi, utm::detail::normalised_longitude(lambda_0), point.phi_sin_cos,
            utm::detail::sin_cos_of_sum(utm::detail::sin_cos_of_arctan(point.tan_delta_lambda),
                                        natural_origin_sin_cos())};
}

global_types::failure_kind lat_long_to_grid_unrounded(
    const utm::detail::transverse_mercator_constants& tm, long_float origin_arc,
    long_float latitude, const low_level_math::sin_cos_type& latitude_sin_cos, long_float longitude,
    lat_long_to_grid_unrounded_result& grid, global_types::failure_kind beyond_reach,
    const low_level_math::sin_cos_type* longitude_sin_cos) noexcept {
    const long_float aF0 = tm.S;
    const long_float phi = latitude;
    const long_float delta_lambda = longitude - longitude_of_natural_origin;

    utm::detail::conformal_grid_type z{};
    if (const global_types::failure_kind fault =
            longitude_sin_cos == nullptr
                ? utm::detail::conformal_transverse_mercator(tm, phi, latitude_sin_cos,
                                                             delta_lambda, z, beyond_reach)
                : utm::detail::conformal_transverse_mercator(
                      tm, phi, latitude_sin_cos,
                      utm::detail::sin_cos_of_difference(*longitude_sin_cos,
                                                         natural_origin_sin_cos()),
                      z, beyond_reach);
        fault != global_types::failure_kind::none) {
        return fault;
    }
    // The meridian arc from the true origin enters the northing after the spherical part.
    const utm::detail::plane_of<long_float> corrected =
        utm::detail::forward_corrected(false_origin_east, false_origin_north, {z.x, z.y}, z.c);
    grid = {corrected.x, corrected.y + aF0 * (utm::detail::meridian_arc(phi, latitude_sin_cos,
                                                                        tm.ellipsoid.arc) -
                                              origin_arc)};
    return global_types::failure_kind::none;
}

const low_level_math::sin_cos_type& natural_origin_sin_cos() noexcept {
    static const low_level_math::sin_cos_type origin =
        low_level_math::sin_cos(longitude_of_natural_origin);
    return origin;
}

const airy_constants& airy() noexcept {
    static const airy_constants constants = [] {
        const national_grid_constants grid =
            national_grid_constants_of(utm::detail::airy_1830_ellipsoid);
        return airy_constants{grid.tm, grid.origin_arc};
    }();
    return constants;
}

lat_long_to_grid_result to_grid_integers(const lat_long_to_grid_unrounded_result& grid) {
    // The easting is decided first: a point outside both ranges reports the easting.
    const auto easting = global_types::to_grid_integer<easting_integer_bng>(
        grid.easting, "easting", grid_tolerance, global_types::failure_kind::easting_out_of_range);
    const auto northing = global_types::to_grid_integer<northing_integer_bng>(
        grid.northing, "northing", grid_tolerance,
        global_types::failure_kind::northing_out_of_range);
    return {easting, northing};
}

global_types::failure_kind to_grid_integers(const lat_long_to_grid_unrounded_result& grid,
                                            std::int32_t& easting,
                                            std::int32_t& northing) noexcept {
    using global_types::failure_kind;
    return global_types::grid_integers_of<easting_integer_bng, northing_integer_bng>(
        grid.easting, grid.northing, grid_tolerance, failure_kind::easting_out_of_range,
        failure_kind::northing_out_of_range, easting, northing);
}

}  // namespace detail

namespace {

/// The projection of `lat_long_to_grid_unrounded` into `unrounded`; a point a quarter turn or
/// more from the central meridian raises `beyond_reach`.
void project(long_float major_axis, long_float minor_axis, long_float latitude,
             long_float longitude, lat_long_to_grid_unrounded_result& unrounded,
             global_types::failure_kind beyond_reach) {
    const national_grid_constants grid = national_grid_constants_of(major_axis, minor_axis);
    utm::detail::raise_if_failed(
        detail::lat_long_to_grid_unrounded(grid.tm, grid.origin_arc, latitude,
                                           low_level_math::sin_cos(latitude), longitude, unrounded,
                                           beyond_reach),
        "point 90 degrees or more from the grid's central meridian");
}

}  // namespace

lat_long_to_grid_unrounded_result lat_long_to_grid_unrounded(long_float major_axis,
                                                             long_float minor_axis,
                                                             long_float latitude,
                                                             long_float longitude) {
    lat_long_to_grid_unrounded_result unrounded{};
    project(major_axis, minor_axis, latitude, longitude, unrounded,
            global_types::failure_kind::constraint_error);
    return unrounded;
}

lat_long_to_grid_result lat_long_to_grid(long_float major_axis, long_float minor_axis,
                                         long_float latitude, long_float longitude) {
    lat_long_to_grid_unrounded_result unrounded{};
    // A point a quarter turn or more away lies far outside the grid, east or west.
    project(major_axis, minor_axis, latitude, longitude, unrounded,
            global_types::failure_kind::easting_out_of_range);
    return detail::to_grid_integers(unrounded);
}

void lat_long_to_geocentric(long_float major_axis, long_float minor_axis, long_float latitude,
                            long_float longitude, long_float altitude,
                            utm::geocentric_coordinates_type& geocentric_position) {
    const long_float e2 = utm::detail::derive_ellipsoid_constants(major_axis, minor_axis).e2;
    // Sine and cosine of each angle once; the cosine of the latitude serves both x and y.
    geocentric_position =
        utm::detail::geocentric_of(major_axis, e2, low_level_math::sin_cos(latitude),
                                   low_level_math::sin_cos(longitude), altitude);
}

geocentric_to_lat_long_result geocentric_to_lat_long(
    long_float major_axis, long_float minor_axis,
    const utm::geocentric_coordinates_type& geocentric_position) {
    return utm::extensions::geocentric_to_lat_long(major_axis, minor_axis, geocentric_position);
}

}  // namespace utm::bng::conversions
