#include "protocol/framing.h"

#include <algorithm>

namespace tessellux::protocol {

void AppendFrame(const Bytes& message, Bytes& out) {
  const auto specials = std::count_if(message.begin(), message.end(), [](std::uint8_t b) {
    return b == kEndByte || b == kEscapeByte;
  });
  out.reserve(out.size() + message.size() + static_cast<std::size_t>(specials) + 1);
  for (std::uint8_t b : message) {
    if (b == kEscapeByte) {
      out.push_back(kEscapeByte);
      out.push_back(0x54);
    } else if (b == kEndByte) {
      out.push_back(kEscapeByte);
      out.push_back(0x55);
    } else {
      out.push_back(b);
    }
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
