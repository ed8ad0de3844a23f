// Module `utm::datum_transformations::utm_sncs`: Swiss grid (LV95 or LV03) to UTM and UTM
// zone 32 to the Swiss grid, with a tolerance at the edges of the grid ranges.
#pragma once

#include <cstdint>

#include "global_types.hpp"
#include "utm-datum_transformations.hpp"
#include "utm-sncs.hpp"

namespace utm::datum_transformations::utm_sncs {

using global_types::long_float;

/// GRS80 semi-axes in metres, for callers; the operations take the axes as arguments.
inline constexpr long_float major_axis_grs80 = datum_transformations::major_axis_grs80;
inline constexpr long_float minor_axis_grs80 = datum_transformations::minor_axis_grs80;

/// Metres a projected Swiss grid value may lie outside its frame's range and still be taken
/// (as the nearest end of the range).
inline constexpr std::int32_t boundary_delta = 3;

/// The Swiss grids' edges for `global_types::to_grid_integer`: up to `boundary_delta` whole
/// metres beyond its range a grid value is the range's end.
inline constexpr global_types::grid_edges frame_tolerance{.tolerance = boundary_delta,
                                                          .tolerance_in_whole_metres = true};

/// The only UTM zone accepted on the way into the Swiss grid.
using sncs_zones_utm = global_types::checked<std::int8_t, 32, 32>;

/// Result of the Swiss grid to UTM conversions: the zone of the point's WGS84 longitude (31
/// west of 6 degrees east) and whole metres.
struct from_sncs_to_utm_result {
    global_types::zone_integer zone_utm;
    global_types::easting_integer easting_utm;
    global_types::northing_integer northing_utm;
};

/// Result of `from_utm_to_sncs_lv95`, whole metres.
struct from_utm_to_sncs_lv95_result {
    sncs::easting_integer_sncs_lv95 easting_sncs;
    sncs::northing_integer_sncs_lv95 northing_sncs;
};

/// Result of `from_utm_to_sncs_lv03`, whole metres.
struct from_utm_to_sncs_lv03_result {
    sncs::easting_integer_sncs_lv03 easting_sncs;
    sncs::northing_integer_sncs_lv03 northing_sncs;
};

/// LV95 grid point to UTM on the ellipsoid with the given semi-axes (metres), in the standard
/// zone of its longitude. Raises nothing for points of the LV95 range.
from_sncs_to_utm_result from_sncs_lv95_to_utm(long_float major_axis, long_float minor_axis,
                                              sncs::easting_integer_sncs_lv95 easting_sncs,
                                              sncs::northing_integer_sncs_lv95 northing_sncs);

/// LV03 grid point to UTM, as `from_sncs_lv95_to_utm`.
from_sncs_to_utm_result from_sncs_lv03_to_utm(long_float major_axis, long_float minor_axis,
                                              sncs::easting_integer_sncs_lv03 easting_sncs,
                                              sncs::northing_integer_sncs_lv03 northing_sncs);

/// UTM point of zone 32 (note: northing before easting) on the ellipsoid with the given
/// semi-axes to LV95. `zone_out_of_range` for any other zone, before anything is computed.
/// A value up to `boundary_delta` m outside the range is taken as the range's end; further out
/// the northing is checked first (`northing_out_of_range`), then the easting
/// (`easting_out_of_range`).
from_utm_to_sncs_lv95_result from_utm_to_sncs_lv95(long_float major_axis, long_float minor_axis,
                                                   global_types::zone_integer zone_utm,
                                                   global_types::northing_integer northing_utm,
                                                   global_types::easting_integer easting_utm);

/// UTM point of zone 32 to LV03, as `from_utm_to_sncs_lv95`.
from_utm_to_sncs_lv03_result from_utm_to_sncs_lv03(long_float major_axis, long_float minor_axis,
                                                   global_types::zone_integer zone_utm,
                                                   global_types::northing_integer northing_utm,
                                                   global_types::easting_integer easting_utm);

}  // namespace utm::datum_transformations::utm_sncs
