#include "writer_fixture.h"

namespace vedograf::test {
namespace {

class WaySheetTest : public TWriterTest {
 protected:
  TObjReport& RouteObject(std::int32_t number, std::string name) {
    TObjReport& o = AddObject(number, std::move(name));
    o.Distance = 12345.0;
    o.AvgSpeed = 41.25;
    o.SpeedMin = 0.0;
    o.SpeedMean = 37.25;
    o.SpeedMax = 92.04;
    o.StepMin = 10.0;
    o.StepMean = 250.4;
    o.StepMax = 1500.0;
    o.IntervalMin = 10.0 / 86400;
    o.IntervalMean = 60.0 / 86400;
    o.IntervalMax = 1.0 / 24 + 1.0;
    o.WorkTime = 0.5;
    o.FixCount = 120;
    o.Fix2DCount = 20;
    o.Fix3DCount = 100;
    return o;
  }

  // Three days from 1 March, the first one partial, the second without fixes.
  void ThreeDays(TObjReport& o) {
    std::vector<TDayRecord> days(3);
    for (int d = 0; d < 3; ++d) {
      days[d] = TDayRecord{EncodeDate(2011, 3, 1 + d), 1000.0 * (d + 1), 30.0 + d, 1.0, 20.55, 60.0,
                           0.25,                       10 * (d + 1),    true,     false};
    }
    days[0].Partial = true;
    days[1].HasData = false;
    Put(o.Days, o.DayCount, days);
  }
};

TEST_F(WaySheetTest, WithoutBreakdownOneRowPerObjectAndNoSuffix) {
  req.DaysShift = 8.0 / 24;  // ignored without the breakdown
  RouteObject(7, "Газель");
  AddObject(8, "не в отчете", false);
  RouteObject(9, "");
  Run([](const TSheetJob& job) { MakeWayReport(job, false); });

  EXPECT_EQ(PreparedRows("ObjNum_w"), 2);
  EXPECT_EQ(PreparedRows("ObjNum_ew"), 2);
  EXPECT_EQ(Text("Period_w", 0), "00:00  01.03.2011 - 23:59  03.03.2011 (UTC+00:00)");
  for (int row : {0, 1}) {
    EXPECT_EQ(Text("LPeriod_w", row), "весь интервал");
    EXPECT_DOUBLE_EQ(Number("Distance_w", row), 12.345);
    EXPECT_EQ(Text("Speed2_w", row), "0.0 / 37.2 / 92.0");
    EXPECT_DOUBLE_EQ(Number("WTime_w", row), 0.5);
    EXPECT_EQ(Text("LPeriod_ew", row), "весь интервал");
    EXPECT_DOUBLE_EQ(Number("Speed1_ew", row), 41.25);
    EXPECT_EQ(Text("Points_ew", row), "120 / 20 / 100");
    EXPECT_EQ(Text("DTime_ew", row), "00:00:10 / 00:01:00 / 1сут 01:00:00");
    EXPECT_EQ(Text("DDistance_ew", row), "0.010 / 0.250 / 1.500");
  }
  EXPECT_EQ(Number("ObjNum_w", 0), 7);
  EXPECT_EQ(Text("ObjName_w", 0), "Газель");
  EXPECT_EQ(Number("ObjNum_w", 1), 9);
  EXPECT_EQ(Text("ObjName_w", 1), "");
  EXPECT_EQ(Number("ObjNum_ew", 1), 9);
}

TEST_F(WaySheetTest, DailyBreakdownLayoutMarksAndShiftSuffix) {
  req.DaysShift = 8.0 / 24;
  ThreeDays(RouteObject(7, "A"));
  ThreeDays(RouteObject(9, "B"));
  Run([](const TSheetJob& job) { MakeWayReport(job, true); });

  EXPECT_EQ(PreparedRows("ObjNum_w"), 10);
  EXPECT_EQ(PreparedRows("ObjNum_ew"), 10);
  EXPECT_EQ(Text("Period_w", 0), "00:00  01.03.2011 - 23:59  03.03.2011 (UTC+00:00), начало смены 08:00");
  EXPECT_EQ(Text("Period_ew", 0), "00:00  01.03.2011 - 23:59  03.03.2011 (UTC+00:00)");

  for (int base : {0, 5}) {
    EXPECT_EQ(Text("LPeriod_w", base + 0), "* 01.03.2011");
    EXPECT_EQ(Text("LPeriod_w", base + 1), "  02.03.2011");
    EXPECT_EQ(Text("LPeriod_w", base + 2), "  03.03.2011");
    EXPECT_EQ(Text("LPeriod_w", base + 3), "весь интервал");
    EXPECT_TRUE(Empty("LPeriod_w", base + 4));
    EXPECT_TRUE(Empty("Distance_w", base + 4));
    // A day with fixes, one without, the whole interval.
    EXPECT_DOUBLE_EQ(Number("Distance_w", base + 0), 1.0);
    EXPECT_EQ(Text("Speed2_w", base + 0), "1.0 / 20.6 / 60.0");
    EXPECT_DOUBLE_EQ(Number("WTime_w", base + 0), 0.25);
    EXPECT_DOUBLE_EQ(Number("Distance_w", base + 1), 0.0);
    EXPECT_EQ(Text("Speed2_w", base + 1), "-");
    EXPECT_EQ(Text("WTime_w", base + 1), "-");
    EXPECT_DOUBLE_EQ(Number("Distance_w", base + 3), 12.345);

    EXPECT_EQ(Text("LPeriod_ew", base + 0), "01.03.2011");
    EXPECT_DOUBLE_EQ(Number("Speed1_ew", base + 0), 30.0);
    EXPECT_EQ(Text("Points_ew", base + 0), "10 / - / -");
    EXPECT_DOUBLE_EQ(Number("Speed1_ew", base + 1), 0.0);
    EXPECT_EQ(Text("Points_ew", base + 1), "-");
    EXPECT_EQ(Text("Points_ew", base + 2), "30 / - / -");
    for (int d = 0; d < 3; ++d) {
      EXPECT_EQ(Text("DTime_ew", base + d), "-");
      EXPECT_EQ(Text("DDistance_ew", base + d), "-");
    }
    EXPECT_EQ(Text("LPeriod_ew", base + 3), "весь интервал");
    EXPECT_EQ(Text("Points_ew", base + 3), "120 / 20 / 100");
    EXPECT_TRUE(Empty("LPeriod_ew", base + 4));
  }
  EXPECT_EQ(Number("ObjNum_w", 0), 7);
  EXPECT_TRUE(Empty("ObjNum_w", 1));
  EXPECT_EQ(Number("ObjNum_w", 5), 9);
  EXPECT_EQ(Text("ObjName_ew", 5), "B");
}

TEST_F(WaySheetTest, NoSuffixAtMidnightShiftAndZeroSpacingOfASingleFix) {
  TObjReport& o = AddObject(3, "одна точка");
  o.FixCount = o.Fix3DCount = 1;
  ThreeDays(o);
  Run([](const TSheetJob& job) { MakeWayReport(job, true); });

  EXPECT_EQ(Text("Period_w", 0), "00:00  01.03.2011 - 23:59  03.03.2011 (UTC+00:00)");
  EXPECT_EQ(PreparedRows("ObjNum_w"), 5);
  EXPECT_EQ(Text("DTime_ew", 3), "00:00:00 / 00:00:00 / 00:00:00");
  EXPECT_EQ(Text("DDistance_ew", 3), "0.000 / 0.000 / 0.000");
  EXPECT_EQ(Text("Points_ew", 3), "1 / 0 / 1");
  EXPECT_EQ(Text("Speed2_w", 3), "0.0 / 0.0 / 0.0");
}

}  // namespace
}  // namespace vedograf::test
