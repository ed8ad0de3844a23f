// The record reader: the same records wherever the bytes already read end, and again from the
// first after a rewind.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "table_input.hpp"

namespace tarnwick_convert {
namespace {

std::vector<std::string> rest_of(record_reader& reader) {
    std::vector<std::string> records;
    while (const auto record = reader.next()) {
        records.emplace_back(*record);
    }
    return records;
}

TEST(RecordReader, RecordsAreTheSameWhereverTheFirstBytesEndAndAfterARewind) {
    const std::vector<std::string> expected{"e,n\r\n", "\n", "\"a\nb,\"\"c\"\"\",1\n", "  \n",
                                            "last"};
    std::string text;
    for (const auto& r : expected) {
        text += r;
    }
    char path[] = "/tmp/tarnwick-record-reader-XXXXXX";
    const int fd = ::mkstemp(path);
    ASSERT_GE(fd, 0);
    ::close(fd);
    for (std::size_t cut = 0; cut <= text.size(); ++cut) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << text.substr(cut);
        const input_file in = open_input(path);
        std::uint64_t bytes_read = 0;
        record_reader reader(in, table_format::csv, text.substr(0, cut), bytes_read);
        // A first look at two records, then every record from the first.
        ASSERT_EQ(*reader.next(), expected[0]) << "cut at " << cut;
        ASSERT_EQ(*reader.next(), expected[1]) << "cut at " << cut;
        reader.rewind();
        EXPECT_EQ(rest_of(reader), expected) << "cut at " << cut;
        EXPECT_FALSE(reader.next()) << "cut at " << cut;
        EXPECT_EQ(bytes_read, text.size() - cut) << "cut at " << cut;
    }
    ::unlink(path);
}

// Batches of records cut from random tables (quotes, doubled quotes, line feeds inside quotes,
// carriage returns, blanks) end only where records end, hold together every byte in order,
// and go beyond their size only with one record alone: the cut the workers rely on.
TEST(RecordReader, RecordsReadInPiecesEndWhereRecordsEnd) {
    static constexpr std::string_view pieces[] = {"a",  "12",   ",", "\"", "\"\"",
                                                  "\n", "\r\n", " ", "\t", ";"};
    char path[] = "/tmp/tarnwick-record-pieces-XXXXXX";
    const int fd = ::mkstemp(path);
    ASSERT_GE(fd, 0);
    ::close(fd);
    std::mt19937 random(26);
    std::uniform_int_distribution<std::size_t> piece(0, std::size(pieces) - 1);
    for (int round = 0; round < 200; ++round) {
        std::string text;
        for (int k = 0; k < 60; ++k) {
            text += pieces[piece(random)];
        }
        const auto format = round % 2 == 0 ? table_format::csv : table_format::whitespace;
        const std::size_t max_bytes = 1 + static_cast<std::size_t>(round % 23);
        // The first bytes already read, the rest in the file, as the first look leaves them.
        std::ofstream(path, std::ios::binary | std::ios::trunc) << text.substr(round % 7);
        const input_file in = open_input(path);
        std::uint64_t bytes_read = 0;
        record_reader by_record(in, format, text.substr(0, round % 7), bytes_read);
        std::set<std::size_t> record_ends;
        std::size_t at = 0;
        while (const auto record = by_record.next()) {
            at += record->size();
            record_ends.insert(at);
        }
        ASSERT_EQ(::lseek(in.fd, 0, SEEK_SET), 0);
        record_reader by_piece(in, format, text.substr(0, round % 7), bytes_read);
        std::string joined;
        while (const auto records = by_piece.next_records(max_bytes)) {
            joined += *records;
            ASSERT_TRUE(record_ends.count(joined.size())) << "round " << round;
            if (records->size() > max_bytes) {
                EXPECT_EQ(*record_ends.lower_bound(joined.size() - records->size() + 1),
                          joined.size())
                    << "round " << round;
            }
        }
        EXPECT_EQ(joined, text) << "round " << round;
    }
    ::unlink(path);
}

}  // namespace
}  // namespace tarnwick_convert
