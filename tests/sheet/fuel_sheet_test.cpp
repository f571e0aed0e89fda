
#include "sheet/sheet_text.h"
#include "writer_fixture.h"

namespace vedograf::test {
namespace {

double At(int day, int hour, int minute = 0) { return EncodeDateTime(2011, 3, day, hour, minute); }

const char* const kTemplateConsumption = "=IF(RC[-9]>0,INDEX(C[-1],ROW())*100/RC[-9],0)";

class FuelSheetTest : public TWriterTest {
 protected:
  static void Summary(TObjReport& o, int channel, float start, float end, float load, int loads, float drain,
                      int drains) {
    TFuelSummary& f = o.Fuel[channel - 1];
    f.StartLevel = start;
    f.EndLevel = end;
    f.Distance = 200000.0f;
    f.LoadVolume = load;
    f.LoadCount = loads;
    f.DrainVolume = drain;
    f.DrainCount = drains;
  }
  void Channels(bool c1, bool c2, bool c3) { req.FuelSensors = {c1, c2, c3}; }
};

TEST_F(FuelSheetTest, ChannelsOneAndThreeTotalRowAndSeparator) {
  Channels(true, false, true);
  TObjReport& o = AddObject(15, "Самосвал");
  Summary(o, 1, 100.0f, 60.0f, 50.0f, 1, -35.5f, 1);
  Summary(o, 3, 80.0f, 70.0f, 0.0f, 0, 0.0f, 0);
  Run(MakeFuelReport);

  EXPECT_EQ(PreparedRows("ObjNum_f"), 4);
  EXPECT_EQ(Number("ObjNum_f", 0), 15);
  EXPECT_EQ(Text("ObjName_f", 0), "Самосвал");
  EXPECT_DOUBLE_EQ(Number("Distance_f", 0), 200.0);
  EXPECT_EQ(Number("Sensor_f", 0), 1);
  EXPECT_EQ(Number("Sensor_f", 1), 3);
  EXPECT_DOUBLE_EQ(Number("SLevel_f", 0), 100.0);
  EXPECT_DOUBLE_EQ(Number("FLevel_f", 0), 60.0);
  EXPECT_DOUBLE_EQ(Number("LoadV_f", 0), 50.0);
  EXPECT_EQ(Number("LoadC_f", 0), 1);
  EXPECT_DOUBLE_EQ(Number("UnloadV_f", 0), 35.5);
  EXPECT_EQ(Number("UnloadC_f", 0), 1);
  for (int row : {0, 1}) {
    EXPECT_TRUE(Empty("CConsump_f", row));
    EXPECT_TRUE(Empty("OConsump_f", row));
    // The per-channel formulas of the data row stay.
    EXPECT_EQ(Formula("RConsump_f", row), "=RC[-6]+RC[-4]-RC[-2]-RC[-5]");
    EXPECT_EQ(Formula("LConsump_f", row), "=RC[-10]*Consump/100");
  }
  EXPECT_EQ(Text("Sensor_f", 2), "Всего");
  for (const char* name : {"LoadV_f", "LoadC_f", "UnloadV_f", "UnloadC_f", "RConsump_f", "LConsump_f"}) {
    EXPECT_EQ(Formula(name, 2), "=R[-1]C+R[-2]C") << name;
  }
  EXPECT_EQ(Formula("CConsump_f", 2), "=IF(R[-2]C[-9]>0,INDEX(C[-1],ROW())*100/R[-2]C[-9],0)");
  EXPECT_EQ(Formula("OConsump_f", 2), "=RC[-3]-RC[-1]");
  for (const char* name : {"RConsump_f", "CConsump_f", "OConsump_f", "LConsump_f"}) {
    EXPECT_TRUE(Empty(name, 3)) << name;
  }
}

TEST_F(FuelSheetTest, ThreeChannelsTwoObjectsAndOneChannelKeepsTemplateFormulas) {
  Channels(true, true, true);
  for (std::int32_t n : {1, 2}) {
    TObjReport& o = AddObject(n);
    for (int c = 1; c <= 3; ++c) Summary(o, c, 10.0f * c, 5.0f, 0.0f, 0, 0.0f, 0);
  }
  Run(MakeFuelReport);
  EXPECT_EQ(PreparedRows("ObjNum_f"), 10);
  for (int base : {0, 5}) {
    EXPECT_EQ(Number("Sensor_f", base + 2), 3);
    EXPECT_EQ(Formula("LoadV_f", base + 3), "=R[-1]C+R[-2]C+R[-3]C");
    EXPECT_EQ(Formula("CConsump_f", base + 3), "=IF(R[-3]C[-9]>0,INDEX(C[-1],ROW())*100/R[-3]C[-9],0)");
    EXPECT_TRUE(Empty("LConsump_f", base + 4));
  }
  EXPECT_EQ(Number("ObjNum_f", 5), 2);

  book = TWorkbook::Open(VEDOGRAF_TEMPLATE_PATH);
  Channels(false, true, false);
  Run(MakeFuelReport);
  EXPECT_EQ(PreparedRows("ObjNum_f"), 4);
  EXPECT_EQ(Number("Sensor_f", 0), 2);
  EXPECT_EQ(Formula("CConsump_f", 0), kTemplateConsumption);
  EXPECT_EQ(Formula("OConsump_f", 0), "=RC[-3]-RC[-1]");
  EXPECT_TRUE(Empty("RConsump_f", 1));
  EXPECT_TRUE(Empty("CConsump_f", 1));
  EXPECT_EQ(Number("ObjNum_f", 2), 2);
  EXPECT_DOUBLE_EQ(Number("SLevel_f", 2), 20.0);
}

TEST_F(FuelSheetTest, SameRowReferencesMoveUpByTheChannelCount) {
  using sheet_text::ShiftSameRowRefs;
  EXPECT_EQ(ShiftSameRowRefs("=RC[-9]/100", 2), "=R[-2]C[-9]/100");
  EXPECT_EQ(ShiftSameRowRefs("=RC+RC[1]-R[1]C", 3), "=R[-3]C+R[-3]C[1]-R[1]C");
  EXPECT_EQ(ShiftSameRowRefs("=R1C1", 2), "=R1C1");
}

TEST_F(FuelSheetTest, LoadsAndDrainsWithAbsoluteVolumes) {
  Channels(true, true, false);
  TObjReport& o = AddObject(40, "Бензовоз");
  Put(o.Fuel[0].Events, o.Fuel[0].EventCount,
      {TFuelEvent{120.0f, At(1, 8), At(1, 8, 10)}, TFuelEvent{-35.5f, At(1, 14), At(1, 14, 5)},
       TFuelEvent{0.0f, At(2, 9), At(2, 9, 1)}});
  AddObject(41);
  req.TimeBias = 1.0 / 24;
  Run(MakeLoadReport);

  EXPECT_EQ(PreparedRows("ObjNum_l"), (1 + 3 + 1) + (1 + 1 + 1));
  EXPECT_EQ(Number("Sensor_l", 0), 1);
  EXPECT_EQ(Text("Interval_l", 0), "09:00  01.03.2011  -  09:10  01.03.2011");
  EXPECT_DOUBLE_EQ(Number("Volume_l", 0), 120.0);
  EXPECT_EQ(Text("Load_l", 0), "заправка");
  EXPECT_TRUE(Empty("Sensor_l", 1));
  EXPECT_DOUBLE_EQ(Number("Volume_l", 1), 35.5);
  EXPECT_EQ(Text("Load_l", 1), "слив");
  EXPECT_EQ(Text("Load_l", 2), "заправка");
  EXPECT_EQ(Number("Sensor_l", 3), 2);
  for (const char* name : {"Interval_l", "Volume_l", "Load_l"}) EXPECT_EQ(Text(name, 3), "-") << name;
  EXPECT_TRUE(Empty("Sensor_l", 4));
  EXPECT_EQ(Number("ObjNum_l", 5), 41);
  EXPECT_EQ(Number("Sensor_l", 5), 1);
  EXPECT_EQ(Number("Sensor_l", 6), 2);
  EXPECT_TRUE(Empty("Sensor_l", 7));
}

}  // namespace
}  // namespace vedograf::test
