#include "precise_mode.hpp"

#include <array>
#include <cmath>

#include "low_level_math.hpp"
#include "tarnwick_binding.hpp"

namespace precise {

namespace {

using Values = std::array<double, 3>;

// One point through a transform made for it: the transform library keeps no state between
// calls that would be worth holding on to here, and a made transform is cheap once the shift
// grid is read. False where the library is not loaded, refuses the pair or fails the point.
bool Convert(const char* from, const char* to, const char* method, int zone, const Values& in,
             Values& out) {
    const TarnwickApi& api = Tarnwick();
    if (api.transform_create == nullptr) {
        return false;
    }
    tarnwick_transform* t = api.transform_create(from, to, method, zone);
    if (t == nullptr) {
        return false;
    }
    int status = TARNWICK_UNEXPECTED;
    const size_t converted =
        api.transform_points(t, 1, &in[0], &in[1], &in[2], &out[0], &out[1], &out[2], &status);
    api.transform_destroy(t);
    return converted == 1 && status == TARNWICK_OK && std::isfinite(out[0]) &&
           std::isfinite(out[1]);
}

double Apart(double e1, double n1, double e2, double n2) {
    return std::hypot(e1 - e2, n1 - n2);
}

}  // namespace

QString Unavailable() {
    const TarnwickApi& api = Tarnwick();
    if (api.transform_create == nullptr) {
        return QStringLiteral("libtarnwick_transform.so could not be loaded: ") +
               QString::fromLocal8Bit(TransformBindingFault());
    }
    tarnwick_transform* t = api.transform_create("bng", "utm", "ostn15", 0);
    if (t == nullptr) {
        return QString::fromUtf8(api.last_error());
    }
    api.transform_destroy(t);
    return QString();
}

std::optional<Comparison<UtmPoint>> BngToUtm(double easting, double northing, int zone) {
    Values out{};
    if (!Convert("bng", "utm", "ostn15", zone, {easting, northing, 0}, out)) {
        return std::nullopt;
    }
    Comparison<UtmPoint> result{{static_cast<int>(out[0]), out[1], out[2]}, std::nullopt, NAN};
    Values helmert{};
    if (Convert("bng", "utm", "helmert", result.ostn15.zone, {easting, northing, 0}, helmert)) {
        result.helmert = UtmPoint{static_cast<int>(helmert[0]), helmert[1], helmert[2]};
        result.apart = Apart(out[1], out[2], helmert[1], helmert[2]);
    }
    return result;
}

std::optional<Comparison<BngPoint>> UtmToBng(int zone, double easting, double northing) {
    const Values in{static_cast<double>(zone), easting, northing};
    Values out{};
    if (!Convert("utm", "bng", "ostn15", 0, in, out)) {
        return std::nullopt;
    }
    Comparison<BngPoint> result{{out[0], out[1]}, std::nullopt, NAN};
    Values helmert{};
    if (Convert("utm", "bng", "helmert", 0, in, helmert)) {
        result.helmert = BngPoint{helmert[0], helmert[1]};
        result.apart = Apart(out[0], out[1], helmert[0], helmert[1]);
    }
    return result;
}

std::optional<LatLong> BngToEtrs89(double easting, double northing) {
    Values out{};
    if (!Convert("bng", "etrs89", "ostn15", 0, {easting, northing, 0}, out)) {
        return std::nullopt;
    }
    // Degrees become radians as everywhere else in the system, so that the map's labels carry
    // the same last bits as the library's own angles.
    return LatLong{out[0] / low_level_math::degrees_per_radian,
                   out[1] / low_level_math::degrees_per_radian};
}

int WholeMetres(double metres) {
    return static_cast<int>(std::lround(metres));
}

}  // namespace precise
