// The tessellux-codegen binary with the real encoder: every fetched picture
// must read back as what was sent.

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "support/child_process.h"
#include "support/codegen_client.h"
#include "support/temp_folder.h"
#include "symbol/symbol.h"

namespace tessellux::codegen {
namespace {

using symbol::SecurityMode;
using tessellux::testing::ChildProcess;
using testing::Cmd;
using testing::Status;
using testing::TestClient;

// The service on 127.0.0.1 and the port it reports.
class Service {
 public:
  Service()
      : child_(TESSELLUX_CODEGEN_PATH,
               {"--bind", "127.0.0.1", "--port", "0", "--company", "ACME Ltd", "--max-bitmap-mib", "4"}) {
    if (const auto line = child_.ReadLine(testing::kWaitMs)) {
      port_ = static_cast<std::uint16_t>(std::stoi(line->substr(line->rfind(':') + 1)));
    }
  }
  std::uint16_t port() const { return port_; }
  ChildProcess& child() { return child_; }

 private:
  ChildProcess child_;
  std::uint16_t port_ = 0;
};

std::int32_t Le32(const Bytes& bytes, std::size_t at) {
  return static_cast<std::int32_t>(bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
                                   static_cast<std::uint32_t>(bytes[at + 3]) << 24);
}

TEST(ServiceProcess, EverySecurityModeReadsBackFromTheFetchedPicture) {
  Service service;
  ASSERT_NE(service.port(), 0) << "service did not report its port";
  TestClient client(service.port());
  const struct {
    std::uint8_t code;
    std::string second;
    SecurityMode mode;
    symbol::ReaderKeys keys;
  } cases[] = {
      {0x51, "", SecurityMode::Public, {}},
      {0x52, "", SecurityMode::Private, {"ACME Ltd", "phrase", "", ""}},
      {0x54, "", SecurityMode::Universal, {}},
      {0x54, "1234-5678-9012", SecurityMode::Unique, {"ACME Ltd", "", "1234-5678-9012", ""}},
      {0x53, "old phrase", SecurityMode::Cascaded, {"ACME Ltd", "", "", "old phrase"}},
  };
  const std::string file(1500, '\xAA');  // a two-piece upload full of end bytes
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << int(c.mode));
    ASSERT_EQ(Status(client.Exchange(Bytes{0x11, 0, 0, 0, 4, 1, 2})), 0x00);
    ASSERT_EQ(Status(client.Exchange(Cmd(0x21, "Grüße \xAB text"))), 0x00);
    ASSERT_EQ(Status(client.Exchange(Cmd(0x31, file.substr(0, 1000)))), 0x00);
    ASSERT_EQ(Status(client.Exchange(Cmd(0x32, file.substr(1000)))), 0x00);
    if (c.code != 0x52) {
      ASSERT_EQ(Status(client.Exchange(Cmd(0x42, "tag-7"))), 0x00);
    }
    ASSERT_EQ(Status(client.Exchange(Cmd(0x41, "phrase"))), 0x00);
    const auto built = client.Exchange(Cmd(c.code, c.second));
    ASSERT_EQ(Status(built), 0x00);
    ASSERT_EQ(built->size(), 5u);
    const int r = (*built)[2], cols = (*built)[3];

    const testing::Fetched fetched = testing::Fetch(client);
    const Bytes bmp = fetched.Joined();
    ASSERT_GE(bmp.size(), 62u);
    EXPECT_EQ(Le32(bmp, 18), 4 * (8 * cols + 2) + 2) << "width g(8c+2)+e";
    EXPECT_EQ(Le32(bmp, 22), 4 * (8 * r + 2) + 2) << "height g(8r+2)+e";
    EXPECT_EQ(static_cast<std::int32_t>(fetched.rows.size()), Le32(bmp, 22));

    for (bool mirror : {false, true}) {
      auto read = symbol::ReadSymbol(fetched.Joined(mirror), c.keys);
      ASSERT_TRUE(std::holds_alternative<symbol::ReadResult>(read)) << std::get<symbol::ReadError>(read).message;
      const auto& result = std::get<symbol::ReadResult>(read);
      EXPECT_EQ(result.mirrored, mirror);
      EXPECT_EQ(result.geometry.rows, r);
      EXPECT_EQ(result.content.text, "Grüße \xAB text");
      EXPECT_EQ(result.content.file, ToBytes(file));
      EXPECT_EQ(result.security.mode, c.mode);
      EXPECT_EQ(result.security.temporary, c.code == 0x54);
      EXPECT_EQ(result.security.company, c.mode == SecurityMode::Public ? "" : "ACME Ltd");
      if (c.mode == SecurityMode::Universal) {
        EXPECT_EQ(result.security.tag, "tag-7");
        EXPECT_EQ(result.security.phrase, "phrase");
      }
    }
  }
}

TEST(ServiceProcess, EncoderRefusalsHaveTheirStatus) {
  Service service;
  TestClient client(service.port());
  ASSERT_EQ(Status(client.Exchange(Bytes{0x11, 1, 1, 0, 8, 1, 2})), 0x00);
  ASSERT_EQ(Status(client.Exchange(Cmd(0x21, std::string(500, 'x')))), 0x00);
  EXPECT_EQ(client.Exchange(Cmd(0x51)), (Bytes{0x51, 0x04})) << "500 bytes in one block";
  ASSERT_EQ(Status(client.Exchange(Bytes{0x11, 254, 254, 0, 128, 1, 8})), 0x00);
  EXPECT_EQ(client.Exchange(Cmd(0x51)), (Bytes{0x51, 0x05})) << "over the 4 MiB bitmap limit";
  ASSERT_EQ(Status(client.Exchange(Bytes{0x11, 0, 0, 0, 2, 1, 2})), 0x00);
  EXPECT_EQ(client.Exchange(Cmd(0x51)), (Bytes{0x51, 0x02})) << "grid 2";
  ASSERT_EQ(Status(client.Exchange(Bytes{0x11, 0, 0, 0, 8, 1, 2})), 0x00);
  EXPECT_EQ(Status(client.Exchange(Cmd(0x51))), 0x00) << "the next build works";
}

TEST(ServiceProcess, AnswersDiscoveryAndStopsCleanlyOnSigterm) {
  Service service;
  EXPECT_EQ(testing::AskDiscovery(service.port(), "TESSELLUX?", testing::kWaitMs), "TESSELLUX=ACME Ltd");
  ASSERT_EQ(::kill(service.child().pid(), SIGTERM), 0);
  EXPECT_EQ(service.child().Wait(5000), 0);
}

// Build threads yield to the socket thread: their nice value is 5.
TEST(ServiceProcess, BuildThreadsRunAtALowerPriority) {
  Service service;
  ASSERT_NE(service.port(), 0);
  int lowered = 0;
  for (int attempt = 0; attempt < 50 && lowered == 0; ++attempt) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const auto tasks = "/proc/" + std::to_string(service.child().pid()) + "/task";
    for (const auto& task : std::filesystem::directory_iterator(tasks)) {
      std::ifstream stat(task.path() / "stat");
      std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
      std::istringstream fields(text.substr(text.rfind(')') + 2));  // after the command name
      std::string field;
      for (int i = 3; i <= 19 && fields >> field; ++i) {
      }
      lowered += field == "5";
    }
  }
  EXPECT_GE(lowered, 1);
}

TEST(ServiceProcess, RefusesToStartWithoutCompany) {
  ChildProcess child(TESSELLUX_CODEGEN_PATH, {"--bind", "127.0.0.1", "--port", "0"});
  EXPECT_EQ(child.Wait(5000), 2) << "a usage error";
}

TEST(EncodeCommand, WritesASymbolThatReadsBack) {
  const tessellux::testing::TempFolder folder;
  const std::string out = folder / "encoded.bmp";
  ChildProcess child(TESSELLUX_CODEGEN_PATH,
                     {"encode", "--text", "from the command line", "--mode", "private", "--company", "C",
                      "--secret-phrase", "P", "--style", "dots", "--grid", "6", "--thickness", "2", "-o", out});
  ASSERT_EQ(child.Wait(10000), 0);
  auto read = symbol::ReadSymbol(tessellux::testing::ReadAll(out), {"C", "P", "", ""});
  ASSERT_TRUE(std::holds_alternative<symbol::ReadResult>(read)) << std::get<symbol::ReadError>(read).message;
  EXPECT_EQ(std::get<symbol::ReadResult>(read).content.text, "from the command line");

  ChildProcess refused(TESSELLUX_CODEGEN_PATH, {"encode", "--rows", "1", "--cols", "1", "--text",
                                                std::string(200, 'x'), "-o", out});
  EXPECT_EQ(refused.Wait(10000), 1);
  ChildProcess bad_option(TESSELLUX_CODEGEN_PATH, {"encode", "--text", "x", "--bogus", "-o", out});
  EXPECT_EQ(bad_option.Wait(10000), 2);
}

}  // namespace
}  // namespace tessellux::codegen
