#pragma once

// The fetched symbol picture as the window keeps it: a packed 1-bit image
// made straight from the BMP's rows, held once for the view and for
// printing. Qt's BMP reader is not used for it: its allocation limit counts
// four bytes a pixel and it refuses pictures far smaller than the largest
// symbol a Code Generator builds (22,376 pixels square, 62.6 MB of bits).

#include <QImage>

#include "output/picture_assembly.h"
#include "protocol/bytes.h"

namespace tessellux::ui {

// `bmp` is a whole picture whose header `shape` describes (as the fetch
// checked it). A 1-bit picture becomes a Format_Mono image with the BMP's
// two colours, rows turned top-down; other depths (another make of Code
// Generator) go through Qt's reader. Null when the memory is not there.
QImage SymbolImage(const Bytes& bmp, const output::BmpShape& shape);

// The BMP file of a kept symbol again (a 1-bit picture with its two colours,
// rows bottom-up), made only when something needs the file's bytes (checking
// a scan), so the window holds the symbol once. Thread-safe for an image the
// caller copied.
Bytes SymbolBmpFile(const QImage& symbol);

}  // namespace tessellux::ui
