#include "calc/way_report.h"

#include <cmath>
#include <cstddef>
#include <limits>

#include "calc/calc_context.h"
#include "calc/obj_report.h"
#include "core/geodesy.h"
#include "core/record.h"
#include "core/units.h"

namespace vedograf {

namespace {

void CountFix(TObjReport& obj, const TRecord& fix) {
  ++obj.FixCount;
  if (fix.Fix3D) {
    ++obj.Fix3DCount;
  } else {
    ++obj.Fix2DCount;
  }
}

// Day number as an i32, or false when the value cannot be one (a period
// bound that is not finite or absurdly far away).
bool ToDayNumber(double day, std::int32_t& out) {
  if (!(day >= std::numeric_limits<std::int32_t>::min() && day <= std::numeric_limits<std::int32_t>::max())) {
    return false;
  }
  out = static_cast<std::int32_t>(day);
  return true;
}

// Index of the breakdown day of a display time, kept inside a table of `n`
// days. A fix exactly at the period end whose shifted end falls on a day
// boundary lands one past the table and belongs to the last day; a fix before
// the period (which the row selection never lets through) goes to the first.
std::int32_t DayIndex(const TDaysState& s, double display_days, double daysShift, std::size_t n) {
  const double k = std::floor(display_days - daysShift) - static_cast<double>(s.FirstDay);
  if (!(k > 0.0) || n == 0) return 0;
  if (k >= static_cast<double>(n)) return static_cast<std::int32_t>(n - 1);
  return static_cast<std::int32_t>(k);
}

// Writes the current day into its entry. Nothing is written when the table
// has no such entry (an empty table, or one that could not be allocated).
void CloseDay(const TDaysState& s, TObjReport& obj) {
  if (s.CurDay < 0 || static_cast<std::size_t>(s.CurDay) >= obj.Days.size()) return;
  TDayRecord& day = obj.Days[static_cast<std::size_t>(s.CurDay)];
  day.FixCount = s.DayFixCount;
  day.Distance = s.DayDistance;
  day.AvgSpeed = s.CurDisplay > s.DayStart ? s.DayDistance / ((s.CurDisplay - s.DayStart) * kKmhToMpd) : 0.0;
  day.SpeedMean = s.DayFixCount > 0 ? s.DaySpeedSum / s.DayFixCount : 0.0;
  day.SpeedMin = s.DaySpeedLo;
  day.SpeedMax = s.DaySpeedHi;
  day.Date = static_cast<double>(s.FirstDay) + s.CurDay;
  day.WorkTime = s.DayWorkTime;
  day.HasData = true;
}

}  // namespace

int InitWayReport(TCalcContext& ctx, TObjReport& obj) {
  ctx.Way = TWayState{};
  obj.FixCount = 0;
  obj.Fix2DCount = 0;
  obj.Fix3DCount = 0;
  return 0;
}

int WayReportStep(TCalcContext& ctx, TObjReport& obj, const TRecord& fix) {
  TWayState& s = ctx.Way;
  const double t = fix.Time;
  const double v = fix.Speed;
  if (s.First) {
    s.PrevLat = fix.Lat;
    s.PrevLon = fix.Lon;
    s.PrevTime = s.FirstTime = s.LastTime = t;
    s.SpeedSum = s.SpeedLo = s.SpeedHi = v;
    s.First = false;
    CountFix(obj, fix);
    return 0;
  }
  if (!(t > s.PrevTime)) return 0;

  const double d_m = ctx.Distance(s.PrevLat, s.PrevLon, fix.Lat, fix.Lon);
  s.DistSum += d_m;
  if (d_m < s.StepLo) s.StepLo = d_m;
  if (d_m > s.StepHi) s.StepHi = d_m;
  ++s.StepCount;
  s.LastTime = t;

  const double dt_days = t - s.PrevTime;
  if (dt_days < s.IntervalLo) s.IntervalLo = dt_days;
  if (dt_days > s.IntervalHi) s.IntervalHi = dt_days;
  // The gap that ends at a power-up row is time with the controller off.
  if (!fix.PowerUp) s.WorkSum += dt_days;

  s.PrevLat = fix.Lat;
  s.PrevLon = fix.Lon;
  s.PrevTime = t;
  s.SpeedSum += v;
  if (v < s.SpeedLo) s.SpeedLo = v;
  if (v > s.SpeedHi) s.SpeedHi = v;
  CountFix(obj, fix);
  return 0;
}

int CloseWayReport(TCalcContext& ctx, TObjReport& obj) {
  const TWayState& s = ctx.Way;
  obj.Distance = s.DistSum;
  // Metres over days times 24000 is km/h.
  obj.AvgSpeed = s.LastTime > s.FirstTime ? s.DistSum / ((s.LastTime - s.FirstTime) * kKmhToMpd) : 0.0;
  if (obj.FixCount > 0) {
    obj.SpeedMin = s.SpeedLo;
    obj.SpeedMax = s.SpeedHi;
    obj.SpeedMean = s.SpeedSum / obj.FixCount;
  } else {
    obj.SpeedMin = obj.SpeedMean = obj.SpeedMax = 0.0;
  }
  obj.WorkTime = s.WorkSum;
  if (s.StepCount > 0) {
    obj.StepMin = s.StepLo;
    obj.StepMean = s.DistSum / s.StepCount;
    obj.StepMax = s.StepHi;
    obj.IntervalMin = s.IntervalLo;
    obj.IntervalMean = (s.LastTime - s.FirstTime) / s.StepCount;
    obj.IntervalMax = s.IntervalHi;
  } else {
    obj.StepMin = obj.StepMean = obj.StepMax = 0.0;
    obj.IntervalMin = obj.IntervalMean = obj.IntervalMax = 0.0;
  }
  return 0;
}

int InitDaysReport(TCalcContext& ctx, TObjReport& obj) {
  TDaysState& s = ctx.Days;
  s = TDaysState{};
  const double shift = ctx.Req.DaysShift;
  const double a = ctx.Current.Begin + ctx.Req.TimeBias - shift;
  const double b = ctx.Current.End + ctx.Req.TimeBias - shift;
  const double firstDay = std::floor(a);
  const double lastDay = std::ceil(b);
  const bool firstPartial = std::fabs(a - firstDay) >= kHalfMinuteDays;
  const bool lastPartial = std::fabs(b - lastDay) >= kHalfMinuteDays;

  obj.Days.Clear();
  obj.DayCount = 0;
  // A period that ends before it begins (possible only from a job file) or
  // lies out of any calendar gets no table rather than a negative count.
  if (!ToDayNumber(firstDay, s.FirstDay) || !ToDayNumber(lastDay, s.LastDay) || s.LastDay <= s.FirstDay) {
    return 0;
  }
  const std::int64_t n = static_cast<std::int64_t>(s.LastDay) - s.FirstDay;
  if (n > std::numeric_limits<std::int32_t>::max() ||
      !obj.Days.Reset(ctx.Memory, static_cast<std::size_t>(n))) {
    return 1;
  }
  obj.DayCount = static_cast<std::int32_t>(n);
  for (std::size_t i = 0; i < obj.Days.size(); ++i) {
    obj.Days[i].Date = static_cast<double>(s.FirstDay) + static_cast<double>(i);
    obj.Days[i].HasData = false;
    obj.Days[i].Partial = false;
  }
  obj.Days[0].Partial = firstPartial;
  obj.Days[obj.Days.size() - 1].Partial = obj.Days[obj.Days.size() - 1].Partial || lastPartial;
  return 0;
}

int DaysReportStep(TCalcContext& ctx, TObjReport& obj, const TRecord& fix) {
  TDaysState& s = ctx.Days;
  const double t = fix.Time;
  const double v = fix.Speed;
  const double shift = ctx.Req.DaysShift;
  if (s.First) {
    s.PrevTime = t;
    s.DayStart = s.CurDisplay = t + ctx.Req.TimeBias;
    s.CurDay = DayIndex(s, s.CurDisplay, shift, obj.Days.size());
    s.PrevLat = fix.Lat;
    s.PrevLon = fix.Lon;
    s.First = false;
    s.DaySpeedSum = s.DaySpeedLo = s.DaySpeedHi = v;
    ++s.DayFixCount;
    return 0;
  }
  if (!(t > s.PrevTime)) return 0;

  // The step that crosses a day boundary belongs to the day that ends.
  s.DayDistance += ctx.Distance(s.PrevLat, s.PrevLon, fix.Lat, fix.Lon);
  s.PrevLat = fix.Lat;
  s.PrevLon = fix.Lon;
  s.CurDisplay = t + ctx.Req.TimeBias;
  if (!fix.PowerUp) s.DayWorkTime += t - s.PrevTime;
  s.PrevTime = t;

  const std::int32_t k = DayIndex(s, s.CurDisplay, shift, obj.Days.size());
  if (k > s.CurDay) {
    CloseDay(s, obj);
    s.CurDay = k;
    s.DaySpeedSum = 0.0;
    s.DaySpeedLo = s.DaySpeedHi = v;
    s.DayFixCount = 0;
    s.DayStart = s.CurDisplay;
    s.DayWorkTime = 0.0;
    s.DayDistance = 0.0;
  }
  s.DaySpeedSum += v;
  if (v < s.DaySpeedLo) s.DaySpeedLo = v;
  if (v > s.DaySpeedHi) s.DaySpeedHi = v;
  ++s.DayFixCount;
  return 0;
}

int CloseDaysReport(TCalcContext& ctx, TObjReport& obj) {
  if (ctx.Days.DayFixCount > 0) CloseDay(ctx.Days, obj);
  return 0;
}

}  // namespace vedograf
