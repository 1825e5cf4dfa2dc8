#pragma once

// The command link's vocabulary, for both ends: every command code and every
// reply status, each with its name and what it means. A reply echoes the
// command code in byte 1 and carries the status in byte 2.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "protocol/bytes.h"

namespace tessellux::protocol {

enum class Command : std::uint8_t {
  Layout = 0x11,
  Text = 0x21,
  FirstFilePiece = 0x31,
  NextFilePiece = 0x32,
  SecretPhrase = 0x41,
  IdentificationTag = 0x42,
  BuildPublic = 0x51,
  BuildPrivate = 0x52,
  BuildAuthorization = 0x53,
  BuildTemporaryAuthorization = 0x54,
  PictureHeader = 0x61,
  PictureRow = 0x62,
};

enum class Status : std::uint8_t {
  Ok = 0x00,
  UnknownCommand = 0x01,
  MalformedParameters = 0x02,
  OutOfOrder = 0x03,
  DataTooLarge = 0x04,
  BitmapTooLarge = 0x05,
  SessionDataCap = 0x06,
  EmptySecretPhrase = 0x07,
  Busy = 0x08,
};

constexpr std::uint8_t Code(Command command) { return static_cast<std::uint8_t>(command); }
constexpr std::uint8_t Code(Status status) { return static_cast<std::uint8_t>(status); }

struct CodeWords {
  std::uint8_t code;
  std::string_view name;     // a word or two, as in "0x21 (text)"
  std::string_view meaning;  // a sentence for a person who reads a failure
};

inline constexpr std::array<CodeWords, 12> kCommands{{
    {Code(Command::Layout), "layout", "rows, columns, reserved bytes, grid, style and thickness of the symbol"},
    {Code(Command::Text), "text", "the data text, UTF-8"},
    {Code(Command::FirstFilePiece), "first file piece", "the first piece of the file, at most 1000 bytes"},
    {Code(Command::NextFilePiece), "next file piece", "a further piece of the file, 1 to 1000 bytes"},
    {Code(Command::SecretPhrase), "secret phrase", "the secret phrase, UTF-8"},
    {Code(Command::IdentificationTag), "identification tag", "the identification tag, UTF-8"},
    {Code(Command::BuildPublic), "build public symbol", "builds a symbol anyone can read"},
    {Code(Command::BuildPrivate), "build private symbol", "builds a symbol only the company's readers can read"},
    {Code(Command::BuildAuthorization), "build authorization symbol", "builds an authorization symbol"},
    {Code(Command::BuildTemporaryAuthorization), "build temporary authorization symbol",
     "builds a temporary authorization symbol"},
    {Code(Command::PictureHeader), "picture header", "starts the picture transfer with the BMP header"},
    {Code(Command::PictureRow), "picture row", "the next piece of the picture's pixels"},
}};

inline constexpr std::array<CodeWords, 9> kStatuses{{
    {Code(Status::Ok), "ok", "success"},
    {Code(Status::UnknownCommand), "unknown command", "unknown command"},
    {Code(Status::MalformedParameters), "malformed parameters",
     "malformed parameters or layout values out of range"},
    {Code(Status::OutOfOrder), "out of order", "command out of order"},
    {Code(Status::DataTooLarge), "data too large", "data too large for the fixed size, or for the largest symbol"},
    {Code(Status::BitmapTooLarge), "bitmap too large",
     "the bitmap would exceed the Code Generator's bitmap limit"},
    {Code(Status::SessionDataCap), "session limit",
     "the build's inputs would exceed the Code Generator's session limit"},
    {Code(Status::EmptySecretPhrase), "empty secret phrase",
     "a private or authorization symbol with an empty secret phrase could never be read back"},
    {Code(Status::Busy), "busy",
     "busy: the Code Generator's memory budget cannot take the command now; the build is abandoned, "
     "try again later"},
}};

// The table entry of a code; nullptr for one the protocol does not define.
constexpr const CodeWords* FindCommand(std::uint8_t code) {
  for (const CodeWords& entry : kCommands) {
    if (entry.code == code) return &entry;
  }
  return nullptr;
}
constexpr const CodeWords* FindStatus(std::uint8_t code) {
  for (const CodeWords& entry : kStatuses) {
    if (entry.code == code) return &entry;
  }
  return nullptr;
}

// "0x21 (text)"; "0x99 (unknown command)" for a code not in the table.
std::string CommandName(std::uint8_t code);

// What a reply status means; for a status not in the table, says so.
std::string StatusMeaning(std::uint8_t status);

// Byte 1 of the reply to an empty message, which has no code to echo.
inline constexpr std::uint8_t kNoCommand = 0x00;

// The reply to 0x62 once every pixel has gone: "bb", not an error.
inline constexpr std::uint8_t kEndOfPicture = 0x62;
inline Bytes EndOfPictureReply() { return {Code(Command::PictureRow), kEndOfPicture}; }
inline bool IsEndOfPicture(const Bytes& reply) {
  return reply.size() == 2 && reply[0] == Code(Command::PictureRow) && reply[1] == kEndOfPicture;
}

}  // namespace tessellux::protocol
