// tarnwick._core: the core's array conversions and the lettered grid references for NumPy
// arrays. The Python package checks shapes and types and makes the columns contiguous float64
// or int64 before it calls in here; this module runs the conversion without the GIL, split
// over threads (int64 columns turned into float64 a block at a time inside each thread, so
// that no whole copy precedes the call), and hands back the status of every point.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "batch.hpp"
#include "batch_wording.hpp"
#include "grid_reference.hpp"

namespace py = pybind11;

namespace {

using column = py::array_t<double, py::array::c_style>;
using int_column = py::array_t<std::int32_t, py::array::c_style>;

// Below this many points per thread, starting a thread costs more than it saves.
constexpr std::size_t min_points_per_thread = 16384;

batch::coordinate_system system_named(const std::string& name) {
    using enum batch::coordinate_system;
    for (const auto s : {bng, utm, wgs84, lv03, lv95, etrs89}) {
        static const char* const names[] = {"bng", "utm", "wgs84", "lv03", "lv95", "etrs89"};
        if (name == names[static_cast<int>(s)]) {
            return s;
        }
    }
    throw py::value_error("unknown coordinate system \"" + name +
                          "\" (bng, utm, wgs84, lv03, lv95, etrs89)");
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

// The input columns in the order of the source system's fields.
void require_column_count(batch::coordinate_system from, std::size_t count) {
    const std::size_t needed = from == batch::coordinate_system::utm ? 3 : 2;
    if (count != needed) {
        throw py::value_error("expected " + std::to_string(needed) + " columns, got " +
                              std::to_string(count));
    }
}

batch::points points_of(batch::coordinate_system from, const real_columns& columns) {
    using enum batch::coordinate_system;
    require_column_count(from, columns.size());
    batch::points p;
    switch (from) {
        case utm:
            p.zone = columns[0];
            p.easting = columns[1];
            p.northing = columns[2];
            break;
        case wgs84:
        case etrs89:
            p.latitude = columns[0];
            p.longitude = columns[1];
            break;
        default:
            p.easting = columns[0];
            p.northing = columns[1];
            break;
    }
    return p;
}

batch::points points_of(batch::coordinate_system from, const std::vector<column>& columns) {
    real_columns spans;
    for (const column& c : columns) {
        spans.push_back(span_of(c));
    }
    return points_of(from, spans);
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

template <class T>
std::span<T> part(std::span<T> s, std::size_t first, std::size_t count) {
    return s.empty() ? s : s.subspan(first, count);
}

batch::results part(const batch::results& r, std::size_t first, std::size_t count) {
    return {part(r.status, first, count),
            part(r.zone, first, count),
            part(r.easting, first, count),
            part(r.northing, first, count),
            part(r.latitude, first, count),
            part(r.longitude, first, count),
            part(r.alt_zone, first, count),
            part(r.alt_easting, first, count),
            part(r.alt_northing, first, count),
            part(r.easting_metres, first, count),
            part(r.northing_metres, first, count),
            part(r.alt_easting_metres, first, count),
            part(r.alt_northing_metres, first, count)};
}

// Converts the points first .. first + count - 1: float64 columns in place, int64 columns
// through a float64 block of this thread's own.
bool convert_range(const batch::conversion& c, const std::vector<input_column>& in,
                   const batch::results& out, std::size_t first, std::size_t count) {
    bool accepted = true;
    const bool all_reals =
        std::none_of(in.begin(), in.end(), [](const input_column& k) { return k.is_integer; });
    const std::size_t block = all_reals ? std::max<std::size_t>(count, 1) : conversion_block;
    std::vector<double> buffer(all_reals ? 0 : in.size() * block);
    real_columns columns(in.size());
    for (std::size_t start = first; start < first + count; start += block) {
        const std::size_t length = std::min(block, first + count - start);
        for (std::size_t k = 0; k < in.size(); ++k) {
            if (!in[k].is_integer) {
                columns[k] = in[k].reals.subspan(start, length);
                continue;
            }
            double* reals = buffer.data() + k * block;
            const std::int64_t* integers = in[k].integers.data() + start;
            for (std::size_t i = 0; i < length; ++i) {
                reals[i] = static_cast<double>(integers[i]);
            }
            columns[k] = {reals, length};
        }
        accepted =
            batch::convert(c, points_of(c.from, columns), part(out, start, length)) && accepted;
    }
    return accepted;
}

// Converts in up to `threads` contiguous parts at once; the caller has released the GIL.
// False when the core refused any part.
bool convert_in_parts(const batch::conversion& c, const std::vector<input_column>& in,
                      const batch::results& out, std::size_t threads) {
    const std::size_t n = out.status.size();
    const std::size_t parts = std::clamp<std::size_t>(n / min_points_per_thread, 1, threads);
    const std::size_t per_part = (n + parts - 1) / parts;
    std::vector<std::thread> workers;
    std::vector<char> accepted(parts + 1, 1);
    std::size_t index = 1;
    for (std::size_t first = per_part; first < n; first += per_part, ++index) {
        const std::size_t count = std::min(per_part, n - first);
        workers.emplace_back([&, first, count, index] {
            accepted[index] = convert_range(c, in, out, first, count) ? 1 : 0;
        });
    }
    accepted[0] = convert_range(c, in, out, 0, std::min(per_part, n)) ? 1 : 0;
    for (auto& w : workers) {
        w.join();
    }
    return std::all_of(accepted.begin(), accepted.end(), [](char a) { return a != 0; });
}

template <class T>
std::span<T> span_of(py::array_t<T>& a) {
    return {a.mutable_data(), static_cast<std::size_t>(a.size())};
}

// Converts the columns; returns the status of every point (0: converted, else the failure
// kind) followed by the result columns of the target system. Precise mode gives grid values
// as float64 metres, not rounded.
py::tuple convert(const std::string& source, const std::string& target, int zone, bool alt,
                  const std::string& method, std::size_t threads,
                  const std::vector<py::array>& columns) {
    const batch::conversion c = conversion_of(source, target, zone, alt, method);
    const std::vector<input_column> in = input_columns_of(columns);
    // The core checks each block it is given; the whole call's shape is checked here, since
    // int64 columns reach the core only block by block.
    require_column_count(c.from, in.size());
    const auto n = static_cast<py::ssize_t>(in[0].size());
    for (const input_column& k : in) {
        if (k.size() != in[0].size()) {
            throw py::value_error("input columns differ in length");
        }
    }
    if (threads < 1) {
        throw py::value_error("threads must be at least 1");
    }

    py::array_t<std::uint8_t> status(n);
    std::vector<py::array_t<std::int32_t>> ints;
    std::vector<py::array_t<double>> angles;
    std::vector<py::array_t<double>> metres;
    batch::results out;
    out.status = {reinterpret_cast<batch::point_status*>(status.mutable_data()),
                  static_cast<std::size_t>(n)};
    if (c.to == batch::coordinate_system::wgs84 || c.to == batch::coordinate_system::etrs89) {
        angles = {py::array_t<double>(n), py::array_t<double>(n)};
        out.latitude = span_of(angles[0]);
        out.longitude = span_of(angles[1]);
    } else {
        const bool utm = c.to == batch::coordinate_system::utm;
        for (int i = 0; i < (utm ? (alt ? 6 : 3) : 2); ++i) {
            ints.emplace_back(n);
        }
        const std::size_t e = utm ? 1 : 0;
        out.easting = span_of(ints[e]);
        out.northing = span_of(ints[e + 1]);
        if (utm) {
            out.zone = span_of(ints[0]);
        }
        if (alt) {
            out.alt_zone = span_of(ints[3]);
            out.alt_easting = span_of(ints[4]);
            out.alt_northing = span_of(ints[5]);
        }
        if (c.method == batch::datum_method::ostn15) {
            for (int i = 0; i < (alt ? 4 : 2); ++i) {
                metres.emplace_back(n);
            }
            out.easting_metres = span_of(metres[0]);
            out.northing_metres = span_of(metres[1]);
            if (alt) {
                out.alt_easting_metres = span_of(metres[2]);
                out.alt_northing_metres = span_of(metres[3]);
            }
        }
    }
    bool refused = false;
    {
        py::gil_scoped_release unlocked;
        refused = !convert_in_parts(c, in, out, threads);
    }
    if (refused) {
        // Not reached: the arrays above are made to the conversion's shape.
        throw std::runtime_error("the core refused the arrays of this conversion");
    }
    py::list result;
    result.append(status);
    for (std::size_t i = 0; i < ints.size(); ++i) {
        // Zones stay whole numbers; precise grid values replace the whole metres.
        const std::size_t e = c.to == batch::coordinate_system::utm ? 1 : 0;
        const bool zone = e == 1 && (i == 0 || i == 3);
        if (metres.empty() || zone) {
            result.append(ints[i]);
        } else {
            const std::size_t m = i - e - (i > 3 ? 1 : 0);
            result.append(metres[m]);
        }
    }
    for (auto& a : angles) {
        result.append(a);
    }
    return py::tuple(result);
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

// The failure kind of the core a grid reference's error stands for: the reference code knows
// no failure kinds of the core, and its reasons map onto them as the command-line tool maps
// them.
batch::point_status status_of(const tarnwick_convert::grid_reference_error& e) {
    using why = tarnwick_convert::grid_reference_error::reason;
    return e.kind() == why::easting_out_of_range    ? batch::point_status::easting_out_of_range
           : e.kind() == why::northing_out_of_range ? batch::point_status::northing_out_of_range
                                                    : batch::point_status::constraint_error;
}

// Records the failure of point `i` in `status` and, for the first one, in `first_failure`.
void note_failure(py::ssize_t i, const tarnwick_convert::grid_reference_error& e,
                  py::array_t<std::uint8_t>& status, py::object& first_failure) {
    const batch::point_status s = status_of(e);
    status.mutable_at(i) = static_cast<std::uint8_t>(s);
    if (first_failure.is_none()) {
        first_failure = py::make_tuple(
            i, std::string(e.what()) + " (" + std::string(batch::failure_name(s)) + ")");
    }
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
            const tarnwick_convert::bng_point p =
                tarnwick_convert::metre_square(easting.at(i), northing.at(i));
            refs[i] = py::str(tarnwick_convert::format_grid_reference(p, digits));
            status.mutable_at(i) = 0;
        } catch (const tarnwick_convert::grid_reference_error& e) {
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
        const py::object item = refs[i];
        std::string text;
        if (py::isinstance<py::str>(item)) {
            text = item.cast<std::string>();
        } else if (!(item.is_none() ||
                     (py::isinstance<py::float_>(item) && std::isnan(item.cast<double>())))) {
            throw py::type_error("grid references must be strings; item " + std::to_string(i) +
                                 " is " + py::str(py::type::of(item)).cast<std::string>());
        }
        try {
            const tarnwick_convert::bng_point p = tarnwick_convert::parse_grid_reference(text);
            easting.mutable_at(i) = p.easting;
            northing.mutable_at(i) = p.northing;
            status.mutable_at(i) = 0;
        } catch (const tarnwick_convert::grid_reference_error& e) {
            easting.mutable_at(i) = -1;
            northing.mutable_at(i) = -1;
            note_failure(i, e, status, first_failure);
        }
    }
    return py::make_tuple(easting, northing, status, first_failure);
}

// Seconds the core takes for the conversion on one thread, without any of this module's
// work around it: the yardstick of the binding's overhead.
double time_core(const std::string& source, const std::string& target, int zone, bool alt,
                 const std::vector<column>& columns) {
    const batch::conversion c = conversion_of(source, target, zone, alt, "helmert");
    const batch::points in = points_of(c.from, columns);
    const auto n = static_cast<std::size_t>(columns[0].size());
    std::vector<batch::point_status> status(n);
    std::vector<std::int32_t> ints[6];
    for (auto& v : ints) {
        v.resize(n);
    }
    std::vector<double> lat(n), lon(n);
    // The binding writes no metres under the Helmert chain, so neither does this.
    const batch::results out{status,  ints[0], ints[1], ints[2], lat, lon, ints[3],
                             ints[4], ints[5], {},      {},      {},  {}};
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
    m.def("to_gridref", &to_gridref, py::arg("easting"), py::arg("northing"), py::arg("digits"));
    m.def("from_gridref", &from_gridref, py::arg("refs"));
    m.def("time_core", &time_core, py::arg("source"), py::arg("target"), py::arg("zone"),
          py::arg("alt"), py::arg("columns"));
}
