// The main window's controls, enabling rules, numeric edits and sizing, on
// a window that starts without a settings file (the file's defaults apply).

#include "app/main_window.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTimeEdit>
#include <gtest/gtest.h>

#include "app/widgets.h"
#include "app_fixture.h"

namespace vedograf::app {
namespace {

using test::MakeWindow;
using test::TTempDir;

void Leave(QWidget* edit) {
  QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
  QApplication::sendEvent(edit, &out);
}

class MainWindowTest : public ::testing::Test {
 protected:
  TTempDir dir{"vedograf-window"};
  std::unique_ptr<TForm1> w = MakeWindow(dir / "vedograf.ini");
};

TEST_F(MainWindowTest, ControlsCarryTheirDesignedNamesAndCaptions) {
  EXPECT_EQ(w->windowTitle(), QStringLiteral("Ведограф"));
  for (const char* name : {"WayCheckBox", "MinSpeedTimeEdit", "In5ComboBox", "AnIn3Edit", "Sens2ThresEdit",
                           "HoursCSpinEdit", "ObjectsListBox", "PointsListBox", "Splitter1", "Splitter2",
                           "ReportsPageControl", "PinNameEdit", "Button1", "BaseOpenTimer"})
    EXPECT_NE(w->findChild<QObject*>(name), nullptr) << name;
  ASSERT_EQ(w->ReportsPageControl->count(), 4);
  EXPECT_EQ(w->ReportsPageControl->tabText(0), QStringLiteral("Отчеты по маршруту"));
  EXPECT_EQ(w->ReportsPageControl->tabText(3), QStringLiteral("Параметры"));
  EXPECT_EQ(w->CalcButton->text(), QStringLiteral("Вывести"));
  EXPECT_FALSE(w->Button1->isVisibleTo(w.get()));
  EXPECT_TRUE(w->PinNameEdit->isHidden());
  EXPECT_EQ(w->MinutesComboBox->count(), 4);
  EXPECT_FALSE(w->MinutesComboBox->isEditable());
  EXPECT_EQ(w->HoursCSpinEdit->maximum(), 12);
  EXPECT_EQ(w->ObjectsListBox->selectionMode(), QAbstractItemView::ExtendedSelection);
  EXPECT_EQ(w->BaseOpenTimer->interval(), 100);
  EXPECT_FALSE(w->BaseOpenTimer->isActive());
}

TEST_F(MainWindowTest, WithoutSettingsTheFileDefaultsShowAndLabelsAgree) {
  EXPECT_EQ(w->ReportsPageControl->currentIndex(), 0);
  EXPECT_EQ(w->MinNavTimeEdit->text(), QStringLiteral("300"));
  EXPECT_EQ(w->MinNavTimeLabel->text(), QStringLiteral("с  (5 мин)"));
  EXPECT_EQ(w->MinStopTimeLabel->text(), QStringLiteral("с  (2 мин)"));
  EXPECT_EQ(w->MinSpeedTimeLabel->text(), QStringLiteral("с"));
  EXPECT_FALSE(w->NavFilterCheckBox->isChecked());
  EXPECT_FALSE(w->MinNavTimeEdit->isEnabled());
  EXPECT_TRUE(w->SensorCheckBox[0]->isChecked());
  EXPECT_FALSE(w->SensorCheckBox[1]->isChecked());
  // The captions follow the level source once the settings are applied.
  EXPECT_EQ(w->SensorCheckBox[0]->text(), QStringLiteral("AN1"));
  EXPECT_EQ(w->TimeRadioButtons->checkedId(), 1);
  EXPECT_FALSE(w->HoursCSpinEdit->isEnabled());
}

TEST_F(MainWindowTest, UntickingStopsDisablesItsParametersAndTickingRestoresByTheFilter) {
  w->TimeFilterCheckBox->click();  // tick it (default off)
  ASSERT_TRUE(w->TimeFilterCheckBox->isChecked());
  EXPECT_TRUE(w->MinStopTimeEdit->isEnabled());
  w->StopsCheckBox->click();
  for (QWidget* c : std::initializer_list<QWidget*>{w->MaxSpeedLabel1, w->MaxSpeedEdit, w->MaxSpeedLabel3,
                                                    w->TimeFilterCheckBox, w->MinStopTimeEdit,
                                                    w->MinStopTimeLabel})
    EXPECT_FALSE(c->isEnabled()) << c->objectName().toStdString();
  w->StopsCheckBox->click();
  EXPECT_TRUE(w->MaxSpeedEdit->isEnabled());
  EXPECT_TRUE(w->MinStopTimeEdit->isEnabled());
  // With the filter unticked the duration stays off after ticking the report.
  w->TimeFilterCheckBox->click();
  w->StopsCheckBox->click();
  w->StopsCheckBox->click();
  EXPECT_TRUE(w->TimeFilterCheckBox->isEnabled());
  EXPECT_FALSE(w->MinStopTimeEdit->isEnabled());
}

TEST_F(MainWindowTest, UntickingTheRouteDisablesTheShiftThoughTheBreakdownStaysTicked) {
  ASSERT_TRUE(w->DaysCheckBox->isChecked());
  w->WayCheckBox->click();
  EXPECT_FALSE(w->DaysCheckBox->isEnabled());
  EXPECT_TRUE(w->DaysCheckBox->isChecked());
  EXPECT_FALSE(w->ShiftDateTimePicker->isEnabled());
  EXPECT_FALSE(w->ShiftLabel->isEnabled());
  w->WayCheckBox->click();
  EXPECT_TRUE(w->ShiftDateTimePicker->isEnabled());
}

TEST_F(MainWindowTest, FuelPageWithOnlyTheGraphAndAChildBoxOnItsOwn) {
  w->FuelCheckBox->click();
  w->LoadCheckBox->click();
  ASSERT_TRUE(w->GraphCheckBox->isChecked());
  EXPECT_TRUE(w->UseLLSComboBox->isEnabled());
  for (auto* s : w->SensorCheckBox) EXPECT_TRUE(s->isEnabled());
  for (auto* e : w->SensThresEdit) EXPECT_FALSE(e->isEnabled());
  EXPECT_FALSE(w->MinLoadEdit->isEnabled());
  EXPECT_FALSE(w->FuelFilterDeltaEdit->isEnabled());
  EXPECT_TRUE(w->SensGroupBox->isEnabled());
  // The child's own rule looks at the child alone...
  w->SensorCheckBox[1]->click();
  EXPECT_TRUE(w->SensThresEdit[1]->isEnabled());
  // ...and the parent's rule brings back the combined state.
  w->GraphCheckBox->click();
  w->GraphCheckBox->click();
  EXPECT_FALSE(w->SensThresEdit[1]->isEnabled());
  w->GraphCheckBox->click();
  EXPECT_FALSE(w->UseLLSComboBox->isEnabled());
  EXPECT_FALSE(w->SensorCheckBox[0]->isEnabled());
}

TEST_F(MainWindowTest, InputAndAnalogRulesIncludingTheNameHints) {
  w->SensorsCheckBox->click();
  EXPECT_FALSE(w->InComboBox[2]->isEnabled());
  EXPECT_FALSE(w->InCheckBox[2]->isEnabled());
  EXPECT_FALSE(w->InLabel[2]->isEnabled());
  EXPECT_TRUE(w->InLabel[2]->toolTip().isEmpty());
  EXPECT_FALSE(w->SensorFilterCheckBox->isEnabled());
  w->SensorsCheckBox->click();
  EXPECT_EQ(w->InLabel[2]->toolTip(), QStringLiteral("Щелкните дважды для редактирования"));
  w->InCheckBox[3]->click();
  EXPECT_FALSE(w->InComboBox[3]->isEnabled());
  w->SensorsCheckBox->click();
  w->SensorsCheckBox->click();
  EXPECT_FALSE(w->InComboBox[3]->isEnabled());
  EXPECT_TRUE(w->InCheckBox[3]->isEnabled());

  w->AnInCheckBox[1]->click();
  EXPECT_FALSE(w->AnInEdit[1]->isEnabled());
  w->AnalogInputsCheckBox->click();
  EXPECT_FALSE(w->AnInCheckBox[0]->isEnabled());
  EXPECT_FALSE(w->AnInLabel[0]->isEnabled());
  EXPECT_FALSE(w->AnInNameLabel->isEnabled());
  w->AnalogInputsCheckBox->click();
  EXPECT_TRUE(w->AnInEdit[0]->isEnabled());
  EXPECT_FALSE(w->AnInEdit[1]->isEnabled());
}

TEST_F(MainWindowTest, NumericEditsRefuseLettersAndKeepTheirLength) {
  w->FilterCheckBox->click();  // the edit takes keys only while enabled
  ASSERT_TRUE(w->MinTimeEdit->isEnabled());
  w->MinTimeEdit->clear();
  QTest::keyClicks(w->MinTimeEdit, "1a2-b 3x4 5");
  EXPECT_EQ(w->MinTimeEdit->text(), QStringLiteral("1234"));  // four characters at most
  w->AnInEdit[0]->clear();
  QTest::keyClicks(w->AnInEdit[0], "2.5e,1x");
  EXPECT_EQ(w->AnInEdit[0]->text(), QStringLiteral("2.5,1"));
  w->SensThresEdit[0]->clear();
  QTest::keyClicks(w->SensThresEdit[0], "1.5");
  EXPECT_EQ(w->SensThresEdit[0]->text(), QStringLiteral("15"));
  QTest::keyClick(w->SensThresEdit[0], Qt::Key_Backspace);
  EXPECT_EQ(w->SensThresEdit[0]->text(), QStringLiteral("1"));
}

TEST_F(MainWindowTest, APastedNonNumberBecomesTheDefaultWhenTheFocusLeaves) {
  w->MinTimeEdit->setText(QStringLiteral("x1"));  // as a paste would put it
  Leave(w->MinTimeEdit);
  EXPECT_EQ(w->MinTimeEdit->text(), QStringLiteral("120"));
  w->SensThresEdit[2]->setText(QStringLiteral("--"));
  Leave(w->SensThresEdit[2]);
  EXPECT_EQ(w->SensThresEdit[2]->text(), QStringLiteral("10"));
  w->MinUnloadEdit->setText(QStringLiteral("1,2,3"));
  Leave(w->MinUnloadEdit);
  EXPECT_EQ(w->MinUnloadEdit->text(), QStringLiteral("15"));
  w->MaxSpeedEdit->setText(QStringLiteral("007"));
  Leave(w->MaxSpeedEdit);
  EXPECT_EQ(w->MaxSpeedEdit->text(), QStringLiteral("7"));
}

TEST_F(MainWindowTest, EmptyingTheAreaDurationShowsTheDefaultAtOnce) {
  w->MinTimeEdit->setText(QStringLiteral("30"));
  EXPECT_EQ(w->PeriodLabel->text(), QStringLiteral("с"));
  w->MinTimeEdit->clear();
  EXPECT_EQ(w->PeriodLabel->text(), QStringLiteral("с  (2 мин)"));
  EXPECT_TRUE(w->MinTimeEdit->text().isEmpty());
  Leave(w->MinTimeEdit);
  EXPECT_EQ(w->MinTimeEdit->text(), QStringLiteral("120"));
  w->MinSensorTimeEdit->setText(QStringLiteral("3725"));
  EXPECT_EQ(w->MinSensorTimeLabel->text(), QStringLiteral("с  (1 ч  2 мин  5 с)"));
}

TEST_F(MainWindowTest, AnAnalogThresholdTakesTheSystemDecimalMark) {
  QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
  w->AnInEdit[0]->clear();
  QTest::keyClicks(w->AnInEdit[0], "2.5");
  Leave(w->AnInEdit[0]);
  EXPECT_EQ(w->AnInEdit[0]->text(), QStringLiteral("2,5"));
  QLocale::setDefault(QLocale::c());
  Leave(w->AnInEdit[0]);
  EXPECT_EQ(w->AnInEdit[0]->text(), QStringLiteral("2.5"));
}

TEST_F(MainWindowTest, TwelveHoursForceZeroMinutesAndTheRowFollowsTheTimeBasis) {
  w->TimeRadioButtons->button(0)->click();
  EXPECT_TRUE(w->HoursCSpinEdit->isEnabled());
  EXPECT_TRUE(w->SignButton->isEnabled());
  w->MinutesComboBox->setCurrentIndex(2);
  w->HoursCSpinEdit->setValue(12);
  EXPECT_EQ(w->MinutesComboBox->currentText(), QStringLiteral("00"));
  EXPECT_FALSE(w->MinutesComboBox->isEnabled());
  w->HoursCSpinEdit->setValue(11);
  EXPECT_TRUE(w->MinutesComboBox->isEnabled());
  EXPECT_EQ(w->MinutesComboBox->currentText(), QStringLiteral("00"));
  w->HoursCSpinEdit->setValue(13);
  EXPECT_EQ(w->HoursCSpinEdit->value(), 12);

  w->SignButton->click();
  EXPECT_EQ(w->SignButton->text(), QStringLiteral("-"));
  w->HoursCSpinEdit->setValue(5);
  w->MinutesComboBox->setCurrentIndex(3);
  w->TimeRadioButtons->button(2)->click();
  EXPECT_FALSE(w->HoursCSpinEdit->isEnabled());
  EXPECT_FALSE(w->TimeZoneLabel1->isEnabled());
  // Disabled, the offset is kept as it was.
  const TFormState s = w->PullState();
  EXPECT_EQ(s.SignButton, "-");
  EXPECT_EQ(s.HoursCSpinEdit, 5);
  EXPECT_EQ(s.MinutesComboBox, 3);
}

TEST_F(MainWindowTest, TheLevelSourceCaptionsTheSensors) {
  w->UseLLSComboBox->setCurrentIndex(1);
  EXPECT_EQ(w->SensorCheckBox[2]->text(), QStringLiteral("LLS3"));
  w->UseLLSComboBox->setCurrentIndex(0);
  EXPECT_EQ(w->SensorCheckBox[0]->text(), QStringLiteral("AN1"));
}

TEST_F(MainWindowTest, StartsAtTheMinimumSizeAndKeepsThePagesUsableWhenSmaller) {
  w->show();
  QApplication::processEvents();
  EXPECT_EQ(w->ObjectPanel->height(), w->GetPanelMinHeight());
  EXPECT_EQ(w->ObjectPanel->width(), w->GetPanelMinWidth());
  EXPECT_EQ(w->GridPanel->width(), 248);
  EXPECT_EQ(w->ObjectsGroupBox->height(), 201);
  // The route page's lowest control shows with a margin below it.
  const QPoint lowest = w->MinSpeedTimeEdit->mapTo(w->ObjectPanel, QPoint(0, w->MinSpeedTimeEdit->height()));
  auto pageBottom = [&] { return w->ReportsTabSheet->mapTo(w->ObjectPanel, QPoint(0, w->ReportsTabSheet->height())).y(); };
  EXPECT_EQ(pageBottom(), lowest.y() + 8);
  EXPECT_EQ(w->CalcButton->geometry().bottom() + 1, w->ObjectPanel->height() - 8);

  w->resize(w->width() - 150, w->height() - 150);
  QApplication::processEvents();
  const QPoint lowest2 = w->MinSpeedTimeEdit->mapTo(w->ObjectPanel, QPoint(0, w->MinSpeedTimeEdit->height()));
  EXPECT_EQ(lowest2.y(), lowest.y());
  EXPECT_EQ(pageBottom(), lowest.y() + 8);
  EXPECT_EQ(w->CalcButton->y(), w->ReportsPageControl->geometry().bottom() + 1 + 8);
  EXPECT_GT(w->CalcButton->geometry().bottom(), w->ObjectPanel->height());
  EXPECT_EQ(w->ReportsPageControl->width(), w->GetPanelMinWidth() - 16);
  EXPECT_EQ(w->ReportsGroupBox->width(), w->ReportsPageControl->width());
  EXPECT_EQ(w->ExitButton->geometry().right(), w->ReportsPageControl->geometry().right());
}

TEST_F(MainWindowTest, AHandlerCanBeRunByItsDesignedName) {
  w->PointsCheckBox->setChecked(false);
  EXPECT_TRUE(w->ApplyHandler("PointsCheckBoxClick"));
  EXPECT_FALSE(w->FilterCheckBox->isEnabled());
  w->AnInCheckBox[2]->setChecked(false);
  EXPECT_TRUE(w->ApplyHandler("AnIn3CheckBoxClick"));
  EXPECT_FALSE(w->AnInEdit[2]->isEnabled());
  EXPECT_FALSE(w->ApplyHandler("In6CheckBoxClick"));
  EXPECT_FALSE(w->ApplyHandler("NoSuchClick"));
}

}  // namespace
}  // namespace vedograf::app
