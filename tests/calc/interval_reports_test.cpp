// Controller power-off and navigation-loss intervals.

#include "calc/interval_reports.h"

#include <gtest/gtest.h>

#include "support/calc_fixture.h"

namespace vedograf {
namespace {

using test::Fix;
using test::TCalcHarness;

constexpr double kMay10 = 45422.0;  // 10.05.2024, the harness day

double At(double seconds) { return Fix(seconds, 1.0, 1.0).Time; }

TRecord Plain(double seconds) { return Fix(seconds, 1.0, 1.0); }
TRecord PowerUp(double seconds) { return Fix(seconds, 1.0, 1.0, 0.0, "Свежее PU 3D"); }
TRecord Stale(double seconds) { return Fix(seconds, 1.0, 1.0, 0.0, "Старое 3D"); }

// Lets the buffers be made, then refuses every allocation once told to.
class TMemoryThatRunsOut : public TMemory {
 public:
  void* Allocate(std::size_t bytes) noexcept override { return exhausted ? nullptr : TMemory::Allocate(bytes); }
  bool exhausted = false;
};

void ExpectInterval(const TInterval& i, double begin, double end) {
  EXPECT_EQ(i.Begin, begin);
  EXPECT_EQ(i.End, end);
}

struct PowerOffRun {
  TCalcHarness h;
  explicit PowerOffRun(TMemory* memory = nullptr) : h(kMaskPowerUp, {}, memory) {
    InitPowerUpReport(h.ctx, h.obj);
  }
  int Step(const TRecord& r) { return PowerUpReportStep(h.ctx, h.obj, r); }
};

TEST(PowerOffReport, NoPowerUpRowGivesNoInterval) {
  PowerOffRun run;
  for (double s : {10.0, 20.0, 30.0}) EXPECT_EQ(run.Step(Plain(s)), 0);
  EXPECT_EQ(ClosePowerUpReport(run.h.ctx, run.h.obj), 0);
  EXPECT_EQ(run.h.obj.PowerOffCount, 0);
  EXPECT_TRUE(run.h.obj.PowerOffs.empty());
}

TEST(PowerOffReport, FirstFreshRowBeingAPowerUpStartsAtThePeriodBegin) {
  PowerOffRun run;
  EXPECT_EQ(run.Step(PowerUp(600)), 0);
  EXPECT_EQ(run.Step(Plain(700)), 0);
  EXPECT_EQ(ClosePowerUpReport(run.h.ctx, run.h.obj), 0);
  ASSERT_EQ(run.h.obj.PowerOffCount, 1);
  ExpectInterval(run.h.obj.PowerOffs[0], kMay10, At(600));
}

// Each interval runs from the last fresh row before the power-up row to the
// power-up row; a repeated power-up row at the same time adds nothing, one
// at a later time means the controller went off again.
TEST(PowerOffReport, IntervalsEndAtPowerUpRowsAndRepeatsAtTheSameTimeAddNothing) {
  PowerOffRun run;
  for (const TRecord& r : {Plain(100), Plain(200), PowerUp(500), PowerUp(500), PowerUp(600), Plain(700),
                           PowerUp(900)}) {
    EXPECT_EQ(run.Step(r), 0);
  }
  EXPECT_EQ(ClosePowerUpReport(run.h.ctx, run.h.obj), 0);
  ASSERT_EQ(run.h.obj.PowerOffCount, 3);
  ExpectInterval(run.h.obj.PowerOffs[0], At(200), At(500));
  ExpectInterval(run.h.obj.PowerOffs[1], At(500), At(600));
  ExpectInterval(run.h.obj.PowerOffs[2], At(700), At(900));
}

TEST(PowerOffReport, LimitStopsTheStepsAndCloseAddsNothing) {
  PowerOffRun run;
  for (int s = 1; s <= kEventLimit; ++s) ASSERT_EQ(run.Step(PowerUp(s)), 0);
  EXPECT_EQ(run.h.obj.PowerOffCount, kEventLimit);
  EXPECT_EQ(run.Step(Plain(kEventLimit + 1)), 1);
  EXPECT_EQ(run.Step(PowerUp(kEventLimit + 2)), 1);
  EXPECT_EQ(ClosePowerUpReport(run.h.ctx, run.h.obj), 0);
  ASSERT_EQ(run.h.obj.PowerOffCount, kEventLimit);
  ASSERT_EQ(run.h.obj.PowerOffs.size(), static_cast<std::size_t>(kEventLimit));
  ExpectInterval(run.h.obj.PowerOffs[0], kMay10, At(1));
  ExpectInterval(run.h.obj.PowerOffs[kEventLimit - 1], At(kEventLimit - 1), At(kEventLimit));
}

TEST(PowerOffReport, CopyThatCannotBeAllocatedLeavesAnEmptyList) {
  TMemoryThatRunsOut memory;
  PowerOffRun run(&memory);
  run.Step(PowerUp(60));
  ASSERT_EQ(run.h.obj.PowerOffCount, 1);
  memory.exhausted = true;
  EXPECT_EQ(ClosePowerUpReport(run.h.ctx, run.h.obj), 1);
  EXPECT_EQ(run.h.obj.PowerOffCount, 0);
  EXPECT_TRUE(run.h.obj.PowerOffs.empty());
}

struct NavLossRun {
  TCalcHarness h;
  NavLossRun(double minNav_s, TMemory* memory = nullptr) : h(kMaskNavLack, Request(minNav_s), memory) {
    InitNavLackReport(h.ctx, h.obj);
  }
  static TRequestParams Request(double minNav_s) {
    TRequestParams req;
    req.MinNavTime = minNav_s * kSecondToDays;
    return req;
  }
  int Step(const TRecord& r) { return NavLackReportStep(h.ctx, h.obj, r); }
  const TObjReport& Close() {
    EXPECT_EQ(CloseNavLackReport(h.ctx, h.obj), 0);
    return h.obj;
  }
};

// 1000 s and 1030 s after midnight are stored at least 30 s apart; the
// comparison takes the stored times as they are, so not every pair of rows
// 30 s apart on the clock passes it.
TEST(NavLossReport, LossShorterThanTheMinimumIsDropped) {
  NavLossRun run(30);
  for (const TRecord& r : {Plain(50), Stale(100), Plain(120), Stale(1000), Stale(1010), Plain(1030), Plain(1040)}) {
    EXPECT_EQ(run.Step(r), 0);
  }
  const TObjReport& o = run.Close();
  ASSERT_EQ(o.NavLossCount, 1);
  ExpectInterval(o.NavLosses[0], At(1000), At(1030));
}

TEST(NavLossReport, FilterOffKeepsAZeroLengthLoss) {
  NavLossRun run(0);
  run.Step(Stale(100));
  run.Step(Plain(100));
  const TObjReport& o = run.Close();
  ASSERT_EQ(o.NavLossCount, 1);
  ExpectInterval(o.NavLosses[0], At(100), At(100));
}

TEST(NavLossReport, LossOpenAtTheEndClosesAtThePeriodEndWhateverItsLength) {
  NavLossRun run(30);
  run.Step(Plain(86000));
  run.Step(Stale(86390));
  run.Step(Stale(86395));
  const TObjReport& o = run.Close();
  ASSERT_EQ(o.NavLossCount, 1);
  ExpectInterval(o.NavLosses[0], At(86390), run.h.ctx.Current.End);
}

TEST(NavLossReport, LimitStopsTheStepsAndCloseAddsNothing) {
  NavLossRun run(0);
  for (int i = 0; i < kEventLimit; ++i) {
    ASSERT_EQ(run.Step(Stale(2 * i)), 0);
    ASSERT_EQ(run.Step(Plain(2 * i + 1)), 0);
  }
  EXPECT_EQ(run.h.obj.NavLossCount, kEventLimit);
  EXPECT_EQ(run.Step(Stale(2 * kEventLimit)), 1);  // not looked at: no loss opens
  EXPECT_EQ(run.Step(Plain(2 * kEventLimit + 1)), 1);
  const TObjReport& o = run.Close();
  ASSERT_EQ(o.NavLossCount, kEventLimit);
  ExpectInterval(o.NavLosses[kEventLimit - 1], At(2 * kEventLimit - 2), At(2 * kEventLimit - 1));
}

TEST(NavLossReport, CopyThatCannotBeAllocatedLeavesAnEmptyList) {
  TMemoryThatRunsOut memory;
  NavLossRun run(0, &memory);
  run.Step(Stale(10));
  memory.exhausted = true;
  EXPECT_EQ(CloseNavLackReport(run.h.ctx, run.h.obj), 1);
  EXPECT_EQ(run.h.obj.NavLossCount, 0);
  EXPECT_TRUE(run.h.obj.NavLosses.empty());
}

}  // namespace
}  // namespace vedograf
