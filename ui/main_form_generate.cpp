// Building one symbol: checks, command series, results, picture fetch.

#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTextEdit>

#include "app/tabs.h"
#include "generate/data_choice.h"
#include "generate/input_checks.h"
#include "generate/results.h"
#include "generate/unicode.h"
#include "link/file_upload.h"
#include "link/reply.h"
#include "output/atomic_file.h"
#include "output/picture_assembly.h"
#include "output/symbol_size.h"
#include "ui/main_form.h"
#include "ui/code_generator_link.h"
#include "ui/data_text.h"
#include "ui/message_boxes.h"
#include "ui/picture_box.h"

namespace tessellux::ui {
namespace {

Bytes Utf8Of(const QString& text) { return generate::UnicodeToUtf8(text.toStdU16String()); }

// Clears a flag when the build ends, however it ends.
class BuildScope {
 public:
  BuildScope(bool& flag, QProgressBar& progress) : flag_(flag), progress_(progress) {
    flag_ = true;
    progress_.setRange(0, 0);
    progress_.setValue(0);
    progress_.setFormat(QStringLiteral("Building the symbol..."));
    progress_.setVisible(true);
    QApplication::setOverrideCursor(Qt::BusyCursor);
  }
  ~BuildScope() {
    QApplication::restoreOverrideCursor();
    progress_.setVisible(false);
    flag_ = false;
  }

 private:
  bool& flag_;
  QProgressBar& progress_;
};

int UploadPieces(const std::string& path) {
  const qint64 size = QFileInfo(QString::fromStdString(path)).size();
  return size <= 0 ? 1 : static_cast<int>((size + 999) / 1000);
}

}  // namespace

int MainForm::SelectedDataChoice() const {
  bool selected[6];
  for (int i = 0; i < 6; ++i) selected[i] = DataOption[i]->isChecked();
  return generate::DataChoiceIndex(selected);
}

layout::Style MainForm::SelectedStyle() const {
  return StyleOption[0]->isChecked()   ? layout::Style::kLines
         : StyleOption[1]->isChecked() ? layout::Style::kDots
                                       : layout::Style::kDotsWithEmboss;
}

generate::GenerationChoices MainForm::ReadGenerationChoices(const Bytes& data_text) const {
  generate::GenerationChoices c;
  c.grid_size = GridSizeScroll->value();
  c.style = SelectedStyle();
  c.thickness = ThicknessScroll->value();
  c.size_unchecked = AutomaticSizeCheck->checkState() == Qt::Unchecked;
  c.rows_scroll = BlockRowsScroll->value();
  c.cols_scroll = BlockColsScroll->value();
  c.error_unchecked = AutomaticErrorCheck->checkState() == Qt::Unchecked;
  c.error_scroll = ErrorCorrectionScroll->value();
  using security::SecurityMode;
  c.mode = PublicOption->isChecked()      ? SecurityMode::kPublic
           : PrivateOption->isChecked()   ? SecurityMode::kPrivate
           : UniversalOption->isChecked() ? SecurityMode::kUniversal
           : UniqueOption->isChecked()    ? SecurityMode::kUnique
                                          : SecurityMode::kCascaded;
  c.temporary = TemporaryCheck->isChecked();
  c.identification_tag = IdentificationTagText->text().toStdU16String();
  c.phrase0 = SecretPhraseText[0]->text().toStdU16String();
  c.phrase1 = SecretPhraseText[1]->text().toStdU16String();
  c.data_text = data_text;
  c.upload_file = generate::ChooseUploadFile(SSTab->isTabEnabled(app::kPictureTab),
                                             SSTab->isTabEnabled(app::kZipTab),
                                             quality_work_file_.toStdString(), ZipFileText->text().toStdString());
  return c;
}

void MainForm::GenerateSymbol() {
  // One build at a time: a second one (say, the tab entered again while a
  // reply is awaited) would share the link's receive buffer and timer.
  if (generating_) return;
  BuildScope scope(generating_, *BuildProgress);
  ViewPicture->Clear();

  generate::CheckInputs checks;
  checks.data_choice = SelectedDataChoice();
  checks.data_text = Utf8Of(DataTextAsTyped(*DataText));
  checks.picture_file_given = !JpegFileText->text().isEmpty();
  checks.zip_file_given = !ZipFileText->text().isEmpty();
  checks.emboss_file_given = !EmbossFileText->text().isEmpty();
  checks.style = SelectedStyle();
  if (auto failure = generate::CheckBeforeGeneration(checks)) {
    SelectTab(failure->tab);
    Warn({failure->title, failure->text});
    return;
  }
  if (auto refusal = SecurityBuildRefusal()) {
    SelectTab(app::kSecurityTab);
    Warn(*refusal);
    return;
  }

  // A picture goes out as recompressed from the current choice and quality.
  if (!EnsureQualityWorkFile()) return;

  const generate::GenerationChoices choices = ReadGenerationChoices(checks.data_text);
  const std::vector<generate::SeriesStep> series = generate::CommandSeries(choices);
  int exchanges = 0;
  for (const auto& step : series) exchanges += step.IsUpload() ? UploadPieces(step.upload_path) : 1;
  BuildProgress->setRange(0, exchanges);
  BuildProgress->setFormat(QStringLiteral("Sending to the Code Generator: %p%"));
  if (!SendCommands(series) || !ApplyReplyGeometry(choices)) return;
  if (FetchSymbolPicture()) SymbolBuilt();
}

bool MainForm::SendCommands(const std::vector<generate::SeriesStep>& series) {
  for (const auto& step : series) {
    if (step.IsUpload() ? !SendFile(step.upload_path) : !link_->ExchangeCommand(step.command)) return false;
    if (!step.IsUpload()) StepProgress();
  }
  return true;
}

bool MainForm::SendFile(const std::string& path) {
  link::FileUpload upload(path);
  while (auto message = upload.NextMessage()) {
    if (!link_->ExchangeCommand(*message)) return false;
    StepProgress();
  }
  if (upload.Failed()) {
    Warn(upload.Failure());
    return false;
  }
  return true;
}

bool MainForm::ApplyReplyGeometry(const generate::GenerationChoices& choices) {
  app::Warning problem;
  const auto geometry = generate::ReadReplyGeometry(link_->ReceiveBuffer(), &problem);
  if (!geometry) {
    Warn(problem);
    return false;
  }
  const generate::ScrollValues scroll = generate::ScrollValuesOf(*geometry);
  BlockRowsScroll->setValue(scroll.rows);
  BlockColsScroll->setValue(scroll.cols);
  ErrorCorrectionScroll->setValue(scroll.error);

  const generate::UsageTexts usage = generate::UsageStatistics(*geometry);
  TotalBytesText->setText(QString::fromStdString(usage.total));
  ErrorBytesText->setText(QString::fromStdString(usage.error));
  UserBytesText->setText(QString::fromStdString(usage.user));

  const generate::PixelSize size =
      generate::SymbolPixelSize(*geometry, choices.grid_size, choices.thickness, choices.style);
  symbol_pixel_width_ = size.width;
  symbol_pixel_height_ = size.height;
  const double dpi = output::ReadLenientNumber(ResolutionText->text().toStdString());
  SymbolWidthText->setText(QString::fromStdString(output::SymbolSizeText(size.width, dpi)));
  SymbolHeightText->setText(QString::fromStdString(output::SymbolSizeText(size.height, dpi)));
  return true;
}

bool MainForm::FetchSymbolPicture() {
  if (!link_->ExchangeCommand({0x61})) return false;
  output::PictureAssembly picture;
  if (!picture.SetHeader(link_->ReceiveBuffer())) return false;
  BuildProgress->setRange(0, std::max(1, symbol_pixel_height_));
  BuildProgress->setValue(0);
  BuildProgress->setFormat(QStringLiteral("Fetching the symbol picture: %p%"));
  while (link_->ExchangeCommand({0x62})) {
    if (!picture.AddPiece(link_->ReceiveBuffer(), MirrorCheck->isChecked())) {
      Warn({"Symbol Picture Too Large", "The symbol picture sent by the Code Generator is too large to be shown."});
      return false;
    }
    StepProgress();
  }
  // Only the end-of-picture reply completes a picture; after a lost link or
  // an error reply the previous symbol picture file stays as it was.
  if (!link::IsEndOfSequence(link_->ReceiveBuffer())) return false;

  std::string error;
  if (!output::WriteFileAtomically(symbol_picture_file_.toStdString(), picture.Join(), &error)) {
    Warn({"Symbol Picture Not Saved",
          "The symbol picture could not be written to " + symbol_picture_file_.toStdString() + ": " + error});
    return false;
  }
  QImage loaded;
  if (!loaded.load(symbol_picture_file_)) {
    Warn({"Symbol Picture Not Loaded",
          "The symbol picture " + symbol_picture_file_.toStdString() + " could not be loaded as a picture."});
    return false;
  }
  loaded_picture_ = loaded;
  symbol_pixel_width_ = loaded.width();
  symbol_pixel_height_ = loaded.height();
  return true;
}

void MainForm::StepProgress() { BuildProgress->setValue(BuildProgress->value() + 1); }

void MainForm::Warn(const app::Warning& warning) {
  messages_->Warning(QString::fromStdString(warning.title), QString::fromStdString(warning.text));
}

}  // namespace tessellux::ui
