#pragma once
// Route ("Путевые и дополнительные параметры") and its daily breakdown
// ("Посуточная раскладка"). Both see fresh navigation rows with a usable
// position; neither has an event limit, their Steps and Closes return 0.

#include <cstdint>

namespace vedograf {

struct TCalcContext;
struct TObjReport;
struct TRecord;

struct TWayState {
  double PrevLat = 0, PrevLon = 0, PrevTime = 0;
  double FirstTime = 0, LastTime = 0;
  double DistSum = 0;
  double SpeedSum = 0, SpeedLo = 0, SpeedHi = 0;
  double StepLo = 20000000.0, StepHi = 0;
  double IntervalLo = 36500.0, IntervalHi = 0;
  double WorkSum = 0;
  std::int32_t StepCount = 0;
  bool First = true;
};

struct TDaysState {
  std::int32_t FirstDay = 0, LastDay = 0;
  std::int32_t CurDay = 0;
  std::int32_t DayFixCount = 0;
  double DayDistance = 0;
  double DaySpeedSum = 0, DaySpeedLo = 0, DaySpeedHi = 0;
  double DayWorkTime = 0;
  double DayStart = 0;    // display time of the current day's first fix
  double CurDisplay = 0;  // display time of the latest fix
  double PrevTime = 0, PrevLat = 0, PrevLon = 0;
  bool First = true;
};

// Resets the route state and the object's fix counts.
int InitWayReport(TCalcContext& ctx, TObjReport& obj);
// Accepts a fix later than the previous accepted one (the first always) and
// counts it; a fix whose time does not increase is neither used nor counted.
// The interval that ends at a power-up fix adds nothing to the working time.
int WayReportStep(TCalcContext& ctx, TObjReport& obj, const TRecord& fix);
// Writes the whole route block. Without any fix every field is 0; with one
// fix the three speeds are its speed and the step and interval fields are 0.
int CloseWayReport(TCalcContext& ctx, TObjReport& obj);

// Builds the day table for ctx.Current (local days starting at DaysShift),
// every entry without data, the first and last marked partial when the period
// misses their boundary by 30 s or more. A period of no whole or partial day
// (including one that ends before it begins) gives an empty table and 0.
// Returns 1, with an empty table and DayCount 0, when the table cannot be
// allocated.
int InitDaysReport(TCalcContext& ctx, TObjReport& obj);
// Adds a fix to its day; a fix whose time does not increase is ignored. The
// step that crosses a day boundary belongs to the day that ends. A fix outside
// the table's days is counted into the nearest end day (in practice only a
// fix exactly at a period end that falls on a day boundary); with an empty
// table nothing is ever written.
int DaysReportStep(TCalcContext& ctx, TObjReport& obj, const TRecord& fix);
// Writes the day still open, if it has a fix. Days without fixes keep HasData false.
int CloseDaysReport(TCalcContext& ctx, TObjReport& obj);

}  // namespace vedograf
