#pragma once

#include <span>

namespace tessellux::app {

// What the symbol carries: the index of the selected data option button,
// or kNoDataChoice when none is selected.
enum DataChoice : int {
  kWebAddress = 0,
  kText = 1,
  kTextPlusPicture = 2,
  kPictureOnly = 3,
  kZippedFile = 4,
  kAuthorization = 5,
  kNoDataChoice = 6,
};

// The first selected button in index order (0 to 5), else kNoDataChoice.
int DataChoiceIndex(std::span<const bool> selected);

// What making a data choice does to the input tabs and the text box.
struct DataChoiceEffects {
  bool text_tab_available;     // tab "Text/URL"
  bool picture_tab_available;  // tab "Picture"
  bool zip_tab_available;      // tab "Zip"
  bool empties_text;           // choices that carry no text clear it
};

DataChoiceEffects EffectsOfDataChoice(int choice);

}  // namespace tessellux::app
