// Delimited text tables as tarnwick-convert reads and writes them: CSV and TSV with RFC 4180
// quoting, and whitespace-separated columns. Records are found by a byte-wise state machine so
// that input can be cut into batches of whole records without holding the file; fields are
// split from one record at a time, so the splitting can run on any thread.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick_convert {

/// How fields are separated: one comma, one tab, one semicolon, or any run of blanks and tabs.
enum class table_format { csv, tsv, semicolon, whitespace };

/// The format's name as the command line spells it ("csv", "tsv", "ssv", "ws").
std::string_view format_name(table_format format);

/// Guesses the format from the first line of a table: a tab means TSV, else a semicolon
/// semicolon-separated (where a comma is often the decimal mark), else a comma CSV, else
/// whitespace-separated.
table_format sniff_format(std::string_view first_line);

/// Finds the ends of records in a byte stream. A record ends at a line feed outside a quoted
/// field; a quote opens a quoted field only at the start of a field, and inside it a doubled
/// quote stands for one quote. Feed the stream in pieces of any size.
class record_scanner {
  public:
    explicit record_scanner(table_format format) noexcept : format_(format) {}

    /// Scans `bytes` from `from` onwards. Returns the offset just past the first line feed that
    /// ends a record, or `npos` when the bytes end inside a record; the state is kept, so the
    /// next call may continue with more bytes (pass the offset where this call stopped).
    std::size_t find_record_end(std::string_view bytes, std::size_t from);

    /// Scans `bytes` from `from` onwards to their end, as `find_record_end` called again and
    /// again; returns the offset just past the last record end in them, or `npos`.
    std::size_t find_last_record_end(std::string_view bytes, std::size_t from);

    /// Whether the scanner stands inside a quoted field (an unterminated quote at end of
    /// input).
    bool in_quoted_field() const noexcept;

    /// Forgets the state: the next byte starts a new record.
    void reset() noexcept { state_ = state::field_start; }

    static constexpr std::size_t npos = std::string_view::npos;

  private:
    enum class state { field_start, unquoted, quoted, quote_in_quoted };
    bool is_delimiter(char c) const noexcept;

    table_format format_;
    state state_ = state::field_start;
};

/// One record's text without its line end, and the line end it had ("\n", "\r\n" or none at
/// the end of input).
struct record_text {
    std::string_view text;
    std::string_view line_end;
};

// Inline, these and the helpers below: each runs on every record.

/// Cuts a complete record (as delimited by `record_scanner`) into its text and its line end.
inline record_text split_line_end(std::string_view record) noexcept {
    if (record.ends_with("\r\n")) {
        return {record.substr(0, record.size() - 2), record.substr(record.size() - 2)};
    }
    if (record.ends_with('\n')) {
        return {record.substr(0, record.size() - 1), record.substr(record.size() - 1)};
    }
    return {record, {}};
}

namespace detail {

inline bool is_blank_char(char c) noexcept {
    return c == ' ' || c == '\t';
}

}  // namespace detail

/// Whether a record holds nothing but blanks and tabs (such lines pass through untouched).
inline bool is_blank(std::string_view text) noexcept {
    return std::all_of(text.begin(), text.end(), detail::is_blank_char);
}

/// The text without the blanks and tabs at its end.
inline std::string_view without_trailing_blanks(std::string_view text) noexcept {
    while (!text.empty() && detail::is_blank_char(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

/// Result of `split_fields`: `fields` holds the values with quotes removed; `unterminated`
/// tells that the record ended inside a quoted field.
struct split_result {
    bool unterminated = false;
};

/// Splits one record's text (without line end) into field values, removing RFC 4180 quoting.
/// Whitespace format: runs of blanks and tabs separate fields and leading and trailing ones
/// are ignored. `fields` is cleared first; its strings' capacity is reused.
split_result split_fields(std::string_view text, table_format format,
                          std::vector<std::string>& fields);

/// Splits as `split_fields` into views: of `text` where a value stands in it unchanged, else
/// of a string added to `held` (a field whose quoting is undone), which keeps its place while
/// more are added. `fields` is cleared first.
split_result split_field_views(std::string_view text, table_format format,
                               std::vector<std::string_view>& fields,
                               std::deque<std::string>& held);

namespace detail {

/// The bytes that make a value quoted, for each format in the order of `table_format`: a quote,
/// a line end and the separator (in whitespace format a blank or a tab).
inline constexpr std::array<std::array<bool, 256>, 4> quoted_bytes = [] {
    std::array<std::array<bool, 256>, 4> table{};
    constexpr std::array<char, 4> separators{',', '\t', ';', ' '};
    for (std::size_t f = 0; f < table.size(); ++f) {
        for (const char c : {'"', '\r', '\n', separators[f]}) {
            table[f][static_cast<unsigned char>(c)] = true;
        }
    }
    table[static_cast<std::size_t>(table_format::whitespace)]['\t'] = true;
    return table;
}();

/// Writes a value that must be quoted at `at` as `write_field` does; returns the end.
char* write_quoted_field(char* at, std::string_view value) noexcept;

}  // namespace detail

/// The most bytes `write_field` writes for a value of `size` bytes: each a doubled quote,
/// between two quotes.
constexpr std::size_t field_room(std::size_t size) noexcept {
    return 2 * size + 2;
}

/// Writes `value` at `at` as one field of the format, quoted where it must be: where it holds
/// a byte of `detail::quoted_bytes`, and in whitespace format "-" alone, which would read as
/// empty. An empty value is written as "-" in whitespace format, where an empty field would
/// vanish. `at` has room for `field_room(value.size())` bytes; returns the end of the field.
/// Inline: the plain value is the common case of every field written, copied while its bytes
/// are looked at, without a branch per byte.
inline char* write_field(char* at, std::string_view value, table_format format) noexcept {
    const auto& special = detail::quoted_bytes[static_cast<std::size_t>(format)];
    bool unusual = value.size() == 1 && value[0] == '-' && format == table_format::whitespace;
    if (value.empty()) {
        if (format == table_format::whitespace) {
            *at++ = '-';
        }
        return at;
    }
    for (const char c : value) {
        unusual |= special[static_cast<unsigned char>(c)];
        *at++ = c;
    }
    return unusual ? detail::write_quoted_field(at - value.size(), value) : at;
}

/// Appends `value` to `out` as `write_field` writes it.
inline void append_field(std::string& out, std::string_view value, table_format format) {
    const std::size_t used = out.size();
    out.resize(used + field_room(value.size()));
    out.resize(
        static_cast<std::size_t>(write_field(out.data() + used, value, format) - out.data()));
}

/// The character that separates fields on output.
constexpr char output_delimiter(table_format format) noexcept {
    switch (format) {
        case table_format::csv:
            return ',';
        case table_format::tsv:
            return '\t';
        case table_format::semicolon:
            return ';';
        case table_format::whitespace:
            return ' ';
    }
    return ',';
}

}  // namespace tarnwick_convert
