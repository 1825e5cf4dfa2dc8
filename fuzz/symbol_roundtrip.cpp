// Encode, draw, read back: whatever text, file, security and layout the
// encoder accepts must read back as itself, upright and mirrored (or, when
// its marks run together, be refused: never read as something else).
//   bytes 0-5: layout (rows and cols from small steps, reserved, grid,
//   style, thickness); byte 6: security mode, temporary, mirror, has file;
//   then text, file, tag, phrase and second phrase as length-prefixed fields.

#include "fuzz/fuzz_support.h"
#include "symbol/symbol.h"

using namespace tessellux::symbol;

namespace {

// What a reader needs to open the symbol it was given; false when that
// secret is empty (a reader then reports the key as missing).
bool KeysFor(const Security& security, ReaderKeys& keys) {
  keys.company = security.company;
  if (security.mode == SecurityMode::Private) keys.phrase = security.phrase;
  if (security.mode == SecurityMode::Unique) keys.serial = security.second;
  if (security.mode == SecurityMode::Cascaded) keys.old_phrase = security.second;
  switch (security.mode) {
    case SecurityMode::Private: return !security.phrase.empty();
    case SecurityMode::Unique:
    case SecurityMode::Cascaded: return !security.second.empty();
    default: return true;
  }
}

// Marks keep a white pixel between them (docs/symbol-raster.md); other
// layouts are drawn but a reader refuses them.
bool MarksApart(const Layout& layout) {
  return layout.style == Style::Lines ? layout.thickness < layout.grid : layout.thickness < layout.grid / 2;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static constexpr int kCounts[] = {0, 1, 2, 4};
  tessellux::fuzz::Input input(data, size);
  SymbolSpec request;
  Layout& layout = request.layout;
  layout.rows = kCounts[input.Byte() & 3];
  layout.cols = kCounts[input.Byte() & 3];
  layout.reserved = input.Byte() % 36;
  layout.grid = input.Byte() % 41;
  layout.style = static_cast<Style>(input.Byte() % 3);
  layout.thickness = input.Byte() % 10;
  const std::uint8_t flags = input.Byte();
  Security& security = request.security;
  security.mode = static_cast<SecurityMode>(flags % 5);
  security.temporary = (flags & 0x08) != 0;
  const bool mirror = (flags & 0x10) != 0;
  security.company = "Fuzz Company";
  request.content.text = input.Text(255);
  if (flags & 0x20) request.content.file = input.Field(255);
  security.tag = input.Text(16);
  security.phrase = input.Text(16);
  security.second = input.Text(16);

  auto built = BuildSymbol(request, {.max_bitmap_bytes = 32 << 10});
  const auto* symbol = std::get_if<Symbol>(&built);
  if (!symbol) return 0;
  Bytes bmp = symbol->ToBmp();
  if (mirror) {  // a negative height turns the stored rows upside down
    for (int at = 22; at < 26; ++at) bmp[at] = static_cast<std::uint8_t>(~bmp[at]);
    if (++bmp[22] == 0 && ++bmp[23] == 0 && ++bmp[24] == 0) ++bmp[25];
  }

  ReaderKeys keys;
  const bool have_key = KeysFor(security, keys);
  auto read = ReadSymbol(bmp, keys);
  if (const auto* error = std::get_if<ReadError>(&read)) {
    if (!MarksApart(layout)) return 0;
    if (!have_key) {
      FUZZ_CHECK(error->kind == DecodeFailure::MissingKey);
      return 0;
    }
    std::fprintf(stderr, "built symbol unreadable: %s\n", error->message.c_str());
    FUZZ_CHECK(!"a built symbol reads back");
  }
  FUZZ_CHECK(have_key);  // nothing protected opens without its secret
  const ReadResult& result = std::get<ReadResult>(read);
  FUZZ_CHECK(result.mirrored == mirror);
  FUZZ_CHECK(result.geometry.rows == symbol->geometry().rows && result.geometry.cols == symbol->geometry().cols);
  FUZZ_CHECK(result.geometry.k == symbol->geometry().k);
  FUZZ_CHECK(result.layout.grid == layout.grid && result.layout.thickness == layout.thickness);
  FUZZ_CHECK(result.layout.style == layout.style);
  FUZZ_CHECK(result.corrected == 0);
  FUZZ_CHECK(result.content.text == request.content.text);
  FUZZ_CHECK(result.content.file == request.content.file);
  FUZZ_CHECK(result.security.mode == security.mode);
  FUZZ_CHECK(result.security.temporary == security.temporary);
  if (security.mode != SecurityMode::Public && security.mode != SecurityMode::Private) {
    FUZZ_CHECK(result.security.tag == security.tag);
    FUZZ_CHECK(result.security.phrase == security.phrase);
  }
  return 0;
}
