// The array conversions' block kernel for the four pairs of the Helmert chain: four points at
// once, the chain's steps evaluated on vectors with the platform's vector maths library
// (libmvec) where the processor has AVX2 and FMA. The vector sines, arc tangents, exponentials
// and logarithms differ from the scalar ones in their last bits, so a point whose result lies
// near a decision of the chain (a half metre, a grid edge, a zone boundary, a steep tangent, a
// quarter turn) is left to the point-by-point way, as is every point that fails: the kernel
// writes only results that the scalar chain gives too (grid integers identical, angles within
// about 1e-15 rad). Internal to the library.
#pragma once

#include <cstddef>
#include <cstdint>

#include "batch.hpp"

namespace batch::simd {

/// The pairs the kernel converts, each by the Helmert chain, UTM in the zone of the longitude.
enum class chain_pair : std::uint8_t { bng_to_utm, bng_to_wgs84, utm_to_bng, wgs84_to_bng };

/// Points per block.
inline constexpr std::size_t block_size = 4;

/// Whether this processor and build run the kernel (x86-64 with AVX2 and FMA); decided once.
bool available() noexcept;

/// Converts points `first` .. `first + count - 1` (`count` at most `block_size`) of `in` by
/// `pair` into `out` and returns a bit per point (bit k for point `first + k`), set where the
/// point converted and its results and `ok` status are written. The other points are not
/// written: convert them one by one. Returns 0 where the kernel is not `available`.
unsigned convert_block(chain_pair pair, const points& in, const results& out, std::size_t first,
                       std::size_t count) noexcept;

}  // namespace batch::simd
