// Helpers of the module `utm` that its projections and the National Grid, automatic-zone and
// Swiss conversions share: checks, ellipsoid constants, the meridian arc and the pieces of the
// Transverse Mercator. Internal to the library: nothing outside library/ includes this header.
#pragma once

#include "global_types.hpp"
#include "low_level_math.hpp"
#include "utm.hpp"

namespace utm::detail {

using global_types::long_float;

/// Raises `constraint_error` naming `what` when a projected grid value is not finite, so that
/// no clamp can turn an unreachable point into a plausible number.
void require_finite(long_float value, const char* what);

/// Raises `constraint_error` for the centre of the earth, which has no latitude or longitude:
/// the one rule of every conversion from earth-centred coordinates.
void require_off_centre(const geocentric_coordinates_type& position);

/// Length of the meridian arc from the equator to latitude `phi` (radians), divided by the
/// semi-major axis; `e_sq` is the first eccentricity squared. Odd in `phi`.
long_float beta(long_float phi, long_float e_sq);

/// Coefficients a0, a2, a4, a6, a8 of the meridian arc series. They depend on the ellipsoid
/// alone, so a conversion computes them once instead of at every latitude.
struct meridian_arc_series {
    long_float a0;
    long_float a2;
    long_float a4;
    long_float a6;
    long_float a8;
};

/// The series coefficients for the first eccentricity squared `e_sq`.
constexpr meridian_arc_series meridian_arc_series_of(long_float e_sq) {
    const long_float e4 = e_sq * e_sq;
    const long_float e6 = e_sq * e_sq * e_sq;
    const long_float e8 = e4 * e4;
    return {1.0 - e_sq / 4.0 - 3.0 * e4 / 64.0 - 5.0 * e6 / 256.0 - 175.0 * e8 / 16384.0,
            -3.0 * e_sq / 8.0 - 3.0 * e4 / 32.0 - 45.0 * e6 / 1024.0 - 105.0 * e8 / 4096.0,
            15.0 * e4 / 256.0 + 45.0 * e6 / 1024.0 + 525.0 * e8 / 16384.0,
            -35.0 * e6 / 3072.0 - 175.0 * e8 / 12288.0, 315.0 * e8 / 131072.0};
}

/// `beta` with the series of the ellipsoid computed ahead; the same value.
long_float beta(long_float phi, const meridian_arc_series& series);

/// What the projections and the geocentric conversions derive from an ellipsoid's semi-axes
/// a, b: e2 = (a^2 - b^2) / a^2, e'2 = (a^2 - b^2) / b^2 and the meridian arc series of e2.
struct ellipsoid_constants {
    long_float e2;
    long_float e_prime2;
    meridian_arc_series arc;
};

/// The constants of the semi-axes `major_axis`, `minor_axis` (metres), computed.
constexpr ellipsoid_constants derive_ellipsoid_constants(long_float major_axis,
                                                         long_float minor_axis) {
    const long_float a = major_axis;
    const long_float b = minor_axis;
    const long_float e2 = (a * a - b * b) / (a * a);
    return {e2, (a * a - b * b) / (b * b), meridian_arc_series_of(e2)};
}

/// The constants of the semi-axes `major_axis`, `minor_axis` (metres). Those of GRS80 and Airy
/// 1830, the ellipsoids of every exported conversion, are held in a constant table; other
/// axes are derived at each call. The same values either way; safe from any thread.
ellipsoid_constants ellipsoid_constants_of(long_float major_axis, long_float minor_axis);

/// What a Transverse Mercator projection uses at every point: the constants of its ellipsoid,
/// the scaled major axis S = k a (metres) and the denominator 6 (1 - e2) S^2 of the cubic
/// correction coefficient c.
struct transverse_mercator_constants {
    ellipsoid_constants ellipsoid;
    long_float S;
    long_float c_denominator;
};

/// The constants of the projection with the scale `scale` on the central meridian on the
/// ellipsoid with the semi-axes `major_axis`, `minor_axis` (metres).
transverse_mercator_constants transverse_mercator_constants_of(long_float major_axis,
                                                               long_float minor_axis,
                                                               long_float scale);

/// w^2 = 1 - e2 sin^2(phi), w and the cubic correction coefficient
/// c = w^2 e2 cos^2(phi) / (6 (1 - e2) S^2) of the local conformal sphere at latitude phi.
struct conformal_sphere_type {
    long_float w_squared;
    long_float w;
    long_float c;
};

/// The local conformal sphere of the projection `tm` at the latitude whose sine and cosine are
/// `phi`.
conformal_sphere_type conformal_sphere(const transverse_mercator_constants& tm,
                                       const low_level_math::sin_cos_type& phi);

/// Plane coordinates of the spherical Transverse Mercator, in metres: `x` east of the central
/// meridian, `y` north of the parallel of the point.
struct spherical_grid_type {
    long_float x;
    long_float y;
};

/// Exact spherical Transverse Mercator on the sphere of radius S / w at latitude `phi` (with
/// its cosine `cos_phi`) and longitude difference `delta_lambda` (radians). A point 90 degrees
/// or more from the central meridian raises `constraint_error`: the formulas would give the
/// grid values of a point on the other side of the earth.
spherical_grid_type spherical_transverse_mercator(long_float scaled_major_axis, long_float w,
                                                  long_float phi, long_float cos_phi,
                                                  long_float delta_lambda);

/// The spherical Transverse Mercator coordinates `x`, `y` (metres) at latitude `phi` and
/// longitude difference `delta_lambda` (radians), with the cubic correction coefficient `c` of
/// the local conformal sphere; the grid is then z + c z^3 with z = x + i y.
struct conformal_grid_type {
    long_float x;
    long_float y;
    long_float c;
};

/// `conformal_sphere` and `spherical_transverse_mercator` of the projection `tm` at latitude
/// `phi` (with its sine and cosine `phi_sin_cos`) and longitude difference `delta_lambda`
/// (radians), for the forward projections.
conformal_grid_type conformal_transverse_mercator(const transverse_mercator_constants& tm,
                                                  long_float phi,
                                                  const low_level_math::sin_cos_type& phi_sin_cos,
                                                  long_float delta_lambda);

/// Latitude and longitude difference (radians) found by one inverse pass on the sphere.
struct spherical_lat_long_type {
    long_float phi;
    long_float delta_lambda;
};

/// Inverse of `spherical_transverse_mercator` around the expansion latitude `phi_0`: plane
/// coordinates `x`, `y` (metres, `y` counted from the parallel of `phi_0`) to latitude and
/// longitude difference.
spherical_lat_long_type inverse_spherical_transverse_mercator(long_float scaled_major_axis,
                                                              long_float w, long_float phi_0,
                                                              long_float x, long_float y);

/// Brings a longitude that left [-pi, pi] by less than a turn back into it (radians).
long_float normalised_longitude(long_float lambda_0);

}  // namespace utm::detail
