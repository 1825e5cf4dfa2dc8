// Layout controls and the data text box: labels, "Automatic" boxes, one text format.

#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include <algorithm>

#include "app/tabs.h"
#include "geometry/labels.h"
#include "ui/main_form.h"

namespace tessellux::ui {
namespace {

QString Text(const std::string& text) { return QString::fromStdString(text); }

// Lines of a label, one under the other.
QString Text(const std::array<std::string, 2>& lines) { return Text(lines[0] + "\n" + lines[1]); }

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
// its own) needs the size merged: the cost follows the change, not the
// document, and long texts stay quick to edit.
void MainForm::DataText_Change(int position, int added) {
  if (text_change_guard_ || added <= 0) return;  // the format change below fires this again
  text_change_guard_ = true;
  QTextCursor caret = DataText->textCursor();
  const int caret_position = caret.position();
  QTextCharFormat format;
  format.setFontPointSize(kDataTextPoints);
  QTextCursor changed(DataText->document());
  changed.setPosition(position);
  changed.setPosition(std::min(position + added, DataText->document()->characterCount() - 1), QTextCursor::KeepAnchor);
  changed.mergeCharFormat(format);
  DataText->mergeCurrentCharFormat(format);
  caret.setPosition(caret_position);
  DataText->setTextCursor(caret);
  // Qt breaks a paragraph into lines in time that grows with the square of
  // its length when it has no blank (a pasted key or encoded file: 645,000
  // characters took a minute). Long texts are shown unwrapped, one line per
  // paragraph, with a horizontal scroll bar, which Qt lays out in one pass.
  const bool long_text = DataText->document()->characterCount() > kWordWrapCharacters;
  const auto wrap = long_text ? QTextEdit::NoWrap : QTextEdit::WidgetWidth;
  if (DataText->lineWrapMode() != wrap) DataText->setLineWrapMode(wrap);
  text_change_guard_ = false;
}

}  // namespace tessellux::ui
