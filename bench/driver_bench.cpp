// Report-engine benchmark: a few million synthetic fixes of several objects
// through the run driver with every position report on and 100 chosen areas,
// against a pass that only decodes the same rows. Prints rows per second, the
// ratio, and the allocations made per row (the row loop must make none).
//
//   driver_bench [objects] [rows-per-object]

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <random>
#include <string>

#include "areas/control_point.h"
#include "core/datetime.h"
#include "core/record.h"
#include "core/units.h"
#include "run/report_driver.h"
#include "bench_support.h"
#include "support/memory_row_source.h"

namespace {

std::atomic<long long> g_allocations{0};

}  // namespace

void* operator new(std::size_t n) {
  ++g_allocations;
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
  ++g_allocations;
  return std::malloc(n ? n : 1);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace vedograf {
namespace {

using bench::Clock;
using bench::TNullOutput;
using bench::TQuietServices;

const double kBegin = EncodeDate(2024, 5, 1);

// Vehicles wander around a city at 0..90 km/h with stops, every 10 s a fix,
// now and then a stale fix or a power-up.
void MakeRows(test::TMemoryRowSource& rows, int objects, int perObject) {
  std::mt19937 rng(12345);
  std::uniform_real_distribution<double> u(0.0, 1.0);
  int recNo = 0;
  for (int m = 1; m <= objects; ++m) {
    double lat = 55.60 + 0.3 * u(rng), lon = 37.30 + 0.5 * u(rng);
    double heading = u(rng) * 2 * kPi;
    double speedKmh = 40;
    int stopLeft = 0;
    for (int i = 0; i < perObject; ++i) {
      const double t = kBegin + i * 10.0 * kSecondToDays + m * 1e-6;
      if (stopLeft > 0) {
        --stopLeft;
        speedKmh = 0;
      } else if (u(rng) < 0.002) {
        stopLeft = 5 + static_cast<int>(u(rng) * 60);
      } else {
        speedKmh = std::clamp(speedKmh + (u(rng) - 0.5) * 10, 5.0, 95.0);
        heading += (u(rng) - 0.5) * 0.3;
      }
      const double step_m = speedKmh / 3.6 * 10;
      lat += std::cos(heading) * step_m / 111195.0;
      lon += std::sin(heading) * step_m / (111195.0 * std::cos(lat * kDegToRad));
      if (lat < 55.5 || lat > 56.0 || lon < 37.2 || lon > 37.9) heading += kPi;
      std::string text = "Свежее 3D спутников 9";
      if (u(rng) < 0.01) text = "Нет навигации 2D";
      if (u(rng) < 0.001) text += " PU ";
      rows.Add(test::TLogRow{++recNo, m, std::move(text), t, 12, lon, lat, speedKmh});
    }
  }
}

void MakeAreas(TControlPointList& areas) {
  std::mt19937 rng(777);
  std::uniform_real_distribution<double> u(0.0, 1.0);
  for (int i = 0; i < 100; ++i) {
    const double lat = 55.55 + 0.4 * u(rng), lon = 37.25 + 0.6 * u(rng);
    TControlPoint* a = areas.AddPoint(lat, lon, "Район " + std::to_string(i));
    if (i % 2 == 0) {
      a->Radius = 200 + 2000 * u(rng);
    } else {
      const double r = 300 + 1500 * u(rng);
      for (int k = 1; k < 6; ++k) {
        const double ang = k * 2 * kPi / 6;
        a->Points.push_back(TVertex{r * std::cos(ang) - r, r * std::sin(ang)});
      }
    }
  }
  areas.Arrange();
  for (std::size_t i = 0; i < areas.Count(); ++i) areas.Items(i)->Selected = true;
}

double DecodeOnly(test::TMemoryRowSource& rows, int objects, const TReportParams& period, long long& count) {
  TRecord rec;
  const auto start = Clock::now();
  count = 0;
  double sink = 0;
  for (int m = 1; m <= objects; ++m) {
    rows.SetFilterText("MOBILE = " + std::to_string(m) + " AND FLAGS = 12");
    rows.SetTimeWindow(period.Begin, period.End);
    rows.SetFiltered(true);
    rows.First();
    while (!rows.Eof()) {
      DecodeRow(rows, false, rec);
      sink += rec.Lat;
      ++count;
      rows.Next();
    }
    rows.SetFiltered(false);
  }
  const double s = std::chrono::duration<double>(Clock::now() - start).count();
  if (sink == 42) std::puts("");
  return s;
}

}  // namespace
}  // namespace vedograf

int main(int argc, char** argv) {
  using namespace vedograf;
  const int objects = argc > 1 ? std::atoi(argv[1]) : 10;
  const int perObject = argc > 2 ? std::atoi(argv[2]) : 300000;

  test::TMemoryRowSource rows;
  MakeRows(rows, objects, perObject);
  rows.First();
  TControlPointList areas;
  MakeAreas(areas);

  TRequestParams req;
  req.TimeBias = 3.0 / 24;
  req.DaysShift = 8.0 / 24;
  req.MinTime = 120 * kSecondToDays;
  req.MinNavTime = 300 * kSecondToDays;
  req.MinStopTime = 120 * kSecondToDays;
  req.MaxSpeed = 3 * kKmhToMpd;
  req.SpeedThres = 80 * kKmhToMpd;
  req.MinSpeedTime = 30 * kSecondToDays;
  req.CPointsChosen = true;
  const TReportParams period{0, kBegin, kBegin + perObject * 10.0 * kSecondToDays + 1};

  TObjReports objs(static_cast<std::size_t>(objects));
  for (int m = 1; m <= objects; ++m) objs[m - 1].Number = m;

  TQuietServices services;
  TNullOutput output;
  TReportDriver driver(services, output, TMemory::Default());
  const TReportMask mask = kMaskWay | kMaskDays | kMaskPowerUp | kMaskNavLack | kMaskNavFilter | kMaskPoints |
                           kMaskPointFilter | kMaskStops | kMaskStopFilter | kMaskSpeedExcess | kMaskSpeedFilter;

  std::printf("rows: %d objects x %d = %lld, areas: %zu chosen\n", objects, perObject,
              static_cast<long long>(objects) * perObject, areas.Count());
  double bestDecode = 1e9, bestRun = 1e9;
  long long decoded = 0, runAllocs = 0;
  for (int rep = 0; rep < 3; ++rep) {
    bestDecode = std::min(bestDecode, DecodeOnly(rows, objects, period, decoded));
    for (TObjReport& o : objs) o.Chosen = true;
    const long long before = g_allocations.load();
    const auto start = Clock::now();
    const TRunInputs in{&objs, &rows, &req, &period, nullptr, &areas};
    driver.CalcReports(mask, in);
    bestRun = std::min(bestRun, std::chrono::duration<double>(Clock::now() - start).count());
    runAllocs = g_allocations.load() - before;
  }
  long long events = 0;
  for (const TObjReport& o : objs) {
    events += o.PowerOffCount + o.NavLossCount + o.AreaVisitCount + o.StopCount + o.SpeedExcessCount;
  }
  std::printf("decode only:     %8.3f s  %10.0f rows/s\n", bestDecode, decoded / bestDecode);
  std::printf("driver, all position reports: %8.3f s  %10.0f rows/s  (%lld events)\n", bestRun,
              decoded / bestRun, events);
  std::printf("ratio driver / decode: %.2f (target <= 2)\n", bestRun / bestDecode);
  std::printf("allocations in one run: %lld (%.6f per row; per object: filter text, row index, result arrays)\n",
              runAllocs, static_cast<double>(runAllocs) / static_cast<double>(decoded));
  return 0;
}
