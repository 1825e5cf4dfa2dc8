// Building one symbol: checks, command series, results, picture fetch.

#include <QApplication>
#include <QCheckBox>
#include <QLocale>
#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTextEdit>

#include <climits>

#include "app/tabs.h"
#include "generate/build_driver.h"
#include "generate/data_choice.h"
#include "generate/unicode.h"
#include "output/atomic_file.h"
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

generate::BuildRequest MainForm::ReadBuildRequest() {
  generate::BuildRequest request;
  generate::CheckInputs& checks = request.checks;
  checks.data_choice = SelectedDataChoice();
  checks.data_text = Utf8Of(DataTextAsTyped(*DataText));
  checks.picture_file_given = !JpegFileText->text().isEmpty();
  checks.zip_file_given = !ZipFileText->text().isEmpty();
  checks.emboss_file_given = !EmbossFileText->text().isEmpty();
  checks.style = SelectedStyle();
  checks.security_status = SecurityStatusText();
  request.choices = ReadGenerationChoices(checks.data_text);
  request.mirror = MirrorCheck->isChecked();
  request.dots_per_inch = output::ReadLenientNumber(ResolutionText->text().toStdString());
  const QLocale locale;
  request.group_separator = locale.groupSeparator().toStdString();
  request.decimal_point = locale.decimalPoint().toStdString();
  // A picture goes out as recompressed from the current choice and quality.
  request.prepare_upload = [this] { return PrepareQualityWorkFile(); };
  return request;
}

void MainForm::GenerateSymbol() {
  // One build at a time: a second one (say, the tab entered again while a
  // reply is awaited) would share the link's receive buffer and timer.
  if (generating_) return;
  BuildScope scope(generating_, *BuildProgress);
  ViewPicture->Clear();

  generate::BuildDriver driver(*link_, [this](generate::BuildStage stage, std::uint64_t done,
                                              std::uint64_t total) { ShowBuildProgress(stage, done, total); });
  const generate::BuildResult result = driver.Build(ReadBuildRequest());
  ApplyBuildResult(result);
  if (result.failure) {
    ReportBuildFailure(*result.failure);
    return;
  }
  if (ShowSymbolPicture(*result.picture)) SymbolBuilt();
}

void MainForm::ShowBuildProgress(generate::BuildStage stage, std::uint64_t done, std::uint64_t total) {
  BuildProgress->setFormat(stage == generate::BuildStage::kSending
                               ? QStringLiteral("Sending to the Code Generator: %p%")
                               : QStringLiteral("Fetching the symbol picture: %p%"));
  BuildProgress->setRange(0, static_cast<int>(std::min<std::uint64_t>(total, INT_MAX)));
  BuildProgress->setValue(static_cast<int>(std::min(done, total)));
}

void MainForm::ApplyBuildResult(const generate::BuildResult& result) {
  if (!result.geometry) return;
  BlockRowsScroll->setValue(result.scroll.rows);
  BlockColsScroll->setValue(result.scroll.cols);
  ErrorCorrectionScroll->setValue(result.scroll.error);
  TotalBytesText->setText(QString::fromStdString(result.usage.total));
  ErrorBytesText->setText(QString::fromStdString(result.usage.error));
  UserBytesText->setText(QString::fromStdString(result.usage.user));
  symbol_pixel_width_ = result.pixel_size.width;
  symbol_pixel_height_ = result.pixel_size.height;
  SymbolWidthText->setText(QString::fromStdString(result.width_text));
  SymbolHeightText->setText(QString::fromStdString(result.height_text));
}

void MainForm::ReportBuildFailure(const generate::BuildFailure& failure) {
  using Kind = generate::BuildFailure::Kind;
  switch (failure.kind) {
    case Kind::kCheck:
      SelectTab(failure.tab);
      Warn(failure.warning);
      return;
    case Kind::kStatus:
      messages_->Information(QString::fromStdString(failure.warning.title),
                             QString::fromStdString(failure.warning.text));
      return;
    case Kind::kUpload:
    case Kind::kGeometry:
    case Kind::kPicture:
      Warn(failure.warning);
      return;
    case Kind::kTimeout:
    case Kind::kLinkLost:
    case Kind::kProtocolError:  // the link has reported its loss already
    case Kind::kNoStatus:       // silent, as an end reply or a reply without status is
      return;
  }
}

bool MainForm::ShowSymbolPicture(const Bytes& picture) {
  std::string error;
  if (!output::WriteFileAtomically(symbol_picture_file_.toStdString(), picture, &error)) {
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

void MainForm::Warn(const app::Warning& warning) {
  messages_->Warning(QString::fromStdString(warning.title), QString::fromStdString(warning.text));
}

}  // namespace tessellux::ui
