// Module `utm::bng::conversions`: the National Grid projection (grid <> latitude and longitude
// on the given ellipsoid, with the grid's fixed projection constants) and the conversions
// between latitude, longitude, height and earth-centred coordinates.
#pragma once

#include "global_types.hpp"
#include "utm-bng.hpp"
#include "utm-extensions.hpp"
#include "utm.hpp"

namespace utm::bng::conversions {

using global_types::long_float;

/// Tolerance in metres by which a projected grid value may lie outside its range and still be
/// accepted (it is then clamped to the range end).
inline constexpr long_float boundary_delta = 3.0;

/// Result of `grid_to_lat_long`, radians.
struct grid_to_lat_long_result {
    long_float latitude;
    long_float longitude;
};

/// Result of `lat_long_to_grid`, whole metres.
struct lat_long_to_grid_result {
    easting_integer_bng easting;
    northing_integer_bng northing;
};

/// Result of `geocentric_to_lat_long`: radians, and metres above the ellipsoid.
using geocentric_to_lat_long_result = utm::extensions::geocentric_to_lat_long_result;

/// National Grid point to latitude and longitude (radians) on the ellipsoid with the given
/// semi-axes (metres; normally Airy 1830). Three fixed inverse passes. Raises nothing.
grid_to_lat_long_result grid_to_lat_long(long_float major_axis, long_float minor_axis,
                                         easting_integer_bng easting,
                                         northing_integer_bng northing);

/// `lat_long_to_grid` before rounding: grid values in metres, possibly outside the grid.
struct lat_long_to_grid_unrounded_result {
    long_float easting;
    long_float northing;
};

/// The National Grid values of `lat_long_to_grid` in metres, before the range checks.
lat_long_to_grid_unrounded_result lat_long_to_grid_unrounded(long_float major_axis,
                                                             long_float minor_axis,
                                                             long_float latitude,
                                                             long_float longitude);

/// Latitude and longitude (radians) to the National Grid in whole metres. Values up to
/// `boundary_delta` outside the grid are clamped to its edge; beyond, or not finite, raises
/// `easting_out_of_range` (decided first) or `northing_out_of_range`. A point 90 degrees or
/// more from the central meridian raises `easting_out_of_range`.
lat_long_to_grid_result lat_long_to_grid(long_float major_axis, long_float minor_axis,
                                         long_float latitude, long_float longitude);

/// Latitude, longitude (radians) and height (metres) to earth-centred coordinates (metres),
/// written into `geocentric_position`.
void lat_long_to_geocentric(long_float major_axis, long_float minor_axis, long_float latitude,
                            long_float longitude, long_float altitude,
                            utm::geocentric_coordinates_type& geocentric_position);

/// Earth-centred coordinates (metres) to latitude, longitude (radians) and height (metres);
/// the same operation as `utm::extensions::geocentric_to_lat_long`.
geocentric_to_lat_long_result geocentric_to_lat_long(
    long_float major_axis, long_float minor_axis,
    const utm::geocentric_coordinates_type& geocentric_position);

}  // namespace utm::bng::conversions
