#include "batch_systems.hpp"

#include <algorithm>
#include <system_error>
#include <thread>

namespace batch::systems {

namespace {

using namespace std::string_view_literals;

constexpr std::array bng_aliases{"osgb36"sv};
constexpr std::array wgs84_aliases{"latlon"sv};
constexpr std::span<const std::string_view> no_aliases;

constexpr std::array grid_fields{"easting"sv, "northing"sv};
constexpr std::array utm_fields{"zone"sv, "easting"sv, "northing"sv};
constexpr std::array angle_fields{"latitude"sv, "longitude"sv};
constexpr std::array reference_fields{"reference"sv};

// In the order of `system_id`.
constexpr std::array<system_entry, all.size()> table{{
    {system_id::bng, "bng", bng_aliases, "BNG", grid_fields, coordinate_system::bng, false},
    {system_id::gridref, "gridref", no_aliases, "BNG", reference_fields, coordinate_system::bng,
     true},
    {system_id::utm, "utm", no_aliases, "UTM", utm_fields, coordinate_system::utm, false},
    {system_id::wgs84, "wgs84", wgs84_aliases, "WGS84", angle_fields, coordinate_system::wgs84,
     false},
    {system_id::lv03, "lv03", no_aliases, "LV03", grid_fields, coordinate_system::lv03, false},
    {system_id::lv95, "lv95", no_aliases, "LV95", grid_fields, coordinate_system::lv95, false},
    {system_id::etrs89, "etrs89", no_aliases, "ETRS89", angle_fields, coordinate_system::etrs89,
     false},
    {system_id::mgrs, "mgrs", no_aliases, "MGRS", reference_fields, coordinate_system::wgs84, true},
}};

constexpr bool table_in_order() {
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (table[i].id != all[i] || static_cast<std::size_t>(all[i]) != i) {
            return false;
        }
    }
    return true;
}
static_assert(table_in_order(), "the table is indexed by system_id");

constexpr std::array<input_member, 2> grid_members{&points::easting, &points::northing};
constexpr std::array<input_member, 3> utm_members{&points::zone, &points::easting,
                                                  &points::northing};
constexpr std::array<input_member, 2> angle_members{&points::latitude, &points::longitude};

bool same_in_any_case(std::string_view a, std::string_view b) {
    const auto lower = [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == y; });
}

bool national(system_id s) {
    return s == system_id::bng || s == system_id::gridref;
}

bool world_angles(system_id s) {
    return s == system_id::wgs84 || s == system_id::mgrs;
}

template <class T>
std::span<T> slice(std::span<T> s, std::size_t first, std::size_t count) noexcept {
    return s.empty() ? s : s.subspan(first, count);
}

}  // namespace

const system_entry& entry(system_id id) noexcept {
    return table[static_cast<std::size_t>(id)];
}

std::optional<system_id> from_name(std::string_view name) noexcept {
    for (const system_entry& e : table) {
        if (same_in_any_case(name, e.name) ||
            std::any_of(e.aliases.begin(), e.aliases.end(),
                        [&](std::string_view alias) { return same_in_any_case(name, alias); })) {
            return e.id;
        }
    }
    return std::nullopt;
}

std::string_view name(coordinate_system core) noexcept {
    const auto e = std::find_if(table.begin(), table.end(), [&](const system_entry& k) {
        return k.core == core && !k.lettered;
    });
    return e->name;
}

bool is_offered(system_id from, system_id to, datum_method method) noexcept {
    if (reads_only(from, to)) {
        return from != to && method == datum_method::helmert;
    }
    return batch::is_offered(entry(from).core, entry(to).core, method);
}

bool reads_only(system_id from, system_id to) noexcept {
    return (national(from) && national(to)) || (world_angles(from) && world_angles(to));
}

std::span<const input_member> input_members(coordinate_system core) noexcept {
    switch (core) {
        case coordinate_system::utm:
            return utm_members;
        case coordinate_system::wgs84:
        case coordinate_system::etrs89:
            return angle_members;
        default:
            return grid_members;
    }
}

points points_of(coordinate_system from,
                 std::span<const std::span<const double>> columns) noexcept {
    points p;
    const std::span<const input_member> members = input_members(from);
    for (std::size_t i = 0; i < members.size() && i < columns.size(); ++i) {
        p.*members[i] = columns[i];
    }
    return p;
}

std::vector<result_column> result_columns(const conversion& c) {
    using enum coordinate_system;
    using enum column_unit;
    if (c.to == wgs84 || c.to == etrs89) {
        return {{"latitude", false, degrees, nullptr, &results::latitude},
                {"longitude", false, degrees, nullptr, &results::longitude}};
    }
    // Precise mode gives the grid's metres as they are beside the whole metres.
    const bool precise = c.method == datum_method::ostn15;
    const auto grid = [&](std::string_view field, bool alt, std::span<std::int32_t> results::*whole,
                          std::span<double> results::*real) {
        return result_column{field, alt, metres, whole, precise ? real : nullptr};
    };
    std::vector<result_column> columns;
    if (c.to == utm) {
        columns.push_back({"zone", false, zone, &results::zone, nullptr});
    }
    columns.push_back(grid("easting", false, &results::easting, &results::easting_metres));
    columns.push_back(grid("northing", false, &results::northing, &results::northing_metres));
    if (c.alt) {
        columns.push_back({"zone", true, zone, &results::alt_zone, nullptr});
        columns.push_back(
            grid("easting", true, &results::alt_easting, &results::alt_easting_metres));
        columns.push_back(
            grid("northing", true, &results::alt_northing, &results::alt_northing_metres));
    }
    return columns;
}

results result_arrays::sized(const conversion& c, std::size_t n) {
    status_.resize(n);
    const std::size_t count = result_columns(c).size();
    whole_.resize(std::max(whole_.size(), count));
    real_.resize(std::max(real_.size(), count));
    return shaped_results(
        c, status_,
        [&](std::size_t i) {
            whole_[i].resize(n);
            return std::span<std::int32_t>(whole_[i]);
        },
        [&](std::size_t i) {
            real_[i].resize(n);
            return std::span<double>(real_[i]);
        });
}

points slice(const points& in, std::size_t first, std::size_t count) noexcept {
    return {slice(in.zone, first, count),      slice(in.easting, first, count),
            slice(in.northing, first, count),  slice(in.latitude, first, count),
            slice(in.longitude, first, count), slice(in.band, first, count)};
}

results slice(const results& out, std::size_t first, std::size_t count) noexcept {
    return {slice(out.status, first, count),
            slice(out.zone, first, count),
            slice(out.easting, first, count),
            slice(out.northing, first, count),
            slice(out.latitude, first, count),
            slice(out.longitude, first, count),
            slice(out.alt_zone, first, count),
            slice(out.alt_easting, first, count),
            slice(out.alt_northing, first, count),
            slice(out.easting_metres, first, count),
            slice(out.northing_metres, first, count),
            slice(out.alt_easting_metres, first, count),
            slice(out.alt_northing_metres, first, count)};
}

bool in_parts(std::size_t n, std::size_t threads,
              const std::function<bool(std::size_t first, std::size_t count)>& part) {
    const std::size_t parts =
        std::clamp<std::size_t>(n / min_points_per_thread, 1, std::max<std::size_t>(threads, 1));
    const std::size_t per_part = (n + parts - 1) / parts;
    std::vector<char> accepted(parts, 1);
    std::vector<std::thread> workers;
    workers.reserve(parts);
    std::size_t index = 1;
    for (std::size_t first = per_part; first < n; first += per_part, ++index) {
        const std::size_t count = std::min(per_part, n - first);
        const auto run = [&part, &accepted, first, count, index] {
            accepted[index] = part(first, count) ? 1 : 0;
        };
        try {
            workers.emplace_back(run);
        } catch (const std::system_error&) {
            run();  // no thread to spare: this one converts the part
        }
    }
    accepted[0] = part(0, std::min(per_part, n)) ? 1 : 0;
    for (std::thread& w : workers) {
        w.join();
    }
    return std::all_of(accepted.begin(), accepted.end(), [](char a) { return a != 0; });
}

bool convert_parallel(const conversion& c, const points& in, const results& out,
                      std::size_t threads) {
    if (!refusal_of(c, in, out).none()) {
        return false;
    }
    return in_parts(out.status.size(), threads, [&](std::size_t first, std::size_t count) {
        return convert(c, slice(in, first, count), slice(out, first, count));
    });
}

}  // namespace batch::systems
