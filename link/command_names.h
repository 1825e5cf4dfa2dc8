#pragma once

// Words for the command link's codes, for messages that a person reads.

#include <cstdint>
#include <string>

namespace tessellux::link {

// "0x21 (text)": the code in hexadecimal with what the command does.
std::string CommandName(std::uint8_t code);

// What a reply status means, as the Code Generator's documentation says.
std::string StatusMeaning(std::uint8_t status);

}  // namespace tessellux::link
