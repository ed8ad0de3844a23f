// Module `tarnwick`: the exported C interface of libtarnwick.so. Each conversion export checks
// its arguments through the core's range-checked types, calls one core function and copies the
// result record to the caller's out-parameters. Every failure is caught here, the only place
// that catches: the caller then finds the failure value in each out-parameter instead. No C++
// exception leaves this unit.
#include <mutex>

#include "global_types.hpp"
#include "utm-bng-utilities.hpp"
#include "utm-bng.hpp"
#include "utm-datum_transformations-global_bng.hpp"
#include "utm-datum_transformations-global_sncs.hpp"
#include "utm-datum_transformations-utm_bng.hpp"
#include "utm-sncs-conversions.hpp"
#include "utm-utilities.hpp"
#include "utm.hpp"

#include "detail/helmert_chain.hpp"

// The eight functions declared by the header are the library's only exported symbols; the rest
// of the library is built with hidden visibility.
#pragma GCC visibility push(default)
#include "tarnwick.h"
#pragma GCC visibility pop

namespace tarnwick {
namespace {

using global_types::long_float;

// GRS80 semi-axes in metres, the WGS84 side of every conversion the exports run.
using utm::datum_transformations::major_axis_grs80;
using utm::datum_transformations::minor_axis_grs80;
static_assert(major_axis_grs80 == 6378137.0 && minor_axis_grs80 == 6356752.3141);

/// Failure values: zones (one byte 0xFF), eastings, northings and the overlap flag; angles.
constexpr signed char failure_zone = -1;
constexpr int failure_int = -1;
constexpr double failure_angle = -1000.0;

/// The overlap flag of the interface: 0 when the point lies in an overlap, 1 when it does not.
constexpr int overlap_flag(bool is_overlapping) noexcept {
    return is_overlapping ? 0 : 1;
}

/// Writes `value` into the caller's variable; a null out-parameter is skipped. Writes exactly
/// sizeof(T) bytes (one for a zone).
template <class T>
void put(T* out, T value) noexcept {
    if (out != nullptr) {
        *out = value;
    }
}

signed char to_c_int8(global_types::zone_integer zone) noexcept {
    return zone.value();
}
int to_c_int32(std::int32_t value) noexcept {
    return value;
}

/// Starts the library's modules in their fixed order. Only modules with start-up work have a
/// `start_up`; the others need nothing and are listed to keep the order visible.
void start_modules() {
    // 1 elementary_functions_exceptions, 2 low_level_math, 3 long_float_math_lib: nothing to do
    // (failure kinds are types, known without registration).
    utm::start_up();  // 4
    // 5 utm::bng::utilities, 6 utm::datum_transformations, 7 utm::exceptions,
    // 8 utm::bng::conversions, 9 utm::extensions: nothing to do.
    utm::datum_transformations::global_bng::start_up();  // 10: the WGS84 -> OSGB36 set
    // 11 utm::sncs, 12 utm::datum_transformations::utm_sncs,
    // 13 utm::datum_transformations::utm_bng: nothing to do.
    utm::sncs::conversions::start_up();                   // 14: the Swiss projection constants
    utm::datum_transformations::global_sncs::start_up();  // 15: the Swiss Helmert parameter sets
    // 16 utm::utilities, 17 tarnwick: nothing to do.
}

std::once_flag modules_started;

/// Runs the start-up once per process, whichever thread asks first; the others wait for it.
/// Should a start-up fail, the flag stays unset and the next call tries again.
void start_once() noexcept {
    try {
        std::call_once(modules_started, start_modules);
    } catch (...) {
        // The modules already hold their started values from load time.
    }
}

/// Starts the library when it is loaded, so that a conversion called before `initialize_api`
/// already gives started results.
const struct load_time_start {
    load_time_start() noexcept { start_once(); }
} started_at_load;

}  // namespace
}  // namespace tarnwick

using namespace tarnwick;  // the unnamed helpers above; the exports themselves are C names
namespace bng = utm::bng;
namespace global_bng = utm::datum_transformations::global_bng;
namespace helmert_chain = utm::datum_transformations::detail;
namespace utm_bng = utm::datum_transformations::utm_bng;
namespace utilities = utm::utilities;
using global_types::easting_integer;
using global_types::northing_integer;
using global_types::zone_integer;

extern "C" {

void initialize_api(void) {
    start_once();
}

// The library holds nothing that needs finalising: conversions keep working afterwards.
void finalize_api(void) {}

void convert_bng_to_utm(int easting_bng, int northing_bng, signed char* zone_utm, int* easting_utm,
                        int* northing_utm) {
    try {
        const bng::easting_integer_bng easting{easting_bng};
        const bng::northing_integer_bng northing{northing_bng};
        const auto result =
            utm_bng::from_bng_to_utm(major_axis_grs80, minor_axis_grs80, easting, northing);
        put(zone_utm, to_c_int8(result.zone_utm));
        put(easting_utm, to_c_int32(result.easting_utm));
        put(northing_utm, to_c_int32(result.northing_utm));
    } catch (...) {
        put(zone_utm, failure_zone);
        put(easting_utm, failure_int);
        put(northing_utm, failure_int);
    }
}

void convert_utm_to_bng(signed char zone_utm, int northing_utm, int easting_utm, int* easting_bng,
                        int* northing_bng) {
    try {
        const zone_integer zone{zone_utm};
        const northing_integer northing{northing_utm};
        const easting_integer easting{easting_utm};
        const auto result =
            utm_bng::from_utm_to_bng(major_axis_grs80, minor_axis_grs80, easting, northing, zone);
        put(easting_bng, to_c_int32(result.easting_bng));
        put(northing_bng, to_c_int32(result.northing_bng));
    } catch (...) {
        put(easting_bng, failure_int);
        put(northing_bng, failure_int);
    }
}

void from_bng_to_wgs84_lat_long(int easting_bng, int northing_bng, double* latitude,
                                double* longitude) {
    try {
        const bng::easting_integer_bng easting{easting_bng};
        const bng::northing_integer_bng northing{northing_bng};
        // The WGS84 height of the point is not part of the interface, so the chain leaves it
        // out; otherwise it is `global_bng::from_bng_to_wgs84_lat_long`.
        long_float result_latitude = 0.0;
        long_float result_longitude = 0.0;
        if (helmert_chain::bng_to_wgs84(easting.value(), northing.value(), result_latitude,
                                        result_longitude) == global_types::failure_kind::none) {
            put(latitude, result_latitude);
            put(longitude, result_longitude);
            return;
        }
        // The chain fails only at the centre of the earth, which no grid point reaches.
    } catch (...) {
        // A grid value outside the grid's range.
    }
    put(latitude, failure_angle);
    put(longitude, failure_angle);
}

void is_in_overlap_region(int northing_bng, int easting_bng, int* is_overlapping,
                          signed char* overlap_zone_w, signed char* overlap_zone_e) {
    try {
        const bng::northing_integer_bng northing{northing_bng};
        const bng::easting_integer_bng easting{easting_bng};
        const auto result = bng::utilities::is_in_overlap_region(northing, easting);
        put(is_overlapping, overlap_flag(result.is_overlapping));
        put(overlap_zone_w, to_c_int8(result.overlap_zone_w));
        put(overlap_zone_e, to_c_int8(result.overlap_zone_e));
    } catch (...) {
        put(is_overlapping, failure_int);
        put(overlap_zone_w, failure_zone);
        put(overlap_zone_e, failure_zone);
    }
}

void is_overlapping_zone(signed char zone, int easting, int northing, int* is_overlapping,
                         signed char* overlap_zone) {
    try {
        const zone_integer checked_zone{zone};
        const easting_integer checked_easting{easting};
        const northing_integer checked_northing{northing};
        const auto result = utilities::is_overlapping_zone(
            major_axis_grs80, minor_axis_grs80, checked_zone, checked_easting, checked_northing);
        put(is_overlapping, overlap_flag(result.is_overlapping));
        put(overlap_zone, to_c_int8(result.overlap_zone));
    } catch (...) {
        put(is_overlapping, failure_int);
        put(overlap_zone, failure_zone);
    }
}

void convert_to_overlap_zone(signed char zone, int easting, int northing, signed char overlap_zone,
                             int* overlap_easting, int* overlap_northing) {
    try {
        const zone_integer checked_overlap_zone{overlap_zone};
        const northing_integer checked_northing{northing};
        const easting_integer checked_easting{easting};
        const zone_integer checked_zone{zone};
        const auto result = utilities::convert_to_overlap_zone(
            major_axis_grs80, minor_axis_grs80, checked_zone, checked_easting, checked_northing,
            checked_overlap_zone);
        put(overlap_easting, to_c_int32(result.overlap_easting));
        put(overlap_northing, to_c_int32(result.overlap_northing));
    } catch (...) {
        put(overlap_easting, failure_int);
        put(overlap_northing, failure_int);
    }
}

}  // extern "C"
