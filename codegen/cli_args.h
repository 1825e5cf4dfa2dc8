#pragma once

// Small helpers for the command-line options of the service and of `encode`.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "protocol/bytes.h"

namespace tessellux::codegen {

// Reads "--name value" pairs and flags from an argument list, in order.
class ArgReader {
 public:
  explicit ArgReader(std::vector<std::string> args) : args_(std::move(args)) {}

  bool Done() const { return next_ >= args_.size(); }
  const std::string& Take() { return args_[next_++]; }
  // The value after option `name`; nullopt (and an error text) when missing.
  std::optional<std::string> Value(const std::string& name, std::string& error);

 private:
  std::vector<std::string> args_;
  std::size_t next_ = 0;
};

// A whole decimal number in [min, max].
std::optional<long> ParseNumber(const std::string& text, long min, long max);

// Reads a whole file; nullopt and the cause ("cannot read P: No such file or
// directory", "P is larger than 16 MiB (N bytes)") when it cannot be read or
// exceeds max_bytes.
std::optional<Bytes> ReadFileBytes(const std::string& path, std::size_t max_bytes, std::string& error);

// The cause when a file cannot be written at `path` because its folder is
// missing or is not a folder (folders are never created); empty otherwise.
std::string MissingFolder(const std::string& path);

}  // namespace tessellux::codegen
