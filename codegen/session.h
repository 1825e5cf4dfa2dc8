#pragma once

// One client's build state: command messages in (unframed), one reply out
// for each. Knows nothing of sockets; the encoder comes in as a Builder.
//
// A build runs 0x11 (layout), then in any order 0x21 (text), 0x31/0x32
// (file pieces), 0x42 (tag), 0x41 (phrase), then one of 0x51..0x54, then
// 0x61 and 0x62 until the end reply "bb". Any error reply abandons the build
// in progress; the next build starts with 0x11.
//
// Handle() answers a command at once, building inline (tests, fuzzing). The
// service splits a build off instead: Begin() gives either the reply or a
// BuildJob, which may run on another thread while the session is left
// alone; Finish() then gives the reply.

#include <cstddef>
#include <memory>
#include <string>
#include <variant>

#include "codegen/builder.h"
#include "codegen/memory_budget.h"
#include "protocol/bytes.h"
#include "protocol/codes.h"

namespace tessellux::codegen {

// The service answers in the protocol's statuses.
using protocol::Status;

struct SessionLimits {
  // Text, file, tag and phrases of one build together.
  std::size_t data_cap = std::size_t{16} << 20;
  // Shared by all sessions; what a session holds (inputs, symbol, a build in
  // flight) is drawn from it, and a command it cannot take gets Busy. Null:
  // unbounded.
  std::shared_ptr<MemoryBudget> budget = nullptr;
};

// A build for the encoder. Reads the session's request, which stays
// unchanged until Session::Finish.
struct BuildJob {
  const Builder* builder;
  const symbol::SymbolSpec* request;
  BuildOutcome Run() const { return (*builder)(*request); }
  // A build of at most this many bytes (inputs, or a fixed size's
  // codewords) takes a few milliseconds.
  static constexpr std::size_t kSmallBytes = 64 * 1024;
  bool Small() const;
};

inline constexpr std::size_t kMaxFilePiece = 1000;

// True for a reader serial number: four digits, '-', four digits, '-', four digits.
bool LooksLikeSerialNumber(const std::string& text);

class Session {
 public:
  Session(Builder builder, std::string company, SessionLimits limits = {});

  // Handles one command; the reply's byte 1 echoes the command code (0x00
  // for an empty message), byte 2 is the status.
  Bytes Handle(const Bytes& command);

  // The same in two steps: a reply now, or a build to run and hand to Finish.
  std::variant<Bytes, BuildJob> Begin(const Bytes& command);
  Bytes Finish(BuildOutcome outcome);
  // The reply to a command whose frame the budget could not take in.
  Bytes RefuseBusy(std::uint8_t code);

  // Why the last command failed; empty after a success.
  const std::string& last_error() const { return last_error_; }
  // Bytes of build input held now (bounded by the data cap).
  std::size_t HeldBytes() const;
  // Memory drawn from the budget now: inputs, symbol, a build in flight.
  std::size_t MemoryBytes() const { return account_.bytes(); }
  // Between a layout command and the end of the picture (or the error that
  // abandons the build): a client that pauses here is still working.
  bool InSeries() const { return phase_ != Phase::Idle && !picture_ended_; }

 private:
  enum class Phase { Idle, Collecting, Building, Built };
  using Step = std::variant<Bytes, BuildJob>;

  Bytes OnLayout(const Bytes& command);
  Bytes StoreField(const Bytes& command, std::string& field, const char* name, bool* stored = nullptr);
  Bytes OnFilePiece(const Bytes& command);
  Step OnSecurityMode(const Bytes& command);
  Bytes OnPictureStart(const Bytes& command);
  Bytes OnPictureRow(const Bytes& command);

  // Checks that replacing `old_size` held bytes by `new_size` stays under the cap.
  bool FitsCap(std::size_t old_size, std::size_t new_size) const;
  Step Build(const Bytes& command);
  Bytes Fail(std::uint8_t code, Status status, std::string why);
  void Abandon();
  // Memory of the inputs and symbol held now, by allocation.
  std::size_t Footprint() const;
  // Draws from the budget for `extra` bytes beyond the footprint; false when refused.
  bool Afford(std::size_t extra);

  Builder builder_;
  std::string company_;
  SessionLimits limits_;
  std::string last_error_;

  Phase phase_ = Phase::Idle;
  symbol::SymbolSpec request_;
  bool have_tag_ = false;
  bool have_phrase_ = false;
  std::unique_ptr<BuiltPicture> picture_;
  int next_row_ = -1;  // picture rows sent so far; -1 before 0x61
  bool picture_ended_ = false;  // the end reply went out; a new 0x61 or build starts over
  Bytes building_;     // the security command of the build in flight
  // The last build's security command and reply: the same command again,
  // with nothing changed in between, is answered without building.
  Bytes built_command_;
  Bytes built_reply_;
  MemoryAccount account_;
};

}  // namespace tessellux::codegen
