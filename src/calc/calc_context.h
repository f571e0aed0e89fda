#pragma once
// Everything a calculator reads besides the object and the row: the request,
// the interval in force for the object, the run's buffers and memory, the
// area lookup, and one state block per report kind (per channel where a kind
// is repeated). One context lives for one run.

#include <array>

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
};

}  // namespace vedograf
