#include "mgrs.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "utm-exact_transverse_mercator.hpp"
#include "utm.hpp"

namespace mgrs {

namespace {

namespace etm = utm::exact_transverse_mercator;

// WGS84 as defined (NIMA TR8350.2): semi-major axis in metres and inverse flattening.
constexpr double wgs84_a = 6378137.0;
constexpr double wgs84_inverse_flattening = 298.257223563;
constexpr double wgs84_f = 1.0 / wgs84_inverse_flattening;
constexpr double wgs84_b = wgs84_a * (1.0 - wgs84_f);
constexpr double wgs84_e2 = wgs84_f * (2.0 - wgs84_f);

// The UTM grid: false northing of a southern zone, metres.
constexpr double utm_false_northing_south = 10000000.0;
// The polar grid (UPS): scale at the pole, false easting and northing in metres.
constexpr double ups_scale = 0.994;
constexpr double ups_false_origin = 2000000.0;
// Where the UTM grid of MGRS ends, degrees: the polar grid lies beyond.
constexpr double utm_south_limit = -80.0;
constexpr double utm_north_limit = 84.0;
// Latitude bands of the UTM grid: 8 degrees each from 80 S, the last (X) 12 degrees high.
constexpr double band_height = 8.0;
constexpr std::string_view utm_bands = "CDEFGHJKLMNPQRSTUVWX";
constexpr int first_northern_band = 10;  // N
constexpr int band_v = 17;
constexpr int band_x = 19;

constexpr double square_side = 100000.0;  // metres
constexpr std::int64_t whole_square = 100000;
constexpr std::array<std::int64_t, 6> powers_of_ten{1, 10, 100, 1000, 10000, 100000};

// The UTM squares' letters: columns from 100 km east in sets that repeat every three zones,
// rows from the equator (shifted by five in even zones) repeating every 2000 km.
constexpr std::array<std::string_view, 3> utm_columns{"ABCDEFGH", "JKLMNPQR", "STUVWXYZ"};
constexpr std::string_view utm_rows = "ABCDEFGHJKLMNPQRSTUV";
constexpr int even_zone_row_shift = 5;

// A zone of the polar grid: its band letter, its column letters from the 100 km column
// `first_column` (in 100 km from the grid's origin) and its row letters from `first_row`.
struct polar_zone {
    char band;
    std::string_view columns;
    int first_column;
    std::string_view rows;
    int first_row;
};
constexpr std::string_view south_rows = "ABCDEFGHJKLMNPQRSTUVWXYZ";
constexpr std::string_view north_rows = "ABCDEFGHJKLMNP";
constexpr std::array<polar_zone, 4> polar_zones{{
    {'A', "JKLPQRSTUXYZ", 8, south_rows, 8},
    {'B', "ABCFGHJKLPQR", 20, south_rows, 8},
    {'Y', "RSTUXYZ", 13, north_rows, 13},
    {'Z', "ABCFGHJ", 20, north_rows, 13},
}};

constexpr double radians(double degrees) {
    return degrees * (std::numbers::pi / 180.0);
}
constexpr double degrees(double radians) {
    return radians * (180.0 / std::numbers::pi);
}

[[noreturn]] void refuse(reason why, std::string message) {
    throw error(why, std::move(message));
}

// Longitude in [-180, 180).
double normalised(double longitude) {
    const double l = std::fmod(longitude + 180.0, 360.0);
    return (l < 0.0 ? l + 360.0 : l) - 180.0;
}

int band_index(double latitude) {
    return std::clamp(static_cast<int>(std::floor((latitude - utm_south_limit) / band_height)), 0,
                      band_x);
}

void check_point(double latitude, double longitude) {
    if (!(latitude >= -90.0 && latitude <= 90.0) || !(longitude >= -180.0 && longitude <= 180.0)) {
        refuse(reason::outside_range, "latitude " + std::to_string(latitude) + " and longitude " +
                                          std::to_string(longitude) +
                                          " are not within -90 .. 90 and -180 .. 180");
    }
}

void check_digits(int digits) {
    if (digits < 0 || digits > max_digits) {
        refuse(reason::outside_range,
               "an MGRS reference has 0 to 5 digits per coordinate, not " + std::to_string(digits));
    }
}

// ---- the UTM grid on WGS84 --------------------------------------------------------------

// One projection on the central meridian 0; a zone's longitudes are taken relative to its own.
const etm::projection& utm_projection() {
    static const etm::projection tm = etm::make_projection(
        {wgs84_a, wgs84_b, utm::scale_on_central_meridian, 0.0, 0.0, utm::false_easting, 0.0});
    return tm;
}

double central_meridian(int zone) {
    return 6.0 * zone - 183.0;
}

grid_point utm_forward(int zone, double latitude, double longitude) {
    const double offset = normalised(longitude - central_meridian(zone));
    const etm::grid_point g =
        etm::lat_long_to_grid(utm_projection(), radians(latitude), radians(offset));
    const bool north = latitude >= 0.0;
    return {zone, north, g.easting, north ? g.northing : g.northing + utm_false_northing_south};
}

geographic utm_inverse(const grid_point& p) {
    const double northing = p.north ? p.northing : p.northing - utm_false_northing_south;
    const etm::lat_long_point l = etm::grid_to_lat_long(utm_projection(), p.easting, northing);
    return {degrees(l.latitude), normalised(degrees(l.longitude) + central_meridian(p.zone))};
}

// ---- the polar grid: polar stereographic on WGS84 ---------------------------------------

// 2 a k0 / sqrt((1 + e)^(1 + e) (1 - e)^(1 - e)): the distance from the pole per unit of t.
double ups_radius_per_t() {
    const double e = std::sqrt(wgs84_e2);
    return 2.0 * wgs84_a * ups_scale /
           std::sqrt(std::pow(1.0 + e, 1.0 + e) * std::pow(1.0 - e, 1.0 - e));
}

// The sine and cosine of an angle in degrees, exact at the multiples of 90 degrees: a
// meridian at 180 or 90 degrees must not stray to the other side of the polar grid's axes.
std::array<double, 2> sin_cos_degrees(double angle) {
    const double quarters = std::round(angle / 90.0);
    const double r = radians(angle - 90.0 * quarters);
    const double s = std::sin(r);
    const double c = std::cos(r);
    switch (static_cast<int>(std::fmod(quarters, 4.0) + 4.0) % 4) {
        case 1:
            return {c, -s + 0.0};
        case 2:
            return {-s + 0.0, -c};
        case 3:
            return {-c, s};
        default:
            return {s, c};
    }
}

// tan(pi/4 - phi/2) ((1 + e sin phi) / (1 - e sin phi))^(e/2) of `phi` degrees towards the
// grid's pole; exactly 0 at the pole.
double ups_t(double phi) {
    const double e = std::sqrt(wgs84_e2);
    const auto [s, c] = sin_cos_degrees(phi);
    return c / (1.0 + s) * std::pow((1.0 + e * s) / (1.0 - e * s), e / 2.0);
}

grid_point ups_forward(double latitude, double longitude) {
    const bool north = latitude > 0.0;
    const double rho = ups_radius_per_t() * ups_t(north ? latitude : -latitude);
    const auto [sin_lambda, cos_lambda] = sin_cos_degrees(longitude);
    const double y = rho * cos_lambda;
    return {0, north, ups_false_origin + rho * sin_lambda,
            north ? ups_false_origin - y : ups_false_origin + y};
}

geographic ups_inverse(const grid_point& p) {
    const double dx = p.easting - ups_false_origin;
    const double dy = p.northing - ups_false_origin;
    const double t = std::hypot(dx, dy) / ups_radius_per_t();
    // phi = pi/2 - 2 atan(t ((1 - e sin phi) / (1 + e sin phi))^(e/2)): each pass gains a
    // factor of about e^2, so a few dozen passes settle it to the last bit.
    const double e = std::sqrt(wgs84_e2);
    double phi = std::numbers::pi / 2.0 - 2.0 * std::atan(t);
    for (int pass = 0; pass < 40; ++pass) {
        const double s = std::sin(phi);
        const double next = std::numbers::pi / 2.0 -
                            2.0 * std::atan(t * std::pow((1.0 - e * s) / (1.0 + e * s), e / 2.0));
        const bool settled = next == phi;
        phi = next;
        if (settled) {
            break;
        }
    }
    const double lambda = p.north ? std::atan2(dx, -dy) : std::atan2(dx, dy);
    return {degrees(p.north ? phi : -phi), normalised(degrees(lambda))};
}

// ---- letters ------------------------------------------------------------------------------

// The polar zone of `band`, or null for a UTM band.
const polar_zone* polar_zone_of(char band) {
    const auto z = std::find_if(polar_zones.begin(), polar_zones.end(),
                                [&](const polar_zone& k) { return k.band == band; });
    return z == polar_zones.end() ? nullptr : &*z;
}

char polar_band(const grid_point& p) {
    const bool east = p.easting >= ups_false_origin;
    return p.north ? (east ? 'Z' : 'Y') : (east ? 'B' : 'A');
}

std::string figures(std::int64_t metres, int digits) {
    std::string text = std::to_string(metres / powers_of_ten[static_cast<std::size_t>(5 - digits)]);
    return std::string(
               static_cast<std::size_t>(digits) - std::min(text.size(), std::size_t(digits)), '0') +
           text;
}

// Column and row letters of the square that holds `p`, or '\0' where none does.
std::array<char, 2> square_letters(const grid_point& p, char band, std::int64_t e100,
                                   std::int64_t n100) {
    const auto letter = [](std::string_view set, std::int64_t i) {
        return i >= 0 && i < static_cast<std::int64_t>(set.size())
                   ? set[static_cast<std::size_t>(i)]
                   : '\0';
    };
    if (p.zone == 0) {
        const polar_zone& z = *polar_zone_of(band);
        return {letter(z.columns, e100 - z.first_column), letter(z.rows, n100 - z.first_row)};
    }
    const std::int64_t shift = p.zone % 2 == 0 ? even_zone_row_shift : 0;
    return {letter(utm_columns[static_cast<std::size_t>((p.zone - 1) % 3)], e100 - 1),
            n100 < 0 ? '\0' : utm_rows[static_cast<std::size_t>((n100 + shift) % 20)]};
}

std::string written(const grid_point& p, char band, int digits, form f) {
    check_digits(digits);
    const double e = std::floor(p.easting);
    const double n = std::floor(p.northing);
    const std::array<char, 2> letters =
        std::isfinite(e) && std::isfinite(n)
            ? square_letters(p, band, static_cast<std::int64_t>(std::floor(e / square_side)),
                             static_cast<std::int64_t>(std::floor(n / square_side)))
            : std::array<char, 2>{'\0', '\0'};
    if (letters[0] == '\0' || letters[1] == '\0') {
        refuse(reason::outside_range, "easting " + std::to_string(p.easting) + " and northing " +
                                          std::to_string(p.northing) +
                                          " lie in no lettered square of their grid");
    }
    const std::string gap = f == form::spaced ? " " : "";
    std::string text;
    if (p.zone != 0) {
        // Two figures always; appended rather than concatenated to a literal, which g++ 12's
        // -Wrestrict misreads at -O3.
        text.append(p.zone < 10 ? 1 : 0, '0').append(std::to_string(p.zone));
    }
    text += std::string(1, band) + gap + letters[0] + letters[1];
    if (digits > 0) {
        const auto ie = static_cast<std::int64_t>(e) % whole_square;
        const auto in = static_cast<std::int64_t>(n) % whole_square;
        text += gap + figures(ie, digits) + gap + figures(in, digits);
    }
    return text;
}

// ---- reading ------------------------------------------------------------------------------

// A reference's text in its parts: the zone number (-1 where none is written), the band and
// square letters, the digits.
struct text_parts {
    int zone;
    char band;
    char column;
    char row;
    std::string digits;
};

std::string quoted(std::string_view text) {
    return "MGRS reference \"" + std::string(text) + "\" ";
}

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}
bool is_letter(char c) {
    return c >= 'A' && c <= 'Z';
}

// Upper case, blanks left out.
std::string squeezed(std::string_view text) {
    std::string s;
    for (char c : text) {
        if (c != ' ' && c != '\t') {
            s += c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        }
    }
    return s;
}

text_parts split(std::string_view text) {
    const std::string s = squeezed(text);
    std::size_t i = 0;
    while (i < s.size() && is_digit(s[i])) {
        ++i;
    }
    if (i > 2 || s.size() < i + 3 || !is_letter(s[i]) || !is_letter(s[i + 1]) ||
        !is_letter(s[i + 2])) {
        refuse(reason::malformed, quoted(text) +
                                      "is not a grid zone (zone number and band letter), two "
                                      "square letters and digits");
    }
    text_parts parts{i == 0 ? -1 : std::stoi(s.substr(0, i)), s[i], s[i + 1], s[i + 2],
                     s.substr(i + 3)};
    if (!std::all_of(parts.digits.begin(), parts.digits.end(), is_digit)) {
        refuse(reason::malformed,
               quoted(text) + "holds a character other than digits after the square letters");
    }
    return parts;
}

void check_parts(std::string_view text, const text_parts& t) {
    for (const char c : {t.band, t.column, t.row}) {
        if (c == 'I' || c == 'O') {
            refuse(reason::no_such_letter,
                   quoted(text) + "holds " + std::string(1, c) + ": I and O are no MGRS letters");
        }
    }
    const std::size_t n = t.digits.size();
    if (n % 2 != 0) {
        refuse(reason::odd_digits, quoted(text) + "has " + std::to_string(n) +
                                       " digits: the easting and northing take half each");
    }
    if (n > 2 * max_digits) {
        refuse(reason::outside_range,
               quoted(text) + "has " + std::to_string(n) + " digits: at most 5 per coordinate");
    }
    const bool polar = polar_zone_of(t.band) != nullptr;
    if (t.zone < 0 && !polar) {
        refuse(reason::malformed,
               quoted(text) + "lacks the zone number of band " + std::string(1, t.band));
    }
    if (t.zone >= 0 && polar) {
        refuse(reason::malformed, quoted(text) + "gives a zone number to polar band " +
                                      std::string(1, t.band) + ", which takes none");
    }
    if (t.zone == 0 || t.zone > 60) {
        refuse(reason::no_such_zone,
               quoted(text) + "names zone " + std::to_string(t.zone) + ": zones are 1 .. 60");
    }
    if (t.band == 'X' && (t.zone == 32 || t.zone == 34 || t.zone == 36)) {
        refuse(reason::no_such_zone, quoted(text) + "names zone " + std::to_string(t.zone) +
                                         "X, which MGRS leaves out: Svalbard lies in 31X, 33X, "
                                         "35X and 37X");
    }
}

// The northing (metres, with the hemisphere's false northing) of `latitude` at `offset`
// degrees from the central meridian.
double band_edge_northing(double latitude, double offset, bool north) {
    const double n =
        etm::lat_long_to_grid(utm_projection(), radians(latitude), radians(offset)).northing;
    return north ? n : n + utm_false_northing_south;
}

// The 100 km row (northing / 100 km) of row letter `row` that band `band` holds in `zone`, or
// -1: the rows that meet the band anywhere across the zone (the exceptions' wider zones
// included), the parallels bowing away from the equator towards the zone's edges.
std::int64_t band_row(int zone, int band, int row) {
    const bool north = band >= first_northern_band;
    const double south = utm_south_limit + band_height * band;
    const double top = band == band_x ? utm_north_limit : south + band_height;
    const bool wide = (band == band_v || band == band_x) && zone >= 31 && zone <= 37;
    const double edge = wide ? 6.0 : 3.0;
    const double low =
        std::min(band_edge_northing(south, 0.0, north), band_edge_northing(south, edge, north));
    const double high =
        std::max(band_edge_northing(top, 0.0, north), band_edge_northing(top, edge, north));
    const auto first = static_cast<std::int64_t>(std::floor(low / square_side));
    const auto last = static_cast<std::int64_t>(std::floor(high / square_side));
    const std::int64_t shift = zone % 2 == 0 ? even_zone_row_shift : 0;
    const std::int64_t target = ((row - shift) % 20 + 20) % 20;
    const std::int64_t k = first + ((target - first) % 20 + 20) % 20;
    return k <= last ? k : -1;
}

std::int64_t digits_value(std::string_view figures) {
    std::int64_t v = 0;
    for (const char c : figures) {
        v = v * 10 + (c - '0');
    }
    return v;
}

std::array<std::int64_t, 2> utm_square(std::string_view text, const text_parts& t) {
    const std::string_view columns = utm_columns[static_cast<std::size_t>((t.zone - 1) % 3)];
    const std::size_t column = columns.find(t.column);
    if (column == std::string_view::npos) {
        refuse(reason::no_such_letter, quoted(text) + "has column letter " +
                                           std::string(1, t.column) + ", not one of zone " +
                                           std::to_string(t.zone) + "'s " + std::string(columns));
    }
    const std::size_t row = utm_rows.find(t.row);
    if (row == std::string_view::npos) {
        refuse(reason::no_such_letter, quoted(text) + "has row letter " + std::string(1, t.row) +
                                           ", not one of " + std::string(utm_rows));
    }
    const int band = static_cast<int>(utm_bands.find(t.band));
    const std::int64_t k = band_row(t.zone, band, static_cast<int>(row));
    if (k < 0) {
        refuse(reason::band_without_square, quoted(text) + "names a square that band " +
                                                std::string(1, t.band) + " of zone " +
                                                std::to_string(t.zone) + " does not hold");
    }
    return {static_cast<std::int64_t>(column) + 1, k};
}

std::array<std::int64_t, 2> polar_square(std::string_view text, const text_parts& t) {
    const polar_zone& z = *polar_zone_of(t.band);
    const std::size_t column = z.columns.find(t.column);
    if (column == std::string_view::npos) {
        refuse(reason::no_such_letter, quoted(text) + "has column letter " +
                                           std::string(1, t.column) + ", not one of band " +
                                           std::string(1, t.band) + "'s " + std::string(z.columns));
    }
    const std::size_t row = z.rows.find(t.row);
    if (row == std::string_view::npos) {
        refuse(reason::square_outside_zone,
               quoted(text) + "has row letter " + std::string(1, t.row) +
                   ", beyond the polar grid's rows " + std::string(z.rows));
    }
    return {z.first_column + static_cast<std::int64_t>(column),
            z.first_row + static_cast<std::int64_t>(row)};
}

}  // namespace

int standard_zone(double latitude, double longitude) {
    check_point(latitude, longitude);
    if (latitude < utm_south_limit || latitude >= utm_north_limit) {
        return 0;
    }
    const double lon = normalised(longitude);
    const int zone = std::min(static_cast<int>(std::floor((lon + 180.0) / 6.0)) + 1, 60);
    const int band = band_index(latitude);
    if (band == band_v && zone == 31 && lon >= 3.0) {
        return 32;  // Norway: 32V reaches west to 3 E
    }
    if (band == band_x && lon >= 0.0 && lon < 42.0) {
        // Svalbard: 31X, 33X, 35X, 37X, 12 degrees wide (9 at the ends), centred on the odd
        // zones' meridians.
        return 31 + 2 * static_cast<int>(std::floor((lon + 3.0) / 12.0));
    }
    return zone;
}

grid_point to_grid(double latitude, double longitude) {
    const int zone = standard_zone(latitude, longitude);
    return zone == 0 ? ups_forward(latitude, longitude) : utm_forward(zone, latitude, longitude);
}

geographic to_geographic(const grid_point& p) {
    return p.zone == 0 ? ups_inverse(p) : utm_inverse(p);
}

std::string format(double latitude, double longitude, int digits, form f) {
    check_digits(digits);
    const grid_point p = to_grid(latitude, longitude);
    const char band =
        p.zone == 0 ? polar_band(p) : utm_bands[static_cast<std::size_t>(band_index(latitude))];
    return written(p, band, digits, f);
}

std::string format(const grid_point& p, int digits, form f) {
    check_digits(digits);
    if (p.zone == 0) {
        return written(p, polar_band(p), digits, f);
    }
    const double latitude = to_geographic(p).latitude;
    return written(p, utm_bands[static_cast<std::size_t>(band_index(latitude))], digits, f);
}

square parse(std::string_view text) {
    const text_parts t = split(text);
    check_parts(text, t);
    const bool polar = t.zone < 0;
    const std::array<std::int64_t, 2> sq = polar ? polar_square(text, t) : utm_square(text, t);
    const int digits = static_cast<int>(t.digits.size() / 2);
    const std::int64_t unit = powers_of_ten[static_cast<std::size_t>(max_digits - digits)];
    const std::string_view half = t.digits;
    const std::int64_t e = sq[0] * whole_square + digits_value(half.substr(0, digits)) * unit;
    const std::int64_t n = sq[1] * whole_square + digits_value(half.substr(digits)) * unit;
    const bool north =
        polar ? (t.band == 'Y' || t.band == 'Z') : utm_bands.find(t.band) >= first_northern_band;
    return {{polar ? 0 : t.zone, north, static_cast<double>(e), static_cast<double>(n)},
            t.band,
            static_cast<double>(unit)};
}

geographic read(std::string_view text, anchor a) {
    return to_geographic(position(parse(text), a));
}

grid_point position(const square& s, anchor a) {
    grid_point p = s.corner;
    if (a == anchor::centre) {
        p.easting += s.side / 2.0;
        p.northing += s.side / 2.0;
    }
    return p;
}

}  // namespace mgrs
