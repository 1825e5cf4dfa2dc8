#pragma once

// Message boxes for the timing tools: printed on stderr, never waited for.

#include <QString>

#include <cstdio>

#include "ui/message_boxes.h"

namespace tessellux::bench {

class SilentBoxes : public ui::MessageBoxes {
 public:
  void Warning(const QString& title, const QString& text) override {
    std::fprintf(stderr, "warning: %s: %s\n", qPrintable(title), qPrintable(text));
  }
  void Information(const QString& title, const QString& text) override { Warning(title, text); }
};

}  // namespace tessellux::bench
