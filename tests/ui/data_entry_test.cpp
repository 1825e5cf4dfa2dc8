#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>

#include "support/window_fixture.h"

namespace tessellux::testing {
namespace {

using DataEntryTest = WindowTest;

// Every character of the box has the one 14-point format.
bool AllFourteenPoint(QTextEdit& box) {
  for (QTextBlock block = box.document()->begin(); block.isValid(); block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      if (it.fragment().charFormat().fontPointSize() != 14) return false;
    }
  }
  return true;
}

TEST_F(DataEntryTest, PastedMixedSizesEndInOneFormat) {
  ScriptedPeer peer;
  peer.answer_discovery = false;
  auto window = MakeWindow(peer.port());
  window->DataText->setHtml("<span style='font-size:30pt'>big</span> <b style='font-size:6pt'>small</b>");
  EXPECT_EQ(window->DataText->toPlainText(), "big small");
  EXPECT_TRUE(AllFourteenPoint(*window->DataText));
}

TEST_F(DataEntryTest, TypingInTheMiddleKeepsTheCaretAfterIt) {
  ScriptedPeer peer;
  peer.answer_discovery = false;
  auto window = MakeWindow(peer.port());
  window->DataText->setPlainText("abcd");
  QTextCursor caret = window->DataText->textCursor();
  caret.setPosition(2);
  window->DataText->setTextCursor(caret);
  QTest::keyClicks(window->DataText, "X");
  EXPECT_EQ(window->DataText->toPlainText(), "abXcd");
  EXPECT_EQ(window->DataText->textCursor().position(), 3);
  EXPECT_FALSE(window->DataText->textCursor().hasSelection());
  EXPECT_TRUE(AllFourteenPoint(*window->DataText));
}

}  // namespace
}  // namespace tessellux::testing
