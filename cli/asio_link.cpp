#include "cli/asio_link.h"

#include "link/discovery.h"

namespace tessellux::cli {
namespace {

using Kind = link::ExchangeOutcome::Kind;
using Clock = std::chrono::steady_clock;

// Runs handlers until `done` or the deadline; false on the deadline.
template <typename Done>
bool RunUntil(asio::io_context& io, Clock::time_point deadline, Done done) {
  io.restart();
  while (!done()) {
    if (io.run_one_until(deadline) == 0 && !done()) return false;
  }
  return true;
}

}  // namespace

std::unique_ptr<AsioLink> AsioLink::Connect(const std::string& host, int port, std::chrono::milliseconds timeout,
                                            std::string* error) {
  std::unique_ptr<AsioLink> link(new AsioLink());
  const std::string where = host + ":" + std::to_string(port);
  std::error_code ec;
  asio::ip::tcp::resolver resolver(link->io_);
  const auto endpoints = resolver.resolve(host, std::to_string(port), ec);
  if (ec) {
    *error = "cannot find the Code Generator's host " + host + ": " + ec.message();
    return nullptr;
  }
  bool done = false;
  asio::async_connect(link->socket_, endpoints, [&](std::error_code result, const auto&) {
    ec = result;
    done = true;
  });
  if (!RunUntil(link->io_, Clock::now() + timeout, [&] { return done; })) {
    link->socket_.close();
    RunUntil(link->io_, Clock::now() + std::chrono::seconds(1), [&] { return done; });
    *error = "cannot connect to the Code Generator at " + where + ": no answer within " +
             std::to_string(timeout.count()) + " ms";
    return nullptr;
  }
  if (ec) {
    *error = "cannot connect to the Code Generator at " + where + ": " + ec.message();
    return nullptr;
  }
  // Each command is one small write answered at once: send it without delay.
  link->socket_.set_option(asio::ip::tcp::no_delay(true), ec);
  return link;
}

void AsioLink::ReadMore() {
  socket_.async_read_some(asio::buffer(chunk_), [this](std::error_code ec, std::size_t size) {
    if (ec) {
      read_error_ = ec;
      reading_done_ = true;
      return;
    }
    if (!buffer_.Append(chunk_.data(), size) || buffer_.Complete()) {
      reading_done_ = true;
      return;
    }
    ReadMore();
  });
}

link::ExchangeOutcome AsioLink::Close(Kind kind, std::string detail) {
  std::error_code ignored;
  socket_.close(ignored);
  // Let the cancelled handlers run: they refer to this object.
  RunUntil(io_, Clock::now() + std::chrono::seconds(1), [] { return false; });
  return {kind, {}, std::move(detail)};
}

link::ExchangeOutcome AsioLink::Exchange(const Bytes& message) {
  if (!socket_.is_open()) return {Kind::kLinkLost, {}, "not connected"};
  const auto deadline = Clock::now() + std::chrono::milliseconds(link::kReplyTimeoutMs);
  std::error_code ec;
  // A Code Generator sends nothing between a reply and the next command.
  if (socket_.available(ec) > 0) return Close(Kind::kProtocolError, "bytes arrived before the command was sent");
  buffer_.Clear();
  reading_done_ = false;
  read_error_.clear();
  const Bytes frame = protocol::FrameMessage(message);
  bool written = false;
  std::error_code write_error;
  asio::async_write(socket_, asio::buffer(frame), [&](std::error_code result, std::size_t) {
    write_error = result;
    written = true;
  });
  ReadMore();
  if (!RunUntil(io_, deadline, [&] { return written && (reading_done_ || write_error); })) {
    return Close(Kind::kTimeout, {});
  }
  if (write_error) return Close(Kind::kLinkLost, "sending failed: " + write_error.message());
  if (read_error_) {
    return Close(Kind::kLinkLost, read_error_ == asio::error::eof ? "the Code Generator closed the connection"
                                                                  : read_error_.message());
  }
  if (buffer_.Overflowed()) return Close(Kind::kProtocolError, "a reply over the receive cap");
  if (buffer_.HasTrailingBytes()) return Close(Kind::kProtocolError, "bytes after the reply's end byte");
  return {Kind::kReply, buffer_.TakeReply(), {}};
}

std::optional<Discovered> Discover(const std::string& address, int port, std::chrono::seconds timeout,
                                   std::string* error) {
  asio::io_context io;
  std::error_code ec;
  const auto target_address = asio::ip::make_address_v4(address, ec);
  if (ec) {
    *error = "--discovery-address " + address + ": not an IPv4 address";
    return std::nullopt;
  }
  const asio::ip::udp::endpoint target(target_address, static_cast<unsigned short>(port));
  asio::ip::udp::socket socket(io);
  socket.open(asio::ip::udp::v4(), ec);
  if (!ec) socket.set_option(asio::socket_base::broadcast(true), ec);
  if (ec) {
    *error = "cannot open a datagram socket: " + ec.message();
    return std::nullopt;
  }
  std::array<char, 2048> answer{};
  asio::ip::udp::endpoint sender;
  std::optional<Discovered> found;
  socket.async_receive_from(asio::buffer(answer), sender, [&](std::error_code result, std::size_t size) {
    if (result) return;
    const Bytes datagram(answer.begin(), answer.begin() + static_cast<std::ptrdiff_t>(size));
    found = Discovered{sender.address().to_string(), protocol::CompanyFromAnswer(datagram)};
  });
  const auto end = Clock::now() + timeout;
  while (!found && Clock::now() < end) {
    socket.send_to(asio::buffer(protocol::kDiscoveryQuery.data(), protocol::kDiscoveryQuery.size()), target, 0, ec);
    const auto next = std::min(end, Clock::now() + std::chrono::milliseconds(link::kDiscoveryPeriodMs));
    RunUntil(io, next, [&] { return found.has_value(); });
  }
  socket.close(ec);
  RunUntil(io, Clock::now() + std::chrono::seconds(1), [] { return false; });
  if (!found) {
    *error = "no Code Generator answered discovery at " + address + ":" + std::to_string(port) + " within " +
             std::to_string(timeout.count()) + " s";
  }
  return found;
}

}  // namespace tessellux::cli
