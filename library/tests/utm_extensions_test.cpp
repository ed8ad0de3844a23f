// Earth-centred to geodetic coordinates, and the UTM projection that picks the zone itself.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "global_types.hpp"
#include "utm-extensions.hpp"
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
    EXPECT_TRUE(std::isfinite(geocentric_to_lat_long(a, b, {0.0, 0.0, 0.0}).altitude));
}

TEST(AutomaticZone, ZoneBoundaryBelongsToTheZoneEastOfIt) {
    EXPECT_EQ(lat_long_to_grid(a, b, 52.0 * deg, 0.0).zone_out, 31);
    EXPECT_EQ(lat_long_to_grid(a, b, 52.0 * deg, -1e-12).zone_out, 30);
    EXPECT_EQ(lat_long_to_grid(a, b, 52.0 * deg, -6.0 * deg).zone_out, 30);
    EXPECT_EQ(lat_long_to_grid(a, b, 52.0 * deg, -177.0 * deg).zone_out, 1);
    EXPECT_EQ(lat_long_to_grid(a, b, 52.0 * deg, 179.9 * deg).zone_out, 60);
    EXPECT_THROW(lat_long_to_grid(a, b, 52.0 * deg, 180.0 * deg), constraint_error);
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
