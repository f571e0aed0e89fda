// Every writer into one workbook, saved and read back by readers nobody here
// wrote: openpyxl (cells, formulas, charts as stored) and LibreOffice (the
// formulas computed, every sheet and chart present).

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>

#include "support/valid_workbook.h"
#include "writer_fixture.h"

namespace vedograf::test {
namespace {

namespace fs = std::filesystem;

const fs::path kPeerScript = fs::path(__FILE__).parent_path() / "peer_read.py";

// The system's interpreter carries the Debian packages (a user's own
// Python first on PATH need not).
std::string Python() { return ::access("/usr/bin/python3", X_OK) == 0 ? "/usr/bin/python3" : "python3"; }

bool Shell(const std::string& command, std::string& output) {
  output.clear();
  FILE* p = ::popen((command + " 2>&1").c_str(), "r");
  if (p == nullptr) return false;
  char buf[4096];
  for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) output.append(buf, n);
  return ::pclose(p) == 0;
}

std::string Quoted(const fs::path& p) {
  std::string out = "'";
  for (char c : p.string()) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

std::map<std::string, std::string> Facts(const std::string& text) {
  std::map<std::string, std::string> facts;
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

double At(int hour, int minute = 0) { return EncodeDateTime(2011, 3, 1, hour, minute); }

class AllWritersTest : public TWriterTest {
 protected:
  void SetUp() override {
    TWriterTest::SetUp();
    dir = fs::temp_directory_path() / ("vedograf_writers_" + std::to_string(::getpid()) + "_" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    current.Begin = At(0);
    current.End = At(23, 59);
    req.SensorStates = {1, 0, 0, 0, 0};
    req.AnalogThres = {0.0, -1.0, -1.0};
    req.FuelSensors = {true, false, true};
    areas.AddPoint(55.0, 37.0, "Склад");

    for (std::int32_t n : {1, 2}) {
      TObjReport& o = AddObject(n, n == 1 ? "Автобус & <второй>" : "Газель");
      o.Distance = 100000.0;
      o.SpeedMean = 40.0;
      o.WorkTime = 0.5;
      Put(o.PowerOffs, o.PowerOffCount, {TInterval{current.Begin, At(6)}});
      Put(o.Stops, o.StopCount, {TStopRecord{0, At(9), At(10), 0.0, 2500.0, 0.125, 240000.0, 1200000.0, 1800000.0}});
      Put(o.InputActivity[0], o.InputCount[0], {TInputActivity{-1, 600, At(8), At(9)}});
      o.InputActiveTime[0] = 1.0 / 24;
      Put(o.AnalogChanges[0], o.AnalogCount[0], {TAnalogChange{0, 1.0, 10.0, At(7)}, TAnalogChange{0, 2.0, 12.0, At(8)}});
      for (int c : {0, 2}) {
        TFuelSummary& f = o.Fuel[c];
        f.StartLevel = 200.0f;
        f.EndLevel = 150.0f;
        f.Distance = 100000.0f;
        f.LoadVolume = 50.0f;
        f.LoadCount = 1;
        f.DrainVolume = -35.5f;
        f.DrainCount = 1;
      }
      Put(o.Fuel[0].Events, o.Fuel[0].EventCount, {TFuelEvent{50.0f, At(11), At(11, 10)}});
      for (int c = 0; c < 2; ++c) {
        TGraphStore& g = buffers.Graph;
        std::vector<float> levels(120, 100.0f * n + c);
        ASSERT_TRUE(g.Series[g.GraphSeriesCount].CopyFrom(TMemory::Default(), levels.data(), levels.size()));
        g.Owner[g.GraphSeriesCount++] = n;
      }
    }
    Run([](const TSheetJob& job) {
      MakeWayReport(job, false);
      MakePowerUpReport(job);
      MakeNavLackReport(job);
      MakePointReport(job);
      MakeStopReport(job);
      MakeSpeedExReport(job);
      MakeSensorReport(job);
      MakeAnalogInReport(job);
      MakeFuelReport(job);
      MakeLoadReport(job);
      MakeGraphReport(job);
    });
    file = dir / "report.xlsx";
    book->Worksheets(1).Select();
    book->SaveAs(file);
    ExpectValidWorkbook(file);
  }
  void TearDown() override { fs::remove_all(dir); }

  fs::path dir, file;
};

TEST_F(AllWritersTest, OpenpyxlReadsCellsFormulasAndCharts) {
  std::string text;
  if (!Shell(Python() + " -c 'import openpyxl'", text)) GTEST_SKIP() << "python3-openpyxl is not installed";
  ASSERT_TRUE(Shell(Python() + " " + Quoted(kPeerScript) + " openpyxl " + Quoted(file), text)) << text;
  const auto facts = Facts(text);
  auto fact = [&](const std::string& key) {
    auto it = facts.find(key);
    return it == facts.end() ? std::string("<missing>") : it->second;
  };
  EXPECT_EQ(fact("cell:Путевые параметры!B7"), "'Автобус & <второй>'");
  EXPECT_EQ(fact("cell:Путевые параметры!C8"), "'весь интервал'");
  EXPECT_EQ(fact("cell:Остановки!H7"), "'10.0 / 50.0 / 75.0'");
  EXPECT_EQ(fact("cell:Выключение контроллера!D7"), "'-'");
  EXPECT_EQ(fact("cell:Дискретные входы!E8"), "'Всего'");
  EXPECT_EQ(fact("cell:Расход топлива!G9"), "'=G8+G7'");
  EXPECT_EQ(fact("cell:Расход топлива!L9"), "'=IF(C7>0,INDEX(K:K,ROW())*100/C7,0)'");
  EXPECT_EQ(fact("cell:Заправки и сливы!F7"), "'заправка'");
  EXPECT_EQ(fact("chartsheet:1"), "График - №1");
  EXPECT_EQ(fact("chartsheet:2"), "График - №2");
  EXPECT_EQ(fact("chart:2:title"), "Объект №2");
  EXPECT_EQ(fact("chart:2:series:3"), "'Данные графика'!$G$1:$G$120|'Данные графика'!$A$1:$A$120");
}

TEST_F(AllWritersTest, LibreOfficeComputesAndShowsEverySheetAndChart) {
  std::string text;
  if (!Shell("command -v soffice", text)) GTEST_SKIP() << "LibreOffice is not installed";
  const std::string command = "timeout 300 soffice -env:UserInstallation=file://" + (dir / "profile").string() +
                              " --headless --norestore --convert-to ods --outdir " + Quoted(dir) + " " + Quoted(file);
  ASSERT_TRUE(Shell(command, text)) << text;
  ASSERT_TRUE(Shell(Python() + " " + Quoted(kPeerScript) + " ods " + Quoted(dir / "report.ods"), text)) << text;
  const auto facts = Facts(text);
  auto fact = [&](const std::string& key) {
    auto it = facts.find(key);
    return it == facts.end() ? std::string("<missing>") : it->second;
  };
  EXPECT_EQ(fact("objects"), "2");
  EXPECT_EQ(fact("charts:График - №1"), "1");
  EXPECT_EQ(fact("charts:График - №2"), "1");
  EXPECT_EQ(fact("value:Выключение контроллера!C7"), "?  -  06:00  01.03.2011");
  // Channels 1 and 3: 200 + 50 - 35.5 - 150 = 64.5 each; the total row sums
  // them, takes the distance of the first channel row (129 l over 100 km),
  // the norm of both rows (30 l per 100 km each) and the overrun.
  EXPECT_EQ(fact("value:Расход топлива!K7"), "64.5");
  EXPECT_EQ(fact("value:Расход топлива!I7"), "35.5");
  EXPECT_EQ(fact("value:Расход топлива!D8"), "3");
  EXPECT_EQ(fact("value:Расход топлива!K9"), "129");
  EXPECT_EQ(fact("value:Расход топлива!L9"), "129");
  EXPECT_EQ(fact("value:Расход топлива!M9"), "60");
  EXPECT_EQ(fact("value:Расход топлива!N9"), "69");
  EXPECT_EQ(fact("value:Расход топлива!K13"), "129");
  EXPECT_EQ(fact("value:Аналоговые входы!H8"), "2");
  EXPECT_EQ(fact("value:Данные графика!G1"), "401");
}

}  // namespace
}  // namespace vedograf::test
