#pragma once
// Everything a calculator reads besides the object and the row: the request,
// the interval in force for the object, the run's buffers and memory, the
// area lookup, and one state block per report kind (per channel where a kind
// is repeated). One context lives for one run.

#include <array>
#include <limits>

#include "areas/area_lookup.h"
#include "calc/analog_report.h"
#include "calc/buffers.h"
#include "calc/fuel_report.h"
#include "calc/interval_reports.h"
#include "calc/point_report.h"
#include "calc/sensor_report.h"
#include "calc/speed_excess_report.h"
#include "calc/stop_report.h"
#include "calc/way_report.h"
#include "core/geodesy.h"
#include "core/report_params.h"
#include "core/request.h"

namespace vedograf {

struct TCalcContext {
  TCalcContext(const TRequestParams& req, TEventBuffers& buffers, TMemory& memory, const TAreaLookup& areas)
      : Req(req), Buffers(buffers), Memory(memory), Areas(areas) {}

  const TRequestParams& Req;
  TReportParams Current;  // CurrentParams: the interval of the object being computed
  TEventBuffers& Buffers;
  TMemory& Memory;
  const TAreaLookup& Areas;

  // The first chosen area containing the position, or -1; no lookup at all
  // when no area is chosen.
  int FindArea(double lon, double lat) const { return Req.CPointsChosen ? Areas.Find(lon, lat) : -1; }

  // FixDistance, remembered for the last pair of fixes: the route, daily,
  // stop, speed and input calculators all measure the same step of a fix, and
  // the trigonometry is the dearest part of a row. Same inputs, same bits.
  double Distance(double prevLat, double prevLon, double lat, double lon) {
    if (prevLat != memo_.PrevLat || prevLon != memo_.PrevLon || lat != memo_.Lat || lon != memo_.Lon) {
      memo_ = {prevLat, prevLon, lat, lon, FixDistance(prevLat, prevLon, lat, lon)};
    }
    return memo_.Distance_m;
  }

  TWayState Way;
  TDaysState Days;
  TPowerUpState PowerUp;
  TNavLackState NavLack;
  TPointState Point;
  TStopState Stop;
  TSpeedExcessState SpeedExcess;
  std::array<TSensorState, 5> Sensor;
  std::array<TAnalogState, 3> Analog;
  std::array<TFuelState, 3> Fuel;

 private:
  struct TDistanceMemo {
    double PrevLat, PrevLon, Lat, Lon, Distance_m;
  };
  // NaN never compares equal, so the first call always computes.
  TDistanceMemo memo_{std::numeric_limits<double>::quiet_NaN(), 0, 0, 0, 0};
};

}  // namespace vedograf
