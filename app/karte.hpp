// The map window of velmont: a map of Great Britain over the whole National Grid area, the
// marker of the point of interest, the latitude and longitude of that point above the map and
// of the mouse cursor below it (WGS84 by the Helmert chain, or ETRS89 by OSTN15 in precise
// mode). The converter window drives the marker and the labels above
// the map through PointDisplay; this window writes the converter window's input fields and
// runs its keys through ConverterLink.
#pragma once

#include <QChar>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QString>
#include <QWidget>

#include "window_links.hpp"

class TForm1;

/// The one map window of the process; created by the program's start-up (and by tests).
extern TForm1* Form1;

/// Which kind of angle FormatAngle writes: it decides the letter of the prefix.
enum class AngleKind { latitude, longitude };

/// Degrees, minutes and decimal seconds of an angle in radians, e.g. "W 1°30' 0.000\"":
/// prefix "E "/"W " (latitude "N "/"S "), without the blank from 10 degrees on; seconds with
/// three decimals and the locale's decimal separator; 59.9995 seconds and more carry on.
QString FormatAngle(double angle, AngleKind kind = AngleKind::longitude);

/// The map window.
class TForm1 : public QWidget, public PointDisplay {
  public:
    /// Builds the window with its panel, map, marker (hidden) and four empty labels.
    explicit TForm1(QWidget* parent = nullptr);

    /// The converter window whose inputs the map writes (may stay unset: clicks then beep).
    void SetConverter(ConverterLink* converter) { converter_ = converter; }

    // Map extents in metres and the map bitmap's size in pixels.
    static constexpr int MaxEasting = 700000;
    static constexpr int MaxNorthing = 1300000;
    static constexpr int MapWidth = 300;
    static constexpr int MapHeight = 559;
    static constexpr int MapLeft = 14;  // Image1's position on Panel1
    static constexpr int MapTop = 27;
    static constexpr int MarkerSize = 27;

    QFrame* Panel1 = nullptr;      ///< white panel that fills the window
    QLabel* Image1 = nullptr;      ///< the map bitmap, 300 x 559 at (14, 27)
    QLabel* Image2 = nullptr;      ///< the 27 x 27 marker, hidden at start
    QLabel* Label1 = nullptr;      ///< latitude under the mouse cursor (below the map)
    QLabel* Label2 = nullptr;      ///< longitude under the mouse cursor (below the map)
    QLabel* Label5 = nullptr;      ///< latitude of the point of interest (above the map)
    QLabel* Label8 = nullptr;      ///< longitude of the point of interest (above the map)
    QLabel* DatumAbove = nullptr;  ///< "ETRS89" between Label5 and Label8 in precise mode
    QLabel* DatumBelow = nullptr;  ///< the same between Label1 and Label2

    int PoiEasting = 0;       ///< BNG point of interest, metres
    int PoiNorthing = 0;      ///< BNG point of interest, metres
    signed char PoiZone = 0;  ///< UTM zone of the point of interest (-1: the conversion failed)
    int PoiUtmEasting = 0;    ///< UTM easting of the point of interest
    int PoiUtmNorthing = 0;   ///< UTM northing of the point of interest

    // --- marker, point of interest and labels, shared with the converter window ---

    /// Moves the marker's centre onto a BNG point (metres) and shows it.
    void PlaceMarker(int easting, int northing) override;
    /// Hides the marker; the point of interest keeps its value.
    void HideMarker() override;
    /// True while the marker is shown.
    bool MarkerVisible() const override;
    /// Sets PoiEasting and PoiNorthing (metres).
    void SetPointOfInterest(int easting, int northing) override;
    /// Fills Label5/Label8 with the WGS84 latitude/longitude of the point of interest (no
    /// initialize_api/finalize_api bracket); leaves them unchanged when the library fails. In
    /// precise mode the ETRS89 latitude/longitude by OSTN15, and empty where it has none.
    void PoiLabels() override;
    /// Empties Label5 and Label8.
    void ClearPoiLabels() override;
    /// True while Label5 is empty.
    bool PoiLabelsEmpty() const override;
    /// Switches the four labels between WGS84 (Helmert) and ETRS89 (OSTN15): the labels of
    /// the point of interest are filled again, those under the cursor emptied.
    void SetPreciseMode(bool on) override;
    /// Empties Label1 and Label2.
    void ClearCursorLabels();

    /// Marker left on Panel1 for an easting in metres (nearest pixel, ties to even).
    static int EastingToMarkerLeft(double e);
    /// Marker top on Panel1 for a northing in metres (nearest pixel, ties to even).
    static int NorthingToMarkerTop(double n);
    /// Easting in metres of a pixel column of the map (nearest metre, ties to even).
    static int PixelToEasting(double x);
    /// Northing in metres of a pixel row of the map (nearest metre, ties to even).
    static int PixelToNorthing(double y);

    // --- handlers; x, y are pixels relative to Image1's top-left corner ---

    /// A mouse button went down on the map: picks the point of interest for the active page.
    void Image1MouseDown(int x, int y);
    /// The mouse moved over the map: shows latitude and longitude under the cursor.
    void Image1MouseMove(int x, int y);
    /// The mouse moved over the panel outside the map: empties the cursor labels.
    void Panel1MouseMove();
    /// A key went down (Qt key code, modifiers): arrow keys move the point of interest.
    void FormKeyDown(int key, Qt::KeyboardModifiers shift);
    /// A character key: the converter window's key handler ("c" converts, "a" toggles).
    void FormKeyPress(QChar key);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void ConvertPoiOnUtmPage();
    void WritePoiToActivePage();

    void ShowAngles(QLabel* latitude, QLabel* longitude, int easting, int northing);

    ConverterLink* converter_ = nullptr;
    bool precise_ = false;
};
