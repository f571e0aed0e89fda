// Input rows and the input-based calculators through the whole driver.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "areas/control_point.h"
#include "core/datetime.h"
#include "core/geodesy.h"
#include "core/units.h"
#include "run/report_driver.h"
#include "sheet/report_output.h"
#include "support/failing_memory.h"
#include "support/memory_row_source.h"
#include "support/test_services.h"

namespace vedograf {
namespace {

using test::TLogRow;

// Keeps what the sheet writers would read of the graph store, which the run
// releases at its end.
class TGraphRecorder : public IReportOutput {
 public:
  int ExcelInit() override { return 0; }
  void MakeReport(const TRunView& run, int count, TReportMask) override {
    counts.push_back(count);
    const TGraphStore& g = run.Buffers.Graph;
    seriesCount = g.GraphSeriesCount;
    axisSize = g.TimeAxis.size();
    series.clear();
    for (int s = 0; s < g.GraphSeriesCount; ++s) series.emplace_back(g.Series[s].begin(), g.Series[s].end());
  }
  void ShowExcel() override {}

  std::vector<int> counts;
  int seriesCount = -1;
  std::size_t axisSize = 0;
  std::vector<std::vector<float>> series;
};

const double kDay = EncodeDate(2024, 5, 10);
double At(double seconds) { return kDay + seconds * kSecondToDays; }

constexpr double kLat = 55.0, kLon = 37.0;
double North(double metres) { return kLat + metres / kEarthRadius_m / kDegToRad; }

// "Входы:" with the five states, then the three analog fields (also the
// fuel fields when the sensors are analog inputs).
std::string InputText(std::string_view states, std::string_view an1 = "      ", std::string_view an2 = "      ",
                      std::string_view an3 = "      ") {
  std::string text = "Входы:";
  for (char c : states) (text += ' ') += c;
  return ((text += ' ') += an1) += std::string(an2) + std::string(an3);
}

std::string Litres(double v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%6.1f", v);
  return buf;
}

struct TRoutingHarness {
  explicit TRoutingHarness(std::vector<int> numbers = {1}, TMemory* memory = nullptr)
      : driver(services, output, memory ? *memory : TMemory::Default()) {
    for (int n : numbers) {
      TObjReport o;
      o.Number = n;
      o.Chosen = true;
      objects.push_back(std::move(o));
    }
    requestParams = {0, kDay, kDay + 1};
  }

  bool Run(TReportMask mask) {
    for (TObjReport& o : objects) o.Chosen = true;
    return driver.CalcReports(mask, TRunInputs{&objects, &rows, &req, &requestParams, &personal, &areas});
  }

  // A navigation row; the input rows below keep coordinates in their columns
  // too, which the decoding must drop.
  void Nav(int mobile, double seconds, double lat, bool fresh = true) {
    rows.Add(TLogRow{++recNo, mobile, fresh ? "Свежее 3D" : "3D", At(seconds), 12, kLon, lat, 10.0});
  }
  void Input(int mobile, double seconds, std::string text) {
    rows.Add(TLogRow{++recNo, mobile, std::move(text), At(seconds), 0, kLon + 1, kLat + 1, 0.0});
  }

  TObjReport& Obj(int i = 0) { return objects[i]; }

  test::TTestServices services;
  TGraphRecorder output;
  TReportDriver driver;
  TObjReports objects;
  test::TMemoryRowSource rows;
  TRequestParams req;
  TReportParams requestParams;
  TPersonalParams personal;
  TControlPointList areas;
  int recNo = 0;
};

TEST(InputRouting, InputRowsReachOnlyTheInputStepsAndWithoutAPosition) {
  TRoutingHarness h;
  h.req.SensorStates = {1, 0, 0, 0, 0};
  h.req.FuelSensors = {true, false, false};
  h.req.FuelThres = {10, 10, 10};
  h.Nav(1, 0, kLat);
  h.Input(1, 30, InputText("1----", "100.0"));
  h.Nav(1, 60, North(1000));
  h.Input(1, 90, InputText("0----", "100.0"));
  h.Run(kMaskWay | kMaskNavLack | kMaskSensors | kMaskFuel);
  const TObjReport& o = h.Obj();
  EXPECT_EQ(o.FixCount, 2);  // the input rows, "fresh" or not, are no fixes
  EXPECT_EQ(o.NavLossCount, 0);
  ASSERT_EQ(o.InputCount[0], 1);
  EXPECT_EQ(o.InputActivity[0][0].Begin, At(30));
  EXPECT_EQ(o.InputActivity[0][0].End, At(90));
  // Only the two fixes count for the fuel distance; the coordinates stored
  // with the input rows are never seen.
  EXPECT_EQ(o.Fuel[0].Distance, static_cast<float>(FixDistance(kLat, kLon, North(1000), kLon)));
  EXPECT_EQ(h.driver.LastRecord().Lat, 0.0);
  EXPECT_EQ(h.driver.LastRecord().Lon, 0.0);
  EXPECT_TRUE(h.services.shown.empty());
}

TEST(InputRouting, StaleNavigationRowsReachTheInputAndFuelSteps) {
  TRoutingHarness h;
  h.req.SensorStates = {0, 0, 2, 0, 0};
  h.req.FuelSensors = {false, true, false};
  h.Nav(1, 0, kLat);
  h.Input(1, 0, InputText("--0--"));
  h.Nav(1, 60, North(1000), /*fresh=*/false);
  h.Nav(1, 120, North(3000));
  h.Input(1, 120, InputText("--1--"));
  h.Nav(1, 180, North(3000));
  h.Run(kMaskSensors | kMaskLoad);
  const TObjReport& o = h.Obj();
  // The fuel distance takes every navigation row, the stale one included.
  const double viaStale = FixDistance(kLat, kLon, North(1000), kLon) + FixDistance(North(1000), kLon, North(3000), kLon);
  EXPECT_EQ(o.Fuel[1].Distance, static_cast<float>(viaStale));
  // The input's distance counts between fresh fixes only, but the stale row
  // still moved its last position: 2000 m, not the 3000 m from the first fix.
  ASSERT_EQ(o.InputCount[2], 1);
  EXPECT_EQ(o.InputActivity[2][0].Distance, static_cast<int>(FixDistance(North(1000), kLon, North(3000), kLon)));
}

TEST(InputRouting, DiscreteInputActivityGetsAreaAndDistanceFromTheFixes) {
  TRoutingHarness h;
  TControlPoint* depot = h.areas.AddPoint(kLat, kLon, "Депо");
  depot->Radius = 300;
  depot->Selected = true;
  h.areas.Arrange();
  h.req.CPointsChosen = true;
  h.req.SensorStates = {0, 2, 0, 0, 0};  // IN2 active when open
  h.req.MinSensorTime = 30 * kSecondToDays;
  h.Nav(1, 100, kLat);
  h.Input(1, 100, InputText("-0---"));  // right after its fix: in the depot
  h.Nav(1, 200, North(1000));
  h.Nav(1, 300, North(2000));
  h.Input(1, 300, InputText("-1---"));
  h.Nav(1, 400, North(3000));
  h.Input(1, 500, InputText("-0---"));
  h.Input(1, 520, InputText("-1---"));  // 20 s: dropped
  h.Nav(1, 600, North(4000));
  h.Run(kMaskSensors);
  const TObjReport& o = h.Obj();
  ASSERT_EQ(o.InputCount[1], 1);
  EXPECT_EQ(o.InputActivity[1][0].Area, 0);
  EXPECT_EQ(o.InputActivity[1][0].Distance,
            static_cast<int>(FixDistance(kLat, kLon, North(1000), kLon) +
                             FixDistance(North(1000), kLon, North(2000), kLon)));
  EXPECT_NEAR(o.InputActiveTime[1], 200 * kSecondToDays, 1e-9);
}

// Fills IN1 with 10000 one-second activities, then adds `extra` input rows.
void AddActivities(TRoutingHarness& h, int extra) {
  for (int k = 0; k < kEventLimit; ++k) {
    h.Input(1, 2 * k, InputText("1----"));
    h.Input(1, 2 * k + 1, InputText("0----"));
  }
  for (int k = 0; k < extra; ++k) h.Input(1, 2 * kEventLimit + k, InputText("1----"));
}

TEST(InputRouting, ActivityLimitWarnsOnlyAfterTheOneExtraRow) {
  const std::string warning = "Превышен лимит событий в отчете для объекта №1\r\nОтчет будет отображен не полностью";
  {
    TRoutingHarness h;
    h.req.SensorStates = {1, 0, 0, 0, 0};
    AddActivities(h, 1);
    h.Run(kMaskSensors);
    EXPECT_EQ(h.Obj().InputCount[0], kEventLimit);
    EXPECT_TRUE(h.services.Warnings().empty());
  }
  {
    TRoutingHarness h;
    h.req.SensorStates = {1, 0, 0, 0, 0};
    AddActivities(h, 2);
    h.Run(kMaskSensors);
    EXPECT_EQ(h.Obj().InputCount[0], kEventLimit);
    EXPECT_EQ(h.services.Warnings(), std::vector<std::string>{warning});
    // The rest of the run goes on: the object is still written.
    EXPECT_EQ(h.output.counts, std::vector<int>{1});
  }
}

TEST(InputRouting, AnalogChangesOfEveryChosenInput) {
  TRoutingHarness h;
  h.req.AnalogThres = {1000, -1, 0};
  const char* first[] = {"     0", "   600", "  1200", "  1800", "      "};
  const char* third[] = {"  12,5", "  12.5", "------", "  13,0", "  13.0"};
  for (int k = 0; k < 5; ++k) h.Input(1, 60 * k, InputText("-----", first[k], "   999", third[k]));
  h.Run(kMaskAnalogInputs);
  const TObjReport& o = h.Obj();
  ASSERT_EQ(o.AnalogCount[0], 1);
  EXPECT_EQ(o.AnalogChanges[0][0].Value, 0.0);
  EXPECT_EQ(o.AnalogCount[1], 0);  // not chosen
  ASSERT_EQ(o.AnalogCount[2], 2);
  EXPECT_EQ(o.AnalogChanges[2][0].Value, 12.5);
  EXPECT_EQ(o.AnalogChanges[2][1].Value, 13.0);
  EXPECT_EQ(o.AnalogChanges[2][1].Delta, 0.5);
}

// Two objects with a load of 150 l on sensor 1 and a drain on sensor 3, one
// reading a minute.
void AddFuel(TRoutingHarness& h, int mobile) {
  for (int m = 0; m < 1440; ++m) {
    const std::string s1 = Litres(m < 600 ? 300 : 450), s3 = Litres(m < 900 ? 400 : 250);
    h.Input(mobile, 60.0 * m + 20, InputText("-----", s1, "      ", s3));
  }
}

TEST(InputRouting, FuelLoadsDrainsAndGraphSeriesPerObjectAndSensor) {
  TRoutingHarness h({1, 2});
  h.req.FuelSensors = {true, false, true};
  h.req.FuelThres = {99, 99, 99};
  h.req.MinLoad = 99;
  h.req.MinUnload = 99;
  h.req.FuelFilterDelta = 1;
  AddFuel(h, 1);
  AddFuel(h, 2);
  for (int run = 0; run < 2; ++run) {
    h.Run(kMaskFuel | kMaskLoad | kMaskGraph);
    EXPECT_TRUE(h.services.shown.empty());
    // The count starts afresh every run.
    EXPECT_EQ(h.output.seriesCount, 4);
    EXPECT_EQ(h.output.axisSize, 1440u);
  }
  for (const TObjReport& o : h.objects) {
    EXPECT_EQ(o.Fuel[0].LoadCount, 1);
    EXPECT_NEAR(o.Fuel[0].LoadVolume, 150, 3);
    EXPECT_EQ(o.Fuel[2].DrainCount, 1);
    EXPECT_NEAR(o.Fuel[2].DrainVolume, -150, 3);
    EXPECT_EQ(o.Fuel[1].EventCount, 0);
    EXPECT_NEAR(o.Fuel[0].StartLevel, 300, 0.01);
    EXPECT_NEAR(o.Fuel[2].EndLevel, 250, 0.01);
  }
  ASSERT_EQ(h.output.series.size(), 4u);
  EXPECT_EQ(h.output.series[0][0], 300.0f);  // object 1, sensor 1
  EXPECT_EQ(h.output.series[1][0], 400.0f);  // object 1, sensor 3
  EXPECT_EQ(h.output.series[3][1439], 250.0f);
}

TEST(InputRouting, FuelCloseWithoutMemoryStopsTheCalculation) {
  test::TFailingMemory memory;
  TRoutingHarness h({1, 2}, &memory);
  h.req.FuelSensors = {true, false, false};
  h.req.FuelThres = {99, 99, 99};
  h.req.MinLoad = 99;
  h.req.MinUnload = 99;
  h.req.FuelFilterDelta = 1;
  AddFuel(h, 1);
  AddFuel(h, 2);
  memory.FailWhen([](std::size_t bytes) { return bytes == sizeof(TFuelEvent); });  // the one load
  h.Run(kMaskFuel);
  EXPECT_EQ(h.services.Errors(), std::vector<std::string>{"Недостаточно памяти для формирования полного отчета"});
  EXPECT_EQ(h.Obj(0).Fuel[0].EventCount, 0);
  EXPECT_EQ(h.Obj(1).Fuel[0].LoadCount, 0);  // never computed
  EXPECT_EQ(memory.live, 0);
}

}  // namespace
}  // namespace vedograf
