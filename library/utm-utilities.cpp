#include "utm-utilities.hpp"

#include <cmath>

#include "utm.hpp"

namespace utm::utilities {

namespace {
constexpr long_float pi = 3.141592653589793;
constexpr std::int32_t half_zone_width = 3;  // degrees of longitude
}  // namespace

long_float convert_degree_to_rad(std::int32_t degree, std::int32_t minutes, long_float seconds) {
    return (static_cast<long_float>(degree) + static_cast<long_float>(minutes) / 60.0 +
            seconds / 3600.0) *
           pi / 180.0;
}

is_overlapping_zone_result is_overlapping_zone(long_float major_axis, long_float minor_axis,
                                               global_types::zone_integer zone,
                                               global_types::easting_integer easting,
                                               global_types::northing_integer northing) {
    using global_types::checked_add;
    using global_types::checked_mul;
    using global_types::checked_sub;

    const long_float longitude =
        utm::grid_to_lat_long_without_convergence(major_axis, minor_axis, easting, northing, zone)
            .longitude;
    // Western and eastern meridians of the zone, from the signed zone number: a southern
    // (negative) zone's limits lie beyond -360 degrees and never match.
    const std::int32_t central_degrees = checked_sub(checked_mul(6, zone), 183);
    const long_float lower_zone_limit =
        convert_degree_to_rad(checked_sub(central_degrees, half_zone_width), 0, 0.0);
    const long_float upper_zone_limit =
        convert_degree_to_rad(checked_add(central_degrees, half_zone_width), 0, 0.0);

    // No wrap-around: zone 60's eastern neighbour (61) raises `constraint_error`.
    if (std::abs(longitude - lower_zone_limit) < overlap_delta) {
        return {true, checked_sub(zone, 1)};
    }
    if (std::abs(upper_zone_limit - longitude) < overlap_delta) {
        return {true, checked_add(zone, 1)};
    }
    return {false, zone};
}

convert_to_overlap_zone_result convert_to_overlap_zone(long_float major_axis, long_float minor_axis,
                                                       global_types::zone_integer zone,
                                                       global_types::easting_integer easting,
                                                       global_types::northing_integer northing,
                                                       global_types::zone_integer overlap_zone) {
    const auto tmp =
        utm::grid_to_lat_long_without_convergence(major_axis, minor_axis, easting, northing, zone);
    const auto grid =
        utm::lat_long_to_grid(major_axis, minor_axis, tmp.latitude, tmp.longitude, overlap_zone);
    return {grid.easting, grid.northing};
}

}  // namespace utm::utilities
