// The map window: display of the point of interest (marker and labels), mapping between map
// pixels and National Grid metres, and the mouse and keyboard commands on the map.
#include "karte.hpp"

#include <QCloseEvent>
#include <QEvent>
#include <QFont>
#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QPalette>
#include <QPixmap>
#include <cmath>
#include <optional>

#include "precise_mode.hpp"
#include "tarnwick_binding.hpp"
#include "velmont_resources.hpp"

TForm1* Form1 = nullptr;

namespace {

// Nearest integer, halves to even: the map's pixel and metre mappings round this way.
int NearestEven(double value) {
    return static_cast<int>(std::nearbyint(value));
}

constexpr double degrees_per_radian = 57.29577951308232;

// Resources compiled in with the program (app/resources.qrc).
const QString map_resource = QStringLiteral(":/resources/map.png");
const QString marker_resource = QStringLiteral(":/resources/marker.png");

QFont FixedPitchFont() {
    QFont font;
    font.setFamilies({QStringLiteral("Lucida Console"), QStringLiteral("DejaVu Sans Mono"),
                      QStringLiteral("Liberation Mono")});
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    font.setPixelSize(11);
    return font;
}

}  // namespace

QString FormatAngle(double angle, AngleKind kind) {
    const double d = angle * degrees_per_radian;
    const bool latitude = kind == AngleKind::latitude;
    const QChar positive = latitude ? QLatin1Char('N') : QLatin1Char('E');
    const QChar negative = latitude ? QLatin1Char('S') : QLatin1Char('W');
    // Letter and degrees take three characters below 100 degrees in the right-aligned labels.
    QString text = d >= 0 ? QString(positive) : QString(negative);
    if (std::fabs(d) < 10) {
        text += QLatin1Char(' ');
    }

    const double a = std::fabs(d);
    int degrees = static_cast<int>(a);
    const double m = (a - degrees) * 60;
    int minutes = static_cast<int>(m);
    double seconds = (m - minutes) * 60;
    // Seconds that would be shown as 60.000 carry into the minutes (and on into the degrees).
    // 60 - seconds is exact here, so this catches every value that rounds up to 60.000.
    if (std::fabs(60 - seconds) <= 0.0005) {
        seconds = 0;
        ++minutes;
        if (minutes == 60) {
            minutes = 0;
            ++degrees;
        }
    }

    text += QString::number(degrees) + QChar(0x00B0);
    text += (minutes < 10 ? QStringLiteral(" ") : QString()) + QString::number(minutes) +
            QLatin1Char('\'');
    const QString sec = QLocale().toString(seconds, 'f', 3);
    text += (seconds < 10 ? QStringLiteral(" ") : QString()) + sec + QLatin1Char('"');
    return text;
}

TForm1::TForm1(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    InitVelmontResources();
    setWindowTitle(QStringLiteral(" BNG -  British National Grid"));
    setWindowIcon(VelmontIcon());
    // The window ends with the converter window; it does not keep the application alive.
    setAttribute(Qt::WA_QuitOnClose, false);
    setFocusPolicy(Qt::StrongFocus);
    setFixedSize(330, 618);
    move(63, 186);

    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);

    Panel1 = new QFrame(this);
    Panel1->setGeometry(0, 0, 330, 618);
    Panel1->setFrameShape(QFrame::NoFrame);
    Panel1->setPalette(white);
    Panel1->setAutoFillBackground(true);
    Panel1->setMouseTracking(true);

    Image1 = new QLabel(Panel1);
    Image1->setGeometry(MapLeft, MapTop, MapWidth, MapHeight);
    Image1->setPixmap(QPixmap(map_resource));
    Image1->setMouseTracking(true);

    const auto make_label = [this, &white](int left, int top, int width, const char* hint) {
        auto* label = new QLabel(Panel1);
        label->setGeometry(left, top, width, 16);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        label->setFont(FixedPitchFont());
        QPalette grey = white;
        grey.setColor(QPalette::WindowText, QColor(0x80, 0x80, 0x80));
        label->setPalette(grey);
        label->setToolTip(QString::fromLatin1(hint));
        return label;
    };
    Label5 = make_label(17, 9, 104, "Latitude");
    Label8 = make_label(193, 9, 115, "Longitude");
    Label1 = make_label(17, 595, 104, "Latitude");
    Label2 = make_label(193, 595, 115, "Longitude");
    // Empty by the Helmert chain, as the window has always been; "ETRS89" in precise mode.
    DatumAbove = make_label(121, 9, 66, "Datum of the labels beside");
    DatumBelow = make_label(121, 595, 66, "Datum of the labels beside");
    DatumAbove->setAlignment(Qt::AlignCenter);
    DatumBelow->setAlignment(Qt::AlignCenter);

    // The marker is display only: clicks and moves on it belong to the map underneath.
    Image2 = new QLabel(Panel1);
    Image2->setGeometry(111, 218, MarkerSize, MarkerSize);
    Image2->setPixmap(QPixmap(marker_resource));
    Image2->setAttribute(Qt::WA_TransparentForMouseEvents);
    Image2->setAttribute(Qt::WA_TranslucentBackground);
    Image2->hide();

    // The filters read the children: installed only once all of them exist.
    Panel1->installEventFilter(this);
    Image1->installEventFilter(this);
}

// --- marker, point of interest and labels ---

int TForm1::EastingToMarkerLeft(double e) {
    return NearestEven(e / MaxEasting * MapWidth + MapLeft - MarkerSize / 2.0);
}

int TForm1::NorthingToMarkerTop(double n) {
    return NearestEven(n / MaxNorthing * (-MapHeight) + MapTop + MapHeight - MarkerSize / 2.0);
}

void TForm1::PlaceMarker(int easting, int northing) {
    Image2->move(EastingToMarkerLeft(easting), NorthingToMarkerTop(northing));
    Image2->show();
    Image2->raise();
}

void TForm1::HideMarker() {
    Image2->hide();
}

bool TForm1::MarkerVisible() const {
    return !Image2->isHidden();
}

void TForm1::SetPointOfInterest(int easting, int northing) {
    PoiEasting = easting;
    PoiNorthing = northing;
}

void TForm1::ShowAngles(QLabel* latitude, QLabel* longitude, int easting, int northing) {
    if (precise_) {
        // Where OSTN15 has no angles the labels say nothing rather than the Helmert chain's.
        const std::optional<precise::LatLong> angles = precise::BngToEtrs89(easting, northing);
        latitude->setText(angles ? FormatAngle(angles->latitude, AngleKind::latitude) : QString());
        longitude->setText(angles ? FormatAngle(angles->longitude, AngleKind::longitude)
                                  : QString());
        return;
    }
    double lat = 0;
    double lon = 0;
    Tarnwick().from_bng_to_wgs84_lat_long(easting, northing, &lat, &lon);
    if (lat > -500 && lon > -500) {
        latitude->setText(FormatAngle(lat, AngleKind::latitude));
        longitude->setText(FormatAngle(lon, AngleKind::longitude));
    }
}

void TForm1::PoiLabels() {
    ShowAngles(Label5, Label8, PoiEasting, PoiNorthing);
}

void TForm1::SetPreciseMode(bool on) {
    precise_ = on;
    const QString datum = on ? QStringLiteral("ETRS89") : QString();
    DatumAbove->setText(datum);
    DatumBelow->setText(datum);
    const QString suffix = on ? QStringLiteral(" (ETRS89, OSTN15)") : QString();
    for (QLabel* label : {Label5, Label1}) {
        label->setToolTip(QStringLiteral("Latitude") + suffix);
    }
    for (QLabel* label : {Label8, Label2}) {
        label->setToolTip(QStringLiteral("Longitude") + suffix);
    }
    ClearCursorLabels();
    if (!PoiLabelsEmpty()) {
        PoiLabels();
    }
}

bool TForm1::PoiLabelsEmpty() const {
    return Label5->text().isEmpty();
}

void TForm1::ClearPoiLabels() {
    Label5->clear();
    Label8->clear();
}

void TForm1::ClearCursorLabels() {
    Label1->clear();
    Label2->clear();
}

// --- map interaction ---

int TForm1::PixelToEasting(double x) {
    return NearestEven(static_cast<double>(MaxEasting) / MapWidth * x);
}

int TForm1::PixelToNorthing(double y) {
    return NearestEven(MaxNorthing - static_cast<double>(MaxNorthing) / MapHeight * y);
}

void TForm1::WritePoiToActivePage() {
    converter_->WriteBngInputs(PoiEasting, PoiNorthing);
}

void TForm1::ConvertPoiOnUtmPage() {
    const TarnwickBracket bracket;
    if (precise_) {
        // The UTM page then converts back by OSTN15 too: the inputs take its whole metres.
        const auto utm = precise::BngToUtm(PoiEasting, PoiNorthing);
        PoiZone = static_cast<signed char>(utm ? utm->ostn15.zone : -1);
        PoiUtmEasting = utm ? precise::WholeMetres(utm->ostn15.easting) : -1;
        PoiUtmNorthing = utm ? precise::WholeMetres(utm->ostn15.northing) : -1;
    } else {
        Tarnwick().convert_bng_to_utm(PoiEasting, PoiNorthing, &PoiZone, &PoiUtmEasting,
                                      &PoiUtmNorthing);
    }
    if (PoiZone != -1 && PoiUtmEasting != -1 && PoiUtmNorthing != -1) {
        converter_->WriteUtmInputs(PoiZone, PoiUtmEasting, PoiUtmNorthing);
    }
}

void TForm1::Image1MouseDown(int x, int y) {
    const int page = converter_ != nullptr ? converter_->ActivePage() : -1;
    if (page != 0 && page != 1) {
        Beep(this);
        return;
    }
    SetPointOfInterest(PixelToEasting(x), PixelToNorthing(y));
    if (page == 0) {
        WritePoiToActivePage();
    } else {
        ConvertPoiOnUtmPage();
    }
    PlaceMarker(PoiEasting, PoiNorthing);
    PoiLabels();
}

void TForm1::Image1MouseMove(int x, int y) {
    ShowAngles(Label1, Label2, PixelToEasting(x), PixelToNorthing(y));
}

void TForm1::Panel1MouseMove() {
    ClearCursorLabels();
}

void TForm1::FormKeyDown(int key, Qt::KeyboardModifiers shift) {
    const int page = converter_ != nullptr ? converter_->ActivePage() : -1;
    if ((page != 0 && page != 1) || !MarkerVisible()) {
        Beep(this);
        return;
    }
    const int step = shift.testFlag(Qt::AltModifier)       ? 100
                     : shift.testFlag(Qt::ControlModifier) ? 10
                     : shift.testFlag(Qt::ShiftModifier)   ? 1
                                                           : 1000;
    int* coordinate = nullptr;
    int delta = step;
    switch (key) {
        case Qt::Key_Left:
            coordinate = &PoiEasting;
            delta = -step;
            break;
        case Qt::Key_Right:
            coordinate = &PoiEasting;
            break;
        case Qt::Key_Down:
            coordinate = &PoiNorthing;
            delta = -step;
            break;
        case Qt::Key_Up:
            coordinate = &PoiNorthing;
            break;
        default:
            return;
    }
    // The point never leaves the map; a refused step changes nothing but still redraws below.
    const int maximum = coordinate == &PoiEasting ? MaxEasting : MaxNorthing;
    if (0 <= *coordinate + delta && *coordinate + delta <= maximum) {
        *coordinate += delta;
    } else {
        Beep(this);
    }
    if (!Label1->text().isEmpty()) {
        ClearCursorLabels();
    }
    if (page == 0) {
        WritePoiToActivePage();
    } else {
        ConvertPoiOnUtmPage();
    }
    PlaceMarker(PoiEasting, PoiNorthing);
    PoiLabels();
}

void TForm1::FormKeyPress(QChar key) {
    if (converter_ != nullptr) {
        converter_->FormKeyPress(key);
    }
}

// --- event plumbing ---

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    // The second press of a double-click arrives as a double-click event: it is a button
    // going down on the map all the same.
    const bool press =
        event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick;
    if (watched == Image1 && (press || event->type() == QEvent::MouseMove)) {
        const QPoint pos = static_cast<QMouseEvent*>(event)->position().toPoint();
        if (press) {
            Image1MouseDown(pos.x(), pos.y());
        } else {
            Image1MouseMove(pos.x(), pos.y());
        }
        return true;
    }
    if (watched == Panel1 && event->type() == QEvent::MouseMove) {
        Panel1MouseMove();
        return true;
    }
    // However the pointer leaves the map (quickly, onto a label, out of the window), the
    // labels under it must not go on showing where it was.
    if (watched == Image1 && event->type() == QEvent::Leave) {
        ClearCursorLabels();
    }
    return QWidget::eventFilter(watched, event);
}

void TForm1::closeEvent(QCloseEvent* event) {
    // The map window lives as long as the converter window: a window manager's close request
    // would lose it for good while the converter runs on.
    event->ignore();
}

bool TForm1::event(QEvent* event) {
    // Every key goes to the window's handlers first, Tab included (no focus moves here).
    if (event->type() == QEvent::KeyPress) {
        auto* key_event = static_cast<QKeyEvent*>(event);
        FormKeyDown(key_event->key(), key_event->modifiers());
        const QChar typed = TypedCharacter(*key_event);
        if (!typed.isNull()) {
            FormKeyPress(typed);
        }
        return true;
    }
    return QWidget::event(event);
}
