// Test support: both windows of velmont shown and active, a recording binding table, a beep
// counter, and the moves of a user (click into a field and type, Tab, keys, page tabs).
#pragma once

#include <QTabBar>
#include <QtTest>

#include "karte.hpp"
#include "main_formular.hpp"
#include "recording_library.hpp"
#include "tarnwick_binding.hpp"
#include "velmont_start.hpp"

class ConverterFixture : public QObject {
  protected:
    int beeps_ = 0;

    static TMainFormular* w() { return MainFormular; }

    /// Installs the recording table forwarding to `backend` and counts beeps.
    void Prepare(const TarnwickApi& backend) {
        recording::Install(backend);
        BeepObserver() = [this] { ++beeps_; };
    }

    /// The real libtarnwick.so behind the recording table, started as the program starts it
    /// before its first window; false in a build without the library.
    bool PrepareLibrary() {
#ifdef VELMONT_WITH_TARNWICK
        TarnwickExports().initialize_api();
        TarnwickExports().finalize_api();
        Prepare(TarnwickExports());
        return true;
#else
        return false;
#endif
    }

    /// Both windows as at program start, the converter window active; empty call log.
    void SetUp() {
        ShowWindows();
        QVERIFY(QTest::qWaitForWindowActive(MainFormular));
        recording::Clear();
        beeps_ = 0;
    }

    /// Checks the brackets of all calls made, then closes both windows.
    void TearDown() {
        QCOMPARE(recording::BracketFault(), QString());
        delete MainFormular;
        delete Form1;
        MainFormular = nullptr;
        Form1 = nullptr;
    }

    /// Types into a field as a user does: click into it, select all, delete, type, and
    /// leave it with Tab when asked.
    static void Type(TNumMaskEdit* field, const QString& keys, bool tab = true) {
        QTest::mouseClick(field, Qt::LeftButton);
        QCOMPARE(QApplication::focusWidget(), field);
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(field, Qt::Key_Delete);
        QTest::keyClicks(field, keys);
        if (tab) {
            QTest::keyClick(field, Qt::Key_Tab);
        }
    }

    /// A character key typed into whatever control has the focus (the window previews it).
    static void Press(char key) {
        QWidget* target = QApplication::focusWidget();
        QTest::keyClick(target != nullptr ? target : w(), key);
    }

    /// Clicks the tab of a page.
    static void ShowPage(int index) {
        QTabBar* bar = w()->PageControl1->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
        QCOMPARE(w()->PageControl1->currentIndex(), index);
    }

    /// The paper trail's lines.
    static QStringList Paper() {
        return w()->Memo3->toPlainText().split(QLatin1Char('\n'));
    }
};
