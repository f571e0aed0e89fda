// Hostile templates: zip bombs, entry names that are paths of their own,
// document type declarations, deep nesting and characters XML cannot carry.
// Each must end in the open error with a message saying why, never in a
// crash, a hang or a book that carries the damage on.

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <random>

#include "sheet/workbook.h"
#include "sheet/zip_io.h"
#include "workbook_test_util.h"
#include "zip_builder.h"

namespace vedograf {
namespace {

namespace fs = std::filesystem;

// The open error's message for the file, or "" when it opens.
std::string OpenError(const fs::path& file) {
  try {
    TWorkbook::Open(file);
  } catch (const TOleError& e) {
    EXPECT_EQ(e.Code(), kErrFileOpen) << e.what();
    return e.what();
  }
  return {};
}

std::string ReadError(const fs::path& file, const TZipLimits& limits) {
  try {
    ReadZip(file, limits);
  } catch (const TOleError& e) {
    EXPECT_EQ(e.Code(), kErrFileOpen) << e.what();
    return e.what();
  }
  return {};
}

class TemplateBounds : public ::testing::Test {
 protected:
  test::TScratch scratch;
  fs::path file = scratch / "hostile.xlsx";
};

TEST_F(TemplateBounds, AMinimalBookOpensAndSavesValid) {
  test::WriteZip(file, test::MinimalBook({"Лист 1", "Данные"}));
  auto book = TWorkbook::Open(file);
  EXPECT_EQ(book->WorksheetCount(), 2);
  test::SaveChecked(*book, scratch / "out.xlsx");
}

TEST_F(TemplateBounds, EntryCountTotalAndEntrySizeAreCapped) {
  std::vector<std::pair<std::string, std::string>> entries;
  for (int i = 0; i < 6; ++i) entries.emplace_back("part" + std::to_string(i) + ".xml", std::string(600, 'a'));
  test::WriteEntries(file, entries);
  EXPECT_NE(ReadError(file, {.MaxEntries = 5}).find("слишком много элементов"), std::string::npos);
  EXPECT_EQ(ReadError(file, {.MaxEntries = 6}), "");
  EXPECT_NE(ReadError(file, {.MaxEntrySize = 599}).find("слишком большой элемент part0.xml"), std::string::npos);
  EXPECT_NE(ReadError(file, {.MaxTotalSize = 3000}).find("слишком большой элемент part5.xml"), std::string::npos);
  EXPECT_EQ(ReadError(file, {.MaxTotalSize = 3600}), "");
}

TEST_F(TemplateBounds, TheDefaultEntryCountIsEnforcedByOpen) {
  auto parts = test::MinimalBook();
  for (int i = 0; i < 10000; ++i) parts["extra/" + std::to_string(i)] = "";
  test::WriteZip(file, parts, 0);
  EXPECT_NE(OpenError(file).find("слишком много элементов"), std::string::npos);
}

TEST_F(TemplateBounds, ACompressionRatioBeyondTheLimitIsABomb) {
  // 2 MiB of zeros packs to a few kilobytes; random bytes do not pack.
  std::string random(2 << 20, '\0');
  std::mt19937 gen(7);
  for (char& c : random) c = static_cast<char>(gen());
  test::WriteEntries(file, {{"zeros.bin", std::string(2 << 20, '\0')}, {"random.bin", random}});
  const TZipLimits limits{.MaxRatio = 100};
  EXPECT_NE(ReadError(file, limits).find("слишком большой элемент zeros.bin"), std::string::npos);
  test::WriteEntries(file, {{"random.bin", random}});
  EXPECT_EQ(ReadError(file, limits), "");
  // Below the size the ratio applies from, packing well is no offence.
  test::WriteEntries(file, {{"zeros.bin", std::string(1 << 20, '\0')}});
  EXPECT_EQ(ReadError(file, limits), "");
}

TEST_F(TemplateBounds, AnEntryLargerThanItsHeadersSayIsNotInflatedOnAndOn) {
  test::WriteEntries(file, {{"a.xml", std::string(100000, 'x')}});
  // Both headers claim 100 bytes; the stream inflates to 100000.
  std::string bytes;
  {
    std::ifstream in(file, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), {});
  }
  const std::uint32_t lie = 100;
  for (auto [sig, at] : {std::pair<const char*, std::size_t>{"PK\x03\x04", 22}, {"PK\x01\x02", 24}}) {
    const std::size_t pos = bytes.find(sig);
    ASSERT_NE(pos, std::string::npos);
    std::memcpy(&bytes[pos + at], &lie, 4);
  }
  { std::ofstream(file, std::ios::binary) << bytes; }
  EXPECT_NE(ReadError(file, {}), "");
}

TEST_F(TemplateBounds, EntryNamesMustBePlainRelativePaths) {
  for (const char* name : {"../evil.xml", "xl/../../evil.xml", "/etc/evil.xml", "xl\\evil.xml", "C:evil.xml",
                           "xl/./evil.xml", "xl//evil.xml", "xl/../"}) {
    auto parts = test::MinimalBook();
    parts[name] = "<x/>";
    test::WriteZip(file, parts);
    const std::string why = OpenError(file);
    EXPECT_NE(why.find("недопустимое имя элемента"), std::string::npos) << name << ": " << why;
  }
  auto parts = test::MinimalBook();
  parts["xl/Worksheets/Sheet1.xml"] = "<x/>";
  test::WriteZip(file, parts);
  EXPECT_NE(OpenError(file).find("повторяется"), std::string::npos) << "names differing in case only";
}

TEST_F(TemplateBounds, DocumentTypeDeclarationsAreRefusedWhereverTheyAre) {
  const std::string dtd =
      "<?xml version=\"1.0\"?><!DOCTYPE lolz [<!ENTITY lol \"lol\"><!ENTITY lol2 \"&lol;&lol;&lol;&lol;\">"
      "<!ENTITY ext SYSTEM \"file:///etc/passwd\">]>";
  // In a part the engine reads ...
  test::WriteZip(file, test::MinimalBook({"Лист 1"}, dtd + test::SheetXml(
                                                          "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>&lol2;&ext;"
                                                          "</t></is></c></row>")));
  EXPECT_NE(OpenError(file).find("объявление типа документа"), std::string::npos);
  // ... and in one it only carries over.
  auto parts = test::MinimalBook();
  parts["xl/styles.xml"] = dtd + "<styleSheet/>";
  test::WriteZip(file, parts);
  EXPECT_NE(OpenError(file).find("объявление типа документа"), std::string::npos);
}

TEST_F(TemplateBounds, DeepNestingIsRefusedWithoutExhaustingTheStack) {
  std::string deep;
  for (int i = 0; i < 200000; ++i) deep += "<a>";
  for (int i = 0; i < 200000; ++i) deep += "</a>";
  test::WriteZip(file, test::MinimalBook({"Лист 1"}, test::SheetXml("<row r=\"1\"><c r=\"A1\">" + deep + "</c></row>")));
  EXPECT_NE(OpenError(file).find("вложенность"), std::string::npos);
  // What a real part nests is far from the limit.
  std::string ok;
  for (int i = 0; i < 200; ++i) ok += "<a>";
  for (int i = 0; i < 200; ++i) ok += "</a>";
  test::WriteZip(file, test::MinimalBook({"Лист 1"}, test::SheetXml("<row r=\"1\"><c r=\"A1\">" + ok + "</c></row>")));
  EXPECT_EQ(OpenError(file), "");
}

TEST_F(TemplateBounds, OneRootElementAndAPlainDeclaration) {
  // A fuzzed part had garbage in its declaration that read as an element
  // before the worksheet: the engine took that for the sheet and wrote its
  // rows into a part no reader could parse.
  const std::string sheet = test::SheetXml("<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>");
  const std::pair<std::string, const char*> cases[] = {
      {"<Override PartName=\"/x\"/>" + sheet, "больше одного корневого элемента"},
      {sheet + "<worksheet/>", "больше одного корневого элемента"},
      {"<?xml version=\"1.0\" encodime=\"/x\"?>" + sheet, "неверное объявление XML"},
      {"<?xml standalone=\"yes\" version=\"1.0\"?>" + sheet, "неверное объявление XML"},
      {"<!-- c --><?xml version=\"1.0\"?>" + sheet, "неверное объявление XML"}};
  for (const auto& [part, why] : cases) {
    test::WriteZip(file, test::MinimalBook({"Лист 1"}, part));
    const std::string error = OpenError(file);
    EXPECT_NE(error.find(why), std::string::npos) << part << ": " << error;
    EXPECT_NE(error.find("xl/worksheets/sheet1.xml"), std::string::npos) << error;
  }
  test::WriteZip(file, test::MinimalBook({"Лист 1"}, "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n" +
                                                         sheet));
  EXPECT_EQ(OpenError(file), "");
}

TEST_F(TemplateBounds, PartsMustBeXmlOneZeroText) {
  const std::pair<const char*, const char*> cases[] = {
      {"<t>a&#1;b</t>", "ссылка на символ"},   {"<t>a&#x1F;b</t>", "ссылка на символ"},
      {"<t>a&#xFFFF;</t>", "ссылка на символ"}, {"<t>a\x01</t>", "недопустимый в XML символ"},
      {"<t>\xC3(</t>", "UTF-8"},                 {"<t>\xED\xA0\x80</t>", "UTF-8"}};
  for (const auto& [text, why] : cases) {
    test::WriteZip(file, test::MinimalBook({"Лист 1"}, test::SheetXml("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is>" +
                                                                        std::string(text) + "</is></c></row>")));
    const std::string error = OpenError(file);
    EXPECT_NE(error.find(why), std::string::npos) << text << ": " << error;
    EXPECT_NE(error.find("xl/worksheets/sheet1.xml"), std::string::npos) << error;
  }
  test::WriteZip(file, test::MinimalBook({"Лист 1"}, test::SheetXml("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is>"
                                                                      "<t>&#9;&#x10FFFF;&#1234;</t></is></c></row>")));
  EXPECT_EQ(OpenError(file), "");
}

TEST_F(TemplateBounds, SheetNamesOfTheFileMustBeLegalAndDistinct) {
  for (const std::vector<std::string>& names :
       std::vector<std::vector<std::string>>{{"Лист", "ЛИСТ"}, {"Ёлка", "ёлка"}, {"a/b"}, {""},
                                             {std::string(32, 'x')}, {"'Лист'"}}) {
    test::WriteZip(file, test::MinimalBook(names));
    const std::string why = OpenError(file);
    EXPECT_TRUE(why.find("Недопустимое имя листа") != std::string::npos || why.find("повторяется") != std::string::npos)
        << names.front() << ": " << why;
  }
}

// Relationships whose target names no part, or the usual table name taken by
// a worksheet: the strings still get a table of their own.
TEST_F(TemplateBounds, TheSharedStringTableNeverLandsOnAFolderOrAnotherPart) {
  auto parts = test::MinimalBook({"Лист 1"}, test::SheetXml("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>a</t>"
                                                             "</is></c></row>"));
  const std::string rel = "<Relationship Id=\"rId9\" Type=\"" + test::kRelBase + "sharedStrings\"";
  parts["xl/_rels/workbook.xml.rels"].insert(parts["xl/_rels/workbook.xml.rels"].find("</Relationships>"), rel + "/>");
  test::WriteZip(file, parts);
  auto book = TWorkbook::Open(file);
  book->Worksheets(1).Cells(2, 1).SetValue(TValue(std::string("b")));
  auto again = test::Reopen(*book, scratch / "out.xlsx");
  EXPECT_EQ(test::Text(again->Worksheets(1).Cells(1, 1).Value()), "a");
  EXPECT_EQ(test::Text(again->Worksheets(1).Cells(2, 1).Value()), "b");

  parts = test::MinimalBook({"Лист 1"}, test::SheetXml("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>a</t>"
                                                        "</is></c></row>"));
  std::string& rels = parts["xl/_rels/workbook.xml.rels"];
  rels.replace(rels.find("worksheets/sheet1.xml"), 21, "sharedStrings.xml");
  parts["xl/sharedStrings.xml"] = parts["xl/worksheets/sheet1.xml"];
  test::WriteZip(file, parts);
  book = TWorkbook::Open(file);
  again = test::Reopen(*book, scratch / "out2.xlsx");
  EXPECT_EQ(test::Text(again->Worksheets(1).Cells(1, 1).Value()), "a");

  // An element that only looks like the table's relationship is none.
  parts = test::MinimalBook({"Лист 1"}, test::SheetXml("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>a</t>"
                                                        "</is></c></row>"));
  parts["xl/_rels/workbook.xml.rels"].insert(parts["xl/_rels/workbook.xml.rels"].find("</Relationships>"),
                                             "<Other Id=\"rId9\" Type=\"" + test::kRelBase +
                                                 "sharedStrings\" Target=\"sharedStrings.xml\"/>");
  test::WriteZip(file, parts);
  book = TWorkbook::Open(file);
  again = test::Reopen(*book, scratch / "out3.xlsx");
  EXPECT_EQ(test::Text(again->Worksheets(1).Cells(1, 1).Value()), "a");
}

// Two relationships of one part under one id: which one a reader takes is
// its own choice, so the book is refused, wherever the part is.
TEST_F(TemplateBounds, ARelationshipIdTwiceIsRefused) {
  for (const std::string rels : {"_rels/.rels", "xl/_rels/workbook.xml.rels"}) {
    auto parts = test::MinimalBook({"Лист 1"});
    std::string& text = parts[rels];
    const std::size_t at = text.find("<Relationship ");
    ASSERT_NE(at, std::string::npos) << rels;
    const std::string first = text.substr(at, text.find("/>", at) + 2 - at);
    text.insert(text.find("</Relationships>"), first);
    test::WriteZip(file, parts);
    const std::string why = OpenError(file);
    EXPECT_NE(why.find("повторяется идентификатор"), std::string::npos) << rels << ": " << why;
    EXPECT_NE(why.find(rels), std::string::npos) << why;
  }
}

}  // namespace
}  // namespace vedograf
