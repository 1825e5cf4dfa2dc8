#pragma once

// One client on the command link: reads frames, hands each command to its
// Session and writes the reply. One command is handled at a time and reading
// pauses while a reply is being written, so a client that pipelines or stops
// reading never makes the service hold more than one reply and one bounded
// read buffer for it.

#include <array>
#include <chrono>
#include <memory>
#include <ostream>
#include <string>

#include <asio.hpp>

#include "codegen/session.h"
#include "link/framing.h"

namespace tessellux::codegen {

struct ConnectionConfig {
  std::string company;
  Builder builder;
  SessionLimits session;
  std::size_t max_frame = 0;  // a longer frame drops the connection
  std::chrono::milliseconds idle_timeout{std::chrono::minutes(5)};
  std::ostream* log = nullptr;  // one line per failed command; null = quiet
};

class Connection : public std::enable_shared_from_this<Connection> {
 public:
  Connection(asio::ip::tcp::socket socket, const ConnectionConfig& config);

  void Start();
  void Close();
  bool IsOpen() const { return socket_.is_open(); }

 private:
  void Read();
  void OnRead(const asio::error_code& error, std::size_t size);
  void HandleNextCommand();
  void OnWritten(const asio::error_code& error);
  void ArmIdleTimer();
  void Log(const std::string& line) const;

  asio::ip::tcp::socket socket_;
  asio::steady_timer idle_timer_;
  std::chrono::milliseconds idle_timeout_;
  std::ostream* log_;
  std::string peer_;
  link::FrameSplitter splitter_;
  Session session_;
  std::array<std::uint8_t, 64 * 1024> read_buffer_{};
  Bytes write_buffer_;
};

}  // namespace tessellux::codegen
