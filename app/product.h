#pragma once

#include <string>

namespace tessellux::app {

inline constexpr const char* kProductName = "Create Tessellux";
inline constexpr int kVersionMajor = 2;
inline constexpr int kVersionMinor = 0;

// "Create Tessellux   Version 2.0": three spaces before the word, one after.
std::string WindowCaption();

}  // namespace tessellux::app
