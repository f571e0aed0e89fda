// End to end: a generated log database through vedograf-report into a
// workbook, read back by openpyxl and opened by LibreOffice - readers nobody
// here wrote. The hand-made track has figures worked out by hand.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "support/valid_workbook.h"

namespace {

namespace fs = std::filesystem;

std::string Slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Quote(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

struct TRun {
  int Status = -1;
  std::string Out, Err;
};

bool HaveOpenpyxl() { return std::system("/usr/bin/python3 -c 'import openpyxl' >/dev/null 2>&1") == 0; }

class ReportCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("vedograf_cli_" + std::to_string(::getpid()) + "_" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }

  TRun Run(const std::string& command) {
    const std::string line = command + " >" + Quote((dir / "out.txt").string()) + " 2>" +
                             Quote((dir / "err.txt").string());
    const int raw = std::system(line.c_str());
    TRun r;
    r.Status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.Out = Slurp(dir / "out.txt");
    r.Err = Slurp(dir / "err.txt");
    return r;
  }
  TRun Report(const std::string& args) { return Run(Quote(VEDOGRAF_REPORT_PATH) + " " + args); }
  std::string Path(const std::string& name) const { return (dir / name).string(); }
  void WriteFile(const std::string& name, const std::string& text) { std::ofstream(dir / name) << text; }
  // Runs a Python script over the workbook; its stdout.
  std::string Python(const std::string& book, const std::string& script) {
    WriteFile("check.py", script);
    const TRun r = Run("/usr/bin/python3 " + Quote(Path("check.py")) + " " + Quote(book));
    EXPECT_EQ(r.Status, 0) << r.Err;
    return r.Out;
  }

  fs::path dir;
};

// One vehicle, object 7, from 10.01.2024 08:00 UTC, a fix and an input row
// every minute: 10 steps of 0.01 degree north along a meridian, a stop of ten
// minutes at 55.1 N during which the LLS level climbs from 100 to 180 l in
// four steps, then 5 more steps north.
std::string HandMadeTrack() {
  std::ostringstream tsv;
  tsv.precision(17);
  tsv << "A\t7\tТест\n";
  int rec = 1;
  const double t0 = 45301.0 + 8.0 / 24, minute = 1.0 / 1440;
  auto nav = [&](double t, double lat, double speed) {
    tsv << "L\t" << rec++ << "\t7\t" << t << "\t12\t37.0\t" << lat << "\t" << speed
        << "\tНавигация: Свежее 3D, спутников 8\n";
  };
  auto inputs = [&](double t, double fuel) {
    char tail[128];
    std::snprintf(tail, sizeof tail, " 1 0 0 0 0 %6.2f%6.1f%6.1f%-21s%6.1f", 13.9, fuel, 40.0, " LLS:", fuel);
    tsv << "L\t" << rec++ << "\t7\t" << t << "\t0\t\\N\t\\N\t\\N\tВходы:" << tail << "\n";
  };
  for (int i = 0; i <= 10; ++i) {
    nav(t0 + i * minute, 55.0 + 0.01 * i, 66.7);
    inputs(t0 + (i + 0.5) * minute, 100.0);
  }
  for (int j = 1; j <= 10; ++j) {
    const double t = t0 + (10 + j) * minute;
    nav(t, 55.1, 0.0);
    inputs(t + minute / 2, 100.0 + std::min(std::max(j - 3, 0), 4) * 20.0);
  }
  for (int i = 1; i <= 5; ++i) {
    nav(t0 + (20 + i) * minute, 55.1 + 0.01 * i, 66.7);
    inputs(t0 + (20 + i + 0.5) * minute, 180.0);
  }
  return tsv.str();
}

TEST_F(ReportCommandTest, HandMadeTrackGivesTheFiguresWorkedOutByHand) {
  if (!HaveOpenpyxl()) GTEST_SKIP() << "python3-openpyxl is not installed";
  WriteFile("rows.tsv", HandMadeTrack());
  ASSERT_EQ(Run(Quote(VEDOGRAF_MKDB_PATH) + " " + Quote(Path("h.mdb")) + " <" + Quote(Path("rows.tsv"))).Status, 0);
  WriteFile("h.ini",
            "[Settings]\nSDate=10.01.2024\nFDate=11.01.2024\nTimeType=2\nUseLLS=1\nFilterStops=1\nMinStopTime=120\n"
            "[SelectedObjects]\nO0=7\n");
  const std::string settingsBefore = Slurp(dir / "h.ini");
  const TRun r = Report("--settings " + Quote(Path("h.ini")) + " --db " + Quote(Path("h.mdb")) + " --out " +
                        Quote(Path("out")));
  ASSERT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(r.Err, "");
  ASSERT_FALSE(r.Out.empty());
  const std::string book = r.Out.substr(0, r.Out.find('\n'));
  ASSERT_TRUE(fs::exists(book)) << book;
  EXPECT_EQ(fs::path(book).parent_path(), dir / "out");
  vedograf::test::ExpectValidWorkbook(book);
  EXPECT_EQ(Slurp(dir / "h.ini"), settingsBefore) << "the command never writes the settings";

  const std::string got = Python(book, R"(
import sys, openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
def row(sheet, n):
    return [c for c in next(wb[sheet].iter_rows(min_row=n, max_row=n, values_only=True)) if c is not None]
way = row('Путевые параметры', 7)
print('route %.3f' % way[3])
stop = row('Остановки', 7)
print('stop %s %d' % (stop[3], stop[4].total_seconds()))
print('moved %.3f' % stop[5])
fill = row('Заправки и сливы', 7)
print('fill %s %s %s' % (fill[3], fill[4], fill[5]))
)");
  // 15 steps of 0.01 degree: 15 * 0.01 * pi/180 * 6371006.84 m = 16.679 km.
  EXPECT_NE(got.find("route 16.679\n"), std::string::npos) << got;
  // The stop runs from the arrival fix 08:10 to the last slow fix 08:20,
  // after 10 steps (11.120 km) of movement.
  EXPECT_NE(got.find("stop 08:10  10.01.2024  -  08:20  10.01.2024 600\n"), std::string::npos) << got;
  EXPECT_NE(got.find("moved 11.120\n"), std::string::npos) << got;
  // The level climbs 100 -> 180 l between the input rows of 08:13 and 08:17.
  EXPECT_NE(got.find("fill 08:13  10.01.2024  -  08:17  10.01.2024 80 заправка\n"), std::string::npos) << got;
}

TEST_F(ReportCommandTest, SampleFleetWithEveryReportAndLibreOfficeOpensIt) {
  ASSERT_EQ(Run(Quote(VEDOGRAF_MKDB_PATH) + " --fleet --areas " + Quote(Path("fleet")) + " " + Quote(Path("fleet.mdb")))
                .Status,
            0);
  WriteFile("bare.ini", "[Settings]\n");
  const TRun list = Report("--settings " + Quote(Path("bare.ini")) + " --db " + Quote(Path("fleet.mdb")) +
                           " --areas " + Quote(Path("fleet.obj")) + " --list");
  ASSERT_EQ(list.Status, 0) << list.Err;
  EXPECT_EQ(list.Out.rfind("101  -  ", 0), 0u) << list.Out;
  const std::size_t sep = list.Out.find("\n--\n");
  ASSERT_NE(sep, std::string::npos);
  EXPECT_NE(list.Out.find("\n108\n"), std::string::npos) << "the unnamed vehicle is its number alone";

  // Every area chosen, as the window would save it.
  std::string ini =
      "[Settings]\nSDate=04.03.2024\nFDate=07.03.2024\nTimeType=0\nTimeZone=12\nUseLLS=1\nFuelSensor2=1\n"
      "[SelectedPoints]\n";
  std::istringstream areas(list.Out.substr(sep + 4));
  std::string name;
  for (int k = 0; std::getline(areas, name); ++k) ini += "P" + std::to_string(k) + "=" + name + "\n";
  WriteFile("fleet.ini", ini);
  const TRun r = Report("--settings " + Quote(Path("fleet.ini")) + " --db " + Quote(Path("fleet.mdb")) +
                        " --areas " + Quote(Path("fleet.obj")) + " --objects all --out " + Quote(Path("out")));
  ASSERT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(r.Err, "");
  const std::string book = r.Out.substr(0, r.Out.find('\n'));
  ASSERT_TRUE(fs::exists(book));
  vedograf::test::ExpectValidWorkbook(book);

  if (HaveOpenpyxl()) {
    const std::string sheets = Python(book, R"(
import sys, openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
print('|'.join(wb.sheetnames))
print(wb['Контрольные районы'].max_row > 20, wb['Остановки'].max_row > 20)
)");
    EXPECT_EQ(sheets.rfind("Путевые параметры|Детали маршрута|Выключение контроллера|Пропадание навигации|"
                           "Контрольные районы|Остановки|Превышения скорости|Дискретные входы|Аналоговые входы|"
                           "Расход топлива|Заправки и сливы|Нормы расхода|Данные графика|График - №101",
                           0),
              0u)
        << sheets;
    EXPECT_NE(sheets.find("True True"), std::string::npos) << sheets;
  }

  if (std::system("command -v soffice >/dev/null 2>&1") != 0) GTEST_SKIP() << "LibreOffice is not installed";
  fs::copy_file(book, dir / "book.xlsx");
  // The first sheet as UTF-8 CSV (filter option 76), in a profile of its own.
  const TRun lo = Run("HOME=" + Quote(Path("lo-home")) +
                      " timeout 180 soffice --headless --norestore"
                      " --convert-to 'csv:Text - txt - csv (StarCalc):44,34,76' --outdir " +
                      Quote(Path("lo")) + " " + Quote(Path("book.xlsx")));
  ASSERT_EQ(lo.Status, 0) << lo.Out << lo.Err;
  const std::string csv = Slurp(dir / "lo" / "book.csv");
  EXPECT_NE(csv.find("Путевые и дополнительные параметры"), std::string::npos) << csv.substr(0, 300);
  EXPECT_NE(csv.find("КамАЗ А100КН 77"), std::string::npos);
}

TEST_F(ReportCommandTest, ExitStatusesAndMessagesOnStderr) {
  WriteFile("rows.tsv", HandMadeTrack());
  ASSERT_EQ(Run(Quote(VEDOGRAF_MKDB_PATH) + " --password секрет " + Quote(Path("p.mdb")) + " <" +
                Quote(Path("rows.tsv")))
                .Status,
            0);
  WriteFile("s.ini", "[Settings]\nSDate=10.01.2024\nFDate=11.01.2024\nTimeType=2\n");
  const std::string base = "--settings " + Quote(Path("s.ini")) + " --db " + Quote(Path("p.mdb")) + " --out " +
                           Quote(Path("out"));

  // The password from a file, its first line only.
  WriteFile("pw", "секрет\nignored\n");
  TRun r = Report(base + " --password-file " + Quote(Path("pw")) + " --objects 7");
  EXPECT_EQ(r.Status, 0) << r.Err;

  r = Report(base + " --password wrong --objects 7");
  EXPECT_EQ(r.Status, 2);
  EXPECT_NE(r.Err.find("ошибка: Ошибка открытия базы: введен неверный пароль"), std::string::npos) << r.Err;
  r = Report(base + " --objects 7");
  EXPECT_EQ(r.Status, 2) << "no password is a wrong one, not a cancelled dialog";

  // No object selected: the request is refused, one line per box.
  r = Report(base + " --password секрет");
  EXPECT_EQ(r.Status, 1);
  EXPECT_EQ(r.Err, "ошибка: Не выбраны объекты для вывода отчетов\n");

  r = Report(base + " --password секрет --objects 7 --from '11.01.2024 00:00' --to '10.01.2024 00:00'");
  EXPECT_EQ(r.Status, 1);
  EXPECT_EQ(r.Err, "ошибка: Конечное время должно быть больше начального\n");

  // A job file line with a bad date: told, the line dropped, the run goes on.
  WriteFile("job.txt", "ON7 SD99.99.2024\n");
  r = Report(base + " --password секрет --objects 7 --job " + Quote(Path("job.txt")));
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(r.Err, "ошибка: Нeвозможно декодировать дату \"99.99.2024\" для объекта №7 в файле " + Path("job.txt") +
                       "\n");

  EXPECT_EQ(Report("--bogus").Status, 3);
  EXPECT_EQ(Report("--settings " + Quote(Path("missing.ini"))).Status, 3);
  EXPECT_EQ(Report(base + " --password секрет --objects 7,x").Status, 3);
  r = Report("--help");
  EXPECT_EQ(r.Status, 0);
  EXPECT_NE(r.Out.find("--password-file"), std::string::npos);
  EXPECT_NE(r.Out.find("exit status"), std::string::npos);
}

}  // namespace
