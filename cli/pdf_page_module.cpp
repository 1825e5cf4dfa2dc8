// tessellux-build-pdf.so: the printed page of tessellux-build, drawn by the
// window's print code onto a PDF writer at the printer's resolution.

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QPdfWriter>

#include "cli/pdf_page.h"
#include "app/atomic_file.h"
#include "ui/print/print_pages.h"

namespace {

// Text on the page needs fonts, and fonts need a Qt application; without a
// display (a server, a cron job) it runs off screen.
void EnsureApplication() {
  if (QCoreApplication::instance()) return;
  const bool display = !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
  if (!display && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "tessellux-build";
  static char* argv[] = {name, nullptr};
  // Off screen, Qt notes that it has no runtime folder: nothing to act on.
  const QtMessageHandler previous = qInstallMessageHandler(
      [](QtMsgType type, const QMessageLogContext& context, const QString& message) {
        if (!message.startsWith(QLatin1String("QStandardPaths:"))) qt_message_output(type, context, message);
      });
  static QGuiApplication application(argc, argv);
  qInstallMessageHandler(previous);
}

}  // namespace

extern "C" __attribute__((visibility("default"))) bool tessellux_write_pdf_page(
    const tessellux::cli::PdfPageJob& job, std::string* error) {
  EnsureApplication();
  const auto& bmp = *job.bmp;
  const QImage symbol = QImage::fromData(QByteArray::fromRawData(reinterpret_cast<const char*>(bmp.data()),
                                                                 static_cast<qsizetype>(bmp.size())),
                                         "BMP");
  if (symbol.isNull()) {
    *error = "the symbol picture could not be read as a BMP";
    return false;
  }
  QBuffer pdf;
  pdf.open(QIODevice::WriteOnly);
  {
    QPdfWriter writer(&pdf);
    writer.setResolution(job.dots_per_inch);
    // Never cut off: the sheet when the page fits on it, else a larger page.
    const auto extent = tessellux::print::SymbolPageExtentOn(writer, symbol, *job.annotations);
    const auto page = tessellux::output::PdfPageFor(job.paper, extent.width, extent.height, job.dots_per_inch);
    if (!tessellux::print::SetPdfPage(writer, page)) {
      *error = "the PDF writer refused a page of the size the symbol needs";
      return false;
    }
    if (job.page) *job.page = page;
    writer.setTitle(QStringLiteral("Tessellux"));
    writer.setCreator(QStringLiteral("tessellux-build"));
    const QString failure = tessellux::print::PrintSymbolPage(writer, symbol, *job.annotations);
    if (!failure.isEmpty()) {
      *error = failure.toStdString();
      return false;
    }
  }
  const QByteArray& data = pdf.data();
  const auto written = tessellux::app::WriteFileAtomically(job.path, tessellux::Bytes(data.begin(), data.end()));
  if (!written) *error = written.error();
  return written.ok();
}
