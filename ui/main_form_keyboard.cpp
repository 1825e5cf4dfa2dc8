// Keyboard access: mnemonics on the tabs and buttons (the captions stay as
// they read), a Tab order that follows each page from top to bottom,
// scroll bars that take the focus and the arrow keys, a tooltip on every
// control, and the window's shortcuts: Ctrl+P prints, Ctrl+Q quits, F1
// opens the manual; the "?" button beside the tabs also opens the About box.

#include <QCheckBox>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QShortcut>
#include <QTabWidget>
#include <QTextEdit>
#include <QToolButton>
#include <QUrl>

#include "app/tabs.h"
#include "ui/about.h"
#include "ui/main_form.h"
#include "ui/message_boxes.h"

namespace tessellux::ui {
namespace {

// `caption` with '&' before the first `letter`: Alt+letter then reaches it.
QString WithMnemonic(QString caption, QChar letter) {
  const qsizetype at = caption.indexOf(letter);
  if (at >= 0) caption.insert(at, QLatin1Char('&'));
  return caption;
}

void Mnemonic(QAbstractButton* button, char letter) {
  button->setText(WithMnemonic(button->text(), QLatin1Char(letter)));
}

// A horizontal scroll bar's arrow keys as they read: Left lowers the
// value, Right raises it (Qt's scroll bars invert them). The style draws
// no focus on a scroll bar: its handle takes the highlight colour instead.
class ScrollBarKeys : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override {
    // While a scroll bar is being destroyed it is a QWidget only, and
    // events still reach its filters: look before treating it as one.
    auto* scroll = qobject_cast<QScrollBar*>(watched);
    if (!scroll) return false;
    if (event->type() == QEvent::FocusIn) {
      QPalette palette = scroll->palette();
      palette.setColor(QPalette::Button, palette.color(QPalette::Highlight));
      scroll->setPalette(palette);
    } else if (event->type() == QEvent::FocusOut) {
      scroll->setPalette(QPalette());  // inherited again
    }
    if (event->type() != QEvent::KeyPress) return false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key != Qt::Key_Left && key != Qt::Key_Right) return false;
    scroll->triggerAction(key == Qt::Key_Left ? QAbstractSlider::SliderSingleStepSub
                                                                         : QAbstractSlider::SliderSingleStepAdd);
    return true;
  }
};

// Tab visits `order` in turn.
void Chain(std::initializer_list<QWidget*> order) {
  QWidget* previous = nullptr;
  for (QWidget* next : order) {
    if (previous) QWidget::setTabOrder(previous, next);
    previous = next;
  }
}

}  // namespace

void MainForm::SetUpKeyboard() {
  const char tab_letters[app::kTabCount] = {'S', 'T', 'i', 'Z', 'G', 'E', 'u', 'w'};
  for (int i = 0; i < app::kTabCount; ++i)
    SSTab->setTabText(i, WithMnemonic(QString::fromLatin1(app::kTabCaptions[i]), QLatin1Char(tab_letters[i])));

  const char data_letters[] = {'a', 'x', 'p', 'J', 'f', 'h'};
  for (int i = 0; i < 6; ++i) Mnemonic(DataOption[i], data_letters[i]);
  const char style_letters[] = {'L', 'D', 'c'};
  for (int i = 0; i < 3; ++i) Mnemonic(StyleOption[i], style_letters[i]);
  for (QPushButton* choose : {ChooseJpegCommand, ChooseZipCommand, ChooseEmbossPicture}) Mnemonic(choose, 'C');
  Mnemonic(MirrorCheck, 'M');
  Mnemonic(AutomaticSizeCheck, 'A');
  Mnemonic(AutomaticErrorCheck, 'o');
  Mnemonic(PublicOption, 'P');
  Mnemonic(PrivateOption, 'C');
  Mnemonic(UniversalOption, 'n');
  Mnemonic(UniqueOption, 'q');
  Mnemonic(CascadedOption, 'a');
  Mnemonic(TemporaryCheck, 'm');
  Mnemonic(ViewCommand, 'V');
  Mnemonic(PrintCommand, 'P');
  Mnemonic(SelectPrinterCommand, 'r');
  Mnemonic(CheckScanCommand, 'k');
  Mnemonic(StopCommand, 'o');

  // Scroll bars take no focus by default: they would be mouse-only.
  auto* arrows = new ScrollBarKeys(this);
  for (QScrollBar* scroll :
       {QualityScroll, ThicknessScroll, GridSizeScroll, BlockRowsScroll, BlockColsScroll, ErrorCorrectionScroll}) {
    scroll->setFocusPolicy(Qt::StrongFocus);
    scroll->installEventFilter(arrows);
  }

  // Each page from top to bottom, left to right. Only the checked radio
  // button of a group is visited; the arrow keys move between them.
  Chain({DataOption[0], DataOption[1], DataOption[2], DataOption[3], DataOption[4], DataOption[5], StyleOption[0],
         StyleOption[1], StyleOption[2]});
  Chain({ChooseJpegCommand, JpegFileText, QualityScroll});
  Chain({ChooseZipCommand, ZipFileText});
  Chain({ThicknessScroll, GridSizeScroll, MirrorCheck, AutomaticSizeCheck, BlockRowsScroll, BlockColsScroll,
         AutomaticErrorCheck, ErrorCorrectionScroll});
  Chain({ChooseEmbossPicture, EmbossFileText});
  Chain({PublicOption, PrivateOption, UniversalOption, UniqueOption, CascadedOption, TemporaryCheck, CompanyNameText,
         CodeGeneratorIPAddrText, IdentificationTagText, SecretPhraseText[0], SecretPhraseText[1]});
  Chain({ViewCommand, PrintCommand, CheckScanCommand, ResolutionText, SelectPrinterCommand, SymbolWidthText,
         SymbolHeightText, TotalBytesText, ErrorBytesText, UserBytesText});

  // Tab leaves the text box as it leaves every other control (a tab
  // character can still be pasted in).
  DataText->setTabChangesFocus(true);

  SetToolTips();

  auto* help = new QToolButton(SSTab);
  help->setText(QStringLiteral("?"));
  help->setToolTip(QStringLiteral("Opens the manual or the About box."));
  help->setPopupMode(QToolButton::InstantPopup);
  auto* menu = new QMenu(help);
  menu->addAction(QStringLiteral("&Manual"), QKeySequence(Qt::Key_F1), this, &MainForm::OpenManual);
  menu->addAction(QStringLiteral("&About Create Tessellux"), this, &MainForm::ShowAbout);
  help->setMenu(menu);
  HelpCommand = help;
  SSTab->setCornerWidget(help, Qt::TopRightCorner);

  const auto shortcut = [this](QKeySequence keys, auto slot) {
    connect(new QShortcut(keys, this), &QShortcut::activated, this, slot);
  };
  shortcut(QKeySequence(Qt::CTRL | Qt::Key_P), [this] { PrintCommand_MouseDown(0); });
  shortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), [this] { close(); });
  shortcut(QKeySequence(Qt::Key_F1), [this] { OpenManual(); });
}

void MainForm::SetToolTips() {
  const char* data_tips[] = {
      "The symbol carries the web address typed on the Text/URL tab.",
      "The symbol carries the text typed on the Text/URL tab.",
      "The symbol carries the text of the Text/URL tab and the JPEG picture of the Picture tab.",
      "The symbol carries the JPEG picture chosen on the Picture tab.",
      "The symbol carries the zipped file chosen on the Zip tab.",
      "The symbol carries an authorization record for readers, set up on the Security tab."};
  for (int i = 0; i < 6; ++i) DataOption[i]->setToolTip(QString::fromLatin1(data_tips[i]));
  const char* style_tips[] = {"The symbol is drawn as lines of the thickness set on the Geometry tab.",
                              "The symbol is drawn as dots of the size set on the Geometry tab.",
                              "The symbol is drawn as dots that emboss the picture of the Emboss tab."};
  for (int i = 0; i < 3; ++i) StyleOption[i]->setToolTip(QString::fromLatin1(style_tips[i]));
  const std::pair<QWidget*, const char*> tips[] = {
      {DataText, "The web address or text the symbol carries; the reader shows it when the symbol is scanned."},
      {ChooseJpegCommand, "Chooses the JPEG picture the symbol carries."},
      {JpegFileText, "The JPEG picture the symbol carries; type a path or use Choose JPEG file."},
      {QualityScroll, "The JPEG quality the picture is recompressed at: lower makes a smaller symbol."},
      {ChooseZipCommand, "Chooses the zipped file the symbol carries."},
      {ZipFileText, "The zipped file the symbol carries; type a path or use Choose ZIP file."},
      {ThicknessScroll, "The thickness of the lines, or the size of the dots, in pixels."},
      {GridSizeScroll, "The distance between neighbouring lines or dots, in pixels: it sets the symbol's size."},
      {MirrorCheck, "Builds the symbol as its mirror image, for printing on the back of a transparency."},
      {AutomaticSizeCheck, "Lets the Code Generator choose the block rows and columns the data needs."},
      {BlockRowsScroll, "The number of block rows of the symbol."},
      {BlockColsScroll, "The number of block columns of the symbol."},
      {AutomaticErrorCheck, "Lets the Code Generator choose the error correction."},
      {ErrorCorrectionScroll, "The bytes of each 48-byte group that can be corrected when damaged."},
      {ChooseEmbossPicture, "Chooses the picture the dots emboss."},
      {EmbossFileText, "The picture the dots emboss; type a path or use Choose emboss picture."},
      {PublicOption, "Any reader can read the symbol."},
      {PrivateOption, "Only readers authorized by your company can read the symbol."},
      {UniversalOption, "Builds an authorization symbol that any reader accepts."},
      {UniqueOption, "Builds an authorization symbol for the one reader with the serial number given below."},
      {CascadedOption, "Builds an authorization symbol for a reader already authorized with the old phrase."},
      {TemporaryCheck, "The authorization lasts until the reader app is closed."},
      {CompanyNameText, "The company name the Code Generator serves, used to encrypt."},
      {CodeGeneratorIPAddrText, "The network address of the Code Generator in use."},
      {IdentificationTagText, "A tag of your choice embedded in authorization symbols."},
      {SecretPhraseText[0], "Your company's secret phrase, used to encrypt and kept in the settings file."},
      {SecretPhraseText[1], "The reader's serial number or the old phrase, as the chosen mode needs."},
      {ViewCommand, "Opens the symbol in your picture viewer."},
      {CheckScanCommand, "Reads a scan or photo of a print and says whether it holds the symbol built last."},
      {StopCommand, "Stops the build under way (Esc); the previous symbol picture is kept."},
      {PrintCommand, "Prints the symbol with its size and settings (Ctrl+P); with Ctrl+Alt held, a test sheet."},
      {ResolutionText, "The printer's dots per inch: the printed size is shown for it."},
      {SelectPrinterCommand, "Chooses the printer or PDF file prints go to, and its paper."},
      {SymbolWidthText, "The printed width of the symbol at the printer's resolution."},
      {SymbolHeightText, "The printed height of the symbol at the printer's resolution."},
      {TotalBytesText, "The bytes the symbol holds in all."},
      {ErrorBytesText, "The bytes that go to error correction."},
      {UserBytesText, "The bytes left for your data."},
  };
  for (const auto& [widget, tip] : tips) widget->setToolTip(QString::fromUtf8(tip));
  const char* tab_tips[app::kTabCount] = {"What the symbol carries and how it is drawn.",
                                          "The web address or text the symbol carries.",
                                          "The JPEG picture the symbol carries, and its quality.",
                                          "The zipped file the symbol carries.",
                                          "Line thickness, grid size, block rows and columns, error correction.",
                                          "The picture the dots emboss.",
                                          "The security mode and the phrases it needs.",
                                          "The built symbol: view it, print it, see its size."};
  for (int i = 0; i < app::kTabCount; ++i) SSTab->setTabToolTip(i, QString::fromLatin1(tab_tips[i]));
}

void MainForm::OpenManual() {
  const QUrl manual(QStringLiteral("man:create-tessellux(1)"));
  if (open_url_ ? open_url_(manual) : QDesktopServices::openUrl(manual)) return;
  messages_->Information(QStringLiteral("Manual"),
                         QStringLiteral("No help viewer could open the manual. Read it in a terminal with: "
                                        "man create-tessellux"));
}

void MainForm::ShowAbout() { messages_->Information(QStringLiteral("About Create Tessellux"), AboutText()); }

}  // namespace tessellux::ui
