// The connection and dispatch: template choice, the mask -> writer table,
// the deletion of sheets not produced, and the hand-over that saves files.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "core/datetime.h"
#include "sheet/workbook_impl.h"
#include "sheet/workbook_output.h"
#include "support/test_services.h"
#include "workbook_test_util.h"

namespace vedograf {
namespace {

namespace fs = std::filesystem;

TEST(TemplateChoice, ByVersion) {
  EXPECT_EQ(TemplateNameForVersion("11.0"), "Отчет.xlt");
  EXPECT_EQ(TemplateNameForVersion("12.0"), "Отчет.xltx");
  EXPECT_EQ(TemplateNameForVersion("14.0"), "Отчет.xltx");
  EXPECT_EQ(TemplateNameForVersion("16.0"), "Отчет.xltx");
  EXPECT_EQ(TemplateNameForVersion("12,0"), "Отчет.xltx");
  EXPECT_EQ(TemplateNameForVersion("sixteen"), "Отчет.xlt");
  EXPECT_EQ(TemplateNameForVersion(""), "Отчет.xlt");
  EXPECT_EQ(TemplateNameForVersion("16.0.1"), "Отчет.xlt");
}

// Writers that only record their calls (and what the workbook looked like).
struct TRecorder {
  std::vector<std::string> calls;
  std::vector<int> reportCounts;
  std::vector<std::size_t> sheetCounts;
  TSheetWriters Writers() {
    TSheetWriters w;
    auto rec = [this](const char* name) {
      return [this, name](const TSheetJob& job) {
        calls.push_back(name);
        reportCounts.push_back(job.ReportCount);
        sheetCounts.push_back(job.Book.Sheets().size());
      };
    };
    w.Way = [this](const TSheetJob& job, bool days) {
      calls.push_back(days ? "Way+days" : "Way");
      reportCounts.push_back(job.ReportCount);
      sheetCounts.push_back(job.Book.Sheets().size());
      // A writer that leaves another sheet active: the dispatch selects the first.
      job.Book.Worksheets(2).Select();
    };
    w.PowerUp = rec("PowerUp");
    w.NavLack = rec("NavLack");
    w.Point = rec("Point");
    w.Stop = rec("Stop");
    w.SpeedEx = rec("SpeedEx");
    w.Sensor = rec("Sensor");
    w.AnalogIn = rec("AnalogIn");
    w.Fuel = rec("Fuel");
    w.Load = rec("Load");
    w.Graph = rec("Graph");
    return w;
  }
};

class Dispatch : public ::testing::Test {
 protected:
  void SetUp() override {
    objects.resize(3);
    // The hand-over never writes into the real home of whoever runs the tests.
    savedHome = std::getenv("HOME") != nullptr ? std::getenv("HOME") : "";
    setenv("HOME", (scratch / "home").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (scratch / "home" / ".config").c_str(), 1);
    output.Options.ReportsFolder = scratch / "reports";
    output.Options.Now = [] { return EncodeDateTime(2024, 5, 6, 7, 8, 9); };
    output.Options.Opener = [this](const fs::path& p) { opened.push_back(p); };
  }
  void TearDown() override {
    setenv("HOME", savedHome.c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");
  }
  TWorkbook& Book() { return output.ExcelApp()->ActiveWorkbook(); }

  test::TScratch scratch;
  std::string savedHome;
  test::TTestServices services;
  TRecorder recorder;
  TWorkbookOutput output{services, recorder.Writers()};
  std::vector<fs::path> opened;
  TObjReports objects;
  TReportParams current;
  TRequestParams req;
  TEventBuffers buffers;
  TRunView run{objects, current, req, buffers, nullptr};
};

TEST_F(Dispatch, InitChoosesTheTemplateAndKeepsTheEngine) {
  EXPECT_EQ(output.ExcelApp(), nullptr);
  ASSERT_EQ(output.ExcelInit(), 0);
  EXPECT_EQ(output.TemplateName(), "Отчет.xltx");
  TExcelApp* app = output.ExcelApp();
  ASSERT_NE(app, nullptr);
  ASSERT_EQ(output.ExcelInit(), 0);
  EXPECT_EQ(output.ExcelApp(), app) << "a run that still holds the engine gets the same one";
}

TEST_F(Dispatch, WritersRunInTheirFixedOrder) {
  ASSERT_EQ(output.ExcelInit(), 0);
  output.MakeReport(run, 2, 0x1FFFF & ~kMaskDeleteSheets);
  EXPECT_EQ(recorder.calls, (std::vector<std::string>{"Way+days", "PowerUp", "NavLack", "Point", "Stop", "SpeedEx",
                                                      "Sensor", "AnalogIn", "Fuel", "Load", "Graph"}));
  for (int c : recorder.reportCounts) EXPECT_EQ(c, 2);
  EXPECT_EQ(Book().Impl().Selected, &Book().Worksheets(1)) << "the first worksheet is selected after writing";
  EXPECT_FALSE(output.ExcelApp()->ScreenUpdating);
  EXPECT_TRUE(services.shown.empty());
}

TEST_F(Dispatch, OnlyTheWritersOfTheMask) {
  ASSERT_EQ(output.ExcelInit(), 0);
  output.MakeReport(run, 1, kMaskWay | kMaskStops | kMaskGraph | kMaskStopFilter);
  EXPECT_EQ(recorder.calls, (std::vector<std::string>{"Way", "Stop", "Graph"}));
  recorder.calls.clear();
  output.MakeReport(run, 1, kMaskDays | kMaskLoad);
  EXPECT_EQ(recorder.calls, (std::vector<std::string>{"Load"})) << "the days bit alone is no route report";
  EXPECT_EQ(output.ExcelApp()->WorkbookCount(), 2) << "one workbook per call";
}

TEST_F(Dispatch, DeletionLeavesOnlyTheRouteSheets) {
  ASSERT_EQ(output.ExcelInit(), 0);
  output.MakeReport(run, 1, kMaskDeleteSheets | kMaskWay);
  ASSERT_EQ(recorder.sheetCounts, (std::vector<std::size_t>{2})) << "sheets go before any writer runs";
  TWorkbook& book = Book();
  EXPECT_EQ(book.Sheets().size(), 2u);
  EXPECT_EQ(book.ChartCount(), 0);
  EXPECT_EQ(book.Range("ObjNum_w").Worksheet().Name(), "Путевые параметры");
  EXPECT_EQ(book.Range("DDistance_ew").Column(), 7);
  for (const char* gone : {"ObjNum_p", "ObjNum_f", "Consump", "Graph_Data", "ObjNum_l", "Time_a"}) {
    EXPECT_THROW(book.Range(gone), TOleError) << gone;
  }
  EXPECT_TRUE(output.ExcelApp()->DisplayAlerts) << "alerts are back on after deleting";
}

TEST_F(Dispatch, TheDaysBitNeverDecidesDeletion) {
  ASSERT_EQ(output.ExcelInit(), 0);
  output.MakeReport(run, 1, kMaskDeleteSheets | kMaskDays | kMaskPowerUp | kMaskFuel);
  TWorkbook& book = Book();
  EXPECT_THROW(book.Range("ObjNum_w"), TOleError);
  EXPECT_THROW(book.Range("ObjNum_ew"), TOleError);
  EXPECT_NO_THROW(book.Range("ObjNum_p"));
  EXPECT_NO_THROW(book.Range("Consump")) << "the norms stay with the fuel sheet";
  EXPECT_EQ(book.Sheets().size(), 3u);
  EXPECT_EQ(recorder.calls, (std::vector<std::string>{"PowerUp", "Fuel"}));
}

TEST_F(Dispatch, WithoutTheDeletionBitEverySheetStays) {
  ASSERT_EQ(output.ExcelInit(), 0);
  output.MakeReport(run, 1, kMaskPowerUp);
  EXPECT_EQ(Book().Sheets().size(), 14u);
  output.MakeReport(run, 1, kMaskDeleteSheets | kMaskGraph);
  EXPECT_EQ(Book().Sheets().size(), 2u);
  EXPECT_EQ(Book().ChartCount(), 1);
  EXPECT_EQ(Book().Worksheets(1).Name(), "Данные графика");
}

TEST_F(Dispatch, AMissingTemplateIsToldOncePerWorkbook) {
  output.Options.TemplateFolder = scratch / "empty";
  ASSERT_EQ(output.ExcelInit(), 0);
  output.MakeReport(run, 1, kMaskWay);
  output.MakeReport(run, 2, kMaskWay);
  EXPECT_EQ(services.Errors(), (std::vector<std::string>{"Ошибка открытия шаблона отчета!",
                                                         "Ошибка открытия шаблона отчета!"}));
  EXPECT_TRUE(recorder.calls.empty());
  output.ShowExcel();
  EXPECT_EQ(output.ExcelApp(), nullptr) << "the hand-over still happens";
  EXPECT_TRUE(output.SavedFiles().empty());
  EXPECT_EQ(services.Errors().size(), 2u);
}

TEST_F(Dispatch, AWriterFailurePropagates) {
  TSheetWriters w = recorder.Writers();
  w.PowerUp = [](const TSheetJob& job) { job.Book.Range("ObjNum_nope"); };
  TWorkbookOutput failing(services, w);
  ASSERT_EQ(failing.ExcelInit(), 0);
  EXPECT_THROW(failing.MakeReport(run, 1, kMaskPowerUp | kMaskNavLack), TOleError);
  EXPECT_TRUE(services.shown.empty());
}

TEST_F(Dispatch, HandOverSavesEveryWorkbookWithoutReplacingFiles) {
  ASSERT_EQ(output.ExcelInit(), 0);
  output.MakeReport(run, 1, kMaskWay);
  Book().Range("ObjNum_w").SetValue(std::int32_t{101});
  output.MakeReport(run, 1, kMaskWay);
  Book().Range("ObjNum_w").SetValue(std::int32_t{102});
  output.MakeReport(run, 1, kMaskWay);
  fs::create_directories(scratch / "reports");
  const fs::path mine = scratch / "reports" / "Отчет 2024-05-06 07-08-09.xlsx";
  { std::ofstream(mine) << "the user's own file"; }

  output.ShowExcel();
  EXPECT_TRUE(services.shown.empty());
  EXPECT_EQ(output.ExcelApp(), nullptr);
  const std::vector<fs::path> expected{scratch / "reports" / "Отчет 2024-05-06 07-08-09 (2).xlsx",
                                       scratch / "reports" / "Отчет 2024-05-06 07-08-09 (3).xlsx",
                                       scratch / "reports" / "Отчет 2024-05-06 07-08-09 (4).xlsx"};
  EXPECT_EQ(output.SavedFiles(), expected);
  for (const fs::path& p : output.SavedFiles()) test::ExpectValidWorkbook(p);
  EXPECT_EQ(opened, expected);
  std::ifstream in(mine);
  std::string text;
  std::getline(in, text);
  EXPECT_EQ(text, "the user's own file");
  EXPECT_EQ(test::Num(TWorkbook::Open(expected[0])->Range("ObjNum_w").Value()), 101);
  EXPECT_EQ(test::Num(TWorkbook::Open(expected[1])->Range("ObjNum_w").Value()), 102);
  output.QuitExcel();  // nothing held: nothing to quit
}

TEST_F(Dispatch, AHeadlessCallerNamesTheFile) {
  output.Options.OutputFile = scratch / "out" / "report.xlsx";
  output.Options.OpenInDesktop = false;
  fs::create_directories(scratch / "out");
  { std::ofstream(scratch / "out" / "report (2).xlsx") << "taken"; }
  ASSERT_EQ(output.ExcelInit(), 0);
  output.MakeReport(run, 1, kMaskWay);
  output.MakeReport(run, 1, kMaskWay);
  output.ShowExcel();
  EXPECT_EQ(output.SavedFiles(),
            (std::vector<fs::path>{scratch / "out" / "report.xlsx", scratch / "out" / "report (3).xlsx"}));
  for (const fs::path& p : output.SavedFiles()) test::ExpectValidWorkbook(p);
  EXPECT_EQ(fs::file_size(scratch / "out" / "report (2).xlsx"), 5u);
  EXPECT_TRUE(services.shown.empty());
  EXPECT_TRUE(opened.empty()) << "not opened when told not to";
}

TEST_F(Dispatch, WithoutAFolderReportsGoToTheDocuments) {
  output.Options.ReportsFolder.clear();
  fs::create_directories(scratch / "home" / ".config");
  {
    std::ofstream(scratch / "home" / ".config" / "user-dirs.dirs") << "XDG_DESKTOP_DIR=\"$HOME/Рабочий стол\"\n"
                                                                    << "XDG_DOCUMENTS_DIR=\"$HOME/Документы\"\n";
  }
  EXPECT_EQ(DocumentsFolder(), scratch / "home" / "Документы");
  output.Options.OpenInDesktop = false;
  ASSERT_EQ(output.ExcelInit(), 0);
  output.MakeReport(run, 1, kMaskWay);
  output.ShowExcel();
  ASSERT_EQ(output.SavedFiles().size(), 1u);
  EXPECT_EQ(output.SavedFiles()[0], scratch / "home" / "Документы" / "Ведограф" / "Отчет 2024-05-06 07-08-09.xlsx");
  EXPECT_TRUE(fs::exists(output.SavedFiles()[0]));
  test::ExpectValidWorkbook(output.SavedFiles()[0]);
  EXPECT_TRUE(opened.empty());
}

// A folder that exists but cannot be written. Permissions do not stop root,
// so then a read-only file system stands in for it.
fs::path ReadOnlyFolder(const fs::path& scratch) {
  const fs::path folder = scratch / "readonly";
  fs::create_directories(folder);
  ::chmod(folder.c_str(), 0555);
  if (::access(folder.c_str(), W_OK) != 0) return folder;
  for (const char* candidate : {"/proc/self", "/sys/kernel"}) {
    const fs::path probe = fs::path(candidate) / "vedograf_probe";
    std::ofstream out(probe);
    if (!out) return candidate;
  }
  return {};
}

TEST_F(Dispatch, AReadOnlyFolderIsNamedAndTheReportGoesElsewhere) {
  const fs::path folder = ReadOnlyFolder(scratch.Path());
  if (folder.empty()) GTEST_SKIP() << "no folder here refuses writing";
  output.Options.ReportsFolder = folder;
  ASSERT_EQ(output.ExcelInit(), 0);
  output.MakeReport(run, 1, kMaskWay);
  output.MakeReport(run, 1, kMaskWay);
  output.ShowExcel();
  const std::vector<std::string> errors = services.Errors();
  ASSERT_EQ(errors.size(), 1u) << "the folder is named once";
  EXPECT_NE(errors[0].find("Невозможно сохранить отчет в папку " + folder.string()), std::string::npos) << errors[0];
  ASSERT_EQ(output.SavedFiles().size(), 2u) << "no workbook is lost";
  const fs::path fallback = scratch / "home" / "Documents" / "Ведограф";
  EXPECT_EQ(output.SavedFiles()[0].parent_path(), fallback);
  EXPECT_NE(errors[0].find("Отчет сохран"), std::string::npos);
  EXPECT_NE(errors[0].find(output.SavedFiles()[0].string()), std::string::npos);
  for (const fs::path& p : output.SavedFiles()) {
    EXPECT_NO_THROW(TWorkbook::Open(p));
    test::ExpectValidWorkbook(p);
  }
}

TEST_F(Dispatch, QuitOnlyWhenARunStillHoldsTheEngine) {
  ASSERT_EQ(output.ExcelInit(), 0);
  output.MakeReport(run, 1, kMaskWay);
  output.QuitExcel();
  EXPECT_EQ(output.ExcelApp(), nullptr);
  EXPECT_NO_THROW(output.QuitExcel());
  output.ShowExcel();
  EXPECT_TRUE(output.SavedFiles().empty());
}

// The real writers behind the dispatch, on a run of two objects without
// events: every sheet is filled and the saved workbook opens again.
TEST_F(Dispatch, RealWritersFillEverySheetOfTheTemplate) {
  TWorkbookOutput real(services);
  real.Options = output.Options;
  objects[0].Number = 5;
  objects[0].Name = "Первый";
  objects[1].Number = 9;
  objects[1].Name = "Второй";
  for (TObjReport& o : objects) o.InReport = o.Number != 0;
  req.SensorStates[0] = 1;
  req.AnalogThres[1] = 0.5;
  req.FuelSensors = {true, false, true};
  current.Begin = EncodeDateTime(2011, 3, 1);
  current.End = EncodeDateTime(2011, 3, 2);
  ASSERT_EQ(real.ExcelInit(), 0);
  const TReportMask all = kMaskWay | kMaskDays | kMaskPowerUp | kMaskNavLack | kMaskPoints | kMaskStops |
                          kMaskSpeedExcess | kMaskSensors | kMaskAnalogInputs | kMaskFuel | kMaskLoad | kMaskGraph |
                          kMaskDeleteSheets;
  ASSERT_NO_THROW(real.MakeReport(run, 2, all));
  real.ShowExcel();
  ASSERT_EQ(real.SavedFiles().size(), 1u) << (services.Errors().empty() ? "" : services.Errors()[0]);
  test::ExpectValidWorkbook(real.SavedFiles()[0]);
  auto book = TWorkbook::Open(real.SavedFiles()[0]);
  EXPECT_EQ(book->Sheets().size(), 14u);
  for (const char* name : {"ObjNum_w", "ObjNum_p", "ObjNum_n", "ObjNum_c", "ObjNum_st", "ObjNum_e", "ObjNum_s",
                           "ObjNum_a", "ObjNum_f", "ObjNum_l"}) {
    EXPECT_EQ(test::Num(book->Range(name).Value()), 5) << name;
  }
  EXPECT_NE(test::Text(book->Range("Time_f").Value()).find("(версия программы 1.8.3)"), std::string::npos);
  EXPECT_EQ(test::Text(book->Range("Period_p").Value()), "00:00  01.03.2011 - 00:00  02.03.2011 (UTC+00:00)");
  EXPECT_TRUE(services.Errors().empty());
}

}  // namespace
}  // namespace vedograf
