#include "codegen/service_log.h"

#include <gtest/gtest.h>

#include <sstream>

namespace tessellux::codegen {
namespace {

using std::chrono::seconds;

int Lines(const std::string& text) { return static_cast<int>(std::count(text.begin(), text.end(), '\n')); }

TEST(LineRate, BurstThenOneLinePerInterval) {
  LineRate rate(3, seconds(10));
  const Clock::time_point t0 = Clock::now();
  int taken = 0;
  for (int i = 0; i < 10; ++i) taken += rate.Take(t0);
  EXPECT_EQ(taken, 3);
  EXPECT_FALSE(rate.Take(t0 + seconds(9)));
  EXPECT_TRUE(rate.Take(t0 + seconds(10)));
  EXPECT_FALSE(rate.Take(t0 + seconds(11)));
  taken = 0;
  for (int i = 0; i < 10; ++i) taken += rate.Take(t0 + seconds(1000));
  EXPECT_EQ(taken, 3) << "a long pause refills the burst, no more";
}

TEST(ClientLog, HeldBackLinesAreCountedAndSaidLater) {
  std::ostringstream out;
  const Clock::time_point t0 = Clock::now();
  {
    auto log = std::make_shared<ServiceLog>(out);
    ClientLog client(log, "peer");
    for (int i = 0; i < 1000; ++i) client.Line("failed", t0);
    EXPECT_EQ(Lines(out.str()), 5);
    client.Line("failed again", t0 + seconds(10));
    EXPECT_NE(out.str().find("failed again (995 earlier lines from this client not shown)"), std::string::npos);
    for (int i = 0; i < 10; ++i) client.Line("more", t0 + seconds(10));
  }
  EXPECT_NE(out.str().find("tessellux-codegen: peer: left; 10 further lines"), std::string::npos) << out.str();
  EXPECT_EQ(Lines(out.str()), 7);
}

TEST(ServiceLog, ManyClientsTogetherStayBounded) {
  std::ostringstream out;
  auto log = std::make_shared<ServiceLog>(out, LineRate(4, seconds(1)));
  const Clock::time_point t0 = Clock::now();
  for (int i = 0; i < 100; ++i) log->Line("client " + std::to_string(i), t0);
  EXPECT_EQ(Lines(out.str()), 4);
  log->Line("later", t0 + seconds(1));
  EXPECT_NE(out.str().find("later (96 earlier log lines not shown)"), std::string::npos);
}

}  // namespace
}  // namespace tessellux::codegen
