// Hostile texts through the engine: vehicle names with control characters
// and "_x" sequences, texts longer than a cell holds, tab names in Cyrillic,
// with quotes, too long or differing from another only in case. Every book
// is saved through the workbook checker and read back.

#include <gtest/gtest.h>

#include <set>

#include "sheet/workbook.h"
#include "sheet/workbook_impl.h"
#include "sheet/xml_util.h"
#include "workbook_test_util.h"
#include "zip_builder.h"

namespace vedograf {
namespace {

namespace fs = std::filesystem;
using test::Text;

class HostileTexts : public ::testing::Test {
 protected:
  void SetUp() override { book = TWorkbook::Open(test::TemplatePath()); }
  std::unique_ptr<TWorkbook> Reopened() { return test::Reopen(*book, scratch / "book.xlsx"); }
  TRange At(TWorkbook& b, int row) { return b.Range("ObjName_w").Offset(row); }

  std::unique_ptr<TWorkbook> book;
  test::TScratch scratch;
};

TEST_F(HostileTexts, ControlCharactersAndEscapeLookalikesComeBackAsTheyWere) {
  const std::string texts[] = {std::string("Газель") + "\x01\x02 \x1F\x7F", "a_x0041_b", "_x005F_", "_x00",
                               "tab\tcr\rlf\n", std::string("nul\0end", 7), "\xEF\xBF\xBE"};
  for (int i = 0; i < static_cast<int>(std::size(texts)); ++i) At(*book, i).SetValue(TValue(texts[i]));
  auto again = Reopened();
  for (int i = 0; i < static_cast<int>(std::size(texts)); ++i) {
    EXPECT_EQ(Text(At(*again, i).Value()), texts[i]) << i;
  }
  const std::string sst = test::Parts(scratch / "book.xlsx").at("xl/sharedStrings.xml");
  EXPECT_NE(sst.find("Газель_x0001__x0002_ _x001F_\x7F"), std::string::npos);
  EXPECT_NE(sst.find("a_x005F_x0041_b"), std::string::npos) << "a literal _x that reads as an escape is escaped";
  EXPECT_NE(sst.find("_x00</t>"), std::string::npos) << "one that does not is left alone";
}

TEST_F(HostileTexts, InvalidUtf8BecomesReplacementCharacters) {
  At(*book, 0).SetValue(TValue(std::string("a\xFF\xC3(b")));
  EXPECT_EQ(Text(At(*book, 0).Value()), "a\xEF\xBF\xBD\xEF\xBF\xBD(b");
  EXPECT_EQ(Text(At(*Reopened(), 0).Value()), "a\xEF\xBF\xBD\xEF\xBF\xBD(b");
}

TEST_F(HostileTexts, TooLongTextsAreCutWithAMark) {
  const std::string ascii(40000, 'x');
  std::string cyrillic;
  for (int i = 0; i < 40000; ++i) cyrillic += "ж";
  std::string emoji;  // two UTF-16 units each
  for (int i = 0; i < 20000; ++i) emoji += "\xF0\x9F\x9A\x9A";
  const std::string exact(32767, 'y');
  At(*book, 0).SetValue(TValue(ascii));
  At(*book, 1).SetValue(TValue(cyrillic));
  At(*book, 2).SetValue(TValue(emoji));
  At(*book, 3).SetValue(TValue(exact));
  At(*book, 4).SetValue(TValue(std::string(40000, '\x01')));
  At(*book, 5).SetValue(TValue(std::string(40000, '\xFF')));
  auto again = Reopened();
  const std::string mark = "\xE2\x80\xA6";
  const std::string cut[] = {Text(At(*again, 0).Value()), Text(At(*again, 1).Value()), Text(At(*again, 2).Value())};
  EXPECT_EQ(cut[0], std::string(32766, 'x') + mark);
  EXPECT_EQ(xml::Utf16Length(cut[1]), 32767u);
  EXPECT_EQ(cut[1].substr(0, 2 * 32766), cyrillic.substr(0, 2 * 32766));
  EXPECT_TRUE(cut[1].ends_with(mark));
  EXPECT_EQ(cut[2], emoji.substr(0, 4 * 16383) + mark) << "a pair of units is never split";
  EXPECT_EQ(Text(At(*again, 3).Value()), exact) << "a text that fits is not cut";
  EXPECT_EQ(Text(At(*again, 4).Value()), std::string(32766, '\x01') + mark);
  EXPECT_EQ(xml::Utf16Length(Text(At(*again, 5).Value())), 32767u) << "replacement characters count, not bytes";
}

TEST_F(HostileTexts, FormulasWithCharactersXmlCannotCarryAreRefused) {
  EXPECT_THROW(At(*book, 0).SetFormulaR1C1(std::string("=\"a\x01\"")), TOleError);
  // Constants that only a number parser would take for numbers stay texts.
  At(*book, 0).SetFormulaR1C1("inf");
  At(*book, 1).SetFormulaR1C1("nan");
  At(*book, 2).SetFormulaR1C1("1e3");
  auto again = Reopened();
  EXPECT_EQ(Text(At(*again, 0).Value()), "inf");
  EXPECT_EQ(Text(At(*again, 1).Value()), "nan");
  EXPECT_EQ(test::Num(At(*again, 2).Value()), 1000);
}

TEST_F(HostileTexts, TabNamesFollowTheRulesCountingUtf16Units) {
  TSheet& sheet = book->Worksheets(1);
  std::string cyr31;
  for (int i = 0; i < 31; ++i) cyr31 += "ы";
  EXPECT_NO_THROW(sheet.SetName(cyr31));
  EXPECT_THROW(sheet.SetName(cyr31 + "ы"), TOleError);
  std::string emoji16;
  for (int i = 0; i < 16; ++i) emoji16 += "\xF0\x9F\x9A\x9A";
  EXPECT_THROW(sheet.SetName(emoji16), TOleError) << "16 characters but 32 units";
  EXPECT_NO_THROW(sheet.SetName(emoji16.substr(4)));
  for (const char* bad : {"a[b", "a]b", "a:b", "a*b", "a?b", "a/b", "a\\b", "'ab", "ab'", "a\x01", ""}) {
    EXPECT_THROW(sheet.SetName(bad), TOleError) << bad;
  }
  EXPECT_NO_THROW(sheet.SetName("O'Brien"));
  EXPECT_THROW(sheet.SetName("ДЕТАЛИ МАРШРУТА"), TOleError) << "another sheet's name in other case";
  EXPECT_THROW(sheet.SetName("данные ГРАФИКА"), TOleError);
  EXPECT_NO_THROW(sheet.SetName("O'BRIEN")) << "its own name in other case";
  EXPECT_EQ(book->FindSheet("детали маршрута"), &book->Worksheets(2));
}

TEST_F(HostileTexts, CopiesOfALongCyrillicChartNameStayShortAndDistinct) {
  TChart& chart = book->Charts(1);
  std::string name;
  for (int i = 0; i < 31; ++i) name += "Щ";
  chart.SetName(name);
  TChart* last = &chart;
  for (int i = 0; i < 11; ++i) last = &chart.Copy(last);
  std::set<std::string> folded;
  for (TSheet* s : book->Sheets()) {
    EXPECT_LE(xml::Utf16Length(s->Name()), 31u) << s->Name();
    EXPECT_TRUE(folded.insert(xml::FoldCase(s->Name())).second) << s->Name();
  }
  EXPECT_EQ(last->Name(), name.substr(0, 2 * 26) + " (12)");
  test::SaveChecked(*book, scratch / "copies.xlsx");
}

TEST_F(HostileTexts, ReferencesToRenamedSheetsAreQuotedAndFollowTheName) {
  TWorksheet& data = dynamic_cast<TWorksheet&>(*book->FindSheet("Данные графика"));
  TWorksheet& way = book->Worksheets(1);
  way.Cells(20, 1).SetFormulaR1C1("='Данные графика'!R1C1+1");
  TChart& chart = book->Charts(1);
  data.SetName("Данные");  // Cyrillic without blanks: quoted all the same
  chart.SeriesCollection(1).SetValues(data.Range(data.Cells(1, 2), data.Cells(3, 2)));
  EXPECT_EQ(chart.SeriesCollection(1).ValuesRef(), "'Данные'!$B$1:$B$3");
  EXPECT_EQ(chart.SeriesCollection(2).XValuesRef(), "'Данные'!$A$1:$A$2") << "the template's series follow";
  EXPECT_EQ(way.Cells(20, 1).Formula(), "='Данные'!$A$1+1");
  data.SetName("It's");
  EXPECT_EQ(chart.SeriesCollection(1).ValuesRef(), "'It''s'!$B$1:$B$3");
  EXPECT_EQ(book->Range("Graph_Data").Worksheet().Name(), "It's");
  data.SetName("A1");  // reads as a cell: quoted
  EXPECT_EQ(chart.SeriesCollection(1).ValuesRef(), "'A1'!$B$1:$B$3");
  data.SetName("Plain_2");
  EXPECT_EQ(chart.SeriesCollection(1).ValuesRef(), "Plain_2!$B$1:$B$3");
  data.SetName("Лист O'Brien");
  auto again = Reopened();
  EXPECT_EQ(again->Range("Graph_Data").Worksheet().Name(), "Лист O'Brien");
  EXPECT_EQ(again->Charts(1).SeriesCollection(1).ValuesRef(), "'Лист O''Brien'!$B$1:$B$3");
  EXPECT_EQ(again->Worksheets(1).Cells(20, 1).Formula(), "='Лист O''Brien'!$A$1+1");
}

TEST_F(HostileTexts, CellsOfAFileAreReadWithinTheSameBounds) {
  const std::string rows =
      "<row r=\"1\"><c r=\"A1\"><v>inf</v></c><c r=\"B1\"><v>nan</v></c><c r=\"C1\"><v>1.5</v></c>"
      "<c r=\"D1\" t=\"inlineStr\"><is><t>" +
      std::string(40000, 'z') + "</t></is></c><c r=\"E1\" t=\"str\"><v>" + std::string(33000, 'q') + "</v></c></row>";
  test::WriteZip(scratch / "cells.xlsx", test::MinimalBook({"Лист 1"}, test::SheetXml(rows)));
  auto opened = TWorkbook::Open(scratch / "cells.xlsx");
  TWorksheet& ws = opened->Worksheets(1);
  EXPECT_TRUE(std::holds_alternative<std::monostate>(ws.Cells(1, 1).Value())) << "no infinite numbers";
  EXPECT_TRUE(std::holds_alternative<std::monostate>(ws.Cells(1, 2).Value()));
  EXPECT_EQ(test::Num(ws.Cells(1, 3).Value()), 1.5);
  EXPECT_EQ(xml::Utf16Length(Text(ws.Cells(1, 4).Value())), 32767u);
  EXPECT_EQ(xml::Utf16Length(Text(ws.Cells(1, 5).Value())), 32767u);
  test::SaveChecked(*opened, scratch / "cells-out.xlsx");
}

}  // namespace
}  // namespace vedograf
