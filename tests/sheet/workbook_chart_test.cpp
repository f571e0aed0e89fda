// The chart sheet of the template: series, category axis, title, legend,
// tab name and copies, and what a saved file holds of them.

#include <gtest/gtest.h>

#include <set>

#include "sheet/workbook.h"
#include "sheet/workbook_impl.h"
#include "sheet/xml_util.h"
#include "workbook_test_util.h"

namespace vedograf {
namespace {

std::string SeriesName(TChart& chart, int index) {
  std::vector<pugi::xml_node> all = chart.Impl().Series();
  return xml::Child(xml::Child(all.at(static_cast<std::size_t>(index) - 1), "tx"), "v").text().get();
}

class WorkbookChart : public ::testing::Test {
 protected:
  void SetUp() override {
    book = TWorkbook::Open(test::TemplatePath());
    data = &book->Range("Graph_Data").Worksheet();
  }
  TRange Column(int col, int rows) { return data->Range(data->Cells(1, col), data->Cells(rows, col)); }
  std::unique_ptr<TWorkbook> book;
  TWorksheet* data = nullptr;
  test::TScratch scratch;
};

TEST_F(WorkbookChart, TemplateChartHasFourSeriesOverATimeAxis) {
  TChart& chart = book->Charts(1);
  ASSERT_EQ(chart.SeriesCount(), 4);
  EXPECT_EQ(SeriesName(chart, 1), "Датчик 1");
  EXPECT_EQ(SeriesName(chart, 4), "Всего");
  EXPECT_NO_THROW(chart.Axes(1));
  EXPECT_THROW(chart.Axes(2), TOleError);
  EXPECT_THROW(chart.SeriesCollection(5), TOleError);
  EXPECT_THROW(chart.SeriesCollection(0), TOleError);
}

TEST_F(WorkbookChart, SeriesAreDeletedAndPointedAtNewColumns) {
  TChart& chart = book->Charts(1);
  // Channels 1 and 3 chosen: the second series goes, the rest move up.
  chart.SeriesCollection(2).Delete();
  ASSERT_EQ(chart.SeriesCount(), 3);
  EXPECT_EQ(SeriesName(chart, 2), "Датчик 3");
  EXPECT_EQ(SeriesName(chart, 3), "Всего");
  chart.SeriesCollection(1).SetValues(Column(2, 1440));
  chart.SeriesCollection(1).SetXValues(Column(1, 1440));
  chart.SeriesCollection(3).SetValues(Column(4, 1440));
  EXPECT_EQ(chart.SeriesCollection(1).ValuesRef(), "'Данные графика'!$B$1:$B$1440");
  EXPECT_EQ(chart.SeriesCollection(1).XValuesRef(), "'Данные графика'!$A$1:$A$1440");
  chart.Axes(1).SetTickLabelSpacing(60);
  chart.Axes(1).SetTickMarkSpacing(60);
  EXPECT_THROW(chart.Axes(1).SetTickLabelSpacing(0), TOleError);

  auto again = test::Reopen(*book, scratch / "series.xlsx");
  TChart& c2 = again->Charts(1);
  ASSERT_EQ(c2.SeriesCount(), 3);
  EXPECT_EQ(c2.SeriesCollection(3).ValuesRef(), "'Данные графика'!$D$1:$D$1440");
  EXPECT_EQ(c2.SeriesCollection(2).ValuesRef(), "'Данные графика'!$D$1:$D$2") << "untouched series keep theirs";
  const auto parts = test::Parts(scratch / "series.xlsx");
  const std::string& xml = parts.at(c2.Impl().ChartPart);
  EXPECT_NE(xml.find("<c:tickLblSkip val=\"60\"/><c:tickMarkSkip val=\"60\"/>"), std::string::npos);
}

TEST_F(WorkbookChart, OnlyTheTotalSeriesCanGoAsWell) {
  TChart& chart = book->Charts(1);
  chart.SeriesCollection(2).Delete();
  chart.SeriesCollection(2).Delete();
  chart.SeriesCollection(2).Delete();
  ASSERT_EQ(chart.SeriesCount(), 1);
  EXPECT_EQ(SeriesName(chart, 1), "Датчик 1");
  EXPECT_THROW(chart.SeriesCollection(2).Delete(), TOleError);
}

TEST_F(WorkbookChart, TitleLegendAndName) {
  TChart& chart = book->Charts(1);
  chart.SetHasLegend(false);
  EXPECT_FALSE(chart.HasLegend());
  chart.SetHasLegend(true);
  chart.SetHasTitle(true);
  chart.SetTitleText("Объект №17");
  chart.SetName("График - №17");
  EXPECT_EQ(chart.TitleText(), "Объект №17");
  chart.SetHasTitle(false);
  EXPECT_THROW(chart.SetTitleText("x"), TOleError);
  chart.SetHasTitle(true);
  chart.SetTitleText("Объект №17 <a&b>");
  auto again = test::Reopen(*book, scratch / "title.xlsx");
  EXPECT_EQ(again->Charts(1).TitleText(), "Объект №17 <a&b>");
  chart.SetTitleText("bell\x07 bad\xFF");
  EXPECT_EQ(chart.TitleText(), "bell bad\xEF\xBF\xBD") << "what XML cannot carry is made safe";
  EXPECT_THROW(chart.SetName("tab\x01"), TOleError);
  EXPECT_TRUE(again->Charts(1).HasLegend());
  EXPECT_EQ(again->Charts(1).Name(), "График - №17");
}

TEST_F(WorkbookChart, CopiesLandAfterTheChartAndAreIndependent) {
  TChart* current = &book->Charts(1);
  const int objects[] = {5, 12, 40, 41};
  for (int i = 0; i < 4; ++i) {
    if (i > 0) {
      current->Copy(current);
      current = &book->Charts(i + 1);
    }
    current->SeriesCollection(1).SetValues(Column(2 + i, 100));
    current->SeriesCollection(1).SetXValues(Column(1, 100));
    current->SetHasTitle(true);
    current->SetTitleText("Объект №" + std::to_string(objects[i]));
    current->SetName("График - №" + std::to_string(objects[i]));
  }
  ASSERT_EQ(book->ChartCount(), 4);
  const std::vector<TSheet*> sheets = book->Sheets();
  ASSERT_EQ(sheets.size(), 17u);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(sheets[13 + static_cast<std::size_t>(i)]->Name(), "График - №" + std::to_string(objects[i]));
  }

  test::SaveChecked(*book, scratch / "copies.xlsx");
  const auto parts = test::Parts(scratch / "copies.xlsx");
  auto again = TWorkbook::Open(scratch / "copies.xlsx");
  ASSERT_EQ(again->ChartCount(), 4);
  std::set<std::string> chartParts;
  for (int i = 1; i <= 4; ++i) {
    TChart& c = again->Charts(i);
    EXPECT_EQ(c.TitleText(), "Объект №" + std::to_string(objects[i - 1]));
    EXPECT_EQ(c.SeriesCollection(1).ValuesRef(), "'Данные графика'!$" + ColumnName(1 + i) + "$1:$" + ColumnName(1 + i) + "$100");
    EXPECT_EQ(c.SeriesCount(), 4);
    chartParts.insert(c.Impl().ChartPart);
    EXPECT_EQ(parts.count(c.Impl().DrawingPart), 1u);
  }
  EXPECT_EQ(chartParts.size(), 4u) << "every copy has its own chart part";
  const std::string& types = parts.at("[Content_Types].xml");
  for (const std::string& p : chartParts) EXPECT_NE(types.find("/" + p + "\""), std::string::npos) << p;
}

TEST_F(WorkbookChart, CopiesGetFreeTabNames) {
  TChart& chart = book->Charts(1);
  TChart& a = chart.Copy();
  TChart& b = chart.Copy();
  EXPECT_EQ(a.Name(), "График (2)");
  EXPECT_EQ(b.Name(), "График (3)");
  EXPECT_EQ(book->Sheets()[14], &b) << "a copy lands right after the chart given";
  EXPECT_EQ(book->Sheets()[15], &a);
  b.Copy(&a);
  EXPECT_EQ(book->Sheets()[16]->Name(), "График (4)");
}

TEST_F(WorkbookChart, SeriesOfADeletedSheetBecomeRefErrors) {
  book->Range("Graph_Data").Worksheet().Delete();
  TChart& chart = book->Charts(1);
  EXPECT_EQ(chart.SeriesCollection(1).ValuesRef(), "#REF!");
  EXPECT_EQ(chart.SeriesCollection(4).XValuesRef(), "#REF!");
  auto again = test::Reopen(*book, scratch / "ref.xlsx");
  EXPECT_EQ(again->Charts(1).SeriesCollection(2).ValuesRef(), "#REF!");
}

TEST_F(WorkbookChart, ChartSheetDeletionAndGraphDataDeletion) {
  book->Range("Graph_Data").Worksheet().Delete();
  book->Charts(1).Delete();
  EXPECT_EQ(book->ChartCount(), 0);
  EXPECT_THROW(book->Charts(1), TOleError);
  test::SaveChecked(*book, scratch / "nochart.xlsx");
  const auto parts = test::Parts(scratch / "nochart.xlsx");
  for (const auto& [name, data] : parts) {
    EXPECT_EQ(name.find("chart"), std::string::npos) << name << " of a deleted chart sheet was written";
    EXPECT_EQ(name.find("drawing"), std::string::npos) << name;
  }
  EXPECT_EQ(parts.at("[Content_Types].xml").find("chart"), std::string::npos);
}

}  // namespace
}  // namespace vedograf
