#pragma once
// Speed excess ("Превышения скорости"): window speeds over windows of at
// least 15 s against SpeedThres.

namespace vedograf {

struct TCalcContext;
struct TObjReport;
struct TRecord;

struct TSpeedExcessState {
  double PrevTime = 0, PrevLat = 0, PrevLon = 0;
  double WinStart = 0, WinLat = 0, WinLon = 0;
  double WinDistance = 0;
  double PeakWinSpeed = 0;  // m/day
  bool Over = false, PrevOver = false;
  bool First = true;
};

// Resets ctx.SpeedExcess and the object's SpeedExcessCount; always 0.
int InitSpeedExcessReport(TCalcContext& ctx, TObjReport& obj);
// Consumes one fresh fix with a usable position: 0, or 1 without looking at
// the fix once 10000 excesses are stored. A fix not later than the previous
// one is ignored. An excess runs from the start of its first window at or
// above SpeedThres (m/day) to the start of the first slower window and is
// kept when it lasted at least MinSpeedTime (days; 0 keeps every one).
// PeakSpeed is truncated toward zero, and held at the 32-bit limit when a
// position jump makes a window speed beyond it.
int SpeedExcessReportStep(TCalcContext& ctx, TObjReport& obj, const TRecord& fix);
// Ends an excess still open at the start of the unfinished window (when long
// enough and fewer than 10000 are stored), then copies the excesses into
// obj.SpeedExcesses. Returns 1 only when that copy fails (count 0, no records).
int CloseSpeedExcessReport(TCalcContext& ctx, TObjReport& obj);

}  // namespace vedograf
