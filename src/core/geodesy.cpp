#include "core/geodesy.h"

#include <cmath>

#include "core/units.h"

namespace vedograf {

double SafeAtan2(double y, double x) {
  const bool bothZero = y == 0.0 && x == 0.0;
  const bool bothBad = !std::isfinite(y) && !std::isfinite(x);
  if (bothZero || bothBad) return 0.0;
  return std::atan2(y, x);
}

double SafeSqrt(double x) {
  if (!(x >= 0.0)) return 0.0;
  return std::sqrt(x);
}

namespace {

double CentralAngleOfTrig(double sinLat1, double cosLat1, double sinLat2, double cosLat2, double dLon) {
  const double cosDLon = std::cos(dLon);
  const double a = cosLat2 * std::sin(dLon);
  const double b = cosLat1 * sinLat2 - sinLat1 * cosLat2 * cosDLon;
  const double y = SafeSqrt(a * a + b * b);
  const double x = sinLat1 * sinLat2 + cosLat1 * cosLat2 * cosDLon;
  return SafeAtan2(y, x);
}

}  // namespace

double CentralAngle(double lat1, double lon1, double lat2, double lon2) {
  return CentralAngleOfTrig(std::sin(lat1), std::cos(lat1), std::sin(lat2), std::cos(lat2), lon2 - lon1);
}

double FixDistance(double prevLat, double prevLon, double lat, double lon) {
  return CentralAngle(prevLat * kDegToRad, prevLon * kDegToRad, lat * kDegToRad, lon * kDegToRad) *
         kEarthRadius_m;
}

const TFixDistanceCache::TLatTrig& TFixDistanceCache::Trig(double latDeg) {
  for (const TLatTrig& t : trig_) {
    if (t.LatDeg == latDeg) return t;
  }
  TLatTrig& t = trig_[nextTrig_];
  nextTrig_ ^= 1;
  const double phi = latDeg * kDegToRad;
  t = {latDeg, std::sin(phi), std::cos(phi)};
  return t;
}

double TFixDistanceCache::Distance(double prevLat, double prevLon, double lat, double lon) {
  if (prevLat == prevLat_ && prevLon == prevLon_ && lat == lat_ && lon == lon_) return distance_m_;
  // A standing vehicle repeats its fix. With dLon = 0 the formula's cross
  // terms cancel exactly (c*s - s*c, products rounded alike) and atan2(0, x > 0)
  // is 0, so the answer is known without any trigonometry. Not for 0/NaN/poles
  // (x would be 0 or NaN there).
  if (prevLat == lat && prevLon == lon && std::fabs(lat) < 89.0) return 0.0;
  const TLatTrig a = Trig(prevLat);
  const TLatTrig& b = Trig(lat);
  prevLat_ = prevLat, prevLon_ = prevLon, lat_ = lat, lon_ = lon;
  distance_m_ = CentralAngleOfTrig(a.Sin, a.Cos, b.Sin, b.Cos, lon * kDegToRad - prevLon * kDegToRad) * kEarthRadius_m;
  return distance_m_;
}

}  // namespace vedograf
