// The resources compiled into velmont (map, marker, icons; app/resources.qrc).
#pragma once

#include <QIcon>

/// Registers the compiled-in resources. They live in the static library velmont_ui, so
/// nothing would pull their object file into a program unless named; repeatable.
void InitVelmontResources();

/// The program and window icon.
QIcon VelmontIcon();
