/* How the exports treat the caller's memory and the start-up calls: one-byte zones, null
   out-parameters, complete failure sets, and start-up before, between and after conversions.
   CTest runs each case in a fresh process, so "before initialize_api" really is before. */
#include <string.h>

#include "harness.h"
#include "tarnwick.h"

/* Bytes around a one-byte out-parameter: the export may write only the byte in the middle. */
#define GUARD 0xA5
struct guarded_zone {
    unsigned char before[3];
    signed char zone;
    unsigned char after[3];
};

static struct guarded_zone guarded(void) {
    struct guarded_zone g;
    memset(&g, GUARD, sizeof g);
    return g;
}

static int guards_intact(const struct guarded_zone* g) {
    size_t i;
    for (i = 0; i < 3; ++i) {
        if (g->before[i] != GUARD || g->after[i] != GUARD) {
            return 0;
        }
    }
    return 1;
}

/* A zone inside an int-sized variable (the shape of a caller's union or record). */
union zone_in_int {
    signed char zone;
    unsigned char bytes[sizeof(int)];
};

TEST_CASE(zone_out_parameters_write_exactly_one_byte) {
    struct guarded_zone zone = guarded(), zone_w = guarded(), zone_e = guarded();
    union zone_in_int word;
    int easting, northing, flag;

    convert_bng_to_utm(400000, 100000, &zone.zone, &easting, &northing);
    CHECK_INT(zone.zone, 30);
    CHECK(guards_intact(&zone));

    memset(&word, GUARD, sizeof word);
    convert_bng_to_utm(700001, 100000, &word.zone, &easting, &northing);
    CHECK_INT(word.zone, -1);
    CHECK_INT(word.bytes[0], 0xFF);
    CHECK(word.bytes[1] == GUARD && word.bytes[2] == GUARD && word.bytes[3] == GUARD);

    is_in_overlap_region(0, 546429, &flag, &zone_w.zone, &zone_e.zone);
    CHECK_INT(zone_w.zone, 30);
    CHECK_INT(zone_e.zone, 31);
    CHECK(guards_intact(&zone_w) && guards_intact(&zone_e));
    is_in_overlap_region(0, 700001, &flag, &zone_w.zone, &zone_e.zone);
    CHECK_INT(zone_w.zone, -1);
    CHECK(guards_intact(&zone_w) && guards_intact(&zone_e));

    zone = guarded();
    is_overlapping_zone(30, 685340, 5764481, &flag, &zone.zone);
    CHECK_INT(zone.zone, 31);
    CHECK(guards_intact(&zone));
    is_overlapping_zone(61, 685340, 5764481, &flag, &zone.zone);
    CHECK_INT(zone.zone, -1);
    CHECK(guards_intact(&zone));
}

/* A failing call leaves no result of an earlier call behind in any out-parameter. */
TEST_CASE(a_failing_call_writes_its_failure_value_into_every_out_parameter) {
    signed char zone = 30, zone_w = 30, zone_e = 31;
    int easting = 5, northing = 5, flag = 0;
    double latitude = 0.9, longitude = 0.01;

    convert_bng_to_utm(400000, 1300001, &zone, &easting, &northing);
    CHECK(zone == -1 && easting == -1 && northing == -1);
    easting = northing = 5;
    convert_utm_to_bng(30, 5628011, -5, &easting, &northing);
    CHECK(easting == -1 && northing == -1);
    from_bng_to_wgs84_lat_long(400000, -100000, &latitude, &longitude);
    CHECK(latitude == -1000.0 && longitude == -1000.0);
    is_in_overlap_region(1300001, 0, &flag, &zone_w, &zone_e);
    CHECK(flag == -1 && zone_w == -1 && zone_e == -1);
    flag = 0;
    zone = 30;
    is_overlapping_zone(-100, 500000, 0, &flag, &zone);
    CHECK(flag == -1 && zone == -1);
    easting = northing = 5;
    convert_to_overlap_zone(30, 699369, 5709342, 100, &easting, &northing);
    CHECK(easting == -1 && northing == -1);
}

/* A null out-parameter is skipped; the others get their results or failure values. */
TEST_CASE(null_out_parameters_are_skipped) {
    signed char zone = 0, zone_e = 0;
    int easting = 0, northing = 0, flag = 7;
    double longitude = 0.0;

    convert_bng_to_utm(400000, 100000, NULL, &easting, NULL);
    CHECK_INT(easting, 570374);
    convert_bng_to_utm(400000, 100000, &zone, NULL, &northing);
    CHECK(zone == 30 && northing == 5628011);
    convert_bng_to_utm(-1, 100000, NULL, NULL, &northing);
    CHECK_INT(northing, -1);
    convert_bng_to_utm(400000, 100000, NULL, NULL, NULL);

    convert_utm_to_bng(30, 5628011, 570374, NULL, &northing);
    CHECK(northing >= 99999 && northing <= 100001);
    from_bng_to_wgs84_lat_long(400000, 100000, NULL, &longitude);
    CHECK(longitude < -0.0349 && longitude > -0.0350);
    is_in_overlap_region(0, 546429, &flag, NULL, &zone_e);
    CHECK(flag == 0 && zone_e == 31);
    is_in_overlap_region(0, 546429, NULL, NULL, NULL);
    is_overlapping_zone(30, 685340, 5764481, NULL, &zone);
    CHECK_INT(zone, 31);
    convert_to_overlap_zone(30, 699369, 5709342, 31, NULL, &northing);
    CHECK(northing >= 5710067 && northing <= 5710069);
    convert_to_overlap_zone(30, 699369, 5709342, 61, &easting, NULL);
    CHECK_INT(easting, -1);
}

/* The library starts itself when it is loaded: the first call already uses the WGS84 to
   OSGB36 datum shift (without it the result would be about 100 m off). */
TEST_CASE(a_conversion_before_initialize_api_gives_the_started_result) {
    signed char zone = 0;
    int easting = 0, northing = 0;
    convert_bng_to_utm(400000, 100000, &zone, &easting, &northing);
    CHECK(zone == 30 && easting == 570374 && northing == 5628011);
}

TEST_CASE(initialize_and_finalize_api_change_no_result) {
    signed char zone = 0;
    int easting = 0, northing = 0, i;
    double latitude = 0.0, longitude = 0.0, latitude_before, longitude_before;

    initialize_api();
    from_bng_to_wgs84_lat_long(651410, 313177, &latitude_before, &longitude_before);
    initialize_api();
    from_bng_to_wgs84_lat_long(651410, 313177, &latitude, &longitude);
    CHECK(latitude == latitude_before && longitude == longitude_before);

    finalize_api();
    from_bng_to_wgs84_lat_long(651410, 313177, &latitude, &longitude);
    CHECK(latitude == latitude_before && longitude == longitude_before);
    finalize_api();
    convert_bng_to_utm(651410, 313177, &zone, &easting, &northing);
    CHECK(zone == 31 && easting == 413156 && northing == 5834998);

    /* The application's bracket around every batch, many times over. */
    for (i = 0; i < 100; ++i) {
        initialize_api();
        from_bng_to_wgs84_lat_long(651410, 313177, &latitude, &longitude);
        finalize_api();
        CHECK(latitude == latitude_before && longitude == longitude_before);
    }
}

int main(int argc, char** argv) {
    static const struct test_case cases[] = {
        CASE(zone_out_parameters_write_exactly_one_byte),
        CASE(a_failing_call_writes_its_failure_value_into_every_out_parameter),
        CASE(null_out_parameters_are_skipped),
        CASE(a_conversion_before_initialize_api_gives_the_started_result),
        CASE(initialize_and_finalize_api_change_no_result),
    };
    return run_test_cases(cases, COUNT_OF(cases), argc, argv);
}
