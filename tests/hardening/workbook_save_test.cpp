// Saving reports under failing storage: each file call of the save fails in
// turn for N = 1 up to success, the disk fills, the folder is read-only, the
// target name exists (as a file or a symbolic link), and the saver is killed
// at random moments. An existing file is never replaced, a failure names the
// file and the reason, the report then goes to the next folder, and no
// temporary file is ever left in the folder.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <string>

#include "core/datetime.h"
#include "fs_faults.h"
#include "core/new_file.h"
#include "sheet/workbook_output.h"
#include "support/test_services.h"

namespace vedograf {
namespace {

namespace fs = std::filesystem;
using test::faults::TCall;
using test::faults::TPlan;

constexpr const char* kName = "Отчет 2024-05-06 07-08-09.xlsx";

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& p, const std::string& text) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out << text;
}

std::set<std::string> Entries(const fs::path& dir) {
  std::set<std::string> out;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(dir, ec)) out.insert(e.path().filename().string());
  return out;
}

// Writers that fill the route sheet with `cells` numbered cells, so the
// workbook is big enough to be caught half-way.
TSheetWriters FillingWriters(int cells) {
  TSheetWriters w;
  auto none = [](const TSheetJob&) {};
  w.Way = [cells](const TSheetJob& job, bool) {
    TWorksheet& sheet = job.Book.Worksheets(1);
    for (int i = 0; i < cells; ++i) sheet.Cells(1 + i / 20, 1 + i % 20).SetValue(TValue(i * 1.25));
  };
  w.PowerUp = w.NavLack = w.Point = w.Stop = w.SpeedEx = w.Sensor = w.AnalogIn = w.Fuel = w.Load = w.Graph = none;
  return w;
}

class WorkbookSaveFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::path(::testing::TempDir()) / "save-faults-XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    root_ = tmpl;
    dir_ = root_ / "reports";
    fs::create_directories(dir_);
    home_ = std::getenv("HOME") != nullptr ? std::getenv("HOME") : "";
    // The fallback folder is the documents folder of this home.
    setenv("HOME", (root_ / "home").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (root_ / "home" / ".config").c_str(), 1);
    fallback_ = root_ / "home" / "Documents" / "Ведограф";
  }
  void TearDown() override {
    setenv("HOME", home_.c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");
    std::error_code ec;
    fs::permissions(dir_, fs::perms::owner_all, ec);
    fs::remove_all(root_, ec);
  }

  // One run's hand-over of one workbook into dir_; the saved files.
  std::vector<fs::path> Save(test::TTestServices& services, int cells = 2000) {
    TWorkbookOutput output(services, FillingWriters(cells));
    output.Options.ReportsFolder = dir_;
    output.Options.OpenInDesktop = false;
    output.Options.Now = [] { return EncodeDateTime(2024, 5, 6, 7, 8, 9); };
    std::vector<TObjReport> objects(1);
    TReportParams current;
    TRequestParams req;
    TEventBuffers buffers;
    TRunView run{objects, current, req, buffers, nullptr};
    EXPECT_EQ(output.ExcelInit(), 0);
    output.MakeReport(run, 1, kMaskWay);
    output.ShowExcel();
    return output.SavedFiles();
  }

  // Runs the save with `plan` armed for N = 1, 2, ... until the N-th call
  // never comes. An old file of the report's name is there each time.
  // Returns the largest N that made the save in dir_ fail.
  int FailEachCall(TPlan plan) {
    int failed = 0;
    for (int n = 1; n < 400; ++n) {
      fs::remove_all(dir_);
      fs::remove_all(fallback_);
      fs::create_directories(dir_);
      WriteFile(dir_ / kName, "old report");
      plan.FailAt = n;
      plan.Folder = dir_.string();
      test::TTestServices services;
      std::vector<fs::path> saved;
      int calls = 0;
      {
        test::faults::TArmed armed(plan);
        saved = Save(services);
        calls = test::faults::Calls();
      }
      SCOPED_TRACE(std::string(Name(plan.Call)) + " failing at call " + std::to_string(n));
      EXPECT_EQ(ReadFile(dir_ / kName), "old report") << "an existing report was replaced";
      EXPECT_EQ(saved.size(), 1u) << "the report was lost";
      const std::set<std::string> left = Entries(dir_);
      if (!saved.empty() && saved[0].parent_path() == dir_) {
        EXPECT_TRUE(services.Errors().empty());
        EXPECT_EQ(left, (std::set<std::string>{kName, "Отчет 2024-05-06 07-08-09 (2).xlsx"}));
      } else {
        // Told which folder, which file and why; the report went elsewhere.
        EXPECT_EQ(left, std::set<std::string>{kName}) << "a partial or temporary file was left";
        EXPECT_EQ(services.Errors().size(), 1u);
        const std::string e = services.Errors().empty() ? std::string() : services.Errors()[0];
        EXPECT_NE(e.find("Невозможно сохранить отчет в папку " + dir_.string()), std::string::npos) << e;
        EXPECT_NE(e.find("Не удается сохранить файл " + dir_.string() + "/Отчет"), std::string::npos) << e;
        EXPECT_NE(e.find("Отчет сохранен в файл " + (fallback_ / kName).string()), std::string::npos) << e;
        if (!saved.empty()) {
          EXPECT_EQ(saved[0], fallback_ / kName);
        }
        failed = n;
      }
      for (const fs::path& p : saved) EXPECT_NO_THROW(TWorkbook::Open(p));
      if (calls < n) {
        std::printf("fault matrix: %-6s last failing N %d, N %d not reached\n", Name(plan.Call), failed, n);
        return failed;
      }
    }
    ADD_FAILURE() << "the save never got through";
    return failed;
  }

  fs::path root_, dir_, fallback_;
  std::string home_;
};

TEST_F(WorkbookSaveFaults, EveryFileCallFailingInTurn) {
  // The three ways a file gets its name: nameless file linked in, hidden
  // temporary name renamed without replacing, hidden name linked and unlinked.
  for (const int way : {0, 1, 2}) {
    for (const TCall call : test::faults::kFileCalls) {
      TPlan plan;
      plan.Call = call;
      plan.Errno = call == TCall::Open ? EACCES : EIO;
      plan.NoTmpFile = way >= 1;
      plan.NoRenameFlags = way == 2;
      std::printf("way %d: ", way);
      const int failed = FailEachCall(plan);
      // Closing a nameless file after a successful sync loses nothing; a
      // named one is closed before it is renamed, and that close can fail.
      if (call != TCall::Close || way != 0) EXPECT_GE(failed, 1) << Name(call) << " way " << way;
    }
  }
}

TEST_F(WorkbookSaveFaults, ShortWritesAndAFullDisk) {
  TPlan plan;
  plan.Call = TCall::Write;
  plan.WriteChunk = 4096;
  plan.Errno = ENOSPC;
  plan.FailRest = true;
  EXPECT_GE(FailEachCall(plan), 3);
}

TEST_F(WorkbookSaveFaults, ReadOnlyFolder) {
  test::TTestServices services;
  std::vector<fs::path> saved;
  if (::geteuid() == 0) {
    // Root writes into any folder; a read-only file system is what stops it.
    TPlan plan;
    plan.Call = TCall::Open;
    plan.FailAt = 1;
    plan.FailRest = true;
    plan.Errno = EROFS;
    plan.Folder = dir_.string();
    test::faults::TArmed armed(plan);
    saved = Save(services);
  } else {
    fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
    saved = Save(services);
    fs::permissions(dir_, fs::perms::owner_all);
  }
  ASSERT_EQ(services.Errors().size(), 1u);
  EXPECT_NE(services.Errors()[0].find(dir_.string()), std::string::npos);
  ASSERT_EQ(saved.size(), 1u);
  EXPECT_EQ(saved[0], fallback_ / kName);
  EXPECT_TRUE(Entries(dir_).empty());
}

TEST_F(WorkbookSaveFaults, ExistingNamesAndSymbolicLinksAreNeverWrittenThrough) {
  // A dangling link and a link to another file under the report's names: both
  // stay as they were, nothing is created where they point.
  const fs::path elsewhere = root_ / "elsewhere";
  fs::create_directories(elsewhere);
  WriteFile(elsewhere / "kept.txt", "kept");
  fs::create_symlink(elsewhere / "not-there.xlsx", dir_ / kName);
  fs::create_symlink(elsewhere / "kept.txt", dir_ / "Отчет 2024-05-06 07-08-09 (2).xlsx");
  test::TTestServices services;
  const std::vector<fs::path> saved = Save(services);
  ASSERT_EQ(saved.size(), 1u);
  EXPECT_EQ(saved[0], dir_ / "Отчет 2024-05-06 07-08-09 (3).xlsx");
  EXPECT_TRUE(services.Errors().empty());
  EXPECT_FALSE(fs::exists(elsewhere / "not-there.xlsx"));
  EXPECT_EQ(ReadFile(elsewhere / "kept.txt"), "kept");
  EXPECT_TRUE(fs::is_symlink(fs::symlink_status(dir_ / kName)));
  // The report is as readable as any file the user makes.
  EXPECT_NE(fs::status(saved[0]).permissions() & fs::perms::others_read, fs::perms::none);
}

TEST(NewFile, PublishNeverReplacesAndTheTemporaryNameGoes) {
  std::string tmpl = (fs::path(::testing::TempDir()) / "new-file-XXXXXX").string();
  ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
  const fs::path dir = tmpl;
  WriteFile(dir / "a", "old");
  {
    TNewFile f(dir);
    ASSERT_EQ(::write(f.Fd(), "new", 3), 3);
    EXPECT_FALSE(f.Publish(dir / "a"));
    EXPECT_TRUE(f.Publish(dir / "b"));
  }
  EXPECT_EQ(ReadFile(dir / "a"), "old");
  EXPECT_EQ(ReadFile(dir / "b"), "new");
  {
    // Replace is for callers that mean it.
    TNewFile f(dir);
    ASSERT_EQ(::write(f.Fd(), "newer", 5), 5);
    f.Replace(dir / "a");
  }
  EXPECT_EQ(ReadFile(dir / "a"), "newer");
  {
    // Given up without a name: nothing is left.
    TNewFile f(dir);
    ASSERT_EQ(::write(f.Fd(), "lost", 4), 4);
  }
  EXPECT_EQ(Entries(dir), (std::set<std::string>{"a", "b"}));
  EXPECT_THROW(TNewFile(dir / "missing"), std::system_error);
  fs::remove_all(dir);
}

TEST_F(WorkbookSaveFaults, KilledAtRandomMomentsLeavesNothingOrTheWholeReport) {
  // A child saves reports in a loop and is killed at a random moment; the
  // folder then holds only complete reports, never a part or a temporary
  // file. The old report under the first name is never touched.
  WriteFile(dir_ / kName, "old report");
  // Kills are spread over a few saves' time as this machine takes it, so a
  // slow or instrumented build still sees kills before, during and after.
  const auto started = std::chrono::steady_clock::now();
  {
    test::TTestServices cs;
    for (const fs::path& made : Save(cs, 20000)) fs::remove(made);
  }
  const int saveMicros = static_cast<int>(
      std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started).count());
  std::mt19937 random(20241210);
  std::uniform_int_distribution<int> moment(0, 3 * saveMicros + 2000);
  int complete = 0;
  for (int i = 0; i < 200; ++i) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      test::TTestServices cs;
      for (;;) Save(cs, 20000);
    }
    ::usleep(moment(random));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_EQ(ReadFile(dir_ / kName), "old report");
    for (const std::string& name : Entries(dir_)) {
      if (name == kName) continue;
      ASSERT_EQ(name.rfind("Отчет 2024-05-06 07-08-09 (", 0), 0u) << "after kill " << i << ": " << name;
      ASSERT_NO_THROW(TWorkbook::Open(dir_ / name)) << "after kill " << i << ": " << name;
      fs::remove(dir_ / name);
      ++complete;
    }
  }
  RecordProperty("complete_reports_seen", complete);
  EXPECT_GT(complete, 0) << "no kill came after a finished save: the test proves nothing";
}

}  // namespace
}  // namespace vedograf
