// Helmert transformations between earth-centred datums.
#include <gtest/gtest.h>

#include <cmath>

#include "utm-datum_transformations-global_bng.hpp"
#include "utm-datum_transformations.hpp"

using namespace utm::datum_transformations;
using utm::geocentric_coordinates_type;

namespace {

const geocentric_coordinates_type on_x_axis{6378137.0, 0.0, 0.0};
const geocentric_coordinates_type in_britain{3909833.018, -147097.1376, 5020322.494};

void expect_near(const geocentric_coordinates_type& got, const geocentric_coordinates_type& want,
                 double tolerance) {
    EXPECT_NEAR(got.x, want.x, tolerance);
    EXPECT_NEAR(got.y, want.y, tolerance);
    EXPECT_NEAR(got.z, want.z, tolerance);
}

}  // namespace

TEST(HelmertTransformation, ZeroParametersLeaveThePointUnchanged) {
    const seven_helmert_parameters_type seven{};
    const three_helmert_parameters_type three{};
    EXPECT_EQ(small_rotation_helmert_transformation(seven, in_britain), in_britain);
    EXPECT_EQ(inverse_small_rotation_helmert_transformation(seven, in_britain), in_britain);
    EXPECT_EQ(helmert_transformation(seven, in_britain), in_britain);
    EXPECT_EQ(helmert_transformation(three, in_britain), in_britain);
    EXPECT_EQ(inverse_helmert_transformation(three, in_britain), in_britain);
}

TEST(HelmertTransformation, ScaleAloneScalesEveryCoordinate) {
    const seven_helmert_parameters_type scale{1e-6, {}, {}};
    expect_near(small_rotation_helmert_transformation(scale, in_britain),
                {in_britain.x * 1.000001, in_britain.y * 1.000001, in_britain.z * 1.000001}, 1e-8);
    expect_near(inverse_small_rotation_helmert_transformation(scale, in_britain),
                {in_britain.x * 0.999999, in_britain.y * 0.999999, in_britain.z * 0.999999}, 1e-8);
    expect_near(helmert_transformation(scale, in_britain),
                {in_britain.x * 1.000001, in_britain.y * 1.000001, in_britain.z * 1.000001}, 1e-8);
}

TEST(HelmertTransformation, SmallAndFullRotationTurnInOppositeSenses) {
    const seven_helmert_parameters_type about_z{0.0, {}, {0.0, 0.0, 1e-6}};
    expect_near(small_rotation_helmert_transformation(about_z, on_x_axis),
                {6378137.0, 6.378137, 0.0}, 1e-9);
    const geocentric_coordinates_type full = helmert_transformation(about_z, on_x_axis);
    EXPECT_DOUBLE_EQ(full.x, 6378137.0 * std::cos(1e-6));
    EXPECT_NEAR(full.y, -6378137.0 * std::sin(1e-6), 1e-12);
    EXPECT_NEAR(full.y, -6.378137, 1e-6);
    EXPECT_EQ(full.z, 0.0);
}

TEST(HelmertTransformation, FullRotationIsTheProductOfTheThreeAxisRotations) {
    // R3(g) R2(b) R1(a) applied to the unit vectors gives the matrix's columns; a = 0.3,
    // b = -0.2, g = 0.1 are large enough to catch a sign or an order mistake.
    const double a = 0.3, b = -0.2, g = 0.1;
    const seven_helmert_parameters_type rotation{0.0, {}, {a, b, g}};
    const geocentric_coordinates_type ex = helmert_transformation(rotation, {1.0, 0.0, 0.0});
    EXPECT_NEAR(ex.x, std::cos(b) * std::cos(g), 1e-15);
    EXPECT_NEAR(ex.y, -std::cos(b) * std::sin(g), 1e-15);
    EXPECT_NEAR(ex.z, std::sin(b), 1e-15);
    const geocentric_coordinates_type ez = helmert_transformation(rotation, {0.0, 0.0, 1.0});
    // Third column of R3 R2 R1: R3 R2 (0, sin a, cos a).
    const double x2 = -std::sin(b) * std::cos(a), z2 = std::cos(b) * std::cos(a);
    EXPECT_NEAR(ez.x, std::cos(g) * x2 + std::sin(g) * std::sin(a), 1e-15);
    EXPECT_NEAR(ez.y, -std::sin(g) * x2 + std::cos(g) * std::sin(a), 1e-15);
    EXPECT_NEAR(ez.z, z2, 1e-15);
    // Translations are added after the rotation.
    const seven_helmert_parameters_type shifted{0.0, {10.0, 20.0, 30.0}, {a, b, g}};
    expect_near(helmert_transformation(shifted, {1.0, 0.0, 0.0}),
                {ex.x + 10.0, ex.y + 20.0, ex.z + 30.0}, 1e-12);
}

TEST(HelmertTransformation, ThreeParameterFormSubtractsAndItsInverseAdds) {
    const three_helmert_parameters_type shift{{1.0, 2.0, 3.0}};
    EXPECT_EQ(helmert_transformation(shift, {10.0, 10.0, 10.0}),
              (geocentric_coordinates_type{9.0, 8.0, 7.0}));
    EXPECT_EQ(inverse_helmert_transformation(shift, {9.0, 8.0, 7.0}),
              (geocentric_coordinates_type{10.0, 10.0, 10.0}));
}

TEST(HelmertTransformation, FirstOrderInverseUndoesTheBritishSetWithinMillimetres) {
    const seven_helmert_parameters_type& set =
        global_bng::start_up_wgs84_to_osgb_odn_helmert_parameters;
    const geocentric_coordinates_type there =
        small_rotation_helmert_transformation(set, in_britain);
    EXPECT_GT(std::abs(there.x - in_britain.x), 100.0);
    expect_near(inverse_small_rotation_helmert_transformation(set, there), in_britain, 0.003);
}
