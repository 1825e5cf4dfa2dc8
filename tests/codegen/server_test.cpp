// The service on 127.0.0.1 (any free port) with a stand-in encoder, driven
// by real sockets.

#include "codegen/server.h"

#include <gtest/gtest.h>

#include <thread>

#include "support/codegen_client.h"
#include "support/codegen_fake_builder.h"

namespace tessellux::codegen {
namespace {

using testing::FakeBuilder;
using testing::FakePicture;
using testing::TestClient;

ConnectionConfig QuietConfig(const FakeBuilder& fake) {
  ConnectionConfig config;
  config.company = "ACME";
  config.builder = fake.builder();
  config.session.data_cap = 1 << 20;
  config.max_frame = 64 * 1024;
  return config;
}

// The server running on its own thread for one test.
class RunningServer {
 public:
  explicit RunningServer(ConnectionConfig config, std::size_t max_clients = 64)
      : server_(io_, ServerConfig{.bind = "127.0.0.1", .port = 0, .max_clients = max_clients,
                                  .connection = std::move(config)}),
        thread_([this] { io_.run(); }) {}
  ~RunningServer() {
    asio::post(io_, [this] {
      server_.Stop();
      io_.stop();
    });
    thread_.join();
  }
  std::uint16_t port() const { return server_.port(); }

 private:
  asio::io_context io_;
  Server server_;
  std::thread thread_;
};

const Bytes kLayout{0x11, 2, 4, 8, 3, 1, 2};  // 2 x 4 blocks, k 4, grid 3, lines, thickness 2

Bytes Cmd(std::uint8_t code, const Bytes& params = {}) {
  Bytes command(1 + params.size(), code);
  std::copy(params.begin(), params.end(), command.begin() + 1);
  return command;
}

std::uint8_t Status(const std::optional<Bytes>& reply) { return reply && reply->size() >= 2 ? (*reply)[1] : 0xFF; }

// Fetches the picture: header, then rows until "bb". Returns header + rows in
// arrival order and the number of rows.
std::pair<Bytes, int> FetchPicture(TestClient& client) {
  auto header = client.Exchange(Cmd(0x61));
  EXPECT_EQ(Status(header), 0x00);
  if (!header) return {};
  Bytes file(header->begin() + 2, header->end());
  for (int rows = 0; rows < 100000; ++rows) {
    auto reply = client.Exchange(Cmd(0x62));
    if (!reply) {
      ADD_FAILURE() << "no reply to 0x62";
      return {file, rows};
    }
    if (*reply == Bytes{0x62, 0x62}) return {file, rows};
    EXPECT_EQ(Status(reply), 0x00);
    file.insert(file.end(), reply->begin() + 2, reply->end());
  }
  ADD_FAILURE() << "picture never ended";
  return {};
}

class ServerTest : public ::testing::Test {
 protected:
  FakeBuilder fake;
};

TEST_F(ServerTest, DiscoveryAnswersOnlyTheExactQuery) {
  RunningServer server(QuietConfig(fake));
  EXPECT_EQ(testing::AskDiscovery(server.port(), "TESSELLUX?", testing::kWaitMs), "TESSELLUX=ACME");
  EXPECT_FALSE(testing::AskDiscovery(server.port(), "TESSELLUX?\n", 200));
  EXPECT_FALSE(testing::AskDiscovery(server.port(), "tessellux?", 200));
  EXPECT_FALSE(testing::AskDiscovery(server.port(), std::string(2000, 'T'), 200));
  EXPECT_EQ(testing::AskDiscovery(server.port(), "TESSELLUX?", testing::kWaitMs), "TESSELLUX=ACME");
}

TEST_F(ServerTest, FullSeriesDeliversHeaderAndEveryRowBottomFirst) {
  RunningServer server(QuietConfig(fake));
  TestClient client(server.port());
  ASSERT_TRUE(client.connected());
  EXPECT_EQ(client.Exchange(kLayout), (Bytes{0x11, 0x00}));
  EXPECT_EQ(client.Exchange(Cmd(0x21, ToBytes("text \xAA\xAB"))), (Bytes{0x21, 0x00}));
  EXPECT_EQ(client.Exchange(Cmd(0x42, ToBytes("tag"))), (Bytes{0x42, 0x00}));
  EXPECT_EQ(client.Exchange(Cmd(0x41, ToBytes("phrase"))), (Bytes{0x41, 0x00}));
  EXPECT_EQ(client.Exchange(Cmd(0x54, ToBytes("1234-5678-9012"))), (Bytes{0x54, 0x00, 2, 4, 4}));
  const auto request = fake.last->value();
  EXPECT_EQ(request.content.text, "text \xAA\xAB");
  EXPECT_EQ(request.security.mode, symbol::SecurityMode::Unique);

  const auto [file, rows] = FetchPicture(client);
  const FakePicture picture(request.layout);
  ASSERT_EQ(rows, 3 * (8 * 2 + 2) + 2);  // g * (8r + 2) + e
  EXPECT_EQ(picture.width(), 3 * (8 * 4 + 2) + 2);
  ASSERT_EQ(file.size(), 5 + rows * picture.row_bytes());
  for (int i = 0; i < rows; ++i) {
    const std::size_t at = 5 + i * picture.row_bytes();
    ASSERT_EQ(file[at] << 8 | file[at + 1], rows - 1 - i);
  }
  EXPECT_TRUE(client.Quiet(50)) << "nothing may follow the end reply";
}

TEST_F(ServerTest, UploadInPiecesOfZeroToAThousandBytes) {
  RunningServer server(QuietConfig(fake));
  TestClient client(server.port());
  for (std::size_t size : {0u, 1u, 1000u, 1001u, 3333u}) {
    Bytes data(size);
    for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<std::uint8_t>(0xA9 + i % 5);  // many 0xAA, 0xAB
    ASSERT_EQ(Status(client.Exchange(kLayout)), 0x00);
    std::size_t sent = 0;
    std::uint8_t code = 0x31;
    do {
      const std::size_t piece = std::min<std::size_t>(1000, size - sent);
      const auto from = data.begin() + static_cast<long>(sent);
      ASSERT_EQ(client.Exchange(Cmd(code, Bytes(from, from + static_cast<long>(piece)))), (Bytes{code, 0x00}));
      sent += piece;
      code = 0x32;
    } while (sent < size);
    ASSERT_EQ(Status(client.Exchange(Cmd(0x51))), 0x00);
    EXPECT_EQ(fake.last->value().content.file, data) << size;
  }
}

TEST_F(ServerTest, ErrorsGetTheirStatusAndTheConnectionGoesOn) {
  RunningServer server(QuietConfig(fake));
  TestClient client(server.port());
  EXPECT_EQ(client.Exchange(Cmd(0x61)), (Bytes{0x61, 0x03}));
  EXPECT_EQ(client.Exchange(Cmd(0x62)), (Bytes{0x62, 0x03}));
  EXPECT_EQ(client.Exchange(Cmd(0x7F)), (Bytes{0x7F, 0x01}));
  EXPECT_EQ(client.Exchange(Bytes{0x11, 1, 2}), (Bytes{0x11, 0x02}));
  EXPECT_EQ(client.Exchange(Bytes{}), (Bytes{0x00, 0x01}));
  ASSERT_EQ(Status(client.Exchange(kLayout)), 0x00);
  EXPECT_EQ(client.Exchange(Cmd(0x32, {1})), (Bytes{0x32, 0x03}));
  *fake.error = symbol::BuildError::BitmapTooLarge;
  ASSERT_EQ(Status(client.Exchange(kLayout)), 0x00);
  EXPECT_EQ(client.Exchange(Cmd(0x51)), (Bytes{0x51, 0x05}));
  fake.error->reset();
  ASSERT_EQ(Status(client.Exchange(kLayout)), 0x00);
  ASSERT_EQ(Status(client.Exchange(Cmd(0x51))), 0x00);
  EXPECT_GT(FetchPicture(client).second, 0);
}

TEST_F(ServerTest, PipelinedAndFragmentedCommandsAreAnsweredInOrder) {
  RunningServer server(QuietConfig(fake));
  TestClient client(server.port());
  Bytes stream;
  for (const Bytes& command : {kLayout, Cmd(0x21, {0xAA, 0xAB, 0x55}), Cmd(0x51), Cmd(0x61)}) {
    link::AppendFrame(command, stream);
  }
  for (std::uint8_t byte : stream) ASSERT_TRUE(client.SendRaw({byte}));  // escapes split too
  EXPECT_EQ(client.Reply(), (Bytes{0x11, 0x00}));
  EXPECT_EQ(client.Reply(), (Bytes{0x21, 0x00}));
  EXPECT_EQ(client.Reply(), (Bytes{0x51, 0x00, 2, 4, 4}));
  EXPECT_EQ(Status(client.Reply()), 0x00);
  EXPECT_TRUE(client.Quiet(50));
  EXPECT_EQ(fake.last->value().content.text, "\xAA\xAB\x55");
}

TEST_F(ServerTest, TwoClientsKeepTheirOwnBuilds) {
  RunningServer server(QuietConfig(fake));
  TestClient a(server.port());
  TestClient b(server.port());
  ASSERT_EQ(Status(a.Exchange(Bytes{0x11, 1, 1, 4, 3, 2, 1})), 0x00);
  ASSERT_EQ(Status(b.Exchange(Bytes{0x11, 4, 2, 6, 3, 1, 1})), 0x00);
  EXPECT_EQ(b.Exchange(Cmd(0x61)), (Bytes{0x61, 0x03}));  // b's error leaves a alone
  ASSERT_EQ(Status(b.Exchange(Bytes{0x11, 4, 2, 6, 3, 1, 1})), 0x00);
  EXPECT_EQ(a.Exchange(Cmd(0x51)), (Bytes{0x51, 0x00, 1, 1, 2}));
  EXPECT_EQ(b.Exchange(Cmd(0x51)), (Bytes{0x51, 0x00, 4, 2, 3}));
  // Interleaved transfers.
  ASSERT_EQ(Status(a.Exchange(Cmd(0x61))), 0x00);
  ASSERT_EQ(Status(b.Exchange(Cmd(0x61))), 0x00);
  const auto a_row = a.Exchange(Cmd(0x62));
  const auto b_row = b.Exchange(Cmd(0x62));
  ASSERT_TRUE(a_row && b_row);
  EXPECT_EQ((*a_row)[2] << 8 | (*a_row)[3], 3 * 10 - 1);  // a: 1 block row, dots
  EXPECT_EQ((*b_row)[2] << 8 | (*b_row)[3], 3 * 34 + 1 - 1);
}

TEST_F(ServerTest, ClientThatLeavesMidBuildHarmsNoOne) {
  RunningServer server(QuietConfig(fake));
  {
    TestClient leaver(server.port());
    ASSERT_EQ(Status(leaver.Exchange(kLayout)), 0x00);
    ASSERT_EQ(Status(leaver.Exchange(Cmd(0x51))), 0x00);
    ASSERT_EQ(Status(leaver.Exchange(Cmd(0x61))), 0x00);
    ASSERT_TRUE(leaver.Send(Cmd(0x62)));  // leaves with a reply on its way
  }
  TestClient client(server.port());
  ASSERT_EQ(Status(client.Exchange(kLayout)), 0x00);
  ASSERT_EQ(Status(client.Exchange(Cmd(0x51))), 0x00);
  EXPECT_EQ(FetchPicture(client).second, 3 * 18 + 2);
}

TEST_F(ServerTest, OverlongFrameDropsOnlyThatConnection) {
  RunningServer server(QuietConfig(fake));
  TestClient other(server.port());
  ASSERT_EQ(Status(other.Exchange(kLayout)), 0x00);
  TestClient flooder(server.port());
  ASSERT_TRUE(flooder.SendRaw(Bytes(70 * 1024, 0x21)));  // over the 64 KiB frame limit, no end byte
  EXPECT_TRUE(flooder.ClosedByPeer());
  EXPECT_EQ(Status(other.Exchange(Cmd(0x51))), 0x00);
}

TEST_F(ServerTest, GarbageGetsRepliesNotACrash) {
  RunningServer server(QuietConfig(fake));
  TestClient client(server.port());
  Bytes garbage;
  for (int i = 0; i < 4000; ++i) garbage.push_back(static_cast<std::uint8_t>((i * 97 + 13) % 256));
  garbage.push_back(0xAA);
  ASSERT_TRUE(client.SendRaw(garbage));
  int replies = 0;
  for (int i = 0; i < 100; ++i) {  // one reply per frame in the garbage
    if (!client.Reply(500)) break;
    ++replies;
  }
  EXPECT_GT(replies, 0);
  EXPECT_EQ(Status(client.Exchange(kLayout)), 0x00);
  EXPECT_EQ(Status(client.Exchange(Cmd(0x51))), 0x00);
}

TEST_F(ServerTest, ClientThatStopsReadingHoldsUpNoOne) {
  RunningServer server(QuietConfig(fake));
  TestClient stalled(server.port());
  ASSERT_EQ(Status(stalled.Exchange(Bytes{0x11, 254, 254, 0, 128, 1, 8})), 0x00);  // rows of 32 KiB
  ASSERT_EQ(Status(stalled.Exchange(Cmd(0x51))), 0x00);
  ASSERT_EQ(Status(stalled.Exchange(Cmd(0x61))), 0x00);
  Bytes many;
  for (int i = 0; i < 3000; ++i) link::AppendFrame(Cmd(0x62), many);  // about 100 MB of replies, never read
  ASSERT_TRUE(stalled.SendRaw(many));

  TestClient client(server.port());
  ASSERT_EQ(Status(client.Exchange(kLayout)), 0x00);
  ASSERT_EQ(Status(client.Exchange(Cmd(0x51))), 0x00);
  EXPECT_EQ(FetchPicture(client).second, 3 * 18 + 2);
}

TEST_F(ServerTest, ClientsBeyondTheLimitAreTurnedAway) {
  RunningServer server(QuietConfig(fake), 2);
  TestClient a(server.port());
  TestClient b(server.port());
  ASSERT_EQ(Status(a.Exchange(kLayout)), 0x00);
  ASSERT_EQ(Status(b.Exchange(kLayout)), 0x00);
  TestClient refused(server.port());
  EXPECT_TRUE(refused.ClosedByPeer());
  a.Close();
  for (int attempt = 0; attempt < 100; ++attempt) {  // until the service has seen a leave
    TestClient late(server.port());
    if (late.Exchange(kLayout) == Bytes{0x11, 0x00}) return;
  }
  ADD_FAILURE() << "a freed place was never taken";
}

TEST_F(ServerTest, IdleConnectionsAreClosed) {
  ConnectionConfig config = QuietConfig(fake);
  config.idle_timeout = std::chrono::milliseconds(100);
  RunningServer server(std::move(config));
  TestClient client(server.port());
  ASSERT_EQ(Status(client.Exchange(kLayout)), 0x00);
  EXPECT_TRUE(client.ClosedByPeer());
}

}  // namespace
}  // namespace tessellux::codegen
