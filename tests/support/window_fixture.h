#pragma once

// A window linked to a scripted peer on loopback, and bounded waits.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QStringList>
#include <QTabWidget>
#include <QTemporaryDir>

#include <functional>
#include <initializer_list>
#include <memory>

#include "support/recording_message_boxes.h"
#include "support/scripted_dialog.h"
#include "support/scripted_peer.h"
#include "ui/code_generator_link.h"
#include "ui/main_form.h"

namespace tessellux::testing {

// Runs the event loop until `done` or `timeout_ms` passes.
inline bool WaitFor(const std::function<bool()>& done, int timeout_ms = 5000) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > timeout_ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

// Runs the event loop until the window has no build under way (nor one
// asked for meanwhile, nor a test sheet): builds run as the replies come.
inline bool WaitUntilBuilt(ui::MainForm& window, int timeout_ms = 20000) {
  return WaitFor([&] { return !window.Building() && !window.PrintingSheet(); }, timeout_ms);
}

// Bytes given as numbers, for commands and replies.
inline QByteArray Raw(std::initializer_list<int> bytes) {
  QByteArray out;
  for (int b : bytes) out.append(static_cast<char>(b));
  return out;
}

// Each test runs in a fresh working folder of its own, so that the settings
// file and the working files of one test never reach another.
class WindowTest : public ::testing::Test {
 protected:
  WindowTest() : start_folder_(QDir::currentPath()) {
    EXPECT_TRUE(working_folder_.isValid());
    QDir::setCurrent(working_folder_.path());
  }
  ~WindowTest() override { QDir::setCurrent(start_folder_); }

  // The test's working folder, where the window keeps its files.
  const QTemporaryDir& folder() const { return working_folder_; }

  std::unique_ptr<ui::MainForm> MakeWindow(quint16 port) {
    ui::MainFormOptions options;
    options.discovery_address = QHostAddress::LocalHost;
    options.port = port;
    options.messages = &messages;
    options.dialogs = &dialogs;
    options.pdf_printer_only = true;  // never a real printer
    return std::make_unique<ui::MainForm>(options);
  }

  // A window that found and connected to `peer`.
  std::unique_ptr<ui::MainForm> LinkedWindow(ScriptedPeer& peer) {
    auto window = MakeWindow(peer.port());
    EXPECT_TRUE(WaitFor([&] { return window->Link().LinkUp(); })) << "no link to the scripted peer";
    return window;
  }

  // A window that finds no Code Generator: the test's own peer never answers.
  std::unique_ptr<ui::MainForm> UnlinkedWindow() {
    unanswering_peer_.answer_discovery = false;
    return MakeWindow(unanswering_peer_.port());
  }

  // The titles of the message boxes shown so far, joined by " | ".
  QString Titles() const {
    QStringList titles;
    for (const auto& shown : messages.shown) titles.append(shown.title);
    return titles.join(" | ");
  }

  RecordingMessageBoxes messages;
  ScriptedDialog dialogs;

 private:
  QString start_folder_;
  QTemporaryDir working_folder_;
  ScriptedPeer unanswering_peer_{false};
};

}  // namespace tessellux::testing
