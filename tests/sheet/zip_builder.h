#pragma once
// Hand-made packages for the engine's and the checker's tests: a minimal
// workbook whose parts a test replaces or adds to, written with libzip.

#include <gtest/gtest.h>
#include <zip.h>

#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace vedograf::test {

inline const std::string kRelBase = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";

// Entries in the order given; `level` 0 stores them uncompressed.
inline void WriteEntries(const std::filesystem::path& file,
                         const std::vector<std::pair<std::string, std::string>>& entries,
                     int level = 6) {
  int code = 0;
  zip_t* z = zip_open(file.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
  ASSERT_NE(z, nullptr) << "libzip error " << code;
  for (const auto& [name, data] : entries) {
    zip_source_t* src = zip_source_buffer(z, data.data(), data.size(), 0);
    const zip_int64_t idx = zip_file_add(z, name.c_str(), src, ZIP_FL_ENC_UTF_8);
    ASSERT_GE(idx, 0) << name << ": " << zip_strerror(z);
    zip_set_file_compression(z, static_cast<zip_uint64_t>(idx), level == 0 ? ZIP_CM_STORE : ZIP_CM_DEFLATE,
                             static_cast<zip_uint32_t>(level));
  }
  ASSERT_EQ(zip_close(z), 0) << zip_strerror(z);
}

// A workbook of one worksheet per name (parts xl/worksheets/sheetN.xml) with
// a shared-string table; `sheetXml` is the first sheet's part.
inline std::map<std::string, std::string> MinimalBook(const std::vector<std::string>& names = {"Лист 1"},
                                                      const std::string& sheetXml = {}) {
  std::map<std::string, std::string> parts;
  std::string types =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Types "
      "xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
      "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
      "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
      "<Override PartName=\"/xl/workbook.xml\" "
      "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>";
  std::string book =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><workbook "
      "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
      "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheets>";
  std::string rels = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships "
                     "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
  for (std::size_t i = 0; i < names.size(); ++i) {
    const std::string n = std::to_string(i + 1);
    book += "<sheet name=\"" + names[i] + "\" sheetId=\"" + n + "\" r:id=\"rId" + n + "\"/>";
    rels += "<Relationship Id=\"rId" + n + "\" Type=\"" + kRelBase + "worksheet\" Target=\"worksheets/sheet" + n +
            ".xml\"/>";
    parts["xl/worksheets/sheet" + n + ".xml"] =
        i == 0 && !sheetXml.empty()
            ? sheetXml
            : "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData/></worksheet>";
  }
  book += "</sheets></workbook>";
  rels += "</Relationships>";
  types += "</Types>";
  parts["[Content_Types].xml"] = types;
  parts["_rels/.rels"] =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships "
      "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship Id=\"rId1\" Type=\"" +
      kRelBase + "officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>";
  parts["xl/workbook.xml"] = book;
  parts["xl/_rels/workbook.xml.rels"] = rels;
  return parts;
}

inline void WriteZip(const std::filesystem::path& file, const std::map<std::string, std::string>& parts,
                     int level = 6) {
  WriteEntries(file, std::vector<std::pair<std::string, std::string>>(parts.begin(), parts.end()), level);
}

// A worksheet part around the given <sheetData> content.
inline std::string SheetXml(const std::string& rows) {
  return "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>" + rows +
         "</sheetData></worksheet>";
}

}  // namespace vedograf::test
