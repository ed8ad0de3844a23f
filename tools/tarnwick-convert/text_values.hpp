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

/// The text with bytes below 0x20 and 0x7F written as "\x00", so that a message shows them.
std::string escaped(std::string_view text);

/// Reads a grid coordinate in metres into the checked type `Checked`, rounding a fraction to
/// whole metres (halves away from zero, as the library rounds). Outside the type's range:
/// `Failure` "<what> <value> is outside <first> .. <last>".
template <class Checked, class Failure = global_types::constraint_error>
Checked parse_grid_value(std::string_view text, std::string_view what) {
    const double v = parse_number(text, what);
    try {
        return Checked::round(v);
    } catch (const global_types::constraint_error&) {
        throw Failure(std::string(what) + " " + trimmed(text) + " is outside " +
                      range_text<Checked>());
    }
}

/// Reads a UTM zone: a whole number 1 .. 60, negative for the southern hemisphere.
global_types::zone_integer parse_zone(std::string_view text);

/// What the letters N and S after a UTM zone stand for: latitude bands (S from 32 to 40
/// degrees north), the hemispheres, or, unstated, N for the north (where band N holds the
/// point both readings agree) and S refused, as every band-S point has a southern reading too.
enum class utm_letter_convention { unstated, band, hemisphere };

/// Reads a UTM zone as above, or with a latitude band letter as GPS units show it ("30U",
/// C .. M south of the equator, N .. X north; I and O unused); `band` receives the letter, or
/// '\0' when there is none or it names a hemisphere (N and S as `letters` reads them). A sign
/// together with a letter, and S with `letters` unstated, are refused.
global_types::zone_integer parse_zone_field(
    std::string_view text, char& band,
    utm_letter_convention letters = utm_letter_convention::unstated);

/// Reads a latitude, -90 .. 90, as people write it: decimal degrees with a sign or a hemisphere
/// letter N or S before or after ("52.658N", "N52.658"), or degrees and minutes, or degrees,
/// minutes and seconds, with the symbols or separated by blanks or colons ("52°39'28.7\"N",
/// "52 39 28.7 N", "52:39:28.7"). Text that could be read more than one way is refused with
/// the reason. The result is in decimal degrees.
double parse_latitude(std::string_view text);

/// Reads a longitude, -180 up to (not including) 180, as `parse_latitude` reads a latitude,
/// with the hemisphere letters E and W; decimal degrees out.
double parse_longitude(std::string_view text);

/// Writes a number with `decimals` decimals, without a minus sign where it shows zero.
std::string format_decimal(double value, int decimals);

/// Which hemisphere letters an angle takes in degrees, minutes and seconds.
enum class angle_kind { latitude, longitude };

/// Writes an angle given in decimal degrees with `decimals` decimals ("52.65797522"), or with
/// `dms` as degrees, minutes and seconds with 3 decimals and a hemisphere letter
/// ("52°39'28.711\"N"); seconds that would round to 60 carry into the minutes.
std::string format_angle(double degrees, angle_kind kind, bool dms, int decimals = 8);

}  // namespace tarnwick_convert
