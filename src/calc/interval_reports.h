#pragma once
// Controller power-off ("Выключение контроллера") and navigation loss
// ("Пропадание навигации"): TInterval pairs. Power-off sees fresh navigation
// rows whatever their position; navigation loss sees every navigation row.

namespace vedograf {

struct TCalcContext;
struct TObjReport;
struct TRecord;

struct TPowerUpState {
  double LastTime = 0;  // previous fresh row, or the period begin
  double SeenTime = 0;  // latest fresh row
};

struct TNavLackState {
  double LossStart = 0;  // 0 = no loss open
};

int InitPowerUpReport(TCalcContext& ctx, TObjReport& obj);
int PowerUpReportStep(TCalcContext& ctx, TObjReport& obj, const TRecord& row);
int ClosePowerUpReport(TCalcContext& ctx, TObjReport& obj);

int InitNavLackReport(TCalcContext& ctx, TObjReport& obj);
int NavLackReportStep(TCalcContext& ctx, TObjReport& obj, const TRecord& row);
int CloseNavLackReport(TCalcContext& ctx, TObjReport& obj);

}  // namespace vedograf
