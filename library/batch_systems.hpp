// What the front ends of the array conversions share: the coordinate systems they name (with
// their other names, fields and the core system each stands for), the result columns of a
// conversion and the arrays behind them, and a conversion split over threads. The command-line
// tool and the Python package add only their own parsing, formatting and idioms.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "batch.hpp"

namespace batch::systems {

/// The systems as the front ends name them: the core's, the National Grid written as lettered
/// references ("TG 51410 13177"), and WGS84 written as MGRS references ("30U XC 99293 09783").
/// Listings name them in this order.
enum class system_id : std::uint8_t { bng, gridref, utm, wgs84, lv03, lv95, etrs89, mgrs };

/// Every system, in the order listings name them.
inline constexpr std::array<system_id, 8> all = {
    system_id::bng,  system_id::gridref, system_id::utm,    system_id::wgs84,
    system_id::lv03, system_id::lv95,    system_id::etrs89, system_id::mgrs};

/// The member of `points` that holds one input field.
using input_member = std::span<const double> points::*;

/// One system of the table.
struct system_entry {
    system_id id;
    std::string_view name;                      ///< "bng", "gridref", "utm", ...
    std::span<const std::string_view> aliases;  ///< other names: "osgb36" (bng), "latlon" (wgs84)
    std::string_view label;                     ///< its values in messages: "BNG" ("BNG easting")
    std::span<const std::string_view> fields;   ///< the fields of a point, in input order
    coordinate_system core;                     ///< the core's system of its points
    /// Written as text references, not as numbers: no array conversion takes or gives it.
    bool lettered;
};

/// The entry of `id`.
const system_entry& entry(system_id id) noexcept;

/// The system whose name or other name is `name`, in any case ("OSGB36", "latlon"), or none.
std::optional<system_id> from_name(std::string_view name) noexcept;

/// The name of a core system ("bng", "utm", "wgs84", "lv03", "lv95", "etrs89").
std::string_view name(coordinate_system core) noexcept;

/// Whether points of `from` become points of `to` by `method`: `batch::is_offered` for the
/// core systems (a lettered system by its core system's pairs); between a lettered reference
/// and the system it writes (National Grid metres, WGS84), either way, only by `helmert`
/// (nothing is converted, so there is no datum to change).
bool is_offered(system_id from, system_id to, datum_method method = datum_method::helmert) noexcept;

/// Whether `from` and `to` are both forms of the National Grid, or both forms of WGS84
/// latitude and longitude: the point read is the result.
bool reads_only(system_id from, system_id to) noexcept;

/// For each field of a core system, in input order, the member of `points` that holds it.
std::span<const input_member> input_members(coordinate_system core) noexcept;

/// The points of `columns`, one column per field of `from` in input order; `columns` must have
/// one per field.
points points_of(coordinate_system from, std::span<const std::span<const double>> columns) noexcept;

/// What the values of a result column are.
enum class column_unit : std::uint8_t {
    zone,     ///< UTM zone, whole numbers
    metres,   ///< grid values: whole metres, and under OSTN15 also metres not rounded
    degrees,  ///< latitude or longitude, decimal degrees
};

/// One result column of a conversion.
struct result_column {
    std::string_view field;  ///< "zone", "easting", "northing", "latitude", "longitude"
    bool alt;                ///< of the point in the neighbouring zone (under `conversion::alt`)
    column_unit unit;
    /// The whole numbers (zones, whole metres); null for degrees.
    std::span<std::int32_t> results::*whole;
    /// Degrees, or grid values in metres not rounded (under OSTN15 only); null otherwise.
    std::span<double> results::*real;
};

/// The result columns of `c` in the order the front ends give them: the fields of the target,
/// then under `alt` the neighbouring zone's zone, easting and northing.
std::vector<result_column> result_columns(const conversion& c);

/// `out` with its spans for `c` pointed at arrays the caller makes: `whole(i)` and `real(i)`
/// are asked once for each array of result column `i` and give a span of the points' length
/// that outlives the results. `status` holds one element per point.
template <class Whole, class Real>
results shaped_results(const conversion& c, std::span<point_status> status, Whole&& whole,
                       Real&& real) {
    results out;
    out.status = status;
    const std::vector<result_column> columns = result_columns(c);
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (columns[i].whole != nullptr) {
            out.*columns[i].whole = whole(i);
        }
        if (columns[i].real != nullptr) {
            out.*columns[i].real = real(i);
        }
    }
    return out;
}

/// The result arrays of a conversion in vectors of its own; used again, they keep their room.
class result_arrays {
  public:
    /// Sizes the arrays for `n` points of `c`; the spans `convert` writes, valid until the
    /// next call.
    results sized(const conversion& c, std::size_t n);

  private:
    std::vector<point_status> status_;
    std::vector<std::vector<std::int32_t>> whole_;
    std::vector<std::vector<double>> real_;
};

/// Points `first` .. `first + count - 1` of `in`; spans not given stay empty.
points slice(const points& in, std::size_t first, std::size_t count) noexcept;

/// Points `first` .. `first + count - 1` of `out`; spans not given stay empty.
results slice(const results& out, std::size_t first, std::size_t count) noexcept;

/// Below this many points per thread, starting a thread costs more than it saves.
inline constexpr std::size_t min_points_per_thread = 16384;

/// Runs `part(first, count)` over contiguous parts of the points 0 .. n - 1, up to `threads`
/// (at least 1) at once, each part of at least `min_points_per_thread` points where there are
/// enough; the calling thread takes the first part, and any part whose thread cannot start.
/// True when every part returned true.
bool in_parts(std::size_t n, std::size_t threads,
              const std::function<bool(std::size_t first, std::size_t count)>& part);

/// `convert` in up to `threads` contiguous parts at once (as `in_parts`): the same results as
/// one call. False, with nothing written, when `arguments_fault` finds a fault.
bool convert_parallel(const conversion& c, const points& in, const results& out,
                      std::size_t threads);

}  // namespace batch::systems
