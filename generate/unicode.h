#pragma once

#include <string_view>

#include "protocol/bytes.h"

namespace tessellux::generate {

// Encodes every UTF-16 code unit on its own in the UTF-8 bit layout, which
// is what the Code Generator expects: a surrogate pair becomes two 3-byte
// sequences. One trailing NUL (left by a clipboard copy) is dropped.
Bytes UnicodeToUtf8(std::u16string_view text);

}  // namespace tessellux::generate
