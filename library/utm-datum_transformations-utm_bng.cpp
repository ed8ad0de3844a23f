#include "utm-datum_transformations-utm_bng.hpp"

#include <string>

#include "utm-datum_transformations-global_bng.hpp"
#include "utm-exceptions.hpp"
#include "utm-extensions.hpp"
#include "utm.hpp"

#include "detail/bng-conversions.hpp"
#include "detail/extensions.hpp"
#include "detail/helmert_chain.hpp"
#include "detail/utm.hpp"

namespace utm::datum_transformations::utm_bng {

using global_types::failure_kind;

from_utm_to_bng_result from_utm_to_bng(long_float major_axis, long_float minor_axis,
                                       global_types::easting_integer easting_utm,
                                       global_types::northing_integer northing_utm,
                                       global_types::zone_integer zone_utm) {
    if (!bng_zones_utm::contains(zone_utm.value())) {
        throw utm::exceptions::zone_out_of_range("zone " + std::to_string(zone_utm.value()) +
                                                 " outside 29 .. 31");
    }
    const utm::detail::ellipsoid_model ellipsoid =
        utm::detail::ellipsoid_model_of(major_axis, minor_axis);
    utm::detail::grid_lat_long_type wgs84{};
    utm::detail::raise_if_failed(utm::detail::utm_grid_to_lat_long(
                                     ellipsoid, easting_utm, northing_utm, zone_utm, wgs84, false),
                                 "range check failed: northing beyond the pole");
    bng::conversions::lat_long_to_grid_unrounded_result grid{};
    const utm::detail::latitude_hint near{wgs84.latitude, wgs84.latitude_sin_cos};
    const failure_kind fault =
        detail::wgs84_to_bng(ellipsoid, wgs84.latitude_sin_cos, wgs84.longitude, 0.0, grid,
                             &wgs84.longitude_sin_cos, &near);
    const auto rounded = detail::national_grid_integers(fault, grid);
    return {rounded.easting, rounded.northing};
}

from_bng_to_utm_result from_bng_to_utm(long_float major_axis, long_float minor_axis,
                                       bng::easting_integer_bng easting_bng,
                                       bng::northing_integer_bng northing_bng) {
    utm::extensions::lat_long_to_grid_unrounded_result grid{};
    utm::detail::raise_if_failed(
        detail::bng_to_utm(utm::detail::ellipsoid_model_of(major_axis, minor_axis), easting_bng,
                           northing_bng, grid),
        "range check failed: point beyond the reach of its zone's projection");
    const utm::extensions::lat_long_to_grid_result whole =
        utm::extensions::detail::clamped_grid_integers(grid);
    return {whole.easting, whole.northing, whole.zone_out};
}

}  // namespace utm::datum_transformations::utm_bng

namespace utm::datum_transformations::detail {

namespace {

using utm::detail::grs80_ellipsoid;

}  // namespace

failure_kind bng_to_utm(const utm::detail::ellipsoid_model& ellipsoid, std::int32_t easting,
                        std::int32_t northing,
                        utm::extensions::lat_long_to_grid_unrounded_result& grid) noexcept {
    utm::detail::geodetic_type wgs84{};
    constexpr utm::detail::geodetic_parts needed{.height = false};
    if (const failure_kind fault = bng_to_wgs84(ellipsoid, easting, northing, wgs84, needed);
        fault != failure_kind::none) {
        return fault;
    }
    return utm::extensions::detail::lat_long_to_grid_unrounded(
        utm::detail::transverse_mercator_constants_of(ellipsoid, utm::scale_on_central_meridian),
        wgs84.latitude, wgs84.phi_sin_cos, wgs84.longitude, grid, &wgs84.lambda_sin_cos);
}

failure_kind bng_to_utm(std::int32_t easting, std::int32_t northing, std::int32_t& zone_utm,
                        std::int32_t& easting_utm, std::int32_t& northing_utm) noexcept {
    utm::extensions::lat_long_to_grid_unrounded_result grid{};
    if (const failure_kind fault = bng_to_utm(grs80_ellipsoid, easting, northing, grid);
        fault != failure_kind::none) {
        return fault;
    }
    if (const failure_kind kind =
            utm::extensions::detail::clamped_grid_integers(grid, easting_utm, northing_utm);
        kind != failure_kind::none) {
        return kind;
    }
    zone_utm = grid.zone_out;
    return failure_kind::none;
}

failure_kind utm_to_bng(std::int32_t zone, std::int32_t easting, std::int32_t northing,
                        std::int32_t& easting_bng, std::int32_t& northing_bng) noexcept {
    if (!utm_bng::bng_zones_utm::contains(zone)) {
        return failure_kind::zone_out_of_range;
    }
    utm::detail::grid_lat_long_type wgs84{};
    if (const failure_kind fault = utm::detail::utm_grid_to_lat_long(grs80_ellipsoid, easting,
                                                                     northing, zone, wgs84, false);
        fault != failure_kind::none) {
        return fault;
    }
    bng::conversions::lat_long_to_grid_unrounded_result grid{};
    const utm::detail::latitude_hint near{wgs84.latitude, wgs84.latitude_sin_cos};
    const failure_kind fault =
        wgs84_to_bng(grs80_ellipsoid, wgs84.latitude_sin_cos, wgs84.longitude, 0.0, grid,
                     &wgs84.longitude_sin_cos, &near);
    return national_grid_integers(fault, grid, easting_bng, northing_bng);
}

}  // namespace utm::datum_transformations::detail
