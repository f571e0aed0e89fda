#include "areas/control_point.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "areas/area_lookup.h"
#include "core/units.h"

namespace vedograf {
namespace {

constexpr double kLat0 = 55.75;
constexpr double kLon0 = 37.61;

// Degrees of latitude that make `metres` of Y in the areas' local plane.
double PlaneNorth(double metres) { return metres / kPlaneRadius_m / kDegToRad; }

// A polygon from corners in degrees (lat, lon); the first is the reference.
TControlPoint* AddPolygon(TControlPointList& list, const std::vector<std::pair<double, double>>& corners,
                          const char* name = "P") {
  TControlPoint* area = list.AddPoint(corners[0].first, corners[0].second, name);
  for (std::size_t i = 1; i < corners.size(); ++i) {
    area->Points.push_back(area->ToLocal(corners[i].first * kDegToRad, corners[i].second * kDegToRad));
  }
  return area;
}

TEST(CircleContains, RimIsInsideAndJustBeyondIsOutside) {
  TControlPointList list;
  TControlPoint* c = list.AddPoint(kLat0, kLon0, "Depot");
  c->Radius = 300;
  EXPECT_TRUE(c->Contains(kLon0, kLat0));
  EXPECT_TRUE(c->Contains(kLon0, kLat0 + PlaneNorth(299)));
  EXPECT_FALSE(c->Contains(kLon0, kLat0 + PlaneNorth(301)));
  EXPECT_TRUE(c->Contains(kLon0, kLat0 - PlaneNorth(299)));
  EXPECT_FALSE(c->Contains(kLon0, kLat0 - PlaneNorth(301)));
  // East: 299 m and 301 m of X at the centre's latitude.
  const double eastDeg = 1 / (std::cos(kLat0 * kDegToRad) * kPlaneRadius_m * kDegToRad);
  EXPECT_TRUE(c->Contains(kLon0 + 299 * eastDeg, kLat0));
  EXPECT_FALSE(c->Contains(kLon0 + 301 * eastDeg, kLat0));

  // Exactly on the rim: the radius is the very Y the test computes.
  const double rimLat = kLat0 + PlaneNorth(300);
  c->Radius = (rimLat * kDegToRad - c->Latitude) * kPlaneRadius_m;
  EXPECT_TRUE(c->Contains(kLon0, rimLat));
  EXPECT_FALSE(c->Contains(kLon0, std::nextafter(rimLat, 90.0)));
}

TEST(PolygonContains, EdgesAndCornersAreInsideOfASquare) {
  TControlPointList list;
  const double n = kLat0 + 0.01, e = kLon0 + 0.01;
  TControlPoint* sq = AddPolygon(list, {{kLat0, kLon0}, {n, kLon0}, {n, e}, {kLat0, e}});
  // Corners, including the reference point.
  EXPECT_TRUE(sq->Contains(kLon0, kLat0));
  EXPECT_TRUE(sq->Contains(kLon0, n));
  EXPECT_TRUE(sq->Contains(e, n));
  EXPECT_TRUE(sq->Contains(e, kLat0));
  // Points on the west edge (the reference's longitude), south and north edges.
  EXPECT_TRUE(sq->Contains(kLon0, kLat0 + 0.004));
  EXPECT_TRUE(sq->Contains(kLon0 + 0.003, kLat0));
  EXPECT_TRUE(sq->Contains(kLon0 + 0.007, n));
  EXPECT_TRUE(sq->Contains(kLon0 + 0.005, kLat0 + 0.005));
  // Outside, level with the horizontal edges, on both sides.
  EXPECT_FALSE(sq->Contains(e + 0.001, n));
  EXPECT_FALSE(sq->Contains(kLon0 - 0.001, n));
  EXPECT_FALSE(sq->Contains(e + 0.001, kLat0));
  EXPECT_FALSE(sq->Contains(kLon0 - 0.001, kLat0));
  EXPECT_FALSE(sq->Contains(kLon0 + 0.005, n + 1e-7));
  EXPECT_FALSE(sq->Contains(kLon0 + 0.005, kLat0 - 1e-7));
}

TEST(PolygonContains, RayThroughACornerCountsItOnce) {
  TControlPointList list;
  // A diamond: bottom (reference), right, top, left; right and left corners
  // share a latitude.
  const double mid = kLat0 + 0.001;
  TControlPoint* d =
      AddPolygon(list, {{kLat0, kLon0}, {mid, kLon0 + 0.002}, {kLat0 + 0.002, kLon0}, {mid, kLon0 - 0.002}});
  EXPECT_TRUE(d->Contains(kLon0, mid));
  EXPECT_FALSE(d->Contains(kLon0 + 0.5, mid));  // far east, level with two corners
  EXPECT_FALSE(d->Contains(kLon0 - 0.5, mid));  // far west
  EXPECT_FALSE(d->Contains(kLon0 + 0.5, kLat0));
  EXPECT_FALSE(d->Contains(kLon0 + 0.5, kLat0 + 0.002));
  // A triangle whose apex points west: far east level with the apex.
  TControlPoint* t = AddPolygon(list, {{kLat0, kLon0}, {kLat0 + 0.002, kLon0}, {kLat0 + 0.001, kLon0 - 0.003}});
  EXPECT_TRUE(t->Contains(kLon0 - 0.001, kLat0 + 0.001));
  EXPECT_FALSE(t->Contains(kLon0 + 1, kLat0 + 0.001));
  EXPECT_FALSE(t->Contains(kLon0 - 1, kLat0 + 0.001));
}

TEST(PolygonContains, ConcaveNotchIsOutside) {
  TControlPointList list;
  // A "U" opening to the north: arms at the west and east, notch between.
  const double s = kLat0, nn = kLat0 + 0.003, notchBottom = kLat0 + 0.001;
  const double w = kLon0, w2 = kLon0 + 0.001, e2 = kLon0 + 0.002, e = kLon0 + 0.003;
  TControlPoint* u =
      AddPolygon(list, {{s, w}, {s, e}, {nn, e}, {nn, e2}, {notchBottom, e2}, {notchBottom, w2}, {nn, w2}, {nn, w}});
  EXPECT_TRUE(u->Contains(kLon0 + 0.0005, kLat0 + 0.002));   // west arm
  EXPECT_TRUE(u->Contains(kLon0 + 0.0025, kLat0 + 0.002));   // east arm
  EXPECT_TRUE(u->Contains(kLon0 + 0.0015, kLat0 + 0.0005));  // base
  EXPECT_FALSE(u->Contains(kLon0 + 0.0015, kLat0 + 0.002));  // in the notch
  EXPECT_TRUE(u->Contains(kLon0 + 0.0015, notchBottom));     // notch floor is boundary
  EXPECT_FALSE(u->Contains(kLon0 + 0.0015, nn));             // level with the arm tops, in the notch
  EXPECT_FALSE(u->Contains(kLon0 + 0.01, kLat0 + 0.002));
}

TEST(Contains, NonFinitePositionsAndAreasAreNeverInside) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  TControlPointList list;
  TControlPoint* c = list.AddPoint(kLat0, kLon0, "C");
  c->Radius = 300;
  TControlPoint* p = AddPolygon(list, {{kLat0, kLon0}, {kLat0 + 0.01, kLon0}, {kLat0, kLon0 + 0.01}});
  for (TControlPoint* a : {c, p}) {
    EXPECT_FALSE(a->Contains(nan, kLat0));
    EXPECT_FALSE(a->Contains(kLon0, nan));
    EXPECT_FALSE(a->Contains(inf, kLat0));
    EXPECT_FALSE(a->Contains(-inf, kLat0 + 0.001));
    EXPECT_FALSE(a->Contains(kLon0, inf));
    EXPECT_FALSE(a->Contains(kLon0, -inf));
  }
  TControlPoint* bad = list.AddPoint(nan, kLon0, "Bad");
  bad->Radius = 300;
  EXPECT_FALSE(bad->Contains(kLon0, kLat0));
  TControlPoint* badPoly = AddPolygon(list, {{kLat0, kLon0}, {nan, kLon0}, {kLat0, inf}});
  EXPECT_FALSE(badPoly->Contains(kLon0, kLat0 + 0.001));
  TControlPoint* empty = list.AddPoint(kLat0, kLon0, "NoVertices");
  EXPECT_FALSE(empty->Contains(kLon0, kLat0));
}

TEST(ControlPointList, SlotsDeleteAndItemsBeyondCount) {
  TControlPointList list;
  EXPECT_EQ(list.Count(), 0u);
  EXPECT_EQ(list.Items(0), nullptr);
  TControlPoint* a = list.AddPoint(10, 20, "A");
  list.AddPoint(11, 21, "B");
  EXPECT_DOUBLE_EQ(a->Latitude, 10 * 0.017453292519943295);
  EXPECT_DOUBLE_EQ(a->Longitude, 20 * 0.017453292519943295);
  EXPECT_EQ(a->Radius, 0.0);
  EXPECT_FALSE(a->Selected);
  EXPECT_TRUE(a->Points.empty());
  EXPECT_EQ(list.Items(2), nullptr);
  EXPECT_EQ(list.Items(1000), nullptr);
  list.Delete(0);
  list.Delete(7);  // out of range: nothing
  EXPECT_EQ(list.Count(), 2u);
  EXPECT_EQ(list.Items(0), nullptr);
  list.Items(1)->Radius = 5;
  list.Arrange();
  ASSERT_EQ(list.Count(), 1u);
  EXPECT_EQ(list.Items(0)->Name, "B");
}

TEST(ControlPointList, ArrangeSortsBySizeAndNestedAreasResolveToTheSmallest) {
  TControlPointList list;
  TControlPoint* big = list.AddPoint(kLat0, kLon0, "Город");
  big->Radius = 5000;
  // A 200 m x 200 m square in metres around the same reference.
  TControlPoint* sq = list.AddPoint(kLat0, kLon0, "Двор");
  sq->Points = {TVertex{0, 200}, TVertex{200, 200}, TVertex{200, 0}};
  TControlPoint* mid = list.AddPoint(kLat0, kLon0, "Квартал");
  mid->Radius = 1000;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  TControlPoint* broken = list.AddPoint(kLat0, kLon0, "Битый");
  broken->Points = {TVertex{nan, 1}, TVertex{2, 2}};
  list.Arrange();
  ASSERT_EQ(list.Count(), 4u);
  EXPECT_EQ(list.Items(0)->Name, "Двор");
  EXPECT_DOUBLE_EQ(list.Items(0)->AreaSize, 40000.0);
  EXPECT_EQ(list.Items(1)->Name, "Квартал");
  EXPECT_DOUBLE_EQ(list.Items(1)->AreaSize, 3.141592653589793 * 1000 * 1000);
  EXPECT_EQ(list.Items(2)->Name, "Город");
  EXPECT_EQ(list.Items(3)->Name, "Битый");  // a NaN size goes last

  for (std::size_t i = 0; i < list.Count(); ++i) list.Items(i)->Selected = true;
  const TAreaLookup lookup(list);
  const double eastDeg = 1 / (std::cos(kLat0 * kDegToRad) * kPlaneRadius_m * kDegToRad);
  EXPECT_EQ(lookup.Find(kLon0 + 100 * eastDeg, kLat0 + PlaneNorth(100)), 0);
  EXPECT_EQ(lookup.Find(kLon0 - 500 * eastDeg, kLat0), 1);
  EXPECT_EQ(lookup.Find(kLon0 - 3000 * eastDeg, kLat0), 2);
  EXPECT_EQ(lookup.Find(kLon0 + 1, kLat0), -1);
  list.Items(0)->Selected = false;
  EXPECT_EQ(TAreaLookup(list).Find(kLon0 + 100 * eastDeg, kLat0 + PlaneNorth(100)), 1);
  EXPECT_TRUE(TAreaLookup().Empty());
  EXPECT_EQ(TAreaLookup().Find(kLon0, kLat0), -1);
}

TEST(ControlPointList, PolygonSizeDoesNotDependOnTheWinding) {
  TControlPoint a, b;
  a.Points = {TVertex{0, 100}, TVertex{50, 150}, TVertex{100, 100}, TVertex{100, 0}};
  b.Points = {TVertex{100, 0}, TVertex{100, 100}, TVertex{50, 150}, TVertex{0, 100}};
  EXPECT_DOUBLE_EQ(a.ComputeAreaSize(), 12500.0);
  EXPECT_DOUBLE_EQ(b.ComputeAreaSize(), 12500.0);
}

}  // namespace
}  // namespace vedograf
