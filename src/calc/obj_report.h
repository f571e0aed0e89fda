#pragma once
// The per-object report state: identity, the route block and the exact-size
// result arrays each calculator's Close copies in. Times in the records are
// stored (UTC) date-times, durations days, distances metres, computed speeds
// metres per day. An Area of 0 or more indexes the control-area list, -1 is
// "no chosen area", -2 "position not yet known" (inputs only).

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "calc/memory.h"

namespace vedograf {

inline constexpr int kNoArea = -1;
inline constexpr int kAreaUnknown = -2;

struct TInterval {
  double Begin;
  double End;
};

struct TAreaVisit {
  std::int32_t Area;
  double Begin;  // first fix inside
  double End;    // first fix no longer inside, or the last fix
};

struct TSpeedExcess {
  std::int32_t Area;       // area at the start of the excess
  std::int32_t PeakSpeed;  // m/day, truncated toward zero
  double Begin;
  double End;
};

struct TInputActivity {
  std::int32_t Area;
  std::int32_t Distance;  // metres, truncated; 0 until known
  double Begin;
  double End;
};

struct TAnalogChange {
  std::int32_t Area;
  double Delta;
  double Value;
  double Time;
};

struct TStopRecord {
  std::int32_t Area;
  double Begin;  // 0.0 marks the closing movement record
  double End;
  double EndOdometer;   // route metres up to End
  double MoveDistance;  // metres since the previous stop
  double MoveTime;      // days since the previous stop ended, or the first fix
  double MoveSpeedMin;  // m/day
  double MoveSpeedMean;
  double MoveSpeedMax;
};

struct TFuelEvent {
  float Volume;  // litres; positive = load, negative = drain
  double Begin;
  double End;
};

struct TDayRecord {
  double Date;  // whole day number of the shifted local day
  double Distance;
  double AvgSpeed;  // km/h
  double SpeedMin;
  double SpeedMean;
  double SpeedMax;
  double WorkTime;
  std::int32_t FixCount;
  bool HasData;
  bool Partial;
};

struct TFuelSummary {
  float StartLevel = 0.0f;
  float EndLevel = 0.0f;
  float Distance = 0.0f;  // metres
  float LoadVolume = 0.0f;
  std::int32_t LoadCount = 0;
  float DrainVolume = 0.0f;  // negative
  std::int32_t DrainCount = 0;
  TArray<TFuelEvent> Events;
  std::int32_t EventCount = 0;
};

struct TObjReport {
  // Route block.
  double Distance = 0.0;
  double AvgSpeed = 0.0;  // km/h
  double SpeedMin = 0.0, SpeedMean = 0.0, SpeedMax = 0.0;
  double StepMean = 0.0, StepMin = 0.0, StepMax = 0.0;
  double IntervalMean = 0.0, IntervalMin = 0.0, IntervalMax = 0.0;
  double WorkTime = 0.0;

  // Identity.
  std::string Name;
  bool Chosen = false;
  bool InReport = false;
  std::int32_t Number = 0;

  std::int32_t FixCount = 0, Fix2DCount = 0, Fix3DCount = 0;

  std::int32_t DayCount = 0;
  TArray<TDayRecord> Days;

  std::int32_t PowerOffCount = 0;
  TArray<TInterval> PowerOffs;
  std::int32_t NavLossCount = 0;
  TArray<TInterval> NavLosses;
  std::int32_t AreaVisitCount = 0;
  TArray<TAreaVisit> AreaVisits;
  std::int32_t StopCount = 0;
  TArray<TStopRecord> Stops;
  std::int32_t SpeedExcessCount = 0;
  TArray<TSpeedExcess> SpeedExcesses;

  std::array<std::int32_t, 5> InputCount{};
  std::array<TArray<TInputActivity>, 5> InputActivity;
  std::array<double, 5> InputActiveTime{};

  std::array<std::int32_t, 3> AnalogCount{};
  std::array<TArray<TAnalogChange>, 3> AnalogChanges;

  std::array<TFuelSummary, 3> Fuel;
};

// ObjReports: one element per object of the open database, ascending by Number.
using TObjReports = std::vector<TObjReport>;

}  // namespace vedograf
