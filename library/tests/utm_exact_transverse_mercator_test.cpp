// The exact Transverse Mercator: published and independently computed grid values, far from
// the central meridian too, and the inverse returning every point.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

#include "utm-bng.hpp"
#include "utm-datum_transformations.hpp"
#include "utm-exact_transverse_mercator.hpp"

namespace etm = utm::exact_transverse_mercator;
using global_types::constraint_error;

namespace {

constexpr double deg = std::numbers::pi / 180.0;

etm::projection utm_zone_30() {
    return etm::make_projection({utm::datum_transformations::major_axis_grs80,
                                 utm::datum_transformations::minor_axis_grs80, 0.9996, 0.0,
                                 -3.0 * deg, 500000.0, 0.0});
}

struct known_point {
    double lat_deg;
    double lon_deg;
    double easting;
    double northing;
};

}  // namespace

TEST(ExactTransverseMercator, NationalGridWorkedExampleBothWays) {
    // The Ordnance Survey's worked example on Airy 1830: 52 39 27.2531 N, 1 43 4.5177 E is
    // E 651409.903, N 313177.270 (published to the millimetre and 0.0001 arc-seconds).
    const etm::projection ng = etm::make_projection(
        {utm::bng::major_axis, utm::bng::minor_axis, utm::bng::scale_on_central_meridian,
         utm::bng::latitude_of_natural_origin, utm::bng::longitude_of_natural_origin,
         utm::bng::false_origin_east, utm::bng::false_origin_north});
    const double lat = (52.0 + 39.0 / 60.0 + 27.2531 / 3600.0) * deg;
    const double lon = (1.0 + 43.0 / 60.0 + 4.5177 / 3600.0) * deg;
    const etm::grid_point p = etm::lat_long_to_grid(ng, lat, lon);
    EXPECT_NEAR(p.easting, 651409.903, 0.001);
    EXPECT_NEAR(p.northing, 313177.270, 0.001);
    const etm::lat_long_point back = etm::grid_to_lat_long(ng, 651409.903, 313177.270);
    EXPECT_NEAR(back.latitude, lat, 0.0001 / 3600.0 * deg);
    EXPECT_NEAR(back.longitude, lon, 0.0001 / 3600.0 * deg);
}

TEST(ExactTransverseMercator, AgreesWithAnIndependentExactProjectionFarFromTheMeridian) {
    // Reference values from PROJ's tmerc (cs2cs, GRS80, zone 30 parameters), which the few
    // millimetres of a short series would miss 10 .. 43 degrees from the central meridian.
    const known_point table[] = {
        {0.0, 7.0, 1618481.324164, 0.0},
        {45.0, 12.0, 1682109.329335, 5093638.207168},
        {70.0, 27.0, 1604379.118214, 8045421.624156},
        {-40.0, -15.0, -525592.281400, -4497349.832788},
        {52.0, -3.0, 500000.0, 5761038.212467},
        {85.0, 40.0, 880679.177320, 9589217.439607},
        {61.0, -9.5, 148842.560019, 6780236.254856},
    };
    const etm::projection tm = utm_zone_30();
    for (const known_point& k : table) {
        const etm::grid_point p = etm::lat_long_to_grid(tm, k.lat_deg * deg, k.lon_deg * deg);
        EXPECT_NEAR(p.easting, k.easting, 1e-4) << k.lat_deg << " " << k.lon_deg;
        EXPECT_NEAR(p.northing, k.northing, 1e-4) << k.lat_deg << " " << k.lon_deg;
        const etm::lat_long_point back = etm::grid_to_lat_long(tm, k.easting, k.northing);
        // 1e-11 rad is 0.06 mm on the ground (along a parallel: times the cosine of latitude).
        EXPECT_NEAR(back.latitude, k.lat_deg * deg, 1e-11) << k.lat_deg << " " << k.lon_deg;
        EXPECT_NEAR((back.longitude - k.lon_deg * deg) * std::cos(k.lat_deg * deg), 0.0, 1e-11)
            << k.lat_deg << " " << k.lon_deg;
    }
}

TEST(ExactTransverseMercator, InverseReturnsEveryPointOfAWideSweep) {
    const etm::projection tm = utm_zone_30();
    // Up to 52.5 degrees from the central meridian (5800 km on the equator), far beyond any
    // use here; 1e-12 rad is 6 micrometres.
    for (double lat = -89.5; lat <= 90.0; lat += 4.5) {
        for (double dl = -52.5; dl <= 52.5; dl += 7.5) {
            const etm::grid_point p = etm::lat_long_to_grid(tm, lat * deg, (dl - 3.0) * deg);
            const etm::lat_long_point back = etm::grid_to_lat_long(tm, p.easting, p.northing);
            EXPECT_NEAR(back.latitude, lat * deg, 1e-12) << lat << " " << dl;
            EXPECT_NEAR(back.longitude, (dl - 3.0) * deg, 1e-12) << lat << " " << dl;
        }
    }
    // The poles: every longitude gives the pole's point on the central meridian.
    const etm::grid_point pole = etm::lat_long_to_grid(tm, 90.0 * deg, 50.0 * deg);
    EXPECT_NEAR(pole.easting, 500000.0, 1e-6);
    EXPECT_NEAR(etm::grid_to_lat_long(tm, pole.easting, pole.northing).latitude, 90.0 * deg, 1e-12);
}

TEST(ExactTransverseMercator, RefusesWhatItCannotProjectFaithfully) {
    const etm::projection tm = utm_zone_30();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    // 90 degrees or more from the central meridian the forward formulas would mirror the point
    // into the grid; it is refused, on either side and across the antimeridian.
    EXPECT_THROW(etm::lat_long_to_grid(tm, 10.0 * deg, 87.5 * deg), constraint_error);
    EXPECT_THROW(etm::lat_long_to_grid(tm, 10.0 * deg, -93.5 * deg), constraint_error);
    EXPECT_THROW(etm::lat_long_to_grid(tm, 10.0 * deg, 177.0 * deg), constraint_error);
    EXPECT_NO_THROW(etm::lat_long_to_grid(tm, 10.0 * deg, 86.9 * deg));
    EXPECT_THROW(etm::lat_long_to_grid(tm, 90.001 * deg, 0.0), constraint_error);
    EXPECT_THROW(etm::lat_long_to_grid(tm, nan, 0.0), constraint_error);
    EXPECT_THROW(etm::grid_to_lat_long(tm, 500000.0, 10010000.0),
                 constraint_error);  // past the pole
    EXPECT_THROW(etm::grid_to_lat_long(tm, nan, 0.0), constraint_error);
    EXPECT_THROW(etm::make_projection({6356752.0, 6378137.0, 0.9996, 0.0, 0.0, 0.0, 0.0}),
                 constraint_error);
}
