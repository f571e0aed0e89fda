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

int InitPointReport(TCalcContext& ctx, TObjReport& obj);
int PointReportStep(TCalcContext& ctx, TObjReport& obj, const TRecord& fix);
int ClosePointReport(TCalcContext& ctx, TObjReport& obj);

}  // namespace vedograf
