// Geocentric and local east-north-up coordinates, the point scale factor and the zone change.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "global_types.hpp"
#include "utm.hpp"

using global_types::constraint_error;
using global_types::utm_coordinates_and_altitude_record;
using global_types::utm_coordinates_record;
using utm::utm_status_type;

namespace {
constexpr double deg = std::numbers::pi / 180.0;
constexpr int wgs84_row = 47;  // reference_ellipsoids row (6378137, 6356752)
constexpr double a = 6378137.0;
constexpr double b = 6356752.0;
}  // namespace

TEST(Geocentric, EquatorAndPole) {
    const utm::geocentric_coordinates_type equator =
        utm::lat_long_to_geocentric(wgs84_row, 0.0, 0.0, 0.0);
    EXPECT_EQ(equator.x, 6378137.0);
    EXPECT_EQ(equator.y, 0.0);
    EXPECT_EQ(equator.z, 0.0);
    const utm::geocentric_coordinates_type pole =
        utm::lat_long_to_geocentric(wgs84_row, std::numbers::pi / 2.0, 0.0, 0.0);
    EXPECT_NEAR(pole.x, 0.0, 1e-6);
    EXPECT_EQ(pole.y, 0.0);
    EXPECT_NEAR(pole.z, 6356752.0, 1e-6);
    // The axes form with the same axes gives the same point.
    const auto same = utm::lat_long_to_geocentric(a, b, 0.7, -0.3, 123.0);
    EXPECT_EQ(same, utm::lat_long_to_geocentric(wgs84_row, 0.7, -0.3, 123.0));
}

TEST(LocalEnu, OffsetsFromTheOriginComeBackAsTheirLatitudeAndLongitude) {
    const double phi0 = 46.9 * deg;
    const double lambda0 = 7.4 * deg;
    const auto origin = utm::lat_long_to_geocentric(a, b, phi0, lambda0, 550.0);
    // The origin itself.
    const auto at_origin = utm::enu_to_lat_long(a, b, 0.0, 0.0, 0.0, origin, phi0, lambda0);
    EXPECT_NEAR(at_origin.latitude, phi0, 1e-10);
    EXPECT_NEAR(at_origin.longitude, lambda0, 1e-15);
    EXPECT_NEAR(at_origin.altitude, 550.0, 0.01);
    // 1000 m north and 100 m up: about 1000 / 6.37e6 rad further north, a little higher
    // (the surface drops away from the tangent plane by 1000^2 / (2 R), about 8 cm).
    const auto moved = utm::enu_to_lat_long(wgs84_row, 0.0, 1000.0, 100.0, origin, phi0, lambda0);
    EXPECT_NEAR((moved.latitude - phi0) * 6366000.0, 1000.0, 5.0);
    EXPECT_NEAR(moved.longitude, lambda0, 1e-12);
    EXPECT_NEAR(moved.altitude, 650.08, 0.02);
}

TEST(LocalEnu, PolarAxisGivesThePoles) {
    // Origins on the axis with no offset put the point exactly on it (p = 0).
    const auto north = utm::enu_to_lat_long(a, b, 0.0, 0.0, 0.0, {0.0, 0.0, 6400000.0}, 0.3, 0.2);
    EXPECT_EQ(north.latitude, std::numbers::pi / 2.0);
    EXPECT_EQ(north.longitude, 0.0);
    EXPECT_EQ(north.altitude, 6400000.0 - b);
    // Regression: below the equatorial plane the axis is the south pole, not the centre.
    const auto south = utm::enu_to_lat_long(a, b, 0.0, 0.0, 0.0, {0.0, 0.0, -6400000.0}, 0.3, 0.2);
    EXPECT_EQ(south.latitude, -std::numbers::pi / 2.0);
    EXPECT_EQ(south.altitude, 6400000.0 - b);
    EXPECT_THROW(utm::enu_to_lat_long(a, b, std::nan(""), 0.0, 0.0, {}, 0.3, 0.2),
                 constraint_error);
}

TEST(LocalEnu, LongitudeOfAPointWhoseHorizontalDistanceUnderflowsIsItsQuadrant) {
    // Regression: x and y so small that x^2 + y^2 underflows to 0 gave longitude 0; only a point
    // with x and y both exactly 0 has longitude 0, every other one the quadrant's arctangent.
    const auto west =
        utm::enu_to_lat_long(a, b, 0.0, 0.0, 0.0, {-1e-200, 0.0, 6400000.0}, 0.3, 0.2);
    EXPECT_EQ(west.longitude, std::numbers::pi);
    EXPECT_EQ(west.latitude, std::numbers::pi / 2.0);
    EXPECT_EQ(west.altitude, 6400000.0 - b);
    const auto east = utm::enu_to_lat_long(a, b, 0.0, 0.0, 0.0, {0.0, 1e-200, 6400000.0}, 0.3, 0.2);
    EXPECT_EQ(east.longitude, std::numbers::pi / 2.0);
}

TEST(LocalEnu, UtmReferencePointIsTheOriginOfItsFrame) {
    const auto ref = utm::grid_to_lat_long(wgs84_row, 699369, 5709342, 30);
    const auto ref_xyz = utm::lat_long_to_geocentric(wgs84_row, ref.latitude, ref.longitude, 35.0);
    const auto enu =
        utm::utm_to_enu(wgs84_row, 699369, 5709342, 35.0, ref.latitude, ref.longitude, ref_xyz, 30);
    EXPECT_NEAR(enu.east, 0.0, 1e-6);
    EXPECT_NEAR(enu.north, 0.0, 1e-6);
    EXPECT_NEAR(enu.up, 0.0, 1e-6);

    // A point 1000 m grid-east lies about 1000 m away (scale ~1.0002 near the zone edge);
    // east of the central meridian grid east points south of true east by the convergence.
    const auto east =
        utm::utm_to_enu(a, b, 700369, 5709342, 35.0, ref.latitude, ref.longitude, ref_xyz, 30);
    const double distance = std::hypot(east.east, east.north);
    EXPECT_NEAR(distance, 1000.0 / 1.0002, 0.5);
    EXPECT_NEAR(std::atan2(east.north, east.east) / deg, -2.2488, 0.02);
}

TEST(LocalEnu, EnuToUtmAtTheOriginReturnsTheReference) {
    const auto ref = utm::grid_to_lat_long(wgs84_row, 699369, 5709342, 30);
    const auto r = utm::enu_to_utm(wgs84_row, 0.0, 0.0, 0.0, 699369, 5709342, 35.5, 30,
                                   ref.latitude, ref.longitude);
    EXPECT_EQ(r.converted_x_utm, 699369);
    EXPECT_EQ(r.converted_y_utm, 5709342);
    EXPECT_EQ(r.converted_h_utm, 35.5);
}

TEST(LocalEnu, EnuToUtmInvertsUtmToEnuForNearbyPoints) {
    const auto ref = utm::grid_to_lat_long(a, b, 699369, 5709342, 30);
    const auto ref_xyz = utm::lat_long_to_geocentric(a, b, ref.latitude, ref.longitude, 35.0);
    for (const auto& [de, dn] :
         {std::pair{800, 300}, std::pair{-1500, 2000}, std::pair{0, -2500}}) {
        const auto enu = utm::utm_to_enu(a, b, 699369 + de, 5709342 + dn, 35.0, ref.latitude,
                                         ref.longitude, ref_xyz, 30);
        const auto back = utm::enu_to_utm(a, b, enu.east, enu.north, enu.up, 699369, 5709342, 35.0,
                                          30, ref.latitude, ref.longitude);
        EXPECT_NEAR(back.converted_x_utm, 699369 + de, 1) << de << " " << dn;
        EXPECT_NEAR(back.converted_y_utm, 5709342 + dn, 1) << de << " " << dn;
        EXPECT_NEAR(back.converted_h_utm, 35.0, 0.05);
    }
}

TEST(LocalEnu, EnuToUtmDoesNotClampOffTheGrid) {
    const auto ref = utm::grid_to_lat_long(a, b, 1000, 5709342, 30);
    EXPECT_THROW(utm::enu_to_utm(a, b, -5000.0, 0.0, 0.0, 1000, 5709342, 0.0, 30, ref.latitude,
                                 ref.longitude),
                 constraint_error);
    EXPECT_THROW(utm::enu_to_utm(a, b, INFINITY, 0.0, 0.0, 1000, 5709342, 0.0, 30, ref.latitude,
                                 ref.longitude),
                 constraint_error);
}

TEST(ScaleFactor, CentralMeridianAndOneHundredKilometresOff) {
    for (const double lat : {-80.0, 0.0, 30.0, 52.0, 84.0}) {
        EXPECT_EQ(utm::calculate_scale_factor(wgs84_row, 500000, lat * deg), 0.9996) << lat;
    }
    EXPECT_NEAR(utm::calculate_scale_factor(wgs84_row, 400000, 52.0 * deg), 0.99972266, 5e-9);
    EXPECT_NEAR(utm::calculate_scale_factor(wgs84_row, 600000, 52.0 * deg), 0.99972266, 5e-9);
    EXPECT_EQ(utm::calculate_scale_factor(wgs84_row, 400000, 52.0 * deg),
              utm::calculate_scale_factor(wgs84_row, 600000, 52.0 * deg));
}

TEST(ZoneChange, ZoneTestWithTheWrapBetweenSixtyAndOne) {
    EXPECT_TRUE(utm::is_in_extended_zone(60, 1));
    EXPECT_TRUE(utm::is_in_extended_zone(60, 59));
    EXPECT_TRUE(utm::is_in_extended_zone(1, 60));
    EXPECT_TRUE(utm::is_in_extended_zone(1, 2));
    EXPECT_FALSE(utm::is_in_extended_zone(60, 58));
    EXPECT_FALSE(utm::is_in_extended_zone(60, -60));
    EXPECT_FALSE(utm::is_in_extended_zone(1, 3));
    EXPECT_FALSE(utm::is_in_extended_zone(-60, -1));
    EXPECT_TRUE(utm::is_in_extended_zone(-60, -59));
    EXPECT_TRUE(utm::is_in_extended_zone(31, -30));  // hemisphere signs are ignored
    EXPECT_FALSE(utm::is_in_extended_zone(31, 33));
}

TEST(ZoneChange, LondonIntoTheNeighbouringZone) {
    const utm_coordinates_record london{31, 282936, 5710068};
    utm_coordinates_record out{1, 1, 1};
    EXPECT_EQ(utm::convert_utm_zone(london, out, 30, wgs84_row), utm_status_type::success);
    EXPECT_EQ(out, (utm_coordinates_record{30, 699369, 5709342}));

    utm_coordinates_record untouched{1, 1, 1};
    EXPECT_EQ(utm::convert_utm_zone(london, untouched, 33, wgs84_row),
              utm_status_type::not_in_extended_zone);
    EXPECT_EQ(untouched, (utm_coordinates_record{1, 1, 1}));

    utm_coordinates_record copy{1, 1, 1};
    EXPECT_EQ(utm::convert_utm_zone(london, copy, 31, wgs84_row), utm_status_type::success);
    EXPECT_EQ(copy, london);
}

TEST(ZoneChange, AcrossTheAntimeridian) {
    // Zone 60 easting 834000 lies at about -178.757 degrees, 1.757 degrees west of zone 1's
    // central meridian; the way back lands on the starting point.
    utm_coordinates_record in_1{};
    EXPECT_EQ(utm::convert_utm_zone({60, 834000, 5000000}, in_1, 1, wgs84_row),
              utm_status_type::success);
    EXPECT_EQ(in_1.zone, 1);
    EXPECT_LT(in_1.easting, 500000);
    utm_coordinates_record back{};
    EXPECT_EQ(utm::convert_utm_zone(in_1, back, 60, wgs84_row), utm_status_type::success);
    EXPECT_EQ(back.zone, 60);
    EXPECT_NEAR(back.easting, 834000, 1);
    EXPECT_NEAR(back.northing, 5000000, 1);
    utm_coordinates_record out{};
    EXPECT_EQ(utm::convert_utm_zone({-60, 834000, 5000000}, out, -1, wgs84_row),
              utm_status_type::not_in_extended_zone);
}

TEST(ZoneChange, SouthernWorkingZoneThatCannotHoldThePointFails) {
    // Regression: the northing (about 15.7e6 m) was clamped to 11000000 and reported.
    utm_coordinates_record out{7, 7, 7};
    EXPECT_EQ(utm::convert_utm_zone({31, 282936, 5710068}, out, -31, wgs84_row),
              utm_status_type::not_in_extended_zone);
    EXPECT_EQ(out, (utm_coordinates_record{7, 7, 7}));
}

TEST(ZoneChange, FailuresInsideTheProjectionBecomeAStatus) {
    // Zone 31 easting 0 on the equator lies 10.5 degrees west of zone 32's central meridian:
    // the easting there rounds below 0.
    utm_coordinates_record out{7, 7, 7};
    EXPECT_EQ(utm::convert_utm_zone({31, 0, 0}, out, 32, wgs84_row),
              utm_status_type::not_in_extended_zone);
    EXPECT_EQ(out, (utm_coordinates_record{7, 7, 7}));
}

TEST(ZoneChange, WithAltitudeTheHeightIsCopiedAndEqualZonesAreProjected) {
    const utm_coordinates_and_altitude_record london{120, {31, 282936, 5710068}};
    utm_coordinates_and_altitude_record out{};
    EXPECT_EQ(utm::convert_utm_zone(london, out, 30, wgs84_row), utm_status_type::success);
    EXPECT_EQ(out, (utm_coordinates_and_altitude_record{120, {30, 699369, 5709342}}));
    EXPECT_EQ(utm::convert_utm_zone(london, out, 31, wgs84_row), utm_status_type::success);
    EXPECT_EQ(out.position.zone, 31);
    EXPECT_NEAR(out.position.easting, 282936, 1);
    EXPECT_NEAR(out.position.northing, 5710068, 1);
    utm_coordinates_and_altitude_record untouched{5, {5, 5, 5}};
    EXPECT_EQ(utm::convert_utm_zone(london, untouched, 29, wgs84_row),
              utm_status_type::not_in_extended_zone);
    EXPECT_EQ(untouched, (utm_coordinates_and_altitude_record{5, {5, 5, 5}}));
}
