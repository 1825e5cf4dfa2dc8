// Building one symbol: checks, command series, results, picture fetch. The
// build is a step machine driven by the link's replies: nothing here waits,
// so the window answers throughout and never runs inside itself.

#include <QApplication>
#include <QCheckBox>
#include <QLocale>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTextEdit>

#include <chrono>
#include <climits>

#include "app/tabs.h"
#include "app/data_choice.h"
#include "generate/unicode.h"
#include "geometry/layout_values.h"
#include "app/atomic_file.h"
#include "output/number_text.h"
#include "ui/main_form.h"
#include "ui/code_generator_link.h"
#include "ui/data_text.h"
#include "ui/message_boxes.h"
#include "ui/picture_box.h"
#include "ui/symbol_image.h"

namespace tessellux::ui {
namespace {

Bytes Utf8Of(const QString& text) { return generate::UnicodeToUtf8(text.toStdU16String()); }

std::string PathOf(const QLineEdit& box) { return box.text().toStdString(); }

// A message box's text: the paragraphs apart by a blank line.
QString BoxText(const app::Warning& warning) { return QString::fromStdString(app::JoinParagraphs(warning, "\n\n")); }

}  // namespace

int MainForm::SelectedDataChoice() const {
  bool selected[6];
  for (int i = 0; i < 6; ++i) selected[i] = DataOption[i]->isChecked();
  return app::DataChoiceIndex(selected);
}

geometry::Style MainForm::SelectedStyle() const {
  return StyleOption[0]->isChecked()   ? geometry::Style::kLines
         : StyleOption[1]->isChecked() ? geometry::Style::kDots
                                       : geometry::Style::kDotsWithEmboss;
}

generate::SymbolLayout MainForm::ReadSymbolLayout() const {
  generate::SymbolLayout layout;
  // Only the unchecked state fixes a value; checked and greyed both leave
  // it to the Code Generator.
  if (AutomaticSizeCheck->checkState() == Qt::Unchecked) {
    layout.rows = geometry::BlockCount(BlockRowsScroll->value());
    layout.columns = geometry::BlockCount(BlockColsScroll->value());
  }
  if (AutomaticErrorCheck->checkState() == Qt::Unchecked)
    layout.correctable = geometry::CorrectableBytes(ErrorCorrectionScroll->value());
  layout.grid = GridSizeScroll->value();
  layout.thickness = ThicknessScroll->value();
  layout.style = SelectedStyle();
  layout.mirror = MirrorCheck->isChecked();
  return layout;
}

generate::SecurityChoice MainForm::ReadSecurityChoice() const {
  generate::SecurityChoice security;
  security.mode = SelectedSecurityMode();
  security.temporary = TemporaryCheck->isChecked();
  security.identification_tag = IdentificationTagText->text().toStdU16String();
  security.phrase = SecretPhraseText[0]->text().toStdU16String();
  security.second_phrase = SecretPhraseText[1]->text().toStdU16String();
  return security;
}

generate::BuildRequest MainForm::ReadBuildRequest() {
  generate::BuildRequest request;
  request.data = SelectedDataChoice();
  request.text = Utf8Of(DataTextAsTyped(*DataText));
  request.picture_file = PathOf(*JpegFileText);
  request.zip_file = PathOf(*ZipFileText);
  request.emboss_file = PathOf(*EmbossFileText);
  request.layout = ReadSymbolLayout();
  request.security = ReadSecurityChoice();
  // A picture goes out as recompressed from the current choice and quality.
  request.picture_upload = quality_work_file_.toStdString();
  request.prepare_picture = [this] { return PrepareQualityWorkFile(); };
  return request;
}

void MainForm::GenerateSymbol() {
  // One build at a time: the link carries one exchange at a time. A change
  // made meanwhile (a resolution typed, the tab entered again) leads to one
  // more build when this one ends, with the values of then.
  if (build_ || sheet_) {
    rebuild_pending_ = true;
    return;
  }
  StartBuild();
}

void MainForm::StartBuild(bool for_sheet) {
  ViewPicture->Clear();
  BuildProgress->setRange(0, 0);
  BuildProgress->setValue(0);
  BuildProgress->setFormat(QStringLiteral("Building the symbol..."));
  BuildProgress->setVisible(true);
  StopCommand->setEnabled(true);
  StopCommand->setVisible(true);
  QApplication::setOverrideCursor(Qt::BusyCursor);
  build_for_sheet_ = for_sheet;
  build_ = std::make_unique<generate::BuildRun>(ReadBuildRequest());
  ContinueBuild(build_->Start());
}

void MainForm::ContinueBuild(std::optional<Bytes> message) {
  if (!message) return FinishBuild();
  ShowBuildProgress();
  link_->Send(*message);
}

void MainForm::ExchangeEnded(const link::ExchangeOutcome& outcome) {
  if (build_) ContinueBuild(build_->Next(outcome));
}

void MainForm::FinishBuild() {
  generate::BuildResult result = std::move(*build_).Result();
  build_.reset();
  ++builds_ended_;
  symbol_times_ = {result.times, {}, {}, {}, {}};
  QApplication::restoreOverrideCursor();
  BuildProgress->setVisible(false);
  StopCommand->setVisible(false);
  ApplyBuildResult(result);
  bool built = false;
  if (result.failure) {
    ReportBuildFailure(*result.failure);
  } else if (ShowSymbolPicture(std::move(*result.picture), result.picture_shape)) {
    SymbolBuilt();
    built = true;
  }
  if (build_for_sheet_ && sheet_) return SheetSymbolBuilt(built);
  if (sheet_) return BuildNextSheetSymbol();  // the sheet waited for a build of the user's
  StartPendingBuild();
}

void MainForm::StopBuild() {
  if (!build_) return;
  rebuild_pending_ = false;
  build_->Stop();  // ends when the exchange under way does, within the reply timeout
  StopCommand->setEnabled(false);
  BuildProgress->setFormat(QStringLiteral("Stopping..."));
}

void MainForm::StartPendingBuild() {
  if (!rebuild_pending_) return;
  rebuild_pending_ = false;
  if (link_->LinkUp()) StartBuild();
}

void MainForm::ShowBuildProgress() {
  if (build_->Total() == 0) return;  // checks and preparation: no count yet
  if (!StopCommand->isEnabled()) return;  // "Stopping..." stays
  BuildProgress->setFormat(build_->Stage() == generate::BuildStage::kSending
                               ? QStringLiteral("Sending to the Code Generator: %p%")
                               : QStringLiteral("Fetching the symbol picture: %p%"));
  const auto bounded = [](std::uint64_t n) { return static_cast<int>(std::min<std::uint64_t>(n, INT_MAX)); };
  const int maximum = bounded(build_->Total());
  const int value = bounded(build_->Done());
  // The bar moves a thousandth at a time, and to its end: for each new value
  // it measures its text to see whether anything shows, which, on a fetch
  // of an exchange a row, cost a share of every row.
  const int shown = BuildProgress->value();
  const bool same_range = BuildProgress->minimum() == 0 && BuildProgress->maximum() == maximum;
  const int step = maximum / 1000 + 1;
  if (same_range && value != maximum && value >= shown && value - shown < step) return;
  BuildProgress->setRange(0, maximum);
  BuildProgress->setValue(value);
}

void MainForm::ApplyBuildResult(const generate::BuildResult& result) {
  if (!result.geometry) return;
  const generate::ReplyGeometry& g = *result.geometry;
  BlockRowsScroll->setValue(geometry::BlockCountScroll(g.r));
  BlockColsScroll->setValue(geometry::BlockCountScroll(g.c));
  ErrorCorrectionScroll->setValue(geometry::CorrectableBytesScroll(g.k));
  const QLocale locale;
  const std::string separator = locale.groupSeparator().toStdString();
  const auto count = [&](std::int64_t n) { return QString::fromStdString(output::FormatByteCount(n, separator)); };
  TotalBytesText->setText(count(result.usage.total));
  ErrorBytesText->setText(count(result.usage.error));
  UserBytesText->setText(count(result.usage.user));
  symbol_pixel_width_ = result.pixel_size.width;
  symbol_pixel_height_ = result.pixel_size.height;
  sized_symbol_ = result.pixel_size;
  ShowSymbolSize();
}

// The size boxes always show the symbol's size at the resolution the box
// holds now, in the user's number format.
void MainForm::ShowSymbolSize() {
  const double dpi = output::ReadLenientNumber(ResolutionText->text().toStdString());
  const std::string point = QLocale().decimalPoint().toStdString();
  SymbolWidthText->setText(QString::fromStdString(output::SymbolSizeText(sized_symbol_.width, dpi, point)));
  SymbolHeightText->setText(QString::fromStdString(output::SymbolSizeText(sized_symbol_.height, dpi, point)));
}

void MainForm::ReportBuildFailure(const generate::BuildFailure& failure) {
  using Kind = generate::BuildFailure::Kind;
  switch (failure.kind) {
    case Kind::kCheck:
      SelectTab(failure.tab);
      Warn(failure.warning);
      return;
    case Kind::kStatus:
      messages_->Information(QString::fromStdString(failure.warning.title), BoxText(failure.warning));
      return;
    case Kind::kStopped:
      if (build_for_sheet_) return;  // the test sheet says it stopped
      [[fallthrough]];
    case Kind::kUpload:
    case Kind::kGeometry:
    case Kind::kPicture:
    case Kind::kExpired:
      Warn(failure.warning);
      return;
    case Kind::kTimeout:
    case Kind::kLinkLost:
    case Kind::kProtocolError:  // the link has reported its loss already
    case Kind::kNoStatus:       // silent, as an end reply or a reply without status is
      return;
  }
}

// The picture is written as the Code Generator sent it, then kept packed
// (one bit a pixel) for the view and for printing; its bytes go now.
bool MainForm::ShowSymbolPicture(Bytes picture, const output::BmpShape& shape) {
  const app::Result<> written = app::WriteFileAtomically(symbol_picture_file_.toStdString(), picture);
  if (!written) {
    Warn({"Symbol Picture Not Saved",
          {"The symbol picture could not be written to " + symbol_picture_file_.toStdString() + ": " + written.error()}});
    return false;
  }
  symbol_times_.written = std::chrono::steady_clock::now();
  const QImage loaded = SymbolImage(picture, shape);
  Bytes().swap(picture);
  if (loaded.isNull()) {
    Warn({"Symbol Picture Not Loaded",
          {"The symbol picture " + symbol_picture_file_.toStdString() + " could not be loaded as a picture."}});
    return false;
  }
  symbol_times_.packed = std::chrono::steady_clock::now();
  loaded_picture_ = loaded;
  symbol_pixel_width_ = loaded.width();
  symbol_pixel_height_ = loaded.height();
  return true;
}

void MainForm::Warn(const app::Warning& warning) {
  messages_->Warning(QString::fromStdString(warning.title), BoxText(warning));
}

}  // namespace tessellux::ui
