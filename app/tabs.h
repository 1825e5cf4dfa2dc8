#pragma once

namespace tessellux::app {

// The window's tabs, by their index in the tab control.
enum Tab : int {
  kStyleTab = 0,
  kTextTab = 1,
  kPictureTab = 2,
  kZipTab = 3,
  kGeometryTab = 4,
  kEmbossTab = 5,
  kSecurityTab = 6,
  kViewPrintTab = 7,
};

}  // namespace tessellux::app
