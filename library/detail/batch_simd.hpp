// The array conversions' block kernel for the four pairs of the Helmert chain: a block of
// points at once, the chain's steps evaluated on vectors with the platform's vector maths
// library (libmvec), eight lanes where the processor has AVX-512, else four where it has AVX2
// and FMA (chosen at run time). The vector sines, arc tangents, exponentials and logarithms
// differ from the scalar ones in their last bits, so a point whose result lies near a decision
// of the chain (a half metre, a grid edge, a zone boundary, a steep tangent, a quarter turn) is
// left to the point-by-point way, as is every point that fails: the kernel writes only results
// that the scalar chain gives too (grid integers identical, angles within about 1e-15 rad).
// Internal to the library.
#pragma once

#include <cstddef>
#include <cstdint>

#include "batch.hpp"

#if defined(__x86_64__) && defined(__GLIBC__)
#define TARNWICK_VECTOR_CHAIN 1
// The attributes of a kernel unit's functions: the processor target that unit names in
// TARNWICK_KERNEL_TARGET (a string), and for the steps, always inlined.
#define TARNWICK_KERNEL __attribute__((target(TARNWICK_KERNEL_TARGET)))
#define TARNWICK_KERNEL_INLINE __attribute__((target(TARNWICK_KERNEL_TARGET), always_inline)) inline
// The same target over the step templates included between TARNWICK_KERNEL_BEGIN and
// TARNWICK_KERNEL_END (templates of internal linkage, so that a kernel unit's copies never
// stand in for another unit's).
#define TARNWICK_KERNEL_PRAGMA_TEXT(text) _Pragma(#text)
#define TARNWICK_KERNEL_PRAGMA(text) TARNWICK_KERNEL_PRAGMA_TEXT(text)
#if defined(__clang__)
#define TARNWICK_KERNEL_BEGIN \
    TARNWICK_KERNEL_PRAGMA(clang attribute push(TARNWICK_KERNEL, apply_to = function))
#define TARNWICK_KERNEL_END _Pragma("clang attribute pop")
#else
#define TARNWICK_KERNEL_BEGIN \
    _Pragma("GCC push_options") TARNWICK_KERNEL_PRAGMA(GCC target(TARNWICK_KERNEL_TARGET))
#define TARNWICK_KERNEL_END _Pragma("GCC pop_options")
#endif
#endif

namespace batch::simd {

/// The pairs the kernel converts, each by the Helmert chain, UTM in the zone of the longitude.
enum class chain_pair : std::uint8_t { bng_to_utm, bng_to_wgs84, utm_to_bng, wgs84_to_bng };

/// The kernel's vector widths, each faster than the one before it.
enum class kernel : std::uint8_t { none, avx2, avx512 };

/// Points per block: the widest vector's lanes.
inline constexpr std::size_t block_size = 8;

/// The widest kernel this processor and build run (AVX-512 F and DQ; AVX2 and FMA; x86-64 with
/// glibc only); decided once.
kernel best_kernel() noexcept;

/// Whether this processor and build run a kernel at all.
inline bool available() noexcept {
    return best_kernel() != kernel::none;
}

/// Converts points `first` .. `first + count - 1` (`count` at most `block_size`) of `in` by
/// `pair` into `out` on the kernel `k` (at most `best_kernel()`; the AVX2 one takes the block
/// in two halves) and returns a bit per point (bit k for point `first + k`), set where the
/// point converted and its results and `ok` status are written. The other points are not
/// written: convert them one by one. Returns 0 where `k` does not run here.
unsigned convert_block(chain_pair pair, const points& in, const results& out, std::size_t first,
                       std::size_t count, kernel k) noexcept;

/// The same on the best kernel.
inline unsigned convert_block(chain_pair pair, const points& in, const results& out,
                              std::size_t first, std::size_t count) noexcept {
    return convert_block(pair, in, out, first, count, best_kernel());
}

/// The AVX-512 unit's entry: `convert_block` on that kernel, for a processor that runs it.
unsigned convert_on_avx512(chain_pair pair, const points& in, const results& out, std::size_t first,
                           std::size_t count) noexcept;

}  // namespace batch::simd
