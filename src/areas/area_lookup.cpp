#include "areas/area_lookup.h"

#include <algorithm>
#include <cmath>

#include "areas/control_point.h"
#include "core/units.h"

namespace vedograf {

namespace {

// Slack on the polygon box: the edge test's rounding can accept a point a
// few ulps beyond a vertex, and products of tiny differences can underflow;
// both stay far inside a micrometre plus a billionth of the polygon's size.
double BoxMargin(double extent_m) { return 1e-6 + 1e-9 * extent_m; }

// The cosine factor of X = cos(mid) * dLon * R never drops below this within
// the area's band; longitude bounds are skipped when the band comes this
// close to a pole (half a degree), where the factor tends to zero.
constexpr double kPoleGuard_rad = 0.01;

void SetBounds(const TControlPoint& area, double yLo, double yHi, double xLo, double xHi,
               bool& lonBounded, double& dLonLo, double& dLonHi) {
  lonBounded = false;
  if (!(xLo < 0 && xHi > 0)) return;
  // Band of latitudes whose Y passes the box test, widened for the rounding
  // of (phi - phi0) * R, and the band of mid-latitudes (phi + phi0) / 2.
  const double widen = 1e-9;
  const double midLo = area.Latitude + (yLo / kPlaneRadius_m - widen) / 2 - widen;
  const double midHi = area.Latitude + (yHi / kPlaneRadius_m + widen) / 2 + widen;
  const double limit = kPi / 2 - kPoleGuard_rad;
  if (!(midLo > -limit && midHi < limit)) return;
  // cos is concave on (-pi/2, pi/2): its least value on the band is at an end.
  const double cosMin = std::min(std::cos(midLo), std::cos(midHi)) * (1 - 1e-9);
  dLonLo = xLo / (cosMin * kPlaneRadius_m) * (1 + 1e-9);
  dLonHi = xHi / (cosMin * kPlaneRadius_m) * (1 + 1e-9);
  lonBounded = std::isfinite(dLonLo) && std::isfinite(dLonHi);
}

}  // namespace

TAreaLookup::TAreaLookup(const TControlPointList& list) {
  for (std::size_t i = 0; i < list.Count(); ++i) {
    const TControlPoint* area = list.Items(i);
    if (area == nullptr || !area->Selected) continue;
    TChosen c{static_cast<int>(i), area, area->Latitude, area->Longitude, false, 0, 0, false, 0, 0};
    bool finite = std::isfinite(area->Latitude) && std::isfinite(area->Longitude) && std::isfinite(area->Radius);
    if (area->Radius != 0.0) {
      if (finite) {
        // Exactly the first test of Contains: |dy| > Radius.
        c.Bounded = true;
        c.YLo = -area->Radius;
        c.YHi = area->Radius;
        const double m = BoxMargin(area->Radius);
        SetBounds(*area, c.YLo, c.YHi, -area->Radius - m, area->Radius + m, c.LonBounded, c.DLonLo,
                  c.DLonHi);
      }
    } else if (!area->Points.empty()) {
      double minX = 0, maxX = 0, minY = 0, maxY = 0;  // the origin is a corner
      for (const auto& slot : area->Points) {
        const TVertex v = slot.value_or(TVertex{});
        finite = finite && std::isfinite(v.X) && std::isfinite(v.Y);
        minX = std::min(minX, v.X), maxX = std::max(maxX, v.X);
        minY = std::min(minY, v.Y), maxY = std::max(maxY, v.Y);
      }
      if (finite) {
        const double m = BoxMargin((maxX - minX) + (maxY - minY));
        c.Bounded = true;
        c.YLo = minY - m;
        c.YHi = maxY + m;
        SetBounds(*area, c.YLo, c.YHi, minX - m, maxX + m, c.LonBounded, c.DLonLo, c.DLonHi);
      }
    }
    chosen_.push_back(c);
  }
}

int TAreaLookup::Find(double lon, double lat) const {
  // The same products as in Contains, so the Y test sees the very same value.
  const double phi = lat * kDegToRad;
  const double lambda = lon * kDegToRad;
  for (const TChosen& c : chosen_) {
    if (c.Bounded) {
      // Written so that NaN falls through to Contains, which rejects it.
      const double y = (phi - c.Latitude) * kPlaneRadius_m;
      if (y < c.YLo || y > c.YHi) continue;
      if (c.LonBounded) {
        const double dLon = lambda - c.Longitude;
        if (dLon < c.DLonLo || dLon > c.DLonHi) continue;
      }
    }
    if (c.Area->Contains(lon, lat)) return c.Index;
  }
  return -1;
}

}  // namespace vedograf
