#pragma once

// Takes a client's byte stream apart into commands, one frame at a time,
// holding at most one partial frame. The partial frame is drawn from the
// service's memory budget as it grows; when the budget cannot take more, the
// rest of the frame is skipped up to its end byte and the frame is reported
// refused (the client then gets "busy" and stays in step). The buffer is
// given back after every frame, so a large command leaves nothing behind.

#include <cstddef>
#include <cstdint>
#include <memory>

#include "codegen/memory_budget.h"
#include "protocol/bytes.h"

namespace tessellux::codegen {

class CommandIntake {
 public:
  enum class Result {
    NeedMore,  // every byte taken; a frame may be partly held
    Command,   // a whole command is ready: TakeCommand()
    Refused,   // a whole frame arrived but its bytes passed the budget: refused_code()
    TooLong,   // a frame passed the frame limit: the client is to be dropped
  };

  CommandIntake(std::size_t max_frame, std::shared_ptr<MemoryBudget> budget);

  // Takes bytes up to the end of the first frame they complete; `consumed`
  // says how many were taken.
  Result Consume(const std::uint8_t* data, std::size_t size, std::size_t& consumed);
  // The command just completed, unframed. Its memory stays drawn until
  // Release(), as the command lives on while it is handled.
  Bytes TakeCommand();
  void Release();
  // The command code of the refused frame (0x00 for an empty one).
  std::uint8_t refused_code() const { return refused_code_; }

  bool InFrame() const { return received_ > 0; }
  // Bytes of the unfinished frame received so far (skipped ones included).
  std::size_t received() const { return received_; }
  std::size_t memory_bytes() const { return account_.bytes(); }

 private:
  bool Append(const std::uint8_t* data, std::size_t size);
  Result FinishFrame();

  std::size_t max_frame_;
  Bytes frame_;
  std::size_t received_ = 0;
  bool skipping_ = false;
  std::uint8_t refused_code_ = 0;
  MemoryAccount account_;
};

}  // namespace tessellux::codegen
