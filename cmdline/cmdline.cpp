#include "cmdline/cmdline.h"

#include <getopt.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

namespace tessellux::cmdline {
namespace {

// getopt_long reports an option by a number: short options by their letter,
// long-only options from here on, by their place in the table.
constexpr int kFirstLongOnly = 256;

std::vector<std::string> Split(const char* words) {
  std::vector<std::string> out;
  std::istringstream in(words);
  for (std::string word; in >> word;) out.push_back(word);
  return out;
}

std::vector<const Option*> Flatten(const Program& program) {
  std::vector<const Option*> all;
  for (const auto& section : program.sections)
    for (const auto& option : section.options) all.push_back(&option);
  return all;
}

int CodeOf(const std::vector<const Option*>& all, std::size_t index) {
  const char letter = all[index]->short_name;
  return letter ? static_cast<unsigned char>(letter) : kFirstLongOnly + static_cast<int>(index);
}

const Option* OptionOfCode(const std::vector<const Option*>& all, int code) {
  for (std::size_t i = 0; i < all.size(); ++i)
    if (CodeOf(all, i) == code) return all[i];
  return nullptr;
}

// The argument getopt_long just refused, without any "=value": a long
// option's error names it by the argument (optopt is 0, or the letter of a
// long option that has one); a short option's by its letter.
std::string Culprit(const Program& program, const std::vector<std::string>& args, int next_index, int short_code) {
  const int index = next_index - 2;  // getopt counts the program's name
  if (index >= 0 && index < static_cast<int>(args.size())) {
    const std::string& arg = args[static_cast<std::size_t>(index)];
    const std::string name = arg.substr(0, arg.find('='));
    if (name.starts_with("--")) {
      const Option* option = Find(program, name.substr(2));
      const bool letter = short_code > 0 && short_code < 128;
      if (!letter || (option && option->short_name == short_code)) return name;
    }
  }
  if (short_code > 0 && short_code < 128) return std::string("-") + static_cast<char>(short_code);
  return "?";
}

}  // namespace

Parsed Parse(const Program& program, const std::vector<std::string>& args) {
  const auto all = Flatten(program);
  std::vector<std::string> names;  // owns the texts getopt's table points to
  names.reserve(all.size() * 4);
  std::vector<::option> table;
  std::string shorts = ":";  // ':' first: a missing value is told apart from an unknown option
  for (std::size_t i = 0; i < all.size(); ++i) {
    const Option& option = *all[i];
    if (option.short_name) shorts += std::string(1, option.short_name) + (option.value ? ":" : "");
    names.push_back(option.name);
    for (auto& alias : Split(option.aliases)) names.push_back(alias);
  }
  std::size_t next_name = 0;
  for (std::size_t i = 0; i < all.size(); ++i) {
    const std::size_t count = 1 + Split(all[i]->aliases).size();
    for (std::size_t k = 0; k < count; ++k)
      table.push_back({names[next_name++].c_str(), all[i]->value ? required_argument : no_argument, nullptr,
                       CodeOf(all, i)});
  }
  table.push_back({nullptr, 0, nullptr, 0});

  std::vector<std::string> storage = args;
  storage.insert(storage.begin(), program.name);
  std::vector<char*> argv;
  for (auto& arg : storage) argv.push_back(arg.data());
  argv.push_back(nullptr);

  Parsed parsed;
  ::optind = 0;  // glibc: start afresh, re-reading the conventions
  ::opterr = 0;
  for (;;) {
    int long_index = -1;
    const int code = ::getopt_long(static_cast<int>(storage.size()), argv.data(), shorts.c_str(), table.data(),
                                   &long_index);
    if (code == -1) break;
    if (code == '?') {
      const std::string culprit = Culprit(program, args, ::optind, ::optopt);
      const Option* flag = culprit.starts_with("--") ? Find(program, culprit.substr(2)) : nullptr;
      if (flag && !flag->value) throw UsageError("option " + culprit + " takes no value");
      throw UsageError("unknown option " + culprit);
    }
    if (code == ':') throw UsageError("option " + Culprit(program, args, ::optind, ::optopt) + " needs a value");
    const Option* option = OptionOfCode(all, code);
    if (!option) throw UsageError("unknown option");
    Given given{option->name, std::nullopt,
                long_index >= 0 ? std::string("--") + table[static_cast<std::size_t>(long_index)].name
                                : std::string("-") + static_cast<char>(code)};
    if (option->value) given.value = ::optarg ? ::optarg : "";
    parsed.options.push_back(std::move(given));
  }
  // getopt_long moves the operands behind the options in argv, not in storage.
  for (int i = ::optind; i < static_cast<int>(storage.size()); ++i) parsed.operands.push_back(argv[static_cast<std::size_t>(i)]);
  return parsed;
}

const Option* Find(const Program& program, std::string_view name) {
  for (const Option* option : Flatten(program)) {
    if (name == option->name) return option;
    for (const auto& alias : Split(option->aliases))
      if (name == alias) return option;
  }
  return nullptr;
}

std::vector<std::string> AllNames(const Program& program) {
  std::vector<std::string> out;
  for (const Option* option : Flatten(program)) {
    if (option->short_name) out.push_back(std::string("-") + option->short_name);
    out.push_back(std::string("--") + option->name);
    for (const auto& alias : Split(option->aliases)) out.push_back("--" + alias);
  }
  return out;
}

std::string HelpText(const Program& program) {
  constexpr std::size_t kColumn = 30;
  std::string out;
  for (std::size_t i = 0; i < program.synopsis.size(); ++i)
    out += std::string(i == 0 ? "Usage: " : "       ") + program.name + " " + program.synopsis[i] + "\n";
  out += std::string("\n") + program.summary + "\n";
  for (const auto& section : program.sections) {
    out += std::string("\n") + section.heading + ":\n";
    for (const auto& option : section.options) {
      std::string left = option.short_name ? std::string("  -") + option.short_name + ", " : std::string("      ");
      left += std::string("--") + option.name;
      for (const auto& alias : Split(option.aliases)) left += ", --" + alias;
      if (option.value) left += std::string(" ") + option.value;
      std::istringstream help(option.help);
      std::string line;
      bool first = true;
      while (std::getline(help, line)) {
        if (first && left.size() + 2 <= kColumn) {
          out += left + std::string(kColumn - left.size(), ' ') + line + "\n";
        } else {
          if (first) out += left + "\n";
          out += std::string(kColumn, ' ') + line + "\n";
        }
        first = false;
      }
    }
  }
  if (!program.examples.empty()) {
    out += "\nExamples:\n";
    for (const char* example : program.examples) out += std::string("  ") + example + "\n";
  }
  out += std::string("\n") + program.epilogue;
  return out;
}

std::string ReadText(const std::string& option, const std::string& path, std::size_t max_bytes) {
  std::ifstream file;
  if (path != "-") {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) throw UsageError(option + " " + path + ": is a folder, not a file");
    file.open(path, std::ios::binary);
    if (!file) throw UsageError(option + " " + path + ": " + std::strerror(errno));
  }
  std::istream& in = path == "-" ? std::cin : file;
  std::string text;
  char buffer[65536];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    text.append(buffer, static_cast<std::size_t>(in.gcount()));
    if (text.size() > max_bytes) {
      const bool mib = max_bytes >= (1u << 20);
      throw UsageError(option + " " + path + ": larger than " + std::to_string(max_bytes >> (mib ? 20 : 10)) +
                       (mib ? " MiB" : " KiB"));
    }
  }
  if (in.bad()) throw UsageError(option + " " + path + ": cannot be read");
  return text;
}

std::string ReadPhrase(const std::string& option, const std::string& path) {
  constexpr std::size_t kMaxPhraseBytes = 64 << 10;
  std::string phrase = ReadText(option, path, kMaxPhraseBytes);
  if (!phrase.empty() && phrase.back() == '\n') phrase.pop_back();
  if (!phrase.empty() && phrase.back() == '\r') phrase.pop_back();
  return phrase;
}

std::string HelpHint(const Program& program) {
  return std::string("Try '") + program.name + " --help' for the options.";
}

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (byte < 0x20 || byte == 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04X", byte);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string JsonFailure(int exit_code, std::string_view message) {
  return "{\"ok\":false,\"exit_code\":" + std::to_string(exit_code) + ",\"error\":" + JsonString(message) + "}\n";
}

}  // namespace tessellux::cmdline
