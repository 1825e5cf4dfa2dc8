#pragma once

// A few threads that run builds, off the thread that serves the sockets, so
// that cheap commands are answered at once whatever builds are running.
//
// Each client has at most one build in flight, and jobs of one size class
// run in the order they came, so clients are served in turn. Small builds
// (the usual symbol of a few kilobytes) go before large ones: a client's
// small symbol then waits for at most one large build per thread, not for
// every large build queued. The threads run at a lower priority than the
// socket thread.

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace tessellux::codegen {

class BuildPool {
 public:
  explicit BuildPool(int threads);
  ~BuildPool();  // waits for the job running on each thread; queued ones are dropped
  BuildPool(const BuildPool&) = delete;
  BuildPool& operator=(const BuildPool&) = delete;

  void Post(std::function<void()> job, bool small);

 private:
  void Work();

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> small_, large_;
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace tessellux::codegen
