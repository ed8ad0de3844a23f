// The array conversions' input rules, one function per rule: how a value of `batch::points` is
// read, for the general way, the Helmert chain's point-by-point way and the block kernel alike.
// Internal to the library.
#pragma once

#include <cmath>

#include "batch.hpp"

namespace batch::input {

/// Latitudes lie in -90 .. 90 degrees, longitudes in -180 up to (not including) 180.
inline constexpr double latitude_limit = 90.0;    // degrees
inline constexpr double longitude_limit = 180.0;  // degrees

/// A grid value (metres) read into `value`: rounded to whole metres as the library rounds
/// (halves away from zero) unless `exact`, and then in `first` .. `last`. `not_a_number` for
/// NaN and infinities, `outside` beyond the range (`value` is then the rounded value).
inline input_fault grid_value(double v, double first, double last, bool exact,
                              double& value) noexcept {
    if (!std::isfinite(v)) {
        return input_fault::not_a_number;
    }
    value = exact ? v : std::round(v);
    return value >= first && value <= last ? input_fault::none : input_fault::outside;
}

/// Whether `v` is a UTM zone: a whole number in -60 .. 60 other than 0 (NaN is none).
inline bool is_zone(double v) noexcept {
    return v == std::trunc(v) && v != 0.0 && v >= -60.0 && v <= 60.0;
}

/// A latitude in degrees: `not_a_number` for NaN, `outside` beyond -90 .. 90.
inline input_fault latitude_fault(double degrees) noexcept {
    if (std::isnan(degrees)) {
        return input_fault::not_a_number;
    }
    return degrees >= -latitude_limit && degrees <= latitude_limit ? input_fault::none
                                                                   : input_fault::outside;
}

/// A longitude in degrees: `not_a_number` for NaN, `outside` beyond -180 up to (not
/// including) 180.
inline input_fault longitude_fault(double degrees) noexcept {
    if (std::isnan(degrees)) {
        return input_fault::not_a_number;
    }
    return degrees >= -longitude_limit && degrees < longitude_limit ? input_fault::none
                                                                    : input_fault::outside;
}

}  // namespace batch::input
