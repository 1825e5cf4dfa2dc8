#pragma once

// A blocking command link over Asio for the command line: the same framing
// as the window's link, a 1000 ms reply timeout and the same receive cap.
// One object is one TCP connection, used from one thread.

#include <array>
#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include <asio.hpp>

#include "link/exchange.h"
#include "protocol/framing.h"

namespace tessellux::cli {

class AsioLink : public link::CommandExchange {
 public:
  // Connects within `timeout`; nothing (and `error` says why) on failure.
  static std::unique_ptr<AsioLink> Connect(const std::string& host, int port, std::chrono::milliseconds timeout,
                                           std::string* error);

  // A reply timeout, a lost link or a protocol fault closes the connection;
  // later exchanges then fail at once with kLinkLost.
  link::ExchangeOutcome Exchange(const Bytes& message) override;
  bool Connected() const { return socket_.is_open(); }

 private:
  AsioLink() : socket_(io_) {}
  void ReadMore();
  link::ExchangeOutcome Close(link::ExchangeOutcome::Kind kind, std::string detail);

  asio::io_context io_;
  asio::ip::tcp::socket socket_;
  protocol::ReplyBuffer buffer_;
  std::array<std::uint8_t, 64 * 1024> chunk_{};
  bool reading_done_ = false;
  std::error_code read_error_;
};

struct Discovered {
  std::string host;     // the address that answered
  std::string company;  // 8-bit text from the answer
};

// Sends the discovery query to `address`:`port` once a second until an
// answer arrives or `timeout` passes.
std::optional<Discovered> Discover(const std::string& address, int port, std::chrono::seconds timeout,
                                   std::string* error);

}  // namespace tessellux::cli
