#pragma once

// What one build gives back: numbers and bytes, never display text. The
// window and the command line format them for their own users.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "app/warning.h"
#include "generate/results.h"
#include "protocol/bytes.h"
#include "output/picture_assembly.h"

namespace tessellux::generate {

struct BuildFailure {
  enum class Kind {
    kCheck,          // an input check failed: `tab` and `warning` as the window shows them
    kTimeout,        // no reply within the timeout
    kLinkLost,       // the link broke
    kProtocolError,  // the reply broke the protocol (trailing bytes, over the cap)
    kStatus,         // an error status; `warning` is the window's "Unexpected error"
    kNoStatus,       // a reply too short for a status, or "bb" out of place
    kUpload,         // the upload file could not be read
    kGeometry,       // the reply's geometry cannot be shown
    kPicture,        // the picture's header or pieces do not fit the geometry or each other
    kStopped,        // the user stopped the build (Stop, Esc, Ctrl+C)
    kExpired,        // the fetch outlasted the time its picture's size allows
  };
  Kind kind = Kind::kCheck;
  int tab = -1;
  app::Warning warning;       // title and paragraphs for a message box, where there is one
  std::uint8_t command = 0;   // the command that failed (exchanges only)
  std::uint8_t status = 0;    // for kStatus
  std::string detail;         // what went wrong, for kProtocolError, kPicture, kTimeout, kLinkLost, kStopped, kExpired

  // One line for a person at a terminal, naming the command and what the
  // failure means.
  std::string Describe() const;
  // The link cannot carry another build (lost, timed out, broken).
  bool BreaksLink() const { return kind == Kind::kTimeout || kind == Kind::kLinkLost || kind == Kind::kProtocolError; }
};

// When the run reached each step, by its clock, for a caller that reports
// where a build's time goes; a step never reached stays at the epoch.
struct BuildTimes {
  using TimePoint = std::chrono::steady_clock::time_point;
  TimePoint started;  // the checks passed, the first message about to go
  TimePoint replied;  // the security command's reply: the symbol is built
  TimePoint fetched;  // the picture's end reply: every row is in
};

struct BuildResult {
  std::optional<BuildFailure> failure;
  BuildTimes times;
  // Set once the series succeeded (even when the fetch then fails).
  std::optional<ReplyGeometry> geometry;
  UsageFigures usage{};
  PixelSize pixel_size{};  // from the geometry
  // Set once the whole picture arrived and matched its header.
  std::optional<Bytes> picture;
  output::BmpShape picture_shape;

  bool ok() const { return !failure; }
};

}  // namespace tessellux::generate
