// Helpers of the module `utm::sncs::conversions`. Internal to the library.
#pragma once

#include "utm-sncs-conversions.hpp"

namespace utm::sncs::conversions::detail {

/// The projection's start-up values computed from Bessel 1841 and the projection centre; the
/// module holds the same values as constants.
start_up_values_type derive_start_up_values();

}  // namespace utm::sncs::conversions::detail
