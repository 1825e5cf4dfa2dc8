#include <gtest/gtest.h>

#include <stdexcept>

#include "generate/command_series.h"

namespace tessellux::generate {
namespace {

using layout::Style;
using security::SecurityMode;

using Layout = std::array<std::uint8_t, 6>;

GenerationChoices Choices(SecurityMode mode, bool temporary = false) {
  GenerationChoices c;
  c.mode = mode;
  c.temporary = temporary;
  c.identification_tag = u"Tag";
  c.phrase0 = u"Secret";
  c.phrase1 = u"1234-5678-9012";
  c.data_text = ToBytes("http://x");
  return c;
}

// The command messages only, uploads shown as the single byte 0xFF.
std::vector<Bytes> Messages(const GenerationChoices& c) {
  std::vector<Bytes> out;
  for (const SeriesStep& step : CommandSeries(c)) out.push_back(step.IsUpload() ? Bytes{0xFF} : step.command);
  return out;
}

Bytes Concat(std::uint8_t code, std::string_view text) {
  Bytes out = ToBytes(text);
  out.insert(out.begin(), code);
  return out;
}

TEST(LayoutBytes, AutomaticBoxesSendZeros) {
  GenerationChoices c;
  c.rows_scroll = 9;
  c.error_scroll = 9;
  EXPECT_EQ(LayoutBytes(c), (Layout{0x00, 0x00, 0x00, 0x08, 0x01, 0x02}));
}

TEST(LayoutBytes, ManualValuesFollowTheScrollRules) {
  GenerationChoices c;
  c.size_unchecked = c.error_unchecked = true;
  c.rows_scroll = 0;
  c.cols_scroll = 1;
  c.error_scroll = 0;
  EXPECT_EQ(LayoutBytes(c), (Layout{1, 2, 4, 8, 1, 2}));
  c.rows_scroll = c.cols_scroll = 127;
  c.error_scroll = 15;
  c.grid_size = 128;
  c.thickness = 8;
  EXPECT_EQ(LayoutBytes(c), (Layout{254, 254, 34, 128, 1, 8}));
  // Size and error boxes are independent.
  c.error_unchecked = false;
  EXPECT_EQ(LayoutBytes(c)[2], 0);
  EXPECT_EQ(LayoutBytes(c)[0], 254);
}

TEST(LayoutBytes, BothDotStylesSendTwo) {
  GenerationChoices c;
  c.style = Style::kDots;
  EXPECT_EQ(LayoutBytes(c)[4], 2);
  c.style = Style::kDotsWithEmboss;
  EXPECT_EQ(LayoutBytes(c)[4], 2);
}

TEST(LayoutBytes, ValueOutsideAByteIsRefused) {
  GenerationChoices c;
  c.grid_size = 256;
  EXPECT_THROW(LayoutBytes(c), std::out_of_range);
  c.grid_size = 8;
  c.size_unchecked = true;
  c.rows_scroll = 128;
  EXPECT_THROW(LayoutBytes(c), std::out_of_range);
}

TEST(UploadFile, ChosenByTabAvailability) {
  EXPECT_EQ(ChooseUploadFile(true, false, "/w/Quality.tmp", "/z.zip"), "/w/Quality.tmp");
  EXPECT_EQ(ChooseUploadFile(true, true, "/w/Quality.tmp", "/z.zip"), "/w/Quality.tmp");
  EXPECT_EQ(ChooseUploadFile(false, true, "/w/Quality.tmp", "/z.zip"), "/z.zip");
  EXPECT_EQ(ChooseUploadFile(false, false, "/w/Quality.tmp", "/z.zip"), "");
}

TEST(CommandSeries, PublicSendsLayoutTextAndQ) {
  GenerationChoices c = Choices(SecurityMode::kPublic);
  EXPECT_EQ(Messages(c), (std::vector<Bytes>{{0x11, 0, 0, 0, 8, 1, 2}, Concat(0x21, "http://x"), {0x51}}));
}

TEST(CommandSeries, UploadFollowsTheTextCommand) {
  GenerationChoices c = Choices(SecurityMode::kPublic);
  c.data_text.clear();
  c.upload_file = "/w/Quality.tmp";
  const auto series = CommandSeries(c);
  ASSERT_EQ(series.size(), 4u);
  EXPECT_EQ(series[1].command, Bytes{0x21});
  EXPECT_TRUE(series[2].IsUpload());
  EXPECT_EQ(series[2].upload_path, "/w/Quality.tmp");
  EXPECT_EQ(series[3].command, Bytes{0x51});
  // No file: no upload step, the text command is still sent.
  c.upload_file.clear();
  EXPECT_EQ(Messages(c), (std::vector<Bytes>{{0x11, 0, 0, 0, 8, 1, 2}, {0x21}, {0x51}}));
}

TEST(CommandSeries, PrivateSendsThePhraseThenR) {
  const auto m = Messages(Choices(SecurityMode::kPrivate, true));
  ASSERT_EQ(m.size(), 4u);
  EXPECT_EQ(m[2], Concat(0x41, "Secret"));
  EXPECT_EQ(m[3], Bytes{0x52});  // temporary means nothing here
}

TEST(CommandSeries, UniversalSendsTagPhraseAndBareCode) {
  const auto m = Messages(Choices(SecurityMode::kUniversal));
  ASSERT_EQ(m.size(), 5u);
  EXPECT_EQ(m[2], Concat(0x42, "Tag"));
  EXPECT_EQ(m[3], Concat(0x41, "Secret"));
  EXPECT_EQ(m[4], Bytes{0x53});
  EXPECT_EQ(Messages(Choices(SecurityMode::kUniversal, true))[4], Bytes{0x54});
}

TEST(CommandSeries, UniqueSendsTheSerialNumber) {
  const auto temporary = Messages(Choices(SecurityMode::kUnique, true));
  ASSERT_EQ(temporary.size(), 5u);
  EXPECT_EQ(temporary[2], Concat(0x42, "Tag"));
  EXPECT_EQ(temporary[3], Concat(0x41, "Secret"));
  EXPECT_EQ(temporary[4], Concat(0x54, "1234-5678-9012"));
  EXPECT_EQ(temporary[4].size(), 15u);
  EXPECT_EQ(Messages(Choices(SecurityMode::kUnique))[4], Concat(0x53, "1234-5678-9012"));
}

TEST(CommandSeries, CascadedOldPhraseIsSingleByteButPhraseZeroIsUtf8) {
  GenerationChoices c = Choices(SecurityMode::kCascaded);
  c.phrase0 = u"caf\u00E9";
  c.phrase1 = u"caf\u00E9";
  c.identification_tag = u"\u00E9";
  const auto m = Messages(c);
  ASSERT_EQ(m.size(), 5u);
  EXPECT_EQ(m[2], (Bytes{0x42, 0xC3, 0xA9}));
  EXPECT_EQ(m[3], (Bytes{0x41, 'c', 'a', 'f', 0xC3, 0xA9}));
  EXPECT_EQ(m[4], (Bytes{0x53, 'c', 'a', 'f', 0xE9}));
}

TEST(CommandSeries, EmptyFieldsStillSendTheirCommands) {
  GenerationChoices c = Choices(SecurityMode::kUnique);
  c.identification_tag.clear();
  c.phrase0.clear();
  c.phrase1.clear();
  const auto m = Messages(c);
  ASSERT_EQ(m.size(), 5u);
  EXPECT_EQ(m[2], Bytes{0x42});
  EXPECT_EQ(m[3], Bytes{0x41});
  EXPECT_EQ(m[4], Bytes{0x53});
}

}  // namespace
}  // namespace tessellux::generate
