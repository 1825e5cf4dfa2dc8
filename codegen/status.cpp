#include "codegen/status.h"

namespace tessellux::codegen {

std::string Describe(Status status) {
  switch (status) {
    case Status::Ok: return "ok";
    case Status::UnknownCommand: return "unknown command";
    case Status::MalformedParameters: return "malformed parameters";
    case Status::OutOfOrder: return "command out of order";
    case Status::DataTooLarge: return "data too large for the symbol size";
    case Status::BitmapTooLarge: return "bitmap larger than the configured limit";
    case Status::SessionDataCap: return "session data cap exceeded";
  }
  return "unknown status";
}

}  // namespace tessellux::codegen
