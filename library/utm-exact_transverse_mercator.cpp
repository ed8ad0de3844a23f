#include "utm-exact_transverse_mercator.hpp"

#include <cmath>
#include <complex>
#include <numbers>
#include <string>

namespace utm::exact_transverse_mercator {

namespace {

using complex = std::complex<long_float>;
using global_types::constraint_error;

constexpr long_float half_pi = std::numbers::pi / 2.0;

void require(bool condition, const char* what) {
    if (!condition) {
        throw constraint_error(std::string("exact Transverse Mercator: ") + what);
    }
}

// The sine and cosine of 2 xi and the hyperbolic ones of 2 eta, zeta = xi + i eta: all the
// series below need of their argument.
struct double_angles {
    long_float sin_2xi;
    long_float cos_2xi;
    long_float sinh_2eta;
    long_float cosh_2eta;
};

// sum over j = 1 .. 6 of c[j - 1] sin(2 j zeta), by Clenshaw's recurrence on the complex
// argument: its real part is the series in sin(2 j xi) cosh(2 j eta), its imaginary part the
// one in cos(2 j xi) sinh(2 j eta). From the sines and cosines of 2 zeta alone, in real
// arithmetic (a complex product of the standard library checks for infinities each time).
complex sine_series(const std::array<long_float, 6>& c, const double_angles& a) {
    const long_float r_re = 2.0 * a.cos_2xi * a.cosh_2eta;  // 2 cos(2 zeta)
    const long_float r_im = -2.0 * a.sin_2xi * a.sinh_2eta;
    long_float b1_re = 0.0;
    long_float b1_im = 0.0;
    long_float b2_re = 0.0;
    long_float b2_im = 0.0;
    for (int k = 5; k >= 0; --k) {
        const long_float b0_re =
            c[static_cast<std::size_t>(k)] + (r_re * b1_re - r_im * b1_im) - b2_re;
        const long_float b0_im = (r_re * b1_im + r_im * b1_re) - b2_im;
        b2_re = b1_re;
        b2_im = b1_im;
        b1_re = b0_re;
        b1_im = b0_im;
    }
    const long_float s_re = a.sin_2xi * a.cosh_2eta;  // sin(2 zeta)
    const long_float s_im = a.cos_2xi * a.sinh_2eta;
    return {b1_re * s_re - b1_im * s_im, b1_re * s_im + b1_im * s_re};
}

// tan of the conformal latitude from tan of the geodetic latitude `tau`.
long_float conformal_tan(long_float tau, long_float e) {
    const long_float sigma = std::sinh(e * std::atanh(e * tau / std::hypot(1.0, tau)));
    return tau * std::hypot(1.0, sigma) - sigma * std::hypot(1.0, tau);
}

// tan of the geodetic latitude from tan of the conformal latitude `tau_prime`, by Newton's
// method; the derivative d tau' / d tau = (1 - e2) sqrt(1 + tau'^2) sqrt(1 + tau^2) /
// (1 + (1 - e2) tau^2) is known in closed form. Quadratic convergence: three or four steps.
long_float geodetic_tan(long_float tau_prime, long_float e, long_float e2) {
    const long_float one_minus_e2 = 1.0 - e2;
    long_float tau = tau_prime / one_minus_e2;
    for (int step = 0; step < 20; ++step) {
        const long_float tau_prime_i = conformal_tan(tau, e);
        const long_float delta = (tau_prime - tau_prime_i) / std::hypot(1.0, tau_prime_i) *
                                 (1.0 + one_minus_e2 * tau * tau) /
                                 (one_minus_e2 * std::hypot(1.0, tau));
        tau += delta;
        if (std::abs(delta) <= 1e-15 * std::max(1.0, std::abs(tau))) {
            return tau;
        }
    }
    throw constraint_error("exact Transverse Mercator: latitude did not converge");
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
        chi0 + sine_series(tm.alpha, {std::sin(2.0 * chi0), std::cos(2.0 * chi0), 0.0, 1.0}).real();
    tm.northing_of_equator = p.false_northing - tm.scaled_rectifying_axis * mu0;
    return tm;
}

namespace {

// The grid point (metres) of a point on the conformal sphere given, up to one positive factor
// common to the three, by tan of its conformal latitude `t` and the cosine `c` and sine `s` of
// its longitude from the central meridian. The series' double angles follow from t, c and s
// in closed form: sin xi' = t / r, cos xi' = c / r, sinh eta' = s / r, r = hypot(t, c).
grid_point grid_of_sphere(const projection& tm, long_float t, long_float c, long_float s) {
    const long_float r = std::hypot(t, c);
    const long_float sin_xi = t / r;
    const long_float cos_xi = c / r;
    const long_float sinh_eta = s / r;
    const long_float cosh_eta = std::sqrt(1.0 + sinh_eta * sinh_eta);
    const complex zeta_prime(std::atan2(t, c), std::asinh(sinh_eta));
    const complex zeta =
        zeta_prime +
        sine_series(tm.alpha, {2.0 * sin_xi * cos_xi, (cos_xi - sin_xi) * (cos_xi + sin_xi),
                               2.0 * sinh_eta * cosh_eta, 1.0 + 2.0 * sinh_eta * sinh_eta});
    return {tm.parameters.false_easting + tm.scaled_rectifying_axis * zeta.imag(),
            tm.northing_of_equator + tm.scaled_rectifying_axis * zeta.real()};
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
    // One exponential for both hyperbolic functions: the series takes them to far below the
    // last bit of xi and eta, where its small coefficients leave any rounding.
    const long_float e_2eta = std::exp(2.0 * eta);
    const complex zeta_prime =
        complex(xi, eta) -
        sine_series(tm.beta, {std::sin(2.0 * xi), std::cos(2.0 * xi), (e_2eta - 1.0 / e_2eta) / 2.0,
                              (e_2eta + 1.0 / e_2eta) / 2.0});
    return {std::sin(zeta_prime.real()), std::cos(zeta_prime.real()), std::sinh(zeta_prime.imag())};
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
    const long_float c = s.cos_xi * turn.cos_turn - s.sinh_eta * turn.sin_turn;
    const long_float sn = s.sinh_eta * turn.cos_turn + s.cos_xi * turn.sin_turn;
    require(c > 0.0, "point 90 degrees or more from the central meridian");
    return grid_of_sphere(to, s.sin_xi, c, sn);
}

}  // namespace utm::exact_transverse_mercator
