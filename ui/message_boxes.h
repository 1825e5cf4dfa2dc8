#pragma once

#include <QString>

class QWidget;

namespace tessellux::ui {

// Every modal message of the program goes through here, so that tests can
// record them instead of blocking on a dialog.
class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  // Exclamation icon, one OK button.
  virtual void Warning(const QString& title, const QString& text) = 0;
  // Information icon, one OK button.
  virtual void Information(const QString& title, const QString& text) = 0;
};

// Real modal QMessageBox dialogs.
class QtMessageBoxes : public MessageBoxes {
 public:
  explicit QtMessageBoxes(QWidget* parent) : parent_(parent) {}
  void Warning(const QString& title, const QString& text) override;
  void Information(const QString& title, const QString& text) override;

 private:
  QWidget* parent_;
};

}  // namespace tessellux::ui
