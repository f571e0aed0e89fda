#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "areas/area_files.h"
#include "areas/control_point.h"
#include "core/units.h"
#include "support/test_services.h"

namespace vedograf {
namespace {

using test::TShown;
using test::TTestServices;

constexpr const char* kTail = "\r\nПропустить ошибку?";

// A list of named points as the .mrk reader makes it, ~100 m apart and
// never three in a row on a line.
TControlPointList Points(const std::vector<std::string>& names) {
  TControlPointList list;
  for (std::size_t i = 0; i < names.size(); ++i) {
    list.AddPoint(55.75 + 0.001 * static_cast<double>(i), 37.61 + 0.001 * static_cast<double>(i * i % 7), names[i]);
  }
  return list;
}

std::string Ask(const std::string& prefix, const std::string& subject) { return prefix + subject + kTail; }

TEST(BuildAreas, PlainNamesAndRadiusSuffixesMakeCircles) {
  TTestServices ui;
  TControlPointList list = Points({"Depot", "Gate(R50)", "Pier(r1000000)", "Bay (R1)", "Odd(X5)", "Odd(R5x)",
                                   "Odd(R)", "Odd(R 5)", "Odd(N1)tail", "()"});
  std::string error;
  ASSERT_EQ(list.BuildAreas(ui, error), 0);
  EXPECT_TRUE(ui.shown.empty());
  EXPECT_EQ(error, "");
  std::vector<std::pair<std::string, double>> got;
  for (const std::string& name : AreaNames(list)) got.push_back({name, 0});
  for (std::size_t i = 0; i < list.Count(); ++i) got[i].second = list.Items(i)->Radius;
  // Smallest first; ties keep the name order.
  const std::vector<std::pair<std::string, double>> expected = {
      {"Bay ", 1},       {"Gate", 50},      {"()", 300},       {"Depot", 300}, {"Odd(N1)tail", 300},
      {"Odd(R 5)", 300}, {"Odd(R)", 300},   {"Odd(R5x)", 300}, {"Odd(X5)", 300}, {"Pier", 1000000}};
  EXPECT_EQ(got, expected);
}

TEST(BuildAreas, CornersMakePolygonsWhateverTheirOrder) {
  TTestServices ui;
  TControlPointList list;
  TControlPoint* n3 = list.AddPoint(55.752, 37.612, "Yard(N3)");
  const double lat3 = n3->Latitude, lon3 = n3->Longitude;
  list.AddPoint(55.75, 37.61, "Yard(N1)");
  TControlPoint* n2 = list.AddPoint(55.751, 37.615, "yard(n2)");
  n2->Name = "Yard(n2)";
  const double lat2 = n2->Latitude, lon2 = n2->Longitude;
  std::string error;
  ASSERT_EQ(list.BuildAreas(ui, error), 0);
  EXPECT_TRUE(ui.shown.empty());
  ASSERT_EQ(list.Count(), 1u);
  const TControlPoint& yard = *list.Items(0);
  EXPECT_EQ(yard.Name, "Yard");
  EXPECT_EQ(yard.Radius, 0.0);
  EXPECT_DOUBLE_EQ(yard.Latitude, 55.75 * kDegToRad);
  ASSERT_EQ(yard.Points.size(), 2u);
  const TVertex v2 = yard.ToLocal(lat2, lon2), v3 = yard.ToLocal(lat3, lon3);
  EXPECT_EQ(yard.Points[0]->X, v2.X);
  EXPECT_EQ(yard.Points[0]->Y, v2.Y);
  EXPECT_EQ(yard.Points[1]->X, v3.X);
  EXPECT_EQ(yard.Points[1]->Y, v3.Y);
  EXPECT_GT(yard.AreaSize, 0.0);
  EXPECT_TRUE(yard.Contains(37.6125, 55.751));
}

TEST(BuildAreas, MissingCornersAreAskedAbout) {
  {
    TTestServices ui;
    TControlPointList list = Points({"Yard(N1)", "Yard(N3)", "Depot"});
    std::string error;
    ASSERT_EQ(list.BuildAreas(ui, error), 0);  // default answer Yes: the polygon is dropped
    EXPECT_EQ(ui.Texts(TShown::YesNoAll),
              std::vector<std::string>{Ask("Отсутствует точка района: ", "Yard(N2)")});
    EXPECT_EQ(AreaNames(list), std::vector<std::string>{"Depot"});
  }
  {
    TTestServices ui;
    TControlPointList list = Points({"Yard(N1)", "Yard(N2)"});
    std::string error;
    ui.answers = {TAnswer::No};
    EXPECT_EQ(list.BuildAreas(ui, error), 4);
    EXPECT_EQ(error, "Yard(N3)");  // at least three corners
    EXPECT_EQ(ui.Texts(TShown::YesNoAll), std::vector<std::string>{Ask("Отсутствует точка района: ", "Yard(N3)")});
  }
  {
    // No corner 1: one question for the whole run, the rest dropped silently.
    TTestServices ui;
    TControlPointList list = Points({"Yard(N2)", "Yard(N4)", "Yard(N3)", "Zed(N2)", "Depot"});
    std::string error;
    ASSERT_EQ(list.BuildAreas(ui, error), 0);
    EXPECT_EQ(ui.Texts(TShown::YesNoAll),
              (std::vector<std::string>{Ask("Отсутствует точка района: ", "Yard(N1)"),
                                        Ask("Отсутствует точка района: ", "Zed(N1)")}));
    EXPECT_EQ(AreaNames(list), std::vector<std::string>{"Depot"});
  }
  {
    // The head is compared case-sensitively: "yard" is not "Yard".
    TTestServices ui;
    TControlPointList list = Points({"Yard(N1)", "yard(N2)", "Yard(N3)"});
    std::string error;
    ui.answers = {TAnswer::No};
    EXPECT_EQ(list.BuildAreas(ui, error), 4);
    EXPECT_EQ(error, "yard(N1)");
  }
}

TEST(BuildAreas, DuplicatesAndOutOfRangeNumbers) {
  struct TCase {
    std::vector<std::string> names;
    std::string question;
    int status;
  };
  const std::vector<TCase> cases = {
      {{"Yard(N1)", "Yard(N1)", "Yard(N2)", "Yard(N3)"}, Ask("Дублируется точка района: ", "Yard(N1)"), 3},
      {{"Yard(N1)", "Yard(N2)", "Yard(n2)", "Yard(N3)"}, Ask("Дублируется точка района: ", "Yard(n2)"), 3},
      {{"Yard(N1)", "Yard(N0)", "Yard(N2)", "Yard(N3)"}, Ask("Недопустимое значение номера точки: ", "Yard(N0)"), 5},
      {{"Yard(N1)", "Yard(N1001)", "Yard(N2)", "Yard(N3)"},
       Ask("Недопустимое значение номера точки: ", "Yard(N1001)"), 5},
      {{"Yard(N1)", "Yard(N-2)", "Yard(N2)", "Yard(N3)"}, Ask("Недопустимое значение номера точки: ", "Yard(N-2)"), 5},
      {{"Gate(R0)"}, Ask("Недопустимое значение радиуса района: ", "Gate(R0)"), 6},
      {{"Gate(R1000001)"}, Ask("Недопустимое значение радиуса района: ", "Gate(R1000001)"), 6},
      {{"Gate(R99999999999999999999)"},
       Ask("Недопустимое значение радиуса района: ", "Gate(R99999999999999999999)"), 6},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.question);
    {
      TTestServices ui;  // Yes: the offending point goes, the rest stays
      TControlPointList list = Points(c.names);
      std::string error;
      ASSERT_EQ(list.BuildAreas(ui, error), 0);
      EXPECT_EQ(ui.Texts(TShown::YesNoAll), std::vector<std::string>{c.question});
      const bool polygon = c.names.size() > 1;
      EXPECT_EQ(AreaNames(list), polygon ? std::vector<std::string>{"Yard"} : std::vector<std::string>{});
      if (polygon) { EXPECT_EQ(list.Items(0)->Points.size(), 2u); }
    }
    {
      TTestServices ui;
      ui.answers = {TAnswer::No};
      TControlPointList list = Points(c.names);
      std::string error;
      EXPECT_EQ(list.BuildAreas(ui, error), c.status);
      EXPECT_EQ(ui.Texts(TShown::YesNoAll), std::vector<std::string>{c.question});
    }
  }
}

TEST(BuildAreas, YesToAllDropsEveryLaterFaultUnasked) {
  const std::vector<std::string> names = {"A(N1)", "A(N1)", "B(R0)", "C(N2)", "D(N5000)", "E(N1)",
                                          "E(N2)", "F(R20)", "G(N1)", "G(N2)", "G(N3)"};
  {
    TTestServices ui;
    ui.answers = {TAnswer::YesToAll};
    TControlPointList list = Points(names);
    std::string error;
    ASSERT_EQ(list.BuildAreas(ui, error), 0);
    EXPECT_EQ(ui.Texts(TShown::YesNoAll), std::vector<std::string>{Ask("Дублируется точка района: ", "A(N1)")});
    // A and E lack corners; F and G survive.
    EXPECT_EQ(AreaNames(list).size(), 2u);
    EXPECT_EQ(list.Items(0)->Name, "F");
    EXPECT_EQ(list.Items(1)->Name, "G");
  }
  {
    // Yes each time: every fault is asked about, in name order.
    TTestServices ui;
    TControlPointList list = Points(names);
    std::string error;
    ASSERT_EQ(list.BuildAreas(ui, error), 0);
    EXPECT_EQ(ui.Texts(TShown::YesNoAll),
              (std::vector<std::string>{Ask("Дублируется точка района: ", "A(N1)"),
                                        Ask("Недопустимое значение радиуса района: ", "B(R0)"),
                                        Ask("Отсутствует точка района: ", "C(N1)"),
                                        Ask("Недопустимое значение номера точки: ", "D(N5000)"),
                                        Ask("Отсутствует точка района: ", "A(N2)"),
                                        Ask("Отсутствует точка района: ", "E(N3)")}));
  }
  {
    // No after a Yes stops at the second fault.
    TTestServices ui;
    ui.answers = {TAnswer::Yes, TAnswer::No};
    TControlPointList list = Points(names);
    std::string error;
    EXPECT_EQ(list.BuildAreas(ui, error), 6);
    EXPECT_EQ(error, "B(R0)");
    EXPECT_EQ(ui.Texts(TShown::YesNoAll).size(), 2u);
  }
}

TEST(BuildAreas, NamesSortWithoutRegardToCaseInCyrillicToo) {
  TTestServices ui;
  TControlPointList list = Points({"Брод(R0)", "арка(R0)", "Zed(R0)", "able(R0)"});
  std::string error;
  ASSERT_EQ(list.BuildAreas(ui, error), 0);
  const std::string p = "Недопустимое значение радиуса района: ";
  EXPECT_EQ(ui.Texts(TShown::YesNoAll),
            (std::vector<std::string>{Ask(p, "able(R0)"), Ask(p, "Zed(R0)"), Ask(p, "арка(R0)"), Ask(p, "Брод(R0)")}));
}

TEST(BuildAreas, EmptyListIsDone) {
  TTestServices ui;
  TControlPointList list;
  std::string error = "stale";
  EXPECT_EQ(list.BuildAreas(ui, error), 0);
  EXPECT_EQ(error, "");
  EXPECT_EQ(list.Count(), 0u);
}

}  // namespace
}  // namespace vedograf
