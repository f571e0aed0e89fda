#include <pugixml.hpp>

#include "core/units.h"
#include "sheet/sheet_text.h"
#include "writer_fixture.h"

namespace vedograf::test {
namespace {

class GraphSheetTest : public TWriterTest {
 protected:
  // One level series of `count` minutes, v(m) = base + m, owned by `owner`.
  void Store(std::int32_t owner, int count, float base) {
    TGraphStore& g = buffers.Graph;
    std::vector<float> levels(static_cast<std::size_t>(count));
    for (int m = 0; m < count; ++m) levels[m] = base + static_cast<float>(m);
    ASSERT_LT(g.GraphSeriesCount, kMaxGraphSeries);
    ASSERT_TRUE(g.Series[g.GraphSeriesCount].CopyFrom(TMemory::Default(), levels.data(), levels.size()));
    g.Owner[g.GraphSeriesCount] = owner;
    ++g.GraphSeriesCount;
  }
  // Objects 1..n, each with one series per chosen channel, as a run stores them.
  void Fleet(int n, int k, int count) {
    for (int i = 1; i <= n; ++i) {
      AddObject(i);
      for (int c = 0; c < k; ++c) Store(i, count, 100.0f * i + 10.0f * c);
    }
  }
  TValue Data(int row, int col) {
    TWorksheet& sheet = book->Range("Graph_Data").Worksheet();
    return sheet.Cells(row, col).Value();
  }
  double DataNumber(int row, int col) {
    const TValue v = Data(row, col);
    if (const auto* f = std::get_if<float>(&v)) return *f;
    if (const auto* d = std::get_if<double>(&v)) return *d;
    ADD_FAILURE() << "no number at " << row << "," << col;
    return -1e300;
  }
  std::vector<std::string> SeriesNames(TChart& chart) {
    std::vector<std::string> names;
    for (const pugi::xpath_node& n : chart.Impl().Doc.select_nodes("//c:ser/c:tx//c:v")) {
      names.emplace_back(n.node().text().get());
    }
    return names;
  }
  int TickSkip(TChart& chart, const char* element) {
    const pugi::xpath_node n = chart.Impl().Doc.select_node((std::string("//c:catAx/") + element).c_str());
    return n ? n.node().attribute("val").as_int() : -1;
  }
};

TEST_F(GraphSheetTest, TickSpacingFollowsThePointCount) {
  using sheet_text::GraphTickSpacing;
  EXPECT_EQ(GraphTickSpacing(1440), 60);
  EXPECT_EQ(GraphTickSpacing(100), 5);
  EXPECT_EQ(GraphTickSpacing(30), 1);
  EXPECT_EQ(GraphTickSpacing(0), 1);
  EXPECT_EQ(GraphTickSpacing(18 * 15 - 1), 10);
  EXPECT_EQ(GraphTickSpacing(31679), 1440);
}

TEST_F(GraphSheetTest, OneChannelThreeObjectsOneColumnEachNoTotal) {
  req.FuelSensors = {false, true, false};
  req.TimeBias = 3.0 / 24;
  Fleet(3, 1, 100);
  Run(MakeGraphReport);

  ASSERT_EQ(book->ChartCount(), 3);
  // The time axis: the period start in display time, minute by minute.
  EXPECT_DOUBLE_EQ(DataNumber(1, 1), current.Begin + req.TimeBias);
  EXPECT_DOUBLE_EQ(DataNumber(100, 1), current.Begin + 99 * kMinuteToDays + req.TimeBias);
  for (int i = 1; i <= 3; ++i) {
    EXPECT_DOUBLE_EQ(DataNumber(1, i + 1), 100.0 * i);
    EXPECT_DOUBLE_EQ(DataNumber(100, i + 1), 100.0 * i + 99);
    TChart& chart = book->Charts(i);
    EXPECT_EQ(chart.Name(), "График - №" + std::to_string(i));
    EXPECT_EQ(chart.TitleText(), "Объект №" + std::to_string(i));
    EXPECT_TRUE(chart.HasTitle());
    EXPECT_TRUE(chart.HasLegend());
    ASSERT_EQ(chart.SeriesCount(), 1);
    EXPECT_EQ(SeriesNames(chart), std::vector<std::string>{"Датчик 2"});
    const std::string col(1, static_cast<char>('A' + i));
    EXPECT_EQ(chart.SeriesCollection(1).ValuesRef(), "'Данные графика'!$" + col + "$1:$" + col + "$100");
    EXPECT_EQ(chart.SeriesCollection(1).XValuesRef(), "'Данные графика'!$A$1:$A$100");
    EXPECT_EQ(TickSkip(chart, "c:tickLblSkip"), 5);
    EXPECT_EQ(TickSkip(chart, "c:tickMarkSkip"), 5);
  }
  EXPECT_TRUE(std::holds_alternative<std::monostate>(Data(1, 5)));
  // The copies follow each other in object order.
  std::vector<std::string> tabs;
  for (TSheet* s : book->Sheets()) {
    if (s->IsChart()) tabs.push_back(s->Name());
  }
  EXPECT_EQ(tabs, (std::vector<std::string>{"График - №1", "График - №2", "График - №3"}));
}

TEST_F(GraphSheetTest, TwoChannelsGetATotalColumnAndSeries) {
  req.FuelSensors = {true, false, true};
  Fleet(2, 2, 1440);
  Run(MakeGraphReport);

  ASSERT_EQ(book->ChartCount(), 2);
  TChart& first = book->Charts(1);
  ASSERT_EQ(first.SeriesCount(), 3);
  EXPECT_EQ(SeriesNames(first), (std::vector<std::string>{"Датчик 1", "Датчик 3", "Всего"}));
  EXPECT_EQ(first.SeriesCollection(1).ValuesRef(), "'Данные графика'!$B$1:$B$1440");
  EXPECT_EQ(first.SeriesCollection(2).ValuesRef(), "'Данные графика'!$C$1:$C$1440");
  EXPECT_EQ(first.SeriesCollection(3).ValuesRef(), "'Данные графика'!$D$1:$D$1440");
  EXPECT_EQ(TickSkip(first, "c:tickLblSkip"), 60);
  TChart& second = book->Charts(2);
  EXPECT_EQ(second.SeriesCollection(1).ValuesRef(), "'Данные графика'!$E$1:$E$1440");
  EXPECT_EQ(second.SeriesCollection(3).ValuesRef(), "'Данные графика'!$G$1:$G$1440");
  EXPECT_EQ(second.SeriesCollection(3).XValuesRef(), "'Данные графика'!$A$1:$A$1440");
  EXPECT_DOUBLE_EQ(DataNumber(10, 4), (100.0 + 9) + (110.0 + 9));
  EXPECT_DOUBLE_EQ(DataNumber(10, 7), (200.0 + 9) + (210.0 + 9));
  EXPECT_TRUE(std::holds_alternative<std::monostate>(Data(1, 8)));
}

TEST_F(GraphSheetTest, ThreeChannelsSeventyObjectsStopAtColumn254) {
  req.FuelSensors = {true, true, true};
  Fleet(70, 3, 30);
  Run(MakeGraphReport);

  ASSERT_EQ(book->ChartCount(), 63);
  TChart& last = book->Charts(63);
  EXPECT_EQ(last.Name(), "График - №63");
  ASSERT_EQ(last.SeriesCount(), 4);
  EXPECT_EQ(last.SeriesCollection(4).ValuesRef(), "'Данные графика'!$IS$1:$IS$30");  // column 253
  EXPECT_DOUBLE_EQ(DataNumber(1, 253), 6300.0 + 6310.0 + 6320.0);
  EXPECT_TRUE(std::holds_alternative<std::monostate>(Data(1, 254)));
  EXPECT_EQ(TickSkip(last, "c:tickLblSkip"), 1);
}

TEST_F(GraphSheetTest, OneChannelUsesColumn254ButNot255) {
  req.FuelSensors = {false, false, true};
  Fleet(254, 1, 20);
  Run(MakeGraphReport);
  ASSERT_EQ(book->ChartCount(), 253);
  EXPECT_EQ(book->Charts(253).SeriesCollection(1).ValuesRef(), "'Данные графика'!$IT$1:$IT$20");  // column 254
  EXPECT_DOUBLE_EQ(DataNumber(1, 254), 25300.0);
  EXPECT_TRUE(std::holds_alternative<std::monostate>(Data(1, 255)));
}

TEST_F(GraphSheetTest, SeriesAreFoundByOwnerNotByPosition) {
  // Object 5 was computed before object 9 but written in its own workbook:
  // this workbook holds object 9 only.
  req.FuelSensors = {true, false, false};
  AddObject(5, "", false);
  Store(5, 60, 500.0f);
  AddObject(9);
  Store(9, 60, 900.0f);
  Run(MakeGraphReport);
  ASSERT_EQ(book->ChartCount(), 1);
  EXPECT_EQ(book->Charts(1).Name(), "График - №9");
  EXPECT_DOUBLE_EQ(DataNumber(1, 2), 900.0);
}

TEST_F(GraphSheetTest, NoPointsSetsTheAxisAndDrawsNothing) {
  req.FuelSensors = {true, false, false};
  AddObject(1);
  Store(1, 0, 0.0f);
  Run(MakeGraphReport);
  ASSERT_EQ(book->ChartCount(), 1);
  TChart& chart = book->Charts(1);
  EXPECT_EQ(chart.SeriesCount(), 1);
  EXPECT_EQ(TickSkip(chart, "c:tickLblSkip"), 1);
  EXPECT_TRUE(std::holds_alternative<std::monostate>(Data(1, 1)));
}

}  // namespace
}  // namespace vedograf::test
