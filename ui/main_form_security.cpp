// The Security tab: modes, field states, status line; the three settings
// that survive a restart.

#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QRadioButton>
#include <QStringList>

#include "app/ini_file.h"
#include "app/working_folder.h"
#include "security/security_controls.h"
#include "ui/code_generator_link.h"
#include "ui/main_form.h"

namespace tessellux::ui {
namespace {

constexpr const char* kSection = "Security";
constexpr const char* kCompanyNameKey = "CompanyName";
constexpr const char* kIdentificationTagKey = "IdentificationTag";
constexpr const char* kSecretPhraseKey = "SecretPhrase";

// Built anew for every access: the current folder and the name the program
// was started by (a link's own name, not its target's).
std::string SettingsFile() {
  const QStringList arguments = QCoreApplication::arguments();
  const std::string started = arguments.isEmpty() ? std::string() : arguments.constFirst().toStdString();
  return app::SettingsFilePath(app::CurrentFolder(),
                               app::StartedAs(started, QCoreApplication::applicationFilePath().toStdString()));
}

QString ReadSetting(const char* key) {
  return QString::fromStdString(app::ReadIniString(SettingsFile(), kSection, key, ""));
}

}  // namespace

void MainForm::ConnectSecurityHandlers() {
  using security::SecurityMode;
  const std::pair<QRadioButton*, SecurityMode> options[] = {{PublicOption, SecurityMode::Public},
                                                            {PrivateOption, SecurityMode::Private},
                                                            {UniversalOption, SecurityMode::Universal},
                                                            {UniqueOption, SecurityMode::Unique},
                                                            {CascadedOption, SecurityMode::Cascaded}};
  for (const auto& [option, mode] : options) {
    connect(option, &QRadioButton::toggled, this, [this, mode = mode](bool on) {
      if (on) SecurityOption_Click(mode);
    });
  }
  connect(CompanyNameText, &QLineEdit::textChanged, this, &MainForm::CompanyNameText_Change);
  connect(IdentificationTagText, &QLineEdit::textChanged, this, &MainForm::IdentificationTagText_Change);
  for (int i = 0; i < 2; ++i)
    connect(SecretPhraseText[i], &QLineEdit::textChanged, this, [this, i] { SecretPhraseText_Change(i); });
}

// Setting each box runs its change handling, which writes the same value back.
void MainForm::LoadSecuritySettings() {
  CompanyNameText->setText(ReadSetting(kCompanyNameKey));
  IdentificationTagText->setText(ReadSetting(kIdentificationTagKey));
  SecretPhraseText[0]->setText(ReadSetting(kSecretPhraseKey));
}

security::SecurityMode MainForm::SelectedSecurityMode() const {
  return security::ModeOfOptions(PublicOption->isChecked(), PrivateOption->isChecked(),
                                 UniversalOption->isChecked(), UniqueOption->isChecked());
}

// Entering Unique or Cascaded empties phrase entry 1 first, so that a serial
// number never becomes an old phrase or the reverse.
void MainForm::SecurityOption_Click(security::SecurityMode mode) {
  if (mode == security::SecurityMode::Unique || mode == security::SecurityMode::Cascaded)
    SecretPhraseText[1]->setText(QString());
  RefreshSecurityControls();
}

void MainForm::RefreshSecurityControls() {
  const security::SecurityMode mode = SelectedSecurityMode();
  const security::SecurityControls controls = security::ControlsForMode(mode);
  TemporaryCheck->setEnabled(controls.temporary_enabled);
  IdentificationTagText->setEnabled(controls.tag_enabled);
  for (int i = 0; i < 2; ++i) SecretPhraseText[i]->setEnabled(controls.phrase_enabled[i]);
  for (int i = 0; i < 2; ++i) SecretPhraseLabel[i]->setText(QString::fromLatin1(controls.phrase_caption[i]));
  for (int i = 0; i < 2; ++i) {
    switch (controls.phrase_masking[i]) {
      case security::Masking::kMasked: SecretPhraseText[i]->setEchoMode(QLineEdit::Password); break;
      case security::Masking::kClear: SecretPhraseText[i]->setEchoMode(QLineEdit::Normal); break;
      case security::Masking::kUnchanged: break;
    }
  }
  ShowFieldState(*IdentificationTagText, *IdentificationTagLabel);
  for (int i = 0; i < 2; ++i) ShowFieldState(*SecretPhraseText[i], *SecretPhraseLabel[i]);
  for (const security::UsageBox& box : controls.usage) UsageCheck.at(box.index)->setChecked(box.ticked);

  security::SecurityStatusInputs inputs;
  inputs.mode = mode;
  for (int i = 0; i < 2; ++i) {
    inputs.phrase[i] = SecretPhraseText[i]->text().toStdU16String();
    inputs.caption[i] = SecretPhraseLabel[i]->text().toStdString();
  }
  inputs.linked = link_->LinkUp();
  inputs.data_choice = SelectedDataChoice();
  const security::SecurityStatus status = security::SecurityStatusFor(inputs);
  if (!status.status_text) return;  // no Code Generator: the line keeps the search message
  ShowSecurityStatus(QString());
  if (status.select_data_choice) DataOption[*status.select_data_choice]->setChecked(true);
  ShowSecurityStatus(QString::fromStdString(*status.status_text));
}

void MainForm::ShowFieldState(QLineEdit& box, QLabel& label) {
  const bool enabled = box.isEnabled();
  const QColor text = enabled ? QColor(0, 0, 0) : QColor(128, 128, 128);
  const QColor background = enabled ? QColor(255, 255, 255) : palette().color(QPalette::Window);
  QPalette colours = box.palette();
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    colours.setColor(group, QPalette::Text, text);
    colours.setColor(group, QPalette::Base, background);
  }
  box.setPalette(colours);
  label.setEnabled(enabled);
}

// A build is not sent while the status line would show a message: a
// Unique authorization without a well-formed serial number, say, would
// otherwise go out as a Universal or Cascaded one.
std::string MainForm::SecurityStatusText() const {
  return security::BuildStatusText(SelectedSecurityMode(),
                                   {SecretPhraseText[0]->text().toStdU16String(),
                                    SecretPhraseText[1]->text().toStdU16String()},
                                   SelectedDataChoice());
}

void MainForm::CompanyNameText_Change() { WriteSetting(kCompanyNameKey, CompanyNameText->text()); }

void MainForm::IdentificationTagText_Change() {
  WriteSetting(kIdentificationTagKey, IdentificationTagText->text());
  RefreshSecurityControls();
}

void MainForm::SecretPhraseText_Change(int index) {
  if (index == 0) WriteSetting(kSecretPhraseKey, SecretPhraseText[0]->text());
  RefreshSecurityControls();
}

// A failed write is said once per run, below the status line; the field
// keeps its new text for this run. So is a settings file that others could
// read until this write made it owner-only.
void MainForm::WriteSetting(const char* key, const QString& value) {
  const std::string path = SettingsFile();
  const auto written = app::WriteIniFile(path, kSection, key, value.toStdString());
  if (written && written->tightened_from) {
    AddStatusNote(QStringLiteral("Settings file %1 could be read by others (mode %2); it is now readable by you only")
                      .arg(QString::fromStdString(path))
                      .arg(*written->tightened_from, 4, 8, QLatin1Char('0')));
  }
  if (written || settings_write_failed_) return;
  settings_write_failed_ = true;
  AddStatusNote(QStringLiteral("Settings not saved to %1: %2")
                    .arg(QString::fromStdString(path), QString::fromStdString(written.error())));
}

void MainForm::AddStatusNote(const QString& line) {
  status_note_ = status_note_.isEmpty() ? line : status_note_ + QLatin1Char('\n') + line;
  ShowSecurityStatus(status_text_);
}

// The status line (search state or field message) over the lasting notes.
void MainForm::ShowSecurityStatus(const QString& status) {
  status_text_ = status;
  QStringList lines;
  for (const QString& part : {status, status_note_})
    if (!part.isEmpty()) lines.append(part);
  SecurityTroubleText->setText(lines.join(QLatin1Char('\n')));
}

}  // namespace tessellux::ui
