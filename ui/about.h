#pragma once

#include <QString>

namespace tessellux::ui {

// The About box's text: the program, its version, and the libraries it
// runs on with their licences.
QString AboutText();

}  // namespace tessellux::ui
