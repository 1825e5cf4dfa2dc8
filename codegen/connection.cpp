#include "codegen/connection.h"

namespace tessellux::codegen {
namespace {

std::string PeerName(const asio::ip::tcp::socket& socket) {
  asio::error_code error;
  const auto endpoint = socket.remote_endpoint(error);
  if (error) return "client";
  return endpoint.address().to_string() + ":" + std::to_string(endpoint.port());
}

}  // namespace

Connection::Connection(asio::ip::tcp::socket socket, const ConnectionConfig& config)
    : socket_(std::move(socket)),
      idle_timer_(socket_.get_executor()),
      idle_timeout_(config.idle_timeout),
      log_(config.log),
      peer_(PeerName(socket_)),
      splitter_(config.max_frame),
      session_(config.builder, config.company, config.session) {}

void Connection::Start() {
  asio::error_code ignored;
  socket_.set_option(asio::ip::tcp::no_delay(true), ignored);  // replies are small and awaited
  ArmIdleTimer();
  Read();
}

void Connection::Close() {
  asio::error_code ignored;
  socket_.shutdown(asio::ip::tcp::socket::shutdown_both, ignored);
  socket_.close(ignored);
  idle_timer_.cancel();
}

void Connection::Read() {
  socket_.async_read_some(asio::buffer(read_buffer_),
                          [self = shared_from_this()](const asio::error_code& error, std::size_t size) {
                            self->OnRead(error, size);
                          });
}

void Connection::OnRead(const asio::error_code& error, std::size_t size) {
  if (error) {
    Close();
    return;
  }
  ArmIdleTimer();
  if (!splitter_.Feed(read_buffer_.data(), size)) {
    Log("frame longer than the limit; connection dropped");
    Close();
    return;
  }
  HandleNextCommand();
}

void Connection::HandleNextCommand() {
  std::optional<Bytes> command = splitter_.Next();
  if (!command) {
    Read();
    return;
  }
  const Bytes reply = session_.Handle(*command);
  if (reply.size() >= 2 && reply[1] != 0x00 && !session_.last_error().empty()) {
    Log("command " + HexByte(reply[0]) + " -> status " + HexByte(reply[1]) + ": " + session_.last_error());
  }
  write_buffer_.clear();
  link::AppendFrame(reply, write_buffer_);
  asio::async_write(socket_, asio::buffer(write_buffer_),
                    [self = shared_from_this()](const asio::error_code& error, std::size_t) {
                      self->OnWritten(error);
                    });
}

void Connection::OnWritten(const asio::error_code& error) {
  if (error) {
    Close();
    return;
  }
  ArmIdleTimer();
  HandleNextCommand();
}

void Connection::ArmIdleTimer() {
  idle_timer_.expires_after(idle_timeout_);
  idle_timer_.async_wait([weak = weak_from_this()](const asio::error_code& error) {
    auto self = weak.lock();
    if (error || !self) return;  // re-armed or cancelled
    self->Log("idle too long; connection closed");
    self->Close();
  });
}

void Connection::Log(const std::string& line) const {
  if (log_) *log_ << "tessellux-codegen: " << peer_ << ": " << line << std::endl;
}

}  // namespace tessellux::codegen
