// Test support for the converter window: a recording binding table that logs every library
// call (with its arguments and results) and forwards it to a backend, either the real exports
// of libtarnwick.so or a small scripted stand-in with a few known points.
#pragma once

#include <QApplication>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <map>
#include <tuple>

#include "tarnwick_binding.hpp"

namespace recording {

/// Every library call since the last Clear(), as "name(arguments)->results".
inline QStringList& Calls() {
    static QStringList calls;
    return calls;
}

/// Names only, in order.
inline QStringList CallNames() {
    QStringList names;
    for (const QString& call : Calls()) {
        names << call.left(call.indexOf(QLatin1Char('(')));
    }
    return names;
}

/// Whether a top-level window was visible at each recorded call.
inline QList<bool>& WindowShownAtCall() {
    static QList<bool> shown;
    return shown;
}

inline void Clear() {
    Calls().clear();
    WindowShownAtCall().clear();
}

/// Where the recording table forwards its calls.
inline TarnwickApi& Backend() {
    static TarnwickApi backend{};
    return backend;
}

inline void Record(const QString& call) {
    Calls() << call;
    bool shown = false;
    for (const QWidget* widget : QApplication::topLevelWidgets()) {
        shown = shown || widget->isVisible();
    }
    WindowShownAtCall() << shown;
}

/// Checks that every conversion call lies inside an initialize_api ... finalize_api bracket
/// and that every bracket is closed; latitude/longitude lookups may stand outside. Returns an
/// empty text when the log is well bracketed, else what is wrong.
inline QString BracketFault() {
    int depth = 0;
    for (const QString& name : CallNames()) {
        if (name == QLatin1String("initialize_api")) {
            ++depth;
        } else if (name == QLatin1String("finalize_api")) {
            if (--depth < 0) {
                return QStringLiteral("finalize_api without initialize_api");
            }
        } else if (name != QLatin1String("from_bng_to_wgs84_lat_long") && depth == 0) {
            return name + QStringLiteral(" outside the bracket");
        }
    }
    return depth == 0 ? QString() : QStringLiteral("bracket left open");
}

/// Installs the recording table into Tarnwick(), forwarding to `backend`.
inline void Install(const TarnwickApi& backend) {
    Backend() = backend;
    TarnwickApi& api = Tarnwick();
    api.initialize_api = [] {
        Record(QStringLiteral("initialize_api()"));
        Backend().initialize_api();
    };
    api.finalize_api = [] {
        Record(QStringLiteral("finalize_api()"));
        Backend().finalize_api();
    };
    api.convert_bng_to_utm = [](int e, int n, signed char* z, int* ue, int* un) {
        Backend().convert_bng_to_utm(e, n, z, ue, un);
        Record(QStringLiteral("convert_bng_to_utm(%1,%2)->%3,%4,%5")
                   .arg(e)
                   .arg(n)
                   .arg(*z)
                   .arg(*ue)
                   .arg(*un));
    };
    api.convert_utm_to_bng = [](signed char z, int n, int e, int* be, int* bn) {
        Backend().convert_utm_to_bng(z, n, e, be, bn);
        Record(QStringLiteral("convert_utm_to_bng(%1,%2,%3)->%4,%5")
                   .arg(z)
                   .arg(n)
                   .arg(e)
                   .arg(*be)
                   .arg(*bn));
    };
    api.is_in_overlap_region = [](int n, int e, int* flag, signed char* w, signed char* east) {
        Backend().is_in_overlap_region(n, e, flag, w, east);
        Record(QStringLiteral("is_in_overlap_region(%1,%2)->%3,%4,%5")
                   .arg(n)
                   .arg(e)
                   .arg(*flag)
                   .arg(*w)
                   .arg(*east));
    };
    api.convert_to_overlap_zone = [](signed char z, int e, int n, signed char oz, int* oe,
                                     int* on) {
        Backend().convert_to_overlap_zone(z, e, n, oz, oe, on);
        Record(QStringLiteral("convert_to_overlap_zone(%1,%2,%3,%4)->%5,%6")
                   .arg(z)
                   .arg(e)
                   .arg(n)
                   .arg(oz)
                   .arg(*oe)
                   .arg(*on));
    };
    api.from_bng_to_wgs84_lat_long = [](int e, int n, double* lat, double* lon) {
        Backend().from_bng_to_wgs84_lat_long(e, n, lat, lon);
        Record(QStringLiteral("from_bng_to_wgs84_lat_long(%1,%2)").arg(e).arg(n));
    };
}

// --- the scripted stand-in: a few points with fixed answers, failure values elsewhere ---

struct Utm {
    int zone, easting, northing;
};

/// BNG point -> its UTM point (zone, easting, northing), as libtarnwick.so gives them.
inline std::map<std::pair<int, int>, Utm>& FakeBngToUtm() {
    static std::map<std::pair<int, int>, Utm> points = {
        {{651410, 313177}, {31, 413156, 5834998}},  // outside the overlap strips
        {{537395, 235395}, {30, 705929, 5765289}},  // in the strip at 0 degrees
        {{530000, 180000}, {30, 699293, 5709783}},  // in the strip; scripted: its alternative fails
        {{37395, 235395}, {29, 618820, 5751185}},   // far west
    };
    return points;
}

/// UTM point in the neighbouring zone: (zone, easting, northing, other zone) -> easting, northing.
inline std::map<std::tuple<int, int, int, int>, std::pair<int, int>>& FakeOverlap() {
    static std::map<std::tuple<int, int, int, int>, std::pair<int, int>> points = {
        {{30, 705929, 5765289, 31}, {294071, 5765289}},
    };
    return points;
}

inline TarnwickApi Fake() {
    TarnwickApi api{};
    api.initialize_api = [] {};
    api.finalize_api = [] {};
    api.convert_bng_to_utm = [](int e, int n, signed char* z, int* ue, int* un) {
        const auto found = FakeBngToUtm().find({e, n});
        const bool ok = found != FakeBngToUtm().end();
        *z = static_cast<signed char>(ok ? found->second.zone : -1);
        *ue = ok ? found->second.easting : -1;
        *un = ok ? found->second.northing : -1;
    };
    api.convert_utm_to_bng = [](signed char z, int n, int e, int* be, int* bn) {
        *be = *bn = -1;
        for (const auto& [bng, utm] : FakeBngToUtm()) {
            if (utm.zone == z && utm.easting == e && utm.northing == n) {
                std::tie(*be, *bn) = bng;
            }
        }
        if (z == 31 && e == 294071 && n == 5765289) {
            std::tie(*be, *bn) = std::pair(537395, 235395);
        }
    };
    api.is_in_overlap_region = [](int n, int e, int* flag, signed char* w, signed char* east) {
        const bool inside = e >= 0 && e <= 700000 && n >= 0 && n <= 1300000;
        const bool strip = inside && e >= 488000 && e <= 588000;
        *flag = !inside ? -1 : strip ? 0 : 1;
        *w = static_cast<signed char>(!inside ? -1 : strip ? 30 : 1);
        *east = static_cast<signed char>(!inside ? -1 : strip ? 31 : 1);
    };
    api.convert_to_overlap_zone = [](signed char z, int e, int n, signed char oz, int* oe,
                                     int* on) {
        const auto found = FakeOverlap().find({z, e, n, oz});
        const bool ok = found != FakeOverlap().end();
        *oe = ok ? found->second.first : -1;
        *on = ok ? found->second.second : -1;
    };
    api.from_bng_to_wgs84_lat_long = [](int e, int n, double* lat, double* lon) {
        const bool inside = e >= 0 && e <= 700000 && n >= 0 && n <= 1300000;
        *lat = inside ? 0.87 + n / 1300000.0 * 0.2 : -1000.0;
        *lon = inside ? -0.14 + e / 700000.0 * 0.17 : -1000.0;
    };
    return api;
}

}  // namespace recording
