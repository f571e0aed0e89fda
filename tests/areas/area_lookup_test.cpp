#include "areas/area_lookup.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "areas/control_point.h"
#include "core/units.h"

namespace vedograf {
namespace {

// What the calculators' lookup means, walked without any shortcut.
int BruteForce(const TControlPointList& list, double lon, double lat) {
  for (std::size_t i = 0; i < list.Count(); ++i) {
    const TControlPoint* a = list.Items(i);
    if (a != nullptr && a->Selected && a->Contains(lon, lat)) return static_cast<int>(i);
  }
  return -1;
}

struct TPos {
  double Lat, Lon;
};

class LookupEquivalence : public ::testing::Test {
 protected:
  std::mt19937_64 rng{20240510};

  double Uniform(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); }

  // A star-shaped (often concave) polygon of `n` corners around a centre
  // `size` metres across; the corners go into `probes` for the boundary checks.
  TControlPoint* AddStar(TControlPointList& list, double lat, double lon, double size, int n, std::vector<TPos>& probes) {
    const double degY = size / kPlaneRadius_m / kDegToRad;
    const double c = std::cos(lat * kDegToRad);
    const double degX = c > 1e-6 ? degY / c : degY;
    std::vector<TPos> corners;
    for (int k = 0; k < n; ++k) {
      const double ang = 2 * kPi * k / n;
      const double r = Uniform(0.2, 1.0);
      // Some corners are rounded to a grid so that several share a latitude.
      double cl = lat + r * std::sin(ang) * degY, co = lon + r * std::cos(ang) * degX;
      if (rng() % 3 == 0) cl = lat + std::round(r * std::sin(ang) * 4) / 4 * degY;
      corners.push_back({cl, co});
    }
    TControlPoint* area = list.AddPoint(corners[0].Lat, corners[0].Lon, "Star");
    for (std::size_t i = 1; i < corners.size(); ++i) {
      area->Points.push_back(area->ToLocal(corners[i].Lat * kDegToRad, corners[i].Lon * kDegToRad));
    }
    for (std::size_t i = 0; i < corners.size(); ++i) {
      const TPos a = corners[i], b = corners[(i + 1) % corners.size()];
      probes.push_back(a);
      const double t = Uniform(0, 1);
      probes.push_back({a.Lat + t * (b.Lat - a.Lat), a.Lon + t * (b.Lon - a.Lon)});
      // Far east and far west level with the corner.
      probes.push_back({a.Lat, a.Lon + 10 * degX});
      probes.push_back({a.Lat, a.Lon - 10 * degX});
    }
    return area;
  }

  TControlPoint* AddCircle(TControlPointList& list, double lat, double lon, double radius, std::vector<TPos>& probes) {
    TControlPoint* area = list.AddPoint(lat, lon, "Circle");
    area->Radius = radius;
    // North and south rims, found by the very arithmetic of Contains.
    const double rim = radius / kPlaneRadius_m / kDegToRad;
    probes.push_back({lat + rim, lon});
    probes.push_back({lat - rim, lon});
    const double c = std::cos(lat * kDegToRad);
    if (c > 1e-9) {
      probes.push_back({lat, lon + rim / c});
      probes.push_back({lat, lon - rim / c});
    }
    return area;
  }

  void Check(TControlPointList& list, std::vector<TPos> probes, double spreadDeg) {
    // Around every probe: itself, its neighbouring doubles, small jitters.
    std::vector<TPos> all;
    for (const TPos& p : probes) {
      all.push_back(p);
      all.push_back({std::nextafter(p.Lat, 100.0), p.Lon});
      all.push_back({std::nextafter(p.Lat, -100.0), p.Lon});
      all.push_back({p.Lat, std::nextafter(p.Lon, 400.0)});
      all.push_back({p.Lat, std::nextafter(p.Lon, -400.0)});
      for (int j = 0; j < 4; ++j) {
        const double s = std::pow(10.0, -static_cast<double>(rng() % 12));
        all.push_back({p.Lat + Uniform(-s, s) * spreadDeg, p.Lon + Uniform(-s, s) * spreadDeg});
      }
    }
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    for (const double v : {nan, inf, -inf, 1e300, -1e300}) {
      all.push_back({v, 0});
      all.push_back({0, v});
      all.push_back({v, v});
    }
    for (int round = 0; round < 4; ++round) {
      for (std::size_t i = 0; i < list.Count(); ++i) {
        if (TControlPoint* a = list.Items(i)) a->Selected = rng() % 4 != 0;
      }
      const TAreaLookup lookup(list);
      int hits = 0;
      for (const TPos& p : all) {
        const int expected = BruteForce(list, p.Lon, p.Lat);
        hits += expected >= 0;
        ASSERT_EQ(lookup.Find(p.Lon, p.Lat), expected) << "lat " << p.Lat << " lon " << p.Lon;
      }
      EXPECT_GT(hits, 0);  // the probes do reach inside
    }
  }
};

TEST_F(LookupEquivalence, AgreesWithThePlainWalkInMidLatitudes) {
  TControlPointList list;
  std::vector<TPos> probes;
  for (int i = 0; i < 60; ++i) {
    const double lat = Uniform(55.5, 56.0), lon = Uniform(37.3, 37.9);
    if (i % 2 == 0) {
      AddCircle(list, lat, lon, Uniform(1, 3000), probes);
    } else {
      AddStar(list, lat, lon, Uniform(50, 5000), 3 + static_cast<int>(rng() % 12), probes);
    }
  }
  // Nested: a small circle and polygon inside a big circle, and a copy.
  AddCircle(list, 55.7, 37.6, 20000, probes);
  AddCircle(list, 55.7, 37.6, 20, probes);
  AddStar(list, 55.7, 37.6, 300, 7, probes);
  list.Delete(3);  // an empty slot is skipped, indices stay
  for (int i = 0; i < 3000; ++i) probes.push_back({Uniform(55.4, 56.1), Uniform(37.2, 38.0)});
  Check(list, probes, 0.05);
  list.Arrange();
  Check(list, probes, 0.05);
}

TEST_F(LookupEquivalence, AgreesNearThePolesAndTheAntimeridian) {
  TControlPointList list;
  std::vector<TPos> probes;
  for (const double lat : {89.999, -89.9999, 89.5, 90.0, -90.0, 88.0, 0.0, 1e-300}) {
    for (const double lon : {179.9999, -179.9999, 180.0, 0.0, -0.0}) {
      AddCircle(list, lat, lon, Uniform(10, 20000), probes);
      AddStar(list, lat, lon, Uniform(10, 20000), 3 + static_cast<int>(rng() % 8), probes);
    }
  }
  // A polygon straddling the antimeridian (its far corner is ~2 pi away in
  // the plane, as the containment test sees it).
  TControlPoint* straddle = list.AddPoint(10.0, 179.99, "Straddle");
  straddle->Points = {straddle->ToLocal(10.0 * kDegToRad, -179.99 * kDegToRad),
                      straddle->ToLocal(10.01 * kDegToRad, -179.99 * kDegToRad),
                      straddle->ToLocal(10.01 * kDegToRad, 179.99 * kDegToRad)};
  probes.push_back({10.005, 179.995});
  probes.push_back({10.005, -179.995});
  // Areas beyond the poles (bad data) must not confuse the bounds.
  AddCircle(list, 95.0, 10.0, 5000, probes);
  AddStar(list, -120.0, 10.0, 5000, 5, probes);
  for (int i = 0; i < 3000; ++i) probes.push_back({Uniform(-91, 91), Uniform(-181, 181)});
  Check(list, probes, 0.5);
}

TEST_F(LookupEquivalence, AgreesForTinyAndDegenerateShapes) {
  TControlPointList list;
  std::vector<TPos> probes;
  // Coordinates near the underflow range, slivers and repeated corners.
  AddStar(list, 1e-300, 1e-300, 1e-290, 6, probes);
  AddStar(list, 0.0, 0.0, 1e-9, 5, probes);
  TControlPoint* sliver = list.AddPoint(0.0, 0.0, "Sliver");
  sliver->Points = {TVertex{1000, 1e-12}, TVertex{2000, 0}, TVertex{2000, 0}, TVertex{0, 0}};
  probes.push_back({0.0, 1000 / kPlaneRadius_m / kDegToRad});
  TControlPoint* line = list.AddPoint(0.0, 0.0, "Line");
  line->Points = {TVertex{0, 500}, TVertex{0, 1000}};
  probes.push_back({700 / kPlaneRadius_m / kDegToRad, 0.0});
  TControlPoint* tinyCircle = list.AddPoint(0.0, 0.0, "Dot");
  tinyCircle->Radius = 1e-300;
  probes.push_back({0.0, 0.0});
  for (int i = 0; i < 1000; ++i) probes.push_back({Uniform(-1e-5, 1e-5), Uniform(-1e-5, 1e-5)});
  Check(list, probes, 1e-5);
}

}  // namespace
}  // namespace vedograf
