// Module `utm::extensions`: earth-centred to geodetic coordinates, and the forward UTM
// projection that chooses the zone from the longitude.
#pragma once

#include "global_types.hpp"
#include "utm.hpp"

namespace utm::extensions {

using global_types::long_float;

/// Result of `geocentric_to_lat_long`: radians, and metres above the ellipsoid.
struct geocentric_to_lat_long_result {
    long_float latitude;
    long_float longitude;
    long_float altitude;
};

/// Result of `lat_long_to_grid`: whole metres and the zone chosen.
struct lat_long_to_grid_result {
    global_types::easting_integer easting;
    global_types::northing_integer northing;
    global_types::zone_integer zone_out;
};

/// Earth-centred coordinates (metres) to latitude, longitude (radians, in (-pi, pi]) and
/// height (metres) on the ellipsoid with the given semi-axes. Two fixed latitude passes; the
/// height comes from the latitude before the last pass (about 1 mm short at 50 m height,
/// 2 cm at 1000 m). A point on the polar axis gives latitude +-pi/2, longitude 0 and height
/// |z| - b; the centre of the earth raises `constraint_error`.
geocentric_to_lat_long_result geocentric_to_lat_long(
    long_float major_axis, long_float minor_axis,
    const utm::geocentric_coordinates_type& geocentric_position);

/// `lat_long_to_grid` before rounding and clamping: metres, and the zone chosen.
struct lat_long_to_grid_unrounded_result {
    long_float easting;
    long_float northing;
    global_types::zone_integer zone_out;
};

/// The grid values of `lat_long_to_grid` in metres before they are clamped and rounded; it
/// raises as `lat_long_to_grid` does for the longitude.
lat_long_to_grid_unrounded_result lat_long_to_grid_unrounded(long_float major_axis,
                                                             long_float minor_axis,
                                                             long_float latitude,
                                                             long_float longitude);

/// Latitude and longitude (radians) to UTM in the standard zone of the longitude (a zone
/// boundary belongs to the zone east of it). Eastings and northings outside the grid are
/// clamped to 0 .. 999999 and 0 .. 11000000. A longitude outside [-180, 180) degrees, or a
/// result that is not finite, raises `constraint_error`.
lat_long_to_grid_result lat_long_to_grid(long_float major_axis, long_float minor_axis,
                                         long_float latitude, long_float longitude);

}  // namespace utm::extensions
