#include "calc/speed_excess_report.h"

#include <cstdint>
#include <limits>

#include "calc/buffers.h"
#include "calc/calc_context.h"
#include "calc/obj_report.h"
#include "core/geodesy.h"
#include "core/record.h"
#include "core/units.h"

namespace vedograf {

namespace {

// Truncates toward zero. A position jump can make a window speed of billions
// of metres per day, beyond what the record's 32-bit field holds; such a
// speed is stored as the largest value instead of overflowing the conversion.
std::int32_t TruncateSpeed(double speed_mpd) {
  constexpr double kMax = std::numeric_limits<std::int32_t>::max();
  constexpr double kMin = std::numeric_limits<std::int32_t>::min();
  if (speed_mpd >= kMax) return std::numeric_limits<std::int32_t>::max();
  if (speed_mpd <= kMin) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(speed_mpd);
}

void FinishExcess(TCalcContext& ctx, TObjReport& obj) {
  TSpeedExcess& rec = ctx.Buffers.SpeedExcess[obj.SpeedExcessCount];
  rec.End = ctx.SpeedExcess.WinStart;
  rec.PeakSpeed = TruncateSpeed(ctx.SpeedExcess.PeakWinSpeed);
  ++obj.SpeedExcessCount;
}

}  // namespace

int InitSpeedExcessReport(TCalcContext& ctx, TObjReport& obj) {
  ctx.SpeedExcess = TSpeedExcessState{};
  obj.SpeedExcessCount = 0;
  return 0;
}

int SpeedExcessReportStep(TCalcContext& ctx, TObjReport& obj, const TRecord& fix) {
  TSpeedExcessState& s = ctx.SpeedExcess;
  if (obj.SpeedExcessCount >= kEventLimit) return 1;

  const double t = fix.Time;
  if (s.First) {
    s.PrevLon = s.WinLon = fix.Lon;
    s.PrevLat = s.WinLat = fix.Lat;
    s.PrevTime = s.WinStart = t;
    s.First = false;
    return 0;
  }
  if (!(t > s.PrevTime)) return 0;

  s.WinDistance += ctx.Distance(s.PrevLat, s.PrevLon, fix.Lat, fix.Lon);
  if (t - s.WinStart >= kFifteenSecondsDays) {
    const double winSpeed_mpd = s.WinDistance / (t - s.WinStart);
    s.WinDistance = 0.0;
    s.Over = winSpeed_mpd >= ctx.Req.SpeedThres;

    TSpeedExcess& rec = ctx.Buffers.SpeedExcess[obj.SpeedExcessCount];
    if (!s.PrevOver && s.Over) {
      rec.Begin = s.WinStart;
      rec.Area = ctx.FindArea(s.WinLon, s.WinLat);
      rec.PeakSpeed = TruncateSpeed(winSpeed_mpd);
      s.PeakWinSpeed = winSpeed_mpd;
    }
    if (winSpeed_mpd > s.PeakWinSpeed) s.PeakWinSpeed = winSpeed_mpd;
    // The excess ends where the first slow window starts.
    if (s.PrevOver && !s.Over && s.WinStart - rec.Begin >= ctx.Req.MinSpeedTime) FinishExcess(ctx, obj);

    s.WinStart = t;
    s.WinLat = fix.Lat;
    s.WinLon = fix.Lon;
    s.PrevOver = s.Over;
  }

  s.PrevTime = t;
  s.PrevLat = fix.Lat;
  s.PrevLon = fix.Lon;
  return 0;
}

int CloseSpeedExcessReport(TCalcContext& ctx, TObjReport& obj) {
  const TSpeedExcessState& s = ctx.SpeedExcess;
  // Less than a window of data after the last closed window does not extend
  // an open excess: it ends where the unfinished window starts.
  if (s.PrevOver && obj.SpeedExcessCount < kEventLimit &&
      s.WinStart - ctx.Buffers.SpeedExcess[obj.SpeedExcessCount].Begin >= ctx.Req.MinSpeedTime) {
    FinishExcess(ctx, obj);
  }
  return CopyEvents(ctx.Memory, ctx.Buffers.SpeedExcess, obj.SpeedExcessCount, obj.SpeedExcesses);
}

}  // namespace vedograf
