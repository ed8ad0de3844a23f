#include "low_level_math.hpp"

#include <cmath>

namespace low_level_math {

double acos(double x) {
    return std::acos(x);
}
double asin(double x) {
    return std::asin(x);
}
double atan(double y) {
    return std::atan2(y, 1.0);
}
double atan2(double y, double x) {
    return std::atan2(y, x);
}
double cos(double x) {
    return std::cos(x);
}
double sin(double x) {
    return std::sin(x);
}
double tan(double x) {
    return std::tan(x);
}
double exp(double x) {
    return std::exp(x);
}
double log(double x) {
    return std::log(x);
}

sin_cos_type sin_cos(double x) {
#if defined(__GLIBC__) && defined(_GNU_SOURCE)
    // The GNU C library's `sincos` runs the code of its `sin` and `cos` and gives the same
    // values to the last bit; the tests hold it against separate calls over many arguments.
    sin_cos_type result;
    ::sincos(x, &result.sin, &result.cos);
    return result;
#else
    return {std::sin(x), std::cos(x)};
#endif
}

}  // namespace low_level_math
