/* Converts one National Grid point through an installed libtarnwick.so and checks the
   answer; exits with 0 when the library gives the known result. */
#include <stdio.h>

#include <tarnwick.h>

int main(void) {
    signed char zone = 0;
    int easting = 0, northing = 0;
    double latitude = 0.0, longitude = 0.0;

    initialize_api();
    convert_bng_to_utm(400000, 100000, &zone, &easting, &northing);
    from_bng_to_wgs84_lat_long(400000, 100000, &latitude, &longitude);
    finalize_api();

    printf("BNG 400000 100000 -> UTM zone %d, %d E, %d N; latitude %.9f, longitude %.9f rad\n",
           zone, easting, northing, latitude, longitude);
    if (zone != 30 || easting != 570374 || northing != 5628011) {
        return 1;
    }
    /* About 50.8 degrees north, 2.0 degrees west. */
    return latitude > 0.886 && latitude < 0.887 && longitude > -0.0350 && longitude < -0.0349 ? 0
                                                                                              : 1;
}
