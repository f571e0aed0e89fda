#pragma once
// The fuel reports ("Расход топлива", "Заправки и сливы", "График объема
// топлива"), one calculator per fuel sensor (index 0..2). The sensor's
// readings become one level per minute of the period; at Close the levels are
// smoothed forwards and backwards, loads and drains are found where the two
// smoothings part, and the minute levels go to the graph store.

#include <cstdint>

namespace vedograf {

struct TCalcContext;
struct TObjReport;
struct TRecord;

inline constexpr float kNoLevel = -999.0f;         // a minute without a usable level
inline constexpr int kMaxGapMinutes = 30;          // longer gaps are not bridged
inline constexpr int kMaxGraphMinutes = 31679;     // 22 days less one minute

// Working state of one sensor for the object being computed. The minute
// arrays themselves are the run's (TEventBuffers::FuelSeries).
struct TFuelState {
  double PrevLat = 0, PrevLon = 0, PrevTime = 0;  // previous navigation row
  double RouteDistance = 0;                       // metres
  bool First = true;                              // no navigation row yet
  double MinuteSum = 0;       // valid readings of the current minute
  std::int32_t MinuteCount = 0;
  double MinuteAvg = 0;
  double PrevAvg = 1.0;       // level of the last written minute
  std::int32_t LastFilled = -1;  // last minute written from readings
  std::int32_t CurMinute = -1;   // minute of the readings being summed
  double PeriodStart = 0;        // start of minute 0
  std::int32_t MinuteCountN = 0; // minutes of the period
  bool SeriesMissing = false;    // the minute arrays could not be had for this period
};

// Resets sensor `index` for the object's period: N = (End - Begin) x 1440
// rounded to whole minutes (0 for a period shorter than half a minute, or an
// inverted one). Grows the sensor's minute arrays when N exceeds their
// capacity (they are reused from object to object); zeroes Fuel[index] and
// drops its old event list. Always 0: when the arrays cannot be had, readings
// are ignored and CloseFuelReport reports the lack of memory.
int InitFuelReport(TCalcContext& ctx, TObjReport& obj, int index);

// A navigation row, whatever its Fresh flag and position: adds the distance
// from the previous navigation row when this one is later. Always 0.
int FuelReportNavStep(TCalcContext& ctx, TObjReport& obj, int index, const TRecord& row);

// An input row: a valid reading (the sensor's field reads as a number above 0;
// UseLLS moves the fields from 17/23/29 to 56/62/68) is summed into its
// minute; a later minute first writes the previous one, bridging gaps of up to
// 30 minutes by a straight line and marking longer ones (and the minutes
// before the first reading) kNoLevel. Readings outside minutes 0..N-1 are
// ignored. Always 0.
int FuelReportInStep(TCalcContext& ctx, TObjReport& obj, int index, const TRecord& row);

// Writes the last minute, carries the last level to the period end (1.0 when
// no minute was ever written), then ProcessSamples. Returns its result.
int CloseFuelReport(TCalcContext& ctx, TObjReport& obj, int index);

// Stores `level` as the sensor's Raw level of `minute`; a minute outside the
// period is not stored.
void AddValue(TCalcContext& ctx, int index, int minute, double level);

// Smooths the minute levels, hands them to the graph store (the time axis once
// per run, at most 31679 minutes, at most 255 series), finds and measures the
// loads and drains and fills Fuel[index]. With N = 0 the levels are 0, no
// array is touched and an empty series is still stored, so that every later
// series stays with its object. 0; 1 when the 10000-event limit is reached or
// memory runs out. At the limit Fuel[index] still holds the levels, the
// distance and the 10000 events, and the change that did not fit is not
// counted (LoadCount + DrainCount = EventCount); when the event list cannot be
// copied it is empty with EventCount 0, the load and drain totals kept.
int ProcessSamples(TCalcContext& ctx, TObjReport& obj, int index);

}  // namespace vedograf
