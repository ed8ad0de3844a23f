// The record reader: the same records wherever the bytes already read end, and again from the
// first after a rewind.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
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

}  // namespace
}  // namespace tarnwick_convert
