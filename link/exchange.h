#pragma once

// One command exchange with a Code Generator, as the build driver sees it:
// send a message, get its unframed reply or a failure. The window performs
// it over Qt sockets with its event loop running; the command line over a
// blocking socket. Judging the reply's status is the caller's business.

#include <string>

#include "protocol/bytes.h"

namespace tessellux::link {

inline constexpr int kReplyTimeoutMs = 1000;

struct ExchangeOutcome {
  enum class Kind {
    kReply,          // `reply` holds the unframed reply
    kTimeout,        // no end byte within the reply timeout
    kLinkLost,       // not connected, a send failed or the peer closed
    kProtocolError,  // bytes after the end byte, or a reply over the receive cap
  };
  Kind kind = Kind::kLinkLost;
  Bytes reply;
  std::string detail;  // for a failure: what the transport saw, if anything
};

class CommandExchange {
 public:
  virtual ~CommandExchange() = default;
  virtual ExchangeOutcome Exchange(const Bytes& message) = 0;
};

}  // namespace tessellux::link
