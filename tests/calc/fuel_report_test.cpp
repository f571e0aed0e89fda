// Fuel: minute series, smoothing, loads and drains, graph store.

#include "calc/fuel_report.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "calc/fuel_filter.h"
#include "calc/input_fields.h"
#include "core/geodesy.h"
#include "support/calc_fixture.h"
#include "support/failing_memory.h"

namespace vedograf {
namespace {

using test::Fix;
using test::NorthDegrees;
using test::TCalcHarness;

// ---------------------------------------------------------------------------
// The filter against the recurrence written out here once more, forwards on a
// copy and backwards on a reversed copy.

std::vector<float> ReferenceForward(std::vector<float>& x) {
  const double b0 = 0.00554271721028, b1 = 0.01108543442056, b2 = 0.00554271721028;
  const double a1 = -1.77863177782458, a2 = 0.80080264666571;
  std::vector<float> y(x.size());
  for (std::size_t i = 0; i < x.size(); ++i) {
    if (x[i] <= 0 && i > 0) {
      x[i] = y[i] = y[i - 1];
      continue;
    }
    double v;
    if (i == 0) {
      v = x[0];
    } else if (i == 1) {
      v = b0 * x[1] + b1 * x[0] + b2 * x[0] - a1 * y[0] - a2 * y[0];
    } else {
      v = b0 * x[i] + b1 * x[i - 1] + b2 * x[i - 2] - a1 * y[i - 1] - a2 * y[i - 2];
    }
    y[i] = static_cast<float>(v);
  }
  return y;
}

// A small difference in the sum order of the start-up rule may move the last
// bit; everything else must agree exactly.
void ExpectClose(const std::vector<float>& got, const std::vector<float>& want) {
  ASSERT_EQ(got.size(), want.size());
  for (std::size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], want[i], std::fabs(want[i]) * 1e-6) << i;
}

std::vector<float> Series() {
  std::vector<float> x;
  for (int i = 0; i < 200; ++i) x.push_back(static_cast<float>(300 + 50 * std::sin(i / 7.0) + (i > 120 ? 80 : 0)));
  x[0] = -999;
  x[1] = -999;
  x[60] = -999;
  x[61] = 0;
  x[199] = -999;
  return x;
}

TEST(FuelFilter, ForwardPassFollowsTheRecurrenceAndFillsMissingLevels) {
  std::vector<float> x = Series(), y(x.size());
  std::vector<float> rx = x;
  rx[0] = rx[2];  // the first non-negative level
  const std::vector<float> ry = ReferenceForward(rx);
  FilterSamples(x.data(), y.data(), false, static_cast<int>(x.size()));
  ExpectClose(y, ry);
  ExpectClose(x, rx);  // the missing levels were replaced in the source too
  EXPECT_EQ(x[0], x[2]);
  EXPECT_EQ(x[61], y[60]);
}

TEST(FuelFilter, BackwardPassIsTheForwardPassOnTheReversedLevels) {
  std::vector<float> x = Series(), y(x.size());
  x[199] = 310;  // the backward pass has no replacement of its first level
  std::vector<float> rx(x.rbegin(), x.rend());
  std::vector<float> ry = ReferenceForward(rx);
  FilterSamples(x.data(), y.data(), true, static_cast<int>(x.size()));
  ExpectClose(y, std::vector<float>(ry.rbegin(), ry.rend()));
  ExpectClose(x, std::vector<float>(rx.rbegin(), rx.rend()));
}

TEST(FuelFilter, LagsForwardsAnticipatesBackwardsAndDampsShortSwings) {
  std::vector<float> step(400), fwd(400), bwd(400), wobble(400), out(400);
  for (int i = 0; i < 400; ++i) {
    step[i] = i < 200 ? 500.0f : 650.0f;
    wobble[i] = static_cast<float>(500 + 20 * (i % 2 ? 1 : -1));
  }
  FilterSamples(step.data(), fwd.data(), false, 400);
  FilterSamples(step.data(), bwd.data(), true, 400);
  EXPECT_LT(fwd[205], 560);
  EXPECT_GT(bwd[195], 590);
  EXPECT_NEAR(fwd[399], 650, 0.5);
  EXPECT_NEAR(bwd[0], 500, 0.5);
  FilterSamples(wobble.data(), out.data(), false, 400);
  for (int i = 300; i < 400; ++i) EXPECT_NEAR(out[i], 500, 0.2) << i;
}

TEST(FuelFilter, EmptyCountAndAllMissingLevelsStayInBounds) {
  FilterSamples(nullptr, nullptr, false, 0);
  std::vector<float> x{-999, -999, -999}, y(3, 7);
  FilterSamples(x.data(), y.data(), false, 3);
  EXPECT_EQ(x, (std::vector<float>{0, 0, 0}));
  EXPECT_EQ(y, (std::vector<float>{0, 0, 0}));
}

// ---------------------------------------------------------------------------
// The calculator.

// An input row text with `field` at the fuel position of sensor `index`.
std::string FuelText(int index, std::string_view field, bool lls = false) {
  std::string text = "Входы: 0 0 0 0 0 " + std::string(57, ' ');  // positions 17..73
  const std::size_t head = text.size() - 57;
  text.replace(head + FuelFieldPos(index, lls) - 17, 6, field);
  return text;
}

std::string Level(double litres) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%6.1f", litres);
  return buf;
}

struct TFuelRun {
  TCalcHarness h;
  int k;
  explicit TFuelRun(int index = 0, TRequestParams req = Request(), TMemory* memory = nullptr)
      : h(kMaskFuel, req, memory), k(index) {}
  static TRequestParams Request() {
    TRequestParams req;
    req.FuelSensors = {true, true, true};
    req.MinLoad = 7;
    req.MinUnload = 15;
    req.FuelFilterDelta = 1;
    req.FuelThres = {10, 10, 10};
    return req;
  }
  double Begin() const { return h.ctx.Current.Begin; }
  void Init(double minutes = 1440) {
    h.ctx.Current.End = h.ctx.Current.Begin + minutes * kMinuteToDays;
    InitFuelReport(h.ctx, h.obj, k);
  }
  void Read(double minute, std::string_view field, bool lls = false) {
    TRecord r;
    r.Time = Begin() + minute * kMinuteToDays;
    r.Text = FuelText(k, field, lls);
    FuelReportInStep(h.ctx, h.obj, k, r);
  }
  // One reading a minute from `from` to `to` (exclusive) at `litres`.
  void Hold(int from, int to, double litres) {
    for (int m = from; m < to; ++m) Read(m + 0.25, Level(litres));
  }
  int Close() { return CloseFuelReport(h.ctx, h.obj, k); }
  const TArray<float>& Raw() { return h.buffers.FuelSeries[k].Raw; }
  const TFuelSummary& Fuel() { return h.obj.Fuel[k]; }
  const TArray<float>& Graph(int n) { return h.buffers.Graph.Series[n]; }
};

TEST(FuelReport, MinuteSeriesAveragesBridgesShortGapsAndCarriesTheLastLevel) {
  TFuelRun run;
  run.Init();
  run.Read(5.1, "   100");
  run.Read(5.6, "102,00");
  run.Read(8.3, "   110");
  // Minute 5 was written when minute 8 began, with the minutes before it missing.
  for (int m = 0; m < 5; ++m) EXPECT_EQ(run.Raw()[m], kNoLevel) << m;
  EXPECT_EQ(run.Raw()[5], 101.0f);
  ASSERT_EQ(run.Close(), 0);
  // The graph has the levels after the forward pass filled the missing ones
  // with the first level.
  const auto& g = run.Graph(0);
  ASSERT_EQ(g.size(), 1440u);
  for (int m = 0; m <= 5; ++m) EXPECT_EQ(g[m], 101.0f) << m;
  EXPECT_EQ(g[6], 104.0f);
  EXPECT_EQ(g[7], 107.0f);
  for (int m = 8; m < 1440; ++m) ASSERT_EQ(g[m], 110.0f) << m;
}

TEST(FuelReport, GapsOfMoreThanThirtyMinutesAreMarkedMissing) {
  TFuelRun run;
  run.Init();
  run.Read(0.5, "   100");
  run.Read(40.5, "   200");
  run.Read(41.5, "   200");
  for (int m = 1; m < 40; ++m) EXPECT_EQ(run.Raw()[m], kNoLevel) << m;
  EXPECT_EQ(run.Raw()[40], 200.0f);

  TFuelRun bridged;
  bridged.Init();
  bridged.Read(0.5, "   100");
  bridged.Read(30.5, "   200");
  bridged.Read(31.5, "   200");
  EXPECT_FLOAT_EQ(bridged.Raw()[15], 150.0f);
  EXPECT_FLOAT_EQ(bridged.Raw()[29], 100.0f + 100.0f / 30 * 29);
}

TEST(FuelReport, WithoutAValidReadingEveryMinuteHoldsOne) {
  TFuelRun run;
  run.Init();
  run.Read(10, "     0");
  run.Read(20, "------");
  run.Read(30, "  -5.0");
  run.Read(40, "      ");
  ASSERT_EQ(run.Close(), 0);
  for (float v : run.Graph(0)) ASSERT_EQ(v, 1.0f);
  EXPECT_EQ(run.Fuel().StartLevel, 1.0f);
  EXPECT_EQ(run.Fuel().EndLevel, 1.0f);
  EXPECT_EQ(run.Fuel().EventCount, 0);
}

TEST(FuelReport, LlsSensorsAreReadFurtherOn) {
  for (bool lls : {false, true}) {
    TRequestParams req = TFuelRun::Request();
    req.UseLLS = lls;
    TFuelRun run(0, req);
    run.Init();
    TRecord r;
    r.Time = run.Begin() + 3 * kMinuteToDays;
    r.Text = FuelText(0, "   300");
    r.Text.replace(r.Text.size() - 18, 6, "   500");  // position 56
    FuelReportInStep(run.h.ctx, run.h.obj, 0, r);
    ASSERT_EQ(run.Close(), 0);
    EXPECT_EQ(run.Fuel().StartLevel, lls ? 500.0f : 300.0f);
  }
}

TEST(FuelReport, ReadingAtThePeriodEndHasNoMinute) {
  TFuelRun run;
  run.Init();
  run.Read(0.5, "   100");
  run.Read(1440, "   900");
  ASSERT_EQ(run.Close(), 0);
  EXPECT_EQ(run.Fuel().EndLevel, 100.0f);
  EXPECT_EQ(run.Graph(0)[1439], 100.0f);
}

TEST(FuelReport, FlatSeriesHasNoEvent) {
  TFuelRun run;
  run.Init();
  run.Hold(0, 1440, 300);
  ASSERT_EQ(run.Close(), 0);
  EXPECT_EQ(run.Fuel().EventCount, 0);
  EXPECT_EQ(run.Fuel().LoadCount, 0);
  EXPECT_EQ(run.Fuel().DrainCount, 0);
  EXPECT_EQ(run.Fuel().StartLevel, 300.0f);
  EXPECT_EQ(run.Fuel().EndLevel, 300.0f);
  EXPECT_TRUE(run.Fuel().Events.empty());
}

TRequestParams StepRequest(int thres) {
  TRequestParams req = TFuelRun::Request();
  req.MinLoad = 99;
  req.MinUnload = 99;
  req.FuelThres = {thres, thres, thres};
  return req;
}

TEST(FuelReport, StepOfAHundredAndFiftyLitresIsOneLoad) {
  TFuelRun run(1, StepRequest(99));
  run.Init();
  run.Hold(0, 700, 500);
  run.Hold(700, 1440, 650);
  ASSERT_EQ(run.Close(), 0);
  const TFuelSummary& f = run.Fuel();
  ASSERT_EQ(f.EventCount, 1);
  ASSERT_EQ(f.Events.size(), 1u);
  EXPECT_EQ(f.LoadCount, 1);
  EXPECT_EQ(f.DrainCount, 0);
  EXPECT_NEAR(f.Events[0].Volume, 150, 3);
  EXPECT_EQ(f.LoadVolume, f.Events[0].Volume);
  EXPECT_LE(f.Events[0].Begin, run.Begin() + 700 * kMinuteToDays);
  EXPECT_GE(f.Events[0].End, run.Begin() + 700 * kMinuteToDays);
  EXPECT_LT(f.Events[0].End - f.Events[0].Begin, 60 * kMinuteToDays);
  EXPECT_NEAR(f.StartLevel, 500, 0.01);
  EXPECT_NEAR(f.EndLevel, 650, 0.01);
}

// A step 20 minutes into the period: the backward smoothing alone would
// already show part of the new level at minute 0.
TEST(FuelReport, ChangeBelowTheThresholdIsNotKeptButTheEndsAreStillResmoothed) {
  TFuelRun run(0, StepRequest(200));
  run.Init();
  run.Hold(0, 20, 500);
  run.Hold(20, 1440, 650);
  ASSERT_EQ(run.Close(), 0);
  const TFuelSummary& f = run.Fuel();
  EXPECT_EQ(f.EventCount, 0);
  EXPECT_EQ(f.LoadCount, 0);
  EXPECT_EQ(f.LoadVolume, 0.0f);
  EXPECT_NEAR(f.StartLevel, 500, 0.01);
  EXPECT_NEAR(f.EndLevel, 650, 0.01);

  std::vector<float> raw(1440), bwd(1440);
  for (int m = 0; m < 1440; ++m) raw[m] = m < 20 ? 500.0f : 650.0f;
  FilterSamples(raw.data(), bwd.data(), true, 1440);
  EXPECT_GT(bwd[0], 502.0f);  // what the start level would be without it
}

TEST(FuelReport, DrainIsNegative) {
  TFuelRun run(2);
  run.Init();
  run.Hold(0, 600, 650);
  run.Hold(600, 1440, 500);
  ASSERT_EQ(run.Close(), 0);
  const TFuelSummary& f = run.Fuel();
  ASSERT_EQ(f.EventCount, 1);
  EXPECT_EQ(f.DrainCount, 1);
  EXPECT_EQ(f.LoadCount, 0);
  EXPECT_NEAR(f.Events[0].Volume, -150, 3);
  EXPECT_EQ(f.DrainVolume, f.Events[0].Volume);
  EXPECT_EQ(f.LoadVolume, 0.0f);
}

TEST(FuelReport, DistanceSumsEveryLaterNavigationRow) {
  TFuelRun run;
  run.Init();
  const double lat = 55.0, lon = 37.0;
  auto nav = [&](double seconds, double metres, bool fresh) {
    TRecord r = Fix(seconds, lat + NorthDegrees(metres), lon, 0.0, fresh ? "Свежее" : "Старое");
    return FuelReportNavStep(run.h.ctx, run.h.obj, 0, r);
  };
  nav(100, 0, true);
  nav(200, 1000, true);
  nav(200, 50000, true);  // not later: ignored
  nav(300, 2500, false);  // counts although stale
  ASSERT_EQ(run.Close(), 0);
  const double want = FixDistance(lat, lon, lat + NorthDegrees(1000), lon) +
                      FixDistance(lat + NorthDegrees(1000), lon, lat + NorthDegrees(2500), lon);
  EXPECT_EQ(run.Fuel().Distance, static_cast<float>(want));
}

TEST(FuelReport, MonthLongPeriodIsCutForTheGraphButSearchedWhole) {
  TFuelRun run;
  run.h.req.TimeBias = 3.0 / 24;
  run.Init(30 * 1440);
  run.Hold(0, 40000, 400);
  run.Hold(40000, 43200, 600);
  ASSERT_EQ(run.Close(), 0);
  const TGraphStore& g = run.h.buffers.Graph;
  ASSERT_EQ(g.GraphSeriesCount, 1);
  ASSERT_EQ(g.TimeAxis.size(), static_cast<std::size_t>(kMaxGraphMinutes));
  ASSERT_EQ(g.Series[0].size(), static_cast<std::size_t>(kMaxGraphMinutes));
  EXPECT_EQ(g.TimeAxis[0], run.Begin() + 3.0 / 24);
  EXPECT_EQ(g.TimeAxis[31678], run.Begin() + 31678 * kMinuteToDays + 3.0 / 24);
  ASSERT_EQ(run.Fuel().LoadCount, 1);
  EXPECT_GT(run.Fuel().Events[0].End, run.Begin() + 39900 * kMinuteToDays);
  EXPECT_NEAR(run.Fuel().EndLevel, 600, 0.01);
}

TEST(FuelReport, GraphKeepsTheFirst255SeriesAndTheFirstTimeAxis) {
  TFuelRun run;
  const double firstBegin = run.Begin();
  for (int obj = 0; obj < 256; ++obj) {
    run.h.ctx.Current.Begin = firstBegin + obj;  // another period per object
    run.h.obj.Number = 1000 + obj;
    run.Init(10);
    run.Hold(0, 10, 100 + obj);
    ASSERT_EQ(run.Close(), 0);
  }
  const TGraphStore& g = run.h.buffers.Graph;
  EXPECT_EQ(g.GraphSeriesCount, kMaxGraphSeries);
  EXPECT_EQ(g.Series[254][0], 354.0f);
  // Each series knows its object, whichever workbook draws it.
  EXPECT_EQ(g.Owner[0], 1000);
  EXPECT_EQ(g.Owner[254], 1254);
  ASSERT_EQ(g.TimeAxis.size(), 10u);
  EXPECT_EQ(g.TimeAxis[0], firstBegin);
}

TEST(FuelReport, PeriodShorterThanHalfAMinuteHasNoLevels) {
  TFuelRun run;
  run.Init(20.0 / 60);
  run.Read(0.1, "   300");
  TRecord a = Fix(1, 55, 37), b = Fix(5, 55.001, 37);
  FuelReportNavStep(run.h.ctx, run.h.obj, 0, a);
  FuelReportNavStep(run.h.ctx, run.h.obj, 0, b);
  ASSERT_EQ(run.Close(), 0);
  EXPECT_EQ(run.Fuel().StartLevel, 0.0f);
  EXPECT_EQ(run.Fuel().EndLevel, 0.0f);
  EXPECT_EQ(run.Fuel().EventCount, 0);
  EXPECT_GT(run.Fuel().Distance, 100.0f);
  // The empty series keeps its place so later ones stay with their objects.
  EXPECT_EQ(run.h.buffers.Graph.GraphSeriesCount, 1);
  EXPECT_TRUE(run.h.buffers.Graph.Series[0].empty());
  EXPECT_TRUE(run.h.buffers.Graph.TimeAxis.empty());
}

TEST(FuelReport, MinuteArraysGrowOnlyWhenAPeriodNeedsMore) {
  test::TFailingMemory memory;
  TFuelRun run(0, TFuelRun::Request(), &memory);
  run.Init(1440);
  run.Close();
  const int calls = memory.calls;
  run.Init(600);
  EXPECT_EQ(memory.calls, calls);
  EXPECT_EQ(run.h.buffers.FuelSeries[0].Capacity, 1440);
  run.Close();
  run.Init(2000);
  EXPECT_EQ(run.h.buffers.FuelSeries[0].Capacity, 2000);
  EXPECT_EQ(run.h.buffers.FuelSeries[0].Raw.size(), 2000u);
  EXPECT_EQ(run.h.buffers.FuelSeries[0].Backward.size(), 2000u);
}

TEST(FuelReport, MinuteArraysThatCannotBeHadMakeCloseReportTheLackOfMemory) {
  test::TFailingMemory memory;
  TFuelRun run(0, TFuelRun::Request(), &memory);
  memory.FailWhen([](std::size_t bytes) { return bytes == 1440 * sizeof(float); });
  run.Init(1440);
  run.Hold(0, 100, 300);
  EXPECT_EQ(run.Close(), 1);
  EXPECT_EQ(run.Fuel().StartLevel, 0.0f);
  EXPECT_EQ(run.Fuel().EventCount, 0);
  EXPECT_TRUE(run.Fuel().Events.empty());
  // The next object tries again.
  memory.FailWhen(nullptr);
  run.Init(1440);
  run.Hold(0, 100, 300);
  EXPECT_EQ(run.Close(), 0);
  EXPECT_EQ(run.Fuel().EndLevel, 300.0f);
}

TEST(FuelReport, FailedEventCopyLeavesAnEmptyList) {
  test::TFailingMemory memory;
  TFuelRun run(0, StepRequest(99), &memory);
  run.Init();
  run.Hold(0, 700, 500);
  run.Hold(700, 1440, 650);
  memory.FailWhen([](std::size_t bytes) { return bytes == sizeof(TFuelEvent); });
  EXPECT_EQ(run.Close(), 1);
  EXPECT_EQ(run.Fuel().EventCount, 0);
  EXPECT_TRUE(run.Fuel().Events.empty());
  EXPECT_NEAR(run.Fuel().EndLevel, 650, 0.01);
}

// More loads and drains than the buffer holds: square waves of 150 l.
TEST(FuelReport, EventLimitKeepsTheFirstTenThousandConsistently) {
  constexpr int kHalf = 120;  // minutes at each level
  constexpr int kEdges = kEventLimit + 50;
  TFuelRun run(0, StepRequest(99));
  run.Init(static_cast<double>(kHalf) * (kEdges + 1));
  const int n = run.h.ctx.Fuel[0].MinuteCountN;
  for (int m = 0; m < n; ++m) AddValue(run.h.ctx, 0, m, (m / kHalf) % 2 ? 650.0 : 500.0);
  EXPECT_EQ(ProcessSamples(run.h.ctx, run.h.obj, 0), 1);
  const TFuelSummary& f = run.Fuel();
  EXPECT_EQ(f.EventCount, kEventLimit);
  EXPECT_EQ(f.Events.size(), static_cast<std::size_t>(kEventLimit));
  EXPECT_EQ(f.LoadCount + f.DrainCount, kEventLimit);
  EXPECT_EQ(f.LoadCount, kEventLimit / 2);
  EXPECT_GT(f.Events[0].Volume, 0.0f);
  EXPECT_LT(f.Events[1].Volume, 0.0f);
  // The levels are still written; the period ends on its 10051st level, 500 l.
  EXPECT_NEAR(f.StartLevel, 500, 0.01);
  EXPECT_NEAR(f.EndLevel, 500, 0.01);
}

}  // namespace
}  // namespace vedograf
