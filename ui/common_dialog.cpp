#include "ui/common_dialog.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>

namespace tessellux::ui {

std::optional<QString> QtCommonDialog::ChooseFile(const QStringList& name_filters, const QString& start_file) {
  QFileDialog dialog(parent_);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  // The filters carry case-insensitive patterns; users see the descriptions.
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  dialog.setNameFilters(name_filters);
  if (!start_file.isEmpty()) dialog.selectFile(start_file);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return QDir::cleanPath(dialog.selectedFiles().constFirst());
}

bool QtCommonDialog::SelectPrinter(QPrinter& printer) {
  QPrintDialog dialog(&printer, parent_);
  dialog.setWindowTitle(QStringLiteral("Select Printer"));
  // Choosing a printer prints nothing yet: the button says what it does.
  for (auto* buttons : dialog.findChildren<QDialogButtonBox*>()) {
    if (QPushButton* ok = buttons->button(QDialogButtonBox::Ok)) ok->setText(QStringLiteral("Select"));
  }
  return dialog.exec() == QDialog::Accepted;
}

}  // namespace tessellux::ui
