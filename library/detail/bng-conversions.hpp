// Helpers of the module `utm::bng::conversions` for the conversion chain between the National
// Grid and WGS84: the same steps as the module's operations, with the grid's constants on
// Airy 1830 computed once and faults returned instead of raised. Internal to the library.
#pragma once

#include <cstdint>

#include "low_level_math.hpp"
#include "utm-bng-conversions.hpp"

#include "detail/utm.hpp"

namespace utm::bng::conversions::detail {

/// Passes of the grid's inverse projection (`iterate_for_latitude`): a fixed count, no
/// convergence test.
inline constexpr int inverse_passes = 3;

/// Up to `boundary_delta` beyond either end of its range a grid value is that end.
inline constexpr global_types::grid_edges grid_tolerance{.tolerance = boundary_delta};

/// The grid's projection on Airy 1830: Transverse Mercator constants with the scale F0 and the
/// meridian arc of the true origin beta(phi0, e2).
struct airy_constants {
    utm::detail::transverse_mercator_constants tm;
    long_float origin_arc;
};

/// The constants on Airy 1830, computed at the first call; safe from any thread.
const airy_constants& airy() noexcept;

/// Latitude and longitude (radians), each with its sine and cosine, of a grid point.
struct inverse_type {
    long_float latitude;
    long_float longitude;
    low_level_math::sin_cos_type latitude_sin_cos;
    low_level_math::sin_cos_type longitude_sin_cos;
};

/// `grid_to_lat_long` with the projection's constants given; the grid values must lie in the
/// grid's ranges. Without `angles` the longitude is NaN (its sine and cosine are there).
inverse_type grid_to_lat_long(const utm::detail::transverse_mercator_constants& tm,
                              long_float origin_arc, std::int32_t easting, std::int32_t northing,
                              bool angles = true) noexcept;

/// `lat_long_to_grid_unrounded` with the projection's constants and the sine and cosine of the
/// latitude given, into `grid`; the failure kind instead of a raised failure, `beyond_reach`
/// for a point a quarter turn or more from the central meridian. `longitude_sin_cos`, if
/// given, holds the sine and cosine of the longitude, from which the longitude difference's are
/// taken instead of by a further sine.
global_types::failure_kind lat_long_to_grid_unrounded(
    const utm::detail::transverse_mercator_constants& tm, long_float origin_arc,
    long_float latitude, const low_level_math::sin_cos_type& latitude_sin_cos, long_float longitude,
    lat_long_to_grid_unrounded_result& grid, global_types::failure_kind beyond_reach,
    const low_level_math::sin_cos_type* longitude_sin_cos = nullptr) noexcept;

/// Sine and cosine of the grid's central meridian.
const low_level_math::sin_cos_type& natural_origin_sin_cos() noexcept;

/// The grid values in whole metres by the grid's rule (3 m tolerance at the edges; the
/// easting decided first); raises `easting_out_of_range` or `northing_out_of_range`.
lat_long_to_grid_result to_grid_integers(const lat_long_to_grid_unrounded_result& grid);

/// The same integers as the raising form, or the kind of the value that has none
/// (`easting_out_of_range`, `northing_out_of_range`).
global_types::failure_kind to_grid_integers(const lat_long_to_grid_unrounded_result& grid,
                                            std::int32_t& easting, std::int32_t& northing) noexcept;

}  // namespace utm::bng::conversions::detail
