#include "settings/legacy_registry.h"

#include <gtest/gtest.h>

namespace vedograf::settings {
namespace {

// Records the handlers in the order the reader applies them.
class TRecorder : public ISettingsHandlers {
 public:
  std::vector<std::string> calls;
  void NavFilterCheckBoxClick() override { calls.push_back("NavFilter"); }
  void NavLackCheckBoxClick() override { calls.push_back("NavLack"); }
  void InCheckBoxClick(int n) override { calls.push_back("In" + std::to_string(n)); }
  void TimeRadioGroupClick() override { calls.push_back("TimeRadio"); }
  void AnInCheckBoxClick(int n) override { calls.push_back("AnIn" + std::to_string(n)); }
  void SpeedExcessCheckBoxClick() override { calls.push_back("SpeedExcess"); }
};

std::map<std::string, TRegValue> CompleteKey() {
  std::map<std::string, TRegValue> v;
  v["BaseFileName"] = TRegValue::Str("D:\\Zentaro\\ZNT.mdb");
  v["PointsFileName"] = TRegValue::Str("D:\\Zentaro\\city.mrk");
  v["SDate"] = TRegValue::DateTime(EncodeDateTime(2010, 3, 1, 7, 30));
  v["STime"] = TRegValue::DateTime(EncodeDateTime(2010, 3, 1, 8, 15));
  v["FDate"] = TRegValue::DateTime(EncodeDate(2010, 3, 2));
  v["FTime"] = TRegValue::DateTime(EncodeTime(18, 0));
  for (const char* flag : {"GenerateWayReport", "GenerateDaysReport", "GeneratePowerupReport",
                           "GenerateNavLackReport", "NavFilterPoints", "GeneratePointReport", "FilterPoints",
                           "GenerateStopReport", "FilterStops", "GenerateSensorsReport", "OpenBase", "OpenCPoints"})
    v[flag] = TRegValue::Dword(1);
  v["GeneratePowerupReport"] = TRegValue::Dword(0);
  v["MinNavTime"] = TRegValue::Str("600");
  v["MinTime"] = TRegValue{TRegType::ExpandString, "45", 0, {}};
  v["MinStopTime"] = TRegValue::Str("300");
  v["MaxSpeed"] = TRegValue::Str("5");
  for (int n = 1; n <= 5; ++n) {
    const std::string s = "In" + std::to_string(n);
    v[s] = TRegValue::Dword(n != 2);
    v[s + "State"] = TRegValue::Dword(n == 3 ? 5 : 1);
    v[s + "Name"] = TRegValue::Str(n == 4 ? "Датчик двери багажника номер 4" : "Вход " + std::to_string(n));
  }
  v["TimeType"] = TRegValue::Dword(0);
  v["TimeZone"] = TRegValue::Dword(static_cast<std::uint32_t>(-23));
  v["SelectedPoints"] = TRegValue::Str("Склад,\"Магазин на Ленина\"");
  v["SelectedObjects"] = TRegValue::Str("101,102");
  v["Height"] = TRegValue::Dword(5000);
  v["Width"] = TRegValue::Dword(700);
  v["Left"] = TRegValue::Dword(static_cast<std::uint32_t>(-50));
  v["Top"] = TRegValue::Dword(900);
  v["LWidth"] = TRegValue::Dword(10);
  v["THeight"] = TRegValue::Dword(100000);
  return v;
}

TRegistryMetrics Metrics() {
  TRegistryMetrics m;
  m.ScreenWidth = 1280;
  m.ScreenHeight = 1024;
  m.FrameWidth = 8;
  m.FrameHeight = 40;
  return m;
}

TEST(LegacyRegistry, CommaTextSplitsAtCommasAndBlanksOutsideQuotes) {
  EXPECT_EQ(ParseCommaText("Склад,\"Магазин на Ленина\""),
            (std::vector<std::string>{"Склад", "Магазин на Ленина"}));
  EXPECT_EQ(ParseCommaText("Склад,Магазин на Ленина"),
            (std::vector<std::string>{"Склад", "Магазин", "на", "Ленина"}));
  EXPECT_EQ(ParseCommaText("a,"), (std::vector<std::string>{"a", ""}));
  EXPECT_EQ(ParseCommaText("\"say \"\"hi\"\"\",b"), (std::vector<std::string>{"say \"hi\"", "b"}));
  EXPECT_EQ(ParseCommaText("  12 ,\t13"), (std::vector<std::string>{"12", "13"}));
  EXPECT_EQ(ParseCommaText(""), std::vector<std::string>{});
  EXPECT_EQ(ParseCommaText("\"open"), std::vector<std::string>{"open"});
  EXPECT_EQ(ParseCommaText("a,,b"), (std::vector<std::string>{"a", "", "b"}));
}

TEST(LegacyRegistry, NoKeyReadsNothingAndDeletingItDoesNothing) {
  TMemoryRegistry reg;
  TFormState form;
  const TFormState before = form;
  EXPECT_FALSE(ReadRegistryData(reg, form));
  EXPECT_EQ(form.MinTimeEdit, before.MinTimeEdit);
  DeleteRegistryData(reg);
  EXPECT_TRUE(reg.Keys.empty());
  auto platform = PlatformRegistry();
  EXPECT_FALSE(ReadRegistryData(*platform, form));
  DeleteRegistryData(*platform);
}

TEST(LegacyRegistry, ACompleteKeyIsAppliedAndLeavesTheFuelPageAsDesigned) {
  TMemoryRegistry reg;
  reg.Keys[std::string(kLegacyKey)] = CompleteKey();
  TFormState form;
  TRecorder rec;
  ASSERT_TRUE(ReadRegistryData(reg, form, &rec, Metrics()));
  EXPECT_EQ(form.OpenDialog1.FileName, "D:\\Zentaro\\ZNT.mdb");
  EXPECT_EQ(form.OpenDialog2.FileName, "D:\\Zentaro\\city.mrk");
  EXPECT_EQ(form.OpenDialog2.FilterIndex, 3);  // left as designed
  EXPECT_DOUBLE_EQ(form.SDDateTimePicker, EncodeDate(2010, 3, 1));
  EXPECT_NEAR(form.STDateTimePicker, EncodeTime(8, 15), 1e-9);
  EXPECT_FALSE(form.PowerupCheckBox);
  EXPECT_EQ(form.MinTimeEdit, "45");
  EXPECT_FALSE(form.InCheckBox[1]);
  EXPECT_EQ(form.InComboBox[2], 0);  // 5 is no entry: "Замкнут"
  EXPECT_EQ(form.InComboBox[0], 1);
  EXPECT_EQ(form.InLabel[3], "Датчик двери багажни");  // 20 characters
  EXPECT_FALSE(form.SensorFilterCheckBox);
  EXPECT_EQ(form.MinSensorTimeEdit, "30");
  EXPECT_EQ(form.TimeRadioGroup, 0);
  EXPECT_EQ(form.SignButton, "-");
  EXPECT_EQ(form.HoursCSpinEdit, 5);
  EXPECT_EQ(form.MinutesComboBox, 3);
  EXPECT_EQ(form.SavedPointsText, (std::vector<std::string>{"Склад", "Магазин на Ленина"}));
  EXPECT_EQ(form.SavedObjectsText, (std::vector<std::string>{"101", "102"}));
  EXPECT_EQ(form.Geometry.Height, 1024);
  EXPECT_EQ(form.Geometry.Width, 700);
  EXPECT_EQ(form.Geometry.Left, 0);
  EXPECT_EQ(form.Geometry.Top, 0);  // 900 + 1024 sticks out: moved back to touch the edge
  EXPECT_EQ(form.Geometry.LWidth, 30);
  EXPECT_EQ(form.Geometry.THeight, 1024 - 40 - 36);
  EXPECT_EQ(form.SpeedThresholdEdit, "80");
  EXPECT_EQ(form.AnInEdit[1], "1");
  EXPECT_EQ(form.AnInLabel[2], "AN_IN3");
  EXPECT_EQ(form.ReportsPageControl, 0);
  // The fuel page keeps the designed state.
  const TFormState designed;
  EXPECT_EQ(form.SensThresEdit, designed.SensThresEdit);
  EXPECT_EQ(form.SensorCheckBox, designed.SensorCheckBox);
  EXPECT_EQ(form.MinLoadEdit, designed.MinLoadEdit);
  EXPECT_EQ(form.DeleteSheetsCheckBox, designed.DeleteSheetsCheckBox);
  EXPECT_EQ(rec.calls, (std::vector<std::string>{"NavFilter", "NavLack", "In1", "In2", "In3", "In4", "In5",
                                                 "TimeRadio", "SpeedExcess", "AnIn1", "AnIn2", "AnIn3"}));
  DeleteRegistryData(reg);
  EXPECT_FALSE(ReadRegistryData(reg, form));
}

TEST(LegacyRegistry, TheFirstMissingOrMistypedValueStopsTheReading) {
  TMemoryRegistry reg;
  auto key = CompleteKey();
  key.erase("TimeType");
  reg.Keys[std::string(kLegacyKey)] = key;
  TFormState form;
  EXPECT_FALSE(ReadRegistryData(reg, form));
  EXPECT_EQ(form.MinTimeEdit, "45");           // before the failure: applied
  EXPECT_TRUE(form.SavedPointsText.empty());   // after it: not reached
  EXPECT_EQ(form.TimeRadioGroup, 1);

  key = CompleteKey();
  key["TimeType"] = TRegValue::Str("0");
  reg.Keys[std::string(kLegacyKey)] = key;
  EXPECT_FALSE(ReadRegistryData(reg, form));

  key = CompleteKey();
  key["SDate"] = TRegValue::Bin({1, 2, 3, 4});
  reg.Keys[std::string(kLegacyKey)] = key;
  TFormState fresh;
  EXPECT_FALSE(ReadRegistryData(reg, fresh));
  EXPECT_EQ(fresh.OpenDialog1.FileName, "D:\\Zentaro\\ZNT.mdb");
}

TEST(LegacyRegistry, AMissingTextBecomesEmptyAndTheReadingGoesOn) {
  TMemoryRegistry reg;
  auto key = CompleteKey();
  key.erase("MinNavTime");
  key["TimeZone"] = TRegValue::Dword(49);
  key["Height"] = TRegValue::Dword(0);
  key["Width"] = TRegValue::Dword(0);
  reg.Keys[std::string(kLegacyKey)] = key;
  TFormState form;
  ASSERT_TRUE(ReadRegistryData(reg, form, nullptr, Metrics()));
  EXPECT_EQ(form.MinNavTimeEdit, "");
  EXPECT_EQ(form.SignButton, "+");
  EXPECT_EQ(form.HoursCSpinEdit, 0);
  EXPECT_EQ(form.Geometry.Height, Metrics().FallbackClientHeight + 40);
  EXPECT_EQ(form.Geometry.Width, Metrics().FallbackClientWidth + 8);
}

TEST(LegacyRegistry, AKeyThatCannotBeDeletedWinsAgainAtTheNextStart) {
  TMemoryRegistry reg;
  reg.Keys[std::string(kLegacyKey)] = CompleteKey();
  reg.Keys[std::string(kLegacyKey) + "\\Sub"] = {};
  reg.Keys["\\Software\\Ordavin"] = {};
  reg.DeleteRefused = true;
  TFormState form;
  EXPECT_TRUE(ReadRegistryData(reg, form));
  DeleteRegistryData(reg);
  form.MinTimeEdit = "999";
  EXPECT_TRUE(ReadRegistryData(reg, form));
  EXPECT_EQ(form.MinTimeEdit, "45");
  reg.DeleteRefused = false;
  DeleteRegistryData(reg);
  EXPECT_EQ(reg.Keys.size(), 1u);  // the parent stays, the subkey went with the key
  EXPECT_TRUE(reg.Keys.count("\\Software\\Ordavin"));
}

}  // namespace
}  // namespace vedograf::settings
