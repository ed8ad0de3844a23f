// The C header compiled as C++: it must declare the eight functions with C linkage and
// exactly the parameter types of the interface, so that a C++ program binds them by name.
#include <cstdio>
#include <type_traits>

#include "tarnwick.h"

static_assert(std::is_same_v<decltype(&initialize_api), void (*)()>);
static_assert(std::is_same_v<decltype(&finalize_api), void (*)()>);
static_assert(
    std::is_same_v<decltype(&convert_bng_to_utm), void (*)(int, int, signed char*, int*, int*)>);
static_assert(
    std::is_same_v<decltype(&convert_utm_to_bng), void (*)(signed char, int, int, int*, int*)>);
static_assert(
    std::is_same_v<decltype(&from_bng_to_wgs84_lat_long), void (*)(int, int, double*, double*)>);
static_assert(std::is_same_v<decltype(&is_in_overlap_region),
                             void (*)(int, int, int*, signed char*, signed char*)>);
static_assert(std::is_same_v<decltype(&is_overlapping_zone),
                             void (*)(signed char, int, int, int*, signed char*)>);
static_assert(std::is_same_v<decltype(&convert_to_overlap_zone),
                             void (*)(signed char, int, int, signed char, int*, int*)>);

int main() {
    // Linking proves the C++ declarations name the library's unmangled C symbols.
    initialize_api();
    signed char zone = 0;
    int easting = 0;
    int northing = 0;
    convert_bng_to_utm(400000, 100000, &zone, &easting, &northing);
    finalize_api();
    if (zone != 30 || easting != 570374 || northing != 5628011) {
        std::fprintf(stderr, "convert_bng_to_utm from C++: %d %d %d\n", zone, easting, northing);
        return 1;
    }
    return 0;
}
