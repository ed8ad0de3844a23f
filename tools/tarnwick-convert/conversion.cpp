#include "conversion.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <span>

#include "batch_wording.hpp"
#include "grid_reference.hpp"
#include "text_values.hpp"
#include "utm-datum_transformations-global_bng.hpp"
#include "utm-datum_transformations-global_sncs.hpp"
#include "utm-exceptions.hpp"
#include "utm-sncs-conversions.hpp"
#include "utm.hpp"

namespace tarnwick_convert {

namespace {

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

const std::array<system_entry, 7>& system_table() {
    static const std::array<system_entry, 7> table{{
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
        {coordinate_system::etrs89,
         "etrs89",
         {},
         {"latitude", "longitude"},
         {{"lat", "latitude", "etrs89_latitude"},
          {"lon", "long", "lng", "longitude", "etrs89_longitude"}}},
    }};
    return table;
}

const system_entry& entry(coordinate_system system) {
    return system_table()[static_cast<std::size_t>(system)];
}

// The core's system of a point of `system`; a lettered reference is a National Grid point.
batch::coordinate_system core_system(coordinate_system system) {
    using enum coordinate_system;
    switch (system) {
        case bng:
        case gridref:
            return batch::coordinate_system::bng;
        case utm:
            return batch::coordinate_system::utm;
        case wgs84:
            return batch::coordinate_system::wgs84;
        case lv03:
            return batch::coordinate_system::lv03;
        case lv95:
            return batch::coordinate_system::lv95;
        case etrs89:
            break;
    }
    return batch::coordinate_system::etrs89;
}

bool national(coordinate_system s) {
    return s == coordinate_system::bng || s == coordinate_system::gridref;
}

bool angles(coordinate_system s) {
    return s == coordinate_system::wgs84 || s == coordinate_system::etrs89;
}

// Refuses a field with control bytes (a NUL, a stray carriage return) before it is read, with
// the bytes shown escaped: nothing further on has to carry them through a message.
void check_printable(const std::string* fields, const std::vector<std::string>& names) {
    for (std::size_t i = 0; i < names.size(); ++i) {
        for (const char c : fields[i]) {
            const auto byte = static_cast<unsigned char>(c);
            if ((byte < 0x20 && c != '\t') || byte == 0x7F) {
                throw global_types::constraint_error(names[i] + " \"" + escaped(fields[i]) +
                                                     "\" holds a control character");
            }
        }
    }
}

// The points of a run of rows as the core takes them, and which row each one came from.
struct point_columns {
    std::vector<double> zone;
    std::vector<double> easting;
    std::vector<double> northing;
    std::vector<double> latitude;
    std::vector<double> longitude;
    std::vector<char> band;
    std::vector<std::size_t> row;

    batch::points points() const { return {zone, easting, northing, latitude, longitude, band}; }
};

// The shared grid-reference code raises its own error; rows report it as the failure kinds
// of the core, like every other value out of range.
template <class Grid_reference_step>
bng_point in_core_terms(Grid_reference_step step) {
    try {
        return step();
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

bng_point read_grid_reference(const std::string& text) {
    return in_core_terms([&] { return parse_grid_reference(text); });
}

// The whole-metre square a reference result is made from: the point truncated, not rounded.
bng_point square_holding(double easting, double northing) {
    return in_core_terms([&] { return metre_square(easting, northing); });
}

// Reads the fields of a point of `system` into `to`; a failure carries the reason in its
// message and adds nothing. National Grid metres that become a reference are checked here
// and kept as the square that holds them; all others are checked by the conversion.
void read_point(coordinate_system system, const std::string* fields, point_columns& to,
                bool national_result, utm_letter_convention letters) {
    using enum coordinate_system;
    if (system == bng && national_result) {
        const bng_point square = square_holding(parse_number(fields[0], "BNG easting"),
                                                parse_number(fields[1], "BNG northing"));
        to.easting.push_back(square.easting);
        to.northing.push_back(square.northing);
        return;
    }
    switch (system) {
        case bng:
        case lv03:
        case lv95: {
            const std::string grid = system == bng ? "BNG" : system == lv03 ? "LV03" : "LV95";
            const double e = parse_number(fields[0], grid + " easting");
            to.northing.push_back(parse_number(fields[1], grid + " northing"));
            to.easting.push_back(e);
            break;
        }
        case gridref: {
            const bng_point p = read_grid_reference(fields[0]);
            to.easting.push_back(p.easting);
            to.northing.push_back(p.northing);
            break;
        }
        case utm: {
            char band = '\0';
            const double zone = parse_zone_field(fields[0], band, letters);
            const double e = parse_number(fields[1], "UTM easting");
            to.northing.push_back(parse_number(fields[2], "UTM northing"));
            to.zone.push_back(zone);
            to.easting.push_back(e);
            to.band.push_back(band);
            break;
        }
        case wgs84:
        case etrs89: {
            const double latitude = parse_latitude(fields[0]);
            to.longitude.push_back(parse_longitude(fields[1]));
            to.latitude.push_back(latitude);
            break;
        }
    }
}

void set_whole(std::string& text, std::int32_t v) {
    text = std::to_string(v);
}

// Where the core writes the results of a run of rows.
struct result_columns {
    std::vector<batch::point_status> status;
    std::vector<std::int32_t> zone, easting, northing, alt_zone, alt_easting, alt_northing;
    std::vector<double> latitude, longitude, easting_metres, northing_metres, alt_easting_metres,
        alt_northing_metres;

    batch::results sized(const batch::conversion& c, std::size_t n) {
        using enum batch::coordinate_system;
        status.resize(n);
        batch::results r;
        r.status = status;
        if (c.to == wgs84 || c.to == etrs89) {
            latitude.resize(n);
            longitude.resize(n);
            r.latitude = latitude;
            r.longitude = longitude;
            return r;
        }
        for (auto* v : {&easting, &northing}) {
            v->resize(n);
        }
        r.easting = easting;
        r.northing = northing;
        if (c.to == utm) {
            zone.resize(n);
            r.zone = zone;
        }
        if (c.alt) {
            for (auto* v : {&alt_zone, &alt_easting, &alt_northing}) {
                v->resize(n);
            }
            r.alt_zone = alt_zone;
            r.alt_easting = alt_easting;
            r.alt_northing = alt_northing;
        }
        if (c.method == datum_method::ostn15) {
            for (auto* v : {&easting_metres, &northing_metres}) {
                v->resize(n);
            }
            r.easting_metres = easting_metres;
            r.northing_metres = northing_metres;
            if (c.alt) {
                for (auto* v : {&alt_easting_metres, &alt_northing_metres}) {
                    v->resize(n);
                }
                r.alt_easting_metres = alt_easting_metres;
                r.alt_northing_metres = alt_northing_metres;
            }
        }
        return r;
    }
};

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

bool is_offered(coordinate_system from, coordinate_system to, datum_method method) {
    if (national(from) && national(to)) {
        return from != to && method == datum_method::helmert;  // no datum change
    }
    return batch::is_offered(core_system(from), core_system(to), method);
}

std::string offered_pairs_text(datum_method method) {
    std::string text;
    for (const auto from : all_systems) {
        std::string targets;
        for (const auto to : all_systems) {
            if (is_offered(from, to, method)) {
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

std::string method_unavailable(datum_method method) {
    return batch::wording::method_fault(method);
}

converter::converter(const conversion_options& options)
    : options_(options), input_count_(entry(options.from).fields.size()) {
    using enum coordinate_system;
    const datum_method method = options.method.value_or(datum_method::helmert);
    const bool precise = method == datum_method::ostn15;
    const std::string pair =
        std::string(system_name(options.from)) + " -> " + std::string(system_name(options.to));
    if (!is_offered(options.from, options.to, method)) {
        if (precise && is_offered(options.from, options.to)) {
            throw usage_error(
                "--method ostn15 changes the datum between the National Grid and "
                "wgs84, etrs89 or utm; " +
                pair + " has no such change. The pairs that work are:\n" +
                offered_pairs_text(datum_method::ostn15));
        }
        if (!precise && (options.from == etrs89 || options.to == etrs89)) {
            throw usage_error(
                "etrs89 is the latitude and longitude of precise mode: add --method ostn15");
        }
        throw usage_error("cannot convert " + std::string(system_name(options.from)) + " to " +
                          std::string(system_name(options.to)) + "; the pairs that work are:\n" +
                          offered_pairs_text(method));
    }
    if (options.method && !is_offered(options.from, options.to, datum_method::ostn15)) {
        throw usage_error(
            "--method chooses the datum change between the National Grid and "
            "latitude and longitude or UTM; " +
            pair + " has none");
    }
    if (options.zone && options.to != utm) {
        throw usage_error("--zone sets the zone of a UTM result; the result here is " +
                          std::string(system_name(options.to)));
    }
    if (options.zone && !(options.zone >= -60 && options.zone <= 60 && options.zone != 0)) {
        throw usage_error("--zone " + std::to_string(*options.zone) +
                          ": UTM zones are 1 .. 60, negative for the southern hemisphere");
    }
    if (precise && options.zone && !(options.zone >= 29 && options.zone <= 31)) {
        throw usage_error("--zone " + std::to_string(*options.zone) +
                          ": precise mode takes the National Grid into UTM zones 29 .. 31");
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
    if (options.utm_letters && options.from != utm) {
        throw usage_error(
            "--utm-letter says how the letter after a UTM zone is read; the input "
            "here is " +
            std::string(system_name(options.from)));
    }
    if (options.dms && !angles(options.to)) {
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
    if (options.precision) {
        if (*options.precision < 0 || *options.precision > 12) {
            throw usage_error("--precision " + std::to_string(*options.precision) +
                              ": decimals are 0 .. 12");
        }
        if (options.dms) {
            throw usage_error(
                "--precision sets the decimals of decimal degrees; --dms writes "
                "seconds with 3 decimals");
        }
        if (!angles(options.to) && !(precise && (options.to == bng || options.to == utm))) {
            throw usage_error(
                "--precision sets the decimals of degrees and of precise grid results in "
                "metres; " +
                std::string(options.to == gridref || options.to == lv03 || options.to == lv95
                                ? std::string(system_name(options.to)) + " results are"
                                : "the Helmert chain gives") +
                " whole metres");
        }
    }
    options_.digits = options.digits.value_or(10);
    grid_decimals_ = options.precision.value_or(precise ? 3 : 0);
    angle_decimals_ = options.precision.value_or(8);
    core_ = {core_system(options.from), core_system(options.to), options.zone.value_or(0),
             options.alt, method};
    if (std::string fault = batch::wording::conversion_fault(core_);
        !(national(options.from) && national(options.to)) && !fault.empty()) {
        throw usage_error(fault);
    }
    // Result columns: the target system's name and the field, or the chosen prefix and the
    // field ("out_easting"); latitude and longitude and the reference go by their own names.
    const bool own = angles(options.to) || options.to == gridref;
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

void converter::convert_rows(const std::string* fields, std::size_t rows,
                             std::vector<std::string>& out,
                             std::vector<std::string>& errors) const {
    using enum coordinate_system;
    const std::size_t width = headers_.size();
    const std::vector<std::string>& names = entry(options_.from).fields;
    out.resize(rows * width);
    errors.resize(rows);
    for (auto* v : {&out, &errors}) {
        for (std::string& text : *v) {
            text.clear();
        }
    }

    // Between a reference and National Grid metres nothing is converted: the point read is
    // the result.
    const bool read_only = national(options_.from) && national(options_.to);
    point_columns in;
    for (auto* v : {&in.zone, &in.easting, &in.northing, &in.latitude, &in.longitude}) {
        v->reserve(rows);
    }
    in.band.reserve(rows);
    in.row.reserve(rows);
    for (std::size_t row = 0; row < rows; ++row) {
        const std::string* f = fields + row * input_count_;
        try {
            check_printable(f, names);
            read_point(options_.from, f, in, read_only,
                       options_.utm_letters.value_or(utm_letter_convention::unstated));
            in.row.push_back(row);
        } catch (const global_types::failure& failure) {
            errors[row] = failure.message() + " (" + failure.what() + ")";
        }
    }
    const std::size_t n = in.row.size();
    result_columns results;
    const batch::points points = in.points();
    if (read_only) {
        results.status.assign(n, batch::point_status::none);
        results.easting.assign(in.easting.begin(), in.easting.end());
        results.northing.assign(in.northing.begin(), in.northing.end());
    } else if (!batch::convert(core_, points, results.sized(core_, n))) {
        throw std::logic_error(
            batch::wording::arguments_fault(core_, points, results.sized(core_, n)));
    }

    const bool metres = !results.easting_metres.empty();
    auto set_grid = [&](std::string& text, const std::vector<std::int32_t>& whole,
                        const std::vector<double>& precise, std::size_t k) {
        if (metres && grid_decimals_ > 0) {
            text = format_decimal(precise[k], grid_decimals_);
        } else {
            set_whole(text, whole[k]);
        }
    };
    for (std::size_t k = 0; k < n; ++k) {
        const std::size_t row = in.row[k];
        if (results.status[k] != batch::point_status::none) {
            // Messages quote the fields as written; a reference's words are its own.
            const std::span<const std::string> written(
                options_.from == gridref ? nullptr : fields + row * input_count_,
                options_.from == gridref ? 0 : input_count_);
            errors[row] = batch::wording::failure_reason(core_, points, k, written);
            continue;
        }
        std::string* o = out.data() + row * width;
        switch (options_.to) {
            case gridref:
                // The square must hold the point: a precise position is cut, not rounded.
                try {
                    const bng_point p =
                        metres
                            ? square_holding(results.easting_metres[k], results.northing_metres[k])
                            : bng_point{utm::bng::easting_integer_bng(results.easting[k]),
                                        utm::bng::northing_integer_bng(results.northing[k])};
                    o[0] = format_grid_reference(p, *options_.digits);
                } catch (const global_types::failure& failure) {
                    errors[row] = failure.message() + " (" + failure.what() + ")";
                }
                break;
            case wgs84:
            case etrs89:
                o[0] = format_angle(results.latitude[k], angle_kind::latitude, options_.dms,
                                    angle_decimals_);
                o[1] = format_angle(results.longitude[k], angle_kind::longitude, options_.dms,
                                    angle_decimals_);
                break;
            case utm:
                set_whole(o[0], results.zone[k]);
                set_grid(o[1], results.easting, results.easting_metres, k);
                set_grid(o[2], results.northing, results.northing_metres, k);
                // Blank where the point has no neighbouring zone (its alt_zone is then 0).
                if (options_.alt && results.alt_easting[k] != -1) {
                    set_whole(o[3], results.alt_zone[k]);
                    set_grid(o[4], results.alt_easting, results.alt_easting_metres, k);
                    set_grid(o[5], results.alt_northing, results.alt_northing_metres, k);
                }
                break;
            default:
                set_grid(o[0], results.easting, results.easting_metres, k);
                set_grid(o[1], results.northing, results.northing_metres, k);
                break;
        }
    }
}

void converter::convert(const std::string* fields, std::vector<std::string>& out) const {
    std::vector<std::string> errors;
    convert_rows(fields, 1, out, errors);
    if (!errors[0].empty()) {
        throw row_failure(errors[0]);
    }
}

}  // namespace tarnwick_convert
