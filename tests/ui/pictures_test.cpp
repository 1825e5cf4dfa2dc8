// The file choosers, the JPEG quality, printer information and "View",
// with the dialogs answered by a script and no Code Generator linked.

#include <QDir>
#include <QFileInfo>
#include <QTest>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

#include "pictures/file_filters.h"
#include "support/picture_files.h"
#include "support/window_fixture.h"
#include "ui/picture_box.h"

namespace tessellux::testing {
namespace {

QStringList Filters(const char* filter) {
  QStringList out;
  for (const auto& entry : pictures::DialogNameFilters(filter)) out.append(QString::fromStdString(entry));
  return out;
}

class PicturesTest : public WindowTest {
 protected:
  void SetUp() override { window = UnlinkedWindow(); }  // the choosers work regardless

  std::unique_ptr<ui::MainForm> window;
};

TEST_F(PicturesTest, ChoosersFillTheirBoxAndCancelEmptiesIt) {
  const QString jpeg = MakeJpeg(folder().filePath("photo.JPG"), 120, 90, 95);
  const QString zip = folder().filePath("data.ZIP");
  const QString bmp = folder().filePath("emboss.bmp");
  QFile(zip).open(QIODevice::WriteOnly);
  ASSERT_TRUE(QImage(40, 30, QImage::Format_Mono).save(bmp, "BMP"));
  const QString cwd = QDir::currentPath();

  dialogs.files = {jpeg, zip, bmp, QString()};  // the last one cancelled
  window->DataOption[3]->setChecked(true);  // each button works on its available tab
  window->ChooseJpegCommand->click();
  EXPECT_EQ(window->JpegFileText->text(), jpeg);
  EXPECT_EQ(window->QualityLabel->text(), "20%");
  EXPECT_TRUE(window->BeforeSizeLabel->text().endsWith(" bytes"));
  EXPECT_TRUE(window->AfterSizeLabel->text().endsWith(" bytes")) << window->AfterSizeLabel->text().toStdString();
  EXPECT_TRUE(QFile::exists(window->QualityWorkFile()));

  window->DataOption[4]->setChecked(true);
  window->ChooseZipCommand->click();  // only its own box changes
  EXPECT_EQ(window->ZipFileText->text(), zip);
  EXPECT_EQ(window->JpegFileText->text(), jpeg);

  window->StyleOption[2]->setChecked(true);
  window->ChooseEmbossPicture->click();  // a bitmap is accepted and painted
  EXPECT_EQ(window->EmbossFileText->text(), bmp);
  window->EmbossPicture->grab();
  EXPECT_EQ(window->LoadedPicture().size(), QSize(40, 30));

  window->DataOption[3]->setChecked(true);
  window->ChooseJpegCommand->click();  // cancelled
  EXPECT_EQ(window->JpegFileText->text(), "");

  ASSERT_EQ(dialogs.file_questions.size(), 4);
  const QStringList expected_filters[] = {Filters(pictures::kJpegFilter), Filters(pictures::kZipFilter),
                                          Filters(pictures::kEmbossFilter), Filters(pictures::kJpegFilter)};
  const QString expected_start[] = {"", jpeg, zip, bmp};  // each starts from the file chosen last
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(dialogs.file_questions[i].filters, expected_filters[i]) << i;
    EXPECT_EQ(dialogs.file_questions[i].start_file, expected_start[i]) << i;
  }
  EXPECT_EQ(QDir::currentPath(), cwd);
  EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(PicturesTest, QualityChangesRecompressOrFallBackToTheOriginal) {
  const QString jpeg = MakeJpeg(folder().filePath("small.jpg"), 64, 64, 10);
  dialogs.files = {jpeg};
  window->DataOption[2]->setChecked(true);
  window->ChooseJpegCommand->click();
  window->QualityScroll->setValue(95);
  EXPECT_EQ(window->QualityLabel->text(), "95%");
  EXPECT_EQ(window->AfterSizeLabel->text(), "using original since smaller");
  EXPECT_EQ(Contents(window->QualityWorkFile()), Contents(jpeg));

  window->QualityScroll->setValue(5);
  EXPECT_EQ(window->QualityLabel->text(), "5%");
  EXPECT_EQ(window->AfterSizeLabel->text(), QString::number(QFileInfo(window->QualityWorkFile()).size()) + " bytes");

  QFile broken(folder().filePath("broken.jpg"));
  ASSERT_TRUE(broken.open(QIODevice::WriteOnly) && broken.write("not a picture at all") == 20);
  broken.close();
  dialogs.files = {broken.fileName()};
  window->ChooseJpegCommand->click();
  EXPECT_EQ(window->BeforeSizeLabel->text(), "20 bytes");
  EXPECT_EQ(window->AfterSizeLabel->text(), "not a JPEG picture");
  EXPECT_FALSE(QFile::exists(window->QualityWorkFile()));  // nothing stale to show or send
}

TEST_F(PicturesTest, PdfPrinterAtSixHundredDotsPerInch) {
  EXPECT_EQ(window->ResolutionText->text(), "600");
  EXPECT_EQ(window->Printer().outputFormat(), QPrinter::PdfFormat);
  EXPECT_EQ(window->Printer().outputFileName(), QDir(folder().path()).filePath("Tessellux.pdf"));
  EXPECT_TRUE(window->PrinterNoteLabel->text().contains(window->Printer().outputFileName()));

  // "Select printer": the chosen printer's resolution and file are shown after.
  dialogs.choose_printer = [&](QPrinter& printer) {
    printer.setResolution(300);
    printer.setOutputFileName(folder().filePath("other.pdf"));
  };
  window->SelectPrinterCommand->click();
  EXPECT_EQ(dialogs.printer_questions, 1);
  EXPECT_EQ(window->ResolutionText->text(), "300");
  EXPECT_TRUE(window->PrinterNoteLabel->text().contains("other.pdf"));
}

TEST_F(PicturesTest, PrintAndViewWithoutASymbolSaySo) {
  QTest::mouseClick(window->PrintCommand, Qt::LeftButton);
  ASSERT_TRUE(WaitFor([&] { return !messages.shown.isEmpty(); }));
  EXPECT_EQ(messages.shown[0].title, "Nothing to Print");
  EXPECT_FALSE(QFile::exists(window->Printer().outputFileName()));

  window->ViewCommand->click();
  ASSERT_EQ(messages.shown.size(), 2);
  EXPECT_EQ(messages.shown[1].title, "Nothing to View");
}

TEST_F(PicturesTest, ViewWithNoViewerSaysWhereTheFileIs) {
  QFile symbol(window->SymbolPictureFile());
  ASSERT_TRUE(symbol.open(QIODevice::WriteOnly));
  symbol.close();
  const QByteArray path = qgetenv("PATH");
  qputenv("PATH", folder().path().toLocal8Bit());  // no opener to be found
  window->ViewCommand->click();
  qputenv("PATH", path);
  ASSERT_TRUE(WaitFor([&] { return !messages.shown.isEmpty(); }));
  ASSERT_EQ(messages.shown.size(), 1);
  EXPECT_EQ(messages.shown[0].title, "No Picture Viewer");
  EXPECT_TRUE(messages.shown[0].text.contains(window->SymbolPictureFile()));
}

}  // namespace
}  // namespace tessellux::testing
