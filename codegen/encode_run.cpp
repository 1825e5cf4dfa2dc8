// Kept apart from the option parsing, which must not pull in the encoder.

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>

#include "codegen/encode_command.h"
#include "codegen/layout_check.h"
#include "protocol/bytes.h"

namespace tessellux::codegen {

int RunEncode(const std::vector<std::string>& args) {
  auto parsed = ParseEncodeOptions(args);
  if (auto* error = std::get_if<std::string>(&parsed)) {
    std::cerr << "tessellux-codegen encode: " << *error << "\n" << cmdline::HelpHint(EncodeProgram()) << "\n";
    return cmdline::kExitUsage;
  }
  const auto& options = std::get<EncodeOptions>(parsed);
  if (options.help) {
    std::cout << EncodeUsage();
    return 0;
  }
  auto built = symbol::BuildSymbol(options.request, options.limits);
  if (auto* error = std::get_if<symbol::BuildError>(&built)) {
    std::cerr << "tessellux-codegen encode: " << BuildErrorText(*error, options.request.layout)
              << (*error == symbol::BuildError::BitmapTooLarge
                      ? "; give a smaller --grid (or --thickness), or a larger --max-bitmap-mib"
                      : "")
              << "\n";
    return 1;
  }
  const Bytes bmp = std::get<symbol::Symbol>(built).ToBmp();
  if (options.output == "-") {
    std::cout.write(reinterpret_cast<const char*>(bmp.data()), static_cast<std::streamsize>(bmp.size()));
    if (std::cout.flush()) return 0;
    std::cerr << "tessellux-codegen encode: cannot write to standard output\n";
    return 3;
  }
  errno = 0;
  std::ofstream out(options.output, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bmp.data()), static_cast<std::streamsize>(bmp.size()));
  if (!out.flush()) {
    const std::string cause = errno != 0 ? std::strerror(errno) : "write error";
    std::cerr << "tessellux-codegen encode: cannot write " << options.output << ": " << cause << "\n";
    return 3;
  }
  return 0;
}

}  // namespace tessellux::codegen
