#include "utm-utilities.hpp"

#include <cmath>
#include <numbers>

#include "low_level_math.hpp"
#include "utm.hpp"

#include "detail/utm.hpp"

namespace utm::utilities {

namespace {
constexpr long_float pi = std::numbers::pi;
constexpr std::int32_t half_zone_width = 3;  // degrees of longitude
}  // namespace

long_float convert_degree_to_rad(std::int32_t degree, std::int32_t minutes, long_float seconds) {
    // (d + m / 60 + s / 3600) pi / 180: the products commute, so this is pi d / 180 exactly.
    return low_level_math::radians_by_pi_over_180(static_cast<long_float>(degree) +
                                                  static_cast<long_float>(minutes) / 60.0 +
                                                  seconds / 3600.0);
}

is_overlapping_zone_result is_overlapping_zone(long_float major_axis, long_float minor_axis,
                                               global_types::zone_integer zone,
                                               global_types::easting_integer easting,
                                               global_types::northing_integer northing) {
    using global_types::checked_add;
    using global_types::checked_mul;
    using global_types::checked_sub;

    // The zone's number gives its meridians, the sign its hemisphere; zone 0 is no zone and
    // has no neighbours to name.
    const std::int32_t number = std::abs(static_cast<std::int32_t>(zone));
    if (number == 0) {
        throw global_types::constraint_error("range check failed: zone 0 has no neighbours");
    }
    const std::int32_t sign = zone < 0 ? -1 : 1;
    const long_float longitude =
        utm::grid_to_lat_long_without_convergence(major_axis, minor_axis, easting, northing, zone)
            .longitude;
    const std::int32_t central_degrees = utm::detail::central_meridian_degrees(number);
    const long_float lower_zone_limit =
        convert_degree_to_rad(checked_sub(central_degrees, half_zone_width), 0, 0.0);
    const long_float upper_zone_limit =
        convert_degree_to_rad(checked_add(central_degrees, half_zone_width), 0, 0.0);

    // Distances to the limits are taken round the turn: the longitude lies in [-pi, pi], so a
    // point of zone 1 just west of 180 degrees west reads as just under 180 degrees east.
    // Within a turn the remainder is exact.
    const auto distance = [](long_float from, long_float to) {
        return std::abs(std::remainder(to - from, 2.0 * pi));
    };
    // Zones 60 and 1 are neighbours across the antimeridian.
    if (distance(lower_zone_limit, longitude) < overlap_delta) {
        return {true, sign * (number == 1 ? 60 : number - 1)};
    }
    if (distance(longitude, upper_zone_limit) < overlap_delta) {
        return {true, sign * (number == 60 ? 1 : number + 1)};
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
