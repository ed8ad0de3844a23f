// What must hold for every point, over each system's whole domain and just outside it (random
// points, fixed seeds): every result of `batch::convert` lies in its target's ranges and converts
// back to within the rounding of the path, or the point fails with a failure kind; and the
// one-point functions, the C exports and `batch::convert` give the same integers and failure
// kinds. A mirrored, clamped or other-hemisphere result breaks one of the two.
//
// TARNWICK_INVARIANT_POINTS sets the points drawn per conversion (default 4000, a few seconds
// in all); e.g. TARNWICK_INVARIANT_POINTS=200000 for a long run.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "batch.hpp"
#include "batch_wording.hpp"
#include "tarnwick.h"
#include "utm-bng-conversions.hpp"
#include "utm-bng-utilities.hpp"
#include "utm-bng.hpp"
#include "utm-datum_transformations-global_bng.hpp"
#include "utm-datum_transformations-global_sncs.hpp"
#include "utm-datum_transformations-utm_bng.hpp"
#include "utm-datum_transformations-utm_sncs.hpp"
#include "utm-sncs.hpp"
#include "utm-utilities.hpp"
#include "utm.hpp"

namespace {

using batch::coordinate_system;
using batch::datum_method;
using batch::point_status;
using enum coordinate_system;
using global_types::easting_integer;
using global_types::northing_integer;
namespace dt = utm::datum_transformations;
namespace sncs = utm::sncs;
using point = std::array<double, 3>;  // utm: zone, easting, northing; grids: e, n; angles: lat, lon

constexpr double a = dt::major_axis_grs80;
constexpr double b = dt::minor_axis_grs80;
constexpr double degree = std::numbers::pi / 180.0;

std::size_t points_per_conversion() {
    const char* named = std::getenv("TARNWICK_INVARIANT_POINTS");
    return named != nullptr && std::atol(named) > 0 ? static_cast<std::size_t>(std::atol(named))
                                                    : 4000;
}

// ---- the systems' ranges, from the library's own range types ----------------------------

bool angles(coordinate_system s) {
    return s == wgs84 || s == etrs89;
}

struct range {
    int axis;
    double first;
    double last;
};

template <class Checked>
range of(int axis) {
    return {axis, static_cast<double>(Checked::first), static_cast<double>(Checked::last)};
}

// The grid ranges of `s` (none for angles).
std::vector<range> grid_ranges(coordinate_system s) {
    using namespace utm::bng;
    using namespace sncs;
    switch (s) {
        case utm:
            return {of<easting_integer>(1), of<northing_integer>(2)};
        case bng:
            return {of<easting_integer_bng>(0), of<northing_integer_bng>(1)};
        case lv03:
            return {of<easting_integer_sncs_lv03>(0), of<northing_integer_sncs_lv03>(1)};
        case lv95:
            return {of<easting_integer_sncs_lv95>(0), of<northing_integer_sncs_lv95>(1)};
        default:
            return {};
    }
}

bool inside(coordinate_system s, const point& p) {
    if (angles(s)) {
        return p[0] >= -90.0 && p[0] <= 90.0 && p[1] >= -180.0 && p[1] < 180.0;
    }
    for (const range& r : grid_ranges(s)) {
        if (!(p[r.axis] >= r.first && p[r.axis] <= r.last)) {
            return false;
        }
    }
    return s != utm || (p[0] == std::trunc(p[0]) && p[0] != 0.0 &&
                        global_types::zone_integer::contains(static_cast<int>(p[0])));
}

// The northing of the pole in a northern zone, as the library's own projection puts it.
double pole_northing() {
    static const double pole =
        utm::lat_long_to_grid_unrounded(a, b, 90.0 * degree, 3.0 * degree, 31).northing;
    return pole;
}

// Metres from a grid point to the nearest end of its domain: its ranges, and for UTM the line
// of its hemisphere's pole (the meridian 90 degrees from the zone's central meridian, which
// the projection into a zone refuses); infinite for angles.
double edge_distance(coordinate_system s, const point& p) {
    double nearest = INFINITY;
    for (const range& r : grid_ranges(s)) {
        nearest = std::min({nearest, std::abs(p[r.axis] - r.first), std::abs(p[r.axis] - r.last)});
    }
    if (s == utm) {
        const double false_northing = utm::false_northing(static_cast<int>(p[0]));
        nearest = std::min(nearest, std::abs(std::abs(p[2] - false_northing) - pole_northing()));
    }
    return nearest;
}

// Metres outside the grid of `s` that its conversions still take as the grid's edge.
double edge_band(coordinate_system s) {
    return s == bng                 ? utm::bng::conversions::boundary_delta
           : s == lv03 || s == lv95 ? dt::utm_sncs::boundary_delta
                                    : 0.0;
}

// ---- points over each source system's domain and just outside it ------------------------

struct draw {
    std::mt19937_64 rng;
    double uniform(double lo, double hi) { return std::uniform_real_distribution(lo, hi)(rng); }
    int whole(int lo, int hi) { return std::uniform_int_distribution(lo, hi)(rng); }
    double near(double v, double d) { return v + uniform(-d, d); }
    template <class T>
    T pick(std::initializer_list<T> l) {
        return l.begin()[whole(0, static_cast<int>(l.size()) - 1)];
    }
};

// A grid value of `Checked`: anywhere, at or across either edge, or within `lo` .. `hi`.
template <class Checked>
double grid_value(draw& d, double lo, double hi) {
    switch (d.whole(0, 3)) {
        case 0:
            return d.near(d.pick<double>({Checked::first, Checked::last}), 6.0);
        case 1:
            return d.uniform(lo, hi);
        default:
            return d.uniform(Checked::first - 20.0, Checked::last + 20.0);
    }
}

point bng_point(draw& d) {
    using namespace utm::bng;
    return {grid_value<easting_integer_bng>(d, 100000.0, 660000.0),
            grid_value<northing_integer_bng>(d, 0.0, 1260000.0), 0.0};
}

template <class Easting, class Northing>
point swiss_point(draw& d) {
    return {grid_value<Easting>(d, Easting::first + 60000.0, Easting::last - 40000.0),
            grid_value<Northing>(d, Northing::first + 20000.0, Northing::last - 20000.0), 0.0};
}

point utm_point(draw& d, bool precise) {
    const int category = d.whole(0, 6);
    if (category == 0 || precise) {  // Great Britain, in and beside its zones
        return {static_cast<double>(d.pick({29, 30, 31, -30})), d.uniform(150000.0, 860000.0),
                d.uniform(5400000.0, 6900000.0)};
    }
    if (category == 1) {  // Switzerland, in zone 32 and the east of zone 31
        const bool east = d.whole(0, 1) == 0;
        return {east ? 32.0 : 31.0,
                east ? d.uniform(250000.0, 570000.0) : d.uniform(800000.0, 999999.0),
                d.uniform(5030000.0, 5320000.0)};
    }
    int zone = d.pick({1, 60, -1, -60, d.whole(1, 60), -d.whole(1, 60), 29, 31});
    if (d.whole(0, 49) == 0) {
        zone = d.pick({0, 61, -61});  // no zone
    }
    const double false_northing = utm::false_northing(zone < 0 ? -1 : 1);
    const double pole = pole_northing();
    if (category == 2) {  // a zone edge or overlap strip, from a latitude and longitude
        const int grid = zone == 0 || std::abs(zone) > 60 ? 31 : zone;
        const double lat = d.uniform(-80.0, 84.0);
        const double lon = 6.0 * std::abs(grid) - 183.0 + d.pick({-3.0, 3.0}) + d.near(0.0, 0.7);
        const auto g = utm::lat_long_to_grid_unrounded(a, b, lat * degree, lon * degree, grid);
        return {static_cast<double>(zone), g.easting, g.northing};
    }
    double northing = grid_value<northing_integer>(d, 0.0, 10000000.0);
    if (category == 3) {  // at and beyond the pole of the zone's hemisphere
        const double to_pole = d.pick({0.3, 0.5, 0.7, 2.0, 3000.0, 200000.0});
        northing = false_northing + (zone < 0 ? -1.0 : 1.0) * (pole + d.near(0.0, to_pole));
    }
    return {static_cast<double>(zone), grid_value<easting_integer>(d, 200000.0, 800000.0),
            northing};
}

point geo_point(draw& d) {
    switch (d.whole(0, 7)) {
        case 0:  // the poles and latitudes beyond 84 degrees
            return {d.pick({90.0, -90.0, d.uniform(84.0, 90.0), d.uniform(-90.0, -80.0)}),
                    d.uniform(-180.0, 180.0), 0.0};
        case 1:  // the antimeridian
            return {d.uniform(-90.0, 90.0),
                    d.pick({-180.0, std::nextafter(180.0, 0.0), d.near(179.5, 0.5),
                            d.near(-179.5, 0.5)}),
                    0.0};
        case 2:  // a zone edge or overlap strip
            return {d.uniform(-80.0, 84.0), 6.0 * d.whole(0, 59) - 180.0 + d.near(0.0, 0.7), 0.0};
        case 3:  // around and over Great Britain
            return {d.uniform(48.0, 62.0), d.uniform(-10.0, 4.0), 0.0};
        case 4:  // around and over Switzerland
            return {d.uniform(45.5, 48.1), d.uniform(5.6, 10.8), 0.0};
        case 5:  // just outside the angles
            return {d.pick({std::nextafter(90.0, 91.0), -90.000001, d.near(0.0, 90.0)}),
                    d.pick({180.0, -180.000001, d.near(0.0, 180.0)}), 0.0};
        default:
            return {d.uniform(-90.0, 90.0), d.uniform(-180.0, 180.0), 0.0};
    }
}

point source_point(draw& d, coordinate_system s, bool precise) {
    point p{};
    switch (s) {
        case bng:
            p = bng_point(d);
            break;
        case utm: {
            const point u = utm_point(d, precise);
            return precise ? u : point{u[0], std::round(u[1]), std::round(u[2])};
        }
        case lv03:
            p = swiss_point<sncs::easting_integer_sncs_lv03, sncs::northing_integer_sncs_lv03>(d);
            break;
        case lv95:
            p = swiss_point<sncs::easting_integer_sncs_lv95, sncs::northing_integer_sncs_lv95>(d);
            break;
        default:
            return geo_point(d);
    }
    // The whole metres the Helmert chain converts; precise mode takes the metres as they are.
    return precise ? p : point{std::round(p[0]), std::round(p[1]), 0.0};
}

// ---- batch::convert on points given as `point` ---------------------------------------------

struct outcome {
    point_status status = point_status::unexpected;
    point value{};
    point alt{};  // under `alt`: the neighbouring zone's point; alt[1] == -1 where there is none
};

std::vector<outcome> convert(const batch::conversion& c, const std::vector<point>& in,
                             bool metres) {
    const std::size_t n = in.size();
    std::vector<double> col[3];
    for (auto& v : col) {
        v.resize(n);
    }
    for (std::size_t i = 0; i < n; ++i) {
        for (int k = 0; k < 3; ++k) {
            col[k][i] = in[i][k];
        }
    }
    batch::points p;
    if (c.from == utm) {
        p.zone = col[0];
        p.easting = col[1];
        p.northing = col[2];
    } else if (angles(c.from)) {
        p.latitude = col[0];
        p.longitude = col[1];
    } else {
        p.easting = col[0];
        p.northing = col[1];
    }
    std::vector<point_status> status(n);
    std::vector<std::int32_t> zone(n), e(n), nn(n), az(n), ae(n), an(n);
    std::vector<double> lat(n), lon(n), em(n), nm(n), aem(n), anm(n);
    const bool m = metres && !angles(c.to);
    batch::results r{.status = status,
                     .zone = zone,
                     .easting = e,
                     .northing = nn,
                     .latitude = lat,
                     .longitude = lon,
                     .alt_zone = az,
                     .alt_easting = ae,
                     .alt_northing = an,
                     .easting_metres = m ? std::span<double>(em) : std::span<double>(),
                     .northing_metres = m ? std::span<double>(nm) : std::span<double>(),
                     .alt_easting_metres = m ? std::span<double>(aem) : std::span<double>(),
                     .alt_northing_metres = m ? std::span<double>(anm) : std::span<double>()};
    if (!c.alt) {
        r.alt_zone = r.alt_easting = r.alt_northing = {};
        r.alt_easting_metres = r.alt_northing_metres = {};
    }
    EXPECT_TRUE(batch::convert(c, p, r)) << batch::wording::arguments_fault(c, p, r);
    std::vector<outcome> out(n);
    for (std::size_t i = 0; i < n; ++i) {
        outcome& o = out[i];
        o.status = status[i];
        const double ei = m ? em[i] : e[i];
        const double ni = m ? nm[i] : nn[i];
        o.value = c.to == utm    ? point{double(zone[i]), ei, ni}
                  : angles(c.to) ? point{lat[i], lon[i], 0.0}
                                 : point{ei, ni, 0.0};
        if (c.alt) {
            o.alt = {double(az[i]), m && !std::isnan(aem[i]) ? aem[i] : ae[i],
                     m && !std::isnan(anm[i]) ? anm[i] : an[i]};
        }
    }
    return out;
}

// Metres between two points of system `s` (the earth's radius for angles; a zone apart: inf).
double distance(coordinate_system s, const point& p, const point& q) {
    if (angles(s)) {
        auto xyz = [](const point& g) {
            const double lat = g[0] * degree;
            const double lon = g[1] * degree;
            return std::array{std::cos(lat) * std::cos(lon), std::cos(lat) * std::sin(lon),
                              std::sin(lat)};
        };
        const auto u = xyz(p);
        const auto v = xyz(q);
        return a * std::hypot(u[0] - v[0], u[1] - v[1], u[2] - v[2]);
    }
    if (s == utm) {
        return p[0] != q[0] ? INFINITY : std::hypot(p[1] - q[1], p[2] - q[2]);
    }
    return std::hypot(p[0] - q[0], p[1] - q[1]);
}

// ---- every pair batch::convert offers, both methods ------------------------------------------

const std::vector<batch::conversion>& conversions() {
    using m = datum_method;
    static const std::vector<batch::conversion> table{
        {bng, utm, 0, true, m::helmert},     {bng, utm, 30, false, m::helmert},
        {bng, wgs84, 0, false, m::helmert},  {utm, bng, 0, false, m::helmert},
        {utm, wgs84, 0, false, m::helmert},  {utm, lv03, 0, false, m::helmert},
        {utm, lv95, 0, false, m::helmert},   {utm, utm, 31, true, m::helmert},
        {utm, utm, -31, false, m::helmert},  {utm, utm, 1, true, m::helmert},
        {utm, utm, -60, false, m::helmert},  {wgs84, bng, 0, false, m::helmert},
        {wgs84, utm, 0, true, m::helmert},   {wgs84, utm, -1, false, m::helmert},
        {wgs84, utm, 32, false, m::helmert}, {wgs84, lv03, 0, false, m::helmert},
        {wgs84, lv95, 0, false, m::helmert}, {lv03, utm, 0, true, m::helmert},
        {lv03, wgs84, 0, false, m::helmert}, {lv03, lv95, 0, false, m::helmert},
        {lv95, utm, 0, false, m::helmert},   {lv95, wgs84, 0, false, m::helmert},
        {lv95, lv03, 0, false, m::helmert},  {bng, utm, 0, true, m::ostn15},
        {bng, utm, 29, false, m::ostn15},    {bng, wgs84, 0, false, m::ostn15},
        {bng, etrs89, 0, false, m::ostn15},  {utm, bng, 0, false, m::ostn15},
        {wgs84, bng, 0, false, m::ostn15},   {etrs89, bng, 0, false, m::ostn15},
    };
    return table;
}

std::string name(const batch::conversion& c) {
    constexpr std::array<const char*, 6> names{"bng", "utm", "wgs84", "lv03", "lv95", "etrs89"};
    return std::string(names[static_cast<int>(c.from)]) + "->" + names[static_cast<int>(c.to)] +
           (c.zone != 0 ? " zone " + std::to_string(c.zone) : "") + (c.alt ? " alt" : "") +
           (c.method == datum_method::ostn15 ? " OSTN15" : "");
}

std::string text(const point& p) {
    std::array<char, 96> buffer{};
    std::snprintf(buffer.data(), buffer.size(), "(%.12g, %.12g, %.12g)", p[0], p[1], p[2]);
    return buffer.data();
}

TEST(Invariants, TheTableHoldsEveryOfferedPair) {
    for (int f = 0; f <= static_cast<int>(etrs89); ++f) {
        for (int t = 0; t <= static_cast<int>(etrs89); ++t) {
            for (const datum_method m : {datum_method::helmert, datum_method::ostn15}) {
                const auto from = static_cast<coordinate_system>(f);
                const auto to = static_cast<coordinate_system>(t);
                bool listed = false;
                for (const batch::conversion& c : conversions()) {
                    listed = listed || (c.from == from && c.to == to && c.method == m);
                }
                EXPECT_EQ(listed, batch::is_offered(from, to, m)) << f << " -> " << t;
            }
        }
    }
}

// The round trip's bound in metres: each whole-metre rounding on the way there and back moves
// the point by up to half a metre on each axis (0.71 m, with 1 % for the grids' scale); the
// Helmert chains' way back from the National Grid or a Swiss grid is not their exact inverse
// (up to 0.16 m over the National Grid); a result on the edge of such a grid may stand for a
// point up to the grid's band outside it. Precise mode rounds nothing: 1 mm. The alternative
// in the neighbouring zone is made from the whole-metre result: one rounding more.
double round_trip_tolerance(const batch::conversion& c, const point& result, bool alternative) {
    if (c.method == datum_method::ostn15) {
        return 1e-3;
    }
    const int roundings = !angles(c.to) + !angles(c.from) + (alternative ? 1 : 0);
    const bool datum_change = edge_band(c.from) > 0.0 || edge_band(c.to) > 0.0;
    return (datum_change ? 0.2 : 0.01) + roundings * 0.5 * std::numbers::sqrt2 * 1.01 +
           (edge_distance(c.to, result) == 0.0 ? edge_band(c.to) : 0.0);
}

// Whether `zone` neighbours `of` (the same hemisphere; 60 and 1 across the antimeridian).
bool neighbours(int zone, int of) {
    const int step = std::abs(std::abs(zone) - std::abs(of));
    return (step == 1 || step == 59) && (zone < 0) == (of < 0);
}

// Why point `p`'s outcome `o` of `c` breaks the round trip; empty when it holds. A failure must
// be a failure kind; a result must lie in the target's ranges (the alternative in the
// neighbouring zone) and convert back to `p` within `round_trip_tolerance`. Only a source point
// that close to the end of its own domain may fail on the way back (just beyond that end).
std::string round_trip_fault(const batch::conversion& c, const point& p, const outcome& o) {
    const bool precise = c.method == datum_method::ostn15;
    if (o.status != point_status::none) {
        return batch::failure_name(o.status).empty() ? "a failure without a kind" : "";
    }
    std::vector<point> results{o.value};
    if (c.alt && o.alt[1] != -1.0) {
        if (!neighbours(int(o.alt[0]), int(o.value[0]))) {
            return "alternative " + text(o.alt) + " not in a neighbouring zone";
        }
        results.push_back(o.alt);
    }
    for (std::size_t r = 0; r < results.size(); ++r) {
        const point& result = results[r];
        const std::string gives = "gives " + text(result);
        if (!inside(c.to, result)) {
            return gives + ", outside the target's ranges";
        }
        const batch::conversion back{c.to, c.from, c.from == utm ? int(p[0]) : 0, false, c.method};
        const outcome there = convert(back, {result}, precise)[0];
        const double tolerance = round_trip_tolerance(c, result, r == 1);
        if (there.status != point_status::none) {
            if (edge_distance(c.from, p) > tolerance) {
                return gives + ", which does not convert back: " +
                       std::string(batch::failure_name(there.status));
            }
        } else if (const double off = distance(c.from, p, there.value); !(off <= tolerance)) {
            return gives + ", which converts back to " + text(there.value) + ", " +
                   std::to_string(off) + " m away";
        }
    }
    return {};
}

TEST(Invariants, EveryResultIsInRangeAndConvertsBack) {
    if (!batch::wording::method_fault(datum_method::ostn15).empty()) {
        GTEST_SKIP() << batch::wording::method_fault(datum_method::ostn15);
    }
    const std::size_t count = points_per_conversion();
    for (std::size_t k = 0; k < conversions().size(); ++k) {
        const batch::conversion& c = conversions()[k];
        draw d{std::mt19937_64(20 + k)};
        std::vector<point> in(count);
        for (point& p : in) {
            p = source_point(d, c.from, c.method == datum_method::ostn15);
        }
        const std::vector<outcome> out = convert(c, in, c.method == datum_method::ostn15);
        std::size_t converted = 0;
        std::size_t faults = 0;
        for (std::size_t i = 0; i < count; ++i) {
            converted += out[i].status == point_status::none;
            if (const std::string fault = round_trip_fault(c, in[i], out[i]); !fault.empty()) {
                if (++faults <= 3) {
                    ADD_FAILURE() << name(c) << " of " << text(in[i]) << " " << fault;
                }
            }
        }
        EXPECT_EQ(faults, 0U) << name(c) << ": points that break the round trip";
        EXPECT_GT(converted, count / 50) << name(c) << ": too few points convert to test it";
    }
}

// ---- every front end gives the same answer -------------------------------------------------

// A front end's answer for one point: its status (`unexpected` for "failed" where the front end
// names no kind) and, when it converted, the values as `outcome::value` holds them.
struct answer {
    point_status status;
    point value{};
};

// The same status and integers; angles to 1e-12 degrees (the chain's shortcuts and the general
// way may differ in the last bits).
bool agree(const answer& x, const answer& y, coordinate_system to) {
    const double close = angles(to) ? 1e-12 : 0.0;
    return x.status == y.status && std::abs(x.value[0] - y.value[0]) <= close &&
           std::abs(x.value[1] - y.value[1]) <= close && x.value[2] == y.value[2];
}

point_status kind_of(std::string_view failure) {
    for (int s = 1; s <= static_cast<int>(point_status::unexpected); ++s) {
        if (batch::failure_name(static_cast<point_status>(s)) == failure) {
            return static_cast<point_status>(s);
        }
    }
    return point_status::unexpected;
}

// A one-point function's answer: its values, or the kind of the failure it raised.
template <class F>
answer one_point(F f) {
    try {
        return {point_status::none, f()};
    } catch (const global_types::failure& e) {
        return {kind_of(e.name()), {}};
    }
}

// An export's answer: failed where it wrote its failure value (into `value[axis]`).
answer exported(point value, double failure_value = -1.0, int axis = 0) {
    return value[axis] == failure_value ? answer{point_status::unexpected, {}}
                                        : answer{point_status::none, value};
}

constexpr double degrees_per_radian = 180.0 / std::numbers::pi;

// A pair with the one-point function that converts it and, where one reaches it, the export;
// `zone` is the zone of a UTM result, given per point.
struct front_ends {
    batch::conversion c;
    std::function<answer(const point&, int zone)> function;
    std::function<answer(const point&, int zone)> c_export;
};

std::vector<front_ends> agreement_table() {
    namespace ub = dt::utm_bng;
    namespace gb = dt::global_bng;
    using m = datum_method;
    auto i = [](double v) { return static_cast<int>(v); };
    return {
        {{bng, utm, 0, false, m::helmert},
         [=](const point& p, int) {
             return one_point([&] {
                 const auto r = ub::from_bng_to_utm(a, b, i(p[0]), i(p[1]));
                 return point{double(r.zone_utm), double(r.easting_utm), double(r.northing_utm)};
             });
         },
         [=](const point& p, int) {
             signed char z = 0;
             int e = 0, n = 0;
             convert_bng_to_utm(i(p[0]), i(p[1]), &z, &e, &n);
             return exported({double(z), double(e), double(n)});
         }},
        {{utm, bng, 0, false, m::helmert},
         [=](const point& p, int) {
             return one_point([&] {
                 const auto r = ub::from_utm_to_bng(a, b, i(p[1]), i(p[2]), i(p[0]));
                 return point{double(r.easting_bng), double(r.northing_bng), 0.0};
             });
         },
         [=](const point& p, int) {
             int e = 0, n = 0;
             convert_utm_to_bng(static_cast<signed char>(p[0]), i(p[2]), i(p[1]), &e, &n);
             return exported({double(e), double(n), 0.0});
         }},
        {{bng, wgs84, 0, false, m::helmert},
         [=](const point& p, int) {
             return one_point([&] {
                 const auto r = gb::from_bng_to_wgs84_lat_long(a, b, i(p[0]), i(p[1]));
                 return point{r.latitude * degrees_per_radian, r.longitude * degrees_per_radian,
                              0.0};
             });
         },
         [=](const point& p, int) {
             double lat = 0.0, lon = 0.0;
             from_bng_to_wgs84_lat_long(i(p[0]), i(p[1]), &lat, &lon);
             return exported({lat * degrees_per_radian, lon * degrees_per_radian, 0.0},
                             -1000.0 * degrees_per_radian);
         }},
        {{wgs84, bng, 0, false, m::helmert},
         [=](const point& p, int) {
             return one_point([&] {
                 const auto r =
                     gb::from_wgs84_lat_long_to_bng(a, b, p[0] * degree, p[1] * degree, 0.0);
                 return point{double(r.easting_bng), double(r.northing_bng), 0.0};
             });
         },
         {}},
        {{utm, wgs84, 0, false, m::helmert},
         [=](const point& p, int) {
             return one_point([&] {
                 const auto r = utm::grid_to_lat_long(a, b, i(p[1]), i(p[2]), i(p[0]));
                 return point{r.latitude * degrees_per_radian, r.longitude * degrees_per_radian,
                              0.0};
             });
         },
         {}},
        // The forward projection into a chosen zone, and the zone change: no clamped value.
        {{wgs84, utm, 1, false, m::helmert},
         [=](const point& p, int zone) {
             return one_point([&] {
                 const auto r = utm::lat_long_to_grid(a, b, p[0] * degree, p[1] * degree, zone);
                 return point{double(zone), double(r.easting), double(r.northing)};
             });
         },
         {}},
        {{utm, utm, 1, false, m::helmert},
         [=](const point& p, int zone) {
             return one_point([&] {
                 const auto r =
                     utm::utilities::convert_to_overlap_zone(a, b, i(p[0]), i(p[1]), i(p[2]), zone);
                 return point{double(zone), double(r.overlap_easting), double(r.overlap_northing)};
             });
         },
         [=](const point& p, int zone) {
             int e = 0, n = 0;
             convert_to_overlap_zone(static_cast<signed char>(p[0]), i(p[1]), i(p[2]),
                                     static_cast<signed char>(zone), &e, &n);
             return exported({double(zone), double(e), double(n)}, -1.0, 1);
         }},
        {{lv03, utm, 0, false, m::helmert},
         [=](const point& p, int) {
             return one_point([&] {
                 const auto r = dt::utm_sncs::from_sncs_lv03_to_utm(a, b, i(p[0]), i(p[1]));
                 return point{double(r.zone_utm), double(r.easting_utm), double(r.northing_utm)};
             });
         },
         {}},
        {{lv95, wgs84, 0, false, m::helmert},
         [=](const point& p, int) {
             return one_point([&] {
                 const auto r = dt::global_sncs::from_sncs_to_wgs84_lat_long(
                     a, b, sncs::local_reference_frame_enumeration::lv95, i(p[0]), i(p[1]));
                 return point{r.latitude * degrees_per_radian, r.longitude * degrees_per_radian,
                              0.0};
             });
         },
         {}},
    };
}

// The zone a point is given in, where the pair takes one: its own, its neighbours', the other
// hemisphere's, or zones 1 and 60 across the antimeridian.
int chosen_zone(draw& d, coordinate_system from, const point& p) {
    const int own = from == utm ? int(p[0]) : int(std::floor((p[1] + 180.0) / 6.0)) % 60 + 1;
    const int number = std::abs(own);
    const int zone = d.pick({number, number % 60 + 1, (number + 58) % 60 + 1, d.pick({1, 60})});
    return own < 0 || d.whole(0, 2) == 0 ? -zone : zone;
}

// The same points through the one-point function, the export where it reaches, and
// `batch::convert` on the whole array (four at a time on vectors, where the pair has them) and
// point by point with the results in metres (the general way).
TEST(Invariants, EveryFrontEndGivesTheSameAnswer) {
    const std::size_t count = std::max<std::size_t>(points_per_conversion() / 10, 400);
    std::size_t k = 0;
    for (const front_ends& f : agreement_table()) {
        draw d{std::mt19937_64(60 + k++)};
        std::vector<point> in;
        std::vector<int> zones;
        while (in.size() < count) {
            const point p = source_point(d, f.c.from, false);
            if (inside(f.c.from, p)) {  // outside, each front end words the failure its way
                in.push_back(p);
                zones.push_back(f.c.zone != 0 ? chosen_zone(d, f.c.from, p) : 0);
            }
        }
        const std::vector<outcome> whole = convert(f.c, in, false);
        std::size_t faults = 0;
        for (std::size_t i = 0; i < count; ++i) {
            batch::conversion c = f.c;
            c.zone = zones[i];
            const outcome single = convert(c, {in[i]}, true)[0];
            const auto as_answer = [](const outcome& o) {
                return o.status == point_status::none ? answer{o.status, o.value}
                                                      : answer{o.status, {}};
            };
            const answer expected = as_answer(single);
            std::vector<std::pair<const char*, answer>> answers{
                {"the one-point function", f.function(in[i], zones[i])}};
            if (c.zone == 0) {
                answers.emplace_back("batch::convert on the array", as_answer(whole[i]));
            }
            if (f.c_export) {
                answer e = f.c_export(in[i], zones[i]);
                if (e.status != point_status::none && expected.status != point_status::none) {
                    e.status = expected.status;  // the export names no kind
                }
                answers.emplace_back("the C export", e);
            }
            for (const auto& [front_end, got] : answers) {
                if (!agree(got, expected, c.to) && ++faults <= 3) {
                    ADD_FAILURE() << name(c) << " of " << text(in[i]) << ": " << front_end
                                  << " gives " << batch::failure_name(got.status) << " "
                                  << text(got.value) << ", batch::convert "
                                  << batch::failure_name(expected.status) << " "
                                  << text(expected.value);
                }
            }
        }
        batch::conversion shown = f.c;
        shown.zone = 0;
        EXPECT_EQ(faults, 0U) << name(shown) << (f.c.zone != 0 ? " in chosen zones" : "")
                              << ": points on which the front ends differ";
    }
}

// The overlap exports answer as the functions they call: the flag (0: in a strip) and zones.
TEST(Invariants, TheOverlapExportsAnswerAsTheirFunctions) {
    draw d{std::mt19937_64(80)};
    for (int k = 0; k < 2000; ++k) {
        const bool grid = k % 2 == 0;
        const point p = source_point(d, grid ? bng : utm, false);
        if (!inside(grid ? bng : utm, p)) {
            continue;
        }
        const auto i = [](double v) { return static_cast<int>(v); };
        int flag = 0;
        signed char w = 0, e = 0;
        const answer function = one_point([&] {
            if (grid) {
                const auto r = utm::bng::utilities::is_in_overlap_region(i(p[1]), i(p[0]));
                return point{r.is_overlapping ? 0.0 : 1.0, double(r.overlap_zone_w),
                             double(r.overlap_zone_e)};
            }
            const auto r = utm::utilities::is_overlapping_zone(a, b, i(p[0]), i(p[1]), i(p[2]));
            return point{r.is_overlapping ? 0.0 : 1.0, double(r.overlap_zone), 0.0};
        });
        if (grid) {
            is_in_overlap_region(i(p[1]), i(p[0]), &flag, &w, &e);
        } else {
            is_overlapping_zone(static_cast<signed char>(p[0]), i(p[1]), i(p[2]), &flag, &w);
        }
        const answer c_export = exported({double(flag), double(w), double(e)});
        ASSERT_EQ(c_export.status == point_status::none, function.status == point_status::none)
            << text(p);
        if (function.status == point_status::none) {
            ASSERT_EQ(c_export.value, function.value) << text(p);
        }
    }
}

}  // namespace
