#include "record_batch.hpp"

#include <algorithm>
#include <cstring>
#include <deque>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace tarnwick_convert {

namespace {

// Room each worker keeps from batch to batch, so that the vectors keep their capacity. The
// fields are views of the batch's bytes, or of `held` where their text had to be made.
struct batch_room {
    std::deque<std::string> held;          // fields unquoted or joined, for this batch
    std::vector<std::string_view> fields;  // of the record being read
    std::vector<std::string_view> stored;  // fields of rows not written as read
    std::vector<std::string_view> picked;  // the point's fields of the rows converted
    result_fields values;
    std::vector<std::string> errors;
};

// A data row of a batch as it was read: the text to write back or the fields to render it
// from, and why it fails before its point is converted.
struct read_row {
    // Made member by member: zeroing the whole row first is a string operation that costs
    // more than the rest of reading a short row.
    read_row() noexcept {}  // NOLINT(modernize-use-equals-default)

    std::string_view text;
    std::string_view line_end;
    bool blank = false;
    bool unterminated = false;
    bool as_read = false;          // written as it was read
    std::size_t fields_first = 0;  // its fields in the batch's field store, unless `as_read`
    std::size_t fields_count = 0;
    std::size_t point = 0;  // its point among the converted ones, unless `error` is set
    std::string error;
};

std::string fields_count_message(std::size_t expected, std::size_t found) {
    return "expected " + std::to_string(expected) + " fields, found " + std::to_string(found) +
           " (CONSTRAINT_ERROR)";
}

// Splits one record into `row`: its fields are stored unless it is written as read, and its
// point's fields picked unless it fails already.
void read_record(const input_job& j, std::string_view record, bool same_format, batch_room& room,
                 read_row& row) {
    const auto [text, end] = split_line_end(record);
    row.text = text;
    row.line_end = end.empty() ? std::string_view("\n") : end;
    if (is_blank(text)) {
        row.blank = true;
        return;
    }
    std::vector<std::string_view>& fields = room.fields;
    const split_result split = split_field_views(text, j.format, fields, room.held);
    const bool joined =
        j.reference_groups && join_reference_groups(fields, j.columns.front(), room.held);
    row.unterminated = split.unterminated;
    row.as_read = same_format && !joined && fields.size() == j.width;
    if (!row.as_read) {
        row.fields_first = room.stored.size();
        row.fields_count = fields.size();
        room.stored.insert(room.stored.end(), fields.begin(), fields.end());
    }
    if (split.unterminated) {
        row.error = "a quoted field is never closed (CONSTRAINT_ERROR)";
    } else if (fields.size() > j.width ||
               std::any_of(j.columns.begin(), j.columns.end(),
                           [&](std::size_t c) { return c >= fields.size(); })) {
        row.error = fields_count_message(j.width, fields.size());
    } else {
        row.point = room.picked.size() / j.columns.size();
        for (const std::size_t c : j.columns) {
            room.picked.push_back(fields[c]);
        }
    }
}

// Where the record at `start` of a batch's bytes ends (the end of the bytes for the last).
std::size_t record_end(std::string_view bytes, std::size_t start, bool quoted,
                       record_scanner& scanner) {
    const std::size_t end =
        quoted ? scanner.find_record_end(bytes, start) : bytes.find('\n', start);
    return end == std::string_view::npos ? bytes.size() : end + (quoted ? 0 : 1);
}

// Every row is read first, so that the points of the whole batch convert in one call. The
// records are found as the reader found them: the batch starts where a record does.
std::vector<read_row> read_records(const record_batch& b, batch_room& room) {
    const input_job& j = *b.j;
    const bool same_format = j.format == j.out_format && j.order.empty();
    std::vector<read_row> rows;
    rows.reserve(b.bytes.size() / 16);
    room.held.clear();
    room.stored.clear();
    room.picked.clear();
    record_scanner scanner(j.format);
    bool header_pending = b.header_first;
    const std::string_view bytes = b.bytes;
    // Without a quote in the batch every line feed ends a record: the scanner is not needed.
    const bool quoted = bytes.find('"') != std::string_view::npos;
    for (std::size_t start = 0; start < bytes.size();) {
        const std::size_t end = record_end(bytes, start, quoted, scanner);
        const std::string_view record = bytes.substr(start, end - start);
        start = end;
        if (header_pending && !is_blank(split_line_end(record).text)) {
            header_pending = false;  // the output's header is written once, before the rows
            continue;
        }
        read_record(j, record, same_format, room, rows.emplace_back());
    }
    return rows;
}

// The output text of a batch, written through a pointer: before a row, room is made for the
// most bytes it can take, so that no byte written checks the text's capacity.
class output_text {
  public:
    explicit output_text(std::string& text) : text_(text), used_(text.size()) {}
    output_text(const output_text&) = delete;
    output_text& operator=(const output_text&) = delete;
    // Cuts the text to the bytes written.
    ~output_text() { text_.resize(used_); }

    // Where the next `count` bytes go (none of them counts as written yet).
    char* room(std::size_t count) {
        if (text_.size() - used_ < count) {
            text_.resize(std::max({2 * text_.size(), used_ + count, text_.capacity()}));
        }
        return text_.data() + used_;
    }
    // The bytes up to `end` count as written.
    void written(const char* end) noexcept { used_ = static_cast<std::size_t>(end - text_.data()); }

  private:
    std::string& text_;
    std::size_t used_;
};

char* write_text(char* at, std::string_view text) noexcept {
    std::memcpy(at, text.data(), text.size());
    return at + text.size();
}

// Writes the input part of a row in the output's format: `width` fields in the output's order,
// missing ones empty; surplus fields stay together in the last one.
void render_fields(output_text& out, std::span<const std::string_view> fields, const input_job& j) {
    const char delimiter = output_delimiter(j.out_format);
    const char input_delimiter =
        j.format == table_format::whitespace ? ' ' : output_delimiter(j.format);
    std::size_t bytes = 0;
    for (const std::string_view field : fields) {
        bytes += field.size() + 1;
    }
    char* at = out.room(field_room(bytes) + 2 * j.width);
    for (std::size_t i = 0; i < j.width; ++i) {
        if (i > 0) {
            *at++ = delimiter;
        }
        const std::size_t from = j.order.empty() ? i : j.order[i];
        if (i + 1 == j.width && fields.size() > j.width) {
            std::string rest(fields[from]);
            for (std::size_t k = j.width; k < fields.size(); ++k) {
                rest.push_back(input_delimiter);
                rest += fields[k];
            }
            at = write_field(at, rest, j.out_format);
        } else {
            at = write_field(at, from < fields.size() ? fields[from] : "", j.out_format);
        }
    }
    out.written(at);
}

// The result fields of one row: `count` of `all` from `first`, or without `all` empty ones.
struct row_values {
    const result_fields* all;
    std::size_t first;
    std::size_t count;

    std::string_view operator[](std::size_t i) const {
        return all == nullptr ? std::string_view() : (*all)[first + i];
    }
    // The most bytes the fields, each after a delimiter, and a last one of `last` bytes take.
    std::size_t room(std::size_t last) const {
        const std::size_t bytes = all == nullptr || count == 0 ? 0 : all->bytes(first, count);
        return field_room(bytes) + 3 * count + field_room(last) + 1;
    }
};

// A row of the result columns alone.
void write_results_alone(output_text& out, const row_values& v, const read_row& row,
                         const input_job& j) {
    const char delimiter = output_delimiter(j.out_format);
    char* at = out.room(v.room(0) + row.line_end.size());
    for (std::size_t i = 0; i < v.count; ++i) {
        if (i > 0) {
            *at++ = delimiter;
        }
        at = write_field(at, v[i], j.out_format);
    }
    out.written(write_text(at, row.line_end));
}

// A whole row: the input's fields (as read where they may be), the results, the error.
void write_whole_row(output_text& out, const row_values& v, const read_row& row, const input_job& j,
                     const std::vector<std::string_view>& stored) {
    const char delimiter = output_delimiter(j.out_format);
    const std::size_t rest = v.room(row.error.size()) + row.line_end.size();
    char* at = nullptr;
    if (row.as_read) {
        const std::string_view text =
            j.format == table_format::whitespace ? without_trailing_blanks(row.text) : row.text;
        at = write_text(out.room(text.size() + 1 + rest), text);
        if (row.unterminated) {
            *at++ = '"';  // close it, so that the appended columns stay apart
        }
    } else {
        render_fields(
            out,
            std::span<const std::string_view>(stored).subspan(row.fields_first, row.fields_count),
            j);
        at = out.room(rest);
    }
    for (std::size_t i = 0; i < v.count; ++i) {
        *at++ = delimiter;
        at = write_field(at, v[i], j.out_format);
    }
    *at++ = delimiter;
    at = write_field(at, row.error, j.out_format);
    out.written(write_text(at, row.line_end));
}

// Writes the rows in order with their results, counting them.
void write_rows(const record_batch& b, std::vector<read_row>& rows, batch_room& room,
                batch_output& result) {
    const input_job& j = *b.j;
    const std::size_t result_count = j.conv->output_headers().size();
    std::uint64_t row_number = 0;
    output_text out(result.text);
    for (read_row& row : rows) {
        if (row.blank) {
            char* at = out.room(row.text.size() + row.line_end.size());
            if (!j.results_only) {
                at = write_text(at, row.text);
            }
            out.written(write_text(at, row.line_end));
            continue;
        }
        ++result.counts.read;
        ++row_number;
        row_values v{nullptr, 0, result_count};
        if (row.error.empty()) {
            row.error = std::move(room.errors[row.point]);
            if (row.error.empty()) {
                v = {&room.values, row.point * result_count, result_count};
            }
        }
        ++(row.error.empty() ? result.counts.converted : result.counts.failed);
        if (!j.results_only) {
            write_whole_row(out, v, row, j, room.stored);
            continue;
        }
        write_results_alone(out, v, row, j);
        if (!row.error.empty()) {
            result.failed.push_back({row_number, std::move(row.error)});
        }
    }
}

}  // namespace

batch_output convert_batch(const record_batch& b) {
    const input_job& j = *b.j;
    thread_local batch_room room;
    batch_output result;
    std::vector<read_row> rows = read_records(b, room);
    // Room for the rows as read and their results, so that the text is not moved as it grows.
    result.text.reserve(b.bytes.size() + rows.size() * (16 * j.conv->output_headers().size() + 8) +
                        64);
    // An input of blank lines alone has no point, nor the point's columns.
    if (!room.picked.empty()) {
        j.conv->convert_rows(room.picked.data(), room.picked.size() / j.columns.size(), room.values,
                             room.errors);
    }
    write_rows(b, rows, room, result);
    if (holds_long_records(b.bytes.size())) {
        // A batch of very long records: its room is not kept for the next, so that each
        // worker does not hold on to the longest record it ever saw.
        room = batch_room();
    }
    return result;
}

}  // namespace tarnwick_convert
