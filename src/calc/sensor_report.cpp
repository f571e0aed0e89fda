#include "calc/sensor_report.h"

#include <cstdlib>

#include "calc/calc_context.h"
#include "calc/input_fields.h"
#include "core/record.h"

namespace vedograf {
namespace {

// Index of a record the step may write: below the limit and inside the
// buffer (which is absent for an input the run did not choose).
bool Writable(const TArray<TInputActivity>& buffer, std::int32_t n) {
  return n >= 0 && n < kEventLimit && static_cast<std::size_t>(n) < buffer.size();
}

bool Adjacent(std::int32_t a, std::int32_t b) { return std::llabs(static_cast<long long>(a) - b) == 1; }

// The distance counted since the last navigation row now belongs to the
// activity that started or ended at the input rows in between.
void SettleDistance(TSensorState& s, TArray<TInputActivity>& buffer, std::int32_t count) {
  if (s.JustStarted) {
    s.RunDistance = 0;
    s.JustStarted = false;
  }
  if (s.JustEnded) {
    if (s.EndedCounted && count > 0 && static_cast<std::size_t>(count) <= buffer.size()) {
      buffer[count - 1].Distance = static_cast<std::int32_t>(s.RunDistance);
    }
    s.JustEnded = false;
  }
}

}  // namespace

int InitSensorReport(TCalcContext& ctx, TObjReport& obj, int index) {
  ctx.Sensor[index] = TSensorState{};
  obj.InputCount[index] = 0;
  obj.InputActiveTime[index] = 0.0;
  obj.InputActivity[index].Clear();
  return 0;
}

int SensorReportInStep(TCalcContext& ctx, TObjReport& obj, int index, const TRecord& row) {
  TSensorState& s = ctx.Sensor[index];
  if (s.Budget <= 0) return 1;
  if (s.Budget == 1) {
    s.Budget = 0;
    s.LastRecNo = row.RecNo;
    return 0;
  }
  TArray<TInputActivity>& buffer = ctx.Buffers.Inputs[index];
  std::int32_t& count = obj.InputCount[index];
  const double t = row.Time;

  const char c = ctx.InputFields(row.Text).CharAt(SensorCharPos(index));
  if (c == '0' || c == '1') {
    s.NavAdjacent = Adjacent(s.LastRecNo, row.RecNo) && t == s.NavTime;
    const bool active = (c == '1') == (ctx.Req.SensorStates[index] == 1);
    if (active && s.ActiveSince == 0) {
      s.JustStarted = true;
      s.ActiveSince = t;
      if (Writable(buffer, count)) {
        TInputActivity& rec = buffer[count];
        rec.Area = kAreaUnknown;
        rec.Distance = 0;
        if (s.NavAdjacent && !s.NavUnusable) {
          rec.Area = ctx.FindArea(s.NavLon, s.NavLat);
        } else {
          s.AreaPending = true;
          s.NavTime = t;
        }
      }
    } else if (!active && s.ActiveSince != 0) {
      s.JustEnded = true;
      s.AreaPending = false;
      s.EndedCounted = false;
      if (t - s.ActiveSince >= ctx.Req.MinSensorTime && Writable(buffer, count)) {
        TInputActivity& rec = buffer[count];
        rec.Begin = s.ActiveSince;
        rec.End = t;
        ++count;
        obj.InputActiveTime[index] += t - s.ActiveSince;
        s.EndedCounted = true;
      }
      s.ActiveSince = 0;
    }
  }
  if (count >= kEventLimit) --s.Budget;
  s.LastRecNo = row.RecNo;
  return 0;
}

int SensorReportNavStep(TCalcContext& ctx, TObjReport& obj, int index, const TRecord& row) {
  TSensorState& s = ctx.Sensor[index];
  TArray<TInputActivity>& buffer = ctx.Buffers.Inputs[index];
  const std::int32_t count = obj.InputCount[index];

  // The input row before this one happened at the previous position, so its
  // activity starts or ends there, before this row's distance is added.
  if (s.NavAdjacent) SettleDistance(s, buffer, count);
  if (s.Budget <= 0) return 1;
  if (s.Budget == 1) s.Budget = 0;

  const double prevLat = s.NavLat, prevLon = s.NavLon;
  s.NavLat = row.Lat;
  s.NavLon = row.Lon;
  const bool good = row.Fresh && IsUsablePosition(row.Lat, row.Lon);
  s.NavUnusable = !good;
  if (good && (prevLat != 0 || prevLon != 0)) s.RunDistance += ctx.Distance(prevLat, prevLon, row.Lat, row.Lon);

  if (s.AreaPending && good && Writable(buffer, count)) {
    const int area = ctx.FindArea(row.Lon, row.Lat);
    buffer[count].Area = area;
    if (area >= 0) s.AreaPending = false;
  }

  s.NavTime = row.Time;
  s.LastRecNo = row.RecNo;
  if (!s.NavAdjacent) SettleDistance(s, buffer, count);
  return 0;
}

int CloseSensorReport(TCalcContext& ctx, TObjReport& obj, int index) {
  TSensorState& s = ctx.Sensor[index];
  TArray<TInputActivity>& buffer = ctx.Buffers.Inputs[index];
  std::int32_t& count = obj.InputCount[index];
  if (s.ActiveSince != 0 && Writable(buffer, count)) {
    const double end = ctx.Current.End;
    TInputActivity& rec = buffer[count];
    rec.Begin = s.ActiveSince;
    rec.End = end;
    rec.Distance = 0;
    ++count;
    obj.InputActiveTime[index] += end - s.ActiveSince;
  }
  return CopyEvents(ctx.Memory, buffer, count, obj.InputActivity[index]);
}

}  // namespace vedograf
