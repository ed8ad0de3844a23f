// The coordinate systems tarnwick-convert knows, the pairs it offers, and the conversion of
// rows of points given as text fields into result fields: the text is read here, the points
// are converted by the core's array conversions, and the results are written as text here.
#pragma once

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "batch.hpp"
#include "batch_systems.hpp"
#include "text_values.hpp"

namespace tarnwick_convert {

/// The systems of the command line: those of the core's shared table.
using coordinate_system = batch::systems::system_id;

/// Every system, in the order the help text lists them.
inline constexpr const auto& all_systems = batch::systems::all;

using batch::datum_method;

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
    std::optional<int> zone;  ///< forced UTM zone of a UTM result (negative: southern)
    bool alt = false;         ///< also the point in the neighbouring zone, in an overlap strip
    bool dms = false;         ///< latitudes and longitudes in degrees, minutes and seconds
    /// figures of a lettered grid reference (0 .. 10, even; none: 10), or of each coordinate of
    /// an MGRS reference (0 .. 5; none: 5)
    std::optional<int> digits;
    bool compact = false;      ///< MGRS references written without blanks
    bool mgrs_corner = false;  ///< an MGRS reference read as its square's south-west corner
    std::optional<std::string> column_prefix;  ///< result columns named prefix + field name
    std::optional<datum_method> method;        ///< datum change of the National Grid; none: Helmert
    /// decimals of grid results in metres (default 0, in precise mode 3) and of degrees
    /// (default 8)
    std::optional<int> precision;
    /// what N and S after a UTM zone of the input stand for; none: unstated
    std::optional<utm_letter_convention> utm_letters;
};

/// Arguments that cannot work together; the text says why and what would.
class usage_error : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

/// Whether the program converts `from` to `to` by `method` (`utm` to `utm` only with a forced
/// zone): the shared table's rule.
using batch::systems::is_offered;

/// The pairs offered by `method` as text for messages, one source a line
/// ("  bng -> gridref, utm, wgs84").
std::string offered_pairs_text(datum_method method = datum_method::helmert);

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

/// Why `method` cannot convert (precise mode without its shift grid), or empty.
std::string method_unavailable(datum_method method);

/// The result fields of a run of rows, one after the other in one text, so that a field costs
/// no string of its own.
class result_fields {
  public:
    /// Empties it, keeping its room.
    void clear() noexcept {
        used_ = 0;
        ends_.clear();
    }
    /// The number of fields.
    std::size_t size() const noexcept { return ends_.size(); }
    /// Field `i`.
    std::string_view operator[](std::size_t i) const noexcept {
        const std::size_t begin = i == 0 ? 0 : ends_[i - 1];
        return std::string_view(text_).substr(begin, ends_[i] - begin);
    }
    /// The bytes of `count` fields from field `first` together (`count` > 0).
    std::size_t bytes(std::size_t first, std::size_t count) const noexcept {
        return ends_[first + count - 1] - (first == 0 ? 0 : ends_[first - 1]);
    }
    /// Appends `text` to the field being written.
    void append(std::string_view text) {
        if (!text.empty()) {
            std::memcpy(room(text.size()), text.data(), text.size());
        }
    }
    /// Appends the decimal digits of `v` (with a minus sign) to the field being written: they
    /// go straight into the text.
    void append_whole(std::int32_t v) {
        char* const at = room(11);
        used_ = static_cast<std::size_t>(std::to_chars(at, at + 11, v).ptr - text_.data());
    }
    /// Closes the field being written.
    void end_field() { ends_.push_back(used_); }
    /// Drops the fields from `count` on.
    void truncate(std::size_t count) {
        ends_.resize(count);
        used_ = count == 0 ? 0 : ends_[count - 1];
    }

  private:
    // Where `count` more bytes go; they count as written.
    char* room(std::size_t count) {
        if (text_.size() - used_ < count) {
            text_.resize(std::max(2 * text_.size(), used_ + count + 64));
        }
        char* const at = text_.data() + used_;
        used_ += count;
        return at;
    }

    std::string text_;  // its first `used_` bytes are written
    std::size_t used_ = 0;
    std::vector<std::size_t> ends_;
};

/// Converts points of one system to another. Immutable after construction, so one converter
/// may serve any number of threads at once.
class converter {
  public:
    /// Checks the options; `usage_error` for a pair that is not offered, a zone that cannot
    /// be forced, an option that does not apply (`--zone` and `--alt` without a UTM result,
    /// `--dms` without latitude and longitude, `--digits` without a lettered reference,
    /// `--compact` without an MGRS result, `--sw-corner` without MGRS input,
    /// `--method` without a datum change of the National Grid, `--precision` without decimal
    /// degrees or precise grid results, `--utm-letter` without UTM input), a digit count other than
    /// 0, 2, .., 10 (grid references) or 0 .. 5 (MGRS), or a precision outside 0 .. 12.
    explicit converter(const conversion_options& options);

    /// The system of the input.
    coordinate_system source() const noexcept { return options_.from; }

    /// Number of input fields of one point.
    std::size_t input_count() const noexcept { return input_count_; }

    /// Names of the result columns (with the alternative zone's columns under `--alt`).
    const std::vector<std::string>& output_headers() const noexcept { return headers_; }

    /// Converts `rows` points, each given as `input_count()` text fields, one after the other
    /// from `fields`. `out` receives `output_headers().size()` fields per row (the alternative
    /// ones empty outside an overlap strip, all empty for a row that fails) and `errors` per
    /// row the reason it fails, or nothing.
    void convert_rows(const std::string_view* fields, std::size_t rows, result_fields& out,
                      std::vector<std::string>& errors) const;

    /// Converts one point given as `input_count()` text fields into `out`, as `convert_rows`;
    /// on failure raises `row_failure`.
    void convert(const std::string* fields, std::vector<std::string>& out) const;

  private:
    // The constructor's checks of the options, each raising `usage_error`.
    void check_pair() const;
    void check_zone_options() const;
    void check_format_options() const;
    // The result columns and their header names.
    void name_columns();
    // Appends point `k` of `r` (converted from point `k` of `in`) as the fields of one row, or
    // sets a reason in `error`.
    void write_values(const batch::points& in, const batch::results& r, std::size_t k,
                      result_fields& out, std::string& error) const;
    // Appends the result fields of the `rows` rows of `fields` whose points, read into `in`,
    // gave `results`; a row that fails gets empty ones and its reason in `errors`.
    void write_rows(const std::string_view* fields, std::size_t rows, const batch::points& in,
                    std::span<const std::size_t> point_rows, const batch::results& results,
                    result_fields& out, std::vector<std::string>& errors) const;
    // The MGRS reference of point `k`: the UTM point itself where it lies in MGRS's zone for it,
    // else the reference of its latitude and longitude.
    std::string mgrs_of(const batch::points& in, const batch::results& r, std::size_t k) const;

    conversion_options options_;
    batch::conversion core_;
    std::vector<batch::systems::result_column> columns_;
    int grid_decimals_ = 0;
    int angle_decimals_ = 8;
    std::size_t input_count_;
    std::vector<std::string> headers_;
};

}  // namespace tarnwick_convert
