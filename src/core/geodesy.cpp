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

double CentralAngle(double lat1, double lon1, double lat2, double lon2) {
  const double dLon = lon2 - lon1;
  const double sinLat1 = std::sin(lat1), cosLat1 = std::cos(lat1);
  const double sinLat2 = std::sin(lat2), cosLat2 = std::cos(lat2);
  const double cosDLon = std::cos(dLon);
  const double a = cosLat2 * std::sin(dLon);
  const double b = cosLat1 * sinLat2 - sinLat1 * cosLat2 * cosDLon;
  const double y = SafeSqrt(a * a + b * b);
  const double x = sinLat1 * sinLat2 + cosLat1 * cosLat2 * cosDLon;
  return SafeAtan2(y, x);
}

double FixDistance(double prevLat, double prevLon, double lat, double lon) {
  return CentralAngle(prevLat * kDegToRad, prevLon * kDegToRad, lat * kDegToRad, lon * kDegToRad) *
         kEarthRadius_m;
}

}  // namespace vedograf
