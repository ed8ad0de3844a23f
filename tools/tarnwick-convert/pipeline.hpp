// The batches of a table run in flight: converted on worker threads, written in input order,
// with a progress bar. Their number, and beyond the first of them their bytes, are bounded, so
// that very long records do not multiply with the threads.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "output_file.hpp"
#include "record_batch.hpp"
#include "table_options.hpp"

namespace tarnwick_convert {

/// Threads that convert batches in the order they are given.
class worker_pool {
  public:
    /// Starts `count` threads.
    explicit worker_pool(unsigned count);
    worker_pool(const worker_pool&) = delete;
    worker_pool& operator=(const worker_pool&) = delete;
    /// Finishes the tasks given, then stops the threads.
    ~worker_pool();

    /// Runs `task` on the first thread free; its result comes through the future.
    std::future<batch_output> submit(std::packaged_task<batch_output()> task);

  private:
    void work();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::packaged_task<batch_output()>> tasks_;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

/// A progress bar on standard error, drawn at most every 100 ms, only when it is wanted, the
/// input's size is known and standard error is a terminal.
class progress_bar {
  public:
    /// `total`: bytes of the whole input, 0 when unknown.
    progress_bar(bool wanted, std::uint64_t total);

    /// Shows `done` bytes of the total read and `rows` rows written.
    void update(std::uint64_t done, std::uint64_t rows);

    /// Clears the bar's line.
    void finish();

  private:
    bool on_;
    bool drawn_ = false;
    std::uint64_t total_;
    std::chrono::steady_clock::time_point last_{};
};

/// Converts batches on worker threads and writes their output, in the order they were
/// submitted, to the output file; failed rows' reasons go to standard error.
class batch_pipeline {
  public:
    /// `bytes_read`: the count of input bytes read so far, kept by the reader, for progress
    /// against `total_bytes` (0: unknown).
    batch_pipeline(const batch_options& options, std::uint64_t total_bytes,
                   const std::uint64_t& bytes_read, output_file& out);

    /// Hands a batch to the workers (an empty one is dropped), then writes the oldest batches
    /// while too many, or too many bytes, are in flight. Raises `file_error` for a failed
    /// write.
    void submit(record_batch batch);

    /// Writes every batch still in flight and clears the progress bar; returns the counts of
    /// the whole run.
    batch_summary finish();

  private:
    struct pending {
        std::future<batch_output> output;
        std::size_t bytes;  // of its input
        const input_job* j;
    };

    void write_oldest();

    output_file* out_;
    const std::uint64_t* bytes_read_;
    progress_bar progress_;
    batch_summary summary_;
    const input_job* job_written_ = nullptr;  // the input of the batch written last
    std::uint64_t job_rows_ = 0;              // its rows written so far
    std::size_t max_in_flight_;
    std::deque<pending> in_flight_;
    std::size_t in_flight_bytes_ = 0;
    worker_pool pool_;  // last: its threads finish before anything they fill goes
};

}  // namespace tarnwick_convert
