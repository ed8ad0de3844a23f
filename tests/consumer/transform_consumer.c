/* Checks an installed libtarnwick_transform.so: the Ordnance Survey's published OSTN15 test
   points (the table named by the first argument) ETRS89 -> BNG within 1 mm and BNG -> ETRS89
   within 1e-8 degrees, and BNG -> UTM by Helmert giving the integers (and the failures) of
   libtarnwick.so's convert_bng_to_utm on random points, also converted in place. Exits with 0 when
   every check holds; precise mode is skipped, and said so, where the installed copy has no shift
   grid. */
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <tarnwick.h>
#include <tarnwick_transform.h>

enum { most_points = 64, random_points = 10000 };

static double lat[most_points], lon[most_points], e[most_points], n[most_points];

static size_t read_points(const char* file) {
    char line[512];
    size_t count = 0;
    FILE* table = fopen(file, "r");
    while (table != NULL && count < most_points && fgets(line, sizeof line, table) != NULL) {
        double height;
        char name[32];
        if (sscanf(line, "%31s %lf %lf %lf %lf %lf", name, &lat[count], &lon[count], &height,
                   &e[count], &n[count]) == 6) {
            ++count;
        }
    }
    if (table != NULL) {
        fclose(table);
    }
    return count;
}

/* Whether both ways hold over the published points; true, with a note, without a shift grid. */
static int precise_mode_holds(size_t count) {
    double a[most_points], b[most_points], grid = 0.0, angle = 0.0;
    size_t i, both = 0;
    tarnwick_transform* to_grid = tarnwick_transform_create("etrs89", "bng", "ostn15", 0);
    tarnwick_transform* from_grid = tarnwick_transform_create("bng", "etrs89", "ostn15", 0);
    if (to_grid == NULL || from_grid == NULL) {
        printf("precise mode skipped: %s\n", tarnwick_last_error());
        tarnwick_transform_destroy(to_grid);
        return 1;
    }
    both += tarnwick_transform_points(to_grid, count, lat, lon, NULL, a, b, NULL, NULL);
    for (i = 0; i < count; ++i) {
        grid = fmax(grid, fmax(fabs(a[i] - e[i]), fabs(b[i] - n[i])));
    }
    both += tarnwick_transform_points(from_grid, count, e, n, NULL, a, b, NULL, NULL);
    for (i = 0; i < count; ++i) {
        angle = fmax(angle, fmax(fabs(a[i] - lat[i]), fabs(b[i] - lon[i])));
    }
    tarnwick_transform_destroy(to_grid);
    tarnwick_transform_destroy(from_grid);
    printf("%zu published points by OSTN15: to the grid within %.6f m, back within %.2e degrees\n",
           count, grid, angle);
    return both == 2 * count && grid <= 0.001 && angle <= 1e-8;
}

/* convert_bng_to_utm takes whole metres: the transform rounds halves away from zero. */
static int whole(double metres) {
    return (int)(metres < 0 ? -floor(-metres + 0.5) : floor(metres + 0.5));
}

/* BNG -> UTM by Helmert against convert_bng_to_utm, point by point, on random points over the
   grid and a little beyond, every second one not in whole metres; then again in place. */
static int helmert_matches_the_exports(void) {
    static double easting[random_points], northing[random_points];
    static double zone[random_points], utm_e[random_points], utm_n[random_points];
    static int status[random_points];
    size_t i, same = 0, converted = 0, first;
    tarnwick_transform* t = tarnwick_transform_create("bng", "utm", NULL, 0);
    srand(24);
    for (i = 0; i < random_points; ++i) {
        easting[i] = rand() % 740000 - 20000 + (i % 2 ? rand() % 1000 / 1000.0 : 0.0);
        northing[i] = rand() % 1340000 - 20000 + (i % 2 ? rand() % 1000 / 1000.0 : 0.0);
    }
    first = tarnwick_transform_points(t, random_points, easting, northing, NULL, zone, utm_e, utm_n,
                                      status);
    for (i = 0; i < random_points; ++i) {
        signed char z = 0;
        int ue = 0, un = 0;
        convert_bng_to_utm(whole(easting[i]), whole(northing[i]), &z, &ue, &un);
        converted += status[i] == TARNWICK_OK;
        same += z == -1
                    ? status[i] != TARNWICK_OK && isnan(zone[i]) && isnan(utm_e[i])
                    : status[i] == TARNWICK_OK && z == zone[i] && ue == utm_e[i] && un == utm_n[i];
    }
    /* In place: the results written over the inputs are the same values. */
    if (tarnwick_transform_points(t, random_points, easting, northing, NULL, zone, easting,
                                  northing, NULL) != first ||
        memcmp(easting, utm_e, sizeof easting) != 0 ||
        memcmp(northing, utm_n, sizeof northing) != 0) {
        same = 0;
    }
    tarnwick_transform_destroy(t);
    printf(
        "%zu of %d random points by Helmert as convert_bng_to_utm gives them, %zu converted "
        "(tarnwick %s)\n",
        same, random_points, converted, tarnwick_version());
    return same == random_points && first == converted && converted < random_points;
}

int main(int argc, char** argv) {
    const size_t count = argc > 1 ? read_points(argv[1]) : 0;
    if (count != 20) {
        fprintf(stderr, "usage: %s OSTN15-TEST-POINTS.tsv (20 points; read %zu)\n", argv[0], count);
        return 2;
    }
    return precise_mode_holds(count) && helmert_matches_the_exports() ? 0 : 1;
}
