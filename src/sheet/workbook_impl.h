#pragma once
// Inside of the workbook engine, shared by its source files.

#include <pugixml.hpp>

#include <cstdint>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "sheet/workbook.h"

namespace vedograf {

enum TCellType : std::uint8_t { kCellBlank, kCellNumber, kCellFloat, kCellString, kCellBool, kCellError, kCellFormula };

// 16 bytes: the volume graph holds millions of them.
struct TCell {
  union {
    double Num;
    std::uint32_t Id;  // string, error text or formula in the workbook's pools
  };
  std::uint16_t Col;
  std::uint16_t Style;
  TCellType Type;
};
static_assert(sizeof(TCell) == 16);

struct TRowData {
  std::vector<TCell> Cells;  // ascending Col
  std::string Attrs;         // the row's attributes other than r and spans, as in the file
  std::uint16_t Style = 0;
  bool CustomFormat = false;
};

// Interned texts; ids are stable for the workbook's life.
class TPool {
 public:
  std::uint32_t Intern(std::string_view text);
  // Adds without looking for an equal text (rich strings with the same plain text).
  std::uint32_t Add(std::string text);
  const std::string& Get(std::uint32_t id) const { return items_[id]; }
  std::size_t Size() const { return items_.size(); }
  void Replace(std::uint32_t id, std::string text);

 private:
  std::deque<std::string> items_;
  std::unordered_map<std::string_view, std::uint32_t> index_;
};

struct TWorksheet::TImpl {
  pugi::xml_document Doc;  // the part with an emptied <sheetData/>
  std::vector<TRowData> Rows;
  struct TColStyle {
    int Min, Max;
    std::uint16_t Style;
  };
  std::vector<TColStyle> ColStyles;

  TRowData& Row(int row);
  // The cell, created with the row's or column's format when missing.
  TCell& Cell(int row, int col);
  void ReserveCells(int firstRow, int lastRow, int more);
  const TCell* FindCell(int row, int col) const;
  std::uint16_t DefaultStyle(int row, int col) const;
};

struct TChart::TImpl {
  std::string DrawingPart;
  std::string ChartPart;
  pugi::xml_document Doc;  // the chart part
  bool HasChart = false;
  std::vector<pugi::xml_node> Series();
  pugi::xml_node ChartNode();
};

struct TWorkbook::TImpl {
  std::map<std::string, std::string> Parts;  // carried over as they are
  std::set<std::string> PartNames;           // every part name in use, owned ones too
  pugi::xml_document ContentTypes, Workbook, WorkbookRels;
  std::string WorkbookPart;
  std::string SharedStringsPart = "xl/sharedStrings.xml";
  std::vector<std::unique_ptr<TSheet>> Sheets;     // tab order
  std::vector<std::unique_ptr<TSheet>> Graveyard;  // deleted, kept so old handles fail cleanly
  TSheet* Selected = nullptr;
  TPool Strings, Formulas;
  std::unordered_map<std::uint32_t, std::string> RichStrings;  // id -> the <si> inner XML
  // Workbook-level names by lower-case name, resolved; a writer looks a name
  // up for every cell it writes. Null sheet: the name is no single area of a
  // worksheet. Rebuilt after anything changes names or sheets.
  struct TResolvedName {
    TWorksheet* Sheet = nullptr;
    TArea Area;
  };
  std::unordered_map<std::string, TResolvedName> NameCache;
  bool NameCacheValid = false;

  int IndexOf(const TSheet& sheet) const;
  std::string NewRelId();
  int NewSheetId() const;
  std::string FreePartName(const std::string& like);
  std::string ContentTypeOf(const std::string& part);
  void SetOverride(const std::string& part, const std::string& type);
  std::string CopyPartTree(const std::string& part, std::map<std::string, std::string>& copied);
};

// The formula (or reference) with every reference qualified by the sheet
// `from` (compared ignoring case) qualified by `to` instead.
std::string RenameSheetRefs(std::string_view formula, std::string_view from, std::string_view to);
// The rules of a tab name: 1 to 31 characters (UTF-16 units), none of
// []:*?/\ or of the characters XML cannot carry, no quote at either end.
bool ValidSheetName(std::string_view name);

// Opens a chart sheet's drawing and chart parts (taking the chart out of Parts).
void LoadChart(TWorkbook::TImpl& book, TChart& chart, const std::string& sheetPart);

}  // namespace vedograf

namespace vedograf {

class IZipStream;

// Reads a worksheet part into compact cells; `sst` maps the file's shared
// string indices to pool ids.
void ParseWorksheet(TWorkbook::TImpl& book, TWorksheet& sheet, const std::string& data, const std::string& part,
                    const std::vector<std::uint32_t>& sst);
// The worksheet part, generated while it is read; `selected` marks its tab.
std::unique_ptr<IZipStream> MakeSheetStream(TWorkbook::TImpl& book, TWorksheet& sheet, bool selected);
// Sets or clears tabSelected on the sheet views of a worksheet or chart sheet part.
void SetTabSelected(pugi::xml_node root, bool selected);

}  // namespace vedograf
