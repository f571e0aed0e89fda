// The sample fleet: reproducible, and carrying everything the reports look
// for, read back through the program's own readers.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "areas/area_files.h"
#include "areas/control_point.h"
#include "calc/input_fields.h"
#include "core/record.h"
#include "db/open_base.h"
#include "db_test_util.h"
#include "fleet.h"
#include "support/test_services.h"

namespace vedograf::test {
namespace {

struct TCollect : jet::IFleetSink {
  std::vector<std::pair<std::int32_t, std::string>> names;
  std::vector<jet::TLogRow> rows;
  void Address(std::int32_t n, std::string_view name) override { names.emplace_back(n, std::string(name)); }
  void Row(const jet::TLogRow& r) override { rows.push_back(r); }
};

jet::TFleetOptions Small() {
  jet::TFleetOptions o;
  o.Objects = 4;
  o.Days = 3;
  return o;
}

TEST(Fleet, SameOptionsSameRowsOtherSeedOtherRows) {
  TCollect a, b, c;
  const auto sa = jet::GenerateFleet(Small(), a);
  jet::GenerateFleet(Small(), b);
  auto other = Small();
  other.Seed = 2;
  jet::GenerateFleet(other, c);
  ASSERT_EQ(a.rows.size(), b.rows.size());
  for (std::size_t i = 0; i < a.rows.size(); ++i) {
    ASSERT_EQ(a.rows[i].Text, b.rows[i].Text);
    ASSERT_EQ(a.rows[i].Time, b.rows[i].Time);
    ASSERT_EQ(a.rows[i].Lat, b.rows[i].Lat);
  }
  EXPECT_EQ(sa.Rows, a.rows.size());
  EXPECT_NE(a.rows.size(), c.rows.size());
  auto capped = Small();
  capped.MaxRows = 1000;
  TCollect d;
  const jet::TFleetStats sd = jet::GenerateFleet(capped, d);
  EXPECT_EQ(sd.Rows, 1000u);
  EXPECT_EQ(d.rows.size(), 1000u);
  // The kinds count what was written, not the whole day the cap cut short.
  std::uint64_t inputs = 0;
  for (const jet::TLogRow& r : d.rows) inputs += r.Text.starts_with("Входы:");
  EXPECT_EQ(sd.InputRows, inputs);
  EXPECT_LE(sd.NavigationRows + sd.InputRows, sd.Rows);
  EXPECT_GT(sd.NavigationRows, 0u);
}

TEST(Fleet, CarriesWhatTheReportsLookFor) {
  TCollect f;
  auto o = Small();
  o.Days = 5;
  const jet::TFleetStats s = jet::GenerateFleet(o, f);
  std::map<std::int32_t, std::size_t> perObject;
  std::size_t powerUps = 0, flash = 0, stale = 0, zeroStale = 0, fix2d = 0, fix3d = 0, late = 0, equal = 0;
  std::size_t inputs = 0, ignitionOff = 0, doorOpen = 0;
  double maxSpeed = 0;
  std::map<std::int32_t, std::vector<double>> fuel;  // LLS 1 per object, in time order of arrival
  double lastTime = 0;
  for (std::size_t i = 0; i < f.rows.size(); ++i) {
    const jet::TLogRow& r = f.rows[i];
    ++perObject[r.Mobile];
    EXPECT_EQ(r.RecNo, static_cast<std::int32_t>(i + 1));
    if (r.Time < lastTime) ++late;
    if (i > 0 && r.Time == f.rows[i - 1].Time && r.Mobile == f.rows[i - 1].Mobile) ++equal;
    lastTime = std::max(lastTime, r.Time);
    if (r.Mobile <= 0) continue;
    if (HasPowerUpMarker(r.Text, r.Flags)) ++powerUps;
    if (r.Flags == 14 && r.Text.find("(FLASH)") != std::string::npos) ++flash;
    if (r.Flags & 12) {
      if (HasFreshMarker(r.Text)) {
        (HasFix3DMarker(r.Text) ? fix3d : fix2d)++;
        EXPECT_TRUE(IsUsablePosition(r.Lat, r.Lon));
        EXPECT_NEAR(r.Lat, 55.75, 0.5);
        EXPECT_NEAR(r.Lon, 37.6, 0.6);
      } else {
        ++stale;
        if (r.Lat == 0 && r.Lon == 0) ++zeroStale;
      }
      maxSpeed = std::max(maxSpeed, r.Speed);
      continue;
    }
    ++inputs;
    const TInputFields in(r.Text);
    ASSERT_TRUE(in.HasMarker()) << r.Text;
    for (int k = 0; k < 5; ++k) EXPECT_TRUE(in.CharAt(SensorCharPos(k)) == '0' || in.CharAt(SensorCharPos(k)) == '1');
    if (in.CharAt(SensorCharPos(0)) == '0') ++ignitionOff;
    if (in.CharAt(SensorCharPos(1)) == '1') ++doorOpen;
    double v = 0;
    EXPECT_TRUE(in.NumberAt(AnalogFieldPos(0), kInputFieldWidth, v));
    EXPECT_GT(v, 11.0);  // on-board voltage
    EXPECT_TRUE(in.NumberAt(FuelFieldPos(0, true), kInputFieldWidth, v)) << r.Text;
    EXPECT_FALSE(in.NumberAt(FuelFieldPos(2, true), kInputFieldWidth, v));  // no third sensor
    fuel[r.Mobile].push_back(v);
  }
  // The oddities: MOBILE 0 and negative rows, one vehicle without a name.
  EXPECT_GT(perObject[0], 0u);
  EXPECT_GT(perObject[-1], 0u);
  std::set<std::int32_t> named;
  for (const auto& [n, name] : f.names) named.insert(n);
  EXPECT_FALSE(named.contains(jet::kFirstVehicle + 3));
  EXPECT_TRUE(named.contains(jet::kSilentObjects[0]));
  EXPECT_FALSE(perObject.contains(jet::kSilentObjects[0]));

  EXPECT_EQ(powerUps, s.PowerUps);
  EXPECT_GT(flash, 0u);
  EXPECT_GT(powerUps, flash);
  EXPECT_GT(stale, 10u);
  EXPECT_GT(zeroStale, 0u);
  EXPECT_GT(fix2d, fix3d / 20);
  EXPECT_GT(fix3d, fix2d);
  EXPECT_GT(late, 0u);
  EXPECT_GT(equal, 20u);
  EXPECT_GT(ignitionOff, 10u);
  EXPECT_GT(doorOpen, 10u);
  EXPECT_GT(maxSpeed, 50.0);
  EXPECT_LT(maxSpeed, 130.0);
  EXPECT_GT(s.Fills, 0u);
  // Fuel falls while driving and jumps at a fill.
  std::size_t rises = 0;
  for (const auto& [mobile, levels] : fuel) {
    EXPECT_LT(*std::min_element(levels.begin(), levels.end()), levels.front() - 10.0) << mobile;
    for (std::size_t i = 1; i < levels.size(); ++i) rises += levels[i] > levels[i - 1] + 20.0;
  }
  EXPECT_GT(rises, 0u);
}

TEST(Fleet, AreasReadByBothReaders) {
  TTempDir dir;
  jet::WriteFleetAreas(dir / "a.mrk", dir / "a.obj", Small());
  for (const char* name : {"a.mrk", "a.obj"}) {
    SCOPED_TRACE(name);
    TTestServices ui;
    TControlPointList list;
    ASSERT_TRUE(OpenCPoints((dir / name).string(), true, ui, list));
    EXPECT_TRUE(ui.shown.empty()) << (ui.shown.empty() ? "" : ui.shown[0].text);
    const std::vector<std::string> names = AreaNames(list);
    EXPECT_EQ(names.size(), 3u + 40u + 3u);
    // Smallest first; the city contains all, the district its centre.
    EXPECT_EQ(names.back(), "Москва");
    EXPECT_NE(std::find(names.begin(), names.end(), "Центральный район"), names.end());
    EXPECT_NE(std::find(names.begin(), names.end(), "Склад Северный"), names.end());
    EXPECT_NE(std::find(names.begin(), names.end(), "Магазин №1"), names.end());
  }
}

TEST(Fleet, CommandLineWritesADatabaseTheProgramOpens) {
  TTempDir dir;
  const std::string out = (dir / "sample.mdb").string();
  const auto rc = RunCommand(std::string(VEDOGRAF_MKDB_PATH) + " --fleet --objects 3 --days 1 --password пароль --areas " +
                             ShellQuote((dir / "areas").string()) + " " + ShellQuote(out) + " 2>/dev/null");
  ASSERT_TRUE(rc);
  EXPECT_TRUE(std::filesystem::exists(dir / "areas.mrk"));
  TTestServices ui;
  ui.passwords.push_back("пароль");
  db::TBaseState state;
  ASSERT_EQ(db::OpenBase(out, ui, state), 0);
  EXPECT_EQ(state.Items.size(), 5u);  // 101, 102, 103 (unnamed), 900, 901
  EXPECT_FALSE(RunCommand(std::string(VEDOGRAF_MKDB_PATH) + " --fleet --objects x " + ShellQuote(out) + " 2>/dev/null"));
  EXPECT_FALSE(RunCommand(std::string(VEDOGRAF_MKDB_PATH) + " --password 123456789012345678901 " + ShellQuote(out) +
                          " </dev/null 2>/dev/null"));
}

}  // namespace
}  // namespace vedograf::test
