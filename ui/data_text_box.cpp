// The data text box: display breaks are no part of what is copied or edited.

#include <QKeyEvent>
#include <QMimeData>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

#include "ui/data_text.h"

namespace tessellux::ui {
namespace {

bool HasDisplayBreak(QTextDocument& document, int from, int to) {
  for (QTextBlock block = document.findBlock(from).next(); block.isValid() && block.position() <= to;
       block = block.next()) {
    if (StartsAfterDisplayBreak(block)) return true;
  }
  return false;
}

}  // namespace

// Backspace at the start of a piece and Delete at its end (with Ctrl, the
// word) remove what is on the far side of the display break. A caret
// movement that stopped on the other side of a display break goes on by
// one: both sides are the same place in the text.
void DataTextBox::keyPressEvent(QKeyEvent* event) {
  QTextDocument& text = *document();
  QTextCursor caret = textCursor();
  const int at = caret.position();
  if (!caret.hasSelection()) {
    if (event->key() == Qt::Key_Backspace && at > 0 && IsDisplayBreak(text, at - 1)) {
      caret.setPosition(at - 1);
      setTextCursor(caret);
    } else if (event->key() == Qt::Key_Delete && IsDisplayBreak(text, at)) {
      caret.setPosition(at + 1);
      setTextCursor(caret);
    }
  }
  const int revision = text.revision();
  const int before = textCursor().position();
  QTextEdit::keyPressEvent(event);
  caret = textCursor();
  const int after = caret.position();
  if (text.revision() != revision || std::abs(after - before) != 1) return;
  if (!IsDisplayBreak(text, std::min(before, after))) return;
  const auto keep = caret.anchor() == after ? QTextCursor::MoveAnchor : QTextCursor::KeepAnchor;
  caret.movePosition(after > before ? QTextCursor::NextCharacter : QTextCursor::PreviousCharacter, keep);
  setTextCursor(caret);
}

QMimeData* DataTextBox::createMimeDataFromSelection() const {
  const QTextCursor selection = textCursor();
  QTextDocument& text = *document();
  if (!HasDisplayBreak(text, selection.selectionStart(), selection.selectionEnd())) {
    return QTextEdit::createMimeDataFromSelection();
  }
  auto* data = new QMimeData;
  data->setText(TypedText(text, selection.selectionStart(), selection.selectionEnd()));
  return data;
}

}  // namespace tessellux::ui
