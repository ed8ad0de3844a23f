// Module `utm::datum_transformations::global_bng`: WGS84 latitude and longitude to and from the
// National Grid, through the one process-wide WGS84 -> OSGB36 Helmert parameter set.
#pragma once

#include "global_types.hpp"

#include <numbers>
#include "utm-bng.hpp"
#include "utm-datum_transformations.hpp"

namespace utm::datum_transformations::global_bng {

using global_types::long_float;

/// Arc-seconds per radian.
inline constexpr long_float secs_per_rad = 648000.0 / std::numbers::pi;

/// The WGS84 -> OSGB36 (Ordnance Datum Newlyn) set installed at start-up, from the Ordnance
/// Survey's guide to coordinate systems in Great Britain, applied with the small-rotation
/// form: s +20.4894 ppm; t -446.448, +125.157, -542.060 m; r -0.1502, -0.2470, -0.8421
/// arc-seconds (each divided by `secs_per_rad`).
inline constexpr seven_helmert_parameters_type start_up_wgs84_to_osgb_odn_helmert_parameters{
    2.04894e-05,
    {-446.448, 125.157, -542.06},
    {-7.281901490265231e-07, -1.1974897923405538e-06, -4.082616008623403e-06}};

/// Result of `from_wgs84_lat_long_to_bng`, whole metres.
struct from_wgs84_lat_long_to_bng_result {
    utm::bng::easting_integer_bng easting_bng;
    utm::bng::northing_integer_bng northing_bng;
};

/// Result of `from_bng_to_wgs84_lat_long`: radians (WGS84), metres above the caller's
/// ellipsoid.
struct from_bng_to_wgs84_lat_long_result {
    long_float latitude;
    long_float longitude;
    long_float altitude;
};

/// A copy of the current WGS84 -> OSGB36 parameter set. Safe from any thread.
seven_helmert_parameters_type get_simple_wgs84_to_osgb_odn_helmert_parameters();

/// Replaces the whole parameter set for all later conversions. Safe from any thread; a
/// conversion running at the same time uses either the old or the new set, never a mixture.
void set_simple_wgs84_to_osgb_odn_helmert_parameters(
    const seven_helmert_parameters_type& seven_helmert_parameters);

/// WGS84 latitude, longitude (radians) and height (metres) on the ellipsoid with the given
/// semi-axes to the National Grid in whole metres. Raises `easting_out_of_range` or
/// `northing_out_of_range` for points more than 3 m outside the grid.
from_wgs84_lat_long_to_bng_result from_wgs84_lat_long_to_bng(long_float major_axis,
                                                             long_float minor_axis,
                                                             long_float latitude,
                                                             long_float longitude,
                                                             long_float altitude);

/// National Grid point (taken at height 0 on Airy 1830) to WGS84 latitude, longitude (radians)
/// and height (metres, about 40 .. 57 m over the grid) on the given ellipsoid. Raises nothing.
from_bng_to_wgs84_lat_long_result from_bng_to_wgs84_lat_long(
    long_float major_axis, long_float minor_axis, utm::bng::easting_integer_bng easting_bng,
    utm::bng::northing_integer_bng northing_bng);

/// Installs `start_up_wgs84_to_osgb_odn_helmert_parameters` (the set already holds them from
/// load time; running this again writes the same values).
void start_up();

}  // namespace utm::datum_transformations::global_bng
