// Batch conversion of tables: input files or standard input are cut into batches of whole
// records, the batches are converted on worker threads, and the results are written in input
// order. At most a fixed number of batches is in flight, so memory stays bounded whatever
// the size of the input.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
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
    std::optional<table_format> format;  ///< none: from the file name or the first line
    std::optional<bool> header;          ///< none: guessed from the first record
    std::vector<std::string> columns;    ///< header names or 1-based indexes; none: 1 .. n
    unsigned threads = 1;                ///< worker threads, at least 1
    bool progress = false;               ///< progress bar on standard error when it is a terminal
};

/// Counts of a batch run: data rows read, converted and failed (headers and blank lines are
/// not rows).
struct batch_summary {
    std::uint64_t read = 0;
    std::uint64_t converted = 0;
    std::uint64_t failed = 0;
};

/// Converts every row of the inputs with `conv` and writes each row with its results (or an
/// error) appended, in input order. Raises `usage_error` for columns that cannot be found and
/// `file_error` for files that cannot be opened, read or written.
batch_summary run_batch(const converter& conv, const batch_options& options);

}  // namespace tarnwick_convert
