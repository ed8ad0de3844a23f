// Lettered National Grid references ("TG 51410 13177"): two letters name a 100 km square,
// the digits (the same number for easting and northing) the position inside it. Standard
// library and the failure vocabulary's header only, so that the desktop program, which reaches
// the geodesy through the C interface alone, can use it beside the tool and the Python package.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "global_types.hpp"

namespace grid_reference {

/// A National Grid point in whole metres (easting 0 .. 700000, northing 0 .. 1300000).
struct bng_point {
    std::int32_t easting;
    std::int32_t northing;
};

/// Why a text or a point has no reference.
enum class reason : std::uint8_t { malformed, easting_out_of_range, northing_out_of_range };

/// The failure kind a reason is reported as: `constraint_error` for malformed text, the range
/// failures of the National Grid for a square off the grid.
constexpr global_types::failure_kind kind_of(reason why) noexcept {
    switch (why) {
        case reason::easting_out_of_range:
            return global_types::failure_kind::easting_out_of_range;
        case reason::northing_out_of_range:
            return global_types::failure_kind::northing_out_of_range;
        case reason::malformed:
            break;
    }
    return global_types::failure_kind::constraint_error;
}

/// A reference that names no square of the National Grid: a failure of the kind its reason
/// stands for (`kind_of`), `message()` saying which text or value and why.
class error : public global_types::failure {
  public:
    error(reason why, std::string message) noexcept
        : failure(kind_of(why), std::move(message)), why_(why) {}
    /// Malformed text, or which edge of the grid the square lies beyond.
    reason why() const noexcept { return why_; }

  private:
    reason why_;
};

/// Reads a lettered reference with 0 to 10 digits, with or without blanks between the letters
/// and the two halves ("TG 51410 13177", "TG5141013177", "tg 514 131", "TG" for the 100 km
/// square alone). The result is the south-west corner of the square the reference names. Raises
/// `error`: `malformed` for malformed text, `easting_out_of_range` or `northing_out_of_range`
/// for a square outside the grid.
bng_point parse(std::string_view text);

/// Writes the reference of the square of `digits` / 2 figures per axis (0 .. 10 digits) that
/// holds the point, letters and halves separated by blanks ("TG 51410 13177"); 0 digits give
/// the letters alone. The figures are truncated, never rounded, so the square always contains
/// the point.
std::string format(bng_point point, int digits);

/// The south-west corner of the whole-metre square that holds a National Grid point given in
/// metres, not rounded (531499.9457 882249.6589 -> 531499 882249), so that every reference
/// made from it names a square that holds the point. Raises `error`: `easting_out_of_range`
/// or `northing_out_of_range` where that square is not one a reference names (a value below
/// 0, or from 700001 east or 1300001 north), `malformed` for NaN.
bng_point metre_square(double easting, double northing);

}  // namespace grid_reference
