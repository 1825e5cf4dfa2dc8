// Who gets a place at the service: the rule on its own, then the service on
// loopback with clients from many source addresses (127.0.0.2, ...).

#include "codegen/admission.h"

#include <gtest/gtest.h>

#include <sstream>
#include <thread>

#include "codegen/address_rate.h"
#include "support/codegen_client.h"
#include "support/codegen_fake_builder.h"
#include "support/codegen_running_server.h"

namespace tessellux::codegen {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;
using testing::Cmd;
using testing::Fetch;
using testing::HostAddress;
using testing::RunningServer;
using testing::Status;
using testing::TestClient;
using Verdict = Admission::Verdict;

const auto kNow = std::chrono::steady_clock::time_point() + std::chrono::hours(1);

Seat Resting(const std::string& address, seconds idle) { return {address, true, kNow - idle}; }
Seat Working(const std::string& address, seconds idle) { return {address, false, kNow - idle}; }

TEST(Admit, OneAddressCannotFillTheTable) {
  const AdmissionLimits limits{.max_clients = 10, .max_per_address = 2};
  const std::vector<Seat> seats{Resting("a", seconds(1)), Resting("a", seconds(1))};
  EXPECT_EQ(Admit(seats, "a", limits, kNow).verdict, Verdict::RefuseAddressFull);
  EXPECT_EQ(Admit(seats, "b", limits, kNow).verdict, Verdict::Admit);
}

TEST(Admit, AFullTableGivesUpOnlyALongRestingSeatOfAnAddressThatCanSpareIt) {
  const AdmissionLimits limits{.max_clients = 6, .max_per_address = 8, .evict_idle_after = seconds(60)};
  std::vector<Seat> seats{Working("a", seconds(3600)), Resting("a", seconds(59)), Resting("a", seconds(600)),
                          Resting("b", seconds(900)),  Resting("a", seconds(61)), Resting("c", seconds(30))};
  const Admission admission = Admit(seats, "d", limits, kNow);
  ASSERT_EQ(admission.verdict, Verdict::AdmitInPlaceOf);
  EXPECT_EQ(admission.displaced, 2u) << "not the working seat, nor the lone one of b idle longer";

  // Mid-series, or idle under the threshold: never displaced, however long.
  seats = {Working("a", seconds(3600)), Working("a", seconds(3600)), Resting("a", seconds(59)),
           Resting("a", seconds(59)),   Working("a", seconds(3600)), Resting("b", seconds(7200))};
  EXPECT_EQ(Admit(seats, "d", limits, kNow).verdict, Verdict::RefuseTableFull);
  // A newcomer takes no place from an address that holds no more than two beyond its own.
  seats = {Resting("a", seconds(600)), Resting("a", seconds(600)), Resting("b", seconds(600)),
           Resting("b", seconds(600)), Resting("c", seconds(600)), Resting("d", seconds(600))};
  EXPECT_EQ(Admit(seats, "c", limits, kNow).verdict, Verdict::RefuseTableFull);
  EXPECT_EQ(Admit(seats, "e", limits, kNow).verdict, Verdict::AdmitInPlaceOf);
}

TEST(AddressRate, EachAddressHasItsOwnAllowanceThatRefills) {
  AddressRate rate(4, 8, 3);
  int allowed = 0;
  for (int i = 0; i < 50; ++i) allowed += rate.Allow("a", kNow);
  EXPECT_EQ(allowed, 8) << "the burst, then nothing";
  EXPECT_TRUE(rate.Allow("b", kNow));
  EXPECT_FALSE(rate.Allow("a", kNow + milliseconds(200)));
  EXPECT_TRUE(rate.Allow("a", kNow + milliseconds(260)));
  EXPECT_TRUE(rate.Allow("c", kNow));
  EXPECT_FALSE(rate.Allow("d", kNow)) << "the table is full of active addresses";
  EXPECT_TRUE(rate.Allow("d", kNow + seconds(3))) << "rested addresses are forgotten to make room";
}

const Bytes kLayout{0x11, 2, 4, 8, 3, 1, 2};

// A whole series: layout, build, picture to its end.
bool BuildAndFetch(TestClient& client) {
  return Status(client.Exchange(kLayout)) == 0x00 && Status(client.Exchange(Cmd(0x51))) == 0x00 &&
         Fetch(client).ended;
}

// Counts the log's lines that contain `text`.
int LinesWith(const std::string& log, const std::string& text) {
  int count = 0;
  for (std::size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++count;
  return count;
}

// 80 idle connections from one address and 70 pinging from seven others:
// the client half way through its picture finishes it, a client idle for
// 10 s builds again on its link, a newcomer from another address builds.
TEST(AdmissionOnLoopback, AFloodOfConnectionsClosesNoWorkingClientAndLeavesRoomForOthers) {
  std::ostringstream log;
  testing::FakeBuilder fake;
  RunningServer server(fake, {.admission = {}, .log = std::make_shared<ServiceLog>(log)});
  const Bytes& layout = kLayout;

  TestClient fetching(server.port(), HostAddress(0));
  ASSERT_EQ(Status(fetching.Exchange(layout)), 0x00);
  ASSERT_EQ(Status(fetching.Exchange(Cmd(0x51))), 0x00);
  ASSERT_EQ(Status(fetching.Exchange(Cmd(0x61))), 0x00);
  for (int i = 0; i < 20; ++i) ASSERT_EQ(Status(fetching.Exchange(Cmd(0x62))), 0x00);
  TestClient resting(server.port(), HostAddress(1));
  ASSERT_TRUE(BuildAndFetch(resting));

  std::vector<std::unique_ptr<TestClient>> idle, pinging;
  for (int i = 0; i < 80; ++i) idle.push_back(std::make_unique<TestClient>(server.port(), HostAddress(2)));
  for (int i = 0; i < 70; ++i) pinging.push_back(std::make_unique<TestClient>(server.port(), HostAddress(3 + i % 7)));
  int answered = 0;
  const auto until = std::chrono::steady_clock::now() + seconds(10);
  while (std::chrono::steady_clock::now() < until) {
    answered = 0;
    for (auto& client : pinging) answered += Status(client->Exchange(Cmd(0x7F), 50)) == 0x01;
    std::this_thread::sleep_for(milliseconds(200));
  }
  EXPECT_EQ(answered, 56) << "eight pinging clients of each address kept their place";

  TestClient newcomer(server.port(), HostAddress(10));
  EXPECT_EQ(Status(newcomer.Exchange(layout)), 0x00);
  EXPECT_EQ(Status(newcomer.Exchange(Cmd(0x51))), 0x00);
  const testing::Fetched rest = Fetch(fetching);
  EXPECT_TRUE(rest.ended);
  EXPECT_EQ(Status(resting.Exchange(layout)), 0x00) << "idle 10 s, still connected";
  EXPECT_EQ(Status(resting.Exchange(Cmd(0x51))), 0x00);

  int refused = 0;
  for (auto& client : idle) refused += client->ClosedWithin(100);
  EXPECT_EQ(refused, 72) << "all but eight of one address refused";
  const int lines = LinesWith(log.str(), HostAddress(2) + ": new connection refused: 8 connections");
  EXPECT_GE(lines, 1) << log.str();
  EXPECT_LE(lines, 3) << "at most one line a second per address";
  EXPECT_EQ(LinesWith(log.str(), "to admit a new client"), 0) << log.str();
}

TEST(AdmissionOnLoopback, TheWindowsOneLinkSurvivesAnyNumberOfOtherClients) {
  std::ostringstream log;
  testing::FakeBuilder fake;
  RunningServer server(fake, {.admission = {.max_clients = 4, .max_per_address = 8,
                                            .evict_idle_after = milliseconds(0)},
                              .log = std::make_shared<ServiceLog>(log)});
  const Bytes& layout = kLayout;
  TestClient window(server.port(), HostAddress(0));
  ASSERT_TRUE(BuildAndFetch(window));
  std::vector<std::unique_ptr<TestClient>> others;
  for (int i = 0; i < 40; ++i) {
    others.push_back(std::make_unique<TestClient>(server.port(), HostAddress(1 + (i / 3) % 5)));
    others.back()->Exchange(Cmd(0x7F), 200);
  }
  EXPECT_EQ(Status(window.Exchange(layout)), 0x00);
  EXPECT_EQ(Status(window.Exchange(Cmd(0x51))), 0x00);
  EXPECT_TRUE(Fetch(window).ended);
  EXPECT_GT(LinesWith(log.str(), "to admit a new client"), 0) << "others made room for each other";
}

TEST(AdmissionOnLoopback, AClientMidSeriesIsNeverClosedForANewcomer) {
  testing::FakeBuilder fake;
  RunningServer server(fake, {.admission = {.max_clients = 3, .max_per_address = 8,
                                            .evict_idle_after = milliseconds(0)}});
  const Bytes& layout = kLayout;
  TestClient laid_out(server.port(), HostAddress(0));
  ASSERT_EQ(Status(laid_out.Exchange(layout)), 0x00);
  TestClient between_rows(server.port(), HostAddress(0));
  ASSERT_EQ(Status(between_rows.Exchange(layout)), 0x00);
  ASSERT_EQ(Status(between_rows.Exchange(Cmd(0x51))), 0x00);
  ASSERT_EQ(Status(between_rows.Exchange(Cmd(0x61))), 0x00);
  ASSERT_EQ(Status(between_rows.Exchange(Cmd(0x62))), 0x00);
  TestClient done(server.port(), HostAddress(0));
  ASSERT_TRUE(BuildAndFetch(done));

  TestClient first(server.port(), HostAddress(1));
  EXPECT_EQ(Status(first.Exchange(layout)), 0x00);
  EXPECT_TRUE(done.ClosedByPeer()) << "the one past its last row made room";
  TestClient second(server.port(), HostAddress(2));
  EXPECT_TRUE(second.ClosedByPeer()) << "refused: the others are mid-series";
  EXPECT_EQ(Status(laid_out.Exchange(Cmd(0x51))), 0x00);
  EXPECT_TRUE(Fetch(between_rows).ended);
}

}  // namespace
}  // namespace tessellux::codegen
