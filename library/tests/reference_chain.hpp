// A plain, literal evaluation of the conversion chain, written from the formulas with nothing
// computed ahead of time and nothing shared between steps: every ellipsoid value, meridian arc
// coefficient, sine and cosine is evaluated where the formula names it. The equivalence test
// holds the library's conversions against it bit for bit, so any rearrangement in the library
// that changes a single rounding shows up.
//
// The elementary functions are the platform's, as in the library: the one-argument arctangent
// is the two-argument one with x = 1 (exactly 0 for y = 0); square root and logarithm fail for
// negative arguments, the logarithm also for 0. Products and sums are grouped as the formulas
// read, left to right, powers as repeated products (x^3 = x x x, x^4 = (x^2)^2).
#pragma once

#include <cmath>
#include <cstdint>

// Every product and sum rounded on its own, as in the library: no fused multiply-add. Clang
// contracts a * a - b * b where the standard allows it and, when it folds constant axes, folds
// the fused form; this keeps the reference plain under every compiler.
#if defined(__clang__)
#pragma STDC FP_CONTRACT OFF
#endif

namespace reference_chain {

/// How a conversion ended; the library's failure kinds by name.
enum class outcome {
    ok,
    constraint_error,
    argument_error,
    zone_out_of_range,
    easting_out_of_range,
    northing_out_of_range
};

/// Raised by the reference for any failure; carries the library's failure kind.
struct failed {
    outcome kind;
};

namespace detail {

constexpr double pi = 3.141592653589793;
constexpr double half_pi = 1.5707963267948966;
constexpr double two_pi = 6.283185307179586;

inline double checked_sqrt(double x) {
    if (x < 0.0)
        throw failed{outcome::argument_error};
    return std::sqrt(x);
}

inline double checked_log(double x) {
    if (x < 0.0)
        throw failed{outcome::argument_error};
    if (x == 0.0)
        throw failed{outcome::constraint_error};
    return std::log(x);
}

inline double arctan(double y) {
    return y == 0.0 ? 0.0 : std::atan2(y, 1.0);
}

inline double arctan2(double y, double x) {
    if (x == 0.0 && y == 0.0)
        throw failed{outcome::argument_error};
    if (x == 0.0)
        return y > 0.0 ? half_pi : -half_pi;
    if (y == 0.0)
        return x > 0.0 ? 0.0 : pi;
    if (x == 1.0)
        return std::atan2(y, 1.0);
    return std::atan2(y, x);
}

/// Rounds to the nearest whole number, halves away from zero, into first .. last.
inline std::int32_t whole(double v, double first, double last, outcome failure) {
    if (!std::isfinite(v))
        throw failed{failure};
    const double r = std::round(v);
    if (!(r >= first && r <= last))
        throw failed{failure};
    return static_cast<std::int32_t>(r);
}

inline double normalised(double lambda) {
    if (lambda < -pi)
        return two_pi - std::abs(lambda);
    if (lambda > pi)
        return std::abs(lambda) - two_pi;
    return lambda;
}

}  // namespace detail

/// Meridian arc from the equator to `phi`, divided by the semi-major axis.
inline double beta(double phi, double e2) {
    const double e4 = e2 * e2;
    const double e6 = e2 * e2 * e2;
    const double e8 = e4 * e4;
    const double a0 = 1.0 - e2 / 4.0 - 3.0 * e4 / 64.0 - 5.0 * e6 / 256.0 - 175.0 * e8 / 16384.0;
    const double a2 = -3.0 * e2 / 8.0 - 3.0 * e4 / 32.0 - 45.0 * e6 / 1024.0 - 105.0 * e8 / 4096.0;
    const double a4 = 15.0 * e4 / 256.0 + 45.0 * e6 / 1024.0 + 525.0 * e8 / 16384.0;
    const double a6 = -35.0 * e6 / 3072.0 - 175.0 * e8 / 12288.0;
    const double a8 = 315.0 * e8 / 131072.0;
    return a0 * phi + a2 * std::sin(2.0 * phi) + a4 * std::sin(4.0 * phi) +
           a6 * std::sin(6.0 * phi) + a8 * std::sin(8.0 * phi);
}

/// Earth-centred position.
struct xyz {
    double x, y, z;
};

/// Latitude, longitude, height.
struct geodetic {
    double latitude, longitude, altitude;
};

/// Latitude, longitude and height to earth-centred coordinates.
inline xyz lat_long_to_geocentric(double a, double b, double phi, double lambda, double h) {
    const double e2 = (a * a - b * b) / (a * a);
    const double w0 = detail::checked_sqrt(1.0 - e2 * (std::sin(phi) * std::sin(phi)));
    const double n0 = a / w0;
    return {(n0 + h) * std::cos(phi) * std::cos(lambda),
            (n0 + h) * std::cos(phi) * std::sin(lambda), ((1.0 - e2) * n0 + h) * std::sin(phi)};
}

/// Earth-centred coordinates to latitude, longitude and height: two fixed passes, the height of
/// the second pass from the latitude before its update. East of the polar plane the longitude
/// is the one-argument arctangent of y / x, elsewhere the quadrant-correct one.
inline geodetic geocentric_to_lat_long(double a, double b, const xyz& g) {
    const double e2 = (a * a - b * b) / (a * a);
    const double e_prime2 = (a * a - b * b) / (b * b);
    const double p = detail::checked_sqrt(g.x * g.x + g.y * g.y);
    if (p == 0.0)
        return {g.z >= 0.0 ? detail::half_pi : -detail::half_pi, 0.0, std::abs(g.z) - b};
    const double lambda = g.x > 0.0 ? detail::arctan(g.y / g.x) : detail::arctan2(g.y, g.x);
    double phi = detail::arctan(g.z / p * (1.0 + e_prime2));
    double h = 0.0;
    for (int pass = 1; pass <= 2; ++pass) {
        const double w = detail::checked_sqrt(1.0 - e2 * (std::sin(phi) * std::sin(phi)));
        const double n = a / w;
        h = p / std::cos(phi) - n;
        phi = detail::arctan(g.z / p / (1.0 - e2 * n / (n + h)));
    }
    return {phi, lambda, h};
}

/// Parameters of the seven-parameter transformation: s, translations, rotations.
struct helmert {
    double s, t1, t2, t3, r1, r2, r3;
};

/// The WGS84 -> OSGB36 set the library starts with: +20.4894 ppm; -446.448, +125.157,
/// -542.060 m; -0.1502, -0.2470, -0.8421 arc-seconds held in radians.
inline constexpr helmert wgs84_to_osgb36{2.04894e-05,
                                         -446.448,
                                         125.157,
                                         -542.06,
                                         -7.281901490265231e-07,
                                         -1.1974897923405538e-06,
                                         -4.082616008623403e-06};

/// Small-rotation transformation, position-vector convention.
inline xyz small_rotation(const helmert& p, const xyz& g) {
    return {p.t1 + (1.0 + p.s) * g.x - p.r3 * g.y + p.r2 * g.z,
            p.t2 + p.r3 * g.x + (1.0 + p.s) * g.y - p.r1 * g.z,
            p.t3 - p.r2 * g.x + p.r1 * g.y + (1.0 + p.s) * g.z};
}

/// Its first-order inverse: translations off, transposed rotation, 1 - s.
inline xyz inverse_small_rotation(const helmert& p, const xyz& g) {
    const double dx = g.x - p.t1;
    const double dy = g.y - p.t2;
    const double dz = g.z - p.t3;
    return {(1.0 - p.s) * dx + p.r3 * dy - p.r2 * dz, -p.r3 * dx + (1.0 - p.s) * dy + p.r1 * dz,
            p.r2 * dx - p.r1 * dy + (1.0 - p.s) * dz};
}

// ---- National Grid: Airy 1830, F0, true origin 49 N 2 W, false origin (400000, -100000) ----

constexpr double airy_a = 6377563.396;
constexpr double airy_b = 6356256.91;
constexpr double bng_f0 = 0.9996012717;
constexpr double bng_phi0 = 0.8552113334772214;
constexpr double bng_lambda0 = -0.03490658503988659;

/// National Grid easting, northing.
struct grid_bng {
    std::int32_t easting, northing;
};

/// National Grid to latitude and longitude on the ellipsoid a, b: three fixed passes.
inline geodetic bng_grid_to_lat_long(double a, double b, std::int32_t easting,
                                     std::int32_t northing) {
    const double e2 = (a * a - b * b) / (a * a);
    const double aF0 = a * bng_f0;
    const double E = easting;
    const double N = northing;
    double phi_0 = (N + 100000.0) / aF0;
    double dl = 0.0;
    for (int pass = 1; pass <= 3; ++pass) {
        const double w2 = 1.0 - e2 * (std::sin(phi_0) * std::sin(phi_0));
        const double w = detail::checked_sqrt(w2);
        const double c =
            e2 * w2 * (std::cos(phi_0) * std::cos(phi_0)) / (6.0 * (1.0 - e2) * (aF0 * aF0));
        const double xi = E - 400000.0;
        const double eta = (N + 100000.0) - aF0 * (beta(phi_0, e2) - beta(bng_phi0, e2));
        const double x = xi - c * (xi * xi * xi) + 3.0 * c * xi * (eta * eta);
        const double y = eta + c * (eta * eta * eta) - 3.0 * c * (xi * xi) * eta;
        const double h = 2.0 * detail::arctan(std::exp(x * w / aF0)) - detail::half_pi;
        dl = detail::arctan(std::tan(h) / std::cos(phi_0 + y * w / aF0));
        phi_0 = detail::arctan(std::tan(phi_0 + y * w / aF0) * std::cos(dl));
    }
    return {phi_0, detail::normalised(dl + bng_lambda0), 0.0};
}

/// A National Grid value to whole metres: 3 m beyond either end clamps, else rounds and must
/// lie in 0 .. last.
inline std::int32_t bng_whole(double v, double last, outcome failure) {
    if (v > last && v <= last + 3.0)
        return static_cast<std::int32_t>(last);
    if (v >= -3.0 && v < 0.0)
        return 0;
    return detail::whole(v, 0.0, last, failure);
}

/// Unrounded grid values, metres.
struct float_grid {
    double easting, northing;
};

/// Latitude and longitude on the ellipsoid a, b to the National Grid, unrounded.
inline float_grid bng_float_grid(double a, double b, double phi, double lambda) {
    const double e2 = (a * a - b * b) / (a * a);
    const double aF0 = a * bng_f0;
    const double dl = lambda - bng_lambda0;
    const double w2 = 1.0 - e2 * (std::sin(phi) * std::sin(phi));
    const double w = detail::checked_sqrt(w2);
    const double s = std::cos(phi) * std::sin(dl);
    const double x = aF0 / (2.0 * w) * detail::checked_log((1.0 + s) / (1.0 - s));
    const double y = (aF0 / w) * (detail::arctan(std::tan(phi) / std::cos(dl)) - phi);
    const double c = e2 * w2 * (std::cos(phi) * std::cos(phi)) / (6.0 * (1.0 - e2) * (aF0 * aF0));
    return {400000.0 + x - 3.0 * c * x * (y * y) + c * (x * x * x),
            -100000.0 + y + 3.0 * c * (x * x) * y - c * (y * y * y) +
                aF0 * (beta(phi, e2) - beta(bng_phi0, e2))};
}

/// Latitude and longitude on the ellipsoid a, b to the National Grid in whole metres.
inline grid_bng bng_lat_long_to_grid(double a, double b, double phi, double lambda) {
    const float_grid g = bng_float_grid(a, b, phi, lambda);
    const std::int32_t easting = bng_whole(g.easting, 700000.0, outcome::easting_out_of_range);
    return {easting, bng_whole(g.northing, 1300000.0, outcome::northing_out_of_range)};
}

// ---- UTM: k0 0.9996, false easting 500000, false northing 10000000 in the south ----

/// UTM zone, easting, northing.
struct grid_utm {
    std::int32_t zone, easting, northing;
};

/// Latitude, longitude and convergence from the UTM grid.
struct utm_geodetic {
    double latitude, longitude, convergence;
};

inline double central_meridian(std::int32_t zone) {
    return detail::pi * static_cast<double>(6 * std::abs(zone) - 183) / 180.0;
}

inline double utm_convergence(double e_prime2, double phi, double dl) {
    const double eta2 = e_prime2 * (std::cos(phi) * std::cos(phi));
    return dl * std::sin(phi) + (dl * dl * dl / 3.0) * std::sin(phi) *
                                    (std::cos(phi) * std::cos(phi)) *
                                    (1.0 + 3.0 * eta2 + 2.0 * (eta2 * eta2));
}

/// UTM grid to latitude, longitude and convergence: three fixed passes. The correction terms
/// come in another order than in the National Grid's inverse; each order rounds its own way.
inline utm_geodetic utm_grid_to_lat_long(double a, double b, std::int32_t easting,
                                         std::int32_t northing, std::int32_t zone) {
    const double S = 0.9996 * a;
    const double e2 = (a * a - b * b) / (a * a);
    const double e_prime2 = (a * a - b * b) / (b * b);
    const double FN = zone < 0 ? 10000000.0 : 0.0;
    const double E = easting;
    const double N = northing;
    double phi_0 = (N - FN) / S;
    double dl = 0.0;
    for (int pass = 1; pass <= 3; ++pass) {
        const double w2 = 1.0 - e2 * (std::sin(phi_0) * std::sin(phi_0));
        const double w = detail::checked_sqrt(w2);
        const double c =
            e2 * w2 * (std::cos(phi_0) * std::cos(phi_0)) / (6.0 * (1.0 - e2) * (S * S));
        const double xi = E - 500000.0;
        const double eta = (N - FN) - S * beta(phi_0, e2);
        const double x = xi + 3.0 * c * xi * (eta * eta) - c * (xi * xi * xi);
        const double y = eta - 3.0 * c * eta * (xi * xi) + c * (eta * eta * eta);
        const double h = 2.0 * detail::arctan(std::exp(x * w / S)) - detail::half_pi;
        dl = detail::arctan(std::tan(h) / std::cos(phi_0 + y * w / S));
        phi_0 = detail::arctan(std::tan(phi_0 + y * w / S) * std::cos(dl));
    }
    return {phi_0, detail::normalised(central_meridian(zone) + dl),
            utm_convergence(e_prime2, phi_0, dl)};
}

/// The spherical Transverse Mercator x, y and the cubic coefficient c at phi, dl on the
/// ellipsoid with eccentricity squared e2 and scaled axis S.
struct tm_plane {
    double x, y, c;
};

inline tm_plane utm_plane(double S, double e2, double phi, double dl) {
    const double w2 = 1.0 - e2 * (std::sin(phi) * std::sin(phi));
    const double w = detail::checked_sqrt(w2);
    const double s = std::cos(phi) * std::sin(dl);
    const double x = S / (2.0 * w) * detail::checked_log((1.0 + s) / (1.0 - s));
    const double y = (S / w) * (detail::arctan(std::tan(phi) / std::cos(dl)) - phi);
    const double c = e2 * w2 * (std::cos(phi) * std::cos(phi)) / (6.0 * (1.0 - e2) * (S * S));
    return {x, y, c};
}

/// Latitude and longitude to the grid of the given zone (clamped above, failing below 0),
/// with the convergence.
struct utm_projected {
    std::int32_t easting, northing;
    double convergence;
};

/// Latitude and longitude to the grid of the given zone, unrounded.
inline float_grid utm_float_grid(double a, double b, double phi, double lambda, std::int32_t zone) {
    const double S = 0.9996 * a;
    const double e2 = (a * a - b * b) / (a * a);
    const double FN = zone < 0 ? 10000000.0 : 0.0;
    const auto [x, y, c] = utm_plane(S, e2, phi, lambda - central_meridian(zone));
    return {500000.0 + x - 3.0 * c * x * (y * y) + c * (x * x * x),
            FN + S * beta(phi, e2) + y + 3.0 * c * (x * x) * y - c * (y * y * y)};
}

inline utm_projected utm_lat_long_to_grid(double a, double b, double phi, double lambda,
                                          std::int32_t zone) {
    const double e_prime2 = (a * a - b * b) / (b * b);
    const double dl = lambda - central_meridian(zone);
    const auto [E, N] = utm_float_grid(a, b, phi, lambda, zone);
    if (!std::isfinite(E))
        throw failed{outcome::constraint_error};
    const std::int32_t easting =
        E > 999999.0 ? 999999 : detail::whole(E, 0.0, 999999.0, outcome::constraint_error);
    if (!std::isfinite(N))
        throw failed{outcome::constraint_error};
    const std::int32_t northing =
        N > 11000000.0 ? 11000000 : detail::whole(N, 0.0, 11000000.0, outcome::constraint_error);
    return {easting, northing, utm_convergence(e_prime2, phi, dl)};
}

/// The standard zone of a longitude; a boundary belongs to the zone east of it.
inline std::int32_t zone_of(double lambda) {
    const double zone = std::floor((lambda * 57.29577951308232 + 186.0) / 6.0);
    return detail::whole(zone, -60.0, 60.0, outcome::constraint_error);
}

/// Latitude and longitude to UTM in the zone of the longitude, unrounded.
inline float_grid utm_automatic_float_grid(double a, double b, double phi, double lambda) {
    const double aF0 = a * 0.9996;
    const double e2 = (a * a - b * b) / (a * a);
    const std::int32_t zone = zone_of(lambda);
    const double FN = zone < 0 ? 10000000.0 : 0.0;
    const auto [x, y, c] = utm_plane(aF0, e2, phi, lambda - central_meridian(zone));
    return {500000.0 + x - 3.0 * c * x * (y * y) + c * (x * x * x),
            FN + y + 3.0 * c * (x * x) * y - c * (y * y * y) + aF0 * beta(phi, e2)};
}

/// Latitude and longitude to UTM in the zone of the longitude, clamped into the grid.
inline grid_utm utm_automatic_zone(double a, double b, double phi, double lambda) {
    const std::int32_t zone = zone_of(lambda);
    const auto [E, N] = utm_automatic_float_grid(a, b, phi, lambda);
    const auto clamp = [](double v, double last) -> std::int32_t {
        if (!std::isfinite(v))
            throw failed{outcome::constraint_error};
        if (v > last)
            return static_cast<std::int32_t>(last);
        if (v < 0.0)
            return 0;
        return static_cast<std::int32_t>(std::round(v));
    };
    return {zone, clamp(E, 999999.0), clamp(N, 11000000.0)};
}

// ---- The chains ----

/// National Grid to WGS84 latitude, longitude and height on the ellipsoid a, b.
inline geodetic bng_to_wgs84(double a, double b, std::int32_t easting, std::int32_t northing,
                             const helmert& p = wgs84_to_osgb36) {
    const geodetic airy = bng_grid_to_lat_long(airy_a, airy_b, easting, northing);
    const xyz osgb36 = lat_long_to_geocentric(airy_a, airy_b, airy.latitude, airy.longitude, 0.0);
    return geocentric_to_lat_long(a, b, inverse_small_rotation(p, osgb36));
}

/// WGS84 latitude, longitude and height on the ellipsoid a, b to the National Grid.
inline grid_bng wgs84_to_bng(double a, double b, double phi, double lambda, double h,
                             const helmert& p = wgs84_to_osgb36) {
    const xyz osgb36 = small_rotation(p, lat_long_to_geocentric(a, b, phi, lambda, h));
    const geodetic airy = geocentric_to_lat_long(airy_a, airy_b, osgb36);
    return bng_lat_long_to_grid(airy_a, airy_b, airy.latitude, airy.longitude);
}

/// National Grid to UTM in the zone of the WGS84 longitude.
inline grid_utm bng_to_utm(double a, double b, std::int32_t easting, std::int32_t northing) {
    const geodetic wgs84 = bng_to_wgs84(a, b, easting, northing);
    return utm_automatic_zone(a, b, wgs84.latitude, wgs84.longitude);
}

/// UTM (zones 29 .. 31) to the National Grid.
inline grid_bng utm_to_bng(double a, double b, std::int32_t zone, std::int32_t easting,
                           std::int32_t northing) {
    if (zone < 29 || zone > 31)
        throw failed{outcome::zone_out_of_range};
    const utm_geodetic wgs84 = utm_grid_to_lat_long(a, b, easting, northing, zone);
    return wgs84_to_bng(a, b, wgs84.latitude, wgs84.longitude, 0.0);
}

/// A UTM point re-expressed in another zone.
inline utm_projected to_overlap_zone(double a, double b, std::int32_t zone, std::int32_t easting,
                                     std::int32_t northing, std::int32_t overlap_zone) {
    const utm_geodetic g = utm_grid_to_lat_long(a, b, easting, northing, zone);
    return utm_lat_long_to_grid(a, b, g.latitude, g.longitude, overlap_zone);
}

}  // namespace reference_chain
