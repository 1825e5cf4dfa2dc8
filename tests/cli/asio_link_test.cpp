// The command line's blocking link against a scripted peer on 127.0.0.1:
// the same framing, timeout and receive cap as the window's link.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <functional>
#include <thread>

#include "cli/asio_link.h"
#include "protocol/framing.h"

namespace tessellux::cli {
namespace {

using Kind = link::ExchangeOutcome::Kind;

// Accepts one connection, reads one command frame and answers with
// `answer(socket)`; then waits until the client goes.
class ScriptedPeer {
 public:
  explicit ScriptedPeer(std::function<void(int)> answer) {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ::bind(listener_, reinterpret_cast<sockaddr*>(&address), size);
    ::listen(listener_, 1);
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this, answer] {
      const int client = ::accept(listener_, nullptr, nullptr);
      char byte = 0;
      while (::recv(client, &byte, 1, 0) == 1 && static_cast<std::uint8_t>(byte) != protocol::kEndByte) {
      }
      answer(client);
      while (::recv(client, &byte, 1, 0) > 0) {
      }
      ::close(client);
    });
  }
  ~ScriptedPeer() {
    thread_.join();
    ::close(listener_);
  }
  int port() const { return port_; }

  static void Send(int socket, const Bytes& bytes) { ::send(socket, bytes.data(), bytes.size(), MSG_NOSIGNAL); }

 private:
  int listener_ = -1;
  int port_ = 0;
  std::thread thread_;
};

link::ExchangeOutcome ExchangeWith(ScriptedPeer& peer, std::unique_ptr<AsioLink>* kept = nullptr) {
  std::string error;
  auto client = AsioLink::Connect("127.0.0.1", peer.port(), std::chrono::milliseconds(3000), &error);
  EXPECT_TRUE(client) << error;
  if (!client) return {};
  auto outcome = client->Exchange({0x11, 0xAA});
  if (kept) *kept = std::move(client);
  return outcome;
}

TEST(AsioLink, ReplySplitAtEveryByteIsUnframed) {
  ScriptedPeer peer([](int socket) {
    for (std::uint8_t byte : protocol::FrameMessage({0x11, 0x00, 0xAA, 0xAB})) {
      ScriptedPeer::Send(socket, {byte});
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  const auto outcome = ExchangeWith(peer);
  EXPECT_EQ(outcome.kind, Kind::kReply);
  EXPECT_EQ(outcome.reply, (Bytes{0x11, 0x00, 0xAA, 0xAB}));
}

TEST(AsioLink, FaultsCloseTheLink) {
  const struct {
    const char* what;
    std::function<void(int)> answer;
    Kind kind;
  } cases[] = {
      {"two frames in one write",
       [](int s) {
         Bytes two = protocol::FrameMessage({0x11, 0x00});
         const Bytes second = protocol::FrameMessage({0x62, 0x00, 'B'});
         two.insert(two.end(), second.begin(), second.end());
         ScriptedPeer::Send(s, two);
       },
       Kind::kProtocolError},
      {"no reply", [](int) {}, Kind::kTimeout},
      {"17 MiB without an end byte", [](int s) { ScriptedPeer::Send(s, Bytes(17u << 20, 0x01)); }, Kind::kProtocolError},
      {"peer closes", [](int s) { ::shutdown(s, SHUT_RDWR); }, Kind::kLinkLost},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ScriptedPeer peer(c.answer);
    std::unique_ptr<AsioLink> client;
    EXPECT_EQ(ExchangeWith(peer, &client).kind, c.kind);
    ASSERT_TRUE(client);
    EXPECT_FALSE(client->Connected());
    EXPECT_EQ(client->Exchange({0x11}).kind, Kind::kLinkLost) << "a closed link sends nothing more";
  }
}

}  // namespace
}  // namespace tessellux::cli
