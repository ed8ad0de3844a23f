#include "utm-datum_transformations-global_bng.hpp"

#include <mutex>

#include "utm-bng-conversions.hpp"
#include "utm-extensions.hpp"

namespace utm::datum_transformations::global_bng {

namespace {

// The one process-wide parameter set. It holds the start-up values from load time (constant
// initialisation), so no conversion can ever see an all-zero set. The lock makes a replacement
// atomic for readers on other threads: a conversion copies the whole set once.
constinit std::mutex parameters_lock;
constinit seven_helmert_parameters_type simple_wgs84_to_osgb_odn_helmert_parameters =
    start_up_wgs84_to_osgb_odn_helmert_parameters;

}  // namespace

seven_helmert_parameters_type get_simple_wgs84_to_osgb_odn_helmert_parameters() {
    const std::lock_guard<std::mutex> guard(parameters_lock);
    return simple_wgs84_to_osgb_odn_helmert_parameters;
}

void set_simple_wgs84_to_osgb_odn_helmert_parameters(
    const seven_helmert_parameters_type& seven_helmert_parameters) {
    const std::lock_guard<std::mutex> guard(parameters_lock);
    simple_wgs84_to_osgb_odn_helmert_parameters = seven_helmert_parameters;
}

from_wgs84_lat_long_to_bng_result from_wgs84_lat_long_to_bng(long_float major_axis,
                                                             long_float minor_axis,
                                                             long_float latitude,
                                                             long_float longitude,
                                                             long_float altitude) {
    utm::geocentric_coordinates_type wgs84_position;
    bng::conversions::lat_long_to_geocentric(major_axis, minor_axis, latitude, longitude, altitude,
                                             wgs84_position);
    const utm::geocentric_coordinates_type osgb36_position = small_rotation_helmert_transformation(
        get_simple_wgs84_to_osgb_odn_helmert_parameters(), wgs84_position);
    const auto airy =
        bng::conversions::geocentric_to_lat_long(bng::major_axis, bng::minor_axis, osgb36_position);
    const auto grid = bng::conversions::lat_long_to_grid(bng::major_axis, bng::minor_axis,
                                                         airy.latitude, airy.longitude);
    return {grid.easting, grid.northing};
}

from_bng_to_wgs84_lat_long_result from_bng_to_wgs84_lat_long(
    long_float major_axis, long_float minor_axis, bng::easting_integer_bng easting_bng,
    bng::northing_integer_bng northing_bng) {
    const auto airy = bng::conversions::grid_to_lat_long(bng::major_axis, bng::minor_axis,
                                                         easting_bng, northing_bng);
    // The grid point is taken to lie on the Airy ellipsoid (height 0).
    utm::geocentric_coordinates_type osgb36_position;
    bng::conversions::lat_long_to_geocentric(bng::major_axis, bng::minor_axis, airy.latitude,
                                             airy.longitude, 0.0, osgb36_position);
    const utm::geocentric_coordinates_type wgs84_position =
        inverse_small_rotation_helmert_transformation(
            get_simple_wgs84_to_osgb_odn_helmert_parameters(), osgb36_position);
    const auto wgs84 =
        utm::extensions::geocentric_to_lat_long(major_axis, minor_axis, wgs84_position);
    return {wgs84.latitude, wgs84.longitude, wgs84.altitude};
}

void start_up() {
    set_simple_wgs84_to_osgb_odn_helmert_parameters(start_up_wgs84_to_osgb_odn_helmert_parameters);
}

}  // namespace utm::datum_transformations::global_bng
