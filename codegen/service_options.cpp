#include "codegen/service_options.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <thread>
#include <type_traits>

#include "cmdline/cmdline.h"
#include "codegen/cli_args.h"
#include "codegen/memory_budget.h"

namespace tessellux::codegen {
namespace {

// Editors on some systems start a UTF-8 file with it.
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string Trim(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// "--port needs a number from 0 to 65535, not "x"".
std::string BadValue(const std::string& name, const std::string& wanted, const std::string& value) {
  return name + " needs " + wanted + ", not \"" + value + "\"";
}

// Options that take a whole number: its range, and the text that says so.
struct NumberOption {
  const char* name;
  long min, max;
  const char* wanted;
  void (*set)(ServiceOptions&, long);
};

template <auto Field>
void Set(ServiceOptions& options, long value) {
  options.*Field = static_cast<std::remove_reference_t<decltype(options.*Field)>>(value);
}

constexpr long kYear = 86400L * 365;

constexpr NumberOption kNumberOptions[] = {
    {"--port", 0, 65535, "a number from 0 to 65535", Set<&ServiceOptions::port>},
    {"--max-bitmap-mib", 1, kMaxBitmapMib, "a number from 1 to 4095 (a BMP file stays below 4 GiB)",
     Set<&ServiceOptions::max_bitmap_mib>},
    {"--max-session-mib", 1, 4096, "a number from 1 to 4096", Set<&ServiceOptions::max_session_mib>},
    {"--memory-budget-mib", 1, 1 << 20, "a number of MiB from 1 to 1048576", Set<&ServiceOptions::memory_budget_mib>},
    {"--max-clients", 1, 10000, "a number from 1 to 10000", Set<&ServiceOptions::max_clients>},
    {"--max-clients-per-address", 1, 10000, "a number from 1 to 10000",
     Set<&ServiceOptions::max_clients_per_address>},
    {"--evict-idle-after", 0, kYear, "seconds from 0 to 31536000", Set<&ServiceOptions::evict_idle_after_s>},
    {"--idle-timeout", 0, kYear, "seconds from 0 (never) to 31536000", Set<&ServiceOptions::idle_timeout_s>},
    {"--frame-timeout", 1, 3600, "seconds from 1 to 3600", Set<&ServiceOptions::frame_timeout_s>},
    {"--build-threads", 1, 64, "a number from 1 to 64", Set<&ServiceOptions::build_threads>},
};

// Options that take a text.
struct TextOption {
  const char* name;
  std::string ServiceOptions::*field;  // null: --config, which is kept apart
};

const TextOption kTextOptions[] = {
    {"--bind", &ServiceOptions::bind}, {"--company", &ServiceOptions::company}, {"--config", nullptr}};

template <typename Table>
auto Find(const Table& table, const std::string& name) -> decltype(&table[0]) {
  for (const auto& entry : table) {
    if (name == entry.name) return &entry;
  }
  return nullptr;
}

// Applies one option by its one name (without dashes); returns an error
// text, empty when fine.
std::string ApplyOption(const std::string& name, const std::optional<std::string>& value, ServiceOptions& options,
                        std::string& config) {
  if (name == "help") {
    options.help = true;
    return {};
  }
  if (name == "version") {
    options.version = true;
    return {};
  }
  const std::string dashed = "--" + name;
  const NumberOption* number = Find(kNumberOptions, dashed);
  const TextOption* text = Find(kTextOptions, dashed);
  if ((!number && !text) || !value) return "unknown option " + dashed;
  if (text) {
    (text->field ? options.*(text->field) : config) = *value;
    return {};
  }
  const auto parsed = ParseNumber(*value, number->min, number->max);
  if (!parsed) return BadValue(dashed, number->wanted, *value);
  number->set(options, *parsed);
  return {};
}

// Every option of `args` in turn; an error text, empty when fine.
std::string ApplyAll(const cmdline::Parsed& parsed, ServiceOptions& options, std::string& config) {
  for (const auto& given : parsed.options) {
    if (std::string error = ApplyOption(given.name, given.value, options, config); !error.empty()) return error;
  }
  return {};
}

// The budget must leave room for clients' holdings beyond what the service
// itself takes.
std::string CheckBudget(const ServiceOptions& options) {
  const int threads = options.build_threads > 0 ? options.build_threads : DefaultBuildThreads();
  const std::size_t fixed_mib = (FixedServiceBytes(options.max_clients, threads) + (1 << 20) - 1) >> 20;
  const std::size_t least = fixed_mib + (kSmallHolding >> 20) * 4;
  if (options.memory_budget_mib >= least) return {};
  return "--memory-budget-mib " + std::to_string(options.memory_budget_mib) + " is too small: " +
         std::to_string(options.max_clients) + " clients and " + std::to_string(threads) + " build threads take " +
         std::to_string(fixed_mib) + " MiB at rest; give at least " + std::to_string(least);
}

// Reads "key=value" lines ('#' starts a comment line); every key is the name
// of a service option without its dashes, and its value goes through the same
// checks as on the command line.
std::string ApplyConfigFile(const std::string& path, ServiceOptions& options) {
  std::ifstream in(path);
  if (!in) return "cannot read config file " + path + ": " + std::strerror(errno);
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    if (number == 1 && line.starts_with(kByteOrderMark)) line.erase(0, kByteOrderMark.size());
    line = Trim(line);
    if (line.empty() || line[0] == '#') continue;
    const std::string where = "config file " + path + " line " + std::to_string(number) + ": ";
    const auto equals = line.find('=');
    if (equals == std::string::npos) return where + "expected key=value, found \"" + line + "\"";
    const std::string key = Trim(line.substr(0, equals));
    const std::string value = Trim(line.substr(equals + 1));
    // Keys are the options' names, their aliases too.
    const cmdline::Option* option = cmdline::Find(ServiceProgram(), key);
    if (!option || !option->value || std::string_view(option->name) == "config") {
      return where + "unknown setting \"" + key + "\"";
    }
    if (value.empty()) return where + key + "= needs a value";
    std::string ignored;
    if (std::string error = ApplyOption(option->name, value, options, ignored); !error.empty()) return where + error;
  }
  if (in.bad()) return "cannot read config file " + path + ": " + std::strerror(errno);
  return {};
}

}  // namespace

std::variant<ServiceOptions, std::string> ParseServiceOptions(const std::vector<std::string>& args) {
  ServiceOptions options;
  std::string config;
  cmdline::Parsed parsed;
  try {
    parsed = cmdline::Parse(ServiceProgram(), args);
  } catch (const cmdline::UsageError& error) {
    return std::string(error.what());
  }
  if (!parsed.operands.empty()) return "unexpected argument \"" + parsed.operands.front() + "\"";
  if (std::string error = ApplyAll(parsed, options, config); !error.empty()) return error;
  if (options.help || options.version) return options;
  if (!config.empty()) {
    // The file's settings first, then the command line again so that it wins.
    ServiceOptions merged;
    if (std::string error = ApplyConfigFile(config, merged); !error.empty()) return error;
    ApplyAll(parsed, merged, config);
    options = merged;
  }
  if (std::string error = CheckBudget(options); !error.empty()) return error;
  if (options.company.empty()) {
    return std::string("no company name: give --company NAME, or --config FILE with a line company=NAME");
  }
  if (options.company.size() > kMaxCompanyBytes) {
    return "the company name is " + std::to_string(options.company.size()) + " bytes long; at most " +
           std::to_string(kMaxCompanyBytes) + " are allowed";
  }
  return options;
}

int DefaultBuildThreads() {
  return static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
}

std::string VersionText() { return std::string("tessellux-codegen ") + TESSELLUX_VERSION + "\n"; }

const cmdline::Program& ServiceProgram() {
  static const cmdline::Program program{
      "tessellux-codegen",
      {"[OPTIONS]", "encode [layout and content options] -o OUT.bmp  (encode --help)"},
      "Builds symbols for Create Tessellux over the LAN (TCP and UDP discovery on one port).",
      {
          {"Service",
           {
               {"bind", 0, "ADDR", "address to listen on (default 0.0.0.0)", "host"},
               {"port", 0, "N", "TCP and UDP port (default 8877; 0 = any free port)"},
               {"company", 0, "NAME", "company name given to clients (required, or from --config;\n"
                                      "at most 100 bytes)"},
               {"config", 0, "FILE", "file of key=value settings named like these options\n"
                                     "(company=NAME, bind=ADDR, port=N, ...); the command line wins"},
           }},
          {"Limits",
           {
               {"max-bitmap-mib", 0, "N", "largest symbol bitmap in MiB, 1..4095 (default 64)"},
               {"max-session-mib", 0, "N", "build input held per client in MiB (default 16)"},
               {"memory-budget-mib", 0, "N", "memory of the whole service in MiB (default 512); a command\n"
                                             "that would pass it is answered 0x08 (busy)"},
               {"max-clients", 0, "N", "clients served at once (default 128); at the limit a resting\n"
                                       "client may be closed to admit a new one (see below)"},
               {"max-clients-per-address", 0, "N", "connections one address may hold (default 8); more are refused"},
               {"evict-idle-after", 0, "S", "a full service closes a client to admit another only if it is\n"
                                            "between builds, idle S seconds or more (default 60), and from\n"
                                            "an address holding at least two more connections than the\n"
                                            "newcomer's; otherwise the newcomer is refused"},
               {"build-threads", 0, "N", "threads that build symbols (default: the cores, at most 4)"},
               {"frame-timeout", 0, "S", "drop a client whose command or reply stays unfinished S seconds\n"
                                         "(plus 1 s per 64 KiB; default 5)"},
               {"idle-timeout", 0, "S", "close clients idle S seconds (default 0: never)"},
           }},
          {"Program",
           {
               {"help", 'h', nullptr, "this text"},
               {"version", 'V', nullptr, "the version"},
           }},
      },
      {"tessellux-codegen --company \"ACME Ltd\"",
       "tessellux-codegen --config /etc/tessellux-codegen.conf --port=9000",
       "tessellux-codegen encode --text hello -o hello.bmp"},
      "Exit codes: 0 stopped by SIGINT or SIGTERM (or --help, --version); 1 the address\n"
      "cannot be bound; 2 bad options or no company name.\n"};
  return program;
}

std::string ServiceUsage() { return cmdline::HelpText(ServiceProgram()); }

}  // namespace tessellux::codegen
