// Faults the fuzz targets found, as plain cases (their inputs are replayed
// from tests/fuzz/*/crashes as well).

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "areas/area_lookup.h"
#include "areas/control_point.h"
#include "core/units.h"
#include "run/form_state.h"
#include "settings/profile_file.h"
#include "settings/settings_file.h"
#include "sheet/cell_ref.h"

namespace vedograf {
namespace {

int Walk(const TControlPointList& list, double lon, double lat) {
  for (std::size_t i = 0; i < list.Count(); ++i) {
    if (list.Items(i)->Selected && list.Items(i)->Contains(lon, lat)) return static_cast<int>(i);
  }
  return -1;
}

TEST(FoundByFuzzing, LookupFindsAnAreaOnTheGridsTopEdge) {
  // A damaged .mrk line put an area at a latitude of 1e21 degrees; a fix on
  // its reference point computed to the row just past the grid and was not
  // found. The positions are the fuzzer's, to the last bit.
  TControlPointList list;
  const double places[4][2] = {{1.9392547244381438e+19, 0.97319559091203811},
                               {0.97302105798683869, 0.65641833167506736},
                               {0.017453292519943295, 0.017453292519943295},
                               {0.017453292519943295, 0.017453292519943295}};
  for (const auto& p : places) {
    TControlPoint* a = list.AddPoint(0, 0, "area");
    a->Latitude = p[0];
    a->Longitude = p[1];
    a->Radius = 300;
  }
  list.Arrange();
  for (std::size_t i = 0; i < list.Count(); ++i) list.Items(i)->Selected = i != 1;
  const TAreaLookup lookup(list);
  const double lon = 55.759999999999998, lat = 1.1111111111111111e+21;
  ASSERT_EQ(Walk(list, lon, lat), 0);
  EXPECT_EQ(lookup.Find(lon, lat), 0);
}

TEST(FoundByFuzzing, LookupOfOneAreaBeyondAnyRealLatitude) {
  // Its latitude band collapses to a point in rounding; the grid building
  // converted 1e95 to a cell index (undefined behaviour) and the area was lost.
  TControlPointList list;
  list.AddPoint(6.0000000000000001e+96, -7.0, "far")->Radius = 50;
  list.Arrange();
  list.Items(0)->Selected = true;
  const TAreaLookup lookup(list);
  const double lat = list.Items(0)->Latitude / kDegToRad, lon = list.Items(0)->Longitude / kDegToRad;
  EXPECT_EQ(lookup.Find(lon, lat), Walk(list, lon, lat));
  EXPECT_EQ(lookup.Find(1.0, 1.0), -1);
}

TEST(FoundByFuzzing, FarOffFixIsNotOnTheEdgeOfAnAstronomicalPolygon) {
  // A damaged .mrk file made a polygon of corners 1e210 m away; the crossing
  // test's products overflowed to infinities whose difference, NaN, fell into
  // the edge test, which took a fix far north of every corner as on an edge.
  // The lookup's box rightly refused it, so the two disagreed.
  TControlPointList list;
  TControlPoint* p = list.AddPoint(0.5, 0.0, "far");
  p->Longitude = 6.5909915740613059e+203;
  p->Points.push_back(TVertex{-3.7161699358882567e+210, 6060123.5021284511});
  p->Points.push_back(TVertex{-3.7031211111125658e+210, 6144631.6463783151});
  p->Selected = true;
  const double lon = -7.8459116763945423e+298, lat = 6.5369699895371555e+199;
  EXPECT_EQ(Walk(list, lon, lat), -1);
  EXPECT_EQ(TAreaLookup(list).Find(lon, lat), -1);
}

TEST(FoundByFuzzing, SettingsWithCrCrLfLineEndsReadTheirNumbers) {
  // A CR LF file converted to CR LF once more: the stray CR stuck to every
  // value, so numbers read as their defaults and the line changed on each save.
  TProfile p;
  p.Parse("[Settings]\r\r\nTimeZone=-23\r\r\nPageNum=3\r\r\r\nForeign=x\r\r\n");
  EXPECT_EQ(p.Read("Settings", "TimeZone"), "-23");
  TFormState form;
  ASSERT_TRUE(ReadIniData(p, form));
  EXPECT_EQ(form.SignButton, "-");
  EXPECT_EQ(form.HoursCSpinEdit, 5);
  EXPECT_EQ(form.ReportsPageControl, 3);
  const std::string once = p.Text();
  TProfile again;
  again.Parse(once);
  EXPECT_EQ(again.Text(), once);
  EXPECT_EQ(once.find('\r'), std::string::npos);
}

TEST(FoundByFuzzing, WholeColumnAfterAColonKeepsItsMeaningInA1) {
  // "gs:C[-1]" came out as "gs:XFC:XFC", which the A1 reader takes as the
  // range GS:XFC and another column: the next trip gave a different formula.
  const int row = 5, col = kMaxCols;
  const std::string a1 = FormulaR1C1ToA1("gs:C[-1]", row, col);
  EXPECT_EQ(a1, "gs:(XFC:XFC)");
  EXPECT_EQ(FormulaA1ToR1C1(a1, row, col), "gs:(C[-1])");
  EXPECT_EQ(FormulaR1C1ToA1("5:R", row, col), "5:(5:5)");
  EXPECT_EQ(FormulaR1C1ToA1("5:(R)", row, col), "5:(5:5)");
  // A range of its own is written as before.
  EXPECT_EQ(FormulaR1C1ToA1("SUM(C[-1]:C)", row, col), "SUM(XFC:XFD)");
  EXPECT_EQ(FormulaR1C1ToA1("R1C1:R2C2", row, col), "$A$1:$B$2");
}

TEST(FoundByFuzzing, NaNSizedAreasSortAfterInfiniteOnes) {
  // NaN sizes were taken as infinity, so an area of NaN size listed before
  // one of infinite size stayed before it, against the ascending order.
  TControlPointList list;
  list.AddPoint(55.75, 37.61, "NaN")->Radius = std::numeric_limits<double>::quiet_NaN();
  list.AddPoint(55.75, 37.61, "Inf")->Radius = 1e200;
  list.AddPoint(55.75, 37.61, "Small")->Radius = 10;
  list.Arrange();
  ASSERT_EQ(list.Count(), 3u);
  EXPECT_EQ(list.Items(0)->Name, "Small");
  EXPECT_EQ(list.Items(1)->Name, "Inf");
  EXPECT_TRUE(std::isinf(list.Items(1)->AreaSize));
  EXPECT_EQ(list.Items(2)->Name, "NaN");
}

}  // namespace
}  // namespace vedograf
