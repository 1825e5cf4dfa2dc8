#include "app/data_choice.h"

namespace tessellux::app {

int DataChoiceIndex(std::span<const bool> selected) {
  for (std::size_t i = 0; i < selected.size() && i < kNoDataChoice; ++i) {
    if (selected[i]) return static_cast<int>(i);
  }
  return kNoDataChoice;
}

DataChoiceEffects EffectsOfDataChoice(int choice) {
  return DataChoiceEffects{
      .text_tab_available = choice >= kWebAddress && choice <= kTextPlusPicture,
      .picture_tab_available = choice == kTextPlusPicture || choice == kPictureOnly,
      .zip_tab_available = choice == kZippedFile,
      .empties_text = choice >= kPictureOnly,
  };
}

}  // namespace tessellux::app
