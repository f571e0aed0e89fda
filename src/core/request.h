#pragma once
// The request parameters the calculators read. The output action fills them
// before each run; durations are held in days, speeds in metres per day.

#include <array>
#include <cstdint>
#include <string>

namespace vedograf {

struct TRequestParams {
  double TimeBias = 0.0;         // days, local time minus UTC
  std::string TimeZoneText = "+00:00";
  double DaysShift = 0.0;        // fraction of a day where each breakdown day begins
  double MinTime = 0.0;          // days; minimum stay in a control area, 0 = none
  double MinNavTime = 0.0;       // days; minimum navigation loss, 0 = none
  double MinStopTime = 0.0;      // days; minimum stop, 0 = none
  double MaxSpeed = 0.0;         // m/day; at most this a step counts as standing
  double SpeedThres = 0.0;       // m/day; speed-excess threshold
  double MinSpeedTime = 0.0;     // days; minimum speed excess, 0 = none
  double MinSensorTime = 0.0;    // days; minimum discrete-input activity, 0 = none
  std::array<std::int32_t, 5> SensorStates{};  // 0 not chosen, 1 active closed, 2 active open
  std::array<double, 3> AnalogThres{-1.0, -1.0, -1.0};  // -1 = not chosen
  std::array<bool, 3> FuelSensors{};
  bool UseLLS = false;
  std::array<std::int32_t, 3> FuelThres{};     // litres
  float MinLoad = 0.0f;          // litres
  float MinUnload = 0.0f;        // litres
  float FuelFilterDelta = 0.0f;  // litres
  bool CPointsChosen = false;    // at least one control area is chosen
};

}  // namespace vedograf
