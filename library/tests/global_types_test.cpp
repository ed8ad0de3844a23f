// Range-checked types, records, status images, the ellipsoid table and the failure names.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "elementary_functions_exceptions.hpp"
#include "global_types.hpp"
#include "utm-datum_transformations-ostn15.hpp"
#include "utm-exceptions.hpp"
#include "utm.hpp"

using namespace global_types;

TEST(CheckedIntegers, AcceptTheirEndsAndRejectOneBeyond) {
    EXPECT_EQ(zone_integer(-60), -60);
    EXPECT_EQ(zone_integer(60), 60);
    EXPECT_THROW(zone_integer(-61), constraint_error);
    EXPECT_THROW(zone_integer(61), constraint_error);

    EXPECT_EQ(easting_integer(0), 0);
    EXPECT_EQ(easting_integer(999999), 999999);
    EXPECT_THROW(easting_integer(-1), constraint_error);
    EXPECT_THROW(easting_integer(1000000), constraint_error);

    EXPECT_EQ(northing_integer(0), 0);
    EXPECT_EQ(northing_integer(11000000), 11000000);
    EXPECT_THROW(northing_integer(-1), constraint_error);
    EXPECT_THROW(northing_integer(11000001), constraint_error);

    EXPECT_EQ(altitude_integer(-999), -999);
    EXPECT_EQ(altitude_integer(9999), 9999);
    EXPECT_THROW(altitude_integer(-1000), constraint_error);
    EXPECT_THROW(altitude_integer(10000), constraint_error);

    EXPECT_THROW(spheroid_integer(0), constraint_error);
    EXPECT_THROW(spheroid_integer(61), constraint_error);
}

TEST(CheckedIntegers, WideValuesAreNotTruncatedIntoRange) {
    // 256 + 5 would wrap to 5 in an 8-bit store; the check must see the whole value.
    EXPECT_THROW(zone_integer(261), constraint_error);
    EXPECT_THROW(easting_integer(std::int64_t{1} << 32), constraint_error);
    constexpr std::uint64_t widest = std::numeric_limits<std::uint64_t>::max();
    EXPECT_THROW(zone_integer{widest}, constraint_error);
    EXPECT_EQ(spheroid_integer(std::uint64_t{38}), 38);
}

TEST(CheckedIntegers, RoundDoublesHalfAwayFromZero) {
    EXPECT_EQ(easting_integer::round(2.5), 3);
    EXPECT_EQ(easting_integer::round(699999.5), 700000);
    EXPECT_EQ(easting_integer::round(-0.4), 0);
    EXPECT_EQ(zone_integer::round(-30.5), -31);
    EXPECT_THROW(easting_integer::round(-0.5), constraint_error);
    EXPECT_THROW(easting_integer::round(999999.5), constraint_error);
}

TEST(CheckedIntegers, NonFiniteAndHugeDoublesDoNotFit) {
    EXPECT_THROW(easting_integer::round(std::nan("")), constraint_error);
    EXPECT_THROW(easting_integer::round(INFINITY), constraint_error);
    EXPECT_THROW(northing_integer::round(-INFINITY), constraint_error);
    EXPECT_THROW(northing_integer::round(1e300), constraint_error);
}

TEST(CheckedIntegers, ThirtyTwoBitOverflowIsAConstraintError) {
    constexpr std::int32_t big = std::numeric_limits<std::int32_t>::max();
    EXPECT_THROW(checked_add(big, 1), constraint_error);
    EXPECT_THROW(checked_sub(std::numeric_limits<std::int32_t>::min(), 1), constraint_error);
    EXPECT_THROW(checked_mul(big / 2 + 1, 2), constraint_error);
    EXPECT_EQ(checked_sub(checked_mul(6, 31), 183), 3);
}

TEST(Failures, CarryTheirFullNames) {
    EXPECT_STREQ(constraint_error().what(), "CONSTRAINT_ERROR");
    EXPECT_EQ(constraint_error().message(), "range check failed");
    EXPECT_STREQ(elementary_functions_exceptions::argument_error("x").what(),
                 "ELEMENTARY_FUNCTIONS_EXCEPTIONS.ARGUMENT_ERROR");
    EXPECT_STREQ(utm::exceptions::zone_out_of_range().what(), "UTM.EXCEPTIONS.ZONE_OUT_OF_RANGE");
    EXPECT_STREQ(utm::exceptions::easting_out_of_range().what(),
                 "UTM.EXCEPTIONS.EASTING_OUT_OF_RANGE");
    EXPECT_STREQ(utm::exceptions::northing_out_of_range().what(),
                 "UTM.EXCEPTIONS.NORTHING_OUT_OF_RANGE");
    // One catch clause takes every failure kind of the library.
    EXPECT_THROW(throw utm::exceptions::zone_out_of_range(), failure);
}

// Every kind a step returns becomes the exception type a caller catches, with that kind and the
// message; a kind without a type of its own is an unexpected failure, never a silent success.
template <class Exception>
void expect_raised_as(failure_kind kind) {
    try {
        raise(kind, "where");
        FAIL() << "nothing raised for " << full_name(kind);
    } catch (const Exception& e) {
        EXPECT_EQ(e.kind(), kind);
        EXPECT_EQ(e.message(), "where");
    }
}

TEST(Failures, EachKindIsRaisedAsItsOwnType) {
    expect_raised_as<constraint_error>(failure_kind::constraint_error);
    expect_raised_as<elementary_functions_exceptions::argument_error>(failure_kind::argument_error);
    expect_raised_as<utm::exceptions::zone_out_of_range>(failure_kind::zone_out_of_range);
    expect_raised_as<utm::exceptions::easting_out_of_range>(failure_kind::easting_out_of_range);
    expect_raised_as<utm::exceptions::northing_out_of_range>(failure_kind::northing_out_of_range);
    expect_raised_as<utm::datum_transformations::ostn15::data_unavailable>(
        failure_kind::data_unavailable);
    try {
        raise(failure_kind::none, "where");
        FAIL() << "nothing raised for none";
    } catch (const failure& f) {
        EXPECT_EQ(f.kind(), failure_kind::unexpected);
    }
}

TEST(UtmVocabulary, StatusImagesAndValues) {
    EXPECT_EQ(utm::image(utm::utm_status_type::success), "SUCCESS");
    EXPECT_EQ(utm::image(utm::utm_status_type::not_in_extended_zone), "NOT_IN_EXTENDED_ZONE");
    EXPECT_EQ(utm::image(utm::utm_status_type::different_spheroids), "DIFFERENT_SPHEROIDS");
    EXPECT_EQ(static_cast<int>(utm::utm_status_type::different_spheroids), 2);
}

TEST(UtmVocabulary, ReferenceEllipsoidRows) {
    auto row = [](int i) { return utm::reference_ellipsoids[i]; };
    EXPECT_EQ(row(38).major_semi_axis, 6377563.0);
    EXPECT_EQ(row(38).minor_semi_axis, 6356257.0);
    EXPECT_EQ(row(32).major_semi_axis, 6378137.0);
    EXPECT_EQ(row(32).minor_semi_axis, 6356752.0);
    EXPECT_EQ(row(1).major_semi_axis, 6378249.0);
    EXPECT_EQ(row(1).minor_semi_axis, 6356515.0);
    EXPECT_EQ(row(60).minor_semi_axis, 6356752.0);
    EXPECT_EQ(row(22).major_semi_axis, 6377276.0);
    EXPECT_EQ(row(48).minor_semi_axis, 6356751.0);
    EXPECT_EQ(row(44).major_semi_axis, 6377484.0);
    EXPECT_THROW(row(0), constraint_error);
    EXPECT_THROW(row(61), constraint_error);
}

TEST(UtmVocabulary, RangeRecordsCompareByStatusThenFields) {
    utm::range_record r(utm::utm_status_type::success);
    EXPECT_EQ(r.range_in_metres, 0);
    EXPECT_EQ(utm::range_record(utm::utm_status_type::not_in_extended_zone),
              utm::range_record(utm::utm_status_type::not_in_extended_zone));
    utm::range_record s;
    s.range_in_metres = 12;
    EXPECT_NE(r, s);
    utm::range_and_azimuth_record a;
    EXPECT_EQ(a.grid_ref_north, 0.0F);
    EXPECT_EQ(a.range_in_metres, 0);
    utm::range_and_azimuth_record b(utm::utm_status_type::different_spheroids);
    b.range_in_metres = 7;  // not part of the value while the status is not success
    EXPECT_EQ(b, utm::range_and_azimuth_record(utm::utm_status_type::different_spheroids));
    EXPECT_THROW(s.range_in_metres = -1, constraint_error);
}
