// Domain checks, failure messages and the fixed arctangent values on the axes.
#include <gtest/gtest.h>

#include <cmath>

#include "elementary_functions_exceptions.hpp"
#include "global_types.hpp"
#include "long_float_math_lib.hpp"

namespace lf = long_float_math_lib;
using elementary_functions_exceptions::argument_error;

namespace {
template <typename F>
std::string argument_error_message(F f) {
    try {
        f();
    } catch (const argument_error& e) {
        return e.message();
    }
    return "no failure";
}
}  // namespace

TEST(CheckedFunctions, DomainsAndTheirMessages) {
    EXPECT_EQ(argument_error_message([] { lf::sqrt(-1e-300); }), "long_float_math_lib:56");
    EXPECT_EQ(argument_error_message([] { lf::log(-1.0); }), "long_float_math_lib:67");
    EXPECT_EQ(argument_error_message([] { lf::arcsin(1.0000000000000002); }),
              "long_float_math_lib:78");
    EXPECT_EQ(argument_error_message([] { lf::arccos(-1.0000000000000002); }),
              "long_float_math_lib:89");
    EXPECT_EQ(argument_error_message([] { lf::arctan(0.0, 0.0); }), "long_float_math_lib:102");
    EXPECT_EQ(argument_error_message([] { lf::arctan(-0.0, 0.0); }), "long_float_math_lib:102");
}

TEST(CheckedFunctions, BoundariesOfTheDomainsPass) {
    EXPECT_EQ(lf::sqrt(0.0), 0.0);
    EXPECT_EQ(lf::log(1.0), 0.0);
    EXPECT_EQ(lf::arcsin(1.0), 1.5707963267948966);
    EXPECT_EQ(lf::arccos(-1.0), 3.141592653589793);
    EXPECT_DOUBLE_EQ(lf::sqrt(2.0), std::sqrt(2.0));
}

TEST(CheckedFunctions, LogOfExactlyZeroIsAConstraintError) {
    EXPECT_THROW(lf::log(0.0), global_types::constraint_error);
    EXPECT_THROW(lf::log(-0.0), global_types::constraint_error);
}

TEST(CheckedFunctions, TwoArgumentArctanQuadrantRules) {
    EXPECT_EQ(lf::arctan(0.0, -5.0), 3.141592653589793);
    EXPECT_EQ(lf::arctan(0.0, 5.0), 0.0);
    EXPECT_EQ(lf::arctan(-0.0, -5.0), 3.141592653589793);  // negative zero counts as zero
    EXPECT_EQ(lf::arctan(-2.0, 0.0), -1.5707963267948966);
    EXPECT_EQ(lf::arctan(2.0, -0.0), 1.5707963267948966);
    EXPECT_EQ(lf::arctan(1.0, 1.0), std::atan2(1.0, 1.0));
    EXPECT_DOUBLE_EQ(lf::arctan(1.0, 1.0), 0.7853981633974483);
    EXPECT_DOUBLE_EQ(lf::arctan(-1.0, -1.0), -3.0 * 0.7853981633974483);
}

TEST(CheckedFunctions, OneArgumentArctan) {
    EXPECT_EQ(lf::arctan(0.0), 0.0);
    EXPECT_FALSE(std::signbit(lf::arctan(-0.0)));  // the fixed value, not the platform's -0
    EXPECT_DOUBLE_EQ(lf::arctan(1.0), 0.7853981633974483);
    EXPECT_LT(lf::arctan(1e300), 1.5707963267948967);
}
