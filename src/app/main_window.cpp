// TForm1's life: the start-up sequence, the binding of the widgets to the
// form state, the actions of the buttons and menus, and the close.

#include "app/main_window.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QFileDialog>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QSplitter>
#include <QTimeEdit>
#include <QTimer>
#include <cmath>

#include "app/aux_windows.h"
#include "app/input_naming.h"
#include "app/qt_user_services.h"
#include "app/widgets.h"
#include "areas/area_files.h"
#include "run/request.h"
#include "settings/legacy_registry.h"
#include "settings/settings_file.h"
#include "sheet/workbook_output.h"

namespace vedograf::app {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

QDate ToQDate(double v) {
  const TDateTimeParts p = DecodeDateTime(v);
  return QDate(p.Year, p.Month, p.Day);
}

QTime ToQTime(double v) {
  const TDateTimeParts p = DecodeDateTime(v);
  return QTime(p.Hour, p.Minute, p.Second);
}

// A date picker keeps the time of day it was given; a time picker its date.
double WithDate(double whole, const QDate& d) {
  return EncodeDate(d.year(), d.month(), d.day()) + (whole - std::floor(whole));
}
double WithTime(double whole, const QTime& t) {
  return std::floor(whole) + EncodeTime(t.hour(), t.minute(), t.second());
}

void SetTextIfChanged(QLineEdit* edit, const std::string& text) {
  const QString q = Q(text);
  if (edit->text() != q) edit->setText(q);
}

// "Все файлы (*.*)|*.*|База данных Access (*.mdb)|*.mdb" as the file
// dialog's filters. "*.*" stands for every file, with or without a dot.
QStringList DialogFilters(std::string_view filter) {
  QStringList parts = QString::fromUtf8(filter.data(), static_cast<qsizetype>(filter.size())).split(u'|');
  QStringList out;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString name = parts[i];
    if (parts[i + 1] == QStringLiteral("*.*")) name.replace(QStringLiteral("(*.*)"), QStringLiteral("(*)"));
    out << name;
  }
  return out;
}

// The settings readers set the model; each handler they apply must see the
// values set so far, so the model goes into the widgets before it runs.
class THandlers : public ISettingsHandlers {
 public:
  THandlers(TForm1& w, TFormState& f) : w_(w), f_(f) {}
  void DaysCheckBoxClick() override { Run(&TForm1::DaysCheckBoxClick); }
  void NavFilterCheckBoxClick() override { Run(&TForm1::NavFilterCheckBoxClick); }
  void NavLackCheckBoxClick() override { Run(&TForm1::NavLackCheckBoxClick); }
  void FilterCheckBoxClick() override { Run(&TForm1::FilterCheckBoxClick); }
  void PointsCheckBoxClick() override { Run(&TForm1::PointsCheckBoxClick); }
  void TimeFilterCheckBoxClick() override { Run(&TForm1::TimeFilterCheckBoxClick); }
  void StopsCheckBoxClick() override { Run(&TForm1::StopsCheckBoxClick); }
  void InCheckBoxClick(int n) override { RunN(&TForm1::InCheckBoxClick, n, 5); }
  void SensorFilterCheckBoxClick() override { Run(&TForm1::SensorFilterCheckBoxClick); }
  void SensorsCheckBoxClick() override { Run(&TForm1::SensorsCheckBoxClick); }
  void UseLLSComboBoxChange() override { Run(&TForm1::UseLLSComboBoxChange); }
  void SensorCheckBoxClick(int n) override { RunN(&TForm1::SensorCheckBoxClick, n, 3); }
  void FuelCheckBoxClick() override { Run(&TForm1::FuelCheckBoxClick); }
  void TimeRadioGroupClick() override { Run(&TForm1::TimeRadioGroupClick); }
  void SpeedFilterCheckBoxClick() override { Run(&TForm1::SpeedFilterCheckBoxClick); }
  void SpeedExcessCheckBoxClick() override { Run(&TForm1::SpeedExcessCheckBoxClick); }
  void AnInCheckBoxClick(int n) override { RunN(&TForm1::AnInCheckBoxClick, n, 3); }
  void AnalogInputsCheckBoxClick() override { Run(&TForm1::AnalogInputsCheckBoxClick); }

 private:
  void Run(void (TForm1::*handler)()) {
    w_.PushState(f_);
    (w_.*handler)();
  }
  void RunN(void (TForm1::*handler)(int), int n, int count) {
    if (n < 1 || n > count) return;
    w_.PushState(f_);
    (w_.*handler)(n - 1);
  }
  TForm1& w_;
  TFormState& f_;
};

}  // namespace

TForm1::TForm1(TStartOptions options, QWidget* parent) : QMainWindow(parent), options_(std::move(options)) {
  setObjectName("Form1");
  setWindowTitle(QString::fromUtf8(kProgramName.data(), static_cast<qsizetype>(kProgramName.size())));
  QFont font = this->font();
  font.setPointSize(8);
  setFont(font);
  resize(685, 523);

  BuildMenus();
  BuildLeftPanel();
  BuildObjectPanel();
  Splitter1 = new QSplitter(Qt::Horizontal);
  Splitter1->setObjectName("Splitter1");
  Splitter1->setHandleWidth(6);
  Splitter1->setOpaqueResize(true);
  Splitter1->setChildrenCollapsible(false);
  Splitter1->addWidget(GridPanel);
  Splitter1->addWidget(ObjectPanel);
  Splitter1->setStretchFactor(0, 0);
  Splitter1->setStretchFactor(1, 1);
  Splitter1->setSizes({248, 431});
  setCentralWidget(Splitter1);

  BaseOpenTimer = new QTimer(this);
  BaseOpenTimer->setObjectName("BaseOpenTimer");
  BaseOpenTimer->setInterval(100);
  BaseOpenTimer->setSingleShot(true);

  // The auxiliary windows exist before anything can need them; the start-up
  // sequence below may already show a message.
  Form2 = new TForm2(this);
  AboutBox = new TAboutBox(this);
  PasswordDlg = new TPasswordDlg(this);
  services_ = std::make_unique<TQtUserServices>(this, Form2, PasswordDlg);
  IReportOutput* output = options_.Output;
  if (output == nullptr) {
    auto own = std::make_unique<TWorkbookOutput>(*services_);
    workbook_ = own.get();
    output = own.get();
    ownOutput_ = std::move(own);
  }
  driver_ = std::make_unique<TReportDriver>(*services_, *output, TMemory::Default());
  if (options_.Registry == nullptr) {
    ownRegistry_ = settings::PlatformRegistry();
    options_.Registry = ownRegistry_.get();
  }

  ConnectHandlers();
  connect(BaseOpenTimer, &QTimer::timeout, this, &TForm1::BaseOpenTimerTimer);
  connect(CalcButton, &QPushButton::clicked, this, &TForm1::CalcButtonClick);
  connect(ExitButton, &QPushButton::clicked, this, &QWidget::close);
  connect(ExitMenuItem, &QAction::triggered, this, &QWidget::close);
  connect(BaseOpenMenuItem, &QAction::triggered, this, &TForm1::BaseOpenMenuItemClick);
  connect(CPointsOpenMenuItem, &QAction::triggered, this, &TForm1::CPointsOpenMenuItemClick);
  connect(AboutMenuItem, &QAction::triggered, this, &TForm1::AboutMenuItemClick);
  for (QWidget* w : {static_cast<QWidget*>(ObjectPanel), ReportsTabSheet, InReportsTabSheet,
                     static_cast<QWidget*>(ReportsGroupBox)})
    w->installEventFilter(this);

  // 1. The input labels, in the order the input sheets count them.
  naming_ = std::make_unique<TInputNaming>(
      PinNameEdit, std::array<QLabel*, 8>{InLabel[0], InLabel[1], InLabel[2], InLabel[3], InLabel[4], AnInLabel[0],
                                          AnInLabel[1], AnInLabel[2]});
  // 2. The page control below the interval group, then the first layout.
  ReportsPageControl->move(ReportsPageControl->x(), ReportsGroupBox->height() + 2 * ReportsGroupBox->y());
  ObjectPanelResize();
  // 3. The area list starts empty (areas_). 4. The stored settings.
  form_ = PullState();
  // The native window, so its frame is known (where the platform says it
  // before mapping) when the stored outer bounds are turned into sizes.
  winId();
  ReadData();
  // 5. The command line.
  commandLine_ = ProcessCommandLine(options_.Args);
  // 6. The last area file, quietly, and the saved area selection.
  if (CPointsOpenCheckBox->isChecked() || commandLine_.AutoMode) OpenCPoints(false);
  RestorePointsSelection();
  PointsListBox->scrollToTop();
  // 7. The job-file list starts empty (personal_).
}

TForm1::~TForm1() {
  BaseOpenTimer->stop();
  // Widgets go before the services the core might still call.
  naming_.reset();
}

IUserServices& TForm1::Services() { return *services_; }

const std::string& TForm1::VersionText() const { return AboutBox->VersionText(); }

// ---- form state ----

TFormState TForm1::PullState() const {
  TFormState s = form_;
  s.STDateTimePicker = WithTime(form_.STDateTimePicker, STDateTimePicker->time());
  s.SDDateTimePicker = WithDate(form_.SDDateTimePicker, SDDateTimePicker->date());
  s.FTDateTimePicker = WithTime(form_.FTDateTimePicker, FTDateTimePicker->time());
  s.FDDateTimePicker = WithDate(form_.FDDateTimePicker, FDDateTimePicker->date());
  auto text = [](const QLineEdit* e) { return e->text().toStdString(); };
  s.WayCheckBox = WayCheckBox->isChecked();
  s.DaysCheckBox = DaysCheckBox->isChecked();
  s.ShiftDateTimePicker = WithTime(form_.ShiftDateTimePicker, ShiftDateTimePicker->time());
  s.PowerupCheckBox = PowerupCheckBox->isChecked();
  s.NavLackCheckBox = NavLackCheckBox->isChecked();
  s.NavFilterCheckBox = NavFilterCheckBox->isChecked();
  s.MinNavTimeEdit = text(MinNavTimeEdit);
  s.PointsCheckBox = PointsCheckBox->isChecked();
  s.FilterCheckBox = FilterCheckBox->isChecked();
  s.MinTimeEdit = text(MinTimeEdit);
  s.StopsCheckBox = StopsCheckBox->isChecked();
  s.MaxSpeedEdit = text(MaxSpeedEdit);
  s.TimeFilterCheckBox = TimeFilterCheckBox->isChecked();
  s.MinStopTimeEdit = text(MinStopTimeEdit);
  s.SpeedExcessCheckBox = SpeedExcessCheckBox->isChecked();
  s.SpeedThresholdEdit = text(SpeedThresholdEdit);
  s.SpeedFilterCheckBox = SpeedFilterCheckBox->isChecked();
  s.MinSpeedTimeEdit = text(MinSpeedTimeEdit);
  s.SensorsCheckBox = SensorsCheckBox->isChecked();
  s.SensorFilterCheckBox = SensorFilterCheckBox->isChecked();
  s.MinSensorTimeEdit = text(MinSensorTimeEdit);
  for (int n = 0; n < 5; ++n) {
    s.InCheckBox[n] = InCheckBox[n]->isChecked();
    s.InComboBox[n] = InComboBox[n]->currentIndex();
    s.InLabel[n] = InLabel[n]->text().toStdString();
  }
  s.AnalogInputsCheckBox = AnalogInputsCheckBox->isChecked();
  for (int n = 0; n < 3; ++n) {
    s.AnInCheckBox[n] = AnInCheckBox[n]->isChecked();
    s.AnInEdit[n] = text(AnInEdit[n]);
    s.AnInLabel[n] = AnInLabel[n]->text().toStdString();
    s.SensorCheckBox[n] = SensorCheckBox[n]->isChecked();
    s.SensThresEdit[n] = text(SensThresEdit[n]);
  }
  s.FuelCheckBox = FuelCheckBox->isChecked();
  s.LoadCheckBox = LoadCheckBox->isChecked();
  s.GraphCheckBox = GraphCheckBox->isChecked();
  s.UseLLSComboBox = UseLLSComboBox->currentIndex();
  s.MinLoadEdit = text(MinLoadEdit);
  s.MinUnloadEdit = text(MinUnloadEdit);
  s.FuelFilterDeltaEdit = text(FuelFilterDeltaEdit);
  s.TimeRadioGroup = TimeRadioButtons->checkedId();
  s.SignButton = SignButton->text().toStdString();
  s.HoursCSpinEdit = HoursCSpinEdit->value();
  s.MinutesComboBox = MinutesComboBox->currentIndex();
  s.BaseOpenCheckBox = BaseOpenCheckBox->isChecked();
  s.CPointsOpenCheckBox = CPointsOpenCheckBox->isChecked();
  s.DeleteSheetsCheckBox = DeleteSheetsCheckBox->isChecked();
  s.ReportsPageControl = ReportsPageControl->currentIndex();
  s.Geometry = CurrentGeometry();
  auto selection = [](const QListWidget* list, TListState& state) {
    state.Selected.assign(state.Items.size(), false);
    for (int i = 0; i < list->count() && i < static_cast<int>(state.Items.size()); ++i)
      state.Selected[static_cast<std::size_t>(i)] = list->item(i)->isSelected();
  };
  selection(ObjectsListBox, s.ObjectsListBox);
  selection(PointsListBox, s.PointsListBox);
  return s;
}

void TForm1::PushState(const TFormState& s) {
  form_.STDateTimePicker = s.STDateTimePicker;
  form_.SDDateTimePicker = s.SDDateTimePicker;
  form_.FTDateTimePicker = s.FTDateTimePicker;
  form_.FDDateTimePicker = s.FDDateTimePicker;
  form_.ShiftDateTimePicker = s.ShiftDateTimePicker;
  form_.OpenDialog1 = s.OpenDialog1;
  form_.OpenDialog2 = s.OpenDialog2;
  form_.ReportsFolder = s.ReportsFolder;
  form_.SavedPointsText = s.SavedPointsText;
  form_.SavedObjectsText = s.SavedObjectsText;
  STDateTimePicker->setTime(ToQTime(s.STDateTimePicker));
  SDDateTimePicker->setDate(ToQDate(s.SDDateTimePicker));
  FTDateTimePicker->setTime(ToQTime(s.FTDateTimePicker));
  FDDateTimePicker->setDate(ToQDate(s.FDDateTimePicker));
  WayCheckBox->setChecked(s.WayCheckBox);
  DaysCheckBox->setChecked(s.DaysCheckBox);
  ShiftDateTimePicker->setTime(ToQTime(s.ShiftDateTimePicker));
  PowerupCheckBox->setChecked(s.PowerupCheckBox);
  NavLackCheckBox->setChecked(s.NavLackCheckBox);
  NavFilterCheckBox->setChecked(s.NavFilterCheckBox);
  SetTextIfChanged(MinNavTimeEdit, s.MinNavTimeEdit);
  PointsCheckBox->setChecked(s.PointsCheckBox);
  FilterCheckBox->setChecked(s.FilterCheckBox);
  SetTextIfChanged(MinTimeEdit, s.MinTimeEdit);
  StopsCheckBox->setChecked(s.StopsCheckBox);
  SetTextIfChanged(MaxSpeedEdit, s.MaxSpeedEdit);
  TimeFilterCheckBox->setChecked(s.TimeFilterCheckBox);
  SetTextIfChanged(MinStopTimeEdit, s.MinStopTimeEdit);
  SpeedExcessCheckBox->setChecked(s.SpeedExcessCheckBox);
  SetTextIfChanged(SpeedThresholdEdit, s.SpeedThresholdEdit);
  SpeedFilterCheckBox->setChecked(s.SpeedFilterCheckBox);
  SetTextIfChanged(MinSpeedTimeEdit, s.MinSpeedTimeEdit);
  SensorsCheckBox->setChecked(s.SensorsCheckBox);
  SensorFilterCheckBox->setChecked(s.SensorFilterCheckBox);
  SetTextIfChanged(MinSensorTimeEdit, s.MinSensorTimeEdit);
  for (int n = 0; n < 5; ++n) {
    InCheckBox[n]->setChecked(s.InCheckBox[n]);
    // An index the list does not have leaves no entry chosen.
    InComboBox[n]->setCurrentIndex(s.InComboBox[n] >= 0 && s.InComboBox[n] < 2 ? s.InComboBox[n] : -1);
    InLabel[n]->setText(Q(s.InLabel[n]));
  }
  AnalogInputsCheckBox->setChecked(s.AnalogInputsCheckBox);
  for (int n = 0; n < 3; ++n) {
    AnInCheckBox[n]->setChecked(s.AnInCheckBox[n]);
    SetTextIfChanged(AnInEdit[n], s.AnInEdit[n]);
    AnInLabel[n]->setText(Q(s.AnInLabel[n]));
    SensorCheckBox[n]->setChecked(s.SensorCheckBox[n]);
    SetTextIfChanged(SensThresEdit[n], s.SensThresEdit[n]);
  }
  FuelCheckBox->setChecked(s.FuelCheckBox);
  LoadCheckBox->setChecked(s.LoadCheckBox);
  GraphCheckBox->setChecked(s.GraphCheckBox);
  {
    // The captions change only when the handler is applied, as designed.
    const QSignalBlocker block(UseLLSComboBox);
    UseLLSComboBox->setCurrentIndex(s.UseLLSComboBox == 1 ? 1 : 0);
  }
  SetTextIfChanged(MinLoadEdit, s.MinLoadEdit);
  SetTextIfChanged(MinUnloadEdit, s.MinUnloadEdit);
  SetTextIfChanged(FuelFilterDeltaEdit, s.FuelFilterDeltaEdit);
  if (QAbstractButton* radio = TimeRadioButtons->button(s.TimeRadioGroup)) radio->setChecked(true);
  SignButton->setText(s.SignButton == "-" ? QStringLiteral("-") : QStringLiteral("+"));
  HoursCSpinEdit->setValue(s.HoursCSpinEdit);
  MinutesComboBox->setCurrentIndex(s.MinutesComboBox >= 0 && s.MinutesComboBox < 4 ? s.MinutesComboBox : 0);
  BaseOpenCheckBox->setChecked(s.BaseOpenCheckBox);
  CPointsOpenCheckBox->setChecked(s.CPointsOpenCheckBox);
  DeleteSheetsCheckBox->setChecked(s.DeleteSheetsCheckBox);
  ReportsPageControl->setCurrentIndex(s.ReportsPageControl >= 0 && s.ReportsPageControl < kPageCount
                                          ? s.ReportsPageControl
                                          : 0);
}

TWindowGeometry TForm1::CurrentGeometry() const {
  TWindowGeometry g;
  const QRect outer = frameGeometry();
  g.Left = outer.x();
  g.Top = outer.y();
  g.Width = outer.width();
  g.Height = outer.height();
  g.LWidth = GridPanel->width();
  g.THeight = ObjectsGroupBox->height();
  return g;
}

void TForm1::ApplyGeometry(const TWindowGeometry& g) {
  const QMargins frame(geometry().left() - frameGeometry().left(), geometry().top() - frameGeometry().top(),
                       frameGeometry().right() - geometry().right(), frameGeometry().bottom() - geometry().bottom());
  resize(g.Width - frame.left() - frame.right(), g.Height - frame.top() - frame.bottom());
  move(g.Left, g.Top);
  ApplySplitters(g);
}

void TForm1::ApplySplitters(const TWindowGeometry& g) {
  const int client = Splitter1->width();
  Splitter1->setSizes({g.LWidth, std::max(1, client - g.LWidth - Splitter1->handleWidth())});
  const int clientH = Splitter2->height();
  Splitter2->setSizes({g.THeight, std::max(1, clientH - g.THeight - Splitter2->handleWidth())});
}

// ---- settings ----

void TForm1::ReadData() {
  TFormState state = PullState();
  // Nothing is laid out yet: the defaults of the split positions are the
  // designed ones, not what the unshown widgets measure.
  state.Geometry.LWidth = TWindowGeometry{}.LWidth;
  state.Geometry.THeight = TWindowGeometry{}.THeight;
  THandlers handlers(*this, state);
  settings::TRegistryMetrics metrics;
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    metrics.ScreenWidth = screen->geometry().width();
    metrics.ScreenHeight = screen->geometry().height();
  }
  metrics.PanelMinHeight = GetPanelMinHeight();
  metrics.PanelMinWidth = GetPanelMinWidth();
  metrics.FrameWidth = frameGeometry().width() - width();
  metrics.FrameHeight = frameGeometry().height() - height() + menuBar()->sizeHint().height();
  metrics.SplitterWidth = Splitter1->handleWidth();
  metrics.FallbackClientHeight = CalcButton->geometry().bottom() + 1 + ReportsGroupBox->y();
  metrics.FallbackClientWidth = ObjectPanelLeft() + 2 * ReportsGroupBox->x() + ReportsGroupBox->width();
  if (!settings::ReadRegistryData(*options_.Registry, state, &handlers, metrics))
    ReadIniData(options_.SettingsPath, state, &handlers, metrics);
  settings::DeleteRegistryData(*options_.Registry);
  PushState(state);
  ApplyGeometry(state.Geometry);
  form_ = PullState();
  form_.Geometry = state.Geometry;
}

void TForm1::WriteData() {
  form_ = PullState();
  vedograf::WriteData(options_.SettingsPath, form_, *services_);
}

// ---- lists ----

void TForm1::FillObjectsList() {
  form_.ObjectsListBox.SetItems(base_.Items);
  ObjectsListBox->clear();
  for (const auto& item : base_.Items) ObjectsListBox->addItem(Q(item));
}

void TForm1::FillPointsList() {
  form_.PointsListBox.SetItems(AreaNames(areas_));
  PointsListBox->clear();
  for (const auto& item : form_.PointsListBox.Items) PointsListBox->addItem(Q(item));
}

void TForm1::RestorePointsSelection() {
  TListState state = form_.PointsListBox;
  vedograf::RestorePointsSelection(state, form_.SavedPointsText);
  for (int i = 0; i < PointsListBox->count(); ++i) PointsListBox->item(i)->setSelected(state.IsSelected(static_cast<std::size_t>(i)));
}

// ---- actions ----

void TForm1::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!shownOnce_) {
    shownOnce_ = true;
    // The window frame and the first layout exist only now: the stored outer
    // bounds and the splitter positions (pixels, which the unshown splitters
    // took as proportions) go in again.
    ApplyGeometry(form_.Geometry);
    FormShow();
  }
}

void TForm1::FormShow() {
  if (BaseOpenCheckBox->isChecked() || commandLine_.AutoMode) BaseOpenTimer->start();
}

void TForm1::BaseOpenTimerTimer() {
  BaseOpenTimer->stop();
  atStart_ = true;
  OpenBase();
}

void TForm1::SetBusy(bool busy, bool wholeWindow) {
  CalcButton->setEnabled(!busy);
  BaseOpenMenuItem->setEnabled(!busy);
  CPointsOpenMenuItem->setEnabled(!busy);
  if (wholeWindow) centralWidget()->setEnabled(!busy);
}

void TForm1::OpenBase() {
  if (running_) return;
  running_ = true;
  SetBusy(true, true);
  form_ = PullState();
  const int rc = db::OpenBase(form_.OpenDialog1.FileName, *services_, base_, options_.Provider);
  setWindowTitle(Q(base_.Caption));
  FillObjectsList();
  SetBusy(false, true);
  running_ = false;
  if (closeAsked_) {
    close();
    return;
  }
  if (rc != 0) return;
  if (atStart_) {
    TListState state = form_.ObjectsListBox;
    RestoreObjectsSelection(state, form_.SavedObjectsText);
    for (int i = 0; i < ObjectsListBox->count(); ++i) ObjectsListBox->item(i)->setSelected(state.IsSelected(static_cast<std::size_t>(i)));
    atStart_ = false;
  }
  ObjectPanelResize();
  if (commandLine_.AutoMode) CalcButtonClick();
}

void TForm1::OpenCPoints(bool showError) {
  if (running_) return;
  if (vedograf::OpenCPoints(form_.OpenDialog2.FileName, showError, *services_, areas_)) FillPointsList();
}

namespace {

// Runs one of the two open dialogs over `state`; true when a file was chosen.
bool RunOpenDialog(QWidget* parent, const char* name, std::string_view filter, TOpenDialogState& state) {
  QFileDialog dialog(parent);
  dialog.setObjectName(name);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  const QStringList filters = DialogFilters(filter);
  dialog.setNameFilters(filters);
  if (state.FilterIndex >= 1 && state.FilterIndex <= filters.size())
    dialog.selectNameFilter(filters[state.FilterIndex - 1]);
  const QFileInfo current(Q(state.FileName));
  if (!state.FileName.empty()) {
    dialog.setDirectory(current.absolutePath());
    if (current.isFile()) dialog.selectFile(current.fileName());
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  state.FileName = dialog.selectedFiles().front().toStdString();
  state.FilterIndex = static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1;
  return true;
}

}  // namespace

void TForm1::BaseOpenMenuItemClick() {
  if (running_) return;
  if (RunOpenDialog(this, "OpenDialog1", kBaseDialogFilter, form_.OpenDialog1)) {
    atStart_ = false;
    OpenBase();
  }
  ObjectPanelResize();
}

void TForm1::CPointsOpenMenuItemClick() {
  if (running_) return;
  if (!RunOpenDialog(this, "OpenDialog2", kPointsDialogFilter, form_.OpenDialog2)) return;
  if (!vedograf::OpenCPoints(form_.OpenDialog2.FileName, true, *services_, areas_)) return;
  FillPointsList();
  PointsListBox->selectAll();
  PointsListBox->scrollToTop();
}

void TForm1::AboutMenuItemClick() { AboutBox->exec(); }

void TForm1::CalcButtonClick() {
  if (running_) return;
  running_ = true;
  SetBusy(true, false);
  form_ = PullState();
  if (workbook_ != nullptr) {
    workbook_->InputNames = {form_.InLabel[0],  form_.InLabel[1],  form_.InLabel[2],  form_.InLabel[3],
                             form_.InLabel[4],  form_.AnInLabel[0], form_.AnInLabel[1], form_.AnInLabel[2]};
    if (!form_.ReportsFolder.empty()) workbook_->Options.ReportsFolder = form_.ReportsFolder;
  }
  TRequestContext ctx{form_, *services_, base_.Objects, &areas_, base_.Database.get(), req_, requestParams_,
                      personal_, commandLine_.AutoMode, commandLine_.AutoFileName, commandLine_.AutoFileGiven};
  lastOutcome_ = vedograf::CalcButtonClick(ctx, DriverStarter(*driver_, *services_));
  SetBusy(false, false);
  running_ = false;
  if (closeAsked_) close();
}

// ---- events and close ----

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonPress) {
    // A click on the pages' background, the interval group or the panel
    // keeps the name being typed.
    naming_->ClosePinNameEdit(true);
  } else if (watched == ObjectPanel && event->type() == QEvent::Resize) {
    ObjectPanelResize();
  }
  return QMainWindow::eventFilter(watched, event);
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (running_) {
    // The run's objects, rows and areas must outlive it: close once it ends.
    closeAsked_ = true;
    event->ignore();
    return;
  }
  FormClose();
  event->accept();
}

void TForm1::FormClose() {
  if (closed_) return;
  closed_ = true;
  WriteData();
  try {
    base_.Objects.clear();
    areas_.Clear();
    base_.Database.reset();
    if (workbook_ != nullptr) workbook_->QuitExcel();
  } catch (...) {
    // Nothing of the release may stop the close.
  }
}

}  // namespace vedograf::app
