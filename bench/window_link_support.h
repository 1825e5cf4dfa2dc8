#pragma once

// What the timing tools need to drive the window's link without a window:
// message boxes printed on stderr (never waited for) and the wait for the link.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QString>

#include <cstdio>

#include "link/exchange.h"
#include "ui/code_generator_link.h"
#include "ui/message_boxes.h"

namespace tessellux::bench {

class SilentBoxes : public ui::MessageBoxes {
 public:
  void Warning(const QString& title, const QString& text) override {
    std::fprintf(stderr, "warning: %s: %s\n", qPrintable(title), qPrintable(text));
  }
  void Information(const QString& title, const QString& text) override { Warning(title, text); }
};

// Runs the event loop until the link is up, at most `timeout_ms`.
inline bool WaitForLink(ui::CodeGeneratorLink& link, int timeout_ms = 5000) {
  QElapsedTimer waited;
  waited.start();
  while (!link.LinkUp() && waited.elapsed() < timeout_ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  return link.LinkUp();
}

// The window's link as a blocking exchange: sends, then runs the event loop
// until the outcome arrives, as the window's own loop would.
class WindowLinkExchange : public link::CommandExchange {
 public:
  explicit WindowLinkExchange(ui::CodeGeneratorLink& link) : link_(link) {
    QObject::connect(&link_, &ui::CodeGeneratorLink::exchangeEnded, &wait_, [this](const link::ExchangeOutcome& o) {
      outcome_ = o;
      wait_.quit();
    });
  }
  link::ExchangeOutcome Exchange(const Bytes& message) override {
    outcome_ = {};
    link_.Send(message);
    if (link_.Awaiting()) wait_.exec();
    return outcome_;
  }

 private:
  ui::CodeGeneratorLink& link_;
  QEventLoop wait_;
  link::ExchangeOutcome outcome_;
};

}  // namespace tessellux::bench
