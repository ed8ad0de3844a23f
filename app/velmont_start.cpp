#include "velmont_start.hpp"

#include <QApplication>
#include <QGuiApplication>

#include "karte.hpp"
#include "main_formular.hpp"
#include "tarnwick_binding.hpp"
#include "velmont_resources.hpp"

void LinkWindows(TMainFormular& converter, TForm1& map) {
    converter.SetPointDisplay(&map);
    map.SetConverter(&converter);
}

void ShowWindows() {
    MainFormular = new TMainFormular;
    Form1 = new TForm1;
    LinkWindows(*MainFormular, *Form1);
    Form1->show();
    MainFormular->show();
    MainFormular->activateWindow();
}

void StartVelmont(QApplication& app) {
    // The library's first call: starts its modules for the whole process.
    { const TarnwickBracket probe; }
    // The title names the task-bar entry (as the application name, so that Qt does not
    // append it to every window title).
    QCoreApplication::setApplicationName(QString::fromLatin1(ApplicationTitle));
    QGuiApplication::setDesktopFileName(QStringLiteral("velmont"));
    app.setWindowIcon(VelmontIcon());
    ShowWindows();
}
