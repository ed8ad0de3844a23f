// Whole arrays of points converted in one call between the National Grid, UTM, WGS84 and the
// Swiss grids, with a status per point instead of a raised failure. Every pair runs the same
// chain of the library's conversions as the one-point functions, with the corrections a bulk
// caller needs: a southern WGS84 point goes into its southern zone, WGS84 into a Swiss grid is
// range-checked, and a UTM point of zone 31 reaches the Swiss grids through its latitude and
// longitude. The National Grid side may instead go through OSTN15 (precise mode), to the
// millimetre and not rounded.
//
// Arrays are given as separate spans per coordinate (structure of arrays); the call allocates
// nothing per point and never lets a failure escape. Several threads may convert at once, each
// on its own spans (or on separate parts of the same arrays). Refusals and failures are given
// here as data; `batch_wording.hpp` puts them into words.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "global_types.hpp"

namespace batch {

/// The coordinate systems of a point.
enum class coordinate_system : std::uint8_t {
    bng,     ///< National Grid easting, northing (metres, 0 .. 700000, 0 .. 1300000)
    utm,     ///< UTM zone (1 .. 60, negative south of the equator), easting, northing (metres)
    wgs84,   ///< latitude -90 .. 90, longitude -180 up to (not including) 180, decimal degrees
    lv03,    ///< Swiss LV03 easting (Y), northing (X), metres
    lv95,    ///< Swiss LV95 easting (E), northing (N), metres
    etrs89,  ///< ETRS89 latitude, longitude as `wgs84`; only with `datum_method::ostn15`
};

/// How the datum is changed between the National Grid and latitude, longitude or UTM.
enum class datum_method : std::uint8_t {
    /// The seven-parameter Helmert transformation from WGS84 (up to about 5 m from OSTN15);
    /// grid values in whole metres.
    helmert,
    /// OSTN15 from ETRS89 (`utm::datum_transformations::ostn15`), to the millimetre; grid
    /// values not rounded; WGS84 is taken as ETRS89 and UTM is on GRS80 in zones 29 .. 31.
    /// Needs the shift grid (`method_failure`).
    ostn15,
};

/// The outcome for one point: converted (`none`), or the kind of failure that stopped it.
using point_status = global_types::failure_kind;

/// The failure kind's full name ("UTM.EXCEPTIONS.EASTING_OUT_OF_RANGE", "CONSTRAINT_ERROR",
/// ...); empty for `none`.
std::string_view failure_name(point_status s) noexcept;

/// One conversion: from which system to which, and the choices for a UTM result.
struct conversion {
    coordinate_system from = coordinate_system::bng;
    coordinate_system to = coordinate_system::utm;
    /// Zone of every UTM result (-60 .. 60 without 0; negative: southern); 0 lets each point
    /// take the zone of its longitude. UTM to UTM needs one.
    int zone = 0;
    /// Also the point in the neighbouring zone where it lies in an overlap strip.
    bool alt = false;
    datum_method method = datum_method::helmert;
};

/// Whether `from` converts to `to` by `method`. Helmert: every pair but those between the
/// National Grid and the Swiss grids, which share no ground, and a system to itself, except
/// UTM (a zone change); not `etrs89`. OSTN15: the National Grid and one of `wgs84`, `etrs89`
/// and `utm`, either way.
bool is_offered(coordinate_system from, coordinate_system to,
                datum_method method = datum_method::helmert) noexcept;

/// The library's failure that keeps `method` from converting now: precise mode's
/// `data_unavailable` (its message names the missing or damaged shift grid and how to get it);
/// none where `method` can convert.
std::optional<global_types::failure> method_failure(datum_method method);

/// Why a conversion cannot run; `wording::conversion_fault` words it.
enum class conversion_refusal : std::uint8_t {
    none,
    unknown_system,             ///< `from` or `to` is no `coordinate_system`
    unknown_method,             ///< `method` is no `datum_method`
    not_offered,                ///< `is_offered` refuses the pair by the method
    zone_without_utm,           ///< a zone, but the result is not UTM
    zone_out_of_range,          ///< a zone outside -60 .. 60
    zone_beside_national_grid,  ///< OSTN15 into a zone outside 29 .. 31
    no_new_zone,                ///< UTM to UTM without the zone to change to
    alt_without_utm,            ///< the alternative, but the result is not UTM
};

/// Why `c` cannot run (a pair that is not offered, a zone that cannot be forced, `alt` without
/// a UTM result); `none` when it can.
conversion_refusal refusal_of(const conversion& c) noexcept;

/// The zone written where a point has none: a failing point, and under `alt` a point with no
/// neighbouring zone. No point lies in zone 0 (-1 is zone 1 south).
inline constexpr std::int32_t no_zone = 0;

/// The points to convert. The spans `from` needs must have the same length; the others are
/// not read. Grid values are metres, rounded to whole metres as the library rounds (halves
/// away from zero), except on the National Grid and UTM side of OSTN15, which takes them as
/// they are; a zone must be a whole number. NaN fails that point with `constraint_error`,
/// a grid value outside its range with `easting_out_of_range` or `northing_out_of_range`, a
/// zone, latitude or longitude outside its range with `constraint_error`.
struct points {
    std::span<const double> zone;       ///< utm
    std::span<const double> easting;    ///< bng, utm, lv03, lv95
    std::span<const double> northing;   ///< bng, utm, lv03, lv95
    std::span<const double> latitude;   ///< wgs84, etrs89, degrees
    std::span<const double> longitude;  ///< wgs84, etrs89, degrees
    /// utm, may be empty: the latitude band letter (C .. X without I and O) a point was given
    /// with, or '\0'; a band that does not hold the point fails it with `constraint_error`.
    std::span<const char> band;
};

/// Where the results go, one element per point. `status` and the spans of the target system
/// (with the `alt_` spans under `alt`) must have the points' length; the others are not
/// written. A point that fails gets `no_zone` (0) in its zone, -1 in its eastings and
/// northings and NaN in its angles; the `alt_` results are these failure values also where
/// the point lies in no overlap strip or the neighbouring zone's grid cannot hold it. The
/// `_metres` spans may be empty; given, they receive the grid results in metres (NaN where
/// the integers get -1): not rounded under OSTN15, the whole metres otherwise.
struct results {
    std::span<point_status> status;
    std::span<std::int32_t> zone;      ///< utm
    std::span<std::int32_t> easting;   ///< bng, utm, lv03, lv95 (whole metres)
    std::span<std::int32_t> northing;  ///< bng, utm, lv03, lv95 (whole metres)
    std::span<double> latitude;        ///< wgs84, degrees
    std::span<double> longitude;       ///< wgs84, degrees
    std::span<std::int32_t> alt_zone;  ///< utm under `alt`
    std::span<std::int32_t> alt_easting;
    std::span<std::int32_t> alt_northing;
    std::span<double> easting_metres;
    std::span<double> northing_metres;
    std::span<double> alt_easting_metres;
    std::span<double> alt_northing_metres;
};

/// The arrays of `points` and `results` by name.
enum class array_name : std::uint8_t {
    zone,
    easting,
    northing,
    latitude,
    longitude,
    band,
    status,
    alt_zone,
    alt_easting,
    alt_northing,
    easting_metres,
    northing_metres,
    alt_easting_metres,
    alt_northing_metres,
};

/// Whether an array belongs to the points or to the results.
enum class array_side : std::uint8_t { none, input, result };

/// Why `convert` would refuse a call; `wording::arguments_fault` words it. Either the
/// conversion's refusal, or the first array (`side`, `array`) whose `length` is not the points'
/// count `expected`; `side` is `none` where the arrays fit.
struct call_refusal {
    conversion_refusal conversion = conversion_refusal::none;
    array_side side = array_side::none;
    array_name array = array_name::zone;
    std::size_t length = 0;
    std::size_t expected = 0;
    /// Whether the call can run.
    bool none() const noexcept {
        return conversion == conversion_refusal::none && side == array_side::none;
    }
};

/// Why `convert` would refuse these arrays (missing or mismatched spans), or `refusal_of(c)`;
/// `none()` when the call can run.
call_refusal refusal_of(const conversion& c, const points& in, const results& out) noexcept;

/// Converts every point of `in` into `out`. Returns false, and writes nothing, when
/// `refusal_of` refuses the call; otherwise true, with each point's outcome in `status`.
bool convert(const conversion& c, const points& in, const results& out) noexcept;

/// The part of a conversion a point's failure stopped in: reading the point, or the step into
/// the system named (`geo`: latitude and longitude; `shifts`: out of the National Grid by
/// OSTN15).
enum class failed_step : std::uint8_t { input, bng, utm, geo, lv03, lv95, shifts };

/// What is wrong with a point as given, where reading it fails.
enum class input_fault : std::uint8_t {
    none,
    not_a_number,  ///< NaN (for a grid value also an infinity)
    outside,       ///< outside the field's range
    not_a_zone,    ///< a zone that is no whole number in -60 .. 60 but 0
    not_a_band,    ///< a band that is no latitude band letter
    other_band,    ///< a band that does not hold the point
};

/// What stopped a point, as data for the words of its failure: its kind and step, the UTM zone
/// of that step (0 where it has none, or chooses it), and where the point cannot be read
/// (`step` is `input`), the fault, the field (its index in the order of `points`: zone,
/// easting, northing; latitude, longitude), the value given and the field's range.
struct point_failure {
    point_status kind = point_status::none;
    failed_step step = failed_step::input;
    std::int32_t zone = 0;
    input_fault fault = input_fault::none;
    std::size_t field = 0;
    double value = 0.0;
    double first = 0.0;  ///< the range, in the field's unit (metres, degrees, zones)
    double last = 0.0;
    char band = '\0';         ///< the band letter given (`not_a_band`, `other_band`)
    char actual_band = '\0';  ///< the band that holds the point, '\0' beyond the bands
};

/// What stops point `index` of `in` from converting by `c` (kind `none` where it converts).
/// Runs that one point again, so ask only for the points whose status is not `none`. The
/// arrays must be usable for `c`. Raises only what is no failure of the library (no memory).
point_failure failure_of(const conversion& c, const points& in, std::size_t index);

}  // namespace batch
