// The service's build replies: r, c and k give the program statistics whose
// user data, less the fixed public-text overhead, is exactly the largest text
// the service accepts; one byte more gets status 0x04 ("data too large").

#include <gtest/gtest.h>

#include "support/child_process.h"
#include "support/codegen_client.h"
#include "symbol/codec.h"

namespace tessellux::codegen {
namespace {

using tessellux::testing::ChildProcess;
using testing::Cmd;
using testing::Status;
using testing::TestClient;

// User data as the program computes it from a reply: 14rc - round((k / 2 + 2) rc), halves up.
std::size_t UserData(int r, int c, int k) {
  const int blocks = r * c;
  return static_cast<std::size_t>(14 * blocks - (k * blocks + 1) / 2 - 2 * blocks);
}

TEST(ServiceCapacity, LargestTextFitsOneMoreByteIsRefused) {
  ChildProcess child(TESSELLUX_CODEGEN_PATH, {"--bind", "127.0.0.1", "--port", "0", "--company", "ACME"});
  const auto line = child.ReadLine(testing::kWaitMs);
  ASSERT_TRUE(line) << "service did not report its port";
  TestClient client(static_cast<std::uint16_t>(std::stoi(line->substr(line->rfind(':') + 1))));
  struct Case { int rows, cols, k; };
  for (const Case& c : {Case{1, 2, 2}, Case{1, 1, 2}, Case{2, 2, 4}, Case{6, 4, 7}, Case{10, 10, 4}, Case{40, 42, 17}}) {
    SCOPED_TRACE(std::to_string(c.rows) + "x" + std::to_string(c.cols) + " k " + std::to_string(c.k));
    const Bytes layout{0x11, static_cast<std::uint8_t>(c.rows), static_cast<std::uint8_t>(c.cols),
                       static_cast<std::uint8_t>(2 * c.k), 3, 1, 1};
    const std::size_t largest = UserData(c.rows, c.cols, c.k) - symbol::kPublicTextOverhead;
    ASSERT_EQ(Status(client.Exchange(layout)), 0x00);
    ASSERT_EQ(Status(client.Exchange(Cmd(0x21, std::string(largest, 't')))), 0x00);
    EXPECT_EQ(client.Exchange(Cmd(0x51)),
              (Bytes{0x51, 0x00, static_cast<std::uint8_t>(c.rows), static_cast<std::uint8_t>(c.cols),
                     static_cast<std::uint8_t>(c.k)}));
    ASSERT_EQ(Status(client.Exchange(layout)), 0x00);
    ASSERT_EQ(Status(client.Exchange(Cmd(0x21, std::string(largest + 1, 't')))), 0x00);
    EXPECT_EQ(client.Exchange(Cmd(0x51)), (Bytes{0x51, 0x04}));
  }
}

}  // namespace
}  // namespace tessellux::codegen
