// A batch of whole records of one input, and its conversion into the output's text: the
// unit of work of the worker threads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "table_columns.hpp"
#include "table_options.hpp"

namespace tarnwick_convert {

/// A batch holds whole records of about this many bytes (or one longer record): enough rows
/// that a batch's hand-over costs little, few enough that the threads' room stays small.
inline constexpr std::size_t batch_max_bytes = std::size_t{128} << 10;

/// Whether a batch is one of very long records (more than 2 MiB), whose room is given back
/// rather than kept for the next batch.
inline bool holds_long_records(std::size_t bytes) {
    return bytes > (std::size_t{2} << 20);
}

/// Whole records of one input, with their line ends, in input order. The reader only cuts
/// the input between records; the worker finds the records in it.
struct record_batch {
    const input_job* j = nullptr;
    bool header_first = false;  ///< its first record that is not blank is the header
    std::string bytes;

    /// Whether the batch has as many bytes as it may hold.
    bool full() const { return bytes.size() >= batch_max_bytes; }
};

/// A row that failed, for a message on standard error when the output has no error column.
struct failed_row {
    std::uint64_t row;  ///< counted from 1 in its batch
    std::string reason;
};

/// What a batch gives: its output text, the rows that failed when the output has no error
/// column, and its counts.
struct batch_output {
    std::string text;
    std::vector<failed_row> failed;
    batch_summary counts;
};

/// Converts the points of a batch's rows in one call and writes each row in the output's
/// format and layout, with its results and error, or the results alone. Blank lines are kept;
/// the header is left out. Safe on any number of threads at once.
batch_output convert_batch(const record_batch& b);

}  // namespace tarnwick_convert
