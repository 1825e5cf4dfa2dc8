#include "codegen/session.h"

#include <gtest/gtest.h>

#include "support/codegen_client.h"
#include "support/codegen_fake_builder.h"

namespace tessellux::codegen {
namespace {

using symbol::BuildError;
using symbol::SecurityMode;
using testing::Cmd;

const Bytes kAutoLayout{0x11, 0x00, 0x00, 0x00, 0x08, 0x01, 0x02};

class SessionTest : public ::testing::Test {
 protected:
  testing::FakeBuilder fake;
  Session session{fake.builder(), "ACME", SessionLimits{.data_cap = 4000}};

  // Sends each command and returns the status of the last reply.
  std::uint8_t Send(std::initializer_list<Bytes> commands) {
    Bytes reply;
    for (const Bytes& command : commands) reply = session.Handle(command);
    return reply.size() >= 2 ? reply[1] : 0xFF;
  }
  const symbol::SymbolSpec& Built() const { return fake.last->value(); }
};

TEST_F(SessionTest, PublicSeriesRepliesExactlyAndSendsRowsBottomFirst) {
  EXPECT_EQ(session.Handle(kAutoLayout), (Bytes{0x11, 0x00}));
  EXPECT_EQ(session.Handle(Cmd(0x21, "hello")), (Bytes{0x21, 0x00}));
  EXPECT_EQ(session.Handle(Cmd(0x51)), (Bytes{0x51, 0x00, 2, 2, 4}));
  EXPECT_EQ(session.Handle(Cmd(0x61)), (Bytes{0x61, 0x00, 'B', 'M', 0xAA, 0xAB, 0x00}));
  const testing::FakePicture picture(Built().layout);
  ASSERT_EQ(picture.height(), 8 * 18 + 2);
  for (int i = 0; i < picture.height(); ++i) {
    const Bytes reply = session.Handle(Cmd(0x62));
    ASSERT_EQ(reply.size(), 2 + picture.row_bytes());
    ASSERT_EQ(Bytes(reply.begin(), reply.begin() + 2), (Bytes{0x62, 0x00}));
    ASSERT_EQ(reply[2] << 8 | reply[3], picture.height() - 1 - i) << "rows go out bottom row first";
  }
  EXPECT_EQ(session.Handle(Cmd(0x62)), (Bytes{0x62, 0x62}));
  EXPECT_EQ(session.Handle(Cmd(0x62)), (Bytes{0x62, 0x62}));
  EXPECT_EQ(Send({Cmd(0x61)}), 0x00) << "0x61 again restarts the transfer";
  const Bytes first = session.Handle(Cmd(0x62));
  EXPECT_EQ(first[2] << 8 | first[3], picture.height() - 1);
}

TEST_F(SessionTest, RequestCarriesLayoutTextFileAndCompany) {
  ASSERT_EQ(Send({Bytes{0x11, 4, 6, 10, 5, 2, 3}, Cmd(0x21, "text"), Cmd(0x31, "ab"), Cmd(0x32, "cd")}), 0x00);
  EXPECT_EQ(session.Handle(Cmd(0x51)), (Bytes{0x51, 0x00, 4, 6, 5}));
  const symbol::Layout& layout = Built().layout;
  EXPECT_EQ((std::array{layout.rows, layout.cols, layout.reserved, layout.grid, layout.thickness}),
            (std::array{4, 6, 10, 5, 3}));
  EXPECT_EQ(layout.style, symbol::Style::Dots);
  EXPECT_EQ(Built().content.text, "text");
  EXPECT_EQ(Built().content.file, ToBytes("abcd"));
  EXPECT_EQ(Built().security.company, "ACME");
  EXPECT_EQ(Built().security.mode, SecurityMode::Public);

  ASSERT_EQ(Send({kAutoLayout, Cmd(0x21), Cmd(0x51)}), 0x00);
  EXPECT_FALSE(Built().content.file) << "no upload, no file";
  ASSERT_EQ(Send({kAutoLayout, Cmd(0x31), Cmd(0x51)}), 0x00);
  EXPECT_EQ(Built().content.file, Bytes{}) << "an empty first piece is an empty file";
}

TEST_F(SessionTest, SecurityCommandsGiveModeTemporaryAndSecondField) {
  const struct {
    std::uint8_t code;
    std::string second;
    SecurityMode mode;
  } cases[] = {
      {0x52, "", SecurityMode::Private},
      {0x53, "", SecurityMode::Universal},
      {0x54, "", SecurityMode::Universal},
      {0x53, "1234-5678-9012", SecurityMode::Unique},
      {0x54, "1234-5678-9012", SecurityMode::Unique},
      {0x53, "old phrase", SecurityMode::Cascaded},
      {0x54, "1234-5678-901", SecurityMode::Cascaded},
      {0x53, "1234-5678-90123", SecurityMode::Cascaded},
      {0x53, "1234+5678-901a", SecurityMode::Cascaded},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << int(c.code) << " " << c.second);
    ASSERT_EQ(Send({kAutoLayout, Cmd(0x21, "t"), Cmd(0x42, "tag"), Cmd(0x41, "phrase"), Cmd(c.code, c.second)}), 0);
    const auto& security = Built().security;
    EXPECT_EQ(security.mode, c.mode);
    EXPECT_EQ(security.temporary, c.code == 0x54);
    EXPECT_EQ(security.second, c.second);
    EXPECT_EQ(security.phrase, "phrase");
    EXPECT_EQ(security.tag, "tag");
  }
}

TEST_F(SessionTest, OutOfOrderMalformedAndUnknownCommands) {
  const std::string full(1000, 'x'), over(1001, 'x');
  const struct {
    std::vector<Bytes> before;
    Bytes command;
    std::uint8_t status;
  } cases[] = {
      {{kAutoLayout}, Cmd(0x61), 0x03},
      {{kAutoLayout}, Cmd(0x62), 0x03},
      {{kAutoLayout, Cmd(0x51)}, Cmd(0x62), 0x03},  // 0x62 needs 0x61 first
      {{kAutoLayout}, Cmd(0x52), 0x03},             // private without a phrase
      {{kAutoLayout, Cmd(0x41, "p")}, Cmd(0x53), 0x03},
      {{kAutoLayout, Cmd(0x42, "t")}, Cmd(0x54, "old"), 0x03},
      {{kAutoLayout, Cmd(0x41, "p"), kAutoLayout}, Cmd(0x52), 0x03},  // a layout drops the earlier phrase
      {{kAutoLayout, Cmd(0x51)}, Cmd(0x21, "x"), 0x03},
      {{kAutoLayout, Cmd(0x51)}, Cmd(0x31, "x"), 0x03},
      {{kAutoLayout, Cmd(0x51)}, Cmd(0x32, "x"), 0x03},
      {{kAutoLayout, Cmd(0x51)}, Cmd(0x41, "x"), 0x03},
      {{kAutoLayout, Cmd(0x51)}, Cmd(0x42, "x"), 0x03},
      {{}, Bytes{0x11, 0, 0, 0, 8, 1}, 0x02},
      {{}, Bytes{0x11, 0, 0, 0, 8, 1, 2, 3}, 0x02},
      {{kAutoLayout}, Cmd(0x51, "x"), 0x02},
      {{kAutoLayout}, Cmd(0x52, "x"), 0x02},
      {{kAutoLayout, Cmd(0x51)}, Cmd(0x61, "x"), 0x02},
      {{kAutoLayout}, Cmd(0x31, over), 0x02},
      {{kAutoLayout, Cmd(0x31, full)}, Cmd(0x32), 0x02},
      {{kAutoLayout, Cmd(0x31, full)}, Cmd(0x32, over), 0x02},
      {{kAutoLayout, Cmd(0x41, "")}, Cmd(0x52), 0x07},  // an empty phrase: nothing could read it back
      {{kAutoLayout, Cmd(0x42, "t"), Cmd(0x41, "")}, Cmd(0x53), 0x07},
      {{kAutoLayout, Cmd(0x42, "t"), Cmd(0x41, "")}, Cmd(0x54, "1234-5678-9012"), 0x07},
      {{}, Cmd(0x99), 0x01},
      {{}, Cmd(0x00), 0x01},
      {{}, Bytes{}, 0x01},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    Session fresh{fake.builder(), "ACME"};
    for (const Bytes& command : cases[i].before) ASSERT_EQ(fresh.Handle(command)[1], 0x00);
    const std::uint8_t code = cases[i].command.empty() ? 0x00 : cases[i].command[0];
    EXPECT_EQ(fresh.Handle(cases[i].command), (Bytes{code, cases[i].status}));
    EXPECT_FALSE(fresh.last_error().empty());
  }
  for (std::uint8_t code : {0x21, 0x31, 0x32, 0x41, 0x42, 0x51, 0x52, 0x53, 0x54, 0x61, 0x62}) {
    EXPECT_EQ(session.Handle(Cmd(code)), (Bytes{code, 0x03})) << "before a layout: " << int(code);
  }
}

TEST_F(SessionTest, BuildErrorsHaveTheirStatusAndAbandonTheBuild) {
  const std::pair<BuildError, std::uint8_t> cases[] = {
      {BuildError::DataTooLarge, 0x04}, {BuildError::BitmapTooLarge, 0x05}, {BuildError::BadParameters, 0x02}};
  for (const auto& [error, status] : cases) {
    *fake.error = error;
    Send({kAutoLayout, Cmd(0x21, "too much")});
    EXPECT_EQ(session.Handle(Cmd(0x51)), (Bytes{0x51, status}));
    EXPECT_EQ(Send({Cmd(0x61)}), 0x03);
    EXPECT_EQ(Send({Cmd(0x21, "x")}), 0x03) << "the failed build is gone";
    EXPECT_EQ(session.HeldBytes(), 0u);
  }
  fake.error->reset();
  ASSERT_EQ(Send({kAutoLayout, Cmd(0x51)}), 0x00);
  EXPECT_TRUE(Built().content.text.empty()) << "a new layout starts from nothing";
  EXPECT_EQ(Send({Cmd(0x61)}), 0x00);
}

TEST_F(SessionTest, DataCapCoversAllInputsOfOneBuild) {
  ASSERT_EQ(Send({kAutoLayout, Cmd(0x21, std::string(2000, 't')), Cmd(0x31, std::string(1000, 'f')),
                  Cmd(0x32, std::string(999, 'f'))}),
            0x00);
  EXPECT_EQ(session.HeldBytes(), 3999u);
  EXPECT_EQ(Send({Cmd(0x42, "ab")}), 0x06);
  EXPECT_EQ(session.HeldBytes(), 0u);
  ASSERT_EQ(Send({kAutoLayout, Cmd(0x21, std::string(3000, 't'))}), 0x00);
  EXPECT_EQ(Send({Cmd(0x21, std::string(3500, 't'))}), 0x00) << "a replaced text no longer counts";
  EXPECT_EQ(Send({Cmd(0x21, std::string(4001, 't'))}), 0x06);
}

TEST_F(SessionTest, RepeatedBuildWithNothingChangedIsAnsweredWithoutBuilding) {
  ASSERT_EQ(Send({kAutoLayout, Cmd(0x21, "t"), Cmd(0x42, "tag"), Cmd(0x41, "p")}), 0x00);
  const Bytes first = session.Handle(Cmd(0x51));
  ASSERT_EQ(first[1], 0x00);
  ASSERT_EQ(Send({Cmd(0x61), Cmd(0x62)}), 0x00);
  EXPECT_EQ(session.Handle(Cmd(0x51)), first);
  EXPECT_EQ(*fake.builds, 1);
  EXPECT_EQ(Send({Cmd(0x62)}), 0x03) << "the transfer starts again with 0x61, as after any build";
  ASSERT_EQ(Send({kAutoLayout, Cmd(0x21, "t"), Cmd(0x42, "tag"), Cmd(0x41, "p"), Cmd(0x51)}), 0x00);
  for (const Bytes& other : {Cmd(0x52), Cmd(0x53, "old"), Cmd(0x53, "older"), Cmd(0x51)}) {
    ASSERT_EQ(session.Handle(other)[1], 0x00);
  }
  EXPECT_EQ(*fake.builds, 6) << "a new layout or another security command builds again";
}

TEST_F(SessionTest, BuildInTwoStepsLeavesTheSessionAloneMeanwhile) {
  ASSERT_EQ(Send({kAutoLayout, Cmd(0x21, "t")}), 0x00);
  auto step = session.Begin(Cmd(0x51));
  ASSERT_TRUE(std::holds_alternative<BuildJob>(step));
  EXPECT_EQ(std::get<Bytes>(session.Begin(kAutoLayout)), (Bytes{0x11, 0x03}));
  EXPECT_EQ(session.HeldBytes(), 1u) << "nothing dropped under the running build";
  EXPECT_EQ(session.Finish(std::get<BuildJob>(step).Run()), (Bytes{0x51, 0x00, 2, 2, 4}));
  EXPECT_EQ(Built().content.text, "t");
}

TEST(SessionBudget, CommandPastTheBudgetIsBusyAndGivesEverythingBack) {
  testing::FakeBuilder fake;
  auto budget = std::make_shared<MemoryBudget>(100000, 0, 0);
  Session session{fake.builder(), "ACME", SessionLimits{.data_cap = 1 << 20, .budget = budget}};
  ASSERT_EQ(session.Handle(kAutoLayout)[1], 0x00);
  ASSERT_EQ(session.Handle(Cmd(0x21, std::string(60000, 't')))[1], 0x00);
  EXPECT_GE(budget->used(), 60000u);
  EXPECT_EQ(session.Handle(Cmd(0x42, std::string(50000, 'g'))), (Bytes{0x42, 0x08}));
  EXPECT_EQ(budget->used(), 0u) << "busy abandons the build and frees its inputs";
  ASSERT_EQ(session.Handle(kAutoLayout)[1], 0x00);
  std::uint8_t code = 0x31;
  std::uint8_t status = 0x00;
  for (int i = 0; i < 200 && status == 0x00; ++i, code = 0x32) {
    status = session.Handle(Cmd(code, std::string(1000, 'f')))[1];
  }
  EXPECT_EQ(status, 0x08) << "a growing file meets the budget too";
  EXPECT_EQ(budget->used(), 0u);
  ASSERT_EQ(session.Handle(kAutoLayout)[1], 0x00);
  ASSERT_EQ(session.Handle(Cmd(0x21, std::string(60000, 't')))[1], 0x00);
  EXPECT_EQ(session.Handle(Cmd(0x51)), (Bytes{0x51, 0x08})) << "the encoder's copy of the text does not fit";
  EXPECT_EQ(budget->used(), 0u);
  EXPECT_EQ(*fake.builds, 0);
}

}  // namespace
}  // namespace tessellux::codegen
