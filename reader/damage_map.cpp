#include "reader/damage_map.h"

#include <cstdio>

namespace tessellux::reader {
namespace {

char BlockMark(std::uint8_t flags) {
  const bool check = flags & symbol::DamageMap::kCheckFailed;
  const bool references = flags & symbol::DamageMap::kReferencesWrong;
  if (check && references) return 'R';
  if (check) return 'X';
  if (references) return 'r';
  return '.';
}

// A header line holding one digit (hundreds, tens or units) of each column number.
std::string DigitLine(int cols, int divisor) {
  std::string line(5, ' ');
  for (int c = 0; c < cols; ++c)
    line += (c < divisor && divisor > 1) ? ' ' : static_cast<char>('0' + c / divisor % 10);
  return line + "\n";
}

}  // namespace

std::string DrawDamageMap(const symbol::DamageMap& damage) {
  std::string out = "Block map (. intact, X check failed, r reference marks wrong, R both):\n";
  for (int divisor : {100, 10, 1})
    if (divisor == 1 || damage.cols > divisor) out += DigitLine(damage.cols, divisor);
  for (int r = 0; r < damage.rows; ++r) {
    char label[16];
    std::snprintf(label, sizeof label, "%4d ", r);
    out += label;
    for (int c = 0; c < damage.cols; ++c)
      out += BlockMark(damage.blocks[static_cast<std::size_t>(r) * static_cast<std::size_t>(damage.cols) +
                                     static_cast<std::size_t>(c)]);
    out += "\n";
  }
  return out;
}

}  // namespace tessellux::reader
