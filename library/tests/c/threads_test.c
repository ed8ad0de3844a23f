/* Several threads converting the same points at once get exactly the results of one thread. */
#define _POSIX_C_SOURCE 200809L /* sigaction, pthreads */

#include <pthread.h>
#include <string.h>

#include "harness.h"
#include "tarnwick.h"

enum { point_count = 40, thread_count = 6, rounds = 5 };

/* Everything the six conversion exports give for one BNG point, including failures. */
struct outcome {
    signed char zone, zone_w, zone_e, overlap_zone;
    int utm_easting, utm_northing, bng_easting, bng_northing;
    int region_flag, zone_flag, overlap_easting, overlap_northing;
    double latitude, longitude;
};

static void convert_point(int index, struct outcome* o) {
    /* A walk over the grid that also steps a little outside it, so failures are included. */
    const int easting = -20000 + index * 18731;
    const int northing = -30000 + index * 34567;
    memset(o, 0, sizeof *o);
    initialize_api();
    convert_bng_to_utm(easting, northing, &o->zone, &o->utm_easting, &o->utm_northing);
    convert_utm_to_bng(o->zone, o->utm_northing, o->utm_easting, &o->bng_easting, &o->bng_northing);
    from_bng_to_wgs84_lat_long(easting, northing, &o->latitude, &o->longitude);
    is_in_overlap_region(northing, easting, &o->region_flag, &o->zone_w, &o->zone_e);
    is_overlapping_zone(o->zone, o->utm_easting, o->utm_northing, &o->zone_flag, &o->overlap_zone);
    convert_to_overlap_zone(o->zone, o->utm_easting, o->utm_northing, (signed char)(o->zone + 1),
                            &o->overlap_easting, &o->overlap_northing);
    finalize_api();
}

static struct outcome expected[point_count];

static int same_outcome(const struct outcome* a, const struct outcome* b) {
    return a->zone == b->zone && a->zone_w == b->zone_w && a->zone_e == b->zone_e &&
           a->overlap_zone == b->overlap_zone && a->utm_easting == b->utm_easting &&
           a->utm_northing == b->utm_northing && a->bng_easting == b->bng_easting &&
           a->bng_northing == b->bng_northing && a->region_flag == b->region_flag &&
           a->zone_flag == b->zone_flag && a->overlap_easting == b->overlap_easting &&
           a->overlap_northing == b->overlap_northing && a->latitude == b->latitude &&
           a->longitude == b->longitude;
}

static void* convert_all(void* mismatches) {
    int round, i;
    for (round = 0; round < rounds; ++round) {
        for (i = 0; i < point_count; ++i) {
            struct outcome o;
            convert_point(i, &o);
            if (!same_outcome(&o, &expected[i])) {
                ++*(int*)mismatches;
            }
        }
    }
    return NULL;
}

TEST_CASE(threads_converting_at_once_agree_with_one_thread) {
    pthread_t threads[thread_count];
    int mismatches[thread_count] = {0};
    int i, failures = 0, successes = 0;

    for (i = 0; i < point_count; ++i) {
        convert_point(i, &expected[i]);
        if (expected[i].zone == -1) {
            ++failures;
        } else {
            ++successes;
        }
    }
    CHECK(failures > 0 && successes > failures);

    for (i = 0; i < thread_count; ++i) {
        CHECK_INT(pthread_create(&threads[i], NULL, convert_all, &mismatches[i]), 0);
    }
    for (i = 0; i < thread_count; ++i) {
        CHECK_INT(pthread_join(threads[i], NULL), 0);
        CHECK_INT(mismatches[i], 0);
    }
}

int main(int argc, char** argv) {
    static const struct test_case cases[] = {
        CASE(threads_converting_at_once_agree_with_one_thread),
    };
    return run_test_cases(cases, COUNT_OF(cases), argc, argv);
}
