// The workbook engine on the real template: names, values, formulas, row
// copies, sheet deletion and what a saved file keeps.

#include <gtest/gtest.h>

#include <fstream>
#include <limits>
#include <set>

#include "sheet/workbook.h"
#include "sheet/workbook_impl.h"
#include "sheet/xml_util.h"
#include "workbook_test_util.h"

namespace vedograf {
namespace {

using test::Num;
using test::Text;

class WorkbookEngine : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(std::filesystem::exists(test::TemplatePath())) << test::TemplatePath();
    book = TWorkbook::Open(test::TemplatePath());
  }
  std::unique_ptr<TWorkbook> book;
  test::TScratch scratch;
};

TEST_F(WorkbookEngine, OpensTheTemplateWithItsSheetsAndNames) {
  EXPECT_EQ(book->WorksheetCount(), 13);
  EXPECT_EQ(book->ChartCount(), 1);
  const TRange r = book->Range("ObjNum_w");
  EXPECT_EQ(r.Worksheet().Name(), "Путевые параметры");
  EXPECT_EQ(r.Row(), 7);
  EXPECT_EQ(r.Column(), 1);
  EXPECT_EQ(book->Range("objnum_W").Row(), 7) << "names compare without case";
  EXPECT_EQ(&book->Worksheets(1), &r.Worksheet());
  EXPECT_EQ(book->Range("Consump").Worksheet().Name(), "Нормы расхода");
  EXPECT_THROW(book->Range("NoSuchName"), TOleError);
  try {
    book->Range("NoSuchName");
  } catch (const TOleError& e) {
    EXPECT_EQ(e.Code(), kErrGeneric);
  }
  EXPECT_THROW(book->Worksheets(14), TOleError);
  EXPECT_THROW(book->Charts(2), TOleError);
  // A worksheet gives only its own names.
  EXPECT_THROW(book->Worksheets(2).Range("ObjNum_w"), TOleError);
  EXPECT_EQ(book->Worksheets(2).Range("ObjNum_ew").Row(), 7);
}

TEST_F(WorkbookEngine, MissingOrBrokenFilesFailWithTheFileCode) {
  try {
    TWorkbook::Open(scratch / "none.xltx");
    FAIL();
  } catch (const TOleError& e) {
    EXPECT_EQ(e.Code(), kErrFileOpen);
  }
  {
    std::ofstream(scratch / "text.xltx") << "this is no zip";
  }
  EXPECT_THROW(TWorkbook::Open(scratch / "text.xltx"), TOleError);
}

TEST_F(WorkbookEngine, ValuesOfEveryKindSurviveSaving) {
  TWorksheet& ws = book->Range("ObjNum_p").Worksheet();
  ws.Cells(7, 1).SetValue(std::int32_t{17});
  ws.Cells(7, 2).SetValue(std::string("Автобус «Ю» & <сын>"));
  ws.Cells(7, 3).SetValue(40603.208333333336);
  ws.Cells(7, 4).SetValue(0.1f);
  ws.Cells(8, 1).SetValue(true);
  ws.Cells(8, 2).SetValue(std::string("  leading and\ttab\r\nline"));
  ws.Cells(8, 3).SetValue(std::string("bell\x07 and _x0041_ literal"));
  ws.Cells(8, 4).SetValue(std::string("bad \xFF byte"));
  ws.Cells(9, 1).SetValue(std::string("x"));
  ws.Cells(9, 1).SetValue(std::string());  // empty text empties the cell
  ws.Cells(9, 2).SetValue(std::numeric_limits<double>::quiet_NaN());

  auto again = test::Reopen(*book, scratch / "values.xlsx");
  TWorksheet& w2 = again->Range("ObjNum_p").Worksheet();
  EXPECT_EQ(Num(w2.Cells(7, 1).Value()), 17);
  EXPECT_EQ(Text(w2.Cells(7, 2).Value()), "Автобус «Ю» & <сын>");
  EXPECT_DOUBLE_EQ(Num(w2.Cells(7, 3).Value()), 40603.208333333336);
  EXPECT_EQ(Num(w2.Cells(7, 4).Value()), 0.1) << "a 32-bit real is written with its own shortest digits";
  EXPECT_EQ(std::get<bool>(w2.Cells(8, 1).Value()), true);
  EXPECT_EQ(Text(w2.Cells(8, 2).Value()), "  leading and\ttab\r\nline");
  EXPECT_EQ(Text(w2.Cells(8, 3).Value()), "bell\x07 and _x0041_ literal");
  EXPECT_EQ(Text(w2.Cells(8, 4).Value()), "bad \xEF\xBF\xBD byte");
  EXPECT_TRUE(std::holds_alternative<std::monostate>(w2.Cells(9, 1).Value()));
  EXPECT_EQ(Text(w2.Cells(9, 2).Value()), "#NUM!");
  // Header texts of the template are still there.
  EXPECT_EQ(Text(w2.Cells(5, 3).Value()), "Интервал выключения");
}

TEST_F(WorkbookEngine, BlockValuesFillTheRangeFromItsCorner) {
  TWorksheet& ws = book->Range("Graph_Data").Worksheet();
  TValueArray block(3, 2);
  block.At(0, 0) = 1.5;
  block.At(1, 0) = std::int32_t{2};
  block.At(2, 0) = std::string("три");
  block.At(0, 1) = 4.0f;
  ws.Range(ws.Cells(2, 2), ws.Cells(5, 3)).SetValue(block);  // one row more than the block
  EXPECT_EQ(Num(ws.Cells(2, 2).Value()), 1.5);
  EXPECT_EQ(Num(ws.Cells(3, 2).Value()), 2);
  EXPECT_EQ(Text(ws.Cells(4, 2).Value()), "три");
  EXPECT_EQ(Num(ws.Cells(2, 3).Value()), 4);
  EXPECT_TRUE(std::holds_alternative<std::monostate>(ws.Cells(3, 3).Value()));
  EXPECT_EQ(Text(ws.Cells(5, 2).Value()), "#N/A");
  EXPECT_TRUE(std::holds_alternative<std::monostate>(ws.Cells(1, 2).Value()));
}

TEST_F(WorkbookEngine, FormulasInBothNotations) {
  const TRange k7 = book->Range("RConsump_f");
  EXPECT_EQ(k7.FormulaR1C1(), "=RC[-6]+RC[-4]-RC[-2]-RC[-5]");
  EXPECT_EQ(k7.Formula(), "=E7+G7-I7-F7");
  const TRange l7 = book->Range("CConsump_f");
  l7.Offset(3).SetFormulaR1C1("=R[-1]C+R[-2]C");
  EXPECT_EQ(l7.Offset(3).Formula(), "=L9+L8");
  EXPECT_EQ(l7.Offset(3).FormulaR1C1(), "=R[-1]C+R[-2]C");
  // Constants through the formula property.
  l7.Offset(4).SetFormulaR1C1("12.5");
  EXPECT_EQ(Num(l7.Offset(4).Value()), 12.5);
  l7.Offset(5).SetFormulaR1C1("Всего");
  EXPECT_EQ(Text(l7.Offset(5).Value()), "Всего");
  l7.SetFormulaR1C1("");
  EXPECT_EQ(l7.FormulaR1C1(), "");
  EXPECT_THROW(l7.Offset(6).SetFormulaR1C1("=SUM(R[-1]C"), TOleError);
  EXPECT_THROW(l7.Offset(6).SetFormulaR1C1("=\"open"), TOleError);
  EXPECT_EQ(l7.Offset(6).FormulaR1C1(), "") << "a refused formula leaves the cell as it was";

  auto again = test::Reopen(*book, scratch / "formulas.xlsx");
  EXPECT_EQ(again->Range("CConsump_f").Offset(3).Formula(), "=L9+L8");
  EXPECT_EQ(again->Range("RConsump_f").Formula(), "=E7+G7-I7-F7");
}

TEST_F(WorkbookEngine, OffsetAndRowsStayOnTheSheet) {
  const TRange a7 = book->Range("ObjNum_w");
  EXPECT_EQ(a7.Offset(5).Row(), 12);
  EXPECT_EQ(a7.Offset(5).Column(), 1);
  EXPECT_THROW(a7.Offset(-7), TOleError);
  EXPECT_THROW(a7.Offset(kMaxRows), TOleError);
  const TRange row = a7.EntireRow();
  EXPECT_EQ(row.Area(), (TArea{7, 1, 7, kMaxCols}));
  TWorksheet& ws = a7.Worksheet();
  EXPECT_EQ(ws.Range(ws.Cells(9, 3), ws.Cells(7, 1)).Area(), (TArea{7, 1, 9, 3}));
  EXPECT_THROW(ws.Cells(0, 1), TOleError);
  EXPECT_THROW(ws.Rows(kMaxRows + 1), TOleError);
  EXPECT_THROW(ws.Range(ws.Cells(1, 1), book->Worksheets(2).Cells(1, 1)), TOleError);
}

TEST_F(WorkbookEngine, AutoFillCopiesTheDataRowDownwards) {
  TWorksheet& ws = book->Range("ObjNum_f").Worksheet();
  ws.Cells(9, 11).SetValue(std::string("overwritten"));
  ws.Cells(7, 1).SetValue(std::int32_t{5});
  const TRange dest = ws.Range(ws.Cells(7, 1), ws.Cells(10, 1)).EntireRow();
  ws.Rows(7).AutoFill(dest, 1);
  for (int r = 8; r <= 10; ++r) {
    const std::string n = std::to_string(r);
    EXPECT_EQ(ws.Cells(r, 11).Formula(), "=E" + n + "+G" + n + "-I" + n + "-F" + n);
    EXPECT_EQ(ws.Cells(r, 13).Formula(), "=C" + n + "*Consump/100");
    EXPECT_EQ(Num(ws.Cells(r, 1).Value()), 5);
    const TCell* src = ws.Impl().FindCell(7, 11);
    const TCell* dst = ws.Impl().FindCell(r, 11);
    ASSERT_NE(dst, nullptr);
    EXPECT_EQ(dst->Style, src->Style) << "formats are copied";
  }
  EXPECT_TRUE(std::holds_alternative<std::monostate>(ws.Cells(11, 11).Value())) << "nothing below the destination";
  EXPECT_EQ(ws.Cells(6, 11).Formula(), "11") << "nothing above the source";
  EXPECT_THROW(ws.Rows(7).AutoFill(dest, 0), TOleError);
  EXPECT_THROW(ws.Rows(8).AutoFill(dest, 1), TOleError) << "the destination must start with the source";

  auto again = test::Reopen(*book, scratch / "filled.xlsx");
  TWorksheet& w2 = again->Range("ObjNum_f").Worksheet();
  EXPECT_EQ(w2.Cells(10, 14).Formula(), "=K10-M10");
}

TEST_F(WorkbookEngine, AutoFillRepeatsRowHeightsAndMerges) {
  TWorksheet& ws = book->Range("ObjNum_w").Worksheet();
  // Row 1 is 18 points high and merged A1:F1 in the template.
  ws.Rows(1).AutoFill(ws.Range(ws.Cells(1, 1), ws.Cells(3, 1)).EntireRow(), 1);
  auto again = test::Reopen(*book, scratch / "merged.xlsx");
  const auto parts = test::Parts(scratch / "merged.xlsx");
  const std::string& sheet = parts.at(again->Worksheets(1).Meta.Part);
  EXPECT_NE(sheet.find("<row r=\"3\" ht=\"18\" customHeight=\"1\">"), std::string::npos);
  EXPECT_NE(sheet.find("<mergeCell ref=\"A3:F3\"/>"), std::string::npos);
  EXPECT_EQ(sheet.find("<mergeCell ref=\"A2:B2\"/>"), std::string::npos) << "the overwritten row's merge goes";
  EXPECT_EQ(Text(again->Worksheets(1).Cells(3, 1).Value()), "Путевые и дополнительные параметры");
}

TEST_F(WorkbookEngine, DeletingSheetsTakesTheirNamesAlong) {
  const std::size_t names = book->Names().size();
  book->Range("ObjNum_p").Worksheet().Delete();
  book->Range("Consump").Worksheet().Delete();
  EXPECT_EQ(book->WorksheetCount(), 11);
  EXPECT_THROW(book->Range("ObjNum_p"), TOleError);
  EXPECT_THROW(book->Range("Length_p"), TOleError);
  EXPECT_THROW(book->Range("Consump"), TOleError);
  EXPECT_EQ(book->Names().size(), names - 7);
  // Names of the other sheets still resolve, after saving too.
  EXPECT_EQ(book->Range("ObjNum_n").Worksheet().Name(), "Пропадание навигации");
  auto again = test::Reopen(*book, scratch / "deleted.xlsx");
  EXPECT_EQ(again->Names().size(), names - 7);
  EXPECT_EQ(again->Range("Period_n").Row(), 3);
  EXPECT_EQ(again->Range("CConsump_f").Column(), 12);
  EXPECT_EQ(again->FindSheet("Выключение контроллера"), nullptr);
  EXPECT_EQ(again->Worksheets(3).Name(), "Пропадание навигации");
}

TEST_F(WorkbookEngine, DeletedSheetsFailCleanlyAndTheLastOneStays) {
  TSheet& first = book->Worksheets(1);
  const TRange cell = book->Range("ObjNum_w");
  first.Delete();
  EXPECT_THROW(cell.SetValue(std::int32_t{1}), TOleError);
  EXPECT_THROW(first.Delete(), TOleError);
  EXPECT_EQ(book->Worksheets(1).Name(), "Детали маршрута");
  while (book->Sheets().size() > 1) book->Sheets().front()->Delete();
  EXPECT_THROW(book->Sheets().front()->Delete(), TOleError);
  EXPECT_EQ(book->ChartCount(), 1);
  auto again = test::Reopen(*book, scratch / "chart_only.xlsx");
  EXPECT_EQ(again->Sheets().size(), 1u);
  EXPECT_TRUE(again->Names().empty());
}

TEST_F(WorkbookEngine, FormulasIntoADeletedSheetBecomeRefErrors) {
  TWorksheet& ws = book->Range("ObjNum_l").Worksheet();
  ws.Cells(10, 1).SetFormulaR1C1("='Нормы расхода'!R1C2*2");
  book->Range("Consump").Worksheet().Delete();
  EXPECT_EQ(ws.Cells(10, 1).Formula(), "=#REF!*2");
}

TEST_F(WorkbookEngine, SheetNamesFollowTheApplicationsRules) {
  TSheet& ws = book->Worksheets(3);
  EXPECT_THROW(ws.SetName(""), TOleError);
  EXPECT_THROW(ws.SetName("a/b"), TOleError);
  EXPECT_THROW(ws.SetName("Остановки"), TOleError) << "another sheet has it";
  EXPECT_THROW(ws.SetName(std::string(32, 'x')), TOleError);
  ws.SetName("Выключения");
  EXPECT_EQ(book->Range("ObjNum_p").Worksheet().Name(), "Выключения") << "names follow the new tab name";
  ws.SetName(std::string(31, 'y'));
}

TEST_F(WorkbookEngine, SavedFileIsAWorkbookAndKeepsWhatWasNotTouched) {
  const auto before = test::Parts(test::TemplatePath());
  book->Range("ObjNum_w").SetValue(std::int32_t{3});
  book->Range("ObjNum_c").Worksheet().Delete();
  book->Worksheets(2).Select();
  test::SaveChecked(*book, scratch / "book.xlsx");
  const auto after = test::Parts(scratch / "book.xlsx");

  EXPECT_EQ(after.at("xl/styles.xml"), before.at("xl/styles.xml"));
  EXPECT_EQ(after.at("docProps/core.xml"), before.at("docProps/core.xml"));
  const std::string& types = after.at("[Content_Types].xml");
  EXPECT_NE(types.find("spreadsheetml.sheet.main+xml"), std::string::npos);
  EXPECT_EQ(types.find("template.main+xml"), std::string::npos);
  EXPECT_EQ(types.find("/xl/worksheets/sheet5.xml"), std::string::npos) << "no override of a deleted part";
  EXPECT_EQ(after.count("xl/worksheets/sheet5.xml"), 0u);
  const std::string& wb = after.at("xl/workbook.xml");
  EXPECT_NE(wb.find("fullCalcOnLoad=\"1\""), std::string::npos);
  EXPECT_NE(wb.find("activeTab=\"1\""), std::string::npos);
  EXPECT_EQ(wb.find("Контрольные районы"), std::string::npos);

  // Column widths, merges, print settings and the frozen pane of a sheet.
  const std::string& s1 = after.at("xl/worksheets/sheet1.xml");
  const std::string& t1 = before.at("xl/worksheets/sheet1.xml");
  for (const char* piece : {"<col min=\"5\" max=\"5\" width=\"26\" customWidth=\"1\"/>", "<mergeCell ref=\"A1:F1\"/>",
                            "<pageSetup paperSize=\"9\" orientation=\"landscape\" fitToHeight=\"0\"/>",
                            "state=\"frozen\"", "&amp;CСтраница &amp;P из &amp;N"}) {
    EXPECT_NE(t1.find(piece), std::string::npos) << piece;
    EXPECT_NE(s1.find(piece), std::string::npos) << piece;
  }
  EXPECT_EQ(s1.find("tabSelected"), std::string::npos) << "only the selected sheet's tab is selected";
  EXPECT_NE(after.at("xl/worksheets/sheet2.xml").find("tabSelected=\"1\""), std::string::npos);

  // Every relationship points at a part of the package and every part but
  // the content types is reachable.
  std::set<std::string> targets;
  for (const auto& [name, data] : after) {
    if (name.size() < 5 || name.substr(name.size() - 5) != ".rels") continue;
    pugi::xml_document doc;
    xml::Load(doc, data, name);
    std::string source = name;
    source.erase(source.find("_rels/"), 6);
    source.resize(source.size() - 5);
    for (pugi::xml_node r : doc.document_element().children("Relationship")) {
      const std::string target = xml::ResolveTarget(source, r.attribute("Target").value());
      EXPECT_EQ(after.count(target), 1u) << name << " -> " << target;
      targets.insert(target);
    }
  }
  for (const auto& [name, data] : after) {
    if (name == "[Content_Types].xml" || name.find("_rels/") != std::string::npos) continue;
    EXPECT_EQ(targets.count(name), 1u) << name << " is not referenced";
  }
}

TEST_F(WorkbookEngine, SavingReplacesAFileWholeOrNotAtAll) {
  const auto file = scratch / "keep.xlsx";
  { std::ofstream(file) << "old contents"; }
  EXPECT_THROW(book->SaveAs(scratch / "no such folder" / "x.xlsx"), TOleError);
  test::SaveChecked(*book, file);
  EXPECT_NO_THROW(TWorkbook::Open(file));
  // Nothing but the file is left behind in the folder.
  int entries = 0;
  for (const auto& e : std::filesystem::directory_iterator(scratch.Path())) entries += e.is_regular_file() ? 1 : 0;
  EXPECT_EQ(entries, 1);
}

TEST_F(WorkbookEngine, ManyRowsAreStreamedAndReadBack) {
  TWorksheet& ws = book->Range("Graph_Data").Worksheet();
  const int rows = 5000;
  TValueArray block(rows, 1);
  for (int c = 1; c <= 20; ++c) {
    for (int i = 0; i < rows; ++i) block.At(i, 0) = static_cast<float>(c * 100000 + i) / 8.0f;
    ws.Range(ws.Cells(1, c), ws.Cells(rows, c)).SetValue(block);
  }
  auto again = test::Reopen(*book, scratch / "many.xlsx");
  TWorksheet& w2 = again->Range("Graph_Data").Worksheet();
  EXPECT_EQ(Num(w2.Cells(1, 1).Value()), 100000 / 8.0);
  // 32-bit reals are written with the shortest digits that read back as the same 32-bit real.
  EXPECT_EQ(static_cast<float>(Num(w2.Cells(rows, 20).Value())), static_cast<float>(20 * 100000 + rows - 1) / 8.0f);
  EXPECT_EQ(static_cast<float>(Num(w2.Cells(2500, 7).Value())), static_cast<float>(7 * 100000 + 2499) / 8.0f);
  EXPECT_TRUE(std::holds_alternative<std::monostate>(w2.Cells(rows + 1, 1).Value()));
}

TEST(ExcelApp, WorkbooksAndSwitches) {
  TExcelApp app;
  EXPECT_EQ(app.Version(), "16.0");
  EXPECT_THROW(app.ActiveWorkbook(), TOleError);
  EXPECT_THROW(app.Open("/nonexistent/Отчет.xltx"), TOleError);
  EXPECT_EQ(app.WorkbookCount(), 0);
  TWorkbook& a = app.Open(test::TemplatePath());
  TWorkbook& b = app.Open(test::TemplatePath());
  EXPECT_EQ(&app.ActiveWorkbook(), &b);
  EXPECT_EQ(&app.Workbook(1), &a);
  app.Range("ObjNum_w").SetValue(std::int32_t{9});
  EXPECT_EQ(Num(b.Range("ObjNum_w").Value()), 9);
  EXPECT_TRUE(std::holds_alternative<std::monostate>(a.Range("ObjNum_w").Value())) << "two workbooks, two copies";
  app.Quit();
  EXPECT_TRUE(app.Quitted());
  EXPECT_EQ(app.WorkbookCount(), 0);
}

}  // namespace
}  // namespace vedograf
