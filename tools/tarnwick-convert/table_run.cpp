#include "table_run.hpp"

#include <fcntl.h>
#include <malloc.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <optional>
#include <span>
#include <string_view>
#include <thread>
#include <vector>

#include "text_values.hpp"

namespace tarnwick_convert {

namespace {

// Sizes that bound the memory of a run: input is read in blocks, cut into batches of whole
// records, and at most `2 * threads + 2` batches, and beyond the first of them no more than
// `in_flight_max_bytes` of input, are read but not yet written. Very long records thus do not
// multiply with the threads.
constexpr std::size_t read_block_bytes = std::size_t{1} << 20;
constexpr std::size_t batch_max_records = 4096;
constexpr std::size_t batch_max_bytes = std::size_t{1} << 20;
constexpr std::size_t in_flight_max_bytes = std::size_t{32} << 20;
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
// ---- the output file ------------------------------------------------------------------------

// The temporary file of the run, removed by a signal that ends the run early. Only
// async-signal-safe calls touch it from the handler.
char pending_temporary[4096];
volatile std::sig_atomic_t pending_temporary_set = 0;

extern "C" void remove_temporary_and_stop(int signal_number) {
    if (pending_temporary_set != 0) {
        ::unlink(pending_temporary);
    }
    ::raise(signal_number);  // the handler was reset to the default on entry
}

// Every signal whose default action ends the program (SIGKILL and SIGSTOP cannot be caught)
// removes the temporary first. A signal the caller ignores, or one another handler owns (a
// sanitizer's), is left as it is.
void remove_temporary_on_signals() {
    std::vector<int> signals{SIGHUP,  SIGINT,  SIGQUIT,   SIGILL,  SIGTRAP, SIGABRT,
                             SIGBUS,  SIGFPE,  SIGUSR1,   SIGSEGV, SIGUSR2, SIGPIPE,
                             SIGALRM, SIGTERM, SIGSTKFLT, SIGXCPU, SIGXFSZ, SIGVTALRM,
                             SIGPROF, SIGIO,   SIGPWR,    SIGSYS};
    for (int s = SIGRTMIN; s <= SIGRTMAX; ++s) {
        signals.push_back(s);
    }
    for (const int s : signals) {
        struct sigaction old {};
        if (::sigaction(s, nullptr, &old) != 0 || (old.sa_flags & SA_SIGINFO) != 0 ||
            old.sa_handler != SIG_DFL) {
            continue;
        }
        struct sigaction handler {};
        handler.sa_handler = remove_temporary_and_stop;
        sigemptyset(&handler.sa_mask);
        handler.sa_flags = SA_RESETHAND | SA_NODEFER;
        ::sigaction(s, &handler, nullptr);
    }
}

// The path a chain of symbolic links at `path` ends in, when that path does not exist (a
// dangling link: the file is made where it points).
std::string dangling_link_end(std::string path, const std::string& name) {
    for (int hops = 0; hops < 40; ++hops) {
        std::string target(4096, '\0');
        const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
        if (n < 0) {
            return path;  // not a link: the end of the chain
        }
        if (static_cast<std::size_t>(n) >= target.size()) {
            break;
        }
        target.resize(static_cast<std::size_t>(n));
        const std::size_t slash = path.rfind('/');
        path = target.front() == '/' || slash == std::string::npos
                   ? target
                   : path.substr(0, slash + 1) + target;
    }
    throw file_error("cannot write " + name + ": too many levels of symbolic links");
}

// Writes the output. A regular file (or a new one) is written through a temporary file
// beside it, renamed over it only by `finish()`, so that a run that ends early (a signal, a
// failure, the record-size limit) leaves an earlier file of that name as it was; a symbolic
// link is followed, and the file it points to is the one replaced. A FIFO, a device or
// another special file is no file to replace: it is written directly. Standard output is
// written straight.
class output_file {
  public:
    output_file(const std::string& name, const std::vector<input_file>& inputs)
        : path_(name == "-" ? std::string() : name),
          name_(path_.empty() ? "standard output" : name) {
        if (path_.empty()) {
            file_ = stdout;
            return;
        }
        struct stat info {};
        if (::stat(path_.c_str(), &info) == 0) {
            for (const auto& in : inputs) {
                if (in.info.st_dev == info.st_dev && in.info.st_ino == info.st_ino) {
                    throw file_error("cannot write " + name + ": it is also an input");
                }
            }
            if (S_ISDIR(info.st_mode)) {
                throw file_error("cannot write " + name + ": it is a directory");
            }
            if (!S_ISREG(info.st_mode)) {
                direct_ = true;
                return;
            }
            mode_ = info.st_mode & 07777;
            char* resolved = ::realpath(path_.c_str(), nullptr);
            if (resolved == nullptr) {
                throw file_error(system_message("cannot write", name_));
            }
            path_ = resolved;
            std::free(resolved);
        } else {
            path_ = dangling_link_end(path_, name_);
            const mode_t mask = ::umask(0);
            ::umask(mask);
            mode_ = 0666 & ~mask;
        }
    }
    output_file(const output_file&) = delete;
    output_file& operator=(const output_file&) = delete;
    ~output_file() {
        if (file_ != nullptr && file_ != stdout) {
            std::fclose(file_);
        }
        discard_temporary();
    }

    void write(std::string_view text) {
        open();
        if (!text.empty() && std::fwrite(text.data(), 1, text.size(), file_) != text.size()) {
            throw file_error(system_message("cannot write", name_));
        }
    }

    // Flushes, closes and puts the file in place; a write that failed late (a full disk)
    // shows here.
    void finish() {
        open();
        const bool flushed = std::fflush(file_) == 0 && std::ferror(file_) == 0;
        if (file_ == stdout) {
            if (!flushed) {
                throw file_error(system_message("cannot write", name_));
            }
            return;
        }
        const bool synced = flushed && (direct_ || ::fsync(::fileno(file_)) == 0);
        const bool closed = std::fclose(file_) == 0;
        file_ = nullptr;
        if (!synced || !closed || (!direct_ && ::rename(temporary_.c_str(), path_.c_str()) != 0)) {
            throw file_error(system_message("cannot write", name_));
        }
        pending_temporary_set = 0;
        temporary_.clear();
    }

  private:
    void open() {
        if (file_ != nullptr) {
            return;
        }
        if (direct_) {
            const int fd = ::open(path_.c_str(), O_WRONLY | O_CLOEXEC);
            file_ = fd < 0 ? nullptr : ::fdopen(fd, "w");
            if (file_ == nullptr) {
                throw file_error(system_message("cannot write", name_));
            }
            return;
        }
        const std::size_t slash = path_.rfind('/');
        const std::string dir =
            slash == std::string::npos ? std::string() : path_.substr(0, slash + 1);
        const std::string base = slash == std::string::npos ? path_ : path_.substr(slash + 1);
        std::string pattern = dir + "." + base + ".partial-XXXXXX";
        if (pattern.size() >= sizeof pending_temporary) {
            throw file_error("cannot write " + name_ + ": the name is too long");
        }
        std::memcpy(pending_temporary, pattern.c_str(), pattern.size() + 1);
        // Blocked signals while the name is made: the handler must see either no file or
        // the file's full name.
        sigset_t all;
        sigset_t old;
        sigfillset(&all);
        pthread_sigmask(SIG_BLOCK, &all, &old);
        const int fd = ::mkstemp(pending_temporary);
        if (fd >= 0) {
            pending_temporary_set = 1;
        }
        pthread_sigmask(SIG_SETMASK, &old, nullptr);
        if (fd < 0) {
            throw file_error(system_message("cannot write", name_));
        }
        temporary_ = pending_temporary;
        remove_temporary_on_signals();
        ::fchmod(fd, mode_);
        file_ = ::fdopen(fd, "w");
        if (file_ == nullptr) {
            ::close(fd);
            throw file_error(system_message("cannot write", name_));
        }
    }

    void discard_temporary() {
        if (!temporary_.empty()) {
            pending_temporary_set = 0;
            ::unlink(temporary_.c_str());
            temporary_.clear();
        }
    }

    std::string path_;  // empty: standard output
    std::string name_;
    std::string temporary_;
    bool direct_ = false;  // a special file, written in place
    mode_t mode_ = 0644;
    std::FILE* file_ = nullptr;
};

// ---- batches ------------------------------------------------------------------------------

enum class record_kind : std::uint8_t { data, header };

struct record_ref {
    std::uint32_t offset;
    std::uint32_t length;
    record_kind kind;
};

// How one input's rows are read and written, fixed before its first data record is handed
// out. The first input with a record sets the layout of the output (its header, its width);
// a later input is read by its own header and written in the first one's column order.
struct job {
    const converter* conv = nullptr;
    std::string name;  // for messages
    table_format format = table_format::csv;
    table_format out_format = table_format::csv;
    std::vector<std::size_t> columns;  // 0-based, in this input's fields
    std::size_t width = 0;             // fields of every output row before the results
    std::vector<std::size_t> order;    // output field i is input field order[i]; empty: same
    bool reference_groups = false;     // the reference column takes the digit groups after it
    bool results_only = false;
};

struct record_batch {
    const job* j = nullptr;
    std::uint64_t first_row = 0;  // data rows of the input before this batch
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
    std::string messages;  // reasons of failed rows, when the output has no error column
    batch_summary counts;
};

std::string_view without_trailing_blanks(std::string_view text) {
    const std::size_t last = text.find_last_not_of(" \t");
    return last == std::string_view::npos ? std::string_view() : text.substr(0, last + 1);
}

bool is_digits(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

bool is_letters(std::string_view text) {
    for (const char c : text) {
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) {
            return false;
        }
    }
    return !text.empty();
}

// In a whitespace table a lettered reference written with blanks ("TG 514 131") spans fields:
// two letters, then one digit group, or two groups of the same length. They are joined into
// the field at `column`. Returns whether fields were joined.
bool join_reference_groups(std::vector<std::string>& fields, std::size_t column) {
    if (column + 1 >= fields.size() || fields[column].size() != 2 || !is_letters(fields[column]) ||
        !is_digits(fields[column + 1])) {
        return false;
    }
    std::size_t groups = 1;
    if (column + 2 < fields.size() && is_digits(fields[column + 2]) &&
        fields[column + 2].size() == fields[column + 1].size()) {
        groups = 2;
    }
    for (std::size_t g = 1; g <= groups; ++g) {
        fields[column] += " " + fields[column + g];
    }
    fields.erase(fields.begin() + static_cast<std::ptrdiff_t>(column + 1),
                 fields.begin() + static_cast<std::ptrdiff_t>(column + 1 + groups));
    return true;
}

// Writes the input part of a row in the output's format: `width` fields in the output's order,
// missing ones empty; surplus fields stay together in the last one.
void render_fields(std::string& out, std::span<const std::string> fields, const job& j) {
    const char delimiter = output_delimiter(j.out_format);
    const char input_delimiter =
        j.format == table_format::whitespace ? ' ' : output_delimiter(j.format);
    for (std::size_t i = 0; i < j.width; ++i) {
        if (i > 0) {
            out.push_back(delimiter);
        }
        const std::size_t from = j.order.empty() ? i : j.order[i];
        if (i + 1 == j.width && fields.size() > j.width) {
            std::string rest = fields[from];
            for (std::size_t k = j.width; k < fields.size(); ++k) {
                rest.push_back(input_delimiter);
                rest += fields[k];
            }
            append_field(out, rest, j.out_format);
        } else {
            append_field(out, from < fields.size() ? std::string_view(fields[from]) : "",
                         j.out_format);
        }
    }
}

std::string fields_count_message(std::size_t expected, std::size_t found) {
    return "expected " + std::to_string(expected) + " fields, found " + std::to_string(found) +
           " (CONSTRAINT_ERROR)";
}

// A data row of a batch as it was read: the text to write back or the fields to render it
// from, and why it fails before its point is converted.
struct read_row {
    std::string_view text;
    std::string_view line_end;
    bool blank = false;
    bool unterminated = false;
    bool as_read = false;          // written as it was read
    std::size_t fields_first = 0;  // its fields in the batch's field store, unless `as_read`
    std::size_t fields_count = 0;
    std::size_t point = 0;  // its point among the converted ones, unless `error` is set
    std::string error;
};

batch_output convert_batch(const record_batch& b) {
    const job& j = *b.j;
    batch_output result;
    result.text.reserve(b.bytes.size() * 2 + 64);
    const char delimiter = output_delimiter(j.out_format);
    const bool same_format = j.format == j.out_format && j.order.empty();
    const std::size_t result_count = j.conv->output_headers().size();
    // Kept by each worker from batch to batch, so that their strings keep their room.
    thread_local std::vector<std::string> fields;
    thread_local std::vector<std::string> stored;  // fields of rows not written as read
    thread_local std::vector<std::string> picked;  // the point's fields of the rows converted
    thread_local std::vector<std::string> values;
    thread_local std::vector<std::string> errors;
    std::vector<read_row> rows;
    rows.reserve(b.records.size());
    stored.clear();
    picked.clear();

    // Every row is split first, so that the points of the whole batch convert in one call.
    for (const record_ref& r : b.records) {
        const auto [text, end] =
            split_line_end(std::string_view(b.bytes).substr(r.offset, r.length));
        if (r.kind == record_kind::header) {
            continue;  // the output's header is written once, before the rows
        }
        read_row& row = rows.emplace_back();
        row.text = text;
        row.line_end = end.empty() ? std::string_view("\n") : end;
        if (is_blank(text)) {
            row.blank = true;
            continue;
        }
        const split_result split = split_fields(text, j.format, fields);
        const bool joined = j.reference_groups && join_reference_groups(fields, j.columns.front());
        row.unterminated = split.unterminated;
        row.as_read = same_format && !joined && fields.size() == j.width;
        if (!row.as_read) {
            row.fields_first = stored.size();
            row.fields_count = fields.size();
            stored.insert(stored.end(), fields.begin(), fields.end());
        }
        if (split.unterminated) {
            row.error = "a quoted field is never closed (CONSTRAINT_ERROR)";
        } else if (fields.size() > j.width ||
                   std::any_of(j.columns.begin(), j.columns.end(),
                               [&](std::size_t c) { return c >= fields.size(); })) {
            row.error = fields_count_message(j.width, fields.size());
        } else {
            row.point = picked.size() / j.columns.size();
            for (const std::size_t c : j.columns) {
                picked.push_back(fields[c]);
            }
        }
    }

    // An input of blank lines alone has no point, nor the point's columns.
    if (!picked.empty()) {
        j.conv->convert_rows(picked.data(), picked.size() / j.columns.size(), values, errors);
    }

    std::uint64_t row_number = b.first_row;
    const std::vector<std::string> no_values(result_count);
    for (read_row& row : rows) {
        if (row.blank) {
            if (!j.results_only) {
                result.text.append(row.text);
            }
            result.text.append(row.line_end);
            continue;
        }
        ++result.counts.read;
        ++row_number;
        const std::string* v = no_values.data();
        if (row.error.empty()) {
            row.error = std::move(errors[row.point]);
            if (row.error.empty()) {
                v = values.data() + row.point * result_count;
            }
        }
        ++(row.error.empty() ? result.counts.converted : result.counts.failed);
        if (j.results_only) {
            for (std::size_t i = 0; i < result_count; ++i) {
                if (i > 0) {
                    result.text.push_back(delimiter);
                }
                append_field(result.text, v[i], j.out_format);
            }
            result.text.append(row.line_end);
            if (!row.error.empty()) {
                result.messages += "tarnwick-convert: " + j.name + " row " +
                                   std::to_string(row_number) + ": " + row.error + "\n";
            }
            continue;
        }
        if (row.as_read) {
            result.text.append(j.format == table_format::whitespace
                                   ? without_trailing_blanks(row.text)
                                   : row.text);
            if (row.unterminated) {
                result.text.push_back('"');  // close it, so that the appended columns stay apart
            }
        } else {
            render_fields(
                result.text,
                std::span<const std::string>(stored).subspan(row.fields_first, row.fields_count),
                j);
        }
        for (std::size_t i = 0; i < result_count; ++i) {
            result.text.push_back(delimiter);
            append_field(result.text, v[i], j.out_format);
        }
        result.text.push_back(delimiter);
        append_field(result.text, row.error, j.out_format);
        result.text.append(row.line_end);
    }
    if (b.bytes.size() > 2 * batch_max_bytes) {
        // A batch of very long records: its room is not kept for the next, so that each
        // worker does not hold on to the longest record it ever saw.
        fields = {};
        stored = {};
        picked = {};
        values = {};
        errors = {};
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
        s += (s.empty() ? "" : ", ") + escaped(n);
    }
    return s;
}

std::string_view first_nonblank_line(std::string_view text) {
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line =
            split_line_end(text.substr(0, end == std::string_view::npos ? end : end + 1)).text;
        if (!is_blank(line) || end == std::string_view::npos) {
            return line;
        }
        text.remove_prefix(end + 1);
    }
    return text;
}

constexpr std::string_view byte_order_mark = "\xEF\xBB\xBF";

// What the pre-pass learnt of one input: its format and its first record that is not blank.
struct input_start {
    table_format format = table_format::csv;
    std::optional<std::string> first_record;
    std::vector<std::string> header;  // the first record's fields, when it is a header
    std::string header_line_end = "\n";
};

// The columns of the point among a header's names, by the usual names of the source system.
std::vector<std::size_t> columns_by_usual_names(const converter& conv,
                                                const std::vector<std::string>& header,
                                                const std::string& file) {
    std::vector<std::size_t> columns;
    const auto fields = input_fields(conv.source());
    const auto names = usual_column_names(conv.source());
    for (std::size_t f = 0; f < names.size(); ++f) {
        std::vector<std::size_t> found;
        for (std::size_t i = 0; i < header.size(); ++i) {
            for (const auto& n : names[f]) {
                if (lower_trimmed(header[i]) == n) {
                    found.push_back(i);
                    break;
                }
            }
        }
        if (found.size() != 1) {
            std::string why = found.empty()
                                  ? "no column of " + file + " is named for the " + fields[f]
                                  : "several columns of " + file + " may be the " + fields[f];
            throw usage_error(why + " (the header has: " + joined(header) +
                              "); name the point's columns with --cols, e.g. --cols " + [&] {
                                  std::string example;
                                  for (const auto& n : names) {
                                      example += (example.empty() ? "" : ",") + n.front();
                                  }
                                  return example;
                              }());
        }
        columns.push_back(found.front());
    }
    return columns;
}

// Sets how a later input `j` is written in the layout of `first`: each point column where
// the first input has it, the other columns by name where both inputs have a header, else in
// their order. Columns that do not pair one to one stop the run, before anything is written.
void align_with_first(job& j, const std::vector<std::string>* header, const job& first,
                      const std::vector<std::string>* first_header) {
    auto refuse = [&](const std::string& detail) {
        auto columns = [](const std::vector<std::string>* names, std::size_t width) {
            return std::to_string(width) + " columns" +
                   (names != nullptr ? " (" + joined(*names) + ")" : std::string());
        };
        throw usage_error("the columns of " + j.name + " do not match those of " + first.name +
                          ": " + columns(header, j.width) + " against " +
                          columns(first_header, first.width) + detail +
                          "; every output row has the first input's columns, so convert them "
                          "apart or with --results-only");
    };
    if (j.width != first.width) {
        refuse("");
    }
    std::vector<std::size_t> others;  // this input's columns that are not the point's, in order
    for (std::size_t i = 0; i < j.width; ++i) {
        if (std::find(j.columns.begin(), j.columns.end(), i) == j.columns.end()) {
            others.push_back(i);
        }
    }
    std::vector<bool> taken(j.width, false);
    std::size_t next_other = 0;
    bool same_order = true;
    j.order.assign(first.width, 0);
    for (std::size_t i = 0; i < first.width; ++i) {
        const auto point = std::find(first.columns.begin(), first.columns.end(), i);
        std::size_t from = j.width;
        if (point != first.columns.end()) {
            from = j.columns[static_cast<std::size_t>(point - first.columns.begin())];
        } else if (header != nullptr && first_header != nullptr) {
            for (const std::size_t k : others) {
                if (!taken[k] && lower_trimmed((*header)[k]) == lower_trimmed((*first_header)[i])) {
                    from = k;
                    break;
                }
            }
            if (from == j.width) {
                refuse(", no column \"" + escaped((*first_header)[i]) + "\"");
            }
        } else if (next_other < others.size()) {
            from = others[next_other++];
        } else {
            refuse("");
        }
        taken[from] = true;
        j.order[i] = from;
        same_order = same_order && from == i;
    }
    if (same_order) {
        j.order.clear();
    }
}

// Finds the point's columns of one input and how its rows are written. `first` is the job of
// the input that sets the output's layout, or null when this input is that one.
void resolve_columns(job& j, const batch_options& options, input_start& start, const job* first,
                     const std::vector<std::string>* first_header) {
    std::vector<std::string> fields;
    split_fields(*start.first_record, j.format, fields);
    const converter& conv = *j.conv;
    const std::size_t wanted = conv.input_count();
    const std::vector<std::string>& entries = options.columns;
    bool by_name = false;
    for (const auto& e : entries) {
        by_name = by_name || !is_index(e);
        if (is_index(e) && (e.find_first_not_of('0') == std::string::npos || e.size() > 9)) {
            throw usage_error("--cols " + e + ": columns are counted from 1");
        }
    }
    const bool whitespace_reference =
        j.format == table_format::whitespace && conv.source() == coordinate_system::gridref;
    bool has_header = false;
    if (options.header) {
        has_header = *options.header;
        if (!has_header && by_name) {
            throw usage_error("--cols names columns, but --no-header says there is no header");
        }
    } else if (by_name) {
        has_header = true;
    } else if (!entries.empty()) {
        std::vector<std::string> data = fields;
        if (whitespace_reference) {
            join_reference_groups(data, std::stoul(entries.front()) - 1);
        }
        has_header = true;
        for (const auto& e : entries) {
            const std::size_t i = std::stoul(e) - 1;
            has_header = has_header && i < data.size() && !lower_trimmed(data[i]).empty() &&
                         !has_digit(data[i]);
        }
    } else {
        // A header holds no digits, or names the point's columns as people usually do.
        has_header = true;
        for (const auto& f : fields) {
            has_header = has_header && !has_digit(f);
        }
        if (!has_header) {
            try {
                columns_by_usual_names(conv, fields, j.name);
                has_header = true;
            } catch (const usage_error&) {
            }
        }
    }
    j.columns.clear();
    // The input's own width: its header's, or its first row's with a reference's digit groups
    // joined.
    std::size_t own_width = fields.size();
    if (has_header) {
        start.header = fields;
        if (entries.empty()) {
            j.columns = columns_by_usual_names(conv, fields, j.name);
        }
        for (const auto& e : entries) {
            if (is_index(e)) {
                const std::size_t i = std::stoul(e) - 1;
                if (i >= fields.size()) {
                    throw usage_error("--cols " + e + ": the header of " + j.name + " has " +
                                      std::to_string(fields.size()) + " columns (" +
                                      joined(fields) + ")");
                }
                j.columns.push_back(i);
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
                throw usage_error("--cols: no column \"" + escaped(e) + "\" in the header of " +
                                  j.name + " (" + joined(fields) + ")");
            }
            j.columns.push_back(found);
        }
    } else {
        if (first != nullptr) {
            j.columns = first->columns;  // read as laid out like the first input
        } else {
            for (std::size_t i = 0; i < wanted; ++i) {
                j.columns.push_back(entries.empty() ? i : std::stoul(entries[i]) - 1);
            }
        }
        if (whitespace_reference) {
            std::vector<std::string> data = fields;
            join_reference_groups(data, j.columns.front());
            own_width = data.size();
        }
        for (const std::size_t c : j.columns) {
            if (c >= own_width) {
                throw usage_error("--cols " + std::to_string(c + 1) + ": the first row of " +
                                  j.name + " has " + std::to_string(own_width) + " columns");
            }
        }
        start.first_record.reset();  // it is data
    }
    j.reference_groups = whitespace_reference;
    j.width = own_width;
    if (first != nullptr && !j.results_only) {
        align_with_first(j, has_header ? &fields : nullptr, *first, first_header);
    }
}

// The output's header: the first input's header as it stands where the formats agree, then
// the result columns' names.
std::string header_line(const converter& conv, const job& first, const input_start& start) {
    const std::vector<std::string>& header = start.header;
    std::string s;
    const char delimiter = output_delimiter(first.out_format);
    if (!first.results_only && first.format == first.out_format) {
        s = first.format == table_format::whitespace
                ? std::string(without_trailing_blanks(*start.first_record))
                : *start.first_record;
    } else if (!first.results_only) {
        for (std::size_t i = 0; i < header.size(); ++i) {
            if (i > 0) {
                s.push_back(delimiter);
            }
            append_field(s, header[i], first.out_format);
        }
    }
    for (const auto& name : conv.output_headers()) {
        if (!s.empty() || !first.results_only) {
            s.push_back(delimiter);
        }
        append_field(s, name, first.out_format);
    }
    if (!first.results_only) {
        s.push_back(delimiter);
        append_field(s, "error", first.out_format);
    }
    return s + start.header_line_end;
}

}  // namespace

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
    if (ends_with(".txt")) {
        return table_format::whitespace;
    }
    return std::nullopt;
}

void write_file_whole(const std::string& name, std::string_view text) {
    output_file out(name, {});
    out.write(text);
    out.finish();
}

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
    std::uint64_t bytes_read = 0;

    // Every input's format, header and columns are settled before anything is written.
    std::vector<std::string> carries(inputs.size());
    std::vector<input_start> starts(inputs.size());
    std::deque<job> jobs;
    const job* first = nullptr;
    const std::vector<std::string>* first_header = nullptr;
    const input_start* first_start = nullptr;
    bool byte_order_mark_seen = false;
    std::optional<table_format> out_format = options.output_format;
    if (!out_format && !options.output.empty() && options.output != "-") {
        out_format = format_from_name(options.output);
    }
    for (std::size_t k = 0; k < inputs.size(); ++k) {
        std::string& buffer = carries[k];
        input_start& start = starts[k];
        bytes_read += inputs[k].read_into(buffer, read_block_bytes);
        if (std::string_view(buffer).starts_with(byte_order_mark)) {
            buffer.erase(0, byte_order_mark.size());
            byte_order_mark_seen = byte_order_mark_seen || first == nullptr;
        }
        std::optional<table_format> format = options.format;
        if (!format) {
            format = format_from_name(inputs[k].name);
        }
        if (!format) {
            format = sniff_format(first_nonblank_line(buffer));
        }
        start.format = *format;
        record_scanner scanner(start.format);
        std::size_t from = 0;
        std::size_t begin = 0;
        while (true) {
            const std::size_t end = scanner.find_record_end(buffer, from);
            if (end == record_scanner::npos) {
                if (buffer.size() - begin > max_record_bytes) {
                    throw file_error(
                        "cannot read " + inputs[k].display_name() + ": a record is longer than " +
                        std::to_string(max_record_bytes >> 20) + " MiB (is a quote never closed?)");
                }
                from = buffer.size();
                if (inputs[k].read_into(buffer, read_block_bytes) == 0) {
                    const std::string_view text =
                        split_line_end(std::string_view(buffer).substr(begin)).text;
                    if (!is_blank(text)) {
                        start.first_record = std::string(text);
                    }
                    break;
                }
                bytes_read += buffer.size() - from;
                continue;
            }
            const std::string_view text =
                split_line_end(std::string_view(buffer).substr(begin, end - begin)).text;
            if (!is_blank(text)) {
                start.first_record = std::string(text);
                start.header_line_end = std::string(
                    split_line_end(std::string_view(buffer).substr(begin, end - begin)).line_end);
                if (start.header_line_end.empty()) {
                    start.header_line_end = "\n";
                }
                break;
            }
            begin = from = end;
        }
        job& j = jobs.emplace_back();
        j.conv = &conv;
        j.name = inputs[k].display_name();
        j.format = start.format;
        j.results_only = options.results_only;
        if (!start.first_record) {
            continue;
        }
        resolve_columns(j, options, start, first, first_header);
        if (first == nullptr) {
            first = &j;
            if (!start.header.empty()) {
                first_header = &start.header;
                first_start = &start;
            }
            if (!out_format) {
                out_format = j.format;
            }
        }
    }
    for (job& j : jobs) {
        j.out_format = out_format.value_or(j.format);
    }

    batch_summary summary;
    const std::size_t max_in_flight = 2 * static_cast<std::size_t>(options.threads) + 2;
    struct pending {
        std::future<batch_output> output;
        std::size_t bytes;  // of its input
    };
    std::deque<pending> in_flight;
    std::size_t in_flight_bytes = 0;
    worker_pool pool(options.threads);

    auto write_oldest = [&] {
        const bool long_records = in_flight.front().bytes > 2 * batch_max_bytes;
        in_flight_bytes -= in_flight.front().bytes;
        batch_output done = in_flight.front().output.get();
        in_flight.pop_front();
        out.write(done.text);
        if (!done.messages.empty()) {
            std::fputs(done.messages.c_str(), stderr);
        }
        summary.read += done.counts.read;
        summary.converted += done.counts.converted;
        summary.failed += done.counts.failed;
        progress.update(bytes_read, summary.read);
        if (long_records) {
            // The buffers of long records go back to the system, instead of staying in the
            // heap of whichever worker thread held them, which would multiply with the threads.
            done = {};
            ::malloc_trim(0);
        }
    };

    if (byte_order_mark_seen && !options.results_only) {
        out.write(byte_order_mark);  // kept for the programs that look for it
    }
    if (first_header != nullptr) {
        out.write(header_line(conv, *first, *first_start));
    }

    record_batch current;
    std::uint64_t rows = 0;
    auto submit = [&] {
        if (current.records.empty()) {
            return;
        }
        const job* same_input = current.j;
        const std::size_t bytes = current.bytes.size();
        in_flight_bytes += bytes;
        in_flight.push_back({pool.submit(std::packaged_task<batch_output()>(
                                 [b = std::move(current)] { return convert_batch(b); })),
                             bytes});
        current = record_batch();
        current.j = same_input;
        current.first_row = rows;
        while (in_flight.size() >= max_in_flight ||
               (in_flight.size() > 1 && in_flight_bytes > in_flight_max_bytes)) {
            write_oldest();
        }
    };

    for (std::size_t k = 0; k < inputs.size(); ++k) {
        const input_file& in = inputs[k];
        const job& j = jobs[k];
        submit();
        rows = 0;
        current.j = &j;
        current.first_row = 0;
        record_scanner scanner(j.format);
        bool header_pending = !starts[k].header.empty();

        auto take_record = [&](std::string_view record) {
            record_kind kind = record_kind::data;
            if (header_pending && !is_blank(split_line_end(record).text)) {
                kind = record_kind::header;
                header_pending = false;
            } else if (!is_blank(split_line_end(record).text)) {
                ++rows;
            }
            current.add(record, kind);
            if (current.full()) {
                submit();
            }
        };

        std::string carry = std::move(carries[k]);
        std::size_t scanned = 0;
        bool at_end = false;
        while (true) {
            std::string buffer = std::move(carry);
            std::size_t n = 0;
            if (!at_end && scanned == buffer.size()) {
                n = in.read_into(buffer, read_block_bytes);
                bytes_read += n;
                at_end = n == 0;
            }
            std::size_t start = 0;
            std::size_t from = scanned;
            std::size_t end = 0;
            while ((end = scanner.find_record_end(buffer, from)) != record_scanner::npos) {
                take_record(std::string_view(buffer).substr(start, end - start));
                start = end;
                from = end;
            }
            if (at_end) {
                if (start < buffer.size()) {
                    take_record(std::string_view(buffer).substr(start));  // no line end
                }
                break;
            }
            carry.assign(buffer, start, std::string::npos);
            scanned = buffer.size() - start;
            if (carry.size() > max_record_bytes) {
                throw file_error("cannot read " + in.display_name() + ": a record is longer than " +
                                 std::to_string(max_record_bytes >> 20) +
                                 " MiB (is a quote never closed?)");
            }
        }
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
