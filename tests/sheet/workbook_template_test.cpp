// The report template's contract with the writers: every sheet and name,
// the data row, the number formats of the columns, the fuel formulas and
// the chart.

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "sheet/workbook_impl.h"
#include "sheet/xml_util.h"
#include "workbook_test_util.h"

namespace vedograf {
namespace {

struct TSheetContract {
  const char* Suffix;
  std::vector<const char*> Columns;  // after ObjNum and ObjName
};

const std::vector<TSheetContract> kSheets = {
    {"_w", {"LPeriod", "Distance", "Speed2", "WTime"}},
    {"_ew", {"LPeriod", "Speed1", "Points", "DTime", "DDistance"}},
    {"_p", {"Interval", "Length"}},
    {"_n", {"Interval", "Length"}},
    {"_c", {"Interval", "Length", "CPoint"}},
    {"_st", {"CPoint", "Interval", "Length", "DDistance", "DTime", "Speed"}},
    {"_e", {"CPoint", "Interval", "Length", "Speed"}},
    {"_s", {"Sensor", "CPoint", "Interval", "Length", "Distance"}},
    {"_a", {"Sensor", "CPoint", "Moment", "Delta", "NewValue", "TotalDelta"}},
    {"_f", {"Distance", "Sensor", "SLevel", "FLevel", "LoadV", "LoadC", "UnloadV", "UnloadC", "RConsump", "CConsump",
            "LConsump", "OConsump"}},
    {"_l", {"Sensor", "Interval", "Volume", "Load"}},
};

class WorkbookTemplate : public ::testing::Test {
 protected:
  void SetUp() override {
    book = TWorkbook::Open(test::TemplatePath());
    pugi::xml_document styles;
    xml::Load(styles, test::Parts(test::TemplatePath()).at("xl/styles.xml"), "xl/styles.xml");
    std::map<unsigned, std::string> codes{{0, "General"}, {1, "0"}, {2, "0.00"}};
    for (pugi::xml_node f : xml::Child(styles.document_element(), "numFmts").children("numFmt")) {
      codes[f.attribute("numFmtId").as_uint()] = f.attribute("formatCode").value();
    }
    for (pugi::xml_node xf : xml::Child(styles.document_element(), "cellXfs").children("xf")) {
      formats.push_back(codes[xf.attribute("numFmtId").as_uint()]);
    }
  }
  // The number format of a named cell.
  std::string Format(const std::string& name) {
    const TRange r = book->Range(name);
    const TCell* c = r.Worksheet().Impl().FindCell(r.Row(), r.Column());
    const std::uint16_t style = c != nullptr ? c->Style : r.Worksheet().Impl().DefaultStyle(r.Row(), r.Column());
    return style < formats.size() ? formats[style] : "<no style " + std::to_string(style) + ">";
  }
  std::unique_ptr<TWorkbook> book;
  std::vector<std::string> formats;
};

TEST_F(WorkbookTemplate, EveryTableSheetHasItsHeaderAndOneDataRow) {
  std::set<TWorksheet*> sheets;
  for (const TSheetContract& s : kSheets) {
    const std::string suffix = s.Suffix;
    SCOPED_TRACE(suffix);
    const TRange first = book->Range("ObjNum" + suffix);
    TWorksheet& ws = first.Worksheet();
    EXPECT_TRUE(sheets.insert(&ws).second) << "one sheet per report";
    for (const char* header : {"Time", "Period"}) {
      const TRange h = book->Range(header + suffix);
      EXPECT_EQ(&h.Worksheet(), &ws) << header;
      EXPECT_LT(h.Row(), first.Row()) << header << " lies above the data row";
    }
    std::set<int> columns{first.Column()};
    std::vector<std::string> names{"ObjName"};
    for (const char* c : s.Columns) names.emplace_back(c);
    for (const std::string& n : names) {
      const TRange cell = book->Range(n + suffix);
      EXPECT_EQ(&cell.Worksheet(), &ws) << n;
      EXPECT_EQ(cell.Row(), first.Row()) << n << " lies on the data row";
      EXPECT_EQ(cell.Area().Row2, cell.Row()) << n << " is a single cell";
      EXPECT_TRUE(columns.insert(cell.Column()).second) << n << " has a column of its own";
    }
  }
  EXPECT_EQ(sheets.size(), 11u);
}

TEST_F(WorkbookTemplate, TheOtherPartsAndAllNamesAreWorkbookLevel) {
  const TRange consump = book->Range("Consump");
  EXPECT_NE(&consump.Worksheet(), &book->Range("ObjNum_f").Worksheet()) << "the norms have a sheet of their own";
  EXPECT_GT(test::Num(consump.Value()), 0);
  const TRange graph = book->Range("Graph_Data");
  EXPECT_EQ(graph.Area(), (TArea{1, 1, 1, 1}));
  EXPECT_EQ(book->WorksheetCount(), 13);
  EXPECT_EQ(book->ChartCount(), 1);
  std::size_t expected = 2;  // Consump, Graph_Data
  for (const TSheetContract& sheet : kSheets) expected += 4 + sheet.Columns.size();
  EXPECT_EQ(book->Names().size(), expected) << "every name of the contract and no other";
  std::set<std::string> seen;
  for (const auto& [name, ref] : book->Names()) EXPECT_TRUE(seen.insert(name).second) << name;
}

TEST_F(WorkbookTemplate, NumberFormatsOfTheColumns) {
  for (const char* duration : {"WTime_w", "Length_p", "Length_n", "Length_c", "Length_st", "DTime_st", "Length_e",
                               "Length_s"}) {
    EXPECT_EQ(Format(duration), "[h]:mm:ss") << duration;
  }
  EXPECT_EQ(Format("Moment_a"), "hh:mm\\ \\ dd.mm.yyyy");
  EXPECT_EQ(Format("Graph_Data"), "hh:mm\\ \\ dd.mm.yyyy");
  for (const char* km : {"Distance_w", "DDistance_st", "Distance_s", "Distance_f"}) EXPECT_EQ(Format(km), "0.000") << km;
  for (const char* whole : {"ObjNum_w", "ObjNum_f", "LoadC_f", "UnloadC_f"}) EXPECT_EQ(Format(whole), "0") << whole;
  for (const char* text : {"Interval_p", "Interval_l", "Speed2_w", "DTime_ew", "Points_ew"}) {
    EXPECT_EQ(Format(text).find('h'), std::string::npos) << text << " is written as text";
  }
}

// The total row of several channels rewrites the template's consumption per
// 100 km: every "RC" becomes a reference k rows up. That only works when the
// formula has no function name with those letters and takes the distance
// from the same row.
TEST_F(WorkbookTemplate, FuelFormulasSurviveTheTotalRowRewrite) {
  EXPECT_EQ(book->Range("RConsump_f").Formula(), "=E7+G7-I7-F7") << "start + loads - drains - end";
  EXPECT_EQ(book->Range("OConsump_f").Formula(), "=K7-M7");
  EXPECT_NE(book->Range("LConsump_f").Formula().find("Consump"), std::string::npos) << "the norm of the Consump sheet";
  const TRange cconsump = book->Range("CConsump_f");
  for (int k : {2, 3}) {
    std::string f = cconsump.FormulaR1C1();
    for (std::size_t at; (at = f.find("RC")) != std::string::npos;) f.insert(at + 1, "[-" + std::to_string(k) + "]");
    const TRange total = cconsump.Offset(k);
    total.SetFormulaR1C1(f);
    EXPECT_EQ(total.Formula(), "=IF(C7>0,INDEX(K:K,ROW())*100/C7,0)") << "k = " << k;
  }
}

TEST_F(WorkbookTemplate, TheChartIsALineOfFourSeriesOverTheTimes) {
  TChart& chart = book->Charts(1);
  ASSERT_EQ(chart.SeriesCount(), 4);
  pugi::xml_node plot = xml::Child(chart.Impl().ChartNode(), "plotArea");
  EXPECT_TRUE(xml::Child(plot, "lineChart"));
  EXPECT_TRUE(xml::Child(plot, "catAx"));
  for (int s = 1; s <= 4; ++s) {
    EXPECT_EQ(chart.SeriesCollection(s).XValuesRef().rfind("'Данные графика'!$A$1:", 0), 0u) << s;
  }
  EXPECT_EQ(book->Sheets()[13], &chart) << "the chart sheet is the last tab";
}

}  // namespace
}  // namespace vedograf
