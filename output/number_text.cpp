#include "output/number_text.h"

#include <array>
#include <charconv>
#include <cmath>

namespace tessellux::output {
namespace {

bool Ignored(char c) { return c == ' ' || c == '\t' || c == '\n'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

double ReadLenientNumber(std::string_view text) {
  std::string kept;
  for (const char c : text) {
    if (!Ignored(c)) kept += c;
  }
  std::size_t i = 0;
  bool negative = false;
  if (i < kept.size() && (kept[i] == '+' || kept[i] == '-')) negative = kept[i++] == '-';
  const std::size_t start = i;
  bool any_digit = false;
  for (; i < kept.size() && IsDigit(kept[i]); ++i) any_digit = true;
  if (i < kept.size() && kept[i] == '.') {
    for (++i; i < kept.size() && IsDigit(kept[i]); ++i) any_digit = true;
  }
  if (!any_digit) return 0.0;
  // from_chars ignores the program's locale, unlike strtod.
  double value = 0.0;
  std::from_chars(kept.data() + start, kept.data() + i, value, std::chars_format::fixed);
  return negative ? -value : value;
}

std::string SymbolSizeText(std::int32_t pixels, double dots_per_inch, std::string_view decimal_point) {
  if (!(dots_per_inch > 0.0)) return {};
  return InchesText(pixels / dots_per_inch, decimal_point);
}

std::string InchesText(double exact_inches, std::string_view decimal_point) {
  // The default rounding mode sends a tie to the even neighbour.
  const double inches = std::nearbyint(exact_inches * 1000.0) / 1000.0;
  if (!std::isfinite(inches)) return {};
  std::array<char, 400> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), inches,
                                    std::chars_format::fixed, 3);
  // Trimmed inside the buffer and assembled once: in-place string edits
  // here trip a false -Wrestrict of GCC 12 at -O2.
  std::string_view digits(buffer.data(), static_cast<std::size_t>(result.ptr - buffer.data()));
  while (digits.back() == '0') digits.remove_suffix(1);
  if (digits.back() == '.') digits.remove_suffix(1);
  if (digits == "-0") digits = "0";
  const std::size_t point = digits.find('.');
  std::string text(digits.substr(0, point));
  if (point != std::string_view::npos) {
    text.append(decimal_point);
    text.append(digits.substr(point + 1));
  }
  text.push_back('"');
  return text;
}

std::string FormatByteCount(std::int64_t count, std::string_view group_separator) {
  const bool negative = count < 0;
  std::string digits = std::to_string(negative ? -count : count);
  std::string out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += group_separator;
    out += digits[i];
  }
  return negative ? "-" + out : out;
}

}  // namespace tessellux::output
