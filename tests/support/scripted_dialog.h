#pragma once

#include <QList>
#include <QPrinter>
#include <QStringList>

#include <deque>
#include <functional>
#include <optional>

#include "ui/common_dialog.h"

namespace tessellux::testing {

// Answers the window's file and printer dialogs from a script and records
// how they were asked.
class ScriptedDialog : public ui::CommonDialog {
 public:
  struct FileQuestion {
    QStringList filters;
    QString start_file;
  };

  // The next answers to ChooseFile, in order; nothing means cancel.
  std::deque<std::optional<QString>> files;
  QList<FileQuestion> file_questions;
  // Runs on the printer as the user's choice; nullptr cancels.
  std::function<void(QPrinter&)> choose_printer;
  int printer_questions = 0;

  std::optional<QString> ChooseFile(const QStringList& filters, const QString& start_file) override {
    file_questions.append({filters, start_file});
    if (files.empty()) return std::nullopt;
    auto answer = files.front();
    files.pop_front();
    return answer;
  }
  bool SelectPrinter(QPrinter& printer) override {
    ++printer_questions;
    if (!choose_printer) return false;
    choose_printer(printer);
    return true;
  }
};

}  // namespace tessellux::testing
