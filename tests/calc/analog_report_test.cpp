// Changes of the analog inputs.

#include "calc/analog_report.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "areas/control_point.h"
#include "support/calc_fixture.h"
#include "support/failing_memory.h"

namespace vedograf {
namespace {

using test::Fix;
using test::TCalcHarness;

double At(double seconds) { return Fix(seconds, 1.0, 1.0).Time; }

// An input row whose analog field `index` holds `field` (six characters);
// the other two fields are blank.
std::string AnalogText(int index, std::string_view field) {
  std::string text = "Входы: 0 0 0 0 0 ";
  for (int k = 0; k < 3; ++k) text += k == index ? std::string(field) : std::string(6, ' ');
  return text;
}

constexpr double kLat = 55.0, kLon = 37.0;

struct TAnalogRun {
  TCalcHarness h;
  int i;
  TAnalogRun(int index, double threshold, TMemory* memory = nullptr)
      : h(kMaskAnalogInputs, Request(index, threshold), memory), i(index) {
    InitAnalogInputReport(h.ctx, h.obj, i);
  }
  static TRequestParams Request(int index, double threshold) {
    TRequestParams req;
    req.AnalogThres[index] = threshold;
    return req;
  }
  int In(double seconds, int recNo, std::string_view field) {
    TRecord r;
    r.Time = At(seconds);
    r.RecNo = recNo;
    r.Text = AnalogText(i, field);
    return AnalogInputReportInStep(h.ctx, h.obj, i, r);
  }
  int Nav(double seconds, int recNo, bool fresh = true, double lat = kLat) {
    TRecord r = Fix(seconds, lat, kLon, 0.0, fresh ? "Свежее" : "Старое");
    r.RecNo = recNo;
    return AnalogInputReportNavStep(h.ctx, h.obj, i, r);
  }
  const TArray<TAnalogChange>& Close() {
    EXPECT_EQ(CloseAnalogInputReport(h.ctx, h.obj, i), 0);
    return h.obj.AnalogChanges[i];
  }
  // Readings one minute apart, no fixes.
  std::vector<double> Values(std::initializer_list<std::string_view> fields) {
    int rec = 1;
    for (std::string_view f : fields) In(60.0 * rec, rec * 2, f), ++rec;
    std::vector<double> v;
    for (const TAnalogChange& c : Close()) v.push_back(c.Value);
    return v;
  }
};

TEST(AnalogReport, SlowDriftIsNeverReported) {
  TAnalogRun run(0, 1000);
  EXPECT_EQ(run.Values({"     0", "   600", "  1200", "  1800"}), std::vector<double>{0});
  EXPECT_EQ(run.h.obj.AnalogChanges[0][0].Delta, 0.0);
  EXPECT_EQ(run.h.obj.AnalogChanges[0][0].Time, At(60));
}

TEST(AnalogReport, ChangeAboveTheThresholdIsReportedWithItsDelta) {
  TAnalogRun run(1, 1000);
  EXPECT_EQ(run.Values({"     0", "  1001", "   0.5"}), (std::vector<double>{0, 1001, 0.5}));
  EXPECT_EQ(run.h.obj.AnalogChanges[1][1].Delta, 1001.0);
  EXPECT_EQ(run.h.obj.AnalogChanges[1][2].Delta, -1000.5);
}

TEST(AnalogReport, ChangeOfExactlyTheThresholdIsNotReported) {
  TAnalogRun run(2, 1000);
  EXPECT_EQ(run.Values({"   500", "  1500", "   500"}), std::vector<double>{500});
}

TEST(AnalogReport, CommaFieldsReadAndBlankOrDashFieldsAreSkipped) {
  TAnalogRun run(0, 1);
  // The blank and dashed rows neither record nor move the reference; 13.0
  // is no change but moves it.
  EXPECT_EQ(run.Values({"  12,5", "      ", "------", "  13.0", " 14.75"}), (std::vector<double>{12.5, 14.75}));
  EXPECT_EQ(run.h.obj.AnalogChanges[0][1].Delta, 1.75);
}

TEST(AnalogReport, ZeroThresholdReportsEveryDifferentReading) {
  TAnalogRun run(0, 0);
  EXPECT_EQ(run.Values({"     5", "     5", "     6", "     6", "     5"}), (std::vector<double>{5, 6, 5}));
}

struct TArea {
  TArea() {
    TControlPoint* p = list.AddPoint(kLat, kLon, "Депо");
    p->Radius = 500;
    p->Selected = true;
    list.Arrange();
  }
  TControlPointList list;
};

TEST(AnalogReport, PositionComesOnlyFromAnAdjacentFix) {
  TArea area;
  TAnalogRun run(0, 5);
  run.h.UseAreas(area.list);
  run.Nav(100, 10);
  run.In(100, 11, "    10");  // right after its fix
  run.In(200, 12, "    20");  // followed by its fix
  run.Nav(200, 13);
  run.In(300, 20, "    30");  // no fix next to it
  run.Nav(400, 21);
  run.In(500, 22, "    40");
  run.Nav(500, 23, /*fresh=*/false);  // adjacent, but no usable position
  run.Nav(600, 30, true, kLat + 1.0);
  run.In(600, 31, "    50");  // areas chosen, none contains the fix
  const auto& changes = run.Close();
  ASSERT_EQ(changes.size(), 5u);
  EXPECT_EQ(changes[0].Area, 0);
  EXPECT_EQ(changes[1].Area, 0);
  EXPECT_EQ(changes[2].Area, kAreaUnknown);
  EXPECT_EQ(changes[3].Area, kAreaUnknown);
  EXPECT_EQ(changes[4].Area, kNoArea);
}

TEST(AnalogReport, AdjacentFixWithoutChosenAreasGivesNoArea) {
  TAnalogRun run(0, 5);
  run.Nav(100, 10);
  run.In(100, 11, "    10");
  run.In(200, 12, "    20");
  const auto& changes = run.Close();
  ASSERT_EQ(changes.size(), 2u);
  EXPECT_EQ(changes[0].Area, kNoArea);
  EXPECT_EQ(changes[1].Area, kAreaUnknown);
}

TEST(AnalogReport, FullBufferLetsOneMoreRowThroughThenRefuses) {
  TAnalogRun run(0, 0);
  int rec = 1;
  for (int k = 0; k < kEventLimit; ++k) ASSERT_EQ(run.In(k, rec++, k % 2 ? "     1" : "     2"), 0);
  ASSERT_EQ(run.h.obj.AnalogCount[0], kEventLimit);
  // The next row is let through: a navigation row adjacent to the last change
  // still gives it a position (the change waits since it had no fix before it).
  EXPECT_EQ(run.Nav(kEventLimit - 1, rec++), 0);
  EXPECT_EQ(run.In(kEventLimit, rec++, "     7"), 1);
  EXPECT_EQ(run.Nav(kEventLimit + 1, rec++), 1);
  const auto& changes = run.Close();
  ASSERT_EQ(changes.size(), static_cast<std::size_t>(kEventLimit));
  EXPECT_EQ(changes[kEventLimit - 1].Area, kNoArea);
  EXPECT_EQ(changes[kEventLimit - 2].Area, kAreaUnknown);
}

TEST(AnalogReport, FullBufferLetsOneMoreInputRowThroughUnread) {
  TAnalogRun run(0, 0);
  int rec = 1;
  for (int k = 0; k < kEventLimit; ++k) run.In(k, rec++, k % 2 ? "     1" : "     2");
  EXPECT_EQ(run.In(kEventLimit, rec++, "     7"), 0);
  EXPECT_EQ(run.In(kEventLimit + 1, rec++, "     8"), 1);
  EXPECT_EQ(run.Close().size(), static_cast<std::size_t>(kEventLimit));
}

TEST(AnalogReport, FailedCopyLeavesNoChanges) {
  test::TFailingMemory memory;
  TAnalogRun run(0, 0, &memory);
  run.In(60, 1, "     3");
  memory.FailWhen([](std::size_t) { return true; });
  EXPECT_EQ(CloseAnalogInputReport(run.h.ctx, run.h.obj, 0), 1);
  EXPECT_EQ(run.h.obj.AnalogCount[0], 0);
  EXPECT_TRUE(run.h.obj.AnalogChanges[0].empty());
}

}  // namespace
}  // namespace vedograf
