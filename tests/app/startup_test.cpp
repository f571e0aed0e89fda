// Start-up and close: the settings round trip through closing and reopening
// the window, the write failure, and one unattended run on a generated log.

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <fstream>
#include <gtest/gtest.h>

#include "app/main_window.h"
#include "app/widgets.h"
#include "app_fixture.h"
#include "fleet.h"
#include "sheet/workbook_output.h"
#include "support/valid_workbook.h"

namespace vedograf::app {
namespace {

using test::MakeWindow;
using test::TTempDir;

TEST(StartUp, SettingsSurviveClosingAndReopeningTheWindow) {
  TTempDir dir("vedograf-roundtrip");
  const auto ini = dir / "vedograf.ini";
  QRect outer;
  {
    auto w = MakeWindow(ini);
    w->show();
    QApplication::processEvents();
    w->StopsCheckBox->click();
    w->FilterCheckBox->click();
    w->MinTimeEdit->setText(QStringLiteral("45"));
    w->MinStopTimeEdit->setText(QStringLiteral("60"));  // the designed text: no change when read back
    w->InLabel[0]->setText(QStringLiteral("Зажигание"));
    w->InComboBox[2]->setCurrentIndex(1);
    w->TimeRadioButtons->button(0)->click();
    w->SignButton->click();
    w->HoursCSpinEdit->setValue(5);
    w->MinutesComboBox->setCurrentIndex(3);
    w->UseLLSComboBox->setCurrentIndex(1);
    w->ReportsPageControl->setCurrentIndex(2);
    w->resize(760, 560);
    w->move(30, 40);
    QApplication::processEvents();
    outer = w->frameGeometry();
    w->close();
    EXPECT_FALSE(w->isVisible());
  }
  auto w = MakeWindow(ini);
  w->show();
  QApplication::processEvents();
  EXPECT_FALSE(w->StopsCheckBox->isChecked());
  EXPECT_FALSE(w->MaxSpeedEdit->isEnabled());
  EXPECT_TRUE(w->FilterCheckBox->isChecked());
  EXPECT_TRUE(w->MinTimeEdit->isEnabled());
  EXPECT_EQ(w->MinTimeEdit->text(), QStringLiteral("45"));
  EXPECT_EQ(w->MinStopTimeLabel->text(), QStringLiteral("с  (1 мин)"));
  EXPECT_EQ(w->InLabel[0]->text(), QStringLiteral("Зажигание"));
  EXPECT_EQ(w->InComboBox[2]->currentIndex(), 1);
  EXPECT_EQ(w->TimeRadioButtons->checkedId(), 0);
  EXPECT_TRUE(w->HoursCSpinEdit->isEnabled());
  EXPECT_EQ(w->SignButton->text(), QStringLiteral("-"));
  EXPECT_EQ(w->HoursCSpinEdit->value(), 5);
  EXPECT_EQ(w->MinutesComboBox->currentText(), QStringLiteral("45"));
  EXPECT_EQ(w->SensorCheckBox[1]->text(), QStringLiteral("LLS2"));
  EXPECT_EQ(w->ReportsPageControl->currentIndex(), 2);
  EXPECT_EQ(w->frameGeometry(), outer);
  EXPECT_EQ(w->GridPanel->width(), 248);
}

TEST(StartUp, AFailedSettingsWriteIsToldAndTheWindowStillCloses) {
  TTempDir dir("vedograf-readonly");
  const auto ini = dir / "vedograf.ini";
  std::filesystem::create_directory(ini);  // nothing can replace a folder by a file
  auto w = MakeWindow(ini);
  w->show();
  QApplication::processEvents();
  test::TBoxAnswerer answerer;
  w->close();
  EXPECT_FALSE(w->isVisible());
  // On a slow machine the start-up opening of the (missing) default database
  // may already have told its own error; the write failure is told once, last.
  const std::vector<std::string> texts = answerer.Texts();
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts.back(), "Невозможно записать файл с настройками!");
  EXPECT_EQ(std::count(texts.begin(), texts.end(), texts.back()), 1);
}

TEST(StartUp, WithoutTheOptionOrTheSwitchNoDatabaseOpens) {
  TTempDir dir("vedograf-noopen");
  auto w = MakeWindow(dir / "vedograf.ini");
  w->show();
  QApplication::processEvents();
  EXPECT_FALSE(w->BaseOpenTimer->isActive());
  EXPECT_FALSE(w->AutoMode());
  // Unattended, the default area file is tried at once and its failure told.
  test::TBoxAnswerer answerer;
  auto a = MakeWindow(dir / "other.ini", {"-AUTO"});
  EXPECT_TRUE(a->AutoMode());
  EXPECT_EQ(answerer.Texts(), (std::vector<std::string>{"Ошибка открытия файла"}));
}

// An output that, in the middle of writing, lets the window's messages run
// after asking it to close and to start another run.
class TClosingOutput : public IReportOutput {
 public:
  TForm1* Window = nullptr;
  int Inits = 0, Reports = 0, Shows = 0;
  bool VisibleDuringRun = false, CalcEnabledDuringRun = true, ObjectsKeptDuringRun = false;
  int ExcelInit() override {
    ++Inits;
    return 0;
  }
  void MakeReport(const TRunView& run, int, TReportMask) override {
    ++Reports;
    QMetaObject::invokeMethod(Window, [w = Window] { w->close(); }, Qt::QueuedConnection);
    QMetaObject::invokeMethod(Window, [w = Window] { w->CalcButtonClick(); }, Qt::QueuedConnection);
    Window->Services().PumpMessages();
    VisibleDuringRun = Window->isVisible();
    CalcEnabledDuringRun = Window->CalcButton->isEnabled();
    ObjectsKeptDuringRun = !run.Objects.empty() && &run.Objects == &Window->Base().Objects;
  }
  void ShowExcel() override { ++Shows; }
};

TEST(StartUp, ClosingDuringARunWaitsForItsEndAndASecondRunCannotStart) {
  TTempDir dir("vedograf-busy");
  jet::TFleetOptions fleet;
  fleet.Objects = 1;
  fleet.Days = 1;
  fleet.Oddities = false;
  jet::WriteFleetDatabase(dir / "fleet.mdb", fleet);
  test::WriteFile(dir / "vedograf.ini", "[Settings]\r\nBaseFileName=" + (dir / "fleet.mdb").string() +
                                            "\r\nSDate=04.03.2024\r\nFDate=05.03.2024\r\nOpenBase=1\r\n"
                                            "GeneratePointReport=0\r\n[SelectedObjects]\r\nO0=101\r\n");
  TClosingOutput output;
  TStartOptions options;
  options.SettingsPath = (dir / "vedograf.ini").string();
  options.Output = &output;
  TForm1 w(std::move(options));
  output.Window = &w;
  test::TBoxAnswerer answerer;
  w.show();
  ASSERT_TRUE(test::WaitFor([&] { return w.ObjectsListBox->count() > 0; }, 30000));
  ASSERT_TRUE(w.ObjectsListBox->item(0)->isSelected());  // restored at start
  w.CalcButtonClick();
  EXPECT_EQ(output.Inits, 1);  // the queued second press did nothing
  EXPECT_EQ(output.Reports, 1);
  EXPECT_EQ(output.Shows, 1);
  EXPECT_TRUE(output.VisibleDuringRun);
  EXPECT_FALSE(output.CalcEnabledDuringRun);
  EXPECT_TRUE(output.ObjectsKeptDuringRun);
  // The close asked for during the run happened once the run ended.
  EXPECT_FALSE(w.isVisible());
  EXPECT_TRUE(w.Base().Objects.empty());
  EXPECT_TRUE(answerer.Boxes.empty()) << answerer.Boxes.front().Text;
}

TEST(StartUp, UnattendedStartProducesAWorkbookOnAGeneratedLog) {
  TTempDir dir("vedograf-auto");
  jet::TFleetOptions fleet;
  fleet.Objects = 2;
  fleet.Days = 1;
  fleet.Oddities = false;
  jet::WriteFleetDatabase(dir / "fleet.mdb", fleet);
  jet::WriteFleetAreas(dir / "fleet.mrk", dir / "fleet.obj", fleet);
  std::filesystem::create_directory(dir / "out");
  test::WriteFile(dir / "vedograf.ini",
                  "[Settings]\r\nBaseFileName=" + (dir / "fleet.mdb").string() +
                      "\r\nPointsFileName=" + (dir / "fleet.obj").string() +
                      "\r\nSDate=04.03.2024\r\nFDate=05.03.2024\r\nReportsFolder=" + (dir / "out").string() +
                      "\r\n[SelectedPoints]\r\nP0=no such area\r\n[SelectedObjects]\r\nO0=101\r\n");
  test::TBoxAnswerer answerer;
  auto w = MakeWindow(dir / "vedograf.ini", {"-auto"});
  ASSERT_NE(w->Workbook(), nullptr);
  w->Workbook()->Options.OpenInDesktop = false;
  EXPECT_GT(w->PointsListBox->count(), 0);  // opened at start whatever the box says
  EXPECT_TRUE(w->PointsListBox->selectedItems().isEmpty());
  w->show();
  ASSERT_TRUE(test::WaitFor([&] { return !w->Workbook()->SavedFiles().empty(); }, 60000))
      << "messages: " << answerer.Boxes.size();
  EXPECT_EQ(w->windowTitle(), QStringLiteral("Ведограф - ") + QString::fromStdString((dir / "fleet.mdb").string()));
  ASSERT_GT(w->ObjectsListBox->count(), 1);
  EXPECT_TRUE(w->ObjectsListBox->item(0)->isSelected());
  EXPECT_FALSE(w->ObjectsListBox->item(1)->isSelected());
  EXPECT_TRUE(w->LastOutcome().Ran);
  EXPECT_TRUE(w->CalcButton->isEnabled());
  const auto file = w->Workbook()->SavedFiles().front();
  std::ifstream in(file, std::ios::binary);
  char magic[2] = {};
  in.read(magic, 2);
  EXPECT_EQ(std::string(magic, 2), "PK");
  ::vedograf::test::ExpectValidWorkbook(file);
  EXPECT_EQ(file.parent_path(), dir / "out");
  // Every box was answered by the test; none asked a question in this mode.
  for (const auto& b : answerer.Boxes) EXPECT_EQ(b.Buttons, QMessageBox::Ok) << b.Text;
  w->close();
}

}  // namespace
}  // namespace vedograf::app
