// Lettered National Grid references, read and written.

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "grid_reference.hpp"

namespace grid_reference {
namespace {

// The kind of error a text raises; accepting the text fails the test.
reason refusal(const char* text) {
    try {
        parse(text);
    } catch (const error& e) {
        return e.why();
    }
    ADD_FAILURE() << text << " was accepted";
    return reason::malformed;
}

reason refusal_of_nan() {
    try {
        metre_square(std::nan(""), 0.0);
    } catch (const error& e) {
        return e.why();
    }
    ADD_FAILURE() << "NaN was accepted";
    return reason::easting_out_of_range;
}

struct known_reference {
    const char* reference;  // 10 digits
    int easting;
    int northing;
};

// Published references of well-known places, and squares that lie only partly on land.
const known_reference known[] = {
    {"TG 51410 13177", 651410, 313177},   // Norfolk
    {"NN 16667 71285", 216667, 771285},   // Ben Nevis
    {"TQ 30000 80000", 530000, 180000},   // central London
    {"SV 90000 10000", 90000, 10000},     // Isles of Scilly: SV is nearly all sea
    {"HP 61000 12000", 461000, 1212000},  // Unst, Shetland: the grid's north-east land
    {"TV 58000 95000", 558000, 95000},    // Beachy Head: TV holds a sliver of land
    {"TA 25000 70000", 525000, 470000},   // Flamborough Head
    {"NF 09000 99000", 9000, 899000},     // St Kilda, far west
};

TEST(GridReference, KnownPlacesBothWays) {
    for (const auto& k : known) {
        const bng_point p = parse(k.reference);
        EXPECT_EQ(p.easting, k.easting) << k.reference;
        EXPECT_EQ(p.northing, k.northing) << k.reference;
        EXPECT_EQ(format({k.easting, k.northing}, 10), k.reference);
    }
}

TEST(GridReference, SpellingsOfTheSameReference) {
    for (const char* text : {"TG5141013177", "TG 5141013177", "tg 51410 13177", " TG 51410\t13177 ",
                             "TG51410 13177"}) {
        const bng_point p = parse(text);
        EXPECT_EQ(p.easting, 651410) << text;
        EXPECT_EQ(p.northing, 313177) << text;
    }
}

TEST(GridReference, FewerDigitsNameTheSouthWestCornerOfALargerSquare) {
    const struct {
        const char* text;
        int easting;
        int northing;
    } cases[] = {{"TG", 600000, 300000},           {" tg ", 600000, 300000},
                 {"TG 5 1", 650000, 310000},       {"TG51", 650000, 310000},
                 {"TG 51 13", 651000, 313000},     {"TG 514 131", 651400, 313100},
                 {"TG 5141 1317", 651410, 313170}, {"TG 51410 13177", 651410, 313177}};
    for (const auto& c : cases) {
        const bng_point p = parse(c.text);
        EXPECT_EQ(p.easting, c.easting) << c.text;
        EXPECT_EQ(p.northing, c.northing) << c.text;
    }
}

TEST(GridReference, WritingTruncatesSoTheSquareHoldsThePoint) {
    const bng_point p{651419, 313179};
    EXPECT_EQ(format(p, 2), "TG 5 1");
    EXPECT_EQ(format(p, 6), "TG 514 131");
    EXPECT_EQ(format(p, 8), "TG 5141 1317");
    EXPECT_EQ(format({99999, 99999}, 10), "SV 99999 99999");
}

// Regression: the tool and the Python package rounded a fractional point before writing its
// reference, so 531499.9457 got square 315 instead of 314; the square alone did not read back.
TEST(GridReference, EveryReferenceOfAFractionalPointNamesASquareThatHoldsIt) {
    EXPECT_EQ(format(metre_square(531499.9457, 882249.6589), 6), "OF 314 822");
    std::mt19937_64 random(8);
    std::uniform_real_distribution<double> east(-5.0, 700006.0);
    std::uniform_real_distribution<double> north(-5.0, 1300006.0);
    int refused = 0;
    for (int i = 0; i < 20000; ++i) {
        double e = east(random);
        double n = north(random);
        if (i % 4 == 0) {  // a hair below a 100 km edge
            e = std::round(e / 100000.0) * 100000.0 - 1e-6;
            n = std::round(n / 100000.0) * 100000.0 - 0.49;
        }
        bng_point corner{};
        try {
            corner = metre_square(e, n);
        } catch (const error& refused_point) {
            // Only a point with no whole-metre square on the grid is refused, with its axis.
            const bool west_or_east = e < 0.0 || e >= 700001.0;
            EXPECT_EQ(refused_point.why(),
                      west_or_east ? reason::easting_out_of_range : reason::northing_out_of_range)
                << e << " " << n;
            EXPECT_TRUE(west_or_east || n < 0.0 || n >= 1300001.0) << e << " " << n;
            ++refused;
            continue;
        }
        for (int digits = 0; digits <= 10; digits += 2) {
            const std::string ref = format(corner, digits);
            const bng_point back = parse(ref);
            const double size = std::pow(10.0, 5 - digits / 2);
            ASSERT_TRUE(back.easting <= e && e < back.easting + size && back.northing <= n &&
                        n < back.northing + size)
                << ref << " does not hold " << e << " " << n;
        }
    }
    EXPECT_GT(refused, 0);
    EXPECT_EQ(refusal_of_nan(), reason::malformed);
}

TEST(GridReference, HundredKilometreSquareBoundaries) {
    EXPECT_EQ(format({0, 0}, 10), "SV 00000 00000");
    EXPECT_EQ(format({99999, 0}, 10), "SV 99999 00000");
    EXPECT_EQ(format({100000, 0}, 10), "SW 00000 00000");
    EXPECT_EQ(format({499999, 499999}, 10), "SE 99999 99999");
    EXPECT_EQ(format({500000, 499999}, 10), "TA 00000 99999");
    EXPECT_EQ(format({499999, 500000}, 10), "NZ 99999 00000");
    EXPECT_EQ(format({500000, 500000}, 10), "OV 00000 00000");
    EXPECT_EQ(format({0, 1000000}, 10), "HV 00000 00000");
    // The grid's far corner lies on the edge of squares outside it.
    EXPECT_EQ(format({700000, 1300000}, 10), "JH 00000 00000");
    EXPECT_EQ(format({700000, 0}, 10), "TX 00000 00000");
}

TEST(GridReference, EveryPointOfASweepSurvivesTheRoundTrip) {
    for (int e = 0; e <= 700000; e += 7919) {
        for (int n = 0; n <= 1300000; n += 15013) {
            const std::string ref = format({e, n}, 10);
            const bng_point back = parse(ref);
            ASSERT_EQ(back.easting, e) << ref;
            ASSERT_EQ(back.northing, n) << ref;
        }
    }
}

TEST(GridReference, SquaresOutsideTheGridRaiseTheRangeFailures) {
    EXPECT_NO_THROW(parse("TX 00000 00001"));
    EXPECT_EQ(refusal("TX 00001 00000"), reason::easting_out_of_range);
    EXPECT_EQ(refusal("TY 5 5"), reason::easting_out_of_range);
    EXPECT_EQ(refusal("HA 00000 00000"), reason::northing_out_of_range);
    EXPECT_EQ(refusal("CV 1 1"), reason::northing_out_of_range);
}

TEST(GridReference, MalformedTextIsRefused) {
    for (const char* text :
         {"", "   ", "T", "T 123", "TI 12 34", "T1 12 34", "TG 123", "TG 123 45",
          "TG 123456 123456", "TG 12a4", "TG 12 34 56", "TG -1 -1", "TG 12,34"}) {
        EXPECT_EQ(refusal(text), reason::malformed) << text;
    }
}

}  // namespace
}  // namespace grid_reference
