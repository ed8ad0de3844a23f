#include "utm-bng.hpp"

namespace utm::bng {

namespace {
constexpr long_float pi = 3.141592653589793;
constexpr long_float degrees_to_radians = pi / 180.0;
}  // namespace

// The origin is held in radians; it must stay the grid's 49 degrees north, 2 degrees west.
static_assert(latitude_of_natural_origin - 49.0 * degrees_to_radians < 1e-15 &&
              49.0 * degrees_to_radians - latitude_of_natural_origin < 1e-15);
static_assert(longitude_of_natural_origin + 2.0 * degrees_to_radians < 1e-16 &&
              -2.0 * degrees_to_radians - longitude_of_natural_origin < 1e-16);
static_assert(easting_integer_bng::last == 700000 && northing_integer_bng::last == 1300000);

}  // namespace utm::bng
