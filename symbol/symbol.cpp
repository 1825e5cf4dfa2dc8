#include "symbol/symbol.h"

#include <algorithm>
#include <utility>

#include "symbol/raster.h"

namespace tessellux::symbol {
namespace {

constexpr std::size_t kBmpHeaderBytes = 14 + 40 + 8;  // file header, info header, 2-colour palette

bool ValidLayout(const Layout& layout) {
  auto count_ok = [](int count) { return count == 0 || ValidBlockCount(count); };
  return count_ok(layout.rows) && count_ok(layout.cols) && ValidReserved(layout.reserved) &&
         layout.grid >= 3 && layout.grid <= 128 && layout.thickness >= 1 && layout.thickness <= 8 &&
         (layout.style == Style::Lines || layout.style == Style::Dots);
}

// The BMP file size for rows x cols blocks, computed without building anything.
std::size_t BitmapBytes(const Layout& layout, int rows, int cols) {
  const std::size_t extra = layout.style == Style::Lines ? static_cast<std::size_t>(layout.thickness) : 0;
  const auto grid = static_cast<std::size_t>(layout.grid);
  const std::size_t width = grid * (8 * static_cast<std::size_t>(cols) + 2) + extra;
  const std::size_t height = grid * (8 * static_cast<std::size_t>(rows) + 2) + extra;
  return kBmpHeaderBytes + (width + 31) / 32 * 4 * height;
}

BuildError FromEncodeError(EncodeError error) {
  return error == EncodeError::DataTooLarge ? BuildError::DataTooLarge : BuildError::BadParameters;
}

}  // namespace

std::string Describe(BuildError error) {
  switch (error) {
    case BuildError::DataTooLarge: return "data too large for the symbol size";
    case BuildError::BitmapTooLarge: return "bitmap larger than the configured limit";
    case BuildError::BadParameters: return "layout parameters out of range";
  }
  return "unknown error";
}

Symbol::Symbol(Geometry geometry, Layout layout, std::shared_ptr<const Raster> raster)
    : geometry_(geometry), layout_(layout), raster_(std::move(raster)) {}

int Symbol::width() const { return raster_->width(); }
int Symbol::height() const { return raster_->height(); }
std::size_t Symbol::row_bytes() const { return raster_->row_bytes(); }
Bytes Symbol::BmpHeader() const { return MakeBmpHeader(width(), height()); }
void Symbol::RenderRow(int y, std::uint8_t* out) const { raster_->RenderRow(y, out); }

Bytes Symbol::ToBmp() const {
  Bytes file = BmpHeader();
  const std::size_t header = file.size();
  file.resize(header + row_bytes() * static_cast<std::size_t>(height()));
  // Positive-height BMPs store the bottom row first.
  for (int y = 0; y < height(); ++y)
    RenderRow(y, file.data() + header + row_bytes() * static_cast<std::size_t>(height() - 1 - y));
  return file;
}

std::variant<Symbol, BuildError> BuildSymbol(const SymbolSpec& request, const BuildLimits& limits) {
  const Layout& asked = request.layout;
  if (!ValidLayout(asked)) return BuildError::BadParameters;
  // A fixed size too large to draw is refused before any key is derived.
  if (asked.rows != 0 && asked.cols != 0 && BitmapBytes(asked, asked.rows, asked.cols) > limits.max_bitmap_bytes)
    return BuildError::BitmapTooLarge;

  auto encoded = EncodePayload(request.content, request.security, asked.rows, asked.cols, asked.reserved);
  if (auto* error = std::get_if<EncodeError>(&encoded)) return FromEncodeError(*error);
  Encoded& built = std::get<Encoded>(encoded);
  const Geometry geometry = built.geometry;
  if (BitmapBytes(asked, geometry.rows, geometry.cols) > limits.max_bitmap_bytes) return BuildError::BitmapTooLarge;

  Layout layout = asked;
  layout.rows = geometry.rows;
  layout.cols = geometry.cols;
  layout.reserved = 2 * geometry.k;
  auto raster = std::make_shared<const Raster>(geometry.rows, geometry.cols, layout.grid, layout.style,
                                               layout.thickness, std::move(built.codewords));
  return Symbol(geometry, layout, std::move(raster));
}

int DamageMap::damaged() const {
  return static_cast<int>(std::count_if(blocks.begin(), blocks.end(), [](std::uint8_t b) { return b != 0; }));
}

std::variant<ReadResult, ReadError> ReadSymbol(const Bytes& bmp_file, const ReaderKeys& keys) {
  auto bitmap = ParseBmp(bmp_file);
  if (auto* error = std::get_if<std::string>(&bitmap)) return ReadError{"not a readable bitmap: " + *error, DecodeFailure::Damaged, {}};
  auto sampled = SampleBitmap(std::get<Bitmap>(bitmap));
  if (auto* error = std::get_if<std::string>(&sampled)) return ReadError{"no symbol found: " + *error, DecodeFailure::Damaged, {}};
  return DecodeSampled(std::get<Sampled>(sampled), keys);
}

std::variant<ReadResult, ReadError> DecodeSampled(const Sampled& found, const ReaderKeys& keys) {
  DamageMap damage{found.rows, found.cols, Bytes(found.wrong_references.size(), 0)};
  const std::vector<bool> failed = FailedBlockChecks(found.codewords, found.rows, found.cols);
  for (std::size_t b = 0; b < damage.blocks.size(); ++b)
    damage.blocks[b] = static_cast<std::uint8_t>((failed[b] ? DamageMap::kCheckFailed : 0) |
                                                 (found.wrong_references[b] ? DamageMap::kReferencesWrong : 0));
  auto decoded = DecodePayload(found.codewords, found.rows, found.cols, keys, damage.blocks);
  if (auto* error = std::get_if<DecodeError>(&decoded))
    return ReadError{error->message, error->kind, std::move(damage)};
  DecodedPayload& payload = std::get<DecodedPayload>(decoded);
  ReadResult result;
  result.geometry = Geometry{found.rows, found.cols, payload.k};
  result.layout = Layout{found.rows, found.cols, 2 * payload.k, found.grid, found.style, found.thickness};
  result.mirrored = found.mirrored;
  result.security = std::move(payload.security);
  result.content = std::move(payload.content);
  result.corrected = payload.corrected;
  result.damage = std::move(damage);
  return result;
}

}  // namespace tessellux::symbol
