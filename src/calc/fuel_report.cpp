#include "calc/fuel_report.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "calc/calc_context.h"
#include "calc/fuel_filter.h"
#include "calc/input_fields.h"
#include "core/record.h"
#include "core/units.h"

namespace vedograf {
namespace {

// Minutes of a period: the product rounded half up; 0 for an inverted or
// undefined period, -1 when the count does not fit 32 bits.
std::int32_t PeriodMinutes(double begin, double end) {
  const double n = (end - begin) * kDaysToMinutes + 0.5;
  if (!(n >= 0.0)) return 0;
  if (n >= static_cast<double>(std::numeric_limits<std::int32_t>::max())) return -1;
  return static_cast<std::int32_t>(n);
}

bool HasSeries(const TFuelSeries& s, std::int32_t n) {
  const auto need = static_cast<std::size_t>(n);
  return s.Raw.size() >= need && s.Forward.size() >= need && s.Backward.size() >= need;
}

// Writes the minute being summed and the gap before it.
void WriteMinute(TCalcContext& ctx, int index) {
  TFuelState& s = ctx.Fuel[index];
  const std::int32_t c = s.CurMinute, d = s.LastFilled;
  s.MinuteAvg = s.MinuteSum / s.MinuteCount;
  s.MinuteCount = 0;
  s.MinuteSum = 0;
  if (c < 0 || c >= s.MinuteCountN) return;  // only minutes of the period are written
  if (d < 0 || c - d > kMaxGapMinutes) {
    for (std::int32_t i = d + 1; i < c; ++i) AddValue(ctx, index, i, kNoLevel);
  } else {
    for (std::int32_t i = d + 1; i < c; ++i) {
      AddValue(ctx, index, i, s.PrevAvg + (s.MinuteAvg - s.PrevAvg) / (c - d) * (i - d));
    }
  }
  AddValue(ctx, index, c, s.MinuteAvg);
  s.PrevAvg = s.MinuteAvg;
  s.LastFilled = c;
}

// Hands the first min(N, 31679) levels to the graph store; false when memory
// runs out (the series is then stored empty, keeping its place).
bool StoreGraphSeries(TCalcContext& ctx, const TFuelState& s, const float* raw, std::int32_t owner) {
  TGraphStore& g = ctx.Buffers.Graph;
  const std::int32_t n = std::min(s.MinuteCountN, kMaxGraphMinutes);
  bool ok = true;
  if (g.GraphSeriesCount == 0) {
    if (g.TimeAxis.Reset(ctx.Memory, static_cast<std::size_t>(n))) {
      for (std::int32_t m = 0; m < n; ++m) g.TimeAxis[m] = s.PeriodStart + m * kMinuteToDays + ctx.Req.TimeBias;
    } else {
      ok = false;
    }
  }
  if (g.GraphSeriesCount < kMaxGraphSeries) {
    TArray<float>& series = g.Series[g.GraphSeriesCount];
    if (!series.CopyFrom(ctx.Memory, raw, static_cast<std::size_t>(n))) ok = false;
    g.Owner[g.GraphSeriesCount] = owner;
    ++g.GraphSeriesCount;
  }
  return ok;
}

// Finds the loads and drains. Returns false when the event limit stopped the
// walk; `firstStart` and `lastEnd` bound the changes measured (-1 when none).
bool DetectEvents(TCalcContext& ctx, TObjReport& obj, int index, const float* raw, const float* fwd,
                  const float* bwd, std::int32_t& firstStart, std::int32_t& lastEnd) {
  const TFuelState& s = ctx.Fuel[index];
  TFuelSummary& fuel = obj.Fuel[index];
  const TArray<TFuelEvent>& buffer = ctx.Buffers.Fuel[index];
  const std::int32_t n = s.MinuteCountN;
  const double minLoad = ctx.Req.MinLoad, minUnload = ctx.Req.MinUnload;
  const double delta = ctx.Req.FuelFilterDelta;
  const double thres = ctx.Req.FuelThres[index];
  const std::int32_t limit = static_cast<std::int32_t>(std::min<std::size_t>(kEventLimit, buffer.size()));

  // Where a change began: the nearest minute at or before the peak where the
  // raw level still sits with the lagging filter. Peaks only move forward, so
  // the nearest such minute of each kind is tracked in one forward scan
  // instead of searching back from every peak.
  std::int32_t scanned = -1, loadStart = -1, drainStart = -1;
  auto startOf = [&](std::int32_t peak, bool load) {
    while (scanned < peak) {
      ++scanned;
      if (raw[scanned] - delta <= fwd[scanned]) loadStart = scanned;
      if (raw[scanned] + delta >= fwd[scanned]) drainStart = scanned;
    }
    const std::int32_t j = load ? loadStart : drainStart;
    return j < 0 ? 0 : j;
  };

  bool suspect = false, settling = false, isLoad = false;
  double peakGap = 0, settleGap = 0;
  std::int32_t peakMinute = 0;
  firstStart = -1;
  lastEnd = 0;

  std::int32_t i = 0;
  while (i < n) {
    const double gap = static_cast<double>(fwd[i]) - bwd[i];
    const double a = std::fabs(gap);
    if (!settling) {
      if (a > (gap < 0 ? minLoad : minUnload)) suspect = true;
    } else {
      // Stay quiet while the gap of the event just measured keeps shrinking.
      if (a < settleGap) {
        settleGap = a;
      } else {
        settling = false;
      }
      if (a < (isLoad ? minLoad : minUnload)) settling = false;
    }
    if (!suspect) {
      ++i;
      continue;
    }
    if (a > peakGap) {
      peakGap = a;
      settleGap = a;
      peakMinute = i;
      isLoad = gap < 0;
      ++i;
      continue;
    }

    // The peak has passed: measure the change around it.
    settling = true;
    suspect = false;
    peakGap = 0;
    const std::int32_t start = startOf(peakMinute, isLoad);
    std::int32_t end = peakMinute;
    while (end < n && !(isLoad ? raw[end] + delta >= bwd[end] : raw[end] - delta <= bwd[end])) ++end;
    const double after = end < n ? bwd[end] : bwd[n - 1];
    const float volume = static_cast<float>(after - fwd[start]);
    if (std::fabs(volume) >= thres) {
      // Counted only when it can be kept, so the totals always match the list.
      if (fuel.EventCount >= limit) return false;
      if (isLoad) {
        ++fuel.LoadCount;
        fuel.LoadVolume = static_cast<float>(static_cast<double>(fuel.LoadVolume) + volume);
      } else {
        ++fuel.DrainCount;
        fuel.DrainVolume = static_cast<float>(static_cast<double>(fuel.DrainVolume) + volume);
      }
      TFuelEvent& ev = ctx.Buffers.Fuel[index][fuel.EventCount];
      ev.Volume = volume;
      ev.Begin = s.PeriodStart + start * kMinuteToDays;
      ev.End = s.PeriodStart + end * kMinuteToDays;
      ++fuel.EventCount;
    }
    if (firstStart < 0) firstStart = start;
    lastEnd = end;
    i = end + 1;
  }
  return true;
}

}  // namespace

void AddValue(TCalcContext& ctx, int index, int minute, double level) {
  TFuelSeries& series = ctx.Buffers.FuelSeries[index];
  if (minute < 0 || minute >= ctx.Fuel[index].MinuteCountN || static_cast<std::size_t>(minute) >= series.Raw.size())
    return;
  series.Raw[minute] = static_cast<float>(level);
}

int InitFuelReport(TCalcContext& ctx, TObjReport& obj, int index) {
  TFuelState& s = ctx.Fuel[index];
  s = TFuelState{};
  s.PeriodStart = ctx.Current.Begin;
  const std::int32_t n = PeriodMinutes(ctx.Current.Begin, ctx.Current.End);

  TFuelSeries& series = ctx.Buffers.FuelSeries[index];
  if (n < 0) {
    s.SeriesMissing = true;
  } else {
    s.MinuteCountN = n;
    if (n > series.Capacity) {
      series.Raw.Clear();
      series.Forward.Clear();
      series.Backward.Clear();
      series.Capacity = n;
    }
    const auto cap = static_cast<std::size_t>(series.Capacity);
    for (TArray<float>* a : {&series.Raw, &series.Forward, &series.Backward}) {
      if (a->empty() && cap > 0) a->Reset(ctx.Memory, cap);
    }
    // Without its arrays the sensor computes nothing; Close says so.
    s.SeriesMissing = !HasSeries(series, n);
  }
  if (s.SeriesMissing) s.MinuteCountN = 0;

  TFuelSummary& fuel = obj.Fuel[index];
  fuel.StartLevel = 0.0f;
  fuel.EndLevel = 0.0f;
  fuel.Distance = 0.0f;
  fuel.LoadVolume = 0.0f;
  fuel.LoadCount = 0;
  fuel.DrainVolume = 0.0f;
  fuel.DrainCount = 0;
  fuel.Events.Clear();
  fuel.EventCount = 0;
  return 0;
}

int FuelReportNavStep(TCalcContext& ctx, TObjReport& /*obj*/, int index, const TRecord& row) {
  TFuelState& s = ctx.Fuel[index];
  if (s.First) {
    s.First = false;
  } else if (row.Time > s.PrevTime) {
    s.RouteDistance += ctx.Distance(s.PrevLat, s.PrevLon, row.Lat, row.Lon);
  } else {
    return 0;
  }
  s.PrevLat = row.Lat;
  s.PrevLon = row.Lon;
  s.PrevTime = row.Time;
  return 0;
}

int FuelReportInStep(TCalcContext& ctx, TObjReport& /*obj*/, int index, const TRecord& row) {
  TFuelState& s = ctx.Fuel[index];
  double v = 0.0;
  if (!ctx.InputFields(row.Text).NumberAt(FuelFieldPos(index, ctx.Req.UseLLS), kInputFieldWidth, v) || !(v > 0.0))
    return 0;
  // A reading before the period or at its very end has no minute to go to.
  const double minute = (row.Time - s.PeriodStart) * kDaysToMinutes;
  if (!(minute >= 0.0) || !(minute < s.MinuteCountN)) return 0;
  const auto m = static_cast<std::int32_t>(minute);
  if (m > s.CurMinute) {
    if (s.MinuteCount > 0) WriteMinute(ctx, index);
    s.CurMinute = m;
  }
  s.MinuteSum += v;
  ++s.MinuteCount;
  return 0;
}

int CloseFuelReport(TCalcContext& ctx, TObjReport& obj, int index) {
  TFuelState& s = ctx.Fuel[index];
  if (s.MinuteCount > 0 && s.CurMinute < s.MinuteCountN) WriteMinute(ctx, index);
  for (std::int32_t i = s.LastFilled + 1; i < s.MinuteCountN; ++i) AddValue(ctx, index, i, s.PrevAvg);
  return ProcessSamples(ctx, obj, index);
}

int ProcessSamples(TCalcContext& ctx, TObjReport& obj, int index) {
  const TFuelState& s = ctx.Fuel[index];
  TFuelSeries& series = ctx.Buffers.FuelSeries[index];
  TFuelSummary& fuel = obj.Fuel[index];
  const std::int32_t n = s.MinuteCountN;
  float* raw = series.Raw.data();
  float* fwd = series.Forward.data();
  float* bwd = series.Backward.data();

  int result = s.SeriesMissing ? 1 : 0;
  if (n > 0) {
    FilterSamples(raw, fwd, false, n);
    FilterSamples(raw, bwd, true, n);
  }
  if (!StoreGraphSeries(ctx, s, raw, obj.Number)) result = 1;

  if (n > 0) {
    std::int32_t firstStart = -1, lastEnd = 0;
    if (!DetectEvents(ctx, obj, index, raw, fwd, bwd, firstStart, lastEnd)) result = 1;
    // Re-smooth the stretches before the first and after the last change so
    // the start and end levels are not bent by the changes themselves.
    if (firstStart >= 0) {
      FilterSamples(raw + lastEnd, fwd + lastEnd, false, n - lastEnd);
      FilterSamples(raw, bwd, true, firstStart + 1);
    }
    fuel.StartLevel = bwd[0];
    fuel.EndLevel = fwd[n - 1];
  } else {
    fuel.StartLevel = 0.0f;
    fuel.EndLevel = 0.0f;
  }
  fuel.Distance = static_cast<float>(s.RouteDistance);
  if (CopyEvents(ctx.Memory, ctx.Buffers.Fuel[index], fuel.EventCount, fuel.Events) != 0) result = 1;
  return result;
}

}  // namespace vedograf
