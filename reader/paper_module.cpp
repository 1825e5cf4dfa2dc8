#include "reader/paper_module.h"

#include <mutex>
#include <utility>

#include "cmdline/program_module.h"

namespace tessellux::reader {

namespace {

symbol::ReadError Unavailable(const std::string& why) {
  return {"pictures of paper need the module tessellux-read-paper.so: " + why, symbol::DecodeFailure::Damaged, {}};
}

// Loaded once; null with `error` saying why.
const PaperModule* LoadPaperModule(std::string* error) {
  static std::once_flag once;
  static const PaperModule* module = nullptr;
  static std::string load_error;
  std::call_once(once, [] {
    void* entry = cmdline::LoadProgramModule("tessellux-read-paper.so", TESSELLUX_PAPER_MODULE_INSTALLED,
                                             kPaperModuleSymbol, &load_error);
    if (entry) module = reinterpret_cast<PaperModuleFunction*>(entry)();
  });
  if (!module) *error = load_error;
  return module;
}

}  // namespace

symbol::PreparedPicture PreparePictureFile(symbol::Bytes file) {
  if (auto prepared = symbol::PrepareWithoutDecoder(file)) return std::move(*prepared);
  std::string error;
  const PaperModule* module = LoadPaperModule(&error);
  if (!module) return {Unavailable(error)};
  return module->prepare(file);
}

std::vector<symbol::PictureRead> ReadPreparedPicture(const symbol::PreparedPicture& picture,
                                                     const symbol::ReaderKeys& keys,
                                                     const symbol::PictureOptions& options) {
  return symbol::ReadPreparedWith(picture, keys, options,
                                  [](const symbol::GreyImage& image, const symbol::ReaderKeys& k,
                                     const symbol::PictureOptions& o) -> std::vector<symbol::PictureRead> {
                                    std::string error;
                                    const PaperModule* module = LoadPaperModule(&error);
                                    if (!module) return {symbol::PictureRead{Unavailable(error), std::nullopt}};
                                    return module->read_grey(image, k, o);
                                  });
}

}  // namespace tessellux::reader
