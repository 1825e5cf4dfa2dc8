#pragma once

// The Code Generator service: the command link on TCP and discovery on UDP,
// both on one port of one address, on the io_context's thread; builds on a
// small pool of their own.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <asio.hpp>

#include "codegen/address_rate.h"
#include "codegen/admission.h"
#include "codegen/connection.h"
#include "protocol/discovery.h"

namespace tessellux::codegen {

// Discovery answers per source address: a program asks once a second; more
// than this only makes the service a reflector.
inline constexpr double kDiscoveryAnswersPerSecond = 4;
inline constexpr double kDiscoveryAnswerBurst = 8;

struct ServerConfig {
  std::string bind = "0.0.0.0";
  std::uint16_t port = protocol::kDefaultPort;  // 0: any free port (the same for TCP and UDP)
  // Places for clients, per address and in all (see Admit).
  AdmissionLimits admission;
  // Bytes that clients' inputs, partial frames, symbols and builds in flight
  // may draw together (see MemoryBudget); 0 = unbounded.
  std::size_t memory_budget = 0;
  int build_threads = 0;  // 0: builds run on the socket thread
  ConnectionConfig connection;
};

class Server {
 public:
  // Binds at once; throws std::system_error when the address or port is unusable.
  Server(asio::io_context& io, ServerConfig config);

  std::uint16_t port() const { return port_; }
  // The clients' budget (null when unbounded); safe from any thread.
  std::shared_ptr<const MemoryBudget> budget() const { return config_.connection.session.budget; }
  // Closes the listeners and every client connection.
  void Stop();

 private:
  void Bind(const asio::ip::address& address, std::uint16_t port);
  void Accept();
  void Admit(asio::ip::tcp::socket socket);
  // The open connections as admission sees them (closed ones are dropped).
  std::vector<Seat> Seats();
  void Refuse(asio::ip::tcp::socket& socket, const std::string& address, const std::string& why);
  void Log(const std::string& line) const;
  void ReceiveQuery();
  void OnQuery(const asio::error_code& error, std::size_t size);

  ServerConfig config_;
  asio::ip::tcp::acceptor acceptor_;
  asio::ip::udp::socket discovery_;
  asio::steady_timer accept_pause_;
  std::uint16_t port_ = 0;
  std::vector<std::weak_ptr<Connection>> connections_;
  AddressRate refusal_lines_{1.0, 1.0};  // one log line per address and second


  std::array<std::uint8_t, 512> datagram_{};
  asio::ip::udp::endpoint sender_;
  asio::ip::udp::endpoint answer_to_;
  std::string answer_;
  bool answering_ = false;
  AddressRate answers_{kDiscoveryAnswersPerSecond, kDiscoveryAnswerBurst};
};

}  // namespace tessellux::codegen
