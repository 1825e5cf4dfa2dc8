#pragma once

// How a completed reply is judged: byte 2 is the status, 0x00 is success.

#include <string>

#include "link/bytes.h"

namespace tessellux::link {

struct ReplyVerdict {
  enum Kind { kSuccess, kSilentFailure, kReportedFailure } kind = kSilentFailure;
  std::string title;  // for kReportedFailure: an information message box
  std::string text;
};

// `reply` is unframed; `command_code` is byte 1 of the command it answers.
ReplyVerdict JudgeReply(const Bytes& reply, std::uint8_t command_code);

// Upper-case hexadecimal without prefix or leading zeros (0x05 -> "5").
std::string Hex(std::uint8_t value);

// "bb": the Code Generator's end of a data sequence.
inline bool IsEndOfSequence(const Bytes& reply) { return reply == Bytes{0x62, 0x62}; }

}  // namespace tessellux::link
