// Picture files the exact way, with no image decoder: a symbol's own
// bitmap sampled (a black-and-white 1-bit BMP in the file's own buffer), a
// 1-bit page turned grey. Everything else waits for the decoder of pictures
// of paper (symbol/paper/), which a program may load only when needed.

#include <utility>

#include "symbol/paper.h"
#include "symbol/raster.h"

namespace tessellux::symbol {

namespace {

std::optional<Sampled> SampleExact(const Bitmap& bitmap) {
  auto sampled = SampleBitmap(bitmap);
  if (auto* found = std::get_if<Sampled>(&sampled)) return std::move(*found);
  return std::nullopt;
}

// A 1-bit picture that is not a symbol's own grid, as the grey page it shows.
PreparedPicture GreyOf(const Bitmap& bitmap) {
  if (static_cast<std::int64_t>(bitmap.width) * bitmap.height > kMaxPicturePixels)
    return {ReadError{"not a readable picture: picture too large", DecodeFailure::Damaged, {}}};
  GreyImage image{bitmap.width, bitmap.height, {}};
  image.pixels.resize(static_cast<std::size_t>(bitmap.width) * static_cast<std::size_t>(bitmap.height));
  std::uint8_t* out = image.pixels.data();
  for (int y = 0; y < bitmap.height; ++y)
    for (int x = 0; x < bitmap.width; ++x) *out++ = bitmap.black(x, y) ? 0 : 255;
  return {std::move(image)};
}

}  // namespace

std::optional<Sampled> SampleSymbolBmp(const Bytes& file) {
  auto bitmap = ParseBmp(file);
  if (auto* parsed = std::get_if<Bitmap>(&bitmap)) return SampleExact(*parsed);
  return std::nullopt;
}

std::optional<PreparedPicture> PrepareWithoutDecoder(Bytes& file) {
  if (auto bitmap = TakeBmp(file)) {
    if (auto exact = SampleExact(*bitmap)) return PreparedPicture{std::move(*exact)};
    return GreyOf(*bitmap);
  }
  if (auto exact = SampleSymbolBmp(file)) return PreparedPicture{std::move(*exact)};
  return std::nullopt;
}

std::vector<PictureRead> ReadPreparedWith(const PreparedPicture& picture, const ReaderKeys& keys,
                                          const PictureOptions& options, const GreyPageReader& read_grey) {
  if (const auto* exact = std::get_if<Sampled>(&picture.content))
    return {PictureRead{DecodeSampled(*exact, keys), std::nullopt}};
  if (const auto* image = std::get_if<GreyImage>(&picture.content)) return read_grey(*image, keys, options);
  return {PictureRead{std::get<ReadError>(picture.content), std::nullopt}};
}

}  // namespace tessellux::symbol
