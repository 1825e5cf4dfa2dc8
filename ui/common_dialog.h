#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QPrinter;
class QWidget;

namespace tessellux::ui {

// The file-open and printer dialogs, behind one interface so that tests
// answer them instead of blocking on a real dialog.
class CommonDialog {
 public:
  virtual ~CommonDialog() = default;
  // An existing file chosen with one of `name_filters` (the dialog's
  // syntax), starting from `start_file`; nothing when the user cancels.
  // The process's current directory is never changed.
  virtual std::optional<QString> ChooseFile(const QStringList& name_filters, const QString& start_file) = 0;
  // Lets the user pick the printer (and its settings) into `printer`;
  // false when the user cancels.
  virtual bool SelectPrinter(QPrinter& printer) = 0;
};

// The real dialogs, modal over `parent`.
class QtCommonDialog : public CommonDialog {
 public:
  explicit QtCommonDialog(QWidget* parent) : parent_(parent) {}
  std::optional<QString> ChooseFile(const QStringList& name_filters, const QString& start_file) override;
  bool SelectPrinter(QPrinter& printer) override;

 private:
  QWidget* parent_;
};

}  // namespace tessellux::ui
