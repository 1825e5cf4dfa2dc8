#include "ui/data_text.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <vector>

namespace tessellux::ui {

QString DataTextAsTyped(const QTextEdit& box) {
  QTextDocument& document = *box.document();
  return TypedText(document, 0, document.characterCount() - 1);
}

QString TypedText(QTextDocument& document, int from, int to) {
  QTextCursor range(&document);
  range.setPosition(from);
  range.setPosition(to, QTextCursor::KeepAnchor);
  const QString raw = range.selectedText();
  std::vector<int> display_breaks;  // offsets in `raw`, ascending
  for (QTextBlock block = document.findBlock(from).next(); block.isValid() && block.position() <= to;
       block = block.next()) {
    if (StartsAfterDisplayBreak(block)) display_breaks.push_back(block.position() - 1 - from);
  }
  QString text;
  text.reserve(raw.size() - static_cast<qsizetype>(display_breaks.size()));
  auto next_break = display_breaks.begin();
  for (int i = 0; i < raw.size(); ++i) {
    if (next_break != display_breaks.end() && *next_break == i) {
      ++next_break;
      continue;
    }
    switch (raw[i].unicode()) {
      case QChar::ParagraphSeparator:
      case QChar::LineSeparator:
      case 0xFDD0:  // start of a frame (a pasted table, say)
      case 0xFDD1:  // end of a frame
        text.append(QLatin1Char('\n'));
        break;
      default:
        text.append(raw[i]);
        break;
    }
  }
  return text;
}

}  // namespace tessellux::ui
