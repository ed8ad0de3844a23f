/* Loads libtarnwick.so at run time, as a program binding its functions by name would: every
   export is found under its plain name, and neither loading, starting, converting nor
   unloading the library changes the process's signal handlers. The path of the library is
   the first argument. */
#define _POSIX_C_SOURCE 200809L /* sigaction, pthreads */

#include <dlfcn.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>

#include "harness.h"

static const char* library_path;

/* The signals through which a processor fault or an abort would reach a handler. */
static const int fault_signals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGTRAP};
enum { signal_count = sizeof fault_signals / sizeof fault_signals[0] };

static void record_handlers(struct sigaction* handlers) {
    int i;
    for (i = 0; i < signal_count; ++i) {
        memset(&handlers[i], 0, sizeof handlers[i]);
        CHECK_INT(sigaction(fault_signals[i], NULL, &handlers[i]), 0);
    }
}

static int same_handlers(const struct sigaction* a, const struct sigaction* b) {
    int i;
    for (i = 0; i < signal_count; ++i) {
        if (a[i].sa_handler != b[i].sa_handler || a[i].sa_flags != b[i].sa_flags) {
            return 0;
        }
    }
    return 1;
}

/* Looks up an export; the cast from object to function pointer goes through memcpy, the
   form that ISO C leaves well-defined enough for every compiler to accept quietly. */
#define LOOK_UP(handle, name, variable)                  \
    do {                                                 \
        void* symbol_ = dlsym((handle), #name);          \
        CHECK(symbol_ != NULL);                          \
        memcpy(&(variable), &symbol_, sizeof(variable)); \
    } while (0)

TEST_CASE(loading_and_using_the_library_installs_no_signal_handler) {
    struct sigaction before[signal_count], after[signal_count];
    void (*initialize)(void) = NULL;
    void (*finalize)(void) = NULL;
    void (*bng_to_utm)(int, int, signed char*, int*, int*) = NULL;
    signed char zone = 0;
    int easting = 0, northing = 0;
    void* handle;

    record_handlers(before);
    handle = dlopen(library_path, RTLD_NOW | RTLD_LOCAL);
    if (handle == NULL) {
        fprintf(stderr, "%s\n", dlerror());
    }
    CHECK(handle != NULL);
    if (handle == NULL) {
        return;
    }
    LOOK_UP(handle, initialize_api, initialize);
    LOOK_UP(handle, finalize_api, finalize);
    LOOK_UP(handle, convert_bng_to_utm, bng_to_utm);
    CHECK(dlsym(handle, "convert_utm_to_bng") != NULL);
    CHECK(dlsym(handle, "from_bng_to_wgs84_lat_long") != NULL);
    CHECK(dlsym(handle, "is_in_overlap_region") != NULL);
    CHECK(dlsym(handle, "is_overlapping_zone") != NULL);
    CHECK(dlsym(handle, "convert_to_overlap_zone") != NULL);
    if (initialize == NULL || finalize == NULL || bng_to_utm == NULL) {
        return;
    }

    initialize();
    bng_to_utm(400000, 100000, &zone, &easting, &northing);
    CHECK(zone == 30 && easting == 570374 && northing == 5628011);
    bng_to_utm(-1, -1, &zone, &easting, &northing); /* a failure on the way */
    finalize();
    record_handlers(after);
    CHECK(same_handlers(before, after));
    CHECK_INT(zone, -1);

    CHECK_INT(dlclose(handle), 0);
    record_handlers(after);
    CHECK(same_handlers(before, after));
}

int main(int argc, char** argv) {
    static const struct test_case cases[] = {
        CASE(loading_and_using_the_library_installs_no_signal_handler),
    };
    if (argc < 2) {
        fprintf(stderr, "usage: %s LIBRARY [CASE]\n", argv[0]);
        return 2;
    }
    library_path = argv[1];
    return run_test_cases(cases, COUNT_OF(cases), argc - 1, argv + 1);
}
