#pragma once

// One client on the command link: reads frames, hands each command to its
// Session and writes the reply. One command is handled at a time and reading
// pauses while a command is built or its reply written, so a client that
// pipelines or stops reading never makes the service hold more than one
// reply, one partial frame and one bounded read buffer for it.
//
// Builds run on the build pool; everything else on the socket thread.
// A connection that behaves may stay idle for ever (TCP keepalive finds
// peers that died); a frame left unfinished, or a reply left unread, past
// its deadline drops the connection, however slowly its bytes trickle.

#include <array>
#include <chrono>
#include <memory>
#include <string>

#include <asio.hpp>

#include "codegen/build_pool.h"
#include "codegen/command_intake.h"
#include "codegen/service_log.h"
#include "codegen/session.h"

namespace tessellux::codegen {

// Frames and replies may take longer than the timeout by one second for
// every this many bytes (a large upload on a slow link).
inline constexpr std::size_t kSlowLinkBytesPerSecond = 64 * 1024;
// A reply buffer up to this size is kept from one reply to the next (a
// picture row at the usual grid sizes, escapes included).
inline constexpr std::size_t kKeptWriteBuffer = 8 * 1024;

struct ConnectionConfig {
  std::string company;
  Builder builder;
  SessionLimits session;  // its budget is the partial frames' budget too
  std::size_t max_frame = 0;  // a longer frame drops the connection
  // An unfinished frame or an unread reply older than this (plus the slow
  // link allowance) drops the connection.
  std::chrono::milliseconds frame_timeout{std::chrono::seconds(5)};
  // Closes connections idle this long (no command, no reply); zero = never.
  std::chrono::milliseconds idle_timeout{0};
  std::shared_ptr<BuildPool> pool;  // null: builds run on the socket thread
  std::shared_ptr<ServiceLog> log;  // null: quiet
};

class Connection : public std::enable_shared_from_this<Connection> {
 public:
  Connection(asio::ip::tcp::socket socket, const ConnectionConfig& config);

  void Start();
  void Close();
  // Closes with a log line saying why.
  void CloseBecause(const std::string& why);
  bool IsOpen() const { return socket_.is_open(); }
  // A build is running for this client (it is not idle, whatever the clock says).
  bool Building() const { return building_; }
  // When the last command arrived or the last reply was sent (or the start).
  Clock::time_point last_active() const { return last_active_; }
  // The peer's address, without its port ("" when unknown).
  const std::string& address() const { return address_; }
  // Between series (layout to last row), with no build, frame or reply
  // under way: may be closed to admit a newcomer once idle long enough.
  bool Resting() const;

 private:
  void Read();
  void OnRead(const asio::error_code& error, std::size_t size);
  // Takes commands from the bytes read until one needs an answer.
  void Process();
  void Execute(Bytes command);
  void OnBuilt(BuildOutcome outcome);
  void Send(const Bytes& reply);
  void OnWritten(const asio::error_code& error);
  // Arms `timer` to call Check() when it may be due.
  void Watch(asio::steady_timer& timer, Clock::time_point due);
  void Check();

  asio::ip::tcp::socket socket_;
  std::string address_;
  ConnectionConfig config_;
  ClientLog log_;
  CommandIntake intake_;
  Session session_;

  asio::steady_timer frame_timer_;
  asio::steady_timer write_timer_;
  asio::steady_timer idle_timer_;
  Clock::time_point last_active_{};
  Clock::time_point frame_started_{};  // the unfinished frame's first byte
  Clock::time_point write_due_{};
  bool frame_watched_ = false;
  bool writing_ = false;
  bool building_ = false;

  std::array<std::uint8_t, 16 * 1024> read_buffer_{};
  std::size_t read_begin_ = 0;  // bytes of the last read not yet taken
  std::size_t read_end_ = 0;
  Bytes write_buffer_;
};

// The address of a socket's peer, without its port; "" when unknown.
std::string PeerAddress(const asio::ip::tcp::socket& socket);

// Keepalive probes after a minute of silence, every 10 s, 6 unanswered ones
// end the connection: a peer that vanished is found within about 2 minutes.
void EnableKeepalive(asio::ip::tcp::socket& socket);

}  // namespace tessellux::codegen
