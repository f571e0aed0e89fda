#include "writer_fixture.h"

namespace vedograf::test {
namespace {

double At(int hour, int minute = 0) { return EncodeDateTime(2011, 3, 1, hour, minute); }

class InputSheetTest : public TWriterTest {
 protected:
  void SetUp() override {
    TWriterTest::SetUp();
    areas.AddPoint(55.0, 37.0, "Склад");
  }
};

TEST_F(InputSheetTest, DiscreteInputsOneAndThreeWithTotalsAndEmptyInput) {
  req.SensorStates = {1, 0, 2, 0, 0};
  names[0] = "Насос";
  TObjReport& o = AddObject(21, "Поливалка");
  Put(o.InputActivity[0], o.InputCount[0],
      {TInputActivity{0, 600, At(8), At(8, 30)}, TInputActivity{kAreaUnknown, 1400, At(9), At(9, 15)}});
  o.InputActiveTime[0] = 0.75 / 24;
  // Input 2 has records but is not chosen: it takes no rows.
  Put(o.InputActivity[1], o.InputCount[1], {TInputActivity{0, 5, At(1), At(2)}});
  Run(MakeSensorReport);

  EXPECT_EQ(PreparedRows("ObjNum_s"), 5);
  EXPECT_EQ(Number("ObjNum_s", 0), 21);
  EXPECT_EQ(Text("Sensor_s", 0), "Насос");
  EXPECT_EQ(Text("CPoint_s", 0), "Склад");
  EXPECT_EQ(Text("Interval_s", 0), "08:00  01.03.2011  -  08:30  01.03.2011");
  EXPECT_NEAR(Number("Length_s", 0), 0.5 / 24, 1e-9);
  EXPECT_DOUBLE_EQ(Number("Distance_s", 0), 0.6);
  EXPECT_TRUE(Empty("Sensor_s", 1));
  EXPECT_EQ(Text("CPoint_s", 1), "**Нет координат**");
  EXPECT_DOUBLE_EQ(Number("Distance_s", 1), 1.4);
  EXPECT_EQ(Text("Interval_s", 2), "Всего");
  EXPECT_TRUE(Empty("CPoint_s", 2));
  EXPECT_DOUBLE_EQ(Number("Length_s", 2), 0.75 / 24);
  EXPECT_DOUBLE_EQ(Number("Distance_s", 2), 2.0);
  EXPECT_EQ(Text("Sensor_s", 3), "IN3");
  for (const char* name : {"CPoint_s", "Interval_s", "Length_s"}) EXPECT_EQ(Text(name, 3), "-") << name;
  EXPECT_TRUE(Empty("Distance_s", 3));
  for (const char* name : {"ObjNum_s", "Sensor_s", "CPoint_s", "Interval_s"}) EXPECT_TRUE(Empty(name, 4)) << name;
}

TEST_F(InputSheetTest, AreasOfInputRecordsAndTwoObjects) {
  req.SensorStates = {0, 0, 0, 0, 1};
  TObjReport& a = AddObject(1);
  Put(a.InputActivity[4], a.InputCount[4], {TInputActivity{kNoArea, 0, At(8), At(9)}});
  AddObject(2);
  Run(MakeSensorReport);

  EXPECT_EQ(PreparedRows("ObjNum_s"), 3 + 2);
  EXPECT_EQ(Text("Sensor_s", 0), "IN5");
  EXPECT_EQ(Text("CPoint_s", 0), "**Незаданный район**");
  EXPECT_EQ(Text("Interval_s", 1), "Всего");
  EXPECT_EQ(Number("ObjNum_s", 3), 2);
  EXPECT_EQ(Text("Interval_s", 3), "-");
}

TEST_F(InputSheetTest, AnalogTotalDeltaCountsFromEachInputsFirstChange) {
  req.TimeBias = 2.0 / 24;
  req.AnalogThres = {0.0, -1.0, 5.0};
  names[7] = "Давление";
  TObjReport& a = AddObject(31, "Котел");
  Put(a.AnalogChanges[0], a.AnalogCount[0],
      {TAnalogChange{0, 10.0, 10.0, At(6)}, TAnalogChange{kNoArea, 2.0, 12.0, At(7)},
       TAnalogChange{kAreaUnknown, -3.0, 9.0, At(8)}});
  Put(a.AnalogChanges[2], a.AnalogCount[2], {TAnalogChange{0, 1.5, 40.0, At(9)}, TAnalogChange{0, 5.0, 45.0, At(10)}});
  TObjReport& b = AddObject(32);
  Put(b.AnalogChanges[0], b.AnalogCount[0], {TAnalogChange{0, 7.0, 100.0, At(6)}});
  Run(MakeAnalogInReport);

  EXPECT_EQ(PreparedRows("ObjNum_a"), (1 + 3 + 2) + (1 + 1 + 1));
  EXPECT_EQ(Text("Sensor_a", 0), "AN_IN1");
  EXPECT_EQ(Text("CPoint_a", 0), "Склад");
  EXPECT_EQ(Text("CPoint_a", 1), "**Незаданный район**");
  EXPECT_EQ(Text("CPoint_a", 2), "**Нет координат**");
  EXPECT_DOUBLE_EQ(Number("Moment_a", 0), At(8));
  EXPECT_DOUBLE_EQ(Number("Delta_a", 2), -3.0);
  EXPECT_DOUBLE_EQ(Number("NewValue_a", 2), 9.0);
  EXPECT_DOUBLE_EQ(Number("TotalDelta_a", 0), 0.0);
  EXPECT_DOUBLE_EQ(Number("TotalDelta_a", 1), 2.0);
  EXPECT_DOUBLE_EQ(Number("TotalDelta_a", 2), -1.0);
  EXPECT_EQ(Text("Sensor_a", 3), "Давление");
  EXPECT_DOUBLE_EQ(Number("TotalDelta_a", 3), 0.0);
  EXPECT_DOUBLE_EQ(Number("TotalDelta_a", 4), 5.0);
  EXPECT_TRUE(Empty("Sensor_a", 5));
  EXPECT_EQ(Number("ObjNum_a", 6), 32);
  EXPECT_DOUBLE_EQ(Number("TotalDelta_a", 6), 0.0);
  EXPECT_EQ(Text("Sensor_a", 7), "Давление");
  for (const char* name : {"CPoint_a", "Moment_a", "Delta_a", "NewValue_a", "TotalDelta_a"}) {
    EXPECT_EQ(Text(name, 7), "-") << name;
  }
}

}  // namespace
}  // namespace vedograf::test
