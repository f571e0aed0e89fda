#pragma once
// Presence in control areas ("Нахождение в контрольных районах").

#include <cstdint>

namespace vedograf {

struct TCalcContext;
struct TObjReport;
struct TRecord;

struct TPointState {
  std::int32_t CurArea = -1;
  double EnterTime = 0;
  double PrevTime = 0;
};

// Resets ctx.Point and the object's AreaVisitCount; always 0.
int InitPointReport(TCalcContext& ctx, TObjReport& obj);
// Consumes one fresh fix with a usable position: 0, or 1 without looking at
// the fix once 10000 stays are stored. A fix not later than the previous one
// is ignored. A stay runs from the first fix inside a chosen area to the first
// fix outside it (or in another area) and is kept when it lasted at least
// MinTime (days; 0 keeps every stay).
int PointReportStep(TCalcContext& ctx, TObjReport& obj, const TRecord& fix);
// Ends a stay still open at the last fix there (when long enough and fewer
// than 10000 are stored), then copies the stays into obj.AreaVisits. Returns
// 1 only when that copy fails (AreaVisitCount 0, no stays).
int ClosePointReport(TCalcContext& ctx, TObjReport& obj);

}  // namespace vedograf
