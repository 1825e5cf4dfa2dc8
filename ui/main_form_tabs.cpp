// The eight tab pages of the main window: controls and their arrangement.

#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTextDocument>
#include <QTextEdit>
#include <QVBoxLayout>

#include "pictures/jpeg_recompress.h"
#include "ui/data_text.h"
#include "ui/main_form.h"
#include "ui/picture_box.h"
#include "ui/style_samples.h"

namespace tessellux::ui {
namespace {

QScrollBar* HorizontalScroll(int min, int max, int value, int page_step, QWidget* parent) {
  auto* scroll = new QScrollBar(Qt::Horizontal, parent);
  scroll->setRange(min, max);
  scroll->setSingleStep(1);
  scroll->setPageStep(page_step);
  scroll->setValue(value);
  scroll->setTracking(false);  // intermediate thumb positions are not handled
  scroll->setMinimumWidth(260);
  return scroll;
}

QLineEdit* ReadOnlyBox(QWidget* parent) {
  auto* box = new QLineEdit(parent);
  box->setReadOnly(true);
  return box;
}

// Pixels at 15 twips per pixel, as the window was designed.
QSize Twips(int width, int height) { return {width / 15, height / 15}; }

}  // namespace

QWidget* MainForm::BuildStyleTab() {
  auto* page = new QWidget;
  auto* layout = new QHBoxLayout(page);

  auto* data_frame = new QGroupBox(QStringLiteral("Choose what data will be included:"), page);
  auto* data_layout = new QVBoxLayout(data_frame);
  const char* data_captions[] = {"Web address (URL)", "Text", "Text plus a JPEG picture",
                                 "JPEG picture only", "Zipped file (HTML, BMP, etc.)",
                                 "Authorization Tessellux"};
  for (int i = 0; i < 6; ++i) {
    DataOption[i] = new QRadioButton(QString::fromLatin1(data_captions[i]), data_frame);
    data_layout->addWidget(DataOption[i]);
  }
  data_layout->addStretch();
  layout->addWidget(data_frame);

  auto* style_frame = new QGroupBox(QStringLiteral("Choose the Tessellux style:"), page);
  auto* style_layout = new QGridLayout(style_frame);
  const char* style_captions[] = {"Lines", "Dots", "Dots with embossed picture"};
  for (int i = 0; i < 3; ++i) {
    StyleOption[i] = new QRadioButton(QString::fromLatin1(style_captions[i]), style_frame);
    StylePicture[i] = new PictureBox(i == 0 ? QSize(110, 110) : QSize(109, 109), style_frame);
    StylePicture[i]->setFixedSize(StylePicture[i]->sizeHint());
    const QImage sample = StyleSample(i);
    StylePicture[i]->SetPaintHandler([sample](PictureBox&, QPainter& painter) { painter.drawImage(0, 0, sample); });
    style_layout->addWidget(StyleOption[i], i, 0);
    style_layout->addWidget(StylePicture[i], i, 1);
  }
  style_layout->setColumnStretch(2, 1);
  layout->addWidget(style_frame);
  return page;
}

QWidget* MainForm::BuildTextTab() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  auto* label = new QLabel(
      QStringLiteral("The following characters will be embedded in the data portion of the Tessellux "
                     "and will be displayed when the barcode is scanned."),
      page);
  label->setWordWrap(true);
  DataText = new DataTextBox(page);
  DataText->setAcceptRichText(true);
  QFont font = DataText->document()->defaultFont();
  font.setPointSizeF(kDataTextPoints);
  DataText->document()->setDefaultFont(font);
  layout->addWidget(label);
  layout->addWidget(DataText);
  return page;
}

QWidget* MainForm::BuildPictureTab() {
  auto* page = new QWidget;
  auto* layout = new QGridLayout(page);
  ChooseJpegCommand = new QPushButton(QStringLiteral("Choose JPEG file"), page);
  JpegFileText = new QLineEdit(page);
  BeforeJpegPicture = new PictureBox(Twips(4815, 4335), page);
  AfterJpegPicture = new PictureBox(Twips(4815, 4335), page);
  QualityScroll = HorizontalScroll(pictures::kMinQuality, pictures::kMaxQuality, pictures::kDefaultQuality, 5, page);
  QualityLabel = new QLabel(page);
  BeforeSizeLabel = new QLabel(page);
  AfterSizeLabel = new QLabel(page);
  layout->addWidget(ChooseJpegCommand, 0, 0);
  layout->addWidget(JpegFileText, 0, 1, 1, 3);
  layout->addWidget(BeforeJpegPicture, 1, 0, 1, 2);
  layout->addWidget(AfterJpegPicture, 1, 2, 1, 2);
  layout->addWidget(BeforeSizeLabel, 2, 0, 1, 2);
  layout->addWidget(AfterSizeLabel, 2, 2, 1, 2);
  layout->addWidget(new QLabel(QStringLiteral("Quality"), page), 3, 0);
  layout->addWidget(QualityScroll, 3, 1, 1, 2);
  layout->addWidget(QualityLabel, 3, 3);
  return page;
}

QWidget* MainForm::BuildZipTab() {
  auto* page = new QWidget;
  auto* layout = new QGridLayout(page);
  ChooseZipCommand = new QPushButton(QStringLiteral("Choose ZIP file"), page);
  ZipFileText = new QLineEdit(page);
  layout->addWidget(ChooseZipCommand, 0, 0);
  layout->addWidget(ZipFileText, 0, 1);
  layout->setRowStretch(1, 1);
  return page;
}

QWidget* MainForm::BuildGeometryTab() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);

  auto* pixel_frame = new QGroupBox(QStringLiteral("Pixel layout"), page);
  auto* pixel_layout = new QGridLayout(pixel_frame);
  ThicknessScroll = HorizontalScroll(1, 8, 2, 1, pixel_frame);
  ThicknessLabel = new QLabel(pixel_frame);
  GridSizeScroll = HorizontalScroll(3, 128, 8, 1, pixel_frame);
  GridSizeLabel = new QLabel(pixel_frame);
  MirrorCheck = new QCheckBox(QStringLiteral("Mirror image"), pixel_frame);
  pixel_layout->addWidget(ThicknessScroll, 0, 0);
  pixel_layout->addWidget(ThicknessLabel, 0, 1);
  pixel_layout->addWidget(GridSizeScroll, 1, 0);
  pixel_layout->addWidget(GridSizeLabel, 1, 1);
  pixel_layout->addWidget(MirrorCheck, 2, 0);
  layout->addWidget(pixel_frame);

  auto* size_frame = new QGroupBox(QStringLiteral("Symbol size"), page);
  auto* size_layout = new QGridLayout(size_frame);
  AutomaticSizeCheck = new QCheckBox(QStringLiteral("Automatic"), size_frame);
  AutomaticSizeCheck->setChecked(true);
  BlockRowsScroll = HorizontalScroll(0, 127, 1, 1, size_frame);
  RowsLabel = new QLabel(QStringLiteral("2 rows"), size_frame);
  BlockColsScroll = HorizontalScroll(0, 127, 1, 1, size_frame);
  ColumnsLabel = new QLabel(QStringLiteral("2 columns"), size_frame);
  size_layout->addWidget(AutomaticSizeCheck, 0, 0);
  size_layout->addWidget(BlockRowsScroll, 1, 0);
  size_layout->addWidget(RowsLabel, 1, 1);
  size_layout->addWidget(BlockColsScroll, 2, 0);
  size_layout->addWidget(ColumnsLabel, 2, 1);
  layout->addWidget(size_frame);

  auto* error_frame = new QGroupBox(QStringLiteral("Group error correction"), page);
  auto* error_layout = new QGridLayout(error_frame);
  AutomaticErrorCheck = new QCheckBox(QStringLiteral("Automatic"), error_frame);
  AutomaticErrorCheck->setChecked(true);
  ErrorCorrectionScroll = HorizontalScroll(0, 15, 0, 1, error_frame);
  ErrorCorrectionLabel = new QLabel(error_frame);
  error_layout->addWidget(AutomaticErrorCheck, 0, 0);
  error_layout->addWidget(ErrorCorrectionScroll, 1, 0);
  error_layout->addWidget(ErrorCorrectionLabel, 1, 1);
  layout->addWidget(error_frame);
  layout->addStretch();
  return page;
}

QWidget* MainForm::BuildEmbossTab() {
  auto* page = new QWidget;
  auto* layout = new QGridLayout(page);
  ChooseEmbossPicture = new QPushButton(QStringLiteral("Choose emboss picture"), page);
  EmbossFileText = new QLineEdit(page);
  EmbossPicture = new PictureBox(Twips(11895, 5295), page);
  layout->addWidget(ChooseEmbossPicture, 0, 0);
  layout->addWidget(EmbossFileText, 0, 1);
  layout->addWidget(EmbossPicture, 1, 0, 1, 2);
  return page;
}

QWidget* MainForm::BuildSecurityTab() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);

  PublicOption = new QRadioButton(QStringLiteral("Public Tessellux (any reader can scan and read the symbol)"), page);
  PrivateOption = new QRadioButton(
      QStringLiteral("Company Private Tessellux (only authorized readers can scan and read the symbol)"), page);
  UniversalOption = new QRadioButton(QStringLiteral("Universal Authorization Tessellux (for any reader)"), page);
  UniqueOption = new QRadioButton(QStringLiteral("Unique Authorization Tessellux (for a specific reader)"), page);
  CascadedOption = new QRadioButton(
      QStringLiteral("Cascaded Authorization Tessellux (for a previously authorized reader)"), page);
  PublicOption->setChecked(true);
  for (QRadioButton* option : {PublicOption, PrivateOption, UniversalOption, UniqueOption, CascadedOption})
    layout->addWidget(option);
  TemporaryCheck = new QCheckBox(
      QStringLiteral("Temporary (requires rescan of authorization each time the reader app is run)"), page);
  layout->addWidget(TemporaryCheck);

  auto* fields = new QGridLayout;
  fields->addWidget(new QLabel(QStringLiteral("Used to encrypt"), page), 0, 2, Qt::AlignHCenter);
  fields->addWidget(new QLabel(QStringLiteral("Embedded in barcode"), page), 0, 3, Qt::AlignHCenter);
  CompanyNameLabel = new QLabel(QStringLiteral("Company Name:"), page);
  CompanyNameText = ReadOnlyBox(page);
  CodeGeneratorIPaddrLabel = new QLabel(QStringLiteral("Code Generator IP addr:"), page);
  CodeGeneratorIPAddrText = ReadOnlyBox(page);
  IdentificationTagLabel = new QLabel(QStringLiteral("Identification Tag:"), page);
  IdentificationTagText = new QLineEdit(page);
  const char* phrase_captions[] = {"Secret Phrase:", "Not Applicable:"};
  for (int i = 0; i < 2; ++i) {
    SecretPhraseLabel[i] = new QLabel(QString::fromLatin1(phrase_captions[i]), page);
    SecretPhraseText[i] = new QLineEdit(page);
    SecretPhraseText[i]->setEchoMode(QLineEdit::Password);
    SecretPhraseText[i]->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));  // masked with "*"
  }
  const std::pair<QLabel*, QLineEdit*> rows[] = {{CompanyNameLabel, CompanyNameText},
                                                 {CodeGeneratorIPaddrLabel, CodeGeneratorIPAddrText},
                                                 {IdentificationTagLabel, IdentificationTagText},
                                                 {SecretPhraseLabel[0], SecretPhraseText[0]},
                                                 {SecretPhraseLabel[1], SecretPhraseText[1]}};
  for (int row = 1; row <= 5; ++row) {
    fields->addWidget(rows[row - 1].first, row, 0);
    fields->addWidget(rows[row - 1].second, row, 1);
    for (int column : {2, 3}) {
      auto* usage = new QCheckBox(page);
      usage->setAttribute(Qt::WA_TransparentForMouseEvents);  // display only
      usage->setFocusPolicy(Qt::NoFocus);
      UsageCheck[10 * row + column] = usage;
      fields->addWidget(usage, row, column, Qt::AlignHCenter);
    }
  }
  layout->addLayout(fields);

  SecurityTroubleText = new QLabel(page);
  SecurityTroubleText->setStyleSheet(QStringLiteral("color: rgb(255, 0, 0);"));
  SecurityTroubleText->setWordWrap(true);
  layout->addStretch();
  layout->addWidget(SecurityTroubleText);
  return page;
}

QWidget* MainForm::BuildViewPrintTab() {
  auto* page = new QWidget;
  auto* layout = new QGridLayout(page);
  ViewPicture = new PictureBox(Twips(8055, 6615), page);
  layout->addWidget(ViewPicture, 0, 0, 3, 1);

  auto* buttons = new QHBoxLayout;
  ViewCommand = new QPushButton(QStringLiteral("View"), page);
  PrintCommand = new QPushButton(QStringLiteral("Print"), page);
  CheckScanCommand = new QPushButton(QStringLiteral("Check a scan\u2026"), page);
  buttons->addWidget(ViewCommand);
  buttons->addWidget(PrintCommand);
  buttons->addWidget(CheckScanCommand);
  layout->addLayout(buttons, 0, 1);

  auto* printer_frame = new QGroupBox(QStringLiteral("Printer information"), page);
  auto* printer_layout = new QFormLayout(printer_frame);
  ResolutionText = new QLineEdit(printer_frame);
  SelectPrinterCommand = new QPushButton(QStringLiteral("Select printer"), printer_frame);
  SymbolWidthText = ReadOnlyBox(printer_frame);
  SymbolHeightText = ReadOnlyBox(printer_frame);
  printer_layout->addRow(QStringLiteral("Printer DPI"), ResolutionText);
  PrinterNoteLabel = new QLabel(printer_frame);
  PrinterNoteLabel->setWordWrap(true);
  printer_layout->addRow(PrinterNoteLabel);
  printer_layout->addRow(SelectPrinterCommand);
  printer_layout->addRow(QStringLiteral("Symbol width"), SymbolWidthText);
  printer_layout->addRow(QStringLiteral("Symbol height"), SymbolHeightText);
  layout->addWidget(printer_frame, 1, 1);

  auto* usage_frame = new QGroupBox(QStringLiteral("Usage statistics (in bytes)"), page);
  auto* usage_layout = new QFormLayout(usage_frame);
  TotalBytesText = ReadOnlyBox(usage_frame);
  ErrorBytesText = ReadOnlyBox(usage_frame);
  UserBytesText = ReadOnlyBox(usage_frame);
  for (QLineEdit* box : {TotalBytesText, ErrorBytesText, UserBytesText}) box->setAlignment(Qt::AlignRight);
  usage_layout->addRow(QStringLiteral("Total"), TotalBytesText);
  usage_layout->addRow(QStringLiteral("Error correction"), ErrorBytesText);
  usage_layout->addRow(QStringLiteral("User data"), UserBytesText);
  layout->addWidget(usage_frame, 2, 1);

  auto* progress = new QHBoxLayout;
  BuildProgress = new QProgressBar(page);
  BuildProgress->setTextVisible(true);
  BuildProgress->setVisible(false);
  StopCommand = new QPushButton(QStringLiteral("Stop"), page);
  StopCommand->setVisible(false);
  progress->addWidget(BuildProgress, 1);
  progress->addWidget(StopCommand);
  layout->addLayout(progress, 3, 0, 1, 2);
  layout->setColumnStretch(0, 1);
  return page;
}

}  // namespace tessellux::ui
