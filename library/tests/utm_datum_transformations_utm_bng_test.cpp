// UTM on WGS84 to and from the National Grid, including a sweep over the whole grid.
#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>
#include <vector>

#include "address_sanitizer.hpp"
#include "utm-datum_transformations-global_bng.hpp"
#include "utm-datum_transformations-utm_bng.hpp"
#include "utm-exceptions.hpp"

using namespace utm::datum_transformations::utm_bng;

namespace {

constexpr double a = 6378137.0;     // GRS80, metres
constexpr double b = 6356752.3141;  // GRS80, metres

// Metres: every kilometre of the grid; every other one in the slower instrumented build.
constexpr int sweep_step = under_address_sanitizer ? 2000 : 1000;

struct published_case {
    int easting_bng, northing_bng, zone, easting_utm, northing_utm;
};

constexpr published_case published[] = {
    {400000, 100000, 30, 570374, 5628011}, {651410, 313177, 31, 413156, 5834998},
    {530000, 180000, 30, 699293, 5709783}, {100000, 1200000, 29, 583364, 6715954},
    {0, 1300000, 29, 473429, 6804575},
};

}  // namespace

TEST(UtmBng, GridPointsGoToTheZoneOfTheirLongitude) {
    for (const published_case& c : published) {
        const auto utm = from_bng_to_utm(a, b, c.easting_bng, c.northing_bng);
        EXPECT_EQ(utm.zone_utm, c.zone) << c.easting_bng << " " << c.northing_bng;
        EXPECT_EQ(utm.easting_utm, c.easting_utm) << c.easting_bng << " " << c.northing_bng;
        EXPECT_EQ(utm.northing_utm, c.northing_utm) << c.easting_bng << " " << c.northing_bng;
    }
}

TEST(UtmBng, UtmPointsComeBackToTheirGridPoints) {
    for (const published_case& c : published) {
        const auto bng = from_utm_to_bng(a, b, c.easting_utm, c.northing_utm, c.zone);
        EXPECT_EQ(bng.easting_bng, c.easting_bng);
        EXPECT_EQ(bng.northing_bng, c.northing_bng);
    }
}

TEST(UtmBng, OnlyZones29To31ConvertToTheNationalGrid) {
    for (int zone : {28, 32, 0, -30, -31, 60}) {
        try {
            from_utm_to_bng(a, b, 570374, 5628011, zone);
            FAIL() << "zone " << zone << " accepted";
        } catch (const utm::exceptions::zone_out_of_range& e) {
            EXPECT_STREQ(e.what(), "UTM.EXCEPTIONS.ZONE_OUT_OF_RANGE");
        }
    }
    // Zones 29, 30 and 31 proceed (each with a point of its own over Britain).
    EXPECT_NO_THROW(from_utm_to_bng(a, b, 583364, 6715954, 29));
    EXPECT_NO_THROW(from_utm_to_bng(a, b, 570374, 5628011, 30));
    EXPECT_NO_THROW(from_utm_to_bng(a, b, 413156, 5834998, 31));
}

TEST(UtmBng, PointsFarEastOfBritainAreOutsideTheGrid) {
    EXPECT_THROW(from_utm_to_bng(a, b, 900000, 5700000, 31), utm::exceptions::easting_out_of_range);
}

TEST(UtmBng, EveryGridPointComesBackFromUtm) {
    // Sweep over the whole grid: National Grid -> UTM -> National Grid must find every point
    // again within 1 m; none may fail, also at the grid's edges.
    int points = 0, failures = 0, misses = 0;
    for (int e = 0; e <= 700000; e += sweep_step) {
        for (int n = 0; n <= 1300000; n += sweep_step) {
            ++points;
            const auto utm = from_bng_to_utm(a, b, e, n);
            try {
                const auto back =
                    from_utm_to_bng(a, b, utm.easting_utm, utm.northing_utm, utm.zone_utm);
                if (std::abs(back.easting_bng - e) > 1 || std::abs(back.northing_bng - n) > 1) {
                    ++misses;
                    ADD_FAILURE() << "missed " << e << " " << n << ": " << back.easting_bng << " "
                                  << back.northing_bng;
                }
            } catch (const global_types::failure& f) {
                ++failures;
                ADD_FAILURE() << "failed " << e << " " << n << ": " << f.what();
            }
        }
    }
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(misses, 0);
    EXPECT_GT(points, 1000);
}

TEST(UtmBng, ConversionsAgreeWhenRunOnManyThreadsAtOnce) {
    // The conversions share only the datum parameter set; start-up rewriting it at the same
    // time must not disturb them.
    std::vector<utm::datum_transformations::utm_bng::from_bng_to_utm_result> expected;
    for (int k = 0; k < 200; ++k) {
        expected.push_back(from_bng_to_utm(a, b, 3000 * k, 6000 * k));
    }
    std::vector<int> wrong(4, 0);
    std::vector<std::thread> threads;
    for (std::size_t t = 0; t < wrong.size(); ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 20; ++round) {
                if (t == 0)
                    utm::datum_transformations::global_bng::start_up();
                for (int k = 0; k < 200; ++k) {
                    const auto got = from_bng_to_utm(a, b, 3000 * k, 6000 * k);
                    const auto& want = expected[static_cast<std::size_t>(k)];
                    if (got.easting_utm != want.easting_utm ||
                        got.northing_utm != want.northing_utm || got.zone_utm != want.zone_utm) {
                        ++wrong[t];
                    }
                }
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    for (int w : wrong)
        EXPECT_EQ(w, 0);
}
