// The converter window on the real libtarnwick.so, bound through the binding table: typed
// conversions both ways, the library's failure values, the overlap strip and its alternative
// values. Every call is recorded on its way to the library, and each conversion must run
// inside its own initialize_api ... finalize_api bracket.
#include <QtTest>

#include "converter_fixture.hpp"
#include "velmont_test_main.hpp"

class TestVelmontLibrary : public ConverterFixture {
    Q_OBJECT

  private slots:
    void initTestCase() {
        if (!PrepareLibrary()) {
            QSKIP("built without libtarnwick.so");
        }
    }

    void init() { SetUp(); }
    void cleanup() { TearDown(); }

    void convertsBngToUtm() {
        Type(w()->NumMaskEdit1, QStringLiteral("651410"));
        Type(w()->NumMaskEdit2, QStringLiteral("313177"));
        Press('c');
        QCOMPARE(w()->NumMaskEdit8->Text(), QStringLiteral("31"));
        QCOMPARE(w()->NumMaskEdit9->Text(), QStringLiteral("413156"));
        QCOMPARE(w()->NumMaskEdit10->Text(), QStringLiteral("5834998"));
        QCOMPARE(Paper().last(), QStringLiteral(" 651410   313177    =>   31  413156  5834998 "));
        QCOMPARE(recording::Calls().at(1),
                 QStringLiteral("convert_bng_to_utm(651410,313177)->31,413156,5834998"));
        QCOMPARE(recording::Calls().at(3),
                 QStringLiteral("is_in_overlap_region(313177,651410)->1,1,1"));
        QVERIFY(w()->SpeedButton1->isHidden());
        // The point of interest above the map: latitude 52 degrees 39 minutes north.
        QVERIFY2(Form1->Label5->text().startsWith(QStringLiteral("N52\u00B039'")),
                 qPrintable(Form1->Label5->text()));
        QVERIFY(Form1->Label8->text().startsWith(QStringLiteral("E 1\u00B042'")));
        QVERIFY(Form1->MarkerVisible());
        QCOMPARE(beeps_, 0);
    }

    void convertsUtmToBng() {
        ShowPage(TMainFormular::PageUtmToBng);
        Type(w()->NumMaskEdit5, QStringLiteral("31"));
        Type(w()->NumMaskEdit3, QStringLiteral("413156"));
        Type(w()->NumMaskEdit4, QStringLiteral("5834998"));
        QTest::mouseClick(w()->NumMaskEdit6, Qt::LeftButton);
        QCOMPARE(w()->NumMaskEdit6->Text(), QStringLiteral("651410"));
        QCOMPARE(w()->NumMaskEdit7->Text(), QStringLiteral(" 313177"));
        QCOMPARE(Paper().last(), QStringLiteral(" 651410   313177   <=    31  413156  5834998 "));
        QCOMPARE(beeps_, 0);
    }

    void outOfRangeEastingGivesTheLibraryFailure() {
        Type(w()->NumMaskEdit2, QStringLiteral("313177"));
        Type(w()->NumMaskEdit1, QStringLiteral("800000"), false);
        Press('c');
        QCOMPARE(recording::Calls().at(1),
                 QStringLiteral("convert_bng_to_utm(800000,313177)->-1,-1,-1"));
        QCOMPARE(w()->NumMaskEdit9->Text(), QString());
        QCOMPARE(beeps_, 1);
        QVERIFY(!Form1->MarkerVisible());
        QCOMPARE(w()->PaperLines, 0);
    }

    void overlapStripOffersTheNeighbouringZone() {
        Type(w()->NumMaskEdit1, QStringLiteral("537395"));
        Type(w()->NumMaskEdit2, QStringLiteral("235395"));
        Press('c');
        QCOMPARE(w()->NumMaskEdit8->Text(), QStringLiteral("30"));
        QCOMPARE(w()->NumMaskEdit9->Text(), QStringLiteral("705929"));
        QVERIFY(recording::Calls().contains(
            QStringLiteral("convert_to_overlap_zone(30,705929,5765289,31)->294071,5765289")));
        QVERIFY(w()->SpeedButton1->isEnabled());
        for (int i = 0; i < 3; ++i) {
            Press('a');
        }
        QCOMPARE(w()->NumMaskEdit8->Text(), QStringLiteral("31"));
        QCOMPARE(w()->NumMaskEdit9->Text(), QStringLiteral("294071"));
        QCOMPARE(w()->PaperLines, 4);

        // The alternative values go back to the same National Grid point on the other page.
        ShowPage(TMainFormular::PageUtmToBng);
        QTest::mouseDClick(w()->NumMaskEdit5, Qt::LeftButton);
        QTest::mouseDClick(w()->NumMaskEdit3, Qt::LeftButton);
        QTest::mouseDClick(w()->NumMaskEdit4, Qt::LeftButton);
        Press('c');
        QCOMPARE(w()->NumMaskEdit6->Text(), QStringLiteral("537395"));
        QCOMPARE(w()->NumMaskEdit7->Text(), QStringLiteral(" 235395"));
        QCOMPARE(w()->PaperLines, 5);
    }
};

VELMONT_TEST_MAIN(TestVelmontLibrary)
#include "tst_velmont_library.moc"
