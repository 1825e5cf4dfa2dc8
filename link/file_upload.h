#pragma once

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <optional>
#include <string>

#include "app/warning.h"
#include "protocol/bytes.h"
#include "protocol/codes.h"

namespace tessellux::link {

// The messages that carry one file to the Code Generator: "1" with the
// first piece, then "2" with each later one, at most 1000 file bytes per
// message. An empty file still gives one message, the single byte "1".
// The file is read piece by piece, never whole. The caller sends each
// message and waits for its reply before asking for the next:
//
//   FileUpload upload(path);
//   while (auto message = upload.NextMessage()) if (!Exchange(*message)) return false;
//   if (upload.Failed()) { Show(upload.Failure()); return false; }
class FileUpload {
 public:
  static constexpr std::size_t kPieceSize = 1000;
  static constexpr std::uint8_t kFirstPieceCode = protocol::Code(protocol::Command::FirstFilePiece);
  static constexpr std::uint8_t kLaterPieceCode = protocol::Code(protocol::Command::NextFilePiece);

  // How many messages the file takes (1 when it cannot be measured).
  static std::uint64_t ExchangesFor(const std::string& path);

  // Opens the file and takes its length once.
  explicit FileUpload(std::string path);

  // The next message; nothing when the file has been sent or on failure.
  std::optional<Bytes> NextMessage();

  bool Failed() const { return failed_; }
  // The warning for a file that could not be opened or read.
  app::Warning Failure() const;

 private:
  std::optional<Bytes> Fail();

  std::string path_;
  std::ifstream file_;
  std::uint64_t bytes_left_ = 0;
  bool first_ = true;
  bool failed_ = false;
};

}  // namespace tessellux::link
