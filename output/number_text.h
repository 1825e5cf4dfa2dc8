#pragma once

// Numbers as people read them: typed resolutions, sizes in inches, byte
// counts. Only the window and the command line format; the logic passes
// numbers.

#include <cstdint>
#include <string>
#include <string_view>

namespace tessellux::output {

// Reads a typed number leniently: blanks, tabs and line feeds anywhere are
// ignored, then the longest leading decimal number is taken (optional sign,
// digits, '.' as the point in any locale); 0 when there is none. So "600",
// "600 dpi" and "6 0 0" all give 600, and "" or "dpi" give 0.
double ReadLenientNumber(std::string_view text);

// A size in inches: pixels / dots_per_inch rounded to 3 decimals (a tie
// to the even digit), written without trailing zeros and followed by the
// inch mark; `decimal_point` is the user's ("." or ",", say). Empty when
// dots_per_inch is not above 0.
std::string SymbolSizeText(std::int32_t pixels, double dots_per_inch, std::string_view decimal_point = ".");

// Inches written the same way (paper and page sizes); empty when not finite.
std::string InchesText(double inches, std::string_view decimal_point = ".");

// A byte count in the format "#,###,##0" with `group_separator` between
// thousands: the user's (the window passes its locale's; the command line
// uses "," unless told otherwise).
std::string FormatByteCount(std::int64_t count, std::string_view group_separator = ",");

}  // namespace tessellux::output
