#pragma once

// One client's build state: command messages in (unframed), one reply out
// for each. Knows nothing of sockets; the encoder comes in as a Builder.
//
// A build runs 0x11 (layout), then in any order 0x21 (text), 0x31/0x32
// (file pieces), 0x42 (tag), 0x41 (phrase), then one of 0x51..0x54, then
// 0x61 and 0x62 until the end reply "bb". Any error reply abandons the build
// in progress; the next build starts with 0x11.

#include <cstddef>
#include <string>

#include "codegen/builder.h"
#include "codegen/status.h"
#include "link/bytes.h"

namespace tessellux::codegen {

struct SessionLimits {
  // Text, file, tag and phrases of one build together.
  std::size_t data_cap = std::size_t{16} << 20;
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

  // Why the last command failed; empty after a success.
  const std::string& last_error() const { return last_error_; }
  // Bytes of build input held now (bounded by the data cap).
  std::size_t HeldBytes() const;

 private:
  enum class Phase { Idle, Collecting, Built };

  Bytes OnLayout(const Bytes& command);
  Bytes StoreField(const Bytes& command, std::string& field, const char* name, bool* stored = nullptr);
  Bytes OnFilePiece(const Bytes& command);
  Bytes OnSecurityMode(const Bytes& command);
  Bytes OnPictureStart(const Bytes& command);
  Bytes OnPictureRow(const Bytes& command);

  // Checks that replacing `old_size` held bytes by `new_size` stays under the cap.
  bool FitsCap(std::size_t old_size, std::size_t new_size) const;
  Bytes Build(std::uint8_t code);
  Bytes Fail(std::uint8_t code, Status status, std::string why);
  void Abandon();

  Builder builder_;
  std::string company_;
  SessionLimits limits_;
  std::string last_error_;

  Phase phase_ = Phase::Idle;
  symbol::BuildRequest request_;
  bool have_tag_ = false;
  bool have_phrase_ = false;
  std::unique_ptr<BuiltPicture> picture_;
  int next_row_ = -1;  // picture rows sent so far; -1 before 0x61
};

}  // namespace tessellux::codegen
