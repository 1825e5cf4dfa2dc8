// The picture boxes: each paint draws its file again, fitted into the box.

#include <QDesktopServices>
#include <QImageReader>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QUrl>

#include "output/paint_geometry.h"
#include "ui/main_form.h"
#include "ui/picture_box.h"

namespace tessellux::ui {

void MainForm::ConnectPictureHandlers() {
  ViewPicture->SetPaintHandler([this](PictureBox& box, QPainter& painter) {
    PaintPictureFile(box, painter, symbol_picture_file_);
  });
  BeforeJpegPicture->SetPaintHandler([this](PictureBox& box, QPainter& painter) {
    if (!JpegFileText->text().isEmpty()) PaintPictureFile(box, painter, JpegFileText->text());
  });
  AfterJpegPicture->SetPaintHandler([this](PictureBox& box, QPainter& painter) {
    if (!JpegFileText->text().isEmpty()) PaintPictureFile(box, painter, quality_work_file_);
  });
  EmbossPicture->SetPaintHandler([this](PictureBox& box, QPainter& painter) {
    if (!EmbossFileText->text().isEmpty()) PaintPictureFile(box, painter, EmbossFileText->text());
  });
  connect(ViewCommand, &QPushButton::clicked, this, &MainForm::ViewCommand_Click);
}

void MainForm::PaintPictureFile(PictureBox& box, QPainter& painter, const QString& path) {
  QImageReader reader(path);
  reader.setAutoTransform(true);
  QImage picture = reader.read();
  if (picture.isNull()) return;  // the box and the loaded picture stay as they were
  loaded_picture_ = picture;
  const auto geometry = output::FitPicture(picture.width(), picture.height(), box.width(), box.height(),
                                           &box == ViewPicture, GridSizeScroll->value());
  if (!geometry) return;
  const auto& s = geometry->source;
  const auto& d = geometry->destination;
  // Enlarged symbols keep sharp edges; reduced pictures are smoothed.
  painter.setRenderHint(QPainter::SmoothPixmapTransform, d.width < s.width);
  painter.drawImage(QRectF(d.left, d.top, d.width, d.height), picture, QRectF(s.left, s.top, s.width, s.height));
}

void MainForm::ViewCommand_Click() {
  // The desktop's default viewer; its outcome is not reported.
  QDesktopServices::openUrl(QUrl::fromLocalFile(symbol_picture_file_));
}

}  // namespace tessellux::ui
