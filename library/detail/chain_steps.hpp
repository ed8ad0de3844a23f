// The arithmetic of the steps of the conversion chain, each written once as a template over the
// number type: `double` for the one-point steps (library/utm.cpp and the grids' units), and the
// block kernel's vectors of four or eight doubles (detail/batch_simd_kernel.hpp), which so
// evaluates the very same expression trees lane by lane. Checks, branches and raising stay with the
// scalar steps that wrap these. A step takes its elementary functions from `lane_math<T>`: the
// double ones are in detail/utm.hpp, the vector ones in the kernel, which includes this header
// under its processor target. The templates have internal linkage, so the kernel's copies, compiled
// for that target, never stand in for another unit's; and they are always inlined, so that the
// vectors stay in registers and a scalar step costs no more calls than before. Internal to
// the library.
#pragma once

#include "low_level_math.hpp"

namespace utm::detail {

using low_level_math::sin_cos_of;

/// Coefficients a0, a2, a4, a6, a8 of the meridian arc series. They depend on the ellipsoid
/// alone, so a conversion computes them once instead of at every latitude.
struct meridian_arc_series {
    double a0;
    double a2;
    double a4;
    double a6;
    double a8;
};

/// What the projections and the geocentric conversions derive from an ellipsoid's semi-axes
/// a, b: e2 = (a^2 - b^2) / a^2, e'2 = (a^2 - b^2) / b^2 and the meridian arc series of e2.
struct ellipsoid_constants {
    double e2;
    double e_prime2;
    meridian_arc_series arc;
};

/// What a Transverse Mercator projection uses at every point: the constants of its ellipsoid,
/// the scaled major axis S = k a (metres) and the denominator 6 (1 - e2) S^2 of the cubic
/// correction coefficient c.
struct transverse_mercator_constants {
    ellipsoid_constants ellipsoid;
    double S;
    double c_denominator;
};

/// The elementary functions of the number type `T` (sqrt, exp, log, arc_tangent, sin_cos,
/// copysign, fabs, radians_by_pi_over_180), specialised for each type the steps run on.
template <class T>
struct lane_math;

/// Two plane coordinates (metres).
template <class T>
struct plane_of {
    T x;
    T y;
};

/// Earth-centred coordinates (metres).
template <class T>
struct xyz_of {
    T x;
    T y;
    T z;
};

/// w^2 = 1 - e2 sin^2(phi), w and the cubic correction coefficient
/// c = w^2 e2 cos^2(phi) / (6 (1 - e2) S^2) of the local conformal sphere at latitude phi.
template <class T>
struct sphere_of {
    T w_squared;
    T w;
    T c;
};

/// Width of a UTM zone, degrees of longitude.
inline constexpr int zone_width_degrees = 6;
/// Central meridian of zone number 0 (which holds no point), degrees: zone z's is
/// 6 z - 183, so that zone 1 is centred on 177 W and zone 60 on 177 E.
inline constexpr int zone_0_central_meridian_degrees = -183;
/// Western edge of zone number 0, degrees: a zone reaches half its width either side of its
/// central meridian.
inline constexpr int zone_0_western_edge_degrees =
    zone_0_central_meridian_degrees - zone_width_degrees / 2;
static_assert(zone_0_western_edge_degrees == -186);

/// Arguments up to this size take their arc tangent from the odd series to x^11; the first term
/// left out is below 3e-21 (a hundred-thousandth of a unit in the last place of a latitude).
inline constexpr double small_arc_tangent_limit = 1.0 / 32.0;

/// Angles closer to the equator than this (radians, about 3.6 degrees) take no shortcut from a
/// nearby angle: there a few units in the last place of the nearby angle could reach the sign
/// or the relative accuracy of the result.
inline constexpr double near_angle_floor = 1.0 / 16.0;

namespace {  // NOLINT: internal linkage on purpose, see above

/// Central meridian (radians) of the zone numbered `zone` (0 .. 60, whole numbers): 6 zone - 183
/// degrees, exact in a double, in the form pi d / 180.
template <class T>
[[gnu::always_inline]] inline T central_meridian_of_zone(T zone) {
    // a + (-b) is a - b exactly, so these are the bits of 6 zone - 183.
    return lane_math<T>::radians_by_pi_over_180(double{zone_width_degrees} * zone +
                                                double{zone_0_central_meridian_degrees});
}

/// The automatic zone rule before its floor: (longitude in degrees + 186) / 6 for a longitude
/// `lambda` (radians). Its floor is the longitude's standard zone; a boundary meridian belongs
/// to the zone east of it.
template <class T>
[[gnu::always_inline]] inline T zone_quotient(T lambda) {
    // a - (-b) is a + b exactly: the bits of (degrees + 186) / 6.
    return (lambda * low_level_math::degrees_per_radian - double{zone_0_western_edge_degrees}) /
           double{zone_width_degrees};
}

/// The arc tangent of `x` with |x| <= `small_arc_tangent_limit` by its series.
template <class T>
[[gnu::always_inline]] inline T small_arc_tangent(T x) {
    const T x2 = x * x;
    return x + x * x2 *
                   (-1.0 / 3.0 +
                    x2 * (1.0 / 5.0 + x2 * (-1.0 / 7.0 + x2 * (1.0 / 9.0 - x2 * (1.0 / 11.0)))));
}

/// cos(h) (1 + t tan(h)) for the tangent `t` of an angle near the angle h whose sine and cosine
/// are `h`: where it is positive, arctan(t) - h = arctan(`tangent_from_near_angle`).
template <class T>
[[gnu::always_inline]] inline T near_angle_denominator(T t, const sin_cos_of<T>& h) {
    return h.cos + t * h.sin;
}

/// (t - tan(h)) / (1 + t tan(h)), the tangent of arctan(t) - h, with its `denominator`.
template <class T>
[[gnu::always_inline]] inline T tangent_from_near_angle(T t, const sin_cos_of<T>& h,
                                                        T denominator) {
    return (t * h.cos - h.sin) / denominator;
}

/// Sine and cosine of a - b from those of a and b.
template <class T>
[[gnu::always_inline]] inline sin_cos_of<T> sin_cos_of_difference(const sin_cos_of<T>& a,
                                                                  const sin_cos_of<T>& b) {
    return {a.sin * b.cos - a.cos * b.sin, a.cos * b.cos + a.sin * b.sin};
}

/// Sine and cosine of a + b from those of a and b.
template <class T>
[[gnu::always_inline]] inline sin_cos_of<T> sin_cos_of_sum(const sin_cos_of<T>& a,
                                                           const sin_cos_of<T>& b) {
    return {a.sin * b.cos + a.cos * b.sin, a.cos * b.cos - a.sin * b.sin};
}

/// Sine and cosine of arctan(t): t / sqrt(1 + t^2) and 1 / sqrt(1 + t^2), the circular
/// functions' values to a few units in the last place while |t| is not steep.
template <class T>
[[gnu::always_inline]] inline sin_cos_of<T> sin_cos_of_moderate_arctan(T t) {
    const T c = 1.0 / lane_math<T>::sqrt(1.0 + t * t);
    return {t * c, c};
}

/// The meridian arc from the equator to latitude `phi` (radians), divided by the semi-major
/// axis, from the sine and cosine of phi: the sines of 2, 4, 6 and 8 phi by the multiple-angle
/// formulas.
template <class T>
[[gnu::always_inline]] inline T meridian_arc(T phi, const sin_cos_of<T>& phi_sin_cos,
                                             const meridian_arc_series& series) {
    const auto [a0, a2, a4, a6, a8] = series;
    const T s = phi_sin_cos.sin;
    const T c = phi_sin_cos.cos;
    const T sin_2 = 2.0 * s * c;
    const T cos_2 = (c - s) * (c + s);
    const T sin_4 = 2.0 * sin_2 * cos_2;
    const T cos_4 = (cos_2 - sin_2) * (cos_2 + sin_2);
    const T sin_6 = sin_4 * cos_2 + cos_4 * sin_2;
    const T sin_8 = 2.0 * sin_4 * cos_4;
    return a0 * phi + a2 * sin_2 + a4 * sin_4 + a6 * sin_6 + a8 * sin_8;
}

/// The local conformal sphere of the projection `tm` at the latitude whose sine and cosine are
/// `phi`.
template <class T>
[[gnu::always_inline]] inline sphere_of<T> conformal_sphere_of(
    const transverse_mercator_constants& tm, const sin_cos_of<T>& phi) {
    const double e_sq = tm.ellipsoid.e2;
    const T w2 = 1.0 - e_sq * (phi.sin * phi.sin);
    const T w = lane_math<T>::sqrt(w2);
    const T c = e_sq * w2 * (phi.cos * phi.cos) / tm.c_denominator;
    return {w2, w, c};
}

/// (1 + s) / (1 - s) with s = cos(phi) sin(delta_lambda): the argument of the spherical
/// projection's logarithm, from the sines and cosines of the latitude and the longitude
/// difference.
template <class T>
[[gnu::always_inline]] inline T log_argument(const sin_cos_of<T>& phi, const sin_cos_of<T>& dl) {
    const T s = phi.cos * dl.sin;
    return (1.0 + s) / (1.0 - s);
}

/// arctan(tan(phi) / cos(delta_lambda)) - phi, the spherical projection's northward angle from
/// the latitude `phi` (with its sine and cosine), by the full arc tangent.
template <class T>
[[gnu::always_inline]] inline T latitude_offset(T phi, const sin_cos_of<T>& phi_sin_cos,
                                                const sin_cos_of<T>& dl) {
    // tan(phi) from the sine and cosine the caller has anyway.
    return lane_math<T>::arc_tangent(phi_sin_cos.sin / phi_sin_cos.cos / dl.cos) - phi;
}

/// The tangent of the northward angle `latitude_offset` where phi is a principal angle with
/// cos(phi) > 0: sin(phi) cos(phi) sin^2(delta_lambda) / ((1 + cos(delta_lambda))
/// (cos^2(phi) cos(delta_lambda) + sin^2(phi))), without cancellation.
template <class T>
[[gnu::always_inline]] inline T latitude_offset_tangent(const sin_cos_of<T>& phi_sin_cos,
                                                        const sin_cos_of<T>& dl) {
    const T s = phi_sin_cos.sin;
    const T c = phi_sin_cos.cos;
    return s * c * (dl.sin * dl.sin) / ((1.0 + dl.cos) * (c * c * dl.cos + s * s));
}

/// The spherical Transverse Mercator x, y (metres) on the sphere of radius S / w, from the
/// projection's logarithm `ln` and northward angle `offset`.
template <class T>
[[gnu::always_inline]] inline plane_of<T> spherical_grid(double S, const sphere_of<T>& sphere, T ln,
                                                         T offset) {
    return {S / (2.0 * sphere.w) * ln, (S / sphere.w) * offset};
}

/// The grid of the spherical coordinates z = x + i y with the cubic correction z + c z^3:
/// `east` + Re, `north` + Im, summed in that order.
template <class T>
[[gnu::always_inline]] inline plane_of<T> forward_corrected(T east, T north, const plane_of<T>& z,
                                                            T c) {
    const T x = z.x;
    const T y = z.y;
    return {east + x - 3.0 * c * x * (y * y) + c * (x * x * x),
            north + y + 3.0 * c * (x * x) * y - c * (y * y * y)};
}

/// z - c z^3 with z = xi + i eta: the inverse projection's removal of the cubic correction.
template <class T>
[[gnu::always_inline]] inline plane_of<T> inverse_corrected(T xi, T eta, T c) {
    return {xi + 3.0 * c * xi * (eta * eta) - c * (xi * xi * xi),
            eta - 3.0 * c * eta * (xi * xi) + c * (eta * eta * eta)};
}

/// One pass of the inverse Transverse Mercator: the angle D on the sphere (with its sine and
/// cosine), tan(h) = sinh(u), r = sqrt(cos^2(D) + sinh^2(u)) signed as cos(D), and the sine
/// and cosine of the new latitude (whose angle the caller takes from these).
template <class T>
struct inverse_pass_of {
    T D;
    sin_cos_of<T> on_sphere;
    T tan_h;
    T r;
    sin_cos_of<T> phi_sin_cos;
};

/// A pass of the inverse projection `tm` (with 1 / S given) at the point `xi` metres east of
/// the central meridian and `north` metres north of the parallel of arc `origin_arc`, around
/// the latitude `phi_0` with its sine and cosine.
template <class T>
[[gnu::always_inline]] inline inverse_pass_of<T> inverse_pass(
    const transverse_mercator_constants& tm, double inverse_S, double origin_arc, T xi, T north,
    T phi_0, const sin_cos_of<T>& phi_0_sin_cos) {
    using math = lane_math<T>;
    const double S = tm.S;
    const sphere_of<T> sphere = conformal_sphere_of(tm, phi_0_sin_cos);
    const T w_S = sphere.w * inverse_S;
    const T eta = north - S * (meridian_arc(phi_0, phi_0_sin_cos, tm.ellipsoid.arc) - origin_arc);
    const plane_of<T> z = inverse_corrected(xi, eta, sphere.c);
    // h = 2 arctan(exp(u)) - pi/2 has tan(h) = sinh(u): one exponential, no arc tangent;
    // 1 / cosh(u) = 2 exp(u) / (exp(u)^2 + 1) beside it.
    const T exp_u = math::exp(z.x * w_S);
    const T tan_h = (exp_u - 1.0 / exp_u) / 2.0;
    const T sech_u = 2.0 * exp_u / (exp_u * exp_u + 1.0);
    const T D = phi_0 + z.y * w_S;
    const sin_cos_of<T> on_sphere = math::sin_cos(D);
    // tan(phi) = tan(D) cos(delta_lambda) with cos(delta_lambda) = 1 / sqrt(1 + tan^2) of
    // tan(delta_lambda) = sinh(u) / cos(D) is sin(D) / r; and 1 + tan^2(phi) = cosh^2(u) / r^2,
    // so cos(phi) = |r| / cosh(u) and sin(phi) = sin(D) / cosh(u), signed as cos(D): one root.
    const T r =
        math::copysign(math::sqrt(on_sphere.cos * on_sphere.cos + tan_h * tan_h), on_sphere.cos);
    return {D,
            on_sphere,
            tan_h,
            r,
            {math::copysign(on_sphere.sin * sech_u, on_sphere.sin * on_sphere.cos),
             math::fabs(r) * sech_u}};
}

/// tan(phi - D) for the latitude phi of an inverse pass (arctan(sin(D) / r)) from the angle D
/// on the sphere (its sine and cosine `on_sphere`), `sinh_u` and `r`:
/// -sin(D) sinh^2(u) / ((cos(D) + r) (r cos(D) + sin^2(D))); the latitude lies a little closer to
/// the equator than D.
template <class T>
[[gnu::always_inline]] inline T latitude_from_sphere_tangent(const sin_cos_of<T>& on_sphere,
                                                             T sinh_u, T r) {
    const T s = on_sphere.sin;
    const T c = on_sphere.cos;
    return -s * (sinh_u * sinh_u) / ((c + r) * (r * c + s * s));
}

/// Earth-centred coordinates (metres) of the latitude and longitude given by their sines and
/// cosines and height `h` (metres) on the ellipsoid of major axis `a` and first eccentricity
/// squared `e2`.
template <class T>
[[gnu::always_inline]] inline xyz_of<T> geocentric_at(double a, double e2, const sin_cos_of<T>& phi,
                                                      const sin_cos_of<T>& lambda, T h) {
    const T w0 = lane_math<T>::sqrt(1.0 - e2 * (phi.sin * phi.sin));
    const T n0 = a / w0;
    return {(n0 + h) * phi.cos * lambda.cos, (n0 + h) * phi.cos * lambda.sin,
            ((1.0 - e2) * n0 + h) * phi.sin};
}

/// The tangents of the geodetic latitude of an earth-centred point at height z and distance p
/// from the polar axis (metres, p > 0) on the ellipsoid of major axis `a`, after the fixed
/// passes from arctan(z / p (1 + e'2)), and of the latitude before the last pass.
template <class T>
struct latitude_tangents_of {
    T tan_phi;
    T tan_last_pass;
};

/// A pass takes tan(phi) to z / p / (1 - e2 n / (n + h)) with n = a / sqrt(1 - e2 sin^2) and
/// n + h = p / cos: that is z / (p - e2 n cos), and n cos = a / sqrt(1 + (1 - e2) tan^2), so
/// z q / (p q - e2 a) with q that root: one square root and one division a pass.
template <class T>
[[gnu::always_inline]] inline latitude_tangents_of<T> geodetic_latitude_tangents(
    const ellipsoid_constants& ellipsoid, double a, T z, T p, int passes) {
    const double e2 = ellipsoid.e2;
    T tan_phi = z / p * (1.0 + ellipsoid.e_prime2);
    T tan_last_pass = tan_phi;
    for (int pass = 1; pass <= passes; ++pass) {
        tan_last_pass = tan_phi;
        const T q = lane_math<T>::sqrt(1.0 + (1.0 - e2) * (tan_phi * tan_phi));
        tan_phi = z * q / (p * q - e2 * a);
    }
    return {tan_phi, tan_last_pass};
}

/// The seven-parameter small-rotation Helmert transformation (position-vector convention; the
/// scale on the diagonal only) of `set` (scale_factor_minus_one, translations, rotations).
template <class T, class Parameters>
[[gnu::always_inline]] inline xyz_of<T> small_rotation_helmert(const Parameters& set,
                                                               const xyz_of<T>& g) {
    const double s = set.scale_factor_minus_one;
    const auto [t1, t2, t3] = set.translations;
    const auto [r1, r2, r3] = set.rotations;
    const double k = 1.0 + s;
    return {t1 + k * g.x + -r3 * g.y + r2 * g.z, t2 + r3 * g.x + k * g.y + -r1 * g.z,
            t3 + -r2 * g.x + r1 * g.y + k * g.z};
}

/// Its first-order inverse: the translations removed first, then the transposed rotation with
/// 1 - s for 1 / (1 + s).
template <class T, class Parameters>
[[gnu::always_inline]] inline xyz_of<T> inverse_small_rotation_helmert(const Parameters& set,
                                                                       const xyz_of<T>& g) {
    const double s = set.scale_factor_minus_one;
    const auto [t1, t2, t3] = set.translations;
    const auto [r1, r2, r3] = set.rotations;
    const double k = 1.0 - s;
    const T dx = g.x - t1;
    const T dy = g.y - t2;
    const T dz = g.z - t3;
    return {k * dx + r3 * dy + -r2 * dz, -r3 * dx + k * dy + r1 * dz, r2 * dx + -r1 * dy + k * dz};
}

}  // namespace
}  // namespace utm::detail
