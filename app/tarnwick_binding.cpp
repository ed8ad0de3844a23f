#include "tarnwick_binding.hpp"

#include <QApplication>
#include <QPainter>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <string>
#include <type_traits>

#ifdef VELMONT_TRANSFORM_LIBRARY
#include <dlfcn.h>
#endif

namespace {

std::string& TransformFault() {
    static std::string fault;
    return fault;
}

#ifdef VELMONT_TRANSFORM_LIBRARY
// The transform library is installed (and built) beside libtarnwick.so: it is looked for in the
// folder the loader took libtarnwick.so from, then on the library search path. The program's
// own run path cannot be relied on for dlopen: a sanitizer's dlopen is called from the
// sanitizer's runtime, whose run path it then reads.
void* OpenTransformLibrary() {
    Dl_info tarnwick{};
    void* exported = dlsym(RTLD_DEFAULT, "initialize_api");
    if (exported != nullptr && dladdr(exported, &tarnwick) != 0 && tarnwick.dli_fname != nullptr) {
        std::string path = tarnwick.dli_fname;
        path.erase(path.find_last_of('/') + 1);  // npos + 1: no folder, the name alone
        if (void* library =
                dlopen((path + VELMONT_TRANSFORM_LIBRARY).c_str(), RTLD_NOW | RTLD_LOCAL)) {
            return library;
        }
    }
    return dlopen(VELMONT_TRANSFORM_LIBRARY, RTLD_NOW | RTLD_LOCAL);
}
#endif

// The transform library is opened, not linked: without it (or without one of its names) the
// program runs on in the Helmert chain alone, and precise mode says why it is unavailable.
void BindTransformLibrary(TarnwickApi& api) {
#ifdef VELMONT_TRANSFORM_LIBRARY
    void* library = OpenTransformLibrary();
    if (library == nullptr) {
        TransformFault() = dlerror();
        return;
    }
    const auto bind = [library](auto& entry, const char* name) {
        entry = reinterpret_cast<std::remove_reference_t<decltype(entry)>>(dlsym(library, name));
        return entry != nullptr;
    };
    if (!bind(api.transform_create, "tarnwick_transform_create") ||
        !bind(api.transform_points, "tarnwick_transform_points") ||
        !bind(api.transform_destroy, "tarnwick_transform_destroy") ||
        !bind(api.last_error, "tarnwick_last_error")) {
        TransformFault() = dlerror();
        api.transform_create = nullptr;
        api.transform_points = nullptr;
        api.transform_destroy = nullptr;
        api.last_error = nullptr;
    }
#else
    static_cast<void>(api);
    TransformFault() = "velmont was built without libtarnwick_transform.so";
#endif
}

TarnwickApi BoundExports() {
    TarnwickApi api{};
#ifdef VELMONT_WITH_TARNWICK
    // The loader has bound these names when the program was loaded.
    api.initialize_api = &::initialize_api;
    api.finalize_api = &::finalize_api;
    api.convert_bng_to_utm = &::convert_bng_to_utm;
    api.convert_utm_to_bng = &::convert_utm_to_bng;
    api.is_in_overlap_region = &::is_in_overlap_region;
    api.convert_to_overlap_zone = &::convert_to_overlap_zone;
    api.from_bng_to_wgs84_lat_long = &::from_bng_to_wgs84_lat_long;
#endif
    BindTransformLibrary(api);
    return api;
}

}  // namespace

const TarnwickApi& TarnwickExports() {
    static const TarnwickApi exports = BoundExports();
    return exports;
}

const char* TransformBindingFault() {
    TarnwickExports();
    return TransformFault().c_str();
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
