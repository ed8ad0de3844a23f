#include "utm-datum_transformations-ostn15.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <optional>

#include "utm-bng.hpp"
#include "utm-datum_transformations.hpp"
#include "utm-exact_transverse_mercator.hpp"
#include "utm-exceptions.hpp"
#include "utm.hpp"

#include "detail/ostn15.hpp"
#include "detail/ostn15_steps.hpp"
#include "detail/utm.hpp"

// Where the library's build installs the shift grid and where it leaves it in its build tree.
// A build that compiles this unit on its own (the fuzz target, the Python package) may know
// neither: the file is then found through TARNWICK_OSTN15 alone.
#ifndef TARNWICK_OSTN15_INSTALLED_FILE
#define TARNWICK_OSTN15_INSTALLED_FILE ""
#endif
#ifndef TARNWICK_OSTN15_BUILD_FILE
#define TARNWICK_OSTN15_BUILD_FILE ""
#endif

namespace utm::datum_transformations::ostn15 {

data_unavailable::data_unavailable(std::string message) noexcept
    : failure(global_types::failure_kind::data_unavailable, std::move(message)) {}

namespace {

namespace etm = utm::exact_transverse_mercator;
using global_types::constraint_error;
using global_types::zone_integer;

constexpr const char* how_to_get_the_data =
    "precise mode needs the OSTN15 shift grid: install Debian's libgeo-coordinates-osgb-perl "
    "and rebuild tarnwick (the build makes share/tarnwick/ostn15.dat from it and installs it), "
    "or set the environment variable TARNWICK_OSTN15 to such a file";

// File layout, all little-endian (written by tools/ostn15-data/ostn15_pack.cpp): "TWOSTN15",
// six 32-bit fields (version 1, columns, rows, node spacing in metres, east and north offset in
// millimetres), the east values, the north values (16 bits each), the 64-bit FNV-1a hash of
// everything before it.
constexpr std::array<unsigned char, 8> file_magic = {'T', 'W', 'O', 'S', 'T', 'N', '1', '5'};
constexpr std::size_t header_bytes = 32;
constexpr std::size_t node_count = std::size_t{shift_grid::columns} * shift_grid::rows;
constexpr std::size_t file_bytes = header_bytes + 4 * node_count + 8;

std::uint64_t little_endian(const unsigned char* p, int bytes) {
    std::uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        v = (v << 8) | p[i];
    }
    return v;
}

std::uint64_t fnv1a64(const unsigned char* p, std::size_t n) {
    std::uint64_t hash = 14695981039346656037ULL;
    for (std::size_t i = 0; i < n; ++i) {
        hash = (hash ^ p[i]) * 1099511628211ULL;
    }
    return hash;
}

[[noreturn]] void unusable(const std::string& path, const std::string& fault) {
    throw data_unavailable("OSTN15 shift grid " + path + ": " + fault + "; " + how_to_get_the_data);
}

struct loaded_grid {
    std::optional<shift_grid> grid;
    std::string error;
};

// The process's shift grid, read at the first use; immutable afterwards, so any thread may
// read it. A failure is kept too, and reported again at every use.
const loaded_grid& process_grid() {
    static const loaded_grid loaded = [] {
        const std::string path = shift_grid_file();
        if (path.empty()) {
            return loaded_grid{std::nullopt,
                               std::string("no OSTN15 shift grid found; ") + how_to_get_the_data};
        }
        try {
            return loaded_grid{read_shift_grid(path), {}};
        } catch (const data_unavailable& f) {
            return loaded_grid{std::nullopt, f.message()};
        }
    }();
    return loaded;
}

const shift_grid& grid() {
    const loaded_grid& loaded = process_grid();
    if (!loaded.grid) {
        throw data_unavailable(loaded.error);
    }
    return *loaded.grid;
}

using detail::meridian_turns;
using detail::national_grid_on_grs80;
using detail::utm_zone_on_grs80;

void require_finite(long_float a, long_float b, const char* what) {
    if (!std::isfinite(a) || !std::isfinite(b)) {
        throw constraint_error(std::string("precise mode: ") + what + " must be finite");
    }
}

using detail::iteration_limit;
using detail::last_easting;
using detail::last_northing;

// The shift grid's steps on doubles: one lane, its mask a bool.
struct scalar_lanes {
    using mask = bool;
    static int whole_below(long_float c, int last) { return std::min(static_cast<int>(c), last); }
    static long_float to_float(int i) { return i; }
    static std::size_t south_west(int column, int row) {
        return 2 * (static_cast<std::size_t>(row) * shift_grid::columns +
                    static_cast<std::size_t>(column));
    }
    static detail::nodes_of<long_float> nodes(const shift_grid& g, int column, int row) {
        const std::size_t sw = south_west(column, row);
        const std::size_t nw = sw + 2 * shift_grid::columns;
        const auto& v = g.values;
        const auto at = [&v](std::size_t i) { return static_cast<long_float>(v[i]); };
        return {at(sw),     at(sw + 2), at(nw + 2), at(nw),
                at(sw + 1), at(sw + 3), at(nw + 3), at(nw + 1)};
    }
    static mask all() { return true; }
    static mask no_lanes() { return false; }
    static bool none(mask m) { return !m; }
    static mask within(long_float x, long_float first, long_float last) {
        return x >= first && x <= last;
    }
    static mask both(mask a, mask b) { return a && b; }
    static mask either(mask a, mask b) { return a || b; }
    static mask and_not(mask a, mask b) { return a && !b; }
    static mask below(long_float a, long_float b) { return a < b; }
    static long_float select(mask m, long_float a, long_float b) { return m ? a : b; }
    static long_float clamp(long_float x, long_float first, long_float last) {
        return std::clamp(x, first, last);
    }
    static long_float max(long_float a, long_float b) { return std::max(a, b); }
    static long_float abs(long_float x) { return std::abs(x); }
};

bool inside_shifts(long_float x, long_float y) {
    return detail::inside_shifts<scalar_lanes>(x, y);
}

[[noreturn]] void outside_shifts(long_float x, long_float y) {
    if (!(x >= 0.0 && x <= last_easting)) {
        throw utm::exceptions::easting_out_of_range(
            "outside the OSTN15 shifts: ETRS89 grid easting " + std::to_string(x) +
            " m, the data cover 0 .. 700000 m");
    }
    throw utm::exceptions::northing_out_of_range(
        "outside the OSTN15 shifts: ETRS89 grid northing " + std::to_string(y) +
        " m, the data cover 0 .. 1250000 m");
}

void require_inside_shifts(long_float x, long_float y) {
    if (!inside_shifts(x, y)) [[unlikely]] {
        outside_shifts(x, y);
    }
}

using shift = detail::shift_of<long_float>;

// The shifts at an ETRS89 grid position; raises outside the shifts' extent.
shift shifts_at(const shift_grid& g, long_float x, long_float y) {
    require_inside_shifts(x, y);
    return detail::interpolated<scalar_lanes>(g, x, y);
}

// The ETRS89 Transverse Mercator grid position (metres) of a National Grid point.
etm::grid_point grid_of_bng(long_float easting, long_float northing) {
    const shift_grid& g = grid();
    require_finite(easting, northing, "National Grid easting and northing");
    long_float x = 0.0;
    long_float y = 0.0;
    const detail::way_back_of<scalar_lanes> end =
        detail::way_back<scalar_lanes>(g, easting, northing, x, y);
    if (end.outside) {
        outside_shifts(x, y);
    }
    if (!end.converged) {
        throw constraint_error(
            "precise mode: the way back from the National Grid did not converge");
    }
    return {x, y};
}

// The National Grid point of an ETRS89 grid position: the position with its shifts.
grid_point shifted(const shift_grid& g, const etm::grid_point& p) {
    const shift s = shifts_at(g, p.easting, p.northing);
    return {p.easting + s.east, p.northing + s.north};
}

void require_bng_zone(zone_integer zone) {
    if (zone < 29 || zone > 31) {
        throw utm::exceptions::zone_out_of_range(
            "precise mode: UTM zone " + std::to_string(zone.value()) +
            ", the National Grid converts with zones 29 .. 31");
    }
}

void require_northern_zone(zone_integer zone) {
    if (zone < 1) {
        throw utm::exceptions::zone_out_of_range("precise mode: UTM zone " +
                                                 std::to_string(zone.value()) +
                                                 ", ETRS89 converts with northern zones 1 .. 60");
    }
}

void require_utm_ranges(long_float easting, long_float northing) {
    require_finite(easting, northing, "UTM easting and northing");
    if (!(easting >= global_types::easting_integer::first &&
          easting <= global_types::easting_integer::last &&
          northing >= global_types::northing_integer::first &&
          northing <= global_types::northing_integer::last)) {
        throw constraint_error("precise mode: UTM easting " + std::to_string(easting) +
                               ", northing " + std::to_string(northing) +
                               " outside 0 .. 999999, 0 .. 11000000 m");
    }
}

// The standard zone of a longitude (radians); a boundary meridian belongs to the zone east of
// it, as in the library's automatic zone.
zone_integer zone_of_longitude(long_float longitude) {
    if (!(longitude >= -std::numbers::pi && longitude < std::numbers::pi)) {
        throw constraint_error("precise mode: longitude " + std::to_string(longitude) +
                               " rad outside [-pi, pi)");
    }
    return zone_integer::round(utm::detail::automatic_zone_number(longitude));
}

// A National Grid point on the conformal sphere of its ETRS89 grid position. From there a UTM
// zone on the same ellipsoid is a turn of the sphere away: the ETRS89 latitude, and the
// iteration that finds it, are not needed on the way to UTM.
etm::sphere_point sphere_of_bng(long_float easting, long_float northing) {
    const etm::grid_point p = grid_of_bng(easting, northing);
    return etm::grid_to_sphere(national_grid_on_grs80(), p.easting, p.northing);
}

// A point of the National Grid's conformal sphere in the northern zone `zone` (1 .. 60, checked
// by the caller) on GRS80.
utm_point utm_of_sphere(const etm::sphere_point& s, zone_integer zone) {
    const etm::grid_point p =
        etm::sphere_to_grid(utm_zone_on_grs80(zone), s, meridian_turns(zone).from_national_grid);
    require_utm_ranges(p.easting, p.northing);
    return {zone, p.easting, p.northing};
}

// Refuses a path that is not a regular file of the shift grid's size before it is opened: a
// device would be read without end, a FIFO would block, a directory fails only as a stream.
void require_shift_grid_file(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (status.type() == fs::file_type::not_found) {
        unusable(path, "does not exist");
    }
    if (error) {
        unusable(path, "cannot be read (" + error.message() + ")");
    }
    if (status.type() == fs::file_type::directory) {
        unusable(path, "is a directory");
    }
    if (status.type() != fs::file_type::regular) {
        unusable(path, "is not a regular file");
    }
    const std::uintmax_t size = fs::file_size(path, error);
    if (error) {
        unusable(path, "cannot be read (" + error.message() + ")");
    }
    if (size != file_bytes) {
        unusable(path,
                 "has " + std::to_string(size) + " bytes, expected " + std::to_string(file_bytes));
    }
}

}  // namespace

shift_grid read_shift_grid(const std::string& path) {
    require_shift_grid_file(path);
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        unusable(path, "cannot be read");
    }
    // Exactly the expected bytes and no more, should the file change after the check.
    std::vector<unsigned char> bytes(file_bytes);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(file_bytes));
    const auto got = static_cast<std::size_t>(in.gcount());
    if (got != file_bytes || in.peek() != std::ifstream::traits_type::eof()) {
        unusable(path, "changed while it was read, it no longer has " + std::to_string(file_bytes) +
                           " bytes");
    }
    const unsigned char* p = bytes.data();
    if (!std::equal(file_magic.begin(), file_magic.end(), p) || little_endian(p + 8, 4) != 1 ||
        little_endian(p + 12, 4) != shift_grid::columns ||
        little_endian(p + 16, 4) != shift_grid::rows ||
        little_endian(p + 20, 4) != static_cast<std::uint64_t>(shift_grid::spacing)) {
        unusable(path, "not a shift grid of the expected layout");
    }
    if (fnv1a64(p, file_bytes - 8) != little_endian(p + file_bytes - 8, 8)) {
        unusable(path, "checksum mismatch, the file is damaged");
    }
    shift_grid g;
    g.east_offset_mm =
        static_cast<std::int32_t>(static_cast<std::uint32_t>(little_endian(p + 24, 4)));
    g.north_offset_mm =
        static_cast<std::int32_t>(static_cast<std::uint32_t>(little_endian(p + 28, 4)));
    // East and north of a node side by side: the interpolation reads them together.
    g.values.resize(2 * node_count);
    const unsigned char* east = p + header_bytes;
    const unsigned char* north = east + 2 * node_count;
    for (std::size_t i = 0; i < node_count; ++i) {
        g.values[2 * i] = static_cast<std::uint16_t>(little_endian(east + 2 * i, 2));
        g.values[2 * i + 1] = static_cast<std::uint16_t>(little_endian(north + 2 * i, 2));
    }
    return g;
}

std::string shift_grid_file() {
    if (const char* named = std::getenv("TARNWICK_OSTN15"); named != nullptr && *named != '\0') {
        return named;
    }
    std::error_code error;
    for (const char* candidate : {TARNWICK_OSTN15_INSTALLED_FILE, TARNWICK_OSTN15_BUILD_FILE}) {
        if (*candidate != '\0' && std::filesystem::is_regular_file(candidate, error)) {
            return candidate;
        }
    }
    return {};
}

grid_point from_etrs89_to_bng(long_float latitude, long_float longitude) {
    const shift_grid& g = grid();
    return shifted(g, etm::lat_long_to_grid(national_grid_on_grs80(), latitude, longitude));
}

etrs89_point from_bng_to_etrs89(long_float easting, long_float northing) {
    const etm::grid_point p = grid_of_bng(easting, northing);
    const etm::lat_long_point ll =
        etm::grid_to_lat_long(national_grid_on_grs80(), p.easting, p.northing);
    return {ll.latitude, ll.longitude};
}

utm_point from_etrs89_to_utm(long_float latitude, long_float longitude, zone_integer zone) {
    require_northern_zone(zone);
    const etm::grid_point p = etm::lat_long_to_grid(utm_zone_on_grs80(zone), latitude, longitude);
    require_utm_ranges(p.easting, p.northing);
    return {zone, p.easting, p.northing};
}

utm_point from_etrs89_to_utm(long_float latitude, long_float longitude) {
    return from_etrs89_to_utm(latitude, longitude, zone_of_longitude(longitude));
}

etrs89_point from_utm_to_etrs89(zone_integer zone, long_float easting, long_float northing) {
    require_northern_zone(zone);
    require_utm_ranges(easting, northing);
    const etm::lat_long_point ll =
        etm::grid_to_lat_long(utm_zone_on_grs80(zone), easting, northing);
    return {ll.latitude, ll.longitude};
}

utm_point from_bng_to_utm(long_float easting, long_float northing) {
    const etm::sphere_point s = sphere_of_bng(easting, northing);
    return utm_of_sphere(s,
                         zone_of_longitude(etm::longitude_on_sphere(national_grid_on_grs80(), s)));
}

utm_point from_bng_to_utm(long_float easting, long_float northing, zone_integer zone) {
    require_bng_zone(zone);
    return utm_of_sphere(sphere_of_bng(easting, northing), zone);
}

grid_point from_utm_to_bng(zone_integer zone, long_float easting, long_float northing) {
    require_bng_zone(zone);
    require_utm_ranges(easting, northing);
    const etm::sphere_point s = etm::grid_to_sphere(utm_zone_on_grs80(zone), easting, northing);
    const etm::grid_point p =
        etm::sphere_to_grid(national_grid_on_grs80(), s, meridian_turns(zone).to_national_grid);
    return shifted(grid(), p);
}

namespace detail {

const etm::projection& national_grid_on_grs80() {
    static const etm::projection tm = etm::make_projection(
        {major_axis_grs80, minor_axis_grs80, utm::bng::scale_on_central_meridian,
         utm::bng::latitude_of_natural_origin, utm::bng::longitude_of_natural_origin,
         utm::bng::false_origin_east, utm::bng::false_origin_north});
    return tm;
}

const etm::projection& utm_zone_on_grs80(zone_integer zone) {
    static const std::array<etm::projection, 60> zones = [] {
        std::array<etm::projection, 60> all{};
        for (int z = 1; z <= 60; ++z) {
            all[static_cast<std::size_t>(z - 1)] = etm::make_projection(
                {major_axis_grs80, minor_axis_grs80, utm::scale_on_central_meridian, 0.0,
                 utm::central_meridian(zone_integer(z)), utm::false_easting, 0.0});
        }
        return all;
    }();
    return zones[static_cast<std::size_t>(zone.value() - 1)];
}

const zone_turns& meridian_turns(zone_integer zone) {
    static const std::array<zone_turns, 60> turns = [] {
        std::array<zone_turns, 60> all{};
        for (int z = 1; z <= 60; ++z) {
            const etm::projection& utm = utm_zone_on_grs80(zone_integer(z));
            all[static_cast<std::size_t>(z - 1)] = {
                etm::turn_between(national_grid_on_grs80(), utm),
                etm::turn_between(utm, national_grid_on_grs80())};
        }
        return all;
    }();
    return turns[static_cast<std::size_t>(zone.value() - 1)];
}

const shift_grid* loaded_shift_grid() noexcept {
    const loaded_grid& loaded = process_grid();
    return loaded.grid ? &*loaded.grid : nullptr;
}

void prefetch_shifts(long_float easting, long_float northing) noexcept {
    const loaded_grid& loaded = process_grid();
    if (loaded.grid && detail::inside_shifts<scalar_lanes>(easting, northing)) {
        constexpr long_float per_metre = 1.0 / shift_grid::spacing;
        const std::size_t sw = scalar_lanes::south_west(
            scalar_lanes::whole_below(easting * per_metre, shift_grid::columns - 2),
            scalar_lanes::whole_below(northing * per_metre, shift_grid::rows - 2));
        __builtin_prefetch(&loaded.grid->values[sw]);
        __builtin_prefetch(&loaded.grid->values[sw + 2 * shift_grid::columns]);
    }
}

bool bng_of_etrs89_grid(const etm::grid_point& p, grid_point& b) noexcept {
    try {
        b = shifted(grid(), p);
        return true;
    } catch (const global_types::failure&) {
        return false;
    }
}

}  // namespace detail

}  // namespace utm::datum_transformations::ostn15
