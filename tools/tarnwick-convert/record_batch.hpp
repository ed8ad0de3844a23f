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

/// A batch holds at most this many records, or this many bytes of them (beyond the record
/// that crosses it).
inline constexpr std::size_t batch_max_records = 4096;
inline constexpr std::size_t batch_max_bytes = std::size_t{1} << 20;

/// Whether a batch is one of very long records (more than twice the usual bytes), whose room
/// is given back rather than kept for the next batch.
inline bool holds_long_records(std::size_t bytes) {
    return bytes > 2 * batch_max_bytes;
}

/// A record's part in a batch: the header is not written as a row.
enum class record_kind : std::uint8_t { data, header };

/// Where a record lies in its batch's bytes.
struct record_ref {
    std::uint32_t offset;
    std::uint32_t length;
    record_kind kind;
};

/// Whole records of one input, with their line ends, in input order.
struct record_batch {
    const input_job* j = nullptr;
    std::uint64_t first_row = 0;  ///< data rows of the input before this batch
    std::string bytes;
    std::vector<record_ref> records;

    /// Appends a record (with its line end).
    void add(std::string_view record, record_kind kind) {
        records.push_back({static_cast<std::uint32_t>(bytes.size()),
                           static_cast<std::uint32_t>(record.size()), kind});
        bytes.append(record);
    }
    /// Whether the batch has as many records or bytes as it may hold.
    bool full() const {
        return records.size() >= batch_max_records || bytes.size() >= batch_max_bytes;
    }
};

/// What a batch gives: its output text, the reasons of failed rows when the output has no
/// error column ("tarnwick-convert: <input> row <n>: <reason>" lines), and its counts.
struct batch_output {
    std::string text;
    std::string messages;
    batch_summary counts;
};

/// Converts the points of a batch's rows in one call and writes each row in the output's
/// format and layout, with its results and error, or the results alone. Blank lines are kept;
/// the header is left out. Safe on any number of threads at once.
batch_output convert_batch(const record_batch& b);

}  // namespace tarnwick_convert
