// Numbers and angles as they appear in the fields of tarnwick-convert's input and output.
// Every reading failure is a `constraint_error` whose message says in words what was wrong.
#pragma once

#include <string>
#include <string_view>

#include "global_types.hpp"

namespace tarnwick_convert {

/// The text without blanks and tabs around it.
std::string trimmed(std::string_view text);

/// Reads a decimal number (blanks around it and a leading '+' allowed; no NaN or infinity).
/// `what` names the value in the failure's message.
double parse_number(std::string_view text, std::string_view what);

/// Describes the range of a checked type for messages: "0 .. 700000".
template <class Checked>
std::string range_text() {
    return std::to_string(static_cast<long long>(Checked::first)) + " .. " +
           std::to_string(static_cast<long long>(Checked::last));
}

/// Reads a grid coordinate in metres into the checked type `Checked`, rounding a fraction to
/// whole metres (halves away from zero, as the library rounds). Outside the type's range:
/// `constraint_error` "<what> <value> is outside <grid> (<first> .. <last>)".
template <class Checked>
Checked parse_grid_value(std::string_view text, std::string_view what, std::string_view grid) {
    const double v = parse_number(text, what);
    try {
        return Checked::round(v);
    } catch (const global_types::constraint_error&) {
        throw global_types::constraint_error(std::string(what) + " " + trimmed(text) +
                                             " is outside " + std::string(grid) + " (" +
                                             range_text<Checked>() + ")");
    }
}

/// Reads a UTM zone: a whole number 1 .. 60, negative for the southern hemisphere.
global_types::zone_integer parse_zone(std::string_view text);

/// Reads a latitude in decimal degrees, -90 .. 90; the result is in radians.
double parse_latitude(std::string_view text);

/// Reads a longitude in decimal degrees, -180 up to (not including) 180; radians out.
double parse_longitude(std::string_view text);

/// Which hemisphere letters an angle takes in degrees, minutes and seconds.
enum class angle_kind { latitude, longitude };

/// Writes an angle given in radians as decimal degrees with 8 decimals ("52.65797522"), or
/// with `dms` as degrees, minutes and seconds with 3 decimals and a hemisphere letter
/// ("52°39'28.711\"N"); seconds that would round to 60 carry into the minutes.
std::string format_angle(double radians, angle_kind kind, bool dms);

}  // namespace tarnwick_convert
