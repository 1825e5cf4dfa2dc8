#pragma once

#include <QString>
#include <QTextCursor>
#include <QTextEdit>

class QTextBlock;
class QTextDocument;

namespace tessellux::ui {

// The box's whole text exactly as typed: non-breaking spaces stay (plain-text
// export would turn them into spaces); paragraph and line separators become
// "\n"; display breaks (below) are left out.
QString DataTextAsTyped(const QTextEdit& box);

// The same for the document's characters from `from` to `to`.
QString TypedText(QTextDocument& document, int from, int to);

// Display breaks. Qt lays a paragraph out as one piece and lays it out again
// whole on every change to it, in time that grows with its length (with
// the square of it when the paragraph has no break opportunity), so a
// 645,000-character paste took a minute and each keystroke half a second.
// The box therefore keeps every paragraph short by cutting long ones into
// pieces joined by display breaks: paragraph separators whose character
// format carries a mark. They are no part of the text: DataTextAsTyped,
// copying and the editing keys step over them.
bool StartsAfterDisplayBreak(const QTextBlock& block);
bool IsDisplayBreak(QTextDocument& document, int position);

// Edits the box makes after a change: one edit block joined to the
// change's own undo step, opened at the first edit only, so that a change
// needing none (an undo, a redo) leaves the history alone. Qt lays the text
// out once, when the last edit is done.
class JoinedEdit {
 public:
  explicit JoinedEdit(QTextDocument& document);
  JoinedEdit(const JoinedEdit&) = delete;
  JoinedEdit& operator=(const JoinedEdit&) = delete;
  ~JoinedEdit();

  QTextDocument& Document() { return *cursor_.document(); }
  // The edit cursor, opened, at `position`.
  QTextCursor& At(int position);

 private:
  QTextCursor cursor_;
  bool open_ = false;
};

// After a change that left `added` characters from `position` on: cuts the
// paragraphs there that grew too long, joins pieces that became too short,
// and keeps the mark on display breaks alone.
void KeepPiecesShort(JoinedEdit& edit, int position, int added);

// Puts a display break at the cursor.
void InsertDisplayBreak(QTextCursor& cursor);

// Paragraph pieces hold at most kLongestPiece characters; a long paragraph
// is cut every kPieceCharacters, at a break opportunity a little before if
// there is one, so pieces of a cut hold at least 7/8 of kPieceCharacters.
// Two pieces are joined again when together they hold no more than
// kJoinedPieceLimit characters, which pieces of a cut never do, or when one
// of them is empty.
inline constexpr int kPieceCharacters = 4096;
inline constexpr int kLongestPiece = 2 * kPieceCharacters;
inline constexpr int kJoinedPieceLimit = kPieceCharacters + kPieceCharacters / 2;

// The window's data text box: a rich-text box whose copies and editing keys
// treat display breaks as absent.
class DataTextBox : public QTextEdit {
  Q_OBJECT

 public:
  using QTextEdit::QTextEdit;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  QMimeData* createMimeDataFromSelection() const override;
};

}  // namespace tessellux::ui
