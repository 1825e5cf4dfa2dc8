#include "codegen/session.h"

#include <gtest/gtest.h>

#include "support/codegen_fake_builder.h"

namespace tessellux::codegen {
namespace {

using symbol::BuildError;
using symbol::SecurityMode;
using testing::FakeBuilder;

Bytes Cmd(std::uint8_t code, const std::string& params = {}) {
  Bytes command(1 + params.size());
  command[0] = code;
  std::copy(params.begin(), params.end(), command.begin() + 1);
  return command;
}

Bytes Cmd(std::uint8_t code, std::size_t size, std::uint8_t fill) {
  Bytes command(size + 1, fill);
  command[0] = code;
  return command;
}

const Bytes kAutoLayout{0x11, 0, 0, 0, 8, 1, 2};

std::uint8_t StatusOf(const Bytes& reply) { return reply.size() >= 2 ? reply[1] : 0xFF; }

class SessionTest : public ::testing::Test {
 protected:
  FakeBuilder fake;
  Session session{fake.builder(), "ACME", SessionLimits{.data_cap = 4000}};

  std::uint8_t Send(const Bytes& command) { return StatusOf(session.Handle(command)); }
  const symbol::BuildRequest& Built() const { return fake.last->value(); }
};

TEST_F(SessionTest, PublicSeriesRepliesExactlyAndSendsRowsBottomFirst) {
  EXPECT_EQ(session.Handle(kAutoLayout), (Bytes{0x11, 0x00}));
  EXPECT_EQ(session.Handle(Cmd(0x21, "hello")), (Bytes{0x21, 0x00}));
  EXPECT_EQ(session.Handle(Cmd(0x51)), (Bytes{0x51, 0x00, 2, 2, 4}));
  EXPECT_EQ(session.Handle(Cmd(0x61)), (Bytes{0x61, 0x00, 'B', 'M', 0xAA, 0xAB, 0x00}));

  testing::FakePicture picture(Built().layout);
  const int height = picture.height();
  ASSERT_EQ(height, 8 * 18 + 2);
  for (int i = 0; i < height; ++i) {
    const Bytes reply = session.Handle(Cmd(0x62));
    ASSERT_EQ(reply.size(), 2 + picture.row_bytes());
    ASSERT_EQ(reply[0], 0x62);
    ASSERT_EQ(reply[1], 0x00);
    const int y = reply[2] << 8 | reply[3];
    ASSERT_EQ(y, height - 1 - i) << "rows must go out bottom row first";
  }
  EXPECT_EQ(session.Handle(Cmd(0x62)), (Bytes{0x62, 0x62}));
  EXPECT_EQ(session.Handle(Cmd(0x62)), (Bytes{0x62, 0x62}));
  // 0x61 again restarts the transfer.
  EXPECT_EQ(Send(Cmd(0x61)), 0x00);
  const Bytes first = session.Handle(Cmd(0x62));
  EXPECT_EQ(first[2] << 8 | first[3], height - 1);
}

TEST_F(SessionTest, RequestCarriesLayoutTextFileAndCompany) {
  ASSERT_EQ(Send(Bytes{0x11, 4, 6, 10, 5, 2, 3}), 0x00);
  ASSERT_EQ(Send(Cmd(0x21, "text")), 0x00);
  ASSERT_EQ(Send(Cmd(0x31, "ab")), 0x00);
  ASSERT_EQ(Send(Cmd(0x32, "cd")), 0x00);
  EXPECT_EQ(session.Handle(Cmd(0x51)), (Bytes{0x51, 0x00, 4, 6, 5}));
  const auto& request = Built();
  EXPECT_EQ(request.layout.rows, 4);
  EXPECT_EQ(request.layout.cols, 6);
  EXPECT_EQ(request.layout.reserved, 10);
  EXPECT_EQ(request.layout.grid, 5);
  EXPECT_EQ(request.layout.style, symbol::Style::Dots);
  EXPECT_EQ(request.layout.thickness, 3);
  EXPECT_EQ(request.content.text, "text");
  EXPECT_EQ(request.content.file, ToBytes("abcd"));
  EXPECT_EQ(request.security.company, "ACME");
  EXPECT_EQ(request.security.mode, SecurityMode::Public);
}

TEST_F(SessionTest, NoUploadMeansNoFileAndEmptyFirstPieceMeansEmptyFile) {
  Send(kAutoLayout);
  Send(Cmd(0x21));
  ASSERT_EQ(Send(Cmd(0x51)), 0x00);
  EXPECT_FALSE(Built().content.file.has_value());
  EXPECT_TRUE(Built().content.text.empty());

  Send(kAutoLayout);
  ASSERT_EQ(Send(Cmd(0x31)), 0x00);
  ASSERT_EQ(Send(Cmd(0x51)), 0x00);
  ASSERT_TRUE(Built().content.file.has_value());
  EXPECT_TRUE(Built().content.file->empty());
}

TEST_F(SessionTest, UploadsOfEveryPieceSizeArriveWhole) {
  for (std::size_t size : {0u, 1u, 999u, 1000u, 1001u, 2500u}) {
    Bytes file(size);
    for (std::size_t i = 0; i < size; ++i) file[i] = static_cast<std::uint8_t>(i * 7 + 0xAA);
    Send(kAutoLayout);
    std::uint8_t code = 0x31;
    std::size_t sent = 0;
    do {
      const std::size_t piece = std::min<std::size_t>(1000, size - sent);
      const auto from = file.begin() + static_cast<long>(sent);
      ASSERT_EQ(Send(Cmd(code, std::string(from, from + static_cast<long>(piece)))), 0x00) << "size " << size;
      sent += piece;
      code = 0x32;
    } while (sent < size);
    ASSERT_EQ(Send(Cmd(0x51)), 0x00);
    EXPECT_EQ(Built().content.file, file) << "size " << size;
  }
}

TEST_F(SessionTest, FilePieceSizesOutsideTheirRangeAreMalformed) {
  Send(kAutoLayout);
  EXPECT_EQ(Send(Cmd(0x31, 1001, 'x')), 0x02);
  Send(kAutoLayout);
  Send(Cmd(0x31, 1000, 'x'));
  EXPECT_EQ(Send(Cmd(0x32)), 0x02);
  Send(kAutoLayout);
  Send(Cmd(0x31, 1000, 'x'));
  EXPECT_EQ(Send(Cmd(0x32, 1001, 'x')), 0x02);
}

TEST_F(SessionTest, SecurityCommandsGiveModeTemporaryAndSecondField) {
  struct Case {
    std::uint8_t code;
    std::string second;
    SecurityMode mode;
    bool temporary;
  };
  const Case cases[] = {
      {0x52, "", SecurityMode::Private, false},
      {0x53, "", SecurityMode::Universal, false},
      {0x54, "", SecurityMode::Universal, true},
      {0x53, "1234-5678-9012", SecurityMode::Unique, false},
      {0x54, "1234-5678-9012", SecurityMode::Unique, true},
      {0x53, "old phrase", SecurityMode::Cascaded, false},
      {0x54, "1234-5678-901", SecurityMode::Cascaded, true},
      {0x53, "1234-5678-90123", SecurityMode::Cascaded, false},
  };
  for (const Case& c : cases) {
    Send(kAutoLayout);
    Send(Cmd(0x21, "t"));
    Send(Cmd(0x42, "tag"));
    Send(Cmd(0x41, "phrase"));
    ASSERT_EQ(Send(Cmd(c.code, c.second)), 0x00) << c.second;
    const auto& security = Built().security;
    EXPECT_EQ(security.mode, c.mode) << c.second;
    EXPECT_EQ(security.temporary, c.temporary) << c.second;
    EXPECT_EQ(security.second, c.second);
    EXPECT_EQ(security.phrase, "phrase");
    EXPECT_EQ(security.company, "ACME");
  }
  EXPECT_EQ(Built().security.tag, "tag");
}

TEST_F(SessionTest, SerialNumberShape) {
  EXPECT_TRUE(LooksLikeSerialNumber("0000-1111-9999"));
  EXPECT_FALSE(LooksLikeSerialNumber("0000-1111-999"));
  EXPECT_FALSE(LooksLikeSerialNumber("0000-1111-99990"));
  EXPECT_FALSE(LooksLikeSerialNumber("0000+1111-9999"));
  EXPECT_FALSE(LooksLikeSerialNumber("000a-1111-9999"));
  EXPECT_FALSE(LooksLikeSerialNumber(""));
}

TEST_F(SessionTest, EverythingButLayoutIsOutOfOrderBeforeALayout) {
  for (std::uint8_t code : {0x21, 0x31, 0x32, 0x41, 0x42, 0x51, 0x52, 0x53, 0x54, 0x61, 0x62}) {
    const Bytes reply = session.Handle(Cmd(code));
    EXPECT_EQ(reply, (Bytes{code, 0x03})) << int(code);
  }
}

TEST_F(SessionTest, PictureCommandsAreOutOfOrderBeforeABuild) {
  Send(kAutoLayout);
  EXPECT_EQ(Send(Cmd(0x61)), 0x03);
  Send(kAutoLayout);
  EXPECT_EQ(Send(Cmd(0x62)), 0x03);
  Send(kAutoLayout);
  Send(Cmd(0x51));
  EXPECT_EQ(Send(Cmd(0x62)), 0x03) << "0x62 needs 0x61 first";
}

TEST_F(SessionTest, DataCommandsAfterABuildAreOutOfOrder) {
  for (std::uint8_t code : {0x21, 0x31, 0x32, 0x41, 0x42}) {
    Send(kAutoLayout);
    ASSERT_EQ(Send(Cmd(0x51)), 0x00);
    EXPECT_EQ(Send(Cmd(code, "x")), 0x03) << int(code);
  }
}

TEST_F(SessionTest, ProtectedModesNeedPhraseAndTag) {
  Send(kAutoLayout);
  EXPECT_EQ(Send(Cmd(0x52)), 0x03) << "private without 0x41";
  Send(kAutoLayout);
  Send(Cmd(0x41, "p"));
  EXPECT_EQ(Send(Cmd(0x53)), 0x03) << "authorization without 0x42";
  Send(kAutoLayout);
  Send(Cmd(0x42, "t"));
  EXPECT_EQ(Send(Cmd(0x54, "old")), 0x03) << "authorization without 0x41";
}

TEST_F(SessionTest, MalformedParametersAndUnknownCommands) {
  EXPECT_EQ(session.Handle(Bytes{0x11, 0, 0, 0, 8, 1}), (Bytes{0x11, 0x02}));
  EXPECT_EQ(session.Handle(Bytes{0x11, 0, 0, 0, 8, 1, 2, 3}), (Bytes{0x11, 0x02}));
  Send(kAutoLayout);
  EXPECT_EQ(Send(Cmd(0x51, "x")), 0x02);
  Send(kAutoLayout);
  EXPECT_EQ(Send(Cmd(0x52, "x")), 0x02);
  Send(kAutoLayout);
  Send(Cmd(0x51));
  EXPECT_EQ(Send(Cmd(0x61, "x")), 0x02);
  EXPECT_EQ(session.Handle(Cmd(0x99)), (Bytes{0x99, 0x01}));
  EXPECT_EQ(session.Handle(Cmd(0x00)), (Bytes{0x00, 0x01}));
  EXPECT_EQ(session.Handle(Bytes{}), (Bytes{0x00, 0x01}));
  EXPECT_FALSE(session.last_error().empty());
}

TEST_F(SessionTest, BuildErrorsHaveTheirOwnStatus) {
  const std::pair<BuildError, std::uint8_t> cases[] = {
      {BuildError::DataTooLarge, 0x04}, {BuildError::BitmapTooLarge, 0x05}, {BuildError::BadParameters, 0x02}};
  for (const auto& [error, status] : cases) {
    *fake.error = error;
    Send(kAutoLayout);
    EXPECT_EQ(session.Handle(Cmd(0x51)), (Bytes{0x51, status}));
  }
}

TEST_F(SessionTest, AnErrorAbandonsTheBuildAndTheNextBuildWorks) {
  *fake.error = BuildError::DataTooLarge;
  Send(kAutoLayout);
  Send(Cmd(0x21, "too much"));
  ASSERT_EQ(Send(Cmd(0x51)), 0x04);
  EXPECT_EQ(Send(Cmd(0x61)), 0x03);
  EXPECT_EQ(Send(Cmd(0x21, "x")), 0x03) << "the failed build is gone";
  EXPECT_EQ(session.HeldBytes(), 0u);

  fake.error->reset();
  Send(kAutoLayout);
  ASSERT_EQ(Send(Cmd(0x51)), 0x00);
  EXPECT_TRUE(Built().content.text.empty()) << "a new layout starts from nothing";
  EXPECT_EQ(Send(Cmd(0x61)), 0x00);
}

TEST_F(SessionTest, LayoutDropsThePreviousBuild) {
  Send(kAutoLayout);
  Send(Cmd(0x21, "old"));
  Send(Cmd(0x41, "p"));
  Send(kAutoLayout);
  EXPECT_EQ(session.HeldBytes(), 0u);
  EXPECT_EQ(Send(Cmd(0x52)), 0x03) << "the phrase of the dropped build does not count";
}

TEST_F(SessionTest, DataCapCoversAllInputsOfOneBuild) {
  Send(kAutoLayout);
  ASSERT_EQ(Send(Cmd(0x21, 2000, 't')), 0x00);
  ASSERT_EQ(Send(Cmd(0x31, 1000, 'f')), 0x00);
  ASSERT_EQ(Send(Cmd(0x32, 999, 'f')), 0x00);
  EXPECT_EQ(session.HeldBytes(), 3999u);
  EXPECT_EQ(Send(Cmd(0x42, "ab")), 0x06);
  EXPECT_EQ(session.HeldBytes(), 0u);

  Send(kAutoLayout);
  ASSERT_EQ(Send(Cmd(0x21, 3000, 't')), 0x00);
  EXPECT_EQ(Send(Cmd(0x21, 3500, 't')), 0x00) << "a replaced text no longer counts";
  EXPECT_EQ(Send(Cmd(0x21, 4001, 't')), 0x06);
}

}  // namespace
}  // namespace tessellux::codegen
