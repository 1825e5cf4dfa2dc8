#pragma once

// A batch's symbol files written beside its builds. Each file is flushed to
// disk before it takes its name, a wait of milliseconds against a symbol's
// exchanges of microseconds: a connection that waited for it would spend
// most of its time on the disk. Here the connection hands the built symbol
// on and starts the next; a few writer threads encode, flush and rename,
// and their flushes go to the disk together. Reports still leave one at a
// time in the order their symbols were handed in.

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "cli/symbol_job.h"

namespace tessellux::cli {

class WriteQueue {
 public:
  // Writes a report's output; a failure goes into the report.
  using Write = std::function<void(JobReport&)>;
  // Takes each report, in order, once it is written (or needed no writing).
  using Emit = std::function<void(const JobReport&)>;

  struct Limits {
    int writers = 4;
    // Handing in waits while this many reports are queued, or while the
    // queued pictures hold this many bytes (one is always taken).
    std::size_t reports = 8;
    std::size_t picture_bytes = std::size_t{128} << 20;
  };

  WriteQueue(Limits limits, Emit emit);
  ~WriteQueue();  // Finish()
  WriteQueue(const WriteQueue&) = delete;
  WriteQueue& operator=(const WriteQueue&) = delete;

  // Queues `report`; with `write`, a writer thread calls it before the
  // report is emitted. Waits while the queue is full.
  void HandIn(JobReport report, Write write = {});
  // Returns once every report handed in so far is emitted.
  void Drain();
  // Drain(), and the writers end.
  void Finish();

 private:
  struct Entry {
    JobReport report;
    Write write;         // still to be called by a writer
    bool done = false;   // ready to be emitted
  };

  void Writer();
  void EmitReady();  // with mutex_ held
  std::size_t PictureBytes(const JobReport& report) const;

  const Limits limits_;
  const Emit emit_;
  std::mutex mutex_;
  std::condition_variable work_;   // an entry to write, or the end
  std::condition_variable space_;  // room to hand in, or everything emitted
  std::deque<Entry> entries_;      // oldest first; references stay valid at both ends
  std::size_t queued_bytes_ = 0;
  std::size_t handed_in_ = 0;
  std::size_t emitted_ = 0;
  bool ending_ = false;
  std::vector<std::thread> writers_;
};

}  // namespace tessellux::cli
