// Files of the Jet 4 writer read back value for value by readers nobody here
// wrote: mdb-export (the mdbtools command line) and mdb-reader (npm).

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "db/jet_format.h"
#include "db_test_util.h"
#include "jet_writer.h"

namespace vedograf::test {
namespace {

using jet::TLogRow;

struct TCase {
  bool memo;
  bool compressed;
};

class WriterRoundTrip : public ::testing::TestWithParam<TCase> {};

bool IsNull(const TLogRow& r, int column) { return (r.NullMask & (1u << column)) != 0; }

double Num(const std::string& s) { return std::strtod(s.c_str(), nullptr); }

TEST_P(WriterRoundTrip, MdbExportReadsEveryValue) {
  if (!HaveMdbExport()) GTEST_SKIP() << "mdb-export not installed";
  TTempDir dir;
  const bool memo = GetParam().memo;
  const auto rows = SampleLog(4000, memo);
  WriteLog(dir / "log.mdb", rows, {{1, "КамАЗ А123"}, {2, "Gazelle"}, {9, ""}},
           {memo, GetParam().compressed, "", 45000.5});

  const auto out = RunCommand("mdb-export -H -Q -d '\t' -0 NULL -T '%Y-%m-%d %H:%M:%S' " +
                              ShellQuote((dir / "log.mdb").string()) + " RXLOG");
  ASSERT_TRUE(out);
  auto lines = SplitTsv(*out);
  ASSERT_EQ(lines.size(), rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const TLogRow& r = rows[i];
    const auto& f = lines[i];
    ASSERT_EQ(f.size(), 11u) << "row " << i;
    EXPECT_EQ(Num(f[0]), r.RecNo);
    EXPECT_EQ(Num(f[1]), r.Mobile);
    // mdb-export prints an empty text like a NULL; mdb-reader tells them apart.
    EXPECT_EQ(f[2], IsNull(r, jet::kLogText) || r.Text.empty() ? "NULL" : r.Text) << "row " << i;
    EXPECT_EQ(f[5], IsNull(r, jet::kLogFlags) ? "NULL" : std::to_string(r.Flags));
    if (IsNull(r, jet::kLogLon)) {
      EXPECT_EQ(f[7], "NULL");
    } else {
      EXPECT_NEAR(Num(f[7]), r.Lon, 1e-9);
    }
    EXPECT_NEAR(Num(f[8]), r.Lat, 1e-9);
    if (IsNull(r, jet::kLogSpeed)) {
      EXPECT_EQ(f[10], "NULL");
    } else {
      EXPECT_NEAR(Num(f[10]), r.Speed, 1e-9);
    }
  }

  const auto names = RunCommand("mdb-export -H -Q -d '\t' -0 NULL " + ShellQuote((dir / "log.mdb").string()) +
                                " ADDRESS");
  ASSERT_TRUE(names);
  EXPECT_EQ(*names, "1\tКамАЗ А123\n2\tGazelle\n9\tNULL\n");

  // The date column as mdb-export prints it, to the second.
  const auto first = RunCommand("mdb-export -H -Q -d '\t' -T '%Y-%m-%d %H:%M:%S' " +
                                ShellQuote((dir / "log.mdb").string()) + " RXLOG | head -1");
  ASSERT_TRUE(first);
  EXPECT_NE(first->find("2023-03-15 06:"), std::string::npos) << *first;
}

INSTANTIATE_TEST_SUITE_P(Columns, WriterRoundTrip,
                         ::testing::Values(TCase{false, true}, TCase{false, false}, TCase{true, true},
                                           TCase{true, false}),
                         [](const auto& info) {
                           return std::string(info.param.memo ? "Memo" : "Text") +
                                  (info.param.compressed ? "Compressed" : "Plain");
                         });

TEST(WriterPeer, MdbReaderReadsEveryValue) {
  const std::string modules = MdbReaderModules();
  if (modules.empty()) GTEST_SKIP() << "mdb-reader not installed (scripts/install-npm-peers)";
  // The peer costs a Node start per file: two of the four layouts cover
  // both column types and both text encodings.
  for (const TCase c : {TCase{false, true}, TCase{true, false}}) {
    SCOPED_TRACE(c.memo ? "memo" : "text");
    TTempDir dir;
    const bool memo = c.memo;
    const auto rows = SampleLog(3000, memo, 7);
    WriteLog(dir / "log.mdb", rows, {{3, "Погрузчик"}}, {memo, c.compressed, "", 45000.5});
    const auto out = RunCommand("node " + ShellQuote(std::string(VEDOGRAF_DB_TESTS_DIR) + "/peer_dump.mjs") + " " +
                                ShellQuote(modules) + " " + ShellQuote((dir / "log.mdb").string()) + " RXLOG");
    ASSERT_TRUE(out);
    auto lines = SplitTsv(*out);
    ASSERT_EQ(lines.size(), rows.size() + 1);
    EXPECT_EQ(lines[0][1], "\\N");  // no password
    for (std::size_t i = 0; i < rows.size(); ++i) {
      const TLogRow& r = rows[i];
      const auto& f = lines[i + 1];
      ASSERT_EQ(f.size(), 11u);
      EXPECT_EQ(Num(f[0]), r.RecNo);
      EXPECT_EQ(Num(f[1]), r.Mobile);
      EXPECT_EQ(f[2], IsNull(r, jet::kLogText) ? "\\N" : r.Text) << "row " << i;
      EXPECT_NEAR(Num(f[4]), r.Time, 1.0 / 86400000.0);
      EXPECT_EQ(f[5], IsNull(r, jet::kLogFlags) ? "\\N" : std::to_string(r.Flags));
      if (!IsNull(r, jet::kLogLon)) {
        EXPECT_EQ(Num(f[7]), r.Lon);  // bit-exact doubles
      }
      EXPECT_EQ(Num(f[8]), r.Lat);
      if (!IsNull(r, jet::kLogSpeed)) {
        EXPECT_EQ(Num(f[10]), r.Speed);
      }
    }
  }
}

TEST(WriterPassword, MdbReaderFindsThePasswordWeStored) {
  const std::string modules = MdbReaderModules();
  if (modules.empty()) GTEST_SKIP() << "mdb-reader not installed (scripts/install-npm-peers)";
  TTempDir dir;
  const std::string passwords[] = {"secret", "пароль", "12345678901234567890", "a b'c", "абвгдеёжзийклмнопрст"};
  double created = 38000.75;
  int n = 0;
  for (const std::string& pw : passwords) {
    created += 1234.5;
    WriteLog(dir / "p.mdb", SampleLog(10, false), {}, {false, true, pw, created});
    // The peer for the two Cyrillic ones, one of full length (a Node start each).
    const int index = n++;
    if (index == 1 || index == 4) {
      const auto out = PeerDump(dir / "p.mdb", "-");
      ASSERT_TRUE(out);
      EXPECT_EQ(SplitTsv(*out)[0][1], pw);
    }
    // And our own header reader agrees.
    std::FILE* f = std::fopen((dir / "p.mdb").c_str(), "rb");
    ASSERT_TRUE(f);
    std::vector<std::uint8_t> page(4096);
    ASSERT_EQ(std::fread(page.data(), 1, page.size(), f), page.size());
    std::fclose(f);
    const jet::THeaderInfo info = jet::ReadHeader(page);
    EXPECT_EQ(info.Version, jet::TJetVersion::Jet4);
    EXPECT_EQ(info.Password, pw);
    EXPECT_FALSE(info.PasswordGarbled);
    EXPECT_TRUE(jet::PasswordMatches(info, pw));
    EXPECT_FALSE(jet::PasswordMatches(info, pw + "x"));
    EXPECT_FALSE(jet::PasswordMatches(info, ""));
  }
}

TEST(WriterLimits, RefusesWhatAccessCouldNotHold) {
  TTempDir dir;
  EXPECT_THROW(jet::TLogFileWriter(dir / "a.mdb", {false, true, "123456789012345678901", 45000.0}), jet::TJetError);
  jet::TLogFileWriter w(dir / "b.mdb", {false, true, "", 45000.0});
  TLogRow r;
  r.Text = std::string(256, 'x');
  EXPECT_THROW(w.AddLog(r), jet::TJetError);
  r.Text = std::string(255, 'x');
  EXPECT_NO_THROW(w.AddLog(r));
}

TEST(WriterLayout, LargeTablesUseIndirectUsageMaps) {
  if (!HaveMdbExport()) GTEST_SKIP() << "mdb-export not installed";
  // More data pages than an inline usage map can list (about 470).
  TTempDir dir;
  jet::TLogFileWriter w(dir / "big.mdb", {false, true, "", 45000.0});
  TLogRow r;
  r.Text = std::string(200, 'z');
  for (int i = 0; i < 12000; ++i) {
    r.RecNo = i + 1;
    r.Mobile = i % 3 + 1;
    r.Time = 45000.0 + i / 86400.0;
    w.AddLog(r);
  }
  w.Finish();
  const auto out = RunCommand("mdb-export -H " + ShellQuote((dir / "big.mdb").string()) + " RXLOG | wc -l");
  ASSERT_TRUE(out);
  EXPECT_EQ(std::atoi(out->c_str()), 12000);
}

}  // namespace
}  // namespace vedograf::test
