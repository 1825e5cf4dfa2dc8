#pragma once

#include <QWidget>

#include <functional>

namespace tessellux::ui {

// A picture box: white, with no retained drawing. Whenever it needs
// painting it calls its paint handler, which draws it again from its file.
class PictureBox : public QWidget {
  Q_OBJECT

 public:
  using PaintHandler = std::function<void(PictureBox& box, QPainter& painter)>;

  explicit PictureBox(QSize design_size, QWidget* parent = nullptr);
  void SetPaintHandler(PaintHandler handler) { handler_ = std::move(handler); }
  // Erases the drawing: the box stays white until the next paint with a picture.
  void Clear();
  // Draws on the next paint (the handler decides what).
  void Repaint();
  QSize sizeHint() const override { return design_size_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 signals:
  void clicked();

 private:
  QSize design_size_;
  PaintHandler handler_;
  bool cleared_ = false;
};

}  // namespace tessellux::ui
