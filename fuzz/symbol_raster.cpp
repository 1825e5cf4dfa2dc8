// The reader's first steps: any file as a BMP, and any picture it yields
// through the frame search and cell sampling.

#include "fuzz/fuzz_support.h"
#include "symbol/raster.h"

using namespace tessellux::symbol;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto parsed = ParseBmp(Bytes(data, data + size));
  const auto* bitmap = std::get_if<Bitmap>(&parsed);
  if (!bitmap) return 0;
  FUZZ_CHECK(bitmap->width > 0 && bitmap->height > 0);
  FUZZ_CHECK(bitmap->consistent());
  auto sampled = SampleBitmap(*bitmap);
  if (const auto* found = std::get_if<Sampled>(&sampled)) {
    FUZZ_CHECK(found->codewords.size() == static_cast<std::size_t>(found->rows) * found->cols * 14);
    FUZZ_CHECK(found->grid >= 3 && found->thickness >= 1);
  }
  return 0;
}
