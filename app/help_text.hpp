// Texts of the converter window's Help and Info pages, and where the program's documentation
// page lies. Kept as data apart from the widgets so that the texts can be checked on their own.
#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QString>
#include <QUrl>
#include <array>

namespace help_text {

/// The Help page, one UTF-8 string per line; the blanks at line ends and the two tabs of the arrow
/// key table (lines 14 to 17) are part of the text.
inline constexpr std::array<const char*, 58> HelpLines = {
    "",
    "HELP   To convert coordinates type in the numbers and",
    "click into one of the grey coloured output fields on the",
    "right or press the key 'c', for alternative values press 'a'.",
    "",
    "------------------------------------------------------------------------------------"
    "--",
    "",
    "Click into the map of Great Britain and you get",
    "coordinates that you can convert. The values of latitude ",
    "and longitude of that point are shown above the map. ",
    "By using the arrow keys you can move the point of ",
    "interest around the map. The increments are as follows:",
    "",
    "arrow key\t\t1000 m",
    "arrow key + Alt\t\t  100 m",
    "arrow key + CTRL\t\t    10 m",
    "arrow key + SHIFT\t\t     1 m",
    "",
    "The map window must have the input focus. For that ",
    "click into the header line of the window.",
    "",
    "After you have chosen an UTM zone, tool tips show you",
    "ranges of UTM coordinates. But note: Not any pair of",
    "coordinates must be in the BNG region!",
    "",
    "To reuse the last stored value just doubleclick into the",
    "input fields. This way you can reuse the just computed",
    "coordinates for an inverse conversion.",
    "",
    "An UTM zones overlaps a neighbouring zone with a ",
    "small strip which is defined to have an extent of about ",
    "50 km. In case there are coordinates in the neighbouring",
    "zone, the small button showing an arrow will be enabled.",
    "Simply click on this button or press the key 'a' to see the",
    "corresponding coordinates. Click again or press the ",
    "key 'a' and you switch back to the first value.",
    "",
    "On top of the map and below it  latitude and longitude",
    "(WGS84 Geodetic Coordinates) are shown. The values ",
    "are in degrees, minutes and and decimal seconds.",
    "On top of the map you see the coordinates of the 'point",
    "of interest', below the map you see the coordinates of",
    "the running cursor.",
    "",
    "Your conversions are logged on the page named 'Paper'.",
    "You can copy the content of the read only paper trail to",
    "the clipboard.",
    "",
    "The conversions will give up errors of up to 5 metres,",
    "depending where in Britain the points of interest are.",
    "Mostly you can expect an error better than 3 metres,",
    "especially if your point of interest is eastern  of ",
    "longitude W6\u00B0. ",
    "",
    "Note: For the most part the errors are due to the global ",
    "Helmert transformation.",
    " ",
    "",
};

/// The Info page's text (Memo2): title, version lines, then free text on the program.
inline constexpr std::array<const char*, 15> InfoLines = {
    "",
    "The Vantre BNG <> UTM Converter",
    "Version 3.1, 17 Jan. 2004",
    "Version 3.2, 19 Sep 2012",
    "",
    "A converter between the British National Grid",
    "(datum OSGB36) and the UTM grid on WGS84.",
    "",
    "Grid coordinates are turned into latitude and",
    "longitude by the inverse map projection, moved",
    "between the two datums through earth-centred",
    "coordinates and a seven-parameter transformation,",
    "and projected again into the target grid.",
    "",
    "The conversions run in a library of their own.",
};

/// Caption of the Info page's link label (Label12).
inline constexpr const char* DocumentationCaption = "Documentation of the program";
/// Hint of the Info page's link label (Label12).
inline constexpr const char* DocumentationHint =
    " Opens the documentation installed with the program in your web browser ";

/// Path of the documentation page below the installation prefix.
inline constexpr const char* DocumentationInstallPath = "share/doc/velmont/index.html";

/// File URL of the documentation page: the installed copy beside the program
/// (<prefix>/bin/velmont -> <prefix>/share/doc/velmont/index.html) or in a system data
/// directory first, else the copy in the source tree; an empty URL when neither exists.
inline QUrl DocumentationUrl() {
    QStringList candidates;
    if (QCoreApplication::instance() != nullptr) {
        candidates << QDir(QCoreApplication::applicationDirPath())
                          .absoluteFilePath(QStringLiteral("../") +
                                            QString::fromLatin1(DocumentationInstallPath));
    }
    const QString system = QStandardPaths::locate(QStandardPaths::GenericDataLocation,
                                                  QStringLiteral("doc/velmont/index.html"));
    if (!system.isEmpty()) {
        candidates << system;
    }
    // This header sits in app/; the page's source copy in app/resources/.
    candidates << QFileInfo(QString::fromUtf8(__FILE__))
                      .absoluteDir()
                      .absoluteFilePath(QStringLiteral("resources/index.html"));
    for (const QString& path : candidates) {
        const QFileInfo info(path);
        if (info.isFile()) {
            return QUrl::fromLocalFile(info.canonicalFilePath());
        }
    }
    return {};
}

}  // namespace help_text
