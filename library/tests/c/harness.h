/*
 * A small test harness for the tests of the C interface, written in C so that the tests
 * prove the header is plain C. A test program defines its cases with TEST_CASE and lists
 * them in one table for run_test_cases; CTest runs every case in a process of its own.
 */
#ifndef TARNWICK_TEST_HARNESS_H
#define TARNWICK_TEST_HARNESS_H

#include <stddef.h>

/* Defines a test case; the build registers every TEST_CASE(name) at the start of a line. */
#define TEST_CASE(name) static void name(void)

/* An entry of a program's case table. */
#define CASE(name) \
    { #name, name }

struct test_case {
    const char* name;
    void (*run)(void);
};

/*
 * Runs the case named by argv[1], or every case when there is none. Returns the process exit
 * status: 0 when every check passed, 1 otherwise (also for an unknown case name).
 */
int run_test_cases(const struct test_case* cases, size_t count, int argc, char** argv);

/* Records one check; prints the place and the text of a failed one. */
void check_that(int ok, const char* file, int line, const char* text);
void check_int(long long actual, long long expected, const char* file, int line, const char* text);
void check_double(double actual, double expected, double tolerance, const char* file, int line,
                  const char* text);

#define CHECK(condition) check_that((condition) != 0, __FILE__, __LINE__, #condition)
#define CHECK_INT(actual, expected) \
    check_int((long long)(actual), (long long)(expected), __FILE__, __LINE__, #actual)
#define CHECK_NEAR(actual, expected, tolerance) \
    check_double((actual), (expected), (tolerance), __FILE__, __LINE__, #actual)

#define COUNT_OF(array) (sizeof(array) / sizeof((array)[0]))

#endif
