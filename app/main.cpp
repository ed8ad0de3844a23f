// velmont, "The Vantre BNG <> UTM Converter": the program's main unit.
#include <QApplication>

#include "velmont_start.hpp"

int main(int argc, char** argv) {
    // --help and --version answer without a display, so before Qt looks for one.
    if (const int status = AnswerCommandLine(argc, argv); status >= 0) {
        return status;
    }
    QApplication app(argc, argv);
    StartVelmont(app);
    return QApplication::exec();
}
