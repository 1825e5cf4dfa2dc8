#pragma once

#include <string_view>

#include "protocol/bytes.h"

namespace tessellux::generate {

// Windows-1252, one byte per character. A character with no byte of its own
// becomes '?'; a surrogate pair is one character and so one '?'.
Bytes ToSingleByte(std::u16string_view text);

}  // namespace tessellux::generate
