// The map bitmap of the map window: its size, and land and sea where they belong, so that a
// click's metres (easting 0 .. 700000 left to right, northing 0 .. 1300000 bottom to top) point
// at the place under the mouse.
#include <QImage>
#include <QtTest>

#include "karte.hpp"
#include "velmont_test_main.hpp"

namespace {

// Colour of the map under a National Grid point (metres).
QColor ColourAt(const QImage& map, int easting, int northing) {
    const int x = int(double(easting) / TForm1::MaxEasting * map.width());
    const int y = int(double(TForm1::MaxNorthing - northing) / TForm1::MaxNorthing * map.height());
    return map.pixelColor(x, y);
}

// The land is drawn in warm light tones, the sea in light blue.
bool IsLand(const QColor& c) {
    return c.red() > c.blue();
}

}  // namespace

class TestKarteMap : public QObject {
    Q_OBJECT

  private:
    QImage map;

  private slots:
    void initTestCase() {
        TForm1 window;  // the window loads the bitmap the program shows
        map = window.Image1->pixmap().toImage();
    }

    void bitmapCoversTheGridExactly() {
        QCOMPARE(map.size(), QSize(300, 559));
        QVERIFY(!map.hasAlphaChannel());
    }

    void placesFallOnLandAndSea_data() {
        QTest::addColumn<int>("easting");
        QTest::addColumn<int>("northing");
        QTest::addColumn<bool>("land");
        QTest::newRow("London") << 530000 << 180000 << true;
        QTest::newRow("Birmingham") << 407000 << 287000 << true;
        QTest::newRow("Leeds") << 430000 << 433000 << true;
        QTest::newRow("mid Wales") << 306000 << 261000 << true;
        QTest::newRow("Carlisle") << 340000 << 556000 << true;
        QTest::newRow("Cairngorms") << 295000 << 800000 << true;
        QTest::newRow("Celtic Sea") << 100000 << 100000 << false;
        QTest::newRow("English Channel") << 450000 << 50000 << false;
        QTest::newRow("North Sea") << 600000 << 700000 << false;
        QTest::newRow("Irish Sea") << 250000 << 450000 << false;
        QTest::newRow("Atlantic west of the Hebrides") << 30000 << 900000 << false;
    }
    void placesFallOnLandAndSea() {
        QFETCH(int, easting);
        QFETCH(int, northing);
        QFETCH(bool, land);
        QCOMPARE(IsLand(ColourAt(map, easting, northing)), land);
    }

    void markerHasTransparentBackground() {
        TForm1 window;
        const QImage marker = window.Image2->pixmap().toImage();
        QCOMPARE(marker.size(), QSize(27, 27));
        QVERIFY(marker.hasAlphaChannel());
        QCOMPARE(marker.pixelColor(0, 0).alpha(), 0);  // corners see the map through
        QCOMPARE(marker.pixelColor(26, 26).alpha(), 0);
        QVERIFY(marker.pixelColor(13, 13).alpha() > 200);  // the centre is drawn
    }
};

VELMONT_TEST_MAIN(TestKarteMap)
#include "tst_karte_map.moc"
