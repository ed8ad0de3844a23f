// Module `utm::datum_transformations::global_sncs`: WGS84 latitude, longitude and height to
// and from the Swiss grid, in either local reference frame. LV03 changes datum by a
// seven-parameter Helmert transformation with its own parameter set for each direction; LV95
// by a pure translation, WGS84 being taken as the Swiss terrestrial frame CHTRF95. The parameter
// sets are swisstopo's.
#pragma once

#include <cstdint>
#include <numbers>

#include "global_types.hpp"
#include "utm-datum_transformations.hpp"
#include "utm-sncs-conversions.hpp"
#include "utm-sncs.hpp"
#include "utm.hpp"

namespace utm::datum_transformations::global_sncs {

using global_types::long_float;

/// Centesimal arc-seconds per radian (2000000 / pi); the Swiss rotations are published in them.
inline constexpr long_float convq = 2000000.0 / std::numbers::pi;

/// CHTRF95 <-> LV95 translations, metres (used with the three-parameter form).
inline constexpr three_helmert_parameters_type start_up_chtrf95_lv95_helmert_parameters{
    {-674.374, -15.056, -405.346}};

/// WGS84 -> LV03, for the full-rotation form: s -5.66 ppm; t -660.0743, -13.5526, -369.3401 m;
/// r -2.4844, -1.7834, -2.9394 centesimal arc-seconds, held in radians as the quotients over
/// `convq` rounded once: the double division `-2.4844 / convq` rounds twice (the decimal
/// arc-seconds are not exact in binary) and misses the first of them by one unit in the last
/// place.
inline constexpr seven_helmert_parameters_type start_up_wgs84_to_lv03_helmert_parameters{
    -5.66e-6,
    {-660.0743, -13.5526, -369.3401},
    {-3.902486394289241e-06, -2.8013581692060185e-06, -4.617198722980919e-06}};

/// LV03 -> WGS84, for the full-rotation form: s +5.66 ppm; t 660.077, 13.551, 369.344 m;
/// r 2.484, 1.783, 2.939 centesimal arc-seconds over `convq`, rounded once as above (the double
/// division misses the second by one unit in the last place). Not the exact inverse of the
/// set above.
inline constexpr seven_helmert_parameters_type start_up_lv03_to_wgs84_helmert_parameters{
    5.66e-6,
    {660.077, 13.551, 369.344},
    {3.901858075758523e-06, 2.8007298506753006e-06, 4.616570404450201e-06}};

namespace detail {
/// Whether `held` lies within a unit in the last place of the double quotient `quotient`.
constexpr bool within_last_place(long_float held, long_float quotient) {
    const long_float d = held - quotient;
    const long_float bound = (quotient < 0.0 ? -quotient : quotient) * 2.3e-16;
    return d <= bound && -d <= bound;
}
}  // namespace detail

// The held radians are the published centesimal arc-seconds over `convq`.
static_assert(detail::within_last_place(start_up_wgs84_to_lv03_helmert_parameters.rotations[0],
                                        -2.4844 / convq) &&
              detail::within_last_place(start_up_wgs84_to_lv03_helmert_parameters.rotations[1],
                                        -1.7834 / convq) &&
              detail::within_last_place(start_up_wgs84_to_lv03_helmert_parameters.rotations[2],
                                        -2.9394 / convq) &&
              detail::within_last_place(start_up_lv03_to_wgs84_helmert_parameters.rotations[0],
                                        2.484 / convq) &&
              detail::within_last_place(start_up_lv03_to_wgs84_helmert_parameters.rotations[1],
                                        1.783 / convq) &&
              detail::within_last_place(start_up_lv03_to_wgs84_helmert_parameters.rotations[2],
                                        2.939 / convq));

/// The parameter sets in use: the start-up values, constants from load time on.
const three_helmert_parameters_type& chtrf95_lv95_helmert_parameters();
const seven_helmert_parameters_type& wgs84_to_lv03_helmert_parameters();
const seven_helmert_parameters_type& lv03_to_wgs84_helmert_parameters();

/// The module's start-up: its parameter sets are constants, so it does nothing and is safe to
/// call at any time, from any thread.
void start_up();

/// CHTRF95 to the LV95 datum: the translations subtracted (metres in, metres out).
geocentric_coordinates_type chtrf95_to_lv95(
    const geocentric_coordinates_type& geocentric_coordinates);
/// LV95 datum to CHTRF95: the translations added back.
geocentric_coordinates_type lv95_to_chtrf95(
    const geocentric_coordinates_type& geocentric_coordinates);
/// WGS84 to the LV03 datum by the full-rotation seven-parameter form.
geocentric_coordinates_type wgs84_to_lv03(
    const geocentric_coordinates_type& geocentric_coordinates);
/// LV03 datum to WGS84 by the full-rotation seven-parameter form.
geocentric_coordinates_type lv03_to_wgs84(
    const geocentric_coordinates_type& geocentric_coordinates);

/// Result of `from_wgs84_lat_long_to_sncs`: Swiss grid in whole metres, not range-checked.
struct from_wgs84_lat_long_to_sncs_result {
    std::int32_t easting_sncs;
    std::int32_t northing_sncs;
};

/// Result of `from_sncs_to_wgs84_lat_long`: radians, and metres above the caller's ellipsoid.
struct from_sncs_to_wgs84_lat_long_result {
    long_float latitude;
    long_float longitude;
    long_float altitude;
};

/// WGS84 `latitude`, `longitude` (radians) and `altitude` (metres) on the ellipsoid with the
/// given semi-axes to the grid of `ref_frame`, in metres before rounding. `constraint_error`
/// ("invalid data") for an invalid `ref_frame`; the projection's failures pass through.
sncs::conversions::grid_unrounded_record from_wgs84_lat_long_to_sncs_unrounded(
    long_float major_axis, long_float minor_axis, long_float latitude, long_float longitude,
    long_float altitude, sncs::local_reference_frame_enumeration ref_frame);

/// The same rounded to whole metres (halves away from zero); `constraint_error` ("overflow
/// check failed") when a value does not fit 32 bits.
from_wgs84_lat_long_to_sncs_result from_wgs84_lat_long_to_sncs(
    long_float major_axis, long_float minor_axis, long_float latitude, long_float longitude,
    long_float altitude, sncs::local_reference_frame_enumeration ref_frame);

/// Swiss grid point of `ref_frame` (whole metres, lifted at height 0 on Bessel 1841) to WGS84
/// latitude, longitude (radians) and height (metres) on the ellipsoid with the given
/// semi-axes. `constraint_error` ("invalid data") for an invalid `ref_frame`.
from_sncs_to_wgs84_lat_long_result from_sncs_to_wgs84_lat_long(
    long_float major_axis, long_float minor_axis, sncs::local_reference_frame_enumeration ref_frame,
    std::int32_t easting_sncs, std::int32_t northing_sncs);

}  // namespace utm::datum_transformations::global_sncs
