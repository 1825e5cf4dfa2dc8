// The whole system on loopback: the window builds symbols with the reference
// Code Generator, and the reader decodes what was fetched.

#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QTextEdit>

#include "support/live_codegen_window.h"

namespace tessellux::testing {
namespace {

using EndToEndTest = LiveCodegenWindowTest;

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
  // The reader shows a line break inside the text as "\n".
  EXPECT_TRUE(report.contains(QStringLiteral("Text: 10\u00A0km\\nnext line"))) << report.toStdString();
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
