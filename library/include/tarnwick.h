/*
 * tarnwick: conversions between the British National Grid (OSGB36, Airy 1830) and UTM on
 * WGS84/GRS80, and the WGS84 latitude and longitude of a National Grid point.
 *
 * Grid values are whole metres, angles radians. No function returns a value: results go
 * to the caller's variables through the out-parameters. On any failure (an argument out of
 * range, a point outside the target grid) every out-parameter of the call receives its
 * failure value instead:
 *     zones, eastings, northings, overlap flag   -1
 *     latitude, longitude                        -1000.0
 * A call gives either a complete set of results or a complete set of failure values.
 * A null out-parameter is skipped; the others are written as usual.
 *
 * The library starts itself when it is loaded; initialize_api and finalize_api may be
 * called any number of times, in any order, and change no result. Every function may be
 * called from several threads at once.
 */
#ifndef TARNWICK_H
#define TARNWICK_H

#ifdef __cplusplus
extern "C" {
#endif

/* Starts the library's modules; repeatable, later calls do nothing. */
void initialize_api(void);

/* The library's final step; harmless, conversions keep working after it. */
void finalize_api(void);

/*
 * National Grid point (easting 0..700000, northing 0..1300000) to UTM on WGS84: the zone of
 * the point's WGS84 longitude (29, 30 or 31 over Great Britain), easting, northing.
 * *zone_utm is one byte. Failure: -1, -1, -1.
 */
void convert_bng_to_utm(int easting_bng, int northing_bng, signed char* zone_utm,
                        int* easting_utm, int* northing_utm);

/*
 * UTM point to the National Grid. Note the order: northing before easting.
 * zone_utm -60..60 (only 29..31 convert), northing 0..11000000, easting 0..999999.
 * Failure (also for points more than 3 m outside the National Grid): -1, -1.
 */
void convert_utm_to_bng(signed char zone_utm, int northing_utm, int easting_utm,
                        int* easting_bng, int* northing_bng);

/*
 * WGS84 latitude and longitude (radians) of a National Grid point.
 * Failure: -1000.0, -1000.0.
 */
void from_bng_to_wgs84_lat_long(int easting_bng, int northing_bng, double* latitude,
                                double* longitude);

/*
 * Whether a National Grid point lies within 50 km of the UTM zone boundaries at 0 or 6
 * degrees west. Note the order: northing before easting.
 * *is_overlapping: 0 when the point IS in an overlap strip, 1 when it is not, -1 on failure.
 * *overlap_zone_w, *overlap_zone_e (one byte each): the zones west and east of the boundary
 * (30 and 31, or 29 and 30); 1 and 1 outside the strips; -1 and -1 on failure.
 */
void is_in_overlap_region(int northing_bng, int easting_bng, int* is_overlapping,
                          signed char* overlap_zone_w, signed char* overlap_zone_e);

/*
 * Whether a UTM point (zone -60..60, easting 0..999999, northing 0..11000000) lies within
 * 0.01 rad of longitude of its zone's western or eastern limit.
 * *is_overlapping: 0 when it does, 1 when it does not, -1 on failure.
 * *overlap_zone (one byte): the neighbouring zone, or the point's own zone; -1 on failure.
 */
void is_overlapping_zone(signed char zone, int easting, int northing, int* is_overlapping,
                         signed char* overlap_zone);

/*
 * Re-expresses a UTM point in another zone (normally the neighbouring one).
 * Failure: -1, -1.
 */
void convert_to_overlap_zone(signed char zone, int easting, int northing,
                             signed char overlap_zone, int* overlap_easting,
                             int* overlap_northing);

#ifdef __cplusplus
}
#endif

#endif /* TARNWICK_H */
