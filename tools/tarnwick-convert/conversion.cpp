#include "conversion.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <span>

#include "batch_wording.hpp"
#include "grid_reference.hpp"
#include "mgrs.hpp"
#include "text_values.hpp"
#include "utm-datum_transformations-global_bng.hpp"
#include "utm-datum_transformations-global_sncs.hpp"
#include "utm-sncs-conversions.hpp"
#include "utm.hpp"

namespace tarnwick_convert {

using batch::systems::entry;

namespace {

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

using usual_names = std::vector<std::vector<std::string>>;  // per field, lower case

// The header names that usually hold each field, in the order of the shared systems table.
const std::array<usual_names, all_systems.size()>& usual_names_table() {
    static const std::array<usual_names, all_systems.size()> table{{
        {with_prefixed(easting_names, "bng"), with_prefixed(northing_names, "bng")},
        {{"ref", "gridref", "grid_ref", "grid ref", "grid reference", "reference"}},
        {{"zone", "utm_zone"},
         with_prefixed(easting_names, "utm"),
         with_prefixed(northing_names, "utm")},
        {{"lat", "latitude", "wgs84_latitude"},
         {"lon", "long", "lng", "longitude", "wgs84_longitude"}},
        {with_prefixed(swiss_easting_names, "lv03"), with_prefixed(swiss_northing_names, "lv03")},
        {with_prefixed(swiss_easting_names, "lv95"), with_prefixed(swiss_northing_names, "lv95")},
        {{"lat", "latitude", "etrs89_latitude"},
         {"lon", "long", "lng", "longitude", "etrs89_longitude"}},
        {{"ref", "mgrs", "mgrs_ref", "reference", "mgrs reference", "utmref"}},
    }};
    return table;
}

// Latitude and longitude written as numbers (not as MGRS references).
bool angles(coordinate_system s) {
    const batch::coordinate_system core = entry(s).core;
    return !entry(s).lettered &&
           (core == batch::coordinate_system::wgs84 || core == batch::coordinate_system::etrs89);
}

std::string_view name_of(coordinate_system s) {
    return entry(s).name;
}

// Refuses a field with control bytes (a NUL, a stray carriage return) before it is read, with
// the bytes shown escaped: nothing further on has to carry them through a message.
void check_printable(const std::string_view* fields, std::span<const std::string_view> names) {
    // The control bytes: below 0x20 but the tab, and 0x7F.
    static constexpr std::array<bool, 256> controls = [] {
        std::array<bool, 256> table{};
        for (std::size_t byte = 0; byte < 0x20; ++byte) {
            table[byte] = byte != '\t';
        }
        table[0x7F] = true;
        return table;
    }();
    for (std::size_t i = 0; i < names.size(); ++i) {
        // Every byte is looked up without a branch (fields are short: a vector loop would
        // not start); a field that holds one is then refused.
        bool control = false;
        for (const char c : fields[i]) {
            control |= controls[static_cast<unsigned char>(c)];
        }
        if (control) {
            throw global_types::constraint_error(std::string(names[i]) + " \"" +
                                                 escaped(fields[i]) +
                                                 "\" holds a control character");
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

// The names of a grid's easting and northing in messages ("BNG easting"), made once for a run
// of rows rather than for each field.
struct grid_field_names {
    explicit grid_field_names(coordinate_system system)
        : easting(std::string(entry(system).label) + " easting"),
          northing(std::string(entry(system).label) + " northing") {}

    std::string easting;
    std::string northing;
};

// Reads the fields of a point of `system` into `to`; a failure carries the reason in its
// message and adds nothing. National Grid metres that become a reference are checked here
// and kept as the square that holds them (truncated, not rounded); all others are checked by
// the conversion.
void read_point(coordinate_system system, const std::string_view* fields, point_columns& to,
                bool national_result, const conversion_options& options,
                const grid_field_names& grid) {
    using enum batch::systems::system_id;
    grid_reference::bng_point square{};
    switch (system) {
        case bng:
        case lv03:
        case lv95: {
            const double e = parse_number(fields[0], grid.easting);
            const double n = parse_number(fields[1], grid.northing);
            if (!national_result) {
                to.northing.push_back(n);
                to.easting.push_back(e);
                return;
            }
            square = grid_reference::metre_square(e, n);
            break;
        }
        case gridref:
            square = grid_reference::parse(fields[0]);
            break;
        case utm: {
            char band = '\0';
            const double zone = parse_zone_field(
                fields[0], band, options.utm_letters.value_or(utm_letter_convention::unstated));
            const double e = parse_number(fields[1], grid.easting);
            to.northing.push_back(parse_number(fields[2], grid.northing));
            to.zone.push_back(zone);
            to.easting.push_back(e);
            to.band.push_back(band);
            return;
        }
        case wgs84:
        case etrs89: {
            const double latitude = parse_latitude(fields[0]);
            to.longitude.push_back(parse_longitude(fields[1]));
            to.latitude.push_back(latitude);
            return;
        }
        case mgrs: {
            const mgrs::geographic p = mgrs::read(
                fields[0], options.mgrs_corner ? mgrs::anchor::south_west : mgrs::anchor::centre);
            to.longitude.push_back(p.longitude);
            to.latitude.push_back(p.latitude);
            return;
        }
    }
    to.easting.push_back(square.easting);
    to.northing.push_back(square.northing);
}

std::string reason_of(const global_types::failure& failure) {
    return failure.message() + " (" + failure.what() + ")";
}

// Reads the points of `rows` rows of `input_count` fields each; a row that cannot be read gets
// its reason in `errors`.
point_columns read_points(const conversion_options& options, std::size_t input_count,
                          const std::string_view* fields, std::size_t rows,
                          std::vector<std::string>& errors) {
    const bool read_only = batch::systems::reads_only(options.from, options.to);
    const std::span<const std::string_view> names = entry(options.from).fields;
    const grid_field_names grid(options.from);
    point_columns in;
    for (auto* v : {&in.zone, &in.easting, &in.northing, &in.latitude, &in.longitude}) {
        v->reserve(rows);
    }
    in.band.reserve(rows);
    in.row.reserve(rows);
    for (std::size_t row = 0; row < rows; ++row) {
        const std::string_view* f = fields + row * input_count;
        try {
            check_printable(f, names);
            read_point(options.from, f, in, read_only, options, grid);
            in.row.push_back(row);
        } catch (const global_types::failure& failure) {
            errors[row] = reason_of(failure);
        }
    }
    return in;
}

}  // namespace

std::string_view system_name(coordinate_system system) {
    return name_of(system);
}

std::optional<coordinate_system> system_from_name(std::string_view name) {
    return batch::systems::from_name(name);
}

std::vector<std::string> input_fields(coordinate_system system) {
    const auto fields = entry(system).fields;
    return {fields.begin(), fields.end()};
}

std::vector<std::vector<std::string>> usual_column_names(coordinate_system system) {
    return usual_names_table()[static_cast<std::size_t>(system)];
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
    check_pair();
    check_zone_options();
    check_format_options();
    const datum_method method = options.method.value_or(datum_method::helmert);
    const bool precise = method == datum_method::ostn15;
    options_.digits =
        options.digits.value_or(options.to == coordinate_system::mgrs ? mgrs::max_digits : 10);
    grid_decimals_ = options.precision.value_or(precise ? 3 : 0);
    angle_decimals_ = options.precision.value_or(8);
    core_ = {entry(options.from).core, entry(options.to).core, options.zone.value_or(0),
             options.alt, method};
    if (std::string fault = batch::wording::conversion_fault(core_);
        !batch::systems::reads_only(options.from, options.to) && !fault.empty()) {
        throw usage_error(fault);
    }
    name_columns();
}

void converter::check_pair() const {
    using enum batch::systems::system_id;
    const conversion_options& o = options_;
    const datum_method method = o.method.value_or(datum_method::helmert);
    const bool precise = method == datum_method::ostn15;
    const std::string from(name_of(o.from));
    const std::string to(name_of(o.to));
    if (!is_offered(o.from, o.to, method)) {
        if (precise && is_offered(o.from, o.to)) {
            throw usage_error(
                "--method ostn15 changes the datum between the National Grid and "
                "wgs84, etrs89 or utm; " +
                from + " -> " + to + " has no such change. The pairs that work are:\n" +
                offered_pairs_text(datum_method::ostn15));
        }
        if (!precise && (o.from == etrs89 || o.to == etrs89)) {
            throw usage_error(
                "etrs89 is the latitude and longitude of precise mode: add --method ostn15");
        }
        throw usage_error("cannot convert " + from + " to " + to + "; the pairs that work are:\n" +
                          offered_pairs_text(method));
    }
    if (o.method && !is_offered(o.from, o.to, datum_method::ostn15)) {
        throw usage_error(
            "--method chooses the datum change between the National Grid and "
            "latitude and longitude or UTM; " +
            from + " -> " + to + " has none");
    }
}

void converter::check_zone_options() const {
    using enum batch::systems::system_id;
    const conversion_options& o = options_;
    const bool precise = o.method == datum_method::ostn15;
    const std::string to(name_of(o.to));
    if (o.zone && o.to != utm) {
        throw usage_error("--zone sets the zone of a UTM result; the result here is " + to);
    }
    if (o.zone && !(o.zone >= -60 && o.zone <= 60 && o.zone != 0)) {
        throw usage_error("--zone " + std::to_string(*o.zone) +
                          ": UTM zones are 1 .. 60, negative for the southern hemisphere");
    }
    if (precise && o.zone && !(o.zone >= 29 && o.zone <= 31)) {
        throw usage_error("--zone " + std::to_string(*o.zone) +
                          ": precise mode takes the National Grid into UTM zones 29 .. 31");
    }
    if (o.from == utm && o.to == utm && !o.zone) {
        throw usage_error("utm to utm changes the zone: give the new zone with --zone");
    }
    if (o.alt && o.to != utm) {
        throw usage_error(
            "--alt gives the point in the neighbouring UTM zone; the result here is " + to);
    }
    if (o.utm_letters && o.from != utm) {
        throw usage_error(
            "--utm-letter says how the letter after a UTM zone is read; the input here is " +
            std::string(name_of(o.from)));
    }
}

void converter::check_format_options() const {
    using enum batch::systems::system_id;
    const conversion_options& o = options_;
    const bool precise = o.method == datum_method::ostn15;
    const std::string to(name_of(o.to));
    if (o.dms && !angles(o.to)) {
        throw usage_error("--dms writes latitude and longitude; the result here is " + to);
    }
    if (o.digits && o.to != gridref && o.to != mgrs) {
        throw usage_error("--digits sets the digits of a lettered reference; the result here is " +
                          to);
    }
    if (o.digits && o.to == gridref && (*o.digits < 0 || *o.digits > 10 || *o.digits % 2 != 0)) {
        throw usage_error("--digits " + std::to_string(*o.digits) +
                          ": a grid reference has 0, 2, 4, 6, 8 or 10 digits");
    }
    if (o.digits && o.to == mgrs && (*o.digits < 0 || *o.digits > mgrs::max_digits)) {
        throw usage_error("--digits " + std::to_string(*o.digits) +
                          ": an MGRS reference has 0 .. 5 digits for each of easting and "
                          "northing");
    }
    if (o.compact && o.to != mgrs) {
        throw usage_error("--compact writes MGRS references without blanks; the result here is " +
                          to);
    }
    if (o.mgrs_corner && o.from != mgrs) {
        throw usage_error(
            "--sw-corner reads an MGRS reference as its square's south-west corner; the input "
            "here is " +
            std::string(name_of(o.from)));
    }
    if (!o.precision) {
        return;
    }
    if (*o.precision < 0 || *o.precision > 12) {
        throw usage_error("--precision " + std::to_string(*o.precision) + ": decimals are 0 .. 12");
    }
    if (o.dms) {
        throw usage_error(
            "--precision sets the decimals of decimal degrees; --dms writes seconds with 3 "
            "decimals");
    }
    if (!angles(o.to) && !(precise && (o.to == bng || o.to == utm))) {
        throw usage_error(
            "--precision sets the decimals of degrees and of precise grid results in metres; " +
            (o.to == mgrs ? std::string("mgrs results are references, not")
             : o.to == gridref || o.to == lv03 || o.to == lv95
                 ? to + " results are"
                 : std::string("the Helmert chain gives")) +
            " whole metres");
    }
}

void converter::name_columns() {
    // Result columns: the target system's name and the field, or the chosen prefix and the
    // field ("out_easting"); latitude and longitude and the reference go by their own names.
    const coordinate_system to = options_.to;
    const bool own = angles(to) || entry(to).lettered;
    const std::string prefix =
        options_.column_prefix.value_or(own ? std::string() : std::string(name_of(to)) + "_");
    const std::string alt = options_.column_prefix ? prefix + "alt_" : "alt_utm_";
    columns_ = batch::systems::result_columns(core_);
    if (entry(to).lettered) {
        headers_ = {prefix + std::string(name_of(to))};
        return;
    }
    for (const batch::systems::result_column& column : columns_) {
        headers_.push_back((column.alt ? alt : prefix) + std::string(column.field));
    }
}

std::string converter::mgrs_of(const batch::points& in, const batch::results& r,
                               std::size_t k) const {
    const mgrs::form form = options_.compact ? mgrs::form::compact : mgrs::form::spaced;
    if (options_.from == coordinate_system::utm) {
        // A UTM point in MGRS's zone for it is lettered as it stands, in the whole metres the
        // conversion read: a projection there and back could name the next square.
        const int zone = static_cast<int>(in.zone[k]);
        if (mgrs::standard_zone(r.latitude[k], r.longitude[k]) == std::abs(zone)) {
            return mgrs::format(
                mgrs::grid_point{std::abs(zone), zone > 0, std::round(in.easting[k]),
                                 std::round(in.northing[k])},
                *options_.digits, form);
        }
    }
    return mgrs::format(r.latitude[k], r.longitude[k], *options_.digits, form);
}

void converter::write_values(const batch::points& in, const batch::results& r, std::size_t k,
                             result_fields& out, std::string& error) const {
    using batch::systems::column_unit;
    if (options_.to == coordinate_system::mgrs) {
        try {
            out.append(mgrs_of(in, r, k));
        } catch (const global_types::failure& failure) {
            error = reason_of(failure);
        }
        out.end_field();
        return;
    }
    if (options_.to == coordinate_system::gridref) {
        // The square must hold the point: a precise position is cut, not rounded.
        try {
            const grid_reference::bng_point p =
                r.easting_metres.empty()
                    ? grid_reference::bng_point{utm::bng::easting_integer_bng(r.easting[k]),
                                                utm::bng::northing_integer_bng(r.northing[k])}
                    : grid_reference::metre_square(r.easting_metres[k], r.northing_metres[k]);
            out.append(grid_reference::format(p, *options_.digits));
        } catch (const global_types::failure& failure) {
            error = reason_of(failure);
        }
        out.end_field();
        return;
    }
    // Blank where the point has no neighbouring zone (its alt_zone is then 0).
    const bool has_alt = options_.alt && r.alt_easting[k] != -1;
    for (const batch::systems::result_column& column : columns_) {
        if (column.alt && !has_alt) {
            // left empty
        } else if (column.unit == column_unit::degrees) {
            const bool latitude = column.real == &batch::results::latitude;
            out.append(format_angle((r.*column.real)[k],
                                    latitude ? angle_kind::latitude : angle_kind::longitude,
                                    options_.dms, angle_decimals_));
        } else if (column.real != nullptr && grid_decimals_ > 0) {
            out.append(format_decimal((r.*column.real)[k], grid_decimals_));
        } else {
            out.append_whole((r.*column.whole)[k]);
        }
        out.end_field();
    }
}

void converter::write_rows(const std::string_view* fields, std::size_t rows,
                           const batch::points& in, std::span<const std::size_t> point_rows,
                           const batch::results& results, result_fields& out,
                           std::vector<std::string>& errors) const {
    const std::size_t width = headers_.size();
    std::size_t k = 0;
    for (std::size_t row = 0; row < rows; ++row) {
        const std::size_t first = out.size();
        if (k < point_rows.size() && point_rows[k] == row) {
            if (results.status[k] != batch::point_status::none) {
                // Messages quote the fields as written; a reference's words are its own.
                const bool reference = entry(options_.from).lettered;
                const std::string_view* f = fields + row * input_count_;
                const std::vector<std::string> written(f, reference ? f : f + input_count_);
                errors[row] = batch::wording::failure_reason(core_, in, k, written);
            } else {
                write_values(in, results, k, out, errors[row]);
            }
            ++k;
        }
        if (!errors[row].empty() || out.size() != first + width) {
            out.truncate(first);
            for (std::size_t i = 0; i < width; ++i) {
                out.end_field();
            }
        }
    }
}

void converter::convert_rows(const std::string_view* fields, std::size_t rows, result_fields& out,
                             std::vector<std::string>& errors) const {
    out.clear();
    errors.resize(rows);
    for (std::string& text : errors) {
        text.clear();
    }
    const point_columns in = read_points(options_, input_count_, fields, rows, errors);
    const std::size_t n = in.row.size();
    const batch::points points = in.points();
    batch::systems::result_arrays arrays;
    const batch::results results = arrays.sized(core_, n);
    if (batch::systems::reads_only(options_.from, options_.to)) {
        // Between a reference and National Grid metres nothing is converted: the point read
        // is the result.
        std::fill(results.status.begin(), results.status.end(), batch::point_status::none);
        if (results.latitude.empty()) {
            std::copy(in.easting.begin(), in.easting.end(), results.easting.begin());
            std::copy(in.northing.begin(), in.northing.end(), results.northing.begin());
        } else {
            std::copy(in.latitude.begin(), in.latitude.end(), results.latitude.begin());
            std::copy(in.longitude.begin(), in.longitude.end(), results.longitude.begin());
        }
    } else if (!batch::convert(core_, points, results)) {
        throw std::logic_error(batch::wording::arguments_fault(core_, points, results));
    }
    write_rows(fields, rows, points, in.row, results, out, errors);
}

void converter::convert(const std::string* fields, std::vector<std::string>& out) const {
    const std::vector<std::string_view> views(fields, fields + input_count_);
    result_fields values;
    std::vector<std::string> errors;
    convert_rows(views.data(), 1, values, errors);
    if (!errors[0].empty()) {
        throw row_failure(errors[0]);
    }
    out.clear();
    for (std::size_t i = 0; i < values.size(); ++i) {
        out.emplace_back(values[i]);
    }
}

}  // namespace tarnwick_convert
