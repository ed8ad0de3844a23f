// Cost per point of precise mode next to the Helmert chain, one thread, on the same 4096 fixed
// points over the land part of the National Grid (easting 100 .. 650 km, northing 20 .. 1200 km).
//
//   build/release/bench/tarnwick_ostn15_bench --benchmark_repetitions=5
//   --benchmark_report_aggregates_only=true   (one command line)
//
// Pairs: National Grid -> UTM (Helmert: whole metres, as the exports give them), National
// Grid -> latitude and longitude, latitude and longitude -> National Grid.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "utm-datum_transformations-global_bng.hpp"
#include "utm-datum_transformations-ostn15.hpp"
#include "utm-datum_transformations-utm_bng.hpp"

namespace {

namespace dt = utm::datum_transformations;
namespace ostn15 = utm::datum_transformations::ostn15;

constexpr double major_axis = dt::major_axis_grs80;
constexpr double minor_axis = dt::minor_axis_grs80;
constexpr std::size_t sample_size = 4096;  // a power of two: the index wraps with a mask

struct sample_point {
    std::int32_t easting;
    std::int32_t northing;
    double latitude;
    double longitude;
};

// Pseudo-random points, the same on every run, with their ETRS89 position.
const std::vector<sample_point>& samples() {
    static const std::vector<sample_point> points = [] {
        std::vector<sample_point> v;
        std::uint32_t state = 12345;
        const auto next = [&state](std::uint32_t range) {
            state = state * 1664525U + 1013904223U;
            return static_cast<std::int32_t>((state >> 8) % range);
        };
        while (v.size() < sample_size) {
            const std::int32_t e = 100000 + next(550001);
            const std::int32_t n = 20000 + next(1180001);
            const ostn15::etrs89_point ll = ostn15::from_bng_to_etrs89(e, n);
            v.push_back({e, n, ll.latitude, ll.longitude});
        }
        return v;
    }();
    return points;
}

void helmert_bng_to_utm(benchmark::State& state) {
    const auto& p = samples();
    std::size_t i = 0;
    for (auto _ : state) {
        const sample_point& s = p[i++ & (sample_size - 1)];
        benchmark::DoNotOptimize(
            dt::utm_bng::from_bng_to_utm(major_axis, minor_axis, s.easting, s.northing));
    }
    state.SetItemsProcessed(state.iterations());
}

void ostn15_bng_to_utm(benchmark::State& state) {
    const auto& p = samples();
    std::size_t i = 0;
    for (auto _ : state) {
        const sample_point& s = p[i++ & (sample_size - 1)];
        benchmark::DoNotOptimize(ostn15::from_bng_to_utm(s.easting, s.northing));
    }
    state.SetItemsProcessed(state.iterations());
}

void helmert_bng_to_lat_long(benchmark::State& state) {
    const auto& p = samples();
    std::size_t i = 0;
    for (auto _ : state) {
        const sample_point& s = p[i++ & (sample_size - 1)];
        benchmark::DoNotOptimize(dt::global_bng::from_bng_to_wgs84_lat_long(major_axis, minor_axis,
                                                                            s.easting, s.northing));
    }
    state.SetItemsProcessed(state.iterations());
}

void ostn15_bng_to_lat_long(benchmark::State& state) {
    const auto& p = samples();
    std::size_t i = 0;
    for (auto _ : state) {
        const sample_point& s = p[i++ & (sample_size - 1)];
        benchmark::DoNotOptimize(ostn15::from_bng_to_etrs89(s.easting, s.northing));
    }
    state.SetItemsProcessed(state.iterations());
}

void helmert_lat_long_to_bng(benchmark::State& state) {
    const auto& p = samples();
    std::size_t i = 0;
    for (auto _ : state) {
        const sample_point& s = p[i++ & (sample_size - 1)];
        benchmark::DoNotOptimize(dt::global_bng::from_wgs84_lat_long_to_bng(
            major_axis, minor_axis, s.latitude, s.longitude, 0.0));
    }
    state.SetItemsProcessed(state.iterations());
}

void ostn15_lat_long_to_bng(benchmark::State& state) {
    const auto& p = samples();
    std::size_t i = 0;
    for (auto _ : state) {
        const sample_point& s = p[i++ & (sample_size - 1)];
        benchmark::DoNotOptimize(ostn15::from_etrs89_to_bng(s.latitude, s.longitude));
    }
    state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK(helmert_bng_to_utm);
BENCHMARK(ostn15_bng_to_utm);
BENCHMARK(helmert_bng_to_lat_long);
BENCHMARK(ostn15_bng_to_lat_long);
BENCHMARK(helmert_lat_long_to_bng);
BENCHMARK(ostn15_lat_long_to_bng);

BENCHMARK_MAIN();
