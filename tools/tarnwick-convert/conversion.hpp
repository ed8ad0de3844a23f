// The coordinate systems tarnwick-convert knows, the pairs it offers, and the conversion of
// one point given as text fields into result fields, chained from the library's conversions.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick_convert {

/// The systems of the command line.
enum class coordinate_system { bng, gridref, utm, wgs84, lv03, lv95 };

/// Every system, in the order the help text lists them.
inline constexpr coordinate_system all_systems[] = {
    coordinate_system::bng,   coordinate_system::gridref, coordinate_system::utm,
    coordinate_system::wgs84, coordinate_system::lv03,    coordinate_system::lv95};

/// The system's command-line name ("bng", "gridref", ...).
std::string_view system_name(coordinate_system system);

/// The system named `name` or one of its other names ("osgb36" for bng, "latlon" for wgs84),
/// in any case, or nothing.
std::optional<coordinate_system> system_from_name(std::string_view name);

/// The input fields a point of the system takes ("easting", "northing", ...).
std::vector<std::string> input_fields(coordinate_system system);

/// For each input field of the system, the header names that usually hold it, lower case;
/// the first is the shortest.
std::vector<std::vector<std::string>> usual_column_names(coordinate_system system);

/// What the user asked for on the command line.
struct conversion_options {
    coordinate_system from = coordinate_system::bng;
    coordinate_system to = coordinate_system::utm;
    std::optional<int> zone;    ///< forced UTM zone of a UTM result (negative: southern)
    bool alt = false;           ///< also the point in the neighbouring zone, in an overlap strip
    bool dms = false;           ///< latitudes and longitudes in degrees, minutes and seconds
    std::optional<int> digits;  ///< figures of a lettered grid reference, 0 .. 10, even; none: 10
    std::optional<std::string> column_prefix;  ///< result columns named prefix + field name
};

/// Arguments that cannot work together; the text says why and what would.
class usage_error : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

/// Whether the program converts `from` to `to` (`utm` to `utm` only with a forced zone).
bool is_offered(coordinate_system from, coordinate_system to);

/// The offered pairs as text for messages ("bng -> gridref, utm, wgs84; ...").
std::string offered_pairs_text();

/// A point that could not be converted. `what()` is the reason in words, the value and its
/// limit first, followed by the failure kind's name in parentheses, e.g. "BNG easting 800000
/// is outside 0 .. 700000 (UTM.EXCEPTIONS.EASTING_OUT_OF_RANGE)".
class row_failure : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

/// Runs the module start-ups the conversions depend on (the datum parameter sets, the Swiss
/// projection constants). Call once before any conversion, before threads start.
void start_up_library();

/// Converts points of one system to another. Immutable after construction, so one converter
/// may serve any number of threads at once.
class converter {
  public:
    /// Checks the options; `usage_error` for a pair that is not offered, a zone that cannot
    /// be forced, an option that does not apply to the result (`--zone` and `--alt` without a
    /// UTM result, `--dms` without latitude and longitude, `--digits` without a lettered
    /// reference), or a digit count other than 0, 2, .., 10.
    explicit converter(const conversion_options& options);

    /// The system of the input.
    coordinate_system source() const noexcept { return options_.from; }

    /// Number of input fields of one point.
    std::size_t input_count() const noexcept { return input_count_; }

    /// Names of the result columns (with the alternative zone's columns under `--alt`).
    const std::vector<std::string>& output_headers() const noexcept { return headers_; }

    /// Converts one point given as `input_count()` text fields. On success `out` holds
    /// `output_headers().size()` fields (the alternative ones empty outside an overlap strip);
    /// on failure raises `row_failure`.
    void convert(const std::string* fields, std::vector<std::string>& out) const;

  private:
    conversion_options options_;
    std::size_t input_count_;
    std::vector<std::string> headers_;
};

}  // namespace tarnwick_convert
