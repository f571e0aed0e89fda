#include "calc/stop_report.h"

#include <gtest/gtest.h>

#include <vector>

#include "areas/control_point.h"
#include "support/calc_fixture.h"

namespace vedograf {
namespace {

using test::Fix;
using test::NorthDegrees;
using test::TCalcHarness;

constexpr double kLat0 = 55.0;
constexpr double kLon0 = 37.0;

// A fix `seconds` into the day, `north` metres up the meridian from the origin.
TRecord At(double seconds, double north) { return Fix(seconds, kLat0 + NorthDegrees(north), kLon0); }
double Time(double seconds) { return At(seconds, 0).Time; }
double Mpd(double metres, double seconds) { return metres / (seconds * kSecondToDays); }

TRequestParams StopRequest(double minStopSeconds) {
  TRequestParams req;
  req.MaxSpeed = 3 * kKmhToMpd;  // 72000 m/day
  req.MinStopTime = minStopSeconds * kSecondToDays;
  return req;
}

void RunStops(TCalcHarness& h, const std::vector<TRecord>& fixes) {
  ASSERT_EQ(InitStopReport(h.ctx, h.obj), 0);
  for (const TRecord& f : fixes) ASSERT_EQ(StopReportStep(h.ctx, h.obj, f), 0);
  ASSERT_EQ(CloseStopReport(h.ctx, h.obj), 0);
  ASSERT_EQ(h.obj.Stops.size(), static_cast<std::size_t>(h.obj.StopCount));
}

void ExpectMpd(double actual, double expected) { EXPECT_NEAR(actual, expected, expected * 1e-6); }

TEST(StopReport, NeverSlowGivesOneClosingMovement) {
  TCalcHarness h(kMaskStops, StopRequest(60));
  RunStops(h, {At(0, 0), At(12, 100), At(24, 300), At(36, 450)});
  ASSERT_EQ(h.obj.StopCount, 1);
  const TStopRecord& r = h.obj.Stops[0];
  EXPECT_EQ(r.Begin, 0.0);
  EXPECT_NEAR(r.MoveDistance, 450, 1e-6);
  EXPECT_NEAR(r.MoveTime, Time(36) - Time(0), 1e-12);
  ExpectMpd(r.MoveSpeedMin, Mpd(100, 12));
  ExpectMpd(r.MoveSpeedMax, Mpd(200, 12));
  ExpectMpd(r.MoveSpeedMean, Mpd(450, 36));
}

TEST(StopReport, ObjectWithoutFixesGetsZeroClosingRecord) {
  TCalcHarness h(kMaskStops, StopRequest(60));
  RunStops(h, {});
  ASSERT_EQ(h.obj.StopCount, 1);
  const TStopRecord& r = h.obj.Stops[0];
  EXPECT_EQ(r.Begin, 0.0);
  EXPECT_EQ(r.MoveDistance, 0.0);
  EXPECT_EQ(r.MoveTime, 0.0);
  EXPECT_EQ(r.MoveSpeedMin, 0.0);
  EXPECT_EQ(r.MoveSpeedMean, 0.0);
  EXPECT_EQ(r.MoveSpeedMax, 0.0);
}

TEST(StopReport, StopShorterThanMinimumCountsIntoMovement) {
  TCalcHarness h(kMaskStops, StopRequest(60));
  // Standing from 24 s to 83 s: 59 s.
  RunStops(h, {At(0, 0), At(12, 100), At(24, 200), At(83, 200), At(95, 300), At(107, 400)});
  ASSERT_EQ(h.obj.StopCount, 1);
  const TStopRecord& r = h.obj.Stops[0];
  EXPECT_EQ(r.Begin, 0.0);
  EXPECT_NEAR(r.MoveDistance, 400, 1e-6);
  EXPECT_NEAR(r.MoveTime, Time(107) - Time(0), 1e-12);
  // The standing window belongs to the movement.
  EXPECT_EQ(r.MoveSpeedMin, 0.0);
  ExpectMpd(r.MoveSpeedMax, Mpd(100, 12));
  ExpectMpd(r.MoveSpeedMean, Mpd(400, 107));
}

TEST(StopReport, StopOfMinimumLengthIsReportedWithItsMovement) {
  TCalcHarness h(kMaskStops, StopRequest(60));
  // Standing from 24 s to 85 s, then 72 s of movement.
  RunStops(h, {At(0, 0), At(12, 100), At(24, 200), At(85, 200), At(97, 300), At(109, 400), At(121, 500), At(133, 600),
          At(145, 700), At(157, 800)});
  ASSERT_EQ(h.obj.StopCount, 2);
  const TStopRecord& stop = h.obj.Stops[0];
  EXPECT_EQ(stop.Area, kNoArea);
  EXPECT_EQ(stop.Begin, Time(24));
  EXPECT_EQ(stop.End, Time(85));
  EXPECT_NEAR(stop.EndOdometer, 200, 1e-6);
  EXPECT_NEAR(stop.MoveDistance, 200, 1e-6);
  EXPECT_NEAR(stop.MoveTime, Time(24) - Time(0), 1e-12);
  ExpectMpd(stop.MoveSpeedMin, Mpd(100, 12));
  ExpectMpd(stop.MoveSpeedMax, Mpd(100, 12));
  ExpectMpd(stop.MoveSpeedMean, Mpd(200, 24));

  const TStopRecord& last = h.obj.Stops[1];
  EXPECT_EQ(last.Begin, 0.0);
  EXPECT_NEAR(last.MoveDistance, 600, 1e-6);
  EXPECT_NEAR(last.MoveTime, Time(157) - Time(85), 1e-12);
  // The statistics restarted when the stop ended: no zero window from it.
  ExpectMpd(last.MoveSpeedMin, Mpd(100, 12));
  ExpectMpd(last.MoveSpeedMax, Mpd(100, 12));
}

// Two 70 s stops at 100 m and 500 m with 40 s of movement between them, then
// 80 s of movement to the end.
std::vector<TRecord> TwoStopsTrack() {
  return {At(0, 0),     At(12, 100),  At(47, 100),  At(82, 100),   At(102, 300),  At(122, 500),
          At(157, 500), At(192, 500), At(212, 700), At(232, 900), At(252, 1100), At(272, 1300)};
}

TEST(StopReport, StopsSeparatedByShortMovementMerge) {
  TCalcHarness h(kMaskStops, StopRequest(60));
  RunStops(h, TwoStopsTrack());
  ASSERT_EQ(h.obj.StopCount, 2);
  const TStopRecord& stop = h.obj.Stops[0];
  EXPECT_EQ(stop.Begin, Time(12));
  EXPECT_EQ(stop.End, Time(192));
  EXPECT_NEAR(stop.EndOdometer, 500, 1e-6);
  EXPECT_NEAR(stop.MoveDistance, 100, 1e-6);
  EXPECT_NEAR(stop.MoveTime, Time(12) - Time(0), 1e-12);

  const TStopRecord& last = h.obj.Stops[1];
  EXPECT_EQ(last.Begin, 0.0);
  EXPECT_NEAR(last.MoveDistance, 800, 1e-6);
  EXPECT_NEAR(last.MoveTime, Time(272) - Time(192), 1e-12);
  ExpectMpd(last.MoveSpeedMin, Mpd(200, 20));
  ExpectMpd(last.MoveSpeedMax, Mpd(200, 20));
  ExpectMpd(last.MoveSpeedMean, Mpd(800, 80));
}

TEST(StopReport, WithoutFilterEverySlowStretchIsAStop) {
  TCalcHarness h(kMaskStops, StopRequest(0));
  RunStops(h, TwoStopsTrack());
  ASSERT_EQ(h.obj.StopCount, 3);
  EXPECT_EQ(h.obj.Stops[0].Begin, Time(12));
  EXPECT_EQ(h.obj.Stops[0].End, Time(82));
  EXPECT_NEAR(h.obj.Stops[0].EndOdometer, 100, 1e-6);

  const TStopRecord& second = h.obj.Stops[1];
  EXPECT_EQ(second.Begin, Time(122));
  EXPECT_EQ(second.End, Time(192));
  EXPECT_NEAR(second.EndOdometer, 500, 1e-6);
  EXPECT_NEAR(second.MoveDistance, 400, 1e-6);
  EXPECT_NEAR(second.MoveTime, Time(122) - Time(82), 1e-12);
  ExpectMpd(second.MoveSpeedMin, Mpd(200, 20));
  ExpectMpd(second.MoveSpeedMax, Mpd(200, 20));
  ExpectMpd(second.MoveSpeedMean, Mpd(400, 40));

  EXPECT_EQ(h.obj.Stops[2].Begin, 0.0);
  EXPECT_NEAR(h.obj.Stops[2].MoveDistance, 800, 1e-6);
}

TEST(StopReport, StopOpenAtLastFixEndsThere) {
  TCalcHarness h(kMaskStops, StopRequest(60));
  RunStops(h, {At(0, 0), At(12, 100), At(42, 100), At(73, 100)});
  ASSERT_EQ(h.obj.StopCount, 1);
  EXPECT_EQ(h.obj.Stops[0].Begin, Time(12));
  EXPECT_EQ(h.obj.Stops[0].End, Time(73));
  EXPECT_NEAR(h.obj.Stops[0].EndOdometer, 100, 1e-6);
}

TEST(StopReport, FinalStopTooShortGivesClosingMovement) {
  TCalcHarness h(kMaskStops, StopRequest(60));
  RunStops(h, {At(0, 0), At(12, 100), At(42, 100), At(71, 100)});
  ASSERT_EQ(h.obj.StopCount, 1);
  EXPECT_EQ(h.obj.Stops[0].Begin, 0.0);
  EXPECT_NEAR(h.obj.Stops[0].MoveDistance, 100, 1e-6);
  EXPECT_NEAR(h.obj.Stops[0].MoveTime, Time(71) - Time(0), 1e-12);
}

TEST(StopReport, ShortFinalMovementExtendsLastStop) {
  TCalcHarness h(kMaskStops, StopRequest(60));
  RunStops(h, {At(0, 0), At(12, 100), At(51, 100), At(90, 100), At(102, 200), At(114, 300)});
  ASSERT_EQ(h.obj.StopCount, 1);
  EXPECT_EQ(h.obj.Stops[0].Begin, Time(12));
  EXPECT_EQ(h.obj.Stops[0].End, Time(114));
  EXPECT_NEAR(h.obj.Stops[0].EndOdometer, 300, 1e-6);
}

TEST(StopReport, WindowSpeedAtEverySecondStep) {
  TCalcHarness h(kMaskStops, StopRequest(60));
  // Steps of 30, 70 | 120, 80 | 90, 60 | 200 m; a window closes after each pair.
  const double s = 5.0001;
  RunStops(h, {At(0, 0), At(s, 30), At(2 * s, 100), At(3 * s, 220), At(4 * s, 300), At(5 * s, 390), At(6 * s, 450),
          At(7 * s, 650)});
  ASSERT_EQ(h.obj.StopCount, 1);
  const TStopRecord& r = h.obj.Stops[0];
  ExpectMpd(r.MoveSpeedMin, Mpd(100, 2 * s));
  ExpectMpd(r.MoveSpeedMax, Mpd(200, 2 * s));  // the unfinished last window does not count
  ExpectMpd(r.MoveSpeedMean, Mpd(650, 7 * s));
}

TEST(StopReport, FixesNotLaterThanPreviousAreIgnored) {
  TCalcHarness h(kMaskStops, StopRequest(60));
  // The repeated 12 s fix would otherwise be a jump of 5 km.
  RunStops(h, {At(0, 0), At(12, 100), At(12, 5100), At(24, 200)});
  ASSERT_EQ(h.obj.StopCount, 1);
  EXPECT_NEAR(h.obj.Stops[0].MoveDistance, 200, 1e-6);
}

TEST(StopReport, AreaIsWhereTheStopBegins) {
  TControlPointList areas;
  TControlPoint* depot = areas.AddPoint(kLat0 + NorthDegrees(100), kLon0, "Стоянка");
  depot->Radius = 20;
  depot->Selected = true;
  TControlPoint* far = areas.AddPoint(kLat0 + 1, kLon0, "Склад");
  far->Radius = 10;
  far->Selected = true;
  areas.Arrange();  // "Склад" is smaller: index 0

  TCalcHarness h(kMaskStops, StopRequest(60));
  h.UseAreas(areas);
  // The first stop creeps from 100 m to 150 m, out of the 20 m area; the
  // second is outside every area.
  std::vector<TRecord> fixes = {At(0, 0), At(12, 100), At(82, 150)};
  double t = 82, north = 150;
  for (int i = 0; i < 6; ++i) fixes.push_back(At(t += 12, north += 1000));  // 72 s of movement
  fixes.push_back(At(t += 70, north));
  for (int i = 0; i < 6; ++i) fixes.push_back(At(t += 12, north += 1000));
  RunStops(h, fixes);
  ASSERT_EQ(h.obj.StopCount, 3);
  ASSERT_GE(h.obj.Stops[0].Area, 0);
  EXPECT_EQ(areas.Items(h.obj.Stops[0].Area)->Name, "Стоянка");
  EXPECT_NEAR(h.obj.Stops[0].EndOdometer, 150, 1e-6);
  EXPECT_EQ(h.obj.Stops[1].Area, kNoArea);
}

// One 10 s standing step and one 10 s moving step per stop: with the filter
// off, every pair adds a stop.
void AddStops(TCalcHarness& h, int count, double& t, double& north) {
  for (int i = 0; i < count; ++i) {
    t += 10;
    ASSERT_EQ(StopReportStep(h.ctx, h.obj, At(t, north)), 0);
    t += 10;
    north += 100;
    ASSERT_EQ(StopReportStep(h.ctx, h.obj, At(t, north)), 0);
  }
}

TEST(StopReport, LimitOfTenThousandStops) {
  TCalcHarness h(kMaskStops, StopRequest(0));
  ASSERT_EQ(InitStopReport(h.ctx, h.obj), 0);
  double t = 0, north = 0;
  ASSERT_EQ(StopReportStep(h.ctx, h.obj, At(t, north)), 0);
  AddStops(h, kEventLimit, t, north);
  ASSERT_EQ(h.obj.StopCount, kEventLimit);
  // Full: every later step refuses, whatever the fix.
  EXPECT_EQ(StopReportStep(h.ctx, h.obj, At(t + 10, north)), 1);
  EXPECT_EQ(StopReportStep(h.ctx, h.obj, At(t + 20, north + 100)), 1);
  ASSERT_EQ(CloseStopReport(h.ctx, h.obj), 0);
  EXPECT_EQ(h.obj.StopCount, kEventLimit);
  ASSERT_EQ(h.obj.Stops.size(), static_cast<std::size_t>(kEventLimit));
  EXPECT_NE(h.obj.Stops[kEventLimit - 1].Begin, 0.0);  // no closing record
  // The spare record past the limit is never written.
  EXPECT_EQ(h.buffers.Stops[kEventLimit].End, 0.0);
  EXPECT_EQ(h.buffers.Stops[kEventLimit].Begin, 0.0);
}

TEST(StopReport, ClosingRecordFillsTheLastPlace) {
  TCalcHarness h(kMaskStops, StopRequest(0));
  ASSERT_EQ(InitStopReport(h.ctx, h.obj), 0);
  double t = 0, north = 0;
  ASSERT_EQ(StopReportStep(h.ctx, h.obj, At(t, north)), 0);
  AddStops(h, kEventLimit - 1, t, north);
  ASSERT_EQ(StopReportStep(h.ctx, h.obj, At(t + 10, north + 100)), 0);
  ASSERT_EQ(CloseStopReport(h.ctx, h.obj), 0);
  ASSERT_EQ(h.obj.StopCount, kEventLimit);
  EXPECT_EQ(h.obj.Stops[kEventLimit - 1].Begin, 0.0);
  EXPECT_NEAR(h.obj.Stops[kEventLimit - 1].MoveDistance, 200, 1e-3);
}

class TFailingMemory : public TMemory {
 public:
  bool Fail = false;
  void* Allocate(std::size_t bytes) noexcept override { return Fail ? nullptr : TMemory::Allocate(bytes); }
};

TEST(StopReport, CopyFailureLeavesNoRecords) {
  TFailingMemory memory;
  TCalcHarness h(kMaskStops, StopRequest(60), &memory);
  RunStops(h, {At(0, 0), At(12, 100)});
  ASSERT_EQ(h.obj.StopCount, 1);

  memory.Fail = true;
  ASSERT_EQ(InitStopReport(h.ctx, h.obj), 0);
  ASSERT_EQ(StopReportStep(h.ctx, h.obj, At(0, 0)), 0);
  ASSERT_EQ(StopReportStep(h.ctx, h.obj, At(12, 100)), 0);
  EXPECT_EQ(CloseStopReport(h.ctx, h.obj), 1);
  EXPECT_EQ(h.obj.StopCount, 0);
  EXPECT_TRUE(h.obj.Stops.empty());
}

}  // namespace
}  // namespace vedograf
