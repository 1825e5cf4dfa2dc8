#pragma once

// Pictures of paper (PNG, JPEG, TIFF, scans and photos) are read by a module,
// tessellux-read-paper.so, loaded only when a picture is not a symbol's own
// BMP: OpenCV brings some 130 shared libraries, which cost a reader of a
// symbol's bitmap about 50 MB and a good part of a second to load.

#include <string>
#include <vector>

#include "symbol/paper.h"

namespace tessellux::reader {

// The module's entry points (same compiler and library, so C++ types cross).
struct PaperModule {
  // A picture file the exact way turned down, decoded.
  symbol::PreparedPicture (*prepare)(const symbol::Bytes& file);
  std::vector<symbol::PictureRead> (*read_grey)(const symbol::GreyImage& image, const symbol::ReaderKeys& keys,
                                                const symbol::PictureOptions& options);
};
using PaperModuleFunction = const PaperModule*();
inline constexpr const char* kPaperModuleSymbol = "tessellux_read_paper_module";

// The picture file made ready the exact way when it can be, else by the
// module (loaded once, the first time it is needed); and a prepared picture
// read, grey pages by the module.
symbol::PreparedPicture PreparePictureFile(symbol::Bytes file);
std::vector<symbol::PictureRead> ReadPreparedPicture(const symbol::PreparedPicture& picture,
                                                     const symbol::ReaderKeys& keys,
                                                     const symbol::PictureOptions& options);

}  // namespace tessellux::reader
