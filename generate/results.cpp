#include "generate/results.h"

#include <cmath>

#include "protocol/block_geometry.h"

namespace tessellux::generate {

app::Result<ReplyGeometry, app::Warning> ReadReplyGeometry(const Bytes& reply) {
  constexpr const char* kTitle = "Unexpected Symbol Geometry";
  if (reply.size() < 5) {
    return app::Fail(app::Warning{kTitle, {"The Code Generator's reply is " + std::to_string(reply.size()) +
                                               " bytes long, too short to hold the symbol geometry, so the symbol "
                                               "was not shown."}});
  }
  const ReplyGeometry geometry{reply[2], reply[3], reply[4]};
  if (geometry.k < 2 || geometry.k > 17) {
    return app::Fail(app::Warning{kTitle, {"The Code Generator reported " + std::to_string(geometry.k) +
                                               " correctable bytes per 48-byte group, outside the range 2 to 17, so "
                                               "the symbol was not shown."}});
  }
  return geometry;
}

UsageFigures UsageCounts(const ReplyGeometry& g) {
  const std::int64_t blocks = static_cast<std::int64_t>(g.r) * g.c;
  const std::int64_t total = blocks * protocol::kBytesPerBlock;
  // An odd k with an odd number of blocks leaves a half, shown rounded up.
  const double exact_error = (g.k / 2.0 + 2.0) * static_cast<double>(blocks);
  const auto error = static_cast<std::int64_t>(std::floor(exact_error + 0.5));
  return {total, error, total - error};
}

PixelSize SymbolPixelSize(const ReplyGeometry& g, int grid_size, int thickness,
                          geometry::Style style) {
  const std::int32_t extra = style == geometry::Style::kLines ? thickness : 0;
  return {grid_size * (8 * g.c + 2) + extra, grid_size * (8 * g.r + 2) + extra};
}

app::Result<> CheckPictureAgainstGeometry(const output::BmpShape& shape, const ReplyGeometry& g, int grid_size,
                                          int thickness) {
  const PixelSize dots = SymbolPixelSize(g, grid_size, thickness, geometry::Style::kDots);
  const auto fits = [thickness](std::int64_t side, std::int64_t raster) {
    return side >= raster && side <= raster + thickness;
  };
  if (fits(shape.width, dots.width) && fits(shape.height, dots.height)) return app::Done{};
  return app::Fail("its header says " + std::to_string(shape.width) + " x " + std::to_string(shape.height) +
                   " pixels, but " + std::to_string(g.r) + " x " + std::to_string(g.c) + " blocks at grid size " +
                   std::to_string(grid_size) + " make " + std::to_string(dots.width) + " x " +
                   std::to_string(dots.height) + " pixels (up to " + std::to_string(thickness) + " more with lines)");
}

}  // namespace tessellux::generate
