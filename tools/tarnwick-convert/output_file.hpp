// The output of a run, written so that it is whole or not there: a file is written through a
// temporary beside it that takes its place only at the end, and is removed when the run fails
// or a signal ends it.
#pragma once

#include <sys/types.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "table_input.hpp"

namespace tarnwick_convert {

/// Writes the output. A regular file (or a new one) is written through a temporary file
/// beside it, renamed over it only by `finish()`, so that a run that ends early (a signal, a
/// failure, the record-size limit) leaves an earlier file of that name as it was; a symbolic
/// link is followed, and the file it points to is the one replaced. A FIFO, a device or
/// another special file is no file to replace: it is written directly. Standard output is
/// written straight. Every signal whose default ends the program removes the temporary.
class output_file {
  public:
    /// The output `name` ("-" or empty: standard output). Raises `file_error` when it is one
    /// of `inputs`, a directory, or its path cannot be resolved. Nothing is created yet.
    output_file(const std::string& name, const std::vector<input_file>& inputs);
    output_file(const output_file&) = delete;
    output_file& operator=(const output_file&) = delete;
    /// Closes the file; an unfinished temporary is removed.
    ~output_file();

    /// Appends `text`, creating the file (or its temporary) at the first write. Raises
    /// `file_error`.
    void write(std::string_view text);

    /// Flushes, closes and puts the file in place; a write that failed late (a full disk)
    /// shows here as `file_error`.
    void finish();

  private:
    void take_existing(const struct stat& info, const std::vector<input_file>& inputs);
    void open();
    void open_direct();
    int make_temporary();
    void discard_temporary();

    std::string path_;  // empty: standard output
    std::string name_;
    std::string temporary_;
    bool direct_ = false;  // a special file, written in place
    mode_t mode_ = 0644;
    std::FILE* file_ = nullptr;
};

/// Writes `text` to the file `name` ("-": standard output) as `output_file` does: through a
/// temporary file beside it that replaces the file only once it is complete. Raises
/// `file_error`.
void write_file_whole(const std::string& name, std::string_view text);

}  // namespace tarnwick_convert
