#pragma once

#include <optional>
#include <string>

#include "layout/style.h"
#include "protocol/bytes.h"

namespace tessellux::generate {

// What the checks before a generation look at.
struct CheckInputs {
  int data_choice = 0;  // DataChoice, 0 to 6
  Bytes data_text;      // the text box as UTF-8
  bool picture_file_given = false;
  bool zip_file_given = false;
  bool emboss_file_given = false;
  layout::Style style = layout::Style::kLines;
  // What the Security tab's status line shows for the chosen mode and
  // fields (empty: nothing missing). A build never goes out past it: an
  // authorization without its serial number or phrase would authorize the
  // wrong readers.
  std::string security_status;
};

// The first failed check: the tab to select and the warning to show.
struct CheckFailure {
  int tab;
  std::string title;
  std::string text;
};

// Runs the checks in their fixed order; nothing when all pass.
std::optional<CheckFailure> CheckBeforeGeneration(const CheckInputs& inputs);

}  // namespace tessellux::generate
