#include "utm-datum_transformations-utm_bng.hpp"

#include <string>

#include "utm-datum_transformations-global_bng.hpp"
#include "utm-exceptions.hpp"
#include "utm-extensions.hpp"
#include "utm.hpp"

namespace utm::datum_transformations::utm_bng {

from_utm_to_bng_result from_utm_to_bng(long_float major_axis, long_float minor_axis,
                                       global_types::easting_integer easting_utm,
                                       global_types::northing_integer northing_utm,
                                       global_types::zone_integer zone_utm) {
    if (!bng_zones_utm::contains(zone_utm.value())) {
        throw utm::exceptions::zone_out_of_range("zone " + std::to_string(zone_utm.value()) +
                                                 " outside 29 .. 31");
    }
    const auto wgs84 = utm::grid_to_lat_long_without_convergence(
        major_axis, minor_axis, easting_utm, northing_utm, zone_utm);
    const auto grid = global_bng::from_wgs84_lat_long_to_bng(major_axis, minor_axis, wgs84.latitude,
                                                             wgs84.longitude, 0.0);
    return {grid.easting_bng, grid.northing_bng};
}

from_bng_to_utm_result from_bng_to_utm(long_float major_axis, long_float minor_axis,
                                       bng::easting_integer_bng easting_bng,
                                       bng::northing_integer_bng northing_bng) {
    const auto wgs84 =
        global_bng::from_bng_to_wgs84_lat_long(major_axis, minor_axis, easting_bng, northing_bng);
    const auto grid =
        utm::extensions::lat_long_to_grid(major_axis, minor_axis, wgs84.latitude, wgs84.longitude);
    return {grid.easting, grid.northing, grid.zone_out};
}

}  // namespace utm::datum_transformations::utm_bng
