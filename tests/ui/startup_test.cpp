#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabBar>
#include <QTextEdit>

#include "app/tabs.h"
#include "support/window_fixture.h"

namespace tessellux::testing {
namespace {

using StartupTest = WindowTest;

TEST_F(StartupTest, WindowOpensOnSecurityWhileSearching) {
  auto window = UnlinkedWindow();

  EXPECT_EQ(window->windowTitle(), "Create Tessellux   Version 2.0");
  EXPECT_EQ(window->SSTab->currentIndex(), app::kSecurityTab);
  EXPECT_EQ(window->SecurityTroubleText->text(), "Looking for Code Generator on network");
  const QStringList captions = {"Style", "Text/URL", "Picture", "Zip", "Geometry", "Emboss", "Security", "View/Print"};
  ASSERT_EQ(window->SSTab->count(), 8);
  // The captions as they read; an '&' only marks the mnemonic's letter.
  for (int i = 0; i < 8; ++i) EXPECT_EQ(window->SSTab->tabText(i).remove('&'), captions[i]);

  // Web address and "Lines": text tab open, picture, zip and emboss closed.
  EXPECT_TRUE(window->DataOption[0]->isChecked());
  EXPECT_TRUE(window->StyleOption[0]->isChecked());
  EXPECT_TRUE(window->SSTab->isTabEnabled(app::kTextTab));
  EXPECT_FALSE(window->SSTab->isTabEnabled(app::kPictureTab));
  EXPECT_FALSE(window->SSTab->isTabEnabled(app::kZipTab));
  EXPECT_FALSE(window->SSTab->isTabEnabled(app::kEmbossTab));
  EXPECT_TRUE(window->DataText->toPlainText().startsWith("https://"));

  // The working files lie in the current directory.
  EXPECT_EQ(window->SymbolPictureFile(), QDir::currentPath() + "/Tessellux.bmp");
  EXPECT_EQ(window->QualityWorkFile(), QDir::currentPath() + "/Quality.tmp");
}

TEST_F(StartupTest, EveryTabSnapsBackToSecurityUntilLinked) {
  ScriptedPeer peer;
  peer.answer_discovery = false;
  auto window = MakeWindow(peer.port());
  for (int tab : {app::kStyleTab, app::kGeometryTab, app::kViewPrintTab}) {
    window->SSTab->setCurrentIndex(tab);
    EXPECT_EQ(window->SSTab->currentIndex(), app::kSecurityTab);
  }
  EXPECT_TRUE(peer.commands.isEmpty());  // nothing was generated
}

TEST_F(StartupTest, QueriesGoOutOnceASecond) {
  ScriptedPeer peer;
  peer.answer_discovery = false;
  auto window = MakeWindow(peer.port());
  ASSERT_TRUE(WaitFor([&] { return peer.queries_received >= 2; }, 3500));
  EXPECT_LE(peer.queries_received, 3);
}

TEST_F(StartupTest, DataChoiceAndStyleGovernTheInputTabs) {
  auto window = UnlinkedWindow();
  window->DataOption[2]->setChecked(true);  // text plus a JPEG picture
  EXPECT_TRUE(window->SSTab->isTabEnabled(app::kTextTab));
  EXPECT_TRUE(window->SSTab->isTabEnabled(app::kPictureTab));
  EXPECT_FALSE(window->DataText->toPlainText().isEmpty());
  window->DataOption[3]->setChecked(true);  // picture only empties the text
  EXPECT_FALSE(window->SSTab->isTabEnabled(app::kTextTab));
  EXPECT_TRUE(window->DataText->toPlainText().isEmpty());
  window->DataOption[5]->setChecked(true);
  for (int tab : {app::kTextTab, app::kPictureTab, app::kZipTab}) EXPECT_FALSE(window->SSTab->isTabEnabled(tab));
  window->StyleOption[2]->setChecked(true);
  EXPECT_TRUE(window->SSTab->isTabEnabled(app::kEmbossTab));
}

}  // namespace
}  // namespace tessellux::testing
