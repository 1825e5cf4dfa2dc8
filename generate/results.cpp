#include "generate/results.h"

#include <cmath>

namespace tessellux::generate {

std::optional<ReplyGeometry> ReadReplyGeometry(const Bytes& reply, app::Warning* warning) {
  if (reply.size() < 5) {
    if (warning) {
      *warning = {"Unexpected Symbol Geometry",
                  "The Code Generator's reply is " + std::to_string(reply.size()) +
                      " bytes long, too short to hold the symbol geometry, so the symbol "
                      "was not shown."};
    }
    return std::nullopt;
  }
  const ReplyGeometry geometry{reply[2], reply[3], reply[4]};
  if (geometry.k < 2 || geometry.k > 17) {
    if (warning) {
      *warning = {"Unexpected Symbol Geometry",
                  "The Code Generator reported " + std::to_string(geometry.k) +
                      " correctable bytes per 48-byte group, outside the range 2 to 17, so the "
                      "symbol was not shown."};
    }
    return std::nullopt;
  }
  return geometry;
}

std::string FormatByteCount(std::int64_t count, std::string_view group_separator) {
  const bool negative = count < 0;
  std::string digits = std::to_string(negative ? -count : count);
  std::string out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += group_separator;
    out += digits[i];
  }
  return negative ? "-" + out : out;
}

UsageFigures UsageCounts(const ReplyGeometry& g) {
  const std::int64_t blocks = static_cast<std::int64_t>(g.r) * g.c;
  const std::int64_t total = blocks * 14;
  // An odd k with an odd number of blocks leaves a half, shown rounded up.
  const double exact_error = (g.k / 2.0 + 2.0) * static_cast<double>(blocks);
  const auto error = static_cast<std::int64_t>(std::floor(exact_error + 0.5));
  return {total, error, total - error};
}

PixelSize SymbolPixelSize(const ReplyGeometry& g, int grid_size, int thickness,
                          layout::Style style) {
  const std::int32_t extra = style == layout::Style::kLines ? thickness : 0;
  return {grid_size * (8 * g.c + 2) + extra, grid_size * (8 * g.r + 2) + extra};
}

}  // namespace tessellux::generate
