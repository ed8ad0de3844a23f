#include "utm-datum_transformations-utm_sncs.hpp"

#include <cmath>
#include <string>

#include "utm-datum_transformations-global_sncs.hpp"
#include "utm-exceptions.hpp"
#include "utm-extensions.hpp"
#include "utm.hpp"

namespace utm::datum_transformations::utm_sncs {

namespace {
using sncs::local_reference_frame_enumeration;

from_sncs_to_utm_result from_sncs_to_utm(long_float major_axis, long_float minor_axis,
                                         local_reference_frame_enumeration ref_frame,
                                         std::int32_t easting_sncs, std::int32_t northing_sncs) {
    const global_sncs::from_sncs_to_wgs84_lat_long_result wgs84 =
        global_sncs::from_sncs_to_wgs84_lat_long(major_axis, minor_axis, ref_frame, easting_sncs,
                                                 northing_sncs);
    const extensions::lat_long_to_grid_result utm =
        extensions::lat_long_to_grid(major_axis, minor_axis, wgs84.latitude, wgs84.longitude);
    return {utm.zone_out, utm.easting, utm.northing};
}

template <typename Result>
Result from_utm_to_sncs(long_float major_axis, long_float minor_axis,
                        local_reference_frame_enumeration ref_frame,
                        global_types::zone_integer zone_utm,
                        global_types::northing_integer northing_utm,
                        global_types::easting_integer easting_utm) {
    if (!sncs_zones_utm::contains(zone_utm.value())) {
        throw exceptions::zone_out_of_range("zone " + std::to_string(zone_utm.value()) +
                                            ", the Swiss grid takes zone 32 only");
    }
    const grid_to_lat_long_result wgs84 =
        grid_to_lat_long(major_axis, minor_axis, easting_utm, northing_utm, zone_utm);
    const sncs::conversions::grid_unrounded_record grid =
        global_sncs::from_wgs84_lat_long_to_sncs_unrounded(major_axis, minor_axis, wgs84.latitude,
                                                           wgs84.longitude, 0.0, ref_frame);
    using northing_type = decltype(Result::northing_sncs);
    using easting_type = decltype(Result::easting_sncs);
    // The northing is checked first: a point far out in both directions fails on it.
    const northing_type northing = global_types::to_grid_integer<northing_type>(
        grid.northing, "northing", frame_tolerance,
        global_types::failure_kind::northing_out_of_range);
    const easting_type easting = global_types::to_grid_integer<easting_type>(
        grid.easting, "easting", frame_tolerance, global_types::failure_kind::easting_out_of_range);
    return {easting, northing};
}
}  // namespace

from_sncs_to_utm_result from_sncs_lv95_to_utm(long_float major_axis, long_float minor_axis,
                                              sncs::easting_integer_sncs_lv95 easting_sncs,
                                              sncs::northing_integer_sncs_lv95 northing_sncs) {
    return from_sncs_to_utm(major_axis, minor_axis, local_reference_frame_enumeration::lv95,
                            easting_sncs, northing_sncs);
}

from_sncs_to_utm_result from_sncs_lv03_to_utm(long_float major_axis, long_float minor_axis,
                                              sncs::easting_integer_sncs_lv03 easting_sncs,
                                              sncs::northing_integer_sncs_lv03 northing_sncs) {
    return from_sncs_to_utm(major_axis, minor_axis, local_reference_frame_enumeration::lv03,
                            easting_sncs, northing_sncs);
}

from_utm_to_sncs_lv95_result from_utm_to_sncs_lv95(long_float major_axis, long_float minor_axis,
                                                   global_types::zone_integer zone_utm,
                                                   global_types::northing_integer northing_utm,
                                                   global_types::easting_integer easting_utm) {
    return from_utm_to_sncs<from_utm_to_sncs_lv95_result>(major_axis, minor_axis,
                                                          local_reference_frame_enumeration::lv95,
                                                          zone_utm, northing_utm, easting_utm);
}

from_utm_to_sncs_lv03_result from_utm_to_sncs_lv03(long_float major_axis, long_float minor_axis,
                                                   global_types::zone_integer zone_utm,
                                                   global_types::northing_integer northing_utm,
                                                   global_types::easting_integer easting_utm) {
    return from_utm_to_sncs<from_utm_to_sncs_lv03_result>(major_axis, minor_axis,
                                                          local_reference_frame_enumeration::lv03,
                                                          zone_utm, northing_utm, easting_utm);
}

}  // namespace utm::datum_transformations::utm_sncs
