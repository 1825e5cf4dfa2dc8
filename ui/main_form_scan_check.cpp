// "Check a scan...": the user picks a scan or photo of a print; it is read
// off the window's thread with the Security tab's keys and compared with
// the symbol built last, and one box says what was found. The window keeps
// answering meanwhile; the result comes back through the watcher's queued
// signal.

#include <QFile>
#include <QLocale>
#include <QPushButton>
#include <QStringList>
#include <QtConcurrent/QtConcurrentRun>

#include "output/number_text.h"
#include "ui/common_dialog.h"
#include "ui/main_form.h"
#include "ui/symbol_image.h"
#include "ui/message_boxes.h"
#include "verify/reader_keys.h"

namespace tessellux::ui {
namespace {

// The formats the reader decodes, for the chooser.
const QStringList kScanFilters = {QStringLiteral("Scans and photos (*.png *.jpg *.jpeg *.tif *.tiff *.bmp "
                                                 "*.PNG *.JPG *.JPEG *.TIF *.TIFF *.BMP)"),
                                  QStringLiteral("All files (*)")};

QString Count(std::int64_t n) {
  return QString::fromStdString(output::FormatByteCount(n, QLocale().groupSeparator().toStdString()));
}

QString StyleName(symbol::Style style) {
  return style == symbol::Style::Dots ? QStringLiteral("Dots") : QStringLiteral("Lines");
}

QString ModeName(security::SecurityMode mode) {
  switch (mode) {
    case security::SecurityMode::Public: return QStringLiteral("public");
    case security::SecurityMode::Private: return QStringLiteral("company private");
    case security::SecurityMode::Universal: return QStringLiteral("universal authorization");
    case security::SecurityMode::Unique: return QStringLiteral("unique authorization");
    case security::SecurityMode::Cascaded: return QStringLiteral("cascaded authorization");
  }
  return QString();
}

QString FileSize(const std::optional<Bytes>& file) {
  return file ? QStringLiteral("%1 bytes").arg(Count(static_cast<std::int64_t>(file->size()))) : QStringLiteral("none");
}

QString DifferenceLine(verify::Field field, const symbol::ReadResult& built, const symbol::ReadResult& scanned) {
  switch (field) {
    case verify::Field::kBlocks:
      return QStringLiteral("Blocks: %1 x %2 built, %3 x %4 in the scan")
          .arg(built.geometry.rows).arg(built.geometry.cols).arg(scanned.geometry.rows).arg(scanned.geometry.cols);
    case verify::Field::kCorrection:
      return QStringLiteral("Correctable bytes per group: %1 built, %2 in the scan")
          .arg(built.geometry.k).arg(scanned.geometry.k);
    case verify::Field::kStyle:
      return QStringLiteral("Style: %1 built, %2 in the scan")
          .arg(StyleName(built.layout.style), StyleName(scanned.layout.style));
    case verify::Field::kSecurity:
      if (built.security.mode != scanned.security.mode)
        return QStringLiteral("Security: %1 built, %2 in the scan")
            .arg(ModeName(built.security.mode), ModeName(scanned.security.mode));
      return QStringLiteral("Security: the company, identification tag, phrase or temporary flag differ");
    case verify::Field::kText:
      return QStringLiteral("Text: %1 bytes built, %2 in the scan, first different at byte %3")
          .arg(Count(static_cast<std::int64_t>(built.content.text.size())),
               Count(static_cast<std::int64_t>(scanned.content.text.size())),
               Count(static_cast<std::int64_t>(verify::FirstDifference(built.content.text, scanned.content.text)) + 1));
    case verify::Field::kFile:
      return QStringLiteral("File: %1 built, %2 in the scan").arg(FileSize(built.content.file), FileSize(scanned.content.file));
  }
  return QString();
}

QString GradeLine(const symbol::Grade& grade) {
  return QStringLiteral("Grade: %1 (contrast %2, %3 % of blocks damaged, correction margin %4)")
      .arg(QChar::fromLatin1(grade.letter))
      .arg(QLocale().toString(grade.contrast, 'f', 2), QLocale().toString(100 * grade.damaged_share, 'f', 1),
           QLocale().toString(grade.margin, 'f', 2));
}

struct Box {
  bool warning = true;
  QString title;
  QString text;
};

Box VerdictBox(const verify::PrintCheck& check, const QString& file) {
  using verify::Verdict;
  const QString grade = GradeLine(check.grade);
  switch (check.verdict) {
    case Verdict::kSame:
      return {false, QStringLiteral("Scan Matches"),
              QStringLiteral("The scan holds exactly the symbol built last.\n\n") + grade};
    case Verdict::kDiffers: {
      QStringList lines;
      for (verify::Field field : check.differences) lines.append(DifferenceLine(field, *check.built, *check.scanned));
      return {true, QStringLiteral("Scan Differs"),
              QStringLiteral("The scan holds another symbol than the one built last:\n") + lines.join('\n') +
                  QStringLiteral("\n\n") + grade};
    }
    case Verdict::kKeyNeeded:
      return {true, QStringLiteral("Scan Not Read"),
              QStringLiteral("The symbol in %1 is protected and could not be opened with the Security tab's "
                             "entries: %2.")
                  .arg(file, QString::fromStdString(check.reason))};
    case Verdict::kNotRead:
      return {true, QStringLiteral("Scan Not Read"),
              QStringLiteral("No symbol could be read from %1: %2.\n\n")
                      .arg(file, QString::fromStdString(check.reason)) + grade};
    case Verdict::kBuiltUnreadable:
      return {true, QStringLiteral("Scan Not Checked"),
              QStringLiteral("The symbol built last cannot be opened with the Security tab's entries (%1), so "
                             "there is nothing to compare the scan with.")
                  .arg(QString::fromStdString(check.reason))};
    case Verdict::kFileUnreadable:
      return {true, QStringLiteral("Scan Not Read"),
              QStringLiteral("%1 could not be read: %2.").arg(file, QString::fromStdString(check.reason))};
  }
  return {};
}

}  // namespace

void MainForm::ConnectScanCheckHandlers() {
  connect(CheckScanCommand, &QPushButton::clicked, this, &MainForm::CheckScanCommand_Click);
}

bool MainForm::CheckingScan() const { return scan_check_ != nullptr; }

void MainForm::CheckScanCommand_Click() {
  if (scan_check_) return;  // one read at a time
  if (symbol_picture_.isNull()) {
    messages_->Information(QStringLiteral("Nothing to Check"),
                           QStringLiteral("No symbol has been built yet, so there is nothing to compare a scan with."));
    return;
  }
  const std::optional<QString> chosen = dialogs_->ChooseFile(kScanFilters, dialog_file_);
  if (!chosen) return;
  dialog_file_ = *chosen;
  scan_check_file_ = *chosen;
  // Everything the read needs is copied or shared now: a build that ends
  // meanwhile replaces the window's symbol, not the one being compared.
  const std::string path = QFile::encodeName(*chosen).toStdString();
  const symbol::ReaderKeys keys = verify::KeysFor(ReadSecurityChoice());
  const QImage built = symbol_picture_;  // shared, never changed in place
  scan_check_ = new QFutureWatcher<verify::PrintCheck>(this);
  connect(scan_check_, &QFutureWatcher<verify::PrintCheck>::finished, this, &MainForm::ScanCheckEnded,
          Qt::QueuedConnection);
  CheckScanCommand->setEnabled(false);
  scan_check_->setFuture(
      QtConcurrent::run([path, keys, built] { return verify::CheckPrintFile(path, SymbolBmpFile(built), keys); }));
}

void MainForm::ScanCheckEnded() {
  const verify::PrintCheck check = scan_check_->result();
  scan_check_->deleteLater();
  scan_check_ = nullptr;
  ++scan_checks_ended_;
  CheckScanCommand->setEnabled(true);
  const Box box = VerdictBox(check, scan_check_file_);
  if (box.warning)
    messages_->Warning(box.title, box.text);
  else
    messages_->Information(box.title, box.text);
}

}  // namespace tessellux::ui
