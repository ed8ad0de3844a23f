// Module `utm::bng::utilities`: whether a National Grid point lies in one of the two strips
// where UTM zones meet over Great Britain (along 0 degrees and 6 degrees west).
#pragma once

#include "global_types.hpp"
#include "utm-bng.hpp"

namespace utm::bng::utilities {

/// Half-width of an overlap strip, metres.
inline constexpr easting_integer_bng overlap_delta = 50000;

/// Result of `is_in_overlap_region`: the zones west and east of the boundary, or 1 and 1.
struct is_in_overlap_region_result {
    bool is_overlapping;
    global_types::zone_integer overlap_zone_w;
    global_types::zone_integer overlap_zone_e;
};

/// Whether the point (northing first, whole metres) lies less than 50 km east or west of the
/// grid curve that follows 0 degrees (zones 30 | 31) or 6 degrees west (zones 29 | 30). Pure
/// grid geometry; raises nothing for grid points.
is_in_overlap_region_result is_in_overlap_region(northing_integer_bng northing_bng,
                                                 easting_integer_bng easting_bng);

}  // namespace utm::bng::utilities
