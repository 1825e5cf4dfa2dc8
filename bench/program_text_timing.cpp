// The data text box with long texts, as a user meets it: a paste of the
// largest text a symbol holds (645,000 characters without a blank) into the
// window's own box, laid out and painted, then single keystrokes at its end.
// Offscreen; the window is linked to nothing (discovery goes to 127.0.0.1
// on an unused port).
//
//   QT_QPA_PLATFORM=offscreen build/bench/program_text_timing [characters]

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTest>
#include <QTextDocument>
#include <QTextEdit>
#include <QAbstractTextDocumentLayout>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/tabs.h"
#include "ui/main_form.h"
#include "ui/message_boxes.h"

namespace {

class SilentBoxes : public tessellux::ui::MessageBoxes {
 public:
  void Warning(const QString&, const QString&) override {}
  void Information(const QString&, const QString&) override {}
};

// Lays the document out and paints the box, as the next frame would.
void Settle(QTextEdit& box) {
  box.document()->documentLayout()->documentSize();
  box.viewport()->grab();
  QCoreApplication::processEvents();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const int characters = argc > 1 ? std::atoi(argv[1]) : 645'000;
  SilentBoxes boxes;
  tessellux::ui::MainFormOptions options;
  options.discovery_address = QHostAddress(QStringLiteral("127.0.0.1"));
  options.port = 9;  // discard: nothing answers
  options.messages = &boxes;
  options.pdf_printer_only = true;
  tessellux::ui::MainForm window(options);
  window.resize(900, 700);
  window.show();
  {
    // Unlinked, the window sends a user back to the Security tab; a user
    // with a Code Generator sees the box.
    const QSignalBlocker stay(window.SSTab);
    window.SSTab->setCurrentIndex(tessellux::app::kTextTab);
  }
  QTextEdit& box = *window.DataText;
  box.clear();
  box.setFocus();
  box.grab();  // the box and its viewport get their size, as on a screen
  Settle(box);

  QApplication::clipboard()->setText(QString(characters, QLatin1Char('k')));
  QElapsedTimer timer;
  timer.start();
  box.paste();
  Settle(box);
  const double paste_ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;

  std::vector<double> keystrokes;
  box.moveCursor(QTextCursor::End);
  for (int i = 0; i < 20; ++i) {
    timer.restart();
    QTest::keyClick(&box, Qt::Key_Z);
    Settle(box);
    keystrokes.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
  }
  std::printf("paste of %d characters without a blank, laid out and painted: %.0f ms\n", characters, paste_ms);
  std::printf("keystroke at its end, laid out and painted: median %.1f ms, worst %.1f ms of %zu\n",
              Median(keystrokes), *std::max_element(keystrokes.begin(), keystrokes.end()), keystrokes.size());
  return 0;
}
