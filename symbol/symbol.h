#pragma once

// The symbol as a whole: what the Code Generator builds and the reader reads.
// Built from the payload codec (codec.h) and the raster (raster.h).

#include <cstddef>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "symbol/codec.h"
#include "symbol/types.h"

namespace tessellux::symbol {

class Raster;

enum class BuildError {
  DataTooLarge,     // the data does not fit the fixed size (or the largest size)
  BitmapTooLarge,   // the bitmap would exceed the configured limit
  BadParameters,    // layout bytes out of range
};

std::string Describe(BuildError error);

// What one symbol is made of, as the service's commands delivered it (the
// program's own request, generate::BuildRequest, is the user's choices).
struct SymbolSpec {
  Layout layout;
  Content content;
  Security security;
};

struct BuildLimits {
  std::size_t max_bitmap_bytes = std::size_t{64} << 20;
};

// A built symbol. Holds its codewords only; pixel rows are rendered on demand.
class Symbol {
 public:
  Symbol(Geometry geometry, Layout layout, std::shared_ptr<const Raster> raster);

  const Geometry& geometry() const { return geometry_; }
  const Layout& layout() const { return layout_; }
  int width() const;    // pixels: grid * (8 * cols + 2) + e, e = thickness for Lines, else 0
  int height() const;   // pixels: grid * (8 * rows + 2) + e
  std::size_t row_bytes() const;        // one BMP row, padded to 4 bytes
  Bytes BmpHeader() const;              // file header, info header and 2-colour palette
  // Image row y (0 = top) in BMP form: 1 bit per pixel, MSB first, padded.
  void RenderRow(int y, std::uint8_t* out) const;
  Bytes ToBmp() const;                  // the whole file (for tools and tests)

 private:
  Geometry geometry_;
  Layout layout_;
  std::shared_ptr<const Raster> raster_;
};

std::variant<Symbol, BuildError> BuildSymbol(const SymbolSpec& request, const BuildLimits& limits = {});

// What the reader found wrong with each block, for people checking a print.
struct DamageMap {
  static constexpr std::uint8_t kCheckFailed = 1;      // the block's 2-byte check does not match
  static constexpr std::uint8_t kReferencesWrong = 2;  // some of its reference marks read wrong
  int rows = 0;
  int cols = 0;
  std::vector<std::uint8_t> blocks;  // rows * cols flags, row by row; 0 = intact
  int damaged() const;               // blocks with any flag: decoded as erasures
};

// What a reader makes of a symbol.
struct ReadResult {
  Geometry geometry;
  Layout layout;            // grid, style and thickness as found; rows/cols as found
  bool mirrored = false;
  Security security;        // mode, temporary, and the fields embedded in the symbol
  Content content;
  int corrected = 0;        // bytes repaired by error correction
  DamageMap damage;
};

struct ReadError {
  std::string message;
  DecodeFailure kind = DecodeFailure::Damaged;  // an unreadable picture counts as damaged
  DamageMap damage;                             // empty when no symbol was found
};

// Reads a 1-bit BMP file (upright or with its rows in reverse order).
std::variant<ReadResult, ReadError> ReadSymbol(const Bytes& bmp_file, const ReaderKeys& keys);

// The codec's half of reading: codewords sampled from any picture (raster.h)
// to what the symbol holds; blocks with reference marks read wrong are erased.
struct Sampled;
std::variant<ReadResult, ReadError> DecodeSampled(const Sampled& found, const ReaderKeys& keys);

}  // namespace tessellux::symbol
