#pragma once
// Everything a calculator reads besides the object and the row: the request,
// the interval in force for the object, the run's buffers and memory, the
// area lookup, and one state block per report kind (per channel where a kind
// is repeated). One context lives for one run.

#include <array>
#include <limits>
#include <string>

#include "areas/area_lookup.h"
#include "calc/analog_report.h"
#include "calc/buffers.h"
#include "calc/fuel_report.h"
#include "calc/input_fields.h"
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
  TCalcContext(const TCalcContext&) = delete;  // fields_ views fieldsText_
  TCalcContext(const TRequestParams& req, TEventBuffers& buffers, TMemory& memory, const TAreaLookup& areas)
      : Req(req), Buffers(buffers), Memory(memory), Areas(areas) {}

  const TRequestParams& Req;
  TReportParams Current;  // CurrentParams: the interval of the object being computed
  TEventBuffers& Buffers;
  TMemory& Memory;
  const TAreaLookup& Areas;

  // The first chosen area containing the position, or -1; no lookup at all
  // when no area is chosen.
  // The last answer is kept: a standing vehicle asks for the same fix again.
  int FindArea(double lon, double lat) {
    if (!Req.CPointsChosen) return -1;
    if (lon != areaMemo_.Lon || lat != areaMemo_.Lat) areaMemo_ = {lon, lat, Areas.Find(lon, lat)};
    return areaMemo_.Area;
  }

  // The route, daily, stop, speed and input calculators all measure the same
  // step of a fix, and the trigonometry is the dearest part of a row.
  double Distance(double prevLat, double prevLon, double lat, double lon) {
    return distances_.Distance(prevLat, prevLon, lat, lon);
  }

  // The fields of an input row: every chosen channel reads the same text, so
  // the marker is found once per row. Keyed by the text itself, so a new row
  // with the same text shares the answer and nothing stale is ever used.
  const TInputFields& InputFields(const std::string& text) {
    if (text != fieldsText_ || !fieldsValid_) {
      fieldsText_.assign(text);
      fields_ = TInputFields(fieldsText_);
      fieldsValid_ = true;
    }
    return fields_;
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
  TFixDistanceCache distances_;
  std::string fieldsText_;
  TInputFields fields_;
  bool fieldsValid_ = false;
  struct TAreaMemo {
    double Lon, Lat;
    int Area;
  };
  // NaN never compares equal, so the first call always looks.
  TAreaMemo areaMemo_{std::numeric_limits<double>::quiet_NaN(), 0, -1};
};

}  // namespace vedograf
