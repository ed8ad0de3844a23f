// Module `utm::utilities`: whether a UTM point lies near the limit of its zone, and the same
// point in another zone.
#pragma once

#include <cstdint>

#include "global_types.hpp"
#include "utm-datum_transformations.hpp"

namespace utm::utilities {

using global_types::long_float;

/// Half-width of the overlap strip in radians of longitude (0.5729578 degrees, about 39 km
/// east-west at latitude 52 degrees).
inline constexpr long_float overlap_delta = 0.01;

/// GRS80 semi-axes in metres; the operations take the axes as arguments.
inline constexpr long_float major_axis_grs80 = datum_transformations::major_axis_grs80;
inline constexpr long_float minor_axis_grs80 = datum_transformations::minor_axis_grs80;

/// Result of `is_overlapping_zone`: the neighbouring zone, or the point's own zone.
struct is_overlapping_zone_result {
    bool is_overlapping;
    global_types::zone_integer overlap_zone;
};

/// Result of `convert_to_overlap_zone`, whole metres.
struct convert_to_overlap_zone_result {
    global_types::easting_integer overlap_easting;
    global_types::northing_integer overlap_northing;
};

/// (degree + minutes / 60 + seconds / 3600) in radians; the sign of `degree` is not carried
/// to the minutes and seconds.
long_float convert_degree_to_rad(std::int32_t degree, std::int32_t minutes, long_float seconds);

/// Whether the UTM point lies within `overlap_delta` of its zone's western limit (result: zone
/// - 1, tested first) or eastern limit (zone + 1). The limits come from the zone's number and
/// the neighbour keeps its sign (southern zones); zones 60 and 1 are neighbours across the
/// antimeridian. Zone 0 raises `constraint_error`.
is_overlapping_zone_result is_overlapping_zone(long_float major_axis, long_float minor_axis,
                                               global_types::zone_integer zone,
                                               global_types::easting_integer easting,
                                               global_types::northing_integer northing);

/// The UTM point re-expressed in `overlap_zone` (any zone; nothing checks that it is a
/// neighbour). Raises `constraint_error` when the result does not fit the grid (negative) or
/// the projection cannot reach it (about 90 degrees away on the equator).
convert_to_overlap_zone_result convert_to_overlap_zone(long_float major_axis, long_float minor_axis,
                                                       global_types::zone_integer zone,
                                                       global_types::easting_integer easting,
                                                       global_types::northing_integer northing,
                                                       global_types::zone_integer overlap_zone);

}  // namespace utm::utilities
