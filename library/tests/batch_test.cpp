// Array conversions: every pair against the results tarnwick-convert prints for the same
// points (corrections included), per-point failures, and calls refused as a whole.
#include "batch.hpp"
#include "batch_wording.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "utm-datum_transformations-global_bng.hpp"
#include "utm-datum_transformations-utm_bng.hpp"

#include "detail/batch_input.hpp"
#include "detail/batch_simd.hpp"

namespace {

using batch::coordinate_system;
using batch::point_status;
using enum coordinate_system;
constexpr batch::datum_method ostn15 = batch::datum_method::ostn15;

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

struct pair_case {
    const char* what;
    batch::conversion conversion;
    std::vector<double> input;  // the fields of the source system, in the tool's order
    point_status status;
    std::vector<double> expected;  // results in the tool's column order; empty on failure
    const char* reason;            // the tool's error text; empty on success
};

// Inputs and results as `tarnwick-convert --from F --to T [--zone Z] [--alt] ...` prints them.
const std::vector<pair_case>& pair_cases() {
    static const std::vector<pair_case> cases{
        {"published point",
         {bng, utm},
         {651410, 313177},
         point_status::none,
         {31, 413156, 5834998},
         ""},
        {"fractional metres round half away from zero",
         {bng, utm},
         {651409.5, 313176.5},
         point_status::none,
         {31, 413156, 5834998},
         ""},
        {"back to the grid",
         {utm, bng},
         {31, 413156, 5834998},
         point_status::none,
         {651410, 313177},
         ""},
        {"grid to angles",
         {bng, wgs84},
         {651410, 313177},
         point_status::none,
         {52.65797519, 1.71605323},
         ""},
        {"angles to grid",
         {wgs84, bng},
         {52.65757, 1.71791},
         point_status::none,
         {651538, 313138},
         ""},
        // The library's automatic zone is northern and would clamp a southern northing to 0.
        {"southern point into the southern zone",
         {wgs84, utm},
         {-33.9, 18.4},
         point_status::none,
         {-34, 259583, 6245888},
         ""},
        {"southern zone to angles",
         {utm, wgs84},
         {-34, 265000, 6245000},
         point_status::none,
         {-33.90922364, 18.45829135},
         ""},
        {"forced zone", {wgs84, utm, 30}, {52, -9.5}, point_status::none, {30, 54004, 5781011}, ""},
        // The projection clamps a point far off the forced zone's meridian at the grid's edge.
        {"forced zone that would clamp",
         {wgs84, utm, 30},
         {52, 100},
         point_status::constraint_error,
         {},
         "outside the grid of UTM zone 30 (CONSTRAINT_ERROR)"},
        // Regression: beyond the pole the point came back in the other hemisphere.
        {"beyond the pole",
         {utm, wgs84},
         {31, 500000, 10100000},
         point_status::constraint_error,
         {},
         "no latitude and longitude for this point (CONSTRAINT_ERROR)"},
        {"the pole's rounding is the pole",
         {utm, wgs84},
         {-31, 500000, 2035},
         point_status::none,
         {-90, 3},
         ""},
        {"beyond the pole towards the National Grid",
         {utm, bng},
         {30, 500000, 10100000},
         point_status::constraint_error,
         {},
         "outside the National Grid (CONSTRAINT_ERROR)"},
        {"zone change that would clamp",
         {utm, utm, -31},
         {31, 500000, 5000000},
         point_status::constraint_error,
         {},
         "outside the grid of UTM zone -31 (CONSTRAINT_ERROR)"},
        {"zone change",
         {utm, utm, 31},
         {30, 700000, 5700000},
         point_status::none,
         {31, 282800, 5700705},
         ""},
        {"alternative zone from the grid's overlap region",
         {bng, utm, 0, true},
         {530000, 180000},
         point_status::none,
         {30, 699293, 5709783, 31, 282896, 5710514},
         ""},
        {"no alternative outside the strips",
         {bng, utm, 0, true},
         {651410, 313177},
         point_status::none,
         {31, 413156, 5834998, batch::no_zone, -1, -1},
         ""},
        {"alternative across 180 degrees",
         {wgs84, utm, 0, true},
         {60, 179.9},
         point_status::none,
         {60, 661721, 6654957, 1, 327132, 6655463},
         ""},
        {"zone the National Grid does not take",
         {utm, bng},
         {5, 413156, 5834998},
         point_status::zone_out_of_range,
         {},
         "UTM zone 5 is not a zone of the National Grid (29 .. 31) "
         "(UTM.EXCEPTIONS.ZONE_OUT_OF_RANGE)"},
        {"east of the National Grid",
         {utm, bng},
         {31, 913156, 5834998},
         point_status::easting_out_of_range,
         {},
         "outside the National Grid (UTM.EXCEPTIONS.EASTING_OUT_OF_RANGE)"},
        {"angles far from the National Grid",
         {wgs84, bng},
         {40, -9},
         point_status::easting_out_of_range,
         {},
         "longitude -9 is outside the National Grid (UTM.EXCEPTIONS.EASTING_OUT_OF_RANGE)"},
        {"input outside its grid",
         {bng, utm},
         {800000, 100},
         point_status::easting_out_of_range,
         {},
         "BNG easting 800000 is outside 0 .. 700000 (UTM.EXCEPTIONS.EASTING_OUT_OF_RANGE)"},
        {"latitude and longitude swapped",
         {wgs84, bng},
         {1.716, 52.658},
         point_status::easting_out_of_range,
         {},
         "longitude 52.658 is outside the National Grid; swapped (latitude 52.658, longitude "
         "1.716) the point would lie on it (UTM.EXCEPTIONS.EASTING_OUT_OF_RANGE)"},
        {"zone that is not a whole number",
         {utm, bng},
         {30.5, 400000, 5700000},
         point_status::constraint_error,
         {},
         "UTM zone \"30.5\" is not 1 .. 60 (negative: southern hemisphere) (CONSTRAINT_ERROR)"},
        {"longitude 180 is -180",
         {wgs84, utm},
         {10, 180},
         point_status::constraint_error,
         {},
         "longitude 180 is outside -180 .. 180 (180 itself is -180) (CONSTRAINT_ERROR)"},
        {"Swiss grids", {lv03, lv95}, {600000, 200000}, point_status::none, {2600000, 1200000}, ""},
        {"Swiss grid to UTM",
         {lv95, utm},
         {2600000, 1200000},
         point_status::none,
         {32, 381189, 5200911},
         ""},
        {"LV03 to UTM",
         {lv03, utm},
         {600000, 200000},
         point_status::none,
         {32, 381189, 5200912},
         ""},
        {"UTM to a Swiss grid",
         {utm, lv95},
         {32, 381000, 5201000},
         point_status::none,
         {2599809, 1200085},
         ""},
        // West of 6 degrees east the Swiss grids reach into zone 31, where points are written.
        {"zone 31 to a Swiss grid",
         {utm, lv95},
         {31, 730000, 5120000},
         point_status::none,
         {2487468, 1116963},
         ""},
        {"zone other than the Swiss grids'",
         {utm, lv03},
         {33, 381000, 5201000},
         point_status::zone_out_of_range,
         {},
         "UTM zone 33 is not a zone of the Swiss grids (31, 32) "
         "(UTM.EXCEPTIONS.ZONE_OUT_OF_RANGE)"},
        {"Swiss grid to angles",
         {lv95, wgs84},
         {2600000, 1200000},
         point_status::none,
         {46.95108277, 7.43863242},
         ""},
        {"angles to a Swiss grid",
         {wgs84, lv95},
         {46.95, 7.44},
         point_status::none,
         {2600104, 1199880},
         ""},
        // The library projects angles into a Swiss grid unchecked; 3 m beyond is the edge...
        {"3 m north of the Swiss grid is its edge",
         {wgs84, lv95},
         {47.85052, 7.4386161},
         point_status::none,
         {2600000, 1300000},
         ""},
        // ...and further out is outside, not a grid value beyond the frame.
        {"4 m north of the Swiss grid",
         {wgs84, lv95},
         {47.85053, 7.4386161},
         point_status::northing_out_of_range,
         {},
         "outside the LV95 grid (UTM.EXCEPTIONS.NORTHING_OUT_OF_RANGE)"},
        {"Paris is not in the Swiss grid",
         {wgs84, lv03},
         {48.85, 2.35},
         point_status::northing_out_of_range,
         {},
         "outside the LV03 grid (UTM.EXCEPTIONS.NORTHING_OUT_OF_RANGE)"},
        // Precise mode: a published OSTN15 test point, metres not rounded.
        {"precise: ETRS89 to the National Grid",
         {etrs89, bng, 0, false, ostn15},
         {51.4893656495, -0.1199255718},
         point_status::none,
         {530624.974, 178388.464},
         ""},
        {"precise: WGS84 taken as ETRS89",
         {wgs84, bng, 0, false, ostn15},
         {51.4893656495, -0.1199255718},
         point_status::none,
         {530624.974, 178388.464},
         ""},
        {"precise: back to ETRS89",
         {bng, etrs89, 0, false, ostn15},
         {530624.974, 178388.464},
         point_status::none,
         {51.4893656495, -0.1199255718},
         ""},
        {"precise: UTM from unrounded grid input",
         {bng, utm, 0, false, ostn15},
         {530624.974, 178388.464},
         point_status::none,
         {30, 699941.520, 5708180.151},
         ""},
        {"precise: UTM back",
         {utm, bng, 0, false, ostn15},
         {30, 699941.520, 5708180.151},
         point_status::none,
         {530624.974, 178388.464},
         ""},
        {"precise: a forced zone and the alternative",
         {bng, utm, 31, true, ostn15},
         {530624.974, 178388.464},
         point_status::none,
         {31, 283411.003, 5708862.845, 30, 699941.520, 5708180.151},
         ""},
        {"precise: outside the shifts",
         {bng, etrs89, 0, false, ostn15},
         {5, 5},
         point_status::easting_out_of_range,
         {},
         "outside the OSTN15 shifts (UTM.EXCEPTIONS.EASTING_OUT_OF_RANGE)"},
    };
    return cases;
}

// Storage for a call: inputs of three points and every result array.
struct call {
    std::vector<double> fields[3];
    std::vector<point_status> status;
    std::vector<std::int32_t> ints[6];  // zone, easting, northing, alt zone, easting, northing
    std::vector<double> angles[2];
    std::vector<double> metres[4];  // easting, northing, alt easting, alt northing

    explicit call(std::size_t n, std::int32_t int_fill = 7, double angle_fill = 7.0)
        : status(n, point_status::unexpected) {
        for (auto& v : ints) {
            v.assign(n, int_fill);
        }
        for (auto& v : angles) {
            v.assign(n, angle_fill);
        }
        for (auto& v : metres) {
            v.assign(n, angle_fill);
        }
    }

    batch::points points(coordinate_system from) const {
        batch::points p;
        switch (from) {
            case utm:
                p.zone = fields[0];
                p.easting = fields[1];
                p.northing = fields[2];
                break;
            case wgs84:
            case etrs89:
                p.latitude = fields[0];
                p.longitude = fields[1];
                break;
            default:
                p.easting = fields[0];
                p.northing = fields[1];
                break;
        }
        return p;
    }

    batch::results results() {
        return {status,  ints[0], ints[1],   ints[2],   angles[0], angles[1], ints[3],
                ints[4], ints[5], metres[0], metres[1], metres[2], metres[3]};
    }

    // Results of point i in the tool's column order; grid values in metres in precise mode.
    std::vector<double> row(const batch::conversion& c, std::size_t i) const {
        const bool precise = c.method == ostn15;
        switch (c.to) {
            case wgs84:
            case etrs89:
                return {angles[0][i], angles[1][i]};
            case utm:
                if (precise && c.alt) {
                    return {double(ints[0][i]), metres[0][i], metres[1][i],
                            double(ints[3][i]), metres[2][i], metres[3][i]};
                }
                if (precise) {
                    return {double(ints[0][i]), metres[0][i], metres[1][i]};
                }
                if (c.alt) {
                    return {double(ints[0][i]), double(ints[1][i]), double(ints[2][i]),
                            double(ints[3][i]), double(ints[4][i]), double(ints[5][i])};
                }
                return {double(ints[0][i]), double(ints[1][i]), double(ints[2][i])};
            default:
                if (precise) {
                    return {metres[0][i], metres[1][i]};
                }
                return {double(ints[1][i]), double(ints[2][i])};
        }
    }
};

TEST(BatchConvert, EveryPairGivesTheToolsResultsPointByPoint) {
    for (const pair_case& k : pair_cases()) {
        SCOPED_TRACE(k.what);
        // The point twice around an unreadable one: a failure stays with its own point.
        call c(3);
        for (std::size_t f = 0; f < k.input.size(); ++f) {
            c.fields[f] = {k.input[f], nan, k.input[f]};
        }
        const batch::points in = c.points(k.conversion.from);
        ASSERT_TRUE(batch::convert(k.conversion, in, c.results()))
            << batch::wording::arguments_fault(k.conversion, in, c.results());

        EXPECT_EQ(c.status[1], point_status::constraint_error);
        const bool angles = k.conversion.to == wgs84 || k.conversion.to == etrs89;
        const bool precise = k.conversion.method == ostn15;
        // Regression: a failing point's zone was -1, which is also zone 1 south.
        const std::vector<double> failed = c.row(k.conversion, 1);
        for (std::size_t j = 0; j < failed.size(); ++j) {
            const bool zone = k.conversion.to == utm && j % 3 == 0;
            EXPECT_TRUE(zone ? failed[j] == batch::no_zone
                             : std::isnan(failed[j]) || failed[j] == -1.0)
                << "column " << j << ": " << failed[j];
        }
        if (!angles) {
            EXPECT_EQ(c.ints[1][1], -1);
            EXPECT_TRUE(std::isnan(c.metres[0][1]));
        }
        for (const std::size_t i : {0u, 2u}) {
            EXPECT_EQ(c.status[i], k.status);
            EXPECT_EQ(batch::wording::failure_reason(k.conversion, in, i), k.reason);
            const std::vector<double> got = c.row(k.conversion, i);
            if (k.status != point_status::none) {
                EXPECT_EQ(got.size(), failed.size());
                continue;
            }
            ASSERT_EQ(got.size(), k.expected.size());
            for (std::size_t j = 0; j < got.size(); ++j) {
                // Angles as the tool prints them: degrees with 8 decimals; precise mode to the
                // millimetre and 1e-8 degrees of the published values.
                const double tolerance = angles ? (precise ? 1e-8 : 0.5e-8) : precise ? 1e-3 : 0.0;
                EXPECT_NEAR(got[j], k.expected[j], tolerance) << "column " << j;
            }
        }
    }
}

// The outcome of one point through the one-point functions: {0, results...} or {failure kind}.
std::vector<double> one_point(coordinate_system from, coordinate_system to,
                              const std::vector<double>& p) {
    namespace global_bng = utm::datum_transformations::global_bng;
    namespace utm_bng = utm::datum_transformations::utm_bng;
    constexpr double a = 6378137.0, b = 6356752.3141, deg = 57.29577951308232;
    // Inputs by the arrays' input rules: NaN is a constraint error, a grid value outside its
    // range is outside the grid.
    auto outside = [](double v, double first, double last, point_status kind) {
        double whole = 0.0;
        switch (batch::input::grid_value(v, first, last, false, whole)) {
            case batch::input_fault::none:
                return point_status::none;
            case batch::input_fault::outside:
                return kind;
            default:
                return point_status::constraint_error;
        }
    };
    const std::size_t grid = from == utm ? 1 : 0;
    const double last_easting = from == utm ? 999999 : 700000;
    const double last_northing = from == utm ? 11000000 : 1300000;
    if (from != wgs84 && !(from == utm && !batch::input::is_zone(p[0]))) {
        for (const point_status s :
             {outside(p[grid], 0, last_easting, point_status::easting_out_of_range),
              outside(p[grid + 1], 0, last_northing, point_status::northing_out_of_range)}) {
            if (s != point_status::none)
                return {double(s)};
        }
    }
    try {
        if (from == bng) {
            const utm::bng::easting_integer_bng e = utm::bng::easting_integer_bng::round(p[0]);
            const utm::bng::northing_integer_bng n = utm::bng::northing_integer_bng::round(p[1]);
            if (to == utm) {
                const auto r = utm_bng::from_bng_to_utm(a, b, e, n);
                return {0, double(r.zone_utm), double(r.easting_utm), double(r.northing_utm)};
            }
            const auto r = global_bng::from_bng_to_wgs84_lat_long(a, b, e, n);
            return {0, r.latitude * deg, r.longitude * deg};
        }
        if (from == utm) {
            if (!batch::input::is_zone(p[0]))
                throw global_types::constraint_error();  // not a zone, as the arrays read it
            const auto r = utm_bng::from_utm_to_bng(
                a, b, global_types::easting_integer::round(p[1]),
                global_types::northing_integer::round(p[2]), static_cast<int>(p[0]));
            return {0, double(r.easting_bng), double(r.northing_bng)};
        }
        if (batch::input::latitude_fault(p[0]) != batch::input_fault::none ||
            batch::input::longitude_fault(p[1]) != batch::input_fault::none)
            throw global_types::constraint_error();
        const auto r = global_bng::from_wgs84_lat_long_to_bng(a, b, p[0] / deg, p[1] / deg, 0.0);
        return {0, double(r.easting_bng), double(r.northing_bng)};
    } catch (const global_types::failure& f) {
        for (int s = 1; s <= 5; ++s) {
            if (batch::failure_name(static_cast<point_status>(s)) == f.name())
                return {double(s)};
        }
        return {-1};
    }
}

// A dense sweep of the pair's ground, random points on and around it with fractions of a
// metre, and the edges: outside the ranges, unreadable, far away, a zone boundary, the poles.
std::vector<std::vector<double>> chain_points(coordinate_system from) {
    std::mt19937_64 random(14);
    auto uniform = [&](double lo, double hi) {
        return std::uniform_real_distribution<double>(lo, hi)(random);
    };
    std::vector<std::vector<double>> p;
    if (from == bng) {
        for (double e = 0; e <= 700000; e += 2500)
            for (double n = 0; n <= 1300000; n += 2500)
                p.push_back({e, n});
        for (int i = 0; i < 20000; ++i)
            p.push_back({uniform(-50, 700050), uniform(-50, 1300050)});
        for (const std::vector<double>& q : {std::vector<double>{-1, 5},
                                             {700001, 5},
                                             {5, 1300001},
                                             {123456.5, 7.49},
                                             {nan, 0},
                                             {0, nan},
                                             {700000, 1300000},
                                             {-0.5, 0},
                                             {699999.5, 0}})
            p.push_back(q);
    } else if (from == utm) {
        for (const double zone : {29.0, 30.0, 31.0})
            for (double e = 150000; e <= 850000; e += 5000)
                for (double n = 5300000; n <= 7000000; n += 5000)
                    p.push_back({zone, e, n});
        for (int i = 0; i < 20000; ++i)
            p.push_back({std::floor(uniform(27, 34)), uniform(-50, 1000050), uniform(-50, 9e6)});
        for (const std::vector<double>& q : {std::vector<double>{30.5, 5e5, 5.7e6},
                                             {0, 5e5, 5.7e6},
                                             {-30, 5e5, 5.7e6},
                                             {30, -1, 5.7e6},
                                             {nan, 5e5, 5.7e6},
                                             {30, 5e5, nan},
                                             {30, 999999, 0},
                                             {30, 5e5, 9997965},
                                             {31, 600000, 9997965},
                                             {29, 5e5, 10100000},
                                             {31, 770790, 10384231}})
            p.push_back(q);
    } else {
        for (double lat = 49; lat <= 62; lat += 0.05)
            for (double lon = -10; lon <= 4; lon += 0.05)
                p.push_back({lat, lon});
        for (int i = 0; i < 20000; ++i)
            p.push_back({uniform(-95, 95), uniform(-185, 185)});
        for (const std::vector<double>& q : {std::vector<double>{52, 0},
                                             {52, -6},
                                             {90, 0},
                                             {-90, 0},
                                             {89.9999, -2},
                                             {52, -92},
                                             {52, 88},
                                             {0, 0},
                                             {52, -180},
                                             {52, 180},
                                             {nan, 0},
                                             {52, nan}})
            p.push_back(q);
    }
    return p;
}

// A call's results without the metres arrays: the pairs' own loop takes only calls that do
// not ask for them.
batch::results chain_results(call& c) {
    batch::results r = c.results();
    r.easting_metres = r.northing_metres = r.alt_easting_metres = r.alt_northing_metres = {};
    return r;
}

// A call whose input fields hold `points` (the columns of each point in order).
call chain_call(const std::vector<std::vector<double>>& points) {
    call c(points.size());
    for (auto& field : c.fields)
        field.assign(points.size(), 0.0);
    for (std::size_t i = 0; i < points.size(); ++i) {
        for (std::size_t f = 0; f < points[i].size(); ++f)
            c.fields[f][i] = points[i][f];
    }
    return c;
}

// Row `i` of `got` against the one-point results `want` (status first): grid integers exactly,
// angles within 1e-12 rad.
void expect_row(const batch::conversion& pair, const call& got, std::size_t i,
                const std::vector<double>& want) {
    constexpr double angle_tolerance = 1e-12 * 57.29577951308232;  // degrees
    const std::vector<double> row = got.row(pair, i);
    ASSERT_EQ(row.size() + 1, want.size());
    for (std::size_t j = 0; j < row.size(); ++j) {
        if (pair.to == wgs84)
            EXPECT_NEAR(row[j], want[j + 1], angle_tolerance) << "column " << j;
        else
            EXPECT_EQ(row[j], want[j + 1]) << "column " << j;
    }
}

// The blocks of kernel `k` alone on `points`: what they write agrees with the one-point results
// `wants`, they leave the rest untouched, and they take all but the rare doubtful points.
void expect_blocks_agree(const batch::conversion& pair,
                         const std::vector<std::vector<double>>& points,
                         const std::vector<std::vector<double>>& wants, batch::simd::kernel k) {
    SCOPED_TRACE("kernel " + std::to_string(int(k)));
    const auto kernel_pair = static_cast<batch::simd::chain_pair>(
        pair.from == bng ? (pair.to == utm ? 0 : 1) : (pair.from == utm ? 2 : 3));
    const std::size_t count = points.size();
    call blocks = chain_call(points);
    std::vector<bool> by_block(count);
    // Blocks of every length, so that a short block's lanes beyond its points are tried too.
    for (std::size_t first = 0, n = 1; first < count; first += n, n = n % 8 + 1) {
        n = std::min({n, batch::simd::block_size, count - first});
        const unsigned done = batch::simd::convert_block(kernel_pair, blocks.points(pair.from),
                                                         chain_results(blocks), first, n, k);
        ASSERT_EQ(done >> n, 0u);
        for (std::size_t j = 0; j < n; ++j)
            by_block[first + j] = (done >> j & 1U) != 0;
    }
    std::size_t ok_points = 0, block_points = 0;
    for (std::size_t i = 0; i < count; ++i) {
        SCOPED_TRACE("point " + std::to_string(i));
        ok_points += wants[i][0] == 0;
        if (!by_block[i]) {
            ASSERT_EQ(blocks.status[i], point_status::unexpected);
            EXPECT_EQ(blocks.row(pair, i), call(1).row(pair, 0));  // nothing written
            continue;
        }
        ++block_points;
        ASSERT_EQ(wants[i][0], 0.0);  // a failing point is never the kernel's
        ASSERT_EQ(blocks.status[i], point_status::none);
        expect_row(pair, blocks, i, wants[i]);
    }
    EXPECT_GT(double(block_points), 0.99 * double(ok_points));
}

TEST(BatchConvert, HelmertChainPairsGiveTheOnePointResults) {
    // These four pairs run blocks of points on vectors, and the points the blocks leave one by
    // one over the chain's non-raising steps. Each point must get what the one-point functions
    // give it: grid integers exactly (a block leaves a value near a half metre to the scalar
    // steps), angles within 1e-12 rad, and the same failure kind; on every kernel the processor
    // runs.
    using batch::simd::kernel;
    const batch::conversion pairs[] = {{bng, utm}, {bng, wgs84}, {utm, bng}, {wgs84, bng}};
    for (const batch::conversion& pair : pairs) {
        SCOPED_TRACE("pair " + std::to_string(int(pair.from)) + " -> " +
                     std::to_string(int(pair.to)));
        const std::vector<std::vector<double>> points = chain_points(pair.from);
        call whole = chain_call(points);
        ASSERT_TRUE(batch::convert(pair, whole.points(pair.from), chain_results(whole)));
        std::vector<std::vector<double>> wants;
        for (std::size_t i = 0; i < points.size(); ++i) {
            SCOPED_TRACE("point " + std::to_string(i));
            wants.push_back(one_point(pair.from, pair.to, points[i]));
            ASSERT_EQ(double(whole.status[i]), wants[i][0]);
            if (wants[i][0] == 0)
                expect_row(pair, whole, i, wants[i]);
        }
        for (const kernel k : {kernel::avx2, kernel::avx512}) {
            if (int(k) <= int(batch::simd::best_kernel()))
                expect_blocks_agree(pair, points, wants, k);
            else  // a kernel the processor does not run converts nothing
                EXPECT_EQ(batch::simd::convert_block(batch::simd::chain_pair::bng_to_utm,
                                                     whole.points(pair.from), chain_results(whole),
                                                     0, 1, k),
                          0u);
        }
    }
}

TEST(BatchConvert, AFailureIsReportedAsDataOfItsStepOrField) {
    // What the words are made from: the field, value and range of a point that cannot be read,
    // the step and zone of one that fails on the way.
    struct record_case {
        batch::conversion conversion;
        std::vector<double> input;
        batch::point_failure want;
    };
    using batch::failed_step;
    using batch::input_fault;
    const record_case cases[] = {
        {{utm, bng},
         {30, 400000, 11000001},
         {point_status::northing_out_of_range, failed_step::input, 0, input_fault::outside, 2,
          11000001, 0, 11000000}},
        {{wgs84, utm},
         {nan, 5},
         {point_status::constraint_error, failed_step::input, 0, input_fault::not_a_number, 0}},
        {{utm, lv95},
         {33, 381000, 5201000},
         {point_status::zone_out_of_range, failed_step::lv95, 33}},
        {{wgs84, utm, -31}, {52, 100}, {point_status::constraint_error, failed_step::utm, -31}},
        {{bng, utm}, {651410, 313177}, {}},
    };
    for (const record_case& k : cases) {
        call c(1);
        for (std::size_t f = 0; f < k.input.size(); ++f)
            c.fields[f] = {k.input[f]};
        const batch::point_failure got =
            batch::failure_of(k.conversion, c.points(k.conversion.from), 0);
        EXPECT_EQ(got.kind, k.want.kind);
        EXPECT_EQ(got.step, k.want.step);
        EXPECT_EQ(got.zone, k.want.zone);
        EXPECT_EQ(got.fault, k.want.fault);
        if (got.fault == input_fault::none || got.fault == input_fault::outside) {
            EXPECT_EQ(got.field, k.want.field);
            EXPECT_EQ(got.value, k.want.value);
            EXPECT_EQ(got.first, k.want.first);
            EXPECT_EQ(got.last, k.want.last);
        } else {
            EXPECT_EQ(got.field, k.want.field);
            EXPECT_TRUE(std::isnan(got.value));
        }
    }
}

TEST(BatchConvert, FailureNamesAreTheLibrarysFullNames) {
    EXPECT_EQ(batch::failure_name(point_status::none), "");
    EXPECT_EQ(batch::failure_name(point_status::argument_error),
              "ELEMENTARY_FUNCTIONS_EXCEPTIONS.ARGUMENT_ERROR");
    EXPECT_EQ(batch::failure_name(point_status::northing_out_of_range),
              "UTM.EXCEPTIONS.NORTHING_OUT_OF_RANGE");
}

TEST(BatchConvert, RefusesUnusableCallsWithoutWritingAnything) {
    struct refusal {
        const char* what;
        batch::conversion conversion;
        std::size_t lengths[3];  // of the input fields
        std::size_t result_length;
        const char* fault_part;
    };
    const refusal refusals[] = {
        {"grids without common ground", {bng, lv03}, {2, 2, 2}, 2, "share no ground"},
        {"no pair to itself but UTM", {wgs84, wgs84}, {2, 2, 2}, 2, "already there"},
        {"zone of a result that is not UTM", {bng, wgs84, 30}, {2, 2, 2}, 2, "zone"},
        {"zone beyond 60", {bng, utm, 61}, {2, 2, 2}, 2, "1 .. 60"},
        {"zone change without a zone", {utm, utm}, {2, 2, 2}, 2, "give the new zone"},
        {"alternative without UTM", {utm, bng, 0, true}, {2, 2, 2}, 2, "neighbouring"},
        {"inputs of different lengths", {utm, bng}, {2, 2, 1}, 2, "\"northing\" holds 1"},
        {"etrs89 without OSTN15", {etrs89, bng}, {2, 2, 2}, 2, "OSTN15"},
        {"OSTN15 without the National Grid",
         {utm, wgs84, 0, false, ostn15},
         {2, 2, 2},
         2,
         "by OSTN15"},
        {"OSTN15 into a zone beside the National Grid",
         {bng, utm, 32, false, ostn15},
         {2, 2, 2},
         2,
         "29 .. 31"},
        {"results shorter than the inputs", {bng, utm}, {2, 2, 2}, 1, "\"status\" holds 1"},
    };
    for (const refusal& r : refusals) {
        SCOPED_TRACE(r.what);
        call c(r.result_length, 7, 7.0);
        for (std::size_t f = 0; f < 3; ++f) {
            c.fields[f].assign(r.lengths[f], 1.0);
        }
        const batch::points in = c.points(r.conversion.from);
        EXPECT_NE(batch::wording::arguments_fault(r.conversion, in, c.results()).find(r.fault_part),
                  std::string::npos)
            << batch::wording::arguments_fault(r.conversion, in, c.results());
        EXPECT_FALSE(batch::convert(r.conversion, in, c.results()));
        for (const auto s : c.status) {
            EXPECT_EQ(s, point_status::unexpected);
        }
        for (const auto& v : c.ints) {
            EXPECT_EQ(v, std::vector<std::int32_t>(r.result_length, 7));
        }
    }
    // The alternative's arrays are needed only under `alt`, and then with the points' length.
    call c(2);
    c.fields[0] = {530000, 651410};
    c.fields[1] = {180000, 313177};
    batch::results out = c.results();
    out.alt_zone = {};
    EXPECT_TRUE(batch::convert({bng, utm}, c.points(bng), out));
    EXPECT_FALSE(batch::convert({bng, utm, 0, true}, c.points(bng), out));
}

}  // namespace
