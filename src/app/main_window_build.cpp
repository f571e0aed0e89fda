// The designed form: every control with its name, caption, initial state and
// place. Rows within a page are placed by hand, as the designed form does, so
// the sizing rules of the right-hand panel keep their meaning.

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QSplitter>
#include <QTabBar>
#include <QTimeEdit>
#include <QVBoxLayout>

#include "app/main_window.h"
#include "app/widgets.h"

namespace vedograf::app {

namespace {

QString Q(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

template <class W>
W* Named(W* w, const QString& name) {
  w->setObjectName(name);
  return w;
}

QCheckBox* Check(QWidget* parent, const char* name, const char* caption, int left, int top, int width = 260) {
  auto* box = Named(new QCheckBox(QString::fromUtf8(caption), parent), name);
  box->setGeometry(left, top, width, 17);
  box->setChecked(true);
  return box;
}

QLabel* Label(QWidget* parent, const char* name, const char* caption, int left, int top, int width) {
  auto* label = Named(new QLabel(QString::fromUtf8(caption), parent), name);
  label->setGeometry(left, top, width, 17);
  return label;
}

TNumericEdit* Edit(QWidget* parent, const QString& name, const char* text, TEditKeys keys, int maxLength, int left,
                   int top, int width = 41) {
  auto* edit = Named(new TNumericEdit(keys, maxLength, parent), name);
  edit->setText(QString::fromUtf8(text));
  edit->setGeometry(left, top, width, 21);
  return edit;
}

QTimeEdit* TimePicker(QWidget* parent, const char* name) {
  auto* picker = Named(new QTimeEdit(parent), name);
  picker->setDisplayFormat(QStringLiteral("HH:mm"));
  picker->setTime(QTime(0, 0));
  return picker;
}

QDateEdit* DatePicker(QWidget* parent, const char* name) {
  auto* picker = Named(new QDateEdit(parent), name);
  picker->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
  picker->setCalendarPopup(true);
  picker->setDate(QDate(2001, 1, 1));
  return picker;
}

// Columns of the route page: parameters stand indented under their report.
constexpr int kIndent1 = 8, kIndent2 = 26, kIndent3 = 44;
constexpr int kEditLeft = 232, kUnitLeft = 278, kUnitWidth = 120;

}  // namespace

void TForm1::BuildMenus() {
  QMenu* file = menuBar()->addMenu(QStringLiteral("&Файл"));
  file->setObjectName("FileMenuItem");
  BaseOpenMenuItem = Named(file->addAction(QStringLiteral("Открыть &базу данных...")), "BaseOpenMenuItem");
  CPointsOpenMenuItem =
      Named(file->addAction(QStringLiteral("Открыть &контрольные районы...")), "CPointsOpenMenuItem");
  file->addSeparator();
  ExitMenuItem = Named(file->addAction(QStringLiteral("&Выход")), "ExitMenuItem");
  QMenu* help = menuBar()->addMenu(QStringLiteral("&Помощь"));
  help->setObjectName("HelpMenuItem");
  AboutMenuItem = Named(help->addAction(QStringLiteral("&О программе...")), "AboutMenuItem");
}

void TForm1::BuildLeftPanel() {
  GridPanel = Named(new QWidget, "GridPanel");
  auto* gridLayout = new QVBoxLayout(GridPanel);
  gridLayout->setContentsMargins(0, 0, 0, 0);
  Splitter2 = Named(new QSplitter(Qt::Vertical, GridPanel), "Splitter2");
  Splitter2->setHandleWidth(6);
  Splitter2->setOpaqueResize(true);
  Splitter2->setChildrenCollapsible(false);
  gridLayout->addWidget(Splitter2);

  auto makeGroup = [](const char* name, const char* caption, QListWidget*& list, const char* listName) {
    auto* group = Named(new QGroupBox(QString::fromUtf8(caption)), name);
    auto* layout = new QVBoxLayout(group);
    layout->setContentsMargins(2, 2, 2, 2);
    list = Named(new QListWidget(group), listName);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    layout->addWidget(list);
    group->setMinimumHeight(30);  // the splitter's minimum size
    return group;
  };
  ObjectsGroupBox = makeGroup("ObjectsGroupBox", "Объекты", ObjectsListBox, "ObjectsListBox");
  PointsGroupBox = makeGroup("PointsGroupBox", "Контрольные районы", PointsListBox, "PointsListBox");
  Splitter2->addWidget(ObjectsGroupBox);
  Splitter2->addWidget(PointsGroupBox);
  Splitter2->setStretchFactor(0, 0);
  Splitter2->setStretchFactor(1, 1);
  Splitter2->setSizes({201, 300});
  GridPanel->setMinimumWidth(30);
}

void TForm1::BuildObjectPanel() {
  ObjectPanel = Named(new QFrame, "ObjectPanel");
  ObjectPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  ObjectPanel->setMinimumWidth(30);

  ReportsGroupBox = Named(new QGroupBox(QStringLiteral("Временной интервал"), ObjectPanel), "ReportsGroupBox");
  ReportsGroupBox->setGeometry(8, 8, 409, 49);
  // Typing order: start time, start date, end time, end date.
  Label(ReportsGroupBox, "Label2", "с", 8, 22, 14);
  STDateTimePicker = TimePicker(ReportsGroupBox, "STDateTimePicker");
  STDateTimePicker->setGeometry(24, 18, 58, 22);
  SDDateTimePicker = DatePicker(ReportsGroupBox, "SDDateTimePicker");
  SDDateTimePicker->setGeometry(86, 18, 100, 22);
  Label(ReportsGroupBox, "Label3", "по", 196, 22, 20);
  FTDateTimePicker = TimePicker(ReportsGroupBox, "FTDateTimePicker");
  FTDateTimePicker->setGeometry(220, 18, 58, 22);
  FDDateTimePicker = DatePicker(ReportsGroupBox, "FDDateTimePicker");
  FDDateTimePicker->setGeometry(282, 18, 100, 22);

  ReportsPageControl = Named(new TPageControl(ObjectPanel), "ReportsPageControl");
  ReportsPageControl->setGeometry(8, 8, 409, 369);
  // The four captions must fit side by side into the page control's minimum
  // width; common Linux fonts run wider than the designed one.
  QFont tabFont = ReportsPageControl->tabBar()->font();
  tabFont.setStretch(QFont::Condensed);
  ReportsPageControl->tabBar()->setFont(tabFont);
  // When they still do not fit, all four stay in sight with shortened
  // captions rather than hiding behind scroll arrows.
  ReportsPageControl->setUsesScrollButtons(false);
  ReportsPageControl->setElideMode(Qt::ElideRight);
  ReportsTabSheet = Named(new QWidget, "ReportsTabSheet");
  InReportsTabSheet = Named(new QWidget, "InReportsTabSheet");
  TabSheet1 = Named(new QWidget, "TabSheet1");
  ParamsTabSheet = Named(new QWidget, "ParamsTabSheet");
  ReportsPageControl->addTab(ReportsTabSheet, QStringLiteral("Отчеты по маршруту"));
  ReportsPageControl->addTab(InReportsTabSheet, QStringLiteral("Отчеты по входам"));
  ReportsPageControl->addTab(TabSheet1, QStringLiteral("Отчеты по топливу"));
  ReportsPageControl->addTab(ParamsTabSheet, QStringLiteral("Параметры"));
  BuildRoutePage();
  BuildInputsPage();
  BuildFuelPage();
  BuildParamsPage();
  ReportsPageControl->setCurrentIndex(2);

  CalcButton = Named(new QPushButton(QStringLiteral("Вывести"), ObjectPanel), "CalcButton");
  ExitButton = Named(new QPushButton(QStringLiteral("Выход"), ObjectPanel), "ExitButton");
  CalcButton->setGeometry(234, 385, 87, 25);
  ExitButton->setGeometry(329, 385, 87, 25);
}

void TForm1::BuildRoutePage() {
  QWidget* p = ReportsTabSheet;
  WayCheckBox = Check(p, "WayCheckBox", "Путевые и дополнительные параметры", kIndent1, 8);
  DaysCheckBox = Check(p, "DaysCheckBox", "Посуточная раскладка", kIndent2, 30);
  ShiftLabel = Label(p, "ShiftLabel", "Начало смены", kIndent3, 54, 120);
  ShiftDateTimePicker = TimePicker(p, "ShiftDateTimePicker");
  ShiftDateTimePicker->setGeometry(kEditLeft - 16, 51, 58, 22);
  PowerupCheckBox = Check(p, "PowerupCheckBox", "Выключение контроллера", kIndent1, 78);

  NavLackCheckBox = Check(p, "NavLackCheckBox", "Пропадание навигации", kIndent1, 100);
  NavFilterCheckBox = Check(p, "NavFilterCheckBox", "Исключать интервалы короче", kIndent2, 122, 204);
  MinNavTimeEdit = Edit(p, "MinNavTimeEdit", "30", TEditKeys::Digits, 4, kEditLeft, 120);
  MinNavTimeLabel = Label(p, "MinNavTimeLabel", "с", kUnitLeft, 122, kUnitWidth);

  PointsCheckBox = Check(p, "PointsCheckBox", "Нахождение в контрольных районах", kIndent1, 146);
  FilterCheckBox = Check(p, "FilterCheckBox", "Исключать интервалы короче", kIndent2, 168, 204);
  MinTimeEdit = Edit(p, "MinTimeEdit", "30", TEditKeys::Digits, 4, kEditLeft, 166);
  PeriodLabel = Label(p, "PeriodLabel", "с", kUnitLeft, 168, kUnitWidth);

  StopsCheckBox = Check(p, "StopsCheckBox", "Остановки", kIndent1, 192);
  MaxSpeedLabel1 = Label(p, "MaxSpeedLabel1", "Порог скорости", kIndent2 + 18, 214, 150);
  MaxSpeedEdit = Edit(p, "MaxSpeedEdit", "3", TEditKeys::Digits, 3, kEditLeft, 212);
  MaxSpeedLabel3 = Label(p, "MaxSpeedLabel3", "км/ч", kUnitLeft, 214, kUnitWidth);
  TimeFilterCheckBox = Check(p, "TimeFilterCheckBox", "Порог длительности", kIndent2, 236, 204);
  MinStopTimeEdit = Edit(p, "MinStopTimeEdit", "60", TEditKeys::Digits, 4, kEditLeft, 234);
  MinStopTimeLabel = Label(p, "MinStopTimeLabel", "с", kUnitLeft, 236, kUnitWidth);

  SpeedExcessCheckBox = Check(p, "SpeedExcessCheckBox", "Превышения скорости", kIndent1, 258);
  SpeedLabel = Label(p, "SpeedLabel", "Порог скорости", kIndent2 + 18, 282, 150);
  SpeedThresholdEdit = Edit(p, "SpeedThresholdEdit", "80", TEditKeys::Digits, 3, kEditLeft, 280);
  SpeedThresholdLabel = Label(p, "SpeedThresholdLabel", "км/ч", kUnitLeft, 282, kUnitWidth);
  SpeedFilterCheckBox = Check(p, "SpeedFilterCheckBox", "Исключать интервалы короче", kIndent2, 304, 204);
  // The lowest control of the page: the minimum panel height is measured to it.
  MinSpeedTimeEdit = Edit(p, "MinSpeedTimeEdit", "30", TEditKeys::Digits, 3, kEditLeft, 302);
  MinSpeedTimeLabel = Label(p, "MinSpeedTimeLabel", "с", kUnitLeft, 304, kUnitWidth);

  // Never shown: its right edge (322 + 75) is the page's minimum width.
  Button1 = Named(new QPushButton(QStringLiteral("Calc"), p), "Button1");
  Button1->setGeometry(322, 8, 75, 25);
  Button1->hide();
}

void TForm1::BuildInputsPage() {
  QWidget* p = InReportsTabSheet;
  SensorsCheckBox = Check(p, "SensorsCheckBox", "Активность дискретных входов", kIndent1, 8);
  SensorFilterCheckBox = Check(p, "SensorFilterCheckBox", "Исключать интервалы короче", kIndent2, 30, 204);
  MinSensorTimeEdit = Edit(p, "MinSensorTimeEdit", "30", TEditKeys::Digits, 4, kEditLeft, 28);
  MinSensorTimeLabel = Label(p, "MinSensorTimeLabel", "с", kUnitLeft, 30, kUnitWidth);
  InNameLabel = Label(p, "InNameLabel", "Название входа", 48, 56, 140);
  InActiveStateLabel = Label(p, "InActiveStateLabel", "Активное состояние", 200, 56, 160);
  for (int n = 0; n < 5; ++n) {
    const int top = 76 + n * 24;
    InCheckBox[n] = Named(new QCheckBox(p), QStringLiteral("In%1CheckBox").arg(n + 1));
    InCheckBox[n]->setGeometry(kIndent2, top + 2, 18, 17);
    InCheckBox[n]->setChecked(true);
    InLabel[n] = Named(new QLabel(QStringLiteral("IN1"), p), QStringLiteral("In%1Label").arg(n + 1));
    InLabel[n]->move(48, top + 4);
    InComboBox[n] = Named(new QComboBox(p), QStringLiteral("In%1ComboBox").arg(n + 1));
    for (auto item : kInStateItems) InComboBox[n]->addItem(Q(item));
    InComboBox[n]->setGeometry(200, top, 130, 22);
    InComboBox[n]->setCurrentIndex(n == 0 ? 1 : 0);
  }
  AnalogInputsCheckBox = Check(p, "AnalogInputsCheckBox", "Изменения аналоговых входов", kIndent1, 204);
  AnInNameLabel = Label(p, "AnInNameLabel", "Название входа", 48, 226, 140);
  AnInThresholdLabel = Label(p, "AnInThresholdLabel", "Порог изменения", 200, 226, 160);
  for (int n = 0; n < 3; ++n) {
    const int top = 246 + n * 24;
    AnInCheckBox[n] = Named(new QCheckBox(p), QStringLiteral("AnIn%1CheckBox").arg(n + 1));
    AnInCheckBox[n]->setGeometry(kIndent2, top + 2, 18, 17);
    AnInCheckBox[n]->setChecked(true);
    AnInLabel[n] = Named(new QLabel(QStringLiteral("AN_IN1"), p), QStringLiteral("AnIn%1Label").arg(n + 1));
    AnInLabel[n]->move(48, top + 4);
    AnInEdit[n] = Edit(p, QStringLiteral("AnIn%1Edit").arg(n + 1), "1000", TEditKeys::DigitsAndPoint, 5, 200, top, 60);
  }
  PinNameEdit = Named(new QLineEdit(p), "PinNameEdit");
  PinNameEdit->hide();
}

void TForm1::BuildFuelPage() {
  QWidget* p = TabSheet1;
  FuelCheckBox = Check(p, "FuelCheckBox", "Расход топлива", kIndent1, 8);
  LoadCheckBox = Check(p, "LoadCheckBox", "Заправки и сливы", kIndent1, 30);
  GraphCheckBox = Check(p, "GraphCheckBox", "График объема топлива", kIndent1, 52);
  Label1 = Label(p, "Label1", "Использовать", kIndent1, 82, 100);
  UseLLSComboBox = Named(new QComboBox(p), "UseLLSComboBox");
  for (auto item : kUseLLSItems) UseLLSComboBox->addItem(Q(item));
  UseLLSComboBox->setGeometry(120, 79, 160, 22);
  SensorLabel = Label(p, "SensorLabel", "Датчики", kIndent1, 112, 100);
  ThresLabel = Label(p, "ThresLabel", "Пороги, л", kIndent1, 138, 100);
  for (int n = 0; n < 3; ++n) {
    const int left = 120 + n * 70;
    SensorCheckBox[n] =
        Check(p, QStringLiteral("Sensor%1CheckBox").arg(n + 1).toUtf8().constData(), "", left, 112, 64);
    SensorCheckBox[n]->setText(QStringLiteral("№%1").arg(n + 1));
    SensThresEdit[n] = Edit(p, QStringLiteral("Sens%1ThresEdit").arg(n + 1), "99", TEditKeys::Digits, 3, left, 136);
  }
  SensGroupBox = Named(new QGroupBox(QStringLiteral("Чувствительность"), p), "SensGroupBox");
  SensGroupBox->setGeometry(kIndent1, 168, 380, 104);
  Label11 = Label(SensGroupBox, "Label11", "по интенсивности заправки, л", 10, 26, 250);
  MinLoadEdit = Edit(SensGroupBox, "MinLoadEdit", "99", TEditKeys::DigitsAndPoint, 4, 270, 24, 50);
  Label10 = Label(SensGroupBox, "Label10", "по интенсивности слива, л", 10, 50, 250);
  MinUnloadEdit = Edit(SensGroupBox, "MinUnloadEdit", "99", TEditKeys::DigitsAndPoint, 4, 270, 48, 50);
  Label12 = Label(SensGroupBox, "Label12", "по границе заправки/слива, л", 10, 74, 250);
  FuelFilterDeltaEdit = Edit(SensGroupBox, "FuelFilterDeltaEdit", "99", TEditKeys::DigitsAndPoint, 4, 270, 72, 50);
}

void TForm1::BuildParamsPage() {
  QWidget* p = ParamsTabSheet;
  TimeRadioGroup = Named(new QGroupBox(QStringLiteral("Время"), p), "TimeRadioGroup");
  TimeRadioGroup->setGeometry(kIndent1, 8, 200, 92);
  TimeRadioButtons = new QButtonGroup(TimeRadioGroup);
  for (int i = 0; i < 3; ++i) {
    auto* radio = Named(new QRadioButton(Q(kTimeRadioItems[i]), TimeRadioGroup), QStringLiteral("TimeRadio%1").arg(i));
    radio->setGeometry(10, 22 + i * 22, 180, 18);
    TimeRadioButtons->addButton(radio, i);
  }
  TimeRadioButtons->button(1)->setChecked(true);

  TimeZoneLabel1 = Label(p, "TimeZoneLabel1", "Смещение", kIndent1, 110, 100);
  TimeZoneLabel2 = Label(p, "TimeZoneLabel2", "UTC", kIndent1, 134, 30);
  SignButton = Named(new QPushButton(QStringLiteral("+"), p), "SignButton");
  SignButton->setGeometry(40, 131, 22, 22);
  HoursCSpinEdit = Named(new QSpinBox(p), "HoursCSpinEdit");
  HoursCSpinEdit->setRange(0, kMaxHours);
  HoursCSpinEdit->setGeometry(66, 131, 48, 22);
  TimeZoneLabel3 = Label(p, "TimeZoneLabel3", "ч", 118, 134, 14);
  MinutesComboBox = Named(new QComboBox(p), "MinutesComboBox");
  for (auto item : kMinutesItems) MinutesComboBox->addItem(Q(item));
  MinutesComboBox->setGeometry(134, 131, 52, 22);
  TimeZoneLabel4 = Label(p, "TimeZoneLabel4", "мин", 190, 134, 40);

  BaseOpenCheckBox = Check(p, "BaseOpenCheckBox", "Открывать базу данных при старте", kIndent1, 172, 380);
  CPointsOpenCheckBox =
      Check(p, "CPointsOpenCheckBox", "Открывать контрольные районы при старте", kIndent1, 196, 380);
  DeleteSheetsCheckBox =
      Check(p, "DeleteSheetsCheckBox", "Удалять незаполненные листы отчета", kIndent1, 220, 380);
}

}  // namespace vedograf::app
