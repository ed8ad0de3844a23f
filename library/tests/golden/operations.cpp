#include "operations.hpp"

#include <cstdint>
#include <exception>

#include "global_types.hpp"
#include "tarnwick.h"
#include "utm-bng-conversions.hpp"
#include "utm-bng-utilities.hpp"
#include "utm-datum_transformations-global_bng.hpp"
#include "utm-datum_transformations-global_sncs.hpp"
#include "utm-datum_transformations-utm_bng.hpp"
#include "utm-datum_transformations-utm_sncs.hpp"
#include "utm-datum_transformations.hpp"
#include "utm-extensions.hpp"
#include "utm-sncs-conversions.hpp"
#include "utm-utilities.hpp"
#include "utm.hpp"

namespace golden {

namespace {

namespace dt = utm::datum_transformations;
namespace bc = utm::bng::conversions;
namespace sc = utm::sncs::conversions;
using in = const std::vector<double>&;
using values = std::vector<value>;
using metres = std::vector<double>;

constexpr double grs80_a = dt::major_axis_grs80;
constexpr double grs80_b = dt::minor_axis_grs80;

/// An integer input; the library's checked types range-check it.
std::int64_t n(double x) {
    return static_cast<std::int64_t>(x);
}
value i(std::int64_t x) {
    return {kind::integer, static_cast<double>(x)};
}
value a(double x) {
    return {kind::angle, x};
}
value m(double x) {
    return {kind::metres, x};
}
utm::sncs::local_reference_frame_enumeration frame(double x) {
    return static_cast<utm::sncs::local_reference_frame_enumeration>(n(x));
}
utm::geocentric_coordinates_type xyz(in v, std::size_t first) {
    return {v[first], v[first + 1], v[first + 2]};
}
values xyz_values(const utm::geocentric_coordinates_type& p) {
    return {m(p.x), m(p.y), m(p.z)};
}
dt::seven_helmert_parameters_type seven(in v) {
    return {v[0], {v[1], v[2], v[3]}, {v[4], v[5], v[6]}};
}

// The unrounded grid values of the chains, through their public steps.
metres utm_unrounded(double ma, double mi, double lat, double lon, double zone) {
    const auto g = utm::lat_long_to_grid_unrounded(ma, mi, lat, lon, n(zone));
    return {g.easting, g.northing};
}
metres automatic_unrounded(double ma, double mi, double lat, double lon) {
    const auto g = utm::extensions::lat_long_to_grid_unrounded(ma, mi, lat, lon);
    return {g.easting, g.northing};
}
metres bng_unrounded(double ma, double mi, double lat, double lon, double h) {
    utm::geocentric_coordinates_type wgs84;
    bc::lat_long_to_geocentric(ma, mi, lat, lon, h, wgs84);
    const auto osgb = dt::small_rotation_helmert_transformation(
        dt::global_bng::get_simple_wgs84_to_osgb_odn_helmert_parameters(), wgs84);
    const auto airy = bc::geocentric_to_lat_long(utm::bng::major_axis, utm::bng::minor_axis, osgb);
    const auto g = bc::lat_long_to_grid_unrounded(utm::bng::major_axis, utm::bng::minor_axis,
                                                  airy.latitude, airy.longitude);
    return {g.easting, g.northing};
}
metres utm_to_bng_unrounded(double ma, double mi, double e, double nn, double zone) {
    const auto p = utm::grid_to_lat_long_without_convergence(ma, mi, n(e), n(nn), n(zone));
    return bng_unrounded(ma, mi, p.latitude, p.longitude, 0.0);
}
metres bng_to_utm_unrounded(double ma, double mi, double e, double nn) {
    const auto p = dt::global_bng::from_bng_to_wgs84_lat_long(ma, mi, n(e), n(nn));
    return automatic_unrounded(ma, mi, p.latitude, p.longitude);
}
metres overlap_unrounded(double ma, double mi, double zone, double e, double nn, double to) {
    const auto p = utm::grid_to_lat_long_without_convergence(ma, mi, n(e), n(nn), n(zone));
    return utm_unrounded(ma, mi, p.latitude, p.longitude, to);
}
metres sncs_to_utm_unrounded(double ma, double mi, double f, double e, double nn) {
    const auto p = dt::global_sncs::from_sncs_to_wgs84_lat_long(
        ma, mi, frame(f), std::int32_t(n(e)), std::int32_t(n(nn)));
    return automatic_unrounded(ma, mi, p.latitude, p.longitude);
}
metres utm_to_sncs_unrounded(double ma, double mi, double f, double zone, double nn, double e) {
    const auto p = utm::grid_to_lat_long(ma, mi, n(e), n(nn), n(zone));
    const auto g = dt::global_sncs::from_wgs84_lat_long_to_sncs_unrounded(
        ma, mi, p.latitude, p.longitude, 0.0, frame(f));
    return {g.easting, g.northing};
}

std::vector<operation> make_operations() {
    std::vector<operation> ops;
    const auto add = [&](std::string_view name, std::size_t inputs, auto run, auto unrounded) {
        ops.push_back({name, inputs, run, unrounded});
    };
    const std::nullptr_t none = nullptr;

    // ---- UTM projection, geocentric, ENU, scale factor and zone change ----
    add(
        "utm.grid_to_lat_long", 5,
        [](in v) -> values {
            const auto r = utm::grid_to_lat_long(v[0], v[1], n(v[2]), n(v[3]), n(v[4]));
            const auto p =
                utm::grid_to_lat_long_without_convergence(v[0], v[1], n(v[2]), n(v[3]), n(v[4]));
            return {a(r.latitude), a(r.longitude), a(r.convergence), a(p.latitude), a(p.longitude)};
        },
        none);
    add(
        "utm.grid_to_lat_long.spheroid", 4,
        [](in v) -> values {
            const auto r = utm::grid_to_lat_long(n(v[0]), n(v[1]), n(v[2]), n(v[3]));
            return {a(r.latitude), a(r.longitude), a(r.convergence)};
        },
        none);
    add(
        "utm.lat_long_to_grid", 5,
        [](in v) -> values {
            const auto r = utm::lat_long_to_grid(v[0], v[1], v[2], v[3], n(v[4]));
            return {i(r.easting), i(r.northing), a(r.convergence)};
        },
        [](in v) { return utm_unrounded(v[0], v[1], v[2], v[3], v[4]); });
    add(
        "utm.lat_long_to_grid.spheroid", 4,
        [](in v) -> values {
            const auto r = utm::lat_long_to_grid(n(v[0]), v[1], v[2], n(v[3]));
            return {i(r.easting), i(r.northing), a(r.convergence)};
        },
        none);
    add(
        "utm.central_meridian", 1,
        [](in v) -> values {
            return {a(utm::central_meridian(n(v[0]))), m(utm::false_northing(n(v[0])))};
        },
        none);
    add(
        "utm.lat_long_to_geocentric", 5,
        [](in v) -> values {
            return xyz_values(utm::lat_long_to_geocentric(v[0], v[1], v[2], v[3], v[4]));
        },
        none);
    add(
        "utm.lat_long_to_geocentric.spheroid", 4,
        [](in v) -> values {
            return xyz_values(utm::lat_long_to_geocentric(n(v[0]), v[1], v[2], v[3]));
        },
        none);
    add(
        "utm.enu_to_lat_long", 10,
        [](in v) -> values {
            const auto r =
                utm::enu_to_lat_long(v[0], v[1], v[2], v[3], v[4], xyz(v, 5), v[8], v[9]);
            return {a(r.latitude), a(r.longitude), m(r.altitude)};
        },
        none);
    add(
        "utm.utm_to_enu", 11,
        [](in v) -> values {
            const auto r = utm::utm_to_enu(v[0], v[1], n(v[2]), n(v[3]), v[4], v[5], v[6],
                                           xyz(v, 7), n(v[10]));
            return {m(r.east), m(r.north), m(r.up)};
        },
        none);
    add(
        "utm.enu_to_utm", 11,
        [](in v) -> values {
            const auto r = utm::enu_to_utm(v[0], v[1], v[2], v[3], v[4], n(v[5]), n(v[6]), v[7],
                                           n(v[8]), v[9], v[10]);
            return {i(r.converted_x_utm), i(r.converted_y_utm), m(r.converted_h_utm)};
        },
        none);
    add(
        "utm.calculate_scale_factor", 3,
        [](in v) -> values {
            return {{kind::ratio, utm::calculate_scale_factor(n(v[0]), n(v[1]), v[2])}};
        },
        none);
    add(
        "utm.is_in_extended_zone", 2,
        [](in v) -> values { return {i(utm::is_in_extended_zone(n(v[0]), n(v[1])) ? 1 : 0)}; },
        none);
    add(
        "utm.convert_utm_zone", 5,
        [](in v) -> values {
            const global_types::utm_coordinates_record from{n(v[0]), n(v[1]), n(v[2])};
            global_types::utm_coordinates_record to{0, 0, 0};
            const auto status = utm::convert_utm_zone(from, to, n(v[3]), n(v[4]));
            return {i(static_cast<int>(status)), i(to.zone), i(to.easting), i(to.northing)};
        },
        [](in v) {
            const auto& e = utm::reference_ellipsoids[n(v[4])];
            const auto p = utm::grid_to_lat_long(n(v[4]), n(v[1]), n(v[2]), n(v[0]));
            return utm_unrounded(e.major_semi_axis, e.minor_semi_axis, p.latitude, p.longitude,
                                 v[3]);
        });
    add(
        "utm.convert_utm_zone.altitude", 6,
        [](in v) -> values {
            const global_types::utm_coordinates_and_altitude_record from{
                n(v[5]), {n(v[0]), n(v[1]), n(v[2])}};
            global_types::utm_coordinates_and_altitude_record to{0, {0, 0, 0}};
            const auto status = utm::convert_utm_zone(from, to, n(v[3]), n(v[4]));
            return {i(static_cast<int>(status)), i(to.altitude), i(to.position.zone),
                    i(to.position.easting), i(to.position.northing)};
        },
        none);
    add(
        "utm.extensions.geocentric_to_lat_long", 5,
        [](in v) -> values {
            const auto r = utm::extensions::geocentric_to_lat_long(v[0], v[1], xyz(v, 2));
            return {a(r.latitude), a(r.longitude), m(r.altitude)};
        },
        none);
    add(
        "utm.extensions.lat_long_to_grid", 4,
        [](in v) -> values {
            const auto r = utm::extensions::lat_long_to_grid(v[0], v[1], v[2], v[3]);
            return {i(r.zone_out), i(r.easting), i(r.northing)};
        },
        [](in v) { return automatic_unrounded(v[0], v[1], v[2], v[3]); });

    // ---- National Grid ----
    add(
        "bng.grid_to_lat_long", 4,
        [](in v) -> values {
            const auto r = bc::grid_to_lat_long(v[0], v[1], n(v[2]), n(v[3]));
            return {a(r.latitude), a(r.longitude)};
        },
        none);
    add(
        "bng.lat_long_to_grid", 4,
        [](in v) -> values {
            const auto r = bc::lat_long_to_grid(v[0], v[1], v[2], v[3]);
            return {i(r.easting), i(r.northing)};
        },
        [](in v) -> metres {
            const auto g = bc::lat_long_to_grid_unrounded(v[0], v[1], v[2], v[3]);
            return {g.easting, g.northing};
        });
    add(
        "bng.lat_long_to_geocentric", 5,
        [](in v) -> values {
            utm::geocentric_coordinates_type p;
            bc::lat_long_to_geocentric(v[0], v[1], v[2], v[3], v[4], p);
            return xyz_values(p);
        },
        none);
    add(
        "bng.geocentric_to_lat_long", 5,
        [](in v) -> values {
            const auto r = bc::geocentric_to_lat_long(v[0], v[1], xyz(v, 2));
            return {a(r.latitude), a(r.longitude), m(r.altitude)};
        },
        none);
    add(
        "bng.is_in_overlap_region", 2,
        [](in v) -> values {
            const auto r = utm::bng::utilities::is_in_overlap_region(n(v[0]), n(v[1]));
            return {i(r.is_overlapping ? 1 : 0), i(r.overlap_zone_w), i(r.overlap_zone_e)};
        },
        none);

    // ---- Helmert transformations ----
    add(
        "datum.small_rotation_helmert", 10,
        [](in v) -> values {
            return xyz_values(dt::small_rotation_helmert_transformation(seven(v), xyz(v, 7)));
        },
        none);
    add(
        "datum.inverse_small_rotation_helmert", 10,
        [](in v) -> values {
            return xyz_values(
                dt::inverse_small_rotation_helmert_transformation(seven(v), xyz(v, 7)));
        },
        none);
    add(
        "datum.full_rotation_helmert", 10,
        [](in v) -> values { return xyz_values(dt::helmert_transformation(seven(v), xyz(v, 7))); },
        none);
    add(
        "datum.three_parameter_helmert", 6,
        [](in v) -> values {
            const dt::three_helmert_parameters_type t{{v[0], v[1], v[2]}};
            const auto forward = dt::helmert_transformation(t, xyz(v, 3));
            const auto back = dt::inverse_helmert_transformation(t, xyz(v, 3));
            return {m(forward.x), m(forward.y), m(forward.z), m(back.x), m(back.y), m(back.z)};
        },
        none);

    // ---- WGS84 and UTM to and from the National Grid, overlap zones ----
    add(
        "global_bng.from_wgs84_lat_long_to_bng", 5,
        [](in v) -> values {
            const auto r = dt::global_bng::from_wgs84_lat_long_to_bng(v[0], v[1], v[2], v[3], v[4]);
            return {i(r.easting_bng), i(r.northing_bng)};
        },
        [](in v) { return bng_unrounded(v[0], v[1], v[2], v[3], v[4]); });
    add(
        "global_bng.from_bng_to_wgs84_lat_long", 4,
        [](in v) -> values {
            const auto r = dt::global_bng::from_bng_to_wgs84_lat_long(v[0], v[1], n(v[2]), n(v[3]));
            return {a(r.latitude), a(r.longitude), m(r.altitude)};
        },
        none);
    add(
        "utm_bng.from_utm_to_bng", 5,
        [](in v) -> values {
            const auto r = dt::utm_bng::from_utm_to_bng(v[0], v[1], n(v[2]), n(v[3]), n(v[4]));
            return {i(r.easting_bng), i(r.northing_bng)};
        },
        [](in v) { return utm_to_bng_unrounded(v[0], v[1], v[2], v[3], v[4]); });
    add(
        "utm_bng.from_bng_to_utm", 4,
        [](in v) -> values {
            const auto r = dt::utm_bng::from_bng_to_utm(v[0], v[1], n(v[2]), n(v[3]));
            return {i(r.zone_utm), i(r.easting_utm), i(r.northing_utm)};
        },
        [](in v) { return bng_to_utm_unrounded(v[0], v[1], v[2], v[3]); });
    add(
        "utilities.convert_degree_to_rad", 3,
        [](in v) -> values {
            return {a(utm::utilities::convert_degree_to_rad(std::int32_t(n(v[0])),
                                                            std::int32_t(n(v[1])), v[2]))};
        },
        none);
    add(
        "utilities.is_overlapping_zone", 5,
        [](in v) -> values {
            const auto r =
                utm::utilities::is_overlapping_zone(v[0], v[1], n(v[2]), n(v[3]), n(v[4]));
            return {i(r.is_overlapping ? 1 : 0), i(r.overlap_zone)};
        },
        none);
    add(
        "utilities.convert_to_overlap_zone", 6,
        [](in v) -> values {
            const auto r = utm::utilities::convert_to_overlap_zone(v[0], v[1], n(v[2]), n(v[3]),
                                                                   n(v[4]), n(v[5]));
            return {i(r.overlap_easting), i(r.overlap_northing)};
        },
        [](in v) { return overlap_unrounded(v[0], v[1], v[2], v[3], v[4], v[5]); });

    // ---- Swiss grids ----
    add(
        "sncs.lat_long_to_grid", 3,
        [](in v) -> values {
            const auto r = sc::lat_long_to_grid(0.0, 0.0, v[1], v[2], frame(v[0]));
            return {i(r.easting), i(r.northing)};
        },
        [](in v) -> metres {
            const auto g = sc::lat_long_to_grid_unrounded(v[1], v[2], frame(v[0]));
            return {g.easting, g.northing};
        });
    add(
        "sncs.grid_to_lat_long", 3,
        [](in v) -> values {
            const auto r = sc::grid_to_lat_long(0.0, 0.0, frame(v[0]), std::int32_t(n(v[1])),
                                                std::int32_t(n(v[2])));
            return {a(r.latitude), a(r.longitude)};
        },
        none);
    add(
        "sncs.ellipsoid_latitude", 2,
        [](in v) -> values { return {a(sc::ellipsoid_latitude(v[0], int(n(v[1]))))}; }, none);
    add(
        "sncs.lat_long_to_geocentric", 4,
        [](in v) -> values {
            return xyz_values(sc::lat_long_to_geocentric(v[0], 0.0, v[1], v[2], v[3]));
        },
        none);
    add(
        "sncs.geocentric_to_lat_long", 4,
        [](in v) -> values {
            const auto r = sc::geocentric_to_lat_long(v[0], 0.0, xyz(v, 1));
            return {a(r.latitude), a(r.longitude), m(r.altitude)};
        },
        none);
    add(
        "global_sncs.datum_changes", 3,
        [](in v) -> values {
            values out;
            const auto p = xyz(v, 0);
            for (const auto& r :
                 {dt::global_sncs::chtrf95_to_lv95(p), dt::global_sncs::lv95_to_chtrf95(p),
                  dt::global_sncs::wgs84_to_lv03(p), dt::global_sncs::lv03_to_wgs84(p)}) {
                const values x = xyz_values(r);
                out.insert(out.end(), x.begin(), x.end());
            }
            return out;
        },
        none);
    add(
        "global_sncs.from_wgs84_lat_long_to_sncs", 6,
        [](in v) -> values {
            const auto r = dt::global_sncs::from_wgs84_lat_long_to_sncs(v[0], v[1], v[2], v[3],
                                                                        v[4], frame(v[5]));
            return {i(r.easting_sncs), i(r.northing_sncs)};
        },
        [](in v) -> metres {
            const auto g = dt::global_sncs::from_wgs84_lat_long_to_sncs_unrounded(
                v[0], v[1], v[2], v[3], v[4], frame(v[5]));
            return {g.easting, g.northing};
        });
    add(
        "global_sncs.from_sncs_to_wgs84_lat_long", 5,
        [](in v) -> values {
            const auto r = dt::global_sncs::from_sncs_to_wgs84_lat_long(
                v[0], v[1], frame(v[2]), std::int32_t(n(v[3])), std::int32_t(n(v[4])));
            return {a(r.latitude), a(r.longitude), m(r.altitude)};
        },
        none);
    add(
        "utm_sncs.from_sncs_to_utm", 5,
        [](in v) -> values {
            const auto r = frame(v[2]) == utm::sncs::local_reference_frame_enumeration::lv95
                               ? dt::utm_sncs::from_sncs_lv95_to_utm(v[0], v[1], n(v[3]), n(v[4]))
                               : dt::utm_sncs::from_sncs_lv03_to_utm(v[0], v[1], n(v[3]), n(v[4]));
            return {i(r.zone_utm), i(r.easting_utm), i(r.northing_utm)};
        },
        [](in v) { return sncs_to_utm_unrounded(v[0], v[1], v[2], v[3], v[4]); });
    add(
        "utm_sncs.from_utm_to_sncs", 6,
        [](in v) -> values {
            if (frame(v[2]) == utm::sncs::local_reference_frame_enumeration::lv95) {
                const auto r =
                    dt::utm_sncs::from_utm_to_sncs_lv95(v[0], v[1], n(v[3]), n(v[4]), n(v[5]));
                return {i(r.easting_sncs), i(r.northing_sncs)};
            }
            const auto r =
                dt::utm_sncs::from_utm_to_sncs_lv03(v[0], v[1], n(v[3]), n(v[4]), n(v[5]));
            return {i(r.easting_sncs), i(r.northing_sncs)};
        },
        [](in v) { return utm_to_sncs_unrounded(v[0], v[1], v[2], v[3], v[4], v[5]); });

    // ---- The exports of libtarnwick.so, with the values they write ----
    add(
        "c.convert_bng_to_utm", 2,
        [](in v) -> values {
            signed char zone = 0;
            int easting = 0;
            int northing = 0;
            initialize_api();
            convert_bng_to_utm(int(n(v[0])), int(n(v[1])), &zone, &easting, &northing);
            finalize_api();
            return {i(zone), i(easting), i(northing)};
        },
        [](in v) { return bng_to_utm_unrounded(grs80_a, grs80_b, v[0], v[1]); });
    add(
        "c.convert_utm_to_bng", 3,
        [](in v) -> values {
            int easting = 0;
            int northing = 0;
            convert_utm_to_bng(static_cast<signed char>(n(v[0])), int(n(v[1])), int(n(v[2])),
                               &easting, &northing);
            return {i(easting), i(northing)};
        },
        [](in v) { return utm_to_bng_unrounded(grs80_a, grs80_b, v[2], v[1], v[0]); });
    add(
        "c.from_bng_to_wgs84_lat_long", 2,
        [](in v) -> values {
            double latitude = 0.0;
            double longitude = 0.0;
            from_bng_to_wgs84_lat_long(int(n(v[0])), int(n(v[1])), &latitude, &longitude);
            return {a(latitude), a(longitude)};
        },
        none);
    add(
        "c.is_in_overlap_region", 2,
        [](in v) -> values {
            int flag = 0;
            signed char west = 0;
            signed char east = 0;
            is_in_overlap_region(int(n(v[0])), int(n(v[1])), &flag, &west, &east);
            return {i(flag), i(west), i(east)};
        },
        none);
    add(
        "c.is_overlapping_zone", 3,
        [](in v) -> values {
            int flag = 0;
            signed char zone = 0;
            is_overlapping_zone(static_cast<signed char>(n(v[0])), int(n(v[1])), int(n(v[2])),
                                &flag, &zone);
            return {i(flag), i(zone)};
        },
        none);
    add(
        "c.convert_to_overlap_zone", 4,
        [](in v) -> values {
            int easting = 0;
            int northing = 0;
            convert_to_overlap_zone(static_cast<signed char>(n(v[0])), int(n(v[1])), int(n(v[2])),
                                    static_cast<signed char>(n(v[3])), &easting, &northing);
            return {i(easting), i(northing)};
        },
        [](in v) { return overlap_unrounded(grs80_a, grs80_b, v[0], v[1], v[2], v[3]); });
    return ops;
}

}  // namespace

const std::vector<operation>& operations() {
    static const std::vector<operation> all = make_operations();
    return all;
}

const operation* find(std::string_view name) {
    for (const operation& op : operations()) {
        if (op.name == name)
            return &op;
    }
    return nullptr;
}

outcome evaluate(const operation& op, const std::vector<double>& inputs) {
    try {
        return {{}, op.run(inputs)};
    } catch (const global_types::failure& f) {
        return {f.what(), {}};
    } catch (const std::exception&) {
        return {"std::exception", {}};
    }
}

}  // namespace golden
