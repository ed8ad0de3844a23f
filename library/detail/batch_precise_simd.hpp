// The array conversions' block kernel for precise mode from the National Grid to UTM and
// ETRS89 (or WGS84 taken as ETRS89) and back: four
// points at once, the exact Transverse Mercator's steps on vectors with the platform's vector
// maths library where the processor has AVX2 and FMA (as `simd::available` says), the shift
// grid point by point. The vector functions differ from the scalar ones in their last bits
// (some 1e-9 m on the grids), so a point whose result lies near a decision (a half metre, the
// edge of a range or of the shifts, a zone boundary) is left to the point-by-point way, as is
// every point that fails. Internal to the library.
#pragma once

#include <cstddef>
#include <cstdint>

#include "batch.hpp"

namespace batch::precise_simd {

/// The pairs the kernel converts by OSTN15, UTM in the zone of the longitude; `geo`: ETRS89
/// or WGS84.
enum class precise_pair : std::uint8_t { none, bng_to_utm, utm_to_bng, bng_to_geo, geo_to_bng };

/// The kernel's pair for `c` on `in`; `none` where it takes none (other pairs and methods, a
/// zone chosen, the alternative zone, bands given).
precise_pair pair_of(const conversion& c, const points& in) noexcept;

/// Converts points `first` .. `first + count - 1` (`count` at most `simd::block_size`) of `in`
/// by `pair` into `out` and returns a bit per point (bit k for point `first + k`), set where
/// the point converted and its results and `none` status are written. The other points are
/// not written: convert them one by one. Returns 0 where the kernel does not run here.
unsigned convert_block(precise_pair pair, const points& in, const results& out, std::size_t first,
                       std::size_t count) noexcept;

}  // namespace batch::precise_simd
