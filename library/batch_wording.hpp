// The words of the array conversions' refusals and failures, for the front ends: the
// conversions report them as data (`batch::conversion_refusal`, `batch::call_refusal`,
// `batch::point_failure`); these functions give the sentences people read, each followed where
// it names a failure by the failure kind's full name in parentheses.
#pragma once

#include <cstddef>
#include <span>
#include <string>

#include "batch.hpp"

namespace batch::wording {

/// Why `method` cannot convert now (precise mode's shift grid is missing or damaged: the
/// file and how to get it), in words; empty when it can.
std::string method_fault(datum_method method);

/// Why `c` cannot run (`refusal_of(c)`: a pair that is not offered, a zone that cannot be
/// forced, `alt` without a UTM result), in words; empty when it can.
std::string conversion_fault(const conversion& c);

/// Why `convert` would refuse these arrays (missing or mismatched spans), or
/// `conversion_fault(c)`, in words; empty when the call can run.
std::string arguments_fault(const conversion& c, const points& in, const results& out);

/// Why point `index` of `in` does not convert, as a reason in words, the value and its limit
/// first, followed by the failure kind's name in parentheses ("BNG easting 800000 is outside
/// 0 .. 700000 (UTM.EXCEPTIONS.EASTING_OUT_OF_RANGE)"); empty when it converts. `written`, if
/// not empty, holds the point's fields as the user wrote them, in the order of `points`
/// (zone, easting, northing; latitude, longitude), and the words quote them. Runs that one
/// point again (`failure_of`), so ask only for the points whose status is not `none`. The
/// arrays must be usable for `c`.
std::string failure_reason(const conversion& c, const points& in, std::size_t index,
                           std::span<const std::string> written = {});

}  // namespace batch::wording
