#include "link/reply.h"

#include "protocol/hex.h"

namespace tessellux::link {
namespace {

// The message box writes codes without prefix or leading zeros (0x05 -> "5").
std::string ShortHex(std::uint8_t value) { return protocol::HexDigits(value, 1); }

}  // namespace

ReplyVerdict JudgeReply(const Bytes& reply, std::uint8_t command_code) {
  ReplyVerdict verdict;
  if (reply.size() >= 2 && reply[1] == protocol::Code(protocol::Status::Ok)) {
    verdict.kind = ReplyVerdict::kSuccess;
  } else if (protocol::IsEndOfPicture(reply) || reply.size() < 2) {
    verdict.kind = ReplyVerdict::kSilentFailure;
  } else {
    verdict.kind = ReplyVerdict::kReportedFailure;
    verdict.warning = {"Unexpected error",
                       {"Unexpected error code " + ShortHex(reply[1]) + " to command code " + ShortHex(command_code)}};
  }
  return verdict;
}

}  // namespace tessellux::link
