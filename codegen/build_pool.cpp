#include "codegen/build_pool.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>

namespace tessellux::codegen {
namespace {

// Builds yield to the socket thread; a failure to lower the priority is harmless.
void LowerThisThreadsPriority() {
  const auto tid = static_cast<id_t>(::syscall(SYS_gettid));
  (void)::setpriority(PRIO_PROCESS, tid, 5);
}

}  // namespace

BuildPool::BuildPool(int threads) {
  for (int i = 0; i < std::max(1, threads); ++i) threads_.emplace_back([this] { Work(); });
}

BuildPool::~BuildPool() {
  std::deque<std::function<void()>> dropped_small, dropped_large;
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    dropped_small.swap(small_);
    dropped_large.swap(large_);
  }
  wake_.notify_all();
  for (auto& thread : threads_) {
    if (thread.get_id() == std::this_thread::get_id()) thread.detach();  // the last owner was a job
    else thread.join();
  }
}

void BuildPool::Post(std::function<void()> job, bool small) {
  {
    std::lock_guard lock(mutex_);
    if (stopping_) return;
    (small ? small_ : large_).push_back(std::move(job));
  }
  wake_.notify_one();
}

void BuildPool::Work() {
  LowerThisThreadsPriority();
  while (true) {
    std::function<void()> job;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || !small_.empty() || !large_.empty(); });
      if (stopping_) return;
      auto& queue = small_.empty() ? large_ : small_;
      job = std::move(queue.front());
      queue.pop_front();
    }
    job();
  }
}

}  // namespace tessellux::codegen
