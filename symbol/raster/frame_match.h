#pragma once

// Finding a symbol in a picture: every geometry whose pixel size equals the
// picture's is a candidate, and the frame ring decides between them. The
// ring is compared pixel by pixel with what the frame alone would draw,
// skipping pixels a data mark could reach.

#include <optional>
#include <vector>

#include "symbol/raster.h"
#include "symbol/raster/layout.h"

namespace tessellux::symbol::raster {

// A picture as the reader sees it, possibly upside down (rows reversed).
struct PictureView {
  const Bitmap* bitmap = nullptr;
  bool flipped = false;
  bool black(int x, int y) const { return bitmap->black(x, flipped ? bitmap->height - 1 - y : y); }
};

enum class Cover : std::uint8_t { White, Black, Unknown };

// What the frame alone puts at pixel (x, y); Unknown where a data mark reaches.
Cover FrameCover(const Layout& layout, int x, int y);

// Geometries (any style, grid 3..128, thickness 1..8, rows and columns
// 1..254) whose pixel size is width x height.
std::vector<Layout> CandidateLayouts(int width, int height);

// Wrong frame pixels per black frame pixel, lower is better; nullopt when
// the frame is not there (its mark centres disagree, checked first because
// it is cheap, or more pixels are wrong than a little noise explains).
std::optional<double> FrameMismatch(const Layout& layout, const PictureView& view);

}  // namespace tessellux::symbol::raster
