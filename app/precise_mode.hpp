// Precise mode: the conversions of both converter pages and the map's latitude and longitude by
// OSTN15, the Ordnance Survey's definitive transformation, through libtarnwick_transform.so
// (bound in tarnwick_binding). Each grid result comes to the millimetre with the Helmert
// chain's result for the same point in the same zone and the distance between the two, so the
// window can show the one and say how far the other lies from it. The WGS84 side of OSTN15 is
// ETRS89.
#pragma once

#include <QString>
#include <optional>

namespace precise {

/// A UTM point of a northern zone, metres.
struct UtmPoint {
    int zone;
    double easting;
    double northing;
};

/// A National Grid point, metres.
struct BngPoint {
    double easting;
    double northing;
};

/// Latitude and longitude in radians, as the map's labels take them.
struct LatLong {
    double latitude;
    double longitude;
};

/// An OSTN15 result beside the Helmert chain's result for the same point.
template <class Point>
struct Comparison {
    Point ostn15;                  ///< as computed, not rounded
    std::optional<Point> helmert;  ///< whole metres; none where the Helmert chain fails
    double apart;                  ///< metres between the two; NaN without a Helmert result
};

/// Why precise mode cannot run: the transform library is not loaded, or its shift grid is
/// missing or damaged (the library's reason, naming the file). Empty when it can run.
QString Unavailable();

/// National Grid -> UTM by OSTN15 in `zone` (0: the zone of the point's longitude); the
/// Helmert result is taken in the zone of the OSTN15 result, so that the two compare. None
/// where OSTN15 has no result (outside its shift grid, the data unavailable).
std::optional<Comparison<UtmPoint>> BngToUtm(double easting, double northing, int zone = 0);

/// UTM (zones 29 .. 31) -> National Grid by OSTN15, with the Helmert result. None where
/// OSTN15 has no result.
std::optional<Comparison<BngPoint>> UtmToBng(int zone, double easting, double northing);

/// The ETRS89 latitude and longitude of a National Grid point by OSTN15; none where OSTN15 has
/// no result.
std::optional<LatLong> BngToEtrs89(double easting, double northing);

/// The whole metres a field shows for a value: nearest, halves away from zero.
int WholeMetres(double metres);

}  // namespace precise
