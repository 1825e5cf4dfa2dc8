#include "symbol/codec/stream_flags.h"

namespace tessellux::symbol::codec {

FileKind SniffFileKind(const Bytes& file) {
  if (file.size() >= 3 && file[0] == 0xFF && file[1] == 0xD8 && file[2] == 0xFF) return FileKind::Jpeg;
  if (file.size() >= 2 && file[0] == 0x50 && file[1] == 0x4B) return FileKind::Zip;
  return FileKind::Other;
}

}  // namespace tessellux::symbol::codec
