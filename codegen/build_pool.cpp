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

BuildPool::BuildPool(int threads) : work_(asio::make_work_guard(io_)) {
  for (int i = 0; i < std::max(1, threads); ++i) {
    threads_.emplace_back([this] {
      LowerThisThreadsPriority();
      io_.run();
    });
  }
}

BuildPool::~BuildPool() {
  work_.reset();
  io_.stop();
  for (auto& thread : threads_) {
    if (thread.get_id() == std::this_thread::get_id()) thread.detach();  // the last owner was a job
    else thread.join();
  }
}

}  // namespace tessellux::codegen
