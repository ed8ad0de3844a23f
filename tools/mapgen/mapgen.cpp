// mapgen: draws velmont's bitmaps from a lon/lat land ring file (see README.md):
//   map.png        300 x 559, exactly the National Grid area (easting 0 .. 700000, northing
//                  0 .. 1300000), origin bottom-left, north up; land and sea, coastline, the UTM
//                  zone boundaries at 0 and 6 degrees west and, lightly, the overlap strips;
//   marker.png     27 x 27 point-of-interest marker on a transparent background;
//   velmont-<n>.png the program and window icon at 16, 32, 48, 128 and 256 pixels.
//
// Land and sea come from sampling: every map pixel is split into sub-pixels, each sub-pixel's
// grid point goes through the library's own National Grid -> WGS84 conversion, and the WGS84
// position is looked up in the land polygons rasterised in longitude and latitude. That needs
// no projection outside the grid. The coastline stroke goes the other way, through the library's
// WGS84 -> National Grid conversion; pieces that leave the grid are dropped.
#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QTextStream>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <optional>
#include <vector>

#include "global_types.hpp"
#include "utm-bng-utilities.hpp"
#include "utm-datum_transformations-global_bng.hpp"
#include "utm-datum_transformations.hpp"

namespace {

namespace global_bng = utm::datum_transformations::global_bng;
using utm::datum_transformations::major_axis_grs80;
using utm::datum_transformations::minor_axis_grs80;

constexpr int map_width = 300;
constexpr int map_height = 559;
constexpr double max_easting = 700000.0;
constexpr double max_northing = 1300000.0;
constexpr double deg = std::numbers::pi / 180.0;

const QColor sea_colour(0xd6, 0xea, 0xf8);
const QColor land_colour(0xf4, 0xf1, 0xe1);
const QColor coast_colour(0x6d, 0x8b, 0x74);
const QColor overlap_colour(0xf0, 0xa0, 0x50, 45);
const QColor zone_colour(0xb0, 0x30, 0x30);
const QColor grid_colour(0x9a, 0xb0, 0xc0, 70);

struct LonLat {
    double lon;
    double lat;
};
using Ring = std::vector<LonLat>;

std::vector<Ring> ReadRings(const QString& file_name) {
    QFile file(file_name);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        std::fprintf(stderr, "mapgen: cannot read %s\n", qPrintable(file_name));
        std::exit(1);
    }
    std::vector<Ring> rings;
    QTextStream in(&file);
    QString word;
    while (!in.atEnd()) {
        int count = 0;
        in >> word >> count;
        if (word != QLatin1String("ring")) {
            break;
        }
        Ring ring(static_cast<size_t>(count));
        for (LonLat& p : ring) {
            in >> p.lon >> p.lat;
        }
        rings.push_back(std::move(ring));
    }
    return rings;
}

// The land polygons rasterised on a longitude/latitude grid that holds the whole grid area.
class LandMask {
  public:
    explicit LandMask(const std::vector<Ring>& rings)
        : image_(static_cast<int>((east_ - west_) / step_),
                 static_cast<int>((north_ - south_) / step_), QImage::Format_Grayscale8) {
        image_.fill(0);
        QPainterPath path;
        path.setFillRule(Qt::OddEvenFill);
        for (const Ring& ring : rings) {
            QPolygonF polygon;
            for (const LonLat& p : ring) {
                polygon << QPointF((p.lon - west_) / step_, (north_ - p.lat) / step_);
            }
            path.addPolygon(polygon);
        }
        QPainter painter(&image_);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.fillPath(path, Qt::white);
    }

    /// True when the WGS84 position (degrees) lies on land.
    bool IsLand(double lon, double lat) const {
        const int x = static_cast<int>(std::floor((lon - west_) / step_));
        const int y = static_cast<int>(std::floor((north_ - lat) / step_));
        return image_.valid(x, y) && image_.constScanLine(y)[x] != 0;
    }

  private:
    static constexpr double west_ = -12.0, east_ = 6.0, south_ = 47.0, north_ = 64.0;
    static constexpr double step_ = 0.004;  // degrees, about 300 to 450 m
    QImage image_;
};

// WGS84 longitude and latitude in degrees of a grid point (metres, inside the grid).
LonLat GridToWgs84(double easting, double northing) {
    const auto r = global_bng::from_bng_to_wgs84_lat_long(major_axis_grs80, minor_axis_grs80,
                                                          static_cast<int>(std::lround(easting)),
                                                          static_cast<int>(std::lround(northing)));
    return {r.longitude / deg, r.latitude / deg};
}

// Map pixel coordinates (continuous, 0 .. 300 and 0 .. 559) of a grid point.
QPointF GridToPixel(double easting, double northing) {
    return {easting / max_easting * map_width,
            (max_northing - northing) / max_northing * map_height};
}

std::optional<QPointF> Wgs84ToPixel(const LonLat& p) {
    try {
        const auto r = global_bng::from_wgs84_lat_long_to_bng(major_axis_grs80, minor_axis_grs80,
                                                              p.lat * deg, p.lon * deg, 0.0);
        return GridToPixel(r.easting_bng, r.northing_bng);
    } catch (const global_types::failure&) {
        return std::nullopt;  // outside the grid
    }
}

QColor Mix(const QColor& a, const QColor& b, double share_of_b) {
    const auto mix = [share_of_b](int x, int y) {
        return static_cast<int>(std::lround(x + (y - x) * share_of_b));
    };
    return QColor(mix(a.red(), b.red()), mix(a.green(), b.green()), mix(a.blue(), b.blue()));
}

// Share of land in every map pixel, 0 (sea) .. 255 (land).
QImage LandCoverage(const LandMask& land) {
    constexpr int sub = 4;  // sub-pixels per pixel side
    QImage coverage(map_width, map_height, QImage::Format_Grayscale8);
    for (int y = 0; y < map_height; ++y) {
        for (int x = 0; x < map_width; ++x) {
            int on_land = 0;
            for (int j = 0; j < sub; ++j) {
                for (int i = 0; i < sub; ++i) {
                    const double e = (x + (i + 0.5) / sub) * max_easting / map_width;
                    const double n =
                        max_northing - (y + (j + 0.5) / sub) * max_northing / map_height;
                    const LonLat p = GridToWgs84(e, n);
                    on_land += land.IsLand(p.lon, p.lat) ? 1 : 0;
                }
            }
            coverage.scanLine(y)[x] = static_cast<uchar>(on_land * 255 / (sub * sub));
        }
    }
    return coverage;
}

void DrawOverlapStrips(QPainter& painter) {
    for (int y = 0; y < map_height; ++y) {
        for (int x = 0; x < map_width; ++x) {
            const int e = static_cast<int>(std::lround((x + 0.5) * max_easting / map_width));
            const int n =
                static_cast<int>(std::lround(max_northing - (y + 0.5) * max_northing / map_height));
            if (utm::bng::utilities::is_in_overlap_region(n, e).is_overlapping) {
                painter.fillRect(QRectF(x, y, 1, 1), overlap_colour);
            }
        }
    }
}

void DrawGridSquares(QPainter& painter) {
    painter.setPen(QPen(grid_colour, 1.0));
    for (int e = 100000; e < 700000; e += 100000) {
        const double x = GridToPixel(e, 0).x();
        painter.drawLine(QPointF(x, 0), QPointF(x, map_height));
    }
    for (int n = 100000; n < 1300000; n += 100000) {
        const double y = GridToPixel(0, n).y();
        painter.drawLine(QPointF(0, y), QPointF(map_width, y));
    }
}

void DrawCoastline(QPainter& painter, const std::vector<Ring>& rings) {
    painter.setPen(QPen(coast_colour, 0.7));
    for (const Ring& ring : rings) {
        QPolygonF line;
        for (const LonLat& p : ring) {
            const auto px = Wgs84ToPixel(p);
            if (px) {
                line << *px;
                continue;
            }
            if (line.size() > 1) {
                painter.drawPolyline(line);
            }
            line.clear();
        }
        if (line.size() > 1) {
            painter.drawPolyline(line);
        }
    }
}

// Easting (metres) on a grid row where the WGS84 longitude is `lon_deg`, by bisection; the
// longitude grows with the easting along a row of the grid area.
std::optional<double> EastingOfMeridian(double northing, double lon_deg) {
    double lo = 0.0, hi = max_easting;
    if (GridToWgs84(lo, northing).lon > lon_deg || GridToWgs84(hi, northing).lon < lon_deg) {
        return std::nullopt;
    }
    while (hi - lo > 1.0) {
        const double mid = (lo + hi) / 2;
        (GridToWgs84(mid, northing).lon < lon_deg ? lo : hi) = mid;
    }
    return (lo + hi) / 2;
}

void DrawZoneBoundaries(QPainter& painter) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(9);
    painter.setFont(font);
    for (const double lon : {-6.0, 0.0}) {
        QPolygonF line;
        for (int y = 0; y <= map_height; ++y) {
            const double n = max_northing - y * max_northing / map_height;
            if (const auto e = EastingOfMeridian(n, lon)) {
                line << GridToPixel(*e, n);
            }
        }
        painter.setPen(QPen(zone_colour, 1.0, Qt::DashLine));
        painter.drawPolyline(line);
        // Zone numbers either side of the boundary, near the bottom of the map.
        const QPointF foot = line.back();
        const QString west = lon < -3 ? QStringLiteral("29") : QStringLiteral("30");
        const QString east = lon < -3 ? QStringLiteral("30") : QStringLiteral("31");
        painter.setPen(zone_colour);
        painter.drawText(QRectF(foot.x() - 26, map_height - 14, 22, 12), Qt::AlignRight, west);
        painter.drawText(QRectF(foot.x() + 4, map_height - 14, 22, 12), Qt::AlignLeft, east);
    }
}

QImage DrawMap(const std::vector<Ring>& rings, const QImage& coverage) {
    QImage map(map_width, map_height, QImage::Format_RGB32);
    for (int y = 0; y < map_height; ++y) {
        for (int x = 0; x < map_width; ++x) {
            map.setPixelColor(x, y, Mix(sea_colour, land_colour, coverage.pixelColor(x, y).redF()));
        }
    }
    QPainter painter(&map);
    DrawOverlapStrips(painter);
    painter.setRenderHint(QPainter::Antialiasing, true);
    DrawGridSquares(painter);
    DrawCoastline(painter, rings);
    DrawZoneBoundaries(painter);
    return map;
}

// A red ring with cross hairs; its centre is the middle of pixel (13, 13).
QImage DrawMarker() {
    QImage marker(27, 27, QImage::Format_ARGB32);
    marker.fill(Qt::transparent);
    QPainter painter(&marker);
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QPointF centre(13.5, 13.5);
    painter.setPen(QPen(QColor(255, 255, 255, 200), 4.0));
    painter.drawEllipse(centre, 8.0, 8.0);
    painter.setPen(QPen(QColor(0xd0, 0x10, 0x10), 2.0));
    painter.drawEllipse(centre, 8.0, 8.0);
    painter.setPen(QPen(QColor(0xd0, 0x10, 0x10), 1.0, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(QPointF(13.5, 0), QPointF(13.5, 8));
    painter.drawLine(QPointF(13.5, 19), QPointF(13.5, 27));
    painter.drawLine(QPointF(0, 13.5), QPointF(8, 13.5));
    painter.drawLine(QPointF(19, 13.5), QPointF(27, 13.5));
    painter.fillRect(QRectF(13, 13, 1, 1), QColor(0xd0, 0x10, 0x10));
    return marker;
}

// Great Britain in white on a rounded blue square, with the marker's ring on it.
QImage DrawIcon(const QImage& coverage, int size) {
    QImage icon(size, size, QImage::Format_ARGB32);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    const double s = size;
    QPainterPath frame;
    frame.addRoundedRect(QRectF(0.5, 0.5, s - 1, s - 1), s * 0.18, s * 0.18);
    painter.fillPath(frame, QColor(0x2a, 0x6f, 0xa8));
    QImage land(coverage.size(), QImage::Format_ARGB32);
    land.fill(Qt::white);
    land.setAlphaChannel(coverage);
    // The island of Great Britain without Ireland and France: the grid's middle part.
    const QRectF source(70, 0, 230, 559);
    const double h = s * 0.92, w = h * source.width() / source.height();
    painter.drawImage(QRectF((s - w) / 2, (s - h) / 2, w, h), land, source);
    painter.setPen(QPen(QColor(0xd0, 0x10, 0x10), std::max(1.0, s / 20)));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QPointF(s * 0.58, s * 0.72), s * 0.09, s * 0.09);
    return icon;
}

void Save(const QImage& image, const QString& file_name) {
    if (!image.save(file_name, "PNG")) {
        std::fprintf(stderr, "mapgen: cannot write %s\n", qPrintable(file_name));
        std::exit(1);
    }
    std::printf("%s %dx%d\n", qPrintable(file_name), image.width(), image.height());
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: mapgen <land ring file> <output folder>\n");
        return 2;
    }
    global_bng::start_up();
    const std::vector<Ring> rings = ReadRings(QString::fromLocal8Bit(argv[1]));
    const QString out = QString::fromLocal8Bit(argv[2]) + QLatin1Char('/');
    const QImage coverage = LandCoverage(LandMask(rings));
    Save(DrawMap(rings, coverage), out + QStringLiteral("map.png"));
    Save(DrawMarker(), out + QStringLiteral("marker.png"));
    for (const int size : {16, 32, 48, 128, 256}) {
        Save(DrawIcon(coverage, size), out + QStringLiteral("velmont-%1.png").arg(size));
    }
    return 0;
}
