#pragma once

// The command line of tessellux-build, tessellux-read and tessellux-codegen:
// one table of options per program, read with GNU conventions (--opt=value,
// --opt value, short -o -q -v -V -h, bundled short flags, "--" ends the
// options, "-" is an operand) and laid out by the same table for --help.

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tessellux::cmdline {

// Every program exits with it for a bad command line.
inline constexpr int kExitUsage = 2;

// One option. Older names stay accepted as aliases: scripts rely on them.
struct Option {
  const char* name;          // the one name, without dashes
  char short_name;           // 0: none
  const char* value;         // what the value is ("N", "FILE"); nullptr: a flag
  const char* help;          // '\n' continues on the next line
  const char* aliases = "";  // older names, separated by spaces
};

struct Section {
  const char* heading;
  std::vector<Option> options;
};

struct Program {
  const char* name;
  std::vector<const char*> synopsis;  // the lines after "Usage: "
  const char* summary;
  std::vector<Section> sections;
  std::vector<const char*> examples;
  const char* epilogue;  // exit codes and notes, printed last
};

// A bad command line; the text names the option.
struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct Given {
  std::string name;                  // the option's one name
  std::optional<std::string> value;  // nothing for a flag
  std::string spelled;               // as typed: "--cols", "-o"
};

struct Parsed {
  std::vector<Given> options;  // in the order given
  std::vector<std::string> operands;
};

// Reads `args` (without the program's name). Throws UsageError.
Parsed Parse(const Program& program, const std::vector<std::string>& args);

// The option called `name` (its one name or an alias, without dashes).
const Option* Find(const Program& program, std::string_view name);

// Every name and alias, with dashes ("--columns", "--cols", "-o").
std::vector<std::string> AllNames(const Program& program);

std::string HelpText(const Program& program);

// "Try 'tessellux-build --help' for the options."
std::string HelpHint(const Program& program);

// A small text from any readable path (a pipe, /dev/stdin, <(command));
// "-" is standard input. Throws UsageError naming `option` when it cannot
// be read or passes `max_bytes`.
std::string ReadText(const std::string& option, const std::string& path, std::size_t max_bytes);

// A phrase kept in a file: one trailing line break is not part of it.
std::string ReadPhrase(const std::string& option, const std::string& path);

// A text as a JSON string, quotes included.
std::string JsonString(std::string_view text);

// {"ok":false,"exit_code":CODE,"error":"TEXT"}: the --json answer to a failure
// that has no report of its own (a usage error, no Code Generator).
std::string JsonFailure(int exit_code, std::string_view message);

}  // namespace tessellux::cmdline
