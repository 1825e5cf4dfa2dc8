#include "codegen/server.h"

#include <algorithm>

namespace tessellux::codegen {

Server::Server(asio::io_context& io, ServerConfig config)
    : config_(std::move(config)),
      acceptor_(io),
      discovery_(io),
      accept_pause_(io),
      answer_(protocol::DiscoveryAnswer(config_.connection.company)) {
  auto& connection = config_.connection;
  if (config_.memory_budget > 0 && !connection.session.budget) {
    connection.session.budget = std::make_shared<MemoryBudget>(config_.memory_budget, config_.memory_budget / 4,
                                                               kSmallHolding);
  }
  if (config_.build_threads > 0 && !connection.pool) {
    connection.pool = std::make_shared<BuildPool>(config_.build_threads);
  }
  Bind(asio::ip::make_address(config_.bind), config_.port);
  Accept();
  ReceiveQuery();
}

// TCP first; with port 0 its port is then taken for UDP too, retrying in the
// rare case that the UDP port is in use.
void Server::Bind(const asio::ip::address& address, std::uint16_t port) {
  constexpr int kAttempts = 20;
  for (int attempt = 1;; ++attempt) {
    const asio::ip::tcp::endpoint endpoint(address, port);
    acceptor_.open(endpoint.protocol());
    acceptor_.set_option(asio::ip::tcp::acceptor::reuse_address(true));
    acceptor_.bind(endpoint);
    acceptor_.listen();
    port_ = acceptor_.local_endpoint().port();
    asio::error_code error;
    discovery_.open(address.is_v6() ? asio::ip::udp::v6() : asio::ip::udp::v4());
    discovery_.bind(asio::ip::udp::endpoint(address, port_), error);
    if (!error) return;
    acceptor_.close();
    discovery_.close();
    if (port != 0 || attempt == kAttempts) throw std::system_error(error, "UDP bind");
  }
}

void Server::Stop() {
  asio::error_code ignored;
  acceptor_.close(ignored);
  discovery_.close(ignored);
  accept_pause_.cancel();
  for (auto& weak : connections_) {
    if (auto connection = weak.lock()) connection->Close();
  }
  connections_.clear();
}

void Server::Accept() {
  acceptor_.async_accept([this](const asio::error_code& error, asio::ip::tcp::socket socket) {
    if (error == asio::error::operation_aborted || !acceptor_.is_open()) return;
    if (!error) {
      Admit(std::move(socket));
      Accept();
      return;
    }
    // A failed accept (e.g. out of descriptors) must neither end the service
    // nor spin: try again a little later.
    accept_pause_.expires_after(std::chrono::milliseconds(100));
    accept_pause_.async_wait([this](const asio::error_code& wait_error) {
      if (!wait_error && acceptor_.is_open()) Accept();
    });
  });
}

void Server::Admit(asio::ip::tcp::socket socket) {
  const std::string address = PeerAddress(socket);
  const std::vector<Seat> seats = Seats();
  const auto& limits = config_.admission;
  const Admission admission = codegen::Admit(seats, address, limits, Clock::now());
  if (const std::string why = RefusalReason(admission.verdict, limits); !why.empty()) {
    return Refuse(socket, address, why);
  }
  if (admission.verdict == Admission::Verdict::AdmitInPlaceOf) {
    const auto displaced = connections_[admission.displaced].lock();
    const auto idle = std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - displaced->last_active());
    displaced->CloseBecause("closed after " + std::to_string(idle.count()) + " s idle to admit a new client");
    connections_.erase(connections_.begin() + static_cast<std::ptrdiff_t>(admission.displaced));
  }
  auto connection = std::make_shared<Connection>(std::move(socket), config_.connection);
  connections_.push_back(connection);
  connection->Start();
}

// Keeps connections_ and the seats index for index.
std::vector<Seat> Server::Seats() {
  std::erase_if(connections_, [](const auto& weak) {
    const auto connection = weak.lock();
    return !connection || !connection->IsOpen();
  });
  std::vector<Seat> seats;
  seats.reserve(connections_.size());
  for (const auto& weak : connections_) {
    const auto connection = weak.lock();
    seats.push_back({connection->address(), connection->Resting(), connection->last_active()});
  }
  return seats;
}

// Closed before anything is read; the log line at most once a second per address.
void Server::Refuse(asio::ip::tcp::socket& socket, const std::string& address, const std::string& why) {
  asio::error_code ignored;
  socket.close(ignored);
  if (refusal_lines_.Allow(address, Clock::now())) Log(address + ": new connection refused: " + why);
}

void Server::Log(const std::string& line) const {
  if (config_.connection.log) config_.connection.log->Line(line);
}

void Server::ReceiveQuery() {
  discovery_.async_receive_from(asio::buffer(datagram_), sender_,
                                [this](const asio::error_code& error, std::size_t size) { OnQuery(error, size); });
}

// Only the exact query is answered, one answer in flight at a time, at a
// bounded rate per sender.
void Server::OnQuery(const asio::error_code& error, std::size_t size) {
  if (error == asio::error::operation_aborted || !discovery_.is_open()) return;
  const bool is_query = !error && protocol::IsDiscoveryQuery(datagram_.data(), size);
  if (is_query && !answering_ && answers_.Allow(sender_.address().to_string(), Clock::now())) {
    answering_ = true;
    answer_to_ = sender_;
    discovery_.async_send_to(asio::buffer(answer_), answer_to_,
                             [this](const asio::error_code&, std::size_t) { answering_ = false; });
  }
  ReceiveQuery();
}

}  // namespace tessellux::codegen
