#pragma once

// The rules of the Security tab, without the window: what each mode does to
// the tab's controls, and what the status line and the data choice become.
// The window only applies these results.

#include <array>
#include <optional>
#include <string>

#include "security/security_mode.h"

namespace tessellux::security {

// The mode shown by the five option buttons: the first selected of Public,
// Private, Universal and Unique; Cascaded when none of them is.
SecurityMode ModeOfOptions(bool public_selected, bool private_selected, bool universal_selected,
                           bool unique_selected);

// What a mode does to the password character of a phrase box.
enum class Masking { kUnchanged, kMasked, kClear };

// One display-only usage box: index 10 x row + column.
struct UsageBox {
  int index;
  bool ticked;
};

// The properties one mode gives the tab's controls. Masking applies to
// entry 0 first, then entry 1; usage boxes in the order listed.
struct SecurityControls {
  bool temporary_enabled = false;
  bool tag_enabled = false;
  std::array<bool, 2> phrase_enabled{};
  std::array<const char*, 2> phrase_caption{};
  std::array<Masking, 2> phrase_masking{};
  std::array<UsageBox, 10> usage{};
};

SecurityControls ControlsForMode(SecurityMode mode);

// What the status check looks at.
struct SecurityStatusInputs {
  SecurityMode mode = SecurityMode::Public;
  std::array<std::u16string, 2> phrase;  // the two phrase entries' texts
  std::array<std::string, 2> caption;    // their labels' captions
  bool linked = false;                   // a Code Generator is connected
  int data_choice = 0;                   // index of the selected data choice
};

struct SecurityStatus {
  // The status line's new text ("" when nothing is wrong); nothing while no
  // Code Generator is linked, when the line keeps the search message.
  std::optional<std::string> status_text;
  // The data choice to select, when it has to change.
  std::optional<int> select_data_choice;
};

// Authorization modes go with "Authorization Tessellux"; leaving them
// returns to "Web address (URL)". At most one message, phrase entry 0
// tested before entry 1.
SecurityStatus SecurityStatusFor(const SecurityStatusInputs& inputs);

// What the status line shows while a build goes out (so linked), with the
// captions the mode gives the phrase labels: the text a build is refused
// on, "" when nothing is missing. The window and the command line both ask
// here.
std::string BuildStatusText(SecurityMode mode, const std::array<std::u16string, 2>& phrase, int data_choice);

// The title of the warning shown when a build is refused for what the
// status line says.
inline constexpr const char* kSecurityWarningTitle = "Security Setting Incomplete";

}  // namespace tessellux::security
