// Module `utm::datum_transformations`: Helmert transformations that move earth-centred
// coordinates from one geodetic datum to another.
//
// The two seven-parameter forms use opposite rotation conventions: the small-rotation form
// the position-vector convention (a positive r3 turns the +x axis towards +y), the
// full-rotation form the coordinate-frame convention. A parameter set belongs to its form.
#pragma once

#include <array>

#include "global_types.hpp"
#include "utm.hpp"

namespace utm::datum_transformations {

using global_types::long_float;

/// GRS80 semi-major axis, metres (the ellipsoid's definition, as the Ordnance Survey's guide to
/// coordinate systems in Great Britain gives it).
inline constexpr long_float major_axis_grs80 = 6378137.0;
/// GRS80 semi-minor axis, metres.
inline constexpr long_float minor_axis_grs80 = 6356752.3141;

/// Translations in metres: element [0] along x, [1] along y, [2] along z.
using translations_type = std::array<long_float, 3>;
/// Rotations in radians: element [0] about the x axis, [1] about y, [2] about z.
using rotations_type = std::array<long_float, 3>;

/// Seven Helmert parameters: scale correction s (dimensionless, ppm * 1e-6), translations,
/// rotations.
struct seven_helmert_parameters_type {
    long_float scale_factor_minus_one = 0.0;
    translations_type translations{};
    rotations_type rotations{};
    friend bool operator==(const seven_helmert_parameters_type&,
                           const seven_helmert_parameters_type&) = default;
};

/// Three Helmert parameters: translations only.
struct three_helmert_parameters_type {
    translations_type translations{};
    friend bool operator==(const three_helmert_parameters_type&,
                           const three_helmert_parameters_type&) = default;
};

/// Seven-parameter transformation with small-angle rotations (position-vector convention):
/// x' = t1 + (1 + s) x - r3 y + r2 z, and likewise for y' and z'. Raises nothing.
utm::geocentric_coordinates_type small_rotation_helmert_transformation(
    const seven_helmert_parameters_type& seven_helmert_parameters,
    const utm::geocentric_coordinates_type& geocentric_coordinates_in);

/// First-order inverse of `small_rotation_helmert_transformation` (translations removed, then
/// the transposed rotation with 1 - s): within a few millimetres for s ~ 2e-5 and rotations
/// ~ 4e-6. Raises nothing.
utm::geocentric_coordinates_type inverse_small_rotation_helmert_transformation(
    const seven_helmert_parameters_type& seven_helmert_parameters,
    const utm::geocentric_coordinates_type& geocentric_coordinates_in);

/// Three-parameter transformation: subtracts the translations. Raises nothing.
utm::geocentric_coordinates_type helmert_transformation(
    const three_helmert_parameters_type& three_helmert_parameters,
    const utm::geocentric_coordinates_type& geocentric_coordinates_in);

/// Inverse of the three-parameter transformation: adds the translations. Raises nothing.
utm::geocentric_coordinates_type inverse_helmert_transformation(
    const three_helmert_parameters_type& three_helmert_parameters,
    const utm::geocentric_coordinates_type& geocentric_coordinates_in);

/// Seven-parameter transformation with the full rotation R3(gamma) R2(beta) R1(alpha)
/// (coordinate-frame convention); the scale multiplies only the diagonal. There is no inverse:
/// use a separate parameter set for the way back. Raises nothing for finite parameters.
utm::geocentric_coordinates_type helmert_transformation(
    const seven_helmert_parameters_type& seven_helmert_parameters,
    const utm::geocentric_coordinates_type& geocentric_coordinates_in);

}  // namespace utm::datum_transformations
