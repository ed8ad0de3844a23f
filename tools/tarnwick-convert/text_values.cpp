#include "text_values.hpp"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace tarnwick_convert {

namespace {

constexpr double degrees_per_radian = 57.29577951308232;  // 180 / pi

}  // namespace

std::string trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return std::string(text.substr(first, text.find_last_not_of(" \t") - first + 1));
}

double parse_number(std::string_view text, std::string_view what) {
    const std::string kept = trimmed(text);
    std::string_view t = kept;
    if (t.empty()) {
        throw global_types::constraint_error(std::string(what) + " is empty");
    }
    if (t.size() > 1 && t[0] == '+' && t[1] != '-') {
        t.remove_prefix(1);
    }
    double v = 0.0;
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (ec != std::errc() || end != t.data() + t.size() || !std::isfinite(v)) {
        throw global_types::constraint_error(std::string(what) + " \"" + trimmed(text) +
                                             "\" is not a number");
    }
    return v;
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

double parse_latitude(std::string_view text) {
    const double v = parse_number(text, "latitude");
    if (!(v >= -90.0 && v <= 90.0)) {
        throw global_types::constraint_error("latitude " + trimmed(text) + " is outside -90 .. 90");
    }
    return v / degrees_per_radian;
}

double parse_longitude(std::string_view text) {
    const double v = parse_number(text, "longitude");
    if (!(v >= -180.0 && v < 180.0)) {
        throw global_types::constraint_error("longitude " + trimmed(text) +
                                             " is outside -180 .. 180 (180 itself is -180)");
    }
    return v / degrees_per_radian;
}

std::string format_angle(double radians, angle_kind kind, bool dms) {
    const double degrees = radians * degrees_per_radian;
    char buffer[64];
    if (!dms) {
        // No "-0.00000000" for a value that rounds to zero.
        const double shown = std::fabs(degrees) < 0.5e-8 ? 0.0 : degrees;
        std::snprintf(buffer, sizeof buffer, "%.8f", shown);
        return buffer;
    }
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
