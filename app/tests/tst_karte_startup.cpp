// The running program as the user first sees it: the map window where and as it belongs, the
// Help page's arrow-key table lined up in the converter window, the documentation page found.
// (The library's start-up probe before the first window is checked by tst_startup.)
#include <QApplication>
#include <QTextBlock>
#include <QTextCursor>
#include <QtTest>

#include "help_text.hpp"
#include "karte.hpp"
#include "main_formular.hpp"
#include "velmont_start.hpp"
#include "velmont_test_main.hpp"

class TestKarteStartup : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        StartVelmont(*qobject_cast<QApplication*>(QCoreApplication::instance()));
    }

    void mapWindowAsItBelongs() {
        QVERIFY(Form1 != nullptr && MainFormular != nullptr);
        QVERIFY(Form1->isVisible());
        QCOMPARE(Form1->windowTitle(), QStringLiteral(" BNG -  British National Grid"));
        QCOMPARE(Form1->size(), QSize(330, 618));
        // No system menu, close or minimise button: the window ends with the converter window.
        const Qt::WindowFlags flags = Form1->windowFlags();
        QVERIFY(!flags.testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowSystemMenuHint));
        QVERIFY(!Form1->testAttribute(Qt::WA_QuitOnClose));
        QCOMPARE(Form1->Image1->pixmap().size(), QSize(300, 559));
        QCOMPARE(Form1->Image1->geometry(), QRect(14, 27, 300, 559));
        QCOMPARE(Form1->Image2->pixmap().size(), QSize(27, 27));
        QVERIFY(!Form1->MarkerVisible());
        for (QLabel* label : {Form1->Label1, Form1->Label2, Form1->Label5, Form1->Label8}) {
            QVERIFY(label->text().isEmpty());
        }
    }

    void helpArrowKeyTableLinesUp() {
        MainFormular->PageControl1->setCurrentIndex(MainFormular->PageHelp);
        QTextEdit* memo = MainFormular->Memo1;
        QTest::qWait(50);  // let the page lay out its text
        QCOMPARE(memo->document()->blockCount(), int(help_text::HelpLines.size()));
        const double digit = QFontMetricsF(memo->font()).horizontalAdvance(QLatin1Char('0'));
        QList<int> starts;
        QList<int> ends;
        for (int line = 14; line <= 17; ++line) {
            const QTextBlock block = memo->document()->findBlockByNumber(line - 1);
            const QString text = block.text();
            QCOMPARE(text, QString::fromUtf8(help_text::HelpLines[size_t(line - 1)]));
            QCOMPARE(text.count(QLatin1Char('\t')), 2);
            QTextCursor cursor(block);
            cursor.setPosition(block.position() + int(text.lastIndexOf(QLatin1Char('\t'))) + 1);
            starts << memo->cursorRect(cursor).x();
            cursor.setPosition(block.position() + int(text.lastIndexOf(QStringLiteral(" m"))));
            ends << memo->cursorRect(cursor).x();
        }
        // The distances end in one column: "1000", "  100" and "    10" are equally wide in the
        // proportional font (two blanks per digit); "     1" falls short by half a digit.
        const auto spread = [](const QList<int>& xs) {
            return *std::max_element(xs.begin(), xs.end()) -
                   *std::min_element(xs.begin(), xs.end());
        };
        QVERIFY2(spread(ends) <= digit * 0.5 + 1, qPrintable(QStringLiteral("ends %1 %2 %3 %4")
                                                                 .arg(ends[0])
                                                                 .arg(ends[1])
                                                                 .arg(ends[2])
                                                                 .arg(ends[3])));
        // ... and every distance starts at the same tab stop, not one stop further on.
        QVERIFY2(spread(starts) <= digit * 0.5 + 1, qPrintable(QStringLiteral("starts %1 %2 %3 %4")
                                                                   .arg(starts[0])
                                                                   .arg(starts[1])
                                                                   .arg(starts[2])
                                                                   .arg(starts[3])));
    }

    void documentationPageIsFound() {
        const QUrl url = help_text::DocumentationUrl();
        QVERIFY(url.isLocalFile());
        QVERIFY(QFileInfo(url.toLocalFile()).fileName() == QStringLiteral("index.html"));
        QFile page(url.toLocalFile());
        QVERIFY(page.open(QIODevice::ReadOnly));
        QVERIFY(page.readAll().contains("BNG &lt;&gt; UTM Converter"));
    }
};

VELMONT_TEST_MAIN(TestKarteStartup)
#include "tst_karte_startup.moc"
