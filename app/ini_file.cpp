#include "app/ini_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "app/atomic_file.h"

namespace tessellux::app {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string_view Trim(std::string_view text, std::string_view blanks = " \t") {
  const auto first = text.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// One line of the file: its text without the line break, and where the
// next line starts.
struct Line {
  std::size_t begin;
  std::size_t end;
  std::size_t next;
};

std::vector<Line> SplitLines(std::string_view content) {
  std::vector<Line> lines;
  std::size_t begin = content.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0;
  while (begin < content.size()) {
    const std::size_t newline = content.find('\n', begin);
    const std::size_t next = newline == std::string_view::npos ? content.size() : newline + 1;
    std::size_t end = newline == std::string_view::npos ? content.size() : newline;
    // A carriage return ends a line also when it is the file's last byte:
    // read and write must agree on where every line ends.
    if (end > begin && content[end - 1] == '\r') --end;
    lines.push_back({begin, end, next});
    begin = next;
  }
  return lines;
}

enum class LineKind { kBlank, kComment, kSection, kKey, kOther };

struct ParsedLine {
  LineKind kind;
  std::string_view name;   // section or key name
  std::string_view value;  // key lines: the value, trimmed
  std::size_t value_at;    // key lines: offset in the line where a new value goes
};

ParsedLine Parse(std::string_view line) {
  const std::string_view text = Trim(line);
  if (text.empty()) return {LineKind::kBlank, {}, {}, 0};
  if (text.front() == ';' || text.front() == '#') return {LineKind::kComment, {}, {}, 0};
  if (text.front() == '[') {
    const std::string_view inside = text.substr(1);
    return {LineKind::kSection, Trim(inside.substr(0, inside.find(']'))), {}, 0};
  }
  const std::size_t equals = line.find('=');
  if (equals == std::string_view::npos) return {LineKind::kOther, {}, {}, 0};
  std::size_t value_at = equals + 1;
  while (value_at < line.size() && (line[value_at] == ' ' || line[value_at] == '\t')) ++value_at;
  return {LineKind::kKey, Trim(line.substr(0, equals)), Trim(line.substr(equals + 1)), value_at};
}

// Where the section and the key were found.
struct Place {
  std::optional<std::size_t> section;  // index of the header line
  std::optional<std::size_t> key;      // index of the key line
  std::size_t last_entry = 0;          // last line of the section that is not blank or a comment
};

Place Find(std::string_view content, const std::vector<Line>& lines, std::string_view section,
           std::string_view key) {
  Place place;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const ParsedLine parsed = Parse(content.substr(lines[i].begin, lines[i].end - lines[i].begin));
    if (parsed.kind == LineKind::kSection) {
      if (place.section) break;  // only the first section of that name counts
      if (SameName(parsed.name, section)) place.section = place.last_entry = i;
      continue;
    }
    if (!place.section) continue;
    if (parsed.kind == LineKind::kKey || parsed.kind == LineKind::kOther) place.last_entry = i;
    if (parsed.kind == LineKind::kKey && SameName(parsed.name, key)) {
      place.key = i;
      break;
    }
  }
  return place;
}

// A value, section or key as stored: up to a NUL, line breaks as blanks.
std::string OneLine(std::string_view text) {
  text = text.substr(0, text.find('\0'));
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;  // "\r\n" is one break
    out += (text[i] == '\r' || text[i] == '\n') ? ' ' : text[i];
  }
  return out;
}

std::string_view LineBreakOf(std::string_view content) {
  const std::size_t newline = content.find('\n');
  return newline != std::string_view::npos && newline > 0 && content[newline - 1] == '\r' ? "\r\n" : "\n";
}

// What ends the last line of `text` before something is added after it:
// nothing after a line break, "\n" after a lone carriage return (which
// already ends that line), the file's own line break otherwise.
std::string_view BreakToEnd(std::string_view text, std::string_view line_break) {
  if (text.empty() || text.back() == '\n') return {};
  return text.back() == '\r' ? "\n" : line_break;
}

// The first `count` characters of UTF-8 text; a character is a lead byte and
// at most three continuation bytes, so any bytes at all are cut safely.
std::string_view FirstCharacters(std::string_view text, std::size_t count) {
  std::size_t characters = 0;
  int continuation = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool continues = (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80 && continuation < 3;
    continuation = continues ? continuation + 1 : 0;
    if (!continues && ++characters > count) return text.substr(0, i);
  }
  return text;
}

enum class ReadResult { kRead, kMissing, kFailed };

// Reads the settings file itself, never what a link in its place points to
// (another user could plant one in a shared folder), and only a regular
// file (a FIFO or device would hang or mislead). `mode` gets its permissions.
ReadResult ReadWholeFile(const std::string& path, std::string* content, std::string* error, mode_t* mode = nullptr) {
  const auto refuse = [&](const std::string& why) {
    if (error) *error = path + " " + why;
    return ReadResult::kFailed;
  };
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) {
    if (errno == ENOENT) return ReadResult::kMissing;
    if (errno == ELOOP) return refuse("is a symbolic link; settings are never read or written through one");
    return refuse(std::string("cannot be read: ") + std::strerror(errno));
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return refuse("is not a regular file");
  }
  if (mode) *mode = info.st_mode & 07777;
  char buffer[8192];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int code = errno;
      ::close(fd);
      return refuse(std::string("cannot be read: ") + std::strerror(code));
    }
    if (n == 0) break;
    content->append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return ReadResult::kRead;
}

}  // namespace

std::string SettingsFilePath(const std::string& folder, const std::string& executable_path) {
  std::string name = executable_path.substr(executable_path.find_last_of('/') + 1);
  const std::size_t dot = name.find_last_of('.');
  if (dot != std::string::npos && dot > 0) name.erase(dot);
  return folder + (folder.ends_with('/') ? "" : "/") + name + ".ini";
}

std::string StartedAs(const std::string& argv0, const std::string& resolved_executable) {
  return argv0.empty() || argv0.ends_with('/') ? resolved_executable : argv0;
}

std::optional<std::string> ReadIniValue(std::string_view content, std::string_view section,
                                        std::string_view key) {
  const std::vector<Line> lines = SplitLines(content);
  const Place place = Find(content, lines, section, key);
  if (!place.key) return std::nullopt;
  const Line& line = lines[*place.key];
  return std::string(Parse(content.substr(line.begin, line.end - line.begin)).value);
}

std::string SetIniValue(std::string_view content, std::string_view section, std::string_view key,
                        std::string_view value) {
  const std::string safe_section = OneLine(section);
  const std::string safe_key = OneLine(key);
  const std::string entry = safe_key + "=" + OneLine(value);
  const std::string_view line_break = LineBreakOf(content);
  const std::vector<Line> lines = SplitLines(content);
  const Place place = Find(content, lines, safe_section, safe_key);
  std::string out(content);
  if (place.key) {
    const Line& line = lines[*place.key];
    const std::size_t value_at = line.begin + Parse(content.substr(line.begin, line.end - line.begin)).value_at;
    out.replace(value_at, line.end - value_at, entry.substr(safe_key.size() + 1));
    return out;
  }
  if (place.section) {
    const Line& after = lines[place.last_entry];
    out.insert(after.next, std::string(BreakToEnd(content.substr(0, after.next), line_break)) + entry +
                               std::string(line_break));
    return out;
  }
  out += std::string(BreakToEnd(content, line_break)) + "[" + safe_section + "]" + std::string(line_break) + entry +
         std::string(line_break);
  return out;
}

std::string ReadIniString(const std::string& path, std::string_view section, std::string_view key,
                          std::string_view fallback) {
  std::string content;
  std::optional<std::string> stored;
  if (ReadWholeFile(path, &content, nullptr) == ReadResult::kRead) stored = ReadIniValue(content, section, key);
  std::string_view value = stored ? std::string_view(*stored) : fallback;
  value = FirstCharacters(value, kIniValueMaxCharacters);
  value = value.substr(0, value.find('\0'));
  return std::string(Trim(value, " "));
}

Result<IniWritten> WriteIniFile(const std::string& path, std::string_view section, std::string_view key,
                                std::string_view value) {
  constexpr mode_t kOwnerOnly = 0600;
  std::string content;
  std::string error;
  mode_t mode = kOwnerOnly;
  const ReadResult read = ReadWholeFile(path, &content, &error, &mode);
  if (read == ReadResult::kFailed) return Fail(error);  // never replace a file we could not read
  const std::string updated = SetIniValue(content, section, key, value);
  IniWritten written;
  if (read == ReadResult::kRead && (mode & 077) != 0) written.tightened_from = mode;
  if (read == ReadResult::kRead && updated == content && !written.tightened_from) return written;
  // The rename replaces the directory entry; a link planted after the
  // check above is replaced, never followed.
  const Result<> replaced = WriteFileAtomically(path, Bytes(updated.begin(), updated.end()),
                                                {.new_file_mode = kOwnerOnly, .keep_mode = false});
  if (!replaced) return Fail(replaced.error());
  return written;
}

}  // namespace tessellux::app
