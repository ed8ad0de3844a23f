#include "text_values.hpp"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <utility>

namespace tarnwick_convert {

namespace {

bool is_blank_or_tab(char c) {
    return c == ' ' || c == '\t';
}

// The text without blanks and tabs around it, as a view of it.
std::string_view trim_view(std::string_view text) {
    while (!text.empty() && is_blank_or_tab(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && is_blank_or_tab(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// Whole metres, the usual field, read without the general parser: an optional minus and up to
// 15 digits are exactly a double, as the general parser would give them (-0 as -0.0). Other
// text: nothing.
std::optional<double> plain_integer(std::string_view t) {
    const bool negative = !t.empty() && t.front() == '-';
    if (negative) {
        t.remove_prefix(1);
    }
    if (t.empty() || t.size() > 15) {
        return std::nullopt;
    }
    std::int64_t v = 0;
    for (const char c : t) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        v = v * 10 + (c - '0');
    }
    const auto magnitude = static_cast<double>(v);
    return negative ? -magnitude : magnitude;
}

}  // namespace

std::string trimmed(std::string_view text) {
    return std::string(trim_view(text));
}

double parse_number(std::string_view text, std::string_view what) {
    if (const auto whole = plain_integer(text)) {
        return *whole;  // nothing to trim, no '+'
    }
    std::string_view t = trim_view(text);
    if (t.empty()) {
        throw global_types::constraint_error(std::string(what) + " is empty");
    }
    if (t.size() > 1 && t[0] == '+' && t[1] != '-') {
        t.remove_prefix(1);
    }
    if (const auto whole = plain_integer(t)) {
        return *whole;
    }
    double v = 0.0;
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (ec != std::errc() || end != t.data() + t.size() || !std::isfinite(v)) {
        throw global_types::constraint_error(std::string(what) + " \"" + trimmed(text) +
                                             "\" is not a number");
    }
    return v;
}

std::string escaped(std::string_view text) {
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            char code[5];
            std::snprintf(code, sizeof code, "\\x%02X", byte);
            out += code;
        } else {
            out.push_back(c);
        }
    }
    return out;
}

global_types::zone_integer parse_zone(std::string_view text) {
    const std::string kept = trimmed(text);
    std::string_view t = kept;
    if (t.size() > 1 && t[0] == '+' && t[1] != '-') {
        t.remove_prefix(1);
    }
    int zone = 0;
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), zone);
    if (t.empty() || ec != std::errc() || end != t.data() + t.size() || zone == 0 || zone < -60 ||
        zone > 60) {
        throw global_types::constraint_error("UTM zone \"" + trimmed(text) +
                                             "\" is not 1 .. 60 (negative: southern hemisphere)");
    }
    return zone;
}

global_types::zone_integer parse_zone_field(std::string_view text, char& band,
                                            utm_letter_convention letters) {
    const std::string kept = trimmed(text);
    band = '\0';
    if (kept.empty() || !std::isalpha(static_cast<unsigned char>(kept.back()))) {
        return parse_zone(text);
    }
    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(kept.back())));
    const std::string number = kept.substr(0, kept.size() - 1);
    constexpr std::string_view bands = "CDEFGHJKLMNPQRSTUVWX";
    if (bands.find(letter) == std::string_view::npos) {
        throw global_types::constraint_error("UTM zone \"" + kept + "\" has no band " +
                                             std::string(1, letter) +
                                             " (bands are C .. X without I and O)");
    }
    if (!number.empty() && (number[0] == '-' || number[0] == '+')) {
        throw global_types::constraint_error("UTM zone \"" + kept +
                                             "\" has both a sign and a band letter");
    }
    const global_types::zone_integer zone = parse_zone(number);
    if (letter == 'S' && letters == utm_letter_convention::unstated) {
        throw global_types::constraint_error(
            "UTM zone \"" + kept +
            "\" is ambiguous: S is the latitude band from 32 to 40 degrees north, or the "
            "southern hemisphere; say which with --utm-letter band or --utm-letter hemisphere");
    }
    if ((letter == 'S' || letter == 'N') && letters != utm_letter_convention::band) {
        return letter == 'S' ? global_types::zone_integer(-zone.value()) : zone;
    }
    band = letter;
    // C .. M lie south of the equator.
    return letter <= 'M' ? global_types::zone_integer(-zone.value()) : zone;
}

namespace {

struct hemisphere_letters {
    char positive;
    char negative;
    const char* name;
};

// Reads "52", "52.5", ".5" at `t`; advances it. Nothing read: nullopt.
std::optional<double> leading_number(std::string_view& t, bool& fraction) {
    std::size_t n = 0;
    while (n < t.size() && ((t[n] >= '0' && t[n] <= '9') || t[n] == '.')) {
        ++n;
    }
    double v = 0.0;
    if (n == 0 || std::from_chars(t.data(), t.data() + n, v).ptr != t.data() + n) {
        return std::nullopt;
    }
    fraction = t.substr(0, n).find('.') != std::string_view::npos;
    t.remove_prefix(n);
    return v;
}

void skip_blanks(std::string_view& t) {
    while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) {
        t.remove_prefix(1);
    }
}

// Which part a mark after a number ends: 0 degrees, 1 minutes, 2 seconds; -1 a plain
// separator (a blank or a colon) or the end; -2 something else.
int take_mark(std::string_view& t) {
    static constexpr std::pair<std::string_view, int> marks[] = {
        {"\xC2\xB0", 0},     {"\xC2\xBA", 0}, {"''", 2},           {"'", 1},
        {"\xE2\x80\xB2", 1}, {"\"", 2},       {"\xE2\x80\xB3", 2}, {":", -1}};
    skip_blanks(t);
    for (const auto& [mark, part] : marks) {
        if (t.starts_with(mark)) {
            t.remove_prefix(mark.size());
            skip_blanks(t);
            return part;
        }
    }
    return -1;
}

char upper(char c) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

// Decimal degrees with an optional sign, the common case; nothing for any other text.
std::optional<double> plain_degrees(std::string_view t) {
    if (t.size() > 1 && t[0] == '+' && t[1] != '-') {
        t.remove_prefix(1);
    }
    double v = 0.0;
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (!t.empty() && ec == std::errc() && end == t.data() + t.size() && std::isfinite(v)) {
        return v;
    }
    return std::nullopt;
}

// Refuses the angle `what` ("latitude \"...\"") for the reason `why`.
[[noreturn]] void refuse_angle(const std::string& what, const std::string& why) {
    throw global_types::constraint_error(what + " " + why);
}

// Takes the hemisphere letter before or after the numbers of `t`, or else a sign, off `t`;
// returns the sign they give. A letter of the other axis, two letters, or a letter with a
// sign are refused.
int take_sign(std::string_view& t, const hemisphere_letters& h, const hemisphere_letters& other,
              const std::string& what) {
    int sign = 1;
    bool lettered = false;
    for (const bool at_front : {true, false}) {
        if (t.empty()) {
            break;
        }
        const char c = upper(at_front ? t.front() : t.back());
        if (c == other.positive || c == other.negative) {
            refuse_angle(what, std::string("has the letter ") + c + " of a " + other.name);
        }
        if (c != h.positive && c != h.negative) {
            continue;
        }
        if (lettered) {
            refuse_angle(what, "has two hemisphere letters");
        }
        lettered = true;
        sign = c == h.negative ? -1 : 1;
        if (at_front) {
            t.remove_prefix(1);
        } else {
            t.remove_suffix(1);
        }
        skip_blanks(t);
        while (!t.empty() && (t.back() == ' ' || t.back() == '\t')) {
            t.remove_suffix(1);
        }
    }
    if (!t.empty() && (t.front() == '-' || t.front() == '+')) {
        if (lettered) {
            refuse_angle(what, "has both a sign and a hemisphere letter");
        }
        sign = t.front() == '-' ? -1 : 1;
        t.remove_prefix(1);
    }
    return sign;
}

// Reads degrees, or degrees and minutes, or degrees, minutes and seconds (with their marks or
// plain separators; a fraction only in the last part) into degrees.
double unsigned_degrees(std::string_view t, const std::string& what) {
    double parts[3] = {0.0, 0.0, 0.0};
    int count = 0;
    bool fraction = false;
    while (!t.empty()) {
        if (count == 3) {
            refuse_angle(what, "has more than degrees, minutes and seconds");
        }
        if (fraction) {
            refuse_angle(what, "has a fraction before its last part");
        }
        const auto v = leading_number(t, fraction);
        if (!v) {
            refuse_angle(what, "is not an angle (degrees, minutes, seconds)");
        }
        const int mark = take_mark(t);
        if (mark >= 0 && mark != count) {
            refuse_angle(what, "has its degree, minute and second marks out of order");
        }
        parts[count++] = *v;
    }
    if (count == 0) {
        refuse_angle(what, "is not an angle (degrees, minutes, seconds)");
    }
    if (parts[1] >= 60.0 || parts[2] >= 60.0) {
        refuse_angle(what, "has minutes or seconds of 60 or more");
    }
    return parts[0] + parts[1] / 60.0 + parts[2] / 3600.0;
}

double parse_angle(std::string_view text, const hemisphere_letters& h,
                   const hemisphere_letters& other) {
    const std::string kept = trimmed(text);
    if (const auto plain = plain_degrees(kept)) {
        return *plain;
    }
    if (kept.empty()) {
        throw global_types::constraint_error(std::string(h.name) + " is empty");
    }
    const std::string what = std::string(h.name) + " \"" + kept + "\"";
    std::string_view t = kept;
    const int sign = take_sign(t, h, other, what);
    return sign * unsigned_degrees(t, what);
}

constexpr hemisphere_letters latitude_letters{'N', 'S', "latitude"};
constexpr hemisphere_letters longitude_letters{'E', 'W', "longitude"};

}  // namespace

double parse_latitude(std::string_view text) {
    const double v = parse_angle(text, latitude_letters, longitude_letters);
    if (!(v >= -90.0 && v <= 90.0)) {
        throw global_types::constraint_error("latitude " + trimmed(text) + " is outside -90 .. 90");
    }
    return v;
}

double parse_longitude(std::string_view text) {
    const double v = parse_angle(text, longitude_letters, latitude_letters);
    if (!(v >= -180.0 && v < 180.0)) {
        throw global_types::constraint_error("longitude " + trimmed(text) +
                                             " is outside -180 .. 180 (180 itself is -180)");
    }
    return v;
}

std::string format_decimal(double value, int decimals) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    std::string text = buffer;
    // No "-0.000" for a value that rounds to zero.
    if (text.front() == '-' && text.find_first_not_of("-0.") == std::string::npos) {
        text.erase(0, 1);
    }
    return text;
}

std::string format_angle(double degrees, angle_kind kind, bool dms, int decimals) {
    if (!dms) {
        return format_decimal(degrees, decimals);
    }
    char buffer[64];
    // Work in thousandths of an arc-second so that rounding carries into minutes and degrees.
    const auto total = static_cast<long long>(std::llround(std::fabs(degrees) * 3600000.0));
    const bool negative = degrees < 0.0 && total != 0;
    const char hemisphere =
        kind == angle_kind::latitude ? (negative ? 'S' : 'N') : (negative ? 'W' : 'E');
    const long long whole_degrees = total / 3600000;
    const long long minutes = total / 60000 % 60;
    const long long thousandths = total % 60000;
    std::snprintf(buffer, sizeof buffer, "%lld\u00b0%02lld'%02lld.%03lld\"%c", whole_degrees,
                  minutes, thousandths / 1000, thousandths % 1000, hemisphere);
    return buffer;
}

}  // namespace tarnwick_convert
