// The platform's elementary functions under their short names, and the sine and cosine taken
// together, which the projections rely on to give the very same bits as two separate calls.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>

#include "address_sanitizer.hpp"
#include "low_level_math.hpp"

namespace ll = low_level_math;

namespace {

/// Equal to the last bit; two NaNs count as equal.
bool same(double x, double y) {
    if (std::isnan(x) || std::isnan(y))
        return std::isnan(x) && std::isnan(y);
    return std::bit_cast<std::uint64_t>(x) == std::bit_cast<std::uint64_t>(y);
}

/// Counts the arguments at which `sin_cos` differs from separate `sin` and `cos` calls, and
/// reports the first few.
class sin_cos_check {
  public:
    void at(double x) {
        ++checked_;
        const ll::sin_cos_type together = ll::sin_cos(x);
        const double sine = ll::sin(x);
        const double cosine = ll::cos(x);
        if (!same(together.sin, sine) || !same(together.cos, cosine)) {
            if (++differences_ <= 5) {
                ADD_FAILURE() << "x = " << std::hexfloat << x << ": sin_cos (" << together.sin
                              << ", " << together.cos << "), separately (" << sine << ", " << cosine
                              << ")";
            }
        }
    }
    /// `count` consecutive doubles upwards from `x`.
    void run_from(double x, int count) {
        for (int k = 0; k < count; ++k, x = std::nextafter(x, HUGE_VAL)) {
            at(x);
            at(-x);
        }
    }
    long checked() const { return checked_; }
    long differences() const { return differences_; }

  private:
    long checked_ = 0;
    long differences_ = 0;
};

constexpr int scale = under_address_sanitizer ? 1 : 5;

}  // namespace

TEST(SinCos, SameBitsAsSeparateCallsOverTheProjectionsRanges) {
    // Latitudes of Britain and the double, fourfold .. angles of the meridian arc, longitude
    // differences from a central meridian, and everything up to a full turn.
    sin_cos_check check;
    std::mt19937_64 engine(20240);
    const auto uniform = [&](double first, double last) {
        return std::uniform_real_distribution<double>(first, last)(engine);
    };
    for (int k = 0; k < 200000 * scale; ++k) {
        check.at(uniform(0.85, 1.1));
        check.at(uniform(-0.2, 0.2));
        check.at(uniform(-1.6, 1.6));
        check.at(uniform(-7.0, 7.0));
    }
    EXPECT_EQ(check.differences(), 0) << "of " << check.checked();
}

TEST(SinCos, SameBitsAsSeparateCallsAtEveryScaleAndEdge) {
    sin_cos_check check;
    std::mt19937_64 engine(20241);
    // Every binade from 2^-40 to 2^40, both signs.
    for (int k = 0; k < 100000 * scale; ++k) {
        const int exponent = std::uniform_int_distribution<int>(-40, 40)(engine);
        const double mantissa = std::uniform_real_distribution<double>(1.0, 2.0)(engine);
        check.at(std::ldexp(mantissa, exponent));
        check.at(-std::ldexp(mantissa, exponent));
    }
    // Runs of neighbouring doubles where an implementation changes its method: tiny
    // arguments, about 0.855469 and 2.426265 (polynomial / reduction borders), multiples of
    // pi/2, about 1e8 (the end of the fast reduction) and far beyond.
    for (double edge : {0x1p-27, 0x1p-26, 0.855469, 2.426265, 1.5707963267948966, 3.141592653589793,
                        4.71238898038469, 105414350.0, 1e22}) {
        check.run_from(std::nextafter(edge, 0.0) - 2000.0 * (std::nextafter(edge, HUGE_VAL) - edge),
                       4000 * scale);
    }
    for (double special :
         {0.0, -0.0, std::numeric_limits<double>::denorm_min(), std::numeric_limits<double>::min(),
          std::numeric_limits<double>::max(), std::numeric_limits<double>::infinity(),
          -std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()}) {
        check.at(special);
    }
    EXPECT_EQ(check.differences(), 0) << "of " << check.checked();
}

TEST(LowLevelMath, OneArgumentArctangentIsTheTwoArgumentOneOverOne) {
    // Regression guard: the platform's one-argument atan differs from atan2 (y, 1) in the last
    // bit for some arguments (these two on the GNU C library), and every result depends on it.
    for (double y : {0.059678002952814696, 0.41314341073438388, -3.5, 1e-9, 123.0}) {
        EXPECT_TRUE(same(ll::atan(y), std::atan2(y, 1.0))) << y;
    }
}
