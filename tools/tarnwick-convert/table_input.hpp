// The input side of a table run: the files (or standard input) a table is read from, and the
// reading of their records in blocks, so that a file of any size passes through bounded memory.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "table_text.hpp"

namespace tarnwick_convert {

/// An input or output file that cannot be used; the text names the file and the reason.
class file_error : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

/// Input is read in blocks of this many bytes.
inline constexpr std::size_t read_block_bytes = std::size_t{1} << 20;

/// A record longer than this (usually a quote that is never closed) stops the run.
inline constexpr std::size_t max_record_bytes = std::size_t{64} << 20;

/// "<what> <name>: <the reason errno holds>", for a failed system call on a file.
std::string system_message(const std::string& what, const std::string& name);

/// An open input: a file, or standard input ("-"), which is not closed.
struct input_file {
    std::string name;  ///< as given; "-" for standard input
    int fd = -1;
    bool owned = false;  ///< closed with the object
    struct stat info {};

    input_file() = default;
    input_file(const input_file&) = delete;
    input_file& operator=(const input_file&) = delete;
    input_file(input_file&& o) noexcept;
    ~input_file();

    /// The name for messages ("standard input" for "-").
    std::string display_name() const { return name == "-" ? "standard input" : name; }

    /// Appends up to `count` bytes to `buffer`; returns how many were read (0 at the end).
    /// Raises `file_error`.
    std::size_t read_into(std::string& buffer, std::size_t count) const;
};

/// Opens the input `name` ("-": standard input). Raises `file_error` for a file that cannot
/// be opened or is a directory.
input_file open_input(const std::string& name);

/// Reads the records of one input one at a time, a block at a time: only the record being
/// read and the rest of its block are held. Until the first `rewind()` every byte read is
/// kept, so that the records can be looked at before they are read for good.
class record_reader {
  public:
    /// Reads `in` in `format`, starting with the bytes already read from it, `first_bytes`.
    /// Every byte read later is added to `bytes_read`.
    record_reader(const input_file& in, table_format format, std::string first_bytes,
                  std::uint64_t& bytes_read);

    /// The next record with its line end (the last may have none), valid until the next
    /// call; nothing at the end of the input. Raises `file_error` for a failed read or a
    /// record longer than `max_record_bytes`.
    std::optional<std::string_view> next();

    /// The records from the next one on that end within `max_bytes` of bytes read, as one
    /// piece (a longer record alone), valid until the next call; nothing at the end of the
    /// input. Raises as `next`.
    std::optional<std::string_view> next_records(std::size_t max_bytes);

    /// Starts again from the first record of the bytes kept; later reads keep only what
    /// they need.
    void rewind();

  private:
    std::optional<std::string_view> record_until(std::size_t end);
    void read_block();

    const input_file* in_;
    std::uint64_t* bytes_read_;
    record_scanner scanner_;
    std::string buffer_;
    std::size_t start_ = 0;  // of the record being read, in `buffer_`
    std::size_t from_ = 0;   // where the scanner goes on
    bool at_end_ = false;
    bool keep_ = true;
};

}  // namespace tarnwick_convert
