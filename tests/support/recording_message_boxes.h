#pragma once

#include <QList>
#include <QString>

#include <functional>

#include "ui/message_boxes.h"

namespace tessellux::testing {

// Records the window's message boxes instead of showing them.
class RecordingMessageBoxes : public ui::MessageBoxes {
 public:
  struct Shown {
    QString kind;  // "warning" or "information"
    QString title;
    QString text;
  };

  void Warning(const QString& title, const QString& text) override { Record({"warning", title, text}); }
  void Information(const QString& title, const QString& text) override {
    Record({"information", title, text});
  }

  QList<Shown> shown;
  std::function<void(const Shown&)> on_show;  // runs while the "box" is open

 private:
  void Record(const Shown& box) {
    shown.append(box);
    if (on_show) on_show(box);
  }
};

}  // namespace tessellux::testing
