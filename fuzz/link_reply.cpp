// The program's side of the link: what a Code Generator sends, cut into
// reads of any size, through the reply buffer, the unframing, the reply
// verdict and the picture assembly of a fetch.
//   byte 0: read size (1..256); byte 1: bit 0 mirror image, bit 1 reads go
//   straight into the buffer (Extend/Shrink, as the socket does); the rest:
//   the bytes the peer sends, the first complete reply being the picture header.

#include "fuzz/fuzz_support.h"
#include "link/reply.h"
#include "output/picture_assembly.h"
#include "protocol/framing.h"

using tessellux::Bytes;
using namespace tessellux::link;
using namespace tessellux::protocol;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tessellux::fuzz::Input input(data, size);
  const std::size_t read_size = std::size_t{input.Byte()} + 1;
  const std::uint8_t mode = input.Byte();
  const bool mirror = (mode & 1) != 0;
  const bool in_place = (mode & 2) != 0;
  const Bytes stream = input.Rest();

  ReplyBuffer buffer(64 << 10);
  tessellux::output::PictureAssembly assembly(64 << 10);
  bool header = true;
  for (std::size_t at = 0; at < stream.size() && !buffer.Overflowed(); at += read_size) {
    const std::size_t n = std::min(read_size, stream.size() - at);
    if (!in_place) {
      buffer.Append(stream.data() + at, n);
    } else if (std::uint8_t* room = buffer.Extend(read_size)) {
      std::copy_n(stream.data() + at, n, room);
      buffer.Shrink(read_size - n);
    }
    if (!buffer.Complete()) continue;
    if (buffer.HasTrailingBytes()) break;  // a protocol error: the link is dropped
    const std::size_t framed = buffer.Raw().size();
    const Bytes reply = buffer.TakeReply();
    FUZZ_CHECK(reply.size() < framed);
    // Whatever arrived, framing it again gives the same message back.
    Bytes again = FrameMessage(reply);
    FUZZ_CHECK(again.back() == kEndByte);
    again.pop_back();
    FUZZ_CHECK(Unframe(again) == reply);

    const ReplyVerdict verdict = JudgeReply(reply, header ? 0x61 : 0x62);
    if (verdict.kind != ReplyVerdict::kSuccess) break;
    std::string error;
    const bool kept = header ? assembly.SetHeader(reply, &error) : assembly.AddPiece(reply, &error);
    if (!kept) {
      FUZZ_CHECK(!error.empty());
      break;
    }
    header = false;
  }
  // A picture is only ever whole: its header and exactly the rows it promised.
  if (assembly.Complete()) {
    const auto shape = assembly.Shape();
    const Bytes picture = std::move(assembly).Join(mirror);
    FUZZ_CHECK(picture.size() == shape.header_size + std::size_t(shape.height) * shape.row_bytes);
    FUZZ_CHECK(picture.size() <= (64 << 10));
  }
  return 0;
}
