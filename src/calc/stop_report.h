#pragma once
// Stops ("Остановки"): the track cut into stops and the movements between
// them; a final record with Begin 0 describes the movement after the last stop.

namespace vedograf {

struct TCalcContext;
struct TObjReport;
struct TRecord;

struct TStopState {
  double FirstTime = 0, PrevTime = 0;
  double PrevLat = 0, PrevLon = 0;
  double WinStart = 0;
  double WinDistance = 0;  // metres in the current 10 s window
  double Odometer = 0;     // metres since the first fix
  double WinSpeedLo = 99999999.0, WinSpeedHi = -1.0;  // m/day
  bool HaveWinSpeed = false;
  bool Stopped = false, PrevStopped = false;
  bool Confirmed = false;
  bool First = true;
};

// Resets ctx.Stop and the object's StopCount; always 0.
int InitStopReport(TCalcContext& ctx, TObjReport& obj);
// Consumes one fresh fix with a usable position: 0, or 1 without looking at
// the fix once 10000 stops are stored. A fix not later than the previous one
// is ignored. MaxSpeed is in m/day, MinStopTime in days (0 = every slow
// stretch is a stop and none merge). The record being built is the buffer's
// entry at StopCount.
int StopReportStep(TCalcContext& ctx, TObjReport& obj, const TRecord& fix);
// Settles the last stop or adds the closing movement record (Begin 0; also
// for an object without fixes, with zero distance, time and speeds) unless
// 10000 stops are stored, then copies the records into obj.Stops. Returns 1
// only when that copy fails (StopCount 0, no records).
int CloseStopReport(TCalcContext& ctx, TObjReport& obj);

}  // namespace vedograf
