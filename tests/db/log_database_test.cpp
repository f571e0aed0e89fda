// The rows of an open log as the run driver reads them, compared with what
// was written and with what mdb-export reads from the same file.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>

#include "core/errors.h"
#include "core/record.h"
#include "db/log_database.h"
#include "db_test_util.h"
#include "fleet.h"
#include "jet_writer.h"

namespace vedograf::test {
namespace {

using db::TLogDatabase;
using jet::TLogRow;

std::unique_ptr<TLogDatabase> Load(const std::filesystem::path& path) {
  db::TProviderOptions o;
  o.StallTimeout = std::chrono::milliseconds(3000);
  return TLogDatabase::Load(std::filesystem::absolute(path).string(), o, nullptr);
}

TLogRow Row(std::int32_t recNo, std::int32_t mobile, double time, std::int32_t flags, std::string text) {
  TLogRow r;
  r.RecNo = recNo;
  r.Mobile = mobile;
  r.Time = time;
  r.Flags = flags;
  r.Text = std::move(text);
  r.Lon = 37.0 + recNo / 1000.0;
  r.Lat = 55.0 + recNo / 1000.0;
  r.Speed = recNo * 1.5;
  return r;
}

std::vector<std::int32_t> RecNos(TLogDatabase& db) {
  std::vector<std::int32_t> out;
  for (db.First(); !db.Eof(); db.Next()) out.push_back(db.AsInteger(kColRecNo));
  return out;
}

TEST(LogDatabase, FilterWindowAndOrder) {
  TTempDir dir;
  const double t = 45000.5;
  const double s = 1.0 / 86400;
  std::vector<TLogRow> rows = {
      Row(1, 7, t + 10 * s, 12, "Свежее 3D"),
      Row(2, 7, t, 12, "at Begin"),                // exactly at Begin
      Row(3, 7, t + 5 * s, 0, "Входы: 1 0 1 0 0"),
      Row(4, 8, t + 5 * s, 12, "other object"),
      Row(5, 7, t + 5 * s, 12, "equal date, later row"),
      Row(6, 7, t + 20 * s, 14, "(FLASH)"),       // exactly at End
      Row(7, 7, t + 20 * s + s / 1000, 12, "just after End"),
      Row(8, 7, t - s / 1000, 12, "just before Begin"),
  };
  WriteLog(dir / "log.mdb", rows, {}, {});
  auto db = Load(dir / "log.mdb");
  EXPECT_EQ(db->RowCount(), rows.size());
  EXPECT_EQ(db->LogObjects(), (std::vector<std::int32_t>{7, 8}));

  db->SetFilterText("MOBILE = 7");
  db->SetTimeWindow(t, t + 20 * s);
  db->SetFiltered(true);
  EXPECT_EQ(RecNos(*db), (std::vector<std::int32_t>{2, 3, 5, 1, 6}));
  db->SetFilterText("MOBILE = 7 AND FLAGS = 12");
  EXPECT_EQ(RecNos(*db), (std::vector<std::int32_t>{2, 5, 1}));
  db->SetFilterText("MOBILE = 9");
  EXPECT_TRUE(RecNos(*db).empty());
  db->SetFilterText("MOBILE = 8");
  db->SetTimeWindow(t + 6 * s, t + 1);
  EXPECT_TRUE(RecNos(*db).empty());

  // Unfiltered: every row ascending by DATE, table order on ties.
  db->SetFiltered(false);
  EXPECT_EQ(RecNos(*db), (std::vector<std::int32_t>{8, 2, 3, 4, 5, 1, 6, 7}));

  // Values by position.
  db->SetFilterText("MOBILE = 7");
  db->SetTimeWindow(t, t);
  db->SetFiltered(true);
  db->First();
  ASSERT_FALSE(db->Eof());
  std::string text;
  db->AsText(kColText, text);
  EXPECT_EQ(text, "at Begin");
  EXPECT_EQ(db->AsDateTime(kColTime), t);
  EXPECT_EQ(db->AsInteger(kColFlags), 12);
  EXPECT_EQ(db->AsDouble(kColLon), 37.002);
  EXPECT_EQ(db->AsDouble(kColLat), 55.002);
  EXPECT_EQ(db->AsDouble(kColSpeed), 3.0);
  EXPECT_THROW(db->AsDouble(1), TOleError);  // MOBILE is not read by position
  EXPECT_THROW(db->AsText(3, text), TOleError);
  db->Next();
  EXPECT_TRUE(db->Eof());
  EXPECT_THROW(db->AsInteger(kColRecNo), TOleError);

  for (const char* bad : {"MOBILE=7", "MOBILE = ", "MOBILE = 7 AND FLAGS = 13", "FLAGS = 12", "MOBILE = 7x"}) {
    EXPECT_THROW(db->SetFilterText(bad), TOleError) << bad;
  }
  db->SetFilterText("MOBILE = -1");
}

TEST(LogDatabase, NullsTextsAndMemos) {
  TTempDir dir;
  for (const bool memo : {false, true}) {
    SCOPED_TRACE(memo ? "memo" : "text");
    std::vector<TLogRow> rows;
    TLogRow r = Row(1, 1, 45000.0, 12, "");
    r.NullMask = 1u << jet::kLogText | 1u << jet::kLogSpeed | 1u << jet::kLogLat;
    rows.push_back(r);
    rows.push_back(Row(2, 1, 45000.1, 12, "Свежее"));  // as the dispatch software stores it
    if (memo) {
      // Beyond libmdb's 16 384-byte cut, in several long-value pages.
      std::string big;
      for (int i = 0; big.size() < 40000; ++i) big += "Строка " + std::to_string(i) + "; ";
      rows.push_back(Row(3, 1, 45000.2, 0, big));
      rows.push_back(Row(4, 1, 45000.3, 0, std::string(3000, 'x')));
    }
    WriteLog(dir / "n.mdb", rows, {}, {memo, true, "", 45000.5});
    auto db = Load(dir / "n.mdb");
    EXPECT_EQ(db->Report().ValuesCut, 0u);
    EXPECT_EQ(db->Report().RowsRead, rows.size());
    db->SetFilterText("MOBILE = 1");
    db->SetTimeWindow(0, 1e6);
    db->SetFiltered(true);
    db->First();
    std::string text = "previous";
    db->AsText(kColText, text);
    EXPECT_EQ(text, "");
    EXPECT_EQ(db->AsDouble(kColSpeed), 0.0);
    EXPECT_EQ(db->AsDouble(kColLat), 0.0);
    db->Next();
    TRecord rec;
    DecodeRow(*db, false, rec);
    EXPECT_TRUE(rec.Fresh);
    for (std::size_t i = 2; i < rows.size(); ++i) {
      db->Next();
      db->AsText(kColText, text);
      EXPECT_EQ(text, rows[i].Text);
    }
  }
}

TEST(LogDatabase, EveryRowAgreesWithMdbExport) {
  if (!HaveMdbExport()) GTEST_SKIP() << "mdb-export not installed";
  TTempDir dir;
  jet::TFleetOptions fleet;
  fleet.Objects = 3;
  fleet.Days = 2;
  fleet.MemoText = true;
  const jet::TFleetStats stats = jet::WriteFleetDatabase(dir / "f.mdb", fleet);
  auto db = Load(dir / "f.mdb");
  ASSERT_EQ(db->RowCount(), stats.Rows);
  const auto out = RunCommand("mdb-export -H -Q -d '\t' -0 NULL -T '%s' " + ShellQuote((dir / "f.mdb").string()) +
                              " RXLOG");
  ASSERT_TRUE(out);
  auto lines = SplitTsv(*out);
  ASSERT_EQ(lines.size(), stats.Rows);
  std::map<std::int32_t, std::vector<std::string>*> byRecNo;
  std::map<std::int32_t, std::size_t> perObject;
  for (auto& f : lines) {
    byRecNo[std::atoi(f[0].c_str())] = &f;
    ++perObject[std::atoi(f[1].c_str())];
  }
  ASSERT_EQ(byRecNo.size(), lines.size());
  EXPECT_GT(stats.LateRows + stats.PowerUps, 0u);
  std::string text;
  std::size_t seen = 0;
  for (const auto& [mobile, count] : perObject) {
    db->SetFilterText("MOBILE = " + std::to_string(mobile));
    db->SetTimeWindow(-1e9, 1e9);
    db->SetFiltered(true);
    double lastDate = -1e300;
    std::int32_t lastRecNo = 0;
    std::size_t n = 0;
    for (db->First(); !db->Eof(); db->Next(), ++n) {
      const std::int32_t recNo = db->AsInteger(kColRecNo);
      const double date = db->AsDateTime(kColTime);
      // Ascending by DATE; equal dates in table order (the fleet's row
      // numbers follow the table).
      ASSERT_TRUE(date > lastDate || (date == lastDate && recNo > lastRecNo)) << recNo;
      lastDate = date;
      lastRecNo = recNo;
      const auto it = byRecNo.find(recNo);
      ASSERT_NE(it, byRecNo.end());
      const auto& f = *it->second;
      EXPECT_EQ(std::atoi(f[1].c_str()), mobile);
      db->AsText(kColText, text);
      EXPECT_EQ(text, f[2] == "NULL" ? "" : f[2]);
      // mdb-export prints the date in whole seconds since 1970.
      EXPECT_NEAR((date - 25569.0) * 86400.0, std::atof(f[4].c_str()), 1.0);
      EXPECT_EQ(db->AsInteger(kColFlags), std::atoi(f[5].c_str()));
      EXPECT_NEAR(db->AsDouble(kColLon), std::atof(f[7].c_str()), 1e-9);
      EXPECT_NEAR(db->AsDouble(kColLat), std::atof(f[8].c_str()), 1e-9);
      EXPECT_NEAR(db->AsDouble(kColSpeed), std::atof(f[10].c_str()), 1e-9);
    }
    EXPECT_EQ(n, count) << mobile;
    seen += n;
  }
  EXPECT_EQ(seen, lines.size());
}

TEST(LogDatabase, HoldsLittleBeyondTheTexts) {
  TTempDir dir;
  jet::TFleetOptions fleet;
  fleet.Objects = 10;
  fleet.Days = 2;
  fleet.IntervalSeconds = 10;
  jet::WriteFleetDatabase(dir / "f.mdb", fleet);
  auto db = Load(dir / "f.mdb");
  std::size_t texts = 0;
  std::string text;
  db->SetFiltered(false);
  for (db->First(); !db->Eof(); db->Next()) {
    db->AsText(kColText, text);
    texts += text.size();
  }
  const double perRow = static_cast<double>(db->HeldBytes()) / static_cast<double>(db->RowCount());
  const double textPerRow = static_cast<double>(texts) / static_cast<double>(db->RowCount());
  // 56 bytes of values, 4 of the object index, 4 of the unfiltered order.
  EXPECT_LT(perRow - textPerRow, 70.0 + 4.0 * 1024 * 1024 / static_cast<double>(db->RowCount()));
}

}  // namespace
}  // namespace vedograf::test

namespace vedograf::test {
namespace {

using jet::TColumnDef;
using jet::TColumnType;
using jet::TValue;

// A log whose columns named DATE and FLAGS are not the columns 4 and 5 the
// values are read from: the filter and the order follow the names.
TEST(LogDatabase, FilterAndOrderFollowTheNamedColumns) {
  TTempDir dir;
  {
    jet::TJetFileWriter w(dir / "odd.mdb");
    using C = TColumnType;
    const int log = w.AddTable("RXLOG", {{"ID", C::Long},
                                         {"MOBILE", C::Long},
                                         {"MESSAGE", C::Text, 255},
                                         {"PORT", C::Integer},
                                         {"RECEIVED", C::DateTime},
                                         {"KIND", C::Long},
                                         {"DATE", C::DateTime},
                                         {"LON", C::Double},
                                         {"LAT", C::Double},
                                         {"FLAGS", C::Integer},
                                         {"SPEED", C::Double}});
    const int names = w.AddTable("ADDRESS", {{"N", C::Long}, {"NAME", C::Memo}});
    // id, column 4, column 5, DATE, FLAGS
    const double rows[][5] = {{1, 100, 12, 3, 0}, {2, 200, 0, 1, 12}, {3, 300, 12, 2, 12}};
    for (const auto& r : rows) {
      const TValue v[] = {TValue::Integer(static_cast<int>(r[0])), TValue::Integer(4), TValue::String("Свежее"),
                          TValue::Integer(1), TValue::Number(r[1]), TValue::Integer(static_cast<int>(r[2])),
                          TValue::Number(r[3]), TValue::Number(37.5), TValue::Number(55.5),
                          TValue::Integer(static_cast<int>(r[4])), TValue::Null()};
      w.AddRow(log, v);
    }
    const TValue n[] = {TValue::Integer(4), TValue::String("Машина в Memo")};
    w.AddRow(names, n);
    w.Finish();
  }
  auto db = Load(dir / "odd.mdb");
  ASSERT_EQ(db->Addresses().size(), 1u);
  EXPECT_EQ(db->Addresses()[0].Name, "Машина в Memo");
  db->SetFilterText("MOBILE = 4");
  db->SetTimeWindow(1, 2);  // by DATE
  db->SetFiltered(true);
  EXPECT_EQ(RecNos(*db), (std::vector<std::int32_t>{2, 3}));
  db->First();
  EXPECT_EQ(db->AsDateTime(kColTime), 200.0);  // the value of column 4
  EXPECT_EQ(db->AsInteger(kColFlags), 0);      // and of column 5
  db->SetFilterText("MOBILE = 4 AND FLAGS = 12");
  db->SetTimeWindow(0, 10);
  EXPECT_EQ(RecNos(*db), (std::vector<std::int32_t>{2, 3}));  // FLAGS by name
  db->SetFiltered(false);
  EXPECT_EQ(RecNos(*db), (std::vector<std::int32_t>{2, 3, 1}));
}

TEST(LogDatabase, MissingTablesOrColumnsAreNotALog) {
  TTempDir dir;
  using C = TColumnType;
  std::vector<TColumnDef> full = {{"ID", C::Long},    {"MOBILE", C::Long},  {"MESSAGE", C::Text, 255},
                                  {"PORT", C::Long},  {"DATE", C::DateTime}, {"FLAGS", C::Long},
                                  {"STATUS", C::Long}, {"LON", C::Double},   {"LAT", C::Double},
                                  {"COURSE", C::Double}, {"SPEED", C::Double}};
  struct TCase {
    const char* Name;
    std::vector<TColumnDef> Log;
    bool Address;
  };
  auto without = [&](std::size_t i) {
    auto c = full;
    c.erase(c.begin() + static_cast<std::ptrdiff_t>(i));
    return c;
  };
  auto renamed = [&](std::size_t i, const char* name) {
    auto c = full;
    c[i].Name = name;
    return c;
  };
  auto retyped = [&](std::size_t i, C type) {
    auto c = full;
    c[i].Type = type;
    return c;
  };
  const TCase cases[] = {
      {"no ADDRESS", full, false},
      {"ten columns", without(10), true},
      {"no MOBILE", renamed(1, "OBJECT"), true},
      {"no DATE", renamed(4, "TIME"), true},
      {"text in column 7", retyped(7, C::Text), true},
      {"number in column 2", retyped(2, C::Double), true},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    {
      jet::TJetFileWriter w(dir / "t.mdb");
      w.AddTable("RXLOG", c.Log);
      if (c.Address) w.AddTable("ADDRESS", {{"MOBILE", C::Long}, {"NAME", C::Text, 50}});
      w.Finish();
    }
    try {
      Load(dir / "t.mdb");
      ADD_FAILURE() << "opened";
    } catch (const TOleError& e) {
      EXPECT_EQ(e.Code(), db::kErrTablesMissing);
    }
  }
}

}  // namespace
}  // namespace vedograf::test
