// What a table run is asked to do, and what it counts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "table_text.hpp"

namespace tarnwick_convert {

/// What a batch run reads, picks and writes.
struct batch_options {
    std::vector<std::string> inputs;     ///< file names, "-" for standard input; none: stdin
    std::string output;                  ///< file name; empty or "-": standard output
    std::optional<table_format> format;  ///< every input's; none: each from its name or first line
    std::optional<table_format> output_format;  ///< none: from the output's name, else the first
                                                ///< input's
    std::optional<bool> header;                 ///< none: decided from each input's first record
    std::vector<std::string> columns;  ///< header names or 1-based indexes; none: by the header's
                                       ///< usual names, or the first columns
    bool results_only = false;         ///< write the result columns alone
    unsigned threads = 1;              ///< worker threads, at least 1
    bool progress = false;             ///< progress bar on standard error when it is a terminal
};

/// Counts of a batch run: data rows read, converted and failed (headers and blank lines are
/// not rows).
struct batch_summary {
    std::uint64_t read = 0;
    std::uint64_t converted = 0;
    std::uint64_t failed = 0;
};

}  // namespace tarnwick_convert
