// Swiss oblique projection on Bessel 1841: start-up values, published grid points, rounding,
// the frames and the geocentric conversions.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

#include "elementary_functions_exceptions.hpp"
#include "global_types.hpp"
#include "utm-sncs-conversions.hpp"
#include "utm-sncs.hpp"

#include "detail/sncs-conversions.hpp"

using namespace utm::sncs;
using namespace utm::sncs::conversions;
using global_types::constraint_error;

namespace {
constexpr double deg = std::numbers::pi / 180.0;
constexpr auto lv03 = local_reference_frame_enumeration::lv03;
constexpr auto lv95 = local_reference_frame_enumeration::lv95;
// A value of the frame's 8-bit base that is neither literal.
const auto invalid_frame = static_cast<local_reference_frame_enumeration>(7);
// Metres on the ground per radian of latitude, near enough for tolerances.
constexpr double metres_per_radian = 6.37e6;
}  // namespace

TEST(SwissGrid, FramesNamesAndFalseOrigins) {
    EXPECT_EQ(image(lv03), "LV03");
    EXPECT_EQ(image(lv95), "LV95");
    EXPECT_EQ(get_false_origin_east(lv95), 2600000.0);
    EXPECT_EQ(get_false_origin_north(lv95), 1200000.0);
    EXPECT_EQ(get_false_origin_east(lv03), 600000.0);
    EXPECT_EQ(get_false_origin_north(lv03), 200000.0);
    EXPECT_THROW(image(invalid_frame), constraint_error);
    EXPECT_THROW(get_false_origin_east(invalid_frame), constraint_error);
    EXPECT_THROW(get_false_origin_north(invalid_frame), constraint_error);
}

TEST(SwissGrid, RangeTypesAcceptTheirEndsOnly) {
    EXPECT_EQ(easting_integer_sncs_lv95(2480000), 2480000);
    EXPECT_EQ(easting_integer_sncs_lv95(2840000), 2840000);
    EXPECT_THROW(easting_integer_sncs_lv95(2479999), constraint_error);
    EXPECT_THROW(easting_integer_sncs_lv95(2840001), constraint_error);
    EXPECT_THROW(northing_integer_sncs_lv95(1069999), constraint_error);
    EXPECT_THROW(northing_integer_sncs_lv95(1300001), constraint_error);
    EXPECT_THROW(easting_integer_sncs_lv03(479999), constraint_error);
    EXPECT_THROW(easting_integer_sncs_lv03(840001), constraint_error);
    EXPECT_EQ(northing_integer_sncs_lv03(70000), 70000);
    EXPECT_EQ(northing_integer_sncs_lv03(300000), 300000);
    EXPECT_THROW(northing_integer_sncs_lv03(69999), constraint_error);
    EXPECT_THROW(northing_integer_sncs_lv03(300001), constraint_error);
}

TEST(SwissProjection, HeldStartUpValuesAreTheDerivedOnesToTheBit) {
    // The module holds its start-up values as constants; a constant copied wrong would move
    // every Swiss result.
    const start_up_values_type& held = start_up_values();
    const start_up_values_type derived = utm::sncs::conversions::detail::derive_start_up_values();
    EXPECT_EQ(held.e, derived.e);
    EXPECT_EQ(held.radius_sphere, derived.radius_sphere);
    EXPECT_EQ(held.alpha, derived.alpha);
    EXPECT_EQ(held.lat_null_sphere, derived.lat_null_sphere);
    EXPECT_EQ(held.s_null, derived.s_null);
    EXPECT_NEAR(held.radius_sphere, 6378815.9036, 1e-3);
    EXPECT_EQ(held.e, std::sqrt(e_squared));
    start_up();
    EXPECT_EQ(&start_up_values(), &held);
    EXPECT_EQ(start_up_values().s_null, derived.s_null);
}

TEST(SwissProjection, CentreMapsToTheFalseOrigins) {
    const grid_record g95 =
        lat_long_to_grid(major_axis_bessel41, minor_axis_bessel41, lat_null, long_null, lv95);
    EXPECT_EQ(g95.easting, 2600000);
    EXPECT_EQ(g95.northing, 1200000);
    const grid_record g03 =
        lat_long_to_grid(major_axis_bessel41, minor_axis_bessel41, lat_null, long_null, lv03);
    EXPECT_EQ(g03.easting, 600000);
    EXPECT_EQ(g03.northing, 200000);
}

TEST(SwissProjection, PublishedPointForwardAndFrameShift) {
    const grid_unrounded_record raw = lat_long_to_grid_unrounded(47.0 * deg, 8.0 * deg, lv95);
    EXPECT_NEAR(raw.easting, 2642617.53, 0.01);
    EXPECT_NEAR(raw.northing, 1205442.81, 0.01);

    const grid_record g95 =
        lat_long_to_grid(major_axis_bessel41, minor_axis_bessel41, 47.0 * deg, 8.0 * deg, lv95);
    EXPECT_EQ(g95.easting, 2642618);
    EXPECT_EQ(g95.northing, 1205443);
    const grid_record g03 =
        lat_long_to_grid(major_axis_bessel41, minor_axis_bessel41, 47.0 * deg, 8.0 * deg, lv03);
    EXPECT_EQ(g03.easting, 642618);
    EXPECT_EQ(g03.northing, 205443);

    // The frames differ by their false origins only.
    const grid_unrounded_record raw03 = lat_long_to_grid_unrounded(47.0 * deg, 8.0 * deg, lv03);
    EXPECT_NEAR(raw.easting - raw03.easting, 2000000.0, 1e-6);
    EXPECT_NEAR(raw.northing - raw03.northing, 1000000.0, 1e-6);
}

TEST(SwissProjection, AxesArgumentsAreIgnored) {
    const grid_record bessel =
        lat_long_to_grid(major_axis_bessel41, minor_axis_bessel41, 46.5 * deg, 7.0 * deg, lv95);
    const grid_record other =
        lat_long_to_grid(6378137.0, 6356752.3141, 46.5 * deg, 7.0 * deg, lv95);
    EXPECT_EQ(bessel.easting, other.easting);
    EXPECT_EQ(bessel.northing, other.northing);

    const lat_long_record a =
        grid_to_lat_long(major_axis_bessel41, minor_axis_bessel41, lv95, 2642618, 1205443);
    const lat_long_record b = grid_to_lat_long(1.0, 2.0, lv95, 2642618, 1205443);
    EXPECT_EQ(a.latitude, b.latitude);
    EXPECT_EQ(a.longitude, b.longitude);
}

TEST(SwissProjection, InverseReturnsThePublishedPointWithinTheRounding) {
    const lat_long_record r =
        grid_to_lat_long(major_axis_bessel41, minor_axis_bessel41, lv95, 2642618, 1205443);
    EXPECT_NEAR(r.latitude * metres_per_radian, 47.0 * deg * metres_per_radian, 0.5);
    EXPECT_NEAR(r.longitude * metres_per_radian * std::cos(47.0 * deg),
                8.0 * deg * metres_per_radian * std::cos(47.0 * deg), 0.5);

    const lat_long_record r03 = grid_to_lat_long(0.0, 0.0, lv03, 642618, 205443);
    EXPECT_EQ(r03.latitude, r.latitude);
    EXPECT_EQ(r03.longitude, r.longitude);
}

TEST(SwissProjection, FourthLatitudePassChangesLessThanAMillimetre) {
    const double b = 0.8;  // a sphere latitude in the north of Switzerland
    const double third = ellipsoid_latitude(b, latitude_passes - 1);
    const double fourth = ellipsoid_latitude(b, latitude_passes);
    EXPECT_LT(std::abs(fourth - third) * metres_per_radian, 1e-3);
    EXPECT_GT(std::abs(ellipsoid_latitude(b, 1) - b) * metres_per_radian, 1000.0);
}

TEST(SwissProjection, RoundsHalvesAwayFromZeroWithinThirtyTwoBits) {
    EXPECT_EQ(round_to_integer(2642617.5), 2642618);
    EXPECT_EQ(round_to_integer(2642617.49), 2642617);
    EXPECT_EQ(round_to_integer(-0.5), -1);
    EXPECT_EQ(round_to_integer(-0.49), 0);
    EXPECT_EQ(round_to_integer(2147483647.4), 2147483647);
    EXPECT_EQ(round_to_integer(-2147483648.4), -2147483648LL);
    EXPECT_THROW(round_to_integer(2147483647.5), constraint_error);
    EXPECT_THROW(round_to_integer(-2147483648.5), constraint_error);
    EXPECT_THROW(round_to_integer(std::nan("")), constraint_error);
    EXPECT_THROW(round_to_integer(INFINITY), constraint_error);
}

TEST(SwissProjection, WholeMetrePointsSurviveTheRoundTrip) {
    for (std::int32_t e = 2480000; e <= 2840000; e += 45000) {
        for (std::int32_t n = 1070000; n <= 1300000; n += 46000) {
            const lat_long_record ll = grid_to_lat_long(0.0, 0.0, lv95, e, n);
            const grid_record g = lat_long_to_grid(0.0, 0.0, ll.latitude, ll.longitude, lv95);
            EXPECT_EQ(g.easting, e);
            EXPECT_EQ(g.northing, n);
        }
    }
}

TEST(SwissProjection, AnyPointOfTheEarthInsideTheGridIsThePointItself) {
    // Regression: a point near Switzerland's antipode, (-47.69, -169.63) on Bessel, projected
    // onto a plausible LV03 value near Bern, the far hemisphere folded onto the near one.
    // Points over the whole sphere, and as many again in boxes about Bern and its antipode.
    std::mt19937_64 random(41);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    int inside = 0;
    for (int i = 0; i < 60000; ++i) {
        double latitude = std::asin(unit(random) * 0.99999);  // uniform over the sphere
        double longitude = unit(random) * std::numbers::pi;
        if (i % 2 == 1) {
            const double side = i % 4 == 1 ? 1.0 : -1.0;
            latitude = side * (47.0 + 3.0 * unit(random)) * deg;
            longitude = (7.5 + 6.0 * unit(random)) * deg - (side < 0 ? std::numbers::pi : 0.0);
        }
        const grid_unrounded_record g = lat_long_to_grid_unrounded(latitude, longitude, lv95);
        if (!(g.easting >= easting_integer_sncs_lv95::first &&
              g.easting <= easting_integer_sncs_lv95::last &&
              g.northing >= northing_integer_sncs_lv95::first &&
              g.northing <= northing_integer_sncs_lv95::last)) {
            continue;
        }
        ++inside;
        const lat_long_record back =
            grid_to_lat_long(0.0, 0.0, lv95, static_cast<std::int32_t>(std::lround(g.easting)),
                             static_cast<std::int32_t>(std::lround(g.northing)));
        ASSERT_NEAR(back.latitude, latitude, 1.0 / metres_per_radian)
            << latitude << " " << longitude;
        ASSERT_NEAR(back.longitude, longitude, 2.0 / metres_per_radian)
            << latitude << " " << longitude;
    }
    EXPECT_GT(inside, 1000);  // an eighth of the box about Bern
}

TEST(SwissProjection, FailuresOfTheProjection) {
    // ln tan(pi/4 - phi/2) at the pole is the logarithm of zero.
    EXPECT_THROW(lat_long_to_grid(0.0, 0.0, std::numbers::pi / 2.0, 0.0, lv95), constraint_error);
    EXPECT_THROW(lat_long_to_grid(0.0, 0.0, 47.0 * deg, 8.0 * deg, invalid_frame),
                 constraint_error);
    EXPECT_THROW(grid_to_lat_long(0.0, 0.0, invalid_frame, 2600000, 1200000), constraint_error);
    // Not-a-number is never rounded into a grid value.
    EXPECT_THROW(lat_long_to_grid(0.0, 0.0, std::nan(""), 8.0 * deg, lv95), constraint_error);
}

TEST(SwissGeocentric, ThreeIterationsLeaveTheDocumentedOffsets) {
    const double a = major_axis_bessel41;
    const utm::geocentric_coordinates_type p =
        lat_long_to_geocentric(a, minor_axis_bessel41, 47.0 * deg, 8.0 * deg, 500.0);
    const lat_long_altitude_record r = geocentric_to_lat_long(a, minor_axis_bessel41, p);
    EXPECT_EQ(r.longitude, std::atan(p.y / p.x));
    EXPECT_NEAR(r.longitude, 8.0 * deg, 1e-15);
    const double south_m = (47.0 * deg - r.latitude) * metres_per_radian;
    EXPECT_GT(south_m, 0.05);
    EXPECT_LT(south_m, 0.11);
    EXPECT_GT(r.altitude - 500.0, 20.0);
    EXPECT_LT(r.altitude - 500.0, 28.0);
}

TEST(SwissGeocentric, EquatorAndTheFixedEccentricity) {
    const utm::geocentric_coordinates_type q = lat_long_to_geocentric(1000.0, 0.0, 0.0, 0.0, 0.0);
    EXPECT_EQ(q.x, 1000.0);
    EXPECT_EQ(q.y, 0.0);
    EXPECT_EQ(q.z, 0.0);
    const utm::geocentric_coordinates_type pole =
        lat_long_to_geocentric(major_axis_bessel41, 0.0, std::numbers::pi / 2.0, 0.0, 0.0);
    EXPECT_NEAR(pole.z, major_axis_bessel41 * std::sqrt(one_minus_e_squared), 1e-6);
}

TEST(SwissGeocentric, LongitudeIsTrueWestOfTheNinetyDegreeMeridians) {
    // Regression: arctan(y / x) alone folds these points into the eastern half and divides
    // by zero on the 90-degree meridians.
    const double a = major_axis_bessel41;
    const auto p = lat_long_to_geocentric(a, 0.0, 10.0 * deg, 135.0 * deg, 0.0);
    EXPECT_NEAR(geocentric_to_lat_long(a, 0.0, p).longitude, 135.0 * deg, 1e-12);
    EXPECT_NEAR(geocentric_to_lat_long(a, 0.0, {p.x, -p.y, p.z}).longitude, -135.0 * deg, 1e-12);
    EXPECT_EQ(geocentric_to_lat_long(a, 0.0, {p.x * 1.4, 0.0, p.z}).longitude, std::numbers::pi);
    EXPECT_EQ(geocentric_to_lat_long(a, 0.0, {0.0, p.y * 1.4, p.z}).longitude,
              std::numbers::pi / 2.0);
    EXPECT_EQ(geocentric_to_lat_long(a, 0.0, {0.0, -p.y * 1.4, p.z}).longitude,
              -std::numbers::pi / 2.0);
    // The latitude does not depend on the side of the earth.
    const auto east = lat_long_to_geocentric(a, 0.0, 10.0 * deg, 45.0 * deg, 0.0);
    EXPECT_NEAR(geocentric_to_lat_long(a, 0.0, p).latitude,
                geocentric_to_lat_long(a, 0.0, east).latitude, 1e-12);
}

TEST(SwissGeocentric, PolarAxisGivesThePoles) {
    const double a = major_axis_bessel41;
    const double polar_radius = a * std::sqrt(one_minus_e_squared);
    const lat_long_altitude_record north = geocentric_to_lat_long(a, 0.0, {0.0, 0.0, 6400000.0});
    EXPECT_EQ(north.latitude, std::numbers::pi / 2.0);
    EXPECT_NEAR(north.altitude, 6400000.0 - polar_radius, 1e-6);
    const lat_long_altitude_record south = geocentric_to_lat_long(a, 0.0, {0.0, 0.0, -6400000.0});
    EXPECT_EQ(south.latitude, -std::numbers::pi / 2.0);
    EXPECT_NEAR(south.altitude, 6400000.0 - polar_radius, 1e-6);
}
