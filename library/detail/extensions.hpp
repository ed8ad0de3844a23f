// Helpers of the module `utm::extensions`. Internal to the library.
#pragma once

#include <cstdint>

#include "low_level_math.hpp"
#include "utm-extensions.hpp"

#include "detail/utm.hpp"

namespace utm::extensions::detail {

/// `lat_long_to_grid_unrounded` with the projection's constants `tm` and the sine and cosine of
/// the latitude given, into `grid`; the failure kind (`constraint_error`, or `argument_error`
/// for a logarithm of a negative number) instead of a raised failure. Raises nothing.
/// `longitude_sin_cos`, if given, holds the sine and cosine of the longitude, from which the
/// longitude difference's are taken instead of by a further sine.
global_types::failure_kind lat_long_to_grid_unrounded(
    const utm::detail::transverse_mercator_constants& tm, long_float latitude,
    const low_level_math::sin_cos_type& latitude_sin_cos, long_float longitude,
    lat_long_to_grid_unrounded_result& grid,
    const low_level_math::sin_cos_type* longitude_sin_cos = nullptr) noexcept;

/// The edge rule of the projection into the zone of the longitude: a grid value beyond the UTM
/// grid's ranges is taken as the nearest edge, on both sides (a chosen zone refuses it).
inline constexpr global_types::grid_edges clamped_edges{.clamp_above = true, .clamp_below = true};

/// The whole metres of `grid` by that edge rule into `easting`, `northing`; `constraint_error`
/// for a value that is not finite. Raises nothing.
global_types::failure_kind clamped_grid_integers(const lat_long_to_grid_unrounded_result& grid,
                                                 std::int32_t& easting,
                                                 std::int32_t& northing) noexcept;

/// The same, with the zone, raising `constraint_error`.
lat_long_to_grid_result clamped_grid_integers(const lat_long_to_grid_unrounded_result& grid);

}  // namespace utm::extensions::detail
