#include "batch.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <initializer_list>
#include <limits>
#include <optional>
#include <utility>

#include "low_level_math.hpp"
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

#include "detail/batch_input.hpp"
#include "detail/batch_precise_simd.hpp"
#include "detail/batch_simd.hpp"
#include "detail/helmert_chain.hpp"

namespace batch {

namespace {

using global_types::easting_integer;
using global_types::long_float;
using global_types::northing_integer;
using global_types::zone_integer;
using low_level_math::degrees_per_radian;
using utm::bng::easting_integer_bng;
using utm::bng::northing_integer_bng;
using utm::sncs::local_reference_frame_enumeration;

namespace precise = utm::datum_transformations::ostn15;

// The UTM side of every conversion is WGS84, whose ellipsoid the library takes as GRS80.
constexpr long_float major_axis = utm::datum_transformations::major_axis_grs80;
constexpr long_float minor_axis = utm::datum_transformations::minor_axis_grs80;

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

// ---- reading a point ----------------------------------------------------------------------

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

// The record of a field that cannot be read.
point_failure input_failure(point_status kind, input_fault fault, std::size_t field, double value,
                            double first, double last) noexcept {
    return {
        .kind = kind, .fault = fault, .field = field, .value = value, .first = first, .last = last};
}

// A grid value of the range of `Checked` into `value`, by `input::grid_value`; false, with
// `why`, where it cannot be read: NaN fails with `constraint_error`, a value outside its
// range with `outside` (the easting's or the northing's kind).
template <class Checked>
bool read_grid(double v, bool exact, std::size_t field, point_status outside, point_failure& why,
               long_float& value) noexcept {
    const double first = Checked::first;
    const double last = Checked::last;
    const input_fault fault = input::grid_value(v, first, last, exact, value);
    if (fault == input_fault::none) {
        return true;
    }
    const point_status kind =
        fault == input_fault::not_a_number ? point_status::constraint_error : outside;
    why = input_failure(kind, fault, field, v, first, last);
    return false;
}

// An easting and a northing of the ranges of `Easting`, `Northing` (the fields `field` and
// `field + 1`) into `p.easting`, `p.northing`; the easting is read first.
template <class Easting, class Northing>
bool read_grid_point(const points& in, std::size_t i, bool exact, std::size_t field, source& p,
                     point_failure& why) noexcept {
    return read_grid<Easting>(in.easting[i], exact, field, point_status::easting_out_of_range, why,
                              p.easting) &&
           read_grid<Northing>(in.northing[i], exact, field + 1,
                               point_status::northing_out_of_range, why, p.northing);
}

// A latitude (field 0) or longitude (field 1) in degrees into `radians`, by the rule `fault`
// gave for it; a fault fails with `constraint_error`.
bool read_angle(double degrees, input_fault fault, std::size_t field, double limit,
                point_failure& why, long_float& radians) noexcept {
    if (fault != input_fault::none) {
        why = input_failure(point_status::constraint_error, fault, field, degrees, -limit, limit);
        return false;
    }
    radians = degrees / degrees_per_radian;
    return true;
}

bool read_geo(const points& in, std::size_t i, source& p, point_failure& why) noexcept {
    const double latitude = in.latitude[i];
    const double longitude = in.longitude[i];
    return read_angle(latitude, input::latitude_fault(latitude), 0, input::latitude_limit, why,
                      p.geo.latitude) &&
           read_angle(longitude, input::longitude_fault(longitude), 1, input::longitude_limit, why,
                      p.geo.longitude);
}

// A UTM point: the zone first, then the easting and northing, and the band as given.
bool read_utm(const points& in, std::size_t i, bool exact, source& p, point_failure& why) noexcept {
    const double zone = in.zone[i];
    if (!input::is_zone(zone)) {
        why = input_failure(point_status::constraint_error, input_fault::not_a_zone, 0, zone, 1.0,
                            60.0);
        return false;
    }
    if (!read_grid_point<easting_integer, northing_integer>(in, i, exact, 1, p, why)) {
        return false;
    }
    p.utm = {zone_integer(static_cast<int>(zone)), easting_integer::round(p.easting),
             northing_integer::round(p.northing)};
    p.band = in.band.empty() ? '\0' : in.band[i];
    return true;
}

// A Swiss grid point in whole metres of the ranges of `Easting`, `Northing`.
template <class Easting, class Northing>
bool read_sncs(const points& in, std::size_t i, source& p, point_failure& why) noexcept {
    if (!read_grid_point<Easting, Northing>(in, i, false, 0, p, why)) {
        return false;
    }
    p.sncs = {static_cast<std::int32_t>(p.easting), static_cast<std::int32_t>(p.northing)};
    return true;
}

// Point `i` of `in` into `p`; false, with `why`, where it cannot be read.
bool read_point(const conversion& c, const points& in, std::size_t i, source& p,
                point_failure& why) noexcept {
    using enum coordinate_system;
    using namespace utm::sncs;
    const bool exact = c.method == datum_method::ostn15;
    switch (c.from) {
        case bng:
            if (!read_grid_point<easting_integer_bng, northing_integer_bng>(in, i, exact, 0, p,
                                                                            why)) {
                return false;
            }
            p.bng = {easting_integer_bng::round(p.easting),
                     northing_integer_bng::round(p.northing)};
            return true;
        case utm:
            return read_utm(in, i, exact, p, why);
        case wgs84:
        case etrs89:
            return read_geo(in, i, p, why);
        case lv03:
            return read_sncs<easting_integer_sncs_lv03, northing_integer_sncs_lv03>(in, i, p, why);
        case lv95:
            break;
    }
    return read_sncs<easting_integer_sncs_lv95, northing_integer_sncs_lv95>(in, i, p, why);
}

// ---- the steps of a conversion: the library's conversions -----------------------------------

local_reference_frame_enumeration frame_of(coordinate_system system) {
    return system == coordinate_system::lv03 ? local_reference_frame_enumeration::lv03
                                             : local_reference_frame_enumeration::lv95;
}

failed_step step_into(local_reference_frame_enumeration frame) {
    return frame == local_reference_frame_enumeration::lv03 ? failed_step::lv03 : failed_step::lv95;
}

bng_point geo_to_bng(const geo_point& g) {
    const auto r = utm::datum_transformations::global_bng::from_wgs84_lat_long_to_bng(
        major_axis, minor_axis, g.latitude, g.longitude, 0.0);
    return {r.easting_bng, r.northing_bng};
}

geo_point bng_to_geo(const bng_point& b) {
    const auto r = utm::datum_transformations::global_bng::from_bng_to_wgs84_lat_long(
        major_axis, minor_axis, b.easting, b.northing);
    return {r.latitude, r.longitude};
}

geo_point utm_to_geo(const utm_point& u) {
    const auto r = utm::grid_to_lat_long(major_axis, minor_axis, u.easting, u.northing, u.zone);
    return {r.latitude, r.longitude};
}

bng_point utm_to_bng(const utm_point& u) {
    const auto r = utm::datum_transformations::utm_bng::from_utm_to_bng(
        major_axis, minor_axis, u.easting, u.northing, u.zone);
    return {r.easting_bng, r.northing_bng};
}

utm_point geo_to_utm_in_zone(const geo_point& g, zone_integer zone) {
    const auto r = utm::lat_long_to_grid(major_axis, minor_axis, g.latitude, g.longitude, zone);
    return {zone, r.easting, r.northing};
}

// The zone of a point where none is forced: the standard zone of its longitude (a boundary
// meridian belongs to the zone east of it), negative south of the equator. Every point of
// the National Grid and of the Swiss grids lies north, in the zone their conversions choose.
zone_integer zone_of(const geo_point& g) {
    const int zone = static_cast<int>(utm::detail::automatic_zone_number(g.longitude));
    return g.latitude < 0.0 ? -zone : zone;
}

// A northern point into the zone of its longitude, by the library's projection that chooses it
// (and knows northern zones only).
utm_point geo_to_utm(const geo_point& g) {
    const auto r =
        utm::extensions::lat_long_to_grid(major_axis, minor_axis, g.latitude, g.longitude);
    return {r.zone_out, r.easting, r.northing};
}

utm_point bng_to_utm(const bng_point& b) {
    const auto r = utm::datum_transformations::utm_bng::from_bng_to_utm(major_axis, minor_axis,
                                                                        b.easting, b.northing);
    return {r.zone_utm, r.easting_utm, r.northing_utm};
}

utm_point utm_to_zone(const utm_point& u, zone_integer zone) {
    const auto r = utm::utilities::convert_to_overlap_zone(major_axis, minor_axis, u.zone,
                                                           u.easting, u.northing, zone);
    return {zone, r.overlap_easting, r.overlap_northing};
}

geo_point sncs_to_geo(const sncs_point& p, local_reference_frame_enumeration frame) {
    const auto r = utm::datum_transformations::global_sncs::from_sncs_to_wgs84_lat_long(
        major_axis, minor_axis, frame, p.easting, p.northing);
    return {r.latitude, r.longitude};
}

utm_point sncs_to_utm(const sncs_point& p, local_reference_frame_enumeration frame) {
    namespace us = utm::datum_transformations::utm_sncs;
    const auto r = frame == local_reference_frame_enumeration::lv03
                       ? us::from_sncs_lv03_to_utm(major_axis, minor_axis, p.easting, p.northing)
                       : us::from_sncs_lv95_to_utm(major_axis, minor_axis, p.easting, p.northing);
    return {r.zone_utm, r.easting_utm, r.northing_utm};
}

sncs_point utm_to_sncs(const utm_point& u, local_reference_frame_enumeration frame) {
    namespace us = utm::datum_transformations::utm_sncs;
    if (frame == local_reference_frame_enumeration::lv03) {
        const auto r =
            us::from_utm_to_sncs_lv03(major_axis, minor_axis, u.zone, u.northing, u.easting);
        return {r.easting_sncs, r.northing_sncs};
    }
    const auto r = us::from_utm_to_sncs_lv95(major_axis, minor_axis, u.zone, u.northing, u.easting);
    return {r.easting_sncs, r.northing_sncs};
}

// The library projects WGS84 into the Swiss grid without a range check (its way from UTM
// has one); a point of another country would come out as grid values outside the frame.
// The Swiss grids' edges apply here as on the way from UTM, northing first.
template <class Easting, class Northing>
sncs_point geo_to_sncs_checked(const geo_point& g, local_reference_frame_enumeration frame) {
    namespace us = utm::datum_transformations::utm_sncs;
    const auto r = utm::datum_transformations::global_sncs::from_wgs84_lat_long_to_sncs_unrounded(
        major_axis, minor_axis, g.latitude, g.longitude, 0.0, frame);
    const Northing northing =
        global_types::to_grid_integer<Northing>(r.northing, "northing", us::frame_tolerance,
                                                global_types::failure_kind::northing_out_of_range);
    const Easting easting =
        global_types::to_grid_integer<Easting>(r.easting, "easting", us::frame_tolerance,
                                               global_types::failure_kind::easting_out_of_range);
    return {easting, northing};
}

sncs_point geo_to_sncs(const geo_point& g, local_reference_frame_enumeration frame) {
    using namespace utm::sncs;
    return frame == local_reference_frame_enumeration::lv03
               ? geo_to_sncs_checked<easting_integer_sncs_lv03, northing_integer_sncs_lv03>(g,
                                                                                            frame)
               : geo_to_sncs_checked<easting_integer_sncs_lv95, northing_integer_sncs_lv95>(g,
                                                                                            frame);
}

// The neighbouring zone of a UTM result whose point lies in an overlap strip. A National Grid
// point asks the grid's own overlap region (as the desktop program does); any other point the
// limits of its UTM zone, where the neighbours of zones 1 and 60 are each other.
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
        return r.is_overlapping ? std::optional<zone_integer>(r.overlap_zone) : std::nullopt;
    } catch (const global_types::failure&) {
        return std::nullopt;  // a point the zone's grid cannot take back has no neighbour
    }
}

// The point in the zone `alternative_zone` names into `r`'s alternative, where the
// neighbouring zone's grid can hold it; the conversion itself stands either way.
void add_alternative(const bng_point* b, const utm_point& u, point_result& r) {
    const auto a = alternative_zone(b, u);
    if (!a) {
        return;
    }
    try {
        const utm_point alt = utm_to_zone(u, *a);
        r.alt_zone = alt.zone;
        r.alt_easting = alt.easting;
        r.alt_northing = alt.northing;
    } catch (const global_types::failure&) {
    }
}

// ---- precise mode ---------------------------------------------------------------------------

// A precise result beyond the National Grid's range is no National Grid point.
void require_national_grid(const precise::grid_point& b) {
    if (!(b.easting >= easting_integer_bng::first && b.easting <= easting_integer_bng::last)) {
        throw utm::exceptions::easting_out_of_range();
    }
    if (!(b.northing >= northing_integer_bng::first && b.northing <= northing_integer_bng::last)) {
        throw utm::exceptions::northing_out_of_range();
    }
}

precise::grid_point precise_geo_to_bng(const geo_point& g) {
    const precise::grid_point b = precise::from_etrs89_to_bng(g.latitude, g.longitude);
    require_national_grid(b);
    return b;
}

precise::grid_point precise_utm_to_bng(const source& p) {
    const precise::grid_point b = precise::from_utm_to_bng(p.utm.zone, p.easting, p.northing);
    require_national_grid(b);
    return b;
}

// National Grid to UTM in precise mode (in `zone`, 0: the zone of the longitude), with the
// neighbouring zone under `alt` as the grid's own overlap region names it.
void precise_bng_to_utm(const source& p, int zone, bool alt, point_result& r) {
    const precise::utm_point u =
        zone != 0 ? precise::from_bng_to_utm(p.easting, p.northing, zone_integer(zone))
                  : precise::from_bng_to_utm(p.easting, p.northing);
    r.zone = u.zone;
    r.easting = u.easting;
    r.northing = u.northing;
    if (!alt) {
        return;
    }
    const utm_point whole{u.zone, easting_integer::round(u.easting),
                          northing_integer::round(u.northing)};
    if (const auto a = alternative_zone(&p.bng, whole)) {
        try {
            const precise::utm_point other = precise::from_bng_to_utm(p.easting, p.northing, *a);
            r.alt_zone = other.zone;
            r.alt_easting = other.easting;
            r.alt_northing = other.northing;
        } catch (const global_types::failure&) {
            // No alternative where the neighbouring zone cannot take the point.
        }
    }
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

void set_grid(point_result& r, double easting, double northing) {
    r.easting = easting;
    r.northing = northing;
}

void set_angles(point_result& r, const geo_point& g) {
    r.latitude = g.latitude * degrees_per_radian;
    r.longitude = g.longitude * degrees_per_radian;
}

// One point converted by the general way: the steps of its pair, one after another. Each step
// raises the library's failure; `begin` notes the step about to run, so that a failure is
// known by its step.
class general_way {
  public:
    general_way(const conversion& c, const source& p) noexcept : c_(c), p_(p) {}

    // The results of the Helmert chain's steps; raises where a step fails.
    point_result helmert();
    // The results of precise mode; raises where a step fails.
    point_result ostn15();
    // Whether a band given holds the point (within the grid's rounding); false, with `why`,
    // where it does not. Raises where the point has no latitude.
    bool band_holds(point_failure& why);
    // The record of a failure of `kind` raised by the step that ran last.
    point_failure failure(point_status kind) const noexcept {
        return {.kind = kind, .step = step_, .zone = zone_};
    }

  private:
    void begin(failed_step step, int zone = 0) noexcept {
        step_ = step;
        zone_ = zone;
    }
    geo_point to_geo();
    bng_point to_bng();
    utm_point to_utm();
    utm_point to_utm_in_zone(zone_integer zone);
    sncs_point to_sncs(local_reference_frame_enumeration frame);

    const conversion& c_;
    const source& p_;
    failed_step step_ = failed_step::input;
    int zone_ = 0;
};

geo_point general_way::to_geo() {
    switch (c_.from) {
        case coordinate_system::bng:
            begin(failed_step::geo);
            return bng_to_geo(p_.bng);
        case coordinate_system::utm:
            begin(failed_step::geo, p_.utm.zone);
            return utm_to_geo(p_.utm);
        case coordinate_system::lv03:
        case coordinate_system::lv95:
            begin(failed_step::geo);
            return sncs_to_geo(p_.sncs, frame_of(c_.from));
        case coordinate_system::wgs84:
        case coordinate_system::etrs89:
            break;
    }
    return p_.geo;
}

bng_point general_way::to_bng() {
    switch (c_.from) {
        case coordinate_system::utm:
            begin(failed_step::bng, p_.utm.zone);
            return utm_to_bng(p_.utm);
        case coordinate_system::wgs84:
            begin(failed_step::bng);
            return geo_to_bng(p_.geo);
        default:
            return p_.bng;  // no Swiss source reaches here: the pair is not offered
    }
}

utm_point general_way::to_utm_in_zone(zone_integer zone) {
    if (c_.from == coordinate_system::utm) {
        begin(failed_step::utm, zone);
        return utm_to_zone(p_.utm, zone);
    }
    const geo_point g = to_geo();
    begin(failed_step::utm, zone);
    return geo_to_utm_in_zone(g, zone);
}

utm_point general_way::to_utm() {
    if (c_.zone != 0) {
        return to_utm_in_zone(zone_integer(c_.zone));
    }
    switch (c_.from) {
        case coordinate_system::bng:
            begin(failed_step::utm);
            return bng_to_utm(p_.bng);
        case coordinate_system::lv03:
        case coordinate_system::lv95:
            begin(failed_step::utm);
            return sncs_to_utm(p_.sncs, frame_of(c_.from));
        default:
            break;
    }
    const zone_integer zone = zone_of(p_.geo);
    if (zone < 0) {
        begin(failed_step::utm, zone);
        return geo_to_utm_in_zone(p_.geo, zone);
    }
    begin(failed_step::utm);  // the zone the library chooses
    return geo_to_utm(p_.geo);
}

// Points west of 6 degrees east lie in zone 31, which the way from UTM into the Swiss grids
// does not take; they go through their latitude and longitude.
sncs_point general_way::to_sncs(local_reference_frame_enumeration frame) {
    if (c_.from == coordinate_system::utm && p_.utm.zone != 31) {
        begin(step_into(frame), p_.utm.zone);
        return utm_to_sncs(p_.utm, frame);
    }
    const geo_point g = to_geo();
    begin(step_into(frame));
    return geo_to_sncs(g, frame);
}

point_result general_way::helmert() {
    point_result r;
    switch (c_.to) {
        case coordinate_system::bng: {
            const bng_point b = to_bng();
            set_grid(r, b.easting, b.northing);
            break;
        }
        case coordinate_system::wgs84:
        case coordinate_system::etrs89:
            set_angles(r, to_geo());
            break;
        case coordinate_system::utm: {
            const utm_point u = to_utm();
            r.zone = u.zone;
            set_grid(r, u.easting, u.northing);
            if (c_.alt) {
                add_alternative(c_.from == coordinate_system::bng ? &p_.bng : nullptr, u, r);
            }
            break;
        }
        case coordinate_system::lv03:
        case coordinate_system::lv95: {
            const sncs_point s = to_sncs(frame_of(c_.to));
            set_grid(r, s.easting, s.northing);
            break;
        }
    }
    return r;
}

point_result general_way::ostn15() {
    using enum coordinate_system;
    point_result r;
    if (c_.from == bng && c_.to == utm) {
        begin(failed_step::shifts, c_.zone);
        precise_bng_to_utm(p_, c_.zone, c_.alt, r);
    } else if (c_.from == bng) {
        begin(failed_step::shifts);
        const precise::etrs89_point g = precise::from_bng_to_etrs89(p_.easting, p_.northing);
        set_angles(r, {g.latitude, g.longitude});
    } else {
        begin(failed_step::bng, c_.from == utm ? int(p_.utm.zone) : 0);
        const precise::grid_point b =
            c_.from == utm ? precise_utm_to_bng(p_) : precise_geo_to_bng(p_.geo);
        set_grid(r, b.easting, b.northing);
    }
    return r;
}

bool general_way::band_holds(point_failure& why) {
    if (band_letters.find(p_.band) == std::string_view::npos) {
        why = input_failure(point_status::constraint_error, input_fault::not_a_band, 0, 0.0, 0.0,
                            0.0);
        why.band = p_.band;
        return false;
    }
    begin(failed_step::geo, p_.utm.zone);
    const double latitude = utm_to_geo(p_.utm).latitude * degrees_per_radian;
    begin(failed_step::input);
    if (band_of(latitude - band_tolerance_degrees) == p_.band ||
        band_of(latitude + band_tolerance_degrees) == p_.band) {
        return true;
    }
    why = input_failure(point_status::constraint_error, input_fault::other_band, 0, 0.0, 0.0, 0.0);
    why.band = p_.band;
    why.actual_band = band_of(latitude);
    return false;
}

// Converts point `i` the general way into `r`; false, with `why` telling what stopped it,
// where it fails. Lets escape only what is no failure of the library.
bool convert_point(const conversion& c, const points& in, std::size_t i, point_result& r,
                   point_failure& why) {
    source p;
    if (!read_point(c, in, i, p, why)) {
        return false;
    }
    general_way way(c, p);
    try {
        if (p.band != '\0' && !way.band_holds(why)) {
            return false;
        }
        r = c.method == datum_method::ostn15 ? way.ostn15() : way.helmert();
        return true;
    } catch (const global_types::failure& f) {
        why = way.failure(f.kind());
        return false;
    }
}

// ---- the Helmert chain's pairs, point by point without raising -----------------------------

// BNG <-> UTM (the zone of the longitude, no alternative) and BNG <-> WGS84 by the Helmert chain
// run the chain's steps that report a fault instead of raising: the same results, and no
// exception on the way; where the processor allows, eight points at a time on vectors first
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

// A grid value read as `read_point` reads it, or false where that fails.
template <class Checked>
bool chain_grid_value(double v, std::int32_t& value) noexcept {
    double whole = 0.0;
    if (input::grid_value(v, Checked::first, Checked::last, false, whole) != input_fault::none) {
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
        if (input::is_zone(z) && chain_grid_value<easting_integer>(in.easting[i], e) &&
            chain_grid_value<northing_integer>(in.northing[i], n)) {
            s = chain::utm_to_bng(static_cast<std::int32_t>(z), e, n, easting, northing);
        }
    } else {
        const double lat = in.latitude[i];
        const double lon = in.longitude[i];
        if (input::latitude_fault(lat) == input_fault::none &&
            input::longitude_fault(lon) == input_fault::none) {
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
void convert_one(const conversion& c, const points& in, const results& out,
                 std::size_t i) noexcept {
    point_result r;
    point_status s = point_status::none;
    try {
        if (point_failure why; !convert_point(c, in, i, r, why)) {
            r = point_result{};
            s = why.kind;
        }
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

using named_length = std::pair<array_name, std::size_t>;

// The first of `arrays` whose length is not `count` into `r` (an empty one passes under
// `may_be_empty`); false where there is none.
bool length_fault(array_side side, std::initializer_list<named_length> arrays, std::size_t count,
                  call_refusal& r, bool may_be_empty = false) noexcept {
    for (const auto& [name, length] : arrays) {
        if (length != count && !(may_be_empty && length == 0)) {
            r.side = side;
            r.array = name;
            r.length = length;
            r.expected = count;
            return true;
        }
    }
    return false;
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

// The lengths of the arrays of a system's fields.
struct field_lengths {
    std::size_t zone;
    std::size_t easting;
    std::size_t northing;
    std::size_t latitude;
    std::size_t longitude;
};

// The arrays of `system`'s fields, on `side`, against their count `n`.
bool fields_fault_of(array_side side, coordinate_system system, const field_lengths& l,
                     std::size_t n, call_refusal& r) noexcept {
    using enum array_name;
    switch (system) {
        case coordinate_system::utm:
            return length_fault(
                side, {{zone, l.zone}, {easting, l.easting}, {northing, l.northing}}, n, r);
        case coordinate_system::wgs84:
        case coordinate_system::etrs89:
            return length_fault(side, {{latitude, l.latitude}, {longitude, l.longitude}}, n, r);
        default:
            return length_fault(side, {{easting, l.easting}, {northing, l.northing}}, n, r);
    }
}

// The input arrays `c.from` needs, with the band (may be empty) of a UTM point.
bool input_fault_of(const conversion& c, const points& in, std::size_t n,
                    call_refusal& r) noexcept {
    const field_lengths l{in.zone.size(), in.easting.size(), in.northing.size(), in.latitude.size(),
                          in.longitude.size()};
    return fields_fault_of(array_side::input, c.from, l, n, r) ||
           (c.from == coordinate_system::utm &&
            length_fault(array_side::input, {{array_name::band, in.band.size()}}, n, r, true));
}

// The result arrays: the status, the target's, its metres (may be empty) and the alternative's.
bool result_fault_of(const conversion& c, const results& out, std::size_t n,
                     call_refusal& r) noexcept {
    using enum array_name;
    constexpr array_side side = array_side::result;
    const bool grid = c.to != coordinate_system::wgs84 && c.to != coordinate_system::etrs89;
    return length_fault(side, {{status, out.status.size()}}, n, r) ||
           fields_fault_of(side, c.to,
                           {out.zone.size(), out.easting.size(), out.northing.size(),
                            out.latitude.size(), out.longitude.size()},
                           n, r) ||
           (grid && length_fault(side,
                                 {{easting_metres, out.easting_metres.size()},
                                  {northing_metres, out.northing_metres.size()}},
                                 n, r, true)) ||
           (c.alt && length_fault(side,
                                  {{alt_zone, out.alt_zone.size()},
                                   {alt_easting, out.alt_easting.size()},
                                   {alt_northing, out.alt_northing.size()}},
                                  n, r)) ||
           (c.alt && length_fault(side,
                                  {{alt_easting_metres, out.alt_easting_metres.size()},
                                   {alt_northing_metres, out.alt_northing_metres.size()}},
                                  n, r, true));
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

std::optional<global_types::failure> method_failure(datum_method method) {
    if (method != datum_method::ostn15) {
        return std::nullopt;
    }
    try {
        // Any point asks for the shift grid; this one lies on it.
        precise::from_etrs89_to_bng(52.0 / degrees_per_radian, -2.0 / degrees_per_radian);
    } catch (const precise::data_unavailable& f) {
        return global_types::failure(f);
    } catch (const global_types::failure&) {
    }
    return std::nullopt;
}

conversion_refusal refusal_of(const conversion& c) noexcept {
    using enum coordinate_system;
    using enum conversion_refusal;
    if (static_cast<std::size_t>(c.from) > static_cast<std::size_t>(etrs89) ||
        static_cast<std::size_t>(c.to) > static_cast<std::size_t>(etrs89)) {
        return unknown_system;
    }
    if (c.method != datum_method::helmert && c.method != datum_method::ostn15) {
        return unknown_method;
    }
    if (!is_offered(c.from, c.to, c.method)) {
        return not_offered;
    }
    if (c.zone != 0 && c.to != utm) {
        return zone_without_utm;
    }
    if (c.zone < -60 || c.zone > 60) {
        return zone_out_of_range;
    }
    if (c.method == datum_method::ostn15 && c.zone != 0 && (c.zone < 29 || c.zone > 31)) {
        return zone_beside_national_grid;
    }
    if (c.from == utm && c.to == utm && c.zone == 0) {
        return no_new_zone;
    }
    return c.alt && c.to != utm ? alt_without_utm : none;
}

call_refusal refusal_of(const conversion& c, const points& in, const results& out) noexcept {
    call_refusal r;
    r.conversion = refusal_of(c);
    if (r.conversion == conversion_refusal::none) {
        const std::size_t n = point_count(c, in);
        if (!input_fault_of(c, in, n, r)) {
            result_fault_of(c, out, n, r);
        }
    }
    return r;
}

bool convert(const conversion& c, const points& in, const results& out) noexcept {
    if (!refusal_of(c, in, out).none()) {
        return false;
    }
    const bool chain = runs_on_chain(c, in, out);
    const bool blocks = chain && simd::available();
    const simd::chain_pair pair = chain_pair_of(c);
    // Precise mode's pairs between the National Grid and UTM have a block kernel of their own.
    const precise_simd::precise_pair precise_pair = precise_simd::pair_of(c, in);
    const std::size_t n = out.status.size();
    for (std::size_t first = 0; first < n; first += simd::block_size) {
        const std::size_t count = std::min(simd::block_size, n - first);
        const unsigned done =
            blocks ? simd::convert_block(pair, in, out, first, count)
                   : precise_simd::convert_block(precise_pair, in, out, first, count);
        if (done == (1U << count) - 1U) {
            continue;  // the whole block converted
        }
        for (std::size_t k = 0; k < count; ++k) {
            const std::size_t i = first + k;
            if ((done >> k & 1U) == 0 && !(chain && convert_on_chain(c, in, out, i))) {
                convert_one(c, in, out, i);
            }
        }
    }
    return true;
}

point_failure failure_of(const conversion& c, const points& in, std::size_t index) {
    point_result r;
    point_failure why;
    return convert_point(c, in, index, r, why) ? point_failure{} : why;
}

}  // namespace batch
