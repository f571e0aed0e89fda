// Damaged copies of a generated log, as a power cut during a write leaves
// them: whatever libmdb makes of them, the opening ends within seconds with
// the log, a warning about what could not be read, or one error message.
// VEDOGRAF_DAMAGE_COUNT=n runs a longer campaign than the default,
// VEDOGRAF_DAMAGE_WORKER=path runs it with another worker executable.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>

#include "db/open_base.h"
#include "db_test_util.h"
#include "fleet.h"
#include "support/test_services.h"

namespace vedograf::test {
namespace {

enum class TDamage { Bytes, Page, ZeroPage, Truncate, RowPointers };

// Damages `bytes` the way seed `seed` says; the header page is spared
// (damage there is a different file, tested with the bad inputs).
void Damage(std::vector<std::uint8_t>& bytes, std::uint32_t seed) {
  std::mt19937 rng(seed);
  const std::size_t pages = bytes.size() / 4096;
  auto page = [&] { return 1 + rng() % (pages - 1); };
  switch (static_cast<TDamage>(seed % 5)) {
    case TDamage::Bytes:
      for (int k = 1 + static_cast<int>(rng() % 40); k > 0; --k) bytes[4096 + rng() % (bytes.size() - 4096)] = rng();
      break;
    case TDamage::Page: {
      const std::size_t p = page();
      for (std::size_t i = 0; i < 4096; ++i) bytes[p * 4096 + i] = static_cast<std::uint8_t>(rng());
      break;
    }
    case TDamage::ZeroPage: {
      const std::size_t p = page();
      std::fill(bytes.begin() + static_cast<std::ptrdiff_t>(p * 4096),
                bytes.begin() + static_cast<std::ptrdiff_t>(p * 4096 + 4096), 0);
      break;
    }
    case TDamage::Truncate:
      bytes.resize(4096 + rng() % (bytes.size() - 4096));
      break;
    case TDamage::RowPointers: {
      // The row offsets of a data page: lengths become "negative".
      const std::size_t p = page();
      for (int k = 0; k < 6; ++k) bytes[p * 4096 + 14 + rng() % 40] = static_cast<std::uint8_t>(rng());
      break;
    }
  }
}

class DamagedLogs : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new TTempDir;
    jet::TFleetOptions fleet;
    fleet.Objects = 3;
    fleet.Days = 1;
    fleet.MemoText = true;
    jet::WriteFleetDatabase(*dir_ / "good.mdb", fleet);
    good_ = new std::vector<std::uint8_t>(ReadBytes(*dir_ / "good.mdb"));
  }
  static void TearDownTestSuite() {
    delete good_;
    delete dir_;
  }

  // Opens the copy damaged by `seed`; checks what the user is told and
  // returns the last text shown (empty when none).
  static std::string Check(std::uint32_t seed) {
    SCOPED_TRACE("damage seed " + std::to_string(seed));
    std::vector<std::uint8_t> bytes = *good_;
    Damage(bytes, seed);
    const auto path = *dir_ / "damaged.mdb";
    WriteBytes(path, bytes);
    db::TProviderOptions o;
    o.StallTimeout = std::chrono::milliseconds(1500);
    // A campaign may run a worker built with sanitizers.
    if (const char* worker = std::getenv("VEDOGRAF_DAMAGE_WORKER")) {
      o.ProviderPath = worker;
      o.MemoryLimit = 0;  // sanitizers reserve address space of their own
    }
    TTestServices ui;
    db::TBaseState state;
    const auto t0 = std::chrono::steady_clock::now();
    const int rc = db::OpenBase(path.string(), ui, state, o);
    const auto took = std::chrono::steady_clock::now() - t0;
    EXPECT_LT(took, std::chrono::seconds(6));
    if (std::getenv("VEDOGRAF_DAMAGE_VERBOSE")) {
      std::string told = ui.shown.empty() ? "-" : ui.shown.back().text;
      for (char& c : told) c = c == '\r' || c == '\n' ? ' ' : c;
      std::fprintf(stderr, "seed %u rc %d %lld ms: %s\n", seed, rc,
                   static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(took).count()),
                   told.c_str());
    }
    EXPECT_FALSE(ui.waitOpen);
    if (rc == 0) {
      EXPECT_TRUE(state.Database);
      if (!state.Database) return {};
      const db::TReadReport& r = state.Database->Report();
      EXPECT_LE(r.RowsRead, std::max(r.RowsExpected, r.RowsRead));
      // Rows missing or values damaged are never silent.
      const bool lost = r.RowsRead < r.RowsExpected || r.RowsUnreadable > 0 || r.ValuesCut > 0 ||
                        r.CharactersReplaced > 0;
      EXPECT_EQ(lost, !ui.Warnings().empty());
      EXPECT_TRUE(ui.Errors().empty());
      // Every object's rows can be walked.
      std::string text;
      for (const TObjReport& obj : state.Objects) {
        state.Database->SetFilterText("MOBILE = " + std::to_string(obj.Number));
        state.Database->SetTimeWindow(-1e300, 1e300);
        state.Database->SetFiltered(true);
        for (state.Database->First(); !state.Database->Eof(); state.Database->Next())
          state.Database->AsText(2, text);
      }
    } else {
      EXPECT_EQ(ui.Errors().size(), 1u);
      if (ui.Errors().empty()) return {};
      EXPECT_TRUE(ui.Errors()[0].starts_with("Ошибка открытия базы")) << ui.Errors()[0];
      EXPECT_TRUE(state.Items.empty());
    }
    return ui.shown.empty() ? std::string() : ui.shown.back().text;
  }

  static TTempDir* dir_;
  static std::vector<std::uint8_t>* good_;
};

TTempDir* DamagedLogs::dir_ = nullptr;
std::vector<std::uint8_t>* DamagedLogs::good_ = nullptr;

TEST_F(DamagedLogs, KnownDamage) {
  // A damaged catalog, a page of row pointers lost, a long-value page
  // zeroed: one of each outcome, found by a campaign.
  EXPECT_TRUE(Check(1003).ends_with("файл не является базой данных Kelvadis"));
  EXPECT_TRUE(Check(1001).starts_with("Журнал базы прочитан не полностью: прочитано строк "));
  EXPECT_TRUE(Check(1002).starts_with("Часть данных журнала повреждена: искажено значений "));
  EXPECT_EQ(Check(1010), "");
}

TEST_F(DamagedLogs, RandomDamage) {
  const char* env = std::getenv("VEDOGRAF_DAMAGE_COUNT");
  const std::uint32_t count = env ? static_cast<std::uint32_t>(std::atoi(env)) : 40;
  const std::uint32_t first = env ? 1000 : 1;
  for (std::uint32_t seed = first; seed < first + count; ++seed) Check(seed);
}

}  // namespace
}  // namespace vedograf::test
