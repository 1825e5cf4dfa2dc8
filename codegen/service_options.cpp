#include "codegen/service_options.h"

#include <cerrno>
#include <cstring>
#include <fstream>

#include "codegen/cli_args.h"

namespace tessellux::codegen {
namespace {

std::string Trim(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// Applies one option; returns an error text, empty when fine.
std::string ApplyOption(const std::string& name, ArgReader& reader, ServiceOptions& options,
                        std::string& config) {
  if (name == "--help" || name == "-h") {
    options.help = true;
    return {};
  }
  std::string error;
  const auto value = reader.Value(name, error);
  if (!value) return error;
  const auto number = [&](long min, long max) { return ParseNumber(*value, min, max); };
  if (name == "--bind") {
    options.bind = *value;
  } else if (name == "--company") {
    options.company = *value;
  } else if (name == "--config") {
    config = *value;
  } else if (name == "--port") {
    const auto port = number(0, 65535);
    if (!port) return "--port needs a number from 0 to 65535";
    options.port = static_cast<std::uint16_t>(*port);
  } else if (name == "--max-bitmap-mib") {
    const auto mib = number(1, 1 << 20);
    if (!mib) return "--max-bitmap-mib needs a positive number";
    options.max_bitmap_mib = static_cast<std::size_t>(*mib);
  } else if (name == "--max-session-mib") {
    const auto mib = number(1, 4096);
    if (!mib) return "--max-session-mib needs a number from 1 to 4096";
    options.max_session_mib = static_cast<std::size_t>(*mib);
  } else if (name == "--max-clients") {
    const auto clients = number(1, 10000);
    if (!clients) return "--max-clients needs a number from 1 to 10000";
    options.max_clients = static_cast<std::size_t>(*clients);
  } else if (name == "--idle-timeout") {
    const auto seconds = number(1, 86400);
    if (!seconds) return "--idle-timeout needs seconds from 1 to 86400";
    options.idle_timeout_s = static_cast<int>(*seconds);
  } else {
    return "unknown option " + name;
  }
  return {};
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
    if (key.empty() || key == "config" || key == "help") return where + "unknown setting \"" + key + "\"";
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
  if (options.help) return options;
  if (!config.empty()) {
    // The file's settings first, then the command line again so that it wins.
    ServiceOptions merged;
    if (std::string error = ApplyConfigFile(config, merged); !error.empty()) return error;
    ArgReader again(args);
    while (!again.Done()) ApplyOption(again.Take(), again, merged, config);
    options = merged;
  }
  if (options.company.empty()) {
    return std::string("no company name: give --company NAME, or --config FILE with a line company=NAME");
  }
  return options;
}

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
         "  --max-bitmap-mib N     largest symbol bitmap in MiB (default 64)\n"
         "  --max-session-mib N    build input held per client in MiB (default 16)\n"
         "  --idle-timeout S       close clients silent for S seconds (default 300)\n"
         "  --max-clients N        clients served at once (default 64)\n"
         "  --help                 this text\n";
}

}  // namespace tessellux::codegen
