// The service on 127.0.0.1 (any free port) with a stand-in encoder, driven
// by real sockets.

#include "codegen/server_thread.h"

#include <gtest/gtest.h>

#include "support/codegen_client.h"
#include "support/codegen_fake_builder.h"

namespace tessellux::codegen {
namespace {

using testing::Cmd;
using testing::Fetch;
using testing::Status;
using testing::TestClient;

// The server running on its own thread for one test.
class RunningServer : public ServerThread {
 public:
  explicit RunningServer(const testing::FakeBuilder& fake, std::size_t max_clients = 64,
                         std::chrono::milliseconds idle_timeout = std::chrono::minutes(1))
      : ServerThread(ServerConfig{.bind = "127.0.0.1", .port = 0, .max_clients = max_clients,
                                  .connection = Config(fake, idle_timeout)}) {}

 private:
  static ConnectionConfig Config(const testing::FakeBuilder& fake, std::chrono::milliseconds idle_timeout) {
    ConnectionConfig config;
    config.company = "ACME";
    config.builder = fake.builder();
    config.session.data_cap = 1 << 20;
    config.max_frame = 64 * 1024;
    config.idle_timeout = idle_timeout;
    return config;
  }
};

const Bytes kLayout{0x11, 2, 4, 8, 3, 1, 2};  // 2 x 4 blocks, k 4, grid 3, lines, thickness 2
constexpr int kRows = 3 * (8 * 2 + 2) + 2;     // g(8r + 2) + e

// Runs a layout and a public build, then fetches the picture.
testing::Fetched BuildAndFetch(TestClient& client) {
  EXPECT_EQ(Status(client.Exchange(kLayout)), 0x00);
  EXPECT_EQ(Status(client.Exchange(Cmd(0x51))), 0x00);
  return Fetch(client);
}

class ServerTest : public ::testing::Test {
 protected:
  testing::FakeBuilder fake;
  RunningServer server{fake};
};

TEST_F(ServerTest, DiscoveryAnswersOnlyTheExactQuery) {
  EXPECT_EQ(testing::AskDiscovery(server.port(), "TESSELLUX?", testing::kWaitMs), "TESSELLUX=ACME");
  for (const std::string& query : {std::string("TESSELLUX?\n"), std::string("tessellux?"), std::string(2000, 'T')})
    EXPECT_FALSE(testing::AskDiscovery(server.port(), query, 200)) << query.size();
  EXPECT_EQ(testing::AskDiscovery(server.port(), "TESSELLUX?", testing::kWaitMs), "TESSELLUX=ACME");
}

TEST_F(ServerTest, CommandsSplitAnywhereAreAnsweredInOrderAndRowsComeBottomFirst) {
  TestClient client(server.port());
  ASSERT_TRUE(client.connected());
  Bytes stream;
  for (const Bytes& command : {kLayout, Cmd(0x21, "text \xAA\xAB"), Cmd(0x42, "tag"), Cmd(0x41, "phrase"),
                               Cmd(0x54, "1234-5678-9012")}) {
    link::AppendFrame(command, stream);
  }
  for (std::uint8_t byte : stream) ASSERT_TRUE(client.SendRaw({byte}));  // escapes split too
  EXPECT_EQ(client.Reply(), (Bytes{0x11, 0x00}));
  EXPECT_EQ(client.Reply(), (Bytes{0x21, 0x00}));
  EXPECT_EQ(client.Reply(), (Bytes{0x42, 0x00}));
  EXPECT_EQ(client.Reply(), (Bytes{0x41, 0x00}));
  EXPECT_EQ(client.Reply(), (Bytes{0x54, 0x00, 2, 4, 4}));
  EXPECT_EQ(fake.last->value().content.text, "text \xAA\xAB");
  EXPECT_EQ(fake.last->value().security.mode, symbol::SecurityMode::Unique);

  const testing::Fetched fetched = Fetch(client);
  EXPECT_TRUE(fetched.ended);
  EXPECT_EQ(fetched.header, (Bytes{'B', 'M', 0xAA, 0xAB, 0x00}));
  ASSERT_EQ(fetched.rows.size(), std::size_t{kRows});
  for (int i = 0; i < kRows; ++i) ASSERT_EQ(fetched.rows[i][0] << 8 | fetched.rows[i][1], kRows - 1 - i);
  EXPECT_TRUE(client.Quiet(50)) << "nothing may follow the end reply";
}

TEST_F(ServerTest, UploadInPiecesOfZeroToAThousandBytes) {
  TestClient client(server.port());
  for (std::size_t size : {0u, 1u, 1000u, 1001u, 3333u}) {
    SCOPED_TRACE(size);
    std::string data(size, '\0');
    for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<char>(0xA9 + i % 5);  // many 0xAA, 0xAB
    ASSERT_EQ(Status(client.Exchange(kLayout)), 0x00);
    std::uint8_t code = 0x31;
    for (std::size_t sent = 0; sent == 0 || sent < size; sent += 1000, code = 0x32) {
      ASSERT_EQ(client.Exchange(Cmd(code, std::string_view(data).substr(sent, 1000))), (Bytes{code, 0x00}));
    }
    ASSERT_EQ(Status(client.Exchange(Cmd(0x51))), 0x00);
    EXPECT_EQ(fake.last->value().content.file, ToBytes(data));
  }
}

TEST_F(ServerTest, ErrorsGetTheirStatusAndTheConnectionGoesOn) {
  TestClient client(server.port());
  EXPECT_EQ(client.Exchange(Cmd(0x61)), (Bytes{0x61, 0x03}));
  EXPECT_EQ(client.Exchange(Cmd(0x7F)), (Bytes{0x7F, 0x01}));
  EXPECT_EQ(client.Exchange(Bytes{0x11, 1, 2}), (Bytes{0x11, 0x02}));
  EXPECT_EQ(client.Exchange(Bytes{}), (Bytes{0x00, 0x01}));
  *fake.error = symbol::BuildError::BitmapTooLarge;
  ASSERT_EQ(Status(client.Exchange(kLayout)), 0x00);
  EXPECT_EQ(client.Exchange(Cmd(0x51)), (Bytes{0x51, 0x05}));
  fake.error->reset();
  EXPECT_EQ(BuildAndFetch(client).rows.size(), std::size_t{kRows});
}

TEST_F(ServerTest, TwoClientsKeepTheirOwnBuilds) {
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

TEST_F(ServerTest, ClientThatLeavesMidBuildOrStopsReadingHarmsNoOne) {
  {
    TestClient leaver(server.port());
    ASSERT_EQ(Status(leaver.Exchange(kLayout)), 0x00);
    ASSERT_EQ(Status(leaver.Exchange(Cmd(0x51))), 0x00);
    ASSERT_EQ(Status(leaver.Exchange(Cmd(0x61))), 0x00);
    ASSERT_TRUE(leaver.Send(Cmd(0x62)));  // leaves with a reply on its way
  }
  TestClient stalled(server.port());
  ASSERT_EQ(Status(stalled.Exchange(Bytes{0x11, 254, 254, 0, 128, 1, 8})), 0x00);  // rows of 32 KiB
  ASSERT_EQ(Status(stalled.Exchange(Cmd(0x51))), 0x00);
  ASSERT_EQ(Status(stalled.Exchange(Cmd(0x61))), 0x00);
  Bytes many;
  for (int i = 0; i < 3000; ++i) link::AppendFrame(Cmd(0x62), many);  // about 100 MB of replies, never read
  ASSERT_TRUE(stalled.SendRaw(many));

  TestClient client(server.port());
  EXPECT_EQ(BuildAndFetch(client).rows.size(), std::size_t{kRows});
}

TEST_F(ServerTest, GarbageGetsRepliesAndAnOverlongFrameDropsOnlyItsConnection) {
  TestClient client(server.port());
  Bytes garbage;
  for (int i = 0; i < 4000; ++i) garbage.push_back(static_cast<std::uint8_t>((i * 97 + 13) % 256));
  garbage.push_back(0xAA);
  ASSERT_TRUE(client.SendRaw(garbage));
  int replies = 0;
  while (replies < 100 && client.Reply(500)) ++replies;  // one reply per frame in the garbage
  EXPECT_GT(replies, 0);
  ASSERT_EQ(Status(client.Exchange(kLayout)), 0x00);

  TestClient flooder(server.port());
  ASSERT_TRUE(flooder.SendRaw(Bytes(70 * 1024, 0x21)));  // over the 64 KiB frame limit, no end byte
  EXPECT_TRUE(flooder.ClosedByPeer());
  EXPECT_EQ(Status(client.Exchange(Cmd(0x51))), 0x00);
}

TEST(Server, ClientsBeyondTheLimitAreTurnedAway) {
  testing::FakeBuilder fake;
  RunningServer server(fake, 2);
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

TEST(Server, IdleConnectionsAreClosed) {
  testing::FakeBuilder fake;
  RunningServer server(fake, 64, std::chrono::milliseconds(100));
  TestClient client(server.port());
  ASSERT_EQ(Status(client.Exchange(kLayout)), 0x00);
  EXPECT_TRUE(client.ClosedByPeer());
}

}  // namespace
}  // namespace tessellux::codegen
