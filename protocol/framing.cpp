#include "protocol/framing.h"

#include <algorithm>
#include <cstring>

namespace tessellux::protocol {

namespace {

// The first end or escape byte in [p, end). The two differ only in their
// lowest bit, so one comparison finds either; eight bytes are looked at a
// time (a set high bit marks a byte that matched).
const std::uint8_t* FindSpecial(const std::uint8_t* p, const std::uint8_t* end) {
  static_assert((kEndByte | 1) == kEscapeByte, "the two special bytes differ in their lowest bit only");
  constexpr std::uint64_t kOnes = 0x0101010101010101u;
  constexpr std::uint64_t kHighs = 0x8080808080808080u;
  constexpr std::uint64_t kSpecial = kOnes * kEscapeByte;
  for (; end - p >= 8; p += 8) {
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    const std::uint64_t x = (word | kOnes) ^ kSpecial;  // a zero byte where a special one was
    if ((x - kOnes) & ~x & kHighs) break;
  }
  while (p != end && (*p | 1) != kEscapeByte) ++p;
  return p;
}

}  // namespace

void AppendFrame(const Bytes& message, Bytes& out) {
  // Runs between special bytes are copied whole; escapes are rare in most
  // messages but may be every byte of a picture row.
  out.reserve(out.size() + message.size() + message.size() / 8 + 1);
  const std::uint8_t* p = message.data();
  const std::uint8_t* const end = p + message.size();
  while (p != end) {
    const std::uint8_t* special = FindSpecial(p, end);
    out.insert(out.end(), p, special);
    if (special == end) break;
    out.push_back(kEscapeByte);
    out.push_back(*special == kEscapeByte ? 0x54 : 0x55);
    p = special + 1;
  }
  out.push_back(kEndByte);
}

Bytes FrameMessage(const Bytes& message) {
  Bytes frame;
  AppendFrame(message, frame);
  return frame;
}

void UnframeInPlace(Bytes& body) {
  std::size_t out = 0;
  for (std::size_t i = 0; i < body.size(); ++i) {
    std::uint8_t b = body[i];
    if (b == kEscapeByte && i + 1 < body.size() && (body[i + 1] == 0x55 || body[i + 1] == 0x54)) {
      b = body[++i] == 0x55 ? kEndByte : kEscapeByte;
    }
    body[out++] = b;
  }
  body.resize(out);
}

Bytes Unframe(const Bytes& body) {
  Bytes out = body;
  UnframeInPlace(out);
  return out;
}

bool ReplyBuffer::Append(const std::uint8_t* data, std::size_t size) {
  if (overflowed_) return false;
  if (size > limit_ - bytes_.size()) {
    overflowed_ = true;
    return false;
  }
  bytes_.insert(bytes_.end(), data, data + size);
  return true;
}

std::uint8_t* ReplyBuffer::Extend(std::size_t size) {
  if (overflowed_ || size > limit_ - bytes_.size()) {
    overflowed_ = true;
    return nullptr;
  }
  bytes_.resize(bytes_.size() + size);
  return bytes_.data() + bytes_.size() - size;
}

bool ReplyBuffer::Complete() const {
  if (end_ == kNoEnd && scanned_ < bytes_.size()) {
    const auto at = std::find(bytes_.begin() + static_cast<std::ptrdiff_t>(scanned_), bytes_.end(), kEndByte);
    if (at != bytes_.end()) end_ = static_cast<std::size_t>(at - bytes_.begin());
    scanned_ = bytes_.size();
  }
  return end_ != kNoEnd;
}

Bytes ReplyBuffer::TakeReply() {
  if (Complete()) bytes_.resize(end_);
  UnframeInPlace(bytes_);
  Bytes reply = std::move(bytes_);
  Clear();
  return reply;
}

bool FrameSplitter::Feed(const std::uint8_t* data, std::size_t size) {
  if (next_ready_ == ready_.size()) {
    ready_.clear();
    next_ready_ = 0;
  }
  const std::uint8_t* end = data + size;
  while (data != end) {
    const std::uint8_t* stop = std::find(data, end, kEndByte);
    const auto chunk = static_cast<std::size_t>(stop - data);
    if (chunk > limit_ - partial_.size()) {
      partial_.clear();
      return false;
    }
    partial_.insert(partial_.end(), data, stop);
    if (stop == end) break;
    ready_.push_back(Unframe(partial_));
    partial_.clear();
    data = stop + 1;
  }
  return true;
}

std::optional<Bytes> FrameSplitter::Next() {
  if (next_ready_ == ready_.size()) return std::nullopt;
  return std::move(ready_[next_ready_++]);
}

}  // namespace tessellux::protocol
