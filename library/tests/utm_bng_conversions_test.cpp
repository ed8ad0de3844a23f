// National Grid projection on Airy 1830 and the geodetic <> earth-centred conversions.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "utm-bng-conversions.hpp"
#include "utm-bng.hpp"
#include "utm-exceptions.hpp"

using namespace utm::bng;
using utm::exceptions::easting_out_of_range;
using utm::exceptions::northing_out_of_range;

namespace {

constexpr double deg = std::numbers::pi / 180.0;
constexpr double arc_second = deg / 3600.0;

conversions::grid_to_lat_long_result airy_lat_long(int e, int n) {
    return conversions::grid_to_lat_long(major_axis, minor_axis, e, n);
}

conversions::lat_long_to_grid_result airy_grid(double lat, double lon) {
    return conversions::lat_long_to_grid(major_axis, minor_axis, lat, lon);
}

/// The point whose projected easting is `easting` (a double, metres) at grid northing `n`,
/// extrapolated from the inverse projection of two neighbouring whole-metre grid points
/// (`e0` and `e0` + 1). Good to well below a centimetre over a few metres.
conversions::grid_to_lat_long_result point_at_easting(int e0, int n, double easting) {
    const auto p0 = airy_lat_long(e0, n);
    const auto p1 = airy_lat_long(e0 + 1, n);
    const double t = easting - e0;
    return {p0.latitude + t * (p1.latitude - p0.latitude),
            p0.longitude + t * (p1.longitude - p0.longitude)};
}

}  // namespace

TEST(NationalGridProjection, ProjectsThePublishedExamplePointAndBack) {
    const double lat = 52.6575703056 * deg;
    const double lon = 1.7179215833 * deg;
    const auto grid = airy_grid(lat, lon);
    EXPECT_EQ(grid.easting, 651410);
    EXPECT_EQ(grid.northing, 313177);

    const auto back = airy_lat_long(651410, 313177);
    EXPECT_NEAR(back.latitude, lat, 0.02 * arc_second);
    EXPECT_NEAR(back.longitude, lon, 0.02 * arc_second);
}

TEST(NationalGridProjection, CentralMeridianInverseIsExact) {
    for (int n : {0, 1, 313177, 1300000}) {
        EXPECT_EQ(airy_lat_long(400000, n).longitude, -0.03490658503988659) << n;
    }
}

TEST(NationalGridProjection, GridCornersLieWhereTheGridSaysTheyDo) {
    const auto south_west = airy_lat_long(0, 0);
    EXPECT_NEAR(south_west.latitude / deg, 49.766, 1e-3);
    EXPECT_NEAR(south_west.longitude / deg, -7.556, 1e-3);
    const auto north_east = airy_lat_long(700000, 1300000);
    EXPECT_NEAR(north_east.latitude / deg, 61.465, 1e-3);
    EXPECT_NEAR(north_east.longitude / deg, 3.635, 1e-3);
}

TEST(NationalGridProjection, ValuesJustOutsideTheGridAreClampedWithinThreeMetres) {
    for (int n : {0, 500000, 1300000}) {
        const auto east_inside = point_at_easting(699999, n, 700002.4);
        EXPECT_EQ(airy_grid(east_inside.latitude, east_inside.longitude).easting, 700000);
        const auto east_clamp = point_at_easting(699999, n, 700000.4);
        EXPECT_EQ(airy_grid(east_clamp.latitude, east_clamp.longitude).easting, 700000);
        const auto east_rounds = point_at_easting(699999, n, 699999.6);
        EXPECT_EQ(airy_grid(east_rounds.latitude, east_rounds.longitude).easting, 700000);
        const auto east_outside = point_at_easting(699999, n, 700003.6);
        EXPECT_THROW(airy_grid(east_outside.latitude, east_outside.longitude),
                     easting_out_of_range);

        const auto west_inside = point_at_easting(0, n, -0.2);
        EXPECT_EQ(airy_grid(west_inside.latitude, west_inside.longitude).easting, 0);
        const auto west_outside = point_at_easting(0, n, -3.2);
        EXPECT_THROW(airy_grid(west_outside.latitude, west_outside.longitude),
                     easting_out_of_range);
    }
}

TEST(NationalGridProjection, GridCornersSurviveTheRoundTrip) {
    // The origin corner comes back at a northing of about -0.16 m, which must give 0.
    for (int e : {0, 700000}) {
        for (int n : {0, 1300000}) {
            const auto ll = airy_lat_long(e, n);
            const auto back = airy_grid(ll.latitude, ll.longitude);
            EXPECT_EQ(back.easting, e);
            EXPECT_EQ(back.northing, n);
        }
    }
}

TEST(NationalGridProjection, FarPointsRaiseTheNamedFailures) {
    try {
        airy_grid(40.0 * deg, -2.0 * deg);
        FAIL() << "no failure";
    } catch (const northing_out_of_range& e) {
        EXPECT_STREQ(e.what(), "UTM.EXCEPTIONS.NORTHING_OUT_OF_RANGE");
    }
    // Outside both ranges: the easting is decided first.
    try {
        airy_grid(40.0 * deg, 10.0 * deg);
        FAIL() << "no failure";
    } catch (const easting_out_of_range& e) {
        EXPECT_STREQ(e.what(), "UTM.EXCEPTIONS.EASTING_OUT_OF_RANGE");
    }
}

TEST(NationalGridProjection, NonFiniteValuesAreRangeFailuresNotNumbers) {
    EXPECT_THROW(airy_grid(std::nan(""), -2.0 * deg), easting_out_of_range);
    // 90 degrees from the central meridian on the equator the easting is not finite.
    EXPECT_THROW(airy_grid(0.0, 88.0 * deg), easting_out_of_range);
    // Too large for 32 bits, far from the grid.
    EXPECT_THROW(airy_grid(0.0, 87.9999 * deg), easting_out_of_range);
}

TEST(GeocentricConversion, RoundTripAtBritishLatitudes) {
    for (double lat : {49.5, 52.0, 55.3, 61.0}) {
        for (double lon : {-8.0, -2.0, 0.0, 1.7}) {
            utm::geocentric_coordinates_type p;
            conversions::lat_long_to_geocentric(major_axis, minor_axis, lat * deg, lon * deg, 0.0,
                                                p);
            const auto back = conversions::geocentric_to_lat_long(major_axis, minor_axis, p);
            EXPECT_NEAR(back.latitude, lat * deg, 1e-12);  // ~ 6 micrometres
            EXPECT_NEAR(back.longitude, lon * deg, 1e-15);
            EXPECT_NEAR(back.altitude, 0.0, 1e-6);
        }
    }
}

TEST(GeocentricConversion, HeightComesFromTheLatitudeBeforeItsLastUpdate) {
    utm::geocentric_coordinates_type p;
    conversions::lat_long_to_geocentric(major_axis, minor_axis, 52.0 * deg, -1.0 * deg, 50.0, p);
    const double short_at_50 =
        50.0 - conversions::geocentric_to_lat_long(major_axis, minor_axis, p).altitude;
    EXPECT_GT(short_at_50, 0.0005);
    EXPECT_LT(short_at_50, 0.002);
    conversions::lat_long_to_geocentric(major_axis, minor_axis, 52.0 * deg, -1.0 * deg, 1000.0, p);
    const double short_at_1000 =
        1000.0 - conversions::geocentric_to_lat_long(major_axis, minor_axis, p).altitude;
    EXPECT_GT(short_at_1000, 0.01);
    EXPECT_LT(short_at_1000, 0.03);
}

TEST(GeocentricConversion, EquatorAndPoleOfTheEllipsoid) {
    utm::geocentric_coordinates_type p;
    conversions::lat_long_to_geocentric(major_axis, minor_axis, 0.0, 0.0, 0.0, p);
    EXPECT_EQ(p, (utm::geocentric_coordinates_type{major_axis, 0.0, 0.0}));
    conversions::lat_long_to_geocentric(major_axis, minor_axis, std::numbers::pi / 2, 0.0, 0.0, p);
    EXPECT_NEAR(p.x, 0.0, 1e-9);
    EXPECT_NEAR(p.z, minor_axis, 1e-6);
}
