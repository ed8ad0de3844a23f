// The converter window driven as a user drives it: typed keys, Tab to leave a field, clicks,
// double-clicks and the keys "c" and "a", with a scripted library behind a recording binding
// table. Every test ends by checking that each conversion ran inside its own
// initialize_api ... finalize_api bracket.
#include <QClipboard>
#include <QDesktopServices>
#include <QTextBlock>
#include <QtTest>

#include "converter_fixture.hpp"
#include "help_text.hpp"
#include "velmont_test_main.hpp"

class TestMainFormular : public ConverterFixture {
    Q_OBJECT

    QList<QUrl> opened_;

    void ConvertOverlapPoint() {
        Type(w()->NumMaskEdit1, QStringLiteral("537395"));
        Type(w()->NumMaskEdit2, QStringLiteral("235395"));
        Press('c');
        QCOMPARE(w()->NumMaskEdit8->Text(), QStringLiteral("30"));
    }

  public slots:
    void OpenUrl(const QUrl& url) { opened_ << url; }

  private slots:
    void initTestCase() {
        Prepare(recording::Fake());
        QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "OpenUrl");
    }

    void cleanupTestCase() { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }

    void init() {
        SetUp();
        opened_.clear();
    }

    void cleanup() { TearDown(); }

    void windowAtStart() {
        QCOMPARE(w()->windowTitle(), QStringLiteral("  The Vantre BNG <> UTM  Converter"));
        QCOMPARE(w()->size(), QSize(396, 218));
        QCOMPARE(w()->minimumSize(), w()->maximumSize());
        QCOMPARE(w()->windowFlags() & Qt::WindowMaximizeButtonHint, Qt::WindowFlags());
        const QStringList captions = {"BNG > UTM", "UTM > BNG", "Paper", "Help", "Info"};
        const QList<QWidget*> pages = {w()->TabSheet1, w()->TabSheet2, w()->TabSheet5,
                                       w()->TabSheet4, w()->TabSheet3};
        for (int i = 0; i < captions.size(); ++i) {
            QCOMPARE(w()->PageControl1->tabText(i), captions[i]);
            QCOMPARE(w()->PageControl1->widget(i), pages[i]);
        }
        QVERIFY(w()->PageControl1->isAncestorOf(QApplication::focusWidget()));
        QVERIFY(w()->SpeedButton1->isHidden());
        QVERIFY(!w()->SpeedButton1->isEnabled());
        QCOMPARE(w()->SpeedButton1->toolTip(), QStringLiteral(" Alternative values "));
        QCOMPARE(w()->NumMaskEdit1->toolTip(), QStringLiteral(" 0 .. 700 000 "));
        QCOMPARE(w()->NumMaskEdit2->toolTip(), QStringLiteral(" 0 .. 1 300 000 "));
        QCOMPARE(w()->NumMaskEdit5->toolTip(), QStringLiteral(" 29 .. 31 "));
        QCOMPARE(w()->NumMaskEdit3->toolTip(), QStringLiteral(" Choose the zone first! "));
        for (TNumMaskEdit* output : {w()->NumMaskEdit8, w()->NumMaskEdit9, w()->NumMaskEdit10,
                                     w()->NumMaskEdit6, w()->NumMaskEdit7}) {
            QVERIFY(output->isReadOnly());
            QCOMPARE(output->focusPolicy(), Qt::ClickFocus);  // not a tab stop
        }
        QCOMPARE(w()->NumMaskEdit1->displayText(), QStringLiteral("     ___ ___"));
        QCOMPARE(w()->NumMaskEdit2->displayText(), QStringLiteral("  _ ___ ___"));
        QCOMPARE(w()->Memo3->toPlainText(), QString());
        QCOMPARE(w()->PaperLines, 0);
        QCOMPARE(w()->OverlapFlag, 1);
    }

    void tabOrderOfTheInputs() {
        Type(w()->NumMaskEdit1, QString(), true);
        QCOMPARE(QApplication::focusWidget(), w()->NumMaskEdit2);
        ShowPage(TMainFormular::PageUtmToBng);
        Type(w()->NumMaskEdit5, QString(), true);
        QCOMPARE(QApplication::focusWidget(), w()->NumMaskEdit3);
        QTest::keyClick(w()->NumMaskEdit3, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), w()->NumMaskEdit4);
    }

    void cWithAnEmptyNorthingDoesNothing() {
        Type(w()->NumMaskEdit1, QStringLiteral("651410"));
        Press('c');
        QCOMPARE(beeps_, 0);
        QCOMPARE(w()->PaperLines, 0);
        QCOMPARE(recording::Calls(), QStringList());
        QCOMPARE(w()->NumMaskEdit8->Text(), QString());
    }

    void firstConversionWritesHeaderSeparatorAndResult() {
        Type(w()->NumMaskEdit1, QStringLiteral("651410"));
        Type(w()->NumMaskEdit2, QStringLiteral("313177"));
        QCOMPARE(w()->NumMaskEdit2->Text(), QStringLiteral(" 313177"));  // padded on leaving
        Press('c');
        QCOMPARE(w()->NumMaskEdit8->Text(), QStringLiteral("31"));
        QCOMPARE(w()->NumMaskEdit9->Text(), QStringLiteral("413156"));
        QCOMPARE(w()->NumMaskEdit10->Text(), QStringLiteral("5834998"));
        QCOMPARE(w()->PaperLines, 3);
        const QStringList paper = Paper();
        QCOMPARE(paper.size(), 3);
        QCOMPARE(paper[0], QStringLiteral(" E BNG   N BNG     <=>   Z   E UTM   N UTM "));
        QCOMPARE(paper[1], QStringLiteral(" ------------------------------------------- "));
        QCOMPARE(paper[2], QStringLiteral(" 651410   313177    =>   31  413156  5834998 "));
        QCOMPARE(paper[2].size(), 45);
        QCOMPARE(recording::CallNames(),
                 QStringList({"initialize_api", "convert_bng_to_utm", "from_bng_to_wgs84_lat_long",
                              "is_in_overlap_region", "finalize_api"}));
        // The map window shows the point and its latitude and longitude.
        QVERIFY(Form1->MarkerVisible());
        QCOMPARE(Form1->PoiEasting, 651410);
        QCOMPARE(Form1->PoiNorthing, 313177);
        QVERIFY(!Form1->Label5->text().isEmpty());
        QVERIFY(w()->SpeedButton1->isHidden());  // no overlap here
        QCOMPARE(beeps_, 0);

        // A second conversion adds one line only; labels already filled are not looked up again.
        recording::Clear();
        QTest::mouseClick(w()->NumMaskEdit9, Qt::LeftButton);
        QCOMPARE(w()->PaperLines, 4);
        QCOMPARE(Paper().size(), 4);
        QVERIFY(!recording::CallNames().contains("from_bng_to_wgs84_lat_long"));
    }

    void outOfRangeEastingLeftWithTabIsEmptiedWithABeep() {
        Type(w()->NumMaskEdit1, QStringLiteral("800000"));
        QCOMPARE(w()->NumMaskEdit1->Text(), QString());
        QCOMPARE(beeps_, 1);
        QCOMPARE(recording::Calls(), QStringList());
    }

    void outOfRangeEastingConvertedWithCGivesTheLibraryFailure() {
        Type(w()->NumMaskEdit2, QStringLiteral("313177"));
        Form1->PlaceMarker(300000, 300000);
        Type(w()->NumMaskEdit1, QStringLiteral("800000"), false);
        Form1->PlaceMarker(300000, 300000);
        Press('c');
        QCOMPARE(w()->NumMaskEdit1->Text(), QStringLiteral("800000"));  // inputs keep their text
        QCOMPARE(w()->NumMaskEdit8->Text(), QString());
        QCOMPARE(w()->NumMaskEdit9->Text(), QString());
        QCOMPARE(w()->NumMaskEdit10->Text(), QString());
        QCOMPARE(beeps_, 1);
        QVERIFY(!Form1->MarkerVisible());
        QCOMPARE(w()->PaperLines, 0);
        QCOMPARE(recording::CallNames(),
                 QStringList({"initialize_api", "convert_bng_to_utm", "finalize_api"}));
        QCOMPARE(w()->UtmZone, static_cast<signed char>(-1));
    }

    void overlapToggledThreeTimesLogsOneExtraLine() {
        ConvertOverlapPoint();
        QVERIFY(!w()->SpeedButton1->isHidden());
        QVERIFY(w()->SpeedButton1->isEnabled());
        QVERIFY(!w()->SpeedButton1->isChecked());
        QVERIFY(recording::Calls().contains(
            "convert_to_overlap_zone(30,705929,5765289,31)->294071,5765289"));
        QCOMPARE(w()->PaperLines, 3);

        Press('a');
        QCOMPARE(w()->NumMaskEdit8->Text(), QStringLiteral("31"));
        QCOMPARE(w()->NumMaskEdit9->Text(), QStringLiteral("294071"));
        QCOMPARE(w()->NumMaskEdit10->Text(), QStringLiteral("5765289"));
        QVERIFY(w()->SpeedButton1->isChecked());
        QCOMPARE(w()->PaperLines, 4);
        QCOMPARE(Paper().last(), QStringLiteral(" 537395   235395    =>   31  294071  5765289 "));

        Press('a');
        QCOMPARE(w()->NumMaskEdit8->Text(), QStringLiteral("30"));
        QCOMPARE(w()->NumMaskEdit9->Text(), QStringLiteral("705929"));
        QVERIFY(!w()->SpeedButton1->isChecked());
        Press('a');
        QCOMPARE(w()->NumMaskEdit8->Text(), QStringLiteral("31"));
        QCOMPARE(w()->PaperLines, 4);
        QCOMPARE(Paper().size(), 4);
    }

    void buttonClickAndHeadingClickToggle() {
        ConvertOverlapPoint();
        QTest::mouseClick(w()->SpeedButton1, Qt::LeftButton);
        QVERIFY(w()->SpeedButton1->isChecked());
        QCOMPARE(w()->NumMaskEdit8->Text(), QStringLiteral("31"));
        QTest::mouseClick(w()->Label6, Qt::LeftButton);  // toggles, and the button with it
        QCOMPARE(w()->NumMaskEdit8->Text(), QStringLiteral("30"));
        QVERIFY(!w()->SpeedButton1->isChecked());
        QCOMPARE(w()->PaperLines, 4);
    }

    // Regression: the heading took the release after a double-click for a second click and
    // toggled back at once.
    void doubleClickOnTheHeadingTogglesOnce() {
        ConvertOverlapPoint();
        const QPoint heading = w()->Label6->mapTo(w(), w()->Label6->rect().center());
        QTest::mouseDClick(w()->windowHandle(), Qt::LeftButton, {}, heading);
        QCOMPARE(w()->NumMaskEdit8->Text(), QStringLiteral("31"));
        QVERIFY(w()->AltShown);
        QCOMPARE(w()->PaperLines, 4);
    }

    void aWithoutAlternativesChangesNothing() {
        Press('a');
        QVERIFY(!w()->SpeedButton1->isChecked());
        QVERIFY(w()->SpeedButton1->isHidden());
        QCOMPARE(w()->PaperLines, 0);
    }

    void changingAnInputClearsTheResults() {
        ConvertOverlapPoint();
        QVERIFY(Form1->MarkerVisible());
        Type(w()->NumMaskEdit2, QStringLiteral("4"), false);
        QCOMPARE(w()->NumMaskEdit8->Text(), QString());
        QCOMPARE(w()->NumMaskEdit10->Text(), QString());
        QVERIFY(w()->SpeedButton1->isHidden());
        QVERIFY(!w()->AltAvailable);
        QVERIFY(!Form1->MarkerVisible());
        QCOMPARE(Form1->Label5->text(), QString());
    }

    void failedAlternativeConversionOnlyBeeps() {
        Type(w()->NumMaskEdit1, QStringLiteral("530000"));
        Type(w()->NumMaskEdit2, QStringLiteral("180000"));
        Press('c');
        QCOMPARE(beeps_, 1);
        QCOMPARE(w()->NumMaskEdit9->Text(), QStringLiteral("699293"));
        QVERIFY(w()->SpeedButton1->isHidden());
        QVERIFY(!w()->AltAvailable);
        QVERIFY(Form1->MarkerVisible());
    }

    void alternativeValuesReachTheOtherPage() {
        ConvertOverlapPoint();
        Press('a');
        ShowPage(TMainFormular::PageUtmToBng);
        QVERIFY(!Form1->MarkerVisible());  // leaving the page hides the marker
        QTest::mouseDClick(w()->NumMaskEdit5, Qt::LeftButton);
        QTest::mouseDClick(w()->NumMaskEdit3, Qt::LeftButton);
        QTest::mouseDClick(w()->NumMaskEdit4, Qt::LeftButton);
        QCOMPARE(w()->NumMaskEdit5->Text(), QStringLiteral("31"));
        QCOMPARE(w()->NumMaskEdit3->Text(), QStringLiteral("294071"));
        QCOMPARE(w()->NumMaskEdit4->Text(), QStringLiteral("5765289"));
    }

    void doubleClickValuesBeforeAnyConversion() {
        QTest::mouseDClick(w()->NumMaskEdit1, Qt::LeftButton);
        QTest::mouseDClick(w()->NumMaskEdit2, Qt::LeftButton);
        QCOMPARE(w()->NumMaskEdit1->Text(), QStringLiteral("537395"));
        QCOMPARE(w()->NumMaskEdit2->Text(), QStringLiteral(" 235395"));
        ShowPage(TMainFormular::PageUtmToBng);
        QTest::mouseDClick(w()->NumMaskEdit5, Qt::LeftButton);
        QTest::mouseDClick(w()->NumMaskEdit3, Qt::LeftButton);
        QTest::mouseDClick(w()->NumMaskEdit4, Qt::LeftButton);
        QCOMPARE(w()->NumMaskEdit5->Text(), QStringLiteral("30"));
        QCOMPARE(w()->NumMaskEdit3->Text(), QStringLiteral("705929"));
        QCOMPARE(w()->NumMaskEdit4->Text(), QStringLiteral("5765289"));
        QCOMPARE(w()->NumMaskEdit3->toolTip(), QStringLiteral(" 228 991 .. 768 170 "));
    }

    void utmToBngAndBack() {
        ShowPage(TMainFormular::PageUtmToBng);
        Type(w()->NumMaskEdit5, QStringLiteral("30"));
        Type(w()->NumMaskEdit3, QStringLiteral("705929"));
        Type(w()->NumMaskEdit4, QStringLiteral("5765289"));
        QTest::mouseClick(w()->NumMaskEdit7, Qt::LeftButton);
        QCOMPARE(w()->NumMaskEdit6->Text(), QStringLiteral("537395"));
        QCOMPARE(w()->NumMaskEdit7->Text(), QStringLiteral(" 235395"));
        QCOMPARE(Paper().last(), QStringLiteral(" 537395   235395   <=    30  705929  5765289 "));
        QCOMPARE(w()->PaperLines, 3);
        QVERIFY(Form1->MarkerVisible());
        QCOMPARE(recording::CallNames(),
                 QStringList({"initialize_api", "convert_utm_to_bng", "from_bng_to_wgs84_lat_long",
                              "finalize_api"}));
        // The results come back on page "BNG > UTM" by double-click.
        ShowPage(TMainFormular::PageBngToUtm);
        QTest::mouseDClick(w()->NumMaskEdit1, Qt::LeftButton);
        QCOMPARE(w()->NumMaskEdit1->Text(), QStringLiteral("537395"));
    }

    void utmConversionFailureEmptiesTheOutputs() {
        ShowPage(TMainFormular::PageUtmToBng);
        Type(w()->NumMaskEdit5, QStringLiteral("30"));
        Type(w()->NumMaskEdit3, QStringLiteral("600000"));
        Type(w()->NumMaskEdit4, QStringLiteral("6000000"));
        QCOMPARE(beeps_, 0);
        Press('c');
        QCOMPARE(beeps_, 1);
        QCOMPARE(w()->NumMaskEdit6->Text(), QString());
        QCOMPARE(w()->PaperLines, 0);
        QCOMPARE(w()->NumMaskEdit3->Text(), QStringLiteral("600000"));
    }

    void zone31WithEasting600000IsEmptiedWithABeep() {
        ShowPage(TMainFormular::PageUtmToBng);
        Type(w()->NumMaskEdit5, QStringLiteral("31"));
        QCOMPARE(w()->NumMaskEdit3->toolTip(), QStringLiteral(" 237 229 .. 533 683 "));
        QCOMPARE(w()->NumMaskEdit4->toolTip(), QStringLiteral(" 5 519 524 .. 6 833 139 "));
        Type(w()->NumMaskEdit3, QStringLiteral("600000"));
        QCOMPARE(w()->NumMaskEdit3->Text(), QString());
        QCOMPARE(beeps_, 1);
        // Outside every range: emptied by both checks, two beeps.
        Type(w()->NumMaskEdit3, QStringLiteral("800000"));
        QCOMPARE(beeps_, 3);
        // Without a zone only the overall range counts.
        Type(w()->NumMaskEdit5, QString());
        Type(w()->NumMaskEdit3, QStringLiteral("600000"));
        QCOMPARE(w()->NumMaskEdit3->Text(), QStringLiteral("600000"));
        QCOMPARE(beeps_, 3);
    }

    void zone28IsEmptiedWithoutABeep() {
        ShowPage(TMainFormular::PageUtmToBng);
        Type(w()->NumMaskEdit5, QStringLiteral("29"));
        QCOMPARE(w()->NumMaskEdit3->toolTip(), QStringLiteral(" 473 429 .. 760 225 "));
        QCOMPARE(w()->NumMaskEdit4->toolTip(), QStringLiteral(" 5 513 703 .. 6 829 460 "));
        Type(w()->NumMaskEdit5, QStringLiteral("28"));
        QCOMPARE(w()->NumMaskEdit5->Text(), QString());
        QCOMPARE(beeps_, 0);
        QCOMPARE(w()->NumMaskEdit3->toolTip(), QStringLiteral(" Choose the zone first! "));
        QCOMPARE(w()->NumMaskEdit4->toolTip(), QStringLiteral(" Choose the zone first! "));
    }

    void bngOutputClickChecksTheInputsAgainstTheZone() {
        ShowPage(TMainFormular::PageUtmToBng);
        Type(w()->NumMaskEdit3, QStringLiteral("600000"));  // no zone yet: kept
        Type(w()->NumMaskEdit4, QStringLiteral("5765289"));
        Type(w()->NumMaskEdit5, QStringLiteral("31"));
        QTest::mouseClick(w()->NumMaskEdit6, Qt::LeftButton);
        QCOMPARE(w()->NumMaskEdit3->Text(), QString());
        QCOMPARE(w()->NumMaskEdit4->Text(), QStringLiteral("5765289"));
        QCOMPARE(beeps_, 1);
        QCOMPARE(recording::Calls(), QStringList());  // the conversion stops at the empty field
    }

    void shortEastingStandsSixWideInThePaperLine() {
        Type(w()->NumMaskEdit1, QStringLiteral("37395"));
        QCOMPARE(w()->NumMaskEdit1->displayText(), QStringLiteral("     _37 395"));
        QCOMPARE(w()->NumMaskEdit1->Text(), QStringLiteral(" 37395"));
        Type(w()->NumMaskEdit2, QStringLiteral("235395"));
        Press('c');
        const QString line = Paper().last();
        QCOMPARE(line.mid(1, 6), QStringLiteral(" 37395"));
        QCOMPARE(line, QStringLiteral("  37395   235395    =>   29  618820  5751185 "));
    }

    void headerGoesIntoTheFirstMemoLine() {
        ShowPage(TMainFormular::PageUtmToBng);
        Type(w()->NumMaskEdit5, QStringLiteral("31"));
        Type(w()->NumMaskEdit3, QStringLiteral("413156"));
        Type(w()->NumMaskEdit4, QStringLiteral("5834998"));
        Press('c');
        QCOMPARE(w()->Memo3->document()->blockCount(), 3);
        QCOMPARE(w()->Memo3->document()->firstBlock().text(),
                 QStringLiteral(" E BNG   N BNG     <=>   Z   E UTM   N UTM "));
    }

    // Regression: toggling back used the UTM point of the latest conversion in either
    // direction, so a conversion on page "UTM > BNG" in between showed that point as page
    // "BNG > UTM"'s primary result.
    void togglingBackShowsThisPagesPrimaryValues() {
        ConvertOverlapPoint();
        Press('a');
        ShowPage(TMainFormular::PageUtmToBng);
        Type(w()->NumMaskEdit5, QStringLiteral("31"));
        Type(w()->NumMaskEdit3, QStringLiteral("413156"));
        Type(w()->NumMaskEdit4, QStringLiteral("5834998"));
        Press('c');
        QCOMPARE(w()->NumMaskEdit6->Text(), QStringLiteral("651410"));
        ShowPage(TMainFormular::PageBngToUtm);
        Press('a');
        QCOMPARE(w()->NumMaskEdit8->Text(), QStringLiteral("30"));
        QCOMPARE(w()->NumMaskEdit9->Text(), QStringLiteral("705929"));
        QCOMPARE(w()->NumMaskEdit10->Text(), QStringLiteral("5765289"));
    }

    void paperTrailCopiesToTheClipboard() {
        ConvertOverlapPoint();
        ShowPage(TMainFormular::PagePaper);
        QTest::mouseClick(w()->Memo3->viewport(), Qt::LeftButton);
        QTest::keyClick(w()->Memo3, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(w()->Memo3, Qt::Key_C, Qt::ControlModifier);
        const QString copied = QGuiApplication::clipboard()->text();
        QVERIFY(copied.startsWith(QStringLiteral(" E BNG   N BNG     <=>")));
        QCOMPARE(copied, w()->Memo3->toPlainText());
        // Read-only: typing changes nothing.
        QTest::keyClicks(w()->Memo3, QStringLiteral("123"));
        QCOMPARE(w()->Memo3->toPlainText(), copied);
    }

    void helpPage() {
        const QTextDocument* help = w()->Memo1->document();
        QCOMPARE(help->blockCount(), 58);
        for (int i = 0; i < 58; ++i) {
            QCOMPARE(help->findBlockByNumber(i).text(), QString::fromUtf8(help_text::HelpLines[i]));
        }
        QCOMPARE(help->findBlockByNumber(5).text(), QString(86, QLatin1Char('-')));
        QCOMPARE(help->findBlockByNumber(13).text(), QStringLiteral("arrow key\t\t1000 m"));
        QVERIFY(w()->Memo1->isReadOnly());
        // Lines 14 to 17 end in one column: the tabs bring them to the same width.
        ShowPage(TMainFormular::PageHelp);
        QList<qreal> ends;
        for (int i = 13; i < 17; ++i) {
            const QTextBlock block = help->findBlockByNumber(i);
            const QTextLine line = block.layout()->lineAt(0);
            ends << block.layout()->position().x() + line.x() + line.naturalTextWidth();
        }
        const qreal digit = QFontMetricsF(w()->Memo1->font()).horizontalAdvance(QLatin1Char('0'));
        for (const qreal end : ends) {
            QVERIFY2(std::abs(end - ends.first()) < digit, qPrintable(QString::number(end)));
        }
    }

    void infoPageLinkOpensTheDocumentation() {
        QCOMPARE(w()->Memo2->document()->findBlockByNumber(1).text(),
                 QStringLiteral("The Vantre BNG <> UTM Converter"));
        QCOMPARE(w()->Label12->geometry(), QRect(72, 160, 242, 22));
        QCOMPARE(w()->Label12->text(), QString::fromUtf8(help_text::DocumentationCaption));
        QCOMPARE(w()->Label12->toolTip(), QString::fromUtf8(help_text::DocumentationHint));
        QVERIFY(w()->Label12->font().underline());
        ShowPage(TMainFormular::PageInfo);
        QTest::mouseClick(w()->Label12, Qt::LeftButton);
        QCOMPARE(opened_.size(), 1);
        QVERIFY(opened_.first().isLocalFile());
        QCOMPARE(opened_.first(), help_text::DocumentationUrl());
    }

    void beepFlashesTheWindow() {
        Beep(w()->NumMaskEdit1);
        QCOMPARE(beeps_, 1);
        QWidget* bell = w()->findChild<QWidget*>(QStringLiteral("VisualBell"));
        QVERIFY(bell != nullptr);
        QVERIFY(bell->isVisible());
        QCOMPARE(bell->geometry(), w()->rect());
        QTRY_VERIFY_WITH_TIMEOUT(w()->findChild<QWidget*>(QStringLiteral("VisualBell")) == nullptr,
                                 1000);
        Beep(nullptr);  // no window: sound only
        QCOMPARE(beeps_, 2);
    }

    void speedButtonGlyphShowsItsState() {
        ConvertOverlapPoint();
        const QImage up = w()->SpeedButton1->grab().toImage();
        w()->SpeedButton1->setChecked(true);
        const QImage down = w()->SpeedButton1->grab().toImage();
        w()->SpeedButton1->setEnabled(false);
        const QImage disabled = w()->SpeedButton1->grab().toImage();
        QVERIFY(up != down);
        QVERIFY(down != disabled);
        QVERIFY(up != disabled);
    }
};

VELMONT_TEST_MAIN(TestMainFormular)
#include "tst_main_formular.moc"
