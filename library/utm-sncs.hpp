// Module `utm::sncs`: constants of the Swiss national grid. The Bessel 1841 ellipsoid, the
// projection centre near Bern, the two local reference frames and their grid ranges; the values
// are swisstopo's, from its documents on the Swiss projection and reference frames.
#pragma once

#include <cstdint>
#include <string_view>

#include "global_types.hpp"

namespace utm::sncs {

using global_types::long_float;

/// Semi-major axis of Bessel 1841, metres.
inline constexpr long_float major_axis_bessel41 = 6377397.155;
/// Semi-minor axis of Bessel 1841, metres.
inline constexpr long_float minor_axis_bessel41 = 6356078.962822;
/// Latitude of the projection centre (46 deg 57 min 8.66 s), radians.
inline constexpr long_float lat_null = 0.8194740686761217;
/// Longitude of the projection centre (7 deg 26 min 22.50 s), radians.
inline constexpr long_float long_null = 0.12984522414316146;

/// Grid coordinates of the projection centre in LV95, metres.
inline constexpr long_float false_origin_east_lv95 = 2600000.0;
inline constexpr long_float false_origin_north_lv95 = 1200000.0;
/// Grid coordinates of the projection centre in LV03, metres.
inline constexpr long_float false_origin_east_lv03 = 600000.0;
inline constexpr long_float false_origin_north_lv03 = 200000.0;

/// The Swiss local reference frames. They share the projection and differ in their false
/// origins and in the datum change to WGS84. The 8-bit base can hold values that are neither
/// literal (a cast from an out-of-range integer); every operation that takes a frame rejects
/// such a value with `constraint_error` ("invalid data").
enum class local_reference_frame_enumeration : std::uint8_t {
    lv03 = 0,
    lv95 = 1,
};

/// The image name of a frame: "LV03" or "LV95"; `constraint_error` for an invalid value.
std::string_view image(local_reference_frame_enumeration ref_frame);

/// Grid ranges of the frames, whole metres; `constraint_error` outside them.
using easting_integer_sncs_lv95 = global_types::checked<std::int32_t, 2480000, 2840000>;
using northing_integer_sncs_lv95 = global_types::checked<std::int32_t, 1070000, 1300000>;
using easting_integer_sncs_lv03 = global_types::checked<std::int32_t, 480000, 840000>;
using northing_integer_sncs_lv03 = global_types::checked<std::int32_t, 70000, 300000>;

/// False easting of `ref_frame`, metres; `constraint_error` ("invalid data") for an invalid
/// frame value.
long_float get_false_origin_east(local_reference_frame_enumeration ref_frame);
/// False northing of `ref_frame`, metres; `constraint_error` ("invalid data") for an invalid
/// frame value.
long_float get_false_origin_north(local_reference_frame_enumeration ref_frame);

}  // namespace utm::sncs
