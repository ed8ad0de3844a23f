// Plain double-precision elementary functions under short names. Inside the library the
// functions with a restricted domain are reached only through `long_float_math_lib`.
#pragma once

namespace low_level_math {

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
/// Square root of `x`.
double sqrt(double x);

}  // namespace low_level_math
