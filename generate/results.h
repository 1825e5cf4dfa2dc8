#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "app/result.h"
#include "app/warning.h"
#include "geometry/style.h"
#include "output/picture_assembly.h"
#include "protocol/bytes.h"

namespace tessellux::generate {

// The geometry the Code Generator used, from the security mode reply:
// block rows r, block columns c, correctable bytes per group k.
struct ReplyGeometry {
  int r;
  int c;
  int k;
};

// Reads r, c, k from bytes 3 to 5 of the unframed reply. A reply too short
// to hold them, or a k outside 2..17 (which the error-correction control
// cannot show), gives nothing and `warning` says why; the run's results
// are then dropped.
app::Result<ReplyGeometry, app::Warning> ReadReplyGeometry(const Bytes& reply);

// The usage statistics in bytes. The error figure is (k / 2 + 2) x r x c,
// a half rounded up; the user figure is what is left, so they add up.
struct UsageFigures {
  std::int64_t total;
  std::int64_t error;
  std::int64_t user;
};

UsageFigures UsageCounts(const ReplyGeometry& geometry);

struct PixelSize {
  std::int32_t width;
  std::int32_t height;
};

// The symbol's size in pixels: each block is 8 grid steps, plus a grid
// step on each side, plus one line thickness for the "Lines" style.
PixelSize SymbolPixelSize(const ReplyGeometry& geometry, int grid_size, int thickness,
                          geometry::Style style);

// Whether a picture header fits the geometry just reported. Each side is the
// dot raster, g x (8 blocks + 2), plus at most one line thickness (the
// closing frame lines of "Lines"); a header promising anything else is a
// peer's fault, and nothing of it is fetched. This bounds what a Code
// Generator can make the program hold by the geometry it reported.
app::Result<> CheckPictureAgainstGeometry(const output::BmpShape& shape, const ReplyGeometry& geometry, int grid_size,
                                          int thickness);

}  // namespace tessellux::generate
