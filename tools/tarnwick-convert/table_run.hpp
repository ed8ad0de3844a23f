// Batch conversion of tables: input files or standard input are cut into batches of whole
// records, the batches are converted on worker threads, and the results are written in input
// order. At most a fixed number of batches is in flight, so memory stays bounded whatever
// the size of the input.
#pragma once

#include "conversion.hpp"
#include "output_file.hpp"
#include "table_options.hpp"

namespace tarnwick_convert {

/// Converts every row of the inputs with `conv` and writes each row with its results (or an
/// error) appended, in input order. Every input's columns are found before anything is
/// written. Raises `usage_error` for columns that cannot be found and `file_error` for files
/// that cannot be opened, read or written; an output file is then left as it was.
batch_summary run_batch(const converter& conv, const batch_options& options);

}  // namespace tarnwick_convert
