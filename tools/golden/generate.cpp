// Writes the golden data of the library: inputs and results of every public core operation and
// every export (grid sweeps, range edges, overlap band edges, the 3 m band, half-metre rounding
// edges and failures), one row per call:
//
//     operation <TAB> flag <TAB> inputs <TAB> results
//
// Inputs are doubles written so that they read back bit for bit. Results are typed values
// (i integer, a angle in radians, m metres, r ratio) or "!" and the failure's full name. The
// flag is 1 when a grid integer of the row comes from a value within 1e-6 m of a half metre:
// there a change in the last bits of the chain may move the result by a metre.
//
// Usage: tarnwick_golden_generate > library/tests/data/golden.tsv
#include <charconv>
#include <cmath>
#include <cstdio>
#include <functional>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "golden/operations.hpp"
#include "utm-bng-conversions.hpp"
#include "utm-bng-utilities.hpp"
#include "utm-bng.hpp"
#include "utm-datum_transformations-global_bng.hpp"
#include "utm-datum_transformations-global_sncs.hpp"
#include "utm-datum_transformations-utm_bng.hpp"
#include "utm-datum_transformations.hpp"
#include "utm-sncs.hpp"
#include "utm.hpp"

namespace {

constexpr double deg = std::numbers::pi / 180.0;
constexpr double grs_a = utm::datum_transformations::major_axis_grs80;
constexpr double grs_b = utm::datum_transformations::minor_axis_grs80;
constexpr double airy_a = utm::bng::major_axis;
constexpr double airy_b = utm::bng::minor_axis;
constexpr double bessel_a = utm::sncs::major_axis_bessel41;
constexpr double lv03 = 0.0;
constexpr double lv95 = 1.0;

/// Other axes than GRS80, so that nothing relies on one ellipsoid.
const std::vector<std::pair<double, double>> other_axes{{6378249.0, 6356515.0},
                                                        {6378388.0, 6356912.0},
                                                        {6377397.155, 6356078.962818},
                                                        {6377563.0, 6356257.0},
                                                        {6400000.5, 6370000.25}};

/// The shortest text that reads back as the same double.
std::string number(double x) {
    char text[40];
    if (x == std::trunc(x) && std::fabs(x) < 1e15) {
        std::snprintf(text, sizeof text, "%.0f", x);  // whole numbers without an exponent
        return text;
    }
    const auto end = std::to_chars(text, text + sizeof text, x).ptr;
    return std::string(text, end);
}

bool near_half_metre(double x) {
    if (!std::isfinite(x))
        return false;
    const double fraction = std::fabs(x) - std::floor(std::fabs(x));
    return std::fabs(fraction - 0.5) < 1e-6;
}

int rows = 0;

void row(const char* name, const std::vector<double>& inputs) {
    const golden::operation* op = golden::find(name);
    if (op == nullptr || op->inputs != inputs.size()) {
        std::fprintf(stderr, "unknown operation or wrong input count: %s\n", name);
        std::exit(2);
    }
    const golden::outcome result = golden::evaluate(*op, inputs);
    bool flag = false;
    if (op->unrounded && result.failure.empty()) {
        try {
            for (const double x : op->unrounded(inputs))
                flag = flag || near_half_metre(x);
        } catch (...) {
        }
    }
    std::string line = std::string(name) + "\t" + (flag ? "1" : "0") + "\t";
    for (std::size_t k = 0; k < inputs.size(); ++k)
        line += (k ? " " : "") + number(inputs[k]);
    line += "\t";
    if (!result.failure.empty()) {
        line += "!" + result.failure;
    } else {
        for (std::size_t k = 0; k < result.values.size(); ++k) {
            line += (k ? " " : "");
            line += static_cast<char>(result.values[k].kind);
            line += number(result.values[k].number);
        }
    }
    std::printf("%s\n", line.c_str());
    ++rows;
}

class random_points {
  public:
    explicit random_points(unsigned seed) : engine_(seed) {}
    double real(double first, double last) {
        return std::uniform_real_distribution<double>(first, last)(engine_);
    }
    int integer(int first, int last) {
        return std::uniform_int_distribution<int>(first, last)(engine_);
    }

  private:
    std::mt19937_64 engine_;
};

/// The neighbouring doubles lo < hi between which the monotone `f` passes `target`.
std::pair<double, double> crossing(const std::function<double(double)>& f, double lo, double hi,
                                   double target) {
    const bool rising = f(lo) < f(hi);
    for (;;) {
        const double mid = lo + (hi - lo) / 2.0;
        if (mid <= lo || mid >= hi)
            return {lo, hi};
        if ((f(mid) < target) == rising)
            lo = mid;
        else
            hi = mid;
    }
}

/// National Grid: the whole grid every 50 km, with its range edges, into every chain and
/// export that starts from a grid point; the UTM results go back.
void national_grid() {
    std::vector<std::pair<int, int>> points;
    for (int e = 0; e <= 700000; e += 100000)
        for (int n = 0; n <= 1300000; n += 100000)
            points.emplace_back(e, n);
    for (const int e : {-1, 0, 1, 699999, 700000, 700001})
        for (const int n : {-1, 0, 1299999, 1300000, 1300001})
            points.emplace_back(e, n);
    for (const auto& [e, n] : points) {
        row("c.convert_bng_to_utm", {double(e), double(n)});
        row("c.from_bng_to_wgs84_lat_long", {double(e), double(n)});
        if (e >= 0 && e <= 700000 && n >= 0 && n <= 1300000) {
            row("utm_bng.from_bng_to_utm", {grs_a, grs_b, double(e), double(n)});
            row("global_bng.from_bng_to_wgs84_lat_long", {grs_a, grs_b, double(e), double(n)});
            row("bng.grid_to_lat_long", {airy_a, airy_b, double(e), double(n)});
            const auto utm =
                utm::datum_transformations::utm_bng::from_bng_to_utm(grs_a, grs_b, e, n);
            row("c.convert_utm_to_bng",
                {double(utm.zone_utm), double(utm.northing_utm), double(utm.easting_utm)});
            row("utm_bng.from_utm_to_bng", {grs_a, grs_b, double(utm.easting_utm),
                                            double(utm.northing_utm), double(utm.zone_utm)});
        }
    }
    // Other axes through the grid's projection both ways.
    for (const auto& [ma, mi] : other_axes)
        for (int e = 0; e <= 700000; e += 175000)
            for (int n = 0; n <= 1300000; n += 325000) {
                row("bng.grid_to_lat_long", {ma, mi, double(e), double(n)});
                const auto p = utm::bng::conversions::grid_to_lat_long(ma, mi, e, n);
                row("bng.lat_long_to_grid", {ma, mi, p.latitude, p.longitude});
            }
}

/// The UTM side of the National Grid: zones 29 .. 31 around and beyond Britain, other zones
/// (refused), and the range edges of the export's arguments.
void utm_to_national_grid() {
    random_points random(3);
    for (int k = 0; k < 150; ++k) {
        const int zone = k % 10 == 0 ? random.integer(-60, 60) : random.integer(29, 31);
        const int easting = random.integer(0, 999999);
        const int northing =
            k % 7 == 0 ? random.integer(0, 11000000) : random.integer(5300000, 6950000);
        row("utm_bng.from_utm_to_bng",
            {grs_a, grs_b, double(easting), double(northing), double(zone)});
    }
    for (const int zone : {-61, -60, -30, 0, 28, 29, 30, 31, 32, 60, 61})
        row("c.convert_utm_to_bng", {double(zone), 5700000.0, 400000.0});
    for (const int easting : {-1, 0, 999999, 1000000})
        for (const int northing : {-1, 0, 11000000, 11000001})
            row("c.convert_utm_to_bng", {30.0, double(northing), double(easting)});
}

/// WGS84 to the National Grid at heights, and the 3 m band at each edge of the grid: values
/// 2.9, 3.1 and 3.6 m outside and just inside, found on the unrounded grid value.
void wgs84_to_national_grid() {
    random_points random(4);
    for (int k = 0; k < 100; ++k)
        row("global_bng.from_wgs84_lat_long_to_bng",
            {grs_a, grs_b, random.real(49.5, 61.0) * deg, random.real(-9.0, 2.5) * deg,
             random.real(-100.0, 1500.0)});
    // Points on the far side of the earth from the grid's central meridian.
    for (const double lambda : {100.0, 150.0, 178.0, -178.0, -120.0, -95.0})
        for (const double phi : {-55.0, -20.0, 0.0, 30.0, 55.0})
            row("global_bng.from_wgs84_lat_long_to_bng",
                {grs_a, grs_b, phi * deg, lambda * deg, 0.0});

    using utm::bng::conversions::lat_long_to_grid_unrounded;
    const auto band = [](bool northing, double fixed, double lo, double hi, double target) {
        const auto value = [&](double t) {
            const auto g = northing ? lat_long_to_grid_unrounded(airy_a, airy_b, t, fixed)
                                    : lat_long_to_grid_unrounded(airy_a, airy_b, fixed, t);
            return northing ? g.northing : g.easting;
        };
        const double t = crossing(value, lo, hi, target).first;
        row("bng.lat_long_to_grid", northing ? std::vector<double>{airy_a, airy_b, t, fixed}
                                             : std::vector<double>{airy_a, airy_b, fixed, t});
    };
    for (const double outside : {-0.4, 0.4, 2.9, 3.0, 3.1, 3.4, 3.6, 4.0}) {
        band(false, 55.0 * deg, -12.0 * deg, -2.0 * deg, -outside);           // west
        band(false, 55.0 * deg, -2.0 * deg, 6.0 * deg, 700000.0 + outside);   // east
        band(true, -2.0 * deg, 45.0 * deg, 52.0 * deg, -outside);             // south
        band(true, -2.0 * deg, 55.0 * deg, 63.0 * deg, 1300000.0 + outside);  // north
    }
}

/// The overlap strips of the National Grid: along northings every 100 km, the first and last
/// eastings inside each strip and their outside neighbours.
void national_grid_overlap() {
    for (int n = 0; n <= 1300000; n += 100000) {
        int previous = -1;
        for (int e = 0; e <= 700001; ++e) {
            int flag = 1;
            if (e <= 700000) {
                const auto r = utm::bng::utilities::is_in_overlap_region(n, e);
                flag = r.is_overlapping ? 0 : 1;
            }
            if (previous != -1 && flag != previous) {
                row("c.is_in_overlap_region", {double(n), double(e - 1)});
                row("c.is_in_overlap_region", {double(n), double(e)});
                row("bng.is_in_overlap_region", {double(n), double(e <= 700000 ? e : 700000)});
            }
            previous = flag;
        }
        row("c.is_in_overlap_region", {double(n), 350000.0});
    }
    for (const auto& [n, e] :
         std::vector<std::pair<int, int>>{{-1, 0}, {0, -1}, {1300001, 0}, {0, 700001}})
        row("c.is_in_overlap_region", {double(n), double(e)});
}

/// The UTM overlap strips: points 0.01 rad from a zone limit, a little inside and outside,
/// in northern and southern zones and at the antimeridian, and conversions into the neighbours.
void utm_overlap() {
    const double limit_offsets[] = {0.01 - 1e-7, 0.01 + 1e-7, 0.005};
    for (const int zone : {1, 2, 29, 30, 31, 59, 60, -1, -30, -60})
        for (const double phi : {-40.0, 0.5, 52.0, 70.0}) {
            if ((zone < 0) != (phi < 0.0))
                continue;
            const int number = zone < 0 ? -zone : zone;
            const double west = (6.0 * number - 186.0) * deg;
            const double east = west + 6.0 * deg;
            for (const double offset : limit_offsets)
                for (const double lambda :
                     {west + offset, west - offset, east - offset, east + offset}) {
                    try {
                        const auto g = utm::lat_long_to_grid(grs_a, grs_b, phi * deg, lambda, zone);
                        row("utilities.is_overlapping_zone",
                            {grs_a, grs_b, double(zone), double(g.easting), double(g.northing)});
                        row("c.is_overlapping_zone",
                            {double(zone), double(g.easting), double(g.northing)});
                        for (const int to : {zone - 1, zone + 1})
                            row("c.convert_to_overlap_zone",
                                {double(zone), double(g.easting), double(g.northing), double(to)});
                    } catch (const global_types::failure&) {
                    }
                }
        }
    random_points random(5);
    for (int k = 0; k < 100; ++k) {
        const bool britain = k % 2 == 0;
        const int zone = britain ? random.integer(29, 31) : random.integer(-60, 60);
        const int to = std::max(-60, std::min(60, zone + random.integer(-1, 1)));
        const double easting = britain ? random.integer(300000, 850000) : random.integer(0, 999999);
        const double northing =
            britain ? random.integer(5400000, 6900000) : random.integer(0, 11000000);
        row("utilities.convert_to_overlap_zone",
            {grs_a, grs_b, double(zone), easting, northing, double(to)});
        row("utilities.is_overlapping_zone", {grs_a, grs_b, double(zone), easting, northing});
    }
    // Far from the zone: 90 degrees and more from the target's central meridian.
    for (const int to : {-1, 1, 60, 15, 45})
        for (const double northing : {9447000.0, 5000000.0, 0.0})
            row("c.convert_to_overlap_zone", {-31.0, 167000.0, northing, double(to)});
    for (const int zone : {-61, -60, 0, 60, 61})
        row("c.is_overlapping_zone", {double(zone), 500000.0, 5000000.0});
}

/// The UTM projection both ways worldwide on several ellipsoids, its clamps and failures, and
/// the automatic zone, with points on the half-metre rounding edge.
void utm_projection() {
    std::vector<std::pair<double, double>> axes{{grs_a, grs_b}};
    axes.insert(axes.end(), other_axes.begin(), other_axes.end());
    random_points random(6);
    for (int k = 0; k < 240; ++k) {
        const auto [ma, mi] = axes[std::size_t(k) % axes.size()];
        row("utm.grid_to_lat_long",
            {ma, mi, double(random.integer(0, 999999)), double(random.integer(0, 11000000)),
             double(random.integer(-60, 60))});
        const double phi = random.real(-84.0, 84.0);
        const double lambda = random.real(-180.0, 180.0);
        const int zone = std::max(1, std::min(60, int(std::floor((lambda + 186.0) / 6.0)) +
                                                      random.integer(-1, 1))) *
                         (phi < 0.0 ? -1 : 1);
        row("utm.lat_long_to_grid", {ma, mi, phi * deg, lambda * deg, double(zone)});
        row("utm.extensions.lat_long_to_grid",
            {ma, mi, random.real(-89.0, 89.0) * deg, random.real(-185.0, 179.9) * deg});
    }
    // Clamps, failures and the zone edges of the automatic zone.
    for (const double lambda : {8.0, 20.0, 89.0, 90.0, 91.0, 120.0, 179.0, -91.0, -150.0})
        for (const double phi : {0.0, 45.0, -45.0})
            for (const int zone : {31, -31})
                row("utm.lat_long_to_grid", {grs_a, grs_b, phi * deg, lambda * deg, double(zone)});
    for (const double lambda : {-546.0, -200.0, -187.0, -186.0, -181.0, -180.0, -179.999, -6.0, 0.0,
                                6.0, 179.999, 180.0, 181.0})
        for (const double phi : {0.0, 52.0, -33.0, 89.9})
            row("utm.extensions.lat_long_to_grid", {grs_a, grs_b, phi * deg, lambda * deg});
    for (int s = 1; s <= 60; s += 7) {
        row("utm.grid_to_lat_long.spheroid", {double(s), 400000.0, 5700000.0, 30.0});
        row("utm.lat_long_to_grid.spheroid", {double(s), 0.9, -0.05, 30.0});
    }
    row("utm.lat_long_to_grid.spheroid", {61.0, 0.9, -0.05, 30.0});
    for (const int zone : {-61, -60, -1, 0, 1, 30, 60, 61})
        row("utm.central_meridian", {double(zone)});

    // Half-metre edges: the unrounded easting (along the longitude) or northing (along the
    // latitude) between two neighbouring doubles around x.5.
    const auto edges = [&](const char* name,
                           const std::function<std::vector<double>(double, double)>& in,
                           const std::function<double(double, double, bool)>& value, double phi0,
                           double phi1, double lambda0, double lambda1, unsigned seed) {
        random_points r(seed);
        for (int k = 0; k < 24; ++k) {
            const bool northing = k % 2 == 1;
            const double phi = r.real(phi0, phi1) * deg;
            const double lambda = r.real(lambda0, lambda1) * deg;
            const auto along = [&](double t) {
                return northing ? value(t, lambda, true) : value(phi, t, false);
            };
            const double t = northing ? phi : lambda;
            const double target = std::floor(along(t)) + 0.5;
            const double step = 2e-6;
            if ((along(t - step) - target) * (along(t + step) - target) >= 0.0)
                continue;
            const auto [below, above] = crossing(along, t - step, t + step, target);
            for (const double edge : {below, above})
                row(name, northing ? in(edge, lambda) : in(phi, edge));
        }
    };
    for (const int zone : {30, -23}) {
        const double phi0 = zone < 0 ? -60.0 : 40.0;
        const double lambda0 = (6.0 * std::abs(zone) - 183.0) - 2.9;
        edges(
            "utm.lat_long_to_grid",
            [&](double phi, double lambda) {
                return std::vector<double>{grs_a, grs_b, phi, lambda, double(zone)};
            },
            [&](double phi, double lambda, bool northing) {
                const auto g = utm::lat_long_to_grid_unrounded(grs_a, grs_b, phi, lambda, zone);
                return northing ? g.northing : g.easting;
            },
            phi0, phi0 + 20.0, lambda0, lambda0 + 5.8, 11 + unsigned(zone > 0));
    }
    edges(
        "utm.extensions.lat_long_to_grid",
        [](double phi, double lambda) {
            return std::vector<double>{grs_a, grs_b, phi, lambda};
        },
        [](double phi, double lambda, bool northing) {
            const auto g = utm::extensions::lat_long_to_grid_unrounded(grs_a, grs_b, phi, lambda);
            return northing ? g.northing : g.easting;
        },
        49.0, 61.0, -8.9, 1.9, 13);
    edges(
        "bng.lat_long_to_grid",
        [](double phi, double lambda) {
            return std::vector<double>{airy_a, airy_b, phi, lambda};
        },
        [](double phi, double lambda, bool northing) {
            const auto g =
                utm::bng::conversions::lat_long_to_grid_unrounded(airy_a, airy_b, phi, lambda);
            return northing ? g.northing : g.easting;
        },
        50.0, 60.0, -7.0, 1.5, 15);
}

/// Geocentric and local east-north-up operations, the scale factor and the zone change.
void geocentric_and_enu() {
    random_points random(9);
    for (int k = 0; k < 60; ++k) {
        const auto [ma, mi] = other_axes[std::size_t(k) % other_axes.size()];
        const double phi = random.real(-89.9, 89.9) * deg;
        const double lambda = random.real(-180.0, 180.0) * deg;
        const double h = random.real(-500.0, 9000.0);
        row("utm.lat_long_to_geocentric", {ma, mi, phi, lambda, h});
        row("bng.lat_long_to_geocentric", {ma, mi, phi, lambda, h});
        const auto p = utm::lat_long_to_geocentric(ma, mi, phi, lambda, h);
        row("utm.extensions.geocentric_to_lat_long", {ma, mi, p.x, p.y, p.z});
        row("bng.geocentric_to_lat_long", {ma, mi, p.x, p.y, p.z});
        row("utm.enu_to_lat_long", {ma, mi, random.real(-5e4, 5e4), random.real(-5e4, 5e4),
                                    random.real(-1e3, 1e3), p.x, p.y, p.z, phi, lambda});
    }
    for (int s = 1; s <= 60; s += 11)
        row("utm.lat_long_to_geocentric.spheroid", {double(s), 0.8, 0.1, 100.0});
    // The polar axis and the centre of the earth.
    for (const double z : {7000000.0, 6356752.3141, 1.0, 0.0, -1.0, -7000000.0}) {
        row("utm.extensions.geocentric_to_lat_long", {grs_a, grs_b, 0.0, 0.0, z});
        row("sncs.geocentric_to_lat_long", {bessel_a, 0.0, 0.0, z});
        row("utm.enu_to_lat_long", {grs_a, grs_b, 0.0, 0.0, z, 0.0, 0.0, 0.0, 0.0, 0.0});
    }
    // ENU around UTM reference points.
    for (int k = 0; k < 40; ++k) {
        const int zone = random.integer(29, 31);
        const double phi = random.real(50.0, 58.0) * deg;
        const double lambda = (6.0 * zone - 183.0 + random.real(-2.5, 2.5)) * deg;
        const auto g = utm::lat_long_to_grid(grs_a, grs_b, phi, lambda, zone);
        const auto p = utm::lat_long_to_geocentric(grs_a, grs_b, phi, lambda, 50.0);
        row("utm.utm_to_enu", {grs_a, grs_b, double(g.easting) + random.integer(-3000, 3000),
                               double(g.northing) + random.integer(-3000, 3000), 60.0, phi, lambda,
                               p.x, p.y, p.z, double(zone)});
        row("utm.enu_to_utm",
            {grs_a, grs_b, random.real(-3000, 3000), random.real(-3000, 3000), random.real(-50, 50),
             double(g.easting), double(g.northing), 50.0, double(zone), phi, lambda});
    }
    row("utm.enu_to_utm",
        {grs_a, grs_b, -2e6, 0.0, 0.0, 400000.0, 5700000.0, 0.0, 30.0, 0.9, -0.05});
    for (int s = 1; s <= 60; s += 13)
        for (const int e : {0, 320000, 500000, 999999})
            row("utm.calculate_scale_factor", {double(s), double(e), 0.9});
    // The zone change: neighbours, the antimeridian, hemispheres, clamps and refusals.
    const int changes[][2] = {{30, 31},  {30, 29},  {30, 30},   {30, 32}, {60, 1},  {1, 60},
                              {-60, -1}, {31, -31}, {-31, -30}, {0, 1},   {59, 60}, {2, 1}};
    for (const auto& c : changes) {
        row("utm.is_in_extended_zone", {double(c[0]), double(c[1])});
        row("utm.convert_utm_zone", {double(c[0]), 282936.0, 5710068.0, double(c[1]), 32.0});
        row("utm.convert_utm_zone", {double(c[0]), 700000.0, 100000.0, double(c[1]), 27.0});
        row("utm.convert_utm_zone.altitude",
            {double(c[0]), 282936.0, 5710068.0, double(c[1]), 32.0, 120.0});
    }
}

/// Helmert transformations with the library's parameter sets and others.
void helmert() {
    const auto& bng =
        utm::datum_transformations::global_bng::start_up_wgs84_to_osgb_odn_helmert_parameters;
    const auto& lv03 =
        utm::datum_transformations::global_sncs::start_up_wgs84_to_lv03_helmert_parameters;
    const std::vector<std::vector<double>> sets{
        {bng.scale_factor_minus_one, bng.translations[0], bng.translations[1], bng.translations[2],
         bng.rotations[0], bng.rotations[1], bng.rotations[2]},
        {lv03.scale_factor_minus_one, lv03.translations[0], lv03.translations[1],
         lv03.translations[2], lv03.rotations[0], lv03.rotations[1], lv03.rotations[2]},
        {1e-5, 10.0, -20.0, 30.0, 1e-3, -2e-3, 0.5}};
    const std::vector<std::vector<double>> points{{3909833.018, -147097.1376, 5020322.494},
                                                  {4327000.0, 550000.0, 4640000.0},
                                                  {0.0, 0.0, 0.0}};
    for (const auto& s : sets)
        for (const auto& p : points)
            for (const char* name :
                 {"datum.small_rotation_helmert", "datum.inverse_small_rotation_helmert",
                  "datum.full_rotation_helmert"}) {
                std::vector<double> in = s;
                in.insert(in.end(), p.begin(), p.end());
                row(name, in);
            }
    row("datum.three_parameter_helmert",
        {-674.374, -15.056, -405.346, 4327000.0, 550000.0, 4640000.0});
    for (const auto& p : points)
        row("global_sncs.datum_changes", p);
    for (const auto& dms :
         std::vector<std::vector<double>>{{49, 0, 0}, {-2, 30, 15.5}, {0, 0, 0}, {180, 0, 0}})
        row("utilities.convert_degree_to_rad", dms);
}

/// The Swiss grids: both frames over their ranges, WGS84 both ways, UTM both ways with the 3 m
/// band and the refusals.
void swiss() {
    for (const double f : {lv03, lv95}) {
        const double offset = f == lv95 ? 2000000.0 : 0.0;
        const double north_offset = f == lv95 ? 1000000.0 : 0.0;
        for (int e = 480000; e <= 840000; e += 60000)
            for (int n = 70000; n <= 300000; n += 46000) {
                const double E = e + offset;
                const double N = n + north_offset;
                row("sncs.grid_to_lat_long", {f, E, N});
                row("global_sncs.from_sncs_to_wgs84_lat_long", {grs_a, grs_b, f, E, N});
                row("utm_sncs.from_sncs_to_utm", {grs_a, grs_b, f, E, N});
                const auto p = utm::sncs::conversions::grid_to_lat_long(
                    0, 0, static_cast<utm::sncs::local_reference_frame_enumeration>(int(f)), int(E),
                    int(N));
                row("sncs.lat_long_to_grid", {f, p.latitude, p.longitude});
                row("sncs.lat_long_to_geocentric", {bessel_a, p.latitude, p.longitude, 500.0});
                const auto x = utm::sncs::conversions::lat_long_to_geocentric(
                    bessel_a, 0, p.latitude, p.longitude, 500.0);
                row("sncs.geocentric_to_lat_long", {bessel_a, x.x, x.y, x.z});
                row("global_sncs.from_wgs84_lat_long_to_sncs",
                    {grs_a, grs_b, p.latitude, p.longitude, 400.0, f});
            }
        row("sncs.lat_long_to_grid", {f, std::numbers::pi / 2.0, 0.1});
        row("sncs.grid_to_lat_long", {f, 1e9, 1e9});
        row("sncs.lat_long_to_grid", {7.0, 0.8, 0.1});
    }
    row("sncs.ellipsoid_latitude", {0.82, 4.0});
    row("sncs.ellipsoid_latitude", {-0.3, 1.0});
    // UTM zone 32 into the frames: the frame edges from 5 m outside to 1 m inside.
    using utm::datum_transformations::global_sncs::from_wgs84_lat_long_to_sncs_unrounded;
    for (const double f : {lv03, lv95}) {
        const auto frame = static_cast<utm::sncs::local_reference_frame_enumeration>(int(f));
        const double offset = f == lv95 ? 2000000.0 : 0.0;
        const double north_offset = f == lv95 ? 1000000.0 : 0.0;
        struct edge {
            bool northing;
            double value;
            double phi;
            double lambda;
        };
        const edge edges[] = {{false, 480000 + offset, 46.8, 6.0},
                              {false, 840000 + offset, 46.8, 10.5},
                              {true, 70000 + north_offset, 45.7, 8.0},
                              {true, 300000 + north_offset, 47.8, 8.0}};
        for (const edge& e : edges) {
            for (const double outside : {-1.0, 0.0, 2.0, 3.0, 3.4, 3.6, 4.0, 5.0}) {
                const double target =
                    e.value + ((e.value < 500000 + offset && !e.northing) ||
                                       (e.northing && e.value < 200000 + north_offset)
                                   ? -outside
                                   : outside);
                const auto along = [&](double t) {
                    const auto g = e.northing ? from_wgs84_lat_long_to_sncs_unrounded(
                                                    grs_a, grs_b, t, e.lambda * deg, 0.0, frame)
                                              : from_wgs84_lat_long_to_sncs_unrounded(
                                                    grs_a, grs_b, e.phi * deg, t, 0.0, frame);
                    return e.northing ? g.northing : g.easting;
                };
                const double centre = e.northing ? e.phi * deg : e.lambda * deg;
                const double t = crossing(along, centre - 0.02, centre + 0.02, target).first;
                const double phi = e.northing ? t : e.phi * deg;
                const double lambda = e.northing ? e.lambda * deg : t;
                try {
                    const auto g = utm::lat_long_to_grid(grs_a, grs_b, phi, lambda, 32);
                    row("utm_sncs.from_utm_to_sncs",
                        {grs_a, grs_b, f, 32.0, double(g.northing), double(g.easting)});
                } catch (const global_types::failure&) {
                }
            }
        }
        row("utm_sncs.from_utm_to_sncs", {grs_a, grs_b, f, 31.0, 5200000.0, 400000.0});
        row("utm_sncs.from_utm_to_sncs", {grs_a, grs_b, f, 32.0, 0.0, 0.0});
    }
}

}  // namespace

int main() {
    std::printf(
        "# Golden data of the conversion library, written by tools/golden "
        "(tarnwick_golden_generate).\n"
        "# operation\tflag\tinputs\tresults; flag 1: a grid integer within 1e-6 m of a "
        "half metre before rounding.\n");
    national_grid();
    utm_to_national_grid();
    wgs84_to_national_grid();
    national_grid_overlap();
    utm_overlap();
    utm_projection();
    geocentric_and_enu();
    helmert();
    swiss();
    std::fprintf(stderr, "%d rows\n", rows);
    return 0;
}
