// Display breaks: long paragraphs of the data text box kept in short pieces.

#include <QTextBlock>
#include <QTextBoundaryFinder>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <vector>

#include "ui/data_text.h"

namespace tessellux::ui {
namespace {

constexpr int kDisplayBreakMark = QTextFormat::UserProperty + 1;

// How far back from the ideal cut a break opportunity or the start of a
// character (a letter with its marks) is looked for. Bounded, so that a
// text without any costs no more than one with them.
constexpr int kWordSearch = kPieceCharacters / 8;
constexpr int kCharacterSearch = 64;

int Characters(const QTextBlock& block) { return block.length() - 1; }

// The nearest position at or before `ideal`, and after `floor`, that
// `fits`; -1 when there is none.
template <typename Fits>
qsizetype NearestBefore(qsizetype ideal, qsizetype floor, Fits fits) {
  for (qsizetype position = ideal; position > floor; --position) {
    if (fits(position)) return position;
  }
  return -1;
}

// Offsets in `text` where a paragraph this long is cut into pieces: a
// break opportunity, else the start of a character.
std::vector<qsizetype> Cuts(const QString& text) {
  QTextBoundaryFinder words(QTextBoundaryFinder::Line, text);
  QTextBoundaryFinder characters(QTextBoundaryFinder::Grapheme, text);
  const auto word_start = [&](qsizetype position) {
    words.setPosition(position);
    return words.isAtBoundary();
  };
  const auto character_start = [&](qsizetype position) {
    characters.setPosition(position);
    return characters.isAtBoundary();
  };
  std::vector<qsizetype> cuts;
  qsizetype start = 0;
  while (text.size() - start > kLongestPiece) {
    const qsizetype ideal = start + kPieceCharacters;
    qsizetype cut = NearestBefore(ideal, ideal - kWordSearch, word_start);
    if (cut < 0) cut = NearestBefore(ideal, ideal - kCharacterSearch, character_start);
    if (cut < 0) cut = text[ideal].isLowSurrogate() ? ideal - 1 : ideal;
    cuts.push_back(cut);
    start = cut;
  }
  return cuts;
}

void Cut(JoinedEdit& edit, const QTextBlock& block) {
  const std::vector<qsizetype> cuts = Cuts(block.text());
  const int start = block.position();
  // From the last cut back, so that the offsets before stay where they are.
  for (auto cut = cuts.rbegin(); cut != cuts.rend(); ++cut) {
    InsertDisplayBreak(edit.At(start + static_cast<int>(*cut)));
  }
}

bool ShouldJoin(const QTextBlock& piece) {
  if (!StartsAfterDisplayBreak(piece)) return false;
  const int before = Characters(piece.previous());
  const int after = Characters(piece);
  return before + after <= kJoinedPieceLimit || before == 0 || after == 0;
}

// Characters carry no mark: a separator typed after a marked character
// would take the mark and vanish from the text.
void UnmarkCharacters(JoinedEdit& edit, const QTextBlock& block) {
  struct Marked {
    int from;
    int to;
    QTextCharFormat format;
  };
  std::vector<Marked> marked;  // gathered first: reformatting moves the fragments
  for (auto it = block.begin(); !it.atEnd(); ++it) {
    const QTextFragment fragment = it.fragment();
    QTextCharFormat format = fragment.charFormat();
    if (!format.hasProperty(kDisplayBreakMark)) continue;
    format.clearProperty(kDisplayBreakMark);
    marked.push_back({fragment.position(), fragment.position() + fragment.length(), format});
  }
  for (const Marked& run : marked) {
    QTextCursor& cursor = edit.At(run.from);
    cursor.setPosition(run.to, QTextCursor::KeepAnchor);
    cursor.setCharFormat(run.format);
  }
}

}  // namespace

void InsertDisplayBreak(QTextCursor& cursor) {
  QTextCharFormat mark = cursor.charFormat();
  mark.setProperty(kDisplayBreakMark, true);
  cursor.insertBlock(cursor.blockFormat(), mark);
}

bool StartsAfterDisplayBreak(const QTextBlock& block) {
  return block.isValid() && block.position() > 0 && block.charFormat().boolProperty(kDisplayBreakMark);
}

bool IsDisplayBreak(QTextDocument& document, int position) {
  const QTextBlock next = document.findBlock(position + 1);
  return next.isValid() && next.position() == position + 1 && StartsAfterDisplayBreak(next);
}

JoinedEdit::JoinedEdit(QTextDocument& document) : cursor_(&document) {}

JoinedEdit::~JoinedEdit() {
  if (open_) cursor_.endEditBlock();
}

QTextCursor& JoinedEdit::At(int position) {
  if (!open_) cursor_.joinPreviousEditBlock();
  open_ = true;
  cursor_.setPosition(position);
  return cursor_;
}

void KeepPiecesShort(JoinedEdit& edit, int position, int added) {
  QTextDocument& document = edit.Document();
  const int last_position = std::clamp(position + added, 0, document.characterCount() - 1);
  QTextBlock first = document.findBlock(std::clamp(position, 0, last_position));
  QTextBlock last = document.findBlock(last_position);
  if (first.previous().isValid()) first = first.previous();
  if (last.next().isValid()) last = last.next();
  // From the last paragraph back: an edit moves only what follows it.
  for (QTextBlock block = last;;) {
    const QTextBlock previous = block.previous();
    const bool at_first = block == first;
    UnmarkCharacters(edit, block);
    if (Characters(block) > kLongestPiece) Cut(edit, block);
    if (ShouldJoin(block)) edit.At(block.position() - 1).deleteChar();
    if (at_first || !previous.isValid()) break;
    block = previous;
  }
}

}  // namespace tessellux::ui
