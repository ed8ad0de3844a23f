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

record_text split_line_end(std::string_view record) {
    if (record.ends_with("\r\n")) {
        return {record.substr(0, record.size() - 2), record.substr(record.size() - 2)};
    }
    if (record.ends_with('\n')) {
        return {record.substr(0, record.size() - 1), record.substr(record.size() - 1)};
    }
    return {record, {}};
}

namespace {

bool is_blank_char(char c) noexcept {
    return c == ' ' || c == '\t';
}

}  // namespace

bool is_blank(std::string_view text) noexcept {
    return std::all_of(text.begin(), text.end(), is_blank_char);
}

std::string_view without_trailing_blanks(std::string_view text) noexcept {
    while (!text.empty() && is_blank_char(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

namespace {

// What ends a field: the format's delimiter, or in whitespace format any blank or tab.
struct field_separator {
    bool whitespace;
    char delimiter;

    bool at(char c) const noexcept { return whitespace ? is_blank_char(c) : c == delimiter; }
};

// The first position from `i` on that holds no blank or tab.
std::size_t after_blanks(std::string_view text, std::size_t i) noexcept {
    while (i < text.size() && is_blank_char(text[i])) {
        ++i;
    }
    return i;
}

// The `count`th field of `fields`, emptied, made when there is none yet; counts it.
std::string& next_field(std::vector<std::string>& fields, std::size_t& count) {
    if (count == fields.size()) {
        fields.emplace_back();
    }
    std::string& f = fields[count++];
    f.clear();
    return f;
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

// Reads an unquoted field at `i` into `field`, up to the next separator; `i` ends there.
void read_plain_field(std::string_view text, std::size_t& i, field_separator separator,
                      std::string& field) {
    const std::size_t start = i;
    while (i < text.size() && !separator.at(text[i])) {
        ++i;
    }
    field.assign(text.substr(start, i - start));
}

}  // namespace

split_result split_fields(std::string_view text, table_format format,
                          std::vector<std::string>& fields) {
    split_result result;
    std::size_t count = 0;
    const field_separator separator{format == table_format::whitespace, output_delimiter(format)};
    std::size_t i = separator.whitespace ? after_blanks(text, 0) : 0;
    if (separator.whitespace && i == text.size()) {
        fields.resize(0);
        return result;
    }
    while (true) {
        std::string& field = next_field(fields, count);
        if (i < text.size() && text[i] == '"') {
            if (!read_quoted_field(text, i, separator, field)) {
                result.unterminated = true;
            }
        } else {
            read_plain_field(text, i, separator, field);
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
    fields.resize(count);
    return result;
}

char output_delimiter(table_format format) noexcept {
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

void append_field(std::string& out, std::string_view value, table_format format) {
    if (value.empty()) {
        if (format == table_format::whitespace) {
            out.push_back('-');
        }
        return;
    }
    // Quoted: a value holding a quote, a line end or the format's separator (in whitespace
    // format a blank or tab), and in whitespace format "-", which would read as empty.
    const bool whitespace = format == table_format::whitespace;
    const char delimiter = output_delimiter(format);
    const bool needs_quotes =
        (whitespace && value == "-") || std::any_of(value.begin(), value.end(), [&](char c) {
            return c == '"' || c == '\r' || c == '\n' || c == delimiter ||
                   (whitespace && c == '\t');
        });
    if (!needs_quotes) {
        out.append(value);
        return;
    }
    out.push_back('"');
    for (const char c : value) {
        if (c == '"') {
            out.push_back('"');
        }
        out.push_back(c);
    }
    out.push_back('"');
}

}  // namespace tarnwick_convert
