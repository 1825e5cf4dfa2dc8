#include <QKeyEvent>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>

#include "support/window_fixture.h"
#include "ui/data_text.h"

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

// Types each character as a key press carrying that text (any character,
// unlike QTest::keyClicks).
void Type(QWidget& box, const QString& text) {
  for (QChar c : text) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
    QCoreApplication::sendEvent(&box, &press);
    QCoreApplication::sendEvent(&box, &release);
  }
}

TEST_F(DataEntryTest, PastedMixedSizesEndInOneFormat) {
  auto window = UnlinkedWindow();
  window->DataText->setHtml("<span style='font-size:30pt'>big</span> <b style='font-size:6pt'>small</b>");
  EXPECT_EQ(window->DataText->toPlainText(), "big small");
  EXPECT_TRUE(AllFourteenPoint(*window->DataText));
}

TEST_F(DataEntryTest, TypingInTheMiddleKeepsTheCaretAfterIt) {
  auto window = UnlinkedWindow();
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

TEST_F(DataEntryTest, SizeIsSetAndEveryOtherAttributeKept) {
  auto window = UnlinkedWindow();
  window->DataText->setHtml("plain <b>bold</b> <i style='font-size:30pt'>italic</i>");
  QTextCursor cursor(window->DataText->document());
  cursor.setPosition(8);  // inside "bold"
  EXPECT_TRUE(cursor.charFormat().font().bold());
  cursor.setPosition(13);  // inside "italic"
  EXPECT_TRUE(cursor.charFormat().font().italic());
  EXPECT_TRUE(AllFourteenPoint(*window->DataText));
}

// A long text in one size pasted as rich text ends in one format, and
// typing in its middle formats only what it brought in.
TEST_F(DataEntryTest, LongTextsStayInOneFormat) {
  auto window = UnlinkedWindow();
  window->DataText->clear();
  window->DataText->insertHtml("<span style='font-size:30pt'>" + QString(60'000, QLatin1Char('k')) + "</span>");
  QTextCursor caret = window->DataText->textCursor();
  caret.setPosition(30'000);
  window->DataText->setTextCursor(caret);
  QTest::keyClicks(window->DataText, "Z");
  EXPECT_EQ(window->DataText->textCursor().position(), 30'001);
  const QString typed = ui::DataTextAsTyped(*window->DataText);
  EXPECT_EQ(typed.size(), 60'001);
  EXPECT_EQ(typed.count(QLatin1Char('Z')), 1);
  EXPECT_TRUE(AllFourteenPoint(*window->DataText));

  window->DataText->setPlainText("short words wrap at blanks");
  EXPECT_EQ(window->DataText->lineWrapMode(), QTextEdit::WidgetWidth);
  EXPECT_TRUE(AllFourteenPoint(*window->DataText));
}

TEST_F(DataEntryTest, TextIsReadExactlyAsTyped) {
  auto window = UnlinkedWindow();
  window->DataText->clear();
  Type(*window->DataText, QStringLiteral("a\u00A0b"));
  QTest::keyClick(window->DataText, Qt::Key_Return);
  Type(*window->DataText, QStringLiteral("c"));
  QTest::keyClick(window->DataText, Qt::Key_Return, Qt::ShiftModifier);  // a line break inside the paragraph
  Type(*window->DataText, QStringLiteral("d\u2009e"));
  EXPECT_EQ(ui::DataTextAsTyped(*window->DataText), QStringLiteral("a\u00A0b\nc\nd\u2009e"));
  EXPECT_EQ(window->DataText->toPlainText(), QStringLiteral("a b\nc\nd\u2009e"));  // what the box's plain text gives
}

}  // namespace
}  // namespace tessellux::testing
