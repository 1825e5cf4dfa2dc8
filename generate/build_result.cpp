#include "generate/build_result.h"

#include "link/exchange.h"
#include "protocol/codes.h"
#include "protocol/hex.h"

namespace tessellux::generate {
namespace {

using Kind = BuildFailure::Kind;

}  // namespace

std::string BuildFailure::Describe() const {
  const std::string name = "command " + protocol::CommandName(command);
  switch (kind) {
    case Kind::kCheck:
    case Kind::kUpload:
    case Kind::kGeometry:
      return warning.title + ": " + app::JoinParagraphs(warning, " ");
    case Kind::kTimeout:
      return "no reply to " + name + " within " + std::to_string(link::kReplyTimeoutMs) +
             " ms; the Code Generator is busy, stopped or unreachable";
    case Kind::kLinkLost:
      return "the connection to the Code Generator was lost at " + name + (detail.empty() ? "" : ": " + detail);
    case Kind::kProtocolError:
      return "the Code Generator's reply to " + name + " broke the protocol: " + detail;
    case Kind::kStatus:
      return name + " failed with status " + protocol::Hex(status) + ": " + protocol::StatusMeaning(status);
    case Kind::kNoStatus:
      return name + " got a reply without a status byte";
    case Kind::kPicture:
      return "the symbol picture cannot be used: " + detail;
    case Kind::kStopped:
      return "stopped " + detail + "; nothing was written";
    case Kind::kExpired:
      return "the fetch of the symbol picture took too long: " + detail + "; nothing was written";
  }
  return "build failed";
}

}  // namespace tessellux::generate
