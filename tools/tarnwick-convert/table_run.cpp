#include "table_run.hpp"

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "pipeline.hpp"
#include "record_batch.hpp"
#include "table_columns.hpp"
#include "table_input.hpp"

namespace tarnwick_convert {

namespace {

// One input of the run, as the first look at it left it.
struct table_input {
    table_input(const input_file& file, table_format format, std::string first_bytes,
                std::uint64_t& bytes_read)
        : reader(file, format, std::move(first_bytes), bytes_read) {}

    record_reader reader;
    input_start start;
    input_job job;
};

// Every input's format, header and columns, settled before anything is written.
struct table_plan {
    std::deque<table_input> inputs;      // in a deque, so that `first` stays where it is
    const table_input* first = nullptr;  // the first with a record: it sets the output's layout
    bool byte_order_mark = false;        // written when the first input has one
};

std::vector<input_file> open_inputs(const batch_options& options) {
    std::vector<input_file> files;
    for (const auto& name :
         options.inputs.empty() ? std::vector<std::string>{"-"} : options.inputs) {
        files.push_back(open_input(name));
    }
    return files;
}

// The bytes of all inputs, or 0 when one of them is no regular file.
std::uint64_t known_total_bytes(const std::vector<input_file>& files) {
    std::uint64_t total = 0;
    for (const auto& in : files) {
        if (!S_ISREG(in.info.st_mode)) {
            return 0;
        }
        total += static_cast<std::uint64_t>(in.info.st_size);
    }
    return total;
}

// An input's format: every input's as the options give it, else from its name, else from its
// first line that is not blank (of the first block read).
table_format input_format(const batch_options& options, const input_file& file,
                          std::string_view first_bytes) {
    if (options.format) {
        return *options.format;
    }
    if (const auto by_name = format_from_name(file.name)) {
        return *by_name;
    }
    return sniff_format(first_nonblank_line(first_bytes));
}

// Reads an input's first block and first record, and finds its columns.
void look_at_input(table_plan& plan, const input_file& file, const converter& conv,
                   const batch_options& options, std::uint64_t& bytes_read) {
    std::string first_bytes;
    bytes_read += file.read_into(first_bytes, read_block_bytes);
    if (std::string_view(first_bytes).starts_with(byte_order_mark)) {
        first_bytes.erase(0, byte_order_mark.size());
        plan.byte_order_mark = plan.byte_order_mark || plan.first == nullptr;
    }
    const table_format format = input_format(options, file, first_bytes);
    table_input& in = plan.inputs.emplace_back(file, format, std::move(first_bytes), bytes_read);
    read_first_record(in.reader, in.start);
    in.job.conv = &conv;
    in.job.name = file.display_name();
    in.job.format = format;
    in.job.results_only = options.results_only;
    if (!in.start.first_record) {
        return;
    }
    const table_input* first = plan.first;
    resolve_columns(
        in.job, options, in.start, first != nullptr ? &first->job : nullptr,
        first != nullptr && !first->start.header.empty() ? &first->start.header : nullptr);
    if (first == nullptr) {
        plan.first = &in;
    }
}

// The output's format: as the options give it, else from the output's name, else the first
// input's; without any, each input's own.
void set_output_format(table_plan& plan, const batch_options& options) {
    std::optional<table_format> format = options.output_format;
    if (!format && !options.output.empty() && options.output != "-") {
        format = format_from_name(options.output);
    }
    if (!format && plan.first != nullptr) {
        format = plan.first->job.format;
    }
    for (table_input& in : plan.inputs) {
        in.job.out_format = format.value_or(in.job.format);
    }
}

table_plan look_at_inputs(const converter& conv, const batch_options& options,
                          const std::vector<input_file>& files, std::uint64_t& bytes_read) {
    table_plan plan;
    for (const input_file& file : files) {
        look_at_input(plan, file, conv, options, bytes_read);
    }
    set_output_format(plan, options);
    return plan;
}

// The byte order mark the first input had, and the first input's header with the result
// columns.
void write_heading(output_file& out, const converter& conv, const batch_options& options,
                   const table_plan& plan) {
    if (plan.byte_order_mark && !options.results_only) {
        out.write(byte_order_mark);  // kept for the programs that look for it
    }
    if (plan.first != nullptr && !plan.first->start.header.empty()) {
        out.write(header_line(conv, plan.first->job, plan.first->start));
    }
}

// Cuts one input into batches of whole records for the pipeline; its header, if it has one,
// goes into the first, which says so.
void feed_input(table_input& in, batch_pipeline& pipeline) {
    record_batch batch;
    batch.j = &in.job;
    if (!in.start.header.empty()) {
        batch.header_first = true;
        while (const auto record = in.reader.next()) {
            batch.bytes.append(*record);
            if (!is_blank(split_line_end(*record).text)) {
                break;
            }
        }
    }
    while (const auto records = in.reader.next_records(
               batch_max_bytes - std::min(batch.bytes.size(), batch_max_bytes - 1))) {
        batch.bytes.append(*records);
        if (batch.full()) {
            pipeline.submit(std::move(batch));
            batch = record_batch();
            batch.j = &in.job;
        }
    }
    pipeline.submit(std::move(batch));
}

}  // namespace

batch_summary run_batch(const converter& conv, const batch_options& options) {
    const std::vector<input_file> files = open_inputs(options);
    output_file out(options.output, files);
    std::uint64_t bytes_read = 0;
    table_plan plan = look_at_inputs(conv, options, files, bytes_read);
    batch_pipeline pipeline(options, known_total_bytes(files), bytes_read, out);
    write_heading(out, conv, options, plan);
    for (table_input& in : plan.inputs) {
        feed_input(in, pipeline);
    }
    const batch_summary summary = pipeline.finish();
    out.finish();
    return summary;
}

}  // namespace tarnwick_convert
