#include "batch.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>

#include "utm-bng-utilities.hpp"
#include "utm-bng.hpp"
#include "utm-datum_transformations-global_bng.hpp"
#include "utm-datum_transformations-global_sncs.hpp"
#include "utm-datum_transformations-ostn15.hpp"
#include "utm-datum_transformations-utm_bng.hpp"
#include "utm-datum_transformations-utm_sncs.hpp"
#include "utm-exceptions.hpp"
#include "utm-extensions.hpp"
#include "utm-sncs-conversions.hpp"
#include "utm-sncs.hpp"
#include "utm-utilities.hpp"
#include "utm.hpp"

#include "detail/batch_simd.hpp"
#include "detail/helmert_chain.hpp"

namespace batch {

namespace {

using global_types::constraint_error;
using global_types::easting_integer;
using global_types::long_float;
using global_types::northing_integer;
using global_types::zone_integer;
using utm::bng::easting_integer_bng;
using utm::bng::northing_integer_bng;
using utm::sncs::local_reference_frame_enumeration;

// The UTM side of every conversion is WGS84, whose ellipsoid the library takes as GRS80.
constexpr long_float major_axis = utm::datum_transformations::major_axis_grs80;
constexpr long_float minor_axis = utm::datum_transformations::minor_axis_grs80;

// 180 / pi rounded to a double; degrees become radians by dividing by it and radians degrees
// by multiplying with it, so that every front end gets the same last bits.
constexpr double degrees_per_radian = 57.29577951308232;

point_status status_of(const global_types::failure& f) noexcept {
    return f.kind();
}

std::string_view system_name(coordinate_system s) noexcept {
    constexpr std::array<std::string_view, 6> names{"bng",  "utm",  "wgs84",
                                                    "lv03", "lv95", "etrs89"};
    return names[static_cast<std::size_t>(s)];
}

struct bng_point {
    easting_integer_bng easting;
    northing_integer_bng northing;
};

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

// The results of one point before they are written, so that a failing point never leaves
// some results written and others not. Grid values are metres (whole metres but in precise
// mode), NaN while there is none; the zone is `no_zone` while there is none.
struct point_result {
    static constexpr double none = std::numeric_limits<double>::quiet_NaN();
    std::int32_t zone = no_zone;
    double easting = none;
    double northing = none;
    double latitude = none;
    double longitude = none;
    std::int32_t alt_zone = no_zone;
    double alt_easting = none;
    double alt_northing = none;
};

// What a step converts into, for the words of its failures; `input` while the point is read,
// `shifts` on the way out of the National Grid in precise mode.
enum class step_target { input, bng, utm, geo, lv03, lv95, shifts };

// Where the conversion of a point has got to; a failure's words depend on it.
struct progress {
    step_target target = step_target::input;
    int zone = 0;
};

// ---- reading a point ----------------------------------------------------------------------

// A number as a person would write it: whole values without exponent or decimals.
std::string number_text(double v) {
    if (std::isfinite(v) && v == std::trunc(v) && std::fabs(v) < 1e15) {
        return std::to_string(static_cast<long long>(v));
    }
    std::array<char, 32> buffer{};
    const auto r = std::to_chars(buffer.data(), buffer.data() + buffer.size(), v);
    return std::string(buffer.data(), r.ptr);
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

[[noreturn]] void not_a_number(std::string_view what, const std::string& words) {
    throw constraint_error(std::string(what) + " \"" + words + "\" is not a number");
}

// A grid value of the range of `Checked`, rounded to whole metres as the library rounds
// (halves away from zero) unless `exact`; outside the range raises `Failure`.
template <class Checked, class Failure>
long_float grid_value(double v, bool exact, std::string_view what, const field_words& words,
                      std::size_t field) {
    if (!std::isfinite(v)) {
        not_a_number(what, words(field, v));
    }
    const long_float value = exact ? v : std::round(v);
    if (!(value >= Checked::first && value <= Checked::last)) {
        throw Failure(std::string(what) + " " + words(field, v) + " is outside " +
                      std::to_string(static_cast<long long>(Checked::first)) + " .. " +
                      std::to_string(static_cast<long long>(Checked::last)));
    }
    return value;
}

template <class Checked>
long_float easting_value(double v, bool exact, std::string_view what, const field_words& words,
                         std::size_t field) {
    return grid_value<Checked, utm::exceptions::easting_out_of_range>(v, exact, what, words, field);
}

template <class Checked>
long_float northing_value(double v, bool exact, std::string_view what, const field_words& words,
                          std::size_t field) {
    return grid_value<Checked, utm::exceptions::northing_out_of_range>(v, exact, what, words,
                                                                       field);
}

zone_integer zone_value(double v, const field_words& words) {
    if (!(v == std::trunc(v) && v != 0.0 && v >= -60.0 && v <= 60.0)) {
        throw constraint_error("UTM zone \"" + words(0, v) +
                               "\" is not 1 .. 60 (negative: southern hemisphere)");
    }
    return static_cast<int>(v);
}

long_float latitude_value(double degrees, const field_words& words) {
    if (std::isnan(degrees)) {
        not_a_number("latitude", words(0, degrees));
    }
    if (!(degrees >= -90.0 && degrees <= 90.0)) {
        throw constraint_error("latitude " + words(0, degrees) + " is outside -90 .. 90");
    }
    return degrees / degrees_per_radian;
}

long_float longitude_value(double degrees, const field_words& words) {
    if (std::isnan(degrees)) {
        not_a_number("longitude", words(1, degrees));
    }
    if (!(degrees >= -180.0 && degrees < 180.0)) {
        throw constraint_error("longitude " + words(1, degrees) +
                               " is outside -180 .. 180 (180 itself is -180)");
    }
    return degrees / degrees_per_radian;
}

// One source point; which member holds it follows from the conversion's `from`. Precise mode
// reads the National Grid and UTM values unrounded into `easting`, `northing`.
struct source {
    bng_point bng{};
    utm_point utm{};
    geo_point geo{};
    sncs_point sncs{};
    long_float easting = 0.0;
    long_float northing = 0.0;
    char band = '\0';
};

source read_point(const conversion& c, const points& in, std::size_t i, const field_words& w) {
    using enum coordinate_system;
    using namespace utm::sncs;
    const bool exact = c.method == datum_method::ostn15;
    source p;
    switch (c.from) {
        case bng:
            p.easting =
                easting_value<easting_integer_bng>(in.easting[i], exact, "BNG easting", w, 0);
            p.northing =
                northing_value<northing_integer_bng>(in.northing[i], exact, "BNG northing", w, 1);
            p.bng = {easting_integer_bng::round(p.easting),
                     northing_integer_bng::round(p.northing)};
            break;
        case utm: {
            const zone_integer zone = zone_value(in.zone[i], w);  // the zone is read first
            p.easting = easting_value<easting_integer>(in.easting[i], exact, "UTM easting", w, 1);
            p.northing =
                northing_value<northing_integer>(in.northing[i], exact, "UTM northing", w, 2);
            p.utm = {zone, easting_integer::round(p.easting), northing_integer::round(p.northing)};
            p.band = in.band.empty() ? '\0' : in.band[i];
            break;
        }
        case wgs84:
        case etrs89:
            p.geo = {latitude_value(in.latitude[i], w), longitude_value(in.longitude[i], w)};
            break;
        case lv03:
            p.sncs = {static_cast<std::int32_t>(easting_value<easting_integer_sncs_lv03>(
                          in.easting[i], false, "LV03 easting", w, 0)),
                      static_cast<std::int32_t>(northing_value<northing_integer_sncs_lv03>(
                          in.northing[i], false, "LV03 northing", w, 1))};
            break;
        case lv95:
            p.sncs = {static_cast<std::int32_t>(easting_value<easting_integer_sncs_lv95>(
                          in.easting[i], false, "LV95 easting", w, 0)),
                      static_cast<std::int32_t>(northing_value<northing_integer_sncs_lv95>(
                          in.northing[i], false, "LV95 northing", w, 1))};
            break;
    }
    return p;
}

// ---- the steps of a conversion ------------------------------------------------------------

local_reference_frame_enumeration frame_of(coordinate_system system) {
    return system == coordinate_system::lv03 ? local_reference_frame_enumeration::lv03
                                             : local_reference_frame_enumeration::lv95;
}

step_target target_of(local_reference_frame_enumeration frame) {
    return frame == local_reference_frame_enumeration::lv03 ? step_target::lv03 : step_target::lv95;
}

bng_point geo_to_bng(const geo_point& g, progress& at) {
    at = {step_target::bng, 0};
    const auto r = utm::datum_transformations::global_bng::from_wgs84_lat_long_to_bng(
        major_axis, minor_axis, g.latitude, g.longitude, 0.0);
    return {r.easting_bng, r.northing_bng};
}

geo_point bng_to_geo(const bng_point& b, progress& at) {
    at = {step_target::geo, 0};
    const auto r = utm::datum_transformations::global_bng::from_bng_to_wgs84_lat_long(
        major_axis, minor_axis, b.easting, b.northing);
    return {r.latitude, r.longitude};
}

geo_point utm_to_geo(const utm_point& u, progress& at) {
    at = {step_target::geo, u.zone};
    const auto r = utm::grid_to_lat_long(major_axis, minor_axis, u.easting, u.northing, u.zone);
    return {r.latitude, r.longitude};
}

bng_point utm_to_bng(const utm_point& u, progress& at) {
    at = {step_target::bng, u.zone};
    const auto r = utm::datum_transformations::utm_bng::from_utm_to_bng(
        major_axis, minor_axis, u.easting, u.northing, u.zone);
    return {r.easting_bng, r.northing_bng};
}

utm_point geo_to_utm_in_zone(const geo_point& g, zone_integer zone, progress& at) {
    at = {step_target::utm, zone};
    const auto r = utm::lat_long_to_grid(major_axis, minor_axis, g.latitude, g.longitude, zone);
    return {zone, r.easting, r.northing};
}

// The zone of the longitude, as the library chooses it. The library's choice is always a
// northern zone, which clamps southern northings to 0; a southern point therefore goes into
// the same zone number with the southern false northing.
utm_point geo_to_utm(const geo_point& g, progress& at) {
    at = {step_target::utm, 0};
    const auto r =
        utm::extensions::lat_long_to_grid(major_axis, minor_axis, g.latitude, g.longitude);
    if (g.latitude < 0.0) {
        return geo_to_utm_in_zone(g, zone_integer(-r.zone_out), at);
    }
    return {r.zone_out, r.easting, r.northing};
}

utm_point bng_to_utm(const bng_point& b, progress& at) {
    at = {step_target::utm, 0};
    const auto r = utm::datum_transformations::utm_bng::from_bng_to_utm(major_axis, minor_axis,
                                                                        b.easting, b.northing);
    return {r.zone_utm, r.easting_utm, r.northing_utm};
}

utm_point utm_to_zone(const utm_point& u, zone_integer zone, progress& at) {
    at = {step_target::utm, zone};
    const auto r = utm::utilities::convert_to_overlap_zone(major_axis, minor_axis, u.zone,
                                                           u.easting, u.northing, zone);
    return {zone, r.overlap_easting, r.overlap_northing};
}

geo_point sncs_to_geo(const sncs_point& p, local_reference_frame_enumeration frame, progress& at) {
    at = {step_target::geo, 0};
    const auto r = utm::datum_transformations::global_sncs::from_sncs_to_wgs84_lat_long(
        major_axis, minor_axis, frame, p.easting, p.northing);
    return {r.latitude, r.longitude};
}

utm_point sncs_to_utm(const sncs_point& p, local_reference_frame_enumeration frame, progress& at) {
    namespace us = utm::datum_transformations::utm_sncs;
    at = {step_target::utm, 0};
    const auto r = frame == local_reference_frame_enumeration::lv03
                       ? us::from_sncs_lv03_to_utm(major_axis, minor_axis, p.easting, p.northing)
                       : us::from_sncs_lv95_to_utm(major_axis, minor_axis, p.easting, p.northing);
    return {r.zone_utm, r.easting_utm, r.northing_utm};
}

sncs_point utm_to_sncs(const utm_point& u, local_reference_frame_enumeration frame, progress& at) {
    namespace us = utm::datum_transformations::utm_sncs;
    at = {target_of(frame), u.zone};
    if (frame == local_reference_frame_enumeration::lv03) {
        const auto r =
            us::from_utm_to_sncs_lv03(major_axis, minor_axis, u.zone, u.northing, u.easting);
        return {r.easting_sncs, r.northing_sncs};
    }
    const auto r = us::from_utm_to_sncs_lv95(major_axis, minor_axis, u.zone, u.northing, u.easting);
    return {r.easting_sncs, r.northing_sncs};
}

// A projected Swiss grid value in the range of `Grid`, with the tolerance the library grants
// on its way from UTM: up to `boundary_delta` metres outside is the range's end, further out
// raises `Failure`.
template <class Grid, class Failure>
std::int32_t sncs_within_tolerance(long_float metres) {
    constexpr long_float delta = utm::datum_transformations::utm_sncs::boundary_delta;
    const long_float whole = std::round(metres);
    if (whole > Grid::last && whole <= Grid::last + delta) {
        return Grid::last;
    }
    if (whole < Grid::first && whole >= Grid::first - delta) {
        return Grid::first;
    }
    if (!(whole >= Grid::first && whole <= Grid::last)) {
        throw Failure();
    }
    return static_cast<std::int32_t>(whole);
}

// The library projects WGS84 into the Swiss grid without a range check (its way from UTM
// has one); a point of another country would come out as grid values outside the frame.
// The same check as on the way from UTM applies here, northing first.
template <class Easting, class Northing>
sncs_point geo_to_sncs_checked(const geo_point& g, local_reference_frame_enumeration frame) {
    const auto r = utm::datum_transformations::global_sncs::from_wgs84_lat_long_to_sncs_unrounded(
        major_axis, minor_axis, g.latitude, g.longitude, 0.0, frame);
    const std::int32_t northing =
        sncs_within_tolerance<Northing, utm::exceptions::northing_out_of_range>(r.northing);
    const std::int32_t easting =
        sncs_within_tolerance<Easting, utm::exceptions::easting_out_of_range>(r.easting);
    return {easting, northing};
}

sncs_point geo_to_sncs(const geo_point& g, local_reference_frame_enumeration frame, progress& at) {
    using namespace utm::sncs;
    at = {target_of(frame), 0};
    return frame == local_reference_frame_enumeration::lv03
               ? geo_to_sncs_checked<easting_integer_sncs_lv03, northing_integer_sncs_lv03>(g,
                                                                                            frame)
               : geo_to_sncs_checked<easting_integer_sncs_lv95, northing_integer_sncs_lv95>(g,
                                                                                            frame);
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

// ---- precise mode ---------------------------------------------------------------------------

namespace precise = utm::datum_transformations::ostn15;

// A precise result beyond the National Grid's range is no National Grid point.
void require_national_grid(const precise::grid_point& b) {
    if (!(b.easting >= easting_integer_bng::first && b.easting <= easting_integer_bng::last)) {
        throw utm::exceptions::easting_out_of_range();
    }
    if (!(b.northing >= northing_integer_bng::first && b.northing <= northing_integer_bng::last)) {
        throw utm::exceptions::northing_out_of_range();
    }
}

precise::grid_point precise_geo_to_bng(const geo_point& g, progress& at) {
    at = {step_target::bng, 0};
    const precise::grid_point b = precise::from_etrs89_to_bng(g.latitude, g.longitude);
    require_national_grid(b);
    return b;
}

// National Grid to UTM in precise mode, with the neighbouring zone under `alt` as the grid's
// own overlap region names it.
void precise_bng_to_utm(const conversion& c, const source& p, progress& at, point_result& r) {
    at = {step_target::shifts, c.zone};
    const precise::utm_point u =
        c.zone != 0 ? precise::from_bng_to_utm(p.easting, p.northing, zone_integer(c.zone))
                    : precise::from_bng_to_utm(p.easting, p.northing);
    r.zone = u.zone;
    r.easting = u.easting;
    r.northing = u.northing;
    if (!c.alt) {
        return;
    }
    const utm_point whole{u.zone, easting_integer::round(u.easting),
                          northing_integer::round(u.northing)};
    if (const auto a = alternative_zone(&p.bng, whole)) {
        try {
            const precise::utm_point alt = precise::from_bng_to_utm(p.easting, p.northing, *a);
            r.alt_zone = alt.zone;
            r.alt_easting = alt.easting;
            r.alt_northing = alt.northing;
        } catch (const global_types::failure&) {
            // No alternative where the neighbouring zone cannot take the point.
        }
    }
}

point_result convert_precise(const conversion& c, const source& p, progress& at) {
    using enum coordinate_system;
    point_result r;
    if (c.from == bng && c.to == utm) {
        precise_bng_to_utm(c, p, at, r);
    } else if (c.from == bng) {
        at = {step_target::shifts, 0};
        const precise::etrs89_point g = precise::from_bng_to_etrs89(p.easting, p.northing);
        r.latitude = g.latitude * degrees_per_radian;
        r.longitude = g.longitude * degrees_per_radian;
    } else {
        precise::grid_point b{};
        if (c.from == utm) {
            at = {step_target::bng, p.utm.zone};
            b = precise::from_utm_to_bng(p.utm.zone, p.easting, p.northing);
            require_national_grid(b);
        } else {
            b = precise_geo_to_bng(p.geo, at);
        }
        r.easting = b.easting;
        r.northing = b.northing;
    }
    return r;
}

// ---- one point ------------------------------------------------------------------------------

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

// A UTM point given with a band letter must lie in that band (within the grid's rounding).
void check_band(const source& p, progress& at) {
    if (band_letters.find(p.band) == std::string_view::npos) {
        throw constraint_error("UTM band \"" + std::string(1, p.band) +
                               "\" is not a band letter (C .. X without I and O)");
    }
    const double latitude = utm_to_geo(p.utm, at).latitude * degrees_per_radian;
    at = {};
    if (band_of(latitude - band_tolerance_degrees) != p.band &&
        band_of(latitude + band_tolerance_degrees) != p.band) {
        const char actual = band_of(latitude);
        throw constraint_error("UTM band " + std::string(1, p.band) + " does not hold the point" +
                               (actual != '\0' ? std::string(", which lies in band ") + actual
                                               : std::string(", which lies beyond the bands")));
    }
}

// Converts point `i`; raises the failure that stops it, with `at` telling where it stopped.
point_result convert_point(const conversion& c, const points& in, std::size_t i, progress& at,
                           const field_words& words) {
    using enum coordinate_system;
    at = {};
    const source p = read_point(c, in, i, words);
    if (p.band != '\0') {
        check_band(p, at);
    }
    if (c.method == datum_method::ostn15) {
        return convert_precise(c, p, at);
    }
    const coordinate_system from = c.from;

    auto to_geo = [&]() -> geo_point {
        switch (from) {
            case bng:
                return bng_to_geo(p.bng, at);
            case utm:
                return utm_to_geo(p.utm, at);
            case lv03:
            case lv95:
                return sncs_to_geo(p.sncs, frame_of(from), at);
            case wgs84:
            case etrs89:
                break;
        }
        return p.geo;
    };
    auto to_bng = [&]() -> bng_point {
        switch (from) {
            case utm:
                return utm_to_bng(p.utm, at);
            case wgs84:
                return geo_to_bng(p.geo, at);
            default:
                return p.bng;  // no Swiss source reaches here: the pair is not offered
        }
    };
    auto to_utm = [&]() -> utm_point {
        if (c.zone != 0) {
            const zone_integer zone(c.zone);
            return from == utm ? utm_to_zone(p.utm, zone, at)
                               : geo_to_utm_in_zone(to_geo(), zone, at);
        }
        switch (from) {
            case bng:
                return bng_to_utm(p.bng, at);
            case lv03:
            case lv95:
                return sncs_to_utm(p.sncs, frame_of(from), at);
            default:
                return geo_to_utm(p.geo, at);
        }
    };

    point_result r;
    switch (c.to) {
        case bng: {
            const bng_point b = to_bng();
            r.easting = b.easting;
            r.northing = b.northing;
            break;
        }
        case wgs84:
        case etrs89: {
            const geo_point g = to_geo();
            r.latitude = g.latitude * degrees_per_radian;
            r.longitude = g.longitude * degrees_per_radian;
            break;
        }
        case utm: {
            const utm_point u = to_utm();
            r.zone = u.zone;
            r.easting = u.easting;
            r.northing = u.northing;
            if (c.alt) {
                if (const auto a = alternative_zone(from == bng ? &p.bng : nullptr, u)) {
                    progress alt_at;
                    try {
                        const utm_point alt = utm_to_zone(u, *a, alt_at);
                        r.alt_zone = alt.zone;
                        r.alt_easting = alt.easting;
                        r.alt_northing = alt.northing;
                    } catch (const global_types::failure&) {
                        // No alternative where the neighbouring zone's grid cannot hold the
                        // point; the conversion itself stands.
                    }
                }
            }
            break;
        }
        case lv03:
        case lv95: {
            // Points west of 6 degrees east lie in zone 31, which the way from UTM into the
            // Swiss grids does not take; they go through their latitude and longitude.
            const coordinate_system to = c.to;
            const sncs_point s = from == utm && p.utm.zone != 31
                                     ? utm_to_sncs(p.utm, frame_of(to), at)
                                     : geo_to_sncs(to_geo(), frame_of(to), at);
            r.easting = s.easting;
            r.northing = s.northing;
            break;
        }
    }
    return r;
}

std::string describe(const global_types::failure& f, const progress& at) {
    const std::string_view name = f.name();
    const point_status status = status_of(f);
    if (at.target == step_target::input || status == point_status::data_unavailable) {
        return f.message() + " (" + std::string(name) + ")";
    }
    std::string reason;
    const bool swiss = at.target == step_target::lv03 || at.target == step_target::lv95;
    if (status == point_status::zone_out_of_range) {
        reason = "UTM zone " + std::to_string(at.zone) +
                 (swiss ? " is not a zone of the Swiss grids (31, 32)"
                        : " is not a zone of the National Grid (29 .. 31)");
    } else if (status == point_status::argument_error) {
        reason = "the projection has no solution for this point";
    } else {
        switch (at.target) {
            case step_target::bng:
                reason = "outside the National Grid";
                break;
            case step_target::utm:
                reason = "outside the grid of UTM zone " + std::to_string(at.zone);
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
            case step_target::shifts:
                reason = status == point_status::constraint_error && at.zone != 0
                             ? "outside the grid of UTM zone " + std::to_string(at.zone)
                             : std::string("outside the OSTN15 shifts");
                break;
            case step_target::input:
                break;
        }
    }
    return reason + " (" + std::string(name) + ")";
}

// A latitude and longitude outside the National Grid: the words name which of the two is
// outside, and suggest the swap where the two swapped would lie on the grid. Empty for any
// other failure.
std::string outside_national_grid(const conversion& c, const points& in, std::size_t i,
                                  const field_words& words, const global_types::failure& f) {
    const point_status status = status_of(f);
    if (status != point_status::easting_out_of_range &&
        status != point_status::northing_out_of_range) {
        return {};
    }
    const std::string latitude = words(0, in.latitude[i]);
    const std::string longitude = words(1, in.longitude[i]);
    std::string text = status == point_status::northing_out_of_range ? "latitude " + latitude
                                                                     : "longitude " + longitude;
    text += " is outside the National Grid";
    const geo_point swapped{in.longitude[i] / degrees_per_radian,
                            in.latitude[i] / degrees_per_radian};
    if (std::fabs(in.longitude[i]) <= 90.0) {
        try {
            progress at;
            if (c.method == datum_method::ostn15) {
                precise_geo_to_bng(swapped, at);
            } else {
                geo_to_bng(swapped, at);
            }
            text += "; swapped (latitude " + longitude + ", longitude " + latitude +
                    ") the point would lie on it";
        } catch (const global_types::failure&) {
        }
    }
    return text + " (" + std::string(f.name()) + ")";
}

// ---- the Helmert chain's pairs, point by point without raising -----------------------------

// BNG <-> UTM (the zone of the longitude, no alternative) and BNG <-> WGS84 by the Helmert chain
// run the chain's steps that report a fault instead of raising: the same results, and no
// exception on the way; where the processor allows, four points at a time on vectors first
// (`simd::convert_block`), which leaves every point it is not sure of to the steps one by one. A
// point that fails there takes the general way, so that its failure kind and words are the
// general way's. Other pairs, methods and options take the general way only.
bool runs_on_chain(const conversion& c, const points& in, const results& out) noexcept {
    using enum coordinate_system;
    return c.method == datum_method::helmert && c.zone == 0 && !c.alt && in.band.empty() &&
           out.easting_metres.empty() &&
           ((c.from == bng && (c.to == utm || c.to == wgs84)) ||
            ((c.from == utm || c.from == wgs84) && c.to == bng));
}

// The block kernel's name for a pair that `runs_on_chain`.
simd::chain_pair chain_pair_of(const conversion& c) noexcept {
    using enum coordinate_system;
    if (c.from == bng) {
        return c.to == utm ? simd::chain_pair::bng_to_utm : simd::chain_pair::bng_to_wgs84;
    }
    return c.from == utm ? simd::chain_pair::utm_to_bng : simd::chain_pair::wgs84_to_bng;
}

// A grid value read as `read_point` reads it, or false where it raises `constraint_error`.
template <class Checked>
bool chain_grid_value(double v, std::int32_t& value) noexcept {
    std::int64_t whole = 0;
    if (global_types::grid_integer_of(v, Checked::first, Checked::last, {}, whole) !=
        global_types::failure_kind::none) {
        return false;
    }
    value = static_cast<std::int32_t>(whole);
    return true;
}

std::int32_t whole_metres(double v) {
    return std::isnan(v) ? -1 : static_cast<std::int32_t>(std::round(v));
}

// Converts point `i` on the chain; false, with nothing written, where it fails.
bool convert_on_chain(const conversion& c, const points& in, const results& out,
                      std::size_t i) noexcept {
    using enum coordinate_system;
    namespace chain = utm::datum_transformations::detail;
    std::int32_t zone = 0;
    std::int32_t easting = 0;
    std::int32_t northing = 0;
    double latitude = 0.0;
    double longitude = 0.0;
    point_status s = point_status::constraint_error;  // an input outside its range
    std::int32_t e = 0;
    std::int32_t n = 0;
    if (c.from == bng) {
        if (chain_grid_value<easting_integer_bng>(in.easting[i], e) &&
            chain_grid_value<northing_integer_bng>(in.northing[i], n)) {
            s = c.to == utm ? chain::bng_to_utm(e, n, zone, easting, northing)
                            : chain::bng_to_wgs84(e, n, latitude, longitude);
        }
    } else if (c.from == utm) {
        const double z = in.zone[i];
        if (z == std::trunc(z) && z != 0.0 && z >= -60.0 && z <= 60.0 &&
            chain_grid_value<easting_integer>(in.easting[i], e) &&
            chain_grid_value<northing_integer>(in.northing[i], n)) {
            s = chain::utm_to_bng(static_cast<std::int32_t>(z), e, n, easting, northing);
        }
    } else {
        const double lat = in.latitude[i];
        const double lon = in.longitude[i];
        if (lat >= -90.0 && lat <= 90.0 && lon >= -180.0 && lon < 180.0) {
            s = chain::wgs84_to_bng(lat / degrees_per_radian, lon / degrees_per_radian, easting,
                                    northing);
        }
    }
    if (s != point_status::none) {
        return false;
    }
    out.status[i] = s;
    if (c.to == wgs84) {
        out.latitude[i] = latitude * degrees_per_radian;
        out.longitude[i] = longitude * degrees_per_radian;
        return true;
    }
    out.easting[i] = easting;
    out.northing[i] = northing;
    if (c.to == utm) {
        out.zone[i] = zone;
    }
    return true;
}

// Converts point `i` the general way: every pair, method and option.
void convert_one(const conversion& c, const points& in, const results& out, std::size_t i,
                 const field_words& numbers) noexcept {
    point_result r;
    point_status s = point_status::none;
    try {
        progress at;
        r = convert_point(c, in, i, at, numbers);
    } catch (const global_types::failure& f) {
        r = point_result{};
        s = status_of(f);
    } catch (...) {
        r = point_result{};
        s = point_status::unexpected;
    }
    out.status[i] = s;
    if (c.to == coordinate_system::wgs84 || c.to == coordinate_system::etrs89) {
        out.latitude[i] = r.latitude;
        out.longitude[i] = r.longitude;
        return;
    }
    out.easting[i] = whole_metres(r.easting);
    out.northing[i] = whole_metres(r.northing);
    if (!out.easting_metres.empty()) {
        out.easting_metres[i] = r.easting;
        out.northing_metres[i] = r.northing;
    }
    if (c.to == coordinate_system::utm) {
        out.zone[i] = r.zone;
    }
    if (c.alt) {
        out.alt_zone[i] = r.alt_zone;
        out.alt_easting[i] = whole_metres(r.alt_easting);
        out.alt_northing[i] = whole_metres(r.alt_northing);
        if (!out.alt_easting_metres.empty()) {
            out.alt_easting_metres[i] = r.alt_easting;
            out.alt_northing_metres[i] = r.alt_northing;
        }
    }
}

// ---- the arrays of a call -----------------------------------------------------------------

template <class T>
std::string length_fault(std::string_view side, std::initializer_list<std::string_view> names,
                         std::initializer_list<std::span<T>> spans, std::size_t count,
                         bool may_be_empty = false) {
    std::string fault;
    auto name = names.begin();
    for (const auto& s : spans) {
        if (s.size() != count && !(may_be_empty && s.empty()) && fault.empty()) {
            fault = std::string(side) + " array \"" + std::string(*name) + "\" holds " +
                    std::to_string(s.size()) + " values, not " + std::to_string(count);
        }
        ++name;
    }
    return fault;
}

std::size_t point_count(const conversion& c, const points& in) {
    switch (c.from) {
        case coordinate_system::wgs84:
        case coordinate_system::etrs89:
            return in.latitude.size();
        case coordinate_system::utm:
            return in.zone.size();
        default:
            return in.easting.size();
    }
}

}  // namespace

std::string_view failure_name(point_status s) noexcept {
    return global_types::full_name(s);
}

bool is_offered(coordinate_system from, coordinate_system to, datum_method method) noexcept {
    using enum coordinate_system;
    if (method == datum_method::ostn15) {
        auto reaches_grid = [](coordinate_system s) {
            return s == wgs84 || s == etrs89 || s == utm;
        };
        return (from == bng && reaches_grid(to)) || (reaches_grid(from) && to == bng);
    }
    if (method != datum_method::helmert || from == etrs89 || to == etrs89) {
        return false;
    }
    auto swiss = [](coordinate_system s) { return s == lv03 || s == lv95; };
    if (from == to) {
        return from == utm;  // a zone change
    }
    return !(from == bng && swiss(to)) && !(swiss(from) && to == bng);
}

std::string method_fault(datum_method method) {
    if (method != datum_method::ostn15) {
        return {};
    }
    try {
        precise::from_etrs89_to_bng(52.0 / degrees_per_radian, -2.0 / degrees_per_radian);
    } catch (const precise::data_unavailable& f) {
        return f.message() + " (" + f.name() + ")";
    } catch (const global_types::failure&) {
    }
    return {};
}

std::string conversion_fault(const conversion& c) {
    using enum coordinate_system;
    if (static_cast<std::size_t>(c.from) > static_cast<std::size_t>(etrs89) ||
        static_cast<std::size_t>(c.to) > static_cast<std::size_t>(etrs89)) {
        return "unknown coordinate system";
    }
    if (c.method != datum_method::helmert && c.method != datum_method::ostn15) {
        return "unknown datum transformation method";
    }
    const bool precise_mode = c.method == datum_method::ostn15;
    if (!is_offered(c.from, c.to, c.method)) {
        const std::string pair = "cannot convert " + std::string(system_name(c.from)) + " to " +
                                 std::string(system_name(c.to));
        if (precise_mode) {
            return pair + " by OSTN15: it converts between bng and wgs84, etrs89 or utm";
        }
        if (c.from == etrs89 || c.to == etrs89) {
            return pair + ": etrs89 is the latitude and longitude of the OSTN15 method";
        }
        return pair + (c.from == c.to ? ": the point is already there"
                                      : ": the National Grid and the Swiss grids share no ground");
    }
    if (c.zone != 0 && c.to != utm) {
        return "a zone sets the zone of a UTM result; the result here is " +
               std::string(system_name(c.to));
    }
    if (c.zone < -60 || c.zone > 60) {
        return "zone " + std::to_string(c.zone) +
               ": UTM zones are 1 .. 60, negative for the southern hemisphere";
    }
    if (precise_mode && c.zone != 0 && (c.zone < 29 || c.zone > 31)) {
        return "zone " + std::to_string(c.zone) +
               ": the National Grid converts with UTM zones 29 .. 31";
    }
    if (c.from == utm && c.to == utm && c.zone == 0) {
        return "utm to utm changes the zone: give the new zone";
    }
    if (c.alt && c.to != utm) {
        return "the alternative gives the point in the neighbouring UTM zone; the result here "
               "is " +
               std::string(system_name(c.to));
    }
    return {};
}

std::string arguments_fault(const conversion& c, const points& in, const results& out) {
    using enum coordinate_system;
    if (std::string fault = conversion_fault(c); !fault.empty()) {
        return fault;
    }
    const std::size_t n = point_count(c, in);
    std::string fault;
    switch (c.from) {
        case utm:
            fault = length_fault("input", {"zone", "easting", "northing"},
                                 {in.zone, in.easting, in.northing}, n);
            if (fault.empty()) {
                fault = length_fault("input", {"band"}, {in.band}, n, true);
            }
            break;
        case wgs84:
        case etrs89:
            fault =
                length_fault("input", {"latitude", "longitude"}, {in.latitude, in.longitude}, n);
            break;
        default:
            fault = length_fault("input", {"easting", "northing"}, {in.easting, in.northing}, n);
            break;
    }
    if (fault.empty() && out.status.size() != n) {
        fault = "result array \"status\" holds " + std::to_string(out.status.size()) +
                " values, not " + std::to_string(n);
    }
    if (fault.empty()) {
        switch (c.to) {
            case utm:
                fault = length_fault("result", {"zone", "easting", "northing"},
                                     {out.zone, out.easting, out.northing}, n);
                break;
            case wgs84:
            case etrs89:
                fault = length_fault("result", {"latitude", "longitude"},
                                     {out.latitude, out.longitude}, n);
                break;
            default:
                fault =
                    length_fault("result", {"easting", "northing"}, {out.easting, out.northing}, n);
                break;
        }
    }
    if (fault.empty() && c.to != wgs84 && c.to != etrs89) {
        fault = length_fault("result", {"easting_metres", "northing_metres"},
                             {out.easting_metres, out.northing_metres}, n, true);
    }
    if (fault.empty() && c.alt) {
        fault = length_fault("result", {"alt_zone", "alt_easting", "alt_northing"},
                             {out.alt_zone, out.alt_easting, out.alt_northing}, n);
    }
    if (fault.empty() && c.alt) {
        fault = length_fault("result", {"alt_easting_metres", "alt_northing_metres"},
                             {out.alt_easting_metres, out.alt_northing_metres}, n, true);
    }
    return fault;
}

bool convert(const conversion& c, const points& in, const results& out) noexcept {
    try {
        if (!arguments_fault(c, in, out).empty()) {
            return false;
        }
    } catch (...) {
        return false;  // no memory even for the words of the check
    }
    const bool chain = runs_on_chain(c, in, out);
    const bool blocks = chain && simd::available();
    const simd::chain_pair pair = chain_pair_of(c);
    const field_words numbers{};
    const std::size_t n = out.status.size();
    for (std::size_t first = 0; first < n; first += simd::block_size) {
        const std::size_t count = std::min(simd::block_size, n - first);
        const unsigned done = blocks ? simd::convert_block(pair, in, out, first, count) : 0U;
        for (std::size_t k = 0; k < count; ++k) {
            const std::size_t i = first + k;
            if ((done >> k & 1U) == 0 && !(chain && convert_on_chain(c, in, out, i))) {
                convert_one(c, in, out, i, numbers);
            }
        }
    }
    return true;
}

std::string failure_reason(const conversion& c, const points& in, std::size_t index,
                           std::span<const std::string> written) {
    using enum coordinate_system;
    const field_words words{written};
    progress at;
    try {
        convert_point(c, in, index, at, words);
    } catch (const global_types::failure& f) {
        if (at.target == step_target::bng && (c.from == wgs84 || c.from == etrs89)) {
            if (std::string text = outside_national_grid(c, in, index, words, f); !text.empty()) {
                return text;
            }
        }
        return describe(f, at);
    } catch (const std::exception& e) {
        return std::string(e.what()) + " (" + std::string(failure_name(point_status::unexpected)) +
               ")";
    }
    return {};
}

}  // namespace batch
