#include <gtest/gtest.h>

#include <array>

#include "app/data_choice.h"

namespace tessellux::app {
namespace {

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
}  // namespace tessellux::app
