#include "utm-datum_transformations.hpp"

#include "low_level_math.hpp"

#include "detail/chain_steps.hpp"

namespace utm::datum_transformations {

namespace {

/// Rows 1 .. 3 of a Helmert matrix; column 0 takes the 1 of the homogeneous vector
/// (1, x, y, z), columns 1 .. 3 take x, y, z.
using helmert_matrix_type = std::array<std::array<long_float, 4>, 3>;

/// Each result component starts at 0 and accumulates helmert_matrix(i, k) * coordinates_in(k)
/// for k = 0, 1, 2, 3 in that order.
utm::geocentric_coordinates_type apply(const helmert_matrix_type& helmert_matrix,
                                       const utm::geocentric_coordinates_type& point) {
    const std::array<long_float, 4> coordinates_in{1.0, point.x, point.y, point.z};
    std::array<long_float, 3> result{};
    for (std::size_t i = 0; i < 3; ++i) {
        result[i] = 0.0;
        for (std::size_t k = 0; k < 4; ++k) {
            result[i] += helmert_matrix[i][k] * coordinates_in[k];
        }
    }
    return {result[0], result[1], result[2]};
}

}  // namespace

utm::geocentric_coordinates_type small_rotation_helmert_transformation(
    const seven_helmert_parameters_type& seven_helmert_parameters,
    const utm::geocentric_coordinates_type& geocentric_coordinates_in) {
    const utm::detail::xyz_of<long_float> g = utm::detail::small_rotation_helmert(
        seven_helmert_parameters,
        utm::detail::xyz_of<long_float>{geocentric_coordinates_in.x, geocentric_coordinates_in.y,
                                        geocentric_coordinates_in.z});
    return {g.x, g.y, g.z};
}

utm::geocentric_coordinates_type inverse_small_rotation_helmert_transformation(
    const seven_helmert_parameters_type& seven_helmert_parameters,
    const utm::geocentric_coordinates_type& geocentric_coordinates_in) {
    const utm::detail::xyz_of<long_float> g = utm::detail::inverse_small_rotation_helmert(
        seven_helmert_parameters,
        utm::detail::xyz_of<long_float>{geocentric_coordinates_in.x, geocentric_coordinates_in.y,
                                        geocentric_coordinates_in.z});
    return {g.x, g.y, g.z};
}

utm::geocentric_coordinates_type helmert_transformation(
    const three_helmert_parameters_type& three_helmert_parameters,
    const utm::geocentric_coordinates_type& geocentric_coordinates_in) {
    const auto [t1, t2, t3] = three_helmert_parameters.translations;
    return {geocentric_coordinates_in.x - t1, geocentric_coordinates_in.y - t2,
            geocentric_coordinates_in.z - t3};
}

utm::geocentric_coordinates_type inverse_helmert_transformation(
    const three_helmert_parameters_type& three_helmert_parameters,
    const utm::geocentric_coordinates_type& geocentric_coordinates_in) {
    const auto [t1, t2, t3] = three_helmert_parameters.translations;
    return {geocentric_coordinates_in.x + t1, geocentric_coordinates_in.y + t2,
            geocentric_coordinates_in.z + t3};
}

utm::geocentric_coordinates_type helmert_transformation(
    const seven_helmert_parameters_type& seven_helmert_parameters,
    const utm::geocentric_coordinates_type& geocentric_coordinates_in) {
    const long_float alpha = seven_helmert_parameters.rotations[0];
    const long_float beta = seven_helmert_parameters.rotations[1];
    const long_float gamma = seven_helmert_parameters.rotations[2];
    const long_float dx = seven_helmert_parameters.translations[0];
    const long_float dy = seven_helmert_parameters.translations[1];
    const long_float dz = seven_helmert_parameters.translations[2];
    const long_float m_frac = seven_helmert_parameters.scale_factor_minus_one;

    const long_float ca = low_level_math::cos(alpha);
    const long_float sa = low_level_math::sin(alpha);
    const long_float cb = low_level_math::cos(beta);
    const long_float sb = low_level_math::sin(beta);
    const long_float cg = low_level_math::cos(gamma);
    const long_float sg = low_level_math::sin(gamma);

    // R3(gamma) R2(beta) R1(alpha), coordinate-frame convention; the scale multiplies only the
    // diagonal.
    const helmert_matrix_type helmert_matrix{{
        {dx, (1.0 + m_frac) * cb * cg, ca * sg + sa * sb * cg, sa * sg - ca * sb * cg},
        {dy, -cb * sg, (1.0 + m_frac) * (ca * cg - sa * sb * sg), sa * cg + ca * sb * sg},
        {dz, sb, -sa * cb, (1.0 + m_frac) * ca * cb},
    }};
    return apply(helmert_matrix, geocentric_coordinates_in);
}

}  // namespace utm::datum_transformations
