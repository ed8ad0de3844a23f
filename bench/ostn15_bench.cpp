// Cost per point of precise mode next to the Helmert chain, one thread, on the same 4096 fixed
// points over the land part of the National Grid (easting 100 .. 650 km, northing 20 .. 1200 km).
//
//   build/release/bench/tarnwick_ostn15_bench --benchmark_repetitions=5
//   --benchmark_report_aggregates_only=true   (one command line)
//
// Pairs: National Grid -> UTM (Helmert: whole metres, as the exports give them), National
// Grid -> latitude and longitude, latitude and longitude -> National Grid; first point by
// point through the one-point functions, then as arrays through batch::convert (the whole
// set per call), where the rows batch_helmert_* and batch_ostn15_* give the ratio of precise
// mode to the Helmert chain in one run (UTM -> National Grid: the Helmert chain's UTM points
// and the precise ones each in their own datum); last National Grid -> UTM through
// libtarnwick_transform.so's tarnwick_transform_points, by either method.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "batch.hpp"
#include "tarnwick_transform.h"
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

// ---- the array conversions ------------------------------------------------------------------

// The sample as the arrays of batch::convert: National Grid, ETRS89 (degrees), the precise UTM
// position and the Helmert chain's UTM position of each point.
struct batch_arrays {
    std::vector<double> easting, northing, latitude, longitude;
    std::vector<double> utm_zone, utm_easting, utm_northing;
    std::vector<double> helmert_zone, helmert_easting, helmert_northing;

    batch_arrays() {
        constexpr double degrees = 180.0 / 3.141592653589793238462643;
        for (const sample_point& s : samples()) {
            easting.push_back(s.easting);
            northing.push_back(s.northing);
            latitude.push_back(s.latitude * degrees);
            longitude.push_back(s.longitude * degrees);
            const ostn15::utm_point u = ostn15::from_bng_to_utm(s.easting, s.northing);
            utm_zone.push_back(u.zone.value());
            utm_easting.push_back(u.easting);
            utm_northing.push_back(u.northing);
            const auto h =
                dt::utm_bng::from_bng_to_utm(major_axis, minor_axis, s.easting, s.northing);
            helmert_zone.push_back(h.zone_utm.value());
            helmert_easting.push_back(h.easting_utm);
            helmert_northing.push_back(h.northing_utm);
        }
    }
};

// Room for the results of every pair.
struct result_arrays {
    std::vector<batch::point_status> status = std::vector<batch::point_status>(sample_size);
    std::vector<std::int32_t> zone = std::vector<std::int32_t>(sample_size);
    std::vector<std::int32_t> easting = zone;
    std::vector<std::int32_t> northing = zone;
    std::vector<double> latitude = std::vector<double>(sample_size);
    std::vector<double> longitude = latitude;
};

batch_arrays& arrays() {
    static batch_arrays a;
    return a;
}

void run_batch(benchmark::State& state, const batch::conversion& c, const batch::points& in) {
    static result_arrays r;
    batch::results out;
    out.status = r.status;
    out.zone = r.zone;
    out.easting = r.easting;
    out.northing = r.northing;
    out.latitude = r.latitude;
    out.longitude = r.longitude;
    for (auto _ : state) {
        if (!batch::convert(c, in, out)) {
            state.SkipWithError("the array conversion refused its arrays");
        }
        benchmark::DoNotOptimize(r.status.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(sample_size));
}

batch::points bng_points() {
    batch::points in;
    in.easting = arrays().easting;
    in.northing = arrays().northing;
    return in;
}

batch::points geo_points() {
    batch::points in;
    in.latitude = arrays().latitude;
    in.longitude = arrays().longitude;
    return in;
}

batch::points utm_points(bool precise) {
    batch_arrays& a = arrays();
    batch::points in;
    in.zone = precise ? a.utm_zone : a.helmert_zone;
    in.easting = precise ? a.utm_easting : a.helmert_easting;
    in.northing = precise ? a.utm_northing : a.helmert_northing;
    return in;
}

using enum batch::coordinate_system;
constexpr batch::datum_method helmert = batch::datum_method::helmert;
constexpr batch::datum_method precise = batch::datum_method::ostn15;

void batch_helmert_bng_to_utm(benchmark::State& state) {
    run_batch(state, {bng, utm, 0, false, helmert}, bng_points());
}
void batch_ostn15_bng_to_utm(benchmark::State& state) {
    run_batch(state, {bng, utm, 0, false, precise}, bng_points());
}
void batch_helmert_bng_to_wgs84(benchmark::State& state) {
    run_batch(state, {bng, wgs84, 0, false, helmert}, bng_points());
}
void batch_ostn15_bng_to_etrs89(benchmark::State& state) {
    run_batch(state, {bng, etrs89, 0, false, precise}, bng_points());
}
void batch_helmert_utm_to_bng(benchmark::State& state) {
    run_batch(state, {utm, bng, 0, false, helmert}, utm_points(false));
}
void batch_ostn15_utm_to_bng(benchmark::State& state) {
    run_batch(state, {utm, bng, 0, false, precise}, utm_points(true));
}
void batch_helmert_wgs84_to_bng(benchmark::State& state) {
    run_batch(state, {wgs84, bng, 0, false, helmert}, geo_points());
}
void batch_ostn15_etrs89_to_bng(benchmark::State& state) {
    run_batch(state, {etrs89, bng, 0, false, precise}, geo_points());
}

// National Grid -> UTM by `method` through tarnwick_transform_points, the whole set per call.
void run_transform(benchmark::State& state, const char* method) {
    batch_arrays& a = arrays();
    static std::vector<double> zone(sample_size), easting(sample_size), northing(sample_size);
    static std::vector<int> status(sample_size);
    tarnwick_transform* t = tarnwick_transform_create("bng", "utm", method, 0);
    if (t == nullptr) {
        state.SkipWithError(tarnwick_last_error());
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            tarnwick_transform_points(t, sample_size, a.easting.data(), a.northing.data(), nullptr,
                                      zone.data(), easting.data(), northing.data(), status.data()));
        benchmark::ClobberMemory();
    }
    tarnwick_transform_destroy(t);
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(sample_size));
}

void transform_helmert_bng_to_utm(benchmark::State& state) {
    run_transform(state, "helmert");
}
void transform_ostn15_bng_to_utm(benchmark::State& state) {
    run_transform(state, "ostn15");
}

}  // namespace

BENCHMARK(helmert_bng_to_utm);
BENCHMARK(ostn15_bng_to_utm);
BENCHMARK(helmert_bng_to_lat_long);
BENCHMARK(ostn15_bng_to_lat_long);
BENCHMARK(helmert_lat_long_to_bng);
BENCHMARK(ostn15_lat_long_to_bng);
BENCHMARK(batch_helmert_bng_to_utm);
BENCHMARK(batch_ostn15_bng_to_utm);
BENCHMARK(batch_helmert_bng_to_wgs84);
BENCHMARK(batch_ostn15_bng_to_etrs89);
BENCHMARK(batch_helmert_utm_to_bng);
BENCHMARK(batch_ostn15_utm_to_bng);
BENCHMARK(batch_helmert_wgs84_to_bng);
BENCHMARK(batch_ostn15_etrs89_to_bng);
BENCHMARK(transform_helmert_bng_to_utm);
BENCHMARK(transform_ostn15_bng_to_utm);

BENCHMARK_MAIN();
