#include "utm-bng-utilities.hpp"

#include <cstdlib>

namespace utm::bng::utilities {

namespace {

constexpr long_float hundred_kilometres = 100000.0;  // metres: unit of the curves' argument

/// Whether the rounded curve easting `y` lies less than `overlap_delta` from `easting_bng`.
bool is_near(long_float y, easting_integer_bng easting_bng) {
    const easting_integer_bng curve = easting_integer_bng::round(y);
    return std::abs(curve.value() - easting_bng.value()) < overlap_delta.value();
}

/// Near the grid curve that follows the meridian of 0 degrees (within a few kilometres).
bool is_near_long_0_degree(northing_integer_bng northing_bng, easting_integer_bng easting_bng) {
    const long_float x = northing_bng.value() / hundred_kilometres;
    const long_float y = 546429.0 - 2634.0 * x - 18.106 * (x * x) + 0.1195 * (x * x * x);
    return is_near(y, easting_bng);
}

/// Near the grid curve that follows the meridian of 6 degrees west.
bool is_near_long_w6_degree(northing_integer_bng northing_bng, easting_integer_bng easting_bng) {
    const long_float x = northing_bng.value() / hundred_kilometres;
    const long_float y = 107149.0 + 5271.2 * x + 36.318 * (x * x) + 0.2394 * (x * x * x);
    return is_near(y, easting_bng);
}

}  // namespace

is_in_overlap_region_result is_in_overlap_region(northing_integer_bng northing_bng,
                                                 easting_integer_bng easting_bng) {
    if (is_near_long_0_degree(northing_bng, easting_bng))
        return {true, 30, 31};
    if (is_near_long_w6_degree(northing_bng, easting_bng))
        return {true, 29, 30};
    return {false, 1, 1};
}

}  // namespace utm::bng::utilities
