#include "output_file.hpp"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace tarnwick_convert {

namespace {

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

// The temporary's name pattern for mkstemp: ".<name>.partial-XXXXXX" in the file's directory.
std::string temporary_pattern(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    return dir + "." + base + ".partial-XXXXXX";
}

}  // namespace

output_file::output_file(const std::string& name, const std::vector<input_file>& inputs)
    : path_(name == "-" ? std::string() : name), name_(path_.empty() ? "standard output" : name) {
    if (path_.empty()) {
        file_ = stdout;
        return;
    }
    struct stat info {};
    if (::stat(path_.c_str(), &info) == 0) {
        take_existing(info, inputs);
    } else {
        path_ = dangling_link_end(path_, name_);
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode_ = 0666 & ~mask;
    }
}

output_file::~output_file() {
    if (file_ != nullptr && file_ != stdout) {
        std::fclose(file_);
    }
    discard_temporary();
}

void output_file::write(std::string_view text) {
    open();
    if (!text.empty() && std::fwrite(text.data(), 1, text.size(), file_) != text.size()) {
        throw file_error(system_message("cannot write", name_));
    }
}

void output_file::finish() {
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

// An output that exists: not an input nor a directory; a special file is written in place,
// a regular one replaced where its links lead, with its permissions.
void output_file::take_existing(const struct stat& info, const std::vector<input_file>& inputs) {
    for (const auto& in : inputs) {
        if (in.info.st_dev == info.st_dev && in.info.st_ino == info.st_ino) {
            throw file_error("cannot write " + name_ + ": it is also an input");
        }
    }
    if (S_ISDIR(info.st_mode)) {
        throw file_error("cannot write " + name_ + ": it is a directory");
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
}

void output_file::open() {
    if (file_ != nullptr) {
        return;
    }
    if (direct_) {
        open_direct();
        return;
    }
    const int fd = make_temporary();
    remove_temporary_on_signals();
    ::fchmod(fd, mode_);
    file_ = ::fdopen(fd, "w");
    if (file_ == nullptr) {
        ::close(fd);
        throw file_error(system_message("cannot write", name_));
    }
}

void output_file::open_direct() {
    const int fd = ::open(path_.c_str(), O_WRONLY | O_CLOEXEC);
    file_ = fd < 0 ? nullptr : ::fdopen(fd, "w");
    if (file_ == nullptr) {
        throw file_error(system_message("cannot write", name_));
    }
}

// Creates the temporary and records its name for the signal handler; returns its descriptor.
int output_file::make_temporary() {
    const std::string pattern = temporary_pattern(path_);
    if (pattern.size() >= sizeof pending_temporary) {
        throw file_error("cannot write " + name_ + ": the name is too long");
    }
    std::memcpy(pending_temporary, pattern.c_str(), pattern.size() + 1);
    // Blocked signals while the name is made: the handler must see either no file or the
    // file's full name.
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
    return fd;
}

void output_file::discard_temporary() {
    if (!temporary_.empty()) {
        pending_temporary_set = 0;
        ::unlink(temporary_.c_str());
        temporary_.clear();
    }
}

void write_file_whole(const std::string& name, std::string_view text) {
    output_file out(name, {});
    out.write(text);
    out.finish();
}

}  // namespace tarnwick_convert
