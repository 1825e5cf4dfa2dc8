// The window from the keyboard: each page's Tab order, scroll bars that
// take the focus and the arrow keys, mnemonics that keep the captions, a
// tooltip on every control, and the window's shortcuts and About box.

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QShortcut>
#include <QTabBar>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>
#include <QUrl>

#include "app/tabs.h"
#include "support/window_fixture.h"

namespace tessellux::testing {
namespace {

class KeyboardTest : public WindowTest {
 protected:
  std::unique_ptr<ui::MainForm> Window() {
    peer_.answer_discovery = false;
    ui::MainFormOptions options;
    options.discovery_address = QHostAddress::LocalHost;
    options.port = peer_.port();
    options.messages = &messages;
    options.dialogs = &dialogs;
    options.pdf_printer_only = true;
    options.open_url = [this](const QUrl& url) {
      opened.append(url.toString());
      return true;
    };
    return std::make_unique<ui::MainForm>(options);
  }

  // The controls Tab visits on `page`, in order, from its first one.
  static QList<QWidget*> TabOrder(QWidget* page) {
    QList<QWidget*> order;
    QWidget* widget = page;
    for (int steps = 0; steps < 1000; ++steps) {
      widget = widget->nextInFocusChain();
      if (widget == page) break;
      const bool radio_unchecked = qobject_cast<QRadioButton*>(widget) && !static_cast<QRadioButton*>(widget)->isChecked();
      if (page->isAncestorOf(widget) && (widget->focusPolicy() & Qt::TabFocus) && !radio_unchecked)
        order.append(widget);
    }
    return order;
  }

  QStringList opened;

 private:
  ScriptedPeer peer_{false};
};

TEST_F(KeyboardTest, TabFollowsEachPageFromTopToBottom) {
  auto w = Window();
  EXPECT_TRUE(w->DataText->tabChangesFocus());
  const QList<QWidget*> picture = TabOrder(w->SSTab->widget(app::kPictureTab));
  EXPECT_EQ(picture, (QList<QWidget*>{w->ChooseJpegCommand, w->JpegFileText, w->QualityScroll}));

  // The checked option first, then the check box, then the fields below them.
  w->PrivateOption->setChecked(true);
  const QList<QWidget*> security = TabOrder(w->SSTab->widget(app::kSecurityTab));
  EXPECT_EQ(security, (QList<QWidget*>{w->PrivateOption, w->TemporaryCheck, w->CompanyNameText,
                                       w->CodeGeneratorIPAddrText, w->IdentificationTagText, w->SecretPhraseText[0],
                                       w->SecretPhraseText[1]}));

  const QList<QWidget*> geometry = TabOrder(w->SSTab->widget(app::kGeometryTab));
  EXPECT_EQ(geometry, (QList<QWidget*>{w->ThicknessScroll, w->GridSizeScroll, w->MirrorCheck, w->AutomaticSizeCheck,
                                       w->BlockRowsScroll, w->BlockColsScroll, w->AutomaticErrorCheck,
                                       w->ErrorCorrectionScroll}));
  const QList<QWidget*> view = TabOrder(w->SSTab->widget(app::kViewPrintTab));
  ASSERT_GE(view.size(), 4);
  EXPECT_EQ(view.mid(0, 4),
            (QList<QWidget*>{w->ViewCommand, w->PrintCommand, w->CheckScanCommand, w->ResolutionText}));
}

TEST_F(KeyboardTest, ScrollBarsTakeTheFocusAndTheArrowKeys) {
  auto w = Window();
  for (QScrollBar* scroll : {w->QualityScroll, w->ThicknessScroll, w->GridSizeScroll, w->BlockRowsScroll,
                             w->BlockColsScroll, w->ErrorCorrectionScroll}) {
    EXPECT_TRUE(scroll->focusPolicy() & Qt::TabFocus);
    const int before = scroll->value();
    QTest::keyClick(scroll, Qt::Key_Right);
    EXPECT_EQ(scroll->value(), before + 1);
    QTest::keyClick(scroll, Qt::Key_Left);
    EXPECT_EQ(scroll->value(), before);
  }
  const QString quality = w->QualityLabel->text();
  QTest::keyClick(w->QualityScroll, Qt::Key_Right);
  EXPECT_NE(w->QualityLabel->text(), quality);  // the change is handled as a drag's end is
}

// Every button and tab has a mnemonic; the letters are unique among the
// tabs and the controls of each page, and the captions read as before.
TEST_F(KeyboardTest, MnemonicsAreUniquePerPageAndKeepTheCaptions) {
  auto w = Window();
  const auto letter = [](const QString& text) {
    const qsizetype at = text.indexOf('&');
    return at >= 0 && at + 1 < text.size() ? text[at + 1].toLower() : QChar();
  };
  QString tab_letters;
  for (int i = 0; i < app::kTabCount; ++i) {
    EXPECT_EQ(w->SSTab->tabText(i).remove('&'), QString::fromLatin1(app::kTabCaptions[i]));
    const QChar key = letter(w->SSTab->tabText(i));
    ASSERT_FALSE(key.isNull()) << app::kTabCaptions[i];
    EXPECT_FALSE(tab_letters.contains(key)) << app::kTabCaptions[i];
    tab_letters += key;
  }
  EXPECT_EQ(w->PrintCommand->text().remove('&'), "Print");
  EXPECT_EQ(w->SelectPrinterCommand->text().remove('&'), "Select printer");
  for (int tab = 0; tab < app::kTabCount; ++tab) {
    QString letters = tab_letters;
    for (QAbstractButton* button : w->SSTab->widget(tab)->findChildren<QAbstractButton*>()) {
      if (button->text().isEmpty()) continue;  // the usage marks on Security
      const QChar key = letter(button->text());
      ASSERT_FALSE(key.isNull()) << button->text().toStdString();
      EXPECT_FALSE(letters.contains(key)) << button->text().toStdString();
      letters += key;
    }
  }
}

TEST_F(KeyboardTest, EveryControlHasATooltip) {
  auto w = Window();
  int controls = 0;
  for (QWidget* widget : w->findChildren<QWidget*>()) {
    // The tabs have tooltips of their own (below); the tab control hands its focus to them.
    if (!(widget->focusPolicy() & Qt::TabFocus) || qobject_cast<QTabBar*>(widget) || qobject_cast<QTabWidget*>(widget))
      continue;
    if (qobject_cast<QTabBar*>(widget->parentWidget())) continue;  // the tab bar's own scroll arrows
    ++controls;
    EXPECT_FALSE(widget->toolTip().isEmpty()) << widget->metaObject()->className() << " "
                                              << widget->objectName().toStdString() << " "
                                              << widget->property("text").toString().toStdString();
  }
  EXPECT_GT(controls, 40);
  for (int i = 0; i < app::kTabCount; ++i) EXPECT_FALSE(w->SSTab->tabToolTip(i).isEmpty()) << i;
}

TEST_F(KeyboardTest, ShortcutsPrintQuitOpenTheManualAndTheAboutBox) {
  auto w = Window();
  w->show();
  const auto activate = [&](QKeySequence keys) {
    for (QShortcut* shortcut : w->findChildren<QShortcut*>()) {
      if (shortcut->key() == keys) {
        emit shortcut->activated();
        return true;
      }
    }
    return false;
  };
  ASSERT_TRUE(activate(QKeySequence(Qt::Key_F1)));
  EXPECT_EQ(opened, QStringList{"man:create-tessellux(1)"});

  // Ctrl+P and the button pressed from the keyboard print as a click does.
  ASSERT_TRUE(activate(QKeySequence(Qt::CTRL | Qt::Key_P)));
  w->PrintCommand->click();
  QTest::qWait(20);
  ASSERT_EQ(messages.shown.size(), 2);
  EXPECT_EQ(messages.shown[0].title, "Nothing to Print");
  EXPECT_EQ(messages.shown[1].title, "Nothing to Print");
  // A mouse click prints once, not once for its press and again for its click.
  QTest::mouseClick(w->PrintCommand, Qt::LeftButton);
  QTest::qWait(50);
  EXPECT_EQ(messages.shown.size(), 3);

  ASSERT_TRUE(w->HelpCommand);
  EXPECT_FALSE(w->HelpCommand->toolTip().isEmpty());
  const QList<QAction*> actions = w->HelpCommand->menu()->actions();
  ASSERT_EQ(actions.size(), 2);
  actions[1]->trigger();
  ASSERT_EQ(messages.shown.size(), 4);
  EXPECT_EQ(messages.shown[3].title, "About Create Tessellux");
  EXPECT_TRUE(messages.shown[3].text.contains("Create Tessellux 2.0"));
  EXPECT_TRUE(messages.shown[3].text.contains("LGPL-3.0"));
  EXPECT_TRUE(messages.shown[3].text.contains(QString::fromLatin1(qVersion())));

  ASSERT_TRUE(activate(QKeySequence(Qt::CTRL | Qt::Key_Q)));
  EXPECT_FALSE(w->isVisible());
}

}  // namespace
}  // namespace tessellux::testing
