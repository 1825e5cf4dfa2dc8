#pragma once

// A blocking test client for the Code Generator service on 127.0.0.1. Every
// wait has a timeout, so a misbehaving service fails a test instead of
// hanging it.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "protocol/framing.h"

namespace tessellux::codegen::testing {

inline constexpr int kWaitMs = 5000;

inline Bytes Cmd(std::uint8_t code, std::string_view params = {}) {
  Bytes command(1 + params.size(), code);
  std::copy(params.begin(), params.end(), command.begin() + 1);
  return command;
}

inline std::uint8_t Status(const std::optional<Bytes>& reply) {
  return reply && reply->size() >= 2 ? (*reply)[1] : 0xFF;
}

inline sockaddr_in Loopback(std::uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

// Binds a socket to a loopback source address ("127.0.0.2", ...: all of
// 127.0.0.0/8 is this host), so that one test plays many hosts. Null: any.
inline bool BindSource(int fd, const char* source) {
  if (!source) return true;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  return ::inet_pton(AF_INET, source, &address.sin_addr) == 1 &&
         ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

// The source address of the n-th simulated host: 127.0.0.2, 127.0.0.3, ...
inline std::string HostAddress(int n) {
  return "127.0." + std::to_string((n + 2) / 256) + "." + std::to_string((n + 2) % 256);
}

inline bool WaitReadable(int fd, int timeout_ms) {
  pollfd entry{fd, POLLIN, 0};
  return ::poll(&entry, 1, timeout_ms) == 1;
}

// Sends every byte, however the socket splits them; false once it fails.
inline bool SendAll(int fd, const Bytes& bytes) {
  for (std::size_t sent = 0; sent < bytes.size();) {
    const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return false;
    sent += static_cast<std::size_t>(n);
  }
  return true;
}

class TestClient {
 public:
  // `source`: the loopback address to connect from (see BindSource).
  explicit TestClient(std::uint16_t port, const std::string& source = {}) : fd_(::socket(AF_INET, SOCK_STREAM, 0)) {
    const sockaddr_in address = Loopback(port);
    connected_ = fd_ >= 0 && BindSource(fd_, source.empty() ? nullptr : source.c_str()) &&
                 ::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    const int one = 1;
    ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  }
  ~TestClient() { Close(); }
  TestClient(const TestClient&) = delete;
  TestClient& operator=(const TestClient&) = delete;

  bool connected() const { return connected_; }
  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

  bool SendRaw(const Bytes& bytes) { return SendAll(fd_, bytes); }
  bool Send(const Bytes& message) { return SendRaw(protocol::FrameMessage(message)); }

  // The next reply, unframed; nullopt on timeout or when the peer closed.
  std::optional<Bytes> Reply(int timeout_ms = kWaitMs) {
    while (true) {
      if (auto reply = replies_.Next()) return reply;
      if (!WaitReadable(fd_, timeout_ms)) return std::nullopt;
      std::uint8_t buffer[65536];
      const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
      if (n <= 0) return std::nullopt;
      replies_.Feed(buffer, static_cast<std::size_t>(n));
    }
  }

  std::optional<Bytes> Exchange(const Bytes& message, int timeout_ms = kWaitMs) {
    return Send(message) ? Reply(timeout_ms) : std::nullopt;
  }

  // True when nothing beyond the replies read so far arrives within timeout_ms.
  bool Quiet(int timeout_ms) { return replies_.Pending() == 0 && !WaitReadable(fd_, timeout_ms); }

  // True when the service closes the connection within timeout_ms (bytes
  // still in flight are skipped).
  bool ClosedWithin(int timeout_ms) {
    std::uint8_t buffer[65536];
    for (int i = 0; i < 1000; ++i) {
      if (!WaitReadable(fd_, timeout_ms)) return false;
      if (::recv(fd_, buffer, sizeof buffer, 0) <= 0) return true;
    }
    return false;
  }
  bool ClosedByPeer() { return ClosedWithin(kWaitMs); }

 private:
  int fd_;
  bool connected_ = false;
  protocol::FrameSplitter replies_{std::size_t{64} << 20};
};

// A fetched picture: the header from 0x61, then the rows of each 0x62 in
// arrival order, up to the end reply "bb".
struct Fetched {
  Bytes header;
  std::vector<Bytes> rows;
  bool ended = false;

  Bytes Joined(bool mirror = false) const {
    Bytes file = header;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      const Bytes& row = rows[mirror ? rows.size() - 1 - i : i];
      file.insert(file.end(), row.begin(), row.end());
    }
    return file;
  }
};

inline Fetched Fetch(TestClient& client) {
  Fetched fetched;
  const auto header = client.Exchange(Cmd(0x61));
  if (Status(header) != 0x00) return fetched;
  fetched.header.assign(header->begin() + 2, header->end());
  for (int i = 0; i < 100000; ++i) {
    const auto reply = client.Exchange(Cmd(0x62));
    fetched.ended = reply == Bytes{0x62, 0x62};
    if (fetched.ended || Status(reply) != 0x00) break;
    fetched.rows.emplace_back(reply->begin() + 2, reply->end());
  }
  return fetched;
}

// Sends one datagram to 127.0.0.1:port (from `source`, see BindSource) and
// returns the answer, if one arrives within timeout_ms.
inline std::optional<std::string> AskDiscovery(std::uint16_t port, const std::string& query, int timeout_ms,
                                               const char* source = nullptr) {
  const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
  const sockaddr_in address = Loopback(port);
  std::optional<std::string> answer;
  if (BindSource(fd, source) && ::sendto(fd, query.data(), query.size(), 0, reinterpret_cast<const sockaddr*>(&address), sizeof address) ==
          static_cast<ssize_t>(query.size()) &&
      WaitReadable(fd, timeout_ms)) {
    char buffer[1024];
    const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n >= 0) answer = std::string(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return answer;
}

}  // namespace tessellux::codegen::testing
