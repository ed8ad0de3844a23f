#include "utm-datum_transformations-global_bng.hpp"

#include <atomic>
#include <forward_list>
#include <mutex>

#include "utm-bng-conversions.hpp"
#include "utm-extensions.hpp"

#include "detail/bng-conversions.hpp"
#include "detail/helmert_chain.hpp"
#include "detail/utm.hpp"

namespace utm::datum_transformations::global_bng {

namespace {

// The one process-wide parameter set. It holds the start-up values from load time (constant
// initialisation), so no conversion can ever see an all-zero set. A conversion reads it with
// one atomic load and no lock: a replacement publishes a new immutable set with one atomic
// store, and no published set is ever freed, since a conversion on another thread may still
// read the one it loaded. Only distinct sets are kept, so repeated start-ups or a set swapped
// back and forth take no more memory.
constinit std::atomic<const seven_helmert_parameters_type*>
    simple_wgs84_to_osgb_odn_helmert_parameters{&start_up_wgs84_to_osgb_odn_helmert_parameters};
constinit std::mutex publishing_lock;  // one setter at a time; readers never take it

bool same_set(const seven_helmert_parameters_type& l, const seven_helmert_parameters_type& r) {
    return l.scale_factor_minus_one == r.scale_factor_minus_one &&
           l.translations == r.translations && l.rotations == r.rotations;
}

}  // namespace

seven_helmert_parameters_type get_simple_wgs84_to_osgb_odn_helmert_parameters() {
    return detail::current_parameters();
}

void set_simple_wgs84_to_osgb_odn_helmert_parameters(
    const seven_helmert_parameters_type& seven_helmert_parameters) {
    static std::forward_list<seven_helmert_parameters_type> published;
    const std::lock_guard<std::mutex> guard(publishing_lock);
    const seven_helmert_parameters_type* set = &start_up_wgs84_to_osgb_odn_helmert_parameters;
    if (!same_set(*set, seven_helmert_parameters)) {
        set = nullptr;
        for (const seven_helmert_parameters_type& p : published) {
            if (same_set(p, seven_helmert_parameters)) {
                set = &p;
            }
        }
        if (set == nullptr) {
            set = &published.emplace_front(seven_helmert_parameters);
        }
    }
    simple_wgs84_to_osgb_odn_helmert_parameters.store(set, std::memory_order_release);
}

from_wgs84_lat_long_to_bng_result from_wgs84_lat_long_to_bng(long_float major_axis,
                                                             long_float minor_axis,
                                                             long_float latitude,
                                                             long_float longitude,
                                                             long_float altitude) {
    bng::conversions::lat_long_to_grid_unrounded_result grid{};
    const utm::detail::latitude_hint near{latitude, low_level_math::sin_cos(latitude)};
    const global_types::failure_kind fault =
        detail::wgs84_to_bng(utm::detail::ellipsoid_model_of(major_axis, minor_axis), near.sin_cos,
                             longitude, altitude, grid, nullptr, &near);
    const auto rounded = detail::national_grid_integers(fault, grid);
    return {rounded.easting, rounded.northing};
}

from_bng_to_wgs84_lat_long_result from_bng_to_wgs84_lat_long(
    long_float major_axis, long_float minor_axis, bng::easting_integer_bng easting_bng,
    bng::northing_integer_bng northing_bng) {
    utm::detail::geodetic_type wgs84{};
    utm::detail::raise_if_failed(
        detail::bng_to_wgs84(utm::detail::ellipsoid_model_of(major_axis, minor_axis), easting_bng,
                             northing_bng, wgs84),
        "range check failed: the centre of the earth has no latitude");
    return {wgs84.latitude, wgs84.longitude, wgs84.altitude};
}

void start_up() {
    set_simple_wgs84_to_osgb_odn_helmert_parameters(start_up_wgs84_to_osgb_odn_helmert_parameters);
}

}  // namespace utm::datum_transformations::global_bng

namespace utm::datum_transformations::detail {

namespace {
using utm::detail::grs80_ellipsoid;
}  // namespace

const seven_helmert_parameters_type& current_parameters() noexcept {
    return *global_bng::simple_wgs84_to_osgb_odn_helmert_parameters.load(std::memory_order_acquire);
}

failure_kind bng_to_wgs84(const utm::detail::ellipsoid_model& ellipsoid, std::int32_t easting,
                          std::int32_t northing, utm::detail::geodetic_type& wgs84,
                          utm::detail::geodetic_parts parts) noexcept {
    const bng::conversions::detail::airy_constants& airy = bng::conversions::detail::airy();
    const bng::conversions::detail::inverse_type on_airy =
        bng::conversions::detail::grid_to_lat_long(airy.tm, airy.origin_arc, easting, northing,
                                                   false);
    // The grid point is taken to lie on the Airy ellipsoid (height 0).
    const utm::geocentric_coordinates_type osgb36_position =
        utm::detail::geocentric_of(utm::detail::airy_1830_ellipsoid.a, airy.tm.ellipsoid.e2,
                                   on_airy.latitude_sin_cos, on_airy.longitude_sin_cos, 0.0);
    const utm::geocentric_coordinates_type wgs84_position =
        inverse_small_rotation_helmert_transformation(current_parameters(), osgb36_position);
    // The datum shift moves the latitude by a few hundred-thousandths of a radian at most.
    const utm::detail::latitude_hint near{on_airy.latitude, on_airy.latitude_sin_cos};
    return utm::detail::geocentric_to_geodetic(ellipsoid, wgs84_position, wgs84, &near, parts);
}

failure_kind wgs84_to_bng(const utm::detail::ellipsoid_model& ellipsoid,
                          const low_level_math::sin_cos_type& latitude_sin_cos,
                          long_float longitude, long_float altitude,
                          bng::conversions::lat_long_to_grid_unrounded_result& grid,
                          const low_level_math::sin_cos_type* longitude_sin_cos,
                          const utm::detail::latitude_hint* latitude) noexcept {
    const utm::geocentric_coordinates_type wgs84_position = utm::detail::geocentric_of(
        ellipsoid.a, ellipsoid.constants.e2, latitude_sin_cos,
        longitude_sin_cos != nullptr ? *longitude_sin_cos : low_level_math::sin_cos(longitude),
        altitude);
    const utm::geocentric_coordinates_type osgb36_position =
        small_rotation_helmert_transformation(current_parameters(), wgs84_position);
    utm::detail::geodetic_type on_airy{};
    // The projection takes the longitude through its sine and cosine alone; the height is 0.
    constexpr utm::detail::geodetic_parts needed{.longitude = false, .height = false};
    if (const failure_kind fault = utm::detail::geocentric_to_geodetic(
            utm::detail::airy_1830_ellipsoid, osgb36_position, on_airy, latitude, needed);
        fault != failure_kind::none) {
        return fault;
    }
    const bng::conversions::detail::airy_constants& airy = bng::conversions::detail::airy();
    // A point a quarter turn or more away lies far outside the grid, east or west.
    return bng::conversions::detail::lat_long_to_grid_unrounded(
        airy.tm, airy.origin_arc, on_airy.latitude, on_airy.phi_sin_cos, on_airy.longitude, grid,
        failure_kind::easting_out_of_range, &on_airy.lambda_sin_cos);
}

failure_kind bng_to_wgs84(std::int32_t easting, std::int32_t northing, long_float& latitude,
                          long_float& longitude) noexcept {
    utm::detail::geodetic_type wgs84{};
    constexpr utm::detail::geodetic_parts needed{.height = false, .sines = false};
    // Only the centre of the earth fails, which no grid point reaches.
    if (const failure_kind fault = bng_to_wgs84(grs80_ellipsoid, easting, northing, wgs84, needed);
        fault != failure_kind::none) {
        return fault;
    }
    latitude = wgs84.latitude;
    longitude = wgs84.longitude;
    return failure_kind::none;
}

bng::conversions::lat_long_to_grid_result national_grid_integers(
    failure_kind fault, const bng::conversions::lat_long_to_grid_unrounded_result& grid) {
    utm::detail::raise_if_failed(fault, "point beyond the reach of the grid's projection");
    return bng::conversions::detail::to_grid_integers(grid);
}

failure_kind national_grid_integers(failure_kind fault,
                                    const bng::conversions::lat_long_to_grid_unrounded_result& grid,
                                    std::int32_t& easting, std::int32_t& northing) noexcept {
    if (fault != failure_kind::none) {
        return fault;
    }
    return bng::conversions::detail::to_grid_integers(grid, easting, northing);
}

failure_kind wgs84_to_bng(long_float latitude, long_float longitude, std::int32_t& easting,
                          std::int32_t& northing) noexcept {
    bng::conversions::lat_long_to_grid_unrounded_result grid{};
    const utm::detail::latitude_hint near{latitude, low_level_math::sin_cos(latitude)};
    const failure_kind fault =
        wgs84_to_bng(grs80_ellipsoid, near.sin_cos, longitude, 0.0, grid, nullptr, &near);
    return national_grid_integers(fault, grid, easting, northing);
}

}  // namespace utm::datum_transformations::detail
