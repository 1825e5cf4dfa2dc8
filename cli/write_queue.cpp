#include "cli/write_queue.h"

#include <algorithm>
#include <utility>

namespace tessellux::cli {

WriteQueue::WriteQueue(Limits limits, Emit emit) : limits_(limits), emit_(std::move(emit)) {
  for (int i = 0; i < std::max(1, limits_.writers); ++i) writers_.emplace_back([this] { Writer(); });
}

WriteQueue::~WriteQueue() { Finish(); }

std::size_t WriteQueue::PictureBytes(const JobReport& report) const {
  return report.result.picture ? report.result.picture->size() : 0;
}

void WriteQueue::HandIn(JobReport report, Write write) {
  std::unique_lock lock(mutex_);
  const bool later = static_cast<bool>(write);
  const std::size_t bytes = later ? PictureBytes(report) : 0;
  space_.wait(lock, [&] {
    return entries_.empty() ||
           (entries_.size() < limits_.reports && queued_bytes_ + bytes <= limits_.picture_bytes);
  });
  queued_bytes_ += bytes;
  ++handed_in_;
  entries_.push_back({std::move(report), std::move(write), !later});
  if (later) {
    work_.notify_one();
  } else {
    EmitReady();
  }
}

void WriteQueue::Writer() {
  std::unique_lock lock(mutex_);
  while (true) {
    const auto next = std::find_if(entries_.begin(), entries_.end(), [](const Entry& e) { return static_cast<bool>(e.write); });
    if (next == entries_.end()) {
      if (ending_) return;
      work_.wait(lock);
      continue;
    }
    Entry& entry = *next;
    const Write write = std::exchange(entry.write, nullptr);
    const std::size_t bytes = PictureBytes(entry.report);
    lock.unlock();
    write(entry.report);  // drops the picture
    lock.lock();
    queued_bytes_ -= bytes;
    entry.done = true;
    EmitReady();
  }
}

void WriteQueue::EmitReady() {
  bool emitted = false;
  while (!entries_.empty() && entries_.front().done) {
    emit_(entries_.front().report);
    entries_.pop_front();
    ++emitted_;
    emitted = true;
  }
  if (emitted) space_.notify_all();
}

void WriteQueue::Drain() {
  std::unique_lock lock(mutex_);
  const std::size_t until = handed_in_;
  space_.wait(lock, [&] { return emitted_ >= until; });
}

void WriteQueue::Finish() {
  Drain();
  {
    std::lock_guard lock(mutex_);
    ending_ = true;
  }
  work_.notify_all();
  for (auto& writer : writers_) {
    if (writer.joinable()) writer.join();
  }
}

}  // namespace tessellux::cli
