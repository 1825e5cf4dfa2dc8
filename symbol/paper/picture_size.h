#pragma once

// The pixel size a picture file claims in its header, read before decoding
// so that a small file claiming a huge picture is refused without the
// allocation. Knows PNG, JPEG, BMP and TIFF; nullopt for anything else or a
// header too short to say.

#include <cstdint>
#include <optional>

#include "symbol/types.h"

namespace tessellux::symbol::paper {

struct ClaimedSize {
  std::int64_t width = 0, height = 0;
};

std::optional<ClaimedSize> PictureSizeFromHeader(const Bytes& file);

}  // namespace tessellux::symbol::paper
