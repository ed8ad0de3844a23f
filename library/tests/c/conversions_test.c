/* The conversions of the C interface: results, argument order and failure values. */
#include <math.h>
#include <stdlib.h>

#include "harness.h"
#include "tarnwick.h"

/* Degrees to radians. */
static double radians(double degrees) {
    return degrees * 3.141592653589793 / 180.0;
}

/* Values the exports never write, so an out-parameter left alone is seen. */
#define UNWRITTEN_ZONE ((signed char)99)
#define UNWRITTEN_INT 123456789
#define UNWRITTEN_ANGLE 12345.0

struct utm_point {
    signed char zone;
    int easting;
    int northing;
};

struct bng_point {
    int easting;
    int northing;
};

static struct utm_point bng_to_utm(int easting_bng, int northing_bng) {
    struct utm_point p = {UNWRITTEN_ZONE, UNWRITTEN_INT, UNWRITTEN_INT};
    convert_bng_to_utm(easting_bng, northing_bng, &p.zone, &p.easting, &p.northing);
    return p;
}

static struct bng_point utm_to_bng(signed char zone, int northing_utm, int easting_utm) {
    struct bng_point p = {UNWRITTEN_INT, UNWRITTEN_INT};
    convert_utm_to_bng(zone, northing_utm, easting_utm, &p.easting, &p.northing);
    return p;
}

static void check_utm_failure(struct utm_point p) {
    CHECK_INT(p.zone, -1);
    CHECK_INT(p.easting, -1);
    CHECK_INT(p.northing, -1);
}

static void check_bng_failure(struct bng_point p) {
    CHECK_INT(p.easting, -1);
    CHECK_INT(p.northing, -1);
}

/* Published results for points across the grid, with the GRS80 axes. */
TEST_CASE(bng_to_utm_gives_the_published_zone_easting_and_northing) {
    static const struct {
        int easting_bng, northing_bng;
        struct utm_point utm;
    } cases[] = {
        {400000, 100000, {30, 570374, 5628011}}, {651410, 313177, {31, 413156, 5834998}},
        {530000, 180000, {30, 699293, 5709783}}, {100000, 1200000, {29, 583364, 6715954}},
        {0, 1300000, {29, 473429, 6804575}},
    };
    size_t i;
    for (i = 0; i < COUNT_OF(cases); ++i) {
        const struct utm_point p = bng_to_utm(cases[i].easting_bng, cases[i].northing_bng);
        CHECK_INT(p.zone, cases[i].utm.zone);
        CHECK_INT(p.easting, cases[i].utm.easting);
        CHECK_INT(p.northing, cases[i].utm.northing);
    }
}

TEST_CASE(bng_to_utm_outside_the_grid_writes_minus_one_everywhere) {
    check_utm_failure(bng_to_utm(700001, 100000));
    check_utm_failure(bng_to_utm(-1, 100000));
    check_utm_failure(bng_to_utm(400000, 1300001));
    check_utm_failure(bng_to_utm(400000, -1));
    check_utm_failure(bng_to_utm(-2147483647 - 1, 2147483647));
}

/* The grid's corners pass the checks; each gives a complete result in zones 29..31. */
TEST_CASE(bng_to_utm_at_the_grid_corners_gives_complete_results) {
    static const struct bng_point corners[] = {
        {0, 0}, {700000, 0}, {0, 1300000}, {700000, 1300000}};
    size_t i;
    for (i = 0; i < COUNT_OF(corners); ++i) {
        const struct utm_point p = bng_to_utm(corners[i].easting, corners[i].northing);
        CHECK(p.zone >= 29 && p.zone <= 31);
        CHECK(p.easting >= 0 && p.easting <= 999999);
        CHECK(p.northing >= 0 && p.northing <= 11000000);
    }
}

/* UTM to BNG takes the northing before the easting and lands within a metre of the point
   that the forward conversion started from (whole-metre rounding on both sides). */
TEST_CASE(utm_to_bng_reads_northing_before_easting) {
    const struct bng_point p = utm_to_bng(30, 5628011, 570374);
    CHECK(abs(p.easting - 400000) <= 1);
    CHECK(abs(p.northing - 100000) <= 1);
    /* Swapped, the northing 5628011 sits in the easting slot and fails its check. */
    check_bng_failure(utm_to_bng(30, 570374, 5628011));
}

TEST_CASE(utm_to_bng_round_trips_the_published_points) {
    static const struct bng_point points[] = {
        {651410, 313177}, {530000, 180000}, {100000, 1200000}, {300000, 700000}};
    size_t i;
    for (i = 0; i < COUNT_OF(points); ++i) {
        const struct utm_point u = bng_to_utm(points[i].easting, points[i].northing);
        const struct bng_point b = utm_to_bng(u.zone, u.northing, u.easting);
        CHECK(abs(b.easting - points[i].easting) <= 1);
        CHECK(abs(b.northing - points[i].northing) <= 1);
    }
}

TEST_CASE(utm_to_bng_rejects_zones_outside_the_national_grid_and_bad_ranges) {
    check_bng_failure(utm_to_bng(61, 5628011, 570374));
    check_bng_failure(utm_to_bng(-61, 5628011, 570374));
    check_bng_failure(utm_to_bng(0, 5628011, 570374));
    check_bng_failure(utm_to_bng(28, 5628011, 570374));
    check_bng_failure(utm_to_bng(-30, 5628011, 570374));
    check_bng_failure(utm_to_bng(30, 11000001, 570374));
    check_bng_failure(utm_to_bng(30, -1, 570374));
    check_bng_failure(utm_to_bng(30, 5628011, 1000000));
    /* In zone 31 far east of Great Britain: the National Grid easting is out of range. */
    check_bng_failure(utm_to_bng(31, 5628011, 900000));
}

TEST_CASE(wgs84_latitude_and_longitude_of_bng_points_are_radians) {
    double latitude = UNWRITTEN_ANGLE, longitude = UNWRITTEN_ANGLE;
    const double tolerance = radians(1.5e-6);
    from_bng_to_wgs84_lat_long(651410, 313177, &latitude, &longitude);
    CHECK_NEAR(latitude, radians(52.657975), tolerance);
    CHECK_NEAR(longitude, radians(1.716053), tolerance);
    from_bng_to_wgs84_lat_long(400000, 100000, &latitude, &longitude);
    CHECK_NEAR(latitude, radians(50.799559), tolerance);
    CHECK_NEAR(longitude, radians(-2.001367), tolerance);
}

TEST_CASE(wgs84_latitudes_over_the_grid_lie_within_great_britain) {
    int easting, northing;
    for (easting = 0; easting <= 700000; easting += 100000) {
        for (northing = 0; northing <= 1300000; northing += 100000) {
            double latitude = UNWRITTEN_ANGLE, longitude = UNWRITTEN_ANGLE;
            from_bng_to_wgs84_lat_long(easting, northing, &latitude, &longitude);
            CHECK(latitude > 0.86 && latitude < 1.08);
            CHECK(longitude > radians(-9.6) && longitude < radians(3.7));
        }
    }
}

TEST_CASE(wgs84_of_a_point_outside_the_grid_writes_minus_one_thousand) {
    static const struct bng_point outside[] = {{700001, 0}, {0, 1300001}, {-1, 5}, {5, -1}};
    size_t i;
    for (i = 0; i < COUNT_OF(outside); ++i) {
        double latitude = UNWRITTEN_ANGLE, longitude = UNWRITTEN_ANGLE;
        from_bng_to_wgs84_lat_long(outside[i].easting, outside[i].northing, &latitude, &longitude);
        CHECK(latitude == -1000.0);
        CHECK(longitude == -1000.0);
    }
}

int main(int argc, char** argv) {
    static const struct test_case cases[] = {
        CASE(bng_to_utm_gives_the_published_zone_easting_and_northing),
        CASE(bng_to_utm_outside_the_grid_writes_minus_one_everywhere),
        CASE(bng_to_utm_at_the_grid_corners_gives_complete_results),
        CASE(utm_to_bng_reads_northing_before_easting),
        CASE(utm_to_bng_round_trips_the_published_points),
        CASE(utm_to_bng_rejects_zones_outside_the_national_grid_and_bad_ranges),
        CASE(wgs84_latitude_and_longitude_of_bng_points_are_radians),
        CASE(wgs84_latitudes_over_the_grid_lie_within_great_britain),
        CASE(wgs84_of_a_point_outside_the_grid_writes_minus_one_thousand),
    };
    return run_test_cases(cases, COUNT_OF(cases), argc, argv);
}
