// The service on 127.0.0.1 (any free port) with a stand-in encoder, driven
// by real sockets.

#include "codegen/server_thread.h"

#include <gtest/gtest.h>

#include <sstream>
#include <thread>

#include "support/codegen_client.h"
#include "support/codegen_fake_builder.h"
#include "support/codegen_running_server.h"

namespace tessellux::codegen {
namespace {

using testing::Cmd;
using testing::Fetch;
using testing::Status;
using testing::RunningServer;
using testing::TestClient;

using std::chrono::milliseconds;

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

// A burst of queries from one sender gets a few answers; other senders are
// still answered.
TEST_F(ServerTest, DiscoveryAnswersEachSenderAtABoundedRate) {
  const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
  ASSERT_TRUE(testing::BindSource(fd, "127.0.0.2"));
  const sockaddr_in address = testing::Loopback(server.port());
  for (int i = 0; i < 50; ++i) {
    ::sendto(fd, "TESSELLUX?", 10, 0, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  int answers = 0;
  char buffer[256];
  while (answers < 50 && testing::WaitReadable(fd, 300)) answers += ::recv(fd, buffer, sizeof buffer, 0) > 0;
  ::close(fd);
  EXPECT_GE(answers, 1);
  EXPECT_LE(answers, 16) << "a burst of eight, then four a second";
  EXPECT_EQ(testing::AskDiscovery(server.port(), "TESSELLUX?", testing::kWaitMs, "127.0.0.3"), "TESSELLUX=ACME");
}

TEST_F(ServerTest, CommandsSplitAnywhereAreAnsweredInOrderAndRowsComeBottomFirst) {
  TestClient client(server.port());
  ASSERT_TRUE(client.connected());
  Bytes stream;
  for (const Bytes& command : {kLayout, Cmd(0x21, "text \xAA\xAB"), Cmd(0x42, "tag"), Cmd(0x41, "phrase"),
                               Cmd(0x54, "1234-5678-9012")}) {
    protocol::AppendFrame(command, stream);
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
  for (int i = 0; i < 3000; ++i) protocol::AppendFrame(Cmd(0x62), many);  // about 100 MB of replies, never read
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

TEST(Server, IdleLinkStaysOpenPastEveryTimeoutUnlessAnIdleTimeoutIsAsked) {
  testing::FakeBuilder fake;
  RunningServer server(fake, {.frame_timeout = milliseconds(100)});
  TestClient client(server.port());
  ASSERT_EQ(Status(client.Exchange(kLayout)), 0x00);
  EXPECT_TRUE(client.Quiet(700)) << "idle seven times the frame timeout, still open";
  EXPECT_EQ(BuildAndFetch(client).rows.size(), std::size_t{kRows});

  RunningServer closing(fake, {.idle_timeout = milliseconds(100)});
  TestClient idle(closing.port());
  ASSERT_EQ(Status(idle.Exchange(kLayout)), 0x00);
  EXPECT_TRUE(idle.ClosedByPeer());
}

// A frame left unfinished holds no slot, however its bytes come: one at a
// time, or one byte and then nothing.
TEST(Server, UnfinishedFrameDropsItsClientHoweverItTrickles) {
  testing::FakeBuilder fake;
  RunningServer server(fake, {.frame_timeout = milliseconds(300)});
  for (const int pause_ms : {100, 3000}) {
    SCOPED_TRACE(pause_ms);
    TestClient client(server.port());
    ASSERT_EQ(Status(client.Exchange(kLayout)), 0x00);
    bool closed = false;
    for (int i = 0; i < 6000 / pause_ms && !closed; ++i) {
      closed = !client.SendRaw({0x21}) || client.ClosedWithin(pause_ms);
    }
    EXPECT_TRUE(closed);
  }
  TestClient good(server.port());
  EXPECT_EQ(BuildAndFetch(good).rows.size(), std::size_t{kRows});
}

TEST(Server, ClientOverTheBudgetGetsBusyWhileAGoodClientBuildsAndItsMemoryReturnsWhenItLeaves) {
  testing::FakeBuilder fake;
  RunningServer server(fake, {.memory_budget = std::size_t{8} << 20, .data_cap = std::size_t{16} << 20,
                              .max_frame = std::size_t{17} << 20});
  const std::string big(std::size_t{3} << 19, 'x');  // 1.5 MiB
  {
    TestClient greedy(server.port());
    ASSERT_EQ(Status(greedy.Exchange(kLayout)), 0x00);
    EXPECT_EQ(greedy.Exchange(Cmd(0x21, std::string(std::size_t{7} << 20, 'x'))), (Bytes{0x21, 0x08}))
        << "a frame past the budget is skipped to its end and refused";
    ASSERT_EQ(Status(greedy.Exchange(kLayout)), 0x00);
    ASSERT_EQ(Status(greedy.Exchange(Cmd(0x21, big))), 0x00);
    ASSERT_EQ(Status(greedy.Exchange(Cmd(0x42, big))), 0x00);
    EXPECT_LT(server.budget()->used(), std::size_t{7} << 19) << "two fields held, no frame buffer kept";
    EXPECT_EQ(greedy.Exchange(Cmd(0x41, big)), (Bytes{0x41, 0x08}));
    ASSERT_EQ(Status(greedy.Exchange(kLayout)), 0x00);
    ASSERT_EQ(Status(greedy.Exchange(Cmd(0x21, big))), 0x00);
    ASSERT_EQ(Status(greedy.Exchange(Cmd(0x42, big))), 0x00);

    TestClient good(server.port());
    ASSERT_EQ(Status(good.Exchange(kLayout)), 0x00);
    ASSERT_EQ(Status(good.Exchange(Cmd(0x21, std::string(100000, 't')))), 0x00);
    EXPECT_EQ(BuildAndFetch(good).rows.size(), std::size_t{kRows});
  }
  for (int i = 0; i < 500 && server.budget()->used() > 0; ++i) std::this_thread::sleep_for(milliseconds(10));
  EXPECT_EQ(server.budget()->used(), 0u) << "all memory back once the clients left";
}

TEST(Server, CheapCommandsAreAnsweredWhileBuildsRunAndARepeatedBuildIsNotRebuilt) {
  testing::FakeBuilder fake;
  fake.CloseGate();
  RunningServer server(fake);
  TestClient builder(server.port());
  ASSERT_EQ(Status(builder.Exchange(kLayout)), 0x00);
  ASSERT_TRUE(builder.Send(Cmd(0x51)));
  TestClient other(server.port());
  EXPECT_EQ(other.Exchange(kLayout), (Bytes{0x11, 0x00}));
  EXPECT_EQ(other.Exchange(Cmd(0x21, "t")), (Bytes{0x21, 0x00}));
  EXPECT_EQ(*fake.builds, 0) << "answered while the build was still held";
  fake.OpenGate();
  EXPECT_EQ(Status(builder.Reply()), 0x00);
  EXPECT_EQ(Status(builder.Exchange(Cmd(0x51))), 0x00);
  EXPECT_EQ(*fake.builds, 1);
  EXPECT_EQ(Fetch(builder).rows.size(), std::size_t{kRows});
}

TEST(Server, FailedCommandsLogBoundedLines) {
  std::ostringstream out;
  {
    testing::FakeBuilder fake;
    RunningServer server(fake, {.log = std::make_shared<ServiceLog>(out)});
    TestClient client(server.port());
    ASSERT_TRUE(client.SendRaw(Bytes(3000, 0xAA)));  // 3,000 empty messages
    for (int i = 0; i < 3000; ++i) ASSERT_EQ(client.Reply(), (Bytes{0x00, 0x01})) << i;
  }
  const std::string log = out.str();
  EXPECT_LE(std::count(log.begin(), log.end(), '\n'), 10) << log;
  EXPECT_NE(log.find("further lines from this client not shown"), std::string::npos) << log;
}

TEST(Server, KeepaliveIsOnForClients) {
  asio::io_context io;
  asio::ip::tcp::acceptor acceptor(io, {asio::ip::make_address("127.0.0.1"), 0});
  asio::ip::tcp::socket socket(io);
  socket.connect(acceptor.local_endpoint());
  EnableKeepalive(socket);
  asio::socket_base::keep_alive option;
  socket.get_option(option);
  EXPECT_TRUE(option.value());
}

}  // namespace
}  // namespace tessellux::codegen
