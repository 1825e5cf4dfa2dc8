#pragma once

#include <QString>

class QTextEdit;

namespace tessellux::ui {

// The box's whole text exactly as typed: non-breaking spaces stay (plain-text
// export would turn them into spaces); paragraph and line separators become
// "\n".
QString DataTextAsTyped(const QTextEdit& box);

}  // namespace tessellux::ui
