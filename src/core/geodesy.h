#pragma once

#include <limits>

namespace vedograf {

// atan2 with the program-wide rule for domain errors: when both arguments are
// zero, or both are infinite or not a number, the result is 0.0 and nothing
// is reported. Any other argument pair gives std::atan2's result.
double SafeAtan2(double y, double x);

// sqrt that answers 0.0 for a negative argument (and NaN) instead of a
// domain error; otherwise std::sqrt.
double SafeSqrt(double x);

// Angle between two points on a sphere, all arguments in radians (first
// point, then second). Same points give 0, antipodal points give pi.
double CentralAngle(double lat1, double lon1, double lat2, double lon2);

// Great-circle distance in metres between two fixes given in degrees.
// Callers pass the earlier fix first.
double FixDistance(double prevLat, double prevLon, double lat, double lon);

// FixDistance for a track walked fix by fix: each fix is the next step's
// earlier one, so the sine and cosine of its latitude are kept instead of
// computed twice, and a step asked for again (several calculators measure the
// same step) is answered from memory. Gives FixDistance's very bits.
class TFixDistanceCache {
 public:
  double Distance(double prevLat, double prevLon, double lat, double lon);

 private:
  struct TLatTrig {
    double LatDeg, Sin, Cos;
  };
  const TLatTrig& Trig(double latDeg);

  // NaN never compares equal, so nothing is found before the first step.
  static constexpr double kNone = std::numeric_limits<double>::quiet_NaN();
  TLatTrig trig_[2] = {{kNone, 0, 0}, {kNone, 0, 0}};
  int nextTrig_ = 0;
  double prevLat_ = kNone, prevLon_ = 0, lat_ = 0, lon_ = 0, distance_m_ = 0;
};

}  // namespace vedograf
