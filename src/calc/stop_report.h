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

int InitStopReport(TCalcContext& ctx, TObjReport& obj);
int StopReportStep(TCalcContext& ctx, TObjReport& obj, const TRecord& fix);
int CloseStopReport(TCalcContext& ctx, TObjReport& obj);

}  // namespace vedograf
