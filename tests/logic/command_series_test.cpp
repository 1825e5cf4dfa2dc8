#include <gtest/gtest.h>

#include <stdexcept>

#include "generate/command_series.h"

namespace tessellux::generate {
namespace {

using security::SecurityMode;
using Layout = std::array<std::uint8_t, 6>;

BuildRequest Choices(SecurityMode mode, bool temporary = false) {
  BuildRequest c;
  c.security = {mode, temporary, u"Tag", u"Secret", u"1234-5678-9012"};
  c.text = ToBytes("http://x");
  return c;
}

// The command messages only, uploads shown as the single byte 0xFF.
std::vector<Bytes> Messages(const BuildRequest& c, const std::string& upload = {}) {
  std::vector<Bytes> out;
  for (const SeriesStep& step : CommandSeries(c, upload)) out.push_back(step.IsUpload() ? Bytes{0xFF} : step.command);
  return out;
}

Bytes Cmd(std::uint8_t code, std::string_view text = "") {
  Bytes out = ToBytes(text);
  out.insert(out.begin(), code);
  return out;
}

TEST(LayoutBytes, AutomaticOrFixedValuesStylesAndRange) {
  SymbolLayout l;
  EXPECT_EQ(LayoutBytes(l), (Layout{0x00, 0x00, 0x00, 0x08, 0x01, 0x02})) << "automatic: zeros";
  l.rows = 1;
  l.columns = 2;
  l.correctable = 2;
  EXPECT_EQ(LayoutBytes(l), (Layout{1, 2, 4, 8, 1, 2}));
  l.rows = l.columns = 254;
  l.correctable = 17;
  l.grid = 128;
  l.thickness = 8;
  l.style = layout::Style::kDotsWithEmboss;
  EXPECT_EQ(LayoutBytes(l), (Layout{254, 254, 34, 128, 2, 8}));
  l.correctable.reset();  // size and error correction are independent
  EXPECT_EQ(LayoutBytes(l), (Layout{254, 254, 0, 128, 2, 8}));
  l.style = layout::Style::kDots;
  EXPECT_EQ(LayoutBytes(l)[4], 2);
  l.rows = 256;
  EXPECT_THROW(LayoutBytes(l), std::out_of_range);
  l.rows = 1;
  l.grid = 256;
  EXPECT_THROW(LayoutBytes(l), std::out_of_range);
}

TEST(CommandSeries, EachModeSendsItsFieldsAndCode) {
  const Bytes tag = Cmd(0x42, "Tag"), phrase = Cmd(0x41, "Secret");
  const struct {
    SecurityMode mode;
    bool temporary;
    std::vector<Bytes> tail;
  } cases[] = {
      {SecurityMode::kPublic, false, {{0x51}}},
      {SecurityMode::kPrivate, true, {phrase, {0x52}}},  // temporary means nothing here
      {SecurityMode::kUniversal, false, {tag, phrase, {0x53}}},
      {SecurityMode::kUniversal, true, {tag, phrase, {0x54}}},
      {SecurityMode::kUnique, false, {tag, phrase, Cmd(0x53, "1234-5678-9012")}},
      {SecurityMode::kUnique, true, {tag, phrase, Cmd(0x54, "1234-5678-9012")}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.mode) * 2 + c.temporary);
    std::vector<Bytes> expected{{0x11, 0x00, 0x00, 0x00, 0x08, 0x01, 0x02}, Cmd(0x21, "http://x")};
    expected.insert(expected.end(), c.tail.begin(), c.tail.end());
    EXPECT_EQ(Messages(Choices(c.mode, c.temporary)), expected);
  }
}

TEST(CommandSeries, CascadedOldPhraseIsSingleByteAndEmptyFieldsStillSend) {
  BuildRequest c = Choices(SecurityMode::kCascaded);
  c.security.phrase = c.security.second_phrase = u"caf\u00E9";
  c.security.identification_tag = u"\u00E9";
  EXPECT_EQ(Messages(c)[2], (Bytes{0x42, 0xC3, 0xA9}));
  EXPECT_EQ(Messages(c)[3], (Bytes{0x41, 'c', 'a', 'f', 0xC3, 0xA9}));
  EXPECT_EQ(Messages(c)[4], (Bytes{0x53, 'c', 'a', 'f', 0xE9}));

  c = Choices(SecurityMode::kUnique);
  c.security.identification_tag.clear();
  c.security.phrase.clear();
  c.security.second_phrase.clear();
  const auto m = Messages(c);
  EXPECT_EQ(std::vector<Bytes>(m.begin() + 2, m.end()), (std::vector<Bytes>{{0x42}, {0x41}, {0x53}}));
}

TEST(CommandSeries, UploadFollowsTheTextCommand) {
  BuildRequest c = Choices(SecurityMode::kPublic);
  c.text.clear();
  const auto series = CommandSeries(c, "/w/Quality.tmp");
  ASSERT_EQ(series.size(), 4u);
  EXPECT_EQ(series[1].command, Bytes{0x21});
  EXPECT_EQ(series[2].upload_path, "/w/Quality.tmp");
  EXPECT_EQ(series[3].command, Bytes{0x51});
  // no file: no upload step, the text command still goes
  EXPECT_EQ(Messages(c), (std::vector<Bytes>{{0x11, 0, 0, 0, 8, 1, 2}, {0x21}, {0x51}}));
}

}  // namespace
}  // namespace tessellux::generate
