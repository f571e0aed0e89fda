// Faults the fuzz targets found, as plain cases (their inputs are replayed
// from tests/fuzz/*/crashes as well).

#include <gtest/gtest.h>

#include "areas/area_lookup.h"
#include "areas/control_point.h"
#include "core/units.h"
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
