// Per-point cost of the three conversions users pay for, through libtarnwick.so's exports, next
// to PROJ running the same pipeline on the same points in the same run:
//   convert_bng_to_utm          inverse National Grid projection on Airy 1830, geocentric,
//                               seven-parameter Helmert back to WGS84, geodetic on GRS80, UTM
//   convert_utm_to_bng          the same chain the other way
//   from_bng_to_wgs84_lat_long  the first four steps of convert_bng_to_utm
// and, for the same three conversions, the core's array conversions (batch::convert, one
// thread, whole arrays per call) and libtarnwick_transform.so's tarnwick_transform_points (one
// thread, the whole set per call, by Helmert), the C interface's own array call, next to PROJ's
// proj_trans_generic; and convert_bng_to_utm through the exports, the array conversions and
// the transform on one and on two threads (points per second, each thread converting the
// whole set on arrays of its own).
//
//   build/release/bench/tarnwick_proj_compare --benchmark_repetitions=10
//       --benchmark_enable_random_interleaving=true
//       --benchmark_report_aggregates_only=true     (one command line)
//
// Interleaving the repetitions keeps a slow spell of a shared machine from falling on one
// benchmark alone, which matters most for the ratio of two threads to one.
//
// Each iteration converts the whole point set on one thread; `per_point` is the time of one
// conversion. PROJ gets its best case: one proj_trans_generic call per pipeline over the point
// arrays, the points of each UTM zone grouped ahead of time (PROJ's UTM step has a fixed zone;
// the exports choose the zone themselves). At the end a summary gives tarnwick's time per
// point, PROJ's, and the ratio tarnwick / PROJ. Before measuring, the program checks that
// PROJ's results agree with tarnwick's within a metre, so that the two do the same job.
// Without PROJ at configure time only tarnwick's side is measured, and the program says so.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "batch.hpp"
#include "tarnwick.h"
#include "tarnwick_transform.h"

#if TARNWICK_HAVE_PROJ
#include <proj.h>
#endif

namespace {

// ---- The point set ---------------------------------------------------------------------

/// Points per side of the grid of sample points; the set has `side` * `side` points.
constexpr int side = 64;

struct bng_point {
    int easting, northing;
};

struct utm_point {
    signed char zone;
    int easting, northing;
};

/// The fixed sample: a 64 x 64 lattice over the National Grid (10 km inside its edges), each
/// point moved by a fixed pseudo-random offset of up to 5 km so that no two rows share a
/// northing. The same points on every run.
struct point_set {
    std::vector<bng_point> bng;
    std::vector<utm_point> utm;  // tarnwick's UTM result for each National Grid point
};

point_set make_point_set() {
    point_set set;
    std::uint32_t state = 2024;
    const auto jitter = [&state] {
        state = state * 1664525U + 1013904223U;
        return static_cast<int>(state >> 8) % 10001 - 5000;
    };
    for (int i = 0; i < side; ++i) {
        for (int j = 0; j < side; ++j) {
            const int e = 15000 + i * (670000 / (side - 1)) + jitter();
            const int n = 15000 + j * (1270000 / (side - 1)) + jitter();
            set.bng.push_back({std::clamp(e, 10000, 690000), std::clamp(n, 10000, 1290000)});
        }
    }
    for (const bng_point& p : set.bng) {
        utm_point u{};
        convert_bng_to_utm(p.easting, p.northing, &u.zone, &u.easting, &u.northing);
        set.utm.push_back(u);
    }
    return set;
}

const point_set& points() {
    static const point_set set = make_point_set();
    return set;
}

void set_per_point(benchmark::State& state, std::size_t count) {
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(count));
    state.counters["per_point"] = benchmark::Counter(
        static_cast<double>(count),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// ---- tarnwick through its exports -----------------------------------------------------------

void tarnwick_bng_to_utm(benchmark::State& state) {
    const auto& set = points().bng;
    for (auto _ : state) {
        for (const bng_point& p : set) {
            signed char zone;
            int easting, northing;
            convert_bng_to_utm(p.easting, p.northing, &zone, &easting, &northing);
            benchmark::DoNotOptimize(zone);
            benchmark::DoNotOptimize(easting);
            benchmark::DoNotOptimize(northing);
        }
    }
    set_per_point(state, set.size());
}

void tarnwick_utm_to_bng(benchmark::State& state) {
    const auto& set = points().utm;
    for (auto _ : state) {
        for (const utm_point& p : set) {
            int easting, northing;
            convert_utm_to_bng(p.zone, p.northing, p.easting, &easting, &northing);
            benchmark::DoNotOptimize(easting);
            benchmark::DoNotOptimize(northing);
        }
    }
    set_per_point(state, set.size());
}

void tarnwick_bng_to_wgs84(benchmark::State& state) {
    const auto& set = points().bng;
    for (auto _ : state) {
        for (const bng_point& p : set) {
            double latitude, longitude;
            from_bng_to_wgs84_lat_long(p.easting, p.northing, &latitude, &longitude);
            benchmark::DoNotOptimize(latitude);
            benchmark::DoNotOptimize(longitude);
        }
    }
    set_per_point(state, set.size());
}

/// convert_bng_to_utm through the exports on every thread of the benchmark at once; the rate
/// is points per second over all threads.
void tarnwick_bng_to_utm_threads(benchmark::State& state) {
    tarnwick_bng_to_utm(state);
}

// ---- tarnwick's array conversions -----------------------------------------------------------

/// The point set as the arrays of the core's array conversions, with room for the results.
struct batch_arrays {
    std::vector<double> zone, easting, northing, bng_easting, bng_northing;
    std::vector<batch::point_status> status;
    std::vector<std::int32_t> out_zone, out_easting, out_northing;
    std::vector<double> out_latitude, out_longitude;

    batch_arrays() {
        for (const utm_point& u : points().utm) {
            zone.push_back(u.zone);
            easting.push_back(u.easting);
            northing.push_back(u.northing);
        }
        for (const bng_point& b : points().bng) {
            bng_easting.push_back(b.easting);
            bng_northing.push_back(b.northing);
        }
        const std::size_t n = points().bng.size();
        status.resize(n);
        out_zone.resize(n);
        out_easting.resize(n);
        out_northing.resize(n);
        out_latitude.resize(n);
        out_longitude.resize(n);
    }

    batch::results results() {
        batch::results r;
        r.status = status;
        r.zone = out_zone;
        r.easting = out_easting;
        r.northing = out_northing;
        r.latitude = out_latitude;
        r.longitude = out_longitude;
        return r;
    }
};

void run_batch(benchmark::State& state, batch::coordinate_system from,
               batch::coordinate_system to) {
    batch_arrays arrays;  // each thread of the benchmark its own
    batch::points in;
    if (from == batch::coordinate_system::utm) {
        in.zone = arrays.zone;
        in.easting = arrays.easting;
        in.northing = arrays.northing;
    } else {
        in.easting = arrays.bng_easting;
        in.northing = arrays.bng_northing;
    }
    for (auto _ : state) {
        if (!batch::convert({from, to}, in, arrays.results()))
            state.SkipWithError("the array conversion refused its arrays");
        benchmark::DoNotOptimize(arrays.status.data());
        benchmark::ClobberMemory();
    }
    set_per_point(state, arrays.status.size());
}

void batch_bng_to_utm(benchmark::State& state) {
    run_batch(state, batch::coordinate_system::bng, batch::coordinate_system::utm);
}
void batch_utm_to_bng(benchmark::State& state) {
    run_batch(state, batch::coordinate_system::utm, batch::coordinate_system::bng);
}
void batch_bng_to_wgs84(benchmark::State& state) {
    run_batch(state, batch::coordinate_system::bng, batch::coordinate_system::wgs84);
}

// ---- tarnwick through libtarnwick_transform.so ---------------------------------------------

/// A conversion's points as the transform's arrays (in the interface's order), and room for
/// its results: from the National Grid or, with `from_utm`, from UTM.
struct transform_arrays {
    std::vector<double> in[3], out[3];
    std::vector<int> status;

    explicit transform_arrays(bool from_utm) {
        if (from_utm) {
            for (const utm_point& u : points().utm) {
                in[0].push_back(u.zone);
                in[1].push_back(u.easting);
                in[2].push_back(u.northing);
            }
        } else {
            for (const bng_point& b : points().bng) {
                in[0].push_back(b.easting);
                in[1].push_back(b.northing);
            }
        }
        status.resize(in[0].size());
        for (auto& column : out)
            column.resize(status.size());
    }

    /// Converts the whole set; the number of points converted.
    std::size_t run(const tarnwick_transform* t) {
        return tarnwick_transform_points(t, status.size(), in[0].data(), in[1].data(),
                                         in[2].empty() ? nullptr : in[2].data(), out[0].data(),
                                         out[1].data(), out[2].data(), status.data());
    }
};

/// tarnwick_transform_points from `from` to `to` by Helmert over the whole set, each thread of
/// the benchmark on arrays of its own.
void run_transform(benchmark::State& state, const char* from, const char* to) {
    transform_arrays arrays(std::string(from) == "utm");
    tarnwick_transform* t = tarnwick_transform_create(from, to, "helmert", 0);
    if (t == nullptr) {
        state.SkipWithError(tarnwick_last_error());
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(arrays.run(t));
        benchmark::ClobberMemory();
    }
    tarnwick_transform_destroy(t);
    set_per_point(state, arrays.status.size());
}

void transform_bng_to_utm(benchmark::State& state) {
    run_transform(state, "bng", "utm");
}
void transform_utm_to_bng(benchmark::State& state) {
    run_transform(state, "utm", "bng");
}
void transform_bng_to_wgs84(benchmark::State& state) {
    run_transform(state, "bng", "wgs84");
}

/// Whether the transform gives convert_bng_to_utm's integers for every point of the set.
bool transform_agrees() {
    transform_arrays arrays(false);
    tarnwick_transform* t = tarnwick_transform_create("bng", "utm", "helmert", 0);
    arrays.run(t);
    tarnwick_transform_destroy(t);
    const auto& set = points().utm;
    std::size_t same = 0;
    for (std::size_t i = 0; i < set.size(); ++i) {
        same += set[i].zone == arrays.out[0][i] && set[i].easting == arrays.out[1][i] &&
                set[i].northing == arrays.out[2][i];
    }
    std::printf("tarnwick_transform_points against convert_bng_to_utm: %zu of %zu the same\n", same,
                set.size());
    return same == set.size();
}

#if TARNWICK_HAVE_PROJ

// ---- PROJ with explicit pipelines ---------------------------------------------------------

/// The National Grid projection (PROJ's Transverse Mercator on Airy 1830 with the grid's
/// origin and scale).
const std::string national_grid =
    "+proj=tmerc +lat_0=49 +lon_0=-2 +k_0=0.9996012717 +x_0=400000 +y_0=-100000 +ellps=airy";
/// WGS84 -> OSGB36, the library's set, in the position-vector convention of the library.
const std::string helmert =
    "+proj=helmert +x=-446.448 +y=125.157 +z=-542.060 +rx=-0.1502 +ry=-0.2470 +rz=-0.8421 "
    "+s=20.4894 +convention=position_vector";

std::string utm_zone(int zone) {
    return "+proj=utm +zone=" + std::to_string(zone) + " +ellps=GRS80";
}

std::string bng_to_wgs84_pipeline() {
    return "+proj=pipeline +step +inv " + national_grid + " +step +proj=cart +ellps=airy" +
           " +step +inv " + helmert + " +step +inv +proj=cart +ellps=GRS80";
}

std::string bng_to_utm_pipeline(int zone) {
    return bng_to_wgs84_pipeline() + " +step " + utm_zone(zone);
}

std::string utm_to_bng_pipeline(int zone) {
    return "+proj=pipeline +step +inv " + utm_zone(zone) + " +step +proj=cart +ellps=GRS80" +
           " +step " + helmert + " +step +inv +proj=cart +ellps=airy +step " + national_grid;
}

/// One PROJ transformation over coordinate arrays that it converts in place.
struct proj_job {
    PJ* pj = nullptr;
    std::vector<double> x, y;  // the input, kept to restore before each run
    std::vector<double> out_x, out_y;
    std::vector<std::size_t> index;  // position of each point in the point set

    void run() {
        std::copy(x.begin(), x.end(), out_x.begin());
        std::copy(y.begin(), y.end(), out_y.begin());
        proj_trans_generic(pj, PJ_FWD, out_x.data(), sizeof(double), out_x.size(), out_y.data(),
                           sizeof(double), out_y.size(), nullptr, 0, 0, nullptr, 0, 0);
    }
};

/// The jobs of one conversion: one per UTM zone, or a single one.
struct proj_conversion {
    std::vector<proj_job> jobs;
    std::size_t size() const {
        std::size_t n = 0;
        for (const proj_job& j : jobs)
            n += j.x.size();
        return n;
    }
};

PJ* create(const std::string& pipeline) {
    PJ* pj = proj_create(PJ_DEFAULT_CTX, pipeline.c_str());
    if (pj == nullptr) {
        std::fprintf(stderr, "PROJ rejects the pipeline: %s\n", pipeline.c_str());
        std::exit(2);
    }
    return pj;
}

/// National Grid points for PROJ, grouped by the UTM zone tarnwick gives them (all in one
/// group when `by_zone` is false).
proj_conversion from_bng(bool by_zone) {
    proj_conversion c;
    std::map<int, proj_job> zones;
    const auto& set = points();
    for (std::size_t k = 0; k < set.bng.size(); ++k) {
        proj_job& j = zones[by_zone ? set.utm[k].zone : 0];
        j.x.push_back(set.bng[k].easting);
        j.y.push_back(set.bng[k].northing);
        j.index.push_back(k);
    }
    for (auto& [zone, j] : zones) {
        j.pj = create(by_zone ? bng_to_utm_pipeline(zone) : bng_to_wgs84_pipeline());
        j.out_x.resize(j.x.size());
        j.out_y.resize(j.y.size());
        c.jobs.push_back(std::move(j));
    }
    return c;
}

proj_conversion from_utm() {
    proj_conversion c;
    std::map<int, proj_job> zones;
    const auto& set = points();
    for (std::size_t k = 0; k < set.utm.size(); ++k) {
        proj_job& j = zones[set.utm[k].zone];
        j.x.push_back(set.utm[k].easting);
        j.y.push_back(set.utm[k].northing);
        j.index.push_back(k);
    }
    for (auto& [zone, j] : zones) {
        j.pj = create(utm_to_bng_pipeline(zone));
        j.out_x.resize(j.x.size());
        j.out_y.resize(j.y.size());
        c.jobs.push_back(std::move(j));
    }
    return c;
}

proj_conversion& proj_bng_to_utm_jobs() {
    static proj_conversion c = from_bng(true);
    return c;
}
proj_conversion& proj_utm_to_bng_jobs() {
    static proj_conversion c = from_utm();
    return c;
}
proj_conversion& proj_bng_to_wgs84_jobs() {
    static proj_conversion c = from_bng(false);
    return c;
}

void run_proj(benchmark::State& state, proj_conversion& c) {
    for (auto _ : state) {
        for (proj_job& j : c.jobs) {
            j.run();
            benchmark::DoNotOptimize(j.out_x.data());
            benchmark::DoNotOptimize(j.out_y.data());
        }
        benchmark::ClobberMemory();
    }
    set_per_point(state, c.size());
}

void proj_bng_to_utm(benchmark::State& state) {
    run_proj(state, proj_bng_to_utm_jobs());
}
void proj_utm_to_bng(benchmark::State& state) {
    run_proj(state, proj_utm_to_bng_jobs());
}
void proj_bng_to_wgs84(benchmark::State& state) {
    run_proj(state, proj_bng_to_wgs84_jobs());
}

/// Largest distance in metres between PROJ's and tarnwick's results over the point set, for
/// each conversion: grid values directly, latitude and longitude on a sphere of 6371 km.
/// Returns false when one exceeds a metre: then the two would not be doing the same job.
bool same_job() {
    const auto& set = points();
    double grid_utm = 0.0, grid_bng = 0.0, geodetic = 0.0;

    proj_conversion& to_utm = proj_bng_to_utm_jobs();
    for (proj_job& j : to_utm.jobs) {
        j.run();
        for (std::size_t i = 0; i < j.index.size(); ++i) {
            const utm_point& u = set.utm[j.index[i]];
            grid_utm = std::max(
                {grid_utm, std::abs(j.out_x[i] - u.easting), std::abs(j.out_y[i] - u.northing)});
        }
    }
    proj_conversion& to_bng = proj_utm_to_bng_jobs();
    for (proj_job& j : to_bng.jobs) {
        j.run();
        for (std::size_t i = 0; i < j.index.size(); ++i) {
            const utm_point& u = set.utm[j.index[i]];
            int e = 0, n = 0;
            convert_utm_to_bng(u.zone, u.northing, u.easting, &e, &n);
            grid_bng = std::max({grid_bng, std::abs(j.out_x[i] - e), std::abs(j.out_y[i] - n)});
        }
    }
    proj_conversion& to_wgs84 = proj_bng_to_wgs84_jobs();
    for (proj_job& j : to_wgs84.jobs) {
        j.run();
        for (std::size_t i = 0; i < j.index.size(); ++i) {
            const bng_point& p = set.bng[j.index[i]];
            double latitude = 0.0, longitude = 0.0;
            from_bng_to_wgs84_lat_long(p.easting, p.northing, &latitude, &longitude);
            const double radius = 6371000.0;  // metres
            const double north = (j.out_y[i] - latitude) * radius;
            const double east = (j.out_x[i] - longitude) * radius * std::cos(latitude);
            geodetic = std::max(geodetic, std::hypot(north, east));
        }
    }
    std::printf(
        "PROJ against tarnwick on %zu points, largest difference: convert_bng_to_utm "
        "%.3f m, convert_utm_to_bng %.3f m, from_bng_to_wgs84_lat_long %.3f m "
        "(tarnwick rounds grid values to whole metres)\n",
        set.bng.size(), grid_utm, grid_bng, geodetic);
    const bool same = grid_utm <= 1.0 && grid_bng <= 1.0 && geodetic <= 1.0;
    if (!same)
        std::printf(
            "PROJ's pipelines differ from tarnwick by more than a metre: the comparison "
            "below is not of the same job.\n");
    std::fflush(stdout);
    return same;
}

#endif  // TARNWICK_HAVE_PROJ

// ---- Summary: tarnwick / PROJ per conversion ------------------------------------------------

/// The console report as usual, and the time per point of each benchmark (the median when
/// repetitions are aggregated) kept for the summary.
class summary_reporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& reports) override {
        ConsoleReporter::ReportRuns(reports);
        for (const Run& run : reports) {
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            const bool single = run.run_type == Run::RT_Iteration;
            if (!median && !single)
                continue;
            const std::string& name = run.run_name.function_name;
            if (name.ends_with("_threads")) {
                auto& rate = points_per_second_[name][static_cast<int>(run.threads)];
                if (median || !rate.from_median)
                    rate = {run.counters.at("items_per_second").value, median};
            }
            const auto per_point = run.counters.find("per_point");
            if (per_point == run.counters.end())
                continue;
            // A median always wins over the single runs of the same benchmark.
            auto& slot = per_point_ns_[run.run_name.function_name];
            if (median || !slot.from_median)
                slot = {per_point->second.value * 1e9, median};
        }
    }

    void print_summary() const {
        std::printf(
            "\nPer point, single thread (ns; median of the repetitions where there are "
            "several):\n");
        std::printf("  %-28s %10s %10s %8s %10s %8s %10s %8s\n", "conversion", "exports", "PROJ",
                    "ratio", "arrays", "ratio", "transform", "ratio");
        for (const char* job :
             {"convert_bng_to_utm", "convert_utm_to_bng", "from_bng_to_wgs84_lat_long"}) {
            const double ours = lookup(std::string(job) + "/tarnwick");
            const double theirs = lookup(std::string(job) + "/proj");
            if (ours <= 0.0)
                continue;
            std::printf("  %-28s", job);
            print_value(ours);
            print_value(theirs);
            print_ratio(ours, theirs);
            for (const char* kind : {"/batch", "/transform"}) {
                const double time = lookup(std::string(job) + kind);
                print_value(time);
                print_ratio(time, theirs);
            }
            std::printf("\n");
        }
        for (const auto& [name, rates] : points_per_second_) {
            const auto one = rates.find(1);
            const auto two = rates.find(2);
            if (one != rates.end() && two != rates.end())
                std::printf("\n%s: %.0f points/s on one thread, %.0f on two, %.2f times",
                            name.c_str(), one->second.ns, two->second.ns,
                            two->second.ns / one->second.ns);
        }
        std::printf("\n");
    }

  private:
    /// A column of the summary: nanoseconds, or "-" where nothing was measured.
    static void print_value(double ns) {
        if (ns > 0.0)
            std::printf(" %10.1f", ns);
        else
            std::printf(" %10s", "-");
    }
    /// The ratio `ns` / `theirs`, or "-" where either is missing.
    static void print_ratio(double ns, double theirs) {
        if (ns > 0.0 && theirs > 0.0)
            std::printf(" %8.3f", ns / theirs);
        else
            std::printf(" %8s", "-");
    }
    struct measured {
        double ns = 0.0;
        bool from_median = false;
    };
    double lookup(const std::string& name) const {
        const auto it = per_point_ns_.find(name);
        return it == per_point_ns_.end() ? 0.0 : it->second.ns;
    }
    std::map<std::string, measured> per_point_ns_;
    // Of each benchmark run on several threads, by thread count (in the `ns` field).
    std::map<std::string, std::map<int, measured>> points_per_second_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    initialize_api();
    bool same = transform_agrees();

    benchmark::RegisterBenchmark("convert_bng_to_utm/tarnwick", tarnwick_bng_to_utm);
#if TARNWICK_HAVE_PROJ
    same = same_job() && same;
    benchmark::RegisterBenchmark("convert_bng_to_utm/proj", proj_bng_to_utm);
#endif
    benchmark::RegisterBenchmark("convert_utm_to_bng/tarnwick", tarnwick_utm_to_bng);
#if TARNWICK_HAVE_PROJ
    benchmark::RegisterBenchmark("convert_utm_to_bng/proj", proj_utm_to_bng);
#endif
    benchmark::RegisterBenchmark("from_bng_to_wgs84_lat_long/tarnwick", tarnwick_bng_to_wgs84);
    benchmark::RegisterBenchmark("convert_bng_to_utm/batch", batch_bng_to_utm);
    benchmark::RegisterBenchmark("convert_bng_to_utm/transform", transform_bng_to_utm);
    benchmark::RegisterBenchmark("convert_utm_to_bng/batch", batch_utm_to_bng);
    benchmark::RegisterBenchmark("convert_utm_to_bng/transform", transform_utm_to_bng);
    benchmark::RegisterBenchmark("from_bng_to_wgs84_lat_long/batch", batch_bng_to_wgs84);
    benchmark::RegisterBenchmark("from_bng_to_wgs84_lat_long/transform", transform_bng_to_wgs84);
    using benchmark_function = void (*)(benchmark::State&);
    const std::pair<const char*, benchmark_function> on_threads[] = {
        {"convert_bng_to_utm/exports_threads", tarnwick_bng_to_utm_threads},
        {"convert_bng_to_utm/batch_threads", batch_bng_to_utm},
        {"convert_bng_to_utm/transform_threads", transform_bng_to_utm}};
    for (const auto& [name, run] : on_threads)
        benchmark::RegisterBenchmark(name, run)->Threads(1)->Threads(2)->UseRealTime();
#if TARNWICK_HAVE_PROJ
    benchmark::RegisterBenchmark("from_bng_to_wgs84_lat_long/proj", proj_bng_to_wgs84);
#else
    std::printf(
        "PROJ was not found when this program was configured: only tarnwick's side is "
        "measured and there is no ratio.\n");
#endif

    summary_reporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.print_summary();
    benchmark::Shutdown();
    return same ? 0 : 1;
}
