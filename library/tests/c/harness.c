#include "harness.h"

#include <math.h>
#include <stdio.h>
#include <string.h>

static int failed_checks = 0;

void check_that(int ok, const char* file, int line, const char* text) {
    if (!ok) {
        ++failed_checks;
        fprintf(stderr, "%s:%d: check failed: %s\n", file, line, text);
    }
}

void check_int(long long actual, long long expected, const char* file, int line, const char* text) {
    if (actual != expected) {
        ++failed_checks;
        fprintf(stderr, "%s:%d: %s is %lld, expected %lld\n", file, line, text, actual, expected);
    }
}

void check_double(double actual, double expected, double tolerance, const char* file, int line,
                  const char* text) {
    if (!(fabs(actual - expected) <= tolerance)) {
        ++failed_checks;
        fprintf(stderr, "%s:%d: %s is %.17g, expected %.17g within %g\n", file, line, text, actual,
                expected, tolerance);
    }
}

static int run_one(const struct test_case* test) {
    const int before = failed_checks;
    test->run();
    const int ok = failed_checks == before;
    printf("[%s] %s\n", ok ? "  OK  " : "FAILED", test->name);
    return ok;
}

int run_test_cases(const struct test_case* cases, size_t count, int argc, char** argv) {
    size_t i;
    if (argc > 1) {
        for (i = 0; i < count; ++i) {
            if (strcmp(cases[i].name, argv[1]) == 0) {
                return run_one(&cases[i]) ? 0 : 1;
            }
        }
        fprintf(stderr, "unknown test case: %s\n", argv[1]);
        return 1;
    }
    for (i = 0; i < count; ++i) {
        run_one(&cases[i]);
    }
    return failed_checks == 0 ? 0 : 1;
}
