// Route block and daily breakdown on hand-made tracks.

#include "calc/way_report.h"

#include <gtest/gtest.h>

#include "support/calc_fixture.h"

namespace vedograf {
namespace {

using test::Fix;
using test::NorthDegrees;
using test::TCalcHarness;

constexpr double kDegree_m = 111195.05;  // 1 degree of latitude on the fix sphere
constexpr double kMay10 = 45422.0;  // 10.05.2024, the harness day

double Seconds(double days) { return days * 86400.0; }

// A fix at an exact stored time, for times that seconds-after-midnight
// arithmetic would miss by a rounding step.
TRecord FixAt(double time, double lat, double lon, double speed = 0.0) {
  TRecord r = Fix(0, lat, lon, speed);
  r.Time = time;
  return r;
}

class TMemoryThatFails : public TMemory {
 public:
  void* Allocate(std::size_t) noexcept override { return nullptr; }
};

// Route: the driver's order is Init, every fix, Close.
struct WayRun {
  TCalcHarness h{kMaskWay};
  WayRun() { InitWayReport(h.ctx, h.obj); }
  void Step(const TRecord& r) { EXPECT_EQ(WayReportStep(h.ctx, h.obj, r), 0); }
  TObjReport& Close() {
    EXPECT_EQ(CloseWayReport(h.ctx, h.obj), 0);
    return h.obj;
  }
};

TEST(WayReport, NoFixLeavesEveryFieldZeroEvenAfterAnEarlierRun) {
  WayRun run;
  run.h.obj.Distance = 5;
  run.h.obj.SpeedMax = 7;
  run.h.obj.IntervalMin = 1;
  run.h.obj.WorkTime = 2;
  InitWayReport(run.h.ctx, run.h.obj);
  const TObjReport& o = run.Close();
  EXPECT_EQ(o.FixCount, 0);
  EXPECT_EQ(o.Distance, 0.0);
  EXPECT_EQ(o.AvgSpeed, 0.0);
  EXPECT_EQ(o.SpeedMax, 0.0);
  EXPECT_EQ(o.IntervalMin, 0.0);
  EXPECT_EQ(o.WorkTime, 0.0);
}

TEST(WayReport, OneFixOnly) {
  WayRun run;
  run.Step(Fix(100, 55.0, 37.0, 1200.0));
  const TObjReport& o = run.Close();
  EXPECT_EQ(o.FixCount, 1);
  EXPECT_EQ(o.Fix3DCount, 1);
  EXPECT_EQ(o.Distance, 0.0);
  EXPECT_EQ(o.AvgSpeed, 0.0);
  EXPECT_EQ(o.SpeedMin, 1200.0);
  EXPECT_EQ(o.SpeedMean, 1200.0);
  EXPECT_EQ(o.SpeedMax, 1200.0);
  EXPECT_EQ(o.StepMin, 0.0);
  EXPECT_EQ(o.StepMean, 0.0);
  EXPECT_EQ(o.StepMax, 0.0);
  EXPECT_EQ(o.IntervalMin, 0.0);
  EXPECT_EQ(o.IntervalMean, 0.0);
  EXPECT_EQ(o.IntervalMax, 0.0);
  EXPECT_EQ(o.WorkTime, 0.0);
}

TEST(WayReport, FixWithoutLaterTimeIsNeitherUsedNorCounted) {
  WayRun run;
  run.Step(Fix(100, 10.0, 30.0, 100.0));
  run.Step(Fix(100, 11.0, 30.0, 900.0));  // same time
  run.Step(Fix(50, 12.0, 30.0, 900.0));   // earlier
  const TObjReport& o = run.Close();
  EXPECT_EQ(o.FixCount, 1);
  EXPECT_EQ(o.Distance, 0.0);
  EXPECT_EQ(o.SpeedMax, 100.0);
}

// Three fixes on one meridian: 1 degree in an hour, then half a degree in half an hour.
TEST(WayReport, StepsIntervalsSpeedsAndAverageInKmh) {
  WayRun run;
  run.Step(Fix(0, 10.0, 30.0, 24000.0));
  run.Step(Fix(3600, 11.0, 30.0, 48000.0));
  run.Step(Fix(5400, 11.5, 30.0, 0.0));
  const TObjReport& o = run.Close();
  EXPECT_EQ(o.FixCount, 3);
  EXPECT_NEAR(o.Distance, 1.5 * kDegree_m, 0.02);
  EXPECT_NEAR(o.AvgSpeed, o.Distance / 1500.0, 1e-6);  // km/h over 1.5 h
  EXPECT_NEAR(o.AvgSpeed, 111.195, 1e-4);
  EXPECT_NEAR(o.StepMax, kDegree_m, 0.01);
  EXPECT_NEAR(o.StepMin, 0.5 * kDegree_m, 0.01);
  EXPECT_NEAR(o.StepMean, 0.75 * kDegree_m, 0.01);
  EXPECT_NEAR(Seconds(o.IntervalMax), 3600.0, 1e-5);
  EXPECT_NEAR(Seconds(o.IntervalMin), 1800.0, 1e-5);
  EXPECT_NEAR(Seconds(o.IntervalMean), 2700.0, 1e-5);
  EXPECT_EQ(o.SpeedMin, 0.0);
  EXPECT_EQ(o.SpeedMean, 24000.0);
  EXPECT_EQ(o.SpeedMax, 48000.0);
  EXPECT_NEAR(Seconds(o.WorkTime), 5400.0, 1e-5);
}

TEST(WayReport, PowerUpFixAddsDistanceAndSpeedButNotItsInterval) {
  WayRun run;
  run.Step(Fix(0, 0.0, 10.0, 10.0));
  run.Step(Fix(600, NorthDegrees(1000), 10.0, 70.0, "Свежее PU 3D"));
  run.Step(Fix(900, NorthDegrees(2000), 10.0, 40.0));
  const TObjReport& o = run.Close();
  EXPECT_EQ(o.FixCount, 3);
  EXPECT_NEAR(o.Distance, 2000.0, 1e-6);
  EXPECT_EQ(o.SpeedMax, 70.0);
  EXPECT_EQ(o.SpeedMean, 40.0);
  EXPECT_NEAR(Seconds(o.WorkTime), 300.0, 1e-5);
  EXPECT_NEAR(Seconds(o.IntervalMax), 600.0, 1e-5);
}

TEST(WayReport, CountsTwoAndThreeDimensionalFixes) {
  WayRun run;
  run.Step(Fix(0, 1.0, 1.0, 0.0, "Свежее 3D"));
  run.Step(Fix(10, 1.0, 1.0, 0.0, "Свежее 2D"));
  run.Step(Fix(10, 1.0, 1.0, 0.0, "Свежее 3D"));  // ignored: same time
  run.Step(Fix(20, 1.0, 1.0, 0.0, "Свежее"));
  const TObjReport& o = run.Close();
  EXPECT_EQ(o.FixCount, 3);
  EXPECT_EQ(o.Fix2DCount, 2);
  EXPECT_EQ(o.Fix3DCount, 1);
  EXPECT_EQ(o.Distance, 0.0);
  EXPECT_EQ(o.StepMax, 0.0);  // two steps of 0 m
}

// Daily breakdown.
struct DaysRun {
  TCalcHarness h;
  int initResult;
  DaysRun(double begin, double end, TRequestParams req = {}, TMemory* memory = nullptr)
      : h(kMaskWay | kMaskDays, std::move(req), memory) {
    h.ctx.Current.Begin = begin;
    h.ctx.Current.End = end;
    initResult = InitDaysReport(h.ctx, h.obj);
  }
  void Step(const TRecord& r) { EXPECT_EQ(DaysReportStep(h.ctx, h.obj, r), 0); }
  TObjReport& Close() {
    EXPECT_EQ(CloseDaysReport(h.ctx, h.obj), 0);
    return h.obj;
  }
};

TEST(DaysReport, WholeAndPartialDaysOfThePeriod) {
  {
    DaysRun run(kMay10, kMay10 + 3);
    EXPECT_EQ(run.initResult, 0);
    const TObjReport& o = run.Close();
    ASSERT_EQ(o.DayCount, 3);
    ASSERT_EQ(o.Days.size(), 3u);
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(o.Days[i].Date, kMay10 + i);
      EXPECT_FALSE(o.Days[i].Partial);
      EXPECT_FALSE(o.Days[i].HasData);
    }
  }
  {
    DaysRun run(EncodeDateTime(2024, 5, 10, 0, 0, 40), EncodeDateTime(2024, 5, 12, 23, 59, 50));
    ASSERT_EQ(run.h.obj.DayCount, 3);
    EXPECT_TRUE(run.h.obj.Days[0].Partial);
    EXPECT_FALSE(run.h.obj.Days[2].Partial);  // 10 s short of the boundary
  }
  {
    DaysRun run(EncodeDateTime(2024, 5, 10, 0, 0, 20), EncodeDateTime(2024, 5, 12, 23, 59, 0));
    ASSERT_EQ(run.h.obj.DayCount, 3);
    EXPECT_FALSE(run.h.obj.Days[0].Partial);
    EXPECT_TRUE(run.h.obj.Days[2].Partial);
  }
  {
    DaysRun run(EncodeDateTime(2024, 5, 10, 1, 0), EncodeDateTime(2024, 5, 10, 2, 0));
    ASSERT_EQ(run.h.obj.DayCount, 1);
    EXPECT_TRUE(run.h.obj.Days[0].Partial);  // both ends on one entry
  }
}

// With the shift at 08:00 the breakdown day runs 08:00 to 08:00: a fix at
// 07:59 belongs to the day that began on 09.05. The step from 07:59 to 08:01
// and its working time belong to that day; the 08:01 fix opens the next one.
TEST(DaysReport, ShiftStartSplitsDaysAndCrossingStepBelongsToTheDayThatEnds) {
  TRequestParams req;
  req.DaysShift = EncodeTime(8, 0);
  DaysRun run(kMay10, kMay10 + 1, req);
  run.Step(Fix(7 * 3600 + 59 * 60, 0.0, 10.0, 10.0));
  run.Step(Fix(8 * 3600 + 1 * 60, NorthDegrees(1000), 10.0, 20.0));
  run.Step(Fix(9 * 3600 + 1 * 60, NorthDegrees(2000), 10.0, 40.0));
  const TObjReport& o = run.Close();
  ASSERT_EQ(o.DayCount, 2);
  const TDayRecord& d0 = o.Days[0];
  EXPECT_EQ(d0.Date, kMay10 - 1);
  EXPECT_TRUE(d0.Partial);
  EXPECT_TRUE(d0.HasData);
  EXPECT_EQ(d0.FixCount, 1);
  EXPECT_NEAR(d0.Distance, 1000.0, 1e-6);
  EXPECT_NEAR(Seconds(d0.WorkTime), 120.0, 1e-5);
  EXPECT_NEAR(d0.AvgSpeed, 30.0, 1e-6);  // 1 km in 2 min, to the new day's first fix
  EXPECT_EQ(d0.SpeedMin, 10.0);
  EXPECT_EQ(d0.SpeedMax, 10.0);
  EXPECT_EQ(d0.SpeedMean, 10.0);

  const TDayRecord& d1 = o.Days[1];
  EXPECT_EQ(d1.Date, kMay10);
  EXPECT_TRUE(d1.Partial);
  EXPECT_EQ(d1.FixCount, 2);
  EXPECT_NEAR(d1.Distance, 1000.0, 1e-6);
  EXPECT_NEAR(Seconds(d1.WorkTime), 3600.0, 1e-5);
  EXPECT_NEAR(d1.AvgSpeed, 1.0, 1e-6);
  EXPECT_EQ(d1.SpeedMin, 20.0);
  EXPECT_EQ(d1.SpeedMean, 30.0);
  EXPECT_EQ(d1.SpeedMax, 40.0);
}

// Local days three hours ahead of UTC: 20:59 UTC is 23:59 local, 21:01 UTC
// is already the next day.
TEST(DaysReport, DayBoundariesFollowTheTimeBias) {
  TRequestParams req;
  req.TimeBias = 12 * kQuarterHourToDays;
  DaysRun run(kMay10, kMay10 + 1, req);
  ASSERT_EQ(run.h.obj.DayCount, 2);
  run.Step(Fix(20 * 3600 + 59 * 60, 1.0, 1.0));
  run.Step(Fix(21 * 3600 + 1 * 60, 1.0, 1.0, 0.0, "Свежее PU 3D"));
  const TObjReport& o = run.Close();
  EXPECT_EQ(o.Days[0].Date, kMay10);
  EXPECT_EQ(o.Days[0].FixCount, 1);
  EXPECT_EQ(o.Days[0].WorkTime, 0.0);  // the only step ended at a power-up row
  EXPECT_EQ(o.Days[1].FixCount, 1);
  EXPECT_TRUE(o.Days[0].Partial);
  EXPECT_TRUE(o.Days[1].Partial);
}

TEST(DaysReport, DaySkippedByAJumpKeepsNoData) {
  DaysRun run(kMay10, kMay10 + 3);
  run.Step(Fix(12 * 3600, 0.0, 10.0, 5.0));
  run.Step(Fix(12 * 3600, 5.0, 10.0, 5.0));  // same time: ignored
  run.Step(Fix(2 * 86400 + 3600, NorthDegrees(500), 10.0, 7.0));
  const TObjReport& o = run.Close();
  ASSERT_EQ(o.DayCount, 3);
  EXPECT_TRUE(o.Days[0].HasData);
  EXPECT_EQ(o.Days[0].FixCount, 1);
  EXPECT_NEAR(o.Days[0].Distance, 500.0, 1e-6);
  EXPECT_NEAR(Seconds(o.Days[0].WorkTime), 86400.0 + 13 * 3600.0, 1e-4);
  EXPECT_FALSE(o.Days[1].HasData);
  EXPECT_EQ(o.Days[1].FixCount, 0);
  EXPECT_TRUE(o.Days[2].HasData);
  EXPECT_EQ(o.Days[2].FixCount, 1);
  EXPECT_EQ(o.Days[2].Distance, 0.0);
  EXPECT_EQ(o.Days[2].AvgSpeed, 0.0);
  EXPECT_EQ(o.Days[2].Date, kMay10 + 2);
}

// The period end 13.05 00:00 is a day boundary, so a fix exactly there has
// day index 3 of a three-day table: it counts into the last day.
TEST(DaysReport, FixAtThePeriodEndOnADayBoundaryCountsIntoTheLastDay) {
  {
    DaysRun run(kMay10, kMay10 + 3);
    run.Step(Fix(2 * 86400 + 12 * 3600, 0.0, 10.0, 5.0));
    run.Step(FixAt(kMay10 + 3, NorthDegrees(100), 10.0, 9.0));
    const TObjReport& o = run.Close();
    ASSERT_EQ(o.DayCount, 3);
    EXPECT_EQ(o.Days[2].FixCount, 2);
    EXPECT_NEAR(o.Days[2].Distance, 100.0, 1e-6);
    EXPECT_EQ(o.Days[2].SpeedMax, 9.0);
    EXPECT_EQ(o.Days[2].Date, kMay10 + 2);
    EXPECT_FALSE(o.Days[0].HasData);
    EXPECT_FALSE(o.Days[1].HasData);
  }
  {
    // The end fix alone opens the last day.
    DaysRun run(kMay10, kMay10 + 3);
    run.Step(Fix(3600, 0.0, 10.0, 5.0));
    run.Step(FixAt(kMay10 + 3, NorthDegrees(100), 10.0, 9.0));
    const TObjReport& o = run.Close();
    EXPECT_EQ(o.Days[0].FixCount, 1);
    EXPECT_NEAR(o.Days[0].Distance, 100.0, 1e-6);
    EXPECT_FALSE(o.Days[1].HasData);
    EXPECT_EQ(o.Days[2].FixCount, 1);
    EXPECT_EQ(o.Days[2].SpeedMin, 9.0);
  }
  {
    // Only the end fix.
    DaysRun run(kMay10, kMay10 + 3);
    run.Step(FixAt(kMay10 + 3, 1.0, 10.0, 9.0));
    const TObjReport& o = run.Close();
    EXPECT_EQ(o.Days[2].FixCount, 1);
    EXPECT_FALSE(o.Days[0].HasData);
  }
}

// The row selection keeps fixes inside the period; one before it would
// still land in the table, in the first day.
TEST(DaysReport, FixBeforeThePeriodCountsIntoTheFirstDay) {
  DaysRun run(kMay10, kMay10 + 2);
  run.Step(FixAt(kMay10 - 0.5, 1.0, 10.0, 3.0));
  run.Step(Fix(3600, 1.0, 10.0, 4.0));
  const TObjReport& o = run.Close();
  ASSERT_EQ(o.DayCount, 2);
  EXPECT_EQ(o.Days[0].FixCount, 2);
  EXPECT_EQ(o.Days[0].Date, kMay10);
  EXPECT_FALSE(o.Days[1].HasData);
}

TEST(DaysReport, PeriodWithoutDaysGivesAnEmptyTableThatIsNeverWritten) {
  for (double end : {kMay10, kMay10 - 2}) {  // empty, and ending before it begins
    DaysRun run(kMay10, end);
    EXPECT_EQ(run.initResult, 0);
    run.Step(Fix(0, 1.0, 1.0));
    run.Step(Fix(60, 2.0, 1.0));
    const TObjReport& o = run.Close();
    EXPECT_EQ(o.DayCount, 0);
    EXPECT_TRUE(o.Days.empty());
  }
}

TEST(DaysReport, TableThatCannotBeAllocatedLeavesItEmpty) {
  TMemoryThatFails memory;
  {
    TCalcHarness h(kMaskWay | kMaskDays, {}, &memory);
    ASSERT_TRUE(h.obj.Days.Reset(TMemory::Default(), 4));  // an earlier run's table
    h.obj.DayCount = 4;
    EXPECT_EQ(InitDaysReport(h.ctx, h.obj), 1);
    EXPECT_EQ(h.obj.DayCount, 0);
    EXPECT_TRUE(h.obj.Days.empty());
    EXPECT_EQ(DaysReportStep(h.ctx, h.obj, Fix(0, 1.0, 1.0)), 0);
    EXPECT_EQ(CloseDaysReport(h.ctx, h.obj), 0);
    EXPECT_TRUE(h.obj.Days.empty());
  }
}

}  // namespace
}  // namespace vedograf
