#include "symbol/symbol.h"

namespace tessellux::symbol {

std::string Describe(BuildError error) {
  switch (error) {
    case BuildError::DataTooLarge: return "data too large for the symbol size";
    case BuildError::BitmapTooLarge: return "bitmap larger than the configured limit";
    case BuildError::BadParameters: return "layout parameters out of range";
  }
  return "unknown error";
}

}  // namespace tessellux::symbol
