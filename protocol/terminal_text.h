#pragma once

// Making a symbol's texts safe to print: whatever a symbol holds, the
// output stays one line per field and sends no terminal controls (the
// reader's fields, the command line's reports of paths and errors).

#include <string>
#include <string_view>

namespace tessellux::protocol {

// Printable UTF-8 is kept as it is. A backslash becomes "\\"; line feed,
// carriage return and tab "\n", "\r", "\t"; other C0 controls, DEL and bytes
// that are not valid UTF-8 "\xHH"; C1 controls and the characters that break
// lines or reorder text (U+0085, U+2028, U+2029, U+061C, U+200E, U+200F,
// U+202A..U+202E, U+2066..U+2069) "\uHHHH". Hex digits are upper case.
std::string EscapeText(std::string_view text);

}  // namespace tessellux::protocol
