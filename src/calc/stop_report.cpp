#include "calc/stop_report.h"

#include "calc/buffers.h"
#include "calc/calc_context.h"
#include "calc/obj_report.h"
#include "core/geodesy.h"
#include "core/record.h"
#include "core/units.h"

namespace vedograf {

namespace {

constexpr double kNoSpeedLo_mpd = 99999999.0;
constexpr double kNoSpeedHi_mpd = -1.0;

void RestartMoveSpeeds(TStopState& s) {
  s.WinSpeedLo = kNoSpeedLo_mpd;
  s.WinSpeedHi = kNoSpeedHi_mpd;
  s.HaveWinSpeed = false;
}

// Distance, time and window speeds of the movement that ends at `endTime`,
// measured from the end of the previous result record (or the first fix).
void FillMovement(const TStopState& s, const TArray<TStopRecord>& stops, std::int32_t n, double endTime,
                  TStopRecord& rec) {
  const bool havePrev = n > 0;
  rec.MoveDistance = s.Odometer - (havePrev ? stops[n - 1].EndOdometer : 0.0);
  rec.MoveTime = endTime - (havePrev ? stops[n - 1].End : s.FirstTime);
  if (s.HaveWinSpeed) {
    rec.MoveSpeedMin = s.WinSpeedLo;
    rec.MoveSpeedMax = s.WinSpeedHi;
    rec.MoveSpeedMean = rec.MoveTime > 0.0 ? rec.MoveDistance / rec.MoveTime : 0.0;
  } else {
    rec.MoveSpeedMin = 0.0;
    rec.MoveSpeedMean = 0.0;
    rec.MoveSpeedMax = 0.0;
  }
}

}  // namespace

int InitStopReport(TCalcContext& ctx, TObjReport& obj) {
  ctx.Stop = TStopState{};
  obj.StopCount = 0;
  return 0;
}

int StopReportStep(TCalcContext& ctx, TObjReport& obj, const TRecord& fix) {
  TStopState& s = ctx.Stop;
  TArray<TStopRecord>& stops = ctx.Buffers.Stops;
  // Every write below goes to index StopCount or StopCount - 1, so with the
  // count below the limit nothing reaches past the spare record.
  if (obj.StopCount >= kEventLimit) return 1;

  const double t = fix.Time;
  if (s.First) {
    s.PrevLon = fix.Lon;
    s.PrevLat = fix.Lat;
    s.FirstTime = s.PrevTime = s.WinStart = t;
    s.First = false;
    return 0;
  }
  if (!(t > s.PrevTime)) return 0;

  const double step_m = ctx.Distance(s.PrevLat, s.PrevLon, fix.Lat, fix.Lon);
  const double stepSpeed_mpd = step_m / (t - s.PrevTime);
  s.Stopped = stepSpeed_mpd <= ctx.Req.MaxSpeed;

  double winSpeed_mpd = -1.0;
  s.WinDistance += step_m;
  if (t - s.WinStart >= kTenSecondsDays) {
    winSpeed_mpd = s.WinDistance / (t - s.WinStart);
    s.WinDistance = 0.0;
    s.WinStart = t;
  }

  const std::int32_t n = obj.StopCount;
  if (!s.PrevStopped && s.Stopped) {
    // The stop starts at the last fix before the slow step.
    TStopRecord& rec = stops[n];
    rec.Begin = s.PrevTime;
    FillMovement(s, stops, n, s.PrevTime, rec);
    rec.Area = ctx.FindArea(s.PrevLon, s.PrevLat);
    // A movement shorter than MinStopTime does not separate this stop from the
    // confirmed one before it: Confirmed stays and the two merge at the end.
    if (s.Confirmed && s.PrevTime - stops[n - 1].End >= ctx.Req.MinStopTime) s.Confirmed = false;
  } else if (s.PrevStopped && !s.Stopped) {
    TStopRecord& rec = stops[s.Confirmed ? n - 1 : n];
    rec.End = s.PrevTime;
    rec.EndOdometer = s.Odometer;
    if (!s.Confirmed && s.PrevTime - rec.Begin >= ctx.Req.MinStopTime) {
      s.Confirmed = true;
      obj.StopCount = n + 1;
    }
    // A stop too short to report is left to be overwritten and its time and
    // distance stay in the movement; otherwise a new movement starts here.
    if (s.Confirmed) RestartMoveSpeeds(s);
  }

  s.Odometer += step_m;
  if (winSpeed_mpd >= 0.0) {
    s.HaveWinSpeed = true;
    if (winSpeed_mpd < s.WinSpeedLo) s.WinSpeedLo = winSpeed_mpd;
    if (winSpeed_mpd > s.WinSpeedHi) s.WinSpeedHi = winSpeed_mpd;
  }

  s.PrevTime = t;
  s.PrevLat = fix.Lat;
  s.PrevLon = fix.Lon;
  s.PrevStopped = s.Stopped;
  return 0;
}

int CloseStopReport(TCalcContext& ctx, TObjReport& obj) {
  TStopState& s = ctx.Stop;
  TArray<TStopRecord>& stops = ctx.Buffers.Stops;
  const double lastTime = s.PrevTime;
  const std::int32_t n = obj.StopCount;

  if (n < kEventLimit) {
    if (s.Confirmed) {
      if (!s.PrevStopped && lastTime - stops[n - 1].End >= ctx.Req.MinStopTime) {
        s.Confirmed = false;  // the final movement stands on its own
      } else {
        // Still stopped in a merged stop, or a final movement too short to
        // count: the last stop lasts to the last fix.
        stops[n - 1].End = lastTime;
        stops[n - 1].EndOdometer = s.Odometer;
      }
    }
    if (!s.Confirmed) {
      bool closed = false;
      if (s.PrevStopped) {
        TStopRecord& rec = stops[n];
        rec.End = lastTime;
        rec.EndOdometer = s.Odometer;
        if (lastTime - rec.Begin >= ctx.Req.MinStopTime) {
          obj.StopCount = n + 1;
          closed = true;
        }
      }
      if (!closed) {
        // Moving at the end, or a final stop too short to report: the closing
        // movement record. Its Area, End and EndOdometer are not read, but are
        // set so that nothing of an earlier object's records survives in it.
        TStopRecord& rec = stops[n];
        rec.Area = kNoArea;
        rec.Begin = 0.0;
        rec.End = lastTime;
        rec.EndOdometer = s.Odometer;
        FillMovement(s, stops, n, lastTime, rec);
        obj.StopCount = n + 1;
      }
    }
  }
  return CopyEvents(ctx.Memory, stops, obj.StopCount, obj.Stops);
}

}  // namespace vedograf
