// Precise mode (OSTN15): the Ordnance Survey's test points, a reference implementation over the
// land of Great Britain, the way back, UTM on GRS80, and what happens without the data.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "address_sanitizer.hpp"
#include "batch.hpp"
#include "detail/batch_precise_simd.hpp"
#include "detail/batch_simd.hpp"
#include "utm-bng.hpp"
#include "utm-datum_transformations-global_bng.hpp"
#include "utm-datum_transformations-ostn15.hpp"
#include "utm-datum_transformations.hpp"
#include "utm-exact_transverse_mercator.hpp"
#include "utm-exceptions.hpp"

namespace ostn15 = utm::datum_transformations::ostn15;
using global_types::constraint_error;
using utm::exceptions::easting_out_of_range;
using utm::exceptions::northing_out_of_range;
using utm::exceptions::zone_out_of_range;

namespace {

constexpr double deg = std::numbers::pi / 180.0;

// The rows of a tab-separated table in the test data folder, without comments and header, as
// numbers; the first column of the test points (its name) is kept apart.
struct table_row {
    std::string name;
    std::vector<double> values;
};

std::vector<table_row> read_table(const std::string& file) {
    std::ifstream in(std::string(TARNWICK_TEST_DATA_DIR) + "/" + file);
    std::vector<table_row> rows;
    std::string line;
    bool header = true;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        if (header) {
            header = false;
            continue;
        }
        std::istringstream fields(line);
        table_row row;
        std::string field;
        while (std::getline(fields, field, '\t')) {
            if (row.name.empty() && !field.empty() &&
                std::isalpha(static_cast<unsigned char>(field[0]))) {
                row.name = field;
            } else {
                row.values.push_back(std::stod(field));
            }
        }
        rows.push_back(row);
    }
    return rows;
}

// Columns of ostn15-land-reference.tsv.
struct land_point {
    double node_e, node_n, lat_deg, lon_deg, ref_e, ref_n;
};

std::vector<land_point> land_points() {
    std::vector<land_point> points;
    for (const table_row& r : read_table("ostn15-land-reference.tsv")) {
        points.push_back(
            {r.values[0], r.values[1], r.values[2], r.values[3], r.values[4], r.values[5]});
    }
    return points;
}

double quantile(std::vector<double> v, double q) {
    std::sort(v.begin(), v.end());
    return v[static_cast<std::size_t>(q * static_cast<double>(v.size() - 1) + 0.5)];
}

}  // namespace

TEST(Ostn15, PublishedTestPointsBothWays) {
    const std::vector<table_row> points = read_table("ostn15-test-points.tsv");
    ASSERT_EQ(points.size(), 20U);
    for (const table_row& p : points) {
        const double lat = p.values[0];
        const double lon = p.values[1];
        const double e = p.values[3];
        const double n = p.values[4];
        const ostn15::grid_point g = ostn15::from_etrs89_to_bng(lat * deg, lon * deg);
        EXPECT_NEAR(g.easting, e, 0.001) << p.name;
        EXPECT_NEAR(g.northing, n, 0.001) << p.name;
        const ostn15::etrs89_point back = ostn15::from_bng_to_etrs89(e, n);
        EXPECT_NEAR(back.latitude / deg, lat, 1e-8) << p.name;
        EXPECT_NEAR(back.longitude / deg, lon, 1e-8) << p.name;
    }
}

TEST(Ostn15, AgreesWithTheReferenceImplementationOverTheLand) {
    // The reference rounds to the millimetre; a fault in the cell, the weights or the offsets
    // moves results by centimetres to metres.
    const std::vector<land_point> points = land_points();
    ASSERT_GT(points.size(), 2000U);
    for (const land_point& p : points) {
        const ostn15::grid_point g = ostn15::from_etrs89_to_bng(p.lat_deg * deg, p.lon_deg * deg);
        EXPECT_NEAR(g.easting, p.ref_e, 0.001) << p.node_e << " " << p.node_n;
        EXPECT_NEAR(g.northing, p.ref_n, 0.001) << p.node_e << " " << p.node_n;
    }
}

TEST(Ostn15, WayBackReturnsEveryLandNodeWithinATenthOfAMillimetre) {
    for (const land_point& p : land_points()) {
        const ostn15::etrs89_point ll = ostn15::from_bng_to_etrs89(p.node_e, p.node_n);
        const ostn15::grid_point g = ostn15::from_etrs89_to_bng(ll.latitude, ll.longitude);
        EXPECT_NEAR(g.easting, p.node_e, 1e-4) << p.node_e << " " << p.node_n;
        EXPECT_NEAR(g.northing, p.node_n, 1e-4) << p.node_e << " " << p.node_n;
    }
}

TEST(Ostn15, LiveReferenceWhenInstalled) {
    // The same land positions through the Perl module itself, where it is installed: guards
    // the checked-in reference values as well as the conversion.
    if (std::system("perl -MGeo::Coordinates::OSGB -e 1 >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "perl with Geo::Coordinates::OSGB not installed";
    }
    const std::string input = (std::filesystem::temp_directory_path() /
                               ("tarnwick-ostn15-in-" + std::to_string(::getpid())))
                                  .string();
    const std::string output = input + ".out";
    const std::vector<land_point> points = land_points();
    {
        std::ofstream in(input);
        in.precision(12);
        for (const land_point& p : points) {
            in << p.lat_deg << ' ' << p.lon_deg << '\n';
        }
    }
    const std::string command =
        "perl -MGeo::Coordinates::OSGB=ll_to_grid -ne 'my ($a, $o) = split; "
        "printf \"%.3f %.3f\\n\", ll_to_grid($a, $o)' < " +
        input + " > " + output;
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::ifstream out(output);
    double largest = 0.0;
    for (const land_point& p : points) {
        double e = 0.0;
        double n = 0.0;
        ASSERT_TRUE(out >> e >> n);
        const ostn15::grid_point g = ostn15::from_etrs89_to_bng(p.lat_deg * deg, p.lon_deg * deg);
        largest = std::max({largest, std::abs(g.easting - e), std::abs(g.northing - n)});
    }
    EXPECT_LE(largest, 0.001);
    std::printf("largest difference from the Perl module over %zu land nodes: %.4f m\n",
                points.size(), largest);
    std::filesystem::remove(input);
    std::filesystem::remove(output);
}

TEST(Ostn15, HelmertChainDistanceFromOstn15OverTheLand) {
    // The seven-parameter chain (BNG -> WGS84) against precise mode on the same nodes, measured
    // on the grid; the figures in the README come from this test's output.
    std::vector<double> distance;
    for (const land_point& p : land_points()) {
        const auto helmert = utm::datum_transformations::global_bng::from_bng_to_wgs84_lat_long(
            utm::datum_transformations::major_axis_grs80,
            utm::datum_transformations::minor_axis_grs80, static_cast<int>(p.node_e),
            static_cast<int>(p.node_n));
        const ostn15::grid_point g =
            ostn15::from_etrs89_to_bng(helmert.latitude, helmert.longitude);
        distance.push_back(std::hypot(g.easting - p.node_e, g.northing - p.node_n));
    }
    const double median = quantile(distance, 0.5);
    const double p95 = quantile(distance, 0.95);
    const double max = *std::max_element(distance.begin(), distance.end());
    std::printf(
        "Helmert chain vs OSTN15 over %zu land nodes: median %.2f m, 95th percentile %.2f m, "
        "max %.2f m\n",
        distance.size(), median, p95, max);
    EXPECT_GT(median, 0.5);
    EXPECT_LT(max, 6.0);
}

TEST(Ostn15, UtmOnGrs80InTheZoneOfTheLongitudeOrAChosenOne) {
    // Reference values from PROJ (cs2cs, GRS80, utm zones 30 and 31) for 53.5 N, 3.5 W.
    const ostn15::utm_point own = ostn15::from_etrs89_to_utm(53.5 * deg, -3.5 * deg);
    EXPECT_EQ(own.zone, 30);
    EXPECT_NEAR(own.easting, 466833.867667, 1e-4);
    EXPECT_NEAR(own.northing, 5928010.084969, 1e-4);
    const ostn15::utm_point forced = ostn15::from_etrs89_to_utm(53.5 * deg, -3.5 * deg, 31);
    EXPECT_NEAR(forced.easting, 69110.149463, 1e-4);
    EXPECT_NEAR(forced.northing, 5947577.348839, 1e-4);
    // A zone boundary belongs to the zone east of it.
    EXPECT_EQ(ostn15::from_etrs89_to_utm(52.0 * deg, 0.0).zone, 31);
    EXPECT_EQ(ostn15::from_etrs89_to_utm(52.0 * deg, -1e-12).zone, 30);

    // National Grid -> UTM is the test point's ETRS89 position projected (within 2 mm: the
    // published values are rounded to the millimetre and agree with OSTN15 within 1 mm), and
    // back.
    for (const table_row& p : read_table("ostn15-test-points.tsv")) {
        const ostn15::utm_point u = ostn15::from_bng_to_utm(p.values[3], p.values[4]);
        const ostn15::utm_point direct =
            ostn15::from_etrs89_to_utm(p.values[0] * deg, p.values[1] * deg);
        EXPECT_EQ(u.zone, direct.zone) << p.name;
        EXPECT_NEAR(u.easting, direct.easting, 0.002) << p.name;
        EXPECT_NEAR(u.northing, direct.northing, 0.002) << p.name;
        // Also in the other zones, where their grid holds the point (not at a negative easting).
        for (int zone = 29; zone <= 31; ++zone) {
            ostn15::utm_point z;
            try {
                z = ostn15::from_bng_to_utm(p.values[3], p.values[4], zone);
            } catch (const constraint_error&) {
                EXPECT_NE(zone, u.zone) << p.name;
                continue;
            }
            const ostn15::grid_point g = ostn15::from_utm_to_bng(zone, z.easting, z.northing);
            EXPECT_NEAR(g.easting, p.values[3], 1e-4) << p.name << " zone " << zone;
            EXPECT_NEAR(g.northing, p.values[4], 1e-4) << p.name << " zone " << zone;
        }
    }
}

namespace {

// The exact projection's forward formulas as first written: the geodetic latitude taken to the
// conformal one, the series summed term by term on std::complex. The arrays reach UTM through
// the conformal sphere shared with the National Grid, sum the series by Clenshaw's recurrence
// in closed form, four points at a time on vectors; none of that may move a result by more
// than a micrometre from these.
ostn15::grid_point direct_series(const utm::exact_transverse_mercator::projection& tm,
                                 double latitude, double longitude) {
    using complex = std::complex<double>;
    const double dl = longitude - tm.parameters.central_meridian;
    const double tau = std::tan(latitude);
    const double sigma = std::sinh(tm.e * std::atanh(tm.e * tau / std::hypot(1.0, tau)));
    const double tau_prime = tau * std::hypot(1.0, sigma) - sigma * std::hypot(1.0, tau);
    const complex zeta_prime(std::atan2(tau_prime, std::cos(dl)),
                             std::asinh(std::sin(dl) / std::hypot(tau_prime, std::cos(dl))));
    complex zeta = zeta_prime;
    for (int j = 1; j <= 6; ++j) {
        zeta += tm.alpha[static_cast<std::size_t>(j - 1)] * std::sin(2.0 * j * zeta_prime);
    }
    return {tm.parameters.false_easting + tm.scaled_rectifying_axis * zeta.imag(),
            tm.northing_of_equator + tm.scaled_rectifying_axis * zeta.real()};
}

// Each precise block kernel alone, on blocks of every length (so that a short block's lanes
// beyond its points are tried too), on `in` by `pair`: each point a block writes holds what the
// whole arrays gave it in `whole` (grid values within 1e-6 m, integers their values rounded,
// zones identical, angles within 1e-12 rad), the other points are left untouched, and the
// blocks take all but the rare doubtful points. A kernel the processor lacks converts nothing.
void expect_kernels_agree(batch::precise_simd::precise_pair pair, const batch::points& in,
                          const batch::results& whole) {
    using batch::point_status;
    using batch::simd::kernel;
    const std::size_t n = whole.status.size();
    for (const kernel k : {kernel::avx2, kernel::avx512}) {
        SCOPED_TRACE("kernel " + std::to_string(int(k)));
        std::vector<point_status> status(n, point_status::unexpected);
        std::vector<std::int32_t> zone(n, -1), east(n, -1), north(n, -1);
        std::vector<double> lat(n, -1.0), lon(n, -1.0), east_m(n, -1.0), north_m(n, -1.0);
        batch::results r;
        r.status = status;
        const bool angles = !whole.latitude.empty();
        const bool to_utm = pair == batch::precise_simd::precise_pair::bng_to_utm;
        if (angles) {
            r.latitude = lat;
            r.longitude = lon;
        } else {
            r.easting = east;
            r.northing = north;
            r.easting_metres = east_m;
            r.northing_metres = north_m;
            if (to_utm)
                r.zone = zone;
        }
        std::size_t whole_ok = 0, taken = 0;
        for (std::size_t first = 0, m = 1; first < n; first += m, m = m % 8 + 1) {
            m = std::min({m, batch::simd::block_size, n - first});
            const unsigned done = batch::precise_simd::convert_block(pair, in, r, first, m, k);
            if (int(k) > int(batch::simd::best_kernel())) {
                ASSERT_EQ(done, 0u);
            }
            ASSERT_EQ(done >> m, 0u);
            for (std::size_t i = first; i < first + m; ++i) {
                whole_ok += whole.status[i] == point_status::none;
                if ((done >> (i - first) & 1U) == 0) {
                    ASSERT_EQ(status[i], point_status::unexpected);
                    ASSERT_TRUE(lat[i] == -1.0 && east_m[i] == -1.0 && east[i] == -1);
                    continue;
                }
                ++taken;
                ASSERT_EQ(status[i], point_status::none) << i;
                ASSERT_EQ(whole.status[i], point_status::none) << i;
                if (angles) {
                    ASSERT_NEAR(lat[i], whole.latitude[i], 1e-12 / deg) << i;
                    ASSERT_NEAR(lon[i], whole.longitude[i], 1e-12 / deg) << i;
                    continue;
                }
                ASSERT_NEAR(east_m[i], whole.easting_metres[i], 1e-6) << i;
                ASSERT_NEAR(north_m[i], whole.northing_metres[i], 1e-6) << i;
                ASSERT_EQ(east[i], std::round(whole.easting_metres[i])) << i;
                ASSERT_EQ(north[i], std::round(whole.northing_metres[i])) << i;
                if (to_utm) {
                    ASSERT_EQ(zone[i], whole.zone[i]) << i;
                }
            }
        }
        if (int(k) <= int(batch::simd::best_kernel())) {
            EXPECT_GT(double(taken), 0.99 * double(whole_ok));
        }
    }
}

}  // namespace

TEST(Ostn15, ArraysAgreeWithTheDirectSeriesOverRandomPoints) {
    namespace dt = utm::datum_transformations;
    using enum batch::coordinate_system;
    std::mt19937_64 random(26);
    std::uniform_real_distribution<double> east(0.0, 700000.0);
    std::uniform_real_distribution<double> north(0.0, 1250000.0);
    constexpr std::size_t n = 20000;
    std::vector<double> e(n), no(n), zone(n), utm_e(n), utm_n(n), lat(n), lon(n), back_e(n),
        back_n(n);
    std::vector<std::int32_t> whole_zone(n), whole_e(n), whole_n(n);
    std::vector<batch::point_status> to_utm(n), to_geo(n), to_bng(n);
    for (std::size_t i = 0; i < n; ++i) {
        e[i] = east(random);
        no[i] = north(random);
    }
    const auto method = batch::datum_method::ostn15;
    batch::points grid;
    grid.easting = e;
    grid.northing = no;
    batch::results out;
    out.status = to_utm;
    out.zone = whole_zone;
    out.easting = whole_e;
    out.northing = whole_n;
    out.easting_metres = utm_e;
    out.northing_metres = utm_n;
    ASSERT_TRUE(batch::convert({bng, utm, 0, false, method}, grid, out));
    expect_kernels_agree(batch::precise_simd::precise_pair::bng_to_utm, grid, out);
    batch::results geo;
    geo.status = to_geo;
    geo.latitude = lat;
    geo.longitude = lon;
    ASSERT_TRUE(batch::convert({bng, etrs89, 0, false, method}, grid, geo));
    expect_kernels_agree(batch::precise_simd::precise_pair::bng_to_geo, grid, geo);
    std::copy(whole_zone.begin(), whole_zone.end(), zone.begin());
    batch::points on_utm;
    on_utm.zone = zone;
    on_utm.easting = utm_e;
    on_utm.northing = utm_n;
    out.status = to_bng;
    out.easting_metres = back_e;
    out.northing_metres = back_n;
    ASSERT_TRUE(batch::convert({utm, bng, 0, false, method}, on_utm, out));
    expect_kernels_agree(batch::precise_simd::precise_pair::utm_to_bng, on_utm, out);
    std::vector<double> geo_e(n), geo_n(n);
    std::vector<batch::point_status> from_geo(n);
    batch::points on_geo;
    on_geo.latitude = lat;
    on_geo.longitude = lon;
    out.status = from_geo;
    out.easting_metres = geo_e;
    out.northing_metres = geo_n;
    ASSERT_TRUE(batch::convert({etrs89, bng, 0, false, method}, on_geo, out));
    expect_kernels_agree(batch::precise_simd::precise_pair::geo_to_bng, on_geo, out);
    std::size_t converted = 0;
    for (std::size_t i = 0; i < n; ++i) {
        ASSERT_EQ(to_utm[i], to_geo[i]) << e[i] << " " << no[i];
        if (to_utm[i] != batch::point_status::none) {
            continue;
        }
        ++converted;
        const double zone_of_longitude = std::floor((lon[i] + 180.0) / 6.0) + 1.0;
        ASSERT_EQ(zone[i], zone_of_longitude) << e[i] << " " << no[i];
        const ostn15::grid_point u = direct_series(
            utm::exact_transverse_mercator::make_projection(
                {dt::major_axis_grs80, dt::minor_axis_grs80, utm::scale_on_central_meridian, 0.0,
                 (6.0 * zone[i] - 183.0) * deg, utm::false_easting, 0.0}),
            lat[i] * deg, lon[i] * deg);
        ASSERT_NEAR(utm_e[i], u.easting, 1e-6) << e[i] << " " << no[i];
        ASSERT_NEAR(utm_n[i], u.northing, 1e-6) << e[i] << " " << no[i];
        // And back: the same ETRS89 point as the one-point way takes it from latitude and
        // longitude, so within the way back's tenth of a millimetre of where it started.
        ASSERT_EQ(to_bng[i], batch::point_status::none) << e[i] << " " << no[i];
        const ostn15::grid_point b = ostn15::from_etrs89_to_bng(lat[i] * deg, lon[i] * deg);
        ASSERT_NEAR(back_e[i], b.easting, 1e-6) << e[i] << " " << no[i];
        ASSERT_NEAR(back_n[i], b.northing, 1e-6) << e[i] << " " << no[i];
        ASSERT_NEAR(back_e[i], e[i], 1e-4);
        ASSERT_NEAR(back_n[i], no[i], 1e-4);
        ASSERT_EQ(from_geo[i], batch::point_status::none) << e[i] << " " << no[i];
        ASSERT_NEAR(geo_e[i], b.easting, 1e-6) << e[i] << " " << no[i];
        ASSERT_NEAR(geo_n[i], b.northing, 1e-6) << e[i] << " " << no[i];
    }
    EXPECT_GT(converted, n / 2);  // the land and the sea near it
}

TEST(Ostn15, RefusesPointsOutsideTheDataAndZonesOutsideTheGrid) {
    EXPECT_THROW(ostn15::from_etrs89_to_bng(55.0 * deg, -20.0 * deg), easting_out_of_range);
    EXPECT_THROW(ostn15::from_etrs89_to_bng(62.5 * deg, -2.0 * deg), northing_out_of_range);
    EXPECT_THROW(ostn15::from_etrs89_to_bng(40.0 * deg, -2.0 * deg), northing_out_of_range);
    // The easting fails first when both do.
    EXPECT_THROW(ostn15::from_etrs89_to_bng(40.0 * deg, -20.0 * deg), easting_out_of_range);
    // West of the first column of nodes by its ETRS89 position, though inside the grid's range.
    EXPECT_THROW(ostn15::from_bng_to_etrs89(50.0, 500000.0), easting_out_of_range);
    EXPECT_THROW(ostn15::from_bng_to_etrs89(300000.0, 1250000.0), northing_out_of_range);
    EXPECT_THROW(ostn15::from_bng_to_etrs89(-1e9, 500000.0), easting_out_of_range);
    EXPECT_THROW(ostn15::from_bng_to_etrs89(std::nan(""), 500000.0), constraint_error);
    EXPECT_THROW(ostn15::from_etrs89_to_bng(std::nan(""), 0.0), constraint_error);

    EXPECT_THROW(ostn15::from_bng_to_utm(400000.0, 100000.0, 28), zone_out_of_range);
    EXPECT_THROW(ostn15::from_bng_to_utm(400000.0, 100000.0, -30), zone_out_of_range);
    EXPECT_THROW(ostn15::from_utm_to_bng(32, 500000.0, 5800000.0), zone_out_of_range);
    EXPECT_THROW(ostn15::from_etrs89_to_utm(52.0 * deg, 0.0, -31), zone_out_of_range);
    // A forced zone whose grid would put the point at a negative easting is refused, not
    // clamped to the grid's edge.
    EXPECT_THROW(ostn15::from_bng_to_utm(1000.0, 1200000.0, 31), constraint_error);
    EXPECT_THROW(ostn15::from_utm_to_bng(30, 1e6, 5800000.0), constraint_error);
    EXPECT_THROW(ostn15::from_etrs89_to_utm(-10.0 * deg, 0.0), constraint_error);
}

TEST(Ostn15, DamagedOrMissingDataFileIsRefusedWithDirections) {
    const std::string good = ostn15::shift_grid_file();
    ASSERT_FALSE(good.empty());
    std::ifstream in(good, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string copy =
        (std::filesystem::temp_directory_path() / ("tarnwick-ostn15-" + std::to_string(::getpid())))
            .string();
    const auto expect_refused = [&](const std::string& contents, const char* fault) {
        std::ofstream(copy, std::ios::binary | std::ios::trunc) << contents;
        try {
            (void)ostn15::read_shift_grid(copy);
            ADD_FAILURE() << "accepted: " << fault;
        } catch (const ostn15::data_unavailable& f) {
            EXPECT_NE(f.message().find(fault), std::string::npos) << f.message();
            EXPECT_NE(f.message().find("libgeo-coordinates-osgb-perl"), std::string::npos);
            EXPECT_NE(f.message().find("TARNWICK_OSTN15"), std::string::npos);
        }
    };
    std::string flipped = bytes;
    flipped[bytes.size() / 2] = static_cast<char>(flipped[bytes.size() / 2] ^ 0x10);
    expect_refused(flipped, "checksum");
    expect_refused(bytes.substr(0, bytes.size() - 1), "bytes, expected");
    std::string other = bytes;
    other[12] = 0;  // columns
    expect_refused(other, "layout");
    std::filesystem::remove(copy);
    EXPECT_THROW(ostn15::read_shift_grid(copy), ostn15::data_unavailable);
    EXPECT_EQ(ostn15::read_shift_grid(good).values.size(), 2U * 701U * 1251U);
}

// Whether each special path is refused with its own words before a byte is read, within a
// time and memory limit, so that a blocking or unbounded read fails instead of hanging.
bool special_files_refused(const std::filesystem::path& dir, const std::string& fifo,
                           const std::string& text, const std::string& wrong_size) {
    ::alarm(10);
    if (!under_address_sanitizer) {  // its shadow memory needs far more address space than the
                                     // bound
        rlimit memory{};
        memory.rlim_cur = memory.rlim_max = rlim_t{1} << 30;
        ::setrlimit(RLIMIT_AS, &memory);
    }
    const auto says = [](const std::string& path, const std::string& fault) {
        try {
            (void)ostn15::read_shift_grid(path);
        } catch (const ostn15::data_unavailable& f) {
            return f.message().find(path + ": " + fault) != std::string::npos;
        } catch (...) {
        }
        return false;
    };
    return says(dir.string(), "is a directory") && says(fifo, "is not a regular file") &&
           says("/dev/zero", "is not a regular file") &&
           says("/nonexistent/ostn15.dat", "does not exist") && says(text, wrong_size);
}

// Guards against reading a device without bound, blocking on a FIFO and a stream error for a
// directory: the path is checked before it is opened.
TEST(Ostn15DeathTest, SpecialFilesAreRefusedBeforeAnyRead) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                      ("tarnwick-ostn15-dir-" + std::to_string(::getpid()));
    std::filesystem::create_directory(dir);
    const std::string fifo = (dir / "fifo").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string text = TARNWICK_TEST_DATA_DIR "/ostn15-land-reference.tsv";
    const std::string wrong_size = "has " + std::to_string(std::filesystem::file_size(text)) +
                                   " bytes, expected " + std::to_string(32 + 4 * 701 * 1251 + 8);
    EXPECT_EXIT(std::exit(special_files_refused(dir, fifo, text, wrong_size) ? 0 : 1),
                testing::ExitedWithCode(0), "");
    std::filesystem::remove_all(dir);
}

TEST(Ostn15DeathTest, WithoutDataPreciseModeRefusesAndTheHelmertChainWorks) {
    // A fresh process (the shift grid is read once per process) pointed at a missing file.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setenv("TARNWICK_OSTN15", "/nonexistent/ostn15.dat", 1);
            int code = 1;
            try {
                (void)ostn15::from_etrs89_to_bng(52.0 * deg, -1.0 * deg);
            } catch (const ostn15::data_unavailable& f) {
                const bool says_how =
                    f.message().find("/nonexistent/ostn15.dat") != std::string::npos &&
                    f.message().find("libgeo-coordinates-osgb-perl") != std::string::npos;
                const auto helmert =
                    utm::datum_transformations::global_bng::from_wgs84_lat_long_to_bng(
                        utm::datum_transformations::major_axis_grs80,
                        utm::datum_transformations::minor_axis_grs80, 52.0 * deg, -1.0 * deg, 0.0);
                code = says_how && helmert.easting_bng > 0 ? 0 : 2;
            }
            std::exit(code);
        },
        testing::ExitedWithCode(0), "");
}
