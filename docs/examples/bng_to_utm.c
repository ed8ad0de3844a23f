/* Converts one National Grid point to UTM through libtarnwick.so's C interface. */
#include <stdio.h>
#include <tarnwick.h>

int main(void) {
    signed char zone;
    int easting, northing;
    convert_bng_to_utm(400000, 100000, &zone, &easting, &northing);
    if (zone == -1) {
        return 1; /* outside the National Grid */
    }
    printf("zone %d, %d E, %d N\n", zone, easting, northing);
    return 0;
}
