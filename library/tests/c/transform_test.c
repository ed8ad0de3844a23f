/* The transform interface: a known point of every pair by both methods, failures and their
   names, refusals, NULL and empty arrays, and two threads on one transform. The published OSTN15
   test points and the integers of convert_bng_to_utm are checked by tests/consumer's
   transform_consumer.c, run here and against an installed copy. */
#define _POSIX_C_SOURCE 200809L /* setenv, fork, pthreads */

#include <math.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

#include "harness.h"
#include "tarnwick_transform.h"

/* The exit status CTest reads as a skipped case (SKIP_RETURN_CODE). */
enum { skipped = 77 };

/* More points than one block of the conversion, so that block edges are crossed. */
enum { random_count = 3001 };

static void skip_without_shift_grid(void) {
    tarnwick_transform* t = tarnwick_transform_create("etrs89", "bng", "ostn15", 0);
    if (t == NULL) {
        printf("skipped, precise mode has no shift grid: %s\n", tarnwick_last_error());
        exit(skipped);
    }
    tarnwick_transform_destroy(t);
}

/* Converts one point of up to three values; returns its status. */
static int convert_one(const char* from, const char* to, const char* method, int zone,
                       const double in[3], double out[3]) {
    int status = -1;
    size_t converted;
    tarnwick_transform* t = tarnwick_transform_create(from, to, method, zone);
    CHECK(t != NULL);
    if (t == NULL) {
        fprintf(stderr, "%s -> %s: %s\n", from, to, tarnwick_last_error());
        return -1;
    }
    converted =
        tarnwick_transform_points(t, 1, &in[0], &in[1], &in[2], &out[0], &out[1], &out[2], &status);
    CHECK_INT(converted, status == TARNWICK_OK ? 1 : 0);
    tarnwick_transform_destroy(t);
    return status;
}

struct known_point {
    const char *from, *to, *method;
    int zone;
    double in[3], out[3], tolerance;
};

/* tarnwick-convert's results for the same points (whole metres by Helmert; 12 decimals shown
   of degrees and of precise metres). */
static const struct known_point helmert_points[] = {
    {"bng", "utm", NULL, 0, {530000, 180000}, {30, 699293, 5709783}, 0},
    {"OSGB36", "latlon", "HELMERT", 0, {530000, 180000}, {51.503989681513, -0.128353921115}, 1e-11},
    {"utm", "bng", "helmert", 0, {30, 699293, 5709783}, {530000, 180000}, 0},
    {"utm", "wgs84", NULL, 0, {30, 699293, 5709783}, {51.503988847787, -0.128349484579}, 1e-11},
    {"utm", "lv03", NULL, 0, {32, 381000, 5200000}, {599829, 199085}, 0},
    {"utm", "lv95", NULL, 0, {32, 381000, 5200000}, {2599829, 1199085}, 0},
    {"utm", "utm", NULL, 31, {30, 699293, 5709783}, {31, 282896, 5710514}, 0},
    {"wgs84", "bng", NULL, 0, {51.5, -0.12}, {530591, 179571}, 0},
    {"wgs84", "utm", NULL, 0, {51.5, -0.12}, {30, 699890, 5709362}, 0},
    {"wgs84", "utm", NULL, 0, {-33.9, 18.4}, {-34, 259583, 6245888}, 0},
    {"wgs84", "lv03", NULL, 0, {46.95, 7.44}, {600104, 199879}, 0},
    {"wgs84", "lv95", NULL, 0, {46.95, 7.44}, {2600104, 1199880}, 0},
    {"lv03", "utm", NULL, 0, {600000, 200000}, {32, 381189, 5200912}, 0},
    {"lv03", "wgs84", NULL, 0, {600000, 200000}, {46.951085202769, 7.438630463353}, 1e-11},
    {"lv03", "lv95", NULL, 0, {600000, 200000}, {2600000, 1200000}, 0},
    {"lv95", "utm", NULL, 0, {2600000, 1200000}, {32, 381189, 5200911}, 0},
    {"lv95", "wgs84", NULL, 0, {2600000, 1200000}, {46.951082773223, 7.438632420872}, 1e-11},
    {"lv95", "lv03", NULL, 0, {2600000, 1200000}, {600000, 200000}, 0},
};

static const struct known_point precise_points[] = {
    {"bng", "wgs84", "ostn15", 0, {530000, 180000}, {51.503992170015, -0.128328893506}, 1e-11},
    {"bng", "etrs89", "OSTN15", 0, {530000, 180000}, {51.503992170015, -0.128328893506}, 1e-11},
    {"bng",
     "utm",
     "ostn15",
     0,
     {530000, 180000},
     {30, 699294.414069113205, 5709783.427571038716},
     1e-8},
    {"wgs84", "bng", "ostn15", 0, {51.5, -0.12}, {530589.427270967048, 179570.880329460226}, 1e-8},
    {"etrs89", "bng", "ostn15", 0, {51.5, -0.12}, {530589.427270967048, 179570.880329460226}, 1e-8},
    {"utm",
     "bng",
     "ostn15",
     0,
     {30, 699293, 5709783},
     {529998.580600746674, 179999.591917422018},
     1e-8},
};

static void check_known_points(const struct known_point* points, size_t count) {
    size_t i, k;
    for (i = 0; i < count; ++i) {
        const struct known_point* p = &points[i];
        double out[3] = {0, 0, 0};
        const int values = strcmp(p->to, "utm") == 0 ? 3 : 2;
        CHECK_INT(convert_one(p->from, p->to, p->method, p->zone, p->in, out), TARNWICK_OK);
        for (k = 0; k < (size_t)values; ++k) {
            CHECK_NEAR(out[k], p->out[k], p->tolerance);
        }
    }
}

TEST_CASE(every_pair_by_helmert_gives_the_tool_s_result) {
    check_known_points(helmert_points, COUNT_OF(helmert_points));
}

TEST_CASE(every_pair_by_ostn15_gives_the_tool_s_result) {
    skip_without_shift_grid();
    check_known_points(precise_points, COUNT_OF(precise_points));
}

/* Points over the grid and a little beyond, some not whole metres. */
static void random_bng(double* easting, double* northing, size_t count) {
    size_t i;
    for (i = 0; i < count; ++i) {
        easting[i] = (double)(i * 7919 % 740000) - 20000.0 + (double)(i % 4) * 0.25;
        northing[i] = (double)(i * 104729 % 1340000) - 20000.0;
    }
}

/* Each failing point gets NaN and its kind; the others in the same call convert. */
TEST_CASE(failing_points_get_nan_and_their_kind) {
    static const struct {
        const char *from, *to;
        double failing[3], good[3];
        int status;
    } cases[] = {
        {"bng", "utm", {800000, 100000}, {400000, 100000}, TARNWICK_EASTING_OUT_OF_RANGE},
        {"bng", "utm", {400000, -5}, {400000, 100000}, TARNWICK_NORTHING_OUT_OF_RANGE},
        {"bng", "wgs84", {NAN, 100000}, {400000, 100000}, TARNWICK_CONSTRAINT_ERROR},
        {"wgs84", "bng", {95, 0}, {52, -1}, TARNWICK_CONSTRAINT_ERROR},
        {"wgs84", "bng", {0, 100}, {52, -1}, TARNWICK_EASTING_OUT_OF_RANGE},
        {"utm", "bng", {61, 500000, 5600000}, {30, 600000, 5700000}, TARNWICK_CONSTRAINT_ERROR},
        {"utm", "bng", {33, 500000, 5600000}, {30, 600000, 5700000}, TARNWICK_ZONE_OUT_OF_RANGE},
        {"wgs84", "lv03", {0, 0}, {46.95, 7.44}, TARNWICK_NORTHING_OUT_OF_RANGE},
    };
    size_t i;
    for (i = 0; i < COUNT_OF(cases); ++i) {
        double in1[2] = {cases[i].failing[0], cases[i].good[0]};
        double in2[2] = {cases[i].failing[1], cases[i].good[1]};
        double in3[2] = {cases[i].failing[2], cases[i].good[2]};
        double out1[2], out2[2], out3[2] = {7, 7};
        int status[2] = {-1, -1};
        tarnwick_transform* t = tarnwick_transform_create(cases[i].from, cases[i].to, NULL, 0);
        CHECK_INT(tarnwick_transform_points(t, 2, in1, in2, in3, out1, out2, out3, status), 1);
        CHECK_INT(status[0], cases[i].status);
        CHECK(isnan(out1[0]) && isnan(out2[0]));
        CHECK(strcmp(cases[i].to, "utm") != 0 ? out3[0] == 7 : isnan(out3[0]));
        CHECK_INT(status[1], TARNWICK_OK);
        CHECK(!isnan(out1[1]) && !isnan(out2[1]));
        tarnwick_transform_destroy(t);
    }
}

TEST_CASE(status_names_are_the_failure_kinds_full_names) {
    static const char* const names[] = {"",
                                        "CONSTRAINT_ERROR",
                                        "ELEMENTARY_FUNCTIONS_EXCEPTIONS.ARGUMENT_ERROR",
                                        "UTM.EXCEPTIONS.ZONE_OUT_OF_RANGE",
                                        "UTM.EXCEPTIONS.EASTING_OUT_OF_RANGE",
                                        "UTM.EXCEPTIONS.NORTHING_OUT_OF_RANGE",
                                        "UTM.DATUM_TRANSFORMATIONS.OSTN15.DATA_UNAVAILABLE",
                                        "unexpected failure"};
    int s;
    for (s = TARNWICK_OK; s <= TARNWICK_UNEXPECTED; ++s) {
        CHECK(strcmp(tarnwick_status_name(s), names[s]) == 0);
    }
    CHECK(strcmp(tarnwick_status_name(-1), "") == 0);
    CHECK(strcmp(tarnwick_status_name(8), "") == 0);
    CHECK(strcmp(tarnwick_version(), TARNWICK_EXPECTED_VERSION) == 0);
}

/* Each refusal gives NULL and words that name what is wrong; a transform made clears them. */
TEST_CASE(refused_transforms_say_why) {
    static const struct {
        const char *from, *to, *method;
        int zone;
        const char* words;
    } cases[] = {
        {NULL, "utm", NULL, 0, "from is NULL"},
        {"bng", NULL, NULL, 0, "to is NULL"},
        {"mars", "utm", NULL, 0, "\"mars\" is no coordinate system"},
        {"gridref", "utm", NULL, 0, "lettered references"},
        {"bng", "utm", "molodensky", 0, "\"molodensky\" is not a method"},
        {"bng", "lv03", NULL, 0, "lv03"},
        {"etrs89", "bng", NULL, 0, "OSTN15 method"},
        {"bng", "lv95", "ostn15", 0, "lv95"},
        {"bng", "wgs84", NULL, 30, "zone"},
        {"bng", "utm", NULL, 61, "zone 61"},
        {"bng", "utm", "ostn15", 33, "zone 33"},
        {"utm", "utm", NULL, 0, "zone"},
    };
    size_t i;
    tarnwick_transform* t;
    for (i = 0; i < COUNT_OF(cases); ++i) {
        CHECK(tarnwick_transform_create(cases[i].from, cases[i].to, cases[i].method,
                                        cases[i].zone) == NULL);
        CHECK(strstr(tarnwick_last_error(), cases[i].words) != NULL);
    }
    t = tarnwick_transform_create("utm", "utm", NULL, -30);
    CHECK(t != NULL && strcmp(tarnwick_last_error(), "") == 0);
    tarnwick_transform_destroy(t);
    tarnwick_transform_destroy(NULL);
}

/* Precise mode in a process without its shift grid: refused, naming the file and the way to
   get it. A child process, since the grid is read once per process. */
TEST_CASE(precise_mode_without_its_shift_grid_names_the_file) {
    int child_status = -1;
    const pid_t child = fork();
    if (child == 0) {
        int ok;
        setenv("TARNWICK_OSTN15", "/nonexistent/ostn15.dat", 1);
        ok = tarnwick_transform_create("bng", "etrs89", "ostn15", 0) == NULL &&
             strstr(tarnwick_last_error(), "/nonexistent/ostn15.dat") != NULL &&
             strstr(tarnwick_last_error(), "libgeo-coordinates-osgb-perl") != NULL;
        _exit(ok ? 0 : 1);
    }
    CHECK(child > 0 && waitpid(child, &child_status, 0) == child);
    CHECK(WIFEXITED(child_status) && WEXITSTATUS(child_status) == 0);
}

/* NULL where the pair needs an array, or no transform: 0 and nothing written; count 0 needs no
   arrays; status and the arrays a pair does not use may be NULL. */
TEST_CASE(null_arrays_and_count_zero_write_nothing) {
    tarnwick_transform* t = tarnwick_transform_create("utm", "bng", NULL, 0);
    const double zone = 30, e = 699293, n = 5709783;
    double out1 = 7, out2 = 7;
    int status = 7;
    CHECK_INT(tarnwick_transform_points(NULL, 1, &zone, &e, &n, &out1, &out2, NULL, &status), 0);
    CHECK_INT(tarnwick_transform_points(t, 1, &zone, &e, NULL, &out1, &out2, NULL, &status), 0);
    CHECK_INT(tarnwick_transform_points(t, 1, &zone, &e, &n, &out1, NULL, NULL, &status), 0);
    CHECK_INT(tarnwick_transform_points(t, 0, NULL, NULL, NULL, NULL, NULL, NULL, NULL), 0);
    CHECK(out1 == 7 && out2 == 7 && status == 7);
    CHECK_INT(tarnwick_transform_points(t, 1, &zone, &e, &n, &out1, &out2, NULL, NULL), 1);
    CHECK(out1 == 530000 && out2 == 180000);
    tarnwick_transform_destroy(t);
}

/* Two threads converting through one transform at once get the results of one thread. */
struct thread_work {
    const tarnwick_transform* t;
    const double *easting, *northing;
    double latitude[random_count], longitude[random_count];
    int status[random_count];
    int refused_elsewhere;
};

static void* convert_on_thread(void* argument) {
    struct thread_work* w = argument;
    int round;
    /* This thread's last error is its own. */
    w->refused_elsewhere = tarnwick_transform_create("mars", "utm", NULL, 0) == NULL;
    for (round = 0; round < 20; ++round) {
        tarnwick_transform_points(w->t, random_count, w->easting, w->northing, NULL, w->latitude,
                                  w->longitude, NULL, w->status);
    }
    return NULL;
}

TEST_CASE(two_threads_on_one_transform_agree_with_one_thread) {
    static double easting[random_count], northing[random_count];
    static struct thread_work alone, work[2];
    pthread_t threads[2];
    int i;
    tarnwick_transform* t = tarnwick_transform_create("bng", "wgs84", NULL, 0);
    random_bng(easting, northing, random_count);
    alone.t = t;
    alone.easting = easting;
    alone.northing = northing;
    tarnwick_transform_points(t, random_count, easting, northing, NULL, alone.latitude,
                              alone.longitude, NULL, alone.status);
    for (i = 0; i < 2; ++i) {
        work[i] = alone;
        CHECK_INT(pthread_create(&threads[i], NULL, convert_on_thread, &work[i]), 0);
    }
    for (i = 0; i < 2; ++i) {
        CHECK_INT(pthread_join(threads[i], NULL), 0);
        CHECK(work[i].refused_elsewhere);
        CHECK(memcmp(work[i].latitude, alone.latitude, sizeof alone.latitude) == 0);
        CHECK(memcmp(work[i].longitude, alone.longitude, sizeof alone.longitude) == 0);
        CHECK(memcmp(work[i].status, alone.status, sizeof alone.status) == 0);
    }
    CHECK(strcmp(tarnwick_last_error(), "") == 0);
    tarnwick_transform_destroy(t);
}

int main(int argc, char** argv) {
    static const struct test_case cases[] = {
        CASE(every_pair_by_helmert_gives_the_tool_s_result),
        CASE(every_pair_by_ostn15_gives_the_tool_s_result),
        CASE(failing_points_get_nan_and_their_kind),
        CASE(status_names_are_the_failure_kinds_full_names),
        CASE(refused_transforms_say_why),
        CASE(precise_mode_without_its_shift_grid_names_the_file),
        CASE(null_arrays_and_count_zero_write_nothing),
        CASE(two_threads_on_one_transform_agree_with_one_thread),
    };
    return run_test_cases(cases, COUNT_OF(cases), argc, argv);
}
