// The library's conversion chain against a literal evaluation of the same formulas
// (reference_chain.hpp): on many thousands of points every angle must be the same double and
// every grid value the same integer, and every failure the same failure kind. This guards the
// work that makes the chain cheaper (values computed once, sines and cosines taken together)
// against changing a single rounding.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>
#include <numbers>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "elementary_functions_exceptions.hpp"
#include "global_types.hpp"
#include "reference_chain.hpp"
#include "utm-bng-conversions.hpp"
#include "utm-datum_transformations-global_bng.hpp"
#include "utm-datum_transformations-utm_bng.hpp"
#include "utm-exceptions.hpp"
#include "utm-extensions.hpp"
#include "utm-utilities.hpp"
#include "utm.hpp"

namespace ref = reference_chain;
using ref::outcome;

namespace {

constexpr double a = 6378137.0;     // GRS80, metres
constexpr double b = 6356752.3141;  // GRS80, metres
constexpr double deg = std::numbers::pi / 180.0;

#if defined(__SANITIZE_ADDRESS__)
constexpr int random_points = 4000;  // instrumented builds are slow
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr int random_points = 4000;
#else
constexpr int random_points = 20000;
#endif
#else
constexpr int random_points = 20000;
#endif

/// Other ellipsoids than GRS80 and Airy, so that nothing may rely on those axes alone: whole
/// metre axes of the reference table, WGS84 with its published minor axis, and an odd pair.
const std::vector<std::pair<double, double>> other_axes{
    {6378249.0, 6356515.0},      {6378388.0, 6356912.0}, {6377397.155, 6356078.962818},
    {6378137.0, 6356752.314245}, {6377563.0, 6356257.0}, {6400000.5, 6370000.25}};

/// Exact equality of two doubles, down to the sign of a zero.
bool same(double x, double y) {
    return std::bit_cast<std::uint64_t>(x) == std::bit_cast<std::uint64_t>(y);
}

/// Runs a library call and names the failure kind it raised, if any.
outcome library_outcome(const std::function<void()>& call) {
    try {
        call();
        return outcome::ok;
    } catch (const utm::exceptions::zone_out_of_range&) {
        return outcome::zone_out_of_range;
    } catch (const utm::exceptions::easting_out_of_range&) {
        return outcome::easting_out_of_range;
    } catch (const utm::exceptions::northing_out_of_range&) {
        return outcome::northing_out_of_range;
    } catch (const elementary_functions_exceptions::argument_error&) {
        return outcome::argument_error;
    } catch (const global_types::constraint_error&) {
        return outcome::constraint_error;
    }
}

/// Runs a reference call and names its failure kind, if any.
outcome reference_outcome(const std::function<void()>& call) {
    try {
        call();
        return outcome::ok;
    } catch (const ref::failed& f) {
        return f.kind;
    }
}

/// A fixed, reproducible stream of test points.
class points {
  public:
    explicit points(std::uint64_t seed) : engine_(seed) {}
    int integer(int first, int last) {
        return std::uniform_int_distribution<int>(first, last)(engine_);
    }
    double real(double first, double last) {
        return std::uniform_real_distribution<double>(first, last)(engine_);
    }

  private:
    std::mt19937_64 engine_;
};

/// National Grid points: the corners, the edges every 5 km and random points inside.
std::vector<std::pair<int, int>> bng_points(std::uint64_t seed) {
    std::vector<std::pair<int, int>> p;
    for (int e = 0; e <= 700000; e += 5000) {
        p.emplace_back(e, 0);
        p.emplace_back(e, 1300000);
    }
    for (int n = 0; n <= 1300000; n += 5000) {
        p.emplace_back(0, n);
        p.emplace_back(700000, n);
    }
    points random(seed);
    for (int k = 0; k < random_points; ++k) {
        p.emplace_back(random.integer(0, 700000), random.integer(0, 1300000));
    }
    return p;
}

/// The two neighbouring doubles lo < hi between which the monotone `f` passes `target`,
/// found by bisection of [lo, hi].
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

/// Latitudes and longitudes at which an unrounded grid value of `grid` (given by `pick`) lies
/// within an ulp or two of a half metre, on both sides: there a grid value that differs from
/// the reference in its last bit rounds to another whole metre. Each edge is searched along
/// the longitude (eastings) or the latitude (northings) from a random point of the box.
std::vector<std::pair<double, double>> rounding_edges(
    const std::function<ref::float_grid(double, double)>& grid, bool northing, double phi_first,
    double phi_last, double lambda_first, double lambda_last, std::uint64_t seed) {
    points random(seed);
    std::vector<std::pair<double, double>> edges;
    const double step = 2e-6;  // radians, about 13 m
    for (int k = 0; k < random_points / 20; ++k) {
        const double phi = random.real(phi_first, phi_last) * deg;
        const double lambda = random.real(lambda_first, lambda_last) * deg;
        const auto value = [&](double t) {
            const ref::float_grid g = northing ? grid(t, lambda) : grid(phi, t);
            return northing ? g.northing : g.easting;
        };
        const double t = northing ? phi : lambda;
        const double target = std::floor(value(t)) + 0.5;
        const double lo = t - step;
        const double hi = t + step;
        if ((value(lo) - target) * (value(hi) - target) >= 0.0)
            continue;  // not monotone across the half here
        const auto [below, above] = crossing(value, lo, hi, target);
        for (const double edge : {below, above}) {
            if (northing)
                edges.emplace_back(edge, lambda);
            else
                edges.emplace_back(phi, edge);
        }
    }
    return edges;
}

std::string where(int e, int n) {
    return std::to_string(e) + " " + std::to_string(n);
}

}  // namespace

TEST(ChainEquivalence, ReferenceStartsFromTheLibrarysDatumSet) {
    const auto set =
        utm::datum_transformations::global_bng::get_simple_wgs84_to_osgb_odn_helmert_parameters();
    const ref::helmert& r = ref::wgs84_to_osgb36;
    EXPECT_TRUE(same(set.scale_factor_minus_one, r.s));
    EXPECT_TRUE(same(set.translations[0], r.t1) && same(set.translations[1], r.t2) &&
                same(set.translations[2], r.t3));
    EXPECT_TRUE(same(set.rotations[0], r.r1) && same(set.rotations[1], r.r2) &&
                same(set.rotations[2], r.r3));
}

TEST(ChainEquivalence, EllipsoidConstantsAreThoseComputedAtRunTime) {
    // The library keeps the constants of GRS80 and Airy 1830 in a table the compiler fills; they
    // must be the values the formulas give at run time. The axes pass through a volatile, so
    // that nothing here is computed ahead.
    std::vector<std::pair<double, double>> axes{{a, b}, {ref::airy_a, ref::airy_b}};
    axes.insert(axes.end(), other_axes.begin(), other_axes.end());
    for (const auto& [major, minor] : axes) {
        volatile double run_time_a = major;
        volatile double run_time_b = minor;
        const double x = run_time_a;
        const double y = run_time_b;
        const double e2 = (x * x - y * y) / (x * x);
        const double e_prime2 = (x * x - y * y) / (y * y);
        const utm::ellipsoid_constants got = utm::ellipsoid_constants_of(major, minor);
        EXPECT_TRUE(same(got.e2, e2)) << major;
        EXPECT_TRUE(same(got.e_prime2, e_prime2)) << major;
        for (const double latitude : {0.3, 0.9, 1.2, -0.7}) {
            volatile double run_time_phi = latitude;
            const double phi = run_time_phi;
            EXPECT_TRUE(same(utm::beta(phi, got.arc), ref::beta(phi, e2))) << major << " " << phi;
        }
    }
}

TEST(ChainEquivalence, NationalGridToWgs84IsBitIdentical) {
    int compared = 0;
    for (const auto& [e, n] : bng_points(1)) {
        const auto got =
            utm::datum_transformations::global_bng::from_bng_to_wgs84_lat_long(a, b, e, n);
        const ref::geodetic want = ref::bng_to_wgs84(a, b, e, n);
        ASSERT_TRUE(same(got.latitude, want.latitude)) << where(e, n);
        ASSERT_TRUE(same(got.longitude, want.longitude)) << where(e, n);
        ASSERT_TRUE(same(got.altitude, want.altitude)) << where(e, n);
        ++compared;
    }
    EXPECT_GT(compared, random_points);
}

TEST(ChainEquivalence, NationalGridToUtmIsBitIdentical) {
    int compared = 0;
    for (const auto& [e, n] : bng_points(2)) {
        const auto got = utm::datum_transformations::utm_bng::from_bng_to_utm(a, b, e, n);
        const ref::grid_utm want = ref::bng_to_utm(a, b, e, n);
        ASSERT_EQ(got.zone_utm.value(), want.zone) << where(e, n);
        ASSERT_EQ(got.easting_utm.value(), want.easting) << where(e, n);
        ASSERT_EQ(got.northing_utm.value(), want.northing) << where(e, n);
        ++compared;
    }
    EXPECT_GT(compared, random_points);
}

TEST(ChainEquivalence, UtmToNationalGridIsBitIdenticalAndFailsAlike) {
    // Zones 29 .. 31 over Britain and beyond, so that the grid's range failures are compared
    // too, plus zones the National Grid refuses.
    points random(3);
    int converted = 0, failed = 0;
    for (int k = 0; k < random_points; ++k) {
        const int zone = k % 10 == 0 ? random.integer(-60, 60) : random.integer(29, 31);
        const int easting = random.integer(0, 999999);
        const int northing =
            k % 7 == 0 ? random.integer(0, 11000000) : random.integer(5300000, 6950000);
        utm::datum_transformations::utm_bng::from_utm_to_bng_result got{};
        ref::grid_bng want{};
        const outcome library = library_outcome([&] {
            got =
                utm::datum_transformations::utm_bng::from_utm_to_bng(a, b, easting, northing, zone);
        });
        const outcome reference =
            reference_outcome([&] { want = ref::utm_to_bng(a, b, zone, easting, northing); });
        const std::string at = std::to_string(zone) + " " + where(easting, northing);
        ASSERT_EQ(library, reference) << at;
        if (library == outcome::ok) {
            ASSERT_EQ(got.easting_bng.value(), want.easting) << at;
            ASSERT_EQ(got.northing_bng.value(), want.northing) << at;
            ++converted;
        } else {
            ++failed;
        }
    }
    EXPECT_GT(converted, random_points / 4);
    EXPECT_GT(failed, random_points / 20);
}

TEST(ChainEquivalence, Wgs84ToNationalGridAtHeightIsBitIdentical) {
    points random(4);
    for (int k = 0; k < random_points; ++k) {
        const double phi = random.real(49.5, 61.0) * deg;
        const double lambda = random.real(-9.0, 2.5) * deg;
        const double h = random.real(-100.0, 1500.0);
        utm::datum_transformations::global_bng::from_wgs84_lat_long_to_bng_result got{};
        ref::grid_bng want{};
        const outcome library = library_outcome([&] {
            got = utm::datum_transformations::global_bng::from_wgs84_lat_long_to_bng(a, b, phi,
                                                                                     lambda, h);
        });
        const outcome reference =
            reference_outcome([&] { want = ref::wgs84_to_bng(a, b, phi, lambda, h); });
        ASSERT_EQ(library, reference) << k;
        if (library == outcome::ok) {
            ASSERT_EQ(got.easting_bng.value(), want.easting) << k;
            ASSERT_EQ(got.northing_bng.value(), want.northing) << k;
        }
    }
}

TEST(ChainEquivalence, OverlapZoneConversionIsBitIdentical) {
    // Points of zones 29 .. 31 over Britain into both neighbours, and points anywhere on the
    // globe (southern zones too) into a random neighbour or the zone itself.
    points random(5);
    int converted = 0;
    for (int k = 0; k < random_points; ++k) {
        const bool britain = k % 2 == 0;
        const int zone = britain ? random.integer(29, 31) : random.integer(-60, 60);
        const int overlap_zone = std::clamp(zone + random.integer(-1, 1), -60, 60);
        const int easting = britain ? random.integer(300000, 850000) : random.integer(0, 999999);
        const int northing =
            britain ? random.integer(5400000, 6900000) : random.integer(0, 11000000);
        utm::utilities::convert_to_overlap_zone_result got{};
        ref::utm_projected want{};
        const outcome library = library_outcome([&] {
            got = utm::utilities::convert_to_overlap_zone(a, b, zone, easting, northing,
                                                          overlap_zone);
        });
        const outcome reference = reference_outcome(
            [&] { want = ref::to_overlap_zone(a, b, zone, easting, northing, overlap_zone); });
        const std::string at = std::to_string(zone) + " " + where(easting, northing) + " to " +
                               std::to_string(overlap_zone);
        ASSERT_EQ(library, reference) << at;
        if (library == outcome::ok) {
            ASSERT_EQ(got.overlap_easting.value(), want.easting) << at;
            ASSERT_EQ(got.overlap_northing.value(), want.northing) << at;
            ++converted;
        }
    }
    EXPECT_GT(converted, random_points / 2);
}

TEST(ChainEquivalence, UtmProjectionIsBitIdenticalOnEveryEllipsoid) {
    // Both directions of the UTM projection with the convergence, worldwide, on GRS80 and on
    // other axes.
    points random(6);
    std::vector<std::pair<double, double>> axes{{a, b}};
    axes.insert(axes.end(), other_axes.begin(), other_axes.end());
    for (int k = 0; k < random_points; ++k) {
        // Plain copies, not structured bindings: lambdas below capture them.
        const double major = axes[static_cast<std::size_t>(k) % axes.size()].first;
        const double minor = axes[static_cast<std::size_t>(k) % axes.size()].second;
        const int zone = random.integer(-60, 60);
        const int easting = random.integer(0, 999999);
        const int northing = random.integer(0, 11000000);
        const auto inverse = utm::grid_to_lat_long(major, minor, easting, northing, zone);
        const ref::utm_geodetic want =
            ref::utm_grid_to_lat_long(major, minor, easting, northing, zone);
        const std::string at = std::to_string(zone) + " " + where(easting, northing);
        ASSERT_TRUE(same(inverse.latitude, want.latitude)) << at;
        ASSERT_TRUE(same(inverse.longitude, want.longitude)) << at;
        ASSERT_TRUE(same(inverse.convergence, want.convergence)) << at;
        const auto position =
            utm::grid_to_lat_long_without_convergence(major, minor, easting, northing, zone);
        ASSERT_TRUE(same(position.latitude, want.latitude)) << at;
        ASSERT_TRUE(same(position.longitude, want.longitude)) << at;

        const double phi = random.real(-84.0, 84.0) * deg;
        const double lambda = random.real(-180.0, 180.0) * deg;
        const int to_zone = std::clamp(static_cast<int>(std::floor((lambda / deg + 186.0) / 6.0)) +
                                           random.integer(-1, 1),
                                       1, 60) *
                            (phi < 0.0 ? -1 : 1);
        utm::lat_long_to_grid_result got{};
        ref::utm_projected projected{};
        const outcome library = library_outcome(
            [&] { got = utm::lat_long_to_grid(major, minor, phi, lambda, to_zone); });
        const outcome reference = reference_outcome(
            [&] { projected = ref::utm_lat_long_to_grid(major, minor, phi, lambda, to_zone); });
        ASSERT_EQ(library, reference) << k;
        if (library == outcome::ok) {
            ASSERT_EQ(got.easting.value(), projected.easting) << k;
            ASSERT_EQ(got.northing.value(), projected.northing) << k;
            ASSERT_TRUE(same(got.convergence, projected.convergence)) << k;
        }
    }
}

TEST(ChainEquivalence, AutomaticZoneProjectionIsBitIdenticalOnEveryEllipsoid) {
    points random(7);
    std::vector<std::pair<double, double>> axes{{a, b}};
    axes.insert(axes.end(), other_axes.begin(), other_axes.end());
    for (int k = 0; k < random_points; ++k) {
        // Plain copies, not structured bindings: lambdas below capture them.
        const double major = axes[static_cast<std::size_t>(k) % axes.size()].first;
        const double minor = axes[static_cast<std::size_t>(k) % axes.size()].second;
        const double phi = random.real(-89.0, 89.0) * deg;
        const double lambda = random.real(-185.0, 179.9) * deg;
        utm::extensions::lat_long_to_grid_result got{};
        ref::grid_utm want{};
        const outcome library = library_outcome(
            [&] { got = utm::extensions::lat_long_to_grid(major, minor, phi, lambda); });
        const outcome reference =
            reference_outcome([&] { want = ref::utm_automatic_zone(major, minor, phi, lambda); });
        ASSERT_EQ(library, reference) << k;
        if (library == outcome::ok) {
            ASSERT_EQ(got.zone_out.value(), want.zone) << k;
            ASSERT_EQ(got.easting.value(), want.easting) << k;
            ASSERT_EQ(got.northing.value(), want.northing) << k;
        }
    }
}

TEST(ChainEquivalence, NationalGridProjectionIsBitIdenticalOnOtherAxes) {
    // The grid's constants are fixed, but its operations take the axes: values derived from
    // the axes must follow them.
    for (const auto& ellipsoid : other_axes) {
        const double major = ellipsoid.first;  // captured below: not a structured binding
        const double minor = ellipsoid.second;
        for (const auto& [e, n] : bng_points(8)) {
            const auto got = utm::bng::conversions::grid_to_lat_long(major, minor, e, n);
            const ref::geodetic want = ref::bng_grid_to_lat_long(major, minor, e, n);
            ASSERT_TRUE(same(got.latitude, want.latitude)) << where(e, n);
            ASSERT_TRUE(same(got.longitude, want.longitude)) << where(e, n);

            utm::bng::conversions::lat_long_to_grid_result grid{};
            ref::grid_bng want_grid{};
            const outcome library = library_outcome([&] {
                grid = utm::bng::conversions::lat_long_to_grid(major, minor, got.latitude,
                                                               got.longitude);
            });
            const outcome reference = reference_outcome([&] {
                want_grid = ref::bng_lat_long_to_grid(major, minor, want.latitude, want.longitude);
            });
            ASSERT_EQ(library, reference) << where(e, n);
            if (library == outcome::ok) {
                ASSERT_EQ(grid.easting.value(), want_grid.easting) << where(e, n);
                ASSERT_EQ(grid.northing.value(), want_grid.northing) << where(e, n);
            }
        }
    }
}

TEST(ChainEquivalence, GeocentricConversionsAreBitIdentical) {
    points random(9);
    for (int k = 0; k < random_points; ++k) {
        const auto [major, minor] = other_axes[static_cast<std::size_t>(k) % other_axes.size()];
        const double phi = random.real(-89.9, 89.9) * deg;
        const double lambda = random.real(-180.0, 180.0) * deg;
        const double h = random.real(-500.0, 9000.0);
        utm::geocentric_coordinates_type got{};
        utm::bng::conversions::lat_long_to_geocentric(major, minor, phi, lambda, h, got);
        const ref::xyz want = ref::lat_long_to_geocentric(major, minor, phi, lambda, h);
        ASSERT_TRUE(same(got.x, want.x) && same(got.y, want.y) && same(got.z, want.z)) << k;

        const auto back = utm::extensions::geocentric_to_lat_long(major, minor, got);
        const ref::geodetic want_back = ref::geocentric_to_lat_long(major, minor, want);
        ASSERT_TRUE(same(back.latitude, want_back.latitude)) << k;
        ASSERT_TRUE(same(back.longitude, want_back.longitude)) << k;
        ASSERT_TRUE(same(back.altitude, want_back.altitude)) << k;
    }
}

TEST(ChainEquivalence, ThreadsOnDifferentEllipsoidsAgreeWithTheReference) {
    // Values kept per ellipsoid must not leak from one caller to another: four threads run the
    // chain at once, each alternating between two ellipsoids.
    const int per_thread = random_points / 10;
    std::vector<int> mismatches(4, 0);
    std::vector<std::thread> threads;
    for (std::size_t t = 0; t < mismatches.size(); ++t) {
        threads.emplace_back([&, t] {
            const auto [major, minor] = other_axes[t];
            points random(100 + t);
            for (int k = 0; k < per_thread; ++k) {
                const int e = random.integer(0, 700000);
                const int n = random.integer(0, 1300000);
                const bool own = k % 2 == 0;
                const double x = own ? major : a;
                const double y = own ? minor : b;
                const auto got =
                    utm::datum_transformations::global_bng::from_bng_to_wgs84_lat_long(x, y, e, n);
                const ref::geodetic want = ref::bng_to_wgs84(x, y, e, n);
                if (!same(got.latitude, want.latitude) || !same(got.longitude, want.longitude) ||
                    !same(got.altitude, want.altitude))
                    ++mismatches[t];
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(mismatches, std::vector<int>(4, 0));
}

TEST(ChainEquivalence, UtmGridValuesRoundAlikeOnTheHalfMetreEdge) {
    // Grid integers hide differences far below a metre, except where the unrounded value sits
    // on a half metre: there the last bit decides.
    for (const bool northing : {false, true}) {
        for (const int zone : {30, -23}) {
            const double phi_first = zone < 0 ? -60.0 : 40.0;
            const double lambda_first = ref::central_meridian(zone) / deg - 2.9;
            const auto edges = rounding_edges(
                [&](double phi, double lambda) {
                    return ref::utm_float_grid(a, b, phi, lambda, zone);
                },
                northing, phi_first, phi_first + 20.0, lambda_first, lambda_first + 5.8,
                northing ? 11 : 12);
            ASSERT_GT(edges.size(), static_cast<std::size_t>(random_points / 40));
            for (const auto& [phi, lambda] : edges) {
                const auto got = utm::lat_long_to_grid(a, b, phi, lambda, zone);
                const ref::utm_projected want = ref::utm_lat_long_to_grid(a, b, phi, lambda, zone);
                ASSERT_EQ(got.easting.value(), want.easting) << phi << " " << lambda;
                ASSERT_EQ(got.northing.value(), want.northing) << phi << " " << lambda;
            }
        }
    }
}

TEST(ChainEquivalence, AutomaticZoneGridValuesRoundAlikeOnTheHalfMetreEdge) {
    for (const bool northing : {false, true}) {
        const auto edges = rounding_edges(
            [](double phi, double lambda) {
                return ref::utm_automatic_float_grid(a, b, phi, lambda);
            },
            northing, 49.0, 61.0, -8.9, 1.9, northing ? 13 : 14);
        ASSERT_GT(edges.size(), static_cast<std::size_t>(random_points / 40));
        for (const auto& [phi, lambda] : edges) {
            const auto got = utm::extensions::lat_long_to_grid(a, b, phi, lambda);
            const ref::grid_utm want = ref::utm_automatic_zone(a, b, phi, lambda);
            ASSERT_EQ(got.zone_out.value(), want.zone) << phi << " " << lambda;
            ASSERT_EQ(got.easting.value(), want.easting) << phi << " " << lambda;
            ASSERT_EQ(got.northing.value(), want.northing) << phi << " " << lambda;
        }
    }
}

TEST(ChainEquivalence, NationalGridValuesRoundAlikeOnTheHalfMetreEdge) {
    for (const bool northing : {false, true}) {
        const auto edges = rounding_edges(
            [](double phi, double lambda) {
                return ref::bng_float_grid(ref::airy_a, ref::airy_b, phi, lambda);
            },
            northing, 50.0, 60.0, -7.0, 1.5, northing ? 15 : 16);
        ASSERT_GT(edges.size(), static_cast<std::size_t>(random_points / 40));
        for (const auto& [phi, lambda] : edges) {
            const auto got =
                utm::bng::conversions::lat_long_to_grid(ref::airy_a, ref::airy_b, phi, lambda);
            const ref::grid_bng want =
                ref::bng_lat_long_to_grid(ref::airy_a, ref::airy_b, phi, lambda);
            ASSERT_EQ(got.easting.value(), want.easting) << phi << " " << lambda;
            ASSERT_EQ(got.northing.value(), want.northing) << phi << " " << lambda;
        }
    }
}
