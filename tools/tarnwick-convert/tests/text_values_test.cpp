// Numbers and angles in fields: what is accepted, what is refused, how angles are written.

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <string_view>

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

// The rule numbers have always been read by, kept here as the reference: blanks and tabs
// trimmed, one leading '+' dropped unless a '-' follows, then the whole text a finite number of
// the general decimal syntax. The value, or the message of the refusal.
std::string reference_reading(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    const std::string kept(first == std::string_view::npos
                               ? std::string_view()
                               : text.substr(first, text.find_last_not_of(" \t") - first + 1));
    std::string_view t = kept;
    if (t.empty()) {
        return "refused: x is empty";
    }
    if (t.size() > 1 && t[0] == '+' && t[1] != '-') {
        t.remove_prefix(1);
    }
    double v = 0.0;
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (ec != std::errc() || end != t.data() + t.size() || !std::isfinite(v)) {
        return "refused: x \"" + kept + "\" is not a number";
    }
    std::uint64_t bits = 0;
    std::memcpy(&bits, &v, sizeof v);
    return "value bits " + std::to_string(bits);
}

std::string reading(std::string_view text) {
    try {
        const double v = parse_number(text, "x");
        std::uint64_t bits = 0;
        std::memcpy(&bits, &v, sizeof v);
        return "value bits " + std::to_string(bits);
    } catch (const global_types::constraint_error& e) {
        return "refused: " + e.message();
    }
}

// Random fields, mostly numbers and nearly numbers (signs, blanks, long digit strings, exponents,
// letters, other scripts' digits, NUL), are read exactly as the reference reads them: the same
// bits (the sign of zero too) or the same refusal.
TEST(ParseNumber, ReadsEveryFieldAsTheReferenceRuleDoes) {
    static constexpr std::string_view pieces[] = {"0",
                                                  "1",
                                                  "5",
                                                  "7",
                                                  "9",
                                                  "00",
                                                  "651410",
                                                  "9999999999999999",
                                                  "123456789012345",
                                                  "-",
                                                  "+",
                                                  ".",
                                                  "e",
                                                  "E",
                                                  "e-",
                                                  "e+",
                                                  " ",
                                                  "\t",
                                                  "x",
                                                  "0x",
                                                  "nan",
                                                  "inf",
                                                  "infinity",
                                                  "\xD9\xA3",
                                                  std::string_view("\0", 1),
                                                  ",",
                                                  "_",
                                                  "1e400",
                                                  "1e-400",
                                                  "4.5"};
    std::mt19937_64 random(26);
    std::uniform_int_distribution<std::size_t> piece(0, std::size(pieces) - 1);
    std::uniform_int_distribution<int> count(1, 6);
    std::uniform_int_distribution<int> digits(1, 30);
    for (int i = 0; i < 200000; ++i) {
        std::string text;
        if (i % 4 == 0) {
            text.assign(static_cast<std::size_t>(digits(random)), '0' + static_cast<char>(i % 10));
            text.insert(0, i % 8 == 0 ? "-" : "");
        } else if (i % 4 == 1) {
            // Up to 16 random digits, in half the cases one of them any byte at all.
            for (std::size_t k = 1 + random() % 16; k > 0; --k) {
                text.push_back(static_cast<char>('0' + random() % 10));
            }
            if (i % 8 == 1) {
                text[random() % text.size()] = static_cast<char>(random() % 256);
            }
            text.insert(0, i % 3 == 0 ? "-" : "");
        } else {
            for (int k = count(random); k > 0; --k) {
                text += pieces[piece(random)];
            }
        }
        ASSERT_EQ(reading(text), reference_reading(text)) << "\"" << text << "\"";
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
