#include "codegen/connection.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include "protocol/framing.h"
#include "protocol/hex.h"

namespace tessellux::codegen {
namespace {

std::string PeerName(const asio::ip::tcp::socket& socket) {
  asio::error_code error;
  const auto endpoint = socket.remote_endpoint(error);
  if (error) return "client";
  return endpoint.address().to_string() + ":" + std::to_string(endpoint.port());
}

// The slow link allowance for `bytes`.
std::chrono::milliseconds Allowance(std::size_t bytes) {
  return std::chrono::milliseconds(bytes * 1000 / kSlowLinkBytesPerSecond);
}

std::string Seconds(Clock::duration duration) {
  return std::to_string(std::chrono::duration_cast<std::chrono::seconds>(duration).count()) + " s";
}

}  // namespace

std::string PeerAddress(const asio::ip::tcp::socket& socket) {
  asio::error_code error;
  const auto endpoint = socket.remote_endpoint(error);
  return error ? std::string() : endpoint.address().to_string();
}

void EnableKeepalive(asio::ip::tcp::socket& socket) {
  asio::error_code ignored;
  socket.set_option(asio::socket_base::keep_alive(true), ignored);
  const int fd = socket.native_handle();
  const int idle = 60, interval = 10, count = 6;
  ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
  ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
  ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &count, sizeof count);
}

Connection::Connection(asio::ip::tcp::socket socket, const ConnectionConfig& config)
    : socket_(std::move(socket)),
      address_(PeerAddress(socket_)),
      config_(config),
      log_(config.log, PeerName(socket_)),
      intake_(config.max_frame, config.session.budget),
      session_(config.builder, config.company, config.session),
      frame_timer_(socket_.get_executor()),
      write_timer_(socket_.get_executor()),
      idle_timer_(socket_.get_executor()) {}

void Connection::Start() {
  asio::error_code ignored;
  socket_.non_blocking(true, ignored);  // replies are first tried at once (Send)
  socket_.set_option(asio::ip::tcp::no_delay(true), ignored);  // replies are small and awaited
  EnableKeepalive(socket_);
  last_active_ = Clock::now();
  if (config_.idle_timeout.count() > 0) Watch(idle_timer_, last_active_ + config_.idle_timeout);
  Read();
}

bool Connection::Resting() const {
  return !building_ && !writing_ && !intake_.InFrame() && !session_.InSeries();
}

void Connection::Close() {
  asio::error_code ignored;
  socket_.shutdown(asio::ip::tcp::socket::shutdown_both, ignored);
  socket_.close(ignored);
  frame_timer_.cancel();
  write_timer_.cancel();
  idle_timer_.cancel();
}

void Connection::CloseBecause(const std::string& why) {
  if (!IsOpen()) return;
  log_.Line(why);
  Close();
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
  read_begin_ = 0;
  read_end_ = size;
  Process();
}

void Connection::Process() {
  while (read_begin_ < read_end_) {
    std::size_t consumed = 0;
    const auto result = intake_.Consume(read_buffer_.data() + read_begin_, read_end_ - read_begin_, consumed);
    read_begin_ += consumed;
    if (result == CommandIntake::Result::NeedMore) continue;
    frame_watched_ = false;
    frame_timer_.cancel();
    switch (result) {
      case CommandIntake::Result::TooLong: CloseBecause("frame longer than the limit; connection dropped"); return;
      case CommandIntake::Result::Refused:
        last_active_ = Clock::now();
        Send(session_.RefuseBusy(intake_.refused_code()));
        return;
      default: Execute(intake_.TakeCommand()); return;
    }
  }
  if (intake_.InFrame() && !frame_watched_) {
    frame_watched_ = true;
    frame_started_ = Clock::now();
    Watch(frame_timer_, frame_started_ + config_.frame_timeout);
  }
  Read();
}

void Connection::Execute(Bytes command) {
  last_active_ = Clock::now();
  auto step = session_.Begin(command);
  command = Bytes();
  intake_.Release();
  if (auto* reply = std::get_if<Bytes>(&step)) {
    Send(*reply);
    return;
  }
  const BuildJob job = std::get<BuildJob>(step);
  if (!config_.pool) {
    OnBuilt(job.Run());
    return;
  }
  building_ = true;
  // The connection goes back with the outcome, so that it is never released
  // (and destroyed) on a pool thread.
  // std::function needs a copyable job: the outcome travels in a shared_ptr.
  config_.pool->Post(
      [self = shared_from_this(), job]() mutable {
        auto outcome = std::make_shared<BuildOutcome>(job.Run());
        auto executor = self->socket_.get_executor();
        asio::post(executor, [self = std::move(self), outcome] { self->OnBuilt(std::move(*outcome)); });
      },
      job.Small());
}

void Connection::OnBuilt(BuildOutcome outcome) {
  building_ = false;
  const Bytes reply = session_.Finish(std::move(outcome));
  if (IsOpen()) Send(reply);
}

void Connection::Send(const Bytes& reply) {
  if (reply.size() >= 2 && reply[1] != protocol::Code(Status::Ok) && !session_.last_error().empty()) {
    log_.Line("command " + protocol::Hex(reply[0]) + " -> status " + protocol::Hex(reply[1]) + ": " + session_.last_error());
  }
  write_buffer_.clear();
  protocol::AppendFrame(reply, write_buffer_);
  writing_ = true;
  // Most replies fit the socket's buffer at once: written now, they need no
  // timer (arming and cancelling one costs system calls on every row).
  asio::error_code error;
  const std::size_t written = socket_.write_some(asio::buffer(write_buffer_), error);
  if (!error && written == write_buffer_.size()) {
    // Finished on the next turn of the loop, never inside this call: a
    // client that sent many commands at once must not deepen the stack.
    asio::post(socket_.get_executor(), [self = shared_from_this()] { self->OnWritten({}); });
    return;
  }
  if (error && error != asio::error::would_block && error != asio::error::try_again) {
    asio::post(socket_.get_executor(), [self = shared_from_this(), error] { self->OnWritten(error); });
    return;
  }
  const std::size_t sent = error ? 0 : written;
  write_due_ = Clock::now() + config_.frame_timeout + Allowance(write_buffer_.size() - sent);
  Watch(write_timer_, write_due_);
  asio::async_write(socket_, asio::buffer(write_buffer_.data() + sent, write_buffer_.size() - sent),
                    [self = shared_from_this()](const asio::error_code& failure, std::size_t) {
                      self->OnWritten(failure);
                    });
}

void Connection::OnWritten(const asio::error_code& error) {
  writing_ = false;
  if (write_timer_.expiry() > Clock::now()) write_timer_.cancel();
  // A row's buffer is kept for the next row; a large reply's is let go, so
  // idle connections hold little.
  if (write_buffer_.capacity() > kKeptWriteBuffer) write_buffer_ = Bytes();
  if (error) {
    Close();
    return;
  }
  last_active_ = Clock::now();
  if (config_.idle_timeout.count() > 0) Watch(idle_timer_, last_active_ + config_.idle_timeout);
  Process();
}

void Connection::Watch(asio::steady_timer& timer, Clock::time_point due) {
  timer.expires_at(due);
  timer.async_wait([weak = weak_from_this()](const asio::error_code& error) {
    auto self = weak.lock();
    if (!error && self && self->IsOpen()) self->Check();
  });
}

// Every deadline at once: whichever timer fired, the others are only looked at.
void Connection::Check() {
  const auto now = Clock::now();
  if (frame_watched_ && intake_.InFrame()) {
    const auto due = frame_started_ + config_.frame_timeout + Allowance(intake_.received());
    if (now >= due) {
      return CloseBecause("frame unfinished after " + Seconds(now - frame_started_) + "; connection dropped");
    }
    if (frame_timer_.expiry() < due) Watch(frame_timer_, due);
  }
  if (writing_ && now >= write_due_) return CloseBecause("reply not read in time; connection dropped");
  if (config_.idle_timeout.count() > 0 && !building_ && !writing_) {
    const auto due = last_active_ + config_.idle_timeout;
    if (now >= due) return CloseBecause("idle for " + Seconds(now - last_active_) + "; connection closed");
    if (idle_timer_.expiry() < due) Watch(idle_timer_, due);
  }
}

}  // namespace tessellux::codegen
