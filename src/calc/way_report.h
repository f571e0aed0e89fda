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

int InitWayReport(TCalcContext& ctx, TObjReport& obj);
int WayReportStep(TCalcContext& ctx, TObjReport& obj, const TRecord& fix);
int CloseWayReport(TCalcContext& ctx, TObjReport& obj);

// Init returns 1 (with an empty table) when the day table cannot be allocated.
int InitDaysReport(TCalcContext& ctx, TObjReport& obj);
int DaysReportStep(TCalcContext& ctx, TObjReport& obj, const TRecord& fix);
int CloseDaysReport(TCalcContext& ctx, TObjReport& obj);

}  // namespace vedograf
