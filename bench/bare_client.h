#pragma once

// A blocking loopback client: the cheapest way to do one exchange, the
// floor the program's own links are measured against. Every receive gives
// up after `timeout_ms`, so a silent peer cannot hold a timing run.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstdint>

#include "protocol/bytes.h"
#include "protocol/framing.h"

namespace tessellux::bench {

class BareClient {
 public:
  explicit BareClient(std::uint16_t port, int timeout_ms = 5000) {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd_ < 0) return;
    int one = 1;
    ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    const timeval timeout{timeout_ms / 1000, (timeout_ms % 1000) * 1000};
    ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
      ::close(fd_);
      fd_ = -1;
    }
  }
  ~BareClient() {
    if (fd_ >= 0) ::close(fd_);
  }
  BareClient(const BareClient&) = delete;
  BareClient& operator=(const BareClient&) = delete;
  bool Ok() const { return fd_ >= 0; }

  // The reply, or nothing when the link failed or the peer was silent.
  Bytes Exchange(const Bytes& message) {
    const Bytes frame = protocol::FrameMessage(message);
    if (::send(fd_, frame.data(), frame.size(), 0) != static_cast<ssize_t>(frame.size())) return {};
    protocol::ReplyBuffer reply;
    std::uint8_t buffer[65536];
    while (!reply.Complete()) {
      const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
      if (n <= 0) return {};
      reply.Append(buffer, static_cast<std::size_t>(n));
    }
    return reply.TakeReply();
  }

 private:
  int fd_ = -1;
};

}  // namespace tessellux::bench
