#include "run/report_driver.h"

#include <gtest/gtest.h>

#include <memory>

#include <chrono>
#include <stdexcept>
#include <thread>

#include "areas/control_point.h"
#include "core/datetime.h"
#include "core/errors.h"
#include "core/units.h"
#include "sheet/report_output.h"
#include "support/failing_memory.h"
#include "support/memory_row_source.h"
#include "support/test_services.h"

namespace vedograf {
namespace {

using test::TLogRow;

// Records what the driver asks of the spreadsheet side.
class TRecordingOutput : public IReportOutput {
 public:
  struct TCall {
    int count;
    std::vector<int> objects;  // numbers of the InReport objects
    TReportParams current;
  };

  int ExcelInit() override {
    ++inits;
    return initResult;
  }
  void MakeReport(const TRunView& run, int count, TReportMask) override {
    TCall call{count, {}, run.Current};
    for (const TObjReport& o : run.Objects) {
      if (o.InReport) call.objects.push_back(o.Number);
    }
    calls.push_back(call);
    if (throwFor != 0 && call.objects == std::vector<int>{throwFor}) throw std::runtime_error("write failed");
    if (throwJoint && count > 1) throw std::runtime_error("joint failed");
  }
  void ShowExcel() override {
    ++shows;
    if (throwOnShow) throw std::runtime_error("show failed");
  }

  int initResult = 0;
  int inits = 0;
  int shows = 0;
  int throwFor = 0;
  bool throwJoint = false;
  bool throwOnShow = false;
  std::vector<TCall> calls;
};

const double kDay = EncodeDate(2024, 5, 10);

double At(double seconds) { return kDay + seconds * kSecondToDays; }

// A driver with its surroundings: objects 1..n, all chosen, an interval of
// one day, no areas.
struct TDriverHarness {
  explicit TDriverHarness(std::vector<int> numbers = {1, 2, 3}, TMemory* memory = nullptr)
      : driver(services, output, memory ? *memory : TMemory::Default()) {
    for (int n : numbers) {
      TObjReport o;
      o.Number = n;
      o.Chosen = true;
      objects.push_back(std::move(o));
    }
    requestParams = {0, kDay, kDay + 1};
  }

  TRunInputs Inputs() {
    return TRunInputs{&objects, &rows, &req, &requestParams, &personal, &areas};
  }
  bool Run(TReportMask mask) { return driver.CalcReports(mask, Inputs()); }

  // A fresh fix of object `mobile`.
  void AddFix(int mobile, double seconds, double lat, double lon, const std::string& text = "Свежее 3D") {
    rows.Add(TLogRow{++recNo, mobile, text, At(seconds), 12, lon, lat, 10.0});
  }

  TObjReport& Obj(int number) {
    for (TObjReport& o : objects) {
      if (o.Number == number) return o;
    }
    throw std::logic_error("no such object");
  }

  test::TTestServices services;
  TRecordingOutput output;
  TReportDriver driver;
  TObjReports objects;
  test::TMemoryRowSource rows;
  TRequestParams req;
  TReportParams requestParams;
  TPersonalParams personal;
  TControlPointList areas;
  int recNo = 0;
};

TEST(ReportDriver, FilterTextFollowsTheInputFlag) {
  TDriverHarness h({17});
  h.Run(kMaskWay);
  EXPECT_EQ(h.rows.filterHistory, std::vector<std::string>{"MOBILE = 17 AND FLAGS = 12"});
  h.rows.filterHistory.clear();
  h.Obj(17).Chosen = true;
  h.Run(kMaskWay | kMaskAnalogInputs);
  EXPECT_EQ(h.rows.filterHistory, std::vector<std::string>{"MOBILE = 17"});
  // After a normal end the dataset is left unfiltered.
  EXPECT_FALSE(h.rows.Filtered());
}

TEST(ReportDriver, PositionRoutingSkipsUnusableFixes) {
  TDriverHarness h({1});
  h.AddFix(1, 0, 55.0, 37.0);
  h.AddFix(1, 60, 0.0, 0.0, "Свежее PU 3D");  // fresh, power-up, no usable position
  h.AddFix(1, 120, 55.01, 37.0, "3D");        // not fresh: only navigation loss sees it
  h.AddFix(1, 180, 55.02, 37.0);
  h.Run(kMaskWay | kMaskPowerUp | kMaskNavLack | kMaskStops);
  const TObjReport& o = h.Obj(1);
  EXPECT_EQ(o.FixCount, 2);  // 0,0 and the stale row are not route fixes
  ASSERT_EQ(o.PowerOffCount, 1);
  EXPECT_EQ(o.PowerOffs[0].Begin, At(0));
  EXPECT_EQ(o.PowerOffs[0].End, At(60));
  ASSERT_EQ(o.NavLossCount, 1);
  EXPECT_EQ(o.NavLosses[0].Begin, At(120));
  EXPECT_EQ(o.NavLosses[0].End, At(180));
  EXPECT_TRUE(h.services.shown.empty());
}

TEST(ReportDriver, RowsOutsideTheIntervalAndOfOtherObjectsAreNotSeen) {
  TDriverHarness h({1, 2});
  h.AddFix(1, -1, 50.0, 30.0);
  h.AddFix(1, 0, 50.0, 30.0);      // exactly at Begin
  h.AddFix(2, 10, 51.0, 30.0);
  h.AddFix(1, 86400, 50.1, 30.0);  // exactly at End
  h.AddFix(1, 86401, 50.2, 30.0);
  h.Run(kMaskWay);
  EXPECT_EQ(h.Obj(1).FixCount, 2);
  EXPECT_EQ(h.Obj(2).FixCount, 1);
}

TEST(ReportDriver, ObjectWithoutRowsIsStillInitialisedClosedAndWritten) {
  TDriverHarness h({1, 2});
  h.AddFix(1, 0, 50.0, 30.0);
  h.Obj(2).FixCount = 99;  // left from an earlier run
  h.Run(kMaskWay | kMaskStops);
  EXPECT_EQ(h.Obj(2).FixCount, 0);
  ASSERT_EQ(h.Obj(2).StopCount, 1);  // the closing movement record
  EXPECT_EQ(h.Obj(2).Stops[0].Begin, 0.0);
  EXPECT_TRUE(h.services.shown.empty());
  ASSERT_EQ(h.output.calls.size(), 1u);
  EXPECT_EQ(h.output.calls[0].count, 2);
  EXPECT_EQ(h.output.shows, 1);
}

// Rows that alternate stale / fresh give one navigation-loss and one
// power-off interval per pair, enough to fill both buffers.
void FillBothBuffers(TDriverHarness& h, int mobile) {
  for (int i = 0; i <= kEventLimit + 1; ++i) {
    h.AddFix(mobile, 4.0 * i, 50.0, 30.0, "3D");
    h.AddFix(mobile, 4.0 * i + 2, 50.0, 30.0, "Свежее PU 3D");
  }
}

TEST(ReportDriver, LimitWarningOncePerObject) {
  TDriverHarness h({1, 2, 3});
  FillBothBuffers(h, 1);
  FillBothBuffers(h, 3);
  h.AddFix(2, 5, 50.0, 30.0);
  h.Run(kMaskPowerUp | kMaskNavLack);
  EXPECT_EQ(h.services.Warnings(),
            (std::vector<std::string>{"Превышен лимит событий в отчете для объекта №1\r\nОтчет будет отображен не полностью",
                                      "Превышен лимит событий в отчете для объекта №3\r\nОтчет будет отображен не полностью"}));
  EXPECT_EQ(h.Obj(1).NavLossCount, kEventLimit);
  EXPECT_EQ(h.Obj(1).PowerOffCount, kEventLimit);
  EXPECT_EQ(h.Obj(2).PowerOffCount, 0);
  EXPECT_EQ(h.output.calls.size(), 1u);
}

TEST(ReportDriver, ExceptionStopsTheCalculationButShowsTheWorkbook) {
  struct TCase {
    std::function<void()> thrower;
    std::string tail;
  };
  const std::vector<TCase> cases{
      {[] { throw TOleError(0x80004005u, "Ошибка чтения"); }, " код 80004005:\r\nОшибка чтения"},
      {[] { throw TOleError(0x1Fu, "x"); }, " код 0000001F:\r\nx"},
      {[] { throw std::runtime_error("boom"); }, "\r\n boom"},
      {[] { throw 42; }, ""},
  };
  for (const TCase& c : cases) {
    TDriverHarness h({1, 2, 3});
    for (int m : {1, 2, 3}) {
      h.AddFix(m, 10.0 * m, 50.0, 30.0);
      h.AddFix(m, 10.0 * m + 61.5, 50.0, 30.0);
    }
    h.rows.onNext = [&](const TLogRow& row) {
      if (row.Mobile == 2 && row.Time > At(25)) c.thrower();
    };
    h.Run(kMaskWay);
    EXPECT_EQ(h.services.Errors(),
              std::vector<std::string>{"Ошибка вычисления отчета для объекта №2  00:01:21 10.05.2024" + c.tail});
    EXPECT_TRUE(h.output.calls.empty());
    EXPECT_EQ(h.output.shows, 1);
    EXPECT_EQ(h.Obj(1).FixCount, 2);
    // The dataset keeps the failed object's filter.
    EXPECT_TRUE(h.rows.Filtered());
    EXPECT_EQ(h.rows.FilterText(), "MOBILE = 2 AND FLAGS = 12");
  }
}

TEST(ReportDriver, PersonalParametersAreWrittenFirstAndAlone) {
  TDriverHarness h({5, 9});
  h.personal = {{9, kDay + 0.25, kDay + 0.5}};
  h.AddFix(9, 3600, 50.0, 30.0);   // before 9's own interval
  h.AddFix(9, 7 * 3600, 50.0, 30.0);
  h.AddFix(5, 3600, 50.0, 30.0);
  h.Run(kMaskWay);
  EXPECT_EQ(h.Obj(9).FixCount, 1);
  EXPECT_EQ(h.Obj(5).FixCount, 1);
  ASSERT_EQ(h.output.calls.size(), 2u);
  EXPECT_EQ(h.output.calls[0].count, 1);
  EXPECT_EQ(h.output.calls[0].objects, std::vector<int>{9});
  EXPECT_EQ(h.output.calls[0].current.Begin, kDay + 0.25);
  EXPECT_EQ(h.output.calls[0].current.ObjNum, 9);
  EXPECT_EQ(h.output.calls[1].count, 1);
  EXPECT_EQ(h.output.calls[1].objects, std::vector<int>{5});
  EXPECT_EQ(h.output.calls[1].current.Begin, kDay);
  EXPECT_FALSE(h.Obj(9).Chosen);
  EXPECT_TRUE(h.Obj(5).Chosen);
  for (const TObjReport& o : h.objects) EXPECT_EQ(o.InReport, o.Chosen);
}

TEST(ReportDriver, WriteFailuresAreReportedAndTheRunGoesOn) {
  TDriverHarness h({5, 9, 12});
  h.personal = {{9, kDay, kDay + 0.5}};
  h.output.throwFor = 9;
  h.output.throwJoint = true;
  h.output.throwOnShow = true;
  h.Run(kMaskWay);
  EXPECT_EQ(h.services.Errors(),
            (std::vector<std::string>{"Ошибка формирования отчета для объекта №9", "Ошибка формирования отчета"}));
  ASSERT_EQ(h.output.calls.size(), 2u);
  EXPECT_EQ(h.output.calls[1].objects, (std::vector<int>{5, 12}));
  EXPECT_EQ(h.output.shows, 1);
}

TEST(ReportDriver, SpreadsheetUnreachableEndsTheRun) {
  TDriverHarness h({1});
  h.output.initResult = 1;
  h.Run(kMaskWay);
  EXPECT_TRUE(h.rows.filterHistory.empty());
  EXPECT_TRUE(h.output.calls.empty());
  EXPECT_EQ(h.output.shows, 0);
  EXPECT_FALSE(h.Run(0));
  EXPECT_EQ(h.output.inits, 1);
}

TEST(ReportDriver, BufferAllocationFailure) {
  test::TFailingMemory memory;
  memory.FailAt(3);  // power-off, navigation loss, then areas
  TDriverHarness h({1}, &memory);
  h.Run(kMaskPowerUp | kMaskNavLack | kMaskPoints | kMaskStops);
  EXPECT_EQ(h.services.Errors(), std::vector<std::string>{"Недостаточно памяти для формирования отчета"});
  EXPECT_TRUE(h.output.calls.empty());
  EXPECT_EQ(h.output.shows, 0);
  EXPECT_EQ(memory.live, 0);
}

TEST(ReportDriver, DaysMemoryFailureOnThirdObjectStillWrites) {
  test::TFailingMemory memory;
  memory.FailAt(3);  // the route needs no buffer: allocations are the day tables
  TDriverHarness h({1, 2, 3, 4, 5}, &memory);
  for (int m = 1; m <= 5; ++m) h.AddFix(m, 100, 50.0, 30.0);
  h.Run(kMaskWay | kMaskDays);
  EXPECT_EQ(h.services.Errors(), std::vector<std::string>{"Недостаточно памяти для формирования полного отчета"});
  EXPECT_EQ(h.Obj(1).DayCount, 1);
  EXPECT_EQ(h.Obj(2).FixCount, 1);
  EXPECT_EQ(h.Obj(3).DayCount, 0);
  EXPECT_EQ(h.Obj(4).FixCount, 0);
  ASSERT_EQ(h.output.calls.size(), 1u);
  EXPECT_EQ(h.output.calls[0].count, 5);
  EXPECT_EQ(h.output.shows, 1);
}

TEST(ReportDriver, CloseMemoryFailureStopsWithoutLimitWarning) {
  test::TFailingMemory memory;
  memory.FailAt(2);  // the navigation-loss buffer, then object 1's copy
  TDriverHarness h({1, 2}, &memory);
  FillBothBuffers(h, 1);
  h.AddFix(2, 5, 50.0, 30.0, "3D");
  h.Run(kMaskNavLack);
  EXPECT_EQ(h.services.Errors(), std::vector<std::string>{"Недостаточно памяти для формирования полного отчета"});
  EXPECT_TRUE(h.services.Warnings().empty());
  EXPECT_EQ(h.Obj(1).NavLossCount, 0);
  EXPECT_TRUE(h.Obj(1).NavLosses.empty());
  EXPECT_EQ(h.output.calls.size(), 1u);
}

TEST(ReportDriver, NoSecondRunWhileOneIsInProgress) {
  TDriverHarness h({1});
  for (int i = 0; i < 2000; ++i) h.AddFix(1, i, 50.0, 30.0);
  int nested = 0;
  bool busySeen = false;
  h.services.onPump = [&] {
    busySeen = h.driver.Busy();
    if (h.driver.CalcReports(kMaskWay, h.Inputs())) ++nested;
  };
  // The pump interval is real time: make the loop last long enough to pump.
  h.rows.onNext = [](const TLogRow&) { std::this_thread::sleep_for(std::chrono::microseconds(50)); };
  EXPECT_TRUE(h.Run(kMaskWay));
  EXPECT_GT(h.services.pumps, 0);
  EXPECT_TRUE(busySeen);
  EXPECT_EQ(nested, 0);
  EXPECT_FALSE(h.driver.Busy());
  EXPECT_EQ(h.output.calls.size(), 1u);
}

TEST(ReportDriver, ProgressCountsObjects) {
  TDriverHarness h({1, 2, 3});
  h.Obj(2).Chosen = false;
  h.Run(kMaskWay);
  EXPECT_EQ(h.services.progress, (std::vector<std::pair<int, int>>{{0, 2}, {1, 2}, {2, 2}}));
}

TEST(ReportDriver, SecondRunReplacesOnlyItsOwnReports) {
  TDriverHarness h({1});
  h.AddFix(1, 0, 50.0, 30.0, "3D");
  h.AddFix(1, 100, 50.0, 30.0);
  h.Run(kMaskNavLack | kMaskStops);
  ASSERT_EQ(h.Obj(1).NavLossCount, 1);
  h.Obj(1).Chosen = true;
  h.Run(kMaskStops);
  EXPECT_EQ(h.Obj(1).NavLossCount, 1);
  EXPECT_EQ(h.Obj(1).NavLosses.size(), 1u);
}

}  // namespace
}  // namespace vedograf

namespace vedograf {
namespace {

TEST(ReportDriver, MemoryMessagesExactlyWhenTheirAllocationFails) {
  // Every allocation of a run with every position report fails in turn, N = 1
  // up to the first N never reached. A failing buffer allocation ends the run
  // with the first message and nothing written; a failing per-object copy
  // writes the rest with the second; nothing else is ever told, and every
  // allocation is given back.
  auto prepare = [](TDriverHarness& h) {
    for (int m = 1; m <= 3; ++m) {
      for (int i = 0; i < 40; ++i) {
        // Moving, stopping, losing navigation and power now and then.
        const double lat = 50.0 + (i < 20 ? i : 20) * 0.001;
        h.AddFix(m, 60.0 * i, lat, 30.0 + m * 0.01, i % 7 == 3 ? "3D" : (i % 11 == 5 ? "Свежее PU 3D" : "Свежее 3D"));
      }
    }
  };
  const TReportMask mask = kMaskWay | kMaskDays | kMaskPowerUp | kMaskNavLack | kMaskPoints | kMaskStops |
                           kMaskSpeedExcess;
  int runMessages = 0, fullMessages = 0;
  for (int n = 1; n < 500; ++n) {
    test::TFailingMemory memory;
    memory.FailAt(n);
    auto harness = std::make_unique<TDriverHarness>(std::vector<int>{1, 2, 3}, &memory);
    TDriverHarness& h = *harness;
    h.req.SpeedThres = 1000;  // m/day: every moving step exceeds it
    prepare(h);
    h.Run(mask);
    SCOPED_TRACE("allocation " + std::to_string(n));
    if (memory.failures == 0) {
      EXPECT_TRUE(h.services.Errors().empty());
      EXPECT_EQ(h.output.calls.size(), 1u);
      std::printf("memory sweep: %d allocations per run, %d failed before the run, %d during it\n", n - 1,
                  runMessages, fullMessages);
      EXPECT_GT(runMessages, 0);
      EXPECT_GT(fullMessages, 0);
      return;
    }
    const std::vector<std::string> errors = h.services.Errors();
    const bool written = !h.output.calls.empty();
    harness.reset();
    EXPECT_EQ(memory.live, 0) << "what the objects kept is given back with them";
    ASSERT_EQ(errors.size(), 1u);
    if (!written) {
      EXPECT_EQ(errors[0], "Недостаточно памяти для формирования отчета");
      ++runMessages;
    } else {
      EXPECT_EQ(errors[0], "Недостаточно памяти для формирования полного отчета");
      ++fullMessages;
    }
  }
  ADD_FAILURE() << "the run never got through";
}

}  // namespace
}  // namespace vedograf
