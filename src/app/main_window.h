#pragma once
// TForm1, the program's only working window. Its widgets carry the object
// names of the designed form; it binds them to the form state, keeps them
// consistent by the enabling rules, and hands everything else to the core:
// the database opening, the area files, the request, the run and the
// settings file.

#include <QMainWindow>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "app/window_rules.h"
#include "areas/control_point.h"
#include "core/report_params.h"
#include "core/request.h"
#include "db/open_base.h"
#include "run/form_state.h"
#include "run/job_file.h"
#include "run/request.h"
#include "run/report_driver.h"

class QAction;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QSplitter;
class QTabWidget;
class QTimeEdit;
class QTimer;
class QWidget;

namespace vedograf {
class IReportOutput;
class TWorkbookOutput;
}

namespace vedograf::settings {
class IRegistry;
}

namespace vedograf::app {

class TAboutBox;
class TForm2;
class TInputNaming;
class TNumericEdit;
class TPageControl;
class TPasswordDlg;
class TQtUserServices;

// What the program entry hands the window: the command line, where the
// settings live, and the spreadsheet side (the tests give their own).
struct TStartOptions {
  std::vector<std::string> Args;   // without the program name
  std::string SettingsPath;        // the settings file
  IReportOutput* Output = nullptr; // null: the workbook engine
  settings::IRegistry* Registry = nullptr;  // null: the platform's (no key on Linux)
  db::TProviderOptions Provider;
};

class TForm1 : public QMainWindow {
  Q_OBJECT
 public:
  explicit TForm1(TStartOptions options, QWidget* parent = nullptr);
  ~TForm1() override;

  // ---- the controls, named as designed ----
  QAction* BaseOpenMenuItem = nullptr;
  QAction* CPointsOpenMenuItem = nullptr;
  QAction* ExitMenuItem = nullptr;
  QAction* AboutMenuItem = nullptr;

  QSplitter* Splitter1 = nullptr;  // GridPanel | ObjectPanel
  QWidget* GridPanel = nullptr;
  QSplitter* Splitter2 = nullptr;  // ObjectsGroupBox / PointsGroupBox
  QGroupBox* ObjectsGroupBox = nullptr;
  QListWidget* ObjectsListBox = nullptr;
  QGroupBox* PointsGroupBox = nullptr;
  QListWidget* PointsListBox = nullptr;

  QFrame* ObjectPanel = nullptr;
  QGroupBox* ReportsGroupBox = nullptr;
  QTimeEdit* STDateTimePicker = nullptr;
  QDateEdit* SDDateTimePicker = nullptr;
  QTimeEdit* FTDateTimePicker = nullptr;
  QDateEdit* FDDateTimePicker = nullptr;
  TPageControl* ReportsPageControl = nullptr;
  QWidget* ReportsTabSheet = nullptr;
  QWidget* InReportsTabSheet = nullptr;
  QWidget* TabSheet1 = nullptr;
  QWidget* ParamsTabSheet = nullptr;
  QPushButton* CalcButton = nullptr;
  QPushButton* ExitButton = nullptr;

  // "Отчеты по маршруту"
  QCheckBox* WayCheckBox = nullptr;
  QCheckBox* DaysCheckBox = nullptr;
  QLabel* ShiftLabel = nullptr;
  QTimeEdit* ShiftDateTimePicker = nullptr;
  QCheckBox* PowerupCheckBox = nullptr;
  QCheckBox* NavLackCheckBox = nullptr;
  QCheckBox* NavFilterCheckBox = nullptr;
  TNumericEdit* MinNavTimeEdit = nullptr;
  QLabel* MinNavTimeLabel = nullptr;
  QCheckBox* PointsCheckBox = nullptr;
  QCheckBox* FilterCheckBox = nullptr;
  TNumericEdit* MinTimeEdit = nullptr;
  QLabel* PeriodLabel = nullptr;
  QCheckBox* StopsCheckBox = nullptr;
  QLabel* MaxSpeedLabel1 = nullptr;
  TNumericEdit* MaxSpeedEdit = nullptr;
  QLabel* MaxSpeedLabel3 = nullptr;
  QCheckBox* TimeFilterCheckBox = nullptr;
  TNumericEdit* MinStopTimeEdit = nullptr;
  QLabel* MinStopTimeLabel = nullptr;
  QCheckBox* SpeedExcessCheckBox = nullptr;
  QLabel* SpeedLabel = nullptr;
  TNumericEdit* SpeedThresholdEdit = nullptr;
  QLabel* SpeedThresholdLabel = nullptr;
  QCheckBox* SpeedFilterCheckBox = nullptr;
  TNumericEdit* MinSpeedTimeEdit = nullptr;
  QLabel* MinSpeedTimeLabel = nullptr;
  QPushButton* Button1 = nullptr;  // never shown; its right edge is the minimum width

  // "Отчеты по входам"
  QCheckBox* SensorsCheckBox = nullptr;
  QCheckBox* SensorFilterCheckBox = nullptr;
  TNumericEdit* MinSensorTimeEdit = nullptr;
  QLabel* MinSensorTimeLabel = nullptr;
  QLabel* InNameLabel = nullptr;
  QLabel* InActiveStateLabel = nullptr;
  std::array<QCheckBox*, 5> InCheckBox{};
  std::array<QLabel*, 5> InLabel{};
  std::array<QComboBox*, 5> InComboBox{};
  QCheckBox* AnalogInputsCheckBox = nullptr;
  QLabel* AnInNameLabel = nullptr;
  QLabel* AnInThresholdLabel = nullptr;
  std::array<QCheckBox*, 3> AnInCheckBox{};
  std::array<QLabel*, 3> AnInLabel{};
  std::array<TNumericEdit*, 3> AnInEdit{};
  QLineEdit* PinNameEdit = nullptr;

  // "Отчеты по топливу"
  QCheckBox* FuelCheckBox = nullptr;
  QCheckBox* LoadCheckBox = nullptr;
  QCheckBox* GraphCheckBox = nullptr;
  QLabel* Label1 = nullptr;
  QComboBox* UseLLSComboBox = nullptr;
  QLabel* SensorLabel = nullptr;
  std::array<QCheckBox*, 3> SensorCheckBox{};
  QLabel* ThresLabel = nullptr;
  std::array<TNumericEdit*, 3> SensThresEdit{};
  QGroupBox* SensGroupBox = nullptr;
  QLabel* Label11 = nullptr;
  TNumericEdit* MinLoadEdit = nullptr;
  QLabel* Label10 = nullptr;
  TNumericEdit* MinUnloadEdit = nullptr;
  QLabel* Label12 = nullptr;
  TNumericEdit* FuelFilterDeltaEdit = nullptr;

  // "Параметры"
  QGroupBox* TimeRadioGroup = nullptr;
  QButtonGroup* TimeRadioButtons = nullptr;
  QLabel* TimeZoneLabel1 = nullptr;
  QLabel* TimeZoneLabel2 = nullptr;
  QPushButton* SignButton = nullptr;
  QSpinBox* HoursCSpinEdit = nullptr;
  QLabel* TimeZoneLabel3 = nullptr;
  QComboBox* MinutesComboBox = nullptr;
  QLabel* TimeZoneLabel4 = nullptr;
  QCheckBox* BaseOpenCheckBox = nullptr;
  QCheckBox* CPointsOpenCheckBox = nullptr;
  QCheckBox* DeleteSheetsCheckBox = nullptr;

  QTimer* BaseOpenTimer = nullptr;

  // ---- the auxiliary windows ----
  TForm2* Form2 = nullptr;
  TAboutBox* AboutBox = nullptr;
  TPasswordDlg* PasswordDlg = nullptr;

  // ---- enabling handlers (also applied by the settings readers) ----
  void WayCheckBoxClick();
  void DaysCheckBoxClick();
  void NavLackCheckBoxClick();
  void NavFilterCheckBoxClick();
  void EnableNavFilterControls(bool flag);
  void PointsCheckBoxClick();
  void FilterCheckBoxClick();
  void EnableFilterControls(bool flag);
  void StopsCheckBoxClick();
  void TimeFilterCheckBoxClick();
  void EnableStopFilterControls(bool flag);
  void SpeedExcessCheckBoxClick();
  void SpeedFilterCheckBoxClick();
  void SensorsCheckBoxClick();
  void EnableInControls(int n, bool flag);  // EnableIn1Controls .. EnableIn5Controls, n from 0
  void InCheckBoxClick(int n);              // In1CheckBoxClick .. In5CheckBoxClick
  void SensorFilterCheckBoxClick();
  void AnalogInputsCheckBoxClick();
  void AnInCheckBoxClick(int n);
  void FuelCheckBoxClick();
  void EnableSensorControls() { FuelCheckBoxClick(); }
  void SensorCheckBoxClick(int n);
  void TimeRadioGroupClick();
  void EnableTimeZone(bool flag);
  void HoursCSpinEditChange();
  void SignButtonClick();
  void UseLLSComboBoxChange();
  // Runs an enabling handler by its designed name ("WayCheckBoxClick",
  // "In3CheckBoxClick"); false for a name the window has no handler for.
  bool ApplyHandler(std::string_view name);

  // ---- layout ----
  TPanelMetrics PanelMetrics() const;
  int GetPanelMinHeight() const;
  int GetPanelMinWidth() const;
  void ObjectPanelResize();
  // Left edge of ObjectPanel in the window's client area.
  int ObjectPanelLeft() const;

  // ---- input naming ----
  TInputNaming& Naming() { return *naming_; }

  // ---- form state ----
  // The widgets' current state as the model holds it.
  TFormState PullState() const;
  // Puts the model's values into the widgets (no enabling handler runs).
  void PushState(const TFormState& state);
  // The model kept in step with the widgets before every core call.
  const TFormState& Form() const { return form_; }

  // ---- actions ----
  void FormShow();
  void BaseOpenTimerTimer();
  void BaseOpenMenuItemClick();
  void CPointsOpenMenuItemClick();
  void AboutMenuItemClick();
  void CalcButtonClick();
  // Opens the database named by OpenDialog1's file name.
  void OpenBase();
  // Reads the area file named by OpenDialog2 (quietly: no message for an
  // unknown kind) and refills the area list.
  void OpenCPoints(bool showError);
  void ReadData();
  void WriteData();

  bool AutoMode() const { return commandLine_.AutoMode; }
  bool RunInProgress() const { return running_; }
  // What the last press of "Вывести" did.
  const TRequestOutcome& LastOutcome() const { return lastOutcome_; }
  // The workbook engine when the window made its own output, else null.
  TWorkbookOutput* Workbook() const { return workbook_; }
  const db::TBaseState& Base() const { return base_; }
  const TControlPointList& Areas() const { return areas_; }
  IUserServices& Services();
  const std::string& VersionText() const;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildMenus();
  void BuildLeftPanel();
  void BuildObjectPanel();
  void BuildRoutePage();
  void BuildInputsPage();
  void BuildFuelPage();
  void BuildParamsPage();
  void ConnectHandlers();
  void DurationEditChanged(TNumericEdit* edit, QLabel* label);
  void FormClose();
  void SetBusy(bool busy, bool wholeWindow);
  void FillObjectsList();
  void FillPointsList();
  void RestorePointsSelection();
  void ApplyGeometry(const TWindowGeometry& g);
  void ApplySplitters(const TWindowGeometry& g);
  TWindowGeometry CurrentGeometry() const;

  TStartOptions options_;
  TFormState form_;
  TCommandLine commandLine_;
  db::TBaseState base_;
  TControlPointList areas_;
  TRequestParams req_;
  TReportParams requestParams_;
  TPersonalParams personal_;
  std::unique_ptr<TQtUserServices> services_;
  std::unique_ptr<IReportOutput> ownOutput_;
  TWorkbookOutput* workbook_ = nullptr;  // the own output, when it is the workbook engine
  std::unique_ptr<settings::IRegistry> ownRegistry_;
  std::unique_ptr<TReportDriver> driver_;
  std::unique_ptr<TInputNaming> naming_;
  std::array<std::string, 3> sensorCaptions_;
  bool atStart_ = false;     // the coming opening is the start-up one
  bool running_ = false;     // a report run or a database opening is in progress
  bool closeAsked_ = false;  // the window was asked to close during a run
  bool closed_ = false;      // FormClose has run
  bool shownOnce_ = false;
  TRequestOutcome lastOutcome_;
};

}  // namespace vedograf::app
