// Activity of the discrete inputs.

#include "calc/sensor_report.h"

#include <gtest/gtest.h>

#include <string>

#include "areas/control_point.h"
#include "core/geodesy.h"
#include "support/calc_fixture.h"
#include "support/failing_memory.h"

namespace vedograf {
namespace {

using test::Fix;
using test::NorthDegrees;
using test::TCalcHarness;

double At(double seconds) { return Fix(seconds, 1.0, 1.0).Time; }

// "Входы:" followed by the five state characters, blank-separated.
std::string States(std::string_view s) {
  std::string text = "Входы:";
  for (char c : s) (text += ' ') += c;
  return text + "   0.00   0.00   0.00";
}

TRecord Input(double seconds, int recNo, std::string text) {
  TRecord r;
  r.Time = At(seconds);
  r.RecNo = recNo;
  r.Text = std::move(text);
  return r;
}

TRecord Nav(double seconds, int recNo, double lat, double lon, bool fresh = true) {
  TRecord r = Fix(seconds, lat, lon, 0.0, fresh ? "Свежее 3D" : "Старое 3D");
  r.RecNo = recNo;
  return r;
}

constexpr double kLat = 55.0, kLon = 37.0;

// One input under test; the other four read '-' in every row.
struct TSensorRun {
  TCalcHarness h;
  int i;
  TSensorRun(int index, int state, double minSeconds = 0, TMemory* memory = nullptr)
      : h(kMaskSensors, Request(index, state, minSeconds), memory), i(index) {
    InitSensorReport(h.ctx, h.obj, i);
  }
  static TRequestParams Request(int index, int state, double minSeconds) {
    TRequestParams req;
    req.SensorStates[index] = state;
    req.MinSensorTime = minSeconds * kSecondToDays;
    return req;
  }
  int In(double seconds, int recNo, char c) {
    std::string s = "-----";
    s[i] = c;
    return SensorReportInStep(h.ctx, h.obj, i, Input(seconds, recNo, States(s)));
  }
  int InText(double seconds, int recNo, std::string text) {
    return SensorReportInStep(h.ctx, h.obj, i, Input(seconds, recNo, std::move(text)));
  }
  int At_(double seconds, int recNo, double lat, bool fresh = true) {
    return SensorReportNavStep(h.ctx, h.obj, i, Nav(seconds, recNo, lat, kLon, fresh));
  }
  int Close() { return CloseSensorReport(h.ctx, h.obj, i); }
  const TInputActivity& Open() { return h.buffers.Inputs[i][h.obj.InputCount[i]]; }
  const TInputActivity& Kept(int n) { return h.obj.InputActivity[i][n]; }
};

TEST(SensorReport, ActiveStateFollowsTheChosenSetting) {
  for (int state : {1, 2}) {
    TSensorRun run(2, state);
    run.In(100, 1, '1');
    run.In(200, 2, '0');
    run.In(500, 3, '1');
    ASSERT_EQ(run.Close(), 0);
    // State 1: 100-200 and 500 to the end; state 2: 200-500.
    ASSERT_EQ(run.h.obj.InputCount[2], state == 1 ? 2 : 1) << state;
    // State 1 is active while closed ('1'), state 2 while open ('0').
    const double begin = state == 1 ? At(100) : At(200);
    const double end = state == 1 ? At(200) : At(500);
    EXPECT_EQ(run.Kept(0).Begin, begin);
    EXPECT_EQ(run.Kept(0).End, end);
    const double open = state == 1 ? run.h.ctx.Current.End - At(500) : 0.0;
    EXPECT_NEAR(run.h.obj.InputActiveTime[2], end - begin + open, 1e-12);
  }
}

TEST(SensorReport, RowsWithoutAReadableStateChangeNothing) {
  TSensorRun run(0, 1);
  run.In(100, 1, '1');
  run.InText(150, 2, "Нет данных");
  run.In(200, 3, 'x');
  run.InText(250, 4, "Входы: ж");
  run.In(300, 5, '0');
  ASSERT_EQ(run.Close(), 0);
  ASSERT_EQ(run.h.obj.InputCount[0], 1);
  EXPECT_EQ(run.Kept(0).Begin, At(100));
  EXPECT_EQ(run.Kept(0).End, At(300));
}

struct TAreas {
  TAreas() {
    // After Arrange the smaller area is index 0.
    TControlPoint* small = list.AddPoint(kLat + NorthDegrees(5000), kLon, "Склад");
    small->Radius = 200;
    small->Selected = true;
    TControlPoint* big = list.AddPoint(kLat, kLon, "Депо");
    big->Radius = 1000;
    big->Selected = true;
    list.Arrange();
  }
  TControlPointList list;
};

TEST(SensorReport, AdjacentInputRowTakesTheAreaOfItsFixAtOnce) {
  TAreas areas;
  TSensorRun run(1, 1);
  run.h.UseAreas(areas.list);
  run.At_(100, 10, kLat);
  run.In(100, 11, '1');
  EXPECT_EQ(run.Open().Area, 1);
  run.At_(200, 12, kLat + NorthDegrees(5000));  // a later area does not replace it
  run.In(300, 13, '0');
  ASSERT_EQ(run.Close(), 0);
  ASSERT_EQ(run.h.obj.InputCount[1], 1);
  EXPECT_EQ(run.Kept(0).Area, 1);
}

TEST(SensorReport, NonAdjacentInputRowWaitsForAFreshFixInAnArea) {
  TAreas areas;
  TSensorRun run(1, 1);
  run.h.UseAreas(areas.list);
  run.At_(100, 10, kLat);
  run.In(101, 11, '1');  // consecutive numbers but another time: not adjacent
  EXPECT_EQ(run.Open().Area, kAreaUnknown);
  run.At_(200, 12, kLat, /*fresh=*/false);  // a stale fix says nothing
  EXPECT_EQ(run.Open().Area, kAreaUnknown);
  run.At_(300, 13, kLat + NorthDegrees(2500));  // fresh, but in no area
  EXPECT_EQ(run.Open().Area, kNoArea);
  run.At_(400, 14, kLat + NorthDegrees(5000));  // the first area found during the activity
  EXPECT_EQ(run.Open().Area, 0);
  run.At_(500, 15, kLat);  // found already: kept
  run.In(600, 16, '0');
  ASSERT_EQ(run.Close(), 0);
  EXPECT_EQ(run.Kept(0).Area, 0);
}

TEST(SensorReport, WithoutAnyUsableFixTheActivityHasNoAreaAndNoDistance) {
  TSensorRun run(3, 1);
  run.In(100, 1, '1');
  run.At_(200, 2, kLat, false);
  run.At_(300, 3, kLat + NorthDegrees(1000), false);
  run.In(400, 4, '0');
  run.At_(500, 5, kLat + NorthDegrees(2000), false);
  ASSERT_EQ(run.Close(), 0);
  ASSERT_EQ(run.h.obj.InputCount[3], 1);
  EXPECT_EQ(run.Kept(0).Area, kAreaUnknown);
  EXPECT_EQ(run.Kept(0).Distance, 0);
}

double D(double m1, double m2) {
  return FixDistance(kLat + NorthDegrees(m1), kLon, kLat + NorthDegrees(m2), kLon);
}

TEST(SensorReport, DistanceRunsBetweenTheFixesOfTheAdjacentRows) {
  TSensorRun run(0, 1);
  run.At_(100, 1, kLat);
  run.In(100, 2, '1');
  run.At_(200, 3, kLat + NorthDegrees(1000));
  run.At_(300, 4, kLat + NorthDegrees(2000));
  run.In(300, 5, '0');
  run.At_(400, 6, kLat + NorthDegrees(3000));  // after the end: not counted
  ASSERT_EQ(run.Close(), 0);
  ASSERT_EQ(run.h.obj.InputCount[0], 1);
  EXPECT_EQ(run.Kept(0).Distance, static_cast<int>(D(0, 1000) + D(1000, 2000)));
}

TEST(SensorReport, DistanceOfANonAdjacentActivityRunsFromTheFixAfterItsStartToTheFixAfterItsEnd) {
  TSensorRun run(0, 1);
  run.At_(100, 1, kLat);
  run.In(150, 2, '1');
  run.At_(200, 3, kLat + NorthDegrees(1000));
  run.At_(300, 4, kLat + NorthDegrees(2500));
  run.In(350, 5, '0');
  run.At_(400, 6, kLat + NorthDegrees(4500));
  run.At_(500, 7, kLat + NorthDegrees(9000));
  ASSERT_EQ(run.Close(), 0);
  EXPECT_EQ(run.Kept(0).Distance, static_cast<int>(D(1000, 2500) + D(2500, 4500)));
}

TEST(SensorReport, ShortActivityIsDroppedWithoutTouchingThePreviousDistance) {
  TSensorRun run(0, 1, /*minSeconds=*/30);
  run.At_(100, 1, kLat);
  run.In(100, 2, '1');
  run.At_(200, 3, kLat + NorthDegrees(1000));
  run.In(200, 4, '0');
  run.At_(300, 5, kLat + NorthDegrees(2000));
  const int first = static_cast<int>(D(0, 1000));
  run.At_(400, 6, kLat + NorthDegrees(3000));
  run.In(400, 7, '1');
  run.At_(429, 8, kLat + NorthDegrees(8000));
  run.In(429, 9, '0');  // 29 s
  run.At_(500, 10, kLat + NorthDegrees(9000));
  run.In(600, 11, '1');
  run.In(631, 12, '0');  // 31 s: kept
  run.At_(700, 13, kLat + NorthDegrees(9500));
  ASSERT_EQ(run.Close(), 0);
  ASSERT_EQ(run.h.obj.InputCount[0], 2);
  EXPECT_EQ(run.Kept(0).Distance, first);
  EXPECT_EQ(run.Kept(1).Begin, At(600));
  // It began and ended between two fixes: the settling at the next fix first
  // restarts the count, then writes it.
  EXPECT_EQ(run.Kept(1).Distance, 0);
  EXPECT_NEAR(run.h.obj.InputActiveTime[0], (100 + 31) * kSecondToDays, 1e-9);
}

TEST(SensorReport, ActivityOpenAtTheEndClosesAtThePeriodEndWhateverItsLength) {
  TSensorRun run(4, 2, /*minSeconds=*/86400);
  run.At_(100, 1, kLat);
  run.In(100, 2, '0');
  run.At_(200, 3, kLat + NorthDegrees(1000));
  ASSERT_EQ(run.Close(), 0);
  ASSERT_EQ(run.h.obj.InputCount[4], 1);
  EXPECT_EQ(run.Kept(0).Begin, At(100));
  EXPECT_EQ(run.Kept(0).End, run.h.ctx.Current.End);
  EXPECT_EQ(run.Kept(0).Distance, 0);
  EXPECT_NEAR(run.h.obj.InputActiveTime[4], run.h.ctx.Current.End - At(100), 1e-12);
}

// Fills the buffer with 9999 one-second activities and starts the last one at
// a fix; its end at the next input row fills the buffer.
void FillToTheLimit(TSensorRun& run) {
  int rec = 1;
  for (int k = 0; k < kEventLimit - 1; ++k) {
    ASSERT_EQ(run.In(2 * k, rec++, '1'), 0);
    ASSERT_EQ(run.In(2 * k + 1, rec++, '0'), 0);
  }
  run.At_(30000, rec++, kLat);
  run.In(30000, rec++, '1');
  run.At_(30100, rec++, kLat + NorthDegrees(1000));
  ASSERT_EQ(run.In(30200, rec++, '0'), 0);
  ASSERT_EQ(run.h.obj.InputCount[run.i], kEventLimit);
}

TEST(SensorReport, FullBufferLetsOneMoreNavigationRowThrough) {
  TSensorRun run(0, 1);
  FillToTheLimit(run);
  // The extra row still gives the last activity its distance.
  EXPECT_EQ(run.At_(30300, 30000, kLat + NorthDegrees(2000)), 0);
  EXPECT_EQ(run.In(30400, 30001, '1'), 1);
  EXPECT_EQ(run.At_(30500, 30002, kLat), 1);
  ASSERT_EQ(run.Close(), 0);
  ASSERT_EQ(run.h.obj.InputCount[0], kEventLimit);
  EXPECT_EQ(run.Kept(kEventLimit - 1).Distance, static_cast<int>(D(0, 1000) + D(1000, 2000)));
}

TEST(SensorReport, FullBufferLetsOneMoreInputRowThroughUnread) {
  TSensorRun run(0, 1);
  FillToTheLimit(run);
  EXPECT_EQ(run.In(30300, 30000, '1'), 0);  // passed, but starts nothing
  EXPECT_EQ(run.In(30400, 30001, '1'), 1);
  EXPECT_EQ(run.At_(30500, 30002, kLat), 1);
  ASSERT_EQ(run.Close(), 0);
  EXPECT_EQ(run.h.obj.InputCount[0], kEventLimit);
}

TEST(SensorReport, FailedCopyLeavesNoActivities) {
  test::TFailingMemory memory;
  TSensorRun run(0, 1, 0, &memory);
  run.In(100, 1, '1');
  run.In(200, 2, '0');
  memory.FailWhen([](std::size_t) { return true; });
  EXPECT_EQ(run.Close(), 1);
  EXPECT_EQ(run.h.obj.InputCount[0], 0);
  EXPECT_TRUE(run.h.obj.InputActivity[0].empty());
}

TEST(SensorReport, FiveInputsKeepTheirOwnStateAndTotals) {
  TRequestParams req;
  req.SensorStates = {1, 2, 1, 2, 1};
  TCalcHarness h(kMaskSensors, req);
  for (int i = 0; i < 5; ++i) InitSensorReport(h.ctx, h.obj, i);
  const char* rows[] = {"10000", "11111", "00000", "10101"};
  for (int r = 0; r < 4; ++r) {
    for (int i = 0; i < 5; ++i) SensorReportInStep(h.ctx, h.obj, i, Input(100 * (r + 1), r + 1, States(rows[r])));
  }
  for (int i = 0; i < 5; ++i) ASSERT_EQ(CloseSensorReport(h.ctx, h.obj, i), 0);
  // IN1 closed 100-300 then 400-end; IN2 open 100-200 and 300-end; IN3 closed
  // 200-300 and 400-end; IN4 open 100-200, 300-end; IN5 closed 200-300, 400-end.
  EXPECT_EQ(h.obj.InputCount[0], 2);
  EXPECT_EQ(h.obj.InputCount[1], 2);
  EXPECT_EQ(h.obj.InputCount[2], 2);
  EXPECT_EQ(h.obj.InputCount[3], 2);
  EXPECT_EQ(h.obj.InputCount[4], 2);
  EXPECT_EQ(h.obj.InputActivity[0][0].End, At(300));
  EXPECT_EQ(h.obj.InputActivity[1][0].End, At(200));
  EXPECT_EQ(h.obj.InputActivity[1][1].Begin, At(300));
  EXPECT_EQ(h.obj.InputActivity[3][1].End, h.ctx.Current.End);
  EXPECT_NEAR(h.obj.InputActiveTime[0], 200 * kSecondToDays + (h.ctx.Current.End - At(400)), 1e-9);
}

}  // namespace
}  // namespace vedograf
