// tessellux-codegen: the Code Generator service, or `encode` for one symbol
// straight to a file.

#include <malloc.h>

#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include <asio.hpp>

#include "codegen/builder.h"
#include "codegen/encode_command.h"
#include "codegen/server.h"
#include "codegen/service_options.h"

namespace {

using namespace tessellux::codegen;

ServerConfig MakeServerConfig(const ServiceOptions& options) {
  ServerConfig config;
  config.bind = options.bind;
  config.port = options.port;
  config.admission = {.max_clients = options.max_clients,
                      .max_per_address = options.max_clients_per_address,
                      .evict_idle_after = std::chrono::seconds(options.evict_idle_after_s)};
  config.build_threads = options.build_threads > 0 ? options.build_threads : DefaultBuildThreads();
  // The budget covers the whole process: what the service takes at rest
  // comes off before the clients draw from it (the options check it fits).
  config.memory_budget =
      (options.memory_budget_mib << 20) - FixedServiceBytes(options.max_clients, config.build_threads);
  ConnectionConfig& connection = config.connection;
  connection.company = options.company;
  connection.builder = MakeSymbolBuilder({.max_bitmap_bytes = options.max_bitmap_mib << 20});
  connection.session.data_cap = options.max_session_mib << 20;
  connection.max_frame = connection.session.data_cap + 64 * 1024;  // the cap plus the command's own bytes
  connection.frame_timeout = std::chrono::seconds(options.frame_timeout_s);
  connection.idle_timeout = std::chrono::seconds(options.idle_timeout_s);
  connection.log = std::make_shared<ServiceLog>(std::cerr);
  return config;
}

int RunService(const std::vector<std::string>& args) {
  auto parsed = ParseServiceOptions(args);
  if (auto* error = std::get_if<std::string>(&parsed)) {
    std::cerr << "tessellux-codegen: " << *error << "\n" << tessellux::cmdline::HelpHint(ServiceProgram()) << "\n";
    return tessellux::cmdline::kExitUsage;
  }
  const auto& options = std::get<ServiceOptions>(parsed);
  if (options.help) {
    std::cout << ServiceUsage();
    return 0;
  }
  if (options.version) {
    std::cout << VersionText();
    return 0;
  }
  // Large blocks (fields, frames) go straight back to the system when freed,
  // so that what the budget gives back leaves the resident set too.
  ::mallopt(M_MMAP_THRESHOLD, 128 * 1024);
  asio::io_context io;
  try {
    Server server(io, MakeServerConfig(options));
    asio::signal_set signals(io, SIGINT, SIGTERM);
    signals.async_wait([&](const asio::error_code&, int) {
      server.Stop();
      io.stop();
    });
    std::cout << "tessellux-codegen: company \"" << options.company << "\" listening on " << options.bind << ":"
              << server.port() << std::endl;
    io.run();
  } catch (const std::system_error& error) {
    std::cerr << "tessellux-codegen: cannot listen on " << options.bind << ":" << options.port << ": "
              << error.what() << "\n";
    return 1;
  }
  std::cout << "tessellux-codegen: stopped" << std::endl;
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (!args.empty() && args[0] == "encode") return RunEncode({args.begin() + 1, args.end()});
  return RunService(args);
}
