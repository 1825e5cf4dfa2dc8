#include "ui/main_form.h"
#include "ui/print/sheet_print.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QShortcut>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTextDocument>
#include <QTextEdit>
#include <QVBoxLayout>

#include "app/product.h"
#include "app/tabs.h"
#include "app/working_folder.h"
#include "app/data_choice.h"
#include "geometry/style.h"
#include "ui/code_generator_link.h"
#include "ui/common_dialog.h"
#include "ui/message_boxes.h"
#include "ui/picture_box.h"

namespace tessellux::ui {
namespace {

const QString kLookingForCodeGenerator = QStringLiteral("Looking for Code Generator on network");
const QString kDefaultWebAddress = QStringLiteral("https://www.example.com/");

std::optional<std::string> Environment(const char* name) {
  if (!qEnvironmentVariableIsSet(name)) return std::nullopt;
  return qEnvironmentVariable(name).toStdString();
}

}  // namespace

MainForm::MainForm(MainFormOptions options, QWidget* parent) : QWidget(parent) {
  if (options.messages) {
    messages_ = options.messages;
  } else {
    own_messages_ = std::make_unique<QtMessageBoxes>(this);
    messages_ = own_messages_.get();
  }
  if (options.dialogs) {
    dialogs_ = options.dialogs;
  } else {
    own_dialogs_ = std::make_unique<QtCommonDialog>(this);
    dialogs_ = own_dialogs_.get();
  }

  SSTab = new QTabWidget(this);
  QWidget* pages[app::kTabCount] = {BuildStyleTab(),    BuildTextTab(),   BuildPictureTab(),
                                    BuildZipTab(),      BuildGeometryTab(), BuildEmbossTab(),
                                    BuildSecurityTab(), BuildViewPrintTab()};
  for (int i = 0; i < app::kTabCount; ++i) SSTab->addTab(pages[i], QString::fromLatin1(app::kTabCaptions[i]));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(SSTab);
  resize(960, 640);

  link_ = new CodeGeneratorLink(options.discovery_address, options.port, *messages_, this);
  connect(link_, &CodeGeneratorLink::codeGeneratorFound, this, &MainForm::CodeGeneratorFound);
  connect(link_, &CodeGeneratorLink::linkUp, this, &MainForm::LinkUp);
  connect(link_, &CodeGeneratorLink::connectionLost, this, &MainForm::ConnectionLost);
  connect(link_, &CodeGeneratorLink::exchangeEnded, this, &MainForm::ExchangeEnded);
  link_->Start();  // the discovery timer runs from the moment the window exists

  connect(SSTab, &QTabWidget::currentChanged, this, &MainForm::SSTab_Click);
  for (int i = 0; i < 6; ++i)
    connect(DataOption[i], &QRadioButton::toggled, this, [this, i](bool on) { if (on) DataOption_Click(i); });
  for (int i = 0; i < 3; ++i) {
    connect(StyleOption[i], &QRadioButton::toggled, this, [this, i](bool on) { if (on) StyleOption_Click(i); });
    connect(StylePicture[i], &PictureBox::clicked, StyleOption[i], [this, i] { StyleOption[i]->setChecked(true); });
  }
  connect(ThicknessScroll, &QScrollBar::valueChanged, this, &MainForm::ThicknessScroll_Change);
  connect(GridSizeScroll, &QScrollBar::valueChanged, this, &MainForm::GridSizeScroll_Change);
  connect(BlockRowsScroll, &QScrollBar::valueChanged, this, &MainForm::BlockRowsScroll_Change);
  connect(BlockColsScroll, &QScrollBar::valueChanged, this, &MainForm::BlockColsScroll_Change);
  connect(ErrorCorrectionScroll, &QScrollBar::valueChanged, this, &MainForm::ErrorCorrectionScroll_Change);
  connect(DataText->document(), &QTextDocument::contentsChange, this,
          [this](int position, int, int added) { DataText_Change(position, added); });
  connect(StopCommand, &QPushButton::clicked, this, &MainForm::StopBuild);
  // Esc stops a build from anywhere in the window; with none running it does nothing.
  auto* stop = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  connect(stop, &QShortcut::activated, this, &MainForm::StopBuild);
  ConnectPictureHandlers();
  ConnectSecurityHandlers();
  ConnectChooserHandlers();
  ConnectPrintHandlers();
  ConnectScanCheckHandlers();
  open_url_ = std::move(options.open_url);
  SetUpKeyboard();

  Form_Load(options.pdf_printer_only);
}

MainForm::~MainForm() = default;

void MainForm::Form_Load(bool pdf_printer_only) {
  setWindowTitle(QString::fromStdString(app::WindowCaption()));
  EnterWorkingFolder();
  DataOption[app::kWebAddress]->setChecked(true);
  StyleOption[0]->setChecked(true);
  DataText->setPlainText(kDefaultWebAddress);
  GridSizeScroll_Change();
  ThicknessScroll_Change();
  ErrorCorrectionScroll_Change();
  const std::string folder = app::CurrentFolder();
  quality_work_file_ = QString::fromStdString(app::WorkingFilePath(folder, "Quality.tmp"));
  symbol_picture_file_ = QString::fromStdString(app::WorkingFilePath(folder, "Tessellux.bmp"));
  pdf_file_ = QString::fromStdString(app::WorkingFilePath(folder, "Tessellux.pdf"));
  QualityScroll_Change();  // shows the quality before any picture is chosen
  LoadSecuritySettings();
  SetUpPrinter(pdf_printer_only);
  RefreshPrinterInformation();
  RefreshSecurityControls();
  ShowSecurityStatus(kLookingForCodeGenerator);
  SelectTab(app::kSecurityTab);
}

void MainForm::EnterWorkingFolder() {
  app::WorkingFolderInputs inputs;
  inputs.program_folder = QCoreApplication::applicationDirPath().toStdString();
  inputs.program_files = Environment("ProgramFiles");
  inputs.app_data = Environment("AppData");
  inputs.xdg_data_home = Environment("XDG_DATA_HOME");
  inputs.home = Environment("HOME");
  inputs.install_prefix = app::InstallPrefix();
  const app::WorkingFolderPlan plan = app::PlanWorkingFolder(inputs);
  if (!plan.installed) return;
  if (auto problem = app::EnterFolder(plan.data_folder)) {
    // Stay in the start-up directory, and say why below the search status.
    status_note_ = QStringLiteral("The data folder could not be used (%1); working in %2")
                       .arg(QString::fromStdString(*problem), QDir::currentPath());
  }
}

void MainForm::SelectTab(int tab) { SSTab->setCurrentIndex(tab); }

void MainForm::SSTab_Click(int tab) {
  switch (app::OnTabChanged(link_->LinkUp(), tab)) {
    case app::TabAction::kBackToSecurity: SelectTab(app::kSecurityTab); break;
    case app::TabAction::kGenerate: GenerateSymbol(); break;
    case app::TabAction::kNothing: break;
  }
}

void MainForm::DataOption_Click(int index) {
  const app::DataChoiceEffects effects = app::EffectsOfDataChoice(index);
  SSTab->setTabEnabled(app::kTextTab, effects.text_tab_available);
  SSTab->setTabEnabled(app::kPictureTab, effects.picture_tab_available);
  SSTab->setTabEnabled(app::kZipTab, effects.zip_tab_available);
  if (effects.empties_text) DataText->clear();
}

void MainForm::StyleOption_Click(int index) {
  SSTab->setTabEnabled(app::kEmbossTab, index == static_cast<int>(geometry::Style::kDotsWithEmboss));
  ThicknessScroll_Change();
}

void MainForm::CodeGeneratorFound(const QString& company, const QString& address) {
  CompanyNameText->setText(company);
  CodeGeneratorIPAddrText->setText(address);
}

void MainForm::LinkUp() {
  // The search message goes; what a build would be refused for stays in view.
  ShowSecurityStatus(QString::fromStdString(SecurityStatusText()));
  SelectTab(app::kStyleTab);
}

void MainForm::ConnectionLost() {
  messages_->Warning(QStringLiteral("Connection Interrupted"),
                     QStringLiteral("The connection to the Code Generator was interrupted"));
  ShowSecurityStatus(kLookingForCodeGenerator);
  SelectTab(app::kSecurityTab);
}

}  // namespace tessellux::ui
