// Module `utm::datum_transformations::ostn15`: precise mode, the Ordnance Survey's definitive
// transformation OSTN15 between ETRS89 (the European frame of GPS positions in Britain) and the
// National Grid, to the millimetre, beside the library's seven-parameter Helmert chain.
//
// ETRS89 latitude and longitude are projected with the National Grid's Transverse Mercator on
// the GRS80 ellipsoid (exactly, `utm::exact_transverse_mercator`); the OSTN15 shifts of the
// 1 km cell around that point, interpolated bilinearly, then give the OSGB36 National Grid
// easting and northing. The way back iterates until the change is below 0.1 mm. UTM in precise
// mode is ETRS89 projected exactly on GRS80. WGS84 positions may be taken as ETRS89: in Britain
// the two frames differ today by well under a metre (ETRS89 moves with Europe, WGS84 does not).
//
// The shift grid is read once from the file `ostn15.dat` (see `shift_grid_file`). When it is
// missing or damaged every operation here raises `data_unavailable` and nothing else in the
// library changes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "global_types.hpp"

namespace utm::datum_transformations::ostn15 {

using global_types::long_float;

/// Precise mode has no shift grid: the data file is missing, unreadable or damaged. The
/// message says which file and how to get the data.
class data_unavailable : public global_types::failure {
  public:
    explicit data_unavailable(std::string message) noexcept;
};

/// The OSTN15 horizontal shifts: nodes every 1000 m over easting 0 .. 700000 m and northing
/// 0 .. 1250000 m of the ETRS89 Transverse Mercator grid, each with an east and a north shift.
struct shift_grid {
    static constexpr int columns = 701;
    static constexpr int rows = 1251;
    static constexpr long_float spacing = 1000.0;  ///< metres between nodes
    /// Per node, row by row from the south: east then north shift, in millimetres minus the
    /// offsets below.
    std::vector<std::uint16_t> values;
    std::int32_t east_offset_mm = 0;
    std::int32_t north_offset_mm = 0;
};

/// Reads and checks a shift grid file (layout, size and checksum). A path that is not a regular
/// file of the expected size (a directory, a device, a FIFO) is refused before it is opened.
/// Raises `data_unavailable` naming the file and the fault.
shift_grid read_shift_grid(const std::string& path);

/// The file precise mode reads: the one named by the environment variable TARNWICK_OSTN15
/// when it is set and not empty (and then only that one), else the installed
/// share/tarnwick/ostn15.dat if it exists, else the build tree's copy. Empty when none exists.
std::string shift_grid_file();

/// Easting and northing in metres (not rounded).
struct grid_point {
    long_float easting;
    long_float northing;
};

/// ETRS89 latitude and longitude in radians.
struct etrs89_point {
    long_float latitude;
    long_float longitude;
};

/// A UTM position on GRS80 (ETRS89): a northern zone and metres (not rounded).
struct utm_point {
    global_types::zone_integer zone;
    long_float easting;
    long_float northing;
};

/// ETRS89 latitude, longitude (radians) to OSGB36 National Grid easting and northing (metres)
/// by OSTN15. A point whose ETRS89 grid position lies outside the shifts' extent (easting
/// 0 .. 700000, northing 0 .. 1250000 m) raises `easting_out_of_range` (checked first) or
/// `northing_out_of_range`; a latitude or longitude that is not finite or not on the earth
/// raises `constraint_error`; no data raises `data_unavailable`.
grid_point from_etrs89_to_bng(long_float latitude, long_float longitude);

/// OSGB36 National Grid easting and northing (metres) to ETRS89 latitude, longitude (radians)
/// by OSTN15, iterated until the change is below 0.1 mm. Raises as `from_etrs89_to_bng` when
/// the point or an iterate lies outside the shifts' extent (so a point within about 100 m of
/// the grid's west and south edges and 40 .. 110 m of the others has no result).
etrs89_point from_bng_to_etrs89(long_float easting, long_float northing);

/// National Grid point (metres) to UTM on GRS80 in the standard zone of its ETRS89 longitude
/// (a zone boundary belongs to the zone east of it; 29, 30 or 31 over the grid). Raises as
/// `from_bng_to_etrs89`.
utm_point from_bng_to_utm(long_float easting, long_float northing);

/// The same in the zone `zone`, which must be 29, 30 or 31 (`zone_out_of_range` otherwise).
/// A result outside the UTM ranges (easting 0 .. 999999, northing 0 .. 11000000 m) raises
/// `constraint_error`.
utm_point from_bng_to_utm(long_float easting, long_float northing, global_types::zone_integer zone);

/// UTM on GRS80 (zone 29, 30 or 31, else `zone_out_of_range`; metres) to the National Grid
/// (metres) by OSTN15. Raises `constraint_error` for an easting or northing outside the UTM
/// ranges, and as `from_etrs89_to_bng` for a point outside the shifts' extent.
grid_point from_utm_to_bng(global_types::zone_integer zone, long_float easting,
                           long_float northing);

/// ETRS89 latitude, longitude (radians) to UTM on GRS80 in the standard (northern) zone of the
/// longitude; needs no shift grid. A longitude of 180 degrees or more raises
/// `constraint_error`, and so does a result outside the UTM ranges (a southern latitude).
utm_point from_etrs89_to_utm(long_float latitude, long_float longitude);

/// The same in the zone `zone`, which must be a northern zone 1 .. 60 (`zone_out_of_range`
/// otherwise); a point 90 degrees or more from its central meridian or a result outside the
/// UTM ranges raises `constraint_error`.
utm_point from_etrs89_to_utm(long_float latitude, long_float longitude,
                             global_types::zone_integer zone);

/// UTM on GRS80 (a northern zone 1 .. 60, else `zone_out_of_range`; metres within the UTM
/// ranges, else `constraint_error`) to ETRS89 latitude, longitude (radians).
etrs89_point from_utm_to_etrs89(global_types::zone_integer zone, long_float easting,
                                long_float northing);

}  // namespace utm::datum_transformations::ostn15
