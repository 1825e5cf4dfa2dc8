#pragma once

// The settings file: a Windows-style initialization file of "[Section]"
// headers and "Key=value" lines, UTF-8. Section and key names match without
// regard to ASCII letter case. A write replaces one key's value in place
// and keeps every other byte of the file; reading never creates anything.

#include <optional>
#include <string>
#include <string_view>

#include "app/result.h"

namespace tessellux::app {

// The longest value ReadIniString gives back, in characters.
inline constexpr std::size_t kIniValueMaxCharacters = 399;

// The settings file of a program: `folder`, "/", the executable's file name
// without its extension, ".ini". So an executable of another name has a
// settings file of its own.
std::string SettingsFilePath(const std::string& folder, const std::string& executable_path);

// The path that names the program for its settings file: the one it was
// started by (argv[0]), so that a link of another name has a settings file
// of its own; the resolved executable only when that is empty.
std::string StartedAs(const std::string& argv0, const std::string& resolved_executable);

// The value stored under `key` in `section` of a file's bytes, with the
// blanks and tabs around it removed; nothing when the section or key is
// missing. The first matching section and key count.
std::optional<std::string> ReadIniValue(std::string_view content, std::string_view section,
                                        std::string_view key);

// The file's bytes with `key` in `section` set to `value`: the key's line
// is rewritten in place, or added at the end of the section, or a new
// section is added at the end. Every other line stays byte for byte. A line
// break in the value is stored as a blank, so no value can add lines; the
// value ends at a NUL.
std::string SetIniValue(std::string_view content, std::string_view section, std::string_view key,
                        std::string_view value);

// The stored value cut to kIniValueMaxCharacters, trimmed of blanks at both
// ends; `fallback` when the file, section or key is missing or unreadable.
std::string ReadIniString(const std::string& path, std::string_view section, std::string_view key,
                          std::string_view fallback);

struct IniWritten {
  // The permissions the file had when they let others read it; the write
  // made it owner-only.
  std::optional<unsigned> tightened_from;
};

// Stores `value` under `key` in `section` of the file at `path`, creating
// file, section and key as needed. The file is replaced atomically and is
// always left readable and writable by its owner only: it holds the secret
// phrase in clear. A symbolic link or anything but a regular file at
// `path`, or a file that cannot be read, is refused and left alone.
Result<IniWritten> WriteIniFile(const std::string& path, std::string_view section, std::string_view key,
                                std::string_view value);

}  // namespace tessellux::app
