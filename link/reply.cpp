#include "link/reply.h"

namespace tessellux::link {

std::string Hex(std::uint8_t value) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text;
  if (value >= 16) text += kDigits[value >> 4];
  text += kDigits[value & 0x0F];
  return text;
}

ReplyVerdict JudgeReply(const Bytes& reply, std::uint8_t command_code) {
  ReplyVerdict verdict;
  if (reply.size() >= 2 && reply[1] == 0x00) {
    verdict.kind = ReplyVerdict::kSuccess;
  } else if (IsEndOfSequence(reply) || reply.size() < 2) {
    verdict.kind = ReplyVerdict::kSilentFailure;
  } else {
    verdict.kind = ReplyVerdict::kReportedFailure;
    verdict.title = "Unexpected error";
    verdict.text = "Unexpected error code " + Hex(reply[1]) + " to command code " + Hex(command_code);
  }
  return verdict;
}

}  // namespace tessellux::link
