#pragma once

// Checking a print: a scan or photo of a printed symbol is read and compared
// with the symbol built last. The built symbol's own BMP is read the exact
// way with the same keys, so both sides are compared as the reader sees
// them: block counts, error correction, style, security fields and what
// the symbol carries. Nothing here is display text; the window formats it.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "protocol/bytes.h"
#include "symbol/grade.h"
#include "symbol/paper.h"

namespace tessellux::verify {


// What can differ between the printed symbol and the one built last, in
// the order the window lists them.
enum class Field { kBlocks, kCorrection, kStyle, kSecurity, kText, kFile };

enum class Verdict {
  kSame,           // the scan holds exactly the symbol built last
  kDiffers,        // a symbol was read, but not that one
  kNotRead,        // no symbol found, or damaged beyond correction
  kKeyNeeded,      // a private symbol whose phrase (or serial) is missing or wrong
  kBuiltUnreadable,  // the symbol built last could not be read with these keys
  kFileUnreadable,   // the scan's file could not be opened or is too large
};

struct PrintCheck {
  Verdict verdict = Verdict::kNotRead;
  std::string reason;            // the reader's words, when not read
  std::vector<Field> differences;  // for kDiffers, in Field order
  std::optional<symbol::ReadResult> built;
  std::optional<symbol::ReadResult> scanned;
  symbol::Grade grade;           // of the scan's read ('F' when not read)
  bool from_paper = false;       // the scan was read as paper, not as the symbol's own BMP
};

// Largest scan file read: a 24-bit BMP of the largest picture the reader
// accepts (2^28 pixels) is 768 MiB.
inline constexpr std::uint64_t kMaxScanFileBytes = std::uint64_t{800} << 20;

// Reads `scan` (any picture file) and compares it with `built_bmp`, the
// symbol file of the last build. Blocking: callers run it off the window's
// thread.
PrintCheck CheckPrint(const Bytes& scan, const Bytes& built_bmp, const symbol::ReaderKeys& keys);
PrintCheck CheckPrintFile(const std::string& scan_path, const Bytes& built_bmp, const symbol::ReaderKeys& keys);

// Where two texts (or files) first differ: the index of the first unequal
// byte, or the shorter one's size when one begins the other.
std::size_t FirstDifference(const std::string& a, const std::string& b);

}  // namespace tessellux::verify
