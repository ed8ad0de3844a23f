// Module `utm::sncs::conversions`: the Swiss oblique conformal cylindrical projection between
// latitude/longitude on Bessel 1841 and Swiss grid coordinates, and the conversions between
// Bessel latitude/longitude/height and earth-centred Cartesian coordinates.
//
// The projection is a double projection: the ellipsoid is mapped conformally onto a sphere of
// radius `radius_sphere`, the sphere is turned so that the projection centre lies on its
// equator, and the turned sphere is mapped by a Mercator projection.
#pragma once

#include <cstdint>

#include "global_types.hpp"
#include "utm-sncs.hpp"
#include "utm.hpp"

namespace utm::sncs::conversions {

using global_types::long_float;

/// Squared first eccentricity of Bessel 1841 (a fixed constant, not derived from the axes).
inline constexpr long_float e_squared = 0.006674372230610916;
/// Squared second eccentricity of Bessel 1841.
inline constexpr long_float second_e_squared = 0.006719218797967469;
/// 1 - e_squared, as the projection constants and the geocentric conversion use it.
inline constexpr long_float one_minus_e_squared = 0.993325627769389;
/// Number of improvements of the latitude in the inverse projection (no convergence test).
inline constexpr int latitude_passes = 4;
/// Number of iterations of `geocentric_to_lat_long`.
inline constexpr int geocentric_passes = 3;

/// The values the projection derives from Bessel 1841 and the projection centre.
struct start_up_values_type {
    long_float e = 0.0;                ///< first eccentricity, sqrt(e_squared)
    long_float radius_sphere = 0.0;    ///< R, radius of the conformal sphere, metres
    long_float alpha = 0.0;            ///< ratio of sphere longitude to ellipsoid longitude
    long_float lat_null_sphere = 0.0;  ///< b0, latitude of the centre on the sphere, radians
    long_float s_null = 0.0;           ///< K, constant of the latitude mapping
};

/// The projection's start-up values: constants from load time on, whether or not `start_up`
/// has run.
const start_up_values_type& start_up_values();

/// The module's start-up: its values are constants, so it does nothing and is safe to call at
/// any time, from any thread.
void start_up();

/// Latitude and longitude in radians.
struct lat_long_record {
    long_float latitude;
    long_float longitude;
};

/// Latitude and longitude in radians, height in metres.
struct lat_long_altitude_record {
    long_float latitude;
    long_float longitude;
    long_float altitude;
};

/// Swiss grid position in whole metres (frame ranges are applied by the callers).
struct grid_record {
    std::int32_t easting;
    std::int32_t northing;
};

/// Swiss grid position in metres, before rounding.
struct grid_unrounded_record {
    long_float easting;
    long_float northing;
};

/// A grid value in metres rounded to whole metres, halves away from zero; `constraint_error`
/// when it is not finite or does not fit a signed 32-bit integer.
std::int32_t round_to_integer(long_float value);

/// Projects Bessel `latitude`, `longitude` (radians) to the grid of `ref_frame`, in metres
/// without rounding. `argument_error` outside the domain of the elementary functions,
/// `constraint_error` at latitude 90 degrees or for an invalid `ref_frame`.
grid_unrounded_record lat_long_to_grid_unrounded(long_float latitude, long_float longitude,
                                                 local_reference_frame_enumeration ref_frame);

/// Projects Bessel `latitude`, `longitude` (radians) to the grid of `ref_frame`, rounded to
/// whole metres (halves away from zero). The axes are accepted and not used: the projection
/// is fixed to Bessel 1841. Fails as `lat_long_to_grid_unrounded`, and with
/// `constraint_error` when a value does not fit 32 bits.
grid_record lat_long_to_grid(long_float major_axis, long_float minor_axis, long_float latitude,
                             long_float longitude, local_reference_frame_enumeration ref_frame);

/// Bessel latitude and longitude (radians) of the grid point `easting`, `northing` (metres)
/// of `ref_frame`. The axes are accepted and not used. `argument_error` outside the domain of
/// the elementary functions; `constraint_error` for an invalid `ref_frame` or when the
/// point has no finite latitude and longitude.
lat_long_record grid_to_lat_long(long_float major_axis, long_float minor_axis,
                                 local_reference_frame_enumeration ref_frame, std::int32_t easting,
                                 std::int32_t northing);

/// Ellipsoid latitude (radians) of the conformal-sphere latitude `sphere_latitude`, improved
/// `passes` times from the sphere latitude itself; the inverse projection uses
/// `latitude_passes`.
long_float ellipsoid_latitude(long_float sphere_latitude, int passes);

/// Earth-centred position of `latitude`, `longitude` (radians), `altitude` (metres) on the
/// ellipsoid of `major_axis` and the fixed Bessel eccentricity (`minor_axis` is not used).
geocentric_coordinates_type lat_long_to_geocentric(long_float major_axis, long_float minor_axis,
                                                   long_float latitude, long_float longitude,
                                                   long_float altitude);

/// Latitude, longitude (radians) and height (metres) of `geocentric_position` on the
/// ellipsoid of `major_axis` and the fixed Bessel eccentricity (`minor_axis` is not used),
/// by three fixed iterations started from z / p; good to about 0.1 m in latitude and 25 m in
/// height near Switzerland. Points on the polar axis give +-pi/2 and their distance from the
/// pole as height. `constraint_error` for the centre of the earth and when the result is not
/// finite.
lat_long_altitude_record geocentric_to_lat_long(
    long_float major_axis, long_float minor_axis,
    const geocentric_coordinates_type& geocentric_position);

}  // namespace utm::sncs::conversions
