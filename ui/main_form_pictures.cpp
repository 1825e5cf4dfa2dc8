// The picture boxes: each paint draws its file again, fitted into the box.
// The symbol view keeps the picture it read and its reduced copy until the
// file, the box or the grid size changes, so repaints stay cheap.

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QLineEdit>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>

#include <algorithm>
#include <chrono>
#include <cmath>

#include "output/paint_geometry.h"
#include "output/view_reduction.h"
#include "ui/main_form.h"
#include "ui/message_boxes.h"
#include "ui/picture_box.h"

namespace tessellux::ui {
namespace {

QImage ReadPicture(const QString& path) {
  QImageReader reader(path);
  reader.setAutoTransform(true);
  return reader.read();
}

bool IsOneBit(const QImage& picture) { return picture.format() == QImage::Format_Mono; }

// The view of a 1-bit picture reduced by `factor`: each view pixel the
// share of black under it.
QImage Reduce(const QImage& picture, const output::PaintGeometry& geometry, int factor) {
  const output::OneBitPicture bits{picture.constBits(), picture.width(), picture.height(),
                                   static_cast<std::size_t>(picture.bytesPerLine()),
                                   qGray(picture.color(1)) < 128};
  const auto& s = geometry.source;
  const output::GreyPicture grey = output::ReduceOneBit(bits, static_cast<int>(s.left), static_cast<int>(s.top),
                                                        static_cast<int>(s.width), static_cast<int>(s.height), factor);
  QImage reduced(grey.width, grey.height, QImage::Format_Grayscale8);
  for (int y = 0; y < grey.height; ++y)
    std::copy_n(grey.pixels.data() + static_cast<std::size_t>(y) * grey.width, grey.width, reduced.scanLine(y));
  return reduced;
}

// Notes the first time a step of showing the last symbol is reached, once
// that symbol is the one packed for the view.
void NoteFirst(const MainForm::SymbolTimes& times, generate::BuildTimes::TimePoint& at) {
  if (times.packed != generate::BuildTimes::TimePoint{} && at == generate::BuildTimes::TimePoint{})
    at = std::chrono::steady_clock::now();
}

}  // namespace

void MainForm::ConnectPictureHandlers() {
  ViewPicture->SetPaintHandler([this](PictureBox& box, QPainter& painter) { PaintSymbolView(box, painter); });
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
  const QImage picture = ReadPicture(path);
  if (picture.isNull()) return;  // the box and the loaded picture stay as they were
  loaded_picture_ = picture;
  const auto geometry = output::FitPicture(picture.width(), picture.height(), box.width(), box.height(),
                                           /*is_view=*/false, 0);
  if (!geometry) return;
  const auto& s = geometry->source;
  const auto& d = geometry->destination;
  painter.setRenderHint(QPainter::SmoothPixmapTransform, d.width < s.width);
  painter.drawImage(QRectF(d.left, d.top, d.width, d.height), picture, QRectF(s.left, s.top, s.width, s.height));
}

// A fetched symbol: kept for printing and for the view, then shown.
void MainForm::SymbolBuilt() {
  ++symbols_built_;
  symbol_picture_ = loaded_picture_.depth() == 1 ? loaded_picture_.convertToFormat(QImage::Format_Mono) : loaded_picture_;
  view_ = {};
  view_.stamp = pictures::StampOf(QFile::encodeName(symbol_picture_file_).toStdString());
  view_.picture = symbol_picture_;
  ViewPicture->Repaint();
}

void MainForm::PaintSymbolView(PictureBox& box, QPainter& painter) {
  // The file is read again only when it changed on disk.
  const pictures::FileStamp stamp = pictures::StampOf(QFile::encodeName(symbol_picture_file_).toStdString());
  if (!stamp.exists) return;
  if (!(stamp == view_.stamp) || view_.picture.isNull()) {
    QImage picture = ReadPicture(symbol_picture_file_);
    if (picture.isNull()) return;
    view_ = {};
    view_.stamp = stamp;
    view_.picture = picture.depth() == 1 ? picture.convertToFormat(QImage::Format_Mono) : picture;
  }
  const QImage& picture = view_.picture;
  loaded_picture_ = picture;
  const auto geometry = output::FitPicture(picture.width(), picture.height(), box.width(), box.height(),
                                           /*is_view=*/true, GridSizeScroll->value());
  if (!geometry) return;
  const auto& s = geometry->source;
  const auto& d = geometry->destination;
  const QRectF target(d.left, d.top, d.width, d.height);
  const int factor = static_cast<int>(std::lround(picture.width() / static_cast<double>(d.width)));
  if (d.width >= picture.width() || factor < 2 || !IsOneBit(picture)) {
    // Enlarged or full size symbols keep sharp edges; other pictures are smoothed.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, d.width < s.width);
    painter.drawImage(target, picture, QRectF(s.left, s.top, s.width, s.height));
    NoteFirst(symbol_times_, symbol_times_.painted);
    return;
  }
  if (view_.reduced.isNull() || view_.box != box.size() || view_.grid != GridSizeScroll->value() ||
      view_.factor != factor) {
    view_.reduced = Reduce(picture, *geometry, factor);
    view_.box = box.size();
    view_.grid = GridSizeScroll->value();
    view_.factor = factor;
    NoteFirst(symbol_times_, symbol_times_.reduced);
  }
  painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
  painter.drawImage(target, view_.reduced);
  NoteFirst(symbol_times_, symbol_times_.painted);
}

void MainForm::ViewCommand_Click() {
  if (!QFileInfo::exists(symbol_picture_file_)) {
    messages_->Information(QStringLiteral("Nothing to View"),
                           QStringLiteral("No symbol has been built yet, so there is no picture to show."));
    return;
  }
  // Handed to the desktop's opener; only a missing viewer is reported.
  const QString file = symbol_picture_file_;
  auto* opener = new QProcess(this);
  const auto no_viewer = [this, file] {
    messages_->Information(QStringLiteral("No Picture Viewer"),
                           QStringLiteral("No picture viewer is installed to show the symbol. The symbol picture is "
                                          "the file %1.")
                               .arg(file));
  };
  connect(opener, &QProcess::errorOccurred, this, [opener, no_viewer](QProcess::ProcessError error) {
    if (error == QProcess::FailedToStart) {
      no_viewer();
      opener->deleteLater();
    }
  });
  // xdg-open exits with 3 when no application handles the file.
  connect(opener, &QProcess::finished, this, [opener, no_viewer](int code, QProcess::ExitStatus status) {
    if (status == QProcess::NormalExit && code == 3) no_viewer();
    opener->deleteLater();
  });
  opener->start(QStringLiteral("xdg-open"), {file});
}

}  // namespace tessellux::ui
