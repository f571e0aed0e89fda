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

// Both Steps return 1 without looking at the row once the object holds
// kEventLimit intervals of that report; both Closes copy the intervals into
// the object and return 1 only when that copy cannot be allocated (the list
// is then empty and its count 0).

// Starts the object at the period begin of ctx.Current with no interval.
int InitPowerUpReport(TCalcContext& ctx, TObjReport& obj);
// A power-up row closes the interval that began at the previous fresh row
// (or at the period begin); a second power-up row at the same time adds
// nothing. Without any power-up row there is no interval.
int PowerUpReportStep(TCalcContext& ctx, TObjReport& obj, const TRecord& row);
int ClosePowerUpReport(TCalcContext& ctx, TObjReport& obj);

// Starts the object with no loss open and no interval.
int InitNavLackReport(TCalcContext& ctx, TObjReport& obj);
// A row that is not Fresh opens a loss (if none is open); the next Fresh row
// closes it, and it is kept when it lasted at least Req.MinNavTime (0 keeps
// every loss, also one of zero length).
int NavLackReportStep(TCalcContext& ctx, TObjReport& obj, const TRecord& row);
// A loss still open is closed at the period end of ctx.Current without the
// MinNavTime test, unless the limit is reached.
int CloseNavLackReport(TCalcContext& ctx, TObjReport& obj);

}  // namespace vedograf
