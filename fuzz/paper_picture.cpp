// The reader's picture path: any file through the header size check,
// OpenCV's decoders and, for whatever decodes, the search for symbols on
// paper. Pictures are kept small so that each run stays quick.

#include "fuzz/fuzz_support.h"
#include "symbol/paper.h"
#include "symbol/paper/picture_size.h"

using namespace tessellux::symbol;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Bytes file(data, data + size);
  const auto claimed = paper::PictureSizeFromHeader(file);
  // Sizes from a header reach 2^32 each: compared by division, never multiplied.
  if (!claimed) return 0;
  if (claimed->width > 0 && claimed->height > 0 && claimed->width > 512 * 512 / claimed->height) return 0;
  const auto reads = ReadPicture(file, {}, PictureOptions{true});
  FUZZ_CHECK(!reads.empty());
  for (const auto& read : reads) {
    if (const auto* result = std::get_if<ReadResult>(&read.result)) {
      FUZZ_CHECK(result->geometry.rows >= 1 && result->geometry.cols >= 1);
      FUZZ_CHECK(result->damage.blocks.size() == static_cast<std::size_t>(result->geometry.rows) * result->geometry.cols);
    }
  }
  return 0;
}
