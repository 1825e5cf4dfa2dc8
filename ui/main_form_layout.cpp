// Layout controls and the data text box: labels, "Automatic" boxes, one text format.

#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTextCursor>
#include <QTextEdit>

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

// Every change gives the whole text a size of 14 points, keeping the caret
// and every other attribute of the characters.
void MainForm::DataText_Change() {
  if (text_change_guard_) return;  // the format change below fires this again
  text_change_guard_ = true;
  QTextCursor caret = DataText->textCursor();
  const int position = caret.position();
  QTextCharFormat format;
  format.setFontPointSize(14);
  QTextCursor all(DataText->document());
  all.select(QTextCursor::Document);
  all.mergeCharFormat(format);
  DataText->mergeCurrentCharFormat(format);
  caret.setPosition(position);
  DataText->setTextCursor(caret);
  text_change_guard_ = false;
}

}  // namespace tessellux::ui
