#include "utm-exact_transverse_mercator.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

#include "detail/exact_transverse_mercator_steps.hpp"

namespace utm::exact_transverse_mercator {

namespace {

using global_types::constraint_error;

constexpr long_float half_pi = std::numbers::pi / 2.0;

void require(bool condition, const char* what) {
    if (!condition) {
        throw constraint_error(std::string("exact Transverse Mercator: ") + what);
    }
}

// The elementary functions of the steps on doubles: the platform's.
struct scalar_math {
    static long_float sin(long_float x) { return std::sin(x); }
    static long_float cos(long_float x) { return std::cos(x); }
    static long_float exp(long_float x) { return std::exp(x); }
    static long_float sinh(long_float x) { return std::sinh(x); }
    static long_float asinh(long_float x) { return std::asinh(x); }
    static long_float sqrt(long_float x) { return std::sqrt(x); }
    static long_float hypot(long_float x, long_float y) { return std::hypot(x, y); }
    static long_float atan2(long_float y, long_float x) { return std::atan2(y, x); }
    static long_float atanh(long_float x) { return std::atanh(x); }
    static long_float abs(long_float x) { return std::abs(x); }
    static long_float max_one(long_float x) { return std::max(1.0, x); }
    // One lane: its mask is a bool.
    using mask = bool;
    static mask all() { return true; }
    static bool none(mask m) { return !m; }
    static mask at_most(long_float x, long_float y) { return x <= y; }
    static mask and_not(mask a, mask b) { return a && !b; }
    static long_float select(mask m, long_float a, long_float b) { return m ? a : b; }
};

long_float conformal_tan(long_float tau, long_float e) {
    return detail::conformal_tan<scalar_math>(tau, e);
}

long_float geodetic_tan(long_float tau_prime, long_float e, long_float e2) {
    bool running = true;
    const long_float tau = detail::geodetic_tan<scalar_math>(tau_prime, e, e2, running);
    if (running) {
        throw constraint_error("exact Transverse Mercator: latitude did not converge");
    }
    return tau;
}

long_float longitude_in_range(long_float lambda) {
    const long_float r = std::remainder(lambda, 2.0 * std::numbers::pi);  // [-pi, pi]
    return r == -std::numbers::pi ? std::numbers::pi : r;
}

}  // namespace

projection make_projection(const projection_parameters& p) {
    require(std::isfinite(p.major_axis) && std::isfinite(p.minor_axis) && p.minor_axis > 0.0 &&
                p.minor_axis <= p.major_axis,
            "semi-axes must be finite and positive, the minor not above the major");
    require(std::isfinite(p.scale) && p.scale > 0.0, "scale must be finite and positive");
    require(std::abs(p.latitude_of_origin) <= half_pi && std::isfinite(p.central_meridian) &&
                std::isfinite(p.false_easting) && std::isfinite(p.false_northing),
            "origin must be finite, its latitude within [-pi/2, pi/2]");

    const long_float a = p.major_axis;
    const long_float b = p.minor_axis;
    const long_float f = (a - b) / a;
    const long_float n = (a - b) / (a + b);  // third flattening
    const long_float n2 = n * n;
    const long_float n3 = n2 * n;
    const long_float n4 = n3 * n;
    const long_float n5 = n4 * n;
    const long_float n6 = n5 * n;

    projection tm{};
    tm.parameters = p;
    tm.e2 = f * (2.0 - f);
    tm.e = std::sqrt(tm.e2);
    // Rectifying radius: a meridian quadrant is A pi / 2.
    const long_float A = a / (1.0 + n) * (1.0 + n2 / 4.0 + n4 / 64.0 + n6 / 256.0);
    tm.scaled_rectifying_axis = p.scale * A;
    tm.alpha = {
        n / 2.0 - 2.0 * n2 / 3.0 + 5.0 * n3 / 16.0 + 41.0 * n4 / 180.0 - 127.0 * n5 / 288.0 +
            7891.0 * n6 / 37800.0,
        13.0 * n2 / 48.0 - 3.0 * n3 / 5.0 + 557.0 * n4 / 1440.0 + 281.0 * n5 / 630.0 -
            1983433.0 * n6 / 1935360.0,
        61.0 * n3 / 240.0 - 103.0 * n4 / 140.0 + 15061.0 * n5 / 26880.0 + 167603.0 * n6 / 181440.0,
        49561.0 * n4 / 161280.0 - 179.0 * n5 / 168.0 + 6601661.0 * n6 / 7257600.0,
        34729.0 * n5 / 80640.0 - 3418889.0 * n6 / 1995840.0,
        212378941.0 * n6 / 319334400.0};
    tm.beta = {n / 2.0 - 2.0 * n2 / 3.0 + 37.0 * n3 / 96.0 - n4 / 360.0 - 81.0 * n5 / 512.0 +
                   96199.0 * n6 / 604800.0,
               n2 / 48.0 + n3 / 15.0 - 437.0 * n4 / 1440.0 + 46.0 * n5 / 105.0 -
                   1118711.0 * n6 / 3870720.0,
               17.0 * n3 / 480.0 - 37.0 * n4 / 840.0 - 209.0 * n5 / 4480.0 + 5569.0 * n6 / 90720.0,
               4397.0 * n4 / 161280.0 - 11.0 * n5 / 504.0 - 830251.0 * n6 / 7257600.0,
               4583.0 * n5 / 161280.0 - 108847.0 * n6 / 3991680.0,
               20648693.0 * n6 / 638668800.0};

    // The true origin's distance from the equator along the central meridian: k0 A times its
    // rectifying latitude, which is the forward series at longitude difference 0.
    const long_float chi0 = std::atan(conformal_tan(std::tan(p.latitude_of_origin), tm.e));
    const long_float mu0 =
        chi0 + detail::sine_series(
                   tm.alpha, detail::double_angles_of<long_float>{std::sin(2.0 * chi0),
                                                                  std::cos(2.0 * chi0), 0.0, 1.0})
                   .re;
    tm.northing_of_equator = p.false_northing - tm.scaled_rectifying_axis * mu0;
    return tm;
}

namespace {

grid_point grid_of_sphere(const projection& tm, long_float t, long_float c, long_float s) {
    const detail::grid_of<long_float> g = detail::grid_of_sphere<scalar_math>(tm, t, c, s);
    return {g.easting, g.northing};
}

}  // namespace

grid_point lat_long_to_grid(const projection& tm, long_float latitude, long_float longitude) {
    require(std::isfinite(latitude) && std::isfinite(longitude),
            "latitude and longitude must be finite");
    require(std::abs(latitude) <= half_pi, "latitude outside [-pi/2, pi/2]");
    const long_float delta_lambda = longitude_in_range(longitude - tm.parameters.central_meridian);
    const long_float cos_dl = std::cos(delta_lambda);
    require(cos_dl > 0.0, "point 90 degrees or more from the central meridian");
    return grid_of_sphere(tm, conformal_tan(std::tan(latitude), tm.e), cos_dl,
                          std::sin(delta_lambda));
}

sphere_point grid_to_sphere(const projection& tm, long_float easting, long_float northing) {
    require(std::isfinite(easting) && std::isfinite(northing),
            "easting and northing must be finite");
    const long_float xi = (northing - tm.northing_of_equator) / tm.scaled_rectifying_axis;
    const long_float eta = (easting - tm.parameters.false_easting) / tm.scaled_rectifying_axis;
    require(std::abs(xi) <= half_pi, "northing beyond a pole");
    const detail::sphere_of<long_float> s = detail::sphere_at<scalar_math>(tm, xi, eta);
    return {s.sin_xi, s.cos_xi, s.sinh_eta};
}

long_float longitude_on_sphere(const projection& tm, const sphere_point& s) {
    return longitude_in_range(std::atan2(s.sinh_eta, s.cos_xi) + tm.parameters.central_meridian);
}

lat_long_point grid_to_lat_long(const projection& tm, long_float easting, long_float northing) {
    const sphere_point s = grid_to_sphere(tm, easting, northing);
    const long_float tau_prime = s.sin_xi / std::hypot(s.sinh_eta, s.cos_xi);
    return {std::atan(geodetic_tan(tau_prime, tm.e, tm.e2)), longitude_on_sphere(tm, s)};
}

meridian_turn turn_between(const projection& from, const projection& to) {
    const long_float turn = from.parameters.central_meridian - to.parameters.central_meridian;
    return {std::cos(turn), std::sin(turn)};
}

grid_point sphere_to_grid(const projection& to, const sphere_point& s, const meridian_turn& turn) {
    const detail::complex_of<long_float> cs =
        detail::turned<long_float>({s.sin_xi, s.cos_xi, s.sinh_eta}, turn.cos_turn, turn.sin_turn);
    require(cs.re > 0.0, "point 90 degrees or more from the central meridian");
    return grid_of_sphere(to, s.sin_xi, cs.re, cs.im);
}

}  // namespace utm::exact_transverse_mercator
