// What the front ends share: a conversion split over threads, into arrays shaped for it,
// gives the very arrays of one call.
#include "batch_systems.hpp"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

using batch::coordinate_system;
using batch::systems::result_arrays;

// Bytes of every span of `r`, in the order of `results`, to compare two calls exactly (NaN
// included).
std::vector<unsigned char> bytes_of(const batch::results& r) {
    std::vector<unsigned char> bytes;
    const auto add = [&](auto span) {
        const auto* p = reinterpret_cast<const unsigned char*>(span.data());
        bytes.insert(bytes.end(), p, p + span.size_bytes());
    };
    add(r.status);
    for (const auto& s :
         {r.zone, r.easting, r.northing, r.alt_zone, r.alt_easting, r.alt_northing}) {
        add(s);
    }
    for (const auto& s : {r.latitude, r.longitude, r.easting_metres, r.northing_metres,
                          r.alt_easting_metres, r.alt_northing_metres}) {
        add(s);
    }
    return bytes;
}

// Points over Great Britain and beyond it, a share of them failing, in parts of uneven size
// (the count is no multiple of the part size) and more threads than parts can fill.
TEST(BatchSystems, ConversionSplitOverThreadsGivesTheArraysOfOneCall) {
    const std::size_t n = 3 * batch::systems::min_points_per_thread + 7;
    std::mt19937_64 random(21);
    std::uniform_real_distribution<double> latitude(48.0, 62.0);
    std::uniform_real_distribution<double> longitude(-12.0, 4.0);
    std::vector<double> lat(n);
    std::vector<double> lon(n);
    for (std::size_t i = 0; i < n; ++i) {
        lat[i] = i % 97 == 0 ? 90.5 : latitude(random);  // beyond the pole: fails
        lon[i] = longitude(random);
    }
    batch::points in;
    in.latitude = lat;
    in.longitude = lon;
    for (const batch::conversion c :
         {batch::conversion{coordinate_system::wgs84, coordinate_system::utm, 0, true},
          batch::conversion{coordinate_system::wgs84, coordinate_system::bng}}) {
        result_arrays whole_arrays;
        const batch::results whole = whole_arrays.sized(c, n);
        ASSERT_TRUE(batch::convert(c, in, whole));
        for (const std::size_t threads : {1, 2, 3, 16}) {
            result_arrays split_arrays;
            const batch::results split = split_arrays.sized(c, n);
            ASSERT_TRUE(batch::systems::convert_parallel(c, in, split, threads));
            EXPECT_EQ(bytes_of(split), bytes_of(whole)) << threads << " threads";
        }
        std::size_t failed = 0;
        for (const batch::point_status s : whole.status) {
            failed += s != batch::point_status::none ? 1 : 0;
        }
        EXPECT_GT(failed, 0U);
        EXPECT_LT(failed, n);
    }
}

}  // namespace
