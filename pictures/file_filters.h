#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tessellux::pictures {

// The choosers' filters: description and pattern alternately, split by "|".
inline constexpr const char* kJpegFilter = "*.jpg (JPEG files)|*.jpg";
inline constexpr const char* kZipFilter = "*.zip (Zip files)|*.zip";
inline constexpr const char* kEmbossFilter = "*.jpg (JPEG files)|*.jpg|*.bmp (Bitmap files)|*.bmp";

// One name filter per entry in the file dialog's syntax, "description
// (patterns)". Names are matched without regard to letter case, as users
// of other systems expect ("photo.JPG"), and "*.jpg" also takes ".jpeg"
// and ".jpe" names. A description without a pattern is dropped.
std::vector<std::string> DialogNameFilters(std::string_view filter);

}  // namespace tessellux::pictures
