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

  // The next answers to ChooseFile, in order; an empty one (or none left)
  // cancels.
  std::deque<QString> files;
  QList<FileQuestion> file_questions;
  // Runs on the printer as the user's choice; nullptr cancels.
  std::function<void(QPrinter&)> choose_printer;
  int printer_questions = 0;

  std::optional<QString> ChooseFile(const QStringList& filters, const QString& start_file) override {
    file_questions.append({filters, start_file});
    if (files.empty()) return std::nullopt;
    const QString answer = files.front();
    files.pop_front();
    if (answer.isEmpty()) return std::nullopt;
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
