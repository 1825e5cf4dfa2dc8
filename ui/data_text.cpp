#include "ui/data_text.h"

#include <QTextDocument>
#include <QTextEdit>

namespace tessellux::ui {

QString DataTextAsTyped(const QTextEdit& box) {
  QString text = box.document()->toRawText();
  for (QChar& c : text) {
    switch (c.unicode()) {
      case QChar::ParagraphSeparator:
      case QChar::LineSeparator:
      case 0xFDD0:  // start of a frame (a pasted table, say)
      case 0xFDD1:  // end of a frame
        c = QLatin1Char('\n');
        break;
      default:
        break;
    }
  }
  return text;
}

}  // namespace tessellux::ui
