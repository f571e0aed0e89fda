// Input-report benchmark: a month of one-minute data per object — a fix and
// an input row each minute, the input rows carrying five discrete inputs,
// three analog values and three LLS fuel levels with loads and drains —
// through the run driver with the discrete, analog and fuel reports on,
// against a pass that only decodes the same rows. Then the fuel processing
// alone (Close of one sensor: smoothing, graph hand-off, loads and drains)
// for periods of one to four weeks, to show it grows linearly with minutes.
//
//   input_bench [objects] [days]

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "calc/buffers.h"
#include "calc/calc_context.h"
#include "calc/fuel_report.h"
#include "core/datetime.h"
#include "core/record.h"
#include "core/units.h"
#include "run/report_driver.h"
#include "bench_support.h"
#include "support/memory_row_source.h"

namespace vedograf {
namespace {

using bench::Clock;
using bench::TNullOutput;
using bench::TQuietServices;

const double kBegin = EncodeDate(2024, 3, 1);

// "Входы:" then the five states at characters 7..15, the analog fields at
// 17, 23, 29 and the LLS fuel fields at 56, 62, 68 (counted from the marker).
std::string InputText(const int states[5], const double analog[3], const double fuel[3]) {
  std::string t = "Входы:" + std::string(68, ' ');
  const std::size_t head = std::string("Входы:").size() - 6;  // bytes before character 6
  char field[16];
  for (int i = 0; i < 5; ++i) t[head + 7 + 2 * i] = states[i] ? '1' : '0';
  for (int i = 0; i < 3; ++i) {
    std::snprintf(field, sizeof field, "%6.0f", analog[i]);
    t.replace(head + 17 + 6 * i, 6, field, 6);
    std::snprintf(field, sizeof field, "%6.1f", fuel[i]);
    t.replace(head + 56 + 6 * i, 6, field, 6);
  }
  return t;
}

void MakeRows(test::TMemoryRowSource& rows, int objects, int minutes) {
  std::mt19937 rng(4242);
  std::uniform_real_distribution<double> u(0.0, 1.0);
  int recNo = 0;
  for (int m = 1; m <= objects; ++m) {
    double lat = 55.7, lon = 37.6;
    int states[5] = {0, 0, 0, 0, 0};
    double analog[3] = {500, 1500, 2500};
    double fuel[3] = {120, 200, 80};
    for (int i = 0; i < minutes; ++i) {
      const double t = kBegin + i * kMinuteToDays;
      lat += (u(rng) - 0.5) * 0.002;
      lon += (u(rng) - 0.5) * 0.003;
      rows.Add(test::TLogRow{++recNo, m, "Свежее 3D спутников 9", t, 12, lon, lat, 40 * u(rng)});
      for (int& s : states) {
        if (u(rng) < 0.01) s = !s;
      }
      for (double& a : analog) {
        a = std::clamp(a + (u(rng) - 0.5) * 400, 0.0, 4000.0);
        if (u(rng) < 0.002) a = 4000 * u(rng);  // a switch-over
      }
      for (double& f : fuel) {
        f = std::max(5.0, f - 0.05 + (u(rng) - 0.5) * 0.8);  // use and sensor noise
        if (u(rng) < 0.0005) f += 150;                       // a fill
        if (u(rng) < 0.0002) f = std::max(5.0, f - 60);      // a drain
      }
      rows.Add(test::TLogRow{++recNo, m, InputText(states, analog, fuel), t + 20 * kSecondToDays, 0, 0, 0, 0});
    }
  }
}

TRequestParams Request() {
  TRequestParams req;
  req.TimeBias = 3.0 / 24;
  req.MinSensorTime = 120 * kSecondToDays;
  req.SensorStates = {1, 1, 2, 1, 2};
  req.AnalogThres = {300, 500, 800};
  req.FuelSensors = {true, true, true};
  req.UseLLS = true;
  req.FuelThres = {20, 20, 20};
  req.MinLoad = 20;
  req.MinUnload = 20;
  req.FuelFilterDelta = 1.0f;
  return req;
}

double DecodeOnly(test::TMemoryRowSource& rows, int objects, const TReportParams& period, long long& count) {
  TRecord rec;
  const auto start = Clock::now();
  count = 0;
  double sink = 0;
  for (int m = 1; m <= objects; ++m) {
    rows.SetFilterText("MOBILE = " + std::to_string(m));
    rows.SetTimeWindow(period.Begin, period.End);
    rows.SetFiltered(true);
    rows.First();
    while (!rows.Eof()) {
      DecodeRow(rows, true, rec);
      sink += rec.Lat + static_cast<double>(rec.Text.size());
      ++count;
      rows.Next();
    }
    rows.SetFiltered(false);
  }
  const double s = std::chrono::duration<double>(Clock::now() - start).count();
  if (sink == 42) std::puts("");
  return s;
}

// One sensor's Close over `minutes` minutes of levels already in place.
double TimeFuelClose(int minutes, int reps) {
  TRequestParams req = Request();
  TEventBuffers buffers;
  TAreaLookup lookup;
  TMemory& mem = TMemory::Default();
  TCalcContext ctx(req, buffers, mem, lookup);
  AllocateBuffers(buffers, kMaskFuel | kMaskLoad | kMaskGraph, req, mem);
  ctx.Current = {0, kBegin, kBegin + minutes * kMinuteToDays};
  std::mt19937 rng(9);
  std::uniform_real_distribution<double> u(0.0, 1.0);
  double best = 1e9;
  for (int r = 0; r < reps; ++r) {
    TObjReport obj;
    obj.Number = 1;
    buffers.Graph.GraphSeriesCount = 0;
    InitFuelReport(ctx, obj, 0);
    double level = 150;
    for (int i = 0; i < minutes; ++i) {
      level = std::max(5.0, level - 0.05 + (u(rng) - 0.5) * 0.8);
      if (i % 2000 == 1000) level += 150;
      AddValue(ctx, 0, i, level);
    }
    const auto start = Clock::now();
    ProcessSamples(ctx, obj, 0);
    best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
  }
  FreeBuffers(buffers, 0);
  return best;
}

}  // namespace
}  // namespace vedograf

int main(int argc, char** argv) {
  using namespace vedograf;
  const int objects = argc > 1 ? std::atoi(argv[1]) : 5;
  const int days = argc > 2 ? std::atoi(argv[2]) : 30;
  const int minutes = days * 1440;

  test::TMemoryRowSource rows;
  MakeRows(rows, objects, minutes);
  rows.First();
  const TRequestParams req = Request();
  const TReportParams period{0, kBegin, kBegin + days};
  TObjReports objs(static_cast<std::size_t>(objects));
  for (int m = 1; m <= objects; ++m) objs[m - 1].Number = m;
  TQuietServices services;
  TNullOutput output;
  TReportDriver driver(services, output, TMemory::Default());
  const TReportMask mask = kMaskSensors | kMaskAnalogInputs | kMaskFuel | kMaskLoad | kMaskGraph;

  std::printf("rows: %d objects x %d days x 2 rows a minute = %lld\n", objects, days,
              2LL * objects * minutes);
  double bestDecode = 1e9, bestRun = 1e9;
  long long decoded = 0;
  for (int rep = 0; rep < 3; ++rep) {
    bestDecode = std::min(bestDecode, DecodeOnly(rows, objects, period, decoded));
    for (TObjReport& o : objs) o.Chosen = true;
    const auto start = Clock::now();
    const TRunInputs in{&objs, &rows, &req, &period, nullptr, nullptr};
    driver.CalcReports(mask, in);
    bestRun = std::min(bestRun, std::chrono::duration<double>(Clock::now() - start).count());
  }
  long long activities = 0, changes = 0, fuelEvents = 0;
  for (const TObjReport& o : objs) {
    for (const std::int32_t c : o.InputCount) activities += c;
    for (const std::int32_t c : o.AnalogCount) changes += c;
    for (const auto& f : o.Fuel) fuelEvents += f.EventCount;
  }
  std::printf("decode only:     %8.3f s  %10.0f rows/s\n", bestDecode, decoded / bestDecode);
  std::printf("driver, input and fuel reports: %8.3f s  %10.0f rows/s  (%lld activities, %lld changes, %lld fuel events)\n",
              bestRun, decoded / bestRun, activities, changes, fuelEvents);
  std::printf("ratio driver / decode: %.2f\n", bestRun / bestDecode);

  std::printf("fuel processing of one sensor (smoothing, graph, loads and drains):\n");
  double perMinuteFirst = 0;
  for (const int weeks : {1, 2, 4}) {
    const int n = weeks * 7 * 1440;
    const double s = TimeFuelClose(n, 5);
    const double perMinute = s / n * 1e9;
    if (perMinuteFirst == 0) perMinuteFirst = perMinute;
    std::printf("  %d week(s), %6d minutes: %8.3f ms  %6.1f ns/minute  (x%.2f of one week's rate)\n", weeks, n,
                s * 1e3, perMinute, perMinute / perMinuteFirst);
  }
  std::printf("  per sensor-month (30 days): %.3f ms\n", TimeFuelClose(30 * 1440, 5) * 1e3);
  return 0;
}
