#pragma once

// The program's one window. Owns the controls (named as users' documentation
// and support scripts know them), the link to the Code Generator and the
// working file paths. Handlers read widgets, call the logic and apply its
// results; the rules themselves live in the logic library.

#include <QHostAddress>
#include <QImage>
#include <QWidget>

#include <array>
#include <map>
#include <memory>

#include "app/warning.h"
#include "generate/build_driver.h"
#include "link/discovery.h"

class QCheckBox;
class QLabel;
class QPainter;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QTabWidget;
class QTextEdit;

namespace tessellux::ui {

class CodeGeneratorLink;
class MessageBoxes;
class PictureBox;

struct MainFormOptions {
  QHostAddress discovery_address{QString::fromLatin1(link::kDefaultDiscoveryAddress)};
  quint16 port = link::kDefaultPort;
  MessageBoxes* messages = nullptr;  // nullptr: real message boxes
};

class MainForm : public QWidget {
  Q_OBJECT

 public:
  explicit MainForm(MainFormOptions options, QWidget* parent = nullptr);
  ~MainForm() override;

  CodeGeneratorLink& Link() { return *link_; }
  const QString& QualityWorkFile() const { return quality_work_file_; }
  const QString& SymbolPictureFile() const { return symbol_picture_file_; }

  // Tab control and tabs.
  QTabWidget* SSTab = nullptr;

  // "Style": data choice and drawing style.
  std::array<QRadioButton*, 6> DataOption{};
  std::array<QRadioButton*, 3> StyleOption{};
  std::array<PictureBox*, 3> StylePicture{};

  // "Text/URL".
  QTextEdit* DataText = nullptr;

  // "Picture".
  QPushButton* ChooseJpegCommand = nullptr;
  QLineEdit* JpegFileText = nullptr;
  PictureBox* BeforeJpegPicture = nullptr;
  PictureBox* AfterJpegPicture = nullptr;
  QScrollBar* QualityScroll = nullptr;
  QLabel* QualityLabel = nullptr;
  QLabel* BeforeSizeLabel = nullptr;
  QLabel* AfterSizeLabel = nullptr;

  // "Zip".
  QPushButton* ChooseZipCommand = nullptr;
  QLineEdit* ZipFileText = nullptr;

  // "Geometry".
  QScrollBar* ThicknessScroll = nullptr;
  QLabel* ThicknessLabel = nullptr;
  QScrollBar* GridSizeScroll = nullptr;
  QLabel* GridSizeLabel = nullptr;
  QCheckBox* MirrorCheck = nullptr;
  QCheckBox* AutomaticSizeCheck = nullptr;
  QScrollBar* BlockRowsScroll = nullptr;
  QLabel* RowsLabel = nullptr;
  QScrollBar* BlockColsScroll = nullptr;
  QLabel* ColumnsLabel = nullptr;
  QCheckBox* AutomaticErrorCheck = nullptr;
  QScrollBar* ErrorCorrectionScroll = nullptr;
  QLabel* ErrorCorrectionLabel = nullptr;

  // "Emboss".
  QPushButton* ChooseEmbossPicture = nullptr;
  QLineEdit* EmbossFileText = nullptr;
  PictureBox* EmbossPicture = nullptr;

  // "Security".
  QLabel* CompanyNameLabel = nullptr;
  QLineEdit* CompanyNameText = nullptr;
  QLabel* CodeGeneratorIPaddrLabel = nullptr;
  QLineEdit* CodeGeneratorIPAddrText = nullptr;
  QLabel* IdentificationTagLabel = nullptr;
  QLineEdit* IdentificationTagText = nullptr;
  std::array<QLabel*, 2> SecretPhraseLabel{};
  std::array<QLineEdit*, 2> SecretPhraseText{};
  QRadioButton* PublicOption = nullptr;
  QRadioButton* PrivateOption = nullptr;
  QRadioButton* UniversalOption = nullptr;
  QRadioButton* UniqueOption = nullptr;
  QRadioButton* CascadedOption = nullptr;
  QCheckBox* TemporaryCheck = nullptr;
  std::map<int, QCheckBox*> UsageCheck;  // index 10 x row + column (columns 2 and 3)
  QLabel* SecurityTroubleText = nullptr;

  // "View/Print".
  QPushButton* ViewCommand = nullptr;
  QPushButton* PrintCommand = nullptr;
  PictureBox* ViewPicture = nullptr;
  QLineEdit* ResolutionText = nullptr;
  QPushButton* SelectPrinterCommand = nullptr;
  QLineEdit* SymbolWidthText = nullptr;
  QLineEdit* SymbolHeightText = nullptr;
  QLineEdit* TotalBytesText = nullptr;
  QLineEdit* ErrorBytesText = nullptr;
  QLineEdit* UserBytesText = nullptr;
  QProgressBar* BuildProgress = nullptr;

  // Builds one symbol from the window's choices (entering "View/Print").
  void GenerateSymbol();
  // The most recently loaded picture, and the symbol's size in pixels.
  const QImage& LoadedPicture() const { return loaded_picture_; }
  std::int32_t SymbolPixelWidth() const { return symbol_pixel_width_; }
  std::int32_t SymbolPixelHeight() const { return symbol_pixel_height_; }

 private:
  void Form_Load();
  void EnterWorkingFolder();
  QWidget* BuildStyleTab();
  QWidget* BuildTextTab();
  QWidget* BuildPictureTab();
  QWidget* BuildZipTab();
  QWidget* BuildGeometryTab();
  QWidget* BuildEmbossTab();
  QWidget* BuildSecurityTab();
  QWidget* BuildViewPrintTab();

  void SSTab_Click(int tab);
  void SelectTab(int tab);
  void DataOption_Click(int index);
  void StyleOption_Click(int index);
  void ThicknessScroll_Change();
  void GridSizeScroll_Change();
  void BlockRowsScroll_Change();
  void BlockColsScroll_Change();
  void ErrorCorrectionScroll_Change();
  void DataText_Change();

  // Generation (main_form_generate.cpp).
  generate::GenerationChoices ReadGenerationChoices(const Bytes& data_text) const;
  int SelectedDataChoice() const;
  layout::Style SelectedStyle() const;
  generate::BuildRequest ReadBuildRequest() const;
  void ShowBuildProgress(generate::BuildStage stage, std::uint64_t done, std::uint64_t total);
  void ApplyBuildResult(const generate::BuildResult& result);
  void ReportBuildFailure(const generate::BuildFailure& failure);
  bool ShowSymbolPicture(const Bytes& picture);
  void Warn(const app::Warning& warning);

  // Pictures (main_form_pictures.cpp).
  void ConnectPictureHandlers();
  void PaintPictureFile(PictureBox& box, QPainter& painter, const QString& path);
  void ViewCommand_Click();

  void CodeGeneratorFound(const QString& company, const QString& address);
  void LinkUp();
  void ConnectionLost();

  std::unique_ptr<MessageBoxes> own_messages_;
  MessageBoxes* messages_ = nullptr;
  CodeGeneratorLink* link_ = nullptr;
  QString quality_work_file_;
  QString symbol_picture_file_;
  QString working_folder_problem_;
  QImage loaded_picture_;
  std::int32_t symbol_pixel_width_ = 0;
  std::int32_t symbol_pixel_height_ = 0;
  bool text_change_guard_ = false;
  bool generating_ = false;
};

}  // namespace tessellux::ui
