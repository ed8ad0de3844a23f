#include "batch_wording.hpp"

#include <array>
#include <charconv>
#include <cmath>
#include <exception>
#include <optional>
#include <string_view>

#include "batch_systems.hpp"

namespace batch::wording {

namespace {

std::string system_name(coordinate_system s) {
    return std::string(systems::name(s));
}

// " (NAME)": the failure kind's full name after a reason.
std::string named(point_status kind) {
    return " (" + std::string(failure_name(kind)) + ")";
}

// A number as a person would write it: whole values without exponent or decimals.
std::string number_text(double v) {
    if (std::isfinite(v) && v == std::trunc(v) && std::fabs(v) < 1e15) {
        return std::to_string(static_cast<long long>(v));
    }
    std::array<char, 32> buffer{};
    const auto r = std::to_chars(buffer.data(), buffer.data() + buffer.size(), v);
    return std::string(buffer.data(), r.ptr);
}

// A whole number of a range.
std::string whole_text(double v) {
    return std::to_string(static_cast<long long>(v));
}

// A field's words in messages: as the user wrote it (without blanks around it) when known,
// else the number.
struct field_words {
    std::span<const std::string> written;

    std::string operator()(std::size_t field, double v) const {
        if (field >= written.size()) {
            return number_text(v);
        }
        const std::string& w = written[field];
        const std::size_t first = w.find_first_not_of(" \t");
        return first == std::string::npos ? std::string()
                                          : w.substr(first, w.find_last_not_of(" \t") - first + 1);
    }
};

// The name of field `field` of a point of `system`, in the order of `points`.
std::string field_name(coordinate_system system, std::size_t field) {
    switch (system) {
        case coordinate_system::utm:
            return field == 0 ? "UTM zone" : field == 1 ? "UTM easting" : "UTM northing";
        case coordinate_system::wgs84:
        case coordinate_system::etrs89:
            return field == 0 ? "latitude" : "longitude";
        default:
            break;
    }
    const std::string grid = system == coordinate_system::bng    ? "BNG"
                             : system == coordinate_system::lv03 ? "LV03"
                                                                 : "LV95";
    return grid + (field == 0 ? " easting" : " northing");
}

// A band letter that is not the point's.
std::string band_reason(const point_failure& why) {
    const std::string band(1, why.band);
    if (why.fault == input_fault::not_a_band) {
        return "UTM band \"" + band + "\" is not a band letter (C .. X without I and O)";
    }
    return "UTM band " + band + " does not hold the point" +
           (why.actual_band != '\0' ? std::string(", which lies in band ") + why.actual_band
                                    : std::string(", which lies beyond the bands"));
}

// A point that cannot be read: the field, its value as written and what it should be.
std::string input_reason(const conversion& c, const point_failure& why, const field_words& words) {
    const std::string value = words(why.field, why.value);
    const std::string name = field_name(c.from, why.field);
    switch (why.fault) {
        case input_fault::not_a_number:
            return name + " \"" + value + "\" is not a number";
        case input_fault::not_a_zone:
            return name + " \"" + value + "\" is not " + whole_text(why.first) + " .. " +
                   whole_text(why.last) + " (negative: southern hemisphere)";
        case input_fault::not_a_band:
        case input_fault::other_band:
            return band_reason(why);
        case input_fault::outside:
        case input_fault::none:
            break;
    }
    const bool longitude = why.field == 1 && (c.from == coordinate_system::wgs84 ||
                                              c.from == coordinate_system::etrs89);
    return name + " " + value + " is outside " + whole_text(why.first) + " .. " +
           whole_text(why.last) + (longitude ? " (180 itself is -180)" : "");
}

// Where a step's point lies outside the grid it converts into.
std::string outside_reason(const point_failure& why) {
    switch (why.step) {
        case failed_step::bng:
            return "outside the National Grid";
        case failed_step::utm:
            return "outside the grid of UTM zone " + std::to_string(why.zone);
        case failed_step::geo:
            return "no latitude and longitude for this point";
        case failed_step::lv03:
            return "outside the LV03 grid";
        case failed_step::lv95:
            return "outside the LV95 grid";
        case failed_step::shifts:
            return why.kind == point_status::constraint_error && why.zone != 0
                       ? "outside the grid of UTM zone " + std::to_string(why.zone)
                       : std::string("outside the OSTN15 shifts");
        case failed_step::input:
            break;
    }
    return {};
}

// A step that failed: a zone it does not take, no solution, or a point outside its grid.
std::string step_reason(const point_failure& why) {
    if (why.kind == point_status::zone_out_of_range) {
        const bool swiss = why.step == failed_step::lv03 || why.step == failed_step::lv95;
        return "UTM zone " + std::to_string(why.zone) +
               (swiss ? " is not a zone of the Swiss grids (31, 32)"
                      : " is not a zone of the National Grid (29 .. 31)");
    }
    if (why.kind == point_status::argument_error) {
        return "the projection has no solution for this point";
    }
    return outside_reason(why);
}

// Whether latitude `latitude`, longitude `longitude` (degrees) lie on the National Grid by
// `c`'s method.
bool on_national_grid(const conversion& c, double latitude, double longitude) {
    point_status status = point_status::unexpected;
    std::int32_t easting = 0;
    std::int32_t northing = 0;
    points in;
    in.latitude = {&latitude, 1};
    in.longitude = {&longitude, 1};
    results out;
    out.status = {&status, 1};
    out.easting = {&easting, 1};
    out.northing = {&northing, 1};
    return convert({c.from, coordinate_system::bng, 0, false, c.method}, in, out) &&
           status == point_status::none;
}

// A latitude and longitude outside the National Grid: the words name which of the two is
// outside, and suggest the swap where the two swapped would lie on the grid. Empty for any
// other failure.
std::string outside_national_grid(const conversion& c, const points& in, std::size_t i,
                                  const field_words& words, point_status kind) {
    if (kind != point_status::easting_out_of_range && kind != point_status::northing_out_of_range) {
        return {};
    }
    const std::string latitude = words(0, in.latitude[i]);
    const std::string longitude = words(1, in.longitude[i]);
    std::string text = kind == point_status::northing_out_of_range ? "latitude " + latitude
                                                                   : "longitude " + longitude;
    text += " is outside the National Grid";
    if (std::fabs(in.longitude[i]) <= 90.0 &&
        on_national_grid(c, in.longitude[i], in.latitude[i])) {
        text += "; swapped (latitude " + longitude + ", longitude " + latitude +
                ") the point would lie on it";
    }
    return text + named(kind);
}

// The words of a pair that `is_offered` refuses.
std::string not_offered_reason(const conversion& c) {
    using enum coordinate_system;
    const std::string pair = "cannot convert " + system_name(c.from) + " to " + system_name(c.to);
    if (c.method == datum_method::ostn15) {
        return pair + " by OSTN15: it converts between bng and wgs84, etrs89 or utm";
    }
    if (c.from == etrs89 || c.to == etrs89) {
        return pair + ": etrs89 is the latitude and longitude of the OSTN15 method";
    }
    return pair + (c.from == c.to ? ": the point is already there"
                                  : ": the National Grid and the Swiss grids share no ground");
}

std::string array_words(array_name a) {
    constexpr std::array<std::string_view, 14> names{"zone",
                                                     "easting",
                                                     "northing",
                                                     "latitude",
                                                     "longitude",
                                                     "band",
                                                     "status",
                                                     "alt_zone",
                                                     "alt_easting",
                                                     "alt_northing",
                                                     "easting_metres",
                                                     "northing_metres",
                                                     "alt_easting_metres",
                                                     "alt_northing_metres"};
    return std::string(names[static_cast<std::size_t>(a)]);
}

}  // namespace

std::string method_fault(datum_method method) {
    const std::optional<global_types::failure> f = method_failure(method);
    return f ? f->message() + named(f->kind()) : std::string();
}

std::string conversion_fault(const conversion& c) {
    switch (refusal_of(c)) {
        case conversion_refusal::none:
            return {};
        case conversion_refusal::unknown_system:
            return "unknown coordinate system";
        case conversion_refusal::unknown_method:
            return "unknown datum transformation method";
        case conversion_refusal::not_offered:
            return not_offered_reason(c);
        case conversion_refusal::zone_without_utm:
            return "a zone sets the zone of a UTM result; the result here is " + system_name(c.to);
        case conversion_refusal::zone_out_of_range:
            return "zone " + std::to_string(c.zone) +
                   ": UTM zones are 1 .. 60, negative for the southern hemisphere";
        case conversion_refusal::zone_beside_national_grid:
            return "zone " + std::to_string(c.zone) +
                   ": the National Grid converts with UTM zones 29 .. 31";
        case conversion_refusal::no_new_zone:
            return "utm to utm changes the zone: give the new zone";
        case conversion_refusal::alt_without_utm:
            break;
    }
    return "the alternative gives the point in the neighbouring UTM zone; the result here is " +
           system_name(c.to);
}

std::string arguments_fault(const conversion& c, const points& in, const results& out) {
    const call_refusal r = refusal_of(c, in, out);
    if (r.conversion != conversion_refusal::none) {
        return conversion_fault(c);
    }
    if (r.side == array_side::none) {
        return {};
    }
    return std::string(r.side == array_side::input ? "input" : "result") + " array \"" +
           array_words(r.array) + "\" holds " + std::to_string(r.length) + " values, not " +
           std::to_string(r.expected);
}

std::string failure_reason(const conversion& c, const points& in, std::size_t index,
                           std::span<const std::string> written) {
    const field_words words{written};
    try {
        const point_failure why = failure_of(c, in, index);
        if (why.kind == point_status::none) {
            return {};
        }
        if (why.step == failed_step::input) {
            return input_reason(c, why, words) + named(why.kind);
        }
        if (why.kind == point_status::data_unavailable) {
            return method_fault(c.method);
        }
        const bool from_angles =
            c.from == coordinate_system::wgs84 || c.from == coordinate_system::etrs89;
        if (why.step == failed_step::bng && from_angles) {
            if (std::string text = outside_national_grid(c, in, index, words, why.kind);
                !text.empty()) {
                return text;
            }
        }
        return step_reason(why) + named(why.kind);
    } catch (const std::exception& e) {
        return std::string(e.what()) + named(point_status::unexpected);
    }
}

}  // namespace batch::wording
