// Module `utm`: the UTM vocabulary (status, ellipsoids, geocentric positions) and the
// Transverse Mercator projection of the UTM grid with its companions.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "global_types.hpp"

namespace utm {

using global_types::long_float;

/// A distance in whole metres.
using range_type = global_types::checked<std::int32_t, 0, 12000000>;

/// Result of the zone change. No operation returns `different_spheroids`.
enum class utm_status_type : std::uint8_t {
    success = 0,
    not_in_extended_zone = 1,
    different_spheroids = 2,
};

/// The image text of a status: "SUCCESS", "NOT_IN_EXTENDED_ZONE", "DIFFERENT_SPHEROIDS".
std::string_view image(utm_status_type status);

/// An ellipsoid by its semi-axes in metres. e2 = (a^2 - b^2) / a^2, e'2 = (a^2 - b^2) / b^2.
struct ellipsoid_type {
    long_float major_semi_axis;
    long_float minor_semi_axis;
};

/// The 60 reference ellipsoids, indexed by `spheroid_integer` 1 .. 60 (whole-metre axes).
/// An index outside 1 .. 60 raises `constraint_error` when it is made a `spheroid_integer`.
struct reference_ellipsoid_table {
    std::array<ellipsoid_type, 60> rows;
    constexpr const ellipsoid_type& operator[](global_types::spheroid_integer i) const {
        return rows[static_cast<std::size_t>(i.value() - 1)];
    }
};
extern const reference_ellipsoid_table reference_ellipsoids;

/// Bearing from grid north and range; the fields exist only while `status` is `success`.
struct range_and_azimuth_record {
    explicit range_and_azimuth_record(utm_status_type s = utm_status_type::success) : status(s) {}
    utm_status_type status;
    global_types::azimuth_float grid_ref_north = 0.0F;
    range_type range_in_metres = 0;
    friend bool operator==(const range_and_azimuth_record& l, const range_and_azimuth_record& r);
};

/// A range in whole metres; the field exists only while `status` is `success`.
struct range_record {
    explicit range_record(utm_status_type s = utm_status_type::success) : status(s) {}
    utm_status_type status;
    range_type range_in_metres = 0;
    friend bool operator==(const range_record& l, const range_record& r);
};

/// Earth-centred Cartesian coordinates in metres: x towards longitude 0 on the equator,
/// y towards 90 degrees east, z towards the north pole.
struct geocentric_coordinates_type {
    long_float x = 0.0;
    long_float y = 0.0;
    long_float z = 0.0;
    friend bool operator==(const geocentric_coordinates_type&,
                           const geocentric_coordinates_type&) = default;
};

/// k0, the UTM scale factor on the central meridian.
inline constexpr long_float scale_on_central_meridian = 0.9996;

/// Start-up of the module: one overflow-checked constant computation, no lasting state.
void start_up();

}  // namespace utm
