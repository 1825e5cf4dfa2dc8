// "Check a scan...": the last built symbol printed and scanned by the
// simulator, another symbol, a picture with no symbol and a private symbol,
// each read off the window's thread and answered in one box.

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTextEdit>

#include <variant>

#include "scan/print_scan.h"
#include "support/live_codegen_window.h"
#include "symbol/symbol.h"

namespace tessellux::testing {
namespace {

class ScanCheckTest : public LiveCodegenWindowTest {
 protected:
  // The symbol file printed at 600 dpi and scanned at 600 dpi, turned a
  // little, saved as PNG in the test's folder.
  QString ScanOf(const Bytes& bmp, const QString& name, double rotation = 4, bool page = false) {
    const auto bitmap = symbol::ParseBmp(bmp);
    EXPECT_TRUE(std::holds_alternative<symbol::Bitmap>(bitmap));
    scan::PrintSettings print;
    print.page = page;
    print.other_marks = page;
    scan::ScanSettings settings;
    settings.rotation_deg = rotation;
    settings.noise = 3;
    return Save(scan::EncodePng(scan::PrintAndScan(std::get<symbol::Bitmap>(bitmap), print, settings).image), name);
  }

  QString ScanOfBuilt(const QString& name, double rotation = 4, bool page = false) {
    QFile file(window->SymbolPictureFile());
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray data = file.readAll();
    return ScanOf(Bytes(data.begin(), data.end()), name, rotation, page);
  }

  QString Save(const Bytes& bytes, const QString& name) {
    const QString path = dir.filePath(name);
    QFile out(path);
    EXPECT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    return path;
  }

  // Picks `path` in the chooser, presses the button and waits for the box.
  RecordingMessageBoxes::Shown Check(const QString& path) {
    const int before = window->ScanChecksEnded();
    const qsizetype shown = messages.shown.size();
    dialogs.files.push_back(path);
    window->CheckScanCommand->click();
    EXPECT_TRUE(WaitFor([&] { return window->ScanChecksEnded() > before; }, 60000));
    EXPECT_EQ(messages.shown.size(), shown + 1);
    return messages.shown.isEmpty() ? RecordingMessageBoxes::Shown{} : messages.shown.back();
  }
};

TEST_F(ScanCheckTest, ScanOfTheLastSymbolMatchesWithItsGrade) {
  window->DataOption[1]->setChecked(true);
  window->DataText->setPlainText(QStringLiteral("Checked on paper: Grüße — 42"));
  Build();
  ASSERT_TRUE(messages.shown.isEmpty()) << messages.shown[0].text.toStdString();
  const auto box = Check(ScanOfBuilt("match.png"));
  EXPECT_EQ(box.kind, "information");
  EXPECT_EQ(box.title, "Scan Matches");
  EXPECT_TRUE(box.text.contains("exactly the symbol built last")) << box.text.toStdString();
  EXPECT_TRUE(box.text.contains("Grade: ")) << box.text.toStdString();
  EXPECT_FALSE(box.text.contains("Grade: F")) << box.text.toStdString();
  // The chooser offers the picture formats the reader decodes.
  ASSERT_FALSE(dialogs.file_questions.isEmpty());
  EXPECT_TRUE(dialogs.file_questions.back().filters.join(' ').contains("*.png"));
  // The symbol's own file is read the exact way, and matches too.
  EXPECT_EQ(Check(window->SymbolPictureFile()).title, "Scan Matches");
}

TEST_F(ScanCheckTest, ScanOfAnotherSymbolSaysWhatDiffers) {
  window->DataOption[1]->setChecked(true);
  window->DataText->setPlainText(QStringLiteral("the symbol built last"));
  Build();
  symbol::SymbolSpec other;
  other.layout = symbol::Layout{2, 2, 0, 8, symbol::Style::Lines, 2};
  other.content.text = "the symbol built lost";
  const auto built = symbol::BuildSymbol(other);
  ASSERT_TRUE(std::holds_alternative<symbol::Symbol>(built));
  const auto box = Check(ScanOf(std::get<symbol::Symbol>(built).ToBmp(), "other.png"));
  EXPECT_EQ(box.kind, "warning");
  EXPECT_EQ(box.title, "Scan Differs");
  // "lost" for "last": the 19th byte is the first that differs.
  EXPECT_TRUE(box.text.contains("Text: 21 bytes built, 21 in the scan, first different at byte 19"))
      << box.text.toStdString();
  EXPECT_TRUE(box.text.contains("Grade: ")) << box.text.toStdString();
}

TEST_F(ScanCheckTest, PictureWithoutASymbolIsNotRead) {
  Build();
  symbol::GreyImage blank;
  blank.width = 400;
  blank.height = 300;
  blank.pixels.assign(400 * 300, 250);
  for (int i = 0; i < 300; ++i) blank.pixels[static_cast<std::size_t>(i) * 400 + i] = 10;  // one stroke
  const auto box = Check(Save(scan::EncodePng(blank), "blank.png"));
  EXPECT_EQ(box.kind, "warning");
  EXPECT_EQ(box.title, "Scan Not Read");
  EXPECT_TRUE(box.text.contains("Grade: F")) << box.text.toStdString();
  // Not a picture at all, and a file that is gone.
  EXPECT_EQ(Check(Save(ToBytes("not a picture"), "text.png")).title, "Scan Not Read");
  EXPECT_EQ(Check(dir.filePath("missing.png")).title, "Scan Not Read");
  EXPECT_EQ(window->ScanChecksEnded(), 3);
}

TEST_F(ScanCheckTest, PrivateSymbolIsReadWithTheSecurityTabsPhrase) {
  window->PrivateOption->setChecked(true);
  window->SecretPhraseText[0]->setText("open sesame");
  Build();
  ASSERT_TRUE(messages.shown.isEmpty()) << messages.shown[0].text.toStdString();
  const QString scan = ScanOfBuilt("private.png", 200);
  EXPECT_EQ(Check(scan).title, "Scan Matches");
  // Another phrase typed since: the built symbol itself no longer opens.
  window->SecretPhraseText[0]->setText("wrong");
  const auto box = Check(scan);
  EXPECT_EQ(box.title, "Scan Not Checked");
  EXPECT_TRUE(box.text.contains("cannot be opened")) << box.text.toStdString();
}

TEST_F(ScanCheckTest, NothingBuiltYetAsksNoFile) {
  window->CheckScanCommand->click();
  ASSERT_EQ(messages.shown.size(), 1);
  EXPECT_EQ(messages.shown[0].title, "Nothing to Check");
  EXPECT_TRUE(dialogs.file_questions.isEmpty());
  EXPECT_FALSE(window->CheckingScan());
}

TEST_F(ScanCheckTest, WindowAnswersWhileTheScanIsRead) {
  Build();
  const int builds = window->BuildsEnded();
  // A whole A4 page at 600 dpi with text round the symbol: a long read.
  dialogs.files.push_back(ScanOfBuilt("page.png", 3, true));
  bool checking_when_shown = true;
  messages.on_show = [&](const RecordingMessageBoxes::Shown&) { checking_when_shown = window->CheckingScan(); };
  window->CheckScanCommand->click();
  // The click returned with the read still running: its result only comes
  // back through the event loop, so no box can have been shown yet.
  EXPECT_TRUE(window->CheckingScan());
  EXPECT_FALSE(window->CheckScanCommand->isEnabled());
  EXPECT_TRUE(messages.shown.isEmpty());
  // A second press meanwhile asks nothing: one read at a time.
  window->CheckScanCommand->click();
  EXPECT_EQ(dialogs.file_questions.size(), 1);
  // Another action meanwhile: leaving the tab and entering it again builds.
  window->SSTab->setCurrentIndex(app::kSecurityTab);
  window->SSTab->setCurrentIndex(app::kViewPrintTab);
  EXPECT_TRUE(WaitFor([&] { return window->BuildsEnded() > builds && window->ScanChecksEnded() == 1; }, 60000));
  EXPECT_TRUE(WaitUntilBuilt(*window));
  ASSERT_EQ(messages.shown.size(), 1);
  // The rebuild made the same symbol again: the scan still matches it.
  EXPECT_EQ(messages.shown[0].title, "Scan Matches") << messages.shown[0].text.toStdString();
  EXPECT_FALSE(checking_when_shown);
  EXPECT_TRUE(window->CheckScanCommand->isEnabled());
}

}  // namespace
}  // namespace tessellux::testing
