#include "grid_reference.hpp"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <vector>

namespace grid_reference {

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
    throw error(reason::malformed,
                "grid reference \"" + std::string(text) + "\" " + std::string(why));
}

std::int64_t figures_value(std::string_view figures) {
    std::int64_t v = 0;
    for (const char c : figures) {
        v = v * 10 + (c - '0');
    }
    return v;
}

std::string_view without_blanks_around(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && is_blank(text[i])) {
        ++i;
    }
    std::size_t end = text.size();
    while (end > i && is_blank(text[end - 1])) {
        --end;
    }
    return text.substr(i, end - i);
}

// The runs of digits after the two letters; blanks only between them.
std::vector<std::string_view> digit_groups(std::string_view ref) {
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
    return groups;
}

struct halves {
    std::string_view east;
    std::string_view north;
};

// The easting's and the northing's figures: one group cut in two, or two groups of one length;
// none when the letters stand alone for the 100 km square.
halves figures_of(std::string_view ref) {
    const std::vector<std::string_view> groups = digit_groups(ref);
    halves h;
    if (groups.size() == 1 && groups[0].size() % 2 == 0) {
        h = {groups[0].substr(0, groups[0].size() / 2), groups[0].substr(groups[0].size() / 2)};
    } else if (groups.size() == 2 && groups[0].size() == groups[1].size()) {
        h = {groups[0], groups[1]};
    } else if (!groups.empty()) {
        malformed(ref, "needs an even number of digits, the same for easting and northing");
    }
    if (h.east.size() > 5) {
        malformed(ref, "needs 0 to 10 digits");
    }
    return h;
}

}  // namespace

bng_point parse(std::string_view text) {
    const std::string_view ref = without_blanks_around(text);
    if (ref.empty()) {
        throw error(reason::malformed, "empty grid reference");
    }
    if (ref.size() < 2 || letter_index(ref[0]) < 0 || letter_index(ref[1]) < 0) {
        malformed(ref, "does not start with two square letters (A .. Z without I)");
    }
    const int first = letter_index(ref[0]);
    const int second = letter_index(ref[1]);
    const halves figures = figures_of(ref);
    const std::int64_t unit = powers_of_ten[5 - figures.east.size()];
    const std::int64_t easting = (first % 5 - origin_column) * square_500km +
                                 (second % 5) * square_100km + figures_value(figures.east) * unit;
    const std::int64_t northing = (origin_row - first / 5) * square_500km +
                                  (4 - second / 5) * square_100km +
                                  figures_value(figures.north) * unit;
    if (easting < 0 || easting > max_easting) {
        throw error(reason::easting_out_of_range, "grid reference \"" + std::string(ref) +
                                                      "\" lies east or west of the National Grid");
    }
    if (northing < 0 || northing > max_northing) {
        throw error(
            reason::northing_out_of_range,
            "grid reference \"" + std::string(ref) + "\" lies north or south of the National Grid");
    }
    return {static_cast<std::int32_t>(easting), static_cast<std::int32_t>(northing)};
}

std::string format(bng_point point, int digits) {
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
    const auto corner = [](double metres, std::int64_t last, reason why, const char* name) {
        if (std::isnan(metres)) {
            throw error(reason::malformed, std::string("BNG ") + name + " is not a number");
        }
        // Truncated, never rounded: 99999.6 lies in the square from 99999, not 100000.
        const double whole = std::floor(metres);
        if (!(whole >= 0.0 && whole <= static_cast<double>(last))) {
            std::array<char, 32> text{};
            const auto end = std::to_chars(text.data(), text.data() + text.size(), metres).ptr;
            throw error(why, std::string("BNG ") + name + " " + std::string(text.data(), end) +
                                 " is outside the National Grid (0 .. " + std::to_string(last) +
                                 ")");
        }
        return static_cast<std::int32_t>(whole);
    };
    return {corner(easting, max_easting, reason::easting_out_of_range, "easting"),
            corner(northing, max_northing, reason::northing_out_of_range, "northing")};
}

}  // namespace grid_reference
