// Batch conversion of tables: input files or standard input are cut into batches of whole
// records, the batches are converted on worker threads, and the results are written in input
// order. At most a fixed number of batches is in flight, so memory stays bounded whatever
// the size of the input.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "conversion.hpp"
#include "table_text.hpp"

namespace tarnwick_convert {

/// An input or output file that cannot be used; the text names the file and the reason.
class file_error : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

/// What a batch run reads, picks and writes.
struct batch_options {
    std::vector<std::string> inputs;     ///< file names, "-" for standard input; none: stdin
    std::string output;                  ///< file name; empty or "-": standard output
    std::optional<table_format> format;  ///< every input's; none: each from its name or first line
    std::optional<table_format> output_format;  ///< none: from the output's name, else the first
                                                ///< input's
    std::optional<bool> header;                 ///< none: decided from each input's first record
    std::vector<std::string> columns;  ///< header names or 1-based indexes; none: by the header's
                                       ///< usual names, or the first columns
    bool results_only = false;         ///< write the result columns alone
    unsigned threads = 1;              ///< worker threads, at least 1
    bool progress = false;             ///< progress bar on standard error when it is a terminal
};

/// Counts of a batch run: data rows read, converted and failed (headers and blank lines are
/// not rows).
struct batch_summary {
    std::uint64_t read = 0;
    std::uint64_t converted = 0;
    std::uint64_t failed = 0;
};

/// The table format a file name's extension stands for (.csv, .tsv or .tab, .txt for
/// whitespace), or nothing.
std::optional<table_format> format_from_name(std::string_view name);

/// Writes `text` to the file `name` through a temporary file beside it that replaces the file
/// only once it is complete. Raises `file_error`.
void write_file_whole(const std::string& name, std::string_view text);

/// Converts every row of the inputs with `conv` and writes each row with its results (or an
/// error) appended, in input order. Every input's columns are found before anything is
/// written. Raises `usage_error` for columns that cannot be found and `file_error` for files
/// that cannot be opened, read or written; an output file is then left as it was.
batch_summary run_batch(const converter& conv, const batch_options& options);

}  // namespace tarnwick_convert
