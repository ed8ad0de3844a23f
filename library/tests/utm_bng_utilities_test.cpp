// The two strips of the National Grid where UTM zones overlap.
#include <gtest/gtest.h>

#include "utm-bng-utilities.hpp"

using utm::bng::utilities::is_in_overlap_region;

namespace {

void expect_region(int northing, int easting, bool overlapping, int west, int east) {
    const auto r = is_in_overlap_region(northing, easting);
    EXPECT_EQ(r.is_overlapping, overlapping) << northing << " " << easting;
    EXPECT_EQ(r.overlap_zone_w, west) << northing << " " << easting;
    EXPECT_EQ(r.overlap_zone_e, east) << northing << " " << easting;
}

}  // namespace

TEST(OverlapRegion, ZeroDegreeStripIsFiftyKilometresWideEachSide) {
    expect_region(0, 546429, true, 30, 31);
    expect_region(0, 496430, true, 30, 31);  // 49999 m west of the curve
    expect_region(0, 496429, false, 1, 1);   // 50000 m: outside
    expect_region(0, 596428, true, 30, 31);
    expect_region(0, 596429, false, 1, 1);
    // At northing 100000 the curve is at 543777.0135, rounded 543777.
    expect_region(100000, 543777 - 49999, true, 30, 31);
    expect_region(100000, 543777 - 50000, false, 1, 1);
}

TEST(OverlapRegion, SixDegreesWestStripFollowsItsOwnCurve) {
    // At northing 100000 the curve is at 112456.7574, rounded 112457.
    expect_region(100000, 112457 + 49999, true, 29, 30);
    expect_region(100000, 112457 + 50000, false, 1, 1);
    expect_region(100000, 112457 - 49999, true, 29, 30);
    expect_region(100000, 112457 - 50000, false, 1, 1);
    // At the top of the grid the curve has moved east to about 182338.
    expect_region(1300000, 182338 + 49990, true, 29, 30);
    expect_region(1300000, 182338 + 50010, false, 1, 1);
}

TEST(OverlapRegion, WholeGridIsAcceptedAndOutsideIsRejected) {
    expect_region(1300000, 700000, false, 1, 1);
    expect_region(1300000, 509390, true, 30, 31);
    EXPECT_THROW(is_in_overlap_region(1300001, 0), global_types::constraint_error);
    EXPECT_THROW(is_in_overlap_region(0, -1), global_types::constraint_error);
}
