#include "table_text.hpp"

#include <algorithm>
#include <cstring>

namespace tarnwick_convert {

std::string_view format_name(table_format format) {
    switch (format) {
        case table_format::csv:
            return "csv";
        case table_format::tsv:
            return "tsv";
        case table_format::semicolon:
            return "ssv";
        case table_format::whitespace:
            return "ws";
    }
    return "?";
}

table_format sniff_format(std::string_view first_line) {
    if (first_line.find('\t') != std::string_view::npos) {
        return table_format::tsv;
    }
    if (first_line.find(';') != std::string_view::npos) {
        return table_format::semicolon;
    }
    if (first_line.find(',') != std::string_view::npos) {
        return table_format::csv;
    }
    return table_format::whitespace;
}

bool record_scanner::is_delimiter(char c) const noexcept {
    switch (format_) {
        case table_format::csv:
            return c == ',';
        case table_format::tsv:
            return c == '\t';
        case table_format::semicolon:
            return c == ';';
        case table_format::whitespace:
            return c == ' ' || c == '\t';
    }
    return false;
}

namespace {

// The first line feed or quote at or after `i`, or the end.
std::size_t next_line_feed_or_quote(std::string_view bytes, std::size_t i) noexcept {
    const char* const start = bytes.data() + i;
    std::size_t n = bytes.size() - i;
    if (const void* line_feed = std::memchr(start, '\n', n)) {
        n = static_cast<std::size_t>(static_cast<const char*>(line_feed) - start);
    }
    const void* quote = std::memchr(start, '"', n);
    return i + (quote != nullptr ? static_cast<std::size_t>(static_cast<const char*>(quote) - start)
                                 : n);
}

}  // namespace

bool record_scanner::in_quoted_field() const noexcept {
    return state_ == state::quoted;
}

std::size_t record_scanner::find_record_end(std::string_view bytes, std::size_t from) {
    for (std::size_t i = from; i < bytes.size(); ++i) {
        if (state_ != state::quoted) {
            // Up to the next line feed or quote every byte is a delimiter or plain text, and
            // only the last of them decides the state: they are skipped in one step.
            const std::size_t next = next_line_feed_or_quote(bytes, i);
            if (next > i) {
                state_ = is_delimiter(bytes[next - 1]) ? state::field_start : state::unquoted;
                i = next;
            }
            if (i == bytes.size()) {
                return npos;
            }
        }
        const char c = bytes[i];
        switch (state_) {
            case state::field_start:
            case state::unquoted:
            case state::quote_in_quoted:
                if (c == '\n') {
                    state_ = state::field_start;
                    return i + 1;
                }
                if (is_delimiter(c)) {
                    state_ = state::field_start;
                } else if (c == '"' && state_ == state::field_start) {
                    state_ = state::quoted;
                } else if (c == '"' && state_ == state::quote_in_quoted) {
                    state_ = state::quoted;  // a doubled quote inside a quoted field
                } else {
                    state_ = state::unquoted;
                }
                break;
            case state::quoted: {
                // Skip straight to the next quote: newlines and delimiters are data here.
                const std::size_t q = bytes.find('"', i);
                if (q == std::string_view::npos) {
                    return npos;
                }
                i = q;
                state_ = state::quote_in_quoted;
                break;
            }
        }
    }
    return npos;
}

std::size_t record_scanner::find_last_record_end(std::string_view bytes, std::size_t from) {
    const char* const start = bytes.data() + from;
    const std::size_t n = bytes.size() - from;
    if (state_ == state::quoted || std::memchr(start, '"', n) != nullptr) {
        std::size_t last = npos;
        for (std::size_t end = find_record_end(bytes, from); end != npos;
             end = find_record_end(bytes, end)) {
            last = end;
        }
        return last;
    }
    // Without a quote every line feed ends a record, and the last byte after the last of
    // them decides the state.
    const void* line_feed = ::memrchr(start, '\n', n);
    const std::size_t last =
        line_feed == nullptr
            ? npos
            : static_cast<std::size_t>(static_cast<const char*>(line_feed) - bytes.data()) + 1;
    if (last == bytes.size()) {
        state_ = state::field_start;
    } else if (n > 0) {
        state_ = is_delimiter(bytes.back()) ? state::field_start : state::unquoted;
    }
    return last;
}

namespace {

// The bytes that end a field, for each format in the order of `table_format`: its delimiter,
// in whitespace format a blank or a tab.
constexpr std::array<std::array<bool, 256>, 4> separator_bytes = [] {
    std::array<std::array<bool, 256>, 4> table{};
    for (const table_format format : {table_format::csv, table_format::tsv, table_format::semicolon,
                                      table_format::whitespace}) {
        table[static_cast<std::size_t>(format)]
             [static_cast<unsigned char>(output_delimiter(format))] = true;
    }
    table[static_cast<std::size_t>(table_format::whitespace)]['\t'] = true;
    return table;
}();

// What ends a field: the format's delimiter, or in whitespace format any blank or tab. Looked
// up in a table, so that a field's bytes are each passed by one load and test.
struct field_separator {
    bool whitespace;
    const std::array<bool, 256>* stops;

    bool at(char c) const noexcept { return (*stops)[static_cast<unsigned char>(c)]; }
};

// The first position from `i` on that holds no blank or tab.
std::size_t after_blanks(std::string_view text, std::size_t i) noexcept {
    while (i < text.size() && detail::is_blank_char(text[i])) {
        ++i;
    }
    return i;
}

// Reads a quoted field whose opening quote is at `i` into `field`, up to the next separator;
// `i` ends there. Returns whether the quote was closed.
bool read_quoted_field(std::string_view text, std::size_t& i, field_separator separator,
                       std::string& field) {
    ++i;
    bool closed = false;
    while (i < text.size()) {
        const std::size_t q = text.find('"', i);
        if (q == std::string_view::npos) {
            field.append(text.substr(i));
            i = text.size();
            break;
        }
        field.append(text.substr(i, q - i));
        if (q + 1 < text.size() && text[q + 1] == '"') {
            field.push_back('"');
            i = q + 2;
        } else {
            i = q + 1;
            closed = true;
            break;
        }
    }
    // Text between a closing quote and the next delimiter is kept, as lenient readers do;
    // RFC 4180 leaves it undefined.
    while (i < text.size() && !separator.at(text[i])) {
        field.push_back(text[i++]);
    }
    return closed;
}

// The quoted field whose opening quote is at `i`, as `read_quoted_field` reads it; `i` ends at
// the next separator. A field closed by the first quote after it and followed by a separator
// or the end is the text between the quotes; any other is made in `held`.
std::string_view quoted_field_view(std::string_view text, std::size_t& i, field_separator separator,
                                   std::deque<std::string>& held, bool& closed) {
    const std::size_t q = text.find('"', i + 1);
    if (q != std::string_view::npos && (q + 1 == text.size() || separator.at(text[q + 1]))) {
        const std::string_view value = text.substr(i + 1, q - i - 1);
        i = q + 1;
        closed = true;
        return value;
    }
    std::string& field = held.emplace_back();
    closed = read_quoted_field(text, i, separator, field);
    return field;
}

// The unquoted field at `i`, up to the next separator; `i` ends there.
std::string_view plain_field_view(std::string_view text, std::size_t& i,
                                  field_separator separator) {
    const std::size_t start = i;
    while (i < text.size() && !separator.at(text[i])) {
        ++i;
    }
    return text.substr(start, i - start);
}

}  // namespace

split_result split_field_views(std::string_view text, table_format format,
                               std::vector<std::string_view>& fields,
                               std::deque<std::string>& held) {
    split_result result;
    fields.clear();
    const field_separator separator{format == table_format::whitespace,
                                    &separator_bytes[static_cast<std::size_t>(format)]};
    std::size_t i = separator.whitespace ? after_blanks(text, 0) : 0;
    if (separator.whitespace && i == text.size()) {
        return result;
    }
    while (true) {
        if (i < text.size() && text[i] == '"') {
            bool closed = false;
            fields.push_back(quoted_field_view(text, i, separator, held, closed));
            result.unterminated = result.unterminated || !closed;
        } else {
            fields.push_back(plain_field_view(text, i, separator));
        }
        if (i >= text.size()) {
            break;
        }
        ++i;  // the delimiter
        if (separator.whitespace) {
            i = after_blanks(text, i);
            if (i == text.size()) {
                break;
            }
        }
    }
    return result;
}

split_result split_fields(std::string_view text, table_format format,
                          std::vector<std::string>& fields) {
    std::deque<std::string> held;
    std::vector<std::string_view> views;
    const split_result result = split_field_views(text, format, views, held);
    fields.resize(views.size());
    for (std::size_t k = 0; k < views.size(); ++k) {
        fields[k].assign(views[k]);
    }
    return result;
}

namespace detail {

char* write_quoted_field(char* at, std::string_view value) noexcept {
    *at++ = '"';
    for (const char c : value) {
        if (c == '"') {
            *at++ = '"';
        }
        *at++ = c;
    }
    *at++ = '"';
    return at;
}

}  // namespace detail

}  // namespace tarnwick_convert
