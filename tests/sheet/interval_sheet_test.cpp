#include "writer_fixture.h"

namespace vedograf::test {
namespace {

double At(int day, int hour, int minute = 0) { return EncodeDateTime(2011, 3, day, hour, minute); }

class IntervalSheetTest : public TWriterTest {
 protected:
  void SetUp() override {
    TWriterTest::SetUp();
    areas.AddPoint(55.0, 37.0, "Склад");
    areas.AddPoint(55.1, 37.1, "Клиент");
  }
  static TStopRecord Stop(std::int32_t area, double begin, double end) {
    return TStopRecord{area, begin, end, 0.0, 2500.0, 0.125, 240000.0, 1200000.0, 1800000.0};
  }
};

TEST_F(IntervalSheetTest, StopsLayoutMovementOnlyRecordAndUnsetArea) {
  req.TimeBias = 3.0 / 24;
  TObjReport& first = AddObject(4, "Камаз");
  Put(first.Stops, first.StopCount,
      {Stop(1, At(1, 8), At(1, 9, 30)), Stop(kNoArea, At(1, 12), At(1, 12, 45)), Stop(kNoArea, 0.0, 0.0)});
  AddObject(5, "пусто");
  Run(MakeStopReport);

  EXPECT_EQ(PreparedRows("ObjNum_st"), 6);
  EXPECT_EQ(Number("ObjNum_st", 0), 4);
  EXPECT_EQ(Text("CPoint_st", 0), "Клиент");
  EXPECT_EQ(Text("Interval_st", 0), "11:00  01.03.2011  -  12:30  01.03.2011");
  EXPECT_NEAR(Number("Length_st", 0), 1.5 / 24, 1e-9);
  EXPECT_DOUBLE_EQ(Number("DDistance_st", 0), 2.5);
  EXPECT_DOUBLE_EQ(Number("DTime_st", 0), 0.125);
  EXPECT_EQ(Text("Speed_st", 0), "10.0 / 50.0 / 75.0");
  EXPECT_EQ(Text("CPoint_st", 1), "**Незаданный район**");
  // The movement after the last stop: no stop cells, the movement cells filled.
  EXPECT_TRUE(Empty("CPoint_st", 2));
  EXPECT_TRUE(Empty("Interval_st", 2));
  EXPECT_TRUE(Empty("Length_st", 2));
  EXPECT_DOUBLE_EQ(Number("DDistance_st", 2), 2.5);
  EXPECT_EQ(Text("Speed_st", 2), "10.0 / 50.0 / 75.0");
  EXPECT_TRUE(Empty("DDistance_st", 3));
  EXPECT_TRUE(Empty("ObjNum_st", 3));
  EXPECT_EQ(Number("ObjNum_st", 4), 5);
  for (const char* name : {"CPoint_st", "Interval_st", "Length_st", "DDistance_st", "DTime_st"}) {
    EXPECT_EQ(Text(name, 4), "-") << name;
  }
  EXPECT_EQ(Text("Speed_st", 4), "- / - / -");
  EXPECT_TRUE(Empty("Speed_st", 5));
}

TEST_F(IntervalSheetTest, PowerOffOpenBoundsOnlyOnTheirRecords) {
  req.TimeBias = 3.0 / 24;
  current.Begin = At(1, 0);
  current.End = At(2, 0);
  // Already off at the start; a later interval still open at the end.
  TObjReport& a = AddObject(1);
  Put(a.PowerOffs, a.PowerOffCount, {TInterval{current.Begin, At(1, 7)}, TInterval{At(1, 19), current.End}});
  // The same open-ended interval as an object's first record.
  TObjReport& b = AddObject(2);
  Put(b.PowerOffs, b.PowerOffCount, {TInterval{At(1, 19), current.End}});
  // Closed at both ends.
  TObjReport& c = AddObject(3);
  Put(c.PowerOffs, c.PowerOffCount, {TInterval{At(1, 1), At(1, 2)}, TInterval{current.Begin, At(1, 5)}});
  AddObject(6);
  Run(MakePowerUpReport);

  EXPECT_EQ(PreparedRows("ObjNum_p"), 3 + 2 + 3 + 2);
  EXPECT_EQ(Text("Interval_p", 0), "?  -  10:00  01.03.2011");
  EXPECT_EQ(Text("Length_p", 0), "-");
  EXPECT_EQ(Text("Interval_p", 1), "22:00  01.03.2011  -  ?");
  EXPECT_NEAR(Number("Length_p", 1), 5.0 / 24, 1e-9);
  EXPECT_EQ(Number("ObjNum_p", 3), 2);
  EXPECT_EQ(Text("Interval_p", 3), "22:00  01.03.2011  -  ?");
  EXPECT_EQ(Text("Length_p", 3), "-");
  EXPECT_EQ(Text("Interval_p", 5), "04:00  01.03.2011  -  05:00  01.03.2011");
  EXPECT_NEAR(Number("Length_p", 5), 1.0 / 24, 1e-9);
  // A later record starting at the report's start is not taken as open.
  EXPECT_EQ(Text("Interval_p", 6), "03:00  01.03.2011  -  08:00  01.03.2011");
  EXPECT_EQ(Text("Interval_p", 8), "-");
  EXPECT_EQ(Text("Length_p", 8), "-");
}

TEST_F(IntervalSheetTest, NavigationLossPrintsStoredBoundsAndAreasAndSpeedExcess) {
  current.Begin = At(1, 0);
  current.End = At(2, 0);
  TObjReport& o = AddObject(11, "Форд");
  Put(o.NavLosses, o.NavLossCount, {TInterval{current.Begin, current.End}});
  Put(o.AreaVisits, o.AreaVisitCount, {TAreaVisit{0, At(1, 6), At(1, 6, 30)}, TAreaVisit{1, At(1, 7), At(1, 8)}});
  Put(o.SpeedExcesses, o.SpeedExcessCount,
      {TSpeedExcess{1, 2400000, At(1, 9), At(1, 9, 5)}, TSpeedExcess{kNoArea, 2412000, At(1, 10), At(1, 10, 1)}});
  AddObject(12);
  Run(MakeNavLackReport);
  Run(MakePointReport);
  Run(MakeSpeedExReport);

  EXPECT_EQ(PreparedRows("ObjNum_n"), 4);
  EXPECT_EQ(Text("Interval_n", 0), "00:00  01.03.2011  -  00:00  02.03.2011");
  EXPECT_DOUBLE_EQ(Number("Length_n", 0), 1.0);
  EXPECT_EQ(Text("Interval_n", 2), "-");
  EXPECT_EQ(Text("Length_n", 2), "-");

  EXPECT_EQ(PreparedRows("ObjNum_c"), 5);
  EXPECT_EQ(Text("CPoint_c", 0), "Склад");
  EXPECT_EQ(Text("CPoint_c", 1), "Клиент");
  EXPECT_EQ(Text("Interval_c", 1), "07:00  01.03.2011  -  08:00  01.03.2011");
  EXPECT_TRUE(Empty("CPoint_c", 2));
  for (const char* name : {"Interval_c", "Length_c", "CPoint_c"}) EXPECT_EQ(Text(name, 3), "-") << name;

  EXPECT_EQ(PreparedRows("ObjNum_e"), 5);
  EXPECT_EQ(Text("CPoint_e", 0), "Клиент");
  EXPECT_DOUBLE_EQ(Number("Speed_e", 0), 100.0);
  EXPECT_EQ(Text("CPoint_e", 1), "**Незаданный район**");
  EXPECT_DOUBLE_EQ(Number("Speed_e", 1), 100.5);
  EXPECT_NEAR(Number("Length_e", 1), 1.0 / 1440, 1e-9);
  for (const char* name : {"CPoint_e", "Interval_e", "Length_e", "Speed_e"}) EXPECT_EQ(Text(name, 3), "-") << name;
}

TEST_F(IntervalSheetTest, AreaIndexBeyondTheListReadsEmptyInsteadOfCrashing) {
  TObjReport& o = AddObject(1);
  Put(o.AreaVisits, o.AreaVisitCount, {TAreaVisit{7, At(1, 6), At(1, 7)}});
  Run(MakePointReport);
  EXPECT_TRUE(Empty("CPoint_c", 0));
  EXPECT_EQ(Text("Interval_c", 0), "06:00  01.03.2011  -  07:00  01.03.2011");
}

}  // namespace
}  // namespace vedograf::test
