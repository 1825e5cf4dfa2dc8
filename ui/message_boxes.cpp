#include "ui/message_boxes.h"

#include <QMessageBox>

namespace tessellux::ui {
namespace {

void Show(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text) {
  QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
  box.exec();
}

}  // namespace

void QtMessageBoxes::Warning(const QString& title, const QString& text) {
  Show(parent_, QMessageBox::Warning, title, text);
}

void QtMessageBoxes::Information(const QString& title, const QString& text) {
  Show(parent_, QMessageBox::Information, title, text);
}

}  // namespace tessellux::ui
