// The Helmert chain between the National Grid and WGS84 (GRS80), one point at a time without
// raising: the same steps, in the same order, as `global_bng` and `utm_bng` take, which run
// these very functions and raise the failure kind they return. The array conversions call them
// in their loops. Internal to the library.
#pragma once

#include <cstdint>

#include "global_types.hpp"
#include "low_level_math.hpp"
#include "utm-bng-conversions.hpp"
#include "utm-datum_transformations.hpp"
#include "utm-extensions.hpp"

#include "detail/utm.hpp"

namespace utm::datum_transformations::detail {

using global_types::long_float;

using global_types::failure_kind;

/// The WGS84 -> OSGB36 parameter set in force: an immutable set that stays valid for the
/// life of the process. One atomic load; safe from any thread.
const seven_helmert_parameters_type& current_parameters() noexcept;

/// National Grid point (in the grid's ranges) to WGS84 latitude, longitude (with the sines and
/// cosines) and height on `ellipsoid`, into `wgs84`; `parts` as for
/// `utm::detail::geocentric_to_geodetic`.
failure_kind bng_to_wgs84(const utm::detail::ellipsoid_model& ellipsoid, std::int32_t easting,
                          std::int32_t northing, utm::detail::geodetic_type& wgs84,
                          utm::detail::geodetic_parts parts = {}) noexcept;

/// WGS84 latitude (given by its sine and cosine), longitude (radians) and height (metres) on
/// `ellipsoid` to National Grid values in metres, before rounding, into `grid`. The
/// longitude's sine and cosine may be given in `longitude_sin_cos`, and the latitude itself
/// in `latitude` (it spares the arc tangent of the latitude on Airy 1830).
failure_kind wgs84_to_bng(const utm::detail::ellipsoid_model& ellipsoid,
                          const low_level_math::sin_cos_type& latitude_sin_cos,
                          long_float longitude, long_float altitude,
                          bng::conversions::lat_long_to_grid_unrounded_result& grid,
                          const low_level_math::sin_cos_type* longitude_sin_cos = nullptr,
                          const utm::detail::latitude_hint* latitude = nullptr) noexcept;

/// National Grid point (in the grid's ranges) to UTM values in metres, before clamping and
/// rounding, in the zone of the WGS84 longitude, on `ellipsoid`, into `grid`.
failure_kind bng_to_utm(const utm::detail::ellipsoid_model& ellipsoid, std::int32_t easting,
                        std::int32_t northing,
                        utm::extensions::lat_long_to_grid_unrounded_result& grid) noexcept;

/// Raises the failure kind `wgs84_to_bng` returned (the centre of the earth:
/// `constraint_error`; a quarter turn or more from the grid's central meridian:
/// `easting_out_of_range`), else the grid values in whole metres by the grid's rule, raising
/// `easting_out_of_range` or `northing_out_of_range`.
bng::conversions::lat_long_to_grid_result national_grid_integers(
    failure_kind fault, const bng::conversions::lat_long_to_grid_unrounded_result& grid);

/// The failure kind `wgs84_to_bng` returned, else the grid values in whole metres by the
/// grid's rule (`easting_out_of_range` decided before `northing_out_of_range`).
failure_kind national_grid_integers(failure_kind fault,
                                    const bng::conversions::lat_long_to_grid_unrounded_result& grid,
                                    std::int32_t& easting, std::int32_t& northing) noexcept;

// The four conversions on GRS80 (the WGS84 side of every export and array conversion), to
// whole metres and radians, with the failure kind the one-point functions raise. Arguments
// must lie in the ranges of their types (the zone in -60 .. 60); heights are 0.

failure_kind bng_to_wgs84(std::int32_t easting, std::int32_t northing, long_float& latitude,
                          long_float& longitude) noexcept;
failure_kind wgs84_to_bng(long_float latitude, long_float longitude, std::int32_t& easting,
                          std::int32_t& northing) noexcept;
failure_kind bng_to_utm(std::int32_t easting, std::int32_t northing, std::int32_t& zone_utm,
                        std::int32_t& easting_utm, std::int32_t& northing_utm) noexcept;
failure_kind utm_to_bng(std::int32_t zone, std::int32_t easting, std::int32_t northing,
                        std::int32_t& easting_bng, std::int32_t& northing_bng) noexcept;

}  // namespace utm::datum_transformations::detail
