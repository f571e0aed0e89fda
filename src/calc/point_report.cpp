#include "calc/point_report.h"

#include "calc/buffers.h"
#include "calc/calc_context.h"
#include "calc/obj_report.h"
#include "core/record.h"

namespace vedograf {

namespace {

void AddVisit(TCalcContext& ctx, TObjReport& obj, std::int32_t area, double begin, double end) {
  TAreaVisit& visit = ctx.Buffers.Areas[obj.AreaVisitCount];
  visit.Area = area;
  visit.Begin = begin;
  visit.End = end;
  ++obj.AreaVisitCount;
}

}  // namespace

int InitPointReport(TCalcContext& ctx, TObjReport& obj) {
  ctx.Point = TPointState{};
  obj.AreaVisitCount = 0;
  return 0;
}

int PointReportStep(TCalcContext& ctx, TObjReport& obj, const TRecord& fix) {
  TPointState& s = ctx.Point;
  if (obj.AreaVisitCount >= kEventLimit) return 1;

  const double t = fix.Time;
  if (!(t > s.PrevTime)) return 0;

  const std::int32_t area = ctx.FindArea(fix.Lon, fix.Lat);
  if (area != s.CurArea) {
    // The stay ends at the first fix outside, which may open the next stay.
    if (s.CurArea != kNoArea && t - s.EnterTime >= ctx.Req.MinTime) AddVisit(ctx, obj, s.CurArea, s.EnterTime, t);
    s.CurArea = area;
    s.EnterTime = t;
  }
  s.PrevTime = t;
  return 0;
}

int ClosePointReport(TCalcContext& ctx, TObjReport& obj) {
  const TPointState& s = ctx.Point;
  if (s.CurArea != kNoArea && obj.AreaVisitCount < kEventLimit && s.PrevTime - s.EnterTime >= ctx.Req.MinTime) {
    AddVisit(ctx, obj, s.CurArea, s.EnterTime, s.PrevTime);
  }
  return CopyEvents(ctx.Memory, ctx.Buffers.Areas, obj.AreaVisitCount, obj.AreaVisits);
}

}  // namespace vedograf
