// The shift grid's steps, one source for every lane type: precise mode runs them on doubles,
// the precise block kernel on four or eight lanes. A step takes from the policy `M` the cell of a
// position (`whole_below`, `to_float`), the values of its nodes (`nodes`) and its lanes'
// arithmetic and masks (`mask`, `all`, `no_lanes`, `any`, `none`, `within`, `both`, `either`,
// `and_not`, `below`, `select`, `clamp`, `max`, `abs`). The templates have internal linkage, so
// that the kernel's copies, compiled for its processor target, never stand in for another
// unit's. Internal to the library.
#pragma once

#include "utm-datum_transformations-ostn15.hpp"

namespace utm::datum_transformations::ostn15::detail {

namespace {  // NOLINT: internal linkage on purpose, see above

/// The extent of the shifts on the ETRS89 Transverse Mercator grid, metres.
inline constexpr long_float last_easting = (shift_grid::columns - 1) * shift_grid::spacing;
inline constexpr long_float last_northing = (shift_grid::rows - 1) * shift_grid::spacing;

/// The way back stops when an iteration moves the point by less than this, metres.
inline constexpr long_float iteration_limit = 1e-4;

/// East and north shifts (metres) on lanes.
template <class T>
struct shift_of {
    T east;
    T north;
};

/// The values of a cell's four nodes on lanes, as `shift_grid::values` holds them.
template <class T>
struct nodes_of {
    T east_sw;
    T east_se;
    T east_ne;
    T east_nw;
    T north_sw;
    T north_se;
    T north_ne;
    T north_nw;
};

/// Whether positions lie inside the shifts' extent (NaN does not).
template <class M, class T>
[[gnu::always_inline]] inline typename M::mask inside_shifts(T x, T y) {
    return M::both(M::within(x, 0.0, last_easting), M::within(y, 0.0, last_northing));
}

/// The shifts (metres) at ETRS89 grid positions x, y inside the shifts' extent, interpolated
/// bilinearly between the four nodes of their 1 km cells; the last row and column of nodes
/// close the cells below them. The cell comes from products with the reciprocal of the
/// spacing: the way back runs this three times per point, each behind the last, and a
/// quotient's latency would be most of it.
template <class M, class T>
[[gnu::always_inline]] inline shift_of<T> interpolated(const shift_grid& g, T x, T y) {
    constexpr long_float per_metre = 1.0 / shift_grid::spacing;
    const T cx = x * per_metre;
    const T cy = y * per_metre;
    const auto column = M::whole_below(cx, shift_grid::columns - 2);
    const auto row = M::whole_below(cy, shift_grid::rows - 2);
    const T t = cx - M::to_float(column);
    const T u = cy - M::to_float(row);
    const nodes_of<T> v = M::nodes(g, column, row);
    const T w_sw = (1.0 - t) * (1.0 - u);
    const T w_se = t * (1.0 - u);
    const T w_ne = t * u;
    const T w_nw = (1.0 - t) * u;
    const T east = w_sw * v.east_sw + w_se * v.east_se + w_ne * v.east_ne + w_nw * v.east_nw;
    const T north = w_sw * v.north_sw + w_se * v.north_se + w_ne * v.north_ne + w_nw * v.north_nw;
    return {(east + g.east_offset_mm) * 0.001, (north + g.north_offset_mm) * 0.001};
}

/// How the way back from the National Grid ended, per lane: converged inside the shifts, or
/// left them; a lane in neither did not converge in twenty steps.
template <class M>
struct way_back_of {
    typename M::mask converged;
    typename M::mask outside;
};

/// The ETRS89 Transverse Mercator grid positions x, y (metres) of finite National Grid points,
/// iterated until a step moves them by less than `iteration_limit`; each lane stops at its own
/// step. A lane's position, where it ends `outside`, is the one outside the shifts.
template <class M, class T>
[[gnu::always_inline]] inline way_back_of<M> way_back(const shift_grid& g, T easting, T northing,
                                                      T& x, T& y) {
    // First guess: the shifts at the point itself, taken at the nearest place inside the data
    // (a point just outside may still have its ETRS89 position inside).
    const shift_of<T> first = interpolated<M>(g, M::clamp(easting, 0.0, last_easting),
                                              M::clamp(northing, 0.0, last_northing));
    x = easting - first.east;
    y = northing - first.north;
    way_back_of<M> end{M::no_lanes(), M::no_lanes()};
    typename M::mask running = M::all();
    for (int step = 0; step < 20; ++step) {
        const typename M::mask in = inside_shifts<M>(x, y);
        end.outside = M::either(end.outside, M::and_not(running, in));
        running = M::both(running, in);
        if (M::none(running)) {
            break;
        }
        // A lane that stopped is read at the origin, inside; its position stays.
        const shift_of<T> s =
            interpolated<M>(g, M::select(running, x, x * 0.0), M::select(running, y, y * 0.0));
        const T next_x = easting - s.east;
        const T next_y = northing - s.north;
        const T change = M::max(M::abs(next_x - x), M::abs(next_y - y));
        x = M::select(running, next_x, x);
        y = M::select(running, next_y, y);
        const typename M::mask done = M::both(running, M::below(change, iteration_limit));
        const typename M::mask in_after = inside_shifts<M>(x, y);
        end.converged = M::either(end.converged, M::both(done, in_after));
        end.outside = M::either(end.outside, M::and_not(done, in_after));
        running = M::and_not(running, done);
    }
    return end;
}

}  // namespace

}  // namespace utm::datum_transformations::ostn15::detail
