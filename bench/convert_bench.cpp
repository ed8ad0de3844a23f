// Speed of the conversions behind the library's exported functions, on one thread, and of
// tarnwick-convert as a whole: rows per second and peak resident memory on a generated file of
// a million National Grid points.
//
//   build/release/bench/tarnwick_convert_bench
//
// The core benchmarks report items_per_second (conversions per second); the program benchmark
// reports items_per_second (rows per second, wall clock) and peak_rss_MiB.

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "utm-bng-utilities.hpp"
#include "utm-datum_transformations-global_bng.hpp"
#include "utm-datum_transformations-utm_bng.hpp"
#include "utm-utilities.hpp"
#include "utm.hpp"

extern char** environ;

namespace {

namespace dt = utm::datum_transformations;

constexpr double major_axis = dt::major_axis_grs80;
constexpr double minor_axis = dt::minor_axis_grs80;
constexpr std::size_t sample_size = 4096;  // a power of two: the index wraps with a mask

struct grid_point {
    std::int32_t easting;
    std::int32_t northing;
};

struct utm_point {
    std::int8_t zone;
    std::int32_t easting;
    std::int32_t northing;
};

// Pseudo-random points over the whole National Grid, the same on every run.
struct point_generator {
    std::uint32_t state = 12345;
    std::uint32_t next() {
        state = state * 1664525U + 1013904223U;
        return state >> 8;
    }
    grid_point bng() {
        const auto e = static_cast<std::int32_t>(next() % 700001);
        return {e, static_cast<std::int32_t>(next() % 1300001)};
    }
};

const std::vector<grid_point>& bng_sample() {
    static const std::vector<grid_point> points = [] {
        point_generator g;
        std::vector<grid_point> v(sample_size);
        for (auto& p : v) {
            p = g.bng();
        }
        return v;
    }();
    return points;
}

const std::vector<utm_point>& utm_sample() {
    static const std::vector<utm_point> points = [] {
        std::vector<utm_point> v;
        for (const auto& p : bng_sample()) {
            const auto r =
                dt::utm_bng::from_bng_to_utm(major_axis, minor_axis, p.easting, p.northing);
            v.push_back({r.zone_utm, r.easting_utm, r.northing_utm});
        }
        return v;
    }();
    return points;
}

// convert_bng_to_utm: National Grid to UTM in the zone of the longitude.
void BM_convert_bng_to_utm(benchmark::State& state) {
    const auto& points = bng_sample();
    std::size_t i = 0;
    for (auto _ : state) {
        const auto& p = points[i++ & (sample_size - 1)];
        benchmark::DoNotOptimize(
            dt::utm_bng::from_bng_to_utm(major_axis, minor_axis, p.easting, p.northing));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_convert_bng_to_utm);

// convert_utm_to_bng: UTM zones 29 .. 31 to the National Grid.
void BM_convert_utm_to_bng(benchmark::State& state) {
    const auto& points = utm_sample();
    std::size_t i = 0;
    for (auto _ : state) {
        const auto& p = points[i++ & (sample_size - 1)];
        benchmark::DoNotOptimize(
            dt::utm_bng::from_utm_to_bng(major_axis, minor_axis, p.easting, p.northing, p.zone));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_convert_utm_to_bng);

// from_bng_to_wgs84_lat_long: National Grid to WGS84 latitude and longitude.
void BM_from_bng_to_wgs84_lat_long(benchmark::State& state) {
    const auto& points = bng_sample();
    std::size_t i = 0;
    for (auto _ : state) {
        const auto& p = points[i++ & (sample_size - 1)];
        benchmark::DoNotOptimize(dt::global_bng::from_bng_to_wgs84_lat_long(major_axis, minor_axis,
                                                                            p.easting, p.northing));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_from_bng_to_wgs84_lat_long);

// is_in_overlap_region: the National Grid's overlap strips.
void BM_is_in_overlap_region(benchmark::State& state) {
    const auto& points = bng_sample();
    std::size_t i = 0;
    for (auto _ : state) {
        const auto& p = points[i++ & (sample_size - 1)];
        benchmark::DoNotOptimize(utm::bng::utilities::is_in_overlap_region(p.northing, p.easting));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_is_in_overlap_region);

// is_overlapping_zone: a UTM point near the limit of its zone.
void BM_is_overlapping_zone(benchmark::State& state) {
    const auto& points = utm_sample();
    std::size_t i = 0;
    for (auto _ : state) {
        const auto& p = points[i++ & (sample_size - 1)];
        benchmark::DoNotOptimize(utm::utilities::is_overlapping_zone(major_axis, minor_axis, p.zone,
                                                                     p.easting, p.northing));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_is_overlapping_zone);

// convert_to_overlap_zone: a UTM point in the neighbouring zone.
void BM_convert_to_overlap_zone(benchmark::State& state) {
    const auto& points = utm_sample();
    std::size_t i = 0;
    for (auto _ : state) {
        const auto& p = points[i++ & (sample_size - 1)];
        // The neighbour on the point's side of the central meridian, as in an overlap strip.
        const auto neighbour =
            static_cast<std::int8_t>(p.easting < 500000 ? p.zone - 1 : p.zone + 1);
        benchmark::DoNotOptimize(utm::utilities::convert_to_overlap_zone(
            major_axis, minor_axis, p.zone, p.easting, p.northing, neighbour));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_convert_to_overlap_zone);

#ifdef TARNWICK_CONVERT_PROGRAM

namespace fs = std::filesystem;
constexpr int million = 1000000;

// The input file, written once, line by line: the benchmark process must stay small, because
// a program started with posix_spawn begins its peak resident memory at the high-water mark of
// the process that started it.
class million_points {
  public:
    million_points() {
        std::string pattern =
            (fs::temp_directory_path() / "tarnwick-convert-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot make a temporary directory");
        }
        dir_ = pattern;
        std::ofstream out(input());
        out << "id,e,n\n";
        point_generator g;
        for (int i = 0; i < million; ++i) {
            const grid_point p = g.bng();
            out << i << ',' << p.easting << ',' << p.northing << '\n';
        }
    }
    million_points(const million_points&) = delete;
    million_points& operator=(const million_points&) = delete;
    ~million_points() { fs::remove_all(dir_); }

    fs::path input() const { return dir_ / "million.csv"; }
    fs::path output() const { return dir_ / "million.out.csv"; }

  private:
    fs::path dir_;
};

const million_points& points_file() {
    static const million_points file;
    return file;
}

// tarnwick-convert --from bng --to utm on a million rows; argument 0 runs with all cores.
void BM_program_million_bng_to_utm(benchmark::State& state) {
    const million_points& file = points_file();
    std::vector<std::string> args{TARNWICK_CONVERT_PROGRAM,
                                  "--from",
                                  "bng",
                                  "--to",
                                  "utm",
                                  "--cols",
                                  "e,n",
                                  "-q",
                                  "-i",
                                  file.input().string(),
                                  "-o",
                                  file.output().string()};
    if (state.range(0) > 0) {
        args.insert(args.end(), {"--threads", std::to_string(state.range(0))});
    }
    std::vector<char*> argv;
    for (auto& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    long peak_kb = 0;
    for (auto _ : state) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        const auto start = std::chrono::steady_clock::now();
        pid_t pid = 0;
        if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
            posix_spawn_file_actions_destroy(&actions);
            state.SkipWithError("cannot start tarnwick-convert");
            return;
        }
        int status = 0;
        struct rusage usage {};
        ::wait4(pid, &status, 0, &usage);
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        posix_spawn_file_actions_destroy(&actions);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("tarnwick-convert failed");
            return;
        }
        state.SetIterationTime(elapsed.count());
        peak_kb = std::max(peak_kb, usage.ru_maxrss);
    }
    state.SetItemsProcessed(state.iterations() * million);
    state.counters["peak_rss_MiB"] = static_cast<double>(peak_kb) / 1024.0;
    state.counters["threads"] =
        static_cast<double>(state.range(0) > 0 ? static_cast<unsigned>(state.range(0))
                                               : std::max(1U, std::thread::hardware_concurrency()));
}
BENCHMARK(BM_program_million_bng_to_utm)
    ->Arg(1)
    ->Arg(0)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

#endif

}  // namespace

BENCHMARK_MAIN();
