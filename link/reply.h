#pragma once

// How a completed reply is judged: byte 2 is the status, Ok is success.

#include <string>

#include "protocol/bytes.h"
#include "protocol/codes.h"

namespace tessellux::link {

struct ReplyVerdict {
  enum Kind { kSuccess, kSilentFailure, kReportedFailure } kind = kSilentFailure;
  std::string title;  // for kReportedFailure: an information message box
  std::string text;
};

// `reply` is unframed; `command_code` is byte 1 of the command it answers.
ReplyVerdict JudgeReply(const Bytes& reply, std::uint8_t command_code);

// "bb": the Code Generator's end of a data sequence.
inline bool IsEndOfSequence(const Bytes& reply) { return protocol::IsEndOfPicture(reply); }

}  // namespace tessellux::link
