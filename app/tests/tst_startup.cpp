// The program's start-up: the library's probe bracket comes before any window, the title,
// both windows shown, and closing the converter window ends the program.
#include <QTimer>
#include <QtTest>

#include "converter_fixture.hpp"
#include "velmont_test_main.hpp"

class TestStartup : public ConverterFixture {
    Q_OBJECT

  private slots:
    void initTestCase() {
#ifdef VELMONT_WITH_TARNWICK
        Prepare(TarnwickExports());
#else
        Prepare(recording::Fake());
#endif
    }

    void oneProbeBracketBeforeTheFirstWindow() {
        recording::Clear();
        StartVelmont(*qApp);
        QVERIFY(MainFormular != nullptr);
        QVERIFY(Form1 != nullptr);
        QCOMPARE(recording::CallNames(), QStringList({"initialize_api", "finalize_api"}));
        QCOMPARE(recording::WindowShownAtCall(), QList<bool>({false, false}));
        QVERIFY(MainFormular->isVisible());
        QVERIFY(Form1->isVisible());
        QVERIFY(QTest::qWaitForWindowActive(MainFormular));
        // Nothing else reaches the library while the windows come up.
        QCoreApplication::processEvents();
        QCOMPARE(recording::Calls().size(), 2);
    }

    void applicationTitle() {
        QCOMPARE(QGuiApplication::applicationDisplayName(),
                 QStringLiteral(" The Vantre BNG <> UTM Converter "));
        QCOMPARE(MainFormular->windowTitle(), QStringLiteral("  The Vantre BNG <> UTM  Converter"));
        // The converter window is centred on the desktop.
        const QRect desktop = MainFormular->screen()->availableGeometry();
        QVERIFY((MainFormular->geometry().center() - desktop.center()).manhattanLength() <= 2);
    }

    void theStartedProgramConverts() {
        recording::Clear();
        Type(w()->NumMaskEdit1, QStringLiteral("651410"));
        Type(w()->NumMaskEdit2, QStringLiteral("313177"));
        Press('c');
        QCOMPARE(w()->NumMaskEdit8->Text(), QStringLiteral("31"));
        QCOMPARE(w()->NumMaskEdit9->Text(), QStringLiteral("413156"));
        QCOMPARE(w()->NumMaskEdit10->Text(), QStringLiteral("5834998"));
        QVERIFY(Form1->MarkerVisible());
        QCOMPARE(recording::BracketFault(), QString());
        QCOMPARE(beeps_, 0);
    }

    void closingTheConverterWindowEndsTheProgram() {
        const qsizetype callsBefore = recording::Calls().size();
        QTimer::singleShot(0, MainFormular, [] { MainFormular->close(); });
        QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(1); });  // watchdog
        QCOMPARE(QApplication::exec(), 0);
        QCOMPARE(recording::Calls().size(), callsBefore);  // no library call at exit
    }
};

VELMONT_TEST_MAIN(TestStartup)
#include "tst_startup.moc"
