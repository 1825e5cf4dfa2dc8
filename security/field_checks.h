#pragma once

// The two checks of the Security tab's fields. Each gives the message for
// the tab's status line, or nothing when the field is fine.

#include <optional>
#include <string>
#include <string_view>

namespace tessellux::security {

// Empty text: the caption with every ":" removed, then " cannot be blank".
// Any character counts, so a text of blanks only passes.
std::optional<std::string> CheckNotBlank(std::string_view caption, std::u16string_view text);

// Passes exactly four ASCII digits, "-", four digits, "-", four digits.
std::optional<std::string> CheckReaderSerialNumber(std::u16string_view serial_number);

inline constexpr const char* kSerialNumberMessage = "Reader Serial Number must be ####-####-####";

}  // namespace tessellux::security
