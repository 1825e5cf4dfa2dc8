#pragma once

// Options of the service: tessellux-codegen [--bind ADDR] [--port N]
// [--company NAME | --config FILE] [--max-bitmap-mib N] ...

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "cmdline/cmdline.h"
#include "protocol/discovery.h"

namespace tessellux::codegen {

struct ServiceOptions {
  std::string bind = "0.0.0.0";
  std::uint16_t port = protocol::kDefaultPort;
  std::string company;
  std::size_t max_bitmap_mib = 64;
  std::size_t max_session_mib = 16;     // build input held per client
  std::size_t memory_budget_mib = 512;  // the whole service
  int frame_timeout_s = 5;              // an unfinished frame or unread reply drops the client
  int idle_timeout_s = 0;               // idle clients are closed after this; 0 = never
  std::size_t max_clients = 128;
  std::size_t max_clients_per_address = 8;
  int evict_idle_after_s = 60;  // a resting client may make room for a newcomer after this
  int build_threads = 0;  // 0 = DefaultBuildThreads()
  bool help = false;
  bool version = false;
  bool operator==(const ServiceOptions&) const = default;
};

// Discovery answers carry the name: a long one would make each answer a
// reflector's gain.
inline constexpr std::size_t kMaxCompanyBytes = 100;

// A BMP file states its size in 32 bits, so a bitmap stays below 4 GiB.
inline constexpr long kMaxBitmapMib = 4095;

// Threads for builds when none are asked for: the cores, at most four.
int DefaultBuildThreads();

// args without the program name. An error text for bad options, or when no
// company name is given (neither --company nor a config file with one).
// --config FILE reads "key=value" lines, one per service option (company,
// bind, port, max-clients, ...); an option on the command line wins over the
// same setting in the file. Unknown keys and bad values are errors naming the
// file and line; a UTF-8 byte order mark at the file's start is skipped.
std::variant<ServiceOptions, std::string> ParseServiceOptions(const std::vector<std::string>& args);

// The service's options, for parsing, --help, the config file's keys and the
// manual page's check.
const cmdline::Program& ServiceProgram();
std::string ServiceUsage();
std::string VersionText();

}  // namespace tessellux::codegen
