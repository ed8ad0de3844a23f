// Module `utm::exact_transverse_mercator`: the ellipsoidal Transverse Mercator projection
// computed exactly (to far below 0.1 mm), for conversions that must not carry the few
// millimetres of the grid projections in `utm` and `utm::bng::conversions`.
//
// Method: Krueger's series in the third flattening n to sixth order. The geodetic latitude goes
// to the conformal latitude in closed form, the spherical Transverse Mercator of the conformal
// sphere follows, and one series maps it to the ellipsoid (another one back). Within 3000 km
// of the central meridian the truncation error of the series is far below a micrometre; the
// way from conformal to geodetic latitude is solved by Newton's method to the last bits.
#pragma once

#include <array>

#include "global_types.hpp"

namespace utm::exact_transverse_mercator {

using global_types::long_float;

/// A Transverse Mercator grid: the ellipsoid's semi-axes (metres), the scale on the central
/// meridian, the latitude of the true origin and the central meridian (radians), and the grid
/// coordinates of the true origin (metres).
struct projection_parameters {
    long_float major_axis;
    long_float minor_axis;
    long_float scale;
    long_float latitude_of_origin;
    long_float central_meridian;
    long_float false_easting;
    long_float false_northing;
};

/// What the projection derives once from its parameters.
struct projection {
    projection_parameters parameters;
    long_float e;                       ///< first eccentricity
    long_float e2;                      ///< first eccentricity squared
    long_float scaled_rectifying_axis;  ///< k0 A, A the rectifying radius (metres)
    std::array<long_float, 6> alpha;    ///< series coefficients, conformal sphere -> ellipsoid
    std::array<long_float, 6> beta;     ///< series coefficients, ellipsoid -> conformal sphere
    long_float northing_of_equator;     ///< grid northing of the equator on the central meridian
};

/// The projection of `parameters`. Raises `constraint_error` for axes that are not finite and
/// positive with minor <= major, a scale that is not finite and positive, or a latitude of
/// origin outside [-pi/2, pi/2].
projection make_projection(const projection_parameters& parameters);

/// Grid coordinates in metres.
struct grid_point {
    long_float easting;
    long_float northing;
};

/// Latitude and longitude in radians; the longitude in (-pi, pi].
struct lat_long_point {
    long_float latitude;
    long_float longitude;
};

/// Latitude, longitude (radians) to grid coordinates (metres). Raises `constraint_error` for a
/// value that is not finite, a latitude outside [-pi/2, pi/2], or a point 90 degrees or more
/// from the central meridian (where the projection would mirror it or has no finite value).
grid_point lat_long_to_grid(const projection& tm, long_float latitude, long_float longitude);

/// Grid coordinates (metres) to latitude and longitude (radians). Raises `constraint_error`
/// for a value that is not finite or a northing beyond a pole.
lat_long_point grid_to_lat_long(const projection& tm, long_float easting, long_float northing);

/// A point on the conformal sphere of a projection, in the sphere's transverse coordinates
/// xi', eta': tan of its conformal latitude is sin_xi / hypot(sinh_eta, cos_xi), its longitude
/// from the central meridian atan2(sinh_eta, cos_xi). Projections on the same ellipsoid share
/// the sphere: a point passes from one grid to another through it without its geodetic
/// latitude (and the iteration that finds it).
struct sphere_point {
    long_float sin_xi;
    long_float cos_xi;
    long_float sinh_eta;
};

/// Grid coordinates (metres) onto the conformal sphere. Raises as `grid_to_lat_long`.
sphere_point grid_to_sphere(const projection& tm, long_float easting, long_float northing);

/// The longitude (radians, in (-pi, pi]) of a point of `tm`'s conformal sphere, as
/// `grid_to_lat_long` gives it.
long_float longitude_on_sphere(const projection& tm, const sphere_point& s);

/// The turn about the polar axis from one central meridian to another: the cosine and sine of
/// the first's longitude less the second's.
struct meridian_turn {
    long_float cos_turn;
    long_float sin_turn;
};

/// The turn from the central meridian of `from` to that of `to`.
meridian_turn turn_between(const projection& from, const projection& to);

/// A point of the conformal sphere of a projection on the ellipsoid of `to`, `turn` from that
/// projection's central meridian to `to`'s, to the grid of `to` (metres). Raises
/// `constraint_error` for a point 90 degrees or more from `to`'s central meridian.
grid_point sphere_to_grid(const projection& to, const sphere_point& s, const meridian_turn& turn);

}  // namespace utm::exact_transverse_mercator
