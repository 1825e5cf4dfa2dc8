// Building a symbol through the window against a scripted Code Generator.

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QLocale>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QTextEdit>
#include <QtEndian>

#include <chrono>

#include "app/tabs.h"
#include "support/bmp_header.h"
#include "support/picture_files.h"
#include "support/window_fixture.h"
#include "ui/picture_box.h"

namespace tessellux::testing {
namespace {

// A small 1-bit BMP split as a Code Generator sends it: header, then one row per piece.
struct SplitBmp {
  QByteArray header;
  QList<QByteArray> rows;  // file order (bottom row first)
};

SplitBmp MakeBmp(int width, int height) {
  QImage image(width, height, QImage::Format_Mono);
  image.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
  image.fill(1);
  for (int y = 0; y < height; ++y) image.setPixel(y % width, y, 0);  // a diagonal: not symmetric
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "BMP");
  const QByteArray file = buffer.data();
  const int offset = qFromLittleEndian<quint32>(file.constData() + 10);
  const int row_bytes = ((width + 31) / 32) * 4;
  SplitBmp split{file.left(offset), {}};
  for (int y = 0; y < height; ++y) split.rows.append(file.mid(offset + y * row_bytes, row_bytes));
  return split;
}

class GenerateTest : public WindowTest {
 protected:
  void SetUp() override {
    bmp = MakeBmp(274, 338);  // 5 x 4 blocks at grid size 8 with lines 2 pixels thick
    peer.default_reply = [this](const QByteArray& command) -> QByteArray {
      progress_seen = progress_seen || !window->BuildProgress->isHidden();
      const char code = command.isEmpty() ? 0 : command[0];
      if (code >= 0x51 && code <= 0x54) return QByteArray(1, code) + Raw({0x00}) + geometry;
      if (code == 0x61) {
        next_row = 0;  // every build fetches the picture from its first row
        return Raw({0x61, 0x00}) + bmp.header;
      }
      if (code == 0x62) return next_row < bmp.rows.size() ? Raw({0x62, 0x00}) + bmp.rows[next_row++] : "bb";
      return QByteArray(1, code) + Raw({0x00});
    };
    window = LinkedWindow(peer);
  }
  void EnterViewPrint() {
    window->SSTab->setCurrentIndex(app::kViewPrintTab);
    EXPECT_TRUE(WaitUntilBuilt(*window));
  }
  // Leaves "View/Print" and enters it again: a fresh build, fetch and messages.
  void Rebuild() {
    messages.shown.clear();
    next_row = 0;
    window->SSTab->setCurrentIndex(app::kStyleTab);
    EnterViewPrint();
  }
  QByteArray Written() const {
    QFile file(window->SymbolPictureFile());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : "(not written)";
  }

  ScriptedPeer peer;
  SplitBmp bmp;
  int next_row = 0;
  bool progress_seen = false;
  QByteArray geometry = Raw({5, 4, 6});
  std::unique_ptr<ui::MainForm> window;
};

TEST_F(GenerateTest, DefaultWebAddressBuildsFetchesAndShows) {
  window->ResolutionText->setText("600");
  EnterViewPrint();
  const QByteArray url = window->DataText->toPlainText().toUtf8();
  const QList<QByteArray> expected = {Raw({0x11, 0, 0, 0, 8, 1, 2}), "!" + url, "Q", "a"};
  EXPECT_EQ(peer.commands.mid(0, 4), expected);
  EXPECT_EQ(peer.commands.size(), 4 + bmp.rows.size() + 1);  // every row, then the end reply
  EXPECT_EQ(Titles(), "");

  // The geometry and statistics replies written back on "View/Print".
  const QList<int> geometry_shown = {window->BlockRowsScroll->value(), window->BlockColsScroll->value(),
                                     window->ErrorCorrectionScroll->value()};
  EXPECT_EQ(geometry_shown, (QList<int>{2, 2, 4}));
  EXPECT_TRUE(window->AutomaticSizeCheck->isChecked());
  const QStringList statistics = {window->TotalBytesText->text(), window->ErrorBytesText->text(),
                                  window->UserBytesText->text()};
  EXPECT_EQ(statistics, (QStringList{"280", "100", "180"}));
  // 8 x (8 x 4 + 2) + 2 = 274 pixels at 600 dpi.
  EXPECT_EQ(window->SymbolWidthText->text(), "0.457\"");

  EXPECT_EQ(Written(), bmp.header + bmp.rows.join());
  EXPECT_EQ(window->SymbolPixelWidth(), 274);
  EXPECT_EQ(window->SymbolPixelHeight(), 338);

  // Progress showed while the build ran and is gone now.
  EXPECT_TRUE(progress_seen);
  EXPECT_TRUE(window->BuildProgress->isHidden());
}

TEST_F(GenerateTest, FiguresUseTheUsersSeparators) {
  const QLocale previous;
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  geometry = Raw({10, 10, 6});
  bmp = MakeBmp(658, 658);
  window->ResolutionText->setText("600");
  EnterViewPrint();
  QLocale::setDefault(previous);
  EXPECT_EQ(window->TotalBytesText->text(), "1.400");
  EXPECT_EQ(window->SymbolWidthText->text(), "1,097\"");  // 8 x 82 + 2 = 658 pixels
}

// A resolution typed while the picture is being fetched: the build under way
// ends, one more follows with the typed value, and the size boxes and the
// printed page end at the typed resolution (not at its first keystroke).
TEST_F(GenerateTest, ResolutionTypedDuringTheFetchEndsWithItsSizes) {
  window->ResolutionText->setText("600");
  EnterViewPrint();
  ASSERT_EQ(window->SymbolsBuilt(), 1);
  const int commands_per_build = static_cast<int>(peer.commands.size());

  const auto reply = peer.default_reply;
  bool typed = false;
  peer.default_reply = [&](const QByteArray& command) {
    if (!typed && command == "b" && next_row == 5 && window->SymbolsBuilt() == 1) {
      typed = true;
      EXPECT_TRUE(window->Building());
      window->ResolutionText->setFocus();
      window->ResolutionText->selectAll();
      QTest::keyClicks(window->ResolutionText, "300");  // three keystrokes, three rebuild requests
      EXPECT_EQ(window->SymbolWidthText->text(), "0.913\"") << "the boxes follow each keystroke";
    }
    return reply(command);
  };
  next_row = 0;
  window->SSTab->setCurrentIndex(app::kStyleTab);
  EnterViewPrint();
  ASSERT_TRUE(typed);
  EXPECT_EQ(window->SymbolsBuilt(), 3) << "the build under way, then exactly one more";
  EXPECT_EQ(peer.commands.size(), 3 * commands_per_build);
  EXPECT_EQ(Titles(), "");
  EXPECT_EQ(window->SymbolWidthText->text(), "0.913\"");  // 274 pixels at 300 dpi
  EXPECT_EQ(window->SymbolHeightText->text(), "1.127\"");  // 338 pixels

  QTest::mouseClick(window->PrintCommand, Qt::LeftButton);
  WaitFor([] { return false; }, 200);  // the print runs once the press has been handled
  const QByteArray text = RunTool("pdftotext", {"-layout", window->Printer().outputFileName(), "-"}).value_or("");
  ASSERT_FALSE(text.isEmpty()) << "pdftotext did not run";
  EXPECT_TRUE(text.contains("Width: 0.913\"")) << text.toStdString();
  EXPECT_TRUE(text.contains("Height: 1.127\"")) << text.toStdString();
}

TEST_F(GenerateTest, ViewShowsTheSymbolCentredAtAPowerOfTwoZoom) {
  geometry = Raw({1, 1, 6});
  bmp = MakeBmp(82, 82);
  window->ViewPicture->setFixedSize(537, 441);
  window->show();
  EnterViewPrint();
  const QImage shown = window->ViewPicture->grab().toImage();
  // 82 x 82 fits 537 x 441 at 441 / 82 * 0.8 = 4.3, taken down to 4: 328
  // pixels from left 104; the grid strip of 8 pixels is left out.
  int left = shown.width(), right = -1;
  for (int x = 0; x < shown.width(); ++x)
    for (int y = 0; y < shown.height(); ++y)
      if (shown.pixelColor(x, y).lightness() < 128) left = qMin(left, x), right = x;
  EXPECT_GE(left, 104);
  EXPECT_LE(right, 433);
  EXPECT_GT(right, left);

  // A failed check blanks the view.
  window->SSTab->setCurrentIndex(app::kStyleTab);
  window->DataText->setPlainText("not a web address");
  EnterViewPrint();
  const QImage blank = window->ViewPicture->grab().toImage();
  for (int y = 0; y < blank.height(); y += 7)
    for (int x = 0; x < blank.width(); x += 7) ASSERT_FALSE(blank.pixelColor(x, y).lightness() < 128);
}

// Each step of a build and of showing its symbol is noted in order, the
// reduction and the paint only once the view shows that symbol; a build
// that failed its checks notes nothing.
TEST_F(GenerateTest, TheStepsOfTheLastSymbolAreNotedInOrder) {
  using TimePoint = std::chrono::steady_clock::time_point;
  geometry = Raw({10, 10, 6});
  bmp = MakeBmp(658, 658);  // shown at half size: reduced
  window->ViewPicture->setFixedSize(537, 441);
  EnterViewPrint();
  const ui::MainForm::SymbolTimes& times = window->LastSymbolTimes();
  EXPECT_EQ(times.reduced, TimePoint{}) << "not painted yet: the window is hidden";
  window->show();
  ASSERT_TRUE(WaitFor([&] { return times.painted != TimePoint{}; }));
  const TimePoint steps[] = {times.build.started, times.build.replied, times.build.fetched, times.written,
                             times.packed,        times.reduced,       times.painted};
  for (std::size_t i = 0; i < std::size(steps); ++i) {
    EXPECT_NE(steps[i], TimePoint{}) << "step " << i;
    if (i > 0) {
      EXPECT_LE(steps[i - 1], steps[i]) << "step " << i;
    }
  }
  const TimePoint painted = times.painted;
  window->ViewPicture->grab();
  EXPECT_EQ(times.painted, painted) << "the first paint only";

  window->SSTab->setCurrentIndex(app::kStyleTab);
  window->DataText->setPlainText("not a web address");
  EnterViewPrint();
  window->ViewPicture->grab();
  EXPECT_EQ(times.build.started, TimePoint{});
  EXPECT_EQ(times.packed, TimePoint{});
  EXPECT_EQ(times.painted, TimePoint{});
}

// A fetch of many rows moves the bar a thousandth at a time, never more
// than that behind the rows fetched.
TEST_F(GenerateTest, ALongFetchMovesTheBarAThousandthAtATime) {
  geometry = Raw({46, 4, 6});
  bmp = MakeBmp(274, 2962);  // 8 x (8 x 46 + 2) + 2 rows
  const int exchanges = 2962 + 1;
  int changes = 0, behind = 0, last = 0;
  QObject::connect(window->BuildProgress, &QProgressBar::valueChanged, [&](int value) {
    ++changes;
    last = value;
  });
  const auto reply = peer.default_reply;
  peer.default_reply = [&](const QByteArray& command) {
    if (command == "b" && window->BuildProgress->maximum() == exchanges)
      behind = std::max(behind, next_row - window->BuildProgress->value());
    return reply(command);
  };
  EnterViewPrint();
  ASSERT_EQ(window->SymbolsBuilt(), 1);
  EXPECT_LE(behind, exchanges / 1000);
  EXPECT_GT(changes, 900) << "the bar still moves";
  EXPECT_LT(changes, 1100) << "not once a row";
  EXPECT_LE(exchanges - last, exchanges / 1000 + 1) << "to the last rows";
}

TEST_F(GenerateTest, MirrorShowsTheSymbolUpsideDown) {
  window->MirrorCheck->setChecked(true);
  EnterViewPrint();
  QImage upright(window->SymbolPictureFile());
  EXPECT_EQ(upright.pixelColor(0, 337), QColor(Qt::black));  // the diagonal now starts at the bottom left
  EXPECT_EQ(upright.pixelColor(0, 0), QColor(Qt::white));
}

TEST_F(GenerateTest, FailedCheckSelectsItsTabAndUnreadableUploadIsReportedOnce) {
  window->DataOption[1]->setChecked(true);  // "Text", but the text is a web address
  EnterViewPrint();
  EXPECT_EQ(window->SSTab->currentIndex(), app::kTextTab);
  EXPECT_EQ(Titles(), "Not A Web Address (URL)");
  EXPECT_TRUE(peer.commands.isEmpty());

  messages.shown.clear();
  window->DataOption[4]->setChecked(true);  // zipped file, none chosen
  EnterViewPrint();
  EXPECT_EQ(window->SSTab->currentIndex(), app::kZipTab);
  EXPECT_EQ(Titles(), "Missing Zip File");
  EXPECT_TRUE(peer.commands.isEmpty());

  // A zip file that cannot be read is reported once, after the layout and text went out.
  messages.shown.clear();
  window->ZipFileText->setText(folder().filePath("missing.zip"));
  EnterViewPrint();
  ASSERT_EQ(Titles(), "File Not Sent");
  EXPECT_TRUE(messages.shown[0].text.contains("missing.zip"));
  EXPECT_EQ(peer.commands.size(), 2);
}

TEST_F(GenerateTest, UnusablePictureKeepsThePreviousFileAndIsReportedOnce) {
  EnterViewPrint();
  const QByteArray good = Written();
  ASSERT_EQ(good, bmp.header + bmp.rows.join());

  // A header that cannot be used, then rows of the wrong length: the
  // previous good picture stays on disk.
  // Headers that cannot be used, or that promise another size than the
  // geometry just reported (a lying peer's 250 MB picture among them).
  const Bytes huge = BmpHeader(1'000'000, 2'000);
  const QByteArray bad_headers[] = {"not a bitmap header", MakeBmp(274, 338).header.replace(22, 4, "\xf4\xff\xff\xff"),
                                    MakeBmp(20, 12).header, MakeBmp(277, 338).header,
                                    QByteArray(reinterpret_cast<const char*>(huge.data()), static_cast<int>(huge.size()))};
  for (const QByteArray& header : bad_headers) {
    bmp.header = header;
    Rebuild();
    EXPECT_EQ(Titles(), "Unusable Symbol Picture");
    EXPECT_EQ(window->TotalBytesText->text(), "280");  // this run's statistics stay
    EXPECT_EQ(Written(), good);
    EXPECT_EQ(peer.commands.back(), "a") << "no row was asked for";
  }
  bmp = MakeBmp(274, 338);
  bmp.rows[3].chop(1);
  Rebuild();
  EXPECT_EQ(Titles(), "Unusable Symbol Picture");
  EXPECT_EQ(Written(), good);

  bmp = MakeBmp(274, 338);
  QFile::remove(window->SymbolPictureFile());
  ASSERT_TRUE(QDir().mkdir(window->SymbolPictureFile()));  // a folder in the file's place
  Rebuild();
  EXPECT_EQ(Titles(), "Symbol Picture Not Saved");
  EXPECT_TRUE(QFileInfo(window->SymbolPictureFile()).isDir());
}

// Stop and Esc end a fetch after the row under way: the previous picture
// stays, the window says so, and no build follows.
TEST_F(GenerateTest, StopAndEscEndTheFetchKeepingThePreviousPicture) {
  window->show();
  QApplication::setActiveWindow(window.get());  // Esc is a shortcut of the active window
  EnterViewPrint();
  const QByteArray good = Written();
  ASSERT_EQ(good, bmp.header + bmp.rows.join());
  const auto reply = peer.default_reply;
  const std::function<void()> stops[] = {
      [this] { QTest::mouseClick(window->StopCommand, Qt::LeftButton); },
      [this] { QTest::keyClick(window.get(), Qt::Key_Escape); },
  };
  for (const auto& stop : stops) {
    bool stopped = false;
    peer.default_reply = [&](const QByteArray& command) {
      if (!stopped && command == "b" && next_row == 5) {
        stopped = true;
        EXPECT_FALSE(window->StopCommand->isHidden());
        window->ResolutionText->setText(window->ResolutionText->text() == "300" ? "600" : "300");  // asks for a rebuild
        stop();
        EXPECT_FALSE(window->StopCommand->isEnabled()) << "pressed once";
      }
      return reply(command);
    };
    peer.commands.clear();
    Rebuild();
    ASSERT_TRUE(stopped);
    ASSERT_EQ(Titles(), "Build Stopped");
    EXPECT_TRUE(messages.shown[0].text.contains("after 5 of 338 rows")) << messages.shown[0].text.toStdString();
    EXPECT_EQ(Written(), good);
    EXPECT_EQ(peer.commands.count("b"), 6) << "the row under way was the last asked for";
    EXPECT_FALSE(window->Building());
    EXPECT_TRUE(window->StopCommand->isHidden());
  }
  QTest::keyClick(window.get(), Qt::Key_Escape);  // with no build: nothing happens
  EXPECT_FALSE(window->Building());
}

TEST_F(GenerateTest, LostLinkMidSeriesStopsIt) {
  peer.replies.push_back(ScriptedPeer::Framed(Raw({0x11, 0x00})));
  peer.replies.push_back(ScriptedPeer::Reply{});  // the text command is never answered
  EnterViewPrint();
  EXPECT_EQ(peer.commands.size(), 2);
  EXPECT_EQ(Titles(), "Connection Interrupted");
  EXPECT_EQ(window->SSTab->currentIndex(), app::kSecurityTab);
  EXPECT_TRUE(window->TotalBytesText->text().isEmpty());
  EXPECT_FALSE(QFile::exists(window->SymbolPictureFile()));
}

}  // namespace
}  // namespace tessellux::testing
