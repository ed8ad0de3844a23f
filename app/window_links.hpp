// The two windows of velmont know each other only through these two interfaces: what the map
// window needs of the converter window, and what the converter window needs of the map's
// point-of-interest display. Neither window includes the other's header.
#pragma once

#include <QChar>
#include <QKeyEvent>

/// What the map window needs of the converter window.
class ConverterLink {
  public:
    virtual ~ConverterLink() = default;
    /// The active page: 0 "BNG > UTM", 1 "UTM > BNG", 2 .. 4 the pages without conversions.
    virtual int ActivePage() const = 0;
    /// Writes a BNG point (metres) into page "BNG > UTM"'s inputs; each write runs that
    /// field's change handler at once.
    virtual void WriteBngInputs(int easting, int northing) = 0;
    /// Writes a UTM point into page "UTM > BNG"'s inputs, the same way.
    virtual void WriteUtmInputs(int zone, int easting, int northing) = 0;
    /// The one handler of the character keys of both windows: "c" (and Return, Enter)
    /// converts on the active page, "a" toggles the alternative values, "p" precise mode;
    /// capitals alike.
    virtual void FormKeyPress(QChar key) = 0;
};

/// The character a key press types for the key handler, or a null character: none for keys
/// without one and for shortcuts (Ctrl+C copies; it is no "c").
inline QChar TypedCharacter(const QKeyEvent& key) {
    const Qt::KeyboardModifiers shortcut = Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    return key.text().size() == 1 && (key.modifiers() & shortcut) == 0 ? key.text().front()
                                                                       : QChar();
}

/// What the converter window needs of the point-of-interest display on the map.
class PointDisplay {
  public:
    virtual ~PointDisplay() = default;
    /// Moves the marker's centre onto a BNG point (metres) and shows it.
    virtual void PlaceMarker(int easting, int northing) = 0;
    /// Hides the marker; the point of interest keeps its value.
    virtual void HideMarker() = 0;
    /// True while the marker is shown.
    virtual bool MarkerVisible() const = 0;
    /// Sets the point of interest (metres).
    virtual void SetPointOfInterest(int easting, int northing) = 0;
    /// Fills the latitude and longitude labels of the point of interest.
    virtual void PoiLabels() = 0;
    /// Empties them.
    virtual void ClearPoiLabels() = 0;
    /// True while the latitude label of the point of interest is empty.
    virtual bool PoiLabelsEmpty() const = 0;
    /// Switches the latitude and longitude labels between WGS84 by the Helmert chain (off)
    /// and ETRS89 by OSTN15 (on), refilling those shown; the labels say which is in force.
    virtual void SetPreciseMode(bool on) = 0;
};
