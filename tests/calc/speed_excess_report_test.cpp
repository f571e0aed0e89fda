#include "calc/speed_excess_report.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "areas/control_point.h"
#include "core/geodesy.h"
#include "support/calc_fixture.h"

namespace vedograf {
namespace {

using test::Fix;
using test::NorthDegrees;
using test::TCalcHarness;

constexpr double kLat0 = 55.0;
constexpr double kLon0 = 37.0;
constexpr double kHair = 5.0001;  // three steps close a 15 s window without rounding luck

TRecord At(double seconds, double north) { return Fix(seconds, kLat0 + NorthDegrees(north), kLon0); }
double Time(double seconds) { return At(seconds, 0).Time; }
double Kmh(double kmh) { return kmh * kKmhToMpd; }

// A track up the meridian, built step by step at given speeds.
struct TTrack {
  double t = 0, north = 0;
  std::vector<TRecord> fixes{At(0, 0)};

  // `steps` fixes `dt` seconds apart, each reached at `speed` m/day.
  TTrack& Go(int steps, double dt, double speed) {
    for (int i = 0; i < steps; ++i) {
      north += speed * (Time(t + dt) - Time(t));
      t += dt;
      fixes.push_back(At(t, north));
    }
    return *this;
  }
  // One 15 s window of three steps.
  TTrack& Window(double speed) { return Go(3, kHair, speed); }
};

TRequestParams ExcessRequest(double minSeconds) {
  TRequestParams req;
  req.SpeedThres = Kmh(80);
  req.MinSpeedTime = minSeconds * kSecondToDays;
  return req;
}

void RunExcess(TCalcHarness& h, const std::vector<TRecord>& fixes) {
  ASSERT_EQ(InitSpeedExcessReport(h.ctx, h.obj), 0);
  for (const TRecord& f : fixes) ASSERT_EQ(SpeedExcessReportStep(h.ctx, h.obj, f), 0);
  ASSERT_EQ(CloseSpeedExcessReport(h.ctx, h.obj), 0);
  ASSERT_EQ(h.obj.SpeedExcesses.size(), static_cast<std::size_t>(h.obj.SpeedExcessCount));
}

TEST(SpeedExcessReport, WindowClosesAtEveryThirdFix) {
  TCalcHarness h(kMaskSpeedExcess, ExcessRequest(30));
  TTrack track;
  track.Window(Kmh(40)).Window(Kmh(100)).Window(Kmh(110)).Window(Kmh(40));
  RunExcess(h, track.fixes);
  ASSERT_EQ(h.obj.SpeedExcessCount, 1);
  const TSpeedExcess& e = h.obj.SpeedExcesses[0];
  EXPECT_EQ(e.Begin, Time(3 * kHair));
  EXPECT_EQ(e.End, Time(9 * kHair));
  EXPECT_NEAR(e.PeakSpeed, Kmh(110), 1);
  EXPECT_EQ(e.Area, kNoArea);
}

TEST(SpeedExcessReport, SingleFastWindowNeedsTheFilterOff) {
  TTrack track;
  track.Window(Kmh(40)).Window(Kmh(100)).Window(Kmh(40));

  TCalcHarness filtered(kMaskSpeedExcess, ExcessRequest(30));
  RunExcess(filtered, track.fixes);
  EXPECT_EQ(filtered.obj.SpeedExcessCount, 0);
  EXPECT_TRUE(filtered.obj.SpeedExcesses.empty());

  TCalcHarness unfiltered(kMaskSpeedExcess, ExcessRequest(0));
  RunExcess(unfiltered, track.fixes);
  ASSERT_EQ(unfiltered.obj.SpeedExcessCount, 1);
  EXPECT_EQ(unfiltered.obj.SpeedExcesses[0].Begin, Time(3 * kHair));
  EXPECT_EQ(unfiltered.obj.SpeedExcesses[0].End, Time(6 * kHair));
}

TEST(SpeedExcessReport, WindowAtTheThresholdIsAnExcess) {
  // One-step windows of 16 s; the middle one at 80 km/h. The threshold is
  // set to that window's speed as computed, so the test does not depend on
  // how closely the track hits 1920000 m/day.
  TTrack track;
  track.Go(1, 16, Kmh(40)).Go(1, 16, Kmh(80)).Go(1, 16, Kmh(40));
  const TRecord& a = track.fixes[1];
  const TRecord& b = track.fixes[2];
  const double window = FixDistance(a.Lat, a.Lon, b.Lat, b.Lon) / (b.Time - a.Time);
  ASSERT_NEAR(window, 1920000.0, 0.01);

  TRequestParams req = ExcessRequest(0);
  req.SpeedThres = window;
  TCalcHarness at(kMaskSpeedExcess, req);
  RunExcess(at, track.fixes);
  ASSERT_EQ(at.obj.SpeedExcessCount, 1);
  EXPECT_EQ(at.obj.SpeedExcesses[0].Begin, Time(16));
  EXPECT_EQ(at.obj.SpeedExcesses[0].End, Time(32));

  req.SpeedThres = std::nextafter(window, 1e300);
  TCalcHarness above(kMaskSpeedExcess, req);
  RunExcess(above, track.fixes);
  EXPECT_EQ(above.obj.SpeedExcessCount, 0);
}

TEST(SpeedExcessReport, PeakSpeedIsTruncatedMetresPerDay) {
  TCalcHarness h(kMaskSpeedExcess, ExcessRequest(0));
  TTrack track;
  // 100.5 km/h is 2412000 m/day; 0.7 m/day more must not round up.
  track.Window(Kmh(40)).Window(Kmh(100.5) + 0.7).Window(Kmh(40));
  RunExcess(h, track.fixes);
  ASSERT_EQ(h.obj.SpeedExcessCount, 1);
  EXPECT_EQ(h.obj.SpeedExcesses[0].PeakSpeed, 2412000);
}

TEST(SpeedExcessReport, PositionJumpHoldsPeakAtTheLargestValue) {
  TCalcHarness h(kMaskSpeedExcess, ExcessRequest(0));
  // 1000 km in 16 s: about 5.4e9 m/day, more than 32 bits hold.
  RunExcess(h, {At(0, 0), At(16, 100), At(32, 1000100), At(48, 1000200)});
  ASSERT_EQ(h.obj.SpeedExcessCount, 1);
  EXPECT_EQ(h.obj.SpeedExcesses[0].PeakSpeed, std::numeric_limits<std::int32_t>::max());
}

TEST(SpeedExcessReport, ExcessOpenAtTheLastFixEndsWhereTheUnfinishedWindowStarts) {
  TTrack track;
  // Two fast windows, then 10 s even faster that never close a window.
  track.Window(Kmh(40)).Window(Kmh(100)).Window(Kmh(110)).Go(2, kHair, Kmh(150));

  TCalcHarness h(kMaskSpeedExcess, ExcessRequest(30));
  RunExcess(h, track.fixes);
  ASSERT_EQ(h.obj.SpeedExcessCount, 1);
  EXPECT_EQ(h.obj.SpeedExcesses[0].Begin, Time(3 * kHair));
  EXPECT_EQ(h.obj.SpeedExcesses[0].End, Time(9 * kHair));
  EXPECT_NEAR(h.obj.SpeedExcesses[0].PeakSpeed, Kmh(110), 1);

  // 30.0006 s is too short for a 31 s minimum.
  TCalcHarness longer(kMaskSpeedExcess, ExcessRequest(31));
  RunExcess(longer, track.fixes);
  EXPECT_EQ(longer.obj.SpeedExcessCount, 0);
}

TEST(SpeedExcessReport, AreaIsWhereTheExcessBegins) {
  TTrack track;
  track.Window(Kmh(40)).Window(Kmh(100)).Window(Kmh(110)).Window(Kmh(40));
  const double startLat = track.fixes[3].Lat;
  const double endLat = track.fixes[9].Lat;

  TControlPointList areas;
  TControlPoint* start = areas.AddPoint(startLat, kLon0, "Въезд");
  start->Radius = 20;
  start->Selected = true;
  TControlPoint* end = areas.AddPoint(endLat, kLon0, "Выезд");
  end->Radius = 10;
  end->Selected = true;
  areas.Arrange();

  TCalcHarness h(kMaskSpeedExcess, ExcessRequest(30));
  h.UseAreas(areas);
  RunExcess(h, track.fixes);
  ASSERT_EQ(h.obj.SpeedExcessCount, 1);
  ASSERT_GE(h.obj.SpeedExcesses[0].Area, 0);
  EXPECT_EQ(areas.Items(h.obj.SpeedExcesses[0].Area)->Name, "Въезд");
}

TEST(SpeedExcessReport, LimitOfTenThousandExcesses) {
  TCalcHarness h(kMaskSpeedExcess, ExcessRequest(0));
  ASSERT_EQ(InitSpeedExcessReport(h.ctx, h.obj), 0);
  // One-step windows of 16 s, alternately fast and slow: one excess per pair.
  double t = 0, north = 0;
  ASSERT_EQ(SpeedExcessReportStep(h.ctx, h.obj, At(t, north)), 0);
  for (int i = 0; i < kEventLimit; ++i) {
    ASSERT_EQ(SpeedExcessReportStep(h.ctx, h.obj, At(t += 16, north += 500)), 0);
    ASSERT_EQ(SpeedExcessReportStep(h.ctx, h.obj, At(t += 16, north += 10)), 0);
  }
  ASSERT_EQ(h.obj.SpeedExcessCount, kEventLimit);
  EXPECT_EQ(SpeedExcessReportStep(h.ctx, h.obj, At(t += 16, north += 500)), 1);
  ASSERT_EQ(CloseSpeedExcessReport(h.ctx, h.obj), 0);
  EXPECT_EQ(h.obj.SpeedExcessCount, kEventLimit);
  EXPECT_EQ(h.obj.SpeedExcesses.size(), static_cast<std::size_t>(kEventLimit));
}

class TFailingMemory : public TMemory {
 public:
  bool Fail = false;
  void* Allocate(std::size_t bytes) noexcept override { return Fail ? nullptr : TMemory::Allocate(bytes); }
};

TEST(SpeedExcessReport, CopyFailureLeavesNoExcesses) {
  TFailingMemory memory;
  TCalcHarness h(kMaskSpeedExcess, ExcessRequest(0), &memory);
  TTrack track;
  track.Window(Kmh(40)).Window(Kmh(100)).Window(Kmh(40));
  RunExcess(h, track.fixes);
  ASSERT_EQ(h.obj.SpeedExcessCount, 1);

  memory.Fail = true;
  ASSERT_EQ(InitSpeedExcessReport(h.ctx, h.obj), 0);
  for (const TRecord& f : track.fixes) ASSERT_EQ(SpeedExcessReportStep(h.ctx, h.obj, f), 0);
  EXPECT_EQ(CloseSpeedExcessReport(h.ctx, h.obj), 1);
  EXPECT_EQ(h.obj.SpeedExcessCount, 0);
  EXPECT_TRUE(h.obj.SpeedExcesses.empty());
}

}  // namespace
}  // namespace vedograf
