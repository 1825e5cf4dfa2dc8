// The settings file reader and writer on any file bytes: reading never
// fails, and a value written reads back (trimmed, one line, up to a NUL)
// without changing the other keys.
//   byte 0: which key; then the value as a length-prefixed field; the rest: the file.

#include "app/ini_file.h"
#include "fuzz/fuzz_support.h"

using namespace tessellux::app;

namespace {

std::string Stored(std::string_view value) {
  value = value.substr(0, value.find('\0'));
  std::string out;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\r' && i + 1 < value.size() && value[i + 1] == '\n') continue;
    out += (value[i] == '\r' || value[i] == '\n') ? ' ' : value[i];
  }
  const auto first = out.find_first_not_of(" \t");
  return first == std::string::npos ? std::string() : out.substr(first, out.find_last_not_of(" \t") - first + 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static constexpr const char* kKeys[] = {"CompanyName", "IdentificationTag", "SecretPhrase"};
  tessellux::fuzz::Input input(data, size);
  const int which = input.Byte() % 3;
  const std::string value = input.Text(255);
  const auto rest = input.Rest();
  const std::string content(rest.begin(), rest.end());

  std::optional<std::string> before[3];
  for (int k = 0; k < 3; ++k) before[k] = ReadIniValue(content, "Security", kKeys[k]);
  const std::string updated = SetIniValue(content, "Security", kKeys[which], value);
  for (int k = 0; k < 3; ++k) {
    const auto after = ReadIniValue(updated, "Security", kKeys[k]);
    if (k == which) {
      FUZZ_CHECK(after && *after == Stored(value));
    } else {
      FUZZ_CHECK(after == before[k]);
    }
  }
  return 0;
}
