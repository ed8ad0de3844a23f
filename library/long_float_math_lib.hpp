// Elementary functions with a domain check in front: an argument outside the domain raises
// `elementary_functions_exceptions::argument_error` naming the place of the check.
#pragma once

#include "low_level_math.hpp"

namespace long_float_math_lib {

namespace detail {
/// Raises argument_error with the place of the check as its message.
[[noreturn]] void raise_argument_error(const char* place);
/// Raises constraint_error for the logarithm of exactly 0.
[[noreturn]] void raise_log_of_zero();
}  // namespace detail

// The checks of the functions that every projection pass calls are defined here, so that a
// call costs a comparison and the platform's function, not one more call.

/// Square root; `x` < 0 raises argument_error ("long_float_math_lib:56").
inline double sqrt(double x) {
    if (x < 0.0)
        detail::raise_argument_error("long_float_math_lib:56");
    return low_level_math::sqrt(x);
}

/// Natural logarithm; `x` < 0 raises argument_error ("long_float_math_lib:67"), exactly 0
/// raises `global_types::constraint_error`. log(1) is exactly 0.
inline double log(double x) {
    if (x < 0.0)
        detail::raise_argument_error("long_float_math_lib:67");
    // The logarithm of 0 has no finite value; it fails like any other value that does not fit.
    if (x == 0.0)
        detail::raise_log_of_zero();
    return low_level_math::log(x);
}

/// Arc sine; |x| > 1 raises argument_error ("long_float_math_lib:78").
double arcsin(double x);
/// Arc cosine; |x| > 1 raises argument_error ("long_float_math_lib:89").
double arccos(double x);
/// Two-argument arc tangent of `y` over `x` with fixed values on the axes: (0, 0) raises
/// argument_error ("long_float_math_lib:102"); x = 0 gives +-pi/2, y = 0 gives 0 or pi;
/// x = 1 exactly goes through the one-argument form. Negative zero counts as zero.
double arctan(double y, double x);
/// One-argument arc tangent in (-pi/2, pi/2); exactly 0 for `y` = 0.
inline double arctan(double y) {
    if (y == 0.0)
        return 0.0;
    return low_level_math::atan(y);
}

}  // namespace long_float_math_lib
