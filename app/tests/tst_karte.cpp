// The map window driven as a user drives it: clicks and mouse moves on the map, arrow keys with
// and without modifiers, "c" and "a", against the real converter window and the real library
// (or recording fakes where a failure or the order of the calls matters).
#include <QLocale>
#include <QSignalSpy>
#include <QStringList>
#include <QtTest>
#include <cmath>

#include "karte.hpp"
#include "main_formular.hpp"
#include "tarnwick_binding.hpp"
#include "velmont_start.hpp"
#include "velmont_test_main.hpp"

namespace {

QStringList calls;  // library calls seen by the recording table
bool fail_conversions = false;
bool fail_lat_long = false;

// The real exports wrapped: each call is recorded; conversions and lookups can be made to fail
// with the library's failure values.
TarnwickApi RecordingApi() {
    TarnwickApi api = TarnwickExports();
    api.initialize_api = [] {
        calls << QStringLiteral("initialize_api");
        TarnwickExports().initialize_api();
    };
    api.finalize_api = [] {
        calls << QStringLiteral("finalize_api");
        TarnwickExports().finalize_api();
    };
    api.convert_bng_to_utm = [](int e, int n, signed char* zone, int* ue, int* un) {
        calls << QStringLiteral("convert_bng_to_utm %1 %2").arg(e).arg(n);
        if (fail_conversions) {
            *zone = -1;
            *ue = *un = -1;
            return;
        }
        TarnwickExports().convert_bng_to_utm(e, n, zone, ue, un);
    };
    api.from_bng_to_wgs84_lat_long = [](int e, int n, double* lat, double* lon) {
        calls << QStringLiteral("from_bng_to_wgs84_lat_long %1 %2").arg(e).arg(n);
        if (fail_lat_long) {
            *lat = *lon = -1000.0;
            return;
        }
        TarnwickExports().from_bng_to_wgs84_lat_long(e, n, lat, lon);
    };
    return api;
}

int ReadInt(const TNumMaskEdit* field) {
    bool ok = false;
    const int value = field->text().trimmed().toInt(&ok);
    return ok ? value : -999;
}

// The mouse as the user moves it: into the map window at a point of a widget on it (QTest would
// take the widget's own (0, 0) for its centre).
void MoveMouse(QWidget* widget, QPoint pos) {
    QTest::mouseMove(Form1->windowHandle(), widget->mapTo(Form1, pos));
}

// A click at a pixel of the map. The cursor gets there first; the library lookup for the cursor
// labels that this brings is not recorded.
void ClickMap(QPoint pixel) {
    MoveMouse(Form1->Image1, pixel);
    calls.clear();
    QTest::mouseClick(Form1->windowHandle(), Qt::LeftButton, {},
                      Form1->Image1->mapTo(Form1, pixel));
}

double Radians(double degrees) {
    return degrees / 57.29577951308232;
}

}  // namespace

class TestKarte : public QObject {
    Q_OBJECT

  private:
    int beeps = 0;

    // Page 0 with a visible marker at a known point of interest, and known field texts.
    void MarkerAt(int page, int easting, int northing) {
        MainFormular->PageControl1->setCurrentIndex(page);
        MainFormular->NumMaskEdit1->setText(QStringLiteral("111111"));
        MainFormular->NumMaskEdit2->setText(QStringLiteral("2222222"));
        Form1->SetPointOfInterest(easting, northing);
        Form1->PlaceMarker(easting, northing);
        calls.clear();
        beeps = 0;
    }

  private slots:
    void initTestCase() {
        MainFormular = new TMainFormular;
        Form1 = new TForm1;
        LinkWindows(*MainFormular, *Form1);
        MainFormular->show();
        Form1->show();
        Tarnwick() = RecordingApi();
        BeepObserver() = [this] { ++beeps; };
    }

    void cleanupTestCase() {
        BeepObserver() = nullptr;
        Tarnwick() = TarnwickExports();
        delete Form1;
        delete MainFormular;
    }

    void init() {
        fail_conversions = fail_lat_long = false;
        MainFormular->PageControl1->setCurrentIndex(0);
        for (TNumMaskEdit* field :
             {MainFormular->NumMaskEdit1, MainFormular->NumMaskEdit2, MainFormular->NumMaskEdit5,
              MainFormular->NumMaskEdit3, MainFormular->NumMaskEdit4}) {
            field->setText(QString());
        }
        Form1->HideMarker();
        Form1->ClearPoiLabels();
        Form1->ClearCursorLabels();
        Form1->SetPointOfInterest(0, 0);
        calls.clear();
        beeps = 0;
    }

    void markerArithmetic_data() {
        QTest::addColumn<int>("easting");
        QTest::addColumn<int>("northing");
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("top");
        // 0.5 -> 0, 572.5 -> 572, 13.5 -> 14, 300.5 -> 300: halves go to the even neighbour.
        QTest::newRow("origin") << 0 << 0 << 0 << 572;
        QTest::newRow("far corner") << 700000 << 1300000 << 300 << 14;
        QTest::newRow("centre") << 350000 << 650000 << 150 << 293;
    }
    void markerArithmetic() {
        QFETCH(int, easting);
        QFETCH(int, northing);
        QFETCH(int, left);
        QFETCH(int, top);
        QCOMPARE(TForm1::EastingToMarkerLeft(easting), left);
        QCOMPARE(TForm1::NorthingToMarkerTop(northing), top);
        Form1->PlaceMarker(easting, northing);
        QVERIFY(Form1->MarkerVisible());
        QCOMPARE(Form1->Image2->pos(), QPoint(left, top));
        Form1->HideMarker();
        QVERIFY(!Form1->MarkerVisible());
    }

    void clickOnBngPagePicksPoint_data() {
        QTest::addColumn<QPoint>("pixel");
        QTest::addColumn<int>("easting");
        QTest::addColumn<int>("northing");
        QTest::newRow("top left") << QPoint(0, 0) << 0 << 1300000;
        QTest::newRow("middle") << QPoint(150, 279) << 350000 << 651163;
        QTest::newRow("bottom right") << QPoint(299, 558) << 697667 << 2326;
        QTest::newRow("one in") << QPoint(1, 1) << 2333 << 1297674;
    }
    void clickOnBngPagePicksPoint() {
        QFETCH(QPoint, pixel);
        QFETCH(int, easting);
        QFETCH(int, northing);
        ClickMap(pixel);
        QCOMPARE(Form1->PoiEasting, easting);
        QCOMPARE(Form1->PoiNorthing, northing);
        QCOMPARE(ReadInt(MainFormular->NumMaskEdit1), easting);
        QCOMPARE(ReadInt(MainFormular->NumMaskEdit2), northing);
        QCOMPARE(MainFormular->NumMaskEdit1->text().size(), 6);  // written padded
        QCOMPARE(MainFormular->NumMaskEdit2->text().size(), 7);
        QVERIFY(Form1->MarkerVisible());
        QCOMPARE(Form1->Image2->pos(), QPoint(TForm1::EastingToMarkerLeft(easting),
                                              TForm1::NorthingToMarkerTop(northing)));
        // No conversion on this page, only the unbracketed lookup for the labels.
        QCOMPARE(
            calls,
            QStringList{
                QStringLiteral("from_bng_to_wgs84_lat_long %1 %2").arg(easting).arg(northing)});
        QVERIFY(!Form1->Label5->text().isEmpty());
        QVERIFY(!Form1->Label8->text().isEmpty());
        QVERIFY(MainFormular->NumMaskEdit8->text().isEmpty());
        QCOMPARE(beeps, 0);
    }

    void poiLabelsShowLatitudeAndLongitude() {
        // BNG (400000, 100000) is about 50.799559 N, 2.001367 W in WGS84.
        Form1->SetPointOfInterest(400000, 100000);
        Form1->PoiLabels();
        QVERIFY(Form1->Label5->text().startsWith(QStringLiteral("N50\u00B047'5")));
        QVERIFY(Form1->Label8->text().startsWith(QStringLiteral("W 2\u00B0 0' 4.")));
        // A failed lookup leaves the labels as they are.
        fail_lat_long = true;
        Form1->SetPointOfInterest(1, 1);
        Form1->PoiLabels();
        QVERIFY(Form1->Label5->text().startsWith(QStringLiteral("N50")));
    }

    void clickOnUtmPageConvertsInBracket() {
        MainFormular->PageControl1->setCurrentIndex(1);
        calls.clear();
        ClickMap(QPoint(150, 279));
        QCOMPARE(calls, (QStringList{QStringLiteral("initialize_api"),
                                     QStringLiteral("convert_bng_to_utm 350000 651163"),
                                     QStringLiteral("finalize_api"),
                                     QStringLiteral("from_bng_to_wgs84_lat_long 350000 651163")}));
        signed char zone = 0;
        int e = 0, n = 0;
        TarnwickExports().convert_bng_to_utm(350000, 651163, &zone, &e, &n);
        QCOMPARE(int(zone), 30);
        QCOMPARE(int(Form1->PoiZone), 30);
        QCOMPARE(MainFormular->NumMaskEdit5->text(), QStringLiteral("30"));
        QCOMPARE(ReadInt(MainFormular->NumMaskEdit3), e);
        QCOMPARE(ReadInt(MainFormular->NumMaskEdit4), n);
        QVERIFY(Form1->MarkerVisible());
        QVERIFY(!Form1->Label5->text().isEmpty());
        QCOMPARE(beeps, 0);
    }

    void failedConversionOnUtmPageKeepsInputs() {
        MainFormular->PageControl1->setCurrentIndex(1);
        MainFormular->NumMaskEdit5->setText(QStringLiteral("29"));
        MainFormular->NumMaskEdit3->setText(QStringLiteral("500000"));
        calls.clear();
        fail_conversions = true;
        ClickMap(QPoint(10, 10));
        QCOMPARE(int(Form1->PoiZone), -1);
        QCOMPARE(MainFormular->NumMaskEdit5->text(), QStringLiteral("29"));
        QCOMPARE(ReadInt(MainFormular->NumMaskEdit3), 500000);
        QCOMPARE(calls.count(QStringLiteral("finalize_api")), 1);  // the bracket is closed
        QVERIFY(Form1->MarkerVisible());  // the point is shown all the same, without a beep
        QCOMPARE(beeps, 0);
    }

    // Regression: the second button press of a double-click reached the map as a double-click
    // event only and was lost, so a quick second click picked no point.
    void everyButtonPressOfADoubleClickPicksThePoint() {
        MainFormular->PageControl1->setCurrentIndex(1);
        MoveMouse(Form1->Image1, QPoint(150, 279));
        calls.clear();
        QTest::mouseDClick(Form1->windowHandle(), Qt::LeftButton, {},
                           Form1->Image1->mapTo(Form1, QPoint(150, 279)));
        QCOMPARE(calls.count(QStringLiteral("convert_bng_to_utm 350000 651163")), 2);
        QCOMPARE(calls.count(QStringLiteral("finalize_api")), 2);
        QCOMPARE(beeps, 0);
    }

    void clickOnOtherPagesOnlyBeeps() {
        for (int page = 2; page <= 4; ++page) {
            MarkerAt(0, 123000, 456000);
            MainFormular->PageControl1->setCurrentIndex(page);
            Form1->PlaceMarker(123000, 456000);
            const QPoint marker = Form1->Image2->pos();
            ClickMap(QPoint(150, 279));
            QCOMPARE(beeps, 1);
            QCOMPARE(Form1->PoiEasting, 123000);
            QCOMPARE(Form1->PoiNorthing, 456000);
            QCOMPARE(Form1->Image2->pos(), marker);
            QCOMPARE(ReadInt(MainFormular->NumMaskEdit1), 111111);
            QVERIFY(calls.isEmpty());
        }
    }

    void cursorLabelsFollowTheMouse() {
        MoveMouse(Form1->Panel1, QPoint(5, 5));
        MoveMouse(Form1->Image1, QPoint(150, 279));
        double lat = 0, lon = 0;
        TarnwickExports().from_bng_to_wgs84_lat_long(350000, 651163, &lat, &lon);
        QTRY_COMPARE(Form1->Label1->text(), FormatAngle(lat, AngleKind::latitude));
        QCOMPARE(Form1->Label2->text(), FormatAngle(lon, AngleKind::longitude));
        QVERIFY(!calls.contains(QStringLiteral("initialize_api")));  // lookups are unbracketed

        // Onto the white border around the map: the labels empty.
        MoveMouse(Form1->Panel1, QPoint(5, 300));
        QTRY_VERIFY(Form1->Label1->text().isEmpty());
        QVERIFY(Form1->Label2->text().isEmpty());

        // A failed lookup leaves the labels unchanged.
        Form1->Label1->setText(QStringLiteral("kept"));
        fail_lat_long = true;
        Form1->Image1MouseMove(20, 20);
        QCOMPARE(Form1->Label1->text(), QStringLiteral("kept"));
    }

    void arrowStepsByModifier_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("de");
        QTest::addColumn<int>("dn");
        QTest::newRow("up") << int(Qt::Key_Up) << int(Qt::NoModifier) << 0 << 1000;
        QTest::newRow("up alt") << int(Qt::Key_Up) << int(Qt::AltModifier) << 0 << 100;
        QTest::newRow("up ctrl") << int(Qt::Key_Up) << int(Qt::ControlModifier) << 0 << 10;
        QTest::newRow("up shift") << int(Qt::Key_Up) << int(Qt::ShiftModifier) << 0 << 1;
        QTest::newRow("alt wins over ctrl")
            << int(Qt::Key_Up) << int(Qt::AltModifier | Qt::ControlModifier) << 0 << 100;
        QTest::newRow("ctrl wins over shift")
            << int(Qt::Key_Up) << int(Qt::ControlModifier | Qt::ShiftModifier) << 0 << 10;
        QTest::newRow("all three")
            << int(Qt::Key_Up) << int(Qt::AltModifier | Qt::ControlModifier | Qt::ShiftModifier)
            << 0 << 100;
        QTest::newRow("down") << int(Qt::Key_Down) << int(Qt::NoModifier) << 0 << -1000;
        QTest::newRow("left ctrl") << int(Qt::Key_Left) << int(Qt::ControlModifier) << -10 << 0;
        QTest::newRow("right shift") << int(Qt::Key_Right) << int(Qt::ShiftModifier) << 1 << 0;
    }
    void arrowStepsByModifier() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, de);
        QFETCH(int, dn);
        MarkerAt(0, 300000, 600000);
        QTest::keyClick(Form1, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(beeps, 0);
        QCOMPARE(Form1->PoiEasting, 300000 + de);
        QCOMPARE(Form1->PoiNorthing, 600000 + dn);
        QCOMPARE(ReadInt(MainFormular->NumMaskEdit1), 300000 + de);
        QCOMPARE(ReadInt(MainFormular->NumMaskEdit2), 600000 + dn);
        QVERIFY(Form1->MarkerVisible());
        QCOMPARE(Form1->Image2->pos(), QPoint(TForm1::EastingToMarkerLeft(300000 + de),
                                              TForm1::NorthingToMarkerTop(600000 + dn)));
        QVERIFY(!Form1->Label5->text().isEmpty());
    }

    void arrowNeverLeavesTheMap_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("easting");
        QTest::addColumn<int>("northing");
        QTest::addColumn<int>("to_easting");
        QTest::addColumn<int>("to_northing");
        QTest::newRow("left at 500") << int(Qt::Key_Left) << 500 << 5000 << 500 << 5000;
        QTest::newRow("left at 1000") << int(Qt::Key_Left) << 1000 << 5000 << 0 << 5000;
        QTest::newRow("right at 699001") << int(Qt::Key_Right) << 699001 << 5000 << 699001 << 5000;
        QTest::newRow("right at 699000") << int(Qt::Key_Right) << 699000 << 5000 << 700000 << 5000;
        QTest::newRow("up at 1299500") << int(Qt::Key_Up) << 5000 << 1299500 << 5000 << 1299500;
        QTest::newRow("up at 1299000") << int(Qt::Key_Up) << 5000 << 1299000 << 5000 << 1300000;
        QTest::newRow("down at 999") << int(Qt::Key_Down) << 5000 << 999 << 5000 << 999;
        QTest::newRow("down at 1000") << int(Qt::Key_Down) << 5000 << 1000 << 5000 << 0;
    }
    void arrowNeverLeavesTheMap() {
        QFETCH(int, key);
        QFETCH(int, easting);
        QFETCH(int, northing);
        QFETCH(int, to_easting);
        QFETCH(int, to_northing);
        MarkerAt(0, easting, northing);
        Form1->Label1->setText(QStringLiteral("cursor"));
        Form1->Label2->setText(QStringLiteral("cursor"));
        QTest::keyClick(Form1, Qt::Key(key));
        const bool refused = to_easting == easting && to_northing == northing;
        QCOMPARE(beeps, refused ? 1 : 0);
        QCOMPARE(Form1->PoiEasting, to_easting);
        QCOMPARE(Form1->PoiNorthing, to_northing);
        // Refused or not, the fields are rewritten, the marker placed again, the cursor labels
        // emptied.
        QCOMPARE(ReadInt(MainFormular->NumMaskEdit1), to_easting);
        QCOMPARE(ReadInt(MainFormular->NumMaskEdit2), to_northing);
        QVERIFY(Form1->MarkerVisible());
        QCOMPARE(Form1->Image2->pos().x(), TForm1::EastingToMarkerLeft(to_easting));
        QVERIFY(Form1->Label1->text().isEmpty());
        QVERIFY(Form1->Label2->text().isEmpty());
    }

    void arrowOnUtmPageConverts() {
        MarkerAt(1, 530000, 180000);
        QTest::keyClick(Form1, Qt::Key_Right, Qt::AltModifier);
        QCOMPARE(calls.mid(0, 3), (QStringList{QStringLiteral("initialize_api"),
                                               QStringLiteral("convert_bng_to_utm 530100 180000"),
                                               QStringLiteral("finalize_api")}));
        QCOMPARE(MainFormular->NumMaskEdit5->text(), QStringLiteral("30"));
        QCOMPARE(ReadInt(MainFormular->NumMaskEdit3), Form1->PoiUtmEasting);
        QCOMPARE(ReadInt(MainFormular->NumMaskEdit4), Form1->PoiUtmNorthing);
        // The BNG inputs of page 0 are not touched from page 1.
        QCOMPARE(ReadInt(MainFormular->NumMaskEdit1), 111111);
        QVERIFY(Form1->MarkerVisible());
    }

    void keysBeepWithoutMarkerOrOnOtherPages_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<bool>("marker");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        // Modifier keys go down on their own (QTest would press a modifier twice over if it
        // were given as one too).
        QTest::newRow("shift alone, no marker")
            << 0 << false << int(Qt::Key_Shift) << int(Qt::NoModifier);
        QTest::newRow("ctrl alone, no marker")
            << 1 << false << int(Qt::Key_Control) << int(Qt::NoModifier);
        QTest::newRow("letter, no marker") << 0 << false << int(Qt::Key_X) << int(Qt::NoModifier);
        QTest::newRow("arrow, no marker") << 0 << false << int(Qt::Key_Left) << int(Qt::NoModifier);
        QTest::newRow("arrow on paper") << 2 << true << int(Qt::Key_Left) << int(Qt::NoModifier);
        QTest::newRow("shift on help") << 3 << true << int(Qt::Key_Shift) << int(Qt::NoModifier);
    }
    void keysBeepWithoutMarkerOrOnOtherPages() {
        QFETCH(int, page);
        QFETCH(bool, marker);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        MarkerAt(page, 5000, 5000);
        if (!marker) {
            Form1->HideMarker();
        }
        QTest::keyClick(Form1, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(beeps, 1);
        QCOMPARE(Form1->PoiEasting, 5000);
        QCOMPARE(Form1->MarkerVisible(), marker);
        QCOMPARE(ReadInt(MainFormular->NumMaskEdit1), 111111);
    }

    void otherKeysDoNothingWhileMarkerShown() {
        MarkerAt(0, 5000, 5000);
        QTest::keyClick(Form1, Qt::Key_Shift);
        QTest::keyClick(Form1, Qt::Key_X);
        QCOMPARE(beeps, 0);
        QCOMPARE(ReadInt(MainFormular->NumMaskEdit1), 111111);
        QVERIFY(calls.isEmpty());
    }

    void keysCAndAReachTheConverter() {
        // London lies in the overlap strip along 0 degrees: alternative values exist.
        MainFormular->NumMaskEdit1->setText(QStringLiteral("530000"));
        MainFormular->NumMaskEdit2->setText(QStringLiteral("180000"));
        calls.clear();
        QTest::keyClick(Form1, Qt::Key_C);
        QCOMPARE(calls.first(), QStringLiteral("initialize_api"));
        QCOMPARE(MainFormular->NumMaskEdit8->text().trimmed(), QStringLiteral("30"));
        QVERIFY(MainFormular->AltAvailable);
        QVERIFY(!MainFormular->SpeedButton1->isChecked());
        QTest::keyClick(Form1, Qt::Key_A);
        QVERIFY(MainFormular->AltShown);
        QVERIFY(MainFormular->SpeedButton1->isChecked());
        QCOMPARE(MainFormular->NumMaskEdit8->text().trimmed(), QStringLiteral("31"));
        QTest::keyClick(Form1, Qt::Key_A);
        QVERIFY(!MainFormular->AltShown);
        QVERIFY(!MainFormular->SpeedButton1->isChecked());
        // Other pages: nothing.
        MainFormular->PageControl1->setCurrentIndex(2);
        calls.clear();
        QTest::keyClick(Form1, Qt::Key_C);
        QVERIFY(!calls.contains(QStringLiteral("initialize_api")));
    }

    void formatAngle_data() {
        QTest::addColumn<double>("degrees");
        QTest::addColumn<bool>("latitude");
        QTest::addColumn<QString>("text");
        const auto d = [](int deg, int min, double sec) { return deg + min / 60.0 + sec / 3600; };
        QTest::newRow("zero") << 0.0 << false << QStringLiteral("E 0\u00B0 0' 0.000\"");
        QTest::newRow("1.5 W") << -1.5 << false << QStringLiteral("W 1\u00B030' 0.000\"");
        QTest::newRow("a hair below 1.5 W")
            << -1.4999999999 << false << QStringLiteral("W 1\u00B030' 0.000\"");
        QTest::newRow("59.9996 s carry")
            << d(1, 2, 59.9996) << false << QStringLiteral("E 1\u00B0 3' 0.000\"");
        QTest::newRow("carry into degrees")
            << d(3, 59, 59.99971) << false << QStringLiteral("E 4\u00B0 0' 0.000\"");
        QTest::newRow("59.9994 s stays")
            << d(1, 2, 59.9994) << false << QStringLiteral("E 1\u00B0 2'59.999\"");
        QTest::newRow("seconds") << d(1, 2, 3.456) << false
                                 << QStringLiteral("E 1\u00B0 2' 3.456\"");
        QTest::newRow("10 E") << 10.5 << false << QStringLiteral("E10\u00B030' 0.000\"");
        QTest::newRow("10 W") << -10.0 << false << QStringLiteral("W10\u00B0 0' 0.000\"");
        QTest::newRow("latitude N")
            << d(52, 39, 28.75) << true << QStringLiteral("N52\u00B039'28.750\"");
        QTest::newRow("latitude S") << -5.25 << true << QStringLiteral("S 5\u00B015' 0.000\"");
    }
    void formatAngle() {
        QFETCH(double, degrees);
        QFETCH(bool, latitude);
        QFETCH(QString, text);
        QCOMPARE(
            FormatAngle(Radians(degrees), latitude ? AngleKind::latitude : AngleKind::longitude),
            text);
    }

    void formatAngleUsesLocaleSeparator() {
        const QLocale before;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const QString text = FormatAngle(Radians(-1.5));
        QLocale::setDefault(before);
        QCOMPARE(text, QStringLiteral("W 1\u00B030' 0,000\""));
        QCOMPARE(text.size(), 14);
    }
};

VELMONT_TEST_MAIN(TestKarte)
#include "tst_karte.moc"
