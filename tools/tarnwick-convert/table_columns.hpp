// How a table is read before its rows are: its format, whether its first record is a header,
// which of its columns hold the point, and how its rows fit the layout of the output. All of
// it is settled for every input before anything is written.
#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "conversion.hpp"
#include "table_input.hpp"
#include "table_options.hpp"
#include "table_text.hpp"

namespace tarnwick_convert {

/// The byte order mark some programs put before UTF-8 text.
inline constexpr std::string_view byte_order_mark = "\xEF\xBB\xBF";

/// How one input's rows are read and written, fixed before its first data record is handed
/// out. The first input with a record sets the layout of the output (its header, its width);
/// a later input is read by its own header and written in the first one's column order.
struct input_job {
    const converter* conv = nullptr;
    std::string name;  ///< for messages
    table_format format = table_format::csv;
    table_format out_format = table_format::csv;
    std::vector<std::size_t> columns;  ///< 0-based, in this input's fields
    std::size_t width = 0;             ///< fields of every output row before the results
    std::vector<std::size_t> order;    ///< output field i is input field order[i]; empty: same
    bool reference_groups = false;     ///< the reference column takes the digit groups after it
    bool results_only = false;
};

/// What the first look at one input learnt: its first record that is not blank.
struct input_start {
    std::optional<std::string> first_record;  ///< reset when it turns out to be data
    std::vector<std::string> header;          ///< the first record's fields, when it is a header
    std::string header_line_end = "\n";
};

/// The table format a file name's extension stands for (.csv, .tsv or .tab, .txt for
/// whitespace), or nothing.
std::optional<table_format> format_from_name(std::string_view name);

/// The first line of `text` that is not blank, without its line end (the last line when all
/// are blank).
std::string_view first_nonblank_line(std::string_view text);

/// Reads records from `reader` up to the first that is not blank into `start`, then rewinds
/// it. Raises `file_error`.
void read_first_record(record_reader& reader, input_start& start);

/// In a whitespace table a lettered reference written with blanks ("TG 514 131", "30U XC 993
/// 097") spans fields: an MGRS grid zone first, two letters, then one digit group, or two
/// groups of the same length. They are joined into the field at `column`. Returns whether
/// fields were joined.
bool join_reference_groups(std::vector<std::string>& fields, std::size_t column);

/// Joins as above fields given as views; joined fields are views of strings added to `held`.
bool join_reference_groups(std::vector<std::string_view>& fields, std::size_t column,
                           std::deque<std::string>& held);

/// Finds the point's columns of the input `j` from its first record (`start`, whose header it
/// sets, or whose first record it resets when that is data) and how its rows are written.
/// `first` is the job of the input that sets the output's layout, with its header, or null
/// when this input is that one. Raises `usage_error` for columns that cannot be found or do
/// not pair with the first input's.
void resolve_columns(input_job& j, const batch_options& options, input_start& start,
                     const input_job* first, const std::vector<std::string>* first_header);

/// The output's header line: the first input's header as it stands where the formats agree,
/// then the result columns' names (and "error").
std::string header_line(const converter& conv, const input_job& first, const input_start& start);

}  // namespace tarnwick_convert
