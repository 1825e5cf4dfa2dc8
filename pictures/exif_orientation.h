#pragma once

#include <cstddef>
#include <cstdint>

namespace tessellux::pictures {

// The EXIF orientation (1 to 8) of a JPEG file's bytes: 1 (as stored) when
// the file has no EXIF block, no orientation tag or a malformed one. Only
// the markers before the first scan are looked at, every read is bounded.
int ExifOrientation(const std::uint8_t* jpeg, std::size_t size);

// Turns a picture of `width` x `height` pixels of `pixel_size` bytes, rows
// packed, so that it looks as the orientation says it should. Orientations
// 5 to 8 swap width and height. `out` must hold width x height pixels.
void ApplyOrientation(int orientation, const std::uint8_t* in, int width, int height, int pixel_size,
                      std::uint8_t* out);

// True for orientations that swap width and height.
constexpr bool SwapsSides(int orientation) { return orientation >= 5 && orientation <= 8; }

}  // namespace tessellux::pictures
