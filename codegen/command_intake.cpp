#include "codegen/command_intake.h"

#include <algorithm>

#include "protocol/codes.h"
#include "protocol/framing.h"

namespace tessellux::codegen {
namespace {

constexpr std::size_t kFirstBlock = 256;
// A refused frame keeps its first two bytes: enough to know its command code
// even when the code itself was sent escaped.
constexpr std::size_t kKeptOfRefused = 2;

}  // namespace

CommandIntake::CommandIntake(std::size_t max_frame, std::shared_ptr<MemoryBudget> budget)
    : max_frame_(max_frame), account_(std::move(budget)) {}

CommandIntake::Result CommandIntake::Consume(const std::uint8_t* data, std::size_t size, std::size_t& consumed) {
  const std::uint8_t* end = data + size;
  const std::uint8_t* stop = std::find(data, end, protocol::kEndByte);
  const auto body = static_cast<std::size_t>(stop - data);
  consumed = stop == end ? size : body + 1;
  if (body > max_frame_ - received_) {
    frame_ = Bytes();
    account_.Resize(0);
    received_ = 0;
    skipping_ = false;
    return Result::TooLong;
  }
  received_ += body;
  if (!skipping_ && !Append(data, body)) {
    skipping_ = true;
    frame_.resize(std::min(frame_.size(), kKeptOfRefused));
    frame_.shrink_to_fit();
    account_.Force(frame_.capacity());
  }
  if (stop == end) return Result::NeedMore;
  return FinishFrame();
}

// Grows the buffer by doubling up to the frame limit, asking the budget for
// the new block before it is taken.
bool CommandIntake::Append(const std::uint8_t* data, std::size_t size) {
  const std::size_t needed = frame_.size() + size;
  if (needed > frame_.capacity()) {
    const std::size_t grown = std::max({needed, kFirstBlock, std::min(2 * frame_.capacity(), max_frame_)});
    if (!account_.Resize(frame_.capacity() + grown)) return false;  // old and new block, while copying
    frame_.reserve(grown);
    account_.Force(frame_.capacity());
  }
  frame_.insert(frame_.end(), data, data + size);
  return true;
}

CommandIntake::Result CommandIntake::FinishFrame() {
  received_ = 0;
  if (!skipping_) return Result::Command;
  skipping_ = false;
  protocol::UnframeInPlace(frame_);
  refused_code_ = frame_.empty() ? protocol::kNoCommand : frame_[0];
  frame_ = Bytes();
  account_.Resize(0);
  return Result::Refused;
}

Bytes CommandIntake::TakeCommand() {
  Bytes command = std::move(frame_);
  frame_ = Bytes();
  protocol::UnframeInPlace(command);
  return command;
}

void CommandIntake::Release() {
  account_.Resize(frame_.capacity());
}

}  // namespace tessellux::codegen
