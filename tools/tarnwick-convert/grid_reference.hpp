// Lettered National Grid references ("TG 51410 13177"): two letters name a 100 km square,
// the digits (the same number for easting and northing) the position inside it.
#pragma once

#include <string>
#include <string_view>

#include "utm-bng.hpp"

namespace tarnwick_convert {

/// A National Grid point in whole metres.
struct bng_point {
    utm::bng::easting_integer_bng easting;
    utm::bng::northing_integer_bng northing;
};

/// Reads a lettered reference with 2 to 10 digits, with or without blanks between the letters
/// and the two halves ("TG 51410 13177", "TG5141013177", "tg 514 131"). The result is the
/// south-west corner of the square the reference names. Malformed text raises
/// `constraint_error`; a square outside the grid raises `easting_out_of_range` or
/// `northing_out_of_range`.
bng_point parse_grid_reference(std::string_view text);

/// Writes the reference of the square of `digits` / 2 figures per axis (0 .. 10 digits) that
/// holds the point, letters and halves separated by blanks ("TG 51410 13177"); 0 digits give
/// the letters alone. The figures are
/// truncated, never rounded, so the square always contains the point.
std::string format_grid_reference(bng_point point, int digits);

}  // namespace tarnwick_convert
