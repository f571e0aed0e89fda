#include "calc/analog_report.h"

#include <cmath>
#include <cstdlib>

#include "calc/calc_context.h"
#include "calc/input_fields.h"
#include "core/record.h"

namespace vedograf {
namespace {

bool Adjacent(std::int32_t a, std::int32_t b) { return std::llabs(static_cast<long long>(a) - b) == 1; }

}  // namespace

int InitAnalogInputReport(TCalcContext& ctx, TObjReport& obj, int index) {
  ctx.Analog[index] = TAnalogState{};
  obj.AnalogCount[index] = 0;
  obj.AnalogChanges[index].Clear();
  return 0;
}

int AnalogInputReportInStep(TCalcContext& ctx, TObjReport& obj, int index, const TRecord& row) {
  TAnalogState& s = ctx.Analog[index];
  if (s.Budget <= 0) return 1;
  if (s.Budget == 1) {
    s.Budget = 0;
    s.LastRecNo = row.RecNo;
    return 0;
  }
  TArray<TAnalogChange>& buffer = ctx.Buffers.Analog[index];
  std::int32_t& count = obj.AnalogCount[index];
  const double t = row.Time;

  double v = 0.0;
  if (ctx.InputFields(row.Text).NumberAt(AnalogFieldPos(index), kInputFieldWidth, v)) {
    if (s.First) s.LastValue = v;
    const bool writable = count < kEventLimit && static_cast<std::size_t>(count) < buffer.size();
    if ((s.First || std::fabs(s.LastValue - v) > ctx.Req.AnalogThres[index]) && writable) {
      TAnalogChange& rec = buffer[count];
      rec.Time = t;
      rec.Delta = v - s.LastValue;
      rec.Value = v;
      rec.Area = kAreaUnknown;
      if (Adjacent(s.LastRecNo, row.RecNo) && t == s.NavTime && !s.NavUnusable) {
        rec.Area = ctx.FindArea(s.NavLon, s.NavLat);
      } else {
        s.AreaPending = true;
        s.NavTime = t;
      }
      ++count;
    }
    s.First = false;
    s.LastValue = v;
  }
  if (count >= kEventLimit) --s.Budget;
  s.LastRecNo = row.RecNo;
  return 0;
}

int AnalogInputReportNavStep(TCalcContext& ctx, TObjReport& obj, int index, const TRecord& row) {
  TAnalogState& s = ctx.Analog[index];
  if (s.Budget <= 0) return 1;
  if (s.Budget == 1) s.Budget = 0;

  s.NavLat = row.Lat;
  s.NavLon = row.Lon;
  const bool good = row.Fresh && IsUsablePosition(row.Lat, row.Lon);
  s.NavUnusable = !good;
  if (s.AreaPending) {
    s.AreaPending = false;
    TArray<TAnalogChange>& buffer = ctx.Buffers.Analog[index];
    const std::int32_t count = obj.AnalogCount[index];
    // The input row of the change happened here only when this fix follows it directly.
    if (good && Adjacent(s.LastRecNo, row.RecNo) && row.Time == s.NavTime && count > 0 &&
        static_cast<std::size_t>(count) <= buffer.size()) {
      buffer[count - 1].Area = ctx.FindArea(row.Lon, row.Lat);
    }
  }
  s.NavTime = row.Time;
  s.LastRecNo = row.RecNo;
  return 0;
}

int CloseAnalogInputReport(TCalcContext& ctx, TObjReport& obj, int index) {
  return CopyEvents(ctx.Memory, ctx.Buffers.Analog[index], obj.AnalogCount[index], obj.AnalogChanges[index]);
}

}  // namespace vedograf
