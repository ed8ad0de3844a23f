#include "pipeline.hpp"

#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>

namespace tarnwick_convert {

namespace {

// Beyond the first batch in flight, no more than this many bytes of input are read but not
// yet written.
constexpr std::size_t in_flight_max_bytes = std::size_t{32} << 20;

}  // namespace

// ---- worker threads -----------------------------------------------------------------------

worker_pool::worker_pool(unsigned count) {
    for (unsigned i = 0; i < count; ++i) {
        threads_.emplace_back([this] { work(); });
    }
}

worker_pool::~worker_pool() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (auto& t : threads_) {
        t.join();
    }
}

std::future<batch_output> worker_pool::submit(std::packaged_task<batch_output()> task) {
    auto future = task.get_future();
    {
        std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
    }
    wake_.notify_one();
    return future;
}

void worker_pool::work() {
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

// ---- progress -----------------------------------------------------------------------------

progress_bar::progress_bar(bool wanted, std::uint64_t total)
    : on_(wanted && total > 0 && ::isatty(2)), total_(total) {}

void progress_bar::update(std::uint64_t done, std::uint64_t rows) {
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

void progress_bar::finish() {
    if (drawn_) {
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
    }
}

// ---- batches in flight --------------------------------------------------------------------

batch_pipeline::batch_pipeline(const batch_options& options, std::uint64_t total_bytes,
                               const std::uint64_t& bytes_read, output_file& out)
    : out_(&out),
      bytes_read_(&bytes_read),
      progress_(options.progress, total_bytes),
      max_in_flight_(2 * static_cast<std::size_t>(options.threads) + 2),
      pool_(options.threads) {}

void batch_pipeline::submit(record_batch batch) {
    if (batch.bytes.empty()) {
        return;
    }
    const std::size_t bytes = batch.bytes.size();
    const input_job* j = batch.j;
    in_flight_bytes_ += bytes;
    in_flight_.push_back({pool_.submit(std::packaged_task<batch_output()>(
                              [b = std::move(batch)] { return convert_batch(b); })),
                          bytes, j});
    while (in_flight_.size() >= max_in_flight_ ||
           (in_flight_.size() > 1 && in_flight_bytes_ > in_flight_max_bytes)) {
        write_oldest();
    }
}

batch_summary batch_pipeline::finish() {
    while (!in_flight_.empty()) {
        write_oldest();
    }
    progress_.finish();
    return summary_;
}

void batch_pipeline::write_oldest() {
    const bool long_records = holds_long_records(in_flight_.front().bytes);
    in_flight_bytes_ -= in_flight_.front().bytes;
    const input_job* j = in_flight_.front().j;
    batch_output done = in_flight_.front().output.get();
    in_flight_.pop_front();
    out_->write(done.text);
    if (j != job_written_) {
        job_written_ = j;
        job_rows_ = 0;
    }
    // Rows are numbered in their input, which only the batches before this one can tell.
    std::string messages;
    for (const failed_row& f : done.failed) {
        messages += "tarnwick-convert: " + j->name + " row " + std::to_string(job_rows_ + f.row) +
                    ": " + f.reason + "\n";
    }
    if (!messages.empty()) {
        std::fputs(messages.c_str(), stderr);
    }
    job_rows_ += done.counts.read;
    summary_.read += done.counts.read;
    summary_.converted += done.counts.converted;
    summary_.failed += done.counts.failed;
    progress_.update(*bytes_read_, summary_.read);
    if (long_records) {
        // The buffers of long records go back to the system, instead of staying in the heap
        // of whichever worker thread held them, which would multiply with the threads.
        done = {};
        ::malloc_trim(0);
    }
}

}  // namespace tarnwick_convert
