// Printer information and printing: the resolution and printed size, the
// symbol page and the test sheet. Where no printer is installed, prints go
// to a PDF file at 600 dots per inch, so that everything still works.

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

#include "output/print_geometry.h"
#include "output/number_text.h"
#include "output/page_fit.h"
#include "output/paper.h"
#include "ui/common_dialog.h"
#include "ui/fit_warning.h"
#include "ui/main_form.h"
#include "ui/message_boxes.h"
#include "ui/print/print_pages.h"
#include "ui/print/sheet_print.h"

namespace tessellux::ui {
namespace {

constexpr int kPdfResolution = 600;

int ShiftOf(Qt::KeyboardModifiers modifiers) {
  return (modifiers & Qt::ShiftModifier ? 1 : 0) + (modifiers & Qt::ControlModifier ? 2 : 0) +
         (modifiers & Qt::AltModifier ? 4 : 0);
}

}  // namespace


void MainForm::ConnectPrintHandlers() {
  connect(SelectPrinterCommand, &QPushButton::clicked, this, &MainForm::SelectPrinterCommand_Click);
  // Only the user's typing rebuilds; the program's own changes do not.
  connect(ResolutionText, &QLineEdit::textEdited, this, &MainForm::ResolutionText_Change);
  PrintCommand->installEventFilter(this);
  // From the keyboard (Space, Alt+P) the button prints the symbol; a mouse
  // press has printed already, by the keys held then.
  connect(PrintCommand, &QPushButton::clicked, this, [this] {
    if (!print_pressed_by_mouse_) PrintCommand_MouseDown(0);
  });
}

void MainForm::SetUpPrinter(bool pdf_only) {
  QPrinterInfo installed = QPrinterInfo::defaultPrinter();
  if (installed.isNull() && !QPrinterInfo::availablePrinters().isEmpty())
    installed = QPrinterInfo::availablePrinters().constFirst();
  if (!pdf_only && !installed.isNull()) {
    printer_ = std::make_unique<QPrinter>(installed, QPrinter::HighResolution);
    return;
  }
  printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
  printer_->setOutputFormat(QPrinter::PdfFormat);
  printer_->setResolution(kPdfResolution);
  printer_->setOutputFileName(pdf_file_);
  printer_->setDocName(QStringLiteral("Tessellux"));
  print::SetPdfPage(*printer_, {output::SystemPaper(), false});
}

std::optional<output::PaperSize> MainForm::MakeRoomFor(output::DotSize extent, const QString& what) {
  if (printer_->outputFormat() == QPrinter::PdfFormat) {
    // A PDF page can be any size: the sheet, or a larger page that holds it.
    const output::PaperSize sheet = print::SheetOf(*printer_);
    const output::PdfPage page = output::PdfPageFor({false, sheet}, extent.width, extent.height, printer_->resolution());
    if (page.enlarged && !print::SetPdfPage(*printer_, page)) {
      PrinterFailed(QStringLiteral("The PDF printer refused a page of the size the symbol needs."));
      return std::nullopt;
    }
    return sheet;
  }
  const output::DotSize symbol{symbol_picture_.width(), symbol_picture_.height()};
  if (const auto shortfall = output::CheckFit(extent, print::PrintableArea(*printer_), symbol, printer_->logicalDpiX(),
                                              printer_->logicalDpiY(), GridSizeScroll->value(), ThicknessScroll->value())) {
    messages_->Warning(QString::fromLatin1(kFitWarningTitle),
                       FitWarningText(*shortfall, what, QStringLiteral("the printer %1").arg(printer_->printerName())));
    return std::nullopt;
  }
  return output::PaperSize{};
}

void MainForm::RestoreSheet(const output::PaperSize& sheet) {
  if (printer_->outputFormat() == QPrinter::PdfFormat) print::SetPdfPage(*printer_, {sheet, false});
}

void MainForm::RefreshPrinterInformation() {
  ResolutionText->clear();
  // Inches from points, the unit the page is kept in: Qt's own inch sizes
  // of named sheets are rounded to hundredths (A4 8.27"), a dot per inch off.
  const double inches = printer_->pageRect(QPrinter::Point).width() / 72.0;
  const QRectF dots = printer_->pageRect(QPrinter::DevicePixel);
  if (const auto dpi = output::ResolutionFromPrintableWidth(inches, dots.width()))
    ResolutionText->setText(QString::number(*dpi));
  if (printer_->outputFormat() == QPrinter::PdfFormat) {
    const QString lead = QPrinterInfo::availablePrinters().isEmpty() ? QStringLiteral("No printer installed: ")
                                                                     : QString();
    PrinterNoteLabel->setText(lead + QStringLiteral("prints go to the PDF file %1").arg(printer_->outputFileName()));
  } else {
    PrinterNoteLabel->setText(QStringLiteral("Printer: %1").arg(printer_->printerName()));
  }
}

void MainForm::SelectPrinterCommand_Click() {
  dialogs_->SelectPrinter(*printer_);
  RefreshPrinterInformation();
}

// Each keystroke in the box rebuilds the symbol; the size boxes follow the
// new text at once.
void MainForm::ResolutionText_Change() {
  if (sized_symbol_.width > 0) ShowSymbolSize();
  GenerateSymbol();
  ResolutionText->setFocus();
}

bool MainForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == PrintCommand && event->type() == QEvent::MouseButtonPress) {
    // On the press, with the keys held then; the print runs once the press
    // has been handled, so the button does not stay down meanwhile.
    const int shift = ShiftOf(static_cast<QMouseEvent*>(event)->modifiers());
    print_pressed_by_mouse_ = true;
    QMetaObject::invokeMethod(this, [this, shift] { PrintCommand_MouseDown(shift); }, Qt::QueuedConnection);
  }
  if (watched == PrintCommand && event->type() == QEvent::MouseButtonRelease) {
    // After the release's click (if any) has been handled.
    QMetaObject::invokeMethod(this, [this] { print_pressed_by_mouse_ = false; }, Qt::QueuedConnection);
  }
  return QWidget::eventFilter(watched, event);
}

void MainForm::PrintCommand_MouseDown(int shift) {
  if (sheet_) return;  // one print at a time: the sheet is still being built
  switch (output::PrintActionFor(shift)) {
    case output::PrintAction::kSymbol: PrintSymbol(); break;
    case output::PrintAction::kTestSheet: PrintThicknessSheet(); break;
    case output::PrintAction::kNothing: break;
  }
}

void MainForm::PrintSymbol() {
  if (symbol_picture_.isNull()) {
    messages_->Information(QStringLiteral("Nothing to Print"),
                           QStringLiteral("No symbol has been built yet, so nothing was printed."));
    return;
  }
  const auto annotations =
      output::SymbolAnnotations(SymbolWidthText->text().toStdString(), SymbolHeightText->text().toStdString(),
                                GridSizeScroll->value(), ThicknessScroll->value(), SelectedStyle());
  const auto sheet = MakeRoomFor(print::SymbolPageExtentOn(*printer_, symbol_picture_, annotations),
                                 QStringLiteral("The symbol with its annotations"));
  if (!sheet) return;
  const QString failure = print::PrintSymbolPage(*printer_, symbol_picture_, annotations);
  RestoreSheet(*sheet);
  if (!failure.isEmpty() || printer_->printerState() == QPrinter::Error) PrinterFailed(failure);
}

// The sheet is built symbol by symbol as the builds end; the window answers
// meanwhile.
void MainForm::PrintThicknessSheet() {
  auto print = std::make_unique<SheetPrint>();
  if (!symbol_picture_.isNull()) {
    // The sheet starts with the symbol as it is: that one at least must fit.
    const auto sheet = MakeRoomFor(output::SheetCellExtent(printer_->logicalDpiX(), printer_->logicalDpiY(),
                                                           symbol_picture_.width(), symbol_picture_.height()),
                                   QStringLiteral("The test sheet's first symbol with its label"));
    if (!sheet) return;
    print->sheet_to_restore = *sheet;
  }
  if (!print->painter.begin(printer_.get())) return PrinterFailed(QStringLiteral("The printer could not start a document."));
  print->thickness = ThicknessScroll->value();
  print->grid = GridSizeScroll->value();
  print->sheet.emplace(print::SheetPageOf(print->painter), print->thickness, print->grid,
                       output::SheetLimits{ThicknessScroll->maximum(), GridSizeScroll->maximum()});
  sheet_ = std::move(print);
  if (!build_) BuildNextSheetSymbol();  // else once the user's build ends
}

void MainForm::BuildNextSheetSymbol() {
  if (sheet_->sheet->Finished()) return EndSheet();
  ThicknessScroll->setValue(sheet_->sheet->Thickness());
  GridSizeScroll->setValue(sheet_->sheet->GridSize());
  StartBuild(true);
}

void MainForm::SheetSymbolBuilt(bool built) {
  if (!built) {
    // No stale copies: the sheet ends with what was built so far.
    messages_->Warning(QStringLiteral("Test Sheet Stopped"),
                       QStringLiteral("A symbol of the test sheet could not be built (grid size %1, thickness %2), "
                                      "so the sheet ends after %3 symbols.")
                           .arg(sheet_->sheet->GridSize())
                           .arg(sheet_->sheet->Thickness())
                           .arg(sheet_->printed));
    return EndSheet();
  }
  const output::SheetStep step = sheet_->sheet->Next(symbol_picture_.width(), symbol_picture_.height());
  if (step.kind == output::SheetStep::Kind::kPlace) {
    print::DrawSheetCell(sheet_->painter, symbol_picture_, step.cell);
    ++sheet_->printed;
  }
  BuildNextSheetSymbol();
}

void MainForm::EndSheet() {
  const std::unique_ptr<SheetPrint> print = std::move(sheet_);
  ThicknessScroll->setValue(print->thickness);
  GridSizeScroll->setValue(print->grid);
  const bool ended = print->painter.end();
  if (print->sheet_to_restore) RestoreSheet(*print->sheet_to_restore);
  if (!ended || printer_->printerState() == QPrinter::Error)
    PrinterFailed(QStringLiteral("The printer could not finish the document."));
  StartPendingBuild();
}

void MainForm::PrinterFailed(const QString& what) {
  const QString where = printer_->outputFormat() == QPrinter::PdfFormat
                            ? QStringLiteral("the PDF file %1").arg(printer_->outputFileName())
                            : QStringLiteral("the printer %1").arg(printer_->printerName());
  messages_->Warning(QStringLiteral("Printing Failed"),
                     (what.isEmpty() ? QStringLiteral("The print did not complete.") : what) +
                         QStringLiteral(" (%1)").arg(where));
}

}  // namespace tessellux::ui
