#pragma once

// How a completed reply is judged: byte 2 is the status, Ok is success.

#include <string>

#include "app/warning.h"
#include "protocol/bytes.h"
#include "protocol/codes.h"

namespace tessellux::link {

struct ReplyVerdict {
  enum Kind { kSuccess, kSilentFailure, kReportedFailure } kind = kSilentFailure;
  app::Warning warning;  // for kReportedFailure: an information message box
};

// `reply` is unframed; `command_code` is byte 1 of the command it answers.
ReplyVerdict JudgeReply(const Bytes& reply, std::uint8_t command_code);

}  // namespace tessellux::link
