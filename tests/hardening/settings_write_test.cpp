// The settings file under failing storage: each file call of the save fails
// in turn for N = 1 up to success, memory runs out at each allocation, the
// folder is read-only, the target is a symbolic link, and the writer is
// killed at random moments. Afterwards the file holds its old bytes or the
// complete new ones, never anything else, and a failure was told.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "fs_faults.h"
#include "run/form_state.h"
#include "settings/settings_file.h"
#include "support/test_services.h"

namespace vedograf {
namespace {

namespace fs = std::filesystem;
using test::faults::TCall;
using test::faults::TPlan;

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& p, const std::string& text) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out << text;
}

class SettingsWriteFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::path(::testing::TempDir()) / "settings-faults-XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
    file_ = dir_ / "vedograf.ini";
    // A foreign key and a comment, so that the new file is not just the form.
    old_ = "; kept\n[Settings]\nForeign=1\nIn1Name=Старое\n";
    form_.InLabel[0] = "Новое имя";
    form_.ReportsFolder = std::string(3000, 'x');  // several writes when writes are short
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(dir_, fs::perms::owner_all, ec);
    fs::remove_all(dir_, ec);
  }

  // The bytes a successful save over `previous` leaves.
  std::string Expected(const std::string& previous) {
    const fs::path scratch = dir_ / "expected";
    fs::create_directory(scratch);
    WriteFile(scratch / "a.ini", previous);
    test::TTestServices s;
    EXPECT_TRUE(WriteData(scratch / "a.ini", form_, s));
    const std::string text = ReadFile(scratch / "a.ini");
    fs::remove_all(scratch);
    return text;
  }

  // Entries of the folder other than the settings file (temporary files
  // left), removed.
  int Leftovers() {
    int n = 0;
    for (const auto& e : fs::directory_iterator(dir_)) {
      if (e.path() != file_) {
        ++n;
        fs::remove(e.path());  // so that the next round counts its own
      }
    }
    return n;
  }

  // Runs the save with `plan` armed for N = 1, 2, ... until a save goes
  // through untouched; checks every outcome. Returns the largest N that failed.
  int FailEachCall(TPlan plan, bool withOldFile) {
    const std::string expected = Expected(withOldFile ? old_ : "");
    int failed = 0;
    for (int n = 1; n < 2000; ++n) {
      if (withOldFile) {
        WriteFile(file_, old_);
      } else {
        fs::remove(file_);
      }
      plan.FailAt = n;
      plan.Folder = dir_.string();
      test::TTestServices services;
      bool ok = false;
      int calls = 0;
      {
        test::faults::TArmed armed(plan);
        ok = WriteData(file_, form_, services);
        calls = test::faults::Calls();
      }
      SCOPED_TRACE(std::string(Name(plan.Call)) + " failing at call " + std::to_string(n));
      const std::string now = ReadFile(file_);
      if (ok) {
        EXPECT_EQ(now, expected);
        EXPECT_TRUE(services.Errors().empty());
      } else {
        EXPECT_EQ(now, withOldFile ? old_ : "");
        EXPECT_EQ(fs::exists(file_), withOldFile);
        EXPECT_EQ(services.Errors(), std::vector<std::string>{kMsgSettingsWrite});
        failed = n;
      }
      EXPECT_EQ(Leftovers(), 0);
      if (calls < n) {  // the N-th call never came: nothing left to fail
        std::printf("fault matrix: %-6s %s old file: last failing N %d, N %d not reached\n", Name(plan.Call),
                    withOldFile ? "with" : "without", failed, n);
        return failed;
      }
    }
    ADD_FAILURE() << "the save never got through";
    return failed;
  }

  fs::path dir_, file_;
  std::string old_;
  TFormState form_;
};

TEST_F(SettingsWriteFaults, EveryFileCallFailingInTurn) {
  for (const TCall call : test::faults::kFileCalls) {
    for (const bool withOld : {true, false}) {
      TPlan plan;
      plan.Call = call;
      plan.Errno = call == TCall::Open ? EACCES : EIO;
      const int failed = FailEachCall(plan, withOld);
      // Every kind of call takes part in a save, and its first failure is
      // fatal; but closing the nameless file once it is synced and linked
      // loses nothing.
      if (call != TCall::Close) EXPECT_GE(failed, 1) << Name(call);
    }
  }
}

TEST_F(SettingsWriteFaults, ShortWritesAndAFullDisk) {
  TPlan plan;
  plan.Call = TCall::Write;
  plan.WriteChunk = 100;  // dozens of writes per save
  plan.Errno = ENOSPC;
  plan.FailRest = true;   // once full, the disk stays full
  EXPECT_GE(FailEachCall(plan, true), 20);
  // Short writes alone are no failure.
  plan.FailAt = 0;
  plan.Folder = dir_.string();
  WriteFile(file_, old_);
  test::TTestServices services;
  {
    test::faults::TArmed armed(plan);
    EXPECT_TRUE(WriteData(file_, form_, services));
  }
  EXPECT_EQ(ReadFile(file_), Expected(old_));
}

TEST_F(SettingsWriteFaults, MemoryRunningOutAtEachAllocation) {
  TPlan plan;
  plan.Call = TCall::Alloc;
  EXPECT_GE(FailEachCall(plan, true), 10);
}

TEST_F(SettingsWriteFaults, ReadOnlyFolderAndReadOnlyFile) {
  WriteFile(file_, old_);
  test::TTestServices services;
  if (::geteuid() == 0) {
    // Root writes into any folder; a read-only file system is what stops it.
    TPlan plan;
    plan.Call = TCall::Open;
    plan.FailAt = 1;
    plan.FailRest = true;
    plan.Errno = EROFS;
    plan.Folder = dir_.string();
    test::faults::TArmed armed(plan);
    EXPECT_FALSE(WriteData(file_, form_, services));
  } else {
    fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(WriteData(file_, form_, services));
    fs::permissions(dir_, fs::perms::owner_all);
    // A read-only settings file is left as it is, even where the folder is writable.
    fs::permissions(file_, fs::perms::owner_read);
    EXPECT_FALSE(WriteData(file_, form_, services));
    EXPECT_EQ(ReadFile(file_), old_);
  }
  EXPECT_EQ(ReadFile(file_), old_);
  EXPECT_EQ(services.Errors().size(), ::geteuid() == 0 ? 1u : 2u);
  EXPECT_EQ(Leftovers(), 0);
}

TEST_F(SettingsWriteFaults, ExistingFileKeepsItsModeAndUnknownLines) {
  WriteFile(file_, old_);
  fs::permissions(file_, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  test::TTestServices services;
  ASSERT_TRUE(WriteData(file_, form_, services));
  const std::string now = ReadFile(file_);
  EXPECT_NE(now.find("; kept\n"), std::string::npos);
  EXPECT_NE(now.find("Foreign=1\n"), std::string::npos);
  EXPECT_NE(now.find("In1Name=Новое имя\n"), std::string::npos);
  EXPECT_EQ(fs::status(file_).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(SettingsWriteFaults, SymlinkedFileIsWrittenThroughTheLink) {
  // Settings kept elsewhere (a dotfiles folder) and linked into place: the
  // link stays, the file it names gets the new settings.
  const fs::path real = dir_ / "elsewhere" / "real.ini";
  fs::create_directory(real.parent_path());
  WriteFile(real, old_);
  fs::create_symlink(real, file_);
  const std::string expected = Expected(old_);
  test::TTestServices services;
  ASSERT_TRUE(WriteData(file_, form_, services));
  EXPECT_TRUE(fs::is_symlink(fs::symlink_status(file_)));
  EXPECT_EQ(ReadFile(real), expected);
  for (const auto& e : fs::directory_iterator(real.parent_path())) EXPECT_EQ(e.path(), real);

  // A link to a file not made yet makes it.
  fs::remove(real);
  ASSERT_TRUE(WriteData(file_, form_, services));
  EXPECT_TRUE(fs::is_symlink(fs::symlink_status(file_)));
  EXPECT_EQ(ReadFile(real), Expected(""));
}

TEST_F(SettingsWriteFaults, KilledAtRandomMomentsLeavesOldOrNew) {
  // Two forms saved in turn by a child that is killed at a random moment;
  // the file is then one of the two complete texts.
  TFormState other = form_;
  other.InLabel[0] = "Другое";
  other.ReportsFolder = std::string(5000, 'y');
  WriteFile(file_, "");
  const std::string textA = Expected(""), textB = [&] {
    std::swap(form_, other);
    const std::string t = Expected("");
    std::swap(form_, other);
    return t;
  }();
  test::TTestServices s;
  ASSERT_TRUE(WriteData(file_, form_, s));
  std::mt19937 random(20240304);
  int midway = 0;
  for (int i = 0; i < 200; ++i) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      test::TTestServices cs;
      for (int k = 0;; ++k) WriteData(file_, (k % 2) ? form_ : other, cs);
    }
    ::usleep(std::uniform_int_distribution<int>(0, 3000)(random));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    const std::string now = ReadFile(file_);
    ASSERT_TRUE(now == textA || now == textB) << "after kill " << i << ": " << now.size() << " bytes";
    // The file is written nameless: only a kill between linking it under
    // its hidden name and the rename leaves that name (a few of 200), and
    // the next save clears it away.
    for (const auto& e : fs::directory_iterator(dir_)) {
      if (e.path() != file_) {
        ++midway;
        ASSERT_EQ(e.path().filename().string().rfind(".vedograf.ini.~", 0), 0u) << e.path();
      }
    }
  }
  RecordProperty("temporary_files_left_by_kills", midway);
  std::printf("kills that left the hidden name: %d of 200\n", midway);
  ASSERT_TRUE(WriteData(file_, form_, s));
  for (const auto& e : fs::directory_iterator(dir_)) EXPECT_EQ(e.path(), file_);
}

}  // namespace
}  // namespace vedograf
