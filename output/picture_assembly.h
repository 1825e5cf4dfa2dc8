#pragma once

#include <cstddef>
#include <deque>

#include "link/bytes.h"

namespace tessellux::output {

// Puts the symbol picture together from the fetch replies: the header from
// the reply to 0x61, then one body piece per reply to 0x62, each being the
// reply without its first two bytes. A mirrored piece goes in front of the
// body, so mirrored pieces end up in reverse arrival order. Pieces are kept
// apart and joined once, so a long fetch costs no repeated copying.
class PictureAssembly {
 public:
  static constexpr std::size_t kDefaultLimit = std::size_t{256} << 20;

  explicit PictureAssembly(std::size_t limit = kDefaultLimit) : limit_(limit) {}

  // Each returns false, keeping nothing, when the picture would exceed the
  // limit; the fetch should then stop.
  bool SetHeader(const Bytes& reply);
  bool AddPiece(const Bytes& reply, bool mirror);

  std::size_t Size() const { return size_; }
  // Header, then the body pieces, in one buffer.
  Bytes Join() const;

 private:
  bool Fits(std::size_t added) const { return added <= limit_ - size_; }

  std::size_t limit_;
  std::size_t size_ = 0;
  Bytes header_;
  std::deque<Bytes> body_;
};

}  // namespace tessellux::output
