// The array conversions' block kernel for precise mode from the National Grid to UTM and
// ETRS89 (or WGS84 taken as ETRS89) and back: eight points at once where the processor has
// AVX-512, else four where it has AVX2 and FMA (chosen at run time, as `simd::best_kernel`
// says), the exact Transverse Mercator's and the shift grid's steps on vectors with the
// platform's vector maths library. The vector functions differ from the scalar ones in their
// last bits (some 1e-9 m on the grids), so a point whose result lies near a decision (a half
// metre, the edge of a range or of the shifts, a zone boundary) is left to the point-by-point
// way, as is every point that fails. Internal to the library.
#pragma once

#include <cstddef>
#include <cstdint>

#include "batch.hpp"
#include "detail/batch_simd.hpp"

namespace batch::precise_simd {

/// The pairs the kernel converts by OSTN15, UTM in the zone of the longitude; `geo`: ETRS89
/// or WGS84.
enum class precise_pair : std::uint8_t { none, bng_to_utm, utm_to_bng, bng_to_geo, geo_to_bng };

/// The kernel's pair for `c` on `in`; `none` where it takes none (other pairs and methods, a
/// zone chosen, the alternative zone, bands given).
precise_pair pair_of(const conversion& c, const points& in) noexcept;

/// Converts points `first` .. `first + count - 1` (`count` at most `simd::block_size`) of `in`
/// by `pair` into `out` on the kernel `k` (at most `simd::best_kernel()`; the AVX2 one takes
/// the block in two halves) and returns a bit per point (bit k for point `first + k`), set
/// where the point converted and its results and `none` status are written. The other points
/// are not written: convert them one by one. Returns 0 where `k` does not run here.
unsigned convert_block(precise_pair pair, const points& in, const results& out, std::size_t first,
                       std::size_t count, simd::kernel k) noexcept;

/// The same on the best kernel.
inline unsigned convert_block(precise_pair pair, const points& in, const results& out,
                              std::size_t first, std::size_t count) noexcept {
    return convert_block(pair, in, out, first, count, simd::best_kernel());
}

/// The AVX-512 unit's entry: `convert_block` on that kernel, for a processor that runs it.
unsigned convert_on_avx512(precise_pair pair, const points& in, const results& out,
                           std::size_t first, std::size_t count) noexcept;

}  // namespace batch::precise_simd
