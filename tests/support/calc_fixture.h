#pragma once
// A calculator on its own: request, buffers, context and one object, with
// helpers to build fixes. Buffers are allocated for `mask` on construction.

#include <string>

#include "areas/area_lookup.h"
#include "calc/buffers.h"
#include "calc/calc_context.h"
#include "calc/obj_report.h"
#include "core/datetime.h"
#include "core/record.h"
#include "core/request.h"
#include "core/units.h"

namespace vedograf::test {

struct TCalcHarness {
  explicit TCalcHarness(TReportMask mask, TRequestParams request = {}, TMemory* memory = nullptr)
      : req(std::move(request)), mem(memory ? *memory : TMemory::Default()), ctx(req, buffers, mem, lookup) {
    AllocateBuffers(buffers, mask, req, mem);
    ctx.Current = {0, EncodeDateTime(2024, 5, 10), EncodeDateTime(2024, 5, 11)};
    obj.Number = 1;
  }
  ~TCalcHarness() { FreeBuffers(buffers, 0); }

  // Uses `areas` (with their Selected flags as they are now) for the lookups.
  void UseAreas(const TControlPointList& areas) {
    lookup = TAreaLookup(areas);
    req.CPointsChosen = !lookup.Empty();
  }

  TRequestParams req;
  TMemory& mem;
  TEventBuffers buffers;
  TAreaLookup lookup;
  TCalcContext ctx;
  TObjReport obj;
};

// A fresh fix at `seconds` after 10.05.2024 00:00 UTC.
inline TRecord Fix(double seconds, double lat, double lon, double speed = 0.0, std::string text = "Свежее 3D") {
  TRecord r;
  r.Time = EncodeDateTime(2024, 5, 10) + seconds * kSecondToDays;
  r.Lat = lat;
  r.Lon = lon;
  r.Speed = speed;
  r.Text = std::move(text);
  r.Fresh = HasFreshMarker(r.Text);
  r.Fix3D = HasFix3DMarker(r.Text);
  r.PowerUp = HasPowerUpMarker(r.Text, 12);
  return r;
}

// Latitude offset in degrees that puts a point `metres` north on the fix-distance sphere.
inline double NorthDegrees(double metres) { return metres / kEarthRadius_m / kDegToRad; }

}  // namespace vedograf::test
