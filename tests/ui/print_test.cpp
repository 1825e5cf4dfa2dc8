// Pictures and printing with the reference Code Generator: an embedded JPEG
// is the recompressed one, the printed PDF holds the symbol pixel for pixel,
// the test sheet, the typed resolution and the reduced view.

#include <QCheckBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPageLayout>
#include <QPrinter>
#include <QRegularExpression>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include "output/number_text.h"
#include "app/tabs.h"
#include "pictures/jpeg_recompress.h"
#include "support/live_codegen_window.h"
#include "support/picture_files.h"
#include "support/printed_symbol.h"
#include "ui/picture_box.h"

namespace tessellux::testing {
namespace {

class PrintTest : public LiveCodegenWindowTest {
 protected:
  // The file the reader takes out of the built symbol.
  QByteArray CarriedFile() {
    const QString out = dir.filePath("carried");
    QDir().mkpath(out);
    int code = -1;
    const QString report = Read({"--out", out}, &code);
    EXPECT_EQ(code, 0) << report.toStdString();
    return Contents(out + "/tessellux-file.jpg");
  }

  void Press(Qt::KeyboardModifiers modifiers) {
    QTest::mouseClick(window->PrintCommand, Qt::LeftButton, modifiers);
    QTest::qWait(50);  // the print runs once the press has been handled
    WaitFor([] { return false; }, 200);
    WaitUntilBuilt(*window);  // a test sheet builds its symbols one by one
  }
};

TEST_F(PrintTest, ChosenJpegIsEmbeddedAsRecompressed) {
  dialogs.files = {MakeJpeg(dir.filePath("photo.jpg"), 160, 120, 95)};
  window->DataOption[3]->setChecked(true);  // JPEG picture only
  window->ChooseJpegCommand->click();
  Build();
  ASSERT_TRUE(messages.shown.isEmpty()) << messages.shown[0].text.toStdString();
  EXPECT_EQ(CarriedFile(), Contents(window->QualityWorkFile()));
}

TEST_F(PrintTest, StaleWorkFileIsNeverUploaded) {
  const QString typed = MakeJpeg(dir.filePath("typed.jpg"), 120, 80, 90);
  MakeJpeg(window->QualityWorkFile(), 30, 30, 50);  // left from an earlier run
  window->DataOption[3]->setChecked(true);
  window->JpegFileText->setText(typed);  // typed, not chosen
  Build();
  ASSERT_TRUE(messages.shown.isEmpty()) << messages.shown[0].text.toStdString();
  const QString fresh = dir.filePath("fresh.jpg");
  ASSERT_TRUE(pictures::RecompressJpeg(typed.toStdString(), 20, fresh.toStdString()).ok);
  EXPECT_EQ(CarriedFile(), Contents(fresh));

  // A file that is not a JPEG: one warning naming it, nothing built.
  const QString broken = dir.filePath("broken.jpg");
  QFile file(broken);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("GIF89a");
  file.close();
  window->JpegFileText->setText(broken);
  const int built = window->SymbolsBuilt();
  window->SSTab->setCurrentIndex(app::kStyleTab);
  Build();
  ASSERT_EQ(messages.shown.size(), 1);
  EXPECT_TRUE(messages.shown[0].text.contains(broken)) << messages.shown[0].text.toStdString();
  EXPECT_FALSE(messages.shown[0].text.contains("Quality.tmp"));
  EXPECT_EQ(window->SymbolsBuilt(), built);
}

TEST_F(PrintTest, TypingTheResolutionRebuildsAtEachKeystroke) {
  Build();
  ASSERT_GT(window->SymbolsBuilt(), 0);
  const int width = window->SymbolPixelWidth();
  window->ResolutionText->setFocus();
  window->ResolutionText->selectAll();
  QTest::keyClick(window->ResolutionText, Qt::Key_Delete);
  EXPECT_EQ(window->SymbolWidthText->text(), "");
  WaitUntilBuilt(*window);
  const int before = window->SymbolsBuilt();
  const char* typed[] = {"3", "0", "0"};
  const double dpi[] = {3, 30, 300};
  for (int i = 0; i < 3; ++i) {
    QTest::keyClicks(window->ResolutionText, typed[i]);
    WaitUntilBuilt(*window);
    EXPECT_EQ(window->SymbolsBuilt(), before + i + 1);
    EXPECT_EQ(window->SymbolWidthText->text().toStdString(), output::SymbolSizeText(width, dpi[i]));
    EXPECT_TRUE(window->ResolutionText->hasFocus() || !window->isActiveWindow());
  }
  for (const char* text : {"0", "-600"}) {
    window->ResolutionText->selectAll();
    QTest::keyClicks(window->ResolutionText, text);
    WaitUntilBuilt(*window);
    EXPECT_EQ(window->SymbolWidthText->text(), "") << text;
    EXPECT_EQ(window->SymbolHeightText->text(), "") << text;
  }
  EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(PrintTest, PrintedPdfHoldsTheSymbolPixelForPixel) {
  Build();
  ASSERT_TRUE(messages.shown.isEmpty()) << messages.shown[0].text.toStdString();
  const QString pdf = window->Printer().outputFileName();
  Press(Qt::ControlModifier);  // not a print
  EXPECT_FALSE(QFile::exists(pdf));
  Press(Qt::NoModifier);
  ASSERT_TRUE(QFile::exists(pdf));
  ASSERT_TRUE(messages.shown.isEmpty()) << messages.shown[0].text.toStdString();

  const QByteArray text = RunTool("pdftotext", {"-layout", pdf, "-"}).value_or("");
  ASSERT_FALSE(text.isEmpty()) << "pdftotext did not run";
  const QString width_line = "Width: " + window->SymbolWidthText->text();
  qsizetype at = -1;
  for (const QString& line : {width_line, "Height: " + window->SymbolHeightText->text(),
                              QStringLiteral("Grid size: 8"), QStringLiteral("Thickness: 2")}) {
    const qsizetype next = text.indexOf(line.toUtf8());
    EXPECT_GT(next, at) << line.toStdString() << " in\n" << text.toStdString();
    at = next;
  }

  // The page at 600 dpi around where the symbol belongs, with a white margin.
  const QImage symbol = window->SymbolPicture();
  const QRect paper = window->Printer().paperRect(QPrinter::DevicePixel).toRect();
  const QRect printable = window->Printer().pageRect(QPrinter::DevicePixel).toRect();
  const QPoint origin = printable.topLeft() - paper.topLeft() +
                        QPoint((window->Printer().width() - symbol.width()) / 2, 150);  // a quarter inch down
  const int margin = 10;
  // Rendered by poppler's Cairo backend: its Splash one (pdftoppm) widens
  // every image by one dot (it rounds the far edge up), so no picture would
  // come out pixel for pixel there.
  ASSERT_TRUE(RunTool("pdftocairo",
                      {"-png", "-gray", "-r", "600", "-singlefile", "-x", QString::number(origin.x() - margin), "-y",
                       QString::number(origin.y() - margin), "-W", QString::number(symbol.width() + 2 * margin), "-H",
                       QString::number(symbol.height() + 2 * margin), pdf, dir.filePath("page")}));
  const QImage page(dir.filePath("page.png"));
  ASSERT_EQ(page.size(), symbol.size() + QSize(2 * margin, 2 * margin));
  EXPECT_EQ(DotsUnlikeSymbol(page, symbol, margin), 0);
  // One pixel per dot at 600 dpi: the printed size is the one shown.
  EXPECT_EQ(window->SymbolWidthText->text().toStdString(), output::SymbolSizeText(symbol.width(), 600));
}

// A symbol wider than the paper (146 dots at 16 dpi: 9.1 inches) goes on a
// page as wide as it needs; the next print is on the sheet again.
TEST_F(PrintTest, PdfPageGrowsToHoldASymbolWiderThanThePaper) {
  Build();
  QPrinter& printer = window->Printer();
  printer.setResolution(16);
  const QSizeF sheet = printer.pageLayout().fullRect(QPageLayout::Point).size();
  Press(Qt::NoModifier);
  ASSERT_TRUE(messages.shown.isEmpty()) << messages.shown[0].text.toStdString();
  const QString info = QString::fromUtf8(RunTool("pdfinfo", {printer.outputFileName()}).value_or(""));
  const QRegularExpression size(QStringLiteral("Page size: *([0-9.]+) x ([0-9.]+) pts"));
  const auto match = size.match(info);
  ASSERT_TRUE(match.hasMatch()) << info.toStdString();
  const double symbol_points = window->SymbolPicture().width() / 16.0 * 72;
  EXPECT_GT(symbol_points, sheet.width());
  EXPECT_GE(match.captured(1).toDouble(), symbol_points + 36);  // the symbol and its margins
  EXPECT_NEAR(match.captured(2).toDouble(), sheet.height(), 1);
  EXPECT_EQ(printer.pageLayout().fullRect(QPageLayout::Point).size(), sheet);
}

TEST_F(PrintTest, CtrlAltPressPrintsTheTestSheetAndRestoresTheScrollBars) {
  window->GridSizeScroll->setValue(12);
  window->ThicknessScroll->setValue(7);
  Press(Qt::ControlModifier | Qt::AltModifier);
  ASSERT_TRUE(WaitFor([&] { return QFile::exists(window->Printer().outputFileName()); }, 60000));
  EXPECT_TRUE(messages.shown.isEmpty()) << messages.shown[0].text.toStdString();
  const QString text = QString::fromUtf8(RunTool("pdftotext", {"-layout", window->Printer().outputFileName(), "-"}).value_or(""));
  for (const char* label : {"12/7", "13/7", "14/7", "13/8", "14/8"}) EXPECT_TRUE(text.contains(label)) << label;
  EXPECT_FALSE(text.contains("14/9"));
  EXPECT_EQ(window->GridSizeScroll->value(), 12);
  EXPECT_EQ(window->ThicknessScroll->value(), 7);
}

TEST_F(PrintTest, FailuresEndThePrintWithOneMessage) {
  Build();
  // A sheet whose Code Generator goes away after two symbols: no stale copies.
  QTimer stopper;
  QObject::connect(&stopper, &QTimer::timeout, [&] {
    if (window->SymbolsBuilt() >= 3) codegen.kill();
  });
  stopper.start(0);  // on every turn of the event loop, between the exchanges
  window->GridSizeScroll->setValue(12);
  window->ThicknessScroll->setValue(7);
  Press(Qt::ControlModifier | Qt::AltModifier);
  stopper.stop();
  EXPECT_EQ(Titles().count("Test Sheet Stopped"), 1) << Titles().toStdString();
  const QString text = QString::fromUtf8(RunTool("pdftotext", {window->Printer().outputFileName(), "-"}).value_or(""));
  EXPECT_TRUE(text.contains("12/7") && text.contains("13/7")) << text.toStdString();
  EXPECT_FALSE(text.contains("14/7"));
  EXPECT_EQ(window->GridSizeScroll->value(), 12);

  // A printer that cannot start the document says so once.
  messages.shown.clear();
  window->Printer().setOutputFileName(dir.filePath("no such folder/x.pdf"));
  Press(Qt::NoModifier);
  EXPECT_EQ(Titles(), "Printing Failed");
}

TEST_F(PrintTest, LargeSymbolViewIsAveragedOncePerBuildAndSize) {
  window->GridSizeScroll->setValue(3);
  window->ThicknessScroll->setValue(1);
  window->AutomaticSizeCheck->setChecked(false);
  window->BlockRowsScroll->setValue(30);
  window->BlockColsScroll->setValue(30);
  window->ViewPicture->resize(537, 441);
  Build();
  ASSERT_TRUE(messages.shown.isEmpty()) << messages.shown[0].text.toStdString();
  window->ViewPicture->grab();
  const QImage reduced = window->ReducedView();
  ASSERT_FALSE(reduced.isNull());
  const QImage symbol = window->SymbolPicture();
  const int factor = (symbol.width() - 3 + reduced.width() - 1) / reduced.width();
  EXPECT_GE(factor, 2);
  // The grey of each view pixel is the share of white beneath it.
  for (int oy = 0; oy < reduced.height(); oy += 7)
    for (int ox = 0; ox < reduced.width(); ox += 7) {
      int white = 0, area = 0;
      for (int y = 3 + oy * factor; y < std::min(3 + (oy + 1) * factor, symbol.height()); ++y)
        for (int x = 3 + ox * factor; x < std::min(3 + (ox + 1) * factor, symbol.width()); ++x) {
          ++area;
          white += qGray(symbol.pixel(x, y)) >= 128;
        }
      ASSERT_EQ(qGray(reduced.pixel(ox, oy)), (white * 255 + area / 2) / area) << ox << "," << oy;
    }
  const qint64 key = reduced.cacheKey();
  window->ViewPicture->grab();
  EXPECT_EQ(window->ReducedView().cacheKey(), key);  // not reduced again
}

// The largest symbols (20,342 pixels square here) are kept packed, shown
// reduced and printed whole: no image reader's size limit stands between
// the fetched picture and the user.
TEST_F(PrintTest, ASymbolOverTwentyThousandPixelsSquareIsShownAndPrintedWhole) {
  window->GridSizeScroll->setValue(10);
  window->AutomaticSizeCheck->setChecked(false);
  window->BlockRowsScroll->setValue(window->BlockRowsScroll->maximum());
  window->BlockColsScroll->setValue(window->BlockColsScroll->maximum());
  window->ViewPicture->resize(537, 441);
  window->SSTab->setCurrentIndex(app::kViewPrintTab);
  ASSERT_TRUE(WaitUntilBuilt(*window, 100000));
  ASSERT_TRUE(messages.shown.isEmpty()) << messages.shown[0].text.toStdString();
  const QImage symbol = window->SymbolPicture();
  ASSERT_EQ(symbol.size(), QSize(20342, 20342));  // 10 x (8 x 254 + 2) + 2
  EXPECT_EQ(symbol.format(), QImage::Format_Mono) << "one bit a pixel, not four bytes";
  EXPECT_EQ(QFile(window->SymbolPictureFile()).size(), 62 + 2544 * 20342);

  window->ViewPicture->grab();
  const QImage reduced = window->ReducedView();
  ASSERT_FALSE(reduced.isNull());
  int darkest = 255, lightest = 0;
  for (int y = 0; y < reduced.height(); ++y)
    for (int x = 0; x < reduced.width(); ++x) {
      darkest = std::min(darkest, qGray(reduced.pixel(x, y)));
      lightest = std::max(lightest, qGray(reduced.pixel(x, y)));
    }
  EXPECT_LT(darkest, 200) << "the symbol's ink shows";
  EXPECT_GT(lightest, darkest + 10) << "as a pattern, not a flat grey";

  int code = -1;
  const QString report = Read({}, &code);
  EXPECT_EQ(code, 0) << report.toStdString();

  Press(Qt::NoModifier);
  const QString pdf = window->Printer().outputFileName();
  ASSERT_TRUE(QFile::exists(pdf));
  const QByteArray images = RunTool("pdfimages", {"-list", pdf}).value_or("");
  EXPECT_TRUE(QString::fromUtf8(images).simplified().contains("20342 20342 gray 1 1")) << images.toStdString();
}

}  // namespace
}  // namespace tessellux::testing
