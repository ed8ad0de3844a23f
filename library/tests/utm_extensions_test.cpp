// Earth-centred to geodetic coordinates, and the UTM projection that picks the zone itself.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>

#include "global_types.hpp"
#include "utm-bng-conversions.hpp"
#include "utm-extensions.hpp"
#include "utm-sncs-conversions.hpp"
#include "utm-sncs.hpp"
#include "utm.hpp"

using global_types::constraint_error;
using utm::extensions::geocentric_to_lat_long;
using utm::extensions::lat_long_to_grid;

namespace {
constexpr double a = 6378137.0;
constexpr double b = 6356752.3141;
constexpr double deg = std::numbers::pi / 180.0;
constexpr double pi = std::numbers::pi;
}  // namespace

TEST(GeocentricToLatLong, LongitudeIsTrueInEveryQuadrant) {
    // Regression: the longitude came from arctan(y / x) alone, off by pi west of +-90 degrees
    // and a division by zero on x = 0.
    const double r = 6378137.0;
    for (double lon : {0.0, 30.0, 89.0, 90.0, 91.0, 150.0, 180.0, -30.0, -90.0, -91.0, -179.0}) {
        const utm::geocentric_coordinates_type p{r * std::cos(lon * deg), r * std::sin(lon * deg),
                                                 0.0};
        EXPECT_NEAR(geocentric_to_lat_long(a, b, p).longitude, lon * deg, 1e-15) << lon;
    }
    EXPECT_EQ(geocentric_to_lat_long(a, b, {0.0, 5.0, 1.0}).longitude, pi / 2);
    EXPECT_EQ(geocentric_to_lat_long(a, b, {0.0, -5.0, 1.0}).longitude, -pi / 2);
    // On the negative x axis the longitude is +pi, also for a negative zero y.
    EXPECT_EQ(geocentric_to_lat_long(a, b, {-r, 0.0, 0.0}).longitude, pi);
    EXPECT_EQ(geocentric_to_lat_long(a, b, {-r, -0.0, 0.0}).longitude, pi);
}

TEST(GeocentricToLatLong, EastOfThePolarPlaneKeepsTheOneArgumentArctangent) {
    const utm::geocentric_coordinates_type p{3909833.018, -147097.1376, 5020322.494};
    EXPECT_EQ(geocentric_to_lat_long(a, b, p).longitude, std::atan2(p.y / p.x, 1.0));
}

TEST(GeocentricToLatLong, PolarAxisGivesThePole) {
    const auto north = geocentric_to_lat_long(a, b, {0.0, 0.0, b + 10.0});
    EXPECT_EQ(north.latitude, pi / 2);
    EXPECT_EQ(north.longitude, 0.0);
    EXPECT_NEAR(north.altitude, 10.0, 1e-9);
    const auto south = geocentric_to_lat_long(a, b, {0.0, 0.0, -b});
    EXPECT_EQ(south.latitude, -pi / 2);
    EXPECT_EQ(south.altitude, 0.0);
}

TEST(GeocentricToLatLong, TheCentreOfTheEarthHasNoLatitudeInAnyOfTheConversions) {
    // Regression: the three conversions gave three answers for the centre (the north pole b
    // below, the equator at height 0, the equator b below); none of them is the point's.
    const double bessel_a = utm::sncs::major_axis_bessel41;
    const std::function<void(const utm::geocentric_coordinates_type&)> conversions[] = {
        [](const auto& p) { geocentric_to_lat_long(a, b, p); },
        [](const auto& p) { utm::bng::conversions::geocentric_to_lat_long(a, b, p); },
        [&](const auto& p) { utm::sncs::conversions::geocentric_to_lat_long(bessel_a, 0.0, p); },
        [](const auto& p) { utm::enu_to_lat_long(a, b, 0.0, 0.0, 0.0, p, 0.3, 0.2); },
    };
    for (const auto& convert : conversions) {
        EXPECT_THROW(convert({0.0, 0.0, 0.0}), constraint_error);
        EXPECT_THROW(convert({-0.0, 0.0, -0.0}), constraint_error);
        EXPECT_NO_THROW(convert({0.0, 0.0, 1e-3}));
        EXPECT_NO_THROW(convert({1e-3, 0.0, 0.0}));
    }
}

TEST(AutomaticZone, ZoneBoundaryBelongsToTheZoneEastOfIt) {
    EXPECT_EQ(lat_long_to_grid(a, b, 52.0 * deg, 0.0).zone_out, 31);
    EXPECT_EQ(lat_long_to_grid(a, b, 52.0 * deg, -1e-12).zone_out, 30);
    EXPECT_EQ(lat_long_to_grid(a, b, 52.0 * deg, -6.0 * deg).zone_out, 30);
    EXPECT_EQ(lat_long_to_grid(a, b, 52.0 * deg, -177.0 * deg).zone_out, 1);
    EXPECT_EQ(lat_long_to_grid(a, b, 52.0 * deg, 179.9 * deg).zone_out, 60);
    EXPECT_THROW(lat_long_to_grid(a, b, 52.0 * deg, 180.0 * deg), constraint_error);
}

TEST(AutomaticZone, LongitudesOutsideTheTurnFail) {
    // Regression: -187 degrees gave zone -1 with easting 0 and northing 11000000; only about
    // -546 degrees raised.
    for (const double lon : {-187.0, -180.001, -200.0, -546.0, 180.0, 181.0, 540.0})
        EXPECT_THROW(lat_long_to_grid(a, b, 52.0 * deg, lon * deg), constraint_error) << lon;
    EXPECT_EQ(lat_long_to_grid(a, b, 52.0 * deg, -pi).zone_out, 1);
    EXPECT_EQ(lat_long_to_grid(a, b, 52.0 * deg, 179.9999 * deg).zone_out, 60);
}

TEST(AutomaticZone, AgreesWithTheProjectionIntoTheSameZone) {
    // The two differ only in the order of the northing's terms (rounding in the last bits).
    for (double lat : {0.0, 30.0, 51.5, 60.0}) {
        for (double lon : {-9.5, -6.0, -0.1275, 1.7, 18.4}) {
            const auto automatic = lat_long_to_grid(a, b, lat * deg, lon * deg);
            const auto chosen =
                utm::lat_long_to_grid(a, b, lat * deg, lon * deg, automatic.zone_out);
            EXPECT_NEAR(automatic.easting, chosen.easting, 1) << lat << " " << lon;
            EXPECT_NEAR(automatic.northing, chosen.northing, 1) << lat << " " << lon;
        }
    }
}

TEST(AutomaticZone, SouthernPointsClampToZeroInsteadOfFailing) {
    const auto south = lat_long_to_grid(a, b, -33.9 * deg, 18.4 * deg);
    EXPECT_EQ(south.zone_out, 34);
    EXPECT_EQ(south.northing, 0);
    EXPECT_EQ(south.easting, 259583);
}

TEST(AutomaticZone, NotANumberFailsInsteadOfBeingClamped) {
    EXPECT_THROW(lat_long_to_grid(a, b, std::nan(""), 0.1), constraint_error);
    EXPECT_THROW(lat_long_to_grid(a, b, 0.9, std::nan("")), constraint_error);
    EXPECT_THROW(lat_long_to_grid(a, b, INFINITY, 0.1), constraint_error);
}
