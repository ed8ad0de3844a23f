// velmont, "The Vantre BNG <> UTM Converter": the program's main unit.
#include <QApplication>

#include "velmont_start.hpp"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    StartVelmont(app);
    return QApplication::exec();
}
