// Transverse Mercator projection of the UTM grid: forward, inverse, clamps and failures.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <string>

#include "global_types.hpp"
#include "utm-datum_transformations-global_bng.hpp"
#include "utm-datum_transformations-utm_bng.hpp"
#include "utm-exceptions.hpp"
#include "utm-utilities.hpp"
#include "utm.hpp"

#include "detail/utm.hpp"

using global_types::constraint_error;

namespace {

constexpr double a = 6378137.0;     // GRS80 semi-major axis, metres
constexpr double b = 6356752.3141;  // GRS80 semi-minor axis, metres
constexpr double deg = std::numbers::pi / 180.0;

double degrees(double radians) {
    return radians / deg;
}

}  // namespace

TEST(UtmForward, ProjectsLondonIntoItsZoneAndTheNeighbouringOne) {
    const auto in_30 = utm::lat_long_to_grid(a, b, 51.5 * deg, -0.1275 * deg, 30);
    EXPECT_EQ(in_30.easting, 699369);
    EXPECT_EQ(in_30.northing, 5709342);
    EXPECT_NEAR(degrees(in_30.convergence), 2.2487775, 1e-7);

    const auto in_31 = utm::lat_long_to_grid(a, b, 51.5 * deg, -0.1275 * deg, 31);
    EXPECT_EQ(in_31.easting, 282936);
    EXPECT_EQ(in_31.northing, 5710068);
    EXPECT_NEAR(degrees(in_31.convergence), -2.4485564, 1e-7);
}

TEST(UtmForward, SouthernZoneCarriesTheFalseNorthing) {
    const auto cape_town = utm::lat_long_to_grid(a, b, -33.9 * deg, 18.4 * deg, -34);
    EXPECT_EQ(cape_town.easting, 259583);
    EXPECT_EQ(cape_town.northing, 6245888);

    const auto north = utm::lat_long_to_grid(a, b, 0.0, 3.0 * deg, 31);
    EXPECT_EQ(north.easting, 500000);
    EXPECT_EQ(north.northing, 0);
    EXPECT_EQ(north.convergence, 0.0);
    const auto south = utm::lat_long_to_grid(a, b, 0.0, 3.0 * deg, -31);
    EXPECT_EQ(south.easting, 500000);
    EXPECT_EQ(south.northing, 10000000);
    EXPECT_EQ(south.convergence, 0.0);
}

TEST(UtmForward, ValuesBeyondTheGridFailOnEitherSide) {
    // Regression: eastings above 999999 and northings above 11000000 were clamped to the edge
    // and reported as the point's position. About 1057087 m east:
    EXPECT_THROW(utm::lat_long_to_grid(a, b, 0.0, 8.0 * deg, 31), constraint_error);
    // About 1e7 + 5.7e6 m north in a southern zone:
    EXPECT_THROW(utm::lat_long_to_grid(a, b, 51.5 * deg, -0.1275 * deg, -31), constraint_error);
    EXPECT_THROW(utm::lat_long_to_grid(32, 51.5 * deg, -0.1275 * deg, -31), constraint_error);
    // The last whole metres of the ranges are still positions of the grid.
    EXPECT_EQ(utm::lat_long_to_grid(a, b, 0.0, 3.0 * deg, -31).northing, 10000000);
    // Northing about -110530 m: south of the equator in a northern zone.
    EXPECT_THROW(utm::lat_long_to_grid(a, b, -1.0 * deg, 3.0 * deg, 31), constraint_error);
    // Easting about -144536 m: west of the false origin.
    EXPECT_THROW(utm::lat_long_to_grid(a, b, 50.0 * deg, -12.0 * deg, 30), constraint_error);
}

TEST(UtmForward, UnreachablePointFailsInsteadOfBeingClamped) {
    // Regression: 90 degrees from the central meridian on the equator the logarithm's argument
    // divides by zero; no clamp may turn the non-finite grid values into numbers.
    EXPECT_THROW(utm::lat_long_to_grid(a, b, 0.0, 93.0 * deg, 31), constraint_error);
    EXPECT_THROW(utm::lat_long_to_grid(a, b, 0.0, -87.0 * deg, 31), constraint_error);
    // Just off the equator the easting is not a number and the northing infinite; the
    // northing's clamp would have made 11000000 of it.
    EXPECT_THROW(utm::lat_long_to_grid(a, b, 1e-9, 93.0 * deg, 31), constraint_error);
    EXPECT_THROW(utm::lat_long_to_grid(a, b, std::nan(""), 3.0 * deg, 31), constraint_error);
    EXPECT_THROW(utm::lat_long_to_grid(a, b, 0.5, INFINITY, 31), constraint_error);
}

TEST(UtmForward, NinetyDegreesOrMoreFromTheCentralMeridianFails) {
    // Regression: arctan(tan(phi) / cos(delta_lambda)) put a point more than 90 degrees from
    // the central meridian on the other side of the earth, inside the grid's ranges.
    const struct {
        double latitude, longitude;  // degrees
        int zone;
    } cases[] = {{-33.0, 100.0, -31}, {-60.0, 178.0, -31}, {10.0, -120.0, 31},
                 {52.0, 93.1, 31},    {0.5, 93.5, 31},     {-80.0, 90.0, -1}};
    for (const auto& c : cases) {
        EXPECT_THROW(utm::lat_long_to_grid(a, b, c.latitude * deg, c.longitude * deg, c.zone),
                     constraint_error)
            << c.latitude << " " << c.longitude << " " << c.zone;
        EXPECT_THROW(utm::lat_long_to_grid(32, c.latitude * deg, c.longitude * deg, c.zone),
                     constraint_error);
    }
    // The same through the forms that take a zone: the overlap conversion of the example
    // (832966 / 10560416 before), and the National Grid of a point near the antipodes.
    EXPECT_THROW(utm::utilities::convert_to_overlap_zone(a, b, -31, 167000, 9447000, -1),
                 constraint_error);
    EXPECT_THROW(utm::datum_transformations::global_bng::from_wgs84_lat_long_to_bng(
                     a, b, -55.0 * deg, 178.0 * deg, 0.0),
                 utm::exceptions::easting_out_of_range);
    // 89.9 degrees away is still projected, far outside the grid's eastings.
    EXPECT_GT(utm::lat_long_to_grid_unrounded(a, b, 45.0 * deg, 92.9 * deg, 31).easting, 1e6);
    EXPECT_THROW(utm::lat_long_to_grid(a, b, 45.0 * deg, 92.9 * deg, 31), constraint_error);
}

TEST(UtmForward, FullTurnOfLongitudeKeepsTheGridButNotTheConvergence) {
    const auto once = utm::lat_long_to_grid(a, b, 51.5 * deg, -0.1275 * deg, 30);
    const auto turned =
        utm::lat_long_to_grid(a, b, 51.5 * deg, -0.1275 * deg + 2.0 * std::numbers::pi, 30);
    EXPECT_EQ(turned.easting, once.easting);
    EXPECT_EQ(turned.northing, once.northing);
    // The convergence series uses the unreduced longitude difference.
    EXPECT_GT(std::abs(turned.convergence - once.convergence), 1.0);
}

TEST(UtmInverse, RecoversLondonWithinTheWholeMetreRounding) {
    const auto r = utm::grid_to_lat_long(a, b, 699369, 5709342, 30);
    EXPECT_NEAR(degrees(r.latitude), 51.5000017, 1e-7);
    EXPECT_NEAR(degrees(r.longitude), -0.1275051, 1e-7);
    EXPECT_NEAR(degrees(r.convergence), 2.2487775, 1e-5);
}

TEST(UtmInverse, ZoneCentreOnTheEquatorIsExact) {
    const auto r = utm::grid_to_lat_long(a, b, 500000, 10000000, -31);
    EXPECT_EQ(r.latitude, 0.0);
    EXPECT_EQ(r.longitude, std::numbers::pi * 3.0 / 180.0);
    EXPECT_EQ(r.convergence, 0.0);
}

TEST(UtmInverse, WrapsLongitudesAcrossTheAntimeridian) {
    const auto west = utm::grid_to_lat_long(a, b, 166000, 5000000, 1);
    EXPECT_NEAR(degrees(west.longitude), 178.757, 1e-3);
    const auto east = utm::grid_to_lat_long(a, b, 834000, 5000000, 60);
    EXPECT_NEAR(degrees(east.longitude), -178.757, 1e-3);
    EXPECT_NEAR(west.latitude, east.latitude, 1e-12);
}

TEST(UtmInverse, SpheroidFormLooksUpTheAxes) {
    const auto by_index = utm::grid_to_lat_long(47, 699369, 5709342, 30);
    const auto by_axes = utm::grid_to_lat_long(6378137.0, 6356752.0, 699369, 5709342, 30);
    EXPECT_EQ(by_index.latitude, by_axes.latitude);
    EXPECT_EQ(by_index.longitude, by_axes.longitude);
    const auto fwd = utm::lat_long_to_grid(38, 51.5 * deg, -0.1275 * deg, 30);
    const auto fwd_axes =
        utm::lat_long_to_grid(6377563.0, 6356257.0, 51.5 * deg, -0.1275 * deg, 30);
    EXPECT_EQ(fwd.easting, fwd_axes.easting);
    EXPECT_EQ(fwd.northing, fwd_axes.northing);
    EXPECT_THROW(utm::grid_to_lat_long(61, 500000, 0, 31), constraint_error);
}

TEST(UtmInverse, NorthingBeyondThePoleFailsInEveryFormAndItsRoundingIsThePole) {
    // Regression: a northing beyond its hemisphere's pole came back as a point of the other
    // hemisphere (zone 31 northing 10100000 as 89.99 degrees south).
    const double pole =
        utm::lat_long_to_grid_unrounded(a, b, std::numbers::pi / 2.0, 0.0, 31).northing;
    EXPECT_NEAR(pole, 0.9996 * 10001965.729, 1e-3);  // k0 times GRS80's quarter meridian
    const struct {
        int zone, easting, northing;
    } beyond[] = {{31, 500000, 10100000}, {31, 500000, 9997966},  {-31, 500000, 1},
                  {-31, 500000, 2034},    {18, 476295, 10214633}, {-60, 999999, 0}};
    for (const auto& p : beyond) {
        SCOPED_TRACE(std::to_string(p.zone) + " " + std::to_string(p.northing));
        EXPECT_THROW(utm::grid_to_lat_long(a, b, p.easting, p.northing, p.zone), constraint_error);
        EXPECT_THROW(utm::grid_to_lat_long(32, p.easting, p.northing, p.zone), constraint_error);
        EXPECT_THROW(utm::grid_to_lat_long_without_convergence(a, b, p.easting, p.northing, p.zone),
                     constraint_error);
        EXPECT_THROW(utm::utilities::is_overlapping_zone(a, b, p.zone, p.easting, p.northing),
                     constraint_error);
        EXPECT_THROW(utm::utilities::convert_to_overlap_zone(a, b, p.zone, p.easting, p.northing,
                                                             p.zone < 0 ? p.zone + 1 : p.zone - 1),
                     constraint_error);
        EXPECT_THROW(
            utm::utm_to_enu(a, b, p.easting, p.northing, 0.0, 0.0, 0.0, {a, 0.0, 0.0}, p.zone),
            constraint_error);
        global_types::utm_coordinates_record out{7, 7, 7};
        EXPECT_EQ(utm::convert_utm_zone({p.zone, p.easting, p.northing}, out,
                                        p.zone < 0 ? p.zone + 1 : p.zone - 1, 32),
                  utm::utm_status_type::not_in_extended_zone);
        EXPECT_EQ(out, (global_types::utm_coordinates_record{7, 7, 7}));
    }
    // The pole rounds to 9997965 (2035 south): that is the pole on the central meridian.
    for (const int zone : {31, -31, 1, -60}) {
        const auto r = utm::grid_to_lat_long(a, b, 500000, zone > 0 ? 9997965 : 2035, zone);
        EXPECT_EQ(r.latitude, std::copysign(std::numbers::pi / 2.0, zone));
        EXPECT_EQ(r.longitude, utm::central_meridian(zone));
        EXPECT_EQ(r.convergence, 0.0);
    }
    EXPECT_THROW(utm::datum_transformations::utm_bng::from_utm_to_bng(a, b, 500000, 10100000, 30),
                 constraint_error);
}

TEST(UtmRoundTrip, PointsNearThePolesComeBackWithinTheRounding) {
    // Regression: the grid values of a point within metres of a pole round to, or just beyond,
    // the pole's northing, which read back in the other hemisphere. Every point of the polar
    // caps, a quarter turn or less from the central meridian, must come back to within the
    // whole-metre rounding (half the diagonal of a square metre, on the ground).
    std::mt19937_64 random(20);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int i = 0; i < 20000; ++i) {
        const double from_pole = std::pow(10.0, -7.0 + 6.0 * unit(random));  // degrees
        const int number = 1 + static_cast<int>(60.0 * unit(random));
        const bool south = unit(random) < 0.5;
        const int zone = south ? -number : number;
        const double latitude = (south ? -1.0 : 1.0) * (90.0 - from_pole) * deg;
        const double longitude =
            utm::central_meridian(zone) + (2.0 * unit(random) - 1.0) * 89.9999 * deg;
        const auto grid = utm::lat_long_to_grid(a, b, latitude, longitude, zone);
        const auto back = utm::grid_to_lat_long(a, b, grid.easting, grid.northing, zone);
        const auto p = utm::lat_long_to_geocentric(a, b, latitude, longitude, 0.0);
        const auto q = utm::lat_long_to_geocentric(a, b, back.latitude, back.longitude, 0.0);
        ASSERT_LT(std::hypot(p.x - q.x, p.y - q.y, p.z - q.z), 0.7072)
            << degrees(latitude) << " " << degrees(longitude) << " zone " << zone << ": "
            << grid.easting << " " << grid.northing;
    }
}

TEST(UtmRoundTrip, ForwardOfTheInverseReturnsTheGridPointAcrossAZone) {
    for (int e = 200000; e <= 800000; e += 50000) {
        for (int n = 0; n <= 9000000; n += 500000) {
            const auto ll = utm::grid_to_lat_long(a, b, e, n, 33);
            const auto back = utm::lat_long_to_grid(a, b, ll.latitude, ll.longitude, 33);
            EXPECT_EQ(back.easting, e) << e << " " << n;
            EXPECT_EQ(back.northing, n) << e << " " << n;
        }
    }
}

TEST(MeridianArc, IsOddAndZeroAtTheEquator) {
    const double e2 = (a * a - b * b) / (a * a);
    EXPECT_EQ(utm::detail::beta(0.0, e2), 0.0);
    EXPECT_EQ(utm::detail::beta(-0.9, e2), -utm::detail::beta(0.9, e2));
    // Quarter meridian of GRS80: 10001965.729 m.
    EXPECT_NEAR(a * utm::detail::beta(std::numbers::pi / 2.0, e2), 10001965.729, 1e-3);
}

TEST(ArcTangent, ANearbyLatitudeGivesThePlatformsValueOrIsPassedOver) {
    // Hints close to the result, far from it, near the equator, beyond a quarter turn and a
    // full turn away: the result is always the arc tangent itself, to a few units in the last
    // place, and keeps its sign.
    const double quarter = std::numbers::pi / 2.0;
    for (const double phi : {-1.55, -0.9, -0.2, -0.05, -1e-9, 0.0, 3e-3, 0.07, 0.8, 1.2, 1.57}) {
        const double t = std::tan(phi);
        for (const double offset :
             {0.0, 1e-5, -0.02, 0.04, 0.5, -2.0, quarter, 2.0 * quarter, 4.0 * quarter}) {
            const double near = phi + offset;
            const utm::detail::latitude_hint hint{near, low_level_math::sin_cos(near)};
            const double got = utm::detail::arc_tangent(t, &hint);
            const double want = std::atan(t);
            EXPECT_NEAR(got, want, 4e-16 * std::max(1.0, std::abs(want)))
                << "phi " << phi << " hint offset " << offset;
            EXPECT_EQ(std::signbit(got), std::signbit(want)) << phi << " " << offset;
        }
    }
}
