// velmont's binding to libtarnwick.so: one process-wide table of the seven library functions
// the program calls, bound to the real exports when the program is loaded, the four functions
// of libtarnwick_transform.so that precise mode needs, bound at start-up beside them, and the
// one function through which every failure is signalled to the user (the beep).
//
// Tests overwrite entries of the table with recording fakes and count beeps through
// BeepObserver(), so that real widgets can be driven with real or recorded library calls.
#pragma once

#include <functional>

#include "tarnwick.h"
#include "tarnwick_transform.h"

class QWidget;

/// The library functions velmont uses, with the exact C signatures of tarnwick.h and
/// tarnwick_transform.h. The transform entries are null where libtarnwick_transform.so could
/// not be loaded: precise mode is then unavailable, the rest of the program unaffected.
struct TarnwickApi {
    decltype(&::initialize_api) initialize_api;
    decltype(&::finalize_api) finalize_api;
    decltype(&::convert_bng_to_utm) convert_bng_to_utm;
    decltype(&::convert_utm_to_bng) convert_utm_to_bng;
    decltype(&::is_in_overlap_region) is_in_overlap_region;
    decltype(&::convert_to_overlap_zone) convert_to_overlap_zone;
    decltype(&::from_bng_to_wgs84_lat_long) from_bng_to_wgs84_lat_long;
    decltype(&::tarnwick_transform_create) transform_create;
    decltype(&::tarnwick_transform_points) transform_points;
    decltype(&::tarnwick_transform_destroy) transform_destroy;
    decltype(&::tarnwick_last_error) last_error;
};

/// The process-wide table; bound to libtarnwick.so's exports by default (null entries in a
/// build without the library, where only tests with fakes run).
TarnwickApi& Tarnwick();

/// The table as bound at load time: what Tarnwick() holds until a test replaces entries.
const TarnwickApi& TarnwickExports();

/// Why the transform entries of TarnwickExports() are null (the loader's message), or empty
/// when they are bound.
const char* TransformBindingFault();

/// Brackets a batch of conversions: initialize_api on construction, finalize_api on
/// destruction, so the library is closed again on every way out of a handler.
class TarnwickBracket {
  public:
    /// Calls initialize_api.
    TarnwickBracket();
    /// Calls finalize_api.
    ~TarnwickBracket();
    TarnwickBracket(const TarnwickBracket&) = delete;
    TarnwickBracket& operator=(const TarnwickBracket&) = delete;
};

/// Signals a failure: the desktop's beep plus a visual bell (the window of `widget` flashes
/// for about 150 ms, for desktops with the audible bell off). `widget` may be null.
void Beep(QWidget* widget);

/// Called on every Beep() before it sounds; empty by default. Tests set it to count beeps.
std::function<void()>& BeepObserver();

/// How long the visual bell lasts, in milliseconds.
inline constexpr int VisualBellMilliseconds = 150;
