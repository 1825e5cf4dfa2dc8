#include "symbol/grade.h"

#include <variant>

namespace tessellux::symbol {

namespace {

// Each erased block costs one byte in each of 12 groups, and there is one
// group per four blocks: 48 d / B erasures per group on average, of 2k.
double Margin(double damaged_share, int k) { return k > 0 ? 1 - 24 * damaged_share / k : 0; }

char Letter(double margin, double contrast) {
  if (margin >= 0.75 && contrast >= 0.5) return 'A';
  if (margin >= 0.5 && contrast >= 0.4) return 'B';
  if (margin >= 0.25 && contrast >= 0.3) return 'C';
  if (margin > 0 && contrast >= 0.2) return 'D';
  return 'E';  // read, but with nothing to spare
}

}  // namespace

Grade GradeRead(const PictureRead& read) {
  Grade grade;
  if (read.scan) grade.contrast = read.scan->contrast;
  const auto* result = std::get_if<ReadResult>(&read.result);
  const DamageMap& damage = result ? result->damage : std::get<ReadError>(read.result).damage;
  if (!damage.blocks.empty()) grade.damaged_share = static_cast<double>(damage.damaged()) / damage.blocks.size();
  if (!result) return grade;  // 'F'
  grade.margin = Margin(grade.damaged_share, result->geometry.k);
  grade.letter = Letter(grade.margin, grade.contrast);
  return grade;
}

}  // namespace tessellux::symbol
