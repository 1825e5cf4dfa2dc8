// Layout controls and the data text box: labels, "Automatic" boxes, one text format.

#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include <algorithm>

#include "app/tabs.h"
#include "geometry/labels.h"
#include "ui/data_text.h"
#include "ui/main_form.h"

namespace tessellux::ui {
namespace {

QString Text(const std::string& text) { return QString::fromStdString(text); }

// Lines of a label, one under the other.
QString Text(const std::array<std::string, 2>& lines) { return Text(lines[0] + "\n" + lines[1]); }

// Whether every character from `from` to `to` already has the size.
bool AllAtSize(QTextDocument& document, int from, int to, qreal points) {
  for (QTextBlock block = document.findBlock(from); block.isValid() && block.position() < to; block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      if (fragment.position() >= to || fragment.position() + fragment.length() <= from) continue;
      if (fragment.charFormat().fontPointSize() != points) return false;
    }
  }
  return true;
}

}  // namespace

void MainForm::ThicknessScroll_Change() {
  ThicknessLabel->setText(Text(geometry::ThicknessLabel(ThicknessScroll->value(), SelectedStyle())));
}

void MainForm::GridSizeScroll_Change() {
  GridSizeLabel->setText(Text(geometry::GridSizeLabel(GridSizeScroll->value())));
}

// A manual choice on the "Geometry" tab ends the automatic choice; the
// values that a generation writes back (on "View/Print") leave it alone.
void MainForm::BlockRowsScroll_Change() {
  RowsLabel->setText(Text(geometry::RowsLabel(BlockRowsScroll->value())));
  if (SSTab->currentIndex() == app::kGeometryTab) AutomaticSizeCheck->setChecked(false);
}

void MainForm::BlockColsScroll_Change() {
  ColumnsLabel->setText(Text(geometry::ColumnsLabel(BlockColsScroll->value())));
  if (SSTab->currentIndex() == app::kGeometryTab) AutomaticSizeCheck->setChecked(false);
}

void MainForm::ErrorCorrectionScroll_Change() {
  ErrorCorrectionLabel->setText(Text(geometry::ErrorCorrectionLabel(ErrorCorrectionScroll->value())));
  if (SSTab->currentIndex() == app::kGeometryTab) AutomaticErrorCheck->setChecked(false);
}

// Every change leaves the whole text at 14 points, keeping the caret and
// every other attribute of the characters. The document's own font is 14
// points, so only what a change brought in (pasted rich text with sizes of
// its own) can need the size merged: the cost follows the change, not the
// document, and a change already at 14 points (typing, an undo) is left
// alone. Long paragraphs are first kept in short pieces (display breaks),
// so that Qt never lays a long one out: it does so in time that grows with
// the square of its length.
void MainForm::DataText_Change(int position, int added) {
  if (text_change_guard_) return;  // the edits below fire this again
  text_change_guard_ = true;
  QTextDocument& document = *DataText->document();
  QTextCursor changed(&document);  // follows the display breaks put in or taken out
  changed.setPosition(position);
  changed.setPosition(std::min(position + added, document.characterCount() - 1), QTextCursor::KeepAnchor);
  QTextCharFormat format;
  format.setFontPointSize(kDataTextPoints);
  {
    JoinedEdit edit(document);
    KeepPiecesShort(edit, position, added);
    if (added > 0 && !AllAtSize(document, changed.selectionStart(), changed.selectionEnd(), kDataTextPoints)) {
      QTextCursor caret = DataText->textCursor();
      const int caret_position = caret.position();
      QTextCursor& merge = edit.At(changed.selectionStart());
      merge.setPosition(changed.selectionEnd(), QTextCursor::KeepAnchor);
      merge.mergeCharFormat(format);
      caret.setPosition(caret_position);
      DataText->setTextCursor(caret);
    }
  }
  if (added > 0) DataText->mergeCurrentCharFormat(format);
  text_change_guard_ = false;
}

}  // namespace tessellux::ui
