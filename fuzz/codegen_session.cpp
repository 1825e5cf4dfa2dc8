// The Code Generator's session with the real encoder: the input is the
// byte stream of one connection, split into frames, each frame one command.
// Limits are small so that every build is quick.

#include "codegen/session.h"
#include "fuzz/fuzz_support.h"
#include "protocol/framing.h"

using tessellux::Bytes;
using namespace tessellux::codegen;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  constexpr std::size_t kDataCap = 4096;
  Session session(MakeSymbolBuilder({.max_bitmap_bytes = 64 << 10}), "Fuzz Company", {.data_cap = kDataCap});
  tessellux::protocol::FrameSplitter splitter(8 << 10);
  if (!splitter.Feed(data, size)) return 0;
  while (auto command = splitter.Next()) {
    const Bytes reply = session.Handle(*command);
    FUZZ_CHECK(reply.size() >= 2);
    FUZZ_CHECK(reply[0] == (command->empty() ? 0x00 : (*command)[0]));
    // Every failure says why (the end of a picture is no failure).
    const bool failed = reply[1] != 0x00 && reply != Bytes{0x62, 0x62};
    FUZZ_CHECK(failed != session.last_error().empty());
    FUZZ_CHECK(session.HeldBytes() <= kDataCap);
  }
  return 0;
}
