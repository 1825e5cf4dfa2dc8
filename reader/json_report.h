#pragma once

// --json: one object per symbol on stdout, the fields --verbose prints.

#include <string>

#include "symbol/paper.h"

namespace tessellux::reader {

std::string JsonReport(const symbol::PictureRead& read);

}  // namespace tessellux::reader
