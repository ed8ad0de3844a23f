// Module `utm::datum_transformations::utm_bng`: UTM on WGS84 to and from the National Grid.
#pragma once

#include <cstdint>

#include "global_types.hpp"
#include "utm-bng.hpp"
#include "utm-datum_transformations.hpp"

namespace utm::datum_transformations::utm_bng {

using global_types::long_float;

/// The UTM zones a National Grid conversion accepts.
using bng_zones_utm = global_types::checked<std::int8_t, 29, 31>;

/// GRS80 semi-axes in metres; the operations take the axes as arguments.
inline constexpr long_float major_axis_grs80 = datum_transformations::major_axis_grs80;
inline constexpr long_float minor_axis_grs80 = datum_transformations::minor_axis_grs80;

/// Result of `from_utm_to_bng`, whole metres.
struct from_utm_to_bng_result {
    utm::bng::easting_integer_bng easting_bng;
    utm::bng::northing_integer_bng northing_bng;
};

/// Result of `from_bng_to_utm`, whole metres and the zone of the point's WGS84 longitude.
struct from_bng_to_utm_result {
    global_types::easting_integer easting_utm;
    global_types::northing_integer northing_utm;
    global_types::zone_integer zone_utm;
};

/// UTM point (zone 29 .. 31, on the ellipsoid with the given semi-axes in metres) to the
/// National Grid. A zone outside 29 .. 31 raises `zone_out_of_range` before anything is
/// computed; a point more than 3 m outside the grid raises `easting_out_of_range` or
/// `northing_out_of_range`.
from_utm_to_bng_result from_utm_to_bng(long_float major_axis, long_float minor_axis,
                                       global_types::easting_integer easting_utm,
                                       global_types::northing_integer northing_utm,
                                       global_types::zone_integer zone_utm);

/// National Grid point to UTM in the standard zone of its WGS84 longitude (29, 30 or 31 over
/// the grid) on the ellipsoid with the given semi-axes. Raises nothing for grid points.
from_bng_to_utm_result from_bng_to_utm(long_float major_axis, long_float minor_axis,
                                       utm::bng::easting_integer_bng easting_bng,
                                       utm::bng::northing_integer_bng northing_bng);

}  // namespace utm::datum_transformations::utm_bng
