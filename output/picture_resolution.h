#pragma once

// The resolution a picture file declares, so that a viewer or a printer
// shows the symbol at its size on paper: BMP headers and PNG's pHYs chunk
// both hold it as pixels per metre.

#include <cstdint>

#include "protocol/bytes.h"

namespace tessellux::output {

// Dots per inch as whole pixels per metre (a tie to even); 0 for a value
// that is not a positive finite number or does not fit the field.
std::uint32_t PixelsPerMetre(double dots_per_inch);

// Writes the resolution into both axes of a BMP's info header (offsets 38
// and 42). False, with the picture left as it was, when it is too short
// to have one.
bool SetBmpResolution(Bytes& bmp, double dots_per_inch);

// The nine bytes of a PNG pHYs chunk's data: x and y pixels per metre,
// unit metre.
Bytes PngPhysicalDimensions(double dots_per_inch);

}  // namespace tessellux::output
