#include "sheet/cell_ref.h"

#include <gtest/gtest.h>

namespace vedograf {
namespace {

TEST(CellRef, ColumnNamesAndNumbers) {
  EXPECT_EQ(ColumnName(1), "A");
  EXPECT_EQ(ColumnName(26), "Z");
  EXPECT_EQ(ColumnName(27), "AA");
  EXPECT_EQ(ColumnName(254), "IT");
  EXPECT_EQ(ColumnName(16384), "XFD");
  EXPECT_EQ(ColumnName(0), "");
  EXPECT_EQ(ColumnName(16385), "");
  EXPECT_EQ(ColumnNumber("xfd"), 16384);
  EXPECT_EQ(ColumnNumber("XFE"), 0);
  EXPECT_EQ(ColumnNumber("AAAA"), 0);
  EXPECT_EQ(CellName(7, 2, true), "$B$7");
}

TEST(CellRef, SheetAreaOfDefinedNames) {
  std::string sheet;
  TArea area;
  ASSERT_TRUE(ParseSheetArea("'Путевые параметры'!$A$7", sheet, area));
  EXPECT_EQ(sheet, "Путевые параметры");
  EXPECT_EQ(area, (TArea{7, 1, 7, 1}));
  ASSERT_TRUE(ParseSheetArea("'It''s'!$B$2:$C$9", sheet, area));
  EXPECT_EQ(sheet, "It's");
  EXPECT_EQ(area, (TArea{2, 2, 9, 3}));
  ASSERT_TRUE(ParseSheetArea("Data!$A:$A", sheet, area));
  EXPECT_EQ(area, (TArea{1, 1, kMaxRows, 1}));
  EXPECT_FALSE(ParseSheetArea("#REF!", sheet, area));
  EXPECT_FALSE(ParseSheetArea("'Data'!$A$1,'Data'!$B$1", sheet, area));
  EXPECT_FALSE(ParseSheetArea("[1]Data!$A$1", sheet, area));
  EXPECT_EQ(SheetAreaText("Данные графика", TArea{1, 2, 31679, 2}), "'Данные графика'!$B$1:$B$31679");
  EXPECT_EQ(SheetAreaText("Data", TArea{3, 1, 3, 1}), "Data!$A$3");
  // Names that read as references must be quoted.
  EXPECT_EQ(QuoteSheetName("A1"), "'A1'");
  EXPECT_EQ(QuoteSheetName("R2C3"), "'R2C3'");
  EXPECT_EQ(QuoteSheetName("1st"), "'1st'");
}

TEST(CellRef, A1ToR1C1RelativeAndAbsolute) {
  // Relative to the cell K7 (row 7, column 11).
  EXPECT_EQ(FormulaA1ToR1C1("=E7+G7-I7-F7", 7, 11), "=RC[-6]+RC[-4]-RC[-2]-RC[-5]");
  EXPECT_EQ(FormulaA1ToR1C1("=K7", 7, 11), "=RC");
  EXPECT_EQ(FormulaA1ToR1C1("=$A$1+A$1+$A1", 7, 11), "=R1C1+R1C[-10]+R[-6]C1");
  EXPECT_EQ(FormulaA1ToR1C1("=SUM(B2:C9)", 7, 11), "=SUM(R[-5]C[-9]:R[2]C[-8])");
  EXPECT_EQ(FormulaA1ToR1C1("=INDEX(K:K,ROW())", 7, 12), "=INDEX(C[-1],ROW())");
  EXPECT_EQ(FormulaA1ToR1C1("=SUM(3:5)", 7, 1), "=SUM(R[-4]:R[-2])");
  EXPECT_EQ(FormulaA1ToR1C1("=SUM($3:$5)", 7, 1), "=SUM(R3:R5)");
}

TEST(CellRef, R1C1ToA1RelativeAndAbsolute) {
  EXPECT_EQ(FormulaR1C1ToA1("=R[-1]C+R[-2]C", 10, 7), "=G9+G8");
  EXPECT_EQ(FormulaR1C1ToA1("=R1C1+R1C[-10]+R[-6]C1", 7, 11), "=$A$1+A$1+$A1");
  EXPECT_EQ(FormulaR1C1ToA1("=SUM(R[-5]C[-9]:R[2]C[-8])", 7, 11), "=SUM(B2:C9)");
  EXPECT_EQ(FormulaR1C1ToA1("=INDEX(C[-1],ROW())", 9, 12), "=INDEX(K:K,ROW())");
  EXPECT_EQ(FormulaR1C1ToA1("=SUM(R3:R5)", 7, 1), "=SUM($3:$5)");
  // A relative reference above row 1 wraps as in the application.
  EXPECT_EQ(FormulaR1C1ToA1("=R[-1]C", 1, 1), "=A1048576");
}

TEST(CellRef, OtherSheetsStringsAndNames) {
  EXPECT_EQ(FormulaA1ToR1C1("=C7*Consump/100", 7, 13), "=RC[-10]*Consump/100");
  EXPECT_EQ(FormulaA1ToR1C1("='Нормы расхода'!$B$1*C7", 7, 13), "='Нормы расхода'!R1C2*RC[-10]");
  EXPECT_EQ(FormulaR1C1ToA1("='Нормы расхода'!R1C2*RC[-10]", 9, 13), "='Нормы расхода'!$B$1*C9");
  EXPECT_EQ(FormulaA1ToR1C1("=Data!A1:B2", 3, 3), "=Data!R[-2]C[-2]:R[-1]C[-1]");
  // Text in quotes, function names and names that look like references stay.
  EXPECT_EQ(FormulaA1ToR1C1("=IF(A7>0,\"A7 RC B2\",\"\")", 7, 2), "=IF(RC[-1]>0,\"A7 RC B2\",\"\")");
  EXPECT_EQ(FormulaR1C1ToA1("=IF(RC[-1]>0,\"RC[-1]\",\"\"\"\")", 7, 2), "=IF(A7>0,\"RC[-1]\",\"\"\"\")");
  EXPECT_EQ(FormulaA1ToR1C1("=LOG10(A1)", 1, 1), "=LOG10(RC)");
  EXPECT_EQ(FormulaA1ToR1C1("=1.5E3+A2", 1, 1), "=1.5E3+R[1]C");
  EXPECT_EQ(FormulaR1C1ToA1("=ROUND(RC[1],2)", 5, 1), "=ROUND(B5,2)");
  EXPECT_EQ(FormulaA1ToR1C1("=#REF!+A1", 1, 1), "=#REF!+RC");
}

TEST(CellRef, RoundTripKeepsEveryTemplateFormula) {
  const char* formulas[] = {"=E7+G7-I7-F7", "=IF(C7>0,INDEX(K:K,ROW())*100/C7,0)", "=C7*Consump/100", "=K7-M7",
                            "=SUM('Данные графика'!$B$1:$B$100)/COUNT(A:A)"};
  for (const char* f : formulas) {
    EXPECT_EQ(FormulaR1C1ToA1(FormulaA1ToR1C1(f, 7, 11), 7, 11), f) << f;
  }
}

TEST(CellRef, DroppingASheetMakesItsReferencesRefErrors) {
  EXPECT_EQ(FormulaDropSheet("='Нормы расхода'!R1C2*RC[-10]", "Нормы расхода"), "=#REF!*RC[-10]");
  EXPECT_EQ(FormulaDropSheet("=Data!R1C1:R2C2+Other!R1C1", "Data"), "=#REF!+Other!R1C1");
  EXPECT_EQ(FormulaDropSheet("=\"Data!R1C1\"&RC", "Data"), "=\"Data!R1C1\"&RC");
}

}  // namespace
}  // namespace vedograf
