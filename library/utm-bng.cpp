#include "utm-bng.hpp"

namespace utm::bng {

// The grid's ranges, on which the National Grid's conversions and the tools' checks rely.
static_assert(easting_integer_bng::last == 700000 && northing_integer_bng::last == 1300000);

}  // namespace utm::bng
