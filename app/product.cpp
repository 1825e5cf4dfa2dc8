#include "app/product.h"

namespace tessellux::app {

std::string WindowCaption() {
  return std::string(kProductName) + "   Version " + std::to_string(kVersionMajor) + "." +
         std::to_string(kVersionMinor);
}

}  // namespace tessellux::app
