// Military Grid Reference System references ("30U XC 99293 09783"), read and written for the
// whole world on WGS84: between 80 degrees south and 84 degrees north the UTM grid, named by
// its zone, latitude band and 100 km square letters; beyond, the Universal Polar Stereographic
// grid with its own bands (A, B in the south, Y, Z in the north) and letters. Points are made
// in MGRS's standard zone, which differs from the zone of the longitude in zone 32V (Norway)
// and the Svalbard zones 31X, 33X, 35X and 37X. Digits name the square that holds the point:
// they are truncated, never rounded.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "global_types.hpp"

namespace mgrs {

/// A point of the grids references are written on: a UTM zone 1 .. 60 or the polar grid
/// (zone 0), the hemisphere, easting and northing in metres (UTM: false easting 500000 m,
/// false northing 10000000 m in the south; polar grid: false easting and northing 2000000 m).
struct grid_point {
    int zone;
    bool north;
    double easting;
    double northing;
};

/// WGS84 latitude -90 .. 90 and longitude -180 up to (not including) 180, decimal degrees.
struct geographic {
    double latitude;
    double longitude;
};

/// Why a text or a point has no reference.
enum class reason : std::uint8_t {
    malformed,            ///< not a grid zone, two square letters and digits
    odd_digits,           ///< the easting and northing would have different numbers of digits
    no_such_letter,       ///< I or O, or a letter outside the zone's column or row letters
    no_such_zone,         ///< a zone outside 1 .. 60, or 32X, 34X, 36X, which MGRS leaves out
    band_without_square,  ///< the latitude band holds no square of that row in the zone
    square_outside_zone,  ///< a polar square beyond the polar grid's lettered squares
    outside_range,        ///< a latitude, longitude or digit count outside its range, or NaN
};

/// A text or a point that has no reference: a `constraint_error` kind of failure whose
/// `message()` quotes the text or value and says why.
class error : public global_types::failure {
  public:
    error(reason why, std::string message) noexcept
        : failure(global_types::failure_kind::constraint_error, std::move(message)), why_(why) {}
    /// Which rule the text or point breaks.
    reason why() const noexcept { return why_; }

  private:
    reason why_;
};

/// How a reference is written: "30U XC 99293 09783" or "30UXC9929309783".
enum class form : std::uint8_t { spaced, compact };

/// Which point of its square a reference read stands for.
enum class anchor : std::uint8_t { centre, south_west };

/// The most digits per coordinate (1 m squares).
inline constexpr int max_digits = 5;

/// A reference read: its grid zone, the south-west corner of its square and the square's side.
struct square {
    grid_point corner;  ///< zone 0 for the polar grid
    char band;          ///< C .. X without I and O; A, B, Y or Z on the polar grid
    double side;        ///< metres: 100000 for 0 digits .. 1 for 5
};

/// MGRS's zone of a point (degrees): 0 for the polar grid (south of 80 S, from 84 N on), else
/// the UTM zone of the longitude with the Norway and Svalbard exceptions. Raises `error`
/// (`outside_range`) for a latitude outside -90 .. 90, a longitude outside -180 .. 180, or NaN.
int standard_zone(double latitude, double longitude);

/// The point (degrees) on the grid of its standard zone. Raises as `standard_zone`.
grid_point to_grid(double latitude, double longitude);

/// Latitude and longitude (degrees) of a grid point. Raises `constraint_error` for a UTM
/// northing beyond a pole or non-finite values.
geographic to_geographic(const grid_point& p);

/// The reference of `digits` (0 .. 5) per coordinate of the square that holds the point
/// (degrees), in its standard zone. Raises `error` (`outside_range`) as `standard_zone`, and
/// for a digit count outside 0 .. 5.
std::string format(double latitude, double longitude, int digits, form f = form::spaced);

/// The reference of a grid point in its own zone (its band from the point's latitude). Raises
/// `error` (`outside_range`) for a digit count outside 0 .. 5 or a point outside the lettered
/// squares of its grid.
std::string format(const grid_point& p, int digits, form f = form::spaced);

/// Reads a reference in any case, with or without blanks ("30U XC 99293 09783",
/// "30uxc9929309783", "30U XC 993 097", "ZAH 12 34"). Raises `error` with the reason.
square parse(std::string_view text);

/// The point of `s` that `a` names: its centre or its south-west corner.
grid_point position(const square& s, anchor a = anchor::centre);

/// `parse`, `position` and `to_geographic` in one: the latitude and longitude (degrees) a
/// reference stands for. Raises `error` as `parse` does.
geographic read(std::string_view text, anchor a = anchor::centre);

}  // namespace mgrs
