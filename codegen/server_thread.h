#pragma once

// The service running on a thread of its own, for embedding it in another
// program (tests and benchmarks talk to it over loopback).

#include <thread>

#include "codegen/server.h"

namespace tessellux::codegen {

class ServerThread {
 public:
  explicit ServerThread(ServerConfig config) : server_(io_, std::move(config)), thread_([this] { io_.run(); }) {}
  ~ServerThread() {
    asio::post(io_, [this] {
      server_.Stop();
      io_.stop();
    });
    thread_.join();
  }
  ServerThread(const ServerThread&) = delete;
  ServerThread& operator=(const ServerThread&) = delete;

  std::uint16_t port() const { return server_.port(); }
  std::shared_ptr<const MemoryBudget> budget() const { return server_.budget(); }

 private:
  asio::io_context io_;
  Server server_;
  std::thread thread_;
};

}  // namespace tessellux::codegen
