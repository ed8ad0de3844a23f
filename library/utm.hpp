// Module `utm`: the UTM vocabulary (status, ellipsoids, geocentric positions) and the
// Transverse Mercator projection of the UTM grid with its companions.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "global_types.hpp"
#include "low_level_math.hpp"

namespace utm {

using global_types::long_float;

/// A distance in whole metres.
using range_type = global_types::checked<std::int32_t, 0, 12000000>;

/// Result of the zone change. No operation returns `different_spheroids`.
enum class utm_status_type : std::uint8_t {
    success = 0,
    not_in_extended_zone = 1,
    different_spheroids = 2,
};

/// The image text of a status: "SUCCESS", "NOT_IN_EXTENDED_ZONE", "DIFFERENT_SPHEROIDS".
std::string_view image(utm_status_type status);

/// An ellipsoid by its semi-axes in metres. e2 = (a^2 - b^2) / a^2, e'2 = (a^2 - b^2) / b^2.
struct ellipsoid_type {
    long_float major_semi_axis;
    long_float minor_semi_axis;
};

/// The 60 reference ellipsoids, indexed by `spheroid_integer` 1 .. 60 (whole-metre axes).
/// An index outside 1 .. 60 raises `constraint_error` when it is made a `spheroid_integer`.
struct reference_ellipsoid_table {
    std::array<ellipsoid_type, 60> rows;
    constexpr const ellipsoid_type& operator[](global_types::spheroid_integer i) const {
        return rows[static_cast<std::size_t>(i.value() - 1)];
    }
};
extern const reference_ellipsoid_table reference_ellipsoids;

/// Bearing from grid north and range; the fields exist only while `status` is `success`.
struct range_and_azimuth_record {
    explicit range_and_azimuth_record(utm_status_type s = utm_status_type::success) : status(s) {}
    utm_status_type status;
    global_types::azimuth_float grid_ref_north = 0.0F;
    range_type range_in_metres = 0;
    friend bool operator==(const range_and_azimuth_record& l, const range_and_azimuth_record& r);
};

/// A range in whole metres; the field exists only while `status` is `success`.
struct range_record {
    explicit range_record(utm_status_type s = utm_status_type::success) : status(s) {}
    utm_status_type status;
    range_type range_in_metres = 0;
    friend bool operator==(const range_record& l, const range_record& r);
};

/// Earth-centred Cartesian coordinates in metres: x towards longitude 0 on the equator,
/// y towards 90 degrees east, z towards the north pole.
struct geocentric_coordinates_type {
    long_float x = 0.0;
    long_float y = 0.0;
    long_float z = 0.0;
    friend bool operator==(const geocentric_coordinates_type&,
                           const geocentric_coordinates_type&) = default;
};

/// k0, the UTM scale factor on the central meridian (the UTM grid's definition).
inline constexpr long_float scale_on_central_meridian = 0.9996;
/// The UTM false easting, metres: the easting of every zone's central meridian.
inline constexpr long_float false_easting = 500000.0;

/// Start-up of the module: one overflow-checked constant computation, no lasting state.
void start_up();

// ---- Transverse Mercator projection of the UTM grid -------------------------------------
//
// Closed-form Transverse Mercator on the local conformal sphere (radius: the scaled
// prime-vertical radius at the point), the ellipsoid's meridian arc for the northing, and one
// cubic correction of the complex coordinate. Within a zone the forward result agrees with an
// exact ellipsoidal Transverse Mercator to a few millimetres.

/// Central meridian of `zone` in radians: pi (6 |zone| - 183) / 180, the degrees in checked
/// 32-bit integers (zone 0: -183 degrees).
long_float central_meridian(global_types::zone_integer zone);

/// False northing of `zone` in metres: 10000000 for a southern (negative) zone, else 0.
long_float false_northing(global_types::zone_integer zone);

/// Result of `grid_to_lat_long`: radians; `longitude` lies in [-pi, pi].
struct grid_to_lat_long_result {
    long_float latitude;
    long_float longitude;
    long_float convergence;
};

/// Result of `lat_long_to_grid`: whole metres, convergence in radians.
struct lat_long_to_grid_result {
    global_types::easting_integer easting;
    global_types::northing_integer northing;
    long_float convergence;
};

/// UTM grid to latitude, longitude and grid convergence (radians) on the ellipsoid with the
/// semi-axes `major_axis`, `minor_axis` (metres), in `zone` (negative: southern hemisphere).
/// Three fixed inverse passes, settled to about 1e-8 degrees. The pole lies 0.9996 times the
/// meridian quadrant from the false northing (9 997 964.943 m on GRS80): a northing more than
/// 0.5 m beyond it raises `constraint_error`; up to 0.5 m beyond, the central meridian's value
/// is the pole (latitude +-pi/2, the central meridian, convergence 0) and another easting a
/// point just over 90 degrees from the central meridian.
grid_to_lat_long_result grid_to_lat_long(long_float major_axis, long_float minor_axis,
                                         global_types::easting_integer easting,
                                         global_types::northing_integer northing,
                                         global_types::zone_integer zone);

/// The same on the `reference_ellipsoids` row `spheroid`.
grid_to_lat_long_result grid_to_lat_long(global_types::spheroid_integer spheroid,
                                         global_types::easting_integer easting,
                                         global_types::northing_integer northing,
                                         global_types::zone_integer zone);

/// Latitude and longitude (radians) of a UTM point.
struct lat_long_type {
    long_float latitude;
    long_float longitude;
};

/// `grid_to_lat_long` without the grid convergence, the same latitude and longitude: for the
/// conversions that go on from the point, which spares a sine and cosine of the latitude
/// that the next step takes anyway. Raises as `grid_to_lat_long` does beyond the pole.
lat_long_type grid_to_lat_long_without_convergence(long_float major_axis, long_float minor_axis,
                                                   global_types::easting_integer easting,
                                                   global_types::northing_integer northing,
                                                   global_types::zone_integer zone);

/// `lat_long_to_grid` before rounding: grid values in metres, grid convergence in radians.
struct lat_long_to_grid_unrounded_result {
    long_float easting;
    long_float northing;
    long_float convergence;
};

/// The grid values of `lat_long_to_grid` in metres before they are rounded and checked; they
/// may lie outside the grid or be non-finite.
lat_long_to_grid_unrounded_result lat_long_to_grid_unrounded(long_float major_axis,
                                                             long_float minor_axis,
                                                             long_float latitude,
                                                             long_float longitude,
                                                             global_types::zone_integer zone);

/// Latitude and longitude (radians) to the grid of `zone`, whatever zone the point lies in.
/// A value that rounds outside 0 .. 999999 (easting) or 0 .. 11000000 m (northing), and a
/// point 90 degrees or more from the zone's central meridian, raise `constraint_error`.
lat_long_to_grid_result lat_long_to_grid(long_float major_axis, long_float minor_axis,
                                         long_float latitude, long_float longitude,
                                         global_types::zone_integer zone);

/// The same on the `reference_ellipsoids` row `spheroid`.
lat_long_to_grid_result lat_long_to_grid(global_types::spheroid_integer spheroid,
                                         long_float latitude, long_float longitude,
                                         global_types::zone_integer zone);

// ---- end of the Transverse Mercator projection -------------------------------------------

// ---- Geocentric, local east-north-up, scale factor and zone change ----------------------
//
// A local east-north-up (ENU) frame is given by its origin twice, as an earth-centred
// position and as latitude and longitude; each operation uses the form its formulas need and
// does not check that the two agree. Each operation with axes also has a form that takes a
// `reference_ellipsoids` row instead.

/// Earth-centred position (metres) of `latitude`, `longitude` (radians) and `altitude`
/// (metres above the ellipsoid with semi-axes `major_axis`, `minor_axis`). Raises nothing.
geocentric_coordinates_type lat_long_to_geocentric(long_float major_axis, long_float minor_axis,
                                                   long_float latitude, long_float longitude,
                                                   long_float altitude);
/// The same on the `reference_ellipsoids` row `spheroid`.
geocentric_coordinates_type lat_long_to_geocentric(global_types::spheroid_integer spheroid,
                                                   long_float latitude, long_float longitude,
                                                   long_float altitude);

/// Result of `enu_to_lat_long`: radians, and metres above the ellipsoid.
struct enu_to_lat_long_result {
    long_float latitude;
    long_float longitude;
    long_float altitude;
};

/// Latitude, longitude (radians) and height (metres) of the point `east`, `north`, `up`
/// (metres) of the ENU frame at `enu_origin` / `origin_latitude`, `origin_longitude`. Two
/// fixed latitude passes. On the polar axis the result is +-pi/2 and the height over the
/// pole; the centre of the earth and non-finite input raise `constraint_error`.
enu_to_lat_long_result enu_to_lat_long(long_float major_axis, long_float minor_axis,
                                       long_float east, long_float north, long_float up,
                                       const geocentric_coordinates_type& enu_origin,
                                       long_float origin_latitude, long_float origin_longitude);
/// The same on the `reference_ellipsoids` row `spheroid`.
enu_to_lat_long_result enu_to_lat_long(global_types::spheroid_integer spheroid, long_float east,
                                       long_float north, long_float up,
                                       const geocentric_coordinates_type& enu_origin,
                                       long_float origin_latitude, long_float origin_longitude);

/// Result of `utm_to_enu`: metres.
struct utm_to_enu_result {
    long_float east;
    long_float north;
    long_float up;
};

/// East, north, up (metres) of the UTM point `easting`, `northing` of `reference_zone` at
/// `altitude` (metres), in the ENU frame at `reference_geocentric_position` /
/// `reference_latitude`, `reference_longitude` (radians). A northing beyond the pole raises
/// `constraint_error` (`grid_to_lat_long`).
utm_to_enu_result utm_to_enu(long_float major_axis, long_float minor_axis,
                             global_types::easting_integer easting,
                             global_types::northing_integer northing, long_float altitude,
                             long_float reference_latitude, long_float reference_longitude,
                             const geocentric_coordinates_type& reference_geocentric_position,
                             global_types::zone_integer reference_zone);
/// The same on the `reference_ellipsoids` row `spheroid`.
utm_to_enu_result utm_to_enu(global_types::spheroid_integer spheroid,
                             global_types::easting_integer easting,
                             global_types::northing_integer northing, long_float altitude,
                             long_float reference_latitude, long_float reference_longitude,
                             const geocentric_coordinates_type& reference_geocentric_position,
                             global_types::zone_integer reference_zone);

/// Result of `enu_to_utm`: whole metres, and the height in metres.
struct enu_to_utm_result {
    global_types::easting_integer converted_x_utm;
    global_types::northing_integer converted_y_utm;
    long_float converted_h_utm;
};

/// UTM easting, northing (whole metres, in `reference_zone`) and height (metres) of the point
/// `east`, `north`, `up` (metres) of the ENU frame at the UTM point `reference_x_utm`,
/// `reference_y_utm`, `reference_h_utm` whose latitude and longitude are
/// `reference_latitude`, `reference_longitude` (radians). Plane approximation with the scale,
/// convergence and arc-to-chord correction of the reference point: good for short distances.
/// `constraint_error` when a result leaves the grid (no clamping) or is not finite.
enu_to_utm_result enu_to_utm(long_float major_axis, long_float minor_axis, long_float east,
                             long_float north, long_float up,
                             global_types::easting_integer reference_x_utm,
                             global_types::northing_integer reference_y_utm,
                             long_float reference_h_utm, global_types::zone_integer reference_zone,
                             long_float reference_latitude, long_float reference_longitude);
/// The same on the `reference_ellipsoids` row `spheroid`.
enu_to_utm_result enu_to_utm(global_types::spheroid_integer spheroid, long_float east,
                             long_float north, long_float up,
                             global_types::easting_integer reference_x_utm,
                             global_types::northing_integer reference_y_utm,
                             long_float reference_h_utm, global_types::zone_integer reference_zone,
                             long_float reference_latitude, long_float reference_longitude);

/// Point scale factor of the UTM grid (dimensionless) at `easting` (whole metres) and
/// `latitude` (radians) on the `reference_ellipsoids` row `spheroid`; exactly 0.9996 on the
/// central meridian. Raises nothing.
long_float calculate_scale_factor(global_types::spheroid_integer spheroid,
                                  global_types::easting_integer easting, long_float latitude);

/// Whether a position of zone `zone` may be re-expressed in `working_zone`: neighbouring
/// zone numbers (hemisphere signs ignored), with the wrap between 60 and 1 for those two
/// positive zones only.
bool is_in_extended_zone(global_types::zone_integer zone, global_types::zone_integer working_zone);

/// Re-expresses `original_point` in `working_zone` on the `reference_ellipsoids` row
/// `working_spheroid`. `success` with `resultant_point` written (an exact copy when the zones
/// are equal); `not_in_extended_zone`, with `resultant_point` untouched, when the zone test or
/// any step fails (also where the point lies beyond the working zone's grid). Never raises.
utm_status_type convert_utm_zone(const global_types::utm_coordinates_record& original_point,
                                 global_types::utm_coordinates_record& resultant_point,
                                 global_types::zone_integer working_zone,
                                 global_types::spheroid_integer working_spheroid) noexcept;
/// The same with a height, which is copied. Equal zones are projected again, not copied.
utm_status_type convert_utm_zone(
    const global_types::utm_coordinates_and_altitude_record& original_point,
    global_types::utm_coordinates_and_altitude_record& resultant_point,
    global_types::zone_integer working_zone,
    global_types::spheroid_integer working_spheroid) noexcept;

// ---- end of the geocentric, ENU, scale factor and zone change operations -----------------

}  // namespace utm
