#include "utm-datum_transformations-global_sncs.hpp"

#include "utm-extensions.hpp"

namespace utm::datum_transformations::global_sncs {

namespace {
using sncs::local_reference_frame_enumeration;

// The module's parameter sets are its start-up values, constants from load time on: never seen
// unset, never written, so no start-up can race a conversion.
constexpr const three_helmert_parameters_type& chtrf95_lv95 =
    start_up_chtrf95_lv95_helmert_parameters;
constexpr const seven_helmert_parameters_type& wgs84_to_lv03_set =
    start_up_wgs84_to_lv03_helmert_parameters;
constexpr const seven_helmert_parameters_type& lv03_to_wgs84_set =
    start_up_lv03_to_wgs84_helmert_parameters;

[[noreturn]] void invalid_frame() {
    throw global_types::constraint_error("invalid data");
}

// WGS84 (taken as CHTRF95 for LV95) to the Swiss datum of `ref_frame`.
geocentric_coordinates_type to_swiss_datum(local_reference_frame_enumeration ref_frame,
                                           const geocentric_coordinates_type& p) {
    switch (ref_frame) {
        case local_reference_frame_enumeration::lv03:
            return wgs84_to_lv03(p);
        case local_reference_frame_enumeration::lv95:
            return chtrf95_to_lv95(p);
    }
    invalid_frame();
}

// The Swiss datum of `ref_frame` back to WGS84 (CHTRF95 for LV95).
geocentric_coordinates_type from_swiss_datum(local_reference_frame_enumeration ref_frame,
                                             const geocentric_coordinates_type& p) {
    switch (ref_frame) {
        case local_reference_frame_enumeration::lv03:
            return lv03_to_wgs84(p);
        case local_reference_frame_enumeration::lv95:
            return lv95_to_chtrf95(p);
    }
    invalid_frame();
}
}  // namespace

const three_helmert_parameters_type& chtrf95_lv95_helmert_parameters() {
    return chtrf95_lv95;
}

const seven_helmert_parameters_type& wgs84_to_lv03_helmert_parameters() {
    return wgs84_to_lv03_set;
}

const seven_helmert_parameters_type& lv03_to_wgs84_helmert_parameters() {
    return lv03_to_wgs84_set;
}

void start_up() {
    // The parameter sets are constants from load time on; there is nothing to write.
}

geocentric_coordinates_type chtrf95_to_lv95(
    const geocentric_coordinates_type& geocentric_coordinates) {
    return inverse_helmert_transformation(chtrf95_lv95, geocentric_coordinates);
}

geocentric_coordinates_type lv95_to_chtrf95(
    const geocentric_coordinates_type& geocentric_coordinates) {
    return helmert_transformation(chtrf95_lv95, geocentric_coordinates);
}

geocentric_coordinates_type wgs84_to_lv03(
    const geocentric_coordinates_type& geocentric_coordinates) {
    return helmert_transformation(wgs84_to_lv03_set, geocentric_coordinates);
}

geocentric_coordinates_type lv03_to_wgs84(
    const geocentric_coordinates_type& geocentric_coordinates) {
    return helmert_transformation(lv03_to_wgs84_set, geocentric_coordinates);
}

sncs::conversions::grid_unrounded_record from_wgs84_lat_long_to_sncs_unrounded(
    long_float major_axis, long_float minor_axis, long_float latitude, long_float longitude,
    long_float altitude, local_reference_frame_enumeration ref_frame) {
    const geocentric_coordinates_type wgs84 =
        utm::lat_long_to_geocentric(major_axis, minor_axis, latitude, longitude, altitude);
    const geocentric_coordinates_type swiss = to_swiss_datum(ref_frame, wgs84);
    const sncs::conversions::lat_long_altitude_record bessel =
        sncs::conversions::geocentric_to_lat_long(sncs::major_axis_bessel41,
                                                  sncs::minor_axis_bessel41, swiss);
    return sncs::conversions::lat_long_to_grid_unrounded(bessel.latitude, bessel.longitude,
                                                         ref_frame);
}

from_wgs84_lat_long_to_sncs_result from_wgs84_lat_long_to_sncs(
    long_float major_axis, long_float minor_axis, long_float latitude, long_float longitude,
    long_float altitude, local_reference_frame_enumeration ref_frame) {
    const sncs::conversions::grid_unrounded_record grid = from_wgs84_lat_long_to_sncs_unrounded(
        major_axis, minor_axis, latitude, longitude, altitude, ref_frame);
    return {sncs::conversions::round_to_integer(grid.easting),
            sncs::conversions::round_to_integer(grid.northing)};
}

from_sncs_to_wgs84_lat_long_result from_sncs_to_wgs84_lat_long(
    long_float major_axis, long_float minor_axis, local_reference_frame_enumeration ref_frame,
    std::int32_t easting_sncs, std::int32_t northing_sncs) {
    const sncs::conversions::lat_long_record bessel =
        sncs::conversions::grid_to_lat_long(sncs::major_axis_bessel41, sncs::minor_axis_bessel41,
                                            ref_frame, easting_sncs, northing_sncs);
    const geocentric_coordinates_type swiss = sncs::conversions::lat_long_to_geocentric(
        sncs::major_axis_bessel41, sncs::minor_axis_bessel41, bessel.latitude, bessel.longitude,
        0.0);
    const geocentric_coordinates_type wgs84 = from_swiss_datum(ref_frame, swiss);
    const extensions::geocentric_to_lat_long_result r =
        extensions::geocentric_to_lat_long(major_axis, minor_axis, wgs84);
    return {r.latitude, r.longitude, r.altitude};
}

}  // namespace utm::datum_transformations::global_sncs
