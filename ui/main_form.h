#pragma once

// The program's one window. Owns the controls (named as users' documentation
// and support scripts know them), the link to the Code Generator and the
// working file paths. Handlers read widgets, call the logic and apply its
// results; the rules themselves live in the logic library.

#include <QFutureWatcher>
#include <QHostAddress>
#include <QImage>
#include <QWidget>

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "app/warning.h"
#include "generate/build_run.h"
#include "link/discovery.h"
#include "output/page_fit.h"
#include "output/paper.h"
#include "pictures/quality_work_file.h"
#include "security/security_mode.h"
#include "verify/print_check.h"

class QCheckBox;
class QLabel;
class QPainter;
class QPrinter;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QTabWidget;
class QTextEdit;
class QToolButton;
class QUrl;

namespace tessellux::ui {

class CodeGeneratorLink;
class CommonDialog;
class MessageBoxes;
class PictureBox;
struct SheetPrint;

struct MainFormOptions {
  QHostAddress discovery_address{QString::fromLatin1(link::kDefaultDiscoveryAddress)};
  quint16 port = protocol::kDefaultPort;
  MessageBoxes* messages = nullptr;  // nullptr: real message boxes
  CommonDialog* dialogs = nullptr;   // nullptr: real file and printer dialogs
  // Print to a PDF file even where printers are installed (tests).
  bool pdf_printer_only = false;
  // Opens the manual's address (tests record it); empty: the desktop's handler.
  std::function<bool(const QUrl&)> open_url;
};

class MainForm : public QWidget {
  Q_OBJECT

 public:
  explicit MainForm(MainFormOptions options, QWidget* parent = nullptr);
  ~MainForm() override;

  CodeGeneratorLink& Link() { return *link_; }
  QPrinter& Printer() { return *printer_; }
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
  QPushButton* CheckScanCommand = nullptr;  // reads a scan of a print and compares it with the last symbol
  PictureBox* ViewPicture = nullptr;
  QLineEdit* ResolutionText = nullptr;
  QPushButton* SelectPrinterCommand = nullptr;
  QLabel* PrinterNoteLabel = nullptr;  // where prints go when that is a PDF file
  QLineEdit* SymbolWidthText = nullptr;
  QLineEdit* SymbolHeightText = nullptr;
  QLineEdit* TotalBytesText = nullptr;
  QLineEdit* ErrorBytesText = nullptr;
  QLineEdit* UserBytesText = nullptr;
  QProgressBar* BuildProgress = nullptr;
  QPushButton* StopCommand = nullptr;  // beside the progress bar while a build runs; Esc too

  // Beside the tabs: the manual (F1) and the About box.
  QToolButton* HelpCommand = nullptr;
  void OpenManual();
  void ShowAbout();

  // Builds one symbol from the window's choices (entering "View/Print").
  // Returns at once; the build goes on as the Code Generator replies. Asked
  // while a build runs, it builds once more afterwards, with the values of
  // then.
  void GenerateSymbol();
  bool Building() const { return build_ != nullptr; }
  // Stops the build under way after its current exchange (Stop, Esc); the
  // previous symbol picture stays and no further build follows.
  void StopBuild();
  // The most recently loaded picture, and the symbol's size in pixels.
  const QImage& LoadedPicture() const { return loaded_picture_; }
  std::int32_t SymbolPixelWidth() const { return symbol_pixel_width_; }
  std::int32_t SymbolPixelHeight() const { return symbol_pixel_height_; }
  // The last symbol fetched (what "Print" prints), and the view's reduced
  // picture of it (null while the symbol is shown at full size or larger).
  const QImage& SymbolPicture() const { return symbol_picture_; }
  const QImage& ReducedView() const { return view_.reduced; }
  int SymbolsBuilt() const { return symbols_built_; }
  // When the last build and the showing of its symbol reached each step, for
  // timing tools: the build's own steps, then the picture written, packed,
  // reduced for the view and first painted there. Steps not reached stay at
  // the epoch.
  struct SymbolTimes {
    generate::BuildTimes build;
    generate::BuildTimes::TimePoint written, packed, reduced, painted;
  };
  const SymbolTimes& LastSymbolTimes() const { return symbol_times_; }
  // Builds that ended, however they ended.
  int BuildsEnded() const { return builds_ended_; }
  bool PrintingSheet() const { return sheet_ != nullptr; }
  // A scan being read off the window's thread ("Check a scan...").
  bool CheckingScan() const;
  int ScanChecksEnded() const { return scan_checks_ended_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Form_Load(bool pdf_printer_only);
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
  // The characters from `position` on, `added` of them, came in or changed.
  void DataText_Change(int position, int added);
  static constexpr qreal kDataTextPoints = 14;

  // Security tab and settings file (main_form_security.cpp).
  void ConnectSecurityHandlers();
  void LoadSecuritySettings();
  void RefreshSecurityControls();
  void ShowFieldState(QLineEdit& box, QLabel& label);
  security::SecurityMode SelectedSecurityMode() const;
  std::string SecurityStatusText() const;
  void SecurityOption_Click(security::SecurityMode mode);
  void CompanyNameText_Change();
  void IdentificationTagText_Change();
  void SecretPhraseText_Change(int index);
  void WriteSetting(const char* key, const QString& value);
  void ShowSecurityStatus(const QString& status);
  void AddStatusNote(const QString& line);

  // Generation (main_form_generate.cpp).
  int SelectedDataChoice() const;
  geometry::Style SelectedStyle() const;
  generate::SymbolLayout ReadSymbolLayout() const;
  generate::SecurityChoice ReadSecurityChoice() const;
  generate::BuildRequest ReadBuildRequest();
  void StartBuild(bool for_sheet = false);
  void ContinueBuild(std::optional<Bytes> message);
  void ExchangeEnded(const link::ExchangeOutcome& outcome);
  void FinishBuild();
  void StartPendingBuild();
  void ShowBuildProgress();
  void ApplyBuildResult(const generate::BuildResult& result);
  void ShowSymbolSize();
  void ReportBuildFailure(const generate::BuildFailure& failure);
  bool ShowSymbolPicture(Bytes picture, const output::BmpShape& shape);
  void Warn(const app::Warning& warning);

  // Pictures (main_form_pictures.cpp).
  void ConnectPictureHandlers();
  void PaintPictureFile(PictureBox& box, QPainter& painter, const QString& path);
  void PaintSymbolView(PictureBox& box, QPainter& painter);
  void SymbolBuilt();
  void ViewCommand_Click();

  // File choosers and JPEG quality (main_form_choosers.cpp).
  void ConnectChooserHandlers();
  bool ChooseFileInto(QLineEdit* box, const char* filter);
  void ChooseJpegCommand_Click();
  void ChooseZipCommand_Click();
  void ChooseEmbossPicture_Click();
  void QualityScroll_Change();
  std::optional<app::Warning> PrepareQualityWorkFile();

  // Printer and printing (main_form_print.cpp).
  void ConnectPrintHandlers();
  void SetUpPrinter(bool pdf_only);
  void RefreshPrinterInformation();
  void SelectPrinterCommand_Click();
  void ResolutionText_Change();
  void PrintCommand_MouseDown(int shift);
  void PrintSymbol();
  void PrintThicknessSheet();
  void BuildNextSheetSymbol();
  void SheetSymbolBuilt(bool built);
  void EndSheet();
  void PrinterFailed(const QString& what);
  // Before a print of `extent` dots: a PDF's page made large enough (the
  // sheet to restore afterwards is returned), or a printer's paper checked
  // (nothing, after a warning, when it is too small).
  std::optional<output::PaperSize> MakeRoomFor(output::DotSize extent, const QString& what);
  void RestoreSheet(const output::PaperSize& sheet);

  // Keyboard access (main_form_keyboard.cpp).
  void SetUpKeyboard();
  void SetToolTips();

  // Checking a print (main_form_scan_check.cpp).
  void ConnectScanCheckHandlers();
  void CheckScanCommand_Click();
  void ScanCheckEnded();

  void CodeGeneratorFound(const QString& company, const QString& address);
  void LinkUp();
  void ConnectionLost();

  std::unique_ptr<MessageBoxes> own_messages_;
  MessageBoxes* messages_ = nullptr;
  std::unique_ptr<CommonDialog> own_dialogs_;
  CommonDialog* dialogs_ = nullptr;
  QString dialog_file_;  // the file chosen last by any chooser: where the next one starts
  std::unique_ptr<QPrinter> printer_;
  QString pdf_file_;
  std::unique_ptr<SheetPrint> sheet_;  // the test sheet being printed
  std::optional<pictures::WorkFileRecord> quality_record_;  // what the work file was made from
  QString quality_problem_;                                 // why the last recompression failed
  QImage symbol_picture_;
  int symbols_built_ = 0;
  // The symbol view: the picture as last read from its file, and its
  // reduction for the current box size and grid size.
  struct ViewCache {
    pictures::FileStamp stamp;
    QImage picture;
    QImage reduced;
    QSize box;
    int grid = -1;
    int factor = 0;
  } view_;
  CodeGeneratorLink* link_ = nullptr;
  QString quality_work_file_;
  QString symbol_picture_file_;
  QString status_text_;  // what the status line says, without the notes
  QString status_note_;  // lasting problems, shown below the status line
  bool settings_write_failed_ = false;
  QImage loaded_picture_;
  std::int32_t symbol_pixel_width_ = 0;
  std::int32_t symbol_pixel_height_ = 0;
  // The size the geometry of the last build gives: what the size boxes show.
  generate::PixelSize sized_symbol_{0, 0};
  bool text_change_guard_ = false;
  std::unique_ptr<generate::BuildRun> build_;  // the build under way
  bool build_for_sheet_ = false;
  bool rebuild_pending_ = false;  // asked for while a build ran
  int builds_ended_ = 0;
  SymbolTimes symbol_times_;
  QFutureWatcher<verify::PrintCheck>* scan_check_ = nullptr;
  QString scan_check_file_;
  int scan_checks_ended_ = 0;
  std::function<bool(const QUrl&)> open_url_;
  bool print_pressed_by_mouse_ = false;  // the press already printed; its click must not
};

}  // namespace tessellux::ui
