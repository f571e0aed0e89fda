// Saved workbooks read back by readers nobody here wrote: openpyxl (names,
// values, formulas, formats, chart series) and LibreOffice (computed formula
// results, every sheet and chart present). A peer that is not installed
// skips its test; scripts/install-deps installs both.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <string>

#include "core/datetime.h"
#include "sheet/cell_write.h"
#include "workbook_test_util.h"

namespace vedograf {
namespace {

namespace fs = std::filesystem;

const fs::path kScript = fs::path(__FILE__).parent_path() / "peer_read.py";

std::string Python() { return ::access("/usr/bin/python3", X_OK) == 0 ? "/usr/bin/python3" : "python3"; }

bool RunShell(const std::string& command, std::string& output) {
  output.clear();
  FILE* p = ::popen((command + " 2>&1").c_str(), "r");
  if (p == nullptr) return false;
  char buf[4096];
  std::size_t n = 0;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) output.append(buf, n);
  return ::pclose(p) == 0;
}

std::string Quote(const fs::path& p) {
  std::string out = "'";
  for (char c : p.string()) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

std::multimap<std::string, std::string> Facts(const std::string& text) {
  std::multimap<std::string, std::string> facts;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    const std::size_t eq = line.find('=');
    if (eq != std::string::npos) facts.emplace(line.substr(0, eq), line.substr(eq + 1));
    start = end + 1;
  }
  return facts;
}

std::string Fact(const std::multimap<std::string, std::string>& facts, const std::string& key) {
  auto it = facts.find(key);
  return it == facts.end() ? "<missing>" : it->second;
}

// A workbook as the writers leave it: a fuel sheet of one object with two
// channels (the total row's rewritten template formula included), a route
// sheet, the graph with a copied chart, one sheet deleted.
class WorkbookPeers : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    file = new fs::path(fs::temp_directory_path() / ("vedograf_peers_" + std::to_string(::getpid()) + ".xlsx"));
    auto book = TWorkbook::Open(test::TemplatePath());
    TObjReports objects;
    TReportParams current{0, EncodeDateTime(2011, 3, 1, 5, 0), EncodeDateTime(2011, 3, 1, 17, 0)};
    TRequestParams req;
    TEventBuffers buffers;
    const TRunView run{objects, current, req, buffers, nullptr};
    TCellWriter w(*book, run);

    w.PrepareWorksheet("ObjNum_w", "Time_w", "", 1, "Period_w");
    w.toExcel("ObjNum_w", 0, 17);
    w.toExcel("ObjName_w", 0, "Автобус №1 & <второй>");
    w.toExcel("Distance_w", 0, 123.4567);
    w.toExcel("WTime_w", 0, 1.5);

    const int k = 2;
    w.PrepareWorksheet("ObjNum_f", "Time_f", "", k + 2, "Period_f");
    std::string total = book->Range("CConsump_f").FormulaR1C1();
    for (std::size_t at; (at = total.find("RC")) != std::string::npos;) total.insert(at + 1, "[-" + std::to_string(k) + "]");
    const std::string sum = "=R[-1]C+R[-2]C";
    w.toExcel("ObjNum_f", 0, 17);
    w.toExcel("ObjName_f", 0, "Автобус №1");
    for (int row = 0; row < k; ++row) {
      w.toExcel("Distance_f", row, 100.0);
      w.toExcel("Sensor_f", row, row == 0 ? 1 : 3);
      w.toExcel("SLevel_f", row, 200.0f);
      w.toExcel("FLevel_f", row, 150.0f);
      w.toExcel("LoadV_f", row, 50.0f);
      w.toExcel("LoadC_f", row, 1);
      w.toExcel("UnloadV_f", row, 10.0f);
      w.toExcel("UnloadC_f", row, 1);
      w.toExcel("CConsump_f", row, "");
      w.toExcel("OConsump_f", row, "");
    }
    w.toExcel("Sensor_f", k, "Всего");
    for (const char* name : {"LoadV_f", "LoadC_f", "UnloadV_f", "UnloadC_f", "RConsump_f"}) {
      w.toExcelFormulaR1C1(name, k, sum);
    }
    w.toExcelFormulaR1C1("CConsump_f", k, total);
    w.toExcelFormulaR1C1("LConsump_f", k, sum);
    for (const char* name : {"RConsump_f", "CConsump_f", "OConsump_f", "LConsump_f"}) w.toExcel(name, k + 1, "");

    w.UseSheetOf("Graph_Data");
    TValueArray block(3, 1);
    const double times[] = {40603.25, 40603.25 + 1.0 / 1440, 40603.25 + 2.0 / 1440};
    const float a[] = {100.5f, 99.5f, 98.0f}, b[] = {10.0f, 11.0f, 12.0f};
    const TRange labels = w.TimeColToExcel(block, times, 1, 1, 3);
    TChart* chart = &book->Charts(1);
    chart->SeriesCollection(2).Delete();
    chart->SeriesCollection(2).Delete();
    chart->SeriesCollection(2).Delete();
    for (int i = 0; i < 2; ++i) {
      if (i > 0) {
        chart->Copy(chart);
        chart = &book->Charts(2);
      }
      chart->SeriesCollection(1).SetValues(w.ColToExcel(block, i == 0 ? a : b, 2 + i, 1, 3));
      chart->SeriesCollection(1).SetXValues(labels);
      chart->Axes(1).SetTickLabelSpacing(1);
      chart->SetHasTitle(true);
      chart->SetTitleText("Объект №" + std::to_string(17 + i));
      chart->SetName("График - №" + std::to_string(17 + i));
    }
    book->Range("ObjNum_st").Worksheet().Delete();
    book->Worksheets(1).Select();
    book->SaveAs(*file);
    test::ExpectValidWorkbook(*file);
  }
  static void TearDownTestSuite() {
    std::error_code ec;
    fs::remove(*file, ec);
    delete file;
  }
  static fs::path* file;
};
fs::path* WorkbookPeers::file = nullptr;

TEST_F(WorkbookPeers, OpenpyxlReadsNamesValuesFormulasAndCharts) {
  std::string text;
  if (!RunShell(Python() + " -c 'import openpyxl'", text)) GTEST_SKIP() << "python3-openpyxl is not installed";
  ASSERT_TRUE(RunShell(Python() + " " + Quote(kScript) + " openpyxl " + Quote(*file), text)) << text;
  const auto facts = Facts(text);
  const std::string sheets = Fact(facts, "sheets");
  EXPECT_EQ(sheets.find("Остановки"), std::string::npos) << sheets;
  EXPECT_NE(sheets.find("Расход топлива"), std::string::npos) << sheets;
  EXPECT_EQ(Fact(facts, "name:ObjNum_f"), "'Расход топлива'!$A$7");
  EXPECT_EQ(Fact(facts, "name:Graph_Data"), "'Данные графика'!$A$1");
  EXPECT_EQ(facts.count("name:ObjNum_st"), 0u) << "names of the deleted sheet are gone";
  EXPECT_EQ(Fact(facts, "cell:Путевые параметры!A7"), "17");
  EXPECT_EQ(Fact(facts, "cell:Путевые параметры!B7"), "'Автобус №1 & <второй>'");
  EXPECT_EQ(Fact(facts, "fmt:Путевые параметры!F7"), "[h]:mm:ss") << "working time is a duration";
  EXPECT_EQ(Fact(facts, "fmt:Путевые параметры!D7"), "0.000") << "kilometres with three decimals";
  EXPECT_EQ(Fact(facts, "cell:Расход топлива!K7"), "'=E7+G7-I7-F7'");
  EXPECT_EQ(Fact(facts, "cell:Расход топлива!K9"), "'=K8+K7'");
  EXPECT_EQ(Fact(facts, "cell:Расход топлива!L9"), "'=IF(C7>0,INDEX(K:K,ROW())*100/C7,0)'");
  EXPECT_EQ(Fact(facts, "cell:Расход топлива!D9"), "'Всего'");
  EXPECT_EQ(facts.count("cell:Расход топлива!L7"), 0u) << "emptied on a channel row";
  EXPECT_EQ(facts.count("cell:Расход топлива!K10"), 0u) << "emptied on the separator row";
  EXPECT_EQ(Fact(facts, "cell:Расход топлива!N9"), "'=K9-M9'");
  EXPECT_EQ(Fact(facts, "fmt:Данные графика!A1"), "hh:mm\\ \\ dd.mm.yyyy");
  EXPECT_EQ(Fact(facts, "chartsheet:1"), "График - №17");
  EXPECT_EQ(Fact(facts, "chartsheet:2"), "График - №18");
  EXPECT_EQ(Fact(facts, "chart:1:series:1"), "'Данные графика'!$B$1:$B$3|'Данные графика'!$A$1:$A$3");
  EXPECT_EQ(Fact(facts, "chart:2:series:1"), "'Данные графика'!$C$1:$C$3|'Данные графика'!$A$1:$A$3");
  EXPECT_EQ(facts.count("chart:1:series:2"), 0u);
  EXPECT_EQ(Fact(facts, "chart:2:title"), "Объект №18");
}

TEST_F(WorkbookPeers, LibreOfficeComputesTheFormulasAndShowsEverySheet) {
  std::string text;
  if (!RunShell("command -v soffice", text)) GTEST_SKIP() << "LibreOffice (libreoffice-calc-nogui) is not installed";
  const fs::path dir = fs::temp_directory_path() / ("vedograf_lo_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  // An own profile: a concurrent LibreOffice of the user does not interfere.
  const std::string command = "timeout 300 soffice -env:UserInstallation=file://" + (dir / "profile").string() +
                              " --headless --norestore --convert-to ods --outdir " + Quote(dir) + " " + Quote(*file);
  ASSERT_TRUE(RunShell(command, text)) << text;
  const fs::path ods = dir / (file->stem().string() + ".ods");
  ASSERT_TRUE(fs::exists(ods)) << text;
  ASSERT_TRUE(RunShell(Python() + " " + Quote(kScript) + " ods " + Quote(ods), text)) << text;
  fs::remove_all(dir);
  const auto facts = Facts(text);
  std::vector<std::string> tables;
  for (auto [it, end] = facts.equal_range("table"); it != end; ++it) tables.push_back(it->second);
  EXPECT_EQ(tables.size(), 14u) << "12 worksheets and 2 chart sheets";
  EXPECT_EQ(Fact(facts, "charts:График - №17"), "1");
  EXPECT_EQ(Fact(facts, "charts:График - №18"), "1");
  EXPECT_EQ(Fact(facts, "objects"), "2");
  // Real consumption = start + loads - drains - end; per 100 km; by norm; overrun.
  EXPECT_EQ(Fact(facts, "value:Расход топлива!K7"), "90");
  EXPECT_EQ(Fact(facts, "value:Расход топлива!M7"), "30");
  EXPECT_EQ(Fact(facts, "value:Расход топлива!K9"), "180");
  EXPECT_EQ(Fact(facts, "value:Расход топлива!L9"), "180");
  EXPECT_EQ(Fact(facts, "value:Расход топлива!M9"), "60");
  EXPECT_EQ(Fact(facts, "value:Расход топлива!N9"), "120");
  EXPECT_EQ(Fact(facts, "value:Расход топлива!G9"), "100");
  EXPECT_EQ(Fact(facts, "value:Путевые параметры!F7"), "36:00:00") << "1.5 days as a duration";
  EXPECT_EQ(Fact(facts, "value:Данные графика!B2"), "99.5");
  EXPECT_EQ(Fact(facts, "value:Путевые параметры!C3"), "05:00  01.03.2011 - 17:00  01.03.2011 (UTC+00:00)");
}

}  // namespace
}  // namespace vedograf
