/* Converts an array of National Grid points to UTM by both methods: the Helmert transformation
   (whole metres) and OSTN15 (precise mode, to the millimetre). The example of docs/c-api.md. */
#include <stdio.h>

#include <tarnwick_transform.h>

enum { count = 4 };

/* Converts the points by `method`; 0 when the transform could be made. */
static int convert(const char* method, const double* easting, const double* northing) {
    double zone[count], utm_easting[count], utm_northing[count];
    int status[count];
    size_t i, converted;
    tarnwick_transform* t = tarnwick_transform_create("bng", "utm", method, 0);
    if (t == NULL) {
        fprintf(stderr, "%s: %s\n", method, tarnwick_last_error());
        return 1;
    }
    converted = tarnwick_transform_points(t, count, easting, northing, NULL, zone, utm_easting,
                                          utm_northing, status);
    printf("%s: %zu of %d points converted\n", method, converted, count);
    for (i = 0; i < count; ++i) {
        if (status[i] == TARNWICK_OK) {
            printf("  %.0f %.0f -> zone %.0f, %.3f E, %.3f N\n", easting[i], northing[i], zone[i],
                   utm_easting[i], utm_northing[i]);
        } else {
            printf("  %.0f %.0f -> %s\n", easting[i], northing[i], tarnwick_status_name(status[i]));
        }
    }
    tarnwick_transform_destroy(t);
    return 0;
}

int main(void) {
    const double easting[count] = {530000, 400000, 651410, 800000};
    const double northing[count] = {180000, 100000, 313177, 100000};
    printf("tarnwick %s\n", tarnwick_version());
    return convert("helmert", easting, northing) | convert("ostn15", easting, northing);
}
