// The reader's first steps: any file as a BMP (parsed, and taken in place
// as tessellux-read does, the two agreeing), and any picture it yields
// through the frame search and cell sampling.

#include "fuzz/fuzz_support.h"
#include "symbol/raster.h"

using namespace tessellux::symbol;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Bytes file(data, data + size);
  auto parsed = ParseBmp(file);
  const auto* bitmap = std::get_if<Bitmap>(&parsed);
  if (const auto taken = TakeBmp(file)) {
    FUZZ_CHECK(bitmap && taken->bits == bitmap->bits && file.empty());
  } else {
    FUZZ_CHECK(file.size() == size);
  }
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
