// The three file choosers and the JPEG quality: the chosen picture is
// recompressed into the quality work file, which is what a build uploads.

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>

#include "app/tabs.h"
#include "pictures/file_filters.h"
#include "pictures/jpeg_recompress.h"
#include "pictures/quality_work_file.h"
#include "ui/common_dialog.h"
#include "ui/main_form.h"
#include "ui/picture_box.h"

namespace tessellux::ui {
namespace {

std::string LocalPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

QStringList NameFilters(const char* filter) {
  QStringList filters;
  for (const auto& entry : pictures::DialogNameFilters(filter)) filters.append(QString::fromStdString(entry));
  return filters;
}

}  // namespace

void MainForm::ConnectChooserHandlers() {
  connect(ChooseJpegCommand, &QPushButton::clicked, this, &MainForm::ChooseJpegCommand_Click);
  connect(ChooseZipCommand, &QPushButton::clicked, this, &MainForm::ChooseZipCommand_Click);
  connect(ChooseEmbossPicture, &QPushButton::clicked, this, &MainForm::ChooseEmbossPicture_Click);
  connect(QualityScroll, &QScrollBar::valueChanged, this, &MainForm::QualityScroll_Change);
}

// Empties the box, then fills it with the chosen file. A cancelled dialog
// leaves it empty: cancelling clears an earlier choice.
bool MainForm::ChooseFileInto(QLineEdit* box, const char* filter) {
  box->clear();
  const std::optional<QString> chosen = dialogs_->ChooseFile(NameFilters(filter), dialog_file_);
  if (!chosen) return false;
  dialog_file_ = *chosen;
  box->setText(*chosen);
  return true;
}

void MainForm::ChooseJpegCommand_Click() {
  if (!ChooseFileInto(JpegFileText, pictures::kJpegFilter)) return;
  BeforeJpegPicture->Repaint();
  QualityScroll_Change();
}

void MainForm::ChooseZipCommand_Click() { ChooseFileInto(ZipFileText, pictures::kZipFilter); }

void MainForm::ChooseEmbossPicture_Click() {
  if (ChooseFileInto(EmbossFileText, pictures::kEmbossFilter)) EmbossPicture->Repaint();
}

void MainForm::QualityScroll_Change() {
  const int quality = QualityScroll->value();
  const QString source = JpegFileText->text();
  quality_record_.reset();
  if (source.isEmpty()) {
    QualityLabel->setText(QStringLiteral("%1%").arg(quality));
    BeforeSizeLabel->clear();
    AfterSizeLabel->clear();
    quality_problem_ = QStringLiteral("No JPEG picture is chosen.");
    return;
  }
  const std::string work = LocalPath(quality_work_file_);
  const pictures::RecompressResult result = pictures::RecompressJpeg(LocalPath(source), quality, work);
  if (result.ok) {
    quality_record_ = pictures::RecordOf(LocalPath(source), quality, work);
  } else {
    quality_problem_ = QString::fromStdString(result.error);
  }
  const pictures::QualityLabels labels =
      pictures::LabelsFor(quality, result, QLocale().groupSeparator().toStdString());
  QualityLabel->setText(QString::fromStdString(labels.quality));
  BeforeSizeLabel->setText(QString::fromStdString(labels.before));
  AfterSizeLabel->setText(QString::fromStdString(labels.after));
  AfterJpegPicture->Repaint();
}

// A build uploads the work file only as made from the current choice at the
// current quality; anything else (a typed path, a file left from an earlier
// run, a picture changed on disk) is recompressed first.
// The build asks only for the data choices that carry a picture.
std::optional<app::Warning> MainForm::PrepareQualityWorkFile() {
  const std::string source = LocalPath(JpegFileText->text());
  const std::string work = LocalPath(quality_work_file_);
  if (!pictures::WorkFileIsCurrent(quality_record_, source, QualityScroll->value(), pictures::StampOf(source),
                                   pictures::StampOf(work))) {
    QualityScroll_Change();
  }
  if (quality_record_) return std::nullopt;
  return app::Warning{pictures::kPictureNotUsableTitle, {quality_problem_.toStdString()}};
}

}  // namespace tessellux::ui
