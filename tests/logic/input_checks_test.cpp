#include <gtest/gtest.h>

#include <array>

#include "generate/data_choice.h"
#include "generate/input_checks.h"
#include "security/security_mode.h"

namespace tessellux::generate {
namespace {

using layout::Style;

// A request for a data choice; `given` names the files chosen ("picture
// zip emboss"). Phrases are left blank.
BuildRequest In(int choice, std::string_view text = "", std::string_view given = "", Style style = Style::kLines,
                security::SecurityMode mode = security::SecurityMode::kPublic) {
  BuildRequest in;
  in.data = choice;
  in.text = ToBytes(text);
  if (given.find("picture") != given.npos) in.picture_file = "photo.jpg";
  if (given.find("zip") != given.npos) in.zip_file = "site.zip";
  if (given.find("emboss") != given.npos) in.emboss_file = "emboss.bmp";
  in.layout.style = style;
  in.security.mode = mode;
  return in;
}

TEST(InputChecks, FirstFailedRowGivesItsTabTitleAndText) {
  const struct {
    BuildRequest in;
    std::string title = "";  // of the first failed check; "" when all pass
    int tab = 0;
    const char* text = nullptr;  // checked when given
  } cases[] = {
      {In(kWebAddress, "www.example.com"), "Not Text", 1,
       "The data selection is Web address (URL), but the text doesn't begin with http:// or https://.\r\n\r\n"
       "Please include the correct prefix, or go to the Style tab and select Text instead of Web address (URL)."},
      {In(kText, "http://a"), "Not A Web Address (URL)", 1,
       "The data selection is Text, but the text begins with either http:// or https://.\r\n\r\n"
       "Please remove the prefix, or go to the Style tab and select Web address (URL) instead of Text."},
      {In(kText), "Text Missing", 1,
       "The data selection is Text, but no text has been entered.\r\n\r\n"
       "Please either enter some text, or go to the Style tab and select another choice."},
      {In(kTextPlusPicture), "Missing Picture", 2,
       "The data selection includes a picture, but no picture has been entered."},
      {In(kTextPlusPicture, "", "picture"), "Text Missing", 1,
       "The style selected is Text plus a picture, but no text has been entered.\r\n\r\n"
       "Please either enter some text, or go to the Style tab and select another choice."},
      // Another choice's file does not count.
      {In(kZippedFile, "", "picture"), "Missing Zip File", 3,
       "The data selection is Zipped file (HTML, BMP, etc.), but no ZIP file has been chosen.\r\n\r\n"
       "Please either choose a ZIP file, or go to the Style tab and select another choice."},
      {In(kAuthorization, "", "", Style::kDotsWithEmboss), "Missing Emboss Picture", 5,
       "The style selected is Dots with an embossed picture, but no embossed file has been entered."},
      // What the Security tab's status line shows stops a build after the data checks.
      {In(kAuthorization, "", "", Style::kLines, security::SecurityMode::kUniversal), "Security Setting Incomplete",
       6, "Secret Phrase cannot be blank"},
      {In(kText, "", "", Style::kLines, security::SecurityMode::kPrivate), "Text Missing", 1},
      {In(kWebAddress, "http://a")},
      {In(kWebAddress, "https://a")},
      {In(kWebAddress, "http://")},
      {In(kWebAddress), "Not Text"},
      {In(kWebAddress, "HTTP://a"), "Not Text"},
      {In(kWebAddress, "http:/"), "Not Text"},
      {In(kWebAddress, " http://a"), "Not Text"},
      {In(kText, "HTTP://a")},
      {In(kText, "https:/")},
      {In(kPictureOnly), "Missing Picture"},
      {In(kTextPlusPicture, "http://a", "picture")},
      {In(kPictureOnly, "anything", "picture")},
      {In(kZippedFile, "", "zip")},
      {In(kNoDataChoice)},
      {In(kNoDataChoice, "", "", Style::kDotsWithEmboss), "Missing Emboss Picture"},
      {In(kNoDataChoice, "", "emboss", Style::kDotsWithEmboss)},
      {In(kText, "", "", Style::kDotsWithEmboss), "Text Missing"},  // data rows come first
      {In(kAuthorization, "", "", Style::kDots)},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    const auto failure = CheckBeforeGeneration(cases[i].in);
    EXPECT_EQ(failure ? failure->title : "", cases[i].title);
    if (!cases[i].text || !failure) continue;
    EXPECT_EQ(failure->tab, cases[i].tab);
    EXPECT_EQ(failure->text, cases[i].text);
  }
}

TEST(DataChoice, IndexIsTheFirstSelectedElseSix) {
  EXPECT_EQ(DataChoiceIndex(std::array{false, true, false, false, true, false}), 1);
  EXPECT_EQ(DataChoiceIndex(std::array{false, false, false, false, false, true}), 5);
  EXPECT_EQ(DataChoiceIndex(std::array{false, false, false, false, false, false}), 6);
}

TEST(DataChoice, TabsAndTextPerChoice) {
  const std::array<bool, 4> expected[] = {{true, false, false, false}, {true, false, false, false},
                                          {true, true, false, false},  {false, true, false, true},
                                          {false, false, true, true},  {false, false, false, true}};
  for (int choice = 0; choice < 6; ++choice) {
    SCOPED_TRACE(choice);
    const DataChoiceEffects e = EffectsOfDataChoice(choice);
    EXPECT_EQ((std::array{e.text_tab_available, e.picture_tab_available, e.zip_tab_available, e.empties_text}),
              expected[choice]);
  }
}

}  // namespace
}  // namespace tessellux::generate
