#pragma once
// Per-run event buffers: allocated once per run at full size, shared by all
// objects of the run (each Init sets its count to 0 and Steps append at the
// count), so no Step ever allocates.

#include <array>
#include <cstdint>

#include "calc/memory.h"
#include "calc/obj_report.h"
#include "core/report_mask.h"

namespace vedograf {

struct TRequestParams;

inline constexpr std::int32_t kEventLimit = 10000;
inline constexpr std::int32_t kStopBufferSize = kEventLimit + 1;  // the closing movement record
inline constexpr int kMaxGraphSeries = 255;

// The minute series of one fuel sensor; reused from object to object of a run.
struct TFuelSeries {
  TArray<float> Raw;
  TArray<float> Forward;
  TArray<float> Backward;
  std::int32_t Capacity = 0;
};

// Minute levels handed to the fuel-volume graph: one time axis (display
// times) and up to 255 series in processing order. Owner holds the object
// number of each series: a run writes objects with their own interval into
// workbooks of their own, so a workbook's objects need not own the first
// series of the store.
struct TGraphStore {
  TArray<double> TimeAxis;
  std::array<TArray<float>, kMaxGraphSeries> Series;
  std::array<std::int32_t, kMaxGraphSeries> Owner{};
  std::int32_t GraphSeriesCount = 0;
};

struct TEventBuffers {
  TArray<TInterval> PowerOff;
  TArray<TInterval> NavLoss;
  TArray<TAreaVisit> Areas;
  TArray<TStopRecord> Stops;
  TArray<TSpeedExcess> SpeedExcess;
  std::array<TArray<TInputActivity>, 5> Inputs;
  std::array<TArray<TAnalogChange>, 3> Analog;
  std::array<TArray<TFuelEvent>, 3> Fuel;
  std::array<TFuelSeries, 3> FuelSeries;
  TGraphStore Graph;
};

// Allocates the buffers of the reports in `mask`, in the order power-off,
// navigation loss, areas, stops, speed excess, discrete inputs 0..4 (those
// with a non-zero state), analog inputs 0..2 (threshold >= 0), then all three
// fuel buffers for any fuel report; empties the minute series and the graph
// store. Returns 0, or 1 at the first allocation that fails (what was made
// stays for FreeBuffers).
int AllocateBuffers(TEventBuffers& buffers, TReportMask mask, const TRequestParams& req, TMemory& memory);

// Releases everything AllocateBuffers made; safe after a partial allocation.
void FreeBuffers(TEventBuffers& buffers, TReportMask mask);

// The Close-time copy: replaces `dst` with the first `count` records of
// `buffer`. On allocation failure `dst` stays empty, `count` becomes 0 and the
// result is 1; otherwise 0.
template <class T>
int CopyEvents(TMemory& memory, const TArray<T>& buffer, std::int32_t& count, TArray<T>& dst) {
  if (dst.CopyFrom(memory, buffer.data(), static_cast<std::size_t>(count))) return 0;
  count = 0;
  return 1;
}

}  // namespace vedograf
