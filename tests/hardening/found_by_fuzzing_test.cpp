// Faults the fuzz targets found, as plain cases (their inputs are replayed
// from tests/fuzz/*/crashes as well).

#include <gtest/gtest.h>

#include "areas/area_lookup.h"
#include "areas/control_point.h"
#include "core/units.h"
#include "run/form_state.h"
#include "settings/profile_file.h"
#include "settings/settings_file.h"

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
  // its reference point fell just beyond the grid and was not found.
  TControlPointList list;
  list.AddPoint(1.1111111111111111e+21, 55.76, "far")->Radius = 300;
  list.AddPoint(1.0, 1.0, "near")->Radius = 300;
  list.Arrange();
  for (std::size_t i = 0; i < list.Count(); ++i) list.Items(i)->Selected = true;
  const TAreaLookup lookup(list);
  for (std::size_t i = 0; i < list.Count(); ++i) {
    const TControlPoint* a = list.Items(i);
    const double lat = a->Latitude / kDegToRad, lon = a->Longitude / kDegToRad;
    EXPECT_EQ(lookup.Find(lon, lat), Walk(list, lon, lat)) << a->Name;
    EXPECT_NE(lookup.Find(lon, lat), -1) << a->Name;
  }
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

}  // namespace
}  // namespace vedograf
