#pragma once

// The service on 127.0.0.1 (any free port), in the test's process, with a
// stand-in encoder and builds on two threads.

#include <chrono>
#include <memory>

#include "codegen/server_thread.h"
#include "support/codegen_fake_builder.h"

namespace tessellux::codegen::testing {

using std::chrono::milliseconds;

// What a test changes of the service's settings.
struct Setup {
  AdmissionLimits admission{.max_clients = 64};
  milliseconds frame_timeout{std::chrono::seconds(5)};
  milliseconds idle_timeout{0};
  std::size_t memory_budget = 0;
  std::size_t data_cap = 1 << 20;
  std::size_t max_frame = 64 * 1024;
  std::shared_ptr<ServiceLog> log = nullptr;
};

// The server running on its own thread for one test, builds on two threads.
class RunningServer : public ServerThread {
 public:
  explicit RunningServer(const FakeBuilder& fake, const Setup& setup = {})
      : ServerThread(ServerConfig{.bind = "127.0.0.1", .port = 0, .admission = setup.admission,
                                  .memory_budget = setup.memory_budget, .build_threads = 2,
                                  .connection = Config(fake, setup)}) {}

 private:
  static ConnectionConfig Config(const FakeBuilder& fake, const Setup& setup) {
    ConnectionConfig config;
    config.company = "ACME";
    config.builder = fake.builder();
    config.session.data_cap = setup.data_cap;
    config.max_frame = setup.max_frame;
    config.frame_timeout = setup.frame_timeout;
    config.idle_timeout = setup.idle_timeout;
    config.log = setup.log;
    return config;
  }
};

}  // namespace tessellux::codegen::testing
