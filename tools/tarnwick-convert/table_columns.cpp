#include "table_columns.hpp"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "text_values.hpp"

namespace tarnwick_convert {

namespace {

bool is_digits(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

bool is_letters(std::string_view text) {
    for (const char c : text) {
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) {
            return false;
        }
    }
    return !text.empty();
}

bool has_digit(std::string_view text) {
    return text.find_first_of("0123456789") != std::string_view::npos;
}

std::string lower_trimmed(std::string_view text) {
    std::string s = trimmed(text);
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return s;
}

std::string joined(const std::vector<std::string>& names) {
    std::string s;
    for (const auto& n : names) {
        s += (s.empty() ? "" : ", ") + escaped(n);
    }
    return s;
}

// The 0-based column a 1-based --cols index stands for.
std::size_t index_column(const std::string& entry) {
    return std::stoul(entry) - 1;
}

// ---- the point's columns ------------------------------------------------------------------

// "--cols e,n": the usual names of the source system's fields, for a message's example.
std::string usual_names_example(const std::vector<std::vector<std::string>>& names) {
    std::string example;
    for (const auto& n : names) {
        example += (example.empty() ? "" : ",") + n.front();
    }
    return example;
}

// The columns of the point among a header's names, by the usual names of the source system.
std::vector<std::size_t> columns_by_usual_names(const converter& conv,
                                                const std::vector<std::string>& header,
                                                const std::string& file) {
    std::vector<std::size_t> columns;
    const auto fields = input_fields(conv.source());
    const auto names = usual_column_names(conv.source());
    for (std::size_t f = 0; f < names.size(); ++f) {
        std::vector<std::size_t> found;
        for (std::size_t i = 0; i < header.size(); ++i) {
            const std::string name = lower_trimmed(header[i]);
            if (std::find(names[f].begin(), names[f].end(), name) != names[f].end()) {
                found.push_back(i);
            }
        }
        if (found.size() != 1) {
            const std::string why = found.empty()
                                        ? "no column of " + file + " is named for the " + fields[f]
                                        : "several columns of " + file + " may be the " + fields[f];
            throw usage_error(why + " (the header has: " + joined(header) +
                              "); name the point's columns with --cols, e.g. --cols " +
                              usual_names_example(names));
        }
        columns.push_back(found.front());
    }
    return columns;
}

// The column a --cols name stands for in a header: the very name, else one that differs only
// in case and blanks around it.
std::size_t column_named(const std::string& entry, const std::vector<std::string>& header,
                         const std::string& file) {
    const auto exact = std::find(header.begin(), header.end(), entry);
    if (exact != header.end()) {
        return static_cast<std::size_t>(exact - header.begin());
    }
    const std::string wanted = lower_trimmed(entry);
    for (std::size_t i = 0; i < header.size(); ++i) {
        if (lower_trimmed(header[i]) == wanted) {
            return i;
        }
    }
    throw usage_error("--cols: no column \"" + escaped(entry) + "\" in the header of " + file +
                      " (" + joined(header) + ")");
}

// The point's columns of an input with a header: as --cols names or counts them, else by the
// usual names.
std::vector<std::size_t> columns_in_header(const converter& conv,
                                           const std::vector<std::string>& entries,
                                           const std::vector<std::string>& header,
                                           const std::string& file) {
    if (entries.empty()) {
        return columns_by_usual_names(conv, header, file);
    }
    std::vector<std::size_t> columns;
    for (const auto& e : entries) {
        if (!is_digits(e)) {
            columns.push_back(column_named(e, header, file));
            continue;
        }
        const std::size_t i = index_column(e);
        if (i >= header.size()) {
            throw usage_error("--cols " + e + ": the header of " + file + " has " +
                              std::to_string(header.size()) + " columns (" + joined(header) + ")");
        }
        columns.push_back(i);
    }
    return columns;
}

// Sets the point's columns of an input without a header: those of the first input, else as
// --cols counts them, else the first ones. Returns the input's width: its first row's, with a
// reference's digit groups joined.
std::size_t columns_of_data(input_job& j, const std::vector<std::string>& entries,
                            const std::vector<std::string>& fields, const input_job* first) {
    if (first != nullptr) {
        j.columns = first->columns;  // read as laid out like the first input
    } else {
        for (std::size_t i = 0; i < j.conv->input_count(); ++i) {
            j.columns.push_back(entries.empty() ? i : index_column(entries[i]));
        }
    }
    std::size_t width = fields.size();
    if (j.reference_groups) {
        std::vector<std::string> data = fields;
        join_reference_groups(data, j.columns.front());
        width = data.size();
    }
    for (const std::size_t c : j.columns) {
        if (c >= width) {
            throw usage_error("--cols " + std::to_string(c + 1) + ": the first row of " + j.name +
                              " has " + std::to_string(width) + " columns");
        }
    }
    return width;
}

// ---- whether the first record is a header -------------------------------------------------

// Whether --cols names any column (rather than counting them all); refuses indexes that
// cannot be columns.
bool names_columns(const std::vector<std::string>& entries) {
    bool by_name = false;
    for (const auto& e : entries) {
        by_name = by_name || !is_digits(e);
        if (is_digits(e) && (e.find_first_not_of('0') == std::string::npos || e.size() > 9)) {
            throw usage_error("--cols " + e + ": columns are counted from 1");
        }
    }
    return by_name;
}

// Whether every field --cols counts is a name: not empty and without a digit.
bool counted_fields_are_names(const input_job& j, const std::vector<std::string>& entries,
                              const std::vector<std::string>& fields) {
    std::vector<std::string> data = fields;
    if (j.reference_groups) {
        join_reference_groups(data, index_column(entries.front()));
    }
    bool names = true;
    for (const auto& e : entries) {
        const std::size_t i = index_column(e);
        names = names && i < data.size() && !lower_trimmed(data[i]).empty() && !has_digit(data[i]);
    }
    return names;
}

// Whether a first record is a header: as --header or --no-header says, else when --cols
// names columns, when the fields --cols counts are names, or without --cols when no field
// holds a digit or the fields name the point's columns as people usually do.
bool first_record_is_header(const input_job& j, const batch_options& options,
                            const std::vector<std::string>& fields) {
    const bool by_name = names_columns(options.columns);
    if (options.header) {
        if (!*options.header && by_name) {
            throw usage_error("--cols names columns, but --no-header says there is no header");
        }
        return *options.header;
    }
    if (by_name) {
        return true;
    }
    if (!options.columns.empty()) {
        return counted_fields_are_names(j, options.columns, fields);
    }
    if (std::none_of(fields.begin(), fields.end(), has_digit)) {
        return true;
    }
    try {
        columns_by_usual_names(*j.conv, fields, j.name);
        return true;
    } catch (const usage_error&) {
        return false;
    }
}

// ---- the layout of a later input ----------------------------------------------------------

// Stops the run: the columns of `j` do not pair with those of `first`.
[[noreturn]] void refuse_alignment(const input_job& j, const std::vector<std::string>* header,
                                   const input_job& first,
                                   const std::vector<std::string>* first_header,
                                   const std::string& detail) {
    auto columns = [](const std::vector<std::string>* names, std::size_t width) {
        return std::to_string(width) + " columns" +
               (names != nullptr ? " (" + joined(*names) + ")" : std::string());
    };
    throw usage_error("the columns of " + j.name + " do not match those of " + first.name + ": " +
                      columns(header, j.width) + " against " + columns(first_header, first.width) +
                      detail +
                      "; every output row has the first input's columns, so convert them "
                      "apart or with --results-only");
}

// This input's columns that are not the point's, in order.
std::vector<std::size_t> other_columns(const input_job& j) {
    std::vector<std::size_t> others;
    for (std::size_t i = 0; i < j.width; ++i) {
        if (std::find(j.columns.begin(), j.columns.end(), i) == j.columns.end()) {
            others.push_back(i);
        }
    }
    return others;
}

// Sets how a later input `j` is written in the layout of `first`: each point column where
// the first input has it, the other columns by name where both inputs have a header, else in
// their order. Columns that do not pair one to one stop the run, before anything is written.
void align_with_first(input_job& j, const std::vector<std::string>* header, const input_job& first,
                      const std::vector<std::string>* first_header) {
    if (j.width != first.width) {
        refuse_alignment(j, header, first, first_header, "");
    }
    const std::vector<std::size_t> others = other_columns(j);
    std::vector<bool> taken(j.width, false);
    std::size_t next_other = 0;
    bool same_order = true;
    j.order.assign(first.width, 0);
    for (std::size_t i = 0; i < first.width; ++i) {
        const auto point = std::find(first.columns.begin(), first.columns.end(), i);
        std::size_t from = j.width;
        if (point != first.columns.end()) {
            from = j.columns[static_cast<std::size_t>(point - first.columns.begin())];
        } else if (header != nullptr && first_header != nullptr) {
            for (const std::size_t k : others) {
                if (!taken[k] && lower_trimmed((*header)[k]) == lower_trimmed((*first_header)[i])) {
                    from = k;
                    break;
                }
            }
            if (from == j.width) {
                refuse_alignment(j, header, first, first_header,
                                 ", no column \"" + escaped((*first_header)[i]) + "\"");
            }
        } else if (next_other < others.size()) {
            from = others[next_other++];
        } else {
            refuse_alignment(j, header, first, first_header, "");
        }
        taken[from] = true;
        j.order[i] = from;
        same_order = same_order && from == i;
    }
    if (same_order) {
        j.order.clear();
    }
}

}  // namespace

std::optional<table_format> format_from_name(std::string_view name) {
    auto ends_with = [&](std::string_view suffix) {
        return name.size() >= suffix.size() &&
               lower_trimmed(name.substr(name.size() - suffix.size())) == suffix;
    };
    if (ends_with(".csv")) {
        return table_format::csv;
    }
    if (ends_with(".tsv") || ends_with(".tab")) {
        return table_format::tsv;
    }
    if (ends_with(".txt")) {
        return table_format::whitespace;
    }
    return std::nullopt;
}

std::string_view first_nonblank_line(std::string_view text) {
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line =
            split_line_end(text.substr(0, end == std::string_view::npos ? end : end + 1)).text;
        if (!is_blank(line) || end == std::string_view::npos) {
            return line;
        }
        text.remove_prefix(end + 1);
    }
    return text;
}

void read_first_record(record_reader& reader, input_start& start) {
    while (const auto record = reader.next()) {
        const auto [text, line_end] = split_line_end(*record);
        if (!is_blank(text)) {
            start.first_record = std::string(text);
            start.header_line_end = line_end.empty() ? "\n" : std::string(line_end);
            break;
        }
    }
    reader.rewind();
}

// An MGRS grid zone: a zone number and band letter ("30U"), or a polar band letter alone.
bool is_grid_zone(std::string_view text) {
    const std::string_view number = text.substr(0, text.empty() ? 0 : text.size() - 1);
    return !text.empty() && text.size() <= 3 && is_letters(text.substr(number.size())) &&
           (number.empty() || is_digits(number));
}

// Joins an MGRS grid zone and the square letters after it ("30U" "XC") into the field at
// `column`; returns whether it did.
bool join_grid_zone(std::vector<std::string>& fields, std::size_t column) {
    if (column + 1 >= fields.size() || !is_grid_zone(fields[column]) ||
        fields[column + 1].size() != 2 || !is_letters(fields[column + 1])) {
        return false;
    }
    fields[column] += " " + fields[column + 1];
    fields.erase(fields.begin() + static_cast<std::ptrdiff_t>(column + 1));
    return true;
}

bool join_reference_groups(std::vector<std::string>& fields, std::size_t column) {
    const bool zone = join_grid_zone(fields, column);
    const std::string_view letters =
        column < fields.size() && fields[column].size() >= 2
            ? std::string_view(fields[column]).substr(fields[column].size() - 2)
            : std::string_view();
    if (column + 1 >= fields.size() || letters.size() != 2 || !is_letters(letters) ||
        (!zone && fields[column].size() != 2) || !is_digits(fields[column + 1])) {
        return zone;
    }
    std::size_t groups = 1;
    if (column + 2 < fields.size() && is_digits(fields[column + 2]) &&
        fields[column + 2].size() == fields[column + 1].size()) {
        groups = 2;
    }
    for (std::size_t g = 1; g <= groups; ++g) {
        fields[column] += " " + fields[column + g];
    }
    fields.erase(fields.begin() + static_cast<std::ptrdiff_t>(column + 1),
                 fields.begin() + static_cast<std::ptrdiff_t>(column + 1 + groups));
    return true;
}

bool join_reference_groups(std::vector<std::string_view>& fields, std::size_t column,
                           std::deque<std::string>& held) {
    std::vector<std::string> owned(fields.begin(), fields.end());
    if (!join_reference_groups(owned, column)) {
        return false;
    }
    fields.clear();
    for (std::string& field : owned) {
        fields.push_back(held.emplace_back(std::move(field)));
    }
    return true;
}

void resolve_columns(input_job& j, const batch_options& options, input_start& start,
                     const input_job* first, const std::vector<std::string>* first_header) {
    std::vector<std::string> fields;
    split_fields(*start.first_record, j.format, fields);
    j.reference_groups =
        j.format == table_format::whitespace && batch::systems::entry(j.conv->source()).lettered;
    const bool has_header = first_record_is_header(j, options, fields);
    j.columns.clear();
    if (has_header) {
        start.header = fields;
        j.columns = columns_in_header(*j.conv, options.columns, fields, j.name);
        j.width = fields.size();
    } else {
        j.width = columns_of_data(j, options.columns, fields, first);
        start.first_record.reset();  // it is data
    }
    if (first != nullptr && !j.results_only) {
        align_with_first(j, has_header ? &fields : nullptr, *first, first_header);
    }
}

std::string header_line(const converter& conv, const input_job& first, const input_start& start) {
    const std::vector<std::string>& header = start.header;
    std::string s;
    const char delimiter = output_delimiter(first.out_format);
    if (!first.results_only && first.format == first.out_format) {
        s = first.format == table_format::whitespace
                ? std::string(without_trailing_blanks(*start.first_record))
                : *start.first_record;
    } else if (!first.results_only) {
        for (std::size_t i = 0; i < header.size(); ++i) {
            if (i > 0) {
                s.push_back(delimiter);
            }
            append_field(s, header[i], first.out_format);
        }
    }
    for (const auto& name : conv.output_headers()) {
        if (!s.empty() || !first.results_only) {
            s.push_back(delimiter);
        }
        append_field(s, name, first.out_format);
    }
    if (!first.results_only) {
        s.push_back(delimiter);
        append_field(s, "error", first.out_format);
    }
    return s + start.header_line_end;
}

}  // namespace tarnwick_convert
