#include <gtest/gtest.h>

#include <map>

#include "app/data_choice.h"
#include "security/field_checks.h"
#include "security/security_controls.h"

namespace tessellux::security {
namespace {

using enum SecurityMode;

TEST(FieldChecks, NotBlank) {
  EXPECT_EQ(CheckNotBlank("Secret Phrase:", u""), "Secret Phrase cannot be blank");
  EXPECT_EQ(CheckNotBlank("A:b::c:", u""), "Abc cannot be blank");
  EXPECT_EQ(CheckNotBlank("No colon", u""), "No colon cannot be blank");
  EXPECT_EQ(CheckNotBlank("Secret Phrase:", u"   "), std::nullopt);  // blanks are characters
  EXPECT_EQ(CheckNotBlank("Secret Phrase:", u"x"), std::nullopt);
}

TEST(FieldChecks, ReaderSerialNumber) {
  const std::u16string good = u"1234-5678-9012";
  EXPECT_EQ(CheckReaderSerialNumber(good), std::nullopt);
  EXPECT_EQ(CheckReaderSerialNumber(u"0000-0000-0000"), std::nullopt);
  for (const std::u16string bad : {u"", u"1234-5678-901", u"1234-5678-90123", u"1234 5678 9012", u"12345-678-9012",
                                   u"1234-5678-901-", u" 1234-5678-9012", u"1234-5678-9012 ", u"1234-5678-90a2",
                                   u"1234-5678-901\u0662", u"\uFF11234-5678-9012", u"1234-5678-9012-"}) {
    EXPECT_EQ(CheckReaderSerialNumber(bad), kSerialNumberMessage) << std::string(bad.begin(), bad.end());
  }
}

TEST(SecurityControls, ModeFromTheFirstSelectedOption) {
  EXPECT_EQ(ModeOfOptions(true, true, true, true), Public);
  EXPECT_EQ(ModeOfOptions(false, true, true, false), Private);
  EXPECT_EQ(ModeOfOptions(false, false, true, true), Universal);
  EXPECT_EQ(ModeOfOptions(false, false, false, true), Unique);
  EXPECT_EQ(ModeOfOptions(false, false, false, false), Cascaded);
}

TEST(SecurityControls, MatrixOfTheFiveModes) {
  using M = Masking;
  struct Row {
    SecurityMode mode;
    bool temporary, tag, phrase0, phrase1;
    const char* caption0;
    const char* caption1;
    M mask0, mask1;
    std::map<int, bool> ticked;  // usage boxes that are ticked
  };
  const Row rows[] = {
      {Public, false, false, false, false, "Secret Phrase:", "Not Applicable:", M::kUnchanged, M::kUnchanged, {}},
      {Private, false, true, true, false, "Secret Phrase:", "Not Applicable:", M::kMasked, M::kUnchanged,
       {{12, true}, {42, true}}},
      {Universal, true, true, true, false, "Secret Phrase:", "Not Applicable:", M::kMasked, M::kUnchanged,
       {{13, true}, {33, true}, {43, true}}},
      {Unique, true, true, true, true, "Secret Phrase:", "Reader Serial Number:", M::kMasked, M::kClear,
       {{13, true}, {33, true}, {43, true}, {52, true}}},
      {Cascaded, true, true, true, true, "New Secret Phrase:", "Old Secret Phrase:", M::kUnchanged, M::kMasked,
       {{12, true}, {13, true}, {33, true}, {43, true}, {52, true}}},
  };
  const int order[] = {12, 22, 32, 42, 52, 13, 23, 33, 43, 53};
  for (const Row& row : rows) {
    SCOPED_TRACE(static_cast<int>(row.mode));
    const SecurityControls c = ControlsForMode(row.mode);
    EXPECT_EQ(c.temporary_enabled, row.temporary);
    EXPECT_EQ(c.tag_enabled, row.tag);
    EXPECT_EQ(c.phrase_enabled[0], row.phrase0);
    EXPECT_EQ(c.phrase_enabled[1], row.phrase1);
    EXPECT_STREQ(c.phrase_caption[0], row.caption0);
    EXPECT_STREQ(c.phrase_caption[1], row.caption1);
    EXPECT_EQ(c.phrase_masking[0], row.mask0);
    EXPECT_EQ(c.phrase_masking[1], row.mask1);
    for (std::size_t i = 0; i < c.usage.size(); ++i) {
      EXPECT_EQ(c.usage[i].index, order[i]);
      EXPECT_EQ(c.usage[i].ticked, row.ticked.contains(order[i])) << "usage box " << order[i];
    }
  }
}

SecurityStatusInputs Inputs(SecurityMode mode, std::u16string phrase0, std::u16string phrase1,
                            int data_choice = app::kWebAddress) {
  SecurityStatusInputs in;
  in.mode = mode;
  in.phrase = {std::move(phrase0), std::move(phrase1)};
  const SecurityControls c = ControlsForMode(mode);
  in.caption = {c.phrase_caption[0], c.phrase_caption[1]};
  in.linked = true;
  in.data_choice = data_choice;
  return in;
}

TEST(SecurityStatus, MessagesInTheirOrder) {
  const std::u16string serial = u"1234-5678-9012";
  struct Row {
    SecurityMode mode;
    std::u16string phrase0, phrase1;
    std::string expected;
  };
  const Row rows[] = {
      {Public, u"", u"", ""},
      {Private, u"", u"", "Secret Phrase cannot be blank"},
      {Private, u"p", u"", ""},
      {Universal, u"", u"", "Secret Phrase cannot be blank"},
      {Universal, u"p", u"", ""},
      {Unique, u"", u"12", "Secret Phrase cannot be blank"},  // entry 0 first
      {Unique, u"p", u"", "Reader Serial Number must be ####-####-####"},
      {Unique, u"p", u"1234-5678-901", "Reader Serial Number must be ####-####-####"},
      {Unique, u"p", serial, ""},
      {Cascaded, u"", u"", "New Secret Phrase cannot be blank"},
      {Cascaded, u"p", u"", "Old Secret Phrase cannot be blank"},
      {Cascaded, u"p", u"q", ""},
  };
  for (const Row& row : rows) {
    const SecurityStatus status = SecurityStatusFor(Inputs(row.mode, row.phrase0, row.phrase1));
    EXPECT_EQ(status.status_text, row.expected) << static_cast<int>(row.mode);
  }
}

TEST(SecurityStatus, DataChoiceFollowsTheMode) {
  using namespace app;
  struct Row {
    SecurityMode mode;
    int data_choice;
    std::optional<int> select;
  };
  const Row rows[] = {
      {Universal, kWebAddress, kAuthorization}, {Unique, kZippedFile, kAuthorization},
      {Cascaded, kNoDataChoice, kAuthorization}, {Cascaded, kAuthorization, std::nullopt},
      {Public, kAuthorization, kWebAddress},      {Private, kAuthorization, kWebAddress},
      {Private, kText, std::nullopt},             {Public, kPictureOnly, std::nullopt},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(SecurityStatusFor(Inputs(row.mode, u"p", u"q", row.data_choice)).select_data_choice, row.select)
        << static_cast<int>(row.mode) << " from " << row.data_choice;
  }
}

TEST(SecurityStatus, NothingWhileNoCodeGeneratorIsLinked) {
  SecurityStatusInputs in = Inputs(Unique, u"", u"", app::kWebAddress);
  in.linked = false;
  const SecurityStatus status = SecurityStatusFor(in);
  EXPECT_EQ(status.status_text, std::nullopt);
  EXPECT_EQ(status.select_data_choice, std::nullopt);
}

}  // namespace
}  // namespace tessellux::security
