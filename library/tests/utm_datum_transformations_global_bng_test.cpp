// WGS84 latitude and longitude to and from the National Grid, and the process-wide datum set.
#include <gtest/gtest.h>

#include <numbers>

#include "utm-datum_transformations-global_bng.hpp"
#include "utm-exceptions.hpp"

using namespace utm::datum_transformations;
using namespace utm::datum_transformations::global_bng;

namespace {

constexpr double a = 6378137.0;     // GRS80, metres
constexpr double b = 6356752.3141;  // GRS80, metres
constexpr double deg = std::numbers::pi / 180.0;
constexpr double arc_second = deg / 3600.0;

// Read during the dynamic initialisation of this program, before main and before anyone ran a
// start-up: the set must already hold its real values (it is constant-initialised).
const seven_helmert_parameters_type set_seen_at_load =
    get_simple_wgs84_to_osgb_odn_helmert_parameters();

/// Installs a parameter set for one test and puts the start-up set back afterwards.
class replaced_parameters {
  public:
    explicit replaced_parameters(const seven_helmert_parameters_type& set) {
        set_simple_wgs84_to_osgb_odn_helmert_parameters(set);
    }
    ~replaced_parameters() { start_up(); }
};

}  // namespace

TEST(GlobalBng, ParameterSetHoldsTheStartUpValuesFromLoadTime) {
    const seven_helmert_parameters_type set = set_seen_at_load;
    EXPECT_EQ(set.scale_factor_minus_one, 2.04894e-05);
    EXPECT_EQ(set.translations, (translations_type{-446.448, 125.157, -542.06}));
    EXPECT_EQ(set.rotations, (rotations_type{-7.281901490265231e-07, -1.1974897923405538e-06,
                                             -4.082616008623403e-06}));
    // The arc-second values over secs_per_rad, to the last bit or so.
    EXPECT_NEAR(set.rotations[0], -0.1502 / secs_per_rad, 2e-21);
    EXPECT_NEAR(set.rotations[1], -0.2470 / secs_per_rad, 2e-21);
    EXPECT_NEAR(set.rotations[2], -0.8421 / secs_per_rad, 2e-21);
    start_up();
    EXPECT_EQ(get_simple_wgs84_to_osgb_odn_helmert_parameters(), set);
}

TEST(GlobalBng, GridPointsToWgs84) {
    const auto norfolk = from_bng_to_wgs84_lat_long(a, b, 651410, 313177);
    EXPECT_NEAR(norfolk.latitude / deg, 52.657975, 1e-6);
    EXPECT_NEAR(norfolk.longitude / deg, 1.716053, 1e-6);
    EXPECT_NEAR(norfolk.altitude, 44.69, 0.01);
    const auto dorset = from_bng_to_wgs84_lat_long(a, b, 400000, 100000);
    EXPECT_NEAR(dorset.latitude / deg, 50.799559, 1e-6);
    EXPECT_NEAR(dorset.longitude / deg, -2.001367, 1e-6);
    EXPECT_NEAR(dorset.altitude, 47.67, 0.01);
}

TEST(GlobalBng, Wgs84BackToTheSameGridPointAtAnyHeightUpToTheReturnedOne) {
    for (const auto& [e, n] : {std::pair{651410, 313177},
                               {400000, 100000},
                               {0, 1300000},
                               {700000, 0},
                               {123456, 987654}}) {
        const auto wgs84 = from_bng_to_wgs84_lat_long(a, b, e, n);
        for (double h : {0.0, wgs84.altitude / 2.0, wgs84.altitude}) {
            const auto grid = from_wgs84_lat_long_to_bng(a, b, wgs84.latitude, wgs84.longitude, h);
            EXPECT_EQ(grid.easting_bng, e) << e << " " << n << " h " << h;
            EXPECT_EQ(grid.northing_bng, n) << e << " " << n << " h " << h;
        }
    }
}

TEST(GlobalBng, ReplacedParameterSetTakesEffectAndIsRestored) {
    const auto real = from_bng_to_wgs84_lat_long(a, b, 400000, 100000);
    {
        const replaced_parameters zero{seven_helmert_parameters_type{}};
        const auto shifted = from_bng_to_wgs84_lat_long(a, b, 400000, 100000);
        // 2 degrees west to the last bit but one: the longitude comes back through
        // arctan(y / x) of the earth-centred point, which rounds to -0.034906585039886584.
        EXPECT_NEAR(shifted.longitude, -0.03490658503988659, 1e-17);
        EXPECT_NEAR((shifted.longitude - real.longitude) / arc_second, 4.9, 0.1);
        EXPECT_NEAR((shifted.latitude - real.latitude) / arc_second, 0.45, 0.05);
        EXPECT_NEAR(shifted.altitude, -527.0, 1.0);
    }
    const auto restored = from_bng_to_wgs84_lat_long(a, b, 400000, 100000);
    EXPECT_EQ(restored.latitude, real.latitude);
    EXPECT_EQ(restored.longitude, real.longitude);
}

TEST(GlobalBng, PointsFarSouthOfTheGridRaiseNorthingOutOfRange) {
    try {
        from_wgs84_lat_long_to_bng(a, b, 40.0 * deg, -2.0 * deg, 0.0);
        FAIL() << "no failure";
    } catch (const utm::exceptions::northing_out_of_range& e) {
        EXPECT_STREQ(e.what(), "UTM.EXCEPTIONS.NORTHING_OUT_OF_RANGE");
    }
}
