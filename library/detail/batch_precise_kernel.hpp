// The precise block kernel's body, written once for every vector width: precise mode's four
// pairs on `lanes_per_block` points at once. A kernel unit (library/batch_precise_simd.cpp for
// AVX2, library/batch_precise_simd_avx512.cpp for AVX-512) includes it after including the
// projection's and the shift grid's steps between TARNWICK_KERNEL_BEGIN and TARNWICK_KERNEL_END
// and defining, for its own width and processor target, in batch::precise_simd's unnamed
// namespace:
//   vec              the vector of `lanes_per_block` doubles (a vector extension type);
//   lanes_per_block  points per vector;
//   vector_math      the projection steps' policy on `vec` (see
//                    detail/exact_transverse_mercator_steps.hpp), with atan and tan, and
//                    bits(mask), a bit per lane where the mask holds, and not_above(x, y), the
//                    lanes where x > y does not hold;
//   vector_lanes     the shift grid steps' policy on `vec` (see detail/ostn15_steps.hpp), its
//                    masks those of `vector_math`;
//   TARNWICK_KERNEL_TARGET  its processor target (a string, for detail/batch_simd.hpp's
//                    TARNWICK_KERNEL and TARNWICK_KERNEL_INLINE).
// Everything here has internal linkage, so each unit gets its own copy compiled for its target.
// Internal to the library.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

#include "global_types.hpp"
#include "low_level_math.hpp"
#include "utm-bng.hpp"
#include "utm-datum_transformations-ostn15.hpp"
#include "utm-exact_transverse_mercator.hpp"

#include "detail/batch_input.hpp"
#include "detail/batch_precise_simd.hpp"
#include "detail/batch_simd.hpp"
#include "detail/ostn15.hpp"
#include "detail/utm.hpp"

namespace batch::precise_simd {
namespace {

using global_types::long_float;
using low_level_math::degrees_per_radian;
namespace etm = utm::exact_transverse_mercator;
namespace ostn15 = utm::datum_transformations::ostn15;

using sphere_vec = etm::detail::sphere_of<vec>;

// Every function below runs only where the kernel runs: all are compiled for its target (so
// that rounding, for one, is an instruction rather than a call).

// Distance from a decision within which the vector results' last bits could decide otherwise
// than the scalar ones (some 1e-9 m on the grids, 1e-15 in a zone number).
constexpr long_float near_grid_decision = 1e-6;  // metres
constexpr long_float near_zone_boundary = 1e-9;  // zones (under a millimetre)
// Away from a quarter turn from a central meridian, where the scalar steps refuse the point.
constexpr long_float least_cosine = 0.01;

TARNWICK_KERNEL_INLINE vec load(const long_float (&x)[lanes_per_block]) {
    vec v;
    std::memcpy(&v, x, sizeof v);
    return v;
}
TARNWICK_KERNEL_INLINE void store(vec v, long_float (&x)[lanes_per_block]) {
    std::memcpy(x, &v, sizeof v);
}

/// Whether `v` lies within the vectors' doubt of `edge`.
TARNWICK_KERNEL bool near(long_float v, long_float edge) {
    return std::fabs(v - edge) < near_grid_decision;
}

/// Whether `v` is in `first` .. `last` and far enough from both edges and from a half metre
/// that the scalar steps decide as the vectors do.
TARNWICK_KERNEL bool clearly_inside(long_float v, long_float first, long_float last) {
    return v >= first && v <= last && !near(v, first) && !near(v, last) &&
           !near(v - std::floor(v), 0.5);
}

/// Whether an ETRS89 grid position is clearly inside the shifts' extent.
TARNWICK_KERNEL bool clearly_on_shifts(const etm::grid_point& p) {
    using ostn15::detail::last_easting;
    using ostn15::detail::last_northing;
    return p.easting > near_grid_decision && p.easting < last_easting - near_grid_decision &&
           p.northing > near_grid_decision && p.northing < last_northing - near_grid_decision;
}

/// A grid value read as the arrays read precise mode's: unrounded, in `first` .. `last`.
TARNWICK_KERNEL bool exact_value(double v, long_float first, long_float last, long_float& value) {
    return input::grid_value(v, first, last, true, value) == input_fault::none;
}

/// The block's lanes: grid coordinates in, results out, zones; a lane in `doubt` holds a
/// harmless stand-in.
struct block {
    long_float e[lanes_per_block];
    long_float n[lanes_per_block];
    int zone[lanes_per_block];
};

/// The conformal sphere of the grid points of `b` on the projection `tm`.
TARNWICK_KERNEL_INLINE sphere_vec sphere_of_block(const etm::projection& tm, const block& b) {
    const vec xi = (load(b.n) - tm.northing_of_equator) / tm.scaled_rectifying_axis;
    const vec eta = (load(b.e) - tm.parameters.false_easting) / tm.scaled_rectifying_axis;
    return etm::detail::sphere_at<vector_math>(tm, xi, eta);
}

/// The sphere points `s` turned by each lane's zone (`to_zone`: from the National Grid to the
/// zone, else back) and projected on `tm` into `b`; a lane near a quarter turn joins `doubt`.
TARNWICK_KERNEL_INLINE void project_turned(const etm::projection& tm, const sphere_vec& s,
                                           bool to_zone, block& b, unsigned& doubt) {
    long_float c[lanes_per_block];
    long_float sn[lanes_per_block];
    for (std::size_t k = 0; k < lanes_per_block; ++k) {
        const ostn15::detail::zone_turns& t =
            ostn15::detail::meridian_turns(global_types::zone_integer(b.zone[k]));
        const etm::meridian_turn& turn = to_zone ? t.from_national_grid : t.to_national_grid;
        c[k] = turn.cos_turn;
        sn[k] = turn.sin_turn;
    }
    const etm::detail::complex_of<vec> l = etm::detail::turned(s, load(c), load(sn));
    doubt |= vector_math::bits(vector_math::not_above(l.re, least_cosine));
    const etm::detail::grid_of<vec> g =
        etm::detail::grid_of_sphere<vector_math>(tm, s.sin_xi, l.re, l.im);
    store(g.easting, b.e);
    store(g.northing, b.n);
}

/// Writes the grid results of lane `k` into point `i`, the zone too where `zone` is set; the
/// values are `clearly_inside` their ranges.
TARNWICK_KERNEL void write_grid(const block& b, std::size_t k, const results& out, std::size_t i,
                                bool zone) {
    out.status[i] = point_status::none;
    // The nearest whole metre; a value this far from a half metre has no tie to break, so the
    // processor's rounding (to even, one instruction) gives the library's (away from zero).
    out.easting[i] = static_cast<std::int32_t>(std::rint(b.e[k]));
    out.northing[i] = static_cast<std::int32_t>(std::rint(b.n[k]));
    if (!out.easting_metres.empty()) {
        out.easting_metres[i] = b.e[k];
        out.northing_metres[i] = b.n[k];
    }
    if (zone) {
        out.zone[i] = b.zone[k];
    }
}

/// The ETRS89 grid positions of the block's National Grid points on their way back, in `b`;
/// a point that cannot be read or that fails joins `doubt`.
TARNWICK_KERNEL block etrs89_grid_of_block(const points& in, std::size_t first, std::size_t count,
                                           unsigned& doubt) {
    using utm::bng::easting_integer_bng;
    using utm::bng::northing_integer_bng;
    long_float e[lanes_per_block];
    long_float n[lanes_per_block];
    for (std::size_t k = 0; k < lanes_per_block; ++k) {
        if (k >= count ||
            !exact_value(in.easting[first + k], easting_integer_bng::first,
                         easting_integer_bng::last, e[k]) ||
            !exact_value(in.northing[first + k], northing_integer_bng::first,
                         northing_integer_bng::last, n[k])) {
            doubt |= 1U << k;
            e[k] = 400000.0;
            n[k] = 400000.0;
        }
    }
    // The nodes the way back reads first, for the points two blocks on.
    const std::size_t ahead = first + 2 * lanes_per_block;
    for (std::size_t i = ahead; i < ahead + lanes_per_block && i < in.easting.size(); ++i) {
        ostn15::detail::prefetch_shifts(in.easting[i], in.northing[i]);
    }
    block b{};
    const ostn15::shift_grid* g = ostn15::detail::loaded_shift_grid();
    if (g == nullptr) {
        doubt = (1U << lanes_per_block) - 1;
        return b;
    }
    vec x{};
    vec y{};
    const ostn15::detail::way_back_of<vector_lanes> end =
        ostn15::detail::way_back<vector_lanes>(*g, load(e), load(n), x, y);
    doubt |= ~vector_math::bits(end.converged) & ((1U << lanes_per_block) - 1);
    store(x, b.e);
    store(y, b.n);
    for (std::size_t k = 0; k < lanes_per_block; ++k) {
        if ((doubt >> k & 1U) != 0 || !clearly_on_shifts({b.e[k], b.n[k]})) {
            doubt |= 1U << k;
            b.e[k] = 400000.0;
            b.n[k] = 400000.0;
        }
    }
    return b;
}

/// National Grid -> UTM in the zone of the ETRS89 longitude.
TARNWICK_KERNEL unsigned bng_to_utm(const points& in, const results& out, std::size_t first,
                                    std::size_t count) {
    unsigned doubt = 0;
    block b = etrs89_grid_of_block(in, first, count, doubt);
    const etm::projection& ng = ostn15::detail::national_grid_on_grs80();
    const sphere_vec s = sphere_of_block(ng, b);
    long_float longitude[lanes_per_block];
    store(vector_math::atan2(s.sinh_eta, s.cos_xi) + ng.parameters.central_meridian, longitude);
    for (std::size_t k = 0; k < lanes_per_block; ++k) {
        // The standard zone of the longitude; a boundary meridian belongs to the zone east of
        // it, so a longitude about on one is left to the scalar steps.
        const long_float q = utm::detail::zone_quotient(longitude[k]);
        const long_float z = std::floor(q);
        if (!(q - z >= near_zone_boundary && q - z <= 1.0 - near_zone_boundary && z >= 1.0 &&
              z <= 60.0)) {
            doubt |= 1U << k;
        }
        b.zone[k] = (doubt >> k & 1U) != 0 ? 30 : static_cast<int>(z);
    }
    project_turned(ostn15::detail::utm_zone_on_grs80(global_types::zone_integer(30)), s, true, b,
                   doubt);
    unsigned done = 0;
    for (std::size_t k = 0; k < count; ++k) {
        if ((doubt >> k & 1U) == 0 &&
            clearly_inside(b.e[k], global_types::easting_integer::first,
                           global_types::easting_integer::last) &&
            clearly_inside(b.n[k], global_types::northing_integer::first,
                           global_types::northing_integer::last)) {
            write_grid(b, k, out, first + k, true);
            done |= 1U << k;
        }
    }
    return done;
}

/// Writes the National Grid points of the ETRS89 grid positions in `b` into points
/// `first` .. `first + count - 1` where they are clearly on the shifts and in the grid's range;
/// returns a bit per point written.
TARNWICK_KERNEL unsigned write_national_grid(block& b, unsigned doubt, const results& out,
                                             std::size_t first, std::size_t count) {
    unsigned done = 0;
    for (std::size_t k = 0; k < count; ++k) {
        ostn15::grid_point g{};
        if ((doubt >> k & 1U) == 0 && clearly_on_shifts({b.e[k], b.n[k]}) &&
            ostn15::detail::bng_of_etrs89_grid({b.e[k], b.n[k]}, g) &&
            clearly_inside(g.easting, utm::bng::easting_integer_bng::first,
                           utm::bng::easting_integer_bng::last) &&
            clearly_inside(g.northing, utm::bng::northing_integer_bng::first,
                           utm::bng::northing_integer_bng::last)) {
            b.e[k] = g.easting;
            b.n[k] = g.northing;
            write_grid(b, k, out, first + k, false);
            done |= 1U << k;
        }
    }
    return done;
}

/// UTM (zones 29 .. 31) -> National Grid.
TARNWICK_KERNEL unsigned utm_to_bng(const points& in, const results& out, std::size_t first,
                                    std::size_t count) {
    unsigned doubt = 0;
    block b{};
    for (std::size_t k = 0; k < lanes_per_block; ++k) {
        const double zone = k < count ? in.zone[first + k] : 0.0;
        if (k >= count || !input::is_zone(zone) || zone < 29.0 || zone > 31.0 ||
            !exact_value(in.easting[first + k], global_types::easting_integer::first,
                         global_types::easting_integer::last, b.e[k]) ||
            !exact_value(in.northing[first + k], global_types::northing_integer::first,
                         global_types::northing_integer::last, b.n[k]) ||
            b.n[k] > 9000000.0) {  // far from the pole, where the scalar steps decide
            doubt |= 1U << k;
            b.e[k] = 500000.0;
            b.n[k] = 6000000.0;
        }
        b.zone[k] = (doubt >> k & 1U) != 0 ? 30 : static_cast<int>(zone);
    }
    // The UTM zones differ in their central meridians alone, which the turns carry.
    const sphere_vec s =
        sphere_of_block(ostn15::detail::utm_zone_on_grs80(global_types::zone_integer(30)), b);
    project_turned(ostn15::detail::national_grid_on_grs80(), s, false, b, doubt);
    return write_national_grid(b, doubt, out, first, count);
}

/// National Grid -> ETRS89 latitude and longitude (degrees).
TARNWICK_KERNEL unsigned bng_to_geo(const points& in, const results& out, std::size_t first,
                                    std::size_t count) {
    unsigned doubt = 0;
    const block b = etrs89_grid_of_block(in, first, count, doubt);
    const etm::projection& ng = ostn15::detail::national_grid_on_grs80();
    const sphere_vec s = sphere_of_block(ng, b);
    vector_math::mask running{};
    const vec tau = etm::detail::geodetic_tan<vector_math>(
        s.sin_xi / vector_math::hypot(s.sinh_eta, s.cos_xi), ng.e, ng.e2, running);
    doubt |= vector_math::bits(running);
    long_float latitude[lanes_per_block];
    long_float longitude[lanes_per_block];
    store(vector_math::atan(tau) * degrees_per_radian, latitude);
    store((vector_math::atan2(s.sinh_eta, s.cos_xi) + ng.parameters.central_meridian) *
              degrees_per_radian,
          longitude);
    unsigned done = 0;
    for (std::size_t k = 0; k < count; ++k) {
        // Far from the antimeridian, where the scalar steps bring the longitude back.
        if ((doubt >> k & 1U) == 0 && std::fabs(longitude[k]) < 170.0) {
            out.status[first + k] = point_status::none;
            out.latitude[first + k] = latitude[k];
            out.longitude[first + k] = longitude[k];
            done |= 1U << k;
        }
    }
    return done;
}

/// ETRS89 (or WGS84) latitude and longitude (degrees) -> National Grid.
TARNWICK_KERNEL unsigned geo_to_bng(const points& in, const results& out, std::size_t first,
                                    std::size_t count) {
    unsigned doubt = 0;
    long_float phi[lanes_per_block];
    long_float lambda[lanes_per_block];
    const etm::projection& ng = ostn15::detail::national_grid_on_grs80();
    for (std::size_t k = 0; k < lanes_per_block; ++k) {
        const double lat = k < count ? in.latitude[first + k] : 0.0;
        const double lon = k < count ? in.longitude[first + k] : 0.0;
        // Away from the poles and from a quarter turn from the central meridian, where the
        // scalar steps decide.
        if (k >= count || input::latitude_fault(lat) != input_fault::none ||
            input::longitude_fault(lon) != input_fault::none || std::fabs(lat) > 85.0 ||
            std::fabs(lon / degrees_per_radian - ng.parameters.central_meridian) > 1.5) {
            doubt |= 1U << k;
            phi[k] = 0.9;
            lambda[k] = 0.0;
        } else {
            phi[k] = lat / degrees_per_radian;
            lambda[k] = lon / degrees_per_radian;
        }
    }
    const vec delta_lambda = load(lambda) - ng.parameters.central_meridian;
    const etm::detail::grid_of<vec> g = etm::detail::grid_of_sphere<vector_math>(
        ng, etm::detail::conformal_tan<vector_math>(vector_math::tan(load(phi)), ng.e),
        vector_math::cos(delta_lambda), vector_math::sin(delta_lambda));
    block b{};
    store(g.easting, b.e);
    store(g.northing, b.n);
    return write_national_grid(b, doubt, out, first, count);
}

/// Points `first` .. `first + count - 1` (`count` at most `lanes_per_block`) by `pair`.
unsigned convert_lanes(precise_pair pair, const points& in, const results& out, std::size_t first,
                       std::size_t count) noexcept {
    switch (pair) {
        case precise_pair::bng_to_utm:
            return bng_to_utm(in, out, first, count);
        case precise_pair::utm_to_bng:
            return utm_to_bng(in, out, first, count);
        case precise_pair::bng_to_geo:
            return bng_to_geo(in, out, first, count);
        case precise_pair::geo_to_bng:
            return geo_to_bng(in, out, first, count);
        case precise_pair::none:
            break;
    }
    return 0;
}

}  // namespace
}  // namespace batch::precise_simd
