// tarnwick._core: the core's array conversions, the lettered grid references and the MGRS
// references for NumPy arrays. The Python package checks shapes and types and makes the columns
// contiguous float64 or int64 before it calls in here; this module runs the conversion without the
// GIL, split over threads (int64 columns turned into float64 a block at a time inside each thread,
// so that no whole copy precedes the call), and hands back the status of every point.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "batch.hpp"
#include "batch_systems.hpp"
#include "batch_wording.hpp"
#include "grid_reference.hpp"
#include "mgrs.hpp"

namespace py = pybind11;

namespace {

using column = py::array_t<double, py::array::c_style>;
using int_column = py::array_t<std::int32_t, py::array::c_style>;

// The array systems of the shared table (every one but the lettered references), by their
// names alone: the package names no system otherwise.
batch::coordinate_system system_named(const std::string& name) {
    std::string known;
    for (const auto id : batch::systems::all) {
        const batch::systems::system_entry& e = batch::systems::entry(id);
        if (e.lettered) {
            continue;
        }
        if (e.name == name) {
            return e.core;
        }
        known += (known.empty() ? "" : ", ") + std::string(e.name);
    }
    throw py::value_error("unknown coordinate system \"" + name + "\" (" + known + ")");
}

batch::datum_method method_named(const std::string& name) {
    if (name == "helmert") {
        return batch::datum_method::helmert;
    }
    if (name == "ostn15") {
        return batch::datum_method::ostn15;
    }
    throw py::value_error("method \"" + name + "\" is not a method: \"helmert\" or \"ostn15\"");
}

batch::conversion conversion_of(const std::string& source, const std::string& target, int zone,
                                bool alt, const std::string& method) {
    batch::conversion c{system_named(source), system_named(target), zone, alt,
                        method_named(method)};
    if (std::string fault = batch::wording::conversion_fault(c); !fault.empty()) {
        throw py::value_error(fault);
    }
    // Without its shift grid precise mode would fail every point: that is no point's fault.
    if (std::string fault = batch::wording::method_fault(c.method); !fault.empty()) {
        throw std::runtime_error(fault);
    }
    return c;
}

std::span<const double> span_of(const column& a) {
    return {a.data(), static_cast<std::size_t>(a.size())};
}

using real_columns = std::vector<std::span<const double>>;

void require_column_count(batch::coordinate_system from, std::size_t count) {
    const std::size_t needed = batch::systems::input_members(from).size();
    if (count != needed) {
        throw py::value_error("expected " + std::to_string(needed) + " columns, got " +
                              std::to_string(count));
    }
}

// The input columns in the order of the source system's fields.
batch::points points_of(batch::coordinate_system from, const std::vector<column>& columns) {
    require_column_count(from, columns.size());
    real_columns spans;
    for (const column& c : columns) {
        spans.push_back(span_of(c));
    }
    return batch::systems::points_of(from, spans);
}

// One input column as the package hands it over: float64, or int64 that each thread turns
// into float64 a block at a time (exact up to 2^53, as NumPy's own cast).
struct input_column {
    std::span<const double> reals;
    std::span<const std::int64_t> integers;
    bool is_integer = false;

    std::size_t size() const { return is_integer ? integers.size() : reals.size(); }
};

std::vector<input_column> input_columns_of(const std::vector<py::array>& columns) {
    std::vector<input_column> in;
    for (const py::array& a : columns) {
        if (a.ndim() != 1 || !(a.flags() & py::array::c_style)) {
            throw py::value_error("input columns must be one-dimensional and contiguous");
        }
        const auto n = static_cast<std::size_t>(a.size());
        // By the type's meaning, not the identity of its descriptor: long long ('q') and an
        // int64 that came through pickle (a Dask worker's column) are int64 too.
        if (py::isinstance<py::array_t<double>>(a)) {
            in.push_back({{static_cast<const double*>(a.data()), n}, {}, false});
        } else if (py::isinstance<py::array_t<std::int64_t>>(a)) {
            in.push_back({{}, {static_cast<const std::int64_t*>(a.data()), n}, true});
        } else {
            throw py::type_error("input columns must be float64 or int64, not " +
                                 py::str(a.dtype()).cast<std::string>());
        }
    }
    return in;
}

// Points per block of int64 input turned into float64: small enough to stay in the cache.
constexpr std::size_t conversion_block = 4096;

// Converts the points first .. first + count - 1, int64 columns through a float64 block of
// this thread's own.
bool convert_blocks(const batch::conversion& c, const std::vector<input_column>& in,
                    const batch::results& out, std::size_t first, std::size_t count) {
    bool accepted = true;
    std::vector<double> buffer(in.size() * conversion_block);
    real_columns columns(in.size());
    for (std::size_t start = first; start < first + count; start += conversion_block) {
        const std::size_t length = std::min(conversion_block, first + count - start);
        for (std::size_t k = 0; k < in.size(); ++k) {
            if (!in[k].is_integer) {
                columns[k] = in[k].reals.subspan(start, length);
                continue;
            }
            double* reals = buffer.data() + k * conversion_block;
            const std::int64_t* integers = in[k].integers.data() + start;
            for (std::size_t i = 0; i < length; ++i) {
                reals[i] = static_cast<double>(integers[i]);
            }
            columns[k] = {reals, length};
        }
        accepted = batch::convert(c, batch::systems::points_of(c.from, columns),
                                  batch::systems::slice(out, start, length)) &&
                   accepted;
    }
    return accepted;
}

// Converts in up to `threads` contiguous parts at once: float64 columns in place, int64
// columns block by block; the caller has released the GIL. False when the core refused any
// part.
bool convert_in_parts(const batch::conversion& c, const std::vector<input_column>& in,
                      const batch::results& out, std::size_t threads) {
    if (std::none_of(in.begin(), in.end(), [](const input_column& k) { return k.is_integer; })) {
        real_columns reals;
        for (const input_column& k : in) {
            reals.push_back(k.reals);
        }
        return batch::systems::convert_parallel(c, batch::systems::points_of(c.from, reals), out,
                                                threads);
    }
    return batch::systems::in_parts(out.status.size(), threads,
                                    [&](std::size_t first, std::size_t count) {
                                        return convert_blocks(c, in, out, first, count);
                                    });
}

template <class T>
std::span<T> span_of(py::array_t<T>& a) {
    return {a.mutable_data(), static_cast<std::size_t>(a.size())};
}

// The checked input columns of a call: as many as the source's fields, of one length.
std::vector<input_column> checked_columns(const batch::conversion& c,
                                          const std::vector<py::array>& columns,
                                          std::size_t threads) {
    std::vector<input_column> in = input_columns_of(columns);
    // The core checks each block it is given; the whole call's shape is checked here, since
    // int64 columns reach the core only block by block.
    require_column_count(c.from, in.size());
    for (const input_column& k : in) {
        if (k.size() != in[0].size()) {
            throw py::value_error("input columns differ in length");
        }
    }
    if (threads < 1) {
        throw py::value_error("threads must be at least 1");
    }
    return in;
}

// The arrays the conversion writes, made as NumPy arrays and held while it runs, and the
// columns handed back: each result column's real array where it has one (degrees; precise
// grid values, which replace the whole metres), else its whole numbers.
struct numpy_results {
    py::array_t<std::uint8_t> status;
    std::vector<py::object> whole;
    std::vector<py::object> real;
    batch::results out;

    numpy_results(const batch::conversion& c, py::ssize_t n) : status(n) {
        const std::size_t count = batch::systems::result_columns(c).size();
        whole.resize(count);
        real.resize(count);
        const std::span<batch::point_status> statuses{
            reinterpret_cast<batch::point_status*>(status.mutable_data()),
            static_cast<std::size_t>(n)};
        out = batch::systems::shaped_results(
            c, statuses,
            [&](std::size_t i) {
                py::array_t<std::int32_t> a(n);
                whole[i] = a;
                return span_of(a);
            },
            [&](std::size_t i) {
                py::array_t<double> a(n);
                real[i] = a;
                return span_of(a);
            });
    }

    // The status, then the result columns.
    py::tuple handed_back() const {
        py::list result;
        result.append(status);
        for (std::size_t i = 0; i < whole.size(); ++i) {
            result.append(real[i].ptr() != nullptr ? real[i] : whole[i]);
        }
        return py::tuple(result);
    }
};

// Converts the columns; returns the status of every point (0: converted, else the failure
// kind) followed by the result columns of the target system. Precise mode gives grid values
// as float64 metres, not rounded.
py::tuple convert(const std::string& source, const std::string& target, int zone, bool alt,
                  const std::string& method, std::size_t threads,
                  const std::vector<py::array>& columns) {
    const batch::conversion c = conversion_of(source, target, zone, alt, method);
    const std::vector<input_column> in = checked_columns(c, columns, threads);
    numpy_results results(c, static_cast<py::ssize_t>(in[0].size()));
    bool refused = false;
    {
        py::gil_scoped_release unlocked;
        refused = !convert_in_parts(c, in, results.out, threads);
    }
    if (refused) {
        // Not reached: the arrays above are made to the conversion's shape.
        throw std::runtime_error("the core refused the arrays of this conversion");
    }
    return results.handed_back();
}

std::string failure_reason(const std::string& source, const std::string& target, int zone, bool alt,
                           const std::string& method, const std::vector<column>& columns,
                           std::size_t index) {
    const batch::conversion c = conversion_of(source, target, zone, alt, method);
    const batch::points in = points_of(c.from, columns);
    if (index >= static_cast<std::size_t>(columns[0].size())) {
        throw py::index_error("no point " + std::to_string(index));
    }
    return batch::wording::failure_reason(c, in, index);
}

// Records the failure of point `i` in `status` and, for the first one, in `first_failure`.
void note_failure(py::ssize_t i, const global_types::failure& e, py::array_t<std::uint8_t>& status,
                  py::object& first_failure) {
    status.mutable_at(i) = static_cast<std::uint8_t>(e.kind());
    if (first_failure.is_none()) {
        first_failure = py::make_tuple(i, e.message() + " (" + e.what() + ")");
    }
}

// The text of reference `i` of `refs`: a str, or empty (which no reference is) for None and
// NaN, the missing references. Raises TypeError for anything else.
std::string reference_text(const py::sequence& refs, py::ssize_t i, const char* what) {
    const py::object item = refs[i];
    if (py::isinstance<py::str>(item)) {
        return item.cast<std::string>();
    }
    if (!(item.is_none() ||
          (py::isinstance<py::float_>(item) && std::isnan(item.cast<double>())))) {
        throw py::type_error(std::string(what) + " must be strings; item " + std::to_string(i) +
                             " is " + py::str(py::type::of(item)).cast<std::string>());
    }
    return {};
}

// References of the points (None where a point fails), their status and the first failure's
// index and reason (or None).
py::tuple to_gridref(const column& easting, const column& northing, int digits) {
    if (digits < 0 || digits > 10 || digits % 2 != 0) {
        throw py::value_error("digits " + std::to_string(digits) +
                              ": a grid reference has 0, 2, 4, 6, 8 or 10 digits");
    }
    if (easting.size() != northing.size()) {
        throw py::value_error("easting and northing differ in length");
    }
    const auto n = easting.size();
    py::list refs(n);
    py::array_t<std::uint8_t> status(n);
    py::object first_failure = py::none();
    for (py::ssize_t i = 0; i < n; ++i) {
        try {
            // The square that holds the point as given: truncated, never rounded.
            const grid_reference::bng_point p =
                grid_reference::metre_square(easting.at(i), northing.at(i));
            refs[i] = py::str(grid_reference::format(p, digits));
            status.mutable_at(i) = 0;
        } catch (const grid_reference::error& e) {
            refs[i] = py::none();
            note_failure(i, e, status, first_failure);
        }
    }
    return py::make_tuple(refs, status, first_failure);
}

// Eastings and northings of the references (-1 where one fails; None and NaN are missing
// references), their status and the first failure's index and reason (or None).
py::tuple from_gridref(const py::sequence& refs) {
    const auto n = static_cast<py::ssize_t>(py::len(refs));
    int_column easting(n);
    int_column northing(n);
    py::array_t<std::uint8_t> status(n);
    py::object first_failure = py::none();
    for (py::ssize_t i = 0; i < n; ++i) {
        const std::string text = reference_text(refs, i, "grid references");
        try {
            const grid_reference::bng_point p = grid_reference::parse(text);
            easting.mutable_at(i) = p.easting;
            northing.mutable_at(i) = p.northing;
            status.mutable_at(i) = 0;
        } catch (const grid_reference::error& e) {
            easting.mutable_at(i) = -1;
            northing.mutable_at(i) = -1;
            note_failure(i, e, status, first_failure);
        }
    }
    return py::make_tuple(easting, northing, status, first_failure);
}

// MGRS references of `digits` (0 .. 5) per coordinate of WGS84 points (None where a point
// fails), their status and the first failure's index and reason (or None).
py::tuple to_mgrs(const column& latitude, const column& longitude, int digits, bool compact) {
    if (digits < 0 || digits > mgrs::max_digits) {
        throw py::value_error("digits " + std::to_string(digits) +
                              ": an MGRS reference has 0 .. 5 digits per coordinate");
    }
    if (latitude.size() != longitude.size()) {
        throw py::value_error("latitude and longitude differ in length");
    }
    const auto n = latitude.size();
    const mgrs::form form = compact ? mgrs::form::compact : mgrs::form::spaced;
    py::list refs(n);
    py::array_t<std::uint8_t> status(n);
    py::object first_failure = py::none();
    for (py::ssize_t i = 0; i < n; ++i) {
        try {
            refs[i] = py::str(mgrs::format(latitude.at(i), longitude.at(i), digits, form));
            status.mutable_at(i) = 0;
        } catch (const global_types::failure& e) {
            refs[i] = py::none();
            note_failure(i, e, status, first_failure);
        }
    }
    return py::make_tuple(refs, status, first_failure);
}

// Latitudes and longitudes of MGRS references (NaN where one fails; None and NaN are missing
// references), the centres of their squares or with `corner` the south-west corners, their
// status and the first failure's index and reason (or None).
py::tuple from_mgrs(const py::sequence& refs, bool corner) {
    const auto n = static_cast<py::ssize_t>(py::len(refs));
    column latitude(n);
    column longitude(n);
    py::array_t<std::uint8_t> status(n);
    py::object first_failure = py::none();
    const mgrs::anchor anchor = corner ? mgrs::anchor::south_west : mgrs::anchor::centre;
    for (py::ssize_t i = 0; i < n; ++i) {
        const std::string text = reference_text(refs, i, "MGRS references");
        try {
            const mgrs::geographic p = mgrs::read(text, anchor);
            latitude.mutable_at(i) = p.latitude;
            longitude.mutable_at(i) = p.longitude;
            status.mutable_at(i) = 0;
        } catch (const global_types::failure& e) {
            latitude.mutable_at(i) = std::nan("");
            longitude.mutable_at(i) = std::nan("");
            note_failure(i, e, status, first_failure);
        }
    }
    return py::make_tuple(latitude, longitude, status, first_failure);
}

// Seconds the core takes for the conversion on one thread, without any of this module's
// work around it: the yardstick of the binding's overhead.
double time_core(const std::string& source, const std::string& target, int zone, bool alt,
                 const std::vector<column>& columns) {
    const batch::conversion c = conversion_of(source, target, zone, alt, "helmert");
    const batch::points in = points_of(c.from, columns);
    // The arrays the binding makes for this conversion, made before the clock starts.
    batch::systems::result_arrays arrays;
    const batch::results out = arrays.sized(c, static_cast<std::size_t>(columns[0].size()));
    py::gil_scoped_release unlocked;
    const auto start = std::chrono::steady_clock::now();
    batch::convert(c, in, out);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

PYBIND11_MODULE(_core, m) {
    m.doc() = "Array conversions of the tarnwick core; use the functions of the package.";
    m.def("convert", &convert, py::arg("source"), py::arg("target"), py::arg("zone"),
          py::arg("alt"), py::arg("method"), py::arg("threads"), py::arg("columns"));
    m.def("failure_reason", &failure_reason, py::arg("source"), py::arg("target"), py::arg("zone"),
          py::arg("alt"), py::arg("method"), py::arg("columns"), py::arg("index"));
    m.def("failure_name", [](int status) {
        return std::string(batch::failure_name(static_cast<batch::point_status>(status)));
    });
    m.def("systems", [] {
        // The array systems of the shared table: name and fields, in the table's order.
        py::list systems;
        for (const auto id : batch::systems::all) {
            const batch::systems::system_entry& e = batch::systems::entry(id);
            if (e.lettered) {
                continue;
            }
            py::list fields;
            for (const std::string_view field : e.fields) {
                fields.append(py::str(field.data(), field.size()));
            }
            systems.append(
                py::make_tuple(py::str(e.name.data(), e.name.size()), py::tuple(fields)));
        }
        return systems;
    });
    m.def("to_gridref", &to_gridref, py::arg("easting"), py::arg("northing"), py::arg("digits"));
    m.def("from_gridref", &from_gridref, py::arg("refs"));
    m.def("to_mgrs", &to_mgrs, py::arg("latitude"), py::arg("longitude"), py::arg("digits"),
          py::arg("compact"));
    m.def("from_mgrs", &from_mgrs, py::arg("refs"), py::arg("corner"));
    m.def("time_core", &time_core, py::arg("source"), py::arg("target"), py::arg("zone"),
          py::arg("alt"), py::arg("columns"));
}
