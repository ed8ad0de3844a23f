// What the user types, clicks or pastes is exactly what gets converted, every value the
// converter shows converts back, and the map window stays and shows no stale values. The real
// libtarnwick.so answers, behind the recording table; every test drives real widgets.
#include <QClipboard>
#include <QWindow>
#include <QtTest>

#include "converter_fixture.hpp"
#include "velmont_test_main.hpp"

class TestDataEntry : public ConverterFixture {
    Q_OBJECT

    static void ClickAt(TNumMaskEdit* field, QPoint at) {
        QTest::mouseClick(field, Qt::LeftButton, {}, at);
    }

    static void Paste(TNumMaskEdit* field, const QString& text) {
        QGuiApplication::clipboard()->setText(text);
        QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
    }

    // Page 0 converted for a typed point, with the focus left in the northing field.
    void ConvertTyped(int easting, int northing) {
        Type(w()->NumMaskEdit1, QString::number(easting));
        Type(w()->NumMaskEdit2, QString::number(northing), false);
        Press('c');
        QVERIFY(!w()->NumMaskEdit8->Text().isEmpty());
    }

    static QString Shown(TNumMaskEdit* zone, TNumMaskEdit* easting, TNumMaskEdit* northing) {
        return zone->Text().trimmed() + QLatin1Char(' ') + easting->Text().trimmed() +
               QLatin1Char(' ') + northing->Text().trimmed();
    }

  private slots:
    void initTestCase() {
        if (!PrepareLibrary()) {
            QSKIP("built without libtarnwick.so");
        }
    }
    void init() { SetUp(); }
    void cleanup() { TearDown(); }

    // Fault: a click into an empty field left the caret where it landed, so typed digits
    // past the last slot were dropped without a sound and a different number converted.
    void typingAfterAClickAnywhereInAnEmptyField_data() {
        QTest::addColumn<double>("across");  // where the click lands, share of the width
        QTest::newRow("middle") << 0.5;
        QTest::newRow("right end") << 0.97;
        QTest::newRow("left end") << 0.02;
    }
    void typingAfterAClickAnywhereInAnEmptyField() {
        QFETCH(double, across);
        TNumMaskEdit* field = w()->NumMaskEdit1;
        ClickAt(field, QPoint(int(field->width() * across), field->height() / 2));
        QTest::keyClicks(field, QStringLiteral("651410"));
        QCOMPARE(field->Text(), QStringLiteral("651410"));
        QCOMPARE(beeps_, 0);
        QTest::keyClicks(field, QStringLiteral("7"));  // no slot left: refused aloud
        QCOMPARE(field->Text(), QStringLiteral("651410"));
        QCOMPARE(beeps_, 1);
    }

    // Fault: a paste kept only the digits of the clipboard, so "53000.5" became 530005.
    void pasteTakesOnlyAWholeNumberThatFits_data() {
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QString>("value");  // empty: refused, the field keeps 123456
        QTest::newRow("decimal") << "53000.5"
                                 << "";
        QTest::newRow("negative") << "-400000"
                                  << "";
        QTest::newRow("grouped decimal") << "1,234.5"
                                         << "";
        QTest::newRow("full stop grouping") << "530.000"
                                            << "";
        QTest::newRow("comma grouping") << "530,000"
                                        << "";
        QTest::newRow("letters") << "6a5 1-4"
                                 << "";
        QTest::newRow("too long") << "1234567"
                                  << "";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("plain") << "530000"
                               << "530000";
        QTest::newRow("short, right-aligned") << "37395"
                                              << " 37395";
        QTest::newRow("blank grouping") << "530 000"
                                        << "530000";
        QTest::newRow("thin space grouping") << "530\u2009000"
                                             << "530000";
        QTest::newRow("the field's own shown text") << "     _37 395"
                                                    << " 37395";
        QTest::newRow("line end of a copied cell") << "651410\n"
                                                   << "651410";
    }
    void pasteTakesOnlyAWholeNumberThatFits() {
        QFETCH(QString, clipboard);
        QFETCH(QString, value);
        TNumMaskEdit* field = w()->NumMaskEdit1;
        Type(field, QStringLiteral("123456"), false);
        beeps_ = 0;
        Paste(field, clipboard);
        QCOMPARE(field->Text(), value.isEmpty() ? QStringLiteral("123456") : value);
        QCOMPARE(beeps_, value.isEmpty() ? 1 : 0);
        QCOMPARE(w()->NumMaskEdit2->Text(), QString());  // a single number fills one field
    }

    // Fault: the page change stored page 0's shown values for reuse only after the field's
    // exit handler had emptied them, so the alternative values never reached page 1.
    void alternativeValuesReachTheOtherPageInTheKeyboardFlow() {
        ConvertTyped(530000, 180000);
        QCOMPARE(Shown(w()->NumMaskEdit8, w()->NumMaskEdit9, w()->NumMaskEdit10),
                 QStringLiteral("30 699293 5709783"));
        Press('a');
        QCOMPARE(Shown(w()->NumMaskEdit8, w()->NumMaskEdit9, w()->NumMaskEdit10),
                 QStringLiteral("31 282896 5710514"));
        ShowPage(TMainFormular::PageUtmToBng);
        QTest::mouseDClick(w()->NumMaskEdit5, Qt::LeftButton);
        QTest::mouseDClick(w()->NumMaskEdit3, Qt::LeftButton);
        QTest::mouseDClick(w()->NumMaskEdit4, Qt::LeftButton);
        QCOMPARE(Shown(w()->NumMaskEdit5, w()->NumMaskEdit3, w()->NumMaskEdit4),
                 QStringLiteral("31 282896 5710514"));
        // Reformatting the northing on leaving did not change its number: the results stay.
        QCOMPARE(Shown(w()->NumMaskEdit8, w()->NumMaskEdit9, w()->NumMaskEdit10),
                 QStringLiteral("31 282896 5710514"));
    }

    // Fault: the zone ranges of page 1 refused values page 0 shows (London's alternative in
    // zone 31, the grid's north-east corner in zone 31), with two beeps.
    void everyShownValueConvertsBack_data() {
        QTest::addColumn<int>("easting");
        QTest::addColumn<int>("northing");
        QTest::newRow("London") << 530000 << 180000;
        QTest::newRow("north-east corner") << 700000 << 1300000;
        QTest::newRow("south-east corner") << 700000 << 0;
        QTest::newRow("south-west corner") << 0 << 0;
        QTest::newRow("north-west corner") << 0 << 1300000;
        QTest::newRow("west edge of the 0 degree strip, south") << 496430 << 0;
        QTest::newRow("west edge of the 0 degree strip, north") << 459391 << 1300000;
        QTest::newRow("east edge of the 6 degree strip, south") << 157148 << 0;
        QTest::newRow("east edge of the 6 degree strip, north") << 232337 << 1300000;
        QTest::newRow("Norfolk") << 651410 << 313177;
    }
    void everyShownValueConvertsBack() {
        QFETCH(int, easting);
        QFETCH(int, northing);
        ConvertTyped(easting, northing);
        QStringList shown{Shown(w()->NumMaskEdit8, w()->NumMaskEdit9, w()->NumMaskEdit10)};
        if (w()->AltAvailable) {
            Press('a');
            shown << Shown(w()->NumMaskEdit8, w()->NumMaskEdit9, w()->NumMaskEdit10);
        }
        ShowPage(TMainFormular::PageUtmToBng);
        for (const QString& utm : shown) {
            const QStringList parts = utm.split(QLatin1Char(' '));
            Type(w()->NumMaskEdit5, parts[0]);
            Type(w()->NumMaskEdit3, parts[1]);
            Type(w()->NumMaskEdit4, parts[2]);
            QCOMPARE(Shown(w()->NumMaskEdit5, w()->NumMaskEdit3, w()->NumMaskEdit4), utm);
            Press('c');
            QVERIFY2(beeps_ == 0, qPrintable(utm));
            QVERIFY(std::abs(w()->NumMaskEdit6->Text().trimmed().toInt() - easting) <= 3);
            QVERIFY(std::abs(w()->NumMaskEdit7->Text().trimmed().toInt() - northing) <= 3);
        }
    }

    // Fault: a click on the "UTM " heading switched the values but left the button's state.
    void theButtonAlwaysShowsWhichValuesAreShown() {
        ConvertTyped(530000, 180000);
        const auto check = [](bool alternative) {
            QCOMPARE(w()->AltShown, alternative);
            QCOMPARE(w()->SpeedButton1->isChecked(), alternative);
            QCOMPARE(w()->NumMaskEdit8->Text(), alternative ? QStringLiteral("31") : "30");
        };
        QTest::mouseClick(w()->Label6, Qt::LeftButton);
        check(true);
        QTest::mouseClick(w()->SpeedButton1, Qt::LeftButton);
        check(false);
        Press('A');  // capital letters act like small ones
        check(true);
        QTest::mouseClick(w()->Label6, Qt::LeftButton);
        check(false);
    }

    // Fault: a window manager's close request closed the map window for good.
    void theMapWindowRefusesToClose() {
        QCloseEvent request;  // as the window manager sends it to the window
        QCoreApplication::sendEvent(Form1->windowHandle(), &request);
        QVERIFY(Form1->isVisible());
        QVERIFY(!Form1->close());
        QVERIFY(Form1->isVisible());
    }

    // Fault: leaving the map quickly, or onto the labels, left the cursor's latitude and
    // longitude shown.
    void cursorLabelsEmptyWhenThePointerLeavesTheMap_data() {
        QTest::addColumn<bool>("ontoLabel");
        QTest::newRow("onto a label above the map") << true;
        QTest::newRow("out of the window") << false;
    }
    void cursorLabelsEmptyWhenThePointerLeavesTheMap() {
        QFETCH(bool, ontoLabel);
        QTest::mouseMove(Form1->windowHandle(), Form1->Image1->mapTo(Form1, QPoint(150, 279)));
        QTRY_VERIFY(!Form1->Label1->text().isEmpty());
        if (ontoLabel) {
            QTest::mouseMove(Form1->windowHandle(), Form1->Label8->geometry().center());
        } else {
            QTest::mouseMove(w()->windowHandle(), QPoint(5, 5));
        }
        QTRY_VERIFY(Form1->Label1->text().isEmpty());
        QVERIFY(Form1->Label2->text().isEmpty());
    }

    void gridReferenceOfTheLastResultOnBothPages() {
        ConvertTyped(651410, 313177);
        QCOMPARE(w()->GridReference1->text(), QStringLiteral("TG 51410 13177"));
        QVERIFY(w()->GridReference1->isReadOnly());
        Type(w()->NumMaskEdit1, QStringLiteral("1"), false);  // no result, no reference
        QCOMPARE(w()->GridReference1->text(), QString());
        ShowPage(TMainFormular::PageUtmToBng);
        Type(w()->NumMaskEdit5, QStringLiteral("30"));
        Type(w()->NumMaskEdit3, QStringLiteral("570374"));
        Type(w()->NumMaskEdit4, QStringLiteral("5628011"), false);
        Press('C');
        QCOMPARE(w()->GridReference2->text(), QStringLiteral("SU 00000 00000"));
        Type(w()->NumMaskEdit4, QStringLiteral("5500000"), false);  // south of the grid
        Press('c');
        QCOMPARE(beeps_, 1);
        QCOMPARE(w()->GridReference2->text(), QString());
    }

    void pastingAPointFillsBothBngInputs_data() {
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QString>("point");  // empty: refused with a beep, inputs unchanged
        QTest::newRow("reference") << "TG 51410 13177"
                                   << "651410 313177";
        QTest::newRow("reference, small letters, no blanks") << "tg5141013177"
                                                             << "651410 313177";
        QTest::newRow("6-digit reference: south-west corner") << "TG 514 131"
                                                              << "651400 313100";
        QTest::newRow("pair") << "651410 313177"
                              << "651410 313177";
        QTest::newRow("pair with a comma") << "651410,313177"
                                           << "651410 313177";
        QTest::newRow("no such square") << "TI 12 34"
                                        << "";
        QTest::newRow("square off the grid") << "TY 5 5"
                                             << "";
        QTest::newRow("pair off the grid") << "800000 100000"
                                           << "";
    }
    void pastingAPointFillsBothBngInputs() {
        QFETCH(QString, clipboard);
        QFETCH(QString, point);
        Type(w()->NumMaskEdit1, QStringLiteral("1"));
        Type(w()->NumMaskEdit2, QStringLiteral("2"), false);
        Paste(w()->NumMaskEdit2, clipboard);
        const QString inputs =
            w()->NumMaskEdit1->Text().trimmed() + ' ' + w()->NumMaskEdit2->Text().trimmed();
        QCOMPARE(inputs, point.isEmpty() ? QStringLiteral("1 2") : point);
        QCOMPARE(beeps_, point.isEmpty() ? 1 : 0);
    }

    // Fault: "53 0000" pasted into a BNG input filled the pair (53, 0), and into a UTM input
    // the number 530000; a blank-separated text is one number only in thousands grouping and a
    // pair only when it is no number and both parts have five or more digits.
    void pastedTextIsAGroupedNumberOrAnUnmistakablePair_data() {
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QString>("bng");  // both BNG inputs after a paste into the northing
        const QString refused = QStringLiteral("1 2");
        const QString pair = QStringLiteral("651410 313177");
        QTest::newRow("grouped number") << "530 000" << QStringLiteral("1 530000");
        QTest::newRow("grouped in millions") << "1 300 000" << QStringLiteral("1 1300000");
        QTest::newRow("no-break space grouping") << "12\u00a0345" << QStringLiteral("1 12345");
        QTest::newRow("pair") << "651410 313177" << pair;
        QTest::newRow("pair of five digits") << "53000 12000" << QStringLiteral("53000 12000");
        QTest::newRow("short first group") << "53 0000" << refused;
        QTest::newRow("short second group") << "5300 00" << refused;
        QTest::newRow("short second part") << "123 45" << refused;
        QTest::newRow("one-digit first part") << "5 30000" << refused;
        QTest::newRow("two blanks in a grouping") << "530  000" << refused;
        QTest::newRow("three parts") << "53000 12000 5" << refused;
        QTest::newRow("semicolon") << "651410;313177" << pair;
        QTest::newRow("tab, grouped cells") << "651 410\t313 177" << pair;
        QTest::newRow("line break") << "651410\r\n313177\n" << pair;
        QTest::newRow("decimal comma") << "651410,5" << refused;
        QTest::newRow("thousands commas") << "1,300,000" << refused;
        QTest::newRow("decimal comma, grouped") << "123 456,78901" << refused;
        QTest::newRow("empty cell between") << "651410\t\t313177" << refused;
    }
    // One rule for every field: a number fills the field pasted into, on either page; a pair
    // fills both BNG inputs and is refused by a single UTM input.
    void pastedTextIsAGroupedNumberOrAnUnmistakablePair() {
        QFETCH(QString, clipboard);
        QFETCH(QString, bng);
        Type(w()->NumMaskEdit1, QStringLiteral("1"));
        Type(w()->NumMaskEdit2, QStringLiteral("2"), false);
        beeps_ = 0;
        Paste(w()->NumMaskEdit2, clipboard);
        QCOMPARE(w()->NumMaskEdit1->Text().trimmed() + ' ' + w()->NumMaskEdit2->Text().trimmed(),
                 bng);
        QCOMPARE(beeps_, bng == QStringLiteral("1 2") ? 1 : 0);
        const bool number = bng.startsWith(QStringLiteral("1 ")) && bng != QStringLiteral("1 2");
        ShowPage(TMainFormular::PageUtmToBng);
        Type(w()->NumMaskEdit4, QStringLiteral("2"), false);
        beeps_ = 0;
        Paste(w()->NumMaskEdit4, clipboard);
        QCOMPARE(w()->NumMaskEdit4->Text().trimmed(), number ? bng.mid(2) : QStringLiteral("2"));
        QCOMPARE(beeps_, number ? 0 : 1);
    }

    void returnAndEnterConvertLikeC_data() {
        QTest::addColumn<int>("key");
        QTest::newRow("Return") << int(Qt::Key_Return);
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter);
    }
    void returnAndEnterConvertLikeC() {
        QFETCH(int, key);
        Type(w()->NumMaskEdit1, QStringLiteral("651410"));
        Type(w()->NumMaskEdit2, QStringLiteral("313177"), false);
        QTest::keyClick(w()->NumMaskEdit2, Qt::Key(key),
                        key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
        QCOMPARE(Shown(w()->NumMaskEdit8, w()->NumMaskEdit9, w()->NumMaskEdit10),
                 QStringLiteral("31 413156 5834998"));
    }

    void copyingGivesThePlainNumberAndADragSelectionStays() {
        ConvertTyped(37395, 235395);
        const int lines = w()->PaperLines;
        TNumMaskEdit* output = w()->NumMaskEdit9;
        const int y = output->height() / 2;
        QTest::mousePress(output, Qt::LeftButton, {}, QPoint(2, y));
        QTest::mouseMove(output, QPoint(output->width() - 2, y));
        QTest::mouseRelease(output, Qt::LeftButton, {}, QPoint(output->width() - 2, y));
        QVERIFY(output->hasSelectedText());  // a drag is no click: nothing converted again
        QCOMPARE(w()->PaperLines, lines);
        QTest::keyClick(output, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), output->Text().trimmed());
        QTest::mouseClick(w()->NumMaskEdit1, Qt::LeftButton);
        QTest::keyClick(w()->NumMaskEdit1, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(w()->NumMaskEdit1, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("37395"));
    }
};

VELMONT_TEST_MAIN(TestDataEntry)
#include "tst_data_entry.moc"
