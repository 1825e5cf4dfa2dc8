// The data text box keeps long paragraphs in short pieces joined by display
// breaks; the text read, copied and edited is still exactly what was typed.

#include <QApplication>
#include <QClipboard>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>

#include "support/window_fixture.h"
#include "ui/data_text.h"

namespace tessellux::testing {
namespace {

using DataTextPiecesTest = WindowTest;

// A text without a break opportunity whose characters differ from their
// neighbours', so that a lost, doubled or moved character shows.
QString Unbroken(int characters) {
  static const QString kAlphabet = QStringLiteral("0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ");
  QString text;
  text.reserve(characters);
  for (int i = 0; i < characters; ++i) text.append(kAlphabet[(i * 7 + i / 61) % kAlphabet.size()]);
  return text;
}

QTextDocument& Document(ui::MainForm& window) { return *window.DataText->document(); }

// Pieces that break the rules: too long, empty, or two that fit in one.
int BadPieces(QTextDocument& document) {
  int bad = 0;
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    const int characters = block.length() - 1;
    if (characters > ui::kLongestPiece) ++bad;
    if (!ui::StartsAfterDisplayBreak(block)) continue;
    const int before = block.previous().length() - 1;
    if (characters == 0 || before == 0 || before + characters <= ui::kJoinedPieceLimit) ++bad;
  }
  return bad;
}

int DisplayBreaks(QTextDocument& document) {
  int breaks = 0;
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    if (ui::StartsAfterDisplayBreak(block)) ++breaks;
  }
  return breaks;
}

// Where the caret is, counted in typed characters.
int CaretInText(ui::MainForm& window) {
  return static_cast<int>(ui::TypedText(Document(window), 0, window.DataText->textCursor().position()).size());
}

void PutCaret(ui::MainForm& window, int position) {
  QTextCursor caret = window.DataText->textCursor();
  caret.setPosition(position);
  window.DataText->setTextCursor(caret);
}

void Paste(ui::MainForm& window, const QString& text) {
  QApplication::clipboard()->setText(text);
  window.DataText->paste();
}

TEST_F(DataTextPiecesTest, TheLongestPasteComesBackExactlyFromShortPieces) {
  auto window = UnlinkedWindow();
  window->DataText->clear();
  const QString text = Unbroken(645'000);
  Paste(*window, text);
  EXPECT_TRUE(ui::DataTextAsTyped(*window->DataText) == text);
  EXPECT_GE(DisplayBreaks(Document(*window)), 645'000 / ui::kLongestPiece);
  EXPECT_EQ(BadPieces(Document(*window)), 0);
  EXPECT_EQ(CaretInText(*window), 645'000);
  for (QTextBlock block = Document(*window).begin(); block.isValid(); block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) ASSERT_EQ(it.fragment().charFormat().fontPointSize(), 14);
  }
}

TEST_F(DataTextPiecesTest, TypedParagraphsAndShortTextsHaveNoDisplayBreaks) {
  auto window = UnlinkedWindow();
  window->DataText->setPlainText(QStringLiteral("one\ntwo\n\nthree"));
  EXPECT_EQ(DisplayBreaks(Document(*window)), 0);
  EXPECT_EQ(ui::DataTextAsTyped(*window->DataText), QStringLiteral("one\ntwo\n\nthree"));
  // Paragraphs of a long text are kept: only their length is cut.
  const QString text = Unbroken(20'000) + "\n" + Unbroken(3) + "\n\n" + Unbroken(20'000);
  window->DataText->setPlainText(text);
  EXPECT_EQ(ui::DataTextAsTyped(*window->DataText), text);
  EXPECT_EQ(BadPieces(Document(*window)), 0);
}

TEST_F(DataTextPiecesTest, LongTextsWithBlanksAreCutAfterABlank) {
  auto window = UnlinkedWindow();
  QString text;
  for (int i = 0; text.size() < 40'000; ++i) text += QStringLiteral("word%1 ").arg(i);
  window->DataText->setPlainText(text);
  EXPECT_EQ(ui::DataTextAsTyped(*window->DataText), text);
  EXPECT_GT(DisplayBreaks(Document(*window)), 0);
  for (QTextBlock block = Document(*window).begin().next(); block.isValid(); block = block.next()) {
    EXPECT_TRUE(block.previous().text().endsWith(QLatin1Char(' '))) << block.previous().text().right(12).toStdString();
  }
}

// A cut after a line break would show an empty line before the next piece.
TEST_F(DataTextPiecesTest, NoPieceEndsWithALineBreak) {
  auto window = UnlinkedWindow();
  QString text;
  while (text.size() < 30'000) text += Unbroken(99) + QChar(QChar::LineSeparator);
  window->DataText->setPlainText(text);
  EXPECT_EQ(ui::DataTextAsTyped(*window->DataText), QString(text).replace(QChar(QChar::LineSeparator), u'\n'));
  EXPECT_GT(DisplayBreaks(Document(*window)), 0);
  for (QTextBlock block = Document(*window).begin(); block.isValid(); block = block.next()) {
    if (ui::StartsAfterDisplayBreak(block.next())) {
      EXPECT_FALSE(block.text().endsWith(QChar(QChar::LineSeparator)));
    }
  }
}

TEST_F(DataTextPiecesTest, CutsNeverSplitACharacter) {
  auto window = UnlinkedWindow();
  window->DataText->clear();
  QString text;
  while (text.size() < 30'000) text += QStringLiteral("\U0001F600e\u0301");  // a pair of surrogates; e with a mark
  Paste(*window, text);
  EXPECT_TRUE(ui::DataTextAsTyped(*window->DataText) == text);
  EXPECT_EQ(BadPieces(Document(*window)), 0);
  for (QTextBlock block = Document(*window).begin(); block.isValid(); block = block.next()) {
    const QString piece = block.text();
    ASSERT_FALSE(piece.isEmpty());
    EXPECT_FALSE(piece.front().isLowSurrogate());
    EXPECT_FALSE(piece.back().isHighSurrogate());
    EXPECT_NE(piece.front(), QChar(0x0301));
  }
}

TEST_F(DataTextPiecesTest, TypingAndPastingInTheMiddleOfALongText) {
  auto window = UnlinkedWindow();
  QString text = Unbroken(100'000);
  window->DataText->setPlainText(text);
  const QTextBlock fifth = Document(*window).findBlockByNumber(5);
  PutCaret(*window, fifth.position() + 100);
  const int at = CaretInText(*window);
  QTest::keyClicks(window->DataText, "XYZ");
  text.insert(at, QStringLiteral("XYZ"));
  EXPECT_TRUE(ui::DataTextAsTyped(*window->DataText) == text);
  EXPECT_EQ(CaretInText(*window), at + 3);
  EXPECT_FALSE(window->DataText->textCursor().hasSelection());

  // A paste that makes its piece too long cuts it again.
  const QString pasted = Unbroken(2 * ui::kLongestPiece).toLower();
  Paste(*window, pasted);
  text.insert(at + 3, pasted);
  EXPECT_TRUE(ui::DataTextAsTyped(*window->DataText) == text);
  EXPECT_EQ(CaretInText(*window), at + 3 + pasted.size());
  EXPECT_EQ(BadPieces(Document(*window)), 0);
}

TEST_F(DataTextPiecesTest, DeletingJoinsPiecesThatBecameShort) {
  auto window = UnlinkedWindow();
  QString text = Unbroken(5 * ui::kPieceCharacters);
  window->DataText->setPlainText(text);
  const int breaks = DisplayBreaks(Document(*window));
  ASSERT_GE(breaks, 2);
  // Everything of the second piece but one character, then that one too.
  const QTextBlock second = Document(*window).findBlockByNumber(1);
  const int from_text = static_cast<int>(ui::TypedText(Document(*window), 0, second.position()).size());
  const int characters = second.length() - 1;
  QTextCursor selection = window->DataText->textCursor();
  selection.setPosition(second.position());
  selection.setPosition(second.position() + characters - 1, QTextCursor::KeepAnchor);
  window->DataText->setTextCursor(selection);
  QTest::keyClick(window->DataText, Qt::Key_Delete);
  QTest::keyClick(window->DataText, Qt::Key_Delete);
  text.remove(from_text, characters);
  EXPECT_TRUE(ui::DataTextAsTyped(*window->DataText) == text);
  EXPECT_LT(DisplayBreaks(Document(*window)), breaks);
  EXPECT_EQ(BadPieces(Document(*window)), 0);
}

TEST_F(DataTextPiecesTest, EditingKeysStepOverDisplayBreaks) {
  auto window = UnlinkedWindow();
  QString text = Unbroken(3 * ui::kLongestPiece);
  window->DataText->setPlainText(text);
  QTextDocument& document = Document(*window);
  const int end_of_first = document.begin().length() - 1;  // the display break's position
  ASSERT_TRUE(ui::IsDisplayBreak(document, end_of_first));

  PutCaret(*window, end_of_first);
  QTest::keyClick(window->DataText, Qt::Key_Right);
  EXPECT_EQ(CaretInText(*window), end_of_first + 1);
  QTest::keyClick(window->DataText, Qt::Key_Left);
  EXPECT_EQ(CaretInText(*window), end_of_first);
  QTest::keyClick(window->DataText, Qt::Key_Left);
  EXPECT_EQ(CaretInText(*window), end_of_first - 1);
  QTest::keyClick(window->DataText, Qt::Key_Right, Qt::ShiftModifier);
  QTest::keyClick(window->DataText, Qt::Key_Right, Qt::ShiftModifier);
  const QTextCursor selection = window->DataText->textCursor();
  EXPECT_EQ(ui::TypedText(document, selection.selectionStart(), selection.selectionEnd()), text.mid(end_of_first - 1, 2));

  // Backspace at the start of a piece and Delete at the end of one remove
  // a character, not the display break.
  PutCaret(*window, end_of_first + 1);
  QTest::keyClick(window->DataText, Qt::Key_Backspace);
  text.remove(end_of_first - 1, 1);
  EXPECT_TRUE(ui::DataTextAsTyped(*window->DataText) == text);
  const int break_now = document.begin().length() - 1;
  PutCaret(*window, break_now);
  const int at = CaretInText(*window);
  QTest::keyClick(window->DataText, Qt::Key_Delete);
  text.remove(at, 1);
  EXPECT_TRUE(ui::DataTextAsTyped(*window->DataText) == text);
  EXPECT_EQ(CaretInText(*window), at);
}

TEST_F(DataTextPiecesTest, ReturnAtAPieceStartIsAParagraphOfTheText) {
  auto window = UnlinkedWindow();
  QString text = Unbroken(3 * ui::kLongestPiece);
  window->DataText->setPlainText(text);
  const QTextBlock second = Document(*window).findBlockByNumber(1);
  PutCaret(*window, second.position());
  const int at = CaretInText(*window);
  QTest::keyClick(window->DataText, Qt::Key_Return);
  QTest::keyClicks(window->DataText, "q");
  text.insert(at, QStringLiteral("\nq"));
  EXPECT_TRUE(ui::DataTextAsTyped(*window->DataText) == text);
  QTest::keyClick(window->DataText, Qt::Key_Home);
  QTest::keyClick(window->DataText, Qt::Key_Return);
  text.insert(at + 1, QLatin1Char('\n'));
  EXPECT_TRUE(ui::DataTextAsTyped(*window->DataText) == text);
}

TEST_F(DataTextPiecesTest, CopiesLeaveDisplayBreaksOut) {
  auto window = UnlinkedWindow();
  const QString text = Unbroken(3 * ui::kLongestPiece) + "\nend";
  window->DataText->setPlainText(text);
  window->DataText->selectAll();
  window->DataText->copy();
  EXPECT_TRUE(QApplication::clipboard()->text() == text);

  // A selection within one piece copies as the box always did.
  PutCaret(*window, 1);
  QTextCursor selection = window->DataText->textCursor();
  selection.setPosition(5, QTextCursor::KeepAnchor);
  window->DataText->setTextCursor(selection);
  window->DataText->copy();
  EXPECT_EQ(QApplication::clipboard()->text(), text.mid(1, 4));
}

TEST_F(DataTextPiecesTest, UndoAndRedoOfALongPaste) {
  auto window = UnlinkedWindow();
  window->DataText->clear();
  QTest::keyClicks(window->DataText, "ab");
  const QString pasted = Unbroken(50'000);
  Paste(*window, pasted);
  ASSERT_TRUE(ui::DataTextAsTyped(*window->DataText) == "ab" + pasted);
  window->DataText->undo();
  EXPECT_EQ(ui::DataTextAsTyped(*window->DataText), QStringLiteral("ab"));
  EXPECT_EQ(DisplayBreaks(Document(*window)), 0);
  window->DataText->redo();
  EXPECT_TRUE(ui::DataTextAsTyped(*window->DataText) == "ab" + pasted);
  EXPECT_EQ(BadPieces(Document(*window)), 0);
  EXPECT_TRUE(Document(*window).isUndoAvailable());
}

TEST_F(DataTextPiecesTest, TheMarkStaysOnDisplayBreaks) {
  auto window = UnlinkedWindow();
  QString text = Unbroken(3 * ui::kLongestPiece);
  window->DataText->setPlainText(text);
  // Characters given a display break's own format (as a program could) lose
  // the mark, so that a Return typed after them stays in the text.
  QTextDocument& document = Document(*window);
  const QTextBlock second = document.findBlockByNumber(1);
  const int at = static_cast<int>(ui::TypedText(document, 0, second.position()).size());
  QTextCursor cursor(&document);
  cursor.setPosition(second.position());
  cursor.insertText(QStringLiteral("mm"), second.charFormat());
  PutCaret(*window, cursor.position());
  QTest::keyClick(window->DataText, Qt::Key_Return);
  text.insert(at, QStringLiteral("mm\n"));
  EXPECT_TRUE(ui::DataTextAsTyped(*window->DataText) == text);
}

}  // namespace
}  // namespace tessellux::testing
