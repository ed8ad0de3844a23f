// Numbers and angles in fields: what is accepted, what is refused, how angles are written.

#include <gtest/gtest.h>

#include <cmath>

#include "text_values.hpp"
#include "utm-bng.hpp"

namespace tarnwick_convert {
namespace {

TEST(ParseNumber, AcceptsDecimalNumbersWithBlanksAndPlus) {
    EXPECT_EQ(parse_number(" 651410 ", "x"), 651410.0);
    EXPECT_EQ(parse_number("+1.5", "x"), 1.5);
    EXPECT_EQ(parse_number("-0.25", "x"), -0.25);
    EXPECT_EQ(parse_number("1e3", "x"), 1000.0);
}

TEST(ParseNumber, RefusesWhatIsNotAFiniteNumber) {
    for (const char* text :
         {"", "  ", "abc", "12abc", "1,5", "nan", "inf", "-inf", "+-1", "++1", "0x10", "1 2"}) {
        EXPECT_THROW(parse_number(text, "x"), global_types::constraint_error) << text;
    }
}

TEST(ParseGridValue, RoundsHalvesAwayFromZeroAndChecksTheRange) {
    using easting = utm::bng::easting_integer_bng;
    EXPECT_EQ(parse_grid_value<easting>("651410.5", "e").value(), 651411);
    EXPECT_EQ(parse_grid_value<easting>("700000.4", "e").value(), 700000);
    EXPECT_EQ(parse_grid_value<easting>("-0.4", "e").value(), 0);
    EXPECT_THROW(parse_grid_value<easting>("700000.5", "e"), global_types::constraint_error);
    try {
        parse_grid_value<easting>("-1", "BNG easting");
        FAIL();
    } catch (const global_types::constraint_error& e) {
        EXPECT_EQ(e.message(), "BNG easting -1 is outside 0 .. 700000");
    }
}

TEST(ParseZone, WholeZonesWithHemisphereSign) {
    EXPECT_EQ(parse_zone("31").value(), 31);
    EXPECT_EQ(parse_zone(" -34 ").value(), -34);
    EXPECT_EQ(parse_zone("+60").value(), 60);
    for (const char* text : {"0", "61", "-61", "30.5", "30U", "", "x"}) {
        EXPECT_THROW(parse_zone(text), global_types::constraint_error) << text;
    }
}

TEST(ParseAngles, DecimalDegreesOutWithRanges) {
    EXPECT_EQ(parse_latitude("90"), 90.0);
    EXPECT_EQ(parse_longitude("-180"), -180.0);
    EXPECT_THROW(parse_latitude("90.000001"), global_types::constraint_error);
    EXPECT_THROW(parse_longitude("180"), global_types::constraint_error);
    EXPECT_THROW(parse_longitude("-180.5"), global_types::constraint_error);
}

TEST(FormatAngle, DecimalDegreesWithEightDecimals) {
    EXPECT_EQ(format_angle(52.657975, angle_kind::latitude, false), "52.65797500");
    EXPECT_EQ(format_angle(-1e-12, angle_kind::longitude, false), "0.00000000");
    EXPECT_EQ(format_angle(-0.00004, angle_kind::longitude, false, 4), "0.0000");
    EXPECT_EQ(format_angle(-0.00006, angle_kind::longitude, false, 4), "-0.0001");
}

TEST(FormatAngle, DegreesMinutesSecondsWithHemisphere) {
    EXPECT_EQ(format_angle(-1.5, angle_kind::longitude, true), "1°30'00.000\"W");
    EXPECT_EQ(format_angle(-1.5, angle_kind::latitude, true), "1°30'00.000\"S");
    EXPECT_EQ(format_angle(0.0, angle_kind::longitude, true), "0°00'00.000\"E");
    // Seconds that round to 60 carry into the minutes, and minutes into the degrees.
    EXPECT_EQ(format_angle((10 + 59.0 / 60 + 59.9996 / 3600), angle_kind::latitude, true),
              "11°00'00.000\"N");
    EXPECT_EQ(format_angle((1 + 2.0 / 60 + 3.4567 / 3600), angle_kind::latitude, true),
              "1°02'03.457\"N");
}

}  // namespace
}  // namespace tarnwick_convert
