#include "calc/point_report.h"

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

TRecord At(double seconds, double north) { return Fix(seconds, kLat0 + NorthDegrees(north), kLon0); }
double Time(double seconds) { return At(seconds, 0).Time; }

// A chosen circle centred `north` metres up the meridian.
TControlPoint* AddCircle(TControlPointList& list, double north, double radius, const char* name, bool selected = true) {
  TControlPoint* area = list.AddPoint(kLat0 + NorthDegrees(north), kLon0, name);
  area->Radius = radius;
  area->Selected = selected;
  return area;
}

TRequestParams AreaRequest(double minSeconds) {
  TRequestParams req;
  req.MinTime = minSeconds * kSecondToDays;
  return req;
}

void RunAreas(TCalcHarness& h, const std::vector<TRecord>& fixes) {
  ASSERT_EQ(InitPointReport(h.ctx, h.obj), 0);
  for (const TRecord& f : fixes) ASSERT_EQ(PointReportStep(h.ctx, h.obj, f), 0);
  ASSERT_EQ(ClosePointReport(h.ctx, h.obj), 0);
  ASSERT_EQ(h.obj.AreaVisits.size(), static_cast<std::size_t>(h.obj.AreaVisitCount));
}

void ExpectVisit(const TAreaVisit& v, const TControlPointList& list, const char* name, double begin, double end) {
  ASSERT_GE(v.Area, 0);
  EXPECT_EQ(list.Items(v.Area)->Name, name);
  EXPECT_EQ(v.Begin, Time(begin));
  EXPECT_EQ(v.End, Time(end));
}

class PointReport : public ::testing::Test {
 protected:
  void SetUp() override {
    AddCircle(areas, 0, 100, "База");
    areas.Arrange();
  }
  TControlPointList areas;
};

TEST_F(PointReport, StayShorterThanMinimumIsDropped) {
  TCalcHarness h(kMaskPoints, AreaRequest(30));
  h.UseAreas(areas);
  RunAreas(h, {At(0, -500), At(10, 0), At(39, 500)});
  EXPECT_EQ(h.obj.AreaVisitCount, 0);
  EXPECT_TRUE(h.obj.AreaVisits.empty());
}

TEST_F(PointReport, StayOfExactlyTheMinimumIsKept) {
  TRequestParams req;
  // The minimum as long as the stay is on the clock, to the last bit.
  req.MinTime = Time(40) - Time(10);
  TCalcHarness h(kMaskPoints, req);
  h.UseAreas(areas);
  RunAreas(h, {At(0, -500), At(10, 0), At(40, 500)});
  ASSERT_EQ(h.obj.AreaVisitCount, 1);
  ExpectVisit(h.obj.AreaVisits[0], areas, "База", 10, 40);
}

TEST_F(PointReport, WithoutFilterAStayOfOneStepCounts) {
  TCalcHarness h(kMaskPoints, AreaRequest(0));
  h.UseAreas(areas);
  RunAreas(h, {At(0, -500), At(10, 0), At(20, 500)});
  ASSERT_EQ(h.obj.AreaVisitCount, 1);
  ExpectVisit(h.obj.AreaVisits[0], areas, "База", 10, 20);
}

TEST_F(PointReport, FixAtTheSameTimeIsIgnored) {
  TCalcHarness h(kMaskPoints, AreaRequest(0));
  h.UseAreas(areas);
  RunAreas(h, {At(0, -500), At(10, 0), At(10, 500), At(20, 0), At(30, 500)});
  ASSERT_EQ(h.obj.AreaVisitCount, 1);
  ExpectVisit(h.obj.AreaVisits[0], areas, "База", 10, 30);
}

TEST_F(PointReport, StayOpenAtTheLastFixEndsThere) {
  TCalcHarness h(kMaskPoints, AreaRequest(30));
  h.UseAreas(areas);
  RunAreas(h, {At(0, -500), At(10, 0), At(25, 20), At(50, 0)});
  ASSERT_EQ(h.obj.AreaVisitCount, 1);
  ExpectVisit(h.obj.AreaVisits[0], areas, "База", 10, 50);
}

TEST_F(PointReport, ShortStayOpenAtTheLastFixIsDropped) {
  TCalcHarness h(kMaskPoints, AreaRequest(30));
  h.UseAreas(areas);
  RunAreas(h, {At(0, -500), At(10, 0), At(29, 0)});
  EXPECT_EQ(h.obj.AreaVisitCount, 0);
}

TEST(PointReportAreas, UnselectedAreaIsIgnored) {
  TControlPointList list;
  AddCircle(list, 0, 100, "Не выбран", false);
  AddCircle(list, 5000, 100, "Выбран");
  list.Arrange();
  TCalcHarness h(kMaskPoints, AreaRequest(0));
  h.UseAreas(list);
  RunAreas(h, {At(0, -500), At(10, 0), At(20, 0), At(30, 500)});
  EXPECT_EQ(h.obj.AreaVisitCount, 0);
}

TEST(PointReportAreas, MovingStraightIntoAnotherAreaSplitsAtThatFix) {
  TControlPointList list;
  AddCircle(list, 0, 100, "Первый");
  AddCircle(list, 250, 120, "Второй");
  list.Arrange();
  TCalcHarness h(kMaskPoints, AreaRequest(0));
  h.UseAreas(list);
  RunAreas(h, {At(0, -500), At(10, 0), At(20, 250), At(30, 600)});
  ASSERT_EQ(h.obj.AreaVisitCount, 2);
  ExpectVisit(h.obj.AreaVisits[0], list, "Первый", 10, 20);
  ExpectVisit(h.obj.AreaVisits[1], list, "Второй", 20, 30);
}

TEST(PointReportAreas, SmallAreaInsideLargerEndsTheLargerStay) {
  TControlPointList list;
  AddCircle(list, 0, 1000, "Город");
  AddCircle(list, 300, 100, "Площадь");
  list.Arrange();
  TCalcHarness h(kMaskPoints, AreaRequest(0));
  h.UseAreas(list);
  RunAreas(h, {At(0, -2000), At(10, -500), At(20, 300), At(30, 500), At(40, 2000)});
  ASSERT_EQ(h.obj.AreaVisitCount, 3);
  ExpectVisit(h.obj.AreaVisits[0], list, "Город", 10, 20);
  ExpectVisit(h.obj.AreaVisits[1], list, "Площадь", 20, 30);
  ExpectVisit(h.obj.AreaVisits[2], list, "Город", 30, 40);
}

TEST(PointReportAreas, LimitOfTenThousandStays) {
  TControlPointList list;
  AddCircle(list, 0, 100, "Первый");
  AddCircle(list, 250, 120, "Второй");
  list.Arrange();
  TCalcHarness h(kMaskPoints, AreaRequest(0));
  h.UseAreas(list);
  ASSERT_EQ(InitPointReport(h.ctx, h.obj), 0);
  // Every fix changes the area, so every fix after the first ends a stay.
  for (int i = 0; i <= kEventLimit; ++i) ASSERT_EQ(PointReportStep(h.ctx, h.obj, At(i * 10.0, (i % 2) * 250.0)), 0);
  ASSERT_EQ(h.obj.AreaVisitCount, kEventLimit);
  EXPECT_EQ(PointReportStep(h.ctx, h.obj, At((kEventLimit + 1) * 10.0, 0)), 1);
  EXPECT_EQ(PointReportStep(h.ctx, h.obj, At((kEventLimit + 2) * 10.0, 5000)), 1);
  // Still inside an area at the end, but there is no room for that stay.
  ASSERT_EQ(ClosePointReport(h.ctx, h.obj), 0);
  EXPECT_EQ(h.obj.AreaVisitCount, kEventLimit);
  ASSERT_EQ(h.obj.AreaVisits.size(), static_cast<std::size_t>(kEventLimit));
  EXPECT_EQ(h.obj.AreaVisits[kEventLimit - 1].End, Time(kEventLimit * 10.0));
}

class TFailingMemory : public TMemory {
 public:
  bool Fail = false;
  void* Allocate(std::size_t bytes) noexcept override { return Fail ? nullptr : TMemory::Allocate(bytes); }
};

TEST_F(PointReport, CopyFailureLeavesNoStays) {
  TFailingMemory memory;
  TCalcHarness h(kMaskPoints, AreaRequest(0), &memory);
  h.UseAreas(areas);
  RunAreas(h, {At(0, -500), At(10, 0), At(20, 500)});
  ASSERT_EQ(h.obj.AreaVisitCount, 1);

  memory.Fail = true;
  ASSERT_EQ(InitPointReport(h.ctx, h.obj), 0);
  ASSERT_EQ(PointReportStep(h.ctx, h.obj, At(10, 0)), 0);
  ASSERT_EQ(PointReportStep(h.ctx, h.obj, At(20, 500)), 0);
  EXPECT_EQ(ClosePointReport(h.ctx, h.obj), 1);
  EXPECT_EQ(h.obj.AreaVisitCount, 0);
  EXPECT_TRUE(h.obj.AreaVisits.empty());
}

}  // namespace
}  // namespace vedograf
