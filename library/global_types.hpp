// Project-wide value types of the conversion library: the failure hierarchy, the range-checked
// integer template and the UTM coordinate records.
#pragma once

#include <cmath>
#include <concepts>
#include <cstdint>
#include <exception>
#include <limits>
#include <string>
#include <type_traits>

namespace global_types {

/// 64-bit IEEE double; every angle (radians) and length (metres) inside the library.
using long_float = double;

/// The kinds of failure: the one vocabulary of the library. The non-raising steps return one,
/// the array conversions report one per point, and every exception type carries one; `none`
/// where a point converts.
enum class failure_kind : std::uint8_t {
    none,
    constraint_error,       ///< an input or result outside its range
    argument_error,         ///< an elementary function outside its domain (no solution)
    zone_out_of_range,      ///< a zone the target grid does not take
    easting_out_of_range,   ///< outside the target grid, east or west
    northing_out_of_range,  ///< outside the target grid, north or south
    data_unavailable,       ///< precise mode without its shift grid
    unexpected,             ///< anything else (out of memory while describing a failure)
};

/// The kind's full name ("UTM.EXCEPTIONS.EASTING_OUT_OF_RANGE", "CONSTRAINT_ERROR", ...);
/// empty for `none`.
constexpr const char* full_name(failure_kind kind) noexcept {
    switch (kind) {
        case failure_kind::none:
            return "";
        case failure_kind::constraint_error:
            return "CONSTRAINT_ERROR";
        case failure_kind::argument_error:
            return "ELEMENTARY_FUNCTIONS_EXCEPTIONS.ARGUMENT_ERROR";
        case failure_kind::zone_out_of_range:
            return "UTM.EXCEPTIONS.ZONE_OUT_OF_RANGE";
        case failure_kind::easting_out_of_range:
            return "UTM.EXCEPTIONS.EASTING_OUT_OF_RANGE";
        case failure_kind::northing_out_of_range:
            return "UTM.EXCEPTIONS.NORTHING_OUT_OF_RANGE";
        case failure_kind::data_unavailable:
            return "UTM.DATUM_TRANSFORMATIONS.OSTN15.DATA_UNAVAILABLE";
        case failure_kind::unexpected:
            break;
    }
    return "unexpected failure";
}

/// Base of every exception the library raises; it carries its `failure_kind`. `what()` is the
/// kind's full name; `message()` may add where or why it happened.
class failure : public std::exception {
  public:
    failure(failure_kind kind, std::string message) noexcept
        : kind_(kind), message_(std::move(message)) {}
    /// The kind of failure.
    failure_kind kind() const noexcept { return kind_; }
    /// The kind's full name.
    const char* what() const noexcept override { return full_name(kind_); }
    /// The same full name, for readers who prefer a named accessor.
    const char* name() const noexcept { return full_name(kind_); }
    /// Extra text: the place of the check or the offending value; may be empty.
    const std::string& message() const noexcept { return message_; }

  private:
    failure_kind kind_;
    std::string message_;
};

/// A value left the range of a range-checked type, a checked 32-bit computation overflowed,
/// or a double did not fit the integer type it was converted to.
class constraint_error : public failure {
  public:
    explicit constraint_error(std::string message = "range check failed") noexcept
        : failure(failure_kind::constraint_error, std::move(message)) {}
};

/// What `to_grid_integer` does with a value beyond the range of its grid type.
struct grid_edges {
    /// Metres beyond either end of the range that still count as that end (0: none).
    long_float tolerance = 0.0;
    /// Whether the tolerance is measured on the value rounded to whole metres (the Swiss grids'
    /// rule) instead of on the value itself (the National Grid's).
    bool tolerance_in_whole_metres = false;
    /// Any value above the range becomes its last value.
    bool clamp_above = false;
    /// Any value below the range becomes its first value.
    bool clamp_below = false;
};

/// Raises the exception type of `kind` (`constraint_error`, `argument_error`,
/// `easting_out_of_range`, ...) with `message`; `none` and `unexpected` raise the base
/// `failure` of kind `unexpected`. The one place a failure kind becomes an exception.
[[noreturn]] void raise(failure_kind kind, std::string message);

/// The one way a computed double (metres) becomes a grid integer of the range-checked type
/// `Grid`: rounded to the nearest integer, halves away from zero. A value beyond the range is
/// taken as its nearest end when `edges` says so; otherwise, and for NaN and infinities (never
/// clamped), the failure `kind` is raised with `what`, the value and the range as its message.
template <class Grid>
Grid to_grid_integer(long_float value, const char* what = "value", grid_edges edges = {},
                     failure_kind kind = failure_kind::constraint_error);

/// The grid integer of `value` in `first` .. `last` by the rule of `to_grid_integer`, without
/// raising: the whole metres in `whole` and `none`, or `outside` where it has none (NaN and
/// infinities included). `to_grid_integer` decides through it, so the array conversions,
/// which report a status per point, give the very same integers.
inline failure_kind grid_integer_of(
    long_float value, long_float first, long_float last, grid_edges edges, std::int64_t& whole,
    failure_kind outside = failure_kind::constraint_error) noexcept {
    if (!std::isfinite(value)) {
        return outside;
    }
    const long_float rounded = std::round(value);  // halves away from zero
    const long_float measured = edges.tolerance_in_whole_metres ? rounded : value;
    if (measured > last && (edges.clamp_above || measured <= last + edges.tolerance)) {
        whole = static_cast<std::int64_t>(last);
        return failure_kind::none;
    }
    if (measured < first && (edges.clamp_below || measured >= first - edges.tolerance)) {
        whole = static_cast<std::int64_t>(first);
        return failure_kind::none;
    }
    if (!(rounded >= first && rounded <= last)) {
        return outside;
    }
    whole = static_cast<std::int64_t>(rounded);
    return failure_kind::none;
}

/// The grid integers of the pair `easting`, `northing` (metres) in the ranges of the grid types
/// `Easting`, `Northing` by the rule of `grid_integer_of` with `edges`, the easting decided
/// first: both into `whole_easting`, `whole_northing` and `none`, or the failure kind of the
/// value that has none (nothing written). Raises nothing.
template <class Easting, class Northing>
failure_kind grid_integers_of(long_float easting, long_float northing, grid_edges edges,
                              failure_kind easting_kind, failure_kind northing_kind,
                              std::int32_t& whole_easting, std::int32_t& whole_northing) noexcept {
    std::int64_t e = 0;
    std::int64_t n = 0;
    if (const failure_kind kind =
            grid_integer_of(easting, Easting::first, Easting::last, edges, e, easting_kind);
        kind != failure_kind::none) {
        return kind;
    }
    if (const failure_kind kind =
            grid_integer_of(northing, Northing::first, Northing::last, edges, n, northing_kind);
        kind != failure_kind::none) {
        return kind;
    }
    whole_easting = static_cast<std::int32_t>(e);
    whole_northing = static_cast<std::int32_t>(n);
    return failure_kind::none;
}

/// An integer of base type `Base` restricted to `First` .. `Last`. Every way of making one
/// (from an integer of any width, or by rounding a double) checks the range and raises
/// `constraint_error` when the value does not fit. Reading it back is free.
template <std::integral Base, std::int64_t First, std::int64_t Last>
class checked {
    static_assert(First <= Last, "empty range");
    static_assert(First >= std::numeric_limits<Base>::min() &&
                      Last <= std::numeric_limits<Base>::max(),
                  "range does not fit the base type");

  public:
    using base_type = Base;
    static constexpr Base first = static_cast<Base>(First);
    static constexpr Base last = static_cast<Base>(Last);

    /// The default value is 0 where the range holds it, else the first value of the range.
    constexpr checked() noexcept : value_(First <= 0 && 0 <= Last ? Base{0} : first) {}

    /// Checked conversion from any integer; `constraint_error` outside `First` .. `Last`.
    template <std::integral I>
    constexpr checked(I v) : value_(check(v)) {}  // NOLINT: implicit like a subtype

    /// Converts a double by rounding to the nearest integer, halves away from zero.
    /// NaN, infinities and values whose rounded value lies outside the range raise
    /// `constraint_error` (`to_grid_integer` without edges).
    static checked round(long_float v) { return to_grid_integer<checked>(v); }

    /// Whether `v` lies in the range, without raising.
    template <std::integral I>
    static constexpr bool contains(I v) noexcept {
        if constexpr (std::is_signed_v<I>) {
            return static_cast<std::int64_t>(v) >= First && static_cast<std::int64_t>(v) <= Last;
        } else {
            return static_cast<std::uint64_t>(v) <= static_cast<std::uint64_t>(Last) &&
                   (First <= 0 ||
                    static_cast<std::uint64_t>(v) >= static_cast<std::uint64_t>(First));
        }
    }

    constexpr Base value() const noexcept { return value_; }
    constexpr operator Base() const noexcept { return value_; }  // NOLINT: reads like the base

  private:
    template <std::integral I>
    static constexpr Base check(I v) {
        if (!contains(v)) {
            throw constraint_error("range check failed: " + std::to_string(v));
        }
        return static_cast<Base>(v);
    }

    Base value_;
};

template <class Grid>
Grid to_grid_integer(long_float value, const char* what, grid_edges edges, failure_kind kind) {
    std::int64_t whole = 0;
    if (grid_integer_of(value, static_cast<long_float>(Grid::first),
                        static_cast<long_float>(Grid::last), edges, whole) == failure_kind::none) {
        return Grid(whole);
    }
    if (!std::isfinite(value)) {
        raise(kind, std::string("range check failed: ") + what + " is not a finite number");
    }
    raise(kind, std::string("range check failed: ") + what + " " + std::to_string(value) +
                    " outside " + std::to_string(Grid::first) + " .. " +
                    std::to_string(Grid::last));
}

/// Checked 32-bit arithmetic: `constraint_error` when the exact result does not fit.
std::int32_t checked_add(std::int32_t a, std::int32_t b);
std::int32_t checked_sub(std::int32_t a, std::int32_t b);
std::int32_t checked_mul(std::int32_t a, std::int32_t b);

/// UTM zone with hemisphere: |zone| is the zone number, a negative value the southern
/// hemisphere (false northing 10 000 000 m). Zone 0 is in range and projects as a northern
/// zone with central meridian -183 degrees.
using zone_integer = checked<std::int8_t, -60, 60>;
/// UTM easting in whole metres, false easting of 500 000 m included.
using easting_integer = checked<std::int32_t, 0, 999999>;
/// UTM northing in whole metres, false northing included.
using northing_integer = checked<std::int32_t, 0, 11000000>;
/// Index into `utm::reference_ellipsoids`.
using spheroid_integer = checked<std::uint8_t, 1, 60>;
/// Height in whole metres.
using altitude_integer = checked<std::int16_t, -999, 9999>;
/// Bearing; used only in `utm::range_and_azimuth_record`.
using azimuth_float = float;

/// A UTM position.
struct utm_coordinates_record {
    zone_integer zone;
    easting_integer easting;
    northing_integer northing;
    friend bool operator==(const utm_coordinates_record&, const utm_coordinates_record&) = default;
};

/// A UTM position with the index of its ellipsoid.
struct full_utm_coordinates_record {
    spheroid_integer spheroid;
    zone_integer zone;
    easting_integer easting;
    northing_integer northing;
    friend bool operator==(const full_utm_coordinates_record&,
                           const full_utm_coordinates_record&) = default;
};

/// A UTM position with a height in whole metres.
struct utm_coordinates_and_altitude_record {
    altitude_integer altitude;
    utm_coordinates_record position;
    friend bool operator==(const utm_coordinates_and_altitude_record&,
                           const utm_coordinates_and_altitude_record&) = default;
};

/// A UTM position with its ellipsoid and a height in whole metres.
struct full_utm_coordinates_and_altitude_record {
    altitude_integer altitude;
    full_utm_coordinates_record position;
    friend bool operator==(const full_utm_coordinates_and_altitude_record&,
                           const full_utm_coordinates_and_altitude_record&) = default;
};

}  // namespace global_types
