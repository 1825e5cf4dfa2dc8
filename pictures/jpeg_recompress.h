#pragma once

// JPEG recompression with a chosen quality (libjpeg-turbo). The window's
// "Quality" scroll bar and the command line both come here, so a picture
// is embedded the same way whichever of them made the symbol.

#include <cstdint>
#include <string>

namespace tessellux::pictures {

inline constexpr int kMinQuality = 5;
inline constexpr int kMaxQuality = 95;
inline constexpr int kDefaultQuality = 20;

struct RecompressResult {
  bool ok = false;
  // When !ok: a sentence naming the source file, for a warning, and a few
  // words for a label beside the picture.
  std::string error;
  std::string short_error;
  bool source_read = false;         // source_size is known
  std::uint64_t source_size = 0;
  std::uint64_t work_size = 0;      // the work file as written
  bool used_original = false;       // re-encoding was not smaller: the work file is the source's bytes
  int width = 0;                    // the picture as embedded (orientation applied)
  int height = 0;
};

// Decodes the JPEG file `source_path`, turns it upright as its EXIF
// orientation says, and encodes the pixels at `quality` (kMinQuality to
// kMaxQuality) into `work_path`. No metadata of the source reaches the
// work file. When the new file would not be strictly smaller, the work
// file becomes a byte-for-byte copy of the source instead. The work file is
// replaced atomically; on any failure it is removed, so no earlier
// picture can stand in for this one.
RecompressResult RecompressJpeg(const std::string& source_path, int quality, const std::string& work_path);

}  // namespace tessellux::pictures
