#include "batch.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <string_view>
#include <thread>

#include "text_values.hpp"

namespace tarnwick_convert {

namespace {

// Sizes that bound the memory of a run: input is read in blocks, cut into batches of whole
// records, and at most `2 * threads + 2` batches are read but not yet written.
constexpr std::size_t read_block_bytes = std::size_t{1} << 20;
constexpr std::size_t batch_max_records = 4096;
constexpr std::size_t batch_max_bytes = std::size_t{1} << 20;
// A record longer than this (usually a quote that is never closed) stops the run.
constexpr std::size_t max_record_bytes = std::size_t{64} << 20;

std::string system_message(const std::string& what, const std::string& name) {
    return what + " " + name + ": " + std::strerror(errno);
}

// ---- input and output files -------------------------------------------------------------

struct input_file {
    std::string name;  // as given; "-" for standard input
    int fd = -1;
    bool owned = false;
    struct stat info {};

    input_file() = default;
    input_file(const input_file&) = delete;
    input_file& operator=(const input_file&) = delete;
    input_file(input_file&& o) noexcept
        : name(std::move(o.name)), fd(o.fd), owned(o.owned), info(o.info) {
        o.owned = false;
    }
    ~input_file() {
        if (owned) {
            ::close(fd);
        }
    }

    std::string display_name() const { return name == "-" ? "standard input" : name; }

    // Appends up to `count` bytes to `buffer`; returns how many were read (0 at the end).
    std::size_t read_into(std::string& buffer, std::size_t count) const {
        const std::size_t old = buffer.size();
        buffer.resize(old + count);
        ssize_t n = 0;
        do {
            n = ::read(fd, buffer.data() + old, count);
        } while (n < 0 && errno == EINTR);
        if (n < 0) {
            buffer.resize(old);
            throw file_error(system_message("cannot read", display_name()));
        }
        buffer.resize(old + static_cast<std::size_t>(n));
        return static_cast<std::size_t>(n);
    }
};

input_file open_input(const std::string& name) {
    input_file f;
    f.name = name;
    if (name == "-") {
        f.fd = STDIN_FILENO;
    } else {
        f.fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
        if (f.fd < 0) {
            throw file_error(system_message("cannot open", name));
        }
        f.owned = true;
    }
    if (::fstat(f.fd, &f.info) != 0) {
        throw file_error(system_message("cannot read", f.display_name()));
    }
    if (S_ISDIR(f.info.st_mode)) {
        throw file_error("cannot read " + name + ": it is a directory");
    }
    return f;
}

// The output is opened at its first write, so that a run that stops on its arguments (a
// column that is not in the header) leaves an existing file as it was.
class output_file {
  public:
    output_file(const std::string& name, const std::vector<input_file>& inputs)
        : path_(name == "-" ? std::string() : name),
          name_(path_.empty() ? "standard output" : name) {
        if (path_.empty()) {
            file_ = stdout;
            return;
        }
        // Opening for writing truncates: refuse to do that to one of the inputs.
        struct stat info {};
        if (::stat(path_.c_str(), &info) == 0) {
            for (const auto& in : inputs) {
                if (in.info.st_dev == info.st_dev && in.info.st_ino == info.st_ino) {
                    throw file_error("cannot write " + name + ": it is also an input");
                }
            }
        }
    }
    output_file(const output_file&) = delete;
    output_file& operator=(const output_file&) = delete;
    ~output_file() {
        if (file_ != nullptr && file_ != stdout) {
            std::fclose(file_);
        }
    }

    void write(std::string_view text) {
        open();
        if (!text.empty() && std::fwrite(text.data(), 1, text.size(), file_) != text.size()) {
            throw file_error(system_message("cannot write", name_));
        }
    }

    // Flushes and closes; a write that failed late (a full disk) shows here.
    void finish() {
        open();
        const bool flushed = std::fflush(file_) == 0 && std::ferror(file_) == 0;
        if (file_ != stdout) {
            const bool closed = std::fclose(file_) == 0;
            file_ = nullptr;
            if (!closed && flushed) {
                throw file_error(system_message("cannot write", name_));
            }
        }
        if (!flushed) {
            throw file_error(system_message("cannot write", name_));
        }
    }

  private:
    void open() {
        if (file_ == nullptr) {
            file_ = std::fopen(path_.c_str(), "w");
            if (file_ == nullptr) {
                throw file_error(system_message("cannot write", name_));
            }
        }
    }

    std::string path_;  // empty: standard output
    std::string name_;
    std::FILE* file_ = nullptr;
};

// ---- batches ------------------------------------------------------------------------------

enum class record_kind : std::uint8_t { data, header, skipped_header };

struct record_ref {
    std::uint32_t offset;
    std::uint32_t length;
    record_kind kind;
};

struct batch {
    std::string bytes;
    std::vector<record_ref> records;

    void add(std::string_view record, record_kind kind) {
        records.push_back({static_cast<std::uint32_t>(bytes.size()),
                           static_cast<std::uint32_t>(record.size()), kind});
        bytes.append(record);
    }
    bool full() const {
        return records.size() >= batch_max_records || bytes.size() >= batch_max_bytes;
    }
};

struct batch_output {
    std::string text;
    batch_summary counts;
};

// Everything a worker needs, fixed before the first data record is handed out.
struct job {
    const converter* conv = nullptr;
    table_format format = table_format::csv;
    std::vector<std::size_t> columns;  // 0-based
    std::string header_suffix;         // the result columns' names, each after a delimiter
};

std::string_view without_trailing_blanks(std::string_view text) {
    const std::size_t last = text.find_last_not_of(" \t");
    return last == std::string_view::npos ? std::string_view() : text.substr(0, last + 1);
}

batch_output convert_batch(const job& j, const batch& b) {
    batch_output result;
    result.text.reserve(b.bytes.size() * 2 + 64);
    const char delimiter = output_delimiter(j.format);
    const std::size_t result_count = j.conv->output_headers().size();
    std::vector<std::string> fields;
    std::vector<std::string> picked(j.columns.size());
    std::vector<std::string> values;
    std::string error;

    for (const record_ref& r : b.records) {
        const auto [text, end] =
            split_line_end(std::string_view(b.bytes).substr(r.offset, r.length));
        const std::string_view line_end = end.empty() ? std::string_view("\n") : end;
        if (r.kind == record_kind::skipped_header) {
            continue;
        }
        if (r.kind == record_kind::header) {
            result.text.append(j.format == table_format::whitespace ? without_trailing_blanks(text)
                                                                    : text);
            result.text.append(j.header_suffix);
            result.text.append(line_end);
            continue;
        }
        if (is_blank(text)) {
            result.text.append(text);
            result.text.append(line_end);
            continue;
        }
        ++result.counts.read;
        const split_result split = split_fields(text, j.format, fields);
        error.clear();
        try {
            if (split.unterminated) {
                throw row_failure("a quoted field is never closed (CONSTRAINT_ERROR)");
            }
            for (std::size_t i = 0; i < j.columns.size(); ++i) {
                if (j.columns[i] >= fields.size()) {
                    throw row_failure("column " + std::to_string(j.columns[i] + 1) +
                                      " is missing: the row has " + std::to_string(fields.size()) +
                                      (fields.size() == 1 ? " column" : " columns") +
                                      " (CONSTRAINT_ERROR)");
                }
                picked[i] = fields[j.columns[i]];
            }
            j.conv->convert(picked.data(), values);
            ++result.counts.converted;
        } catch (const row_failure& f) {
            error = f.what();
            values.assign(result_count, std::string());
            ++result.counts.failed;
        }
        result.text.append(j.format == table_format::whitespace ? without_trailing_blanks(text)
                                                                : text);
        if (split.unterminated) {
            result.text.push_back('"');  // close it, so that the appended columns stay apart
        }
        for (const std::string& v : values) {
            result.text.push_back(delimiter);
            append_field(result.text, v, j.format);
        }
        result.text.push_back(delimiter);
        append_field(result.text, error, j.format);
        result.text.append(line_end);
    }
    return result;
}

// ---- worker threads -----------------------------------------------------------------------

class worker_pool {
  public:
    explicit worker_pool(unsigned count) {
        for (unsigned i = 0; i < count; ++i) {
            threads_.emplace_back([this] { work(); });
        }
    }
    worker_pool(const worker_pool&) = delete;
    worker_pool& operator=(const worker_pool&) = delete;
    ~worker_pool() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        for (auto& t : threads_) {
            t.join();
        }
    }

    std::future<batch_output> submit(std::packaged_task<batch_output()> task) {
        auto future = task.get_future();
        {
            std::lock_guard lock(mutex_);
            tasks_.push_back(std::move(task));
        }
        wake_.notify_one();
        return future;
    }

  private:
    void work() {
        while (true) {
            std::packaged_task<batch_output()> task;
            {
                std::unique_lock lock(mutex_);
                wake_.wait(lock, [this] { return stopping_ || !tasks_.empty(); });
                if (tasks_.empty()) {
                    return;
                }
                task = std::move(tasks_.front());
                tasks_.pop_front();
            }
            task();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::packaged_task<batch_output()>> tasks_;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

// ---- progress -----------------------------------------------------------------------------

class progress_bar {
  public:
    progress_bar(bool wanted, std::uint64_t total)
        : on_(wanted && total > 0 && ::isatty(2)), total_(total) {}

    void update(std::uint64_t done, std::uint64_t rows) {
        if (!on_) {
            return;
        }
        const auto now = std::chrono::steady_clock::now();
        if (now - last_ < std::chrono::milliseconds(100)) {
            return;
        }
        last_ = now;
        constexpr int width = 40;
        const double part = std::min(1.0, static_cast<double>(done) / static_cast<double>(total_));
        const int filled = static_cast<int>(part * width);
        std::string bar(static_cast<std::size_t>(filled), '#');
        bar.append(static_cast<std::size_t>(width - filled), '.');
        std::fprintf(stderr, "\r[%s] %3d%%  %llu rows", bar.c_str(), static_cast<int>(part * 100),
                     static_cast<unsigned long long>(rows));
        std::fflush(stderr);
        drawn_ = true;
    }

    void finish() {
        if (drawn_) {
            std::fputs("\r\033[K", stderr);
            std::fflush(stderr);
        }
    }

  private:
    bool on_;
    bool drawn_ = false;
    std::uint64_t total_;
    std::chrono::steady_clock::time_point last_{};
};

// ---- columns and headers ------------------------------------------------------------------

bool is_index(std::string_view entry) {
    return !entry.empty() && entry.find_first_not_of("0123456789") == std::string_view::npos;
}

bool has_digit(std::string_view text) {
    return text.find_first_of("0123456789") != std::string_view::npos;
}

std::string lower_trimmed(std::string_view text) {
    std::string s = trimmed(text);
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return s;
}

std::string joined(const std::vector<std::string>& names) {
    std::string s;
    for (const auto& n : names) {
        s += (s.empty() ? "" : ", ") + n;
    }
    return s;
}

// Decides from the table's first record whether it is a header, and finds the columns.
// Without --header or --no-header, and with columns given by index, the first record is a
// header when every picked field is non-empty and holds no digit.
void resolve_columns(job& j, const batch_options& options, std::string_view first_record,
                     bool& has_header) {
    std::vector<std::string> fields;
    split_fields(first_record, j.format, fields);
    if (!fields.empty() && fields[0].starts_with("\xEF\xBB\xBF")) {
        fields[0].erase(0, 3);  // a byte-order mark is not part of the first name
    }
    const std::size_t wanted = j.conv->input_count();
    std::vector<std::string> entries = options.columns;
    if (entries.empty()) {
        for (std::size_t i = 1; i <= wanted; ++i) {
            entries.push_back(std::to_string(i));
        }
    }
    bool by_name = false;
    for (const auto& e : entries) {
        by_name = by_name || !is_index(e);
    }
    if (options.header) {
        has_header = *options.header;
        if (!has_header && by_name) {
            throw usage_error("--cols names columns, but --no-header says there is no header");
        }
    } else if (by_name) {
        has_header = true;
    } else {
        has_header = true;
        for (const auto& e : entries) {
            const std::size_t i = std::stoul(e) - 1;
            has_header = has_header && i < fields.size() && !lower_trimmed(fields[i]).empty() &&
                         !has_digit(fields[i]);
        }
    }
    j.columns.clear();
    for (const auto& e : entries) {
        if (is_index(e)) {
            j.columns.push_back(std::stoul(e) - 1);
            continue;
        }
        std::size_t found = fields.size();
        for (std::size_t i = 0; i < fields.size() && found == fields.size(); ++i) {
            if (fields[i] == e) {
                found = i;
            }
        }
        for (std::size_t i = 0; i < fields.size() && found == fields.size(); ++i) {
            if (lower_trimmed(fields[i]) == lower_trimmed(e)) {
                found = i;
            }
        }
        if (found == fields.size()) {
            throw usage_error("--cols: no column \"" + e + "\" in the header (" + joined(fields) +
                              ")");
        }
        j.columns.push_back(found);
    }
}

std::string header_suffix(const converter& conv, table_format format) {
    std::string s;
    const char delimiter = output_delimiter(format);
    for (const auto& name : conv.output_headers()) {
        s.push_back(delimiter);
        append_field(s, name, format);
    }
    s.push_back(delimiter);
    append_field(s, "error", format);
    return s;
}

std::optional<table_format> format_from_name(std::string_view name) {
    auto ends_with = [&](std::string_view suffix) {
        return name.size() >= suffix.size() &&
               lower_trimmed(name.substr(name.size() - suffix.size())) == suffix;
    };
    if (ends_with(".csv")) {
        return table_format::csv;
    }
    if (ends_with(".tsv") || ends_with(".tab")) {
        return table_format::tsv;
    }
    return std::nullopt;
}

}  // namespace

batch_summary run_batch(const converter& conv, const batch_options& options) {
    std::vector<input_file> inputs;
    for (const auto& name :
         options.inputs.empty() ? std::vector<std::string>{"-"} : options.inputs) {
        inputs.push_back(open_input(name));
    }
    std::uint64_t total_bytes = 0;
    for (const auto& in : inputs) {
        total_bytes = S_ISREG(in.info.st_mode) && total_bytes != UINT64_MAX
                          ? total_bytes + static_cast<std::uint64_t>(in.info.st_size)
                          : UINT64_MAX;
    }
    output_file out(options.output, inputs);
    progress_bar progress(options.progress, total_bytes == UINT64_MAX ? 0 : total_bytes);

    job j;
    j.conv = &conv;
    std::optional<table_format> format = options.format;
    if (!format) {
        format = format_from_name(inputs.front().name);
    }
    if (format) {
        j.format = *format;
    }

    batch_summary summary;
    std::uint64_t bytes_read = 0;
    const std::size_t max_in_flight = 2 * static_cast<std::size_t>(options.threads) + 2;
    std::deque<std::future<batch_output>> in_flight;
    worker_pool pool(options.threads);

    auto write_oldest = [&] {
        batch_output done = in_flight.front().get();
        in_flight.pop_front();
        out.write(done.text);
        summary.read += done.counts.read;
        summary.converted += done.counts.converted;
        summary.failed += done.counts.failed;
        progress.update(bytes_read, summary.read);
    };

    bool resolved = false;  // the first record has been seen and the columns found
    bool has_header = false;
    std::string first_header;
    batch current;
    auto submit = [&] {
        if (current.records.empty()) {
            return;
        }
        in_flight.push_back(pool.submit(std::packaged_task<batch_output()>(
            [&j, b = std::move(current)] { return convert_batch(j, b); })));
        current = batch();
        while (in_flight.size() >= max_in_flight) {
            write_oldest();
        }
    };

    for (const auto& in : inputs) {
        std::optional<record_scanner> scanner;
        bool file_first_record = true;
        std::string carry;

        auto take_record = [&](std::string_view record) {
            record_kind kind = record_kind::data;
            const std::string_view text = split_line_end(record).text;
            if (!is_blank(text)) {
                if (!resolved) {
                    resolve_columns(j, options, text, has_header);
                    j.header_suffix = header_suffix(conv, j.format);
                    resolved = true;
                    if (has_header) {
                        kind = record_kind::header;
                        first_header = text;
                    }
                } else if (file_first_record && has_header) {
                    kind = record_kind::skipped_header;
                    if (text != first_header) {
                        std::fprintf(stderr,
                                     "tarnwick-convert: warning: the header of %s differs from the "
                                     "first; the columns found in the first are used\n",
                                     in.display_name().c_str());
                    }
                }
                file_first_record = false;
            }
            current.add(record, kind);
            if (current.full() && resolved) {
                submit();
            }
        };

        while (true) {
            std::string buffer = std::move(carry);
            const std::size_t scanned = buffer.size();
            const std::size_t n = in.read_into(buffer, read_block_bytes);
            bytes_read += n;
            if (!scanner) {
                if (!format) {
                    // Fixed by the first file's first line; workers read it from then on.
                    format = sniff_format(std::string_view(buffer).substr(0, buffer.find('\n')));
                    j.format = *format;
                }
                scanner.emplace(*format);
            }
            if (n == 0) {
                if (!buffer.empty()) {
                    take_record(buffer);  // the last record, without a line end
                }
                break;
            }
            std::size_t start = 0;
            std::size_t from = scanned;
            std::size_t end = 0;
            while ((end = scanner->find_record_end(buffer, from)) != record_scanner::npos) {
                take_record(std::string_view(buffer).substr(start, end - start));
                start = end;
                from = end;
            }
            carry.assign(buffer, start, std::string::npos);
            if (carry.size() > max_record_bytes) {
                throw file_error("cannot read " + in.display_name() + ": a record is longer than " +
                                 std::to_string(max_record_bytes >> 20) +
                                 " MiB (is a quote never closed?)");
            }
        }
    }
    if (!resolved) {
        j.header_suffix = header_suffix(conv, j.format);  // blank lines only
        resolved = true;
    }
    submit();
    while (!in_flight.empty()) {
        write_oldest();
    }
    progress.finish();
    out.finish();
    return summary;
}

}  // namespace tarnwick_convert
