#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "protocol/bytes.h"

namespace tessellux::symbol {

using tessellux::Bytes;

// Style byte of the layout command.
enum class Style : std::uint8_t { Lines = 1, Dots = 2 };

// The five security modes, in the order of the 0x51..0x54 commands
// (0x53 and 0x54 both carry Universal, Unique or Cascaded).
enum class SecurityMode : std::uint8_t { Public = 0, Private = 1, Universal = 2, Unique = 3, Cascaded = 4 };

// The six bytes of the layout command, as sent.
struct Layout {
  int rows = 0;       // block rows: 0 = automatic, else 1, 2, 4, ... 254
  int cols = 0;       // block columns: same scale
  int reserved = 0;   // parity bytes per 48-byte group: 0 = automatic, else 2k (k = 2..17)
  int grid = 8;       // pixels between grid lines, 3..128
  Style style = Style::Lines;
  int thickness = 2;  // line thickness or dot size in pixels, 1..8
};

// The block geometry a symbol was built with.
struct Geometry {
  int rows = 0;  // block rows
  int cols = 0;  // block columns
  int k = 0;     // correctable bytes per 48-byte group (2k parity bytes)
};

// What the symbol carries.
struct Content {
  std::string text;            // data text, UTF-8 (may be empty)
  std::optional<Bytes> file;   // uploaded file (JPEG or ZIP); nullopt when none was uploaded
};

// The security fields as the build commands delivered them.
struct Security {
  SecurityMode mode = SecurityMode::Public;
  bool temporary = false;
  std::string company;  // the service's company name
  std::string tag;      // identification tag, UTF-8
  std::string phrase;   // secret phrase (the new one when cascaded), UTF-8
  std::string second;   // reader serial number (unique) or old phrase (cascaded), 8-bit
};

// What a reader knows, for opening protected symbols.
struct ReaderKeys {
  std::string company;
  std::string phrase;      // the company's secret phrase (private symbols)
  std::string serial;      // this reader's serial number (unique authorization)
  std::string old_phrase;  // the phrase this reader held before (cascaded authorization)
};

}  // namespace tessellux::symbol
