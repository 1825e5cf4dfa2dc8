#include "codegen/service_options.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <thread>
#include <type_traits>

#include "codegen/cli_args.h"
#include "codegen/memory_budget.h"

namespace tessellux::codegen {
namespace {

std::string Trim(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// "--port needs a number from 0 to 65535, not "x"".
std::string BadValue(const std::string& name, const std::string& wanted, const std::string& value) {
  return name + " needs " + wanted + ", not \"" + value + "\"";
}

bool TakesValue(const std::string& name) {
  static const char* const kNames[] = {"--bind",           "--port",          "--company",         "--config",
                                       "--max-bitmap-mib", "--max-session-mib", "--memory-budget-mib",
                                       "--max-clients",    "--idle-timeout",  "--frame-timeout",   "--build-threads"};
  return std::find(std::begin(kNames), std::end(kNames), name) != std::end(kNames);
}

// Applies one option; returns an error text, empty when fine.
std::string ApplyOption(const std::string& name, ArgReader& reader, ServiceOptions& options,
                        std::string& config) {
  if (name == "--help" || name == "-h") {
    options.help = true;
    return {};
  }
  if (name == "--version") {
    options.version = true;
    return {};
  }
  if (!TakesValue(name)) {
    return name.starts_with("-") ? "unknown option " + name : "unexpected argument \"" + name + "\"";
  }
  std::string error;
  const auto value = reader.Value(name, error);
  if (!value) return error;
  // Reads a number in [min, max] into `out`; an error naming the value otherwise.
  const auto number = [&](long min, long max, auto& out, const std::string& wanted) -> std::string {
    const auto parsed = ParseNumber(*value, min, max);
    if (!parsed) return BadValue(name, wanted, *value);
    out = static_cast<std::remove_reference_t<decltype(out)>>(*parsed);
    return {};
  };
  if (name == "--bind") options.bind = *value;
  else if (name == "--company") options.company = *value;
  else if (name == "--config") config = *value;
  else if (name == "--port") return number(0, 65535, options.port, "a number from 0 to 65535");
  else if (name == "--max-bitmap-mib")
    return number(1, kMaxBitmapMib, options.max_bitmap_mib, "a number from 1 to 4095 (a BMP file stays below 4 GiB)");
  else if (name == "--max-session-mib") return number(1, 4096, options.max_session_mib, "a number from 1 to 4096");
  else if (name == "--memory-budget-mib")
    return number(1, 1 << 20, options.memory_budget_mib, "a number of MiB from 1 to 1048576");
  else if (name == "--max-clients") return number(1, 10000, options.max_clients, "a number from 1 to 10000");
  else if (name == "--idle-timeout")
    return number(0, 86400 * 365, options.idle_timeout_s, "seconds from 0 (never) to 31536000");
  else if (name == "--frame-timeout") return number(1, 3600, options.frame_timeout_s, "seconds from 1 to 3600");
  else return number(1, 64, options.build_threads, "a number from 1 to 64");
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
    line = Trim(line);
    if (line.empty() || line[0] == '#') continue;
    const std::string where = "config file " + path + " line " + std::to_string(number) + ": ";
    const auto equals = line.find('=');
    if (equals == std::string::npos) return where + "expected key=value, found \"" + line + "\"";
    const std::string key = Trim(line.substr(0, equals));
    const std::string value = Trim(line.substr(equals + 1));
    if (key.empty() || key == "config" || key == "help" || key == "version") return where + "unknown setting \"" + key + "\"";
    if (value.empty()) return where + key + "= needs a value";
    ArgReader reader({value});
    std::string ignored;
    if (std::string error = ApplyOption("--" + key, reader, options, ignored); !error.empty()) return where + error;
  }
  if (in.bad()) return "cannot read config file " + path + ": " + std::strerror(errno);
  return {};
}

}  // namespace

std::variant<ServiceOptions, std::string> ParseServiceOptions(const std::vector<std::string>& args) {
  ServiceOptions options;
  std::string config;
  ArgReader reader(args);
  while (!reader.Done()) {
    const std::string name = reader.Take();
    if (std::string error = ApplyOption(name, reader, options, config); !error.empty()) return error;
  }
  if (options.help || options.version) return options;
  if (!config.empty()) {
    // The file's settings first, then the command line again so that it wins.
    ServiceOptions merged;
    if (std::string error = ApplyConfigFile(config, merged); !error.empty()) return error;
    ArgReader again(args);
    while (!again.Done()) ApplyOption(again.Take(), again, merged, config);
    options = merged;
  }
  if (std::string error = CheckBudget(options); !error.empty()) return error;
  if (options.company.empty()) {
    return std::string("no company name: give --company NAME, or --config FILE with a line company=NAME");
  }
  return options;
}

int DefaultBuildThreads() {
  return static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
}

std::string VersionText() { return std::string("tessellux-codegen ") + TESSELLUX_VERSION + "\n"; }

std::string ServiceUsage() {
  return "Usage: tessellux-codegen [options]\n"
         "       tessellux-codegen encode [layout and content options] -o OUT.bmp  (encode --help)\n"
         "\n"
         "Builds symbols for Create Tessellux over the LAN (TCP and UDP discovery on one port).\n"
         "  --bind ADDR            address to listen on (default 0.0.0.0)\n"
         "  --port N               TCP and UDP port (default 8877; 0 = any free port)\n"
         "  --company NAME         company name given to clients (required, or from --config)\n"
         "  --config FILE          file of key=value settings named like these options\n"
         "                         (company=NAME, bind=ADDR, port=N, ...); the command line wins\n"
         "  --max-bitmap-mib N     largest symbol bitmap in MiB, 1..4095 (default 64)\n"
         "  --max-session-mib N    build input held per client in MiB (default 16)\n"
         "  --memory-budget-mib N  memory of the whole service in MiB (default 512); a command\n"
         "                         that would pass it is answered 0x08 (busy)\n"
         "  --max-clients N        clients served at once (default 64); at the limit the one idle\n"
         "                         longest is closed to admit a new one\n"
         "  --build-threads N      threads that build symbols (default: the cores, at most 4)\n"
         "  --frame-timeout S      drop a client whose command or reply stays unfinished S seconds\n"
         "                         (plus 1 s per 64 KiB; default 5)\n"
         "  --idle-timeout S       close clients idle S seconds (default 0: never)\n"
         "  --help                 this text\n"
         "  --version              the version\n"
         "Exit codes: 0 stopped by SIGINT or SIGTERM (or --help, --version); 1 bad options, no\n"
         "company name, or the address cannot be bound.\n";
}

}  // namespace tessellux::codegen
