// tessellux-read-paper.so: pictures of paper for tessellux-read, decoded and
// searched with OpenCV (symbol/paper/).

#include "reader/paper_module.h"

namespace {

tessellux::symbol::PreparedPicture Prepare(const tessellux::symbol::Bytes& file) {
  return tessellux::symbol::PrepareDecoded(file);
}

std::vector<tessellux::symbol::PictureRead> ReadGrey(const tessellux::symbol::GreyImage& image,
                                                     const tessellux::symbol::ReaderKeys& keys,
                                                     const tessellux::symbol::PictureOptions& options) {
  return tessellux::symbol::ReadGreyPicture(image, keys, options);
}

constexpr tessellux::reader::PaperModule kModule{Prepare, ReadGrey};

}  // namespace

extern "C" __attribute__((visibility("default"))) const tessellux::reader::PaperModule* tessellux_read_paper_module() {
  return &kModule;
}
