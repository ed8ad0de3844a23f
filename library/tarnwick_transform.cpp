// Module `tarnwick_transform`: the C interface of libtarnwick_transform.so over the array
// conversions. A transform is a checked `batch::conversion` with its result columns worked out
// once; applying it converts the caller's arrays block by block through stack buffers, so that
// a call allocates nothing, reads every input of a block before writing any output of it (an
// output may be its input) and turns the whole metres and failure values of the core into the
// doubles and NaN of the interface. No exception leaves this unit.
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <string>

#include "batch.hpp"
#include "batch_systems.hpp"
#include "batch_wording.hpp"
#include "global_types.hpp"
#include "tarnwick_version.hpp"

// The declared functions are the library's only exported symbols; everything else is hidden.
#pragma GCC visibility push(default)
#include "tarnwick_transform.h"
#pragma GCC visibility pop

namespace {

using batch::point_status;
using batch::systems::result_column;
using global_types::failure_kind;

// The header's status values are the failure kinds' own numbers.
static_assert(TARNWICK_OK == static_cast<int>(failure_kind::none) &&
              TARNWICK_CONSTRAINT_ERROR == static_cast<int>(failure_kind::constraint_error) &&
              TARNWICK_ARGUMENT_ERROR == static_cast<int>(failure_kind::argument_error) &&
              TARNWICK_ZONE_OUT_OF_RANGE == static_cast<int>(failure_kind::zone_out_of_range) &&
              TARNWICK_EASTING_OUT_OF_RANGE ==
                  static_cast<int>(failure_kind::easting_out_of_range) &&
              TARNWICK_NORTHING_OUT_OF_RANGE ==
                  static_cast<int>(failure_kind::northing_out_of_range) &&
              TARNWICK_DATA_UNAVAILABLE == static_cast<int>(failure_kind::data_unavailable) &&
              TARNWICK_UNEXPECTED == static_cast<int>(failure_kind::unexpected));

// Most values of a point, in or out: UTM's zone, easting and northing.
constexpr std::size_t most_values = 3;

// Points converted per call of the core: its buffers (about 20 KiB) stay on the stack and in
// the first-level cache, and the core's per-call checks cost nothing per point.
constexpr std::size_t block_points = 512;

constexpr double not_a_number = std::numeric_limits<double>::quiet_NaN();

std::string& last_error() {
    thread_local std::string text;
    return text;
}

// Records `reason` as the thread's last error; without memory for it, a text short enough to
// need none.
void set_last_error(const std::string& reason) noexcept {
    try {
        last_error() = reason;
    } catch (...) {
        last_error() = "out of memory";
    }
}

}  // namespace

/// A checked conversion and, for each value of its result in the interface's order, the
/// core's array it comes from.
struct tarnwick_transform {
    batch::conversion conversion;
    std::size_t input_count;
    std::size_t output_count;
    std::array<result_column, most_values> outputs;
};

namespace {

// `name` in quotes followed by `words`; built by appending, which g++ 12 at -O3 does not
// mistake for overlapping copies.
std::string quoted(const char* name, const char* words) {
    std::string text = "\"";
    text.append(name).append("\"").append(words);
    return text;
}

// The words for a system name the interface does not take, or none where it takes it.
std::optional<std::string> system_fault(const char* name, const char* role) {
    if (name == nullptr) {
        return std::string(role).append(
            " is NULL: name a system (bng, utm, wgs84, etrs89, lv03, lv95)");
    }
    const auto id = batch::systems::from_name(name);
    if (!id) {
        return quoted(name, " is no coordinate system: bng, utm, wgs84, etrs89, lv03 or lv95");
    }
    if (batch::systems::entry(*id).lettered) {
        return quoted(name,
                      " is written as lettered references; this interface converts numbers (bng)");
    }
    return std::nullopt;
}

bool same_in_any_case(const char* text, const char* lower) {
    for (; *text != '\0' && *lower != '\0'; ++text, ++lower) {
        const char c = *text >= 'A' && *text <= 'Z' ? static_cast<char>(*text - 'A' + 'a') : *text;
        if (c != *lower) {
            return false;
        }
    }
    return *text == *lower;
}

std::optional<batch::datum_method> method_of(const char* method) {
    if (method == nullptr || same_in_any_case(method, "helmert")) {
        return batch::datum_method::helmert;
    }
    if (same_in_any_case(method, "ostn15")) {
        return batch::datum_method::ostn15;
    }
    return std::nullopt;
}

// The conversion named, or the reason it cannot be made in `reason`.
std::optional<batch::conversion> conversion_of(const char* from, const char* to, const char* method,
                                               int zone, std::string& reason) {
    for (const auto& [name, role] : {std::pair{from, "from"}, std::pair{to, "to"}}) {
        if (auto fault = system_fault(name, role)) {
            reason = *fault;
            return std::nullopt;
        }
    }
    const std::optional<batch::datum_method> m = method_of(method);
    if (!m) {
        reason = quoted(method, " is not a method: helmert or ostn15");
        return std::nullopt;
    }
    const auto core = [](const char* name) {
        return batch::systems::entry(*batch::systems::from_name(name)).core;
    };
    const batch::conversion c{core(from), core(to), zone, false, *m};
    reason = batch::wording::conversion_fault(c);
    if (reason.empty()) {
        reason = batch::wording::method_fault(*m);
    }
    if (!reason.empty()) {
        return std::nullopt;
    }
    return c;
}

tarnwick_transform* transform_of(const batch::conversion& c) {
    auto t = std::make_unique<tarnwick_transform>(
        tarnwick_transform{c, batch::systems::input_members(c.from).size(), 0, {}});
    for (const result_column& column : batch::systems::result_columns(c)) {
        t->outputs[t->output_count++] = column;
    }
    return t.release();
}

// The core's arrays for one block of points, and the results they hold after `convert`.
struct block {
    std::array<point_status, block_points> status;
    std::array<std::array<std::int32_t, block_points>, most_values> whole;
    std::array<std::array<double, block_points>, most_values> real;

    batch::results results(const tarnwick_transform& t, std::size_t n) {
        batch::results out;
        out.status = {status.data(), n};
        for (std::size_t k = 0; k < t.output_count; ++k) {
            if (t.outputs[k].whole != nullptr) {
                out.*t.outputs[k].whole = {whole[k].data(), n};
            }
            if (t.outputs[k].real != nullptr) {
                out.*t.outputs[k].real = {real[k].data(), n};
            }
        }
        return out;
    }

    // Writes result `k` of the block's `n` points to `to`: the real results where there are
    // (degrees, precise metres), else the whole numbers. One column at a time, so that the
    // copy runs over contiguous arrays.
    void copy_column(const tarnwick_transform& t, std::size_t k, std::size_t n, double* to) const {
        if (t.outputs[k].real != nullptr) {
            std::copy_n(real[k].data(), n, to);
            return;
        }
        for (std::size_t i = 0; i < n; ++i) {
            to[i] = static_cast<double>(whole[k][i]);
        }
    }
};

// Converts points `first` .. `first + n - 1` (n at most `block_points`); returns how many
// converted.
std::size_t convert_block(const tarnwick_transform& t, std::size_t first, std::size_t n,
                          const std::array<const double*, most_values>& in,
                          const std::array<double*, most_values>& out, int* status) {
    block b;
    batch::points points;
    const auto members = batch::systems::input_members(t.conversion.from);
    for (std::size_t k = 0; k < t.input_count; ++k) {
        points.*members[k] = {in[k] + first, n};
    }
    if (!batch::convert(t.conversion, points, b.results(t, n))) {
        b.status.fill(point_status::unexpected);  // not reached: the transform was checked
    }
    for (std::size_t k = 0; k < t.output_count; ++k) {
        b.copy_column(t, k, n, out[k] + first);
    }
    std::size_t converted = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (b.status[i] == point_status::none) {
            ++converted;
            continue;
        }
        for (std::size_t k = 0; k < t.output_count; ++k) {
            out[k][first + i] = not_a_number;  // a failing point: NaN in every output
        }
    }
    if (status != nullptr) {
        for (std::size_t i = 0; i < n; ++i) {
            status[first + i] = static_cast<int>(b.status[i]);
        }
    }
    return converted;
}

template <class T>
bool all_given(const std::array<T*, most_values>& arrays, std::size_t count) {
    for (std::size_t k = 0; k < count; ++k) {
        if (arrays[k] == nullptr) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" {

tarnwick_transform* tarnwick_transform_create(const char* from, const char* to, const char* method,
                                              int zone) {
    try {
        std::string reason;
        const std::optional<batch::conversion> c = conversion_of(from, to, method, zone, reason);
        if (!c) {
            set_last_error(reason);
            return nullptr;
        }
        tarnwick_transform* t = transform_of(*c);
        last_error().clear();
        return t;
    } catch (const std::bad_alloc&) {
        set_last_error("out of memory");
    } catch (...) {
        set_last_error("unexpected failure");
    }
    return nullptr;
}

size_t tarnwick_transform_points(const tarnwick_transform* t, size_t count, const double* in1,
                                 const double* in2, const double* in3, double* out1, double* out2,
                                 double* out3, int* status) {
    const std::array<const double*, most_values> in{in1, in2, in3};
    const std::array<double*, most_values> out{out1, out2, out3};
    if (t == nullptr || count == 0 || !all_given(in, t->input_count) ||
        !all_given(out, t->output_count)) {
        return 0;
    }
    std::size_t converted = 0;
    for (std::size_t first = 0; first < count; first += block_points) {
        const std::size_t n = count - first < block_points ? count - first : block_points;
        converted += convert_block(*t, first, n, in, out, status);
    }
    return converted;
}

void tarnwick_transform_destroy(tarnwick_transform* t) {
    delete t;
}

const char* tarnwick_status_name(int status) {
    if (status < TARNWICK_OK || status > TARNWICK_UNEXPECTED) {
        return "";
    }
    return global_types::full_name(static_cast<failure_kind>(status));
}

const char* tarnwick_last_error(void) {
    return last_error().c_str();
}

const char* tarnwick_version(void) {
    return tarnwick::version;
}

}  // extern "C"
