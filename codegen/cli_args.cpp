#include "codegen/cli_args.h"

#include <charconv>
#include <fstream>

namespace tessellux::codegen {

std::optional<std::string> ArgReader::Value(const std::string& name, std::string& error) {
  if (Done()) {
    error = "option " + name + " needs a value";
    return std::nullopt;
  }
  return Take();
}

std::optional<long> ParseNumber(const std::string& text, long min, long max) {
  long value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc{} || stop != end || value < min || value > max) return std::nullopt;
  return value;
}

std::optional<Bytes> ReadFileBytes(const std::string& path, std::size_t max_bytes) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return std::nullopt;
  const std::streamoff size = in.tellg();
  if (size < 0 || static_cast<std::size_t>(size) > max_bytes) return std::nullopt;
  in.seekg(0);
  Bytes data(static_cast<std::size_t>(size));
  if (!in.read(reinterpret_cast<char*>(data.data()), size)) return std::nullopt;
  return data;
}

}  // namespace tessellux::codegen
