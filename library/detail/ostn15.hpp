// What precise mode's block kernel takes from `utm::datum_transformations::ostn15` beyond its
// interface: the projections on GRS80 and the shift grid's steps, these without raising.
// Internal to the library.
#pragma once

#include "utm-datum_transformations-ostn15.hpp"
#include "utm-exact_transverse_mercator.hpp"

namespace utm::datum_transformations::ostn15::detail {

/// The National Grid's Transverse Mercator on GRS80, which the shifts start from.
const exact_transverse_mercator::projection& national_grid_on_grs80();

/// The UTM projection on GRS80 of the northern zone `zone` (1 .. 60, not checked).
const exact_transverse_mercator::projection& utm_zone_on_grs80(global_types::zone_integer zone);

/// The turns of the conformal sphere between the National Grid's central meridian and that of
/// a UTM zone, either way.
struct zone_turns {
    exact_transverse_mercator::meridian_turn from_national_grid;
    exact_transverse_mercator::meridian_turn to_national_grid;
};

/// The turns of the northern zone `zone` (1 .. 60, not checked).
const zone_turns& meridian_turns(global_types::zone_integer zone);

/// The process's shift grid, read at the first use; null where precise mode has no data.
const shift_grid* loaded_shift_grid() noexcept;

/// Asks the processor to fetch the shift grid's nodes around `easting`, `northing` (metres),
/// which the way back from that National Grid point reads first: a random point's nodes lie
/// beyond the processor's nearer caches. Changes no result; does nothing without data or
/// outside the shifts.
void prefetch_shifts(long_float easting, long_float northing) noexcept;

/// The National Grid point of an ETRS89 grid position, as `from_etrs89_to_bng` shifts it, into
/// `b`; false where that raises (no data, outside the shifts).
bool bng_of_etrs89_grid(const exact_transverse_mercator::grid_point& p, grid_point& b) noexcept;

}  // namespace utm::datum_transformations::ostn15::detail
