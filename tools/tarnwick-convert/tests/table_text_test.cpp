// The table reader: where records end, how fields are unquoted, how results are quoted.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "table_text.hpp"

namespace tarnwick_convert {
namespace {

// Cuts `text` into records by feeding it `piece` bytes at a time, as the batch reader does
// with its blocks.
std::vector<std::string> records_of(const std::string& text, table_format format,
                                    std::size_t piece) {
    record_scanner scanner(format);
    std::vector<std::string> records;
    std::string buffer;
    std::size_t start = 0;
    for (std::size_t fed = 0; fed < text.size(); fed += piece) {
        const std::size_t from = buffer.size();
        buffer += text.substr(fed, piece);
        std::size_t at = from;
        std::size_t end = 0;
        while ((end = scanner.find_record_end(buffer, at)) != record_scanner::npos) {
            records.push_back(buffer.substr(start, end - start));
            start = at = end;
        }
    }
    if (start < buffer.size()) {
        records.push_back(buffer.substr(start));
    }
    return records;
}

TEST(RecordScanner, LineFeedsInsideQuotedFieldsDoNotEndRecords) {
    const std::string text = "a,\"line one\nline two\",c\r\n\"x\"\"\n\",y\nlast";
    const std::vector<std::string> expected{"a,\"line one\nline two\",c\r\n", "\"x\"\"\n\",y\n",
                                            "last"};
    for (const std::size_t piece : {1, 2, 3, 7, 100}) {
        EXPECT_EQ(records_of(text, table_format::csv, piece), expected) << "piece " << piece;
    }
}

TEST(RecordScanner, QuoteInsideAnUnquotedFieldIsData) {
    // Only a quote at the start of a field opens a quoted field (RFC 4180); a stray one in an
    // unquoted field must not swallow the following records.
    const std::string text = "5\" pipe,1\nnext,2\n";
    EXPECT_EQ(records_of(text, table_format::csv, 4),
              (std::vector<std::string>{"5\" pipe,1\n", "next,2\n"}));
}

TEST(RecordScanner, ReportsAQuoteThatIsNeverClosed) {
    record_scanner scanner(table_format::csv);
    EXPECT_EQ(scanner.find_record_end("a,\"open\nstill open", 0), record_scanner::npos);
    EXPECT_TRUE(scanner.in_quoted_field());
}

TEST(RecordScanner, WhitespaceFormatOpensQuotesAfterBlanks) {
    EXPECT_EQ(records_of("1 \"a\nb\" 2\n3 4\n", table_format::whitespace, 3),
              (std::vector<std::string>{"1 \"a\nb\" 2\n", "3 4\n"}));
}

TEST(SplitLineEnd, KeepsTheRecordsOwnLineEnd) {
    EXPECT_EQ(split_line_end("a,b\r\n").text, "a,b");
    EXPECT_EQ(split_line_end("a,b\r\n").line_end, "\r\n");
    EXPECT_EQ(split_line_end("a,b\n").line_end, "\n");
    EXPECT_EQ(split_line_end("a,b").line_end, "");
}

TEST(SplitFields, UnquotesRfc4180Fields) {
    std::vector<std::string> fields;
    EXPECT_FALSE(
        split_fields("1,\"a,b\",\"say \"\"hi\"\"\",,\"\"", table_format::csv, fields).unterminated);
    EXPECT_EQ(fields, (std::vector<std::string>{"1", "a,b", "say \"hi\"", "", ""}));

    split_fields("x\t\"t\tab\"\t", table_format::tsv, fields);
    EXPECT_EQ(fields, (std::vector<std::string>{"x", "t\tab", ""}));

    split_fields("\"multi\nline\",2", table_format::csv, fields);
    EXPECT_EQ(fields, (std::vector<std::string>{"multi\nline", "2"}));
}

TEST(SplitFields, ReusesTheVectorWithoutStaleFields) {
    std::vector<std::string> fields{"old", "old", "old", "old"};
    split_fields("a,b", table_format::csv, fields);
    EXPECT_EQ(fields, (std::vector<std::string>{"a", "b"}));
}

TEST(SplitFields, WhitespaceRunsSeparateAndEdgesAreIgnored) {
    std::vector<std::string> fields;
    split_fields("  651410 \t 313177   \"two words\" ", table_format::whitespace, fields);
    EXPECT_EQ(fields, (std::vector<std::string>{"651410", "313177", "two words"}));
    split_fields("   ", table_format::whitespace, fields);
    EXPECT_TRUE(fields.empty());
}

TEST(SplitFields, FlagsAnUnterminatedQuote) {
    std::vector<std::string> fields;
    EXPECT_TRUE(split_fields("1,\"never closed", table_format::csv, fields).unterminated);
    EXPECT_EQ(fields, (std::vector<std::string>{"1", "never closed"}));
}

TEST(AppendField, QuotesOnlyWhatMustBeQuoted) {
    auto field = [](std::string_view v, table_format f) {
        std::string out;
        append_field(out, v, f);
        return out;
    };
    EXPECT_EQ(field("TG 51410 13177", table_format::csv), "TG 51410 13177");
    EXPECT_EQ(field("a,b", table_format::csv), "\"a,b\"");
    EXPECT_EQ(field("52°39'28.711\"N", table_format::csv), "\"52°39'28.711\"\"N\"");
    EXPECT_EQ(field("a,b", table_format::tsv), "a,b");
    EXPECT_EQ(field("TG 51410 13177", table_format::whitespace), "\"TG 51410 13177\"");
    EXPECT_EQ(field("", table_format::csv), "");
    EXPECT_EQ(field("", table_format::whitespace), "-");
    EXPECT_EQ(field("-", table_format::whitespace), "\"-\"");
}

TEST(AppendField, WrittenFieldsReadBackUnchanged) {
    const std::vector<std::string> values{"plain",     "a,b",         "q\"uote", "two words",
                                          "tab\there", "line\nbreak", "-",       ""};
    for (const auto format : {table_format::csv, table_format::tsv, table_format::whitespace}) {
        std::string line;
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (i > 0) {
                line.push_back(output_delimiter(format));
            }
            append_field(line, values[i], format);
        }
        std::vector<std::string> back;
        split_fields(line, format, back);
        std::vector<std::string> expected = values;
        if (format == table_format::whitespace) {
            expected.back() = "-";  // the empty field's stand-in
        }
        EXPECT_EQ(back, expected) << format_name(format);
    }
}

TEST(SniffFormat, TabThenCommaThenWhitespace) {
    EXPECT_EQ(sniff_format("a\tb,c"), table_format::tsv);
    EXPECT_EQ(sniff_format("e,n"), table_format::csv);
    EXPECT_EQ(sniff_format("651410 313177"), table_format::whitespace);
}

}  // namespace
}  // namespace tarnwick_convert
