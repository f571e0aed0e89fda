#pragma once

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

}  // namespace vedograf
