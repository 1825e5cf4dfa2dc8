#pragma once

// `tessellux-codegen encode ... -o OUT.bmp`: one symbol straight to a file,
// without the network (scripts, benchmarks).

#include <string>
#include <variant>
#include <vector>

#include "cmdline/cmdline.h"
#include "symbol/symbol.h"

namespace tessellux::codegen {

struct EncodeOptions {
  symbol::SymbolSpec request;
  symbol::BuildLimits limits;
  std::string output;
  bool help = false;
};

// args after "encode". Reads --text-file and --file from disk.
std::variant<EncodeOptions, std::string> ParseEncodeOptions(const std::vector<std::string>& args);

// Builds and writes the BMP; returns the process exit code (0 written,
// 1 not buildable, 2 bad options, 3 cannot write), messages on stderr.
int RunEncode(const std::vector<std::string>& args);

const cmdline::Program& EncodeProgram();
std::string EncodeUsage();

}  // namespace tessellux::codegen
