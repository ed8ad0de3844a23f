// Zone-limit tests of UTM points and the change of a point into another zone.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

#include "utm-utilities.hpp"
#include "utm.hpp"

using global_types::constraint_error;
using namespace utm::utilities;

namespace {

constexpr double a = 6378137.0;     // GRS80, metres
constexpr double b = 6356752.3141;  // GRS80, metres
constexpr double deg = std::numbers::pi / 180.0;

is_overlapping_zone_result overlap_at(double latitude, double longitude, int zone) {
    const auto grid = utm::lat_long_to_grid(a, b, latitude * deg, longitude * deg, zone);
    return is_overlapping_zone(a, b, zone, grid.easting, grid.northing);
}

}  // namespace

TEST(DegreesToRadians, AddsThePartsWithoutCarryingTheSign) {
    EXPECT_DOUBLE_EQ(convert_degree_to_rad(-6, 30, 0.0), -5.5 * deg);
    EXPECT_DOUBLE_EQ(convert_degree_to_rad(51, 30, 36.0), 51.51 * deg);
    EXPECT_EQ(convert_degree_to_rad(0, 0, 0.0), 0.0);
}

TEST(OverlappingZone, NearTheLimitsPointsOverlapTheNeighbouringZone) {
    const auto east = overlap_at(52.0, -0.3, 30);
    EXPECT_TRUE(east.is_overlapping);
    EXPECT_EQ(east.overlap_zone, 31);
    const auto inside = overlap_at(52.0, -0.6, 30);  // more than 0.5729578 degrees away
    EXPECT_FALSE(inside.is_overlapping);
    EXPECT_EQ(inside.overlap_zone, 30);
    const auto west = overlap_at(52.0, -5.8, 30);
    EXPECT_TRUE(west.is_overlapping);
    EXPECT_EQ(west.overlap_zone, 29);
}

TEST(OverlappingZone, SouthernZonesAndTheAntimeridianHaveTheirNeighbours) {
    // Regressions: a southern zone's limits came from the signed zone number, so it never
    // overlapped; zone 1 named a zone 0 as its western neighbour and zone 60 raised.
    const struct {
        double latitude, longitude;  // degrees
        int zone;
        bool is_overlapping;
        int overlap_zone;
    } cases[] = {
        {-33.0, -0.1, -30, true, -31}, {-33.0, -5.9, -30, true, -29},
        {-33.9, 18.1, -34, true, -33}, {52.0, -179.8, 1, true, 60},
        {52.0, 179.8, 60, true, 1},    {-40.0, -179.8, -1, true, -60},
        {-40.0, 179.8, -60, true, -1}, {52.0, 179.8, 1, true, 60},
        {52.0, -179.8, 60, true, 1},   {52.0, -177.0, 1, false, 1},
    };
    for (const auto& c : cases) {
        const auto r = overlap_at(c.latitude, c.longitude, c.zone);
        EXPECT_EQ(r.is_overlapping, c.is_overlapping) << c.longitude << " " << c.zone;
        EXPECT_EQ(r.overlap_zone, c.overlap_zone) << c.longitude << " " << c.zone;
    }
    // Zone 0 is not a zone: it has no neighbours to name.
    EXPECT_THROW(is_overlapping_zone(a, b, 0, 500000, 5000000), constraint_error);
}

TEST(OverlapZoneConversion, LondonMovesFromZone31To30) {
    const auto r = convert_to_overlap_zone(a, b, 31, 282936, 5710068, 30);
    EXPECT_EQ(r.overlap_easting, 699369);
    EXPECT_EQ(r.overlap_northing, 5709342);
    const auto same = convert_to_overlap_zone(a, b, 30, 699369, 5709342, 30);
    EXPECT_EQ(same.overlap_easting, 699369);
    EXPECT_EQ(same.overlap_northing, 5709342);
}

TEST(OverlapZoneConversion, ZoneNinetyDegreesAwayOnTheEquatorFails) {
    // Regression: 1 - s = 0 in the projection's logarithm gives non-finite grid values, which
    // must end in a failure, never in clamped numbers.
    EXPECT_THROW(convert_to_overlap_zone(a, b, 31, 500000, 0, 16), constraint_error);
    EXPECT_THROW(convert_to_overlap_zone(a, b, 31, 500000, 0, 46), constraint_error);
    // A point west of the new zone's false origin does not fit the grid either.
    EXPECT_THROW(convert_to_overlap_zone(a, b, 31, 500000, 5700000, 33), constraint_error);
}

TEST(OverlapZoneConversion, EverySuccessIsThePointItselfInTheOtherZone) {
    // Regression: beyond the other zone's far edges the result was clamped to 999999 or
    // 11000000 and reported (about half of all successes over random calls). Over random points
    // of every zone into a neighbouring or the same zone, a success must lie inside the ranges
    // and read back, in the other zone, as the same place to within the whole-metre rounding.
    std::mt19937_64 random(2);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    int successes = 0;
    for (int i = 0; i < 20000; ++i) {
        const int number = 1 + static_cast<int>(60.0 * unit(random));
        const int sign = unit(random) < 0.5 ? -1 : 1;
        const int step = static_cast<int>(3.0 * unit(random)) - 1;
        const int other = number + step == 0 ? 60 : number + step == 61 ? 1 : number + step;
        const int zone = sign * number;
        const int easting = static_cast<int>(1e6 * unit(random));
        const int northing = static_cast<int>(1.1e7 * unit(random));
        // A southern point may be asked for in a northern zone and the other way round.
        const int target = (unit(random) < 0.8 ? sign : -sign) * other;
        convert_to_overlap_zone_result r{};
        try {
            r = convert_to_overlap_zone(a, b, zone, easting, northing, target);
        } catch (const constraint_error&) {
            continue;
        }
        ++successes;
        const auto from = utm::grid_to_lat_long(a, b, easting, northing, zone);
        const auto to = utm::grid_to_lat_long(a, b, r.overlap_easting, r.overlap_northing, target);
        const auto p = utm::lat_long_to_geocentric(a, b, from.latitude, from.longitude, 0.0);
        const auto q = utm::lat_long_to_geocentric(a, b, to.latitude, to.longitude, 0.0);
        ASSERT_LT(std::hypot(p.x - q.x, p.y - q.y, p.z - q.z), 1.0)
            << zone << " " << easting << " " << northing << " into " << target << ": "
            << r.overlap_easting << " " << r.overlap_northing;
    }
    EXPECT_GT(successes, 5000);
}
