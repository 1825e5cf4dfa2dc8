#include "codegen/cli_args.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
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

std::optional<Bytes> ReadFileBytes(const std::string& path, std::size_t max_bytes, std::string& error) {
  std::error_code code;
  const auto status = std::filesystem::status(path, code);
  if (code) {
    error = "cannot read " + path + ": " + code.message();
    return std::nullopt;
  }
  if (std::filesystem::is_directory(status)) {
    error = "cannot read " + path + ": it is a folder";
    return std::nullopt;
  }
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) {
    error = "cannot read " + path + ": " + std::strerror(errno);
    return std::nullopt;
  }
  const std::streamoff size = in.tellg();
  if (size >= 0 && static_cast<std::size_t>(size) > max_bytes) {
    error = path + " is larger than " + std::to_string(max_bytes >> 20) + " MiB (" + std::to_string(size) + " bytes)";
    return std::nullopt;
  }
  in.seekg(0);
  Bytes data(static_cast<std::size_t>(std::max<std::streamoff>(size, 0)));
  if (size < 0 || !in.read(reinterpret_cast<char*>(data.data()), size)) {
    error = "cannot read " + path + ": read error";
    return std::nullopt;
  }
  return data;
}

std::string MissingFolder(const std::string& path) {
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  if (folder.empty()) return {};
  std::error_code code;
  const auto status = std::filesystem::status(folder, code);
  if (code || !std::filesystem::exists(status)) return "folder " + folder.string() + " does not exist";
  if (!std::filesystem::is_directory(status)) return folder.string() + " is not a folder";
  return {};
}

}  // namespace tessellux::codegen
