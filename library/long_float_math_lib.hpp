// Elementary functions with a domain check in front: an argument outside the domain raises
// `elementary_functions_exceptions::argument_error` naming the place of the check.
#pragma once

namespace long_float_math_lib {

/// Square root; `x` < 0 raises argument_error ("long_float_math_lib:56").
double sqrt(double x);
/// Natural logarithm; `x` < 0 raises argument_error ("long_float_math_lib:67"), exactly 0
/// raises `global_types::constraint_error`. log(1) is exactly 0.
double log(double x);
/// Arc sine; |x| > 1 raises argument_error ("long_float_math_lib:78").
double arcsin(double x);
/// Arc cosine; |x| > 1 raises argument_error ("long_float_math_lib:89").
double arccos(double x);
/// Two-argument arc tangent of `y` over `x` with fixed values on the axes: (0, 0) raises
/// argument_error ("long_float_math_lib:102"); x = 0 gives +-pi/2, y = 0 gives 0 or pi;
/// x = 1 exactly goes through the one-argument form. Negative zero counts as zero.
double arctan(double y, double x);
/// One-argument arc tangent in (-pi/2, pi/2); exactly 0 for `y` = 0.
double arctan(double y);

}  // namespace long_float_math_lib
