#include "velmont_start.hpp"

#include <QApplication>
#include <QGuiApplication>
#include <cstdio>
#include <string_view>

#include "karte.hpp"
#include "main_formular.hpp"
#include "tarnwick_binding.hpp"
#include "tarnwick_version.hpp"
#include "velmont_resources.hpp"

const char* VelmontUsage() {
    return "Usage: velmont [OPTIONS]\n"
           "The Vantre BNG <> UTM Converter: a converter window between the British National\n"
           "Grid and UTM, and a map window of Great Britain. Needs a display.\n"
           "\n"
           "Options:\n"
           "  -h,--help    Print this help message and exit\n"
           "  --version    Print the version and exit\n"
           "\n"
           "Qt's own options (-platform NAME, -style NAME, ...) are passed to Qt.\n";
}

int AnswerCommandLine(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument(argv[i]);
        if (argument == "-h" || argument == "--help") {
            std::fputs(VelmontUsage(), stdout);
            return 0;
        }
        if (argument == "--version") {
            std::printf("velmont %s\n", tarnwick::version);
            return 0;
        }
    }
    return -1;
}

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
