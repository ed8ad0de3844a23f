// The exact Transverse Mercator's formulas between a grid and the conformal sphere, one source
// for every lane type: `utm::exact_transverse_mercator` runs them on doubles, the precise block
// kernel on four or eight lanes. A step takes its elementary functions from the policy `M` (sin,
// cos, exp, sinh, asinh, atanh, sqrt, hypot and atan2, this last one only for a positive second
// argument), and for the iteration its lanes' masks (`mask`, `all`, `none`, `at_most`,
// `and_not`, `select`). The
// templates have internal linkage, so that the kernel's copies, compiled for its processor
// target, never stand in for another unit's. Internal to the library.
#pragma once

#include <array>

#include "utm-exact_transverse_mercator.hpp"

namespace utm::exact_transverse_mercator::detail {

namespace {  // NOLINT: internal linkage on purpose, see above

/// A complex number as two lanes.
template <class T>
struct complex_of {
    T re;
    T im;
};

/// The sine and cosine of 2 xi and the hyperbolic ones of 2 eta, zeta = xi + i eta: all the
/// series need of their argument.
template <class T>
struct double_angles_of {
    T sin_2xi;
    T cos_2xi;
    T sinh_2eta;
    T cosh_2eta;
};

/// A point of the conformal sphere (`sphere_point`) on lanes.
template <class T>
struct sphere_of {
    T sin_xi;
    T cos_xi;
    T sinh_eta;
};

/// Grid coordinates (metres) on lanes.
template <class T>
struct grid_of {
    T easting;
    T northing;
};

/// sum over j = 1 .. 6 of c[j - 1] sin(2 j zeta), by Clenshaw's recurrence on the complex
/// argument: its real part is the series in sin(2 j xi) cosh(2 j eta), its imaginary part the
/// one in cos(2 j xi) sinh(2 j eta). From the sines and cosines of 2 zeta alone, in real
/// arithmetic (a complex product of the standard library checks for infinities each time).
template <class T>
[[gnu::always_inline]] inline complex_of<T> sine_series(const std::array<long_float, 6>& c,
                                                        const double_angles_of<T>& a) {
    const T r_re = 2.0 * a.cos_2xi * a.cosh_2eta;  // 2 cos(2 zeta)
    const T r_im = -2.0 * a.sin_2xi * a.sinh_2eta;
    T b1_re = r_re * 0.0;
    T b1_im = b1_re;
    T b2_re = b1_re;
    T b2_im = b1_re;
    for (int k = 5; k >= 0; --k) {
        const T b0_re = c[static_cast<std::size_t>(k)] + (r_re * b1_re - r_im * b1_im) - b2_re;
        const T b0_im = (r_re * b1_im + r_im * b1_re) - b2_im;
        b2_re = b1_re;
        b2_im = b1_im;
        b1_re = b0_re;
        b1_im = b0_im;
    }
    const T s_re = a.sin_2xi * a.cosh_2eta;  // sin(2 zeta)
    const T s_im = a.cos_2xi * a.sinh_2eta;
    return {b1_re * s_re - b1_im * s_im, b1_re * s_im + b1_im * s_re};
}

/// The point of the conformal sphere at xi, eta: the grid coordinates from the true origin's
/// meridian distance and the central meridian, over k0 A. One exponential for both hyperbolic
/// functions of the series: it takes them to far below the last bit of xi and eta, where its
/// small coefficients leave any rounding.
template <class M, class T>
[[gnu::always_inline]] inline sphere_of<T> sphere_at(const projection& tm, T xi, T eta) {
    const T e_2eta = M::exp(2.0 * eta);
    const complex_of<T> s = sine_series(
        tm.beta, double_angles_of<T>{M::sin(2.0 * xi), M::cos(2.0 * xi),
                                     (e_2eta - 1.0 / e_2eta) / 2.0, (e_2eta + 1.0 / e_2eta) / 2.0});
    const T xi_prime = xi - s.re;
    return {M::sin(xi_prime), M::cos(xi_prime), M::sinh(eta - s.im)};
}

/// The grid point (metres) of a point on the conformal sphere given, up to one positive factor
/// common to the three, by tan of its conformal latitude `t` and the cosine `c` (positive) and
/// sine `s` of its longitude from the central meridian. The series' double angles follow from
/// t, c and s in closed form: sin xi' = t / r, cos xi' = c / r, sinh eta' = s / r, with
/// r = sqrt(t^2 + c^2).
template <class M, class T>
[[gnu::always_inline]] inline grid_of<T> grid_of_sphere(const projection& tm, T t, T c, T s) {
    const T r = M::hypot(t, c);
    const T sin_xi = t / r;
    const T cos_xi = c / r;
    const T sinh_eta = s / r;
    const T cosh_eta = M::sqrt(1.0 + sinh_eta * sinh_eta);
    const complex_of<T> d = sine_series(
        tm.alpha, double_angles_of<T>{2.0 * sin_xi * cos_xi, (cos_xi - sin_xi) * (cos_xi + sin_xi),
                                      2.0 * sinh_eta * cosh_eta, 1.0 + 2.0 * sinh_eta * sinh_eta});
    return {tm.parameters.false_easting + tm.scaled_rectifying_axis * (M::asinh(sinh_eta) + d.im),
            tm.northing_of_equator + tm.scaled_rectifying_axis * (M::atan2(t, c) + d.re)};
}

/// The cosine (`re`) and sine (`im`) of the longitude of a point of one projection's sphere
/// from the central meridian of another, turned from the first's by the angle whose cosine and
/// sine are `cos_turn`, `sin_turn`; up to the factor of `sphere_of`.
template <class T, class U>
[[gnu::always_inline]] inline complex_of<T> turned(const sphere_of<T>& s, U cos_turn, U sin_turn) {
    return {s.cos_xi * cos_turn - s.sinh_eta * sin_turn,
            s.sinh_eta * cos_turn + s.cos_xi * sin_turn};
}

/// sqrt(1 + x^2), the secant of an angle whose tangent is x.
template <class M, class T>
[[gnu::always_inline]] inline T secant_of_tan(T x) {
    return M::sqrt(1.0 + x * x);
}

/// tan of the conformal latitude from tan of the geodetic latitude `tau`.
template <class M, class T>
[[gnu::always_inline]] inline T conformal_tan(T tau, long_float e) {
    const T sigma = M::sinh(e * M::atanh(e * tau / secant_of_tan<M>(tau)));
    return tau * secant_of_tan<M>(sigma) - sigma * secant_of_tan<M>(tau);
}

/// tan of the geodetic latitude from tan of the conformal latitude `tau_prime`, by Newton's
/// method; the derivative d tau' / d tau = (1 - e2) sqrt(1 + tau'^2) sqrt(1 + tau^2) /
/// (1 + (1 - e2) tau^2) is known in closed form. Quadratic convergence: three or four steps.
/// Each lane stops at its own step; a lane still running after twenty stays in `running`.
template <class M, class T>
[[gnu::always_inline]] inline T geodetic_tan(T tau_prime, long_float e, long_float e2,
                                             typename M::mask& running) {
    const long_float one_minus_e2 = 1.0 - e2;
    T tau = tau_prime / one_minus_e2;
    running = M::all();
    for (int step = 0; step < 20 && !M::none(running); ++step) {
        const T tau_prime_i = conformal_tan<M>(tau, e);
        const T delta = (tau_prime - tau_prime_i) / secant_of_tan<M>(tau_prime_i) *
                        (1.0 + one_minus_e2 * tau * tau) / (one_minus_e2 * secant_of_tan<M>(tau));
        tau = M::select(running, tau + delta, tau);
        running = M::and_not(running, M::at_most(M::abs(delta), 1e-15 * M::max_one(M::abs(tau))));
    }
    return tau;
}

}  // namespace

}  // namespace utm::exact_transverse_mercator::detail
