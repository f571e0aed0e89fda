// Opening a log as the user sees it: the password dialog, the messages of
// every failure, and a worker process that misbehaves.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>

#include "db/jet_format.h"
#include "db/open_base.h"
#include "db_test_util.h"
#include "fleet.h"
#include "support/test_services.h"

namespace vedograf::test {
namespace {

using db::OpenBase;
using db::TBaseState;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(memory_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

const std::string kNotKelvadis = "Ошибка открытия базы:\r\nфайл не является базой данных Kelvadis";
const std::string kWrongPassword = "Ошибка открытия базы:\r\nвведен неверный пароль";

db::TProviderOptions Fast() {
  db::TProviderOptions o;
  o.StallTimeout = std::chrono::milliseconds(1500);
  return o;
}

jet::TLogFileOptions WithPassword(const std::string& pw) {
  jet::TLogFileOptions o;
  o.Password = pw;
  return o;
}

void SmallLog(const std::filesystem::path& path, const jet::TLogFileOptions& options = {}) {
  WriteLog(path, SampleLog(50, false), {{1, "Первый"}, {3, "Третий"}}, options);
}

TEST(OpenBase, FleetOpensWithObjectListAndCaption) {
  TTempDir dir;
  jet::TFleetOptions fleet;
  fleet.Objects = 4;
  fleet.Days = 1;
  jet::WriteFleetDatabase(dir / "fleet.mdb", fleet);
  TTestServices ui;
  TBaseState state;
  const std::string path = (dir / "fleet.mdb").string();
  ASSERT_EQ(OpenBase(path, ui, state, Fast()), 0);
  EXPECT_TRUE(ui.shown.empty());
  EXPECT_FALSE(ui.waitOpen);
  EXPECT_EQ(ui.waitMode, TWaitMode::OpeningBase);
  EXPECT_EQ(state.Caption, "Ведограф - " + path);
  ASSERT_TRUE(state.Database);
  // 101 keeps the name of its last ADDRESS row, 104 has none, 900/901 have
  // no rows, 0 and the negative numbers are no objects.
  const std::vector<std::string> expected = {"101  -  КамАЗ А100КН 77", "102  -  ГАЗель В137ХС 77",
                                             "103  -  МАЗ Е174ОА 77", "104", "900  -  Резервный автомобиль",
                                             "901  -  Погрузчик «Балканкар»"};
  EXPECT_EQ(state.Items, expected);
  ASSERT_EQ(state.Objects.size(), expected.size());
  EXPECT_EQ(state.Objects[3].Number, 104);
  EXPECT_TRUE(state.Objects[3].Name.empty());
  EXPECT_FALSE(state.Objects[0].Chosen);

  // Opening again replaces everything; a failed opening leaves it empty.
  std::filesystem::resize_file(dir / "fleet.mdb", 0);
  EXPECT_EQ(OpenBase(path, ui, state, Fast()), 1);
  EXPECT_EQ(ui.Errors(), std::vector<std::string>{kNotKelvadis});
  EXPECT_FALSE(state.Database);
  EXPECT_TRUE(state.Items.empty());
  EXPECT_TRUE(state.Objects.empty());
  EXPECT_EQ(state.Caption, "Ведограф");
}

struct TPasswordCase {
  const char* Stored;
  std::vector<std::optional<std::string>> Entered;
  int Result;
  int Dialogs;
  std::vector<std::string> Errors;
};

TEST(OpenBase, PasswordGetsOneChance) {
  TTempDir dir;
  const std::string twenty = "абвгдеёжзийклмнопрст";  // 20 characters, 40 bytes of UTF-8
  const TPasswordCase cases[] = {
      {"", {}, 0, 0, {}},                                   // none stored: no dialog
      {"секрет", {"секрет"}, 0, 1, {}},                     // Cyrillic, right
      {"секрет", {"Секрет"}, 1, 1, {kWrongPassword}},       // case matters
      {"секрет", {"x", "секрет"}, 1, 1, {kWrongPassword}},  // no second dialog
      {"секрет", {std::nullopt}, 1, 1, {}},                 // cancelled: no message
      {"секрет", {""}, 1, 1, {kWrongPassword}},             // empty entry
      {"p", {"p "}, 1, 1, {kWrongPassword}},
      {twenty.c_str(), {twenty}, 0, 1, {}},
      {twenty.c_str(), {twenty + "у"}, 1, 1, {kWrongPassword}},
      {"12345678901234567890", {"12345678901234567890"}, 0, 1, {}},
  };
  int n = 0;
  for (const TPasswordCase& c : cases) {
    SCOPED_TRACE(std::string("stored '") + c.Stored + "' case " + std::to_string(n));
    const auto path = dir / ("p" + std::to_string(n++) + ".mdb");
    SmallLog(path, WithPassword(c.Stored));
    TTestServices ui;
    for (const auto& p : c.Entered) ui.passwords.push_back(p);
    TBaseState state;
    EXPECT_EQ(OpenBase(path.string(), ui, state, Fast()), c.Result);
    EXPECT_EQ(static_cast<int>(c.Entered.size() - ui.passwords.size()), c.Dialogs);
    EXPECT_EQ(ui.Errors(), c.Errors);
    EXPECT_EQ(state.Items.empty(), c.Result != 0);
    EXPECT_FALSE(ui.waitOpen);
  }
}

TEST(OpenBase, PasswordEnteredForAnOpenDatabaseIsIgnored) {
  TTempDir dir;
  SmallLog(dir / "a.mdb");
  TTestServices ui;
  ui.passwords.push_back("anything");
  TBaseState state;
  EXPECT_EQ(OpenBase((dir / "a.mdb").string(), ui, state, Fast()), 0);
  EXPECT_EQ(ui.passwords.size(), 1u);
}

// The header check matches mdb-reader's getPassword() on files we did not
// write: real Access files (Jet 3 and Jet 4) whose header gets a password.
TEST(OpenBase, PasswordDecodingAgreesWithPeerOnAccessFiles) {
  if (MdbReaderModules().empty()) GTEST_SKIP() << "mdb-reader not installed (scripts/install-npm-peers)";
  TTempDir dir;
  for (const char* name : {"db97-enc.mdb", "emptyJet4.mdb"}) {
    const auto src = std::filesystem::path(SamplesDir()) / name;
    if (!std::filesystem::exists(src)) GTEST_SKIP() << "no samples";
    std::vector<std::uint8_t> bytes = ReadBytes(src);
    jet::THeaderInfo before = jet::ReadHeader(bytes);
    ASSERT_TRUE(before.Password.empty());
    const bool jet3 = before.Version == jet::TJetVersion::Jet3;
    const std::string pw = jet3 ? "Pass97" : "Пароль2003";
    // Into the masked area: unmask, write, mask again.
    const std::size_t masked = jet3 ? jet::kJet3MaskedSize : jet::kJet4MaskedSize;
    std::span<std::uint8_t> area(bytes.data() + jet::kMaskedOffset, masked);
    jet::Rc4(jet::kHeaderKey, area);
    if (jet3) {
      std::memset(&bytes[jet::kPasswordOffset], 0, jet::kJet3PasswordBytes);
      std::memcpy(&bytes[jet::kPasswordOffset], pw.data(), pw.size());
    } else {
      ASSERT_TRUE(jet::EncodeJet4Password(pw, before.CreationDate, &bytes[jet::kPasswordOffset]));
    }
    jet::Rc4(jet::kHeaderKey, area);
    const auto copy = dir / name;
    WriteBytes(copy, bytes);
    const auto peer = PeerDump(copy, "-");
    ASSERT_TRUE(peer);
    EXPECT_EQ(SplitTsv(*peer)[0][1], pw) << name;
    const jet::THeaderInfo after = jet::ReadHeader(bytes);
    EXPECT_EQ(after.Password, pw) << name;
    EXPECT_TRUE(jet::PasswordMatches(after, pw));
    EXPECT_FALSE(jet::PasswordMatches(after, ""));
  }
}

TEST(OpenBase, BadFilesGiveTheirMessageAndNothingElse) {
  TTempDir dir;
  SmallLog(dir / "good.mdb");
  const std::vector<std::uint8_t> good = ReadBytes(dir / "good.mdb");

  std::vector<std::pair<std::string, std::vector<std::uint8_t>>> files;
  files.emplace_back("empty.mdb", std::vector<std::uint8_t>{});
  std::vector<std::uint8_t> random(50000);
  std::uint32_t x = 12345;
  for (auto& b : random) b = static_cast<std::uint8_t>((x = x * 1664525 + 1013904223) >> 24);
  files.emplace_back("random.mdb", random);
  const std::string text = "MOBILE;DATE;TEXT\n1;2024-01-01;Свежее\n";
  files.emplace_back("text.mdb", std::vector<std::uint8_t>(text.begin(), text.end()));
  files.emplace_back("header-only.mdb", std::vector<std::uint8_t>(good.begin(), good.begin() + 4096));
  files.emplace_back("truncated.mdb", std::vector<std::uint8_t>(good.begin(), good.begin() + good.size() / 2));
  std::vector<std::uint8_t> accdb = good;
  std::memcpy(&accdb[4], "Standard ACE DB", 15);
  accdb[jet::kVersionOffset] = 0x02;
  files.emplace_back("access2007.accdb", accdb);

  for (const auto& [name, bytes] : files) {
    SCOPED_TRACE(name);
    WriteBytes(dir / name, bytes);
    TTestServices ui;
    TBaseState state;
    state.Items = {"stale"};
    EXPECT_EQ(OpenBase((dir / name).string(), ui, state, Fast()), 1);
    // A truncated log may still show its tables; what it cannot show is an
    // error of ours, never a crash or a hang.
    ASSERT_EQ(ui.shown.size(), 1u);
    if (name != "truncated.mdb") {
      EXPECT_EQ(ui.Errors(), std::vector<std::string>{kNotKelvadis});
    }
    EXPECT_TRUE(state.Items.empty());
    EXPECT_EQ(state.Caption, "Ведограф");
  }
}

TEST(OpenBase, UnreadableFilesGiveTheSystemError) {
  TTempDir dir;
  struct TCase {
    std::string Path;
    std::string Error;
  };
  std::vector<TCase> cases = {
      {(dir / "missing.mdb").string(), "Ошибка открытия базы №80070002:\r\nНе удается найти указанный файл."},
      {dir.Path().string(), "Ошибка открытия базы №80070005:\r\nОтказано в доступе."},
  };
  if (::geteuid() != 0) {
    SmallLog(dir / "locked.mdb");
    ::chmod((dir / "locked.mdb").c_str(), 0);
    cases.push_back({(dir / "locked.mdb").string(), "Ошибка открытия базы №80070005:\r\nОтказано в доступе."});
  }
  for (const TCase& c : cases) {
    TTestServices ui;
    TBaseState state;
    EXPECT_EQ(OpenBase(c.Path, ui, state, Fast()), 1);
    EXPECT_EQ(ui.Errors(), std::vector<std::string>{c.Error});
  }
}

TEST(OpenBase, RealAccessFilesWithoutOurTables) {
  const std::filesystem::path samples = SamplesDir();
  if (!std::filesystem::exists(samples)) GTEST_SKIP() << "no samples";
  int seen = 0;
  for (const auto& e : std::filesystem::directory_iterator(samples)) {
    SCOPED_TRACE(e.path().filename().string());
    TTestServices ui;
    TBaseState state;
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(OpenBase(e.path().string(), ui, state, Fast()), 1);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(5));
    // db-enc.mdb is RC4-encoded: libmdb reads its catalog, which lacks RXLOG.
    EXPECT_EQ(ui.Errors(), std::vector<std::string>{kNotKelvadis});
    ++seen;
  }
  EXPECT_GE(seen, 5);
}

TEST(OpenBase, EncodedLogOpensLikeAnyOther) {
  TTempDir dir;
  jet::TFleetOptions fleet;
  fleet.Objects = 2;
  fleet.Days = 1;
  fleet.DbKey = 0x6B39DAC7;
  fleet.Password = "ключ";
  jet::WriteFleetDatabase(dir / "enc.mdb", fleet);
  EXPECT_EQ(jet::ReadHeader(ReadBytes(dir / "enc.mdb")).DbKey, fleet.DbKey);
  TTestServices ui;
  ui.passwords.push_back("ключ");
  TBaseState state;
  ASSERT_EQ(OpenBase((dir / "enc.mdb").string(), ui, state, Fast()), 0);
  EXPECT_TRUE(ui.shown.empty());
  EXPECT_EQ(state.Items.size(), 4u);  // 101, 102 (unnamed), 900, 901
  EXPECT_GT(state.Database->RowCount(), 500u);
  EXPECT_EQ(state.Database->Report().RowsRead, state.Database->Report().RowsExpected);
  if (HaveMdbExport()) {
    const auto out = RunCommand("mdb-export -H " + ShellQuote((dir / "enc.mdb").string()) + " RXLOG | wc -l");
    ASSERT_TRUE(out);
    EXPECT_EQ(static_cast<std::size_t>(std::atoll(out->c_str())), state.Database->RowCount());
  }
  if (const auto peer = PeerDump(dir / "enc.mdb", "RXLOG")) {
    EXPECT_EQ(SplitTsv(*peer)[0][1], "ключ");
    EXPECT_EQ(SplitTsv(*peer).size(), state.Database->RowCount() + 1);
  }
}

TEST(OpenBase, MisbehavingWorkerBecomesAnErrorAndTheNextOpeningWorks) {
  TTempDir dir;
  SmallLog(dir / "good.mdb");
  const std::string path = (dir / "good.mdb").string();
  struct TCase {
    const char* Flag;
    const char* Code;
  };
  const TCase cases[] = {
      {"--hang", "A0DB0001"},  {"--spew", "A0DB0001"},   {"--stall-after-schema", "A0DB0001"},
      {"--crash", "A0DB0002"}, {"--abort", "A0DB0002"},  {"--exhaust", "A0DB0002"},
      {"--garble", "A0DB0004"}, {"--quit-early", "A0DB0002"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Flag);
    // Sanitizers reserve address space of their own, so the worker runs
    // without the cap there, and exhausting memory would take the machine's.
    if (kSanitized && std::string_view(c.Flag) == "--exhaust") continue;
    db::TProviderOptions o = Fast();
    // Filling the capped address space takes a while; it must end as a
    // crash, not look like a hang.
    const bool exhaust = std::string_view(c.Flag) == "--exhaust";
    // Under the sanitizers a dying worker first writes its report, which can
    // outlast a short stall timeout and read as a hang.
    const bool dies = c.Code == std::string_view("A0DB0002");
    o.StallTimeout = std::chrono::milliseconds(exhaust ? 4000 : (kSanitized && dies ? 3000 : 700));
    o.MemoryLimit = 128ull << 20;
    o.ExtraArgs = {c.Flag};
    TTestServices ui;
    int pumps = 0;
    ui.onPump = [&pumps] { ++pumps; };
    TBaseState state;
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(OpenBase(path, ui, state, o), 1);
    const auto took = std::chrono::steady_clock::now() - t0;
    EXPECT_LT(took, std::chrono::seconds(5));
    ASSERT_EQ(ui.Errors().size(), 1u);
    EXPECT_TRUE(ui.Errors()[0].starts_with(std::string("Ошибка открытия базы №") + c.Code + ":\r\n"))
        << ui.Errors()[0];
    // The window kept running while the worker was stuck.
    if (std::string_view(c.Flag) == "--hang") {
      EXPECT_GT(pumps, 10);
    }
  }
  TTestServices ui;
  TBaseState state;
  EXPECT_EQ(OpenBase(path, ui, state, Fast()), 0);
}

TEST(OpenBase, LibraryEnvironmentDoesNotReachTheWorker) {
  TTempDir dir;
  SmallLog(dir / "good.mdb");
  // An empty MDBPATH entry makes libmdb loop on a name it cannot find.
  ::setenv("MDBPATH", ":", 1);
  ::setenv("MDBOPTS", "debug_all", 1);
  TTestServices ui;
  TBaseState state;
  // A relative path, resolved by the program, not searched by the library.
  const auto cwd = std::filesystem::current_path();
  std::filesystem::current_path(dir.Path());
  const int rc = OpenBase("good.mdb", ui, state, Fast());
  std::filesystem::current_path(cwd);
  ::unsetenv("MDBPATH");
  ::unsetenv("MDBOPTS");
  EXPECT_EQ(rc, 0);
  EXPECT_TRUE(ui.shown.empty());
}

}  // namespace
}  // namespace vedograf::test
