#pragma once

// A window linked to the reference Code Generator on loopback, working in a
// scratch folder, and the reader run on what it fetched.

#include <QDir>
#include <QProcess>
#include <QTabWidget>
#include <QTcpServer>
#include <QTemporaryDir>

#include "app/tabs.h"
#include "support/window_fixture.h"

namespace tessellux::testing {

class LiveCodegenWindowTest : public WindowTest {
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

  void Build() {
    window->SSTab->setCurrentIndex(app::kViewPrintTab);
    EXPECT_TRUE(WaitUntilBuilt(*window));
  }

  QTemporaryDir dir;
  QString previous_dir;
  QProcess codegen;
  quint16 port = 0;
  std::unique_ptr<ui::MainForm> window;
};

}  // namespace tessellux::testing
