// Lettered National Grid references ("TG 51410 13177"): two letters name a 100 km square,
// the digits (the same number for easting and northing) the position inside it.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tarnwick_convert {

/// A National Grid point in whole metres (easting 0 .. 700000, northing 0 .. 1300000).
struct bng_point {
    std::int32_t easting;
    std::int32_t northing;
};

/// A reference that names no square of the National Grid. This code stands below both the
/// command-line tool and the desktop program and needs nothing but the standard library, so
/// it raises its own error; `kind()` tells malformed text from a square off the grid.
class grid_reference_error : public std::invalid_argument {
  public:
    enum class reason { malformed, easting_out_of_range, northing_out_of_range };
    grid_reference_error(reason why, const std::string& message)
        : std::invalid_argument(message), why_(why) {}
    reason kind() const noexcept { return why_; }

  private:
    reason why_;
};

/// Reads a lettered reference with 0 to 10 digits, with or without blanks between the letters
/// and the two halves ("TG 51410 13177", "TG5141013177", "tg 514 131", "TG" for the 100 km
/// square alone). The result is the south-west corner of the square the reference names. Raises
/// `grid_reference_error`: kind `malformed` for malformed text, `easting_out_of_range` or
/// `northing_out_of_range` for a square outside the grid.
bng_point parse_grid_reference(std::string_view text);

/// Writes the reference of the square of `digits` / 2 figures per axis (0 .. 10 digits) that
/// holds the point, letters and halves separated by blanks ("TG 51410 13177"); 0 digits give
/// the letters alone. The figures are truncated, never rounded, so the square always contains the
/// point.
std::string format_grid_reference(bng_point point, int digits);

/// The south-west corner of the whole-metre square that holds a National Grid point given in
/// metres, not rounded (531499.9457 882249.6589 -> 531499 882249), so that every reference
/// made from it names a square that holds the point. Raises `grid_reference_error`:
/// `easting_out_of_range` or `northing_out_of_range` where that square is not one a reference
/// names (a value below 0, or from 700001 east or 1300001 north), `malformed` for NaN.
bng_point metre_square(double easting, double northing);

}  // namespace tarnwick_convert
