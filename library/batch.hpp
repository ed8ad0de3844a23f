// Whole arrays of points converted in one call between the National Grid, UTM, WGS84 and the
// Swiss grids, with a status per point instead of a raised failure. Every pair runs the same
// chain of the library's conversions as the one-point functions, with the corrections a bulk
// caller needs: a southern WGS84 point goes into its southern zone, a forced zone that would
// clamp the result fails the point, and WGS84 into a Swiss grid is range-checked.
//
// Arrays are given as separate spans per coordinate (structure of arrays); the call allocates
// nothing per point and never lets a failure escape. Several threads may convert at once, each
// on its own spans (or on separate parts of the same arrays).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace batch {

/// The coordinate systems of a point.
enum class coordinate_system : std::uint8_t {
    bng,    ///< National Grid easting, northing (metres, 0 .. 700000, 0 .. 1300000)
    utm,    ///< UTM zone (1 .. 60, negative south of the equator), easting, northing (metres)
    wgs84,  ///< latitude -90 .. 90, longitude -180 up to (not including) 180, decimal degrees
    lv03,   ///< Swiss LV03 easting (Y), northing (X), metres
    lv95,   ///< Swiss LV95 easting (E), northing (N), metres
};

/// How the datum is changed between WGS84 and the National Grid. The seven-parameter Helmert
/// transformation (errors up to 5 m) is the only one so far.
enum class datum_method : std::uint8_t { helmert };

/// The outcome for one point: converted, or the kind of failure that stopped it.
enum class point_status : std::uint8_t {
    ok,
    constraint_error,       ///< an input or result outside its range, a clamped result
    argument_error,         ///< the projection has no solution for the point
    zone_out_of_range,      ///< a zone the target grid does not take
    easting_out_of_range,   ///< outside the target grid, east or west
    northing_out_of_range,  ///< outside the target grid, north or south
    unexpected,             ///< anything else (out of memory while describing a failure)
};

/// The failure kind's full name ("UTM.EXCEPTIONS.EASTING_OUT_OF_RANGE", "CONSTRAINT_ERROR",
/// ...); empty for `ok`.
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

/// Whether `from` converts to `to`: the National Grid and the Swiss grids share no ground,
/// and a system converts to itself only for UTM (a zone change).
bool is_offered(coordinate_system from, coordinate_system to) noexcept;

/// Why `c` cannot run (a pair that is not offered, a zone that cannot be forced, `alt` without
/// a UTM result), in words; empty when it can.
std::string conversion_fault(const conversion& c);

/// The points to convert. The spans `from` needs must have the same length; the others are
/// not read. Grid values are metres, rounded to whole metres as the library rounds (halves
/// away from zero); a zone must be a whole number. NaN or a value outside the system's range
/// fails that point with `constraint_error`.
struct points {
    std::span<const double> zone;       ///< utm
    std::span<const double> easting;    ///< bng, utm, lv03, lv95
    std::span<const double> northing;   ///< bng, utm, lv03, lv95
    std::span<const double> latitude;   ///< wgs84, degrees
    std::span<const double> longitude;  ///< wgs84, degrees
};

/// Where the results go, one element per point. `status` and the spans of the target system
/// (with the `alt_` spans under `alt`) must have the points' length; the others are not
/// written. A point that fails gets -1 in its integer results and NaN in its angles; the
/// `alt_` results are -1 also where the point lies in no overlap strip or the neighbouring
/// zone's grid cannot hold it.
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
};

/// Why `convert` would refuse these arrays (missing or mismatched spans), or
/// `conversion_fault(c)`, in words; empty when the call can run.
std::string arguments_fault(const conversion& c, const points& in, const results& out);

/// Converts every point of `in` into `out`. Returns false, and writes nothing, when
/// `arguments_fault` finds a fault; otherwise true, with each point's outcome in `status`.
bool convert(const conversion& c, const points& in, const results& out) noexcept;

/// Why point `index` of `in` does not convert, as a reason in words followed by the failure
/// kind's name in parentheses ("outside the National Grid
/// (UTM.EXCEPTIONS.EASTING_OUT_OF_RANGE)"); empty when it converts. Runs that one point again,
/// so ask only for the points whose status is not `ok`. The arrays must be usable for `c`.
std::string failure_reason(const conversion& c, const points& in, std::size_t index);

}  // namespace batch
