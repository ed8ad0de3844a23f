#include "conversion.hpp"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>

#include "elementary_functions_exceptions.hpp"
#include "grid_reference.hpp"
#include "text_values.hpp"
#include "utm-bng-utilities.hpp"
#include "utm-datum_transformations-global_bng.hpp"
#include "utm-datum_transformations-utm_bng.hpp"
#include "utm-exceptions.hpp"
#include "utm-extensions.hpp"
#include "utm-utilities.hpp"
#include "utm.hpp"

namespace tarnwick_convert {

namespace {

using global_types::easting_integer;
using global_types::long_float;
using global_types::northing_integer;
using global_types::zone_integer;

// The UTM side of every conversion is WGS84, whose ellipsoid the library takes as GRS80.
constexpr long_float major_axis = utm::datum_transformations::major_axis_grs80;
constexpr long_float minor_axis = utm::datum_transformations::minor_axis_grs80;

constexpr std::string_view national_grid = "the National Grid";
constexpr std::string_view utm_grid = "the UTM grid";

constexpr std::string_view zone_out_of_range_name = "UTM.EXCEPTIONS.ZONE_OUT_OF_RANGE";
constexpr std::string_view easting_out_of_range_name = "UTM.EXCEPTIONS.EASTING_OUT_OF_RANGE";
constexpr std::string_view northing_out_of_range_name = "UTM.EXCEPTIONS.NORTHING_OUT_OF_RANGE";
constexpr std::string_view argument_error_name = "ELEMENTARY_FUNCTIONS_EXCEPTIONS.ARGUMENT_ERROR";

struct system_entry {
    coordinate_system system;
    std::string_view name;
    std::vector<std::string> fields;
};

const std::array<system_entry, 6>& system_table() {
    static const std::array<system_entry, 6> table{{
        {coordinate_system::bng, "bng", {"easting", "northing"}},
        {coordinate_system::gridref, "gridref", {"reference"}},
        {coordinate_system::utm, "utm", {"zone", "easting", "northing"}},
        {coordinate_system::wgs84, "wgs84", {"latitude", "longitude"}},
        {coordinate_system::lv03, "lv03", {"easting", "northing"}},
        {coordinate_system::lv95, "lv95", {"easting", "northing"}},
    }};
    return table;
}

const system_entry& entry(coordinate_system system) {
    return system_table()[static_cast<std::size_t>(system)];
}

struct utm_point {
    zone_integer zone;
    easting_integer easting;
    northing_integer northing;
};

struct geo_point {
    long_float latitude;   // radians
    long_float longitude;  // radians
};

// One source point; which member holds it follows from the converter's `from`.
struct point {
    bng_point bng{};
    utm_point utm{};
    geo_point geo{};
};

// The grid a step converts into, for the words of its failures.
enum class step_target { bng, utm, geo };

std::string describe(const global_types::failure& f, step_target target, int zone) {
    const std::string_view name = f.what();
    std::string reason;
    if (name == zone_out_of_range_name) {
        reason =
            "UTM zone " + std::to_string(zone) + " is not a zone of the National Grid (29 .. 31)";
    } else if (name == argument_error_name) {
        reason = "the projection has no solution for this point";
    } else {
        switch (target) {
            case step_target::bng:
                reason = "outside the National Grid";
                break;
            case step_target::utm:
                reason = "outside the grid of UTM zone " + std::to_string(zone);
                break;
            case step_target::geo:
                reason = "no latitude and longitude for this point";
                break;
        }
    }
    return reason + " (" + std::string(name) + ")";
}

// Runs one library step; its failure becomes the row's, in words that name the target grid.
template <class Step>
auto step(step_target target, int zone, Step&& run) -> decltype(run()) {
    try {
        return run();
    } catch (const global_types::failure& f) {
        throw row_failure(describe(f, target, zone));
    }
}

// A forced zone can put a point far off its central meridian, where the projection clamps
// the grid values instead of failing; a clamped value is not the point's position.
utm_point reject_clamped(utm_point p) {
    if (p.easting == easting_integer::last || p.northing == northing_integer::last) {
        throw global_types::constraint_error("beyond the easting or northing limit");
    }
    return p;
}

bng_point geo_to_bng(const geo_point& g) {
    return step(step_target::bng, 0, [&] {
        const auto r = utm::datum_transformations::global_bng::from_wgs84_lat_long_to_bng(
            major_axis, minor_axis, g.latitude, g.longitude, 0.0);
        return bng_point{r.easting_bng, r.northing_bng};
    });
}

geo_point bng_to_geo(const bng_point& b) {
    return step(step_target::geo, 0, [&] {
        const auto r = utm::datum_transformations::global_bng::from_bng_to_wgs84_lat_long(
            major_axis, minor_axis, b.easting, b.northing);
        return geo_point{r.latitude, r.longitude};
    });
}

geo_point utm_to_geo(const utm_point& u) {
    return step(step_target::geo, u.zone, [&] {
        const auto r = utm::grid_to_lat_long(major_axis, minor_axis, u.easting, u.northing, u.zone);
        return geo_point{r.latitude, r.longitude};
    });
}

bng_point utm_to_bng(const utm_point& u) {
    return step(step_target::bng, u.zone, [&] {
        const auto r = utm::datum_transformations::utm_bng::from_utm_to_bng(
            major_axis, minor_axis, u.easting, u.northing, u.zone);
        return bng_point{r.easting_bng, r.northing_bng};
    });
}

utm_point geo_to_utm_in_zone(const geo_point& g, zone_integer zone) {
    return step(step_target::utm, zone, [&] {
        const auto r = utm::lat_long_to_grid(major_axis, minor_axis, g.latitude, g.longitude, zone);
        return reject_clamped({zone, r.easting, r.northing});
    });
}

// The zone of the longitude, as the library chooses it. The library's choice is always a
// northern zone, which clamps southern northings to 0; a southern point therefore goes into
// the same zone number with the southern false northing.
utm_point geo_to_utm(const geo_point& g) {
    const auto r = step(step_target::utm, 0, [&] {
        return utm::extensions::lat_long_to_grid(major_axis, minor_axis, g.latitude, g.longitude);
    });
    if (g.latitude < 0.0) {
        return geo_to_utm_in_zone(g, zone_integer(-r.zone_out));
    }
    return {r.zone_out, r.easting, r.northing};
}

utm_point bng_to_utm(const bng_point& b) {
    return step(step_target::utm, 0, [&] {
        const auto r = utm::datum_transformations::utm_bng::from_bng_to_utm(major_axis, minor_axis,
                                                                            b.easting, b.northing);
        return utm_point{r.zone_utm, r.easting_utm, r.northing_utm};
    });
}

utm_point utm_to_zone(const utm_point& u, zone_integer zone) {
    return step(step_target::utm, zone, [&] {
        const auto r = utm::utilities::convert_to_overlap_zone(major_axis, minor_axis, u.zone,
                                                               u.easting, u.northing, zone);
        return reject_clamped({zone, r.overlap_easting, r.overlap_northing});
    });
}

// The neighbouring zone of a UTM result whose point lies in an overlap strip. A National Grid
// point asks the grid's own overlap region (as the desktop program does); any other point the
// limits of its UTM zone. Across 180 degrees the neighbours of zones 1 and 60 are each other.
std::optional<zone_integer> alternative_zone(const bng_point* b, const utm_point& u) {
    try {
        if (b != nullptr) {
            const auto r = utm::bng::utilities::is_in_overlap_region(b->northing, b->easting);
            if (r.is_overlapping && u.zone == r.overlap_zone_w) {
                return r.overlap_zone_e;
            }
            if (r.is_overlapping && u.zone == r.overlap_zone_e) {
                return r.overlap_zone_w;
            }
            return std::nullopt;
        }
        const auto r = utm::utilities::is_overlapping_zone(major_axis, minor_axis, u.zone,
                                                           u.easting, u.northing);
        if (!r.is_overlapping) {
            return std::nullopt;
        }
        return r.overlap_zone == 0 ? zone_integer(60) : r.overlap_zone;
    } catch (const global_types::failure&) {
        // The library numbers the eastern neighbour of zone 60 as 61 and rejects it.
        return u.zone == 60 ? std::optional<zone_integer>(1) : std::nullopt;
    }
}

}  // namespace

std::string_view system_name(coordinate_system system) {
    return entry(system).name;
}

std::optional<coordinate_system> system_from_name(std::string_view name) {
    for (const auto& e : system_table()) {
        if (e.name == name) {
            return e.system;
        }
    }
    return std::nullopt;
}

std::vector<std::string> input_fields(coordinate_system system) {
    return entry(system).fields;
}

bool is_offered(coordinate_system from, coordinate_system to) {
    using enum coordinate_system;
    auto national = [](coordinate_system s) { return s == bng || s == gridref; };
    auto swiss = [](coordinate_system s) { return s == lv03 || s == lv95; };
    if (swiss(from) || swiss(to)) {
        return false;  // the Swiss grids are not built into this program yet
    }
    if (from == to) {
        return from == utm;  // a zone change, with --zone
    }
    return !(national(from) && swiss(to)) && !(swiss(from) && national(to));
}

std::string offered_pairs_text() {
    std::string text;
    for (const auto from : all_systems) {
        std::string targets;
        for (const auto to : all_systems) {
            if (is_offered(from, to)) {
                targets += (targets.empty() ? "" : ", ") + std::string(system_name(to));
                if (from == to) {
                    targets += " (with --zone)";
                }
            }
        }
        if (!targets.empty()) {
            text +=
                (text.empty() ? "  " : "\n  ") + std::string(system_name(from)) + " -> " + targets;
        }
    }
    return text;
}

void start_up_library() {
    utm::start_up();
    utm::datum_transformations::global_bng::start_up();
}

converter::converter(const conversion_options& options)
    : options_(options), input_count_(entry(options.from).fields.size()) {
    using enum coordinate_system;
    if (!is_offered(options.from, options.to)) {
        throw usage_error("cannot convert " + std::string(system_name(options.from)) + " to " +
                          std::string(system_name(options.to)) + "; the pairs that work are:\n" +
                          offered_pairs_text());
    }
    if (options.zone && options.to != utm) {
        throw usage_error("--zone sets the zone of a UTM result; the result here is " +
                          std::string(system_name(options.to)));
    }
    if (options.zone && !(options.zone >= -60 && options.zone <= 60 && options.zone != 0)) {
        throw usage_error("--zone " + std::to_string(*options.zone) +
                          ": UTM zones are 1 .. 60, negative for the southern hemisphere");
    }
    if (options.from == utm && options.to == utm && !options.zone) {
        throw usage_error("utm to utm changes the zone: give the new zone with --zone");
    }
    if (options.alt && options.to != utm) {
        throw usage_error(
            "--alt gives the point in the neighbouring UTM zone; the result here "
            "is " +
            std::string(system_name(options.to)));
    }
    if (options.digits < 2 || options.digits > 10 || options.digits % 2 != 0) {
        throw usage_error("--digits " + std::to_string(options.digits) +
                          ": a grid reference has 2, 4, 6, 8 or 10 digits");
    }
    switch (options.to) {
        case bng:
            headers_ = {"bng_easting", "bng_northing"};
            break;
        case gridref:
            headers_ = {"gridref"};
            break;
        case utm:
            headers_ = {"utm_zone", "utm_easting", "utm_northing"};
            break;
        case wgs84:
            headers_ = {"latitude", "longitude"};
            break;
        case lv03:
            headers_ = {"lv03_easting", "lv03_northing"};
            break;
        case lv95:
            headers_ = {"lv95_easting", "lv95_northing"};
            break;
    }
    if (options.alt) {
        headers_.insert(headers_.end(), {"alt_utm_zone", "alt_utm_easting", "alt_utm_northing"});
    }
}

namespace {

// Reads the fields of a point of `system`; failures carry the reason in their message.
point parse_point(coordinate_system system, const std::string* fields) {
    using enum coordinate_system;
    point p;
    switch (system) {
        case bng:
            p.bng = {parse_grid_value<utm::bng::easting_integer_bng>(fields[0], "BNG easting",
                                                                     national_grid),
                     parse_grid_value<utm::bng::northing_integer_bng>(fields[1], "BNG northing",
                                                                      national_grid)};
            break;
        case gridref:
            p.bng = parse_grid_reference(fields[0]);
            break;
        case utm:
            p.utm = {parse_zone(fields[0]),
                     parse_grid_value<easting_integer>(fields[1], "UTM easting", utm_grid),
                     parse_grid_value<northing_integer>(fields[2], "UTM northing", utm_grid)};
            break;
        case wgs84:
            p.geo = {parse_latitude(fields[0]), parse_longitude(fields[1])};
            break;
        case lv03:
        case lv95:
            throw global_types::constraint_error("the Swiss grids are not built in");
    }
    return p;
}

void render_utm(const utm_point& u, std::string* out) {
    out[0] = std::to_string(u.zone.value());
    out[1] = std::to_string(u.easting.value());
    out[2] = std::to_string(u.northing.value());
}

}  // namespace

void converter::convert(const std::string* fields, std::vector<std::string>& out) const {
    using enum coordinate_system;
    const coordinate_system from = options_.from == gridref ? bng : options_.from;
    point p;
    try {
        p = parse_point(options_.from, fields);
    } catch (const global_types::failure& f) {
        throw row_failure(f.message() + " (" + f.what() + ")");
    }
    out.assign(headers_.size(), std::string());

    auto to_geo = [&]() -> geo_point {
        switch (from) {
            case bng:
                return bng_to_geo(p.bng);
            case utm:
                return utm_to_geo(p.utm);
            default:
                return p.geo;
        }
    };
    auto to_bng = [&]() -> bng_point {
        switch (from) {
            case utm:
                return utm_to_bng(p.utm);
            case wgs84:
                return geo_to_bng(p.geo);
            default:
                return p.bng;
        }
    };

    switch (options_.to) {
        case bng: {
            const bng_point b = to_bng();
            out[0] = std::to_string(b.easting.value());
            out[1] = std::to_string(b.northing.value());
            break;
        }
        case gridref:
            out[0] = format_grid_reference(to_bng(), options_.digits);
            break;
        case wgs84: {
            const geo_point g = to_geo();
            out[0] = format_angle(g.latitude, angle_kind::latitude, options_.dms);
            out[1] = format_angle(g.longitude, angle_kind::longitude, options_.dms);
            break;
        }
        case utm: {
            utm_point u;
            if (options_.zone) {
                const zone_integer zone(*options_.zone);
                u = from == utm ? utm_to_zone(p.utm, zone) : geo_to_utm_in_zone(to_geo(), zone);
            } else {
                u = from == bng ? bng_to_utm(p.bng) : geo_to_utm(p.geo);
            }
            render_utm(u, out.data());
            if (options_.alt) {
                if (const auto a = alternative_zone(from == bng ? &p.bng : nullptr, u)) {
                    try {
                        render_utm(utm_to_zone(u, *a), out.data() + 3);
                    } catch (const row_failure&) {
                        // No alternative where the neighbouring zone's grid cannot hold the
                        // point; the conversion itself stands.
                    }
                }
            }
            break;
        }
        case lv03:
        case lv95:
            break;
    }
}

}  // namespace tarnwick_convert
