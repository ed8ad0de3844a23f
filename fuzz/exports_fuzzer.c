/*
 * libFuzzer target of the C interface: runs a sequence of calls of all eight exports with
 * arbitrary arguments and aborts unless every call gives either a complete, plausible set of
 * results or the complete set of failure values, writes every out-parameter, and leaves the
 * byte next to a one-byte zone alone.
 *
 * Input: repeated records of one selector byte (modulo 8 picks the export) followed by that
 * export's in-arguments, a signed char as one byte and an int as four bytes, little-endian.
 * Missing bytes read as zero.
 */
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include "tarnwick.h"

struct input {
    const uint8_t* data;
    size_t size;
};

static uint8_t next_byte(struct input* in) {
    uint8_t b = 0;
    if (in->size > 0) {
        b = *in->data++;
        --in->size;
    }
    return b;
}

static int next_int(struct input* in) {
    uint32_t v = 0;
    int shift;
    for (shift = 0; shift < 32; shift += 8) {
        v |= (uint32_t)next_byte(in) << shift;
    }
    return (int)v; /* two's complement on every platform this builds for */
}

static signed char next_zone(struct input* in) {
    return (signed char)next_byte(in);
}

/* Aborts, so that libFuzzer records the input, when a property does not hold. */
static void require(int ok) {
    if (!ok) {
        abort();
    }
}

static int in_range(long long v, long long first, long long last) {
    return v >= first && v <= last;
}
static int bng_ok(int easting, int northing) {
    return in_range(easting, 0, 700000) && in_range(northing, 0, 1300000);
}
static int utm_ok(signed char zone, int easting, int northing) {
    return in_range(zone, -60, 60) && in_range(easting, 0, 999999) &&
           in_range(northing, 0, 11000000);
}

/* Values no export writes; one left behind means an out-parameter was skipped. */
#define UNWRITTEN_INT 0x5A5A5A5A
#define UNWRITTEN_ZONE ((signed char)0x5A)
#define UNWRITTEN_ANGLE 5.0e5
#define GUARD 0xA5

/* A one-byte zone with guard bytes on both sides. */
struct guarded_zone {
    uint8_t before;
    signed char zone;
    uint8_t after;
};
static struct guarded_zone guarded(void) {
    struct guarded_zone g = {GUARD, UNWRITTEN_ZONE, GUARD};
    return g;
}
static void require_guards(const struct guarded_zone* g) {
    require(g->before == GUARD && g->after == GUARD);
}

static void fuzz_bng_to_utm(struct input* in) {
    const int easting = next_int(in), northing = next_int(in);
    struct guarded_zone zone = guarded();
    int utm_easting = UNWRITTEN_INT, utm_northing = UNWRITTEN_INT;
    convert_bng_to_utm(easting, northing, &zone.zone, &utm_easting, &utm_northing);
    require_guards(&zone);
    if (bng_ok(easting, northing)) {
        /* The zone of a grid point's longitude; eastings and northings are clamped. */
        require(in_range(zone.zone, 29, 31) && in_range(utm_easting, 0, 999999) &&
                in_range(utm_northing, 0, 11000000));
    } else {
        require(zone.zone == -1 && utm_easting == -1 && utm_northing == -1);
    }
}

static void fuzz_utm_to_bng(struct input* in) {
    const signed char zone = next_zone(in);
    const int northing = next_int(in), easting = next_int(in);
    int bng_easting = UNWRITTEN_INT, bng_northing = UNWRITTEN_INT;
    convert_utm_to_bng(zone, northing, easting, &bng_easting, &bng_northing);
    if (bng_easting == -1 || bng_northing == -1) {
        require(bng_easting == -1 && bng_northing == -1);
    } else {
        require(utm_ok(zone, easting, northing) && in_range(zone, 29, 31));
        require(bng_ok(bng_easting, bng_northing));
    }
}

static void fuzz_wgs84(struct input* in) {
    const int easting = next_int(in), northing = next_int(in);
    double latitude = UNWRITTEN_ANGLE, longitude = UNWRITTEN_ANGLE;
    from_bng_to_wgs84_lat_long(easting, northing, &latitude, &longitude);
    if (bng_ok(easting, northing)) {
        /* Great Britain and its grid: about 49.7 .. 61.6 degrees north, 9.5 W .. 3.7 E. */
        require(latitude > 0.86 && latitude < 1.08 && longitude > -0.17 && longitude < 0.07);
    } else {
        require(latitude == -1000.0 && longitude == -1000.0);
    }
}

static void fuzz_overlap_region(struct input* in) {
    const int northing = next_int(in), easting = next_int(in);
    struct guarded_zone zone_w = guarded(), zone_e = guarded();
    int flag = UNWRITTEN_INT;
    is_in_overlap_region(northing, easting, &flag, &zone_w.zone, &zone_e.zone);
    require_guards(&zone_w);
    require_guards(&zone_e);
    if (!bng_ok(easting, northing)) {
        require(flag == -1 && zone_w.zone == -1 && zone_e.zone == -1);
    } else if (flag == 0) {
        require((zone_w.zone == 30 && zone_e.zone == 31) ||
                (zone_w.zone == 29 && zone_e.zone == 30));
    } else {
        require(flag == 1 && zone_w.zone == 1 && zone_e.zone == 1);
    }
}

/* Zones side by side in one hemisphere; 60 and 1 meet at 180 degrees. */
static int neighbour_zones(signed char zone, signed char other) {
    const int a = abs(zone), b = abs(other);
    return zone != 0 && (zone > 0) == (other > 0) && (b == a % 60 + 1 || a == b % 60 + 1);
}

static void fuzz_overlapping_zone(struct input* in) {
    const signed char zone = next_zone(in);
    const int easting = next_int(in), northing = next_int(in);
    struct guarded_zone overlap = guarded();
    int flag = UNWRITTEN_INT;
    is_overlapping_zone(zone, easting, northing, &flag, &overlap.zone);
    require_guards(&overlap);
    if (flag == -1) {
        require(overlap.zone == -1);
    } else {
        require(utm_ok(zone, easting, northing));
        require((flag == 1 && overlap.zone == zone) ||
                (flag == 0 && neighbour_zones(zone, overlap.zone)));
    }
}

static void fuzz_overlap_zone(struct input* in) {
    const signed char zone = next_zone(in);
    const int easting = next_int(in), northing = next_int(in);
    const signed char overlap_zone = next_zone(in);
    int overlap_easting = UNWRITTEN_INT, overlap_northing = UNWRITTEN_INT;
    convert_to_overlap_zone(zone, easting, northing, overlap_zone, &overlap_easting,
                            &overlap_northing);
    if (overlap_easting == -1 || overlap_northing == -1) {
        require(overlap_easting == -1 && overlap_northing == -1);
    } else {
        require(utm_ok(zone, easting, northing) && in_range(overlap_zone, -60, 60));
        require(in_range(overlap_easting, 0, 999999) && in_range(overlap_northing, 0, 11000000));
    }
}

int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    struct input in;
    in.data = data;
    in.size = size;
    while (in.size > 0) {
        switch (next_byte(&in) % 8) {
            case 0:
                initialize_api();
                break;
            case 1:
                finalize_api();
                break;
            case 2:
                fuzz_bng_to_utm(&in);
                break;
            case 3:
                fuzz_utm_to_bng(&in);
                break;
            case 4:
                fuzz_wgs84(&in);
                break;
            case 5:
                fuzz_overlap_region(&in);
                break;
            case 6:
                fuzz_overlapping_zone(&in);
                break;
            default:
                fuzz_overlap_zone(&in);
                break;
        }
    }
    return 0;
}
