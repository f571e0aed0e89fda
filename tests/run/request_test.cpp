// The output action: which mask and parameters reach the run, and what the
// user is told or asked on the way.

#include "run/request.h"

#include <gtest/gtest.h>

#include "areas/control_point.h"
#include "core/datetime.h"
#include "core/units.h"
#include "support/test_services.h"

namespace vedograf {
namespace {

using test::TShown;
using test::TTestServices;

class RequestTest : public ::testing::Test {
 protected:
  RequestTest() {
    form.TimeRadioGroup = 2;  // UTC: the bounds are the pickers' values
    form.SDDateTimePicker = EncodeDate(2010, 3, 1);
    form.STDateTimePicker = EncodeTime(8, 0);
    form.FDDateTimePicker = EncodeDate(2010, 3, 2);
    form.FTDateTimePicker = EncodeTime(8, 0);
    for (int n : {5, 17, 123}) {
      TObjReport o;
      o.Number = n;
      objects.push_back(std::move(o));
    }
    form.ObjectsListBox.SetItems({"5", "17  -  Газель", "123  -  КамАЗ"});
    form.ObjectsListBox.Selected[1] = true;
    areas.AddPoint(55.0, 37.0, "Склад");
    areas.AddPoint(55.1, 37.1, "Клиент");
    form.PointsListBox.SetItems({"Склад", "Клиент"});
  }

  void UntickAll() {
    for (bool* b : {&form.WayCheckBox, &form.PowerupCheckBox, &form.NavLackCheckBox, &form.PointsCheckBox,
                    &form.StopsCheckBox, &form.SpeedExcessCheckBox, &form.SensorsCheckBox,
                    &form.AnalogInputsCheckBox, &form.FuelCheckBox, &form.LoadCheckBox, &form.GraphCheckBox,
                    &form.DeleteSheetsCheckBox}) {
      *b = false;
    }
  }

  TRequestOutcome Click(bool autoMode = false) {
    TRequestContext ctx{form, services, objects, &areas, nullptr, req, requestParams, personal, autoMode, "", false};
    return CalcButtonClick(ctx, [this](TReportMask mask, const TRunInputs& in) {
      runs.push_back(mask);
      lastInputs = in;
    });
  }

  TFormState form;
  TTestServices services;
  TObjReports objects;
  TControlPointList areas;
  TRequestParams req;
  TReportParams requestParams;
  TPersonalParams personal;
  std::vector<TReportMask> runs;
  TRunInputs lastInputs;
};

TEST_F(RequestTest, DesignedFormRunsEveryReportAfterTheAreaQuestion) {
  services.answers.push_back(TAnswer::Yes);
  const TRequestOutcome out = Click();
  ASSERT_TRUE(out.Ran);
  // No area selected: the area report and its filter are dropped after asking.
  EXPECT_EQ(services.shown, (std::vector<TShown>{{TShown::YesNo, kMsgNoAreas}}));
  EXPECT_EQ(out.Mask, 0x3FFFFu & ~(kMaskPoints | kMaskPointFilter));
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(lastInputs.Objects, &objects);
  EXPECT_EQ(lastInputs.Req, &req);
  EXPECT_FALSE(req.CPointsChosen);
  EXPECT_TRUE(objects[1].Chosen);
  EXPECT_FALSE(objects[0].Chosen || objects[2].Chosen);
  EXPECT_DOUBLE_EQ(requestParams.Begin, EncodeDateTime(2010, 3, 1, 8, 0));
  EXPECT_DOUBLE_EQ(requestParams.End, EncodeDateTime(2010, 3, 2, 8, 0));
  // Designed edits: 30 s, 60 s, 3 km/h, 80 km/h; the area filter never read.
  EXPECT_DOUBLE_EQ(req.MinNavTime, 30 * kSecondToDays);
  EXPECT_DOUBLE_EQ(req.MinStopTime, 60 * kSecondToDays);
  EXPECT_DOUBLE_EQ(req.MaxSpeed, 3 * kKmhToMpd);
  EXPECT_DOUBLE_EQ(req.SpeedThres, 80 * kKmhToMpd);
  EXPECT_DOUBLE_EQ(req.MinTime, 0.0);
  EXPECT_EQ(req.SensorStates, (std::array<std::int32_t, 5>{2, 1, 1, 1, 1}));
  EXPECT_EQ(req.AnalogThres, (std::array<double, 3>{1000, 1000, 1000}));
  EXPECT_EQ(req.FuelThres, (std::array<std::int32_t, 3>{99, 99, 99}));
  EXPECT_FLOAT_EQ(req.MinLoad, 99.0f);
}

TEST_F(RequestTest, AnswerNoToEitherQuestionStopsWithoutRun) {
  services.answers.push_back(TAnswer::No);
  EXPECT_FALSE(Click().Ran);
  EXPECT_TRUE(runs.empty());

  services.shown.clear();
  form.PointsListBox.Selected[0] = true;
  form.SensorCheckBox = {false, false, false};
  services.answers = {TAnswer::No};
  EXPECT_FALSE(Click().Ran);
  EXPECT_EQ(services.shown, (std::vector<TShown>{{TShown::YesNo, kMsgNoFuelSensors}}));
  EXPECT_TRUE(areas.Items(0)->Selected);
  EXPECT_FALSE(areas.Items(1)->Selected);
}

TEST_F(RequestTest, UnattendedSkipsBothQuestionsAndGoesOn) {
  form.SensorCheckBox = {false, false, false};
  const TRequestOutcome out = Click(/*autoMode=*/true);
  ASSERT_TRUE(out.Ran);
  EXPECT_TRUE(services.shown.empty());
  EXPECT_EQ(out.Mask & (kMaskFuelReports | kMaskPoints | kMaskPointFilter), 0u);
}

TEST_F(RequestTest, NothingLeftToReport) {
  // Only the sheet-deletion box.
  UntickAll();
  form.DeleteSheetsCheckBox = true;
  EXPECT_FALSE(Click().Ran);
  EXPECT_EQ(services.Errors(), (std::vector<std::string>{kMsgNoReports}));

  // The area question answered Yes with nothing else chosen: refused after it.
  services.shown.clear();
  form.PointsCheckBox = true;
  services.answers = {TAnswer::Yes};
  EXPECT_FALSE(Click().Ran);
  EXPECT_EQ(services.shown,
            (std::vector<TShown>{{TShown::YesNo, kMsgNoAreas}, {TShown::Error, kMsgNoReports}}));

  // Input reports chosen with none of their inputs: dropped silently.
  services.shown.clear();
  form.PointsCheckBox = false;
  form.SensorsCheckBox = form.AnalogInputsCheckBox = true;
  form.InCheckBox.fill(false);
  form.AnInCheckBox.fill(false);
  ASSERT_TRUE(form.SensorFilterCheckBox);  // its bit must not keep the run alive
  EXPECT_FALSE(Click().Ran);
  EXPECT_EQ(services.shown, (std::vector<TShown>{{TShown::Error, kMsgNoReports}}));
}

TEST_F(RequestTest, NoFuelQuestionWithoutFuelReport) {
  form.FuelCheckBox = form.LoadCheckBox = form.GraphCheckBox = false;
  form.SensorCheckBox = {false, false, false};
  form.PointsListBox.Selected[1] = true;
  ASSERT_TRUE(Click().Ran);
  EXPECT_TRUE(services.shown.empty());
  EXPECT_TRUE(req.CPointsChosen);
}

TEST_F(RequestTest, RefusalsBeforeTheMask) {
  form.FDDateTimePicker = form.SDDateTimePicker;
  form.FTDateTimePicker = form.STDateTimePicker;
  EXPECT_FALSE(Click().Ran);
  EXPECT_EQ(services.Errors(), (std::vector<std::string>{"Конечное время должно быть больше начального"}));

  services.shown.clear();
  form.FDDateTimePicker = EncodeDate(2010, 3, 2);
  form.ObjectsListBox.Items[1] = "Газель 17";  // selected, but names no object
  EXPECT_FALSE(Click().Ran);
  EXPECT_EQ(services.Errors(), (std::vector<std::string>{kMsgNoObjects}));
  EXPECT_FALSE(objects[1].Chosen);
}

TEST_F(RequestTest, ParameterReadingAndFallbacks) {
  form.PointsListBox.Selected[0] = true;
  form.MinTimeEdit = "";
  form.MaxSpeedEdit = "5";
  form.AnInEdit[1] = "0,5";
  form.AnInEdit[2] = "2.5";
  form.AnInCheckBox[0] = false;
  form.InComboBox[3] = 7;  // no entry selected
  form.SensThresEdit[0] = "x";
  form.MinUnloadEdit = "";
  form.ShiftDateTimePicker = EncodeDateTime(2001, 1, 1, 6, 30);
  form.FilterCheckBox = false;
  ASSERT_TRUE(Click().Ran);
  EXPECT_DOUBLE_EQ(req.MinTime, 0.0) << "the area filter is not ticked";

  form.FilterCheckBox = true;
  form.NavFilterCheckBox = false;
  ASSERT_TRUE(Click().Ran);
  EXPECT_DOUBLE_EQ(req.MinTime, 0.001388888888888889);
  EXPECT_DOUBLE_EQ(req.MinNavTime, 0.0);
  EXPECT_DOUBLE_EQ(req.MaxSpeed, 120000.0);
  EXPECT_EQ(req.AnalogThres, (std::array<double, 3>{-1.0, 0.5, 2.5}));
  EXPECT_EQ(req.SensorStates[3], 0);
  EXPECT_EQ(req.FuelThres[0], 10);
  EXPECT_FLOAT_EQ(req.MinUnload, 15.0f);
  EXPECT_NEAR(req.DaysShift, 6.5 / 24, 1e-9);
}

TEST_F(RequestTest, FilterWithoutItsReportLeavesDurationZero) {
  form.StopsCheckBox = false;
  form.TimeFilterCheckBox = true;
  form.SpeedExcessCheckBox = false;
  req.MinStopTime = req.MinSpeedTime = 1.0;
  services.answers = {TAnswer::Yes};
  const TRequestOutcome out = Click();
  ASSERT_TRUE(out.Ran);
  EXPECT_EQ(out.Mask & (kMaskStopFilter | kMaskSpeedFilter), 0u);
  EXPECT_DOUBLE_EQ(req.MinStopTime, 0.0);
  EXPECT_DOUBLE_EQ(req.MinSpeedTime, 0.0);
}

TEST(ReadObjectsTest, ItemTextUpToTheFirstBlank) {
  TObjReports objects(3);
  objects[0].Number = 12;
  objects[1].Number = 17;
  objects[2].Number = 123;
  TFormState form;
  form.ObjectsListBox.SetItems({"12", "17  -  name", "x123"});
  form.ObjectsListBox.Selected = {false, true, true};
  TTestServices services;
  EXPECT_EQ(ReadObjects(form, objects, services), 0);
  EXPECT_FALSE(objects[0].Chosen);
  EXPECT_TRUE(objects[1].Chosen);
  EXPECT_FALSE(objects[2].Chosen);
}

TEST(ReadFloatValueTest, BothDecimalMarksAndFallbacks) {
  EXPECT_DOUBLE_EQ(ReadFloatValue("2.5", 1), 2.5);
  EXPECT_DOUBLE_EQ(ReadFloatValue("2,5", 1), 2.5);
  EXPECT_DOUBLE_EQ(ReadFloatValue(",5", 1), 0.5);
  EXPECT_DOUBLE_EQ(ReadFloatValue("-3", 1), -3.0);
  EXPECT_DOUBLE_EQ(ReadFloatValue(" 7 ", 1), 7.0);
  for (const char* bad : {"", "1,2,3", "abc", "inf", "nan", "0x10", "1e999", "5 kg"}) {
    EXPECT_DOUBLE_EQ(ReadFloatValue(bad, 42), 42.0) << bad;
  }
  EXPECT_EQ(ReadIntValue("0120", 1), 120);
  EXPECT_EQ(ReadIntValue("99999999999", 1), 1);
  EXPECT_EQ(ReadIntValue("12.5", 1), 1);
}

}  // namespace
}  // namespace vedograf
