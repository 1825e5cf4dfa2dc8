// The Security tab through the window: modes, coupling with the data choice,
// the status line, builds refused for it, and the settings file.

#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <QTextEdit>

#include "app/tabs.h"
#include "security/security_controls.h"
#include "support/window_fixture.h"

namespace tessellux::testing {
namespace {

using security::SecurityMode;

const QString kLooking = QStringLiteral("Looking for Code Generator on network");

class SecurityTest : public WindowTest {
 protected:
  // The settings file of this test program, in the test's working folder.
  static QString SettingsPath() { return QDir::current().filePath(QStringLiteral("test_ui_security_test.ini")); }
  static QByteArray Settings() {
    QFile file(SettingsPath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(no file)");
  }
  static void PutSettings(const QByteArray& content) {
    QFile file(SettingsPath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
  }

  static QRadioButton* Option(ui::MainForm& w, SecurityMode mode) {
    QRadioButton* options[] = {w.PublicOption, w.PrivateOption, w.UniversalOption, w.UniqueOption,
                               w.CascadedOption};
    return options[static_cast<int>(mode)];
  }
};

TEST_F(SecurityTest, EachModeAppliesItsControlsWhileTheLinkIsDown) {
  auto w = UnlinkedWindow();
  for (SecurityMode mode : {SecurityMode::kPrivate, SecurityMode::kUniversal, SecurityMode::kUnique,
                            SecurityMode::kCascaded, SecurityMode::kPublic}) {
    SCOPED_TRACE(static_cast<int>(mode));
    Option(*w, mode)->setChecked(true);
    const security::SecurityControls c = security::ControlsForMode(mode);
    EXPECT_EQ(w->TemporaryCheck->isEnabled(), c.temporary_enabled);
    EXPECT_EQ(w->IdentificationTagText->isEnabled(), c.tag_enabled);
    EXPECT_EQ(w->IdentificationTagLabel->isEnabled(), c.tag_enabled);
    for (int i = 0; i < 2; ++i) {
      EXPECT_EQ(w->SecretPhraseText[i]->isEnabled(), c.phrase_enabled[i]);
      EXPECT_EQ(w->SecretPhraseLabel[i]->isEnabled(), c.phrase_enabled[i]);
      EXPECT_EQ(w->SecretPhraseLabel[i]->text(), QString::fromLatin1(c.phrase_caption[i]));
      const QColor text = w->SecretPhraseText[i]->palette().color(QPalette::Text);
      EXPECT_EQ(text, c.phrase_enabled[i] ? QColor(0, 0, 0) : QColor(128, 128, 128));
    }
    EXPECT_EQ(w->SecretPhraseText[0]->echoMode(), QLineEdit::Password);
    for (const security::UsageBox& box : c.usage) EXPECT_EQ(w->UsageCheck.at(box.index)->isChecked(), box.ticked);
    EXPECT_EQ(w->SecurityTroubleText->text(), kLooking);
    EXPECT_TRUE(w->DataOption[0]->isChecked()) << "the data choice waits for a link";
  }
}

TEST_F(SecurityTest, SecondEntryEmptiedAndMaskedByTheMode) {
  auto w = UnlinkedWindow();
  EXPECT_EQ(w->SecretPhraseText[1]->echoMode(), QLineEdit::Password);
  w->UniqueOption->setChecked(true);
  EXPECT_EQ(w->SecretPhraseText[1]->echoMode(), QLineEdit::Normal);
  w->SecretPhraseText[1]->setText("1234-5678-9012");
  w->PrivateOption->setChecked(true);  // keeps the serial number, in clear, disabled
  EXPECT_EQ(w->SecretPhraseText[1]->text(), "1234-5678-9012");
  EXPECT_EQ(w->SecretPhraseText[1]->echoMode(), QLineEdit::Normal);
  EXPECT_FALSE(w->SecretPhraseText[1]->isEnabled());
  w->CascadedOption->setChecked(true);  // never turns a serial number into an old phrase
  EXPECT_EQ(w->SecretPhraseText[1]->text(), "");
  EXPECT_EQ(w->SecretPhraseText[1]->echoMode(), QLineEdit::Password);
  w->SecretPhraseText[1]->setText("old phrase");
  EXPECT_EQ(w->SecretPhraseText[1]->displayText(), "**********");
  w->UniqueOption->setChecked(true);
  EXPECT_EQ(w->SecretPhraseText[1]->text(), "");
}

TEST_F(SecurityTest, UsageBoxesCannotBeChangedByTheUser) {
  auto w = UnlinkedWindow();
  w->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
  QCheckBox* box = w->UsageCheck.at(12);
  // A click at the box's place in the window, as a user's arrives.
  QTest::mouseClick(w->windowHandle(), Qt::LeftButton, {}, box->mapTo(w.get(), box->rect().center()));
  EXPECT_FALSE(box->isChecked());
  EXPECT_EQ(box->focusPolicy(), Qt::NoFocus);
}

TEST_F(SecurityTest, LinkedModesCoupleTheDataChoiceAndCheckThePhrases) {
  ScriptedPeer peer;
  auto w = LinkedWindow(peer);
  w->UniqueOption->setChecked(true);  // the refresh after linking
  EXPECT_TRUE(w->DataOption[5]->isChecked());
  EXPECT_TRUE(w->DataText->toPlainText().isEmpty()) << "Authorization Tessellux carries no text";
  EXPECT_EQ(w->SecurityTroubleText->text(), "Secret Phrase cannot be blank");
  w->SecretPhraseText[0]->setText("phrase");
  EXPECT_EQ(w->SecurityTroubleText->text(), "Reader Serial Number must be ####-####-####");
  QTest::keyClicks(w->SecretPhraseText[1], "1234-5678-901");
  EXPECT_EQ(w->SecurityTroubleText->text(), "Reader Serial Number must be ####-####-####");
  QTest::keyClicks(w->SecretPhraseText[1], "2");
  EXPECT_EQ(w->SecurityTroubleText->text(), "");
  w->CascadedOption->setChecked(true);
  EXPECT_EQ(w->SecurityTroubleText->text(), "Old Secret Phrase cannot be blank");
  w->SecretPhraseText[0]->clear();
  EXPECT_EQ(w->SecurityTroubleText->text(), "New Secret Phrase cannot be blank");
  w->PrivateOption->setChecked(true);
  EXPECT_TRUE(w->DataOption[0]->isChecked()) << "leaving the authorization modes";
  EXPECT_EQ(w->SecurityTroubleText->text(), "Secret Phrase cannot be blank");
  w->DataOption[5]->setChecked(true);  // by hand: nothing reacts until the next refresh
  w->PublicOption->setChecked(true);
  EXPECT_TRUE(w->DataOption[0]->isChecked());
  EXPECT_EQ(w->SecurityTroubleText->text(), "");
}

TEST_F(SecurityTest, BuildIsNotSentWhileTheStatusLineShowsAMessage) {
  ScriptedPeer peer;
  // A build that gets as far as the security command is answered with an error.
  peer.default_reply = [](const QByteArray& command) {
    const char code = command.isEmpty() ? 0 : command[0];
    return QByteArray(1, code) + Raw({code >= 0x51 && code <= 0x54 ? 0x04 : 0x00});
  };
  auto w = LinkedWindow(peer);
  struct Case {
    SecurityMode mode;
    QString phrase0, phrase1, message;
  };
  const Case cases[] = {
      {SecurityMode::kUnique, "p", "", "Reader Serial Number must be ####-####-####"},
      {SecurityMode::kUnique, "p", "1234-5678-901x", "Reader Serial Number must be ####-####-####"},
      {SecurityMode::kPrivate, "", "", "Secret Phrase cannot be blank"},
      {SecurityMode::kCascaded, "new", "", "Old Secret Phrase cannot be blank"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message.toStdString());
    Option(*w, c.mode)->setChecked(true);
    w->DataText->setPlainText("https://www.example.com/");  // passes the data checks, which come first
    w->SecretPhraseText[0]->setText(c.phrase0);
    w->SecretPhraseText[1]->setText(c.phrase1);
    w->SSTab->setCurrentIndex(app::kStyleTab);
    messages.shown.clear();
    w->SSTab->setCurrentIndex(app::kViewPrintTab);
    EXPECT_FALSE(w->Building()) << "refused before anything is sent";
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].kind, "warning");
    EXPECT_EQ(messages.shown[0].title, security::kSecurityWarningTitle);
    EXPECT_EQ(messages.shown[0].text, c.message);
    EXPECT_EQ(w->SSTab->currentIndex(), app::kSecurityTab);
    EXPECT_TRUE(peer.commands.isEmpty()) << "nothing reaches the Code Generator";
  }
  // A well-formed serial number goes out.
  w->UniqueOption->setChecked(true);
  w->SecretPhraseText[0]->setText("p");
  w->SecretPhraseText[1]->setText("1234-5678-9012");
  w->SSTab->setCurrentIndex(app::kStyleTab);
  w->SSTab->setCurrentIndex(app::kViewPrintTab);
  WaitUntilBuilt(*w);
  ASSERT_FALSE(peer.commands.isEmpty());
  EXPECT_EQ(peer.commands.last(), QByteArray("\x53" "1234-5678-9012"));
}

TEST_F(SecurityTest, StartUpLoadsTheStoredFieldsWithoutTouchingTheRest) {
  PutSettings("; kept\n[Other]\nSecretPhrase=not this\n[security]\ncompanyname=  Acme Labs  \n"
              "IDENTIFICATIONTAG=Tag 7\nSecretPhrase=open sesame\n");
  auto w = UnlinkedWindow();
  EXPECT_EQ(w->CompanyNameText->text(), "Acme Labs");
  EXPECT_EQ(w->IdentificationTagText->text(), "Tag 7");
  EXPECT_EQ(w->SecretPhraseText[0]->text(), "open sesame");
  EXPECT_EQ(w->SecretPhraseText[1]->text(), "");
  // Loading writes each value back: only the trimmed blanks change.
  EXPECT_EQ(Settings(), "; kept\n[Other]\nSecretPhrase=not this\n[security]\ncompanyname=  Acme Labs\n"
                        "IDENTIFICATIONTAG=Tag 7\nSecretPhrase=open sesame\n");
}

TEST_F(SecurityTest, EmptyFolderStartsEmptyAndCreatesNoFile) {
  auto w = UnlinkedWindow();
  EXPECT_TRUE(w->CompanyNameText->text().isEmpty());
  EXPECT_TRUE(w->SecretPhraseText[0]->text().isEmpty());
  EXPECT_FALSE(QFile::exists(SettingsPath()));
  w->UniqueOption->setChecked(true);
  w->SecretPhraseText[1]->setText("1234-5678-9012");  // phrase entry 1 is never stored
  EXPECT_FALSE(QFile::exists(SettingsPath()));
}

TEST_F(SecurityTest, DiscoveredCompanyIsStoredAtOnceAndShownAtTheNextStart) {
  // The settings file is named after this program, not after create-tessellux.
  EXPECT_EQ(QFileInfo(QCoreApplication::applicationFilePath()).fileName() + ".ini",
            QFileInfo(SettingsPath()).fileName());
  {
    ScriptedPeer peer;
    peer.discovery_answers = {"TESSELLUX=Acme Labs\r\n[Security]\r\nSecretPhrase=x"};
    auto w = MakeWindow(peer.port());
    w->PrivateOption->setChecked(true);
    w->SecretPhraseText[0]->setText("mine");
    ASSERT_TRUE(WaitFor([&] { return !w->CompanyNameText->text().isEmpty(); }));
    EXPECT_TRUE(Settings().contains("CompanyName=Acme Labs [Security] SecretPhrase=x\n")) << Settings().data();
    QTest::keyClicks(w->IdentificationTagText, "T1");
  }
  auto next = UnlinkedWindow();
  EXPECT_TRUE(next->CompanyNameText->text().startsWith("Acme Labs"));
  EXPECT_EQ(next->IdentificationTagText->text(), "T1");
  EXPECT_EQ(next->SecretPhraseText[0]->text(), "mine") << "a company name cannot change the stored phrase";
  EXPECT_EQ(QFile::permissions(SettingsPath()) & 0x0077, 0) << "readable by its owner only";
}

TEST_F(SecurityTest, FailedWriteIsShownOnceNamingTheFile) {
  ASSERT_TRUE(QDir::current().mkdir(QFileInfo(SettingsPath()).fileName()));  // a folder where the file goes
  auto w = UnlinkedWindow();
  w->PrivateOption->setChecked(true);
  QTest::keyClicks(w->IdentificationTagText, "abc");
  const QStringList lines = w->SecurityTroubleText->text().split('\n');
  ASSERT_EQ(lines.size(), 2) << w->SecurityTroubleText->text().toStdString();
  EXPECT_EQ(lines[0], kLooking);
  EXPECT_TRUE(lines[1].contains(SettingsPath())) << lines[1].toStdString();
  EXPECT_TRUE(messages.shown.isEmpty());
  EXPECT_EQ(w->IdentificationTagText->text(), "abc") << "the field keeps its text for this run";
}

}  // namespace
}  // namespace tessellux::testing
