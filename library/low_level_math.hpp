// Plain double-precision elementary functions under short names. Inside the library the
// functions with a restricted domain are reached only through `long_float_math_lib`.
#pragma once

#include <cmath>
#include <numbers>

namespace low_level_math {

/// Degrees in one radian, 180 / pi rounded to a double. Degrees become radians by dividing by
/// it and radians become degrees by multiplying with it, everywhere, so that every front end
/// and both kernels get the same last bits.
inline constexpr double degrees_per_radian = 180.0 / std::numbers::pi;
static_assert(degrees_per_radian == 57.29577951308232);

/// Radians of `degrees` as pi * degrees / 180: the form of the zones' central meridians and of
/// the National Grid's origin. Its last bits differ from degrees / `degrees_per_radian`, so
/// each angle keeps the form it is defined by.
constexpr double radians_by_pi_over_180(double degrees) {
    return std::numbers::pi * degrees / 180.0;
}

/// Arc cosine, in [0, pi].
double acos(double x);
/// Arc sine, in [-pi/2, pi/2].
double asin(double x);
/// Arc tangent of `y`, computed as the two-argument arc tangent of (`y`, 1.0).
double atan(double y);
/// Two-argument arc tangent of `y` over `x`, in [-pi, pi].
double atan2(double y, double x);
/// Cosine of `x` (radians).
double cos(double x);
/// Sine of `x` (radians).
double sin(double x);
/// Tangent of `x` (radians).
double tan(double x);
/// e to the power `x`.
double exp(double x);
/// Natural logarithm of `x`.
double log(double x);
/// Square root of `x`. Defined here, so that each call is one instruction: the square root is
/// correctly rounded, so wherever it is evaluated (even ahead by the compiler) the value is
/// the platform's. The other functions stay out of line, where no compiler computes them
/// ahead with a differently rounded value of its own.
inline double sqrt(double x) {
    return std::sqrt(x);
}

/// Sine and cosine of one argument (`T`: a double, or a vector of doubles in the array
/// conversions' block kernel).
template <class T>
struct sin_cos_of {
    T sin;
    T cos;
};
/// Sine and cosine of one angle.
using sin_cos_type = sin_cos_of<double>;

/// Sine and cosine of `x` (radians) in one call, where the platform offers that: the very same
/// values as `sin` and `cos`, with the argument reduced once.
sin_cos_type sin_cos(double x);

}  // namespace low_level_math
