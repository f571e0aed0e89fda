#include "app/window_rules.h"

#include <gtest/gtest.h>

#include "sheet/cell_write.h"

namespace vedograf::app {
namespace {

TEST(WindowRules, DurationLabelsShowHoursMinutesSecondsFromAMinuteOn) {
  EXPECT_EQ(WriteTimePeriod(30), "с");
  EXPECT_EQ(WriteTimePeriod(59), "с");
  EXPECT_EQ(WriteTimePeriod(0), "с");
  EXPECT_EQ(WriteTimePeriod(120), "с  (2 мин)");
  EXPECT_EQ(WriteTimePeriod(300), "с  (5 мин)");
  EXPECT_EQ(WriteTimePeriod(90), "с  (1 мин  30 с)");
  EXPECT_EQ(WriteTimePeriod(3600), "с  (1 ч)");
  EXPECT_EQ(WriteTimePeriod(3605), "с  (1 ч  5 с)");
  EXPECT_EQ(WriteTimePeriod(3725), "с  (1 ч  2 мин  5 с)");
  EXPECT_EQ(WriteTimePeriod(9999), "с  (2 ч  46 мин  39 с)");
}

TEST(WindowRules, KeyFiltersLetOnlyDigitsBackspaceAndForFloatsTheMarks) {
  for (char32_t c : {U'0', U'5', U'9', char32_t{8}}) {
    EXPECT_TRUE(EditAcceptsKey(TEditKeys::Digits, c));
    EXPECT_TRUE(EditAcceptsKey(TEditKeys::DigitsAndPoint, c));
  }
  for (char32_t c : {U'a', U'-', U'+', U' ', U'e', U'ж', U','}) EXPECT_FALSE(EditAcceptsKey(TEditKeys::Digits, c));
  EXPECT_TRUE(EditAcceptsKey(TEditKeys::DigitsAndPoint, U','));
  EXPECT_TRUE(EditAcceptsKey(TEditKeys::DigitsAndPoint, U'.'));
  EXPECT_FALSE(EditAcceptsKey(TEditKeys::DigitsAndPoint, U'e'));
  EXPECT_FALSE(EditAcceptsKey(TEditKeys::DigitsAndPoint, U'-'));
}

TEST(WindowRules, IntegerNormalisationDropsLeadingZerosAndFallsBack) {
  EXPECT_EQ(NormaliseIntegerText("0120", 5), "120");
  EXPECT_EQ(NormaliseIntegerText("", 120), "120");
  EXPECT_EQ(NormaliseIntegerText("abc", 120), "120");
  EXPECT_EQ(NormaliseIntegerText("12a", 10), "10");
  EXPECT_EQ(NormaliseIntegerText(" 7 ", 10), "7");
  EXPECT_EQ(NormaliseIntegerText("-5", 10), "-5");  // no range is checked
  EXPECT_EQ(NormaliseIntegerText("99999999999", 3), "3");
  EXPECT_EQ(IntegerOrDefault("", 300), 300);
}

TEST(WindowRules, FloatNormalisationTakesEitherMarkAndWritesTheSystemOne) {
  EXPECT_EQ(NormaliseFloatText("2.5", 1, ','), "2,5");
  EXPECT_EQ(NormaliseFloatText("2,5", 1, '.'), "2.5");
  EXPECT_EQ(NormaliseFloatText("007", 1, '.'), "7");
  EXPECT_EQ(NormaliseFloatText("1.", 1, '.'), "1");
  EXPECT_EQ(NormaliseFloatText(",5", 1, '.'), "0.5");
  EXPECT_EQ(NormaliseFloatText("1.2.3", 7, '.'), "7");
  EXPECT_EQ(NormaliseFloatText("", 15, '.'), "15");
  EXPECT_EQ(NormaliseFloatText("inf", 1, '.'), "1");
  EXPECT_EQ(NormaliseFloatText("0x10", 1, '.'), "1");
  EXPECT_EQ(FormatFloatText(0.1, '.'), "0.1");
  EXPECT_EQ(FormatFloatText(1e20, '.'), "1E20");
  EXPECT_EQ(FormatFloatText(1.0 / 3.0, '.'), "0.333333333333333");
}

TEST(WindowRules, NameEditorSitsSlightlyLargerOverItsLabel) {
  EXPECT_EQ(PinNameEditRect(TRect{48, 80, 106, 13}), (TRect{47, 78, 108, 17}));
}

TEST(WindowRules, CentringDropsFractionsAndMayLeaveTheScreen) {
  int left = 0, top = 0;
  CentreOver(TRect{100, 50, 685, 523}, 302, 100, left, top);
  EXPECT_EQ(left, 100 + 191);  // 191.5
  EXPECT_EQ(top, 50 + 211);    // 211.5
  CentreOver(TRect{-400, -300, 300, 200}, 302, 100, left, top);
  EXPECT_EQ(left, -401);  // -1 toward zero
  EXPECT_EQ(top, -250);
}

TEST(WindowRules, PanelLayoutAboveBelowAndAtTheMinimum) {
  TPanelMetrics m;
  m.PageExtraHeight = 24;
  m.PageExtraWidth = 4;
  // 65 + 24 + 323 + 24 + 25
  EXPECT_EQ(GetPanelMinHeight(m), 461);
  EXPECT_EQ(GetPanelMinWidth(m), 24 + 4 + 397);

  // Roomy panel: buttons at the bottom, pages fill down to them.
  TPanelLayout l = ObjectPanelLayout(m, 600, 600, 369);
  EXPECT_EQ(l.Exit.Top, 600 - 25 - 8);
  EXPECT_EQ(l.Pages.Bottom(), l.Exit.Top - 8);
  EXPECT_EQ(l.Pages.Width, 584);
  EXPECT_EQ(l.Group.Width, 584);
  EXPECT_EQ(l.Exit.Right(), l.Pages.Right());
  EXPECT_EQ(l.Calc.Right(), l.Exit.Left - 8);

  // Exactly at the minimum both branches agree.
  const TPanelLayout atMin = ObjectPanelLayout(m, 600, GetPanelMinHeight(m), 369);
  const TPanelLayout justBelow = ObjectPanelLayout(m, 600, GetPanelMinHeight(m) - 1, atMin.Pages.Height);
  EXPECT_EQ(atMin.Pages, justBelow.Pages);
  EXPECT_EQ(atMin.Exit.Top, justBelow.Exit.Top);

  // Too low: the pages keep what the route page needs, the buttons go below
  // (off the panel).
  l = ObjectPanelLayout(m, 600, 200, 300);
  EXPECT_EQ(l.Pages.Height, 24 + 323 + 8);
  EXPECT_EQ(l.Exit.Top, l.Pages.Bottom() + 8);
  EXPECT_GT(l.Exit.Bottom(), 200);

  // Too narrow: the minimum width, cut off at the right.
  l = ObjectPanelLayout(m, 100, 600, 369);
  EXPECT_EQ(l.Pages.Width, GetPanelMinWidth(m) - 16);
  EXPECT_EQ(l.Exit.Right(), l.Pages.Right());
}

TEST(WindowRules, VersionTextAgreesWithWhatTheSheetsPrint) {
  EXPECT_EQ(ProgramVersionText(kVersionCaption), " (версия программы 1.8.3)");
  EXPECT_EQ(ProgramVersionText(kVersionCaption), vedograf::ProgramVersionText());
  EXPECT_EQ(ProgramVersionText("Версия"), " (версия программы )");
}

}  // namespace
}  // namespace vedograf::app
