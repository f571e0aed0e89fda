#pragma once
// The spreadsheet side of a run on this platform: the in-process workbook
// engine stands in for the spreadsheet application. One workbook is made from
// the report template per MakeReport; ShowExcel saves every workbook of the
// run as .xlsx into the reports folder (never over an existing file) and opens
// them in the desktop's spreadsheet application when there is a display.

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/user_services.h"
#include "sheet/report_output.h"
#include "sheet/sheet_writers.h"
#include "sheet/workbook.h"

namespace vedograf {

// The writers MakeReport calls, one per report of the mask table. Tests put
// recorders here; the program uses DefaultSheetWriters().
struct TSheetWriters {
  std::function<void(const TSheetJob&, bool days)> Way;
  std::function<void(const TSheetJob&)> PowerUp, NavLack, Point, Stop, SpeedEx, Sensor, AnalogIn, Fuel, Load, Graph;
};
// MakeWayReport ... MakeGraphReport.
TSheetWriters DefaultSheetWriters();

// "Отчет.xltx" for version 12 or later, "Отчет.xlt" otherwise (also when the
// text is no number). Both "." and "," count as the decimal separator.
std::string TemplateNameForVersion(std::string_view version);

// Where the template is: in `preferred` when it is not empty (and nowhere
// else); otherwise the first that exists of the folder of the running
// executable, the installed data folder (<prefix>/share/vedograf) and the
// build tree's template folder, else the path beside the executable (whose
// opening then fails as a missing template).
std::filesystem::path FindTemplate(const std::string& name, const std::filesystem::path& preferred = {});

// The user's documents folder (XDG_DOCUMENTS_DIR of user-dirs.dirs, else
// ~/Documents).
std::filesystem::path DocumentsFolder();

class TWorkbookOutput : public IReportOutput {
 public:
  explicit TWorkbookOutput(IUserServices& services, TSheetWriters writers = DefaultSheetWriters());
  ~TWorkbookOutput() override;

  // Starts the engine unless a run still holds it and picks TemplateName
  // from its version. 1 (after telling the user) only when it cannot start.
  int ExcelInit() override;
  // Opens a workbook from the template ("Ошибка открытия шаблона отчета!"
  // and nothing written when that fails), deletes the sheets of reports not
  // produced when the mask asks for it, runs the writers of the mask in their
  // fixed order and selects the first worksheet. Other failures propagate.
  void MakeReport(const TRunView& run, int count, TReportMask mask) override;
  // Saves every workbook of the run (see Options) and opens the files when
  // asked to and a display is there; then releases the engine.
  void ShowExcel() override;
  // Deletes the template sheets of the reports whose mask bit is clear.
  void DeleteSheets(TReportMask mask);
  // End of the program: quits the engine only when a run still holds it
  // (its unsaved workbooks go); failures are ignored.
  void QuitExcel();

  // The engine while a run holds it, else null.
  TExcelApp* ExcelApp() const { return app_.get(); }
  const std::string& TemplateName() const { return templateName_; }
  // Files written by the last ShowExcel, in workbook order.
  const std::vector<std::filesystem::path>& SavedFiles() const { return saved_; }

  struct TOptions {
    // Where reports go: the headless command's folder, else the ReportsFolder
    // key of the settings file; empty = a "Ведограф" folder in the user's
    // documents. When a folder cannot be written the user is told, and the
    // documents folder, then the temporary folder, are tried next.
    std::filesystem::path ReportsFolder;
    // A headless caller's file for the first workbook; further workbooks, and
    // a name already taken, get " (2)", " (3)" ... before the extension. An
    // existing file is never replaced. When its folder cannot be written the
    // places above are tried. Empty = names from the time of the hand-over,
    // "Отчет ГГГГ-ММ-ДД чч-мм-сс.xlsx".
    std::filesystem::path OutputFile;
    // The only folder the template is looked for in; empty = the usual
    // places (see FindTemplate).
    std::filesystem::path TemplateFolder;
    // Open the saved files in the desktop's spreadsheet application.
    bool OpenInDesktop = true;
    // Opens one file; null = xdg-open, only when DISPLAY or WAYLAND_DISPLAY
    // is set. With an opener set the display is not asked for.
    std::function<void(const std::filesystem::path&)> Opener;
    // The clock of the file names (local now by default).
    std::function<double()> Now;
  };
  TOptions Options;
  // The names the window shows for the inputs, handed to the writers.
  TInputNames InputNames = DefaultInputNames();

 private:
  bool SaveOne(TWorkbook& book, const std::string& stamp, std::vector<std::filesystem::path>& failedFolders);

  IUserServices& services_;
  TSheetWriters writers_;
  std::unique_ptr<TExcelApp> app_;
  std::string templateName_;
  std::vector<std::filesystem::path> saved_;
};

}  // namespace vedograf
