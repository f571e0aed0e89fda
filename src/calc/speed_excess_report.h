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

int InitSpeedExcessReport(TCalcContext& ctx, TObjReport& obj);
int SpeedExcessReportStep(TCalcContext& ctx, TObjReport& obj, const TRecord& fix);
int CloseSpeedExcessReport(TCalcContext& ctx, TObjReport& obj);

}  // namespace vedograf
