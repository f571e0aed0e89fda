#include "calc/buffers.h"

#include "core/request.h"

namespace vedograf {

int AllocateBuffers(TEventBuffers& b, TReportMask mask, const TRequestParams& req, TMemory& memory) {
  if ((mask & kMaskPowerUp) && !b.PowerOff.Reset(memory, kEventLimit)) return 1;
  if ((mask & kMaskNavLack) && !b.NavLoss.Reset(memory, kEventLimit)) return 1;
  if ((mask & kMaskPoints) && !b.Areas.Reset(memory, kEventLimit)) return 1;
  if ((mask & kMaskStops) && !b.Stops.Reset(memory, kStopBufferSize)) return 1;
  if ((mask & kMaskSpeedExcess) && !b.SpeedExcess.Reset(memory, kEventLimit)) return 1;
  if (mask & kMaskSensors) {
    for (int i = 0; i < 5; ++i) {
      if (req.SensorStates[i] != 0 && !b.Inputs[i].Reset(memory, kEventLimit)) return 1;
    }
  }
  if (mask & kMaskAnalogInputs) {
    for (int i = 0; i < 3; ++i) {
      if (req.AnalogThres[i] >= 0.0 && !b.Analog[i].Reset(memory, kEventLimit)) return 1;
    }
  }
  if (HasFuelReport(mask)) {
    for (int k = 0; k < 3; ++k) {
      if (!b.Fuel[k].Reset(memory, kEventLimit)) return 1;
    }
    for (TFuelSeries& s : b.FuelSeries) {
      s.Raw.Clear();
      s.Forward.Clear();
      s.Backward.Clear();
      s.Capacity = 0;
    }
    b.Graph.TimeAxis.Clear();
    for (TArray<float>& s : b.Graph.Series) s.Clear();
  }
  return 0;
}

void FreeBuffers(TEventBuffers& b, TReportMask /*mask*/) {
  // Everything is released whatever the mask: a buffer the mask did not ask
  // for is empty anyway, and a stale one must not outlive the run.
  b.PowerOff.Clear();
  b.NavLoss.Clear();
  b.Areas.Clear();
  b.Stops.Clear();
  b.SpeedExcess.Clear();
  for (auto& a : b.Inputs) a.Clear();
  for (auto& a : b.Analog) a.Clear();
  for (auto& a : b.Fuel) a.Clear();
  for (TFuelSeries& s : b.FuelSeries) {
    s.Raw.Clear();
    s.Forward.Clear();
    s.Backward.Clear();
    s.Capacity = 0;
  }
  b.Graph.TimeAxis.Clear();
  for (TArray<float>& s : b.Graph.Series) s.Clear();
}

}  // namespace vedograf
