#include "ui/picture_box.h"

#include <QPainter>

namespace tessellux::ui {

PictureBox::PictureBox(QSize design_size, QWidget* parent) : QWidget(parent), design_size_(design_size) {
  setMinimumSize(design_size / 2);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  setAutoFillBackground(false);
}

void PictureBox::Clear() {
  cleared_ = true;
  update();
}

void PictureBox::Repaint() {
  cleared_ = false;
  update();
}

void PictureBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::white);
  if (!cleared_ && handler_) handler_(*this, painter);
}

void PictureBox::mousePressEvent(QMouseEvent*) { emit clicked(); }

}  // namespace tessellux::ui
