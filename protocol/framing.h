#pragma once

// Byte stuffing of the command link, both directions: 0xAB is sent as
// 0xAB 0x54, 0xAA as 0xAB 0x55, and one 0xAA ends the frame. So inside a
// frame 0xAA only ever stands last and 0xAB only ever opens a pair.

#include <cstddef>
#include <optional>

#include "protocol/bytes.h"

namespace tessellux::protocol {

inline constexpr std::uint8_t kEndByte = 0xAA;
inline constexpr std::uint8_t kEscapeByte = 0xAB;

// The frame of a message, end byte included.
Bytes FrameMessage(const Bytes& message);

// Appends the frame of `message` to `out` (no temporary for large replies).
void AppendFrame(const Bytes& message, Bytes& out);

// Undoes the stuffing of a frame body (end byte already removed), in one
// pass. An 0xAB not followed by 0x54 or 0x55 is kept as it stands, which is
// what replacing the 0xAB 0x55 pairs and then the 0xAB 0x54 pairs gives.
Bytes Unframe(const Bytes& body);
// The same, in place (the result is never longer than the frame).
void UnframeInPlace(Bytes& body);

// Collects the bytes of one awaited reply. The reply ends at the first end
// byte received; any byte after it (a second frame in the same read) is a
// protocol fault, since a Code Generator sends nothing after a reply until
// the next command. The buffer is bounded: a peer that sends more than
// `limit` bytes without completing overflows it.
class ReplyBuffer {
 public:
  static constexpr std::size_t kDefaultLimit = 16u << 20;

  explicit ReplyBuffer(std::size_t limit = kDefaultLimit) : limit_(limit) {}

  void Clear() {
    bytes_.clear();
    overflowed_ = false;
    scanned_ = 0;
    end_ = kNoEnd;
  }
  // Appends what arrived; returns false (and keeps nothing more) on overflow.
  bool Append(const std::uint8_t* data, std::size_t size);
  bool Append(const Bytes& data) { return Append(data.data(), data.size()); }
  // Room for `size` more bytes, to be filled by the caller (a socket read);
  // nullptr on overflow. Shrink() gives back what the read left unused.
  std::uint8_t* Extend(std::size_t size);
  void Shrink(std::size_t unused) {
    bytes_.resize(bytes_.size() - unused);
    if (scanned_ > bytes_.size()) scanned_ = bytes_.size();
    if (end_ != kNoEnd && end_ >= bytes_.size()) end_ = kNoEnd;
  }

  // True once an end byte has arrived (each byte is looked at once).
  bool Complete() const;
  // Bytes arrived after the end byte: the reply cannot be trusted.
  bool HasTrailingBytes() const { return Complete() && end_ + 1 < bytes_.size(); }
  bool Overflowed() const { return overflowed_; }
  // How many more bytes it takes before it overflows.
  std::size_t Room() const { return overflowed_ ? 0 : limit_ - bytes_.size(); }
  // The unframed reply up to the first end byte; only meaningful once Complete().
  Bytes TakeReply();
  const Bytes& Raw() const { return bytes_; }

 private:
  static constexpr std::size_t kNoEnd = static_cast<std::size_t>(-1);

  std::size_t limit_;
  Bytes bytes_;
  bool overflowed_ = false;
  mutable std::size_t scanned_ = 0;  // bytes already searched for the end byte
  mutable std::size_t end_ = kNoEnd;
};

// Splits a stream into frames (the service's side: commands may arrive in
// any pieces, several at once). Bounded like ReplyBuffer.
class FrameSplitter {
 public:
  explicit FrameSplitter(std::size_t limit = ReplyBuffer::kDefaultLimit) : limit_(limit) {}

  // Feeds bytes; returns false when a frame grows beyond the limit.
  bool Feed(const std::uint8_t* data, std::size_t size);
  // The next complete unframed message, if any.
  std::optional<Bytes> Next();
  std::size_t Pending() const { return partial_.size(); }

 private:
  std::size_t limit_;
  Bytes partial_;
  std::vector<Bytes> ready_;
  std::size_t next_ready_ = 0;
};

}  // namespace tessellux::protocol
