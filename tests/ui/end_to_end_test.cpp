// The whole system on loopback: the window builds symbols with the reference
// Code Generator, and the reader decodes what was fetched.

#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProcess>
#include <QRadioButton>
#include <QScrollBar>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTextEdit>

#include "app/tabs.h"
#include "support/window_fixture.h"

namespace tessellux::testing {
namespace {

class EndToEndTest : public WindowTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    previous_dir = QDir::currentPath();
    QDir::setCurrent(dir.path());
    ASSERT_TRUE(StartCodeGenerator());
    window = MakeWindow(port);
    ASSERT_TRUE(WaitFor([&] { return window->Link().LinkUp(); })) << "no link to tessellux-codegen";
    EXPECT_EQ(window->CompanyNameText->text(), "Loopback Labs");
  }

  void TearDown() override {
    window.reset();
    codegen.kill();
    codegen.waitForFinished(3000);
    QDir::setCurrent(previous_dir);
  }

  bool StartCodeGenerator() {
    for (int attempt = 0; attempt < 5; ++attempt) {
      QTcpServer probe;
      if (!probe.listen(QHostAddress::LocalHost, 0)) continue;
      port = probe.serverPort();
      probe.close();
      codegen.start(TESSELLUX_CODEGEN_PATH, {"--bind", "127.0.0.1", "--port", QString::number(port), "--company",
                                             "Loopback Labs"});
      if (!codegen.waitForStarted(3000)) return false;
      if (WaitFor([&] { return codegen.state() != QProcess::Running ||
                               codegen.readAllStandardOutput().contains("listening") ||
                               codegen.readAllStandardError().contains("listening"); },
                  3000) &&
          codegen.state() == QProcess::Running)
        return true;
      codegen.kill();
      codegen.waitForFinished(1000);
    }
    return false;
  }

  // The reader's report on the symbol picture file, with its exit code.
  QString Read(const QStringList& extra, int* exit_code) {
    QProcess reader;
    reader.start(TESSELLUX_READ_PATH, QStringList{window->SymbolPictureFile()} + extra);
    reader.waitForFinished(20000);
    *exit_code = reader.exitCode();
    return QString::fromUtf8(reader.readAllStandardOutput() + reader.readAllStandardError());
  }

  void Build() { window->SSTab->setCurrentIndex(app::kViewPrintTab); }

  QTemporaryDir dir;
  QString previous_dir;
  QProcess codegen;
  quint16 port = 0;
  std::unique_ptr<ui::MainForm> window;
};

TEST_F(EndToEndTest, TypedTextComesBackFromTheFetchedPicture) {
  window->DataOption[1]->setChecked(true);
  window->DataText->setPlainText(QStringLiteral("Grüße aus dem Labor — 42"));
  Build();
  ASSERT_TRUE(messages.shown.isEmpty()) << messages.shown[0].text.toStdString();
  EXPECT_EQ(window->TotalBytesText->text().isEmpty(), false);
  int code = -1;
  const QString report = Read({}, &code);
  EXPECT_EQ(code, 0) << report.toStdString();
  EXPECT_TRUE(report.contains(QStringLiteral("Grüße aus dem Labor — 42"))) << report.toStdString();
  EXPECT_EQ(window->LoadedPicture().width(), window->SymbolPixelWidth());
}

TEST_F(EndToEndTest, NonBreakingSpaceComesBackUnchanged) {
  window->DataOption[1]->setChecked(true);
  window->DataText->clear();
  const QString typed = QStringLiteral("10\u00A0km\nnext line");
  for (QChar c : typed) {
    QKeyEvent press(QEvent::KeyPress, c == '\n' ? Qt::Key_Return : 0, Qt::NoModifier, QString(c));
    QCoreApplication::sendEvent(window->DataText, &press);
  }
  Build();
  ASSERT_TRUE(messages.shown.isEmpty()) << messages.shown[0].text.toStdString();
  int code = -1;
  const QString report = Read({}, &code);
  EXPECT_EQ(code, 0) << report.toStdString();
  EXPECT_TRUE(report.contains(typed)) << report.toStdString();
}

TEST_F(EndToEndTest, MirroredPrivateSymbolOpensOnlyWithThePhrase) {
  window->MirrorCheck->setChecked(true);
  window->GridSizeScroll->setValue(5);
  window->ThicknessScroll->setValue(1);
  window->StyleOption[1]->setChecked(true);  // dots
  window->PrivateOption->setChecked(true);
  window->SecretPhraseText[0]->setText("open sesame");
  Build();
  ASSERT_TRUE(messages.shown.isEmpty()) << messages.shown[0].text.toStdString();
  // 5 x (8c + 2) pixels for dots.
  EXPECT_EQ(window->SymbolPixelWidth() % 5, 0);
  int code = -1;
  QString report = Read({"--company", "Loopback Labs", "--secret-phrase", "open sesame"}, &code);
  EXPECT_EQ(code, 0) << report.toStdString();
  EXPECT_TRUE(report.contains("https://www.example.com/")) << report.toStdString();
  report = Read({"--company", "Loopback Labs", "--secret-phrase", "wrong"}, &code);
  EXPECT_EQ(code, 3) << report.toStdString();
  EXPECT_FALSE(report.contains("https://www.example.com/"));
}

}  // namespace
}  // namespace tessellux::testing
