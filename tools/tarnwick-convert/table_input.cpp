#include "table_input.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <utility>

namespace tarnwick_convert {

std::string system_message(const std::string& what, const std::string& name) {
    return what + " " + name + ": " + std::strerror(errno);
}

input_file::input_file(input_file&& o) noexcept
    : name(std::move(o.name)), fd(o.fd), owned(o.owned), info(o.info) {
    o.owned = false;
}

input_file::~input_file() {
    if (owned) {
        ::close(fd);
    }
}

std::size_t input_file::read_into(std::string& buffer, std::size_t count) const {
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

record_reader::record_reader(const input_file& in, table_format format, std::string first_bytes,
                             std::uint64_t& bytes_read)
    : in_(&in), bytes_read_(&bytes_read), scanner_(format), buffer_(std::move(first_bytes)) {}

std::optional<std::string_view> record_reader::next() {
    while (true) {
        const std::size_t end = scanner_.find_record_end(buffer_, from_);
        if (end != record_scanner::npos) {
            return record_until(end);
        }
        from_ = buffer_.size();
        if (at_end_) {
            return start_ < buffer_.size() ? record_until(buffer_.size()) : std::nullopt;
        }
        read_block();
    }
}

std::optional<std::string_view> record_reader::next_records(std::size_t max_bytes) {
    while (true) {
        const std::size_t limit = std::min(buffer_.size(), start_ + max_bytes);
        if (from_ < limit) {
            const std::size_t end =
                scanner_.find_last_record_end(std::string_view(buffer_).substr(0, limit), from_);
            from_ = limit;  // the scanner's state is that after `limit`
            if (end != record_scanner::npos) {
                const std::string_view records =
                    std::string_view(buffer_).substr(start_, end - start_);
                start_ = end;
                return records;
            }
        }
        if (limit < buffer_.size() || at_end_) {
            return next();  // a record longer than `max_bytes`, or the last
        }
        read_block();
    }
}

void record_reader::rewind() {
    scanner_.reset();
    start_ = 0;
    from_ = 0;
    at_end_ = false;  // this pass reads on to the end itself
    keep_ = false;
}

std::optional<std::string_view> record_reader::record_until(std::size_t end) {
    const std::string_view record = std::string_view(buffer_).substr(start_, end - start_);
    start_ = end;
    from_ = end;
    return record;
}

void record_reader::read_block() {
    if (buffer_.size() - start_ > max_record_bytes) {
        throw file_error("cannot read " + in_->display_name() + ": a record is longer than " +
                         std::to_string(max_record_bytes >> 20) +
                         " MiB (is a quote never closed?)");
    }
    if (!keep_) {
        // The unread rest moves to a buffer of its own size, so that the room of a long
        // record that has been read goes back.
        std::string rest;
        rest.assign(buffer_, start_, std::string::npos);
        buffer_ = std::move(rest);
        from_ -= start_;
        start_ = 0;
    }
    const std::size_t n = in_->read_into(buffer_, read_block_bytes);
    *bytes_read_ += n;
    at_end_ = n == 0;
}

}  // namespace tarnwick_convert
