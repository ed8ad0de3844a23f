/* The overlap questions of the C interface: the BNG overlap region, the UTM overlap zones and
   the conversion into a neighbouring zone. The overlap flag is 0 for "in an overlap". */
#include <stdlib.h>

#include "harness.h"
#include "tarnwick.h"

#define UNWRITTEN_ZONE ((signed char)99)
#define UNWRITTEN_INT 123456789

struct region_answer {
    int is_overlapping;
    signed char zone_w;
    signed char zone_e;
};

struct zone_answer {
    int is_overlapping;
    signed char zone;
};

struct grid_point {
    int easting;
    int northing;
};

static struct region_answer region(int northing_bng, int easting_bng) {
    struct region_answer a = {UNWRITTEN_INT, UNWRITTEN_ZONE, UNWRITTEN_ZONE};
    is_in_overlap_region(northing_bng, easting_bng, &a.is_overlapping, &a.zone_w, &a.zone_e);
    return a;
}

static struct zone_answer zone_overlap(signed char zone, int easting, int northing) {
    struct zone_answer a = {UNWRITTEN_INT, UNWRITTEN_ZONE};
    is_overlapping_zone(zone, easting, northing, &a.is_overlapping, &a.zone);
    return a;
}

static struct grid_point to_overlap_zone(signed char zone, int easting, int northing,
                                         signed char overlap_zone) {
    struct grid_point p = {UNWRITTEN_INT, UNWRITTEN_INT};
    convert_to_overlap_zone(zone, easting, northing, overlap_zone, &p.easting, &p.northing);
    return p;
}

static void check_region(struct region_answer a, int is_overlapping, int zone_w, int zone_e) {
    CHECK_INT(a.is_overlapping, is_overlapping);
    CHECK_INT(a.zone_w, zone_w);
    CHECK_INT(a.zone_e, zone_e);
}

static void check_zone(struct zone_answer a, int is_overlapping, int zone) {
    CHECK_INT(a.is_overlapping, is_overlapping);
    CHECK_INT(a.zone, zone);
}

/* At northing 0 the 0-degree curve is at easting 546429; the band is |difference| <= 49999. */
TEST_CASE(region_band_around_the_zero_meridian_is_49999_metres_wide) {
    check_region(region(0, 546429), 0, 30, 31);
    check_region(region(0, 496430), 0, 30, 31);
    check_region(region(0, 496429), 1, 1, 1);
    check_region(region(0, 596428), 0, 30, 31);
    check_region(region(0, 596429), 1, 1, 1);
}

/* At northing 100000 the 6-degrees-west curve is at easting 112457. */
TEST_CASE(region_band_around_six_degrees_west_gives_zones_29_and_30) {
    check_region(region(100000, 162456), 0, 29, 30);
    check_region(region(100000, 162457), 1, 1, 1);
    check_region(region(100000, 62458), 0, 29, 30);
    check_region(region(100000, 62457), 1, 1, 1);
}

/* The northing comes first: the same two numbers the other way round give other answers. */
TEST_CASE(region_reads_northing_before_easting) {
    check_region(region(0, 546429), 0, 30, 31);
    check_region(region(546429, 0), 1, 1, 1);
    check_region(region(1300000, 700000), 1, 1, 1);
    check_region(region(700000, 1300000), -1, -1, -1);
}

TEST_CASE(region_outside_the_grid_writes_minus_one_everywhere) {
    check_region(region(0, 700001), -1, -1, -1);
    check_region(region(0, -1), -1, -1, -1);
    check_region(region(1300001, 546429), -1, -1, -1);
    check_region(region(-1, 546429), -1, -1, -1);
}

/* Zone 30 at latitude 52 degrees; the grid points lie at 0.3, 0.6 and 5.8 degrees west. */
TEST_CASE(zone_overlap_is_within_a_hundredth_radian_of_the_zone_limits) {
    check_zone(zone_overlap(30, 685340, 5764481), 0, 31);
    check_zone(zone_overlap(30, 664750, 5763758), 1, 30);
    check_zone(zone_overlap(30, 307797, 5764740), 0, 29);
    check_zone(zone_overlap(30, 500000, 5764740), 1, 30);
}

/* Zones beyond +-60 are refused, and so is zone 0, which has no neighbours. Regression: zone 1
   next to the antimeridian named zone 0, zone 60 there failed, and a southern zone never
   overlapped; zones 60 and 1 are neighbours, and a southern zone's neighbour is southern. */
TEST_CASE(zone_overlap_wraps_at_the_antimeridian_and_keeps_the_hemisphere) {
    check_zone(zone_overlap(60, 500000, 5000000), 1, 60);
    check_zone(zone_overlap(1, 188317, 55332), 0, 60);
    check_zone(zone_overlap(60, 811683, 55332), 0, 1);
    check_zone(zone_overlap(-30, 750000, 6300000), 0, -31);
    check_zone(zone_overlap(-30, 250000, 6300000), 0, -29);
    check_zone(zone_overlap(-30, 500000, 6300000), 1, -30);
    check_zone(zone_overlap(0, 500000, 5000000), -1, -1);
    check_zone(zone_overlap(61, 500000, 5000000), -1, -1);
    check_zone(zone_overlap(-61, 500000, 5000000), -1, -1);
}

TEST_CASE(zone_overlap_outside_the_utm_ranges_writes_minus_one) {
    check_zone(zone_overlap(30, 1000000, 5764481), -1, -1);
    check_zone(zone_overlap(30, -1, 5764481), -1, -1);
    check_zone(zone_overlap(30, 685340, 11000001), -1, -1);
    check_zone(zone_overlap(30, 685340, -1), -1, -1);
}

/* Latitude 51.5 degrees, longitude -0.1275 degrees: (699369, 5709342) in zone 30 and about
   (282936, 5710068) in zone 31. */
TEST_CASE(overlap_conversion_reexpresses_a_point_in_the_neighbouring_zone) {
    const struct grid_point east = to_overlap_zone(30, 699369, 5709342, 31);
    const struct grid_point back = to_overlap_zone(31, east.easting, east.northing, 30);
    CHECK(abs(east.easting - 282936) <= 1);
    CHECK(abs(east.northing - 5710068) <= 1);
    CHECK(abs(back.easting - 699369) <= 1);
    CHECK(abs(back.northing - 5709342) <= 1);
}

TEST_CASE(overlap_conversion_fails_for_any_argument_out_of_range) {
    static const struct {
        signed char zone;
        int easting, northing;
        signed char overlap_zone;
    } cases[] = {
        {30, 699369, 5709342, 61},  {30, 699369, 5709342, -61}, {61, 699369, 5709342, 31},
        {30, 1000000, 5709342, 31}, {30, -1, 5709342, 31},      {30, 699369, 11000001, 31},
        {30, 699369, -1, 31},
    };
    size_t i;
    for (i = 0; i < COUNT_OF(cases); ++i) {
        const struct grid_point p = to_overlap_zone(cases[i].zone, cases[i].easting,
                                                    cases[i].northing, cases[i].overlap_zone);
        CHECK_INT(p.easting, -1);
        CHECK_INT(p.northing, -1);
    }
}

/* A zone-1 point next to the antimeridian converts into zone 0: zone 0 passes the check. */
TEST_CASE(overlap_conversion_accepts_zone_0) {
    const struct grid_point p = to_overlap_zone(1, 188317, 55332, 0);
    CHECK(abs(p.easting - 856253) <= 2);
    CHECK(abs(p.northing - 55352) <= 2);
}

/* Regression: a point 90 degrees or more from the target zone's central meridian was mirrored
   to the other side of the earth (832966, 10560416 for the first case). */
TEST_CASE(overlap_conversion_fails_ninety_degrees_or_more_away) {
    const struct grid_point far = to_overlap_zone(-31, 167000, 9447000, -1);
    const struct grid_point antipodes = to_overlap_zone(30, 500000, 5700000, 60);
    CHECK_INT(far.easting, -1);
    CHECK_INT(far.northing, -1);
    CHECK_INT(antipodes.easting, -1);
    CHECK_INT(antipodes.northing, -1);
}

/* Regression: a northing beyond its hemisphere's pole read as a point of the other hemisphere
   (zone 31 northing 10100000 as 89.99 degrees south); the pole itself rounds to 9997965. */
TEST_CASE(utm_point_beyond_the_pole_fails_and_the_poles_rounding_is_the_pole) {
    const struct grid_point south = to_overlap_zone(-31, 500000, 1, -30);
    const struct grid_point pole = to_overlap_zone(31, 500000, 9997965, 30);
    const struct grid_point south_pole = to_overlap_zone(-31, 500000, 2035, -30);
    int bng_e = UNWRITTEN_INT, bng_n = UNWRITTEN_INT;
    check_zone(zone_overlap(31, 500000, 10100000), -1, -1);
    check_zone(zone_overlap(-31, 500000, 1), -1, -1);
    CHECK_INT(south.easting, -1);
    CHECK_INT(south.northing, -1);
    CHECK_INT(pole.easting, 500000);
    CHECK_INT(pole.northing, 9997965);
    CHECK_INT(south_pole.easting, 500000);
    CHECK_INT(south_pole.northing, 2035);
    convert_utm_to_bng(30, 10100000, 500000, &bng_e, &bng_n);
    CHECK_INT(bng_e, -1);
    CHECK_INT(bng_n, -1);
}

/* Regression: beyond the grid's far edges the result was clamped and reported (500000 11000000
   and 999999 880707 for these two). */
TEST_CASE(overlap_conversion_fails_where_the_grid_would_clamp) {
    const struct grid_point north = to_overlap_zone(31, 500000, 5000000, -31);
    const struct grid_point east = to_overlap_zone(26, 538050, 875360, 25);
    CHECK_INT(north.easting, -1);
    CHECK_INT(north.northing, -1);
    CHECK_INT(east.easting, -1);
    CHECK_INT(east.northing, -1);
}

int main(int argc, char** argv) {
    static const struct test_case cases[] = {
        CASE(region_band_around_the_zero_meridian_is_49999_metres_wide),
        CASE(region_band_around_six_degrees_west_gives_zones_29_and_30),
        CASE(region_reads_northing_before_easting),
        CASE(region_outside_the_grid_writes_minus_one_everywhere),
        CASE(zone_overlap_is_within_a_hundredth_radian_of_the_zone_limits),
        CASE(zone_overlap_wraps_at_the_antimeridian_and_keeps_the_hemisphere),
        CASE(zone_overlap_outside_the_utm_ranges_writes_minus_one),
        CASE(overlap_conversion_reexpresses_a_point_in_the_neighbouring_zone),
        CASE(overlap_conversion_fails_for_any_argument_out_of_range),
        CASE(overlap_conversion_accepts_zone_0),
        CASE(overlap_conversion_fails_ninety_degrees_or_more_away),
        CASE(utm_point_beyond_the_pole_fails_and_the_poles_rounding_is_the_pole),
        CASE(overlap_conversion_fails_where_the_grid_would_clamp),
    };
    return run_test_cases(cases, COUNT_OF(cases), argc, argv);
}
