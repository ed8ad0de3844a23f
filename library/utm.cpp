#include "utm.hpp"

namespace utm {

namespace {
// Axes of the published ellipsoids, rounded to whole metres.
constexpr ellipsoid_type clarke_1880{6378249.0, 6356515.0};
constexpr ellipsoid_type australian_national{6378160.0, 6356775.0};
constexpr ellipsoid_type international_1924{6378388.0, 6356912.0};
constexpr ellipsoid_type everest_1830{6377276.0, 6356075.0};
constexpr ellipsoid_type everest_1975{6377301.0, 6356100.0};
constexpr ellipsoid_type modified_airy{6377340.0, 6356034.0};
constexpr ellipsoid_type everest_1948{6377304.0, 6356103.0};
constexpr ellipsoid_type clarke_1866{6378206.0, 6356583.0};
constexpr ellipsoid_type bessel_1841{6377397.0, 6356079.0};
constexpr ellipsoid_type wgs_84{6378137.0, 6356752.0};
constexpr ellipsoid_type helmert_1906{6378200.0, 6356818.0};
constexpr ellipsoid_type airy_1830{6377563.0, 6356257.0};
constexpr ellipsoid_type bessel_namibia{6377484.0, 6356166.0};
constexpr ellipsoid_type everest_sabah{6377299.0, 6356098.0};
constexpr ellipsoid_type wgs_72{6378135.0, 6356751.0};
}  // namespace

const reference_ellipsoid_table reference_ellipsoids{{
    clarke_1880,          // 1
    clarke_1880,          // 2
    australian_national,  // 3
    australian_national,  // 4
    international_1924,   // 5
    international_1924,   // 6
    clarke_1880,          // 7
    clarke_1880,          // 8
    international_1924,   // 9
    international_1924,   // 10
    international_1924,   // 11
    international_1924,   // 12
    international_1924,   // 13
    international_1924,   // 14
    international_1924,   // 15
    international_1924,   // 16
    international_1924,   // 17
    clarke_1880,          // 18
    international_1924,   // 19
    international_1924,   // 20
    international_1924,   // 21
    everest_1830,         // 22
    everest_1975,         // 23
    modified_airy,        // 24
    everest_1948,         // 25
    clarke_1880,          // 26
    clarke_1866,          // 27
    bessel_1841,          // 28
    clarke_1880,          // 29
    clarke_1880,          // 30
    clarke_1880,          // 31
    wgs_84,               // 32
    clarke_1866,          // 33
    clarke_1866,          // 34
    clarke_1866,          // 35
    clarke_1866,          // 36
    helmert_1906,         // 37
    airy_1830,            // 38
    clarke_1866,          // 39
    international_1924,   // 40
    international_1924,   // 41
    international_1924,   // 42
    australian_national,  // 43
    bessel_namibia,       // 44
    everest_sabah,        // 45
    bessel_1841,          // 46
    wgs_84,               // 47
    wgs_72,               // 48
    international_1924,   // 49
    wgs_84,               // 50
    wgs_84,               // 51
    wgs_84,               // 52
    wgs_84,               // 53
    wgs_84,               // 54
    wgs_84,               // 55
    wgs_84,               // 56
    wgs_84,               // 57
    wgs_84,               // 58
    wgs_84,               // 59
    wgs_84,               // 60
}};

std::string_view image(utm_status_type status) {
    switch (status) {
        case utm_status_type::success:
            return "SUCCESS";
        case utm_status_type::not_in_extended_zone:
            return "NOT_IN_EXTENDED_ZONE";
        case utm_status_type::different_spheroids:
            return "DIFFERENT_SPHEROIDS";
    }
    throw global_types::constraint_error("invalid data");
}

bool operator==(const range_and_azimuth_record& l, const range_and_azimuth_record& r) {
    if (l.status != r.status) return false;
    if (l.status != utm_status_type::success) return true;
    return l.grid_ref_north == r.grid_ref_north && l.range_in_metres == r.range_in_metres;
}

bool operator==(const range_record& l, const range_record& r) {
    if (l.status != r.status) return false;
    return l.status != utm_status_type::success || l.range_in_metres == r.range_in_metres;
}

void start_up() {
    // The zone arithmetic of the projections works in 32-bit integers; its widest value,
    // the central meridian of zone 60 in degrees, is computed once with overflow checks.
    (void)global_types::checked_sub(global_types::checked_mul(6, 60), 183);
}

}  // namespace utm
