#include "calc/interval_reports.h"

#include <cstddef>
#include <cstdint>

#include "calc/buffers.h"
#include "calc/calc_context.h"
#include "calc/obj_report.h"
#include "core/record.h"

namespace vedograf {

namespace {

// True when the buffer cannot take another interval: the report's limit is
// reached, or the buffer is smaller than that (it was never allocated), so
// an append can never write past its end.
bool IsFull(const TArray<TInterval>& buffer, std::int32_t count) {
  return count >= kEventLimit || static_cast<std::size_t>(count) >= buffer.size();
}

void Append(TArray<TInterval>& buffer, std::int32_t& count, double begin, double end) {
  buffer[static_cast<std::size_t>(count)] = TInterval{begin, end};
  ++count;
}

}  // namespace

int InitPowerUpReport(TCalcContext& ctx, TObjReport& obj) {
  ctx.PowerUp.LastTime = ctx.Current.Begin;
  ctx.PowerUp.SeenTime = ctx.Current.Begin;
  obj.PowerOffCount = 0;
  return 0;
}

int PowerUpReportStep(TCalcContext& ctx, TObjReport& obj, const TRecord& row) {
  TArray<TInterval>& buffer = ctx.Buffers.PowerOff;
  if (IsFull(buffer, obj.PowerOffCount)) return 1;
  TPowerUpState& s = ctx.PowerUp;
  const double t = row.Time;
  if (row.PowerUp) {
    // A repeated power-up row (same time as the one that closed the last
    // interval) must not open a second, empty interval.
    bool add = obj.PowerOffCount == 0;
    if (!add) {
      const TInterval& last = buffer[static_cast<std::size_t>(obj.PowerOffCount - 1)];
      add = last.Begin <= s.LastTime && last.End < t;
    }
    if (add) {
      Append(buffer, obj.PowerOffCount, s.LastTime, t);
      s.LastTime = t;
    }
  } else {
    s.LastTime = t;
  }
  s.SeenTime = t;
  return 0;
}

int ClosePowerUpReport(TCalcContext& ctx, TObjReport& obj) {
  return CopyEvents(ctx.Memory, ctx.Buffers.PowerOff, obj.PowerOffCount, obj.PowerOffs);
}

int InitNavLackReport(TCalcContext& ctx, TObjReport& obj) {
  ctx.NavLack.LossStart = 0.0;
  obj.NavLossCount = 0;
  return 0;
}

int NavLackReportStep(TCalcContext& ctx, TObjReport& obj, const TRecord& row) {
  TArray<TInterval>& buffer = ctx.Buffers.NavLoss;
  if (IsFull(buffer, obj.NavLossCount)) return 1;
  TNavLackState& s = ctx.NavLack;
  const double t = row.Time;
  if (row.Fresh) {
    if (s.LossStart != 0.0 && t - s.LossStart >= ctx.Req.MinNavTime) {
      Append(buffer, obj.NavLossCount, s.LossStart, t);
    }
    s.LossStart = 0.0;
  } else if (s.LossStart == 0.0) {
    s.LossStart = t;
  }
  return 0;
}

int CloseNavLackReport(TCalcContext& ctx, TObjReport& obj) {
  TArray<TInterval>& buffer = ctx.Buffers.NavLoss;
  // A loss that lasts to the end of the data is reported whatever its length:
  // it is cut by the period, not over.
  if (ctx.NavLack.LossStart != 0.0 && !IsFull(buffer, obj.NavLossCount)) {
    Append(buffer, obj.NavLossCount, ctx.NavLack.LossStart, ctx.Current.End);
  }
  return CopyEvents(ctx.Memory, buffer, obj.NavLossCount, obj.NavLosses);
}

}  // namespace vedograf
