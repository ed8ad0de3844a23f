#include "grid_reference.hpp"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <vector>

namespace tarnwick_convert {

namespace {

// The 25 letters of the 5 x 5 lettering (no I), row by row from the north-west corner.
constexpr std::string_view letters = "ABCDEFGHJKLMNOPQRSTUVWXYZ";
constexpr std::int64_t square_100km = 100000;
constexpr std::int64_t square_500km = 5 * square_100km;
// The first letter's 5 x 5 grid of 500 km squares puts S (column 2, row 3) on the false
// origin, so S is (0, 0), T (500 km, 0), N (0, 500 km), H (0, 1000 km).
constexpr std::int64_t origin_column = 2;
constexpr std::int64_t origin_row = 3;
// The National Grid's extent, metres.
constexpr std::int64_t max_easting = 700000;
constexpr std::int64_t max_northing = 1300000;
constexpr std::array<std::int64_t, 6> powers_of_ten{1, 10, 100, 1000, 10000, 100000};

int letter_index(char c) {
    if (c >= 'a' && c <= 'z') {
        c = static_cast<char>(c - 'a' + 'A');
    }
    const std::size_t i = letters.find(c);
    return c == '\0' || i == std::string_view::npos ? -1 : static_cast<int>(i);
}

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}
bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

[[noreturn]] void malformed(std::string_view text, std::string_view why) {
    throw grid_reference_error(grid_reference_error::reason::malformed,
                               "grid reference \"" + std::string(text) + "\" " + std::string(why));
}

std::int64_t figures_value(std::string_view figures) {
    std::int64_t v = 0;
    for (const char c : figures) {
        v = v * 10 + (c - '0');
    }
    return v;
}

}  // namespace

bng_point parse_grid_reference(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && is_blank(text[i])) {
        ++i;
    }
    std::size_t end = text.size();
    while (end > i && is_blank(text[end - 1])) {
        --end;
    }
    const std::string_view ref = text.substr(i, end - i);
    if (ref.empty()) {
        throw grid_reference_error(grid_reference_error::reason::malformed, "empty grid reference");
    }
    if (ref.size() < 2 || letter_index(ref[0]) < 0 || letter_index(ref[1]) < 0) {
        malformed(ref, "does not start with two square letters (A .. Z without I)");
    }
    const int first = letter_index(ref[0]);
    const int second = letter_index(ref[1]);

    std::vector<std::string_view> groups;
    std::size_t p = 2;
    while (p < ref.size()) {
        if (is_blank(ref[p])) {
            ++p;
            continue;
        }
        if (!is_digit(ref[p])) {
            malformed(ref, "holds a character other than digits after the letters");
        }
        const std::size_t start = p;
        while (p < ref.size() && is_digit(ref[p])) {
            ++p;
        }
        groups.push_back(ref.substr(start, p - start));
    }
    std::string_view east_figures;
    std::string_view north_figures;
    if (groups.empty()) {
        // The letters alone name the 100 km square.
    } else if (groups.size() == 1 && groups[0].size() % 2 == 0) {
        east_figures = groups[0].substr(0, groups[0].size() / 2);
        north_figures = groups[0].substr(groups[0].size() / 2);
    } else if (groups.size() == 2 && groups[0].size() == groups[1].size()) {
        east_figures = groups[0];
        north_figures = groups[1];
    } else {
        malformed(ref, "needs an even number of digits, the same for easting and northing");
    }
    const std::size_t per_axis = east_figures.size();
    if (per_axis > 5) {
        malformed(ref, "needs 0 to 10 digits");
    }
    const std::int64_t unit = powers_of_ten[5 - per_axis];
    const std::int64_t easting = (first % 5 - origin_column) * square_500km +
                                 (second % 5) * square_100km + figures_value(east_figures) * unit;
    const std::int64_t northing = (origin_row - first / 5) * square_500km +
                                  (4 - second / 5) * square_100km +
                                  figures_value(north_figures) * unit;
    if (easting < 0 || easting > max_easting) {
        throw grid_reference_error(
            grid_reference_error::reason::easting_out_of_range,
            "grid reference \"" + std::string(ref) + "\" lies east or west of the National Grid");
    }
    if (northing < 0 || northing > max_northing) {
        throw grid_reference_error(
            grid_reference_error::reason::northing_out_of_range,
            "grid reference \"" + std::string(ref) + "\" lies north or south of the National Grid");
    }
    return {static_cast<std::int32_t>(easting), static_cast<std::int32_t>(northing)};
}

std::string format_grid_reference(bng_point point, int digits) {
    const std::int64_t e = point.easting;
    const std::int64_t n = point.northing;
    const std::int64_t e100 = e / square_100km;
    const std::int64_t n100 = n / square_100km;
    const std::int64_t first = (e100 / 5 + origin_column) + 5 * (origin_row - n100 / 5);
    const std::int64_t second = e100 % 5 + 5 * (4 - n100 % 5);
    const int per_axis = digits / 2;
    const std::int64_t unit = powers_of_ten[static_cast<std::size_t>(5 - per_axis)];

    std::string out;
    out.push_back(letters[static_cast<std::size_t>(first)]);
    out.push_back(letters[static_cast<std::size_t>(second)]);
    for (const std::int64_t v : {e % square_100km / unit, n % square_100km / unit}) {
        if (per_axis == 0) {
            break;  // the letters alone
        }
        std::string figures = std::to_string(v);
        out.push_back(' ');
        out.append(static_cast<std::size_t>(per_axis) - figures.size(), '0');
        out.append(figures);
    }
    return out;
}

bng_point metre_square(double easting, double northing) {
    const auto corner = [](double metres, std::int64_t last, grid_reference_error::reason why,
                           const char* name) {
        if (std::isnan(metres)) {
            throw grid_reference_error(grid_reference_error::reason::malformed,
                                       std::string("BNG ") + name + " is not a number");
        }
        // Truncated, never rounded: 99999.6 lies in the square from 99999, not 100000.
        const double whole = std::floor(metres);
        if (!(whole >= 0.0 && whole <= static_cast<double>(last))) {
            std::array<char, 32> text{};
            const auto end = std::to_chars(text.data(), text.data() + text.size(), metres).ptr;
            throw grid_reference_error(
                why, std::string("BNG ") + name + " " + std::string(text.data(), end) +
                         " is outside the National Grid (0 .. " + std::to_string(last) + ")");
        }
        return static_cast<std::int32_t>(whole);
    };
    return {
        corner(easting, max_easting, grid_reference_error::reason::easting_out_of_range, "easting"),
        corner(northing, max_northing, grid_reference_error::reason::northing_out_of_range,
               "northing")};
}

}  // namespace tarnwick_convert
