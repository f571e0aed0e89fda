// The cell primitives the sheet writers use, on the real template.

#include "sheet/cell_write.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>

#include "core/datetime.h"
#include "sheet/workbook_impl.h"
#include "workbook_test_util.h"

namespace vedograf {
namespace {

using test::Num;
using test::Text;

TEST(PrintDeltaTime, TruncatesEveryPart) {
  EXPECT_EQ(PrintDeltaTime(0), "00:00:00");
  EXPECT_EQ(PrintDeltaTime(1.5), "1сут 12:00:00");
  EXPECT_EQ(PrintDeltaTime(1.0 / 24), "01:00:00");
  EXPECT_EQ(PrintDeltaTime(25.0 / 24), "1сут 01:00:00");
  EXPECT_EQ(PrintDeltaTime(2.125), "2сут 03:00:00");
  EXPECT_EQ(PrintDeltaTime(59.9 / 86400), "00:00:59") << "seconds are cut, not rounded";
  EXPECT_EQ(PrintDeltaTime(-1e-9), "");
  EXPECT_EQ(PrintDeltaTime(std::nan("")), "");
}

TEST(FormatFixed, PointWhateverTheLocale) {
  const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
  // Where a locale with a decimal comma is installed, it is in force here.
  if (std::setlocale(LC_NUMERIC, "ru_RU.UTF-8") != nullptr || std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%.1f", 12.5);
    EXPECT_STREQ(buf, "12,5");
  }
  EXPECT_EQ(FormatFixed(12.45, 1), "12.4") << "printf rounding of the binary value";
  EXPECT_EQ(FormatFixed(12.5, 1), "12.5");
  EXPECT_EQ(FormatFixed(3.14159, 3), "3.142");
  EXPECT_EQ(FormatFixed(-0.04, 1), "-0.0");
  EXPECT_EQ(FormatFixed(7, 0), "7");
  std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(ProgramVersionText, NamesTheVersion) { EXPECT_EQ(ProgramVersionText(), " (версия программы 1.8.3)"); }

class CellWriter : public ::testing::Test {
 protected:
  void SetUp() override {
    book = TWorkbook::Open(test::TemplatePath());
    current.Begin = EncodeDateTime(2011, 3, 1, 5, 0);
    current.End = EncodeDateTime(2011, 3, 1, 17, 0);
    req.TimeBias = 3.0 / 24;
    req.TimeZoneText = "+03:00";
  }
  TCellWriter Writer() {
    TCellWriter w(*book, run);
    w.Now = [] { return EncodeDateTime(2024, 5, 6, 7, 8, 9); };
    return w;
  }
  std::unique_ptr<TWorkbook> book;
  TObjReports objects;
  TReportParams current;
  TRequestParams req;
  TEventBuffers buffers;
  TRunView run{objects, current, req, buffers, nullptr};
};

TEST_F(CellWriter, PeriodTextOfTheHeader) {
  EXPECT_EQ(TCellWriter::PeriodText(current, req, ""),
            "08:00  01.03.2011 - 20:00  01.03.2011 (UTC+03:00)");
  EXPECT_EQ(TCellWriter::PeriodText(current, req, " по дням"),
            "08:00  01.03.2011 - 20:00  01.03.2011 (UTC+03:00) по дням");
}

TEST_F(CellWriter, PrepareCopiesTheDataRowAndFillsTheHeader) {
  TCellWriter w = Writer();
  TWorksheet& fuel = book->Range("ObjNum_f").Worksheet();
  fuel.Cells(9, 3).SetValue(std::string("left from before"));
  w.PrepareWorksheet("ObjNum_f", "Time_f", "", 4, "Period_f");
  EXPECT_EQ(w.ExcelSheet(), &fuel);
  for (int r = 8; r <= 10; ++r) {
    EXPECT_EQ(fuel.Cells(r, 11).Formula(), "=E" + std::to_string(r) + "+G" + std::to_string(r) + "-I" +
                                               std::to_string(r) + "-F" + std::to_string(r));
  }
  EXPECT_TRUE(std::holds_alternative<std::monostate>(fuel.Cells(9, 3).Value()));
  EXPECT_EQ(fuel.Cells(11, 11).Formula(), "") << "4 rows are rows 7 to 10";
  EXPECT_EQ(Text(book->Range("Time_f").Value()), "07:08  06.05.2024 (версия программы 1.8.3)");
  EXPECT_EQ(Text(book->Range("Period_f").Value()), "08:00  01.03.2011 - 20:00  01.03.2011 (UTC+03:00)");
}

TEST_F(CellWriter, PrepareWithOneOrNoRowsCopiesNothing) {
  for (int rows : {0, 1}) {
    book = TWorkbook::Open(test::TemplatePath());
    TCellWriter w = Writer();
    w.PrepareWorksheet("ObjNum_l", "Time_l", " x", rows, "Period_l");
    TWorksheet& ws = *w.ExcelSheet();
    EXPECT_EQ(ws.Impl().FindCell(8, 1), nullptr) << rows;
    EXPECT_EQ(Text(book->Range("Period_l").Value()), "08:00  01.03.2011 - 20:00  01.03.2011 (UTC+03:00) x");
    EXPECT_FALSE(Text(book->Range("Time_l").Value()).empty());
  }
}

TEST_F(CellWriter, PrepareFailsOnlyForAMissingFirstColumn) {
  TCellWriter w = Writer();
  EXPECT_THROW(w.PrepareWorksheet("ObjNum_zz", "Time_w", "", 3, "Period_w"), TOleError);
  EXPECT_NO_THROW(w.PrepareWorksheet("ObjNum_w", "NoTime", "", 3, "NoPeriod"));
  EXPECT_EQ(w.ExcelSheet(), &book->Range("ObjNum_w").Worksheet());
}

TEST_F(CellWriter, WritesLandBelowTheNamedCellAndFailuresAreSkipped) {
  TCellWriter w = Writer();
  w.toExcel("ObjNum_p", 0, std::int32_t{3});  // no sheet yet: skipped
  EXPECT_TRUE(std::holds_alternative<std::monostate>(book->Range("ObjNum_p").Value()));
  w.PrepareWorksheet("ObjNum_p", "Time_p", "", 6, "Period_p");
  w.toExcel("ObjNum_p", 0, 17);
  w.toExcel("ObjName_p", 0, std::string("Грузовик"));
  w.toExcel("Length_p", 5, 0.25);
  w.toExcel("Interval_p", 5, "текст");
  w.toExcel("Interval_p", 4, 1.5f);
  w.toExcel("ObjNum_w", 0, 99);         // a name of another sheet
  w.toExcel("NoSuchColumn_p", 1, 5);    // a name the template lacks
  w.toExcel("ObjNum_p", -10, 5);        // off the sheet
  w.toExcelFormulaR1C1("Length_p", 1, "=SUM(R[1]C");  // refused formula
  w.toExcelFormulaR1C1("Length_p", 2, "=R[3]C*2");
  const TRange a7 = book->Range("ObjNum_p");
  EXPECT_EQ(Num(a7.Value()), 17);
  EXPECT_EQ(Text(book->Range("ObjName_p").Value()), "Грузовик");
  EXPECT_EQ(Num(book->Range("Length_p").Offset(5).Value()), 0.25);
  EXPECT_EQ(book->Range("Length_p").Offset(5).Column(), 4);
  EXPECT_EQ(Text(book->Range("Interval_p").Offset(5).Value()), "текст");
  EXPECT_FLOAT_EQ(static_cast<float>(Num(book->Range("Interval_p").Offset(4).Value())), 1.5f);
  EXPECT_TRUE(std::holds_alternative<std::monostate>(book->Range("ObjNum_w").Value()));
  EXPECT_EQ(book->Range("Length_p").Offset(2).Formula(), "=D12*2");
  // An empty text empties the cell, removing what the row copy put there.
  w.toExcel("ObjName_p", 0, "");
  EXPECT_TRUE(std::holds_alternative<std::monostate>(book->Range("ObjName_p").Value()));
  w.toExcel("Time_p", "заголовок");
  EXPECT_EQ(Text(book->Range("Time_p").Value()), "заголовок");
}

TEST_F(CellWriter, ColumnBlocksForTheGraph) {
  TCellWriter w = Writer();
  TValueArray one(1, 1);
  const float zero[] = {0.0f};
  EXPECT_THROW(w.ColToExcel(one, zero, 1, 1, 1), TOleError) << "no sheet";
  w.UseSheetOf("Graph_Data");
  const int count = 3;
  TValueArray block(count, 1);
  const double times[] = {40603.0, 40603.0 + 1.0 / 1440, 40603.0 + 2.0 / 1440};
  const float a[] = {10.5f, 11.0f, 0.1f}, b[] = {1.0f, 2.0f, 0.2f}, c[] = {100.0f, 200.0f, 0.3f};
  const TRange labels = w.TimeColToExcel(block, times, 1, 1, count);
  EXPECT_EQ(labels.Area(), (TArea{1, 1, 3, 1}));
  EXPECT_EQ(w.ColToExcel(block, a, 2, 1, count).Area(), (TArea{1, 2, 3, 2}));
  w.SumToExcel(block, a, 3, 1, count, b);
  const TRange sum3 = w.SumToExcel(block, a, 4, 1, count, b, c);
  EXPECT_EQ(sum3.Area(), (TArea{1, 4, 3, 4}));
  TWorksheet& ws = *w.ExcelSheet();
  EXPECT_DOUBLE_EQ(Num(ws.Cells(2, 1).Value()), times[1]);
  EXPECT_EQ(Num(ws.Cells(1, 2).Value()), 10.5);
  EXPECT_EQ(Num(ws.Cells(2, 3).Value()), 13.0);
  EXPECT_EQ(Num(ws.Cells(2, 4).Value()), 213.0);
  EXPECT_EQ(std::get<float>(ws.Cells(3, 3).Value()), static_cast<float>(0.1L + 0.2L)) << "summed wide, stored 32-bit";
  EXPECT_THROW(w.ColToExcel(block, a, 5, 1, 4), TOleError) << "the block is smaller than the column";
  EXPECT_THROW(w.ColToExcel(block, a, 16385, 1, 3), TOleError);
}

}  // namespace
}  // namespace vedograf
