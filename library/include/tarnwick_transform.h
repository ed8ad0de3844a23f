/*
 * tarnwick_transform: whole arrays of points between the British National Grid, UTM, WGS84,
 * ETRS89 and the Swiss grids LV03 and LV95, by the seven-parameter Helmert transformation or
 * by OSTN15 (precise mode), with a status per point.
 *
 * A transform is made once for a pair of systems and a method, then applied to any number of
 * arrays. It holds no state that a conversion changes: one transform may convert on several
 * threads at once, and creating and destroying transforms is safe from any thread. No function
 * aborts, prints or lets an exception out; each is plain C.
 *
 * Results are those of the library's array conversions and of tarnwick-convert for the same
 * points: by Helmert, grid values in whole metres; by OSTN15, grid values in metres as computed
 * (not rounded); angles always in decimal degrees.
 */
#ifndef TARNWICK_TRANSFORM_H
#define TARNWICK_TRANSFORM_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

/*
 * The status of a point: TARNWICK_OK where it converted, else the kind of failure that stopped
 * it. The values are stable; new kinds get new numbers.
 */
enum tarnwick_status {
    TARNWICK_OK = 0,
    TARNWICK_CONSTRAINT_ERROR = 1,      /* an input or result outside its range, or NaN */
    TARNWICK_ARGUMENT_ERROR = 2,        /* an elementary function outside its domain */
    TARNWICK_ZONE_OUT_OF_RANGE = 3,     /* a zone the target grid does not take */
    TARNWICK_EASTING_OUT_OF_RANGE = 4,  /* outside the target grid, east or west */
    TARNWICK_NORTHING_OUT_OF_RANGE = 5, /* outside the target grid, north or south */
    TARNWICK_DATA_UNAVAILABLE = 6,      /* precise mode without its shift grid */
    TARNWICK_UNEXPECTED = 7             /* anything else */
};

typedef struct tarnwick_transform tarnwick_transform;

/*
 * A transform from one system to another by a method.
 * from, to: "bng", "utm", "wgs84", "etrs89", "lv03", "lv95" (case-insensitive; the tool's aliases
 * too: "osgb36" for bng, "latlon" for wgs84); method: NULL or "helmert" (the default), or
 * "ostn15" (in any case); zone: 0 = each point in the zone of its longitude, else the zone
 * (-60 .. 60, not 0) of every UTM result. NULL on failure, with the reason in
 * tarnwick_last_error(); a transform that is made clears it.
 * etrs89 converts only by "ostn15", which joins the National Grid with wgs84, etrs89 and utm
 * (zones 29 .. 31), either way; utm to utm needs the zone to change to. "ostn15" also fails
 * while its shift grid is missing or damaged: the reason then names the file and how to get it.
 * Release the transform with tarnwick_transform_destroy.
 */
tarnwick_transform* tarnwick_transform_create(const char* from, const char* to, const char* method,
                                              int zone);

/*
 * Converts count points. Coordinates in the tool's order: bng (easting, northing), utm (zone,
 * easting, northing; the zone negative south of the equator), wgs84 and etrs89 (latitude,
 * longitude, decimal degrees), lv03 and lv95 (easting, northing); metres for grids. in3 / out3
 * are NULL (or ignored) for systems of two values. By Helmert, grid inputs are rounded to whole
 * metres (halves away from zero). A failing point gets NaN in every output and its failure kind
 * in status[i] (0 for a converted point; status may be NULL). An output array may be an input
 * array: the points are then converted in place. Returns the number of points converted; 0,
 * with nothing written, when t or an array the pair needs is NULL; count 0 writes nothing and
 * needs no arrays. Never writes outside the arrays, never aborts, never prints.
 */
size_t tarnwick_transform_points(const tarnwick_transform* t, size_t count, const double* in1,
                                 const double* in2, const double* in3, double* out1, double* out2,
                                 double* out3, int* status);

/* Releases a transform made by tarnwick_transform_create; NULL does nothing. */
void tarnwick_transform_destroy(tarnwick_transform* t);

/*
 * The failure kind's full name ("UTM.EXCEPTIONS.EASTING_OUT_OF_RANGE", ...); "" for 0 and for a
 * value that is no status. Never NULL; the text lives as long as the library.
 */
const char* tarnwick_status_name(int status);

/*
 * The reason the last tarnwick_transform_create on this thread returned NULL (a thread-local
 * text); "" when it made its transform, or before any call. Valid until the thread's next create.
 */
const char* tarnwick_last_error(void);

/* The project's version, "MAJOR.MINOR.PATCH". */
const char* tarnwick_version(void);

#ifdef __cplusplus
}
#endif

#endif
