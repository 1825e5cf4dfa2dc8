#pragma once

namespace tessellux::app {

// The window's tabs, by their index in the tab control; the program works
// with these, the user sees the captions.
enum Tab : int {
  kStyleTab = 0,
  kTextTab = 1,
  kPictureTab = 2,
  kZipTab = 3,
  kGeometryTab = 4,
  kEmbossTab = 5,
  kSecurityTab = 6,
  kViewPrintTab = 7,
  kTabCount = 8,
};

inline constexpr const char* kTabCaptions[kTabCount] = {
    "Style", "Text/URL", "Picture", "Zip", "Geometry", "Emboss", "Security", "View/Print"};

// What a change of the selected tab leads to.
enum class TabAction {
  kNothing,
  kBackToSecurity,  // no Code Generator: the user is held on "Security"
  kGenerate,        // "View/Print" entered while linked
};

constexpr TabAction OnTabChanged(bool linked, int new_tab) {
  if (!linked) return new_tab == kSecurityTab ? TabAction::kNothing : TabAction::kBackToSecurity;
  return new_tab == kViewPrintTab ? TabAction::kGenerate : TabAction::kNothing;
}

}  // namespace tessellux::app
