#pragma once

// A few threads that run builds, off the thread that serves the sockets, so
// that cheap commands are answered at once whatever builds are running.
// Jobs run in the order they were posted; as each client has at most one
// build in flight, clients are served in turn. The threads run at a lower
// priority than the socket thread.

#include <thread>
#include <utility>
#include <vector>

#include <asio.hpp>

namespace tessellux::codegen {

class BuildPool {
 public:
  explicit BuildPool(int threads);
  ~BuildPool();  // waits for the job running on each thread; queued ones are dropped
  BuildPool(const BuildPool&) = delete;
  BuildPool& operator=(const BuildPool&) = delete;

  template <typename Job>
  void Post(Job&& job) {
    asio::post(io_, std::forward<Job>(job));
  }

 private:
  asio::io_context io_;
  asio::executor_work_guard<asio::io_context::executor_type> work_;
  std::vector<std::thread> threads_;
};

}  // namespace tessellux::codegen
