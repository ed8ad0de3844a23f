#include "long_float_math_lib.hpp"

#include <numbers>

#include "global_types.hpp"
#include "low_level_math.hpp"

namespace long_float_math_lib {

namespace {
constexpr double pi = std::numbers::pi;
constexpr double half_pi = pi / 2.0;
}  // namespace

namespace detail {

void raise_argument_error(const char* place) {
    global_types::raise(global_types::failure_kind::argument_error, place);
}

void raise_log_of_zero() {
    global_types::raise(global_types::failure_kind::constraint_error, "log of zero");
}

}  // namespace detail

double arcsin(double x) {
    if (x < -1.0 || x > 1.0)
        detail::raise_argument_error("long_float_math_lib:78");
    return low_level_math::asin(x);
}

double arccos(double x) {
    if (x < -1.0 || x > 1.0)
        detail::raise_argument_error("long_float_math_lib:89");
    return low_level_math::acos(x);
}

double arctan(double y, double x) {
    if (x == 0.0 && y == 0.0)
        detail::raise_argument_error("long_float_math_lib:102");
    if (x == 0.0)
        return y > 0.0 ? half_pi : -half_pi;
    if (y == 0.0)
        return x > 0.0 ? 0.0 : pi;
    if (x == 1.0)
        return low_level_math::atan(y);
    return low_level_math::atan2(y, x);
}

}  // namespace long_float_math_lib
