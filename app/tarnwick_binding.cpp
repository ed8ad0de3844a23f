#include "tarnwick_binding.hpp"

#include <QApplication>
#include <QPainter>
#include <QPointer>
#include <QTimer>
#include <QWidget>

const TarnwickApi& TarnwickExports() {
#ifdef VELMONT_WITH_TARNWICK
    // The loader has bound these names when the program was loaded.
    static const TarnwickApi exports{
        &::initialize_api,
        &::finalize_api,
        &::convert_bng_to_utm,
        &::convert_utm_to_bng,
        &::is_in_overlap_region,
        &::convert_to_overlap_zone,
        &::from_bng_to_wgs84_lat_long,
    };
#else
    static const TarnwickApi exports{};
#endif
    return exports;
}

TarnwickApi& Tarnwick() {
    static TarnwickApi table = TarnwickExports();
    return table;
}

TarnwickBracket::TarnwickBracket() {
    Tarnwick().initialize_api();
}

TarnwickBracket::~TarnwickBracket() {
    Tarnwick().finalize_api();
}

std::function<void()>& BeepObserver() {
    static std::function<void()> observer;
    return observer;
}

namespace {

/// The visual bell: a child covering the whole window that inverts what lies beneath it,
/// gone again after VisualBellMilliseconds. It takes neither focus nor mouse events.
class VisualBell : public QWidget {
  public:
    explicit VisualBell(QWidget* window) : QWidget(window) {
        setObjectName(QStringLiteral("VisualBell"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
        setGeometry(window->rect());
        raise();
        show();
        QTimer::singleShot(VisualBellMilliseconds, this, &QObject::deleteLater);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        painter.fillRect(rect(), Qt::white);
    }
};

}  // namespace

void Beep(QWidget* widget) {
    if (BeepObserver()) {
        BeepObserver()();
    }
    QApplication::beep();
    QWidget* window = widget != nullptr ? widget->window() : nullptr;
    // One flash at a time: a second beep within the flash adds no second one.
    if (window != nullptr && window->findChild<QWidget*>(QStringLiteral("VisualBell"),
                                                         Qt::FindDirectChildrenOnly) == nullptr) {
        new VisualBell(window);
    }
}
