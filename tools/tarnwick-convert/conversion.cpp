#include "conversion.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "grid_reference.hpp"
#include "text_values.hpp"
#include "utm-bng-utilities.hpp"
#include "utm-datum_transformations-global_bng.hpp"
#include "utm-datum_transformations-global_sncs.hpp"
#include "utm-datum_transformations-utm_bng.hpp"
#include "utm-datum_transformations-utm_sncs.hpp"
#include "utm-exceptions.hpp"
#include "utm-extensions.hpp"
#include "utm-sncs-conversions.hpp"
#include "utm-sncs.hpp"
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

constexpr double degrees_per_radian = 57.29577951308232;  // 180 / pi

constexpr std::string_view zone_out_of_range_name = "UTM.EXCEPTIONS.ZONE_OUT_OF_RANGE";
constexpr std::string_view argument_error_name = "ELEMENTARY_FUNCTIONS_EXCEPTIONS.ARGUMENT_ERROR";

struct system_entry {
    coordinate_system system;
    std::string_view name;
    std::vector<std::string> aliases;
    std::vector<std::string> fields;
    std::vector<std::vector<std::string>> usual_names;  // per field, lower case
};

// Header names of grid coordinates; the Swiss grids name the easting Y and the northing X.
const std::vector<std::string> easting_names{"e", "easting", "east", "x"};
const std::vector<std::string> northing_names{"n", "northing", "north", "y"};
const std::vector<std::string> swiss_easting_names{"e", "easting", "east", "y"};
const std::vector<std::string> swiss_northing_names{"n", "northing", "north", "x"};

std::vector<std::string> with_prefixed(std::vector<std::string> names, std::string_view prefix) {
    const std::size_t count = names.size();
    for (std::size_t i = 0; i < count; ++i) {
        names.push_back(std::string(prefix) + "_" + names[i]);
    }
    return names;
}

const std::array<system_entry, 6>& system_table() {
    static const std::array<system_entry, 6> table{{
        {coordinate_system::bng,
         "bng",
         {"osgb36"},
         {"easting", "northing"},
         {with_prefixed(easting_names, "bng"), with_prefixed(northing_names, "bng")}},
        {coordinate_system::gridref,
         "gridref",
         {},
         {"reference"},
         {{"ref", "gridref", "grid_ref", "grid ref", "grid reference", "reference"}}},
        {coordinate_system::utm,
         "utm",
         {},
         {"zone", "easting", "northing"},
         {{"zone", "utm_zone"},
          with_prefixed(easting_names, "utm"),
          with_prefixed(northing_names, "utm")}},
        {coordinate_system::wgs84,
         "wgs84",
         {"latlon"},
         {"latitude", "longitude"},
         {{"lat", "latitude", "wgs84_latitude"},
          {"lon", "long", "lng", "longitude", "wgs84_longitude"}}},
        {coordinate_system::lv03,
         "lv03",
         {},
         {"easting", "northing"},
         {with_prefixed(swiss_easting_names, "lv03"), with_prefixed(swiss_northing_names, "lv03")}},
        {coordinate_system::lv95,
         "lv95",
         {},
         {"easting", "northing"},
         {with_prefixed(swiss_easting_names, "lv95"), with_prefixed(swiss_northing_names, "lv95")}},
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

// A Swiss grid point; its frame is the system it belongs to.
struct sncs_point {
    std::int32_t easting;
    std::int32_t northing;
};

// One source point; which member holds it follows from the converter's `from`.
struct point {
    char band = '\0';  // a UTM zone's latitude band letter, when given
    bng_point bng{};
    utm_point utm{};
    geo_point geo{};
    sncs_point sncs{};
};

// The grid a step converts into, for the words of its failures.
enum class step_target { bng, utm, geo, lv03, lv95 };

using utm::sncs::local_reference_frame_enumeration;

local_reference_frame_enumeration frame_of(coordinate_system system) {
    return system == coordinate_system::lv03 ? local_reference_frame_enumeration::lv03
                                             : local_reference_frame_enumeration::lv95;
}

step_target target_of(local_reference_frame_enumeration frame) {
    return frame == local_reference_frame_enumeration::lv03 ? step_target::lv03 : step_target::lv95;
}

std::string describe(const global_types::failure& f, step_target target, int zone) {
    const std::string_view name = f.what();
    std::string reason;
    const bool swiss = target == step_target::lv03 || target == step_target::lv95;
    if (name == zone_out_of_range_name) {
        reason = "UTM zone " + std::to_string(zone) +
                 (swiss ? " is not a zone of the Swiss grids (31, 32)"
                        : " is not a zone of the National Grid (29 .. 31)");
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
            case step_target::lv03:
                reason = "outside the LV03 grid";
                break;
            case step_target::lv95:
                reason = "outside the LV95 grid";
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

geo_point sncs_to_geo(const sncs_point& p, local_reference_frame_enumeration frame) {
    return step(step_target::geo, 0, [&] {
        const auto r = utm::datum_transformations::global_sncs::from_sncs_to_wgs84_lat_long(
            major_axis, minor_axis, frame, p.easting, p.northing);
        return geo_point{r.latitude, r.longitude};
    });
}

utm_point sncs_to_utm(const sncs_point& p, local_reference_frame_enumeration frame) {
    namespace us = utm::datum_transformations::utm_sncs;
    return step(step_target::utm, 0, [&] {
        const auto r =
            frame == local_reference_frame_enumeration::lv03
                ? us::from_sncs_lv03_to_utm(major_axis, minor_axis, p.easting, p.northing)
                : us::from_sncs_lv95_to_utm(major_axis, minor_axis, p.easting, p.northing);
        return utm_point{r.zone_utm, r.easting_utm, r.northing_utm};
    });
}

sncs_point utm_to_sncs(const utm_point& u, local_reference_frame_enumeration frame) {
    namespace us = utm::datum_transformations::utm_sncs;
    return step(target_of(frame), u.zone, [&] {
        if (frame == local_reference_frame_enumeration::lv03) {
            const auto r =
                us::from_utm_to_sncs_lv03(major_axis, minor_axis, u.zone, u.northing, u.easting);
            return sncs_point{r.easting_sncs, r.northing_sncs};
        }
        const auto r =
            us::from_utm_to_sncs_lv95(major_axis, minor_axis, u.zone, u.northing, u.easting);
        return sncs_point{r.easting_sncs, r.northing_sncs};
    });
}

// A projected Swiss grid value in the range of `Grid`, with the tolerance the library grants
// on its way from UTM: up to `boundary_delta` metres outside is the range's end, further out
// raises `Failure`.
template <class Grid, class Failure>
std::int32_t sncs_within_tolerance(long_float metres) {
    constexpr global_types::grid_edges tolerance{
        .tolerance = utm::datum_transformations::utm_sncs::boundary_delta,
        .tolerance_in_whole_metres = true};
    return global_types::to_grid_integer<Grid, Failure>(metres, "grid value", tolerance);
}

// The library projects WGS84 into the Swiss grid without a range check (its way from UTM
// has one); a point of another country would come out as grid values outside the frame.
// The same check as on the way from UTM applies here, northing first.
template <class Easting, class Northing>
sncs_point geo_to_sncs_checked(const geo_point& g, local_reference_frame_enumeration frame) {
    return step(target_of(frame), 0, [&] {
        const auto r =
            utm::datum_transformations::global_sncs::from_wgs84_lat_long_to_sncs_unrounded(
                major_axis, minor_axis, g.latitude, g.longitude, 0.0, frame);
        const std::int32_t northing =
            sncs_within_tolerance<Northing, utm::exceptions::northing_out_of_range>(r.northing);
        const std::int32_t easting =
            sncs_within_tolerance<Easting, utm::exceptions::easting_out_of_range>(r.easting);
        return sncs_point{easting, northing};
    });
}

sncs_point geo_to_sncs(const geo_point& g, local_reference_frame_enumeration frame) {
    using namespace utm::sncs;
    return frame == local_reference_frame_enumeration::lv03
               ? geo_to_sncs_checked<easting_integer_sncs_lv03, northing_integer_sncs_lv03>(g,
                                                                                            frame)
               : geo_to_sncs_checked<easting_integer_sncs_lv95, northing_integer_sncs_lv95>(g,
                                                                                            frame);
}

// A latitude and longitude outside the National Grid: the message names which of the two is
// outside, and suggests the swap where the two swapped would lie on the grid.
bng_point geo_to_bng_explained(const geo_point& g, const std::string* fields) {
    try {
        return geo_to_bng(g);
    } catch (const row_failure& f) {
        const std::string reason = f.what();
        const bool northing = reason.find("NORTHING_OUT_OF_RANGE") != std::string::npos;
        const bool easting = reason.find("EASTING_OUT_OF_RANGE") != std::string::npos;
        if (!northing && !easting) {
            throw;
        }
        const std::string latitude = trimmed(fields[0]);
        const std::string longitude = trimmed(fields[1]);
        std::string text = northing ? "latitude " + latitude : "longitude " + longitude;
        text += " is outside the National Grid";
        if (std::fabs(g.longitude) <= std::fabs(std::asin(1.0))) {
            try {
                geo_to_bng({g.longitude, g.latitude});
                text += "; swapped (latitude " + longitude + ", longitude " + latitude +
                        ") the point would lie on it";
            } catch (const row_failure&) {
            }
        }
        throw row_failure(text + reason.substr(reason.rfind(" (")));
    }
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
    std::string lower(name);
    for (char& c : lower) {
        c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    for (const auto& e : system_table()) {
        if (e.name == lower ||
            std::find(e.aliases.begin(), e.aliases.end(), lower) != e.aliases.end()) {
            return e.system;
        }
    }
    return std::nullopt;
}

std::vector<std::string> input_fields(coordinate_system system) {
    return entry(system).fields;
}

std::vector<std::vector<std::string>> usual_column_names(coordinate_system system) {
    return entry(system).usual_names;
}

bool is_offered(coordinate_system from, coordinate_system to) {
    using enum coordinate_system;
    auto national = [](coordinate_system s) { return s == bng || s == gridref; };
    auto swiss = [](coordinate_system s) { return s == lv03 || s == lv95; };
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
    utm::sncs::conversions::start_up();
    utm::datum_transformations::global_sncs::start_up();
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
    if (options.dms && options.to != wgs84) {
        throw usage_error("--dms writes latitude and longitude; the result here is " +
                          std::string(system_name(options.to)));
    }
    if (options.digits && options.to != gridref) {
        throw usage_error("--digits sets the digits of a lettered reference; the result here is " +
                          std::string(system_name(options.to)));
    }
    if (options.digits &&
        (*options.digits < 0 || *options.digits > 10 || *options.digits % 2 != 0)) {
        throw usage_error("--digits " + std::to_string(*options.digits) +
                          ": a grid reference has 0, 2, 4, 6, 8 or 10 digits");
    }
    options_.digits = options.digits.value_or(10);
    // Result columns: the target system's name and the field, or the chosen prefix and the
    // field ("out_easting"); latitude and longitude and the reference go by their own names.
    const bool own = options.to == wgs84 || options.to == gridref;
    const std::string prefix = options.column_prefix.value_or(
        own ? std::string() : std::string(system_name(options.to)) + "_");
    for (const auto& field :
         options.to == gridref ? std::vector<std::string>{"gridref"} : entry(options.to).fields) {
        headers_.push_back(prefix + field);
    }
    if (options.alt) {
        const std::string alt = options.column_prefix ? prefix + "alt_" : "alt_utm_";
        headers_.insert(headers_.end(), {alt + "zone", alt + "easting", alt + "northing"});
    }
}

namespace {

template <class Checked>
Checked parse_easting(std::string_view text, std::string_view what) {
    return parse_grid_value<Checked, utm::exceptions::easting_out_of_range>(text, what);
}

template <class Checked>
Checked parse_northing(std::string_view text, std::string_view what) {
    return parse_grid_value<Checked, utm::exceptions::northing_out_of_range>(text, what);
}

// Refuses a field with control bytes (a NUL, a stray carriage return) before it is read, with
// the bytes shown escaped: nothing further on has to carry them through a message.
void check_printable(const std::string* fields, coordinate_system system) {
    const auto names = input_fields(system);
    for (std::size_t i = 0; i < names.size(); ++i) {
        for (const char c : fields[i]) {
            const auto byte = static_cast<unsigned char>(c);
            if ((byte < 0x20 && c != '\t') || byte == 0x7F) {
                throw row_failure(names[i] + " \"" + escaped(fields[i]) +
                                  "\" holds a control character (CONSTRAINT_ERROR)");
            }
        }
    }
}

// The latitude band letters of UTM, 8 degrees each from 80 S (C) to 72 N; X reaches 84 N.
constexpr std::string_view band_letters = "CDEFGHJKLMNPQRSTUVWX";
constexpr double band_tolerance_degrees = 1e-5;  // about a metre, the grid's rounding

char band_of(double latitude_degrees) {
    if (latitude_degrees < -80.0 || latitude_degrees > 84.0) {
        return '\0';
    }
    const auto i = static_cast<std::size_t>(std::floor((latitude_degrees + 80.0) / 8.0));
    return band_letters[std::min<std::size_t>(i, band_letters.size() - 1)];
}


// The shared grid-reference reader raises its own error; rows report it as the failure kinds
// of the core, like every other value out of range.
bng_point read_grid_reference(const std::string& text) {
    try {
        return parse_grid_reference(text);
    } catch (const grid_reference_error& e) {
        switch (e.kind()) {
            case grid_reference_error::reason::easting_out_of_range:
                throw utm::exceptions::easting_out_of_range(e.what());
            case grid_reference_error::reason::northing_out_of_range:
                throw utm::exceptions::northing_out_of_range(e.what());
            case grid_reference_error::reason::malformed:
                break;
        }
        throw global_types::constraint_error(e.what());
    }
}

// Reads the fields of a point of `system`; failures carry the reason in their message.
point parse_point(coordinate_system system, const std::string* fields) {
    using enum coordinate_system;
    point p;
    check_printable(fields, system);
    switch (system) {
        case bng:
            p.bng = {parse_easting<utm::bng::easting_integer_bng>(fields[0], "BNG easting"),
                     parse_northing<utm::bng::northing_integer_bng>(fields[1], "BNG northing")};
            break;
        case gridref:
            p.bng = read_grid_reference(fields[0]);
            break;
        case utm:
            p.utm = {parse_zone_field(fields[0], p.band),
                     parse_easting<easting_integer>(fields[1], "UTM easting"),
                     parse_northing<northing_integer>(fields[2], "UTM northing")};
            break;
        case wgs84:
            p.geo = {parse_latitude(fields[0]), parse_longitude(fields[1])};
            break;
        case lv03:
            p.sncs = {
                parse_easting<utm::sncs::easting_integer_sncs_lv03>(fields[0], "LV03 easting"),
                parse_northing<utm::sncs::northing_integer_sncs_lv03>(fields[1], "LV03 northing")};
            break;
        case lv95:
            p.sncs = {
                parse_easting<utm::sncs::easting_integer_sncs_lv95>(fields[0], "LV95 easting"),
                parse_northing<utm::sncs::northing_integer_sncs_lv95>(fields[1], "LV95 northing")};
            break;
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
    if (p.band != '\0') {
        const double latitude = utm_to_geo(p.utm).latitude * degrees_per_radian;
        if (band_of(latitude - band_tolerance_degrees) != p.band &&
            band_of(latitude + band_tolerance_degrees) != p.band) {
            const char actual = band_of(latitude);
            throw row_failure("UTM band " + std::string(1, p.band) + " does not hold the point" +
                              (actual != '\0' ? std::string(", which lies in band ") + actual
                                              : std::string(", which lies beyond the bands")) +
                              " (CONSTRAINT_ERROR)");
        }
    }

    auto to_geo = [&]() -> geo_point {
        switch (from) {
            case bng:
                return bng_to_geo(p.bng);
            case utm:
                return utm_to_geo(p.utm);
            case lv03:
            case lv95:
                return sncs_to_geo(p.sncs, frame_of(from));
            default:
                return p.geo;
        }
    };
    auto to_bng = [&]() -> bng_point {
        switch (from) {
            case utm:
                return utm_to_bng(p.utm);
            case wgs84:
                return geo_to_bng_explained(p.geo, fields);
            default:
                return p.bng;  // no Swiss source reaches here: the pair is not offered
        }
    };
    auto to_utm = [&]() -> utm_point {
        if (options_.zone) {
            const zone_integer zone(*options_.zone);
            return from == utm ? utm_to_zone(p.utm, zone) : geo_to_utm_in_zone(to_geo(), zone);
        }
        switch (from) {
            case bng:
                return bng_to_utm(p.bng);
            case lv03:
            case lv95:
                return sncs_to_utm(p.sncs, frame_of(from));
            default:
                return geo_to_utm(p.geo);
        }
    };
    auto to_sncs = [&](local_reference_frame_enumeration frame) -> sncs_point {
        // Points west of 6 degrees east lie in zone 31, where the tool writes them.
        if (from == utm && p.utm.zone != 31) {
            return utm_to_sncs(p.utm, frame);
        }
        return geo_to_sncs(to_geo(), frame);
    };

    switch (options_.to) {
        case bng: {
            const bng_point b = to_bng();
            out[0] = std::to_string(b.easting);
            out[1] = std::to_string(b.northing);
            break;
        }
        case gridref:
            out[0] = format_grid_reference(to_bng(), *options_.digits);
            break;
        case wgs84: {
            const geo_point g = to_geo();
            out[0] = format_angle(g.latitude, angle_kind::latitude, options_.dms);
            out[1] = format_angle(g.longitude, angle_kind::longitude, options_.dms);
            break;
        }
        case utm: {
            const utm_point u = to_utm();
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
        case lv95: {
            const sncs_point s = to_sncs(frame_of(options_.to));
            out[0] = std::to_string(s.easting);
            out[1] = std::to_string(s.northing);
            break;
        }
    }
}

}  // namespace tarnwick_convert
