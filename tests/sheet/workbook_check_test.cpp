// The workbook checker itself: it must pass a sound book and name each
// fault a strict reader objects to, or every other test's "valid" means
// nothing.

#include <gtest/gtest.h>

#include "support/workbook_check.h"
#include "workbook_test_util.h"
#include "zip_builder.h"

namespace vedograf {
namespace {

namespace fs = std::filesystem;

class WorkbookCheck : public ::testing::Test {
 protected:
  // The problems of the minimal book after `change`.
  template <class F>
  std::string Problems(F change, test::TCheckScope scope = {}) {
    auto parts = test::MinimalBook({"Лист 1", "Data"});
    change(parts);
    test::WriteZip(scratch / "book.xlsx", parts);
    std::string all;
    for (const std::string& p : test::CheckWorkbook(scratch / "book.xlsx", scope)) all += p + "\n";
    return all;
  }
  static void Replace(std::string& text, const std::string& from, const std::string& to) {
    const auto at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
  }
  void AddNames(std::map<std::string, std::string>& parts, const std::string& names) {
    Replace(parts["xl/workbook.xml"], "</sheets>", "</sheets><definedNames>" + names + "</definedNames>");
  }
  test::TScratch scratch;
};

TEST_F(WorkbookCheck, ASoundBookHasNoProblems) {
  EXPECT_EQ(Problems([&](auto& parts) {
              AddNames(parts, "<definedName name=\"Obj_1\">'Лист 1'!$A$1</definedName>"
                              "<definedName name=\"obj_1\" localSheetId=\"1\">Data!$A$1:$B$2</definedName>"
                              "<definedName name=\"Bad\">#REF!</definedName>");
              parts["xl/worksheets/sheet1.xml"] = test::SheetXml(
                  "<row r=\"1\"><c r=\"A1\"><v>-1.5E-3</v></c><c r=\"B1\" t=\"b\"><v>1</v></c>"
                  "<c r=\"C1\"><f>'Лист 1'!A1&amp;\"x!y\"&amp;Data!B1</f></c></row>");
            }),
            "");
  // The engine's own output of the template.
  auto book = TWorkbook::Open(test::TemplatePath());
  book->SaveAs(scratch / "template.xlsx");
  EXPECT_TRUE(test::CheckWorkbook(scratch / "template.xlsx").empty());
}

TEST_F(WorkbookCheck, CharactersXmlCannotCarry) {
  auto inSheet = [&](const std::string& text) {
    return Problems([&](auto& parts) {
      parts["xl/worksheets/sheet1.xml"] =
          test::SheetXml("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>" + text + "</t></is></c></row>");
    });
  };
  EXPECT_NE(inSheet("a&#1;b").find("character reference"), std::string::npos);
  EXPECT_NE(inSheet("a&#x1b;b").find("character reference"), std::string::npos);
  EXPECT_NE(inSheet("a\x02").find("U+0002"), std::string::npos);
  EXPECT_NE(inSheet("\xFF").find("no UTF-8"), std::string::npos);
  EXPECT_EQ(inSheet("a_x0001_b&#10;&#x41;"), "") << "escapes and legal references are fine";
}

TEST_F(WorkbookCheck, SheetNames) {
  auto named = [&](const std::string& a, const std::string& b) {
    return Problems([&](auto& parts) {
      Replace(parts["xl/workbook.xml"], "name=\"Лист 1\"", "name=\"" + a + "\"");
      Replace(parts["xl/workbook.xml"], "name=\"Data\"", "name=\"" + b + "\"");
    });
  };
  EXPECT_NE(named("График", "гРАФИК").find("twice"), std::string::npos) << "Cyrillic case";
  EXPECT_NE(named("Ёж", "ёж").find("twice"), std::string::npos);
  EXPECT_NE(named("ÄÖ", "äö").find("twice"), std::string::npos);
  EXPECT_NE(named(std::string(32, 'x'), "b").find("32 characters"), std::string::npos);
  EXPECT_EQ(named(std::string(31, 'x'), "b"), "");
  EXPECT_NE(named("a:b", "b").find("forbidden"), std::string::npos);
  EXPECT_NE(named("'a", "b").find("quote"), std::string::npos);
}

TEST_F(WorkbookCheck, ReferencesMustQuoteSheetNamesThatNeedIt) {
  auto named = [&](const std::string& ref) {
    return Problems([&](auto& parts) { AddNames(parts, "<definedName name=\"N\">" + ref + "</definedName>"); });
  };
  EXPECT_NE(named("Лист 1!$A$1").find("must be quoted"), std::string::npos) << "a blank splits the name";
  EXPECT_NE(named("Лист_1!$A$1").find("must be quoted"), std::string::npos) << "Cyrillic";
  EXPECT_NE(named("'Nope'!$A$1").find("refers to no sheet"), std::string::npos);
  EXPECT_NE(named("'Data!$A$1").find("not closed"), std::string::npos);
  EXPECT_EQ(named("'Data'!$A$1"), "") << "quotes are allowed where not needed";
  EXPECT_EQ(named("SUM(Data!$A$1,'Лист 1'!B2)"), "");
  auto sheetAs = [&](const std::string& name, const std::string& ref) {
    return Problems([&](auto& parts) {
      Replace(parts["xl/workbook.xml"], "name=\"Data\"", "name=\"" + name + "\"");
      AddNames(parts, "<definedName name=\"N\">" + ref + "</definedName>");
    });
  };
  EXPECT_NE(sheetAs("A1", "A1!$A$1").find("must be quoted"), std::string::npos) << "reads as a cell";
  EXPECT_NE(sheetAs("R2C3", "R2C3!$A$1").find("must be quoted"), std::string::npos);
  EXPECT_EQ(sheetAs("A1", "'A1'!$A$1"), "");
  EXPECT_EQ(sheetAs("It&apos;s", "'It''s'!$A$1"), "");
  EXPECT_NE(sheetAs("It&apos;s", "'It's'!$A$1").find("not closed"), std::string::npos) << "quote not doubled";
  // The same rules in chart series.
  const std::string chart = Problems([&](auto& parts) {
    parts["xl/charts/chart1.xml"] = "<c:chartSpace xmlns:c=\"c\"><c:f>Лист_1!$A$1</c:f></c:chartSpace>";
    Replace(parts["[Content_Types].xml"], "</Types>",
            "<Override PartName=\"/xl/charts/chart1.xml\" "
            "ContentType=\"application/vnd.openxmlformats-officedocument.drawingml.chart+xml\"/></Types>");
  });
  EXPECT_NE(chart.find("xl/charts/chart1.xml: sheet name Лист_1 must be quoted"), std::string::npos) << chart;
}

TEST_F(WorkbookCheck, DefinedNames) {
  auto names = [&](const std::string& n) { return Problems([&](auto& parts) { AddNames(parts, n); }); };
  for (const char* bad : {"A1", "xfd1048576", "R1C1", "R", "c", "1abc", "a b", "a-b", ""}) {
    EXPECT_NE(names("<definedName name=\"" + std::string(bad) + "\">Data!$A$1</definedName>").find("not a legal name"),
              std::string::npos)
        << bad;
  }
  for (const char* good : {"XFE1", "A1048577", "Имя_1", "_xlnm.Print_Area", "\\a.b", "RC1a"}) {
    EXPECT_EQ(names("<definedName name=\"" + std::string(good) + "\">Data!$A$1</definedName>"), "") << good;
  }
  EXPECT_NE(names("<definedName name=\"Имя\">Data!$A$1</definedName><definedName name=\"ИМЯ\">Data!$A$2</definedName>")
                .find("twice in its scope"),
            std::string::npos);
  EXPECT_NE(names("<definedName name=\"N\" localSheetId=\"2\">Data!$A$1</definedName>").find("belongs to no sheet"),
            std::string::npos);
}

TEST_F(WorkbookCheck, CellsAndTexts) {
  auto cells = [&](const std::string& row) {
    return Problems([&](auto& parts) { parts["xl/worksheets/sheet1.xml"] = test::SheetXml("<row r=\"1\">" + row + "</row>"); });
  };
  for (const char* bad : {"inf", "NaN", "1,5", "", "1e", "0x10", " 1"}) {
    EXPECT_NE(cells("<c r=\"A1\"><v>" + std::string(bad) + "</v></c>").find("number cell"), std::string::npos) << bad;
  }
  EXPECT_NE(cells("<c r=\"A1\" t=\"n\"><v>-</v></c>").find("number cell"), std::string::npos);
  EXPECT_EQ(cells("<c r=\"A1\" t=\"e\"><v>#N/A</v></c><c r=\"B1\" t=\"str\"><f>A1</f><v>x</v></c>"), "");
  EXPECT_NE(cells("<c r=\"A1\" t=\"s\"><v>0</v></c>").find("no shared string"), std::string::npos);
  EXPECT_NE(cells("<c r=\"A1\" t=\"b\"><v>2</v></c>").find("truth value"), std::string::npos);
  EXPECT_NE(cells("<c r=\"A1\" t=\"inlineStr\"><is><t>" + std::string(32768, 'x') + "</t></is></c>").find("32768"),
            std::string::npos);
  // An escape counts as the one character it stands for.
  std::string escaped;
  for (int i = 0; i < 32767; ++i) escaped += "_x0001_";
  EXPECT_EQ(cells("<c r=\"A1\" t=\"inlineStr\"><is><t>" + escaped + "</t></is></c>"), "");
  const std::string sst = Problems([&](auto& parts) {
    parts["xl/sharedStrings.xml"] = "<sst><si><t>" + std::string(40000, 'y') + "</t></si></sst>";
    Replace(parts["xl/_rels/workbook.xml.rels"], "</Relationships>",
            "<Relationship Id=\"rId9\" Type=\"" + test::kRelBase + "sharedStrings\" Target=\"sharedStrings.xml\"/>"
            "</Relationships>");
  });
  EXPECT_NE(sst.find("string 0 has 40000 characters"), std::string::npos) << sst;
}

TEST_F(WorkbookCheck, PackageStructure) {
  EXPECT_NE(Problems([&](auto& parts) {
              Replace(parts["xl/_rels/workbook.xml.rels"], "worksheets/sheet2.xml", "worksheets/gone.xml");
            }).find("points to missing xl/worksheets/gone.xml"),
            std::string::npos);
  EXPECT_NE(Problems([&](auto& parts) {
              Replace(parts["[Content_Types].xml"], "</Types>",
                      "<Override PartName=\"/xl/calcChain.xml\" ContentType=\"x\"/></Types>");
            }).find("names a missing part /xl/calcChain.xml"),
            std::string::npos);
  const std::string calc = Problems([&](auto& parts) {
    parts["xl/calcChain.xml"] = "<calcChain/>";
    Replace(parts["xl/_rels/workbook.xml.rels"], "</Relationships>",
            "<Relationship Id=\"rId9\" Type=\"" + test::kRelBase + "calcChain\" Target=\"calcChain.xml\"/></Relationships>");
  });
  EXPECT_NE(calc.find("calculation chain left in"), std::string::npos);
  EXPECT_NE(calc.find("relationship to a calculation chain"), std::string::npos);
  EXPECT_NE(Problems([&](auto& parts) { parts["xl/media/a.png"] = "png"; }).find("has no content type"),
            std::string::npos);
  EXPECT_EQ(Problems([&](auto& parts) { parts["xl/media/a.png"] = "png"; }, {.Carried = false}), "")
      << "left to the template outside the engine's own checks";
  EXPECT_NE(Problems([&](auto& parts) { parts["xl/styles.xml"] = "<a><b></a>"; }).find("no well-formed XML"),
            std::string::npos);
  EXPECT_NE(Problems([&](auto& parts) { parts["xl/styles.xml"] = "<!DOCTYPE a []><a/>"; }).find("document type"),
            std::string::npos);
  // What pugixml reads but XML forbids.
  EXPECT_NE(Problems([&](auto& parts) { parts["xl/styles.xml"] = "<a/><b/>"; }).find("2 top-level elements"),
            std::string::npos);
  EXPECT_NE(Problems([&](auto& parts) { parts["xl/styles.xml"] = "<?xml version=\"1.0\" x=\"y\"?><a/>"; })
                .find("no well-formed XML declaration"),
            std::string::npos);
}

}  // namespace
}  // namespace vedograf
