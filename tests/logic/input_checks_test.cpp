#include <gtest/gtest.h>

#include <array>

#include "generate/data_choice.h"
#include "generate/input_checks.h"

namespace tessellux::generate {
namespace {

CheckInputs Inputs(int choice, std::string_view text = "") {
  CheckInputs in;
  in.data_choice = choice;
  in.data_text = ToBytes(text);
  return in;
}

// The title of the first failed check, or "" when all pass.
std::string Title(const CheckInputs& in) {
  auto failure = CheckBeforeGeneration(in);
  return failure ? failure->title : "";
}

TEST(InputChecks, WebAddressNeedsAnExactLowerCasePrefix) {
  EXPECT_EQ(Title(Inputs(kWebAddress, "http://a")), "");
  EXPECT_EQ(Title(Inputs(kWebAddress, "https://a")), "");
  EXPECT_EQ(Title(Inputs(kWebAddress, "http://")), "");
  EXPECT_EQ(Title(Inputs(kWebAddress, "")), "Not Text");
  EXPECT_EQ(Title(Inputs(kWebAddress, "HTTP://a")), "Not Text");
  EXPECT_EQ(Title(Inputs(kWebAddress, "http:/")), "Not Text");
  EXPECT_EQ(Title(Inputs(kWebAddress, " http://a")), "Not Text");
}

TEST(InputChecks, RowOneTabAndText) {
  const auto failure = CheckBeforeGeneration(Inputs(kWebAddress, "www.example.com"));
  ASSERT_TRUE(failure);
  EXPECT_EQ(failure->tab, 1);
  EXPECT_EQ(failure->text,
            "The data selection is Web address (URL), but the text doesn't begin with http:// or "
            "https://.\r\n\r\nPlease include the correct prefix, or go to the Style tab and select "
            "Text instead of Web address (URL).");
}

TEST(InputChecks, TextRejectsPrefixBeforeEmptiness) {
  EXPECT_EQ(Title(Inputs(kText, "hello")), "");
  EXPECT_EQ(Title(Inputs(kText, "HTTP://a")), "");
  EXPECT_EQ(Title(Inputs(kText, "https:/")), "");
  EXPECT_EQ(Title(Inputs(kText, "")), "Text Missing");
  const auto prefixed = CheckBeforeGeneration(Inputs(kText, "http://a"));
  ASSERT_TRUE(prefixed);
  EXPECT_EQ(prefixed->tab, 1);
  EXPECT_EQ(prefixed->title, "Not A Web Address (URL)");
  EXPECT_EQ(prefixed->text,
            "The data selection is Text, but the text begins with either http:// or https://."
            "\r\n\r\nPlease remove the prefix, or go to the Style tab and select Web address (URL) "
            "instead of Text.");
  const auto empty = CheckBeforeGeneration(Inputs(kText));
  EXPECT_EQ(empty->tab, 1);
  EXPECT_EQ(empty->text,
            "The data selection is Text, but no text has been entered.\r\n\r\nPlease either enter "
            "some text, or go to the Style tab and select another choice.");
}

TEST(InputChecks, PictureIsCheckedBeforeTextAndHasOneParagraph) {
  const auto failure = CheckBeforeGeneration(Inputs(kTextPlusPicture));
  ASSERT_TRUE(failure);
  EXPECT_EQ(failure->tab, 2);
  EXPECT_EQ(failure->title, "Missing Picture");
  EXPECT_EQ(failure->text, "The data selection includes a picture, but no picture has been entered.");
  EXPECT_EQ(Title(Inputs(kPictureOnly)), "Missing Picture");

  CheckInputs text_missing = Inputs(kTextPlusPicture);
  text_missing.picture_file_given = true;
  const auto second = CheckBeforeGeneration(text_missing);
  ASSERT_TRUE(second);
  EXPECT_EQ(second->tab, 1);
  EXPECT_EQ(second->title, "Text Missing");
  EXPECT_EQ(second->text,
            "The style selected is Text plus a picture, but no text has been entered.\r\n\r\n"
            "Please either enter some text, or go to the Style tab and select another choice.");
}

TEST(InputChecks, PictureChoicesHaveNoPrefixCheck) {
  CheckInputs with_prefix = Inputs(kTextPlusPicture, "http://a");
  with_prefix.picture_file_given = true;
  EXPECT_EQ(Title(with_prefix), "");
  CheckInputs picture_only = Inputs(kPictureOnly, "anything at all");
  picture_only.picture_file_given = true;
  EXPECT_EQ(Title(picture_only), "");
}

TEST(InputChecks, ZipChoiceNeedsAZipFile) {
  const auto failure = CheckBeforeGeneration(Inputs(kZippedFile));
  ASSERT_TRUE(failure);
  EXPECT_EQ(failure->tab, 3);
  EXPECT_EQ(failure->title, "Missing Zip File");
  EXPECT_EQ(failure->text,
            "The data selection is Zipped file (HTML, BMP, etc.), but no ZIP file has been chosen."
            "\r\n\r\nPlease either choose a ZIP file, or go to the Style tab and select another "
            "choice.");
  CheckInputs given = Inputs(kZippedFile);
  given.zip_file_given = true;
  EXPECT_EQ(Title(given), "");
  // Another choice's file does not count.
  CheckInputs picture = Inputs(kZippedFile);
  picture.picture_file_given = true;
  EXPECT_EQ(Title(picture), "Missing Zip File");
}

TEST(InputChecks, AuthorizationAndNoChoiceNeedNothing) {
  EXPECT_EQ(Title(Inputs(kAuthorization)), "");
  EXPECT_EQ(Title(Inputs(kNoDataChoice)), "");
}

TEST(InputChecks, EmbossIsCheckedLastForEveryChoice) {
  CheckInputs in = Inputs(kAuthorization);
  in.style = layout::Style::kDotsWithEmboss;
  const auto failure = CheckBeforeGeneration(in);
  ASSERT_TRUE(failure);
  EXPECT_EQ(failure->tab, 5);
  EXPECT_EQ(failure->title, "Missing Emboss Picture");
  EXPECT_EQ(failure->text,
            "The style selected is Dots with an embossed picture, but no embossed file has been "
            "entered.");
  in.data_choice = kNoDataChoice;
  EXPECT_EQ(Title(in), "Missing Emboss Picture");
  in.emboss_file_given = true;
  EXPECT_EQ(Title(in), "");

  // A failing data row wins over the emboss row.
  CheckInputs both = Inputs(kText);
  both.style = layout::Style::kDotsWithEmboss;
  EXPECT_EQ(Title(both), "Text Missing");
  // Plain dots need no emboss file.
  CheckInputs dots = Inputs(kAuthorization);
  dots.style = layout::Style::kDots;
  EXPECT_EQ(Title(dots), "");
}

TEST(DataChoice, IndexIsTheFirstSelectedElseSix) {
  EXPECT_EQ(DataChoiceIndex(std::array{false, false, true, false, false, false}), 2);
  EXPECT_EQ(DataChoiceIndex(std::array{false, true, false, false, true, false}), 1);
  EXPECT_EQ(DataChoiceIndex(std::array{false, false, false, false, false, true}), 5);
  EXPECT_EQ(DataChoiceIndex(std::array{false, false, false, false, false, false}), 6);
}

TEST(DataChoice, TabsAndTextPerChoice) {
  struct Row {
    bool text, picture, zip, empties;
  };
  const Row expected[] = {{true, false, false, false}, {true, false, false, false},
                          {true, true, false, false},  {false, true, false, true},
                          {false, false, true, true},  {false, false, false, true}};
  for (int choice = 0; choice < 6; ++choice) {
    SCOPED_TRACE(choice);
    const DataChoiceEffects e = EffectsOfDataChoice(choice);
    EXPECT_EQ(e.text_tab_available, expected[choice].text);
    EXPECT_EQ(e.picture_tab_available, expected[choice].picture);
    EXPECT_EQ(e.zip_tab_available, expected[choice].zip);
    EXPECT_EQ(e.empties_text, expected[choice].empties);
  }
}

}  // namespace
}  // namespace tessellux::generate
