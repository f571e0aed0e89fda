// The enabling rules, the numeric edits and the sizing of the right-hand
// panel. Each handler looks only at the boxes its rule names, so a child box
// clicked on its own can leave a mixed state that the parent's handler
// restores the next time it runs, as users of the designed form know it.

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QTimeEdit>
#include <map>

#include "app/input_naming.h"
#include "app/main_window.h"
#include "app/widgets.h"

namespace vedograf::app {

namespace {

const QString kNameHint = QStringLiteral("Щелкните дважды для редактирования");

bool On(const QCheckBox* box) { return box->isChecked(); }

void SetEnabled(std::initializer_list<QWidget*> widgets, bool flag) {
  for (QWidget* w : widgets) w->setEnabled(flag);
}

// A name label shows its hint only while it can be edited.
void EnableNameLabel(QLabel* label, bool flag) {
  label->setEnabled(flag);
  label->setToolTip(flag ? kNameHint : QString());
}

char DecimalSeparator() {
  const QString point = QLocale().decimalPoint();
  return (point.size() == 1 && point[0].unicode() < 0x80) ? static_cast<char>(point[0].unicode()) : '.';
}

}  // namespace

void TForm1::WayCheckBoxClick() {
  DaysCheckBox->setEnabled(On(WayCheckBox));
  DaysCheckBoxClick();
}

void TForm1::DaysCheckBoxClick() {
  SetEnabled({ShiftLabel, ShiftDateTimePicker}, On(DaysCheckBox) && DaysCheckBox->isEnabled());
}

void TForm1::NavLackCheckBoxClick() {
  NavFilterCheckBox->setEnabled(On(NavLackCheckBox));
  EnableNavFilterControls(On(NavLackCheckBox) && On(NavFilterCheckBox));
}

void TForm1::NavFilterCheckBoxClick() { EnableNavFilterControls(On(NavFilterCheckBox)); }

void TForm1::EnableNavFilterControls(bool flag) { SetEnabled({MinNavTimeEdit, MinNavTimeLabel}, flag); }

void TForm1::PointsCheckBoxClick() {
  FilterCheckBox->setEnabled(On(PointsCheckBox));
  EnableFilterControls(On(PointsCheckBox) && On(FilterCheckBox));
}

void TForm1::FilterCheckBoxClick() { EnableFilterControls(On(FilterCheckBox)); }

void TForm1::EnableFilterControls(bool flag) { SetEnabled({MinTimeEdit, PeriodLabel}, flag); }

void TForm1::StopsCheckBoxClick() {
  SetEnabled({MaxSpeedLabel1, MaxSpeedEdit, MaxSpeedLabel3, TimeFilterCheckBox}, On(StopsCheckBox));
  EnableStopFilterControls(On(StopsCheckBox) && On(TimeFilterCheckBox));
}

void TForm1::TimeFilterCheckBoxClick() { EnableStopFilterControls(On(TimeFilterCheckBox)); }

void TForm1::EnableStopFilterControls(bool flag) { SetEnabled({MinStopTimeEdit, MinStopTimeLabel}, flag); }

void TForm1::SpeedExcessCheckBoxClick() {
  const bool s = On(SpeedExcessCheckBox);
  SetEnabled({SpeedLabel, SpeedThresholdEdit, SpeedThresholdLabel, SpeedFilterCheckBox}, s);
  SetEnabled({MinSpeedTimeEdit, MinSpeedTimeLabel}, s && On(SpeedFilterCheckBox));
}

void TForm1::SpeedFilterCheckBoxClick() {
  SetEnabled({MinSpeedTimeEdit, MinSpeedTimeLabel}, On(SpeedFilterCheckBox));
}

void TForm1::SensorsCheckBoxClick() {
  const bool s = On(SensorsCheckBox);
  SensorFilterCheckBox->setEnabled(s);
  SetEnabled({MinSensorTimeEdit, MinSensorTimeLabel}, s && On(SensorFilterCheckBox));
  SetEnabled({InNameLabel, InActiveStateLabel}, s);
  for (int n = 0; n < 5; ++n) {
    InComboBox[n]->setEnabled(s && On(InCheckBox[n]));
    EnableInControls(n, s);
  }
}

void TForm1::EnableInControls(int n, bool flag) {
  InCheckBox[n]->setEnabled(flag);
  EnableNameLabel(InLabel[n], flag);
}

void TForm1::InCheckBoxClick(int n) { InComboBox[n]->setEnabled(On(InCheckBox[n])); }

void TForm1::SensorFilterCheckBoxClick() {
  SetEnabled({MinSensorTimeEdit, MinSensorTimeLabel}, On(SensorFilterCheckBox));
}

void TForm1::AnalogInputsCheckBoxClick() {
  const bool a = On(AnalogInputsCheckBox);
  SetEnabled({AnInNameLabel, AnInThresholdLabel}, a);
  for (int n = 0; n < 3; ++n) {
    AnInEdit[n]->setEnabled(a && On(AnInCheckBox[n]));
    AnInCheckBox[n]->setEnabled(a);
    EnableNameLabel(AnInLabel[n], a);
  }
}

void TForm1::AnInCheckBoxClick(int n) { AnInEdit[n]->setEnabled(On(AnInCheckBox[n])); }

void TForm1::FuelCheckBoxClick() {
  const bool u = On(FuelCheckBox) || On(LoadCheckBox) || On(GraphCheckBox);
  const bool c = On(FuelCheckBox) || On(LoadCheckBox);
  UseLLSComboBox->setEnabled(u);
  for (int n = 0; n < 3; ++n) {
    SensorCheckBox[n]->setEnabled(u);
    SensThresEdit[n]->setEnabled(c && On(SensorCheckBox[n]));
  }
  SetEnabled({MinLoadEdit, MinUnloadEdit, FuelFilterDeltaEdit}, c);
}

void TForm1::SensorCheckBoxClick(int n) { SensThresEdit[n]->setEnabled(On(SensorCheckBox[n])); }

void TForm1::TimeRadioGroupClick() {
  EnableTimeZone(TimeRadioButtons->checkedId() == 0);
  if (HoursCSpinEdit->value() == kMaxHours) {
    MinutesComboBox->setCurrentIndex(0);
    MinutesComboBox->setEnabled(false);
  }
}

void TForm1::EnableTimeZone(bool flag) {
  SetEnabled({TimeZoneLabel1, TimeZoneLabel2, TimeZoneLabel3, TimeZoneLabel4, SignButton, HoursCSpinEdit,
              MinutesComboBox},
             flag);
}

void TForm1::HoursCSpinEditChange() {
  // The spin box holds its range itself; the value cannot pass 12.
  if (HoursCSpinEdit->value() > kMaxHours) HoursCSpinEdit->setValue(kMaxHours);
  if (HoursCSpinEdit->value() == kMaxHours) {
    MinutesComboBox->setCurrentIndex(0);
    MinutesComboBox->setEnabled(false);
  } else {
    MinutesComboBox->setEnabled(true);
  }
}

void TForm1::SignButtonClick() {
  SignButton->setText(SignButton->text() == QStringLiteral("-") ? QStringLiteral("+") : QStringLiteral("-"));
}

void TForm1::UseLLSComboBoxChange() {
  const auto captions = SensorCaptions(UseLLSComboBox->currentIndex());
  for (int n = 0; n < 3; ++n) SensorCheckBox[n]->setText(QString::fromStdString(captions[n]));
}

bool TForm1::ApplyHandler(std::string_view name) {
  static const std::map<std::string_view, void (TForm1::*)()> plain{
      {"WayCheckBoxClick", &TForm1::WayCheckBoxClick},
      {"DaysCheckBoxClick", &TForm1::DaysCheckBoxClick},
      {"NavLackCheckBoxClick", &TForm1::NavLackCheckBoxClick},
      {"NavFilterCheckBoxClick", &TForm1::NavFilterCheckBoxClick},
      {"PointsCheckBoxClick", &TForm1::PointsCheckBoxClick},
      {"FilterCheckBoxClick", &TForm1::FilterCheckBoxClick},
      {"StopsCheckBoxClick", &TForm1::StopsCheckBoxClick},
      {"TimeFilterCheckBoxClick", &TForm1::TimeFilterCheckBoxClick},
      {"SpeedExcessCheckBoxClick", &TForm1::SpeedExcessCheckBoxClick},
      {"SpeedFilterCheckBoxClick", &TForm1::SpeedFilterCheckBoxClick},
      {"SensorsCheckBoxClick", &TForm1::SensorsCheckBoxClick},
      {"SensorFilterCheckBoxClick", &TForm1::SensorFilterCheckBoxClick},
      {"AnalogInputsCheckBoxClick", &TForm1::AnalogInputsCheckBoxClick},
      {"FuelCheckBoxClick", &TForm1::FuelCheckBoxClick},
      {"EnableSensorControls", &TForm1::FuelCheckBoxClick},
      {"TimeRadioGroupClick", &TForm1::TimeRadioGroupClick},
      {"HoursCSpinEditChange", &TForm1::HoursCSpinEditChange},
      {"UseLLSComboBoxChange", &TForm1::UseLLSComboBoxChange},
  };
  if (const auto it = plain.find(name); it != plain.end()) {
    (this->*(it->second))();
    return true;
  }
  // The numbered ones: In<n>CheckBoxClick, AnIn<n>CheckBoxClick, Sensor<n>CheckBoxClick.
  auto numbered = [&](std::string_view stem, int count, void (TForm1::*handler)(int)) {
    const std::string_view tail = "CheckBoxClick";
    if (name.size() != stem.size() + 1 + tail.size() || name.substr(0, stem.size()) != stem ||
        name.substr(stem.size() + 1) != tail)
      return false;
    const int n = name[stem.size()] - '1';
    if (n < 0 || n >= count) return false;
    (this->*handler)(n);
    return true;
  };
  return numbered("In", 5, &TForm1::InCheckBoxClick) || numbered("AnIn", 3, &TForm1::AnInCheckBoxClick) ||
         numbered("Sensor", 3, &TForm1::SensorCheckBoxClick);
}

// ---- numeric edits ----

void TForm1::DurationEditChanged(TNumericEdit* edit, QLabel* label) {
  static const std::map<QString, int> fallback{{"MinNavTimeEdit", 300},
                                               {"MinTimeEdit", 120},
                                               {"MinStopTimeEdit", 120},
                                               {"MinSpeedTimeEdit", 30},
                                               {"MinSensorTimeEdit", 30}};
  const int seconds = IntegerOrDefault(edit->text().toStdString(), fallback.at(edit->objectName()));
  label->setText(QString::fromStdString(WriteTimePeriod(seconds)));
}

void TForm1::ConnectHandlers() {
  auto click = [this](QCheckBox* box, void (TForm1::*handler)()) {
    connect(box, &QCheckBox::clicked, this, handler);
  };
  click(WayCheckBox, &TForm1::WayCheckBoxClick);
  click(DaysCheckBox, &TForm1::DaysCheckBoxClick);
  click(NavLackCheckBox, &TForm1::NavLackCheckBoxClick);
  click(NavFilterCheckBox, &TForm1::NavFilterCheckBoxClick);
  click(PointsCheckBox, &TForm1::PointsCheckBoxClick);
  click(FilterCheckBox, &TForm1::FilterCheckBoxClick);
  click(StopsCheckBox, &TForm1::StopsCheckBoxClick);
  click(TimeFilterCheckBox, &TForm1::TimeFilterCheckBoxClick);
  click(SpeedExcessCheckBox, &TForm1::SpeedExcessCheckBoxClick);
  click(SpeedFilterCheckBox, &TForm1::SpeedFilterCheckBoxClick);
  click(SensorsCheckBox, &TForm1::SensorsCheckBoxClick);
  click(SensorFilterCheckBox, &TForm1::SensorFilterCheckBoxClick);
  click(AnalogInputsCheckBox, &TForm1::AnalogInputsCheckBoxClick);
  click(FuelCheckBox, &TForm1::FuelCheckBoxClick);
  click(LoadCheckBox, &TForm1::FuelCheckBoxClick);
  click(GraphCheckBox, &TForm1::FuelCheckBoxClick);
  for (int n = 0; n < 5; ++n) connect(InCheckBox[n], &QCheckBox::clicked, this, [this, n] { InCheckBoxClick(n); });
  for (int n = 0; n < 3; ++n) {
    connect(AnInCheckBox[n], &QCheckBox::clicked, this, [this, n] { AnInCheckBoxClick(n); });
    connect(SensorCheckBox[n], &QCheckBox::clicked, this, [this, n] { SensorCheckBoxClick(n); });
  }
  connect(TimeRadioButtons, &QButtonGroup::idClicked, this, [this] { TimeRadioGroupClick(); });
  connect(SignButton, &QPushButton::clicked, this, &TForm1::SignButtonClick);
  connect(HoursCSpinEdit, &QSpinBox::valueChanged, this, &TForm1::HoursCSpinEditChange);
  connect(UseLLSComboBox, &QComboBox::currentIndexChanged, this, &TForm1::UseLLSComboBoxChange);

  const std::pair<TNumericEdit*, QLabel*> durations[] = {{MinTimeEdit, PeriodLabel},
                                                          {MinStopTimeEdit, MinStopTimeLabel},
                                                          {MinNavTimeEdit, MinNavTimeLabel},
                                                          {MinSpeedTimeEdit, MinSpeedTimeLabel},
                                                          {MinSensorTimeEdit, MinSensorTimeLabel}};
  for (const auto& [edit, label] : durations)
    connect(edit, &QLineEdit::textChanged, this, [this, e = edit, l = label] { DurationEditChanged(e, l); });
  // The labels agree with their edits from the start: the settings only
  // rewrite a label when they change its edit's text.
  for (const auto& [edit, label] : durations) DurationEditChanged(edit, label);

  // Leaving an edit puts the normalised value in; a text that is no number
  // gets the edit's default, silently.
  auto integerExit = [](TNumericEdit* edit, int fallback) {
    edit->OnExit = [edit, fallback] {
      edit->setText(QString::fromStdString(NormaliseIntegerText(edit->text().toStdString(), fallback)));
    };
  };
  auto floatExit = [](TNumericEdit* edit, double fallback) {
    edit->OnExit = [edit, fallback] {
      edit->setText(
          QString::fromStdString(NormaliseFloatText(edit->text().toStdString(), fallback, DecimalSeparator())));
    };
  };
  integerExit(MinNavTimeEdit, 300);
  integerExit(MinTimeEdit, 120);
  integerExit(MinStopTimeEdit, 120);
  integerExit(MaxSpeedEdit, 3);
  integerExit(SpeedThresholdEdit, 80);
  integerExit(MinSpeedTimeEdit, 30);
  integerExit(MinSensorTimeEdit, 30);
  for (auto* edit : AnInEdit) floatExit(edit, 1);
  for (auto* edit : SensThresEdit) integerExit(edit, 10);
  floatExit(MinLoadEdit, 7);
  floatExit(MinUnloadEdit, 15);
  floatExit(FuelFilterDeltaEdit, 1);
}

// ---- the right-hand panel ----

TPanelMetrics TForm1::PanelMetrics() const {
  TPanelMetrics m;
  m.GroupTop = ReportsGroupBox->y();
  m.GroupHeight = ReportsGroupBox->height();
  m.PageTop = ReportsPageControl->y();
  const QSize extra = ReportsPageControl->PageExtra(ReportsPageControl->size());
  m.PageExtraHeight = extra.height();
  m.PageExtraWidth = extra.width();
  m.LowestBottom = MinSpeedTimeEdit->geometry().bottom() + 1;
  m.Button1Right = Button1->x() + Button1->width();
  m.ButtonWidth = CalcButton->width();
  m.ButtonHeight = CalcButton->height();
  return m;
}

int TForm1::GetPanelMinHeight() const { return app::GetPanelMinHeight(PanelMetrics()); }

int TForm1::GetPanelMinWidth() const { return app::GetPanelMinWidth(PanelMetrics()); }

void TForm1::ObjectPanelResize() {
  const TPanelLayout l = ObjectPanelLayout(PanelMetrics(), ObjectPanel->width(), ObjectPanel->height(),
                                           ReportsPageControl->height());
  auto place = [](QWidget* w, const TRect& r) { w->setGeometry(r.Left, r.Top, r.Width, r.Height); };
  place(ReportsPageControl, l.Pages);
  place(ReportsGroupBox, l.Group);
  place(ExitButton, l.Exit);
  place(CalcButton, l.Calc);
}

int TForm1::ObjectPanelLeft() const { return GridPanel->width() + Splitter1->handleWidth(); }

}  // namespace vedograf::app
