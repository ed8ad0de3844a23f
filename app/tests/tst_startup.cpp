// The program's start-up: the library's probe bracket comes before any window, the title,
// both windows shown, and closing the converter window ends the program.
#include <QTimer>
#include <QtTest>

#include "karte.hpp"
#include "main_formular.hpp"
#include "recording_library.hpp"
#include "tarnwick_binding.hpp"

class TestStartup : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
#ifdef VELMONT_WITH_TARNWICK
        recording::Install(TarnwickExports());
#else
        recording::Install(recording::Fake());
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

    void closingTheConverterWindowEndsTheProgram() {
        QTimer::singleShot(0, MainFormular, [] { MainFormular->close(); });
        QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(1); });  // watchdog
        QCOMPARE(QApplication::exec(), 0);
        QCOMPARE(recording::Calls().size(), 2);  // no library call at exit
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
