#include "velmont_resources.hpp"

#include <QSize>
#include <QString>

// Outside any namespace, as Qt requires.
void InitVelmontResources() {
    Q_INIT_RESOURCE(resources);
}

QIcon VelmontIcon() {
    InitVelmontResources();
    QIcon icon;
    for (const int size : {16, 32, 48, 128, 256}) {
        icon.addFile(QStringLiteral(":/resources/velmont-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}
