// Module `utm::bng`: the constants of the British National Grid (Transverse Mercator on the
// Airy 1830 ellipsoid, datum OSGB36) and its two range-checked grid types. The values are the
// Ordnance Survey's, from its guide to coordinate systems in Great Britain.
#pragma once

#include <cstdint>
#include <numbers>

#include "global_types.hpp"
#include "low_level_math.hpp"

namespace utm::bng {

using global_types::long_float;

/// Airy 1830 semi-major axis, metres.
inline constexpr long_float major_axis = 6377563.396;
/// Airy 1830 semi-minor axis, metres.
inline constexpr long_float minor_axis = 6356256.91;
/// F0, the scale factor on the central meridian.
inline constexpr long_float scale_on_central_meridian = 0.9996012717;
/// phi0 of the true origin: 49 degrees north, in radians.
inline constexpr long_float latitude_of_natural_origin =
    low_level_math::radians_by_pi_over_180(49.0);
/// lambda0, the central meridian: 2 degrees west, in radians.
inline constexpr long_float longitude_of_natural_origin =
    low_level_math::radians_by_pi_over_180(-2.0);
/// Grid easting of the true origin, metres.
inline constexpr long_float false_origin_east = 400000.0;
/// Grid northing of the true origin, metres.
inline constexpr long_float false_origin_north = -100000.0;

/// National Grid easting in whole metres.
using easting_integer_bng = global_types::checked<std::int32_t, 0, 700000>;
/// National Grid northing in whole metres.
using northing_integer_bng = global_types::checked<std::int32_t, 0, 1300000>;

}  // namespace utm::bng
