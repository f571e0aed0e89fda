#pragma once
// Cell addresses and formula notation. Formulas live inside the engine in
// relative row/column notation (R1C1): a formula copied to another row is
// then the very same text, which makes filling a data row down a copy of
// indices instead of a rewrite of every formula.

#include <cstdint>
#include <string>
#include <string_view>

namespace vedograf {

inline constexpr int kMaxRows = 1048576;
inline constexpr int kMaxCols = 16384;

// 1-based column to letters: 1 -> "A", 27 -> "AA". Columns outside
// 1..kMaxCols give an empty text.
std::string ColumnName(int col);

// Letters to a 1-based column; 0 when the text is not a column of the sheet.
int ColumnNumber(std::string_view letters);

// "B7" for row 7, column 2; with `absolute` "$B$7".
std::string CellName(int row, int col, bool absolute = false);

// A rectangle of cells, 1-based, inclusive.
struct TArea {
  int Row1 = 0, Col1 = 0, Row2 = 0, Col2 = 0;
  bool operator==(const TArea&) const = default;
};

// Parses "A1", "$A$1", "A1:B2", "$A:$B" (whole columns) or "3:5" (whole rows).
// Returns false for anything else, leaving `out` untouched.
bool ParseArea(std::string_view text, TArea& out);

// A defined name's reference split into the sheet and the area:
// "'Лист 1'!$A$7" -> sheet "Лист 1", area A7. Quotes doubled inside a quoted
// sheet name are undone. Returns false for anything but a single sheet-
// qualified area (formulas, several areas, external books, #REF!).
bool ParseSheetArea(std::string_view text, std::string& sheet, TArea& area);

// "'Лист 1'!$A$7:$B$9" (quoted only when the name needs it).
std::string SheetAreaText(std::string_view sheet, const TArea& area);

// Sheet name as it must be written inside a reference: quoted when it holds
// anything but ASCII letters, digits, "_" and "." or could be read as a
// reference.
std::string QuoteSheetName(std::string_view sheet);

// Converts a formula between notations relative to the cell (row, col) that
// holds it. Text in double quotes, sheet names, function names and defined
// names are copied unchanged; only cell, row and column references change.
// A relative reference that leaves the sheet wraps around as in the
// spreadsheet application. The leading "=" is kept if present.
std::string FormulaA1ToR1C1(std::string_view formula, int row, int col);
std::string FormulaR1C1ToA1(std::string_view formula, int row, int col);

// Replaces every reference of an R1C1 formula that is qualified by `sheet`
// (compared exactly, quoted or not) with "#REF!", as the spreadsheet does
// when the sheet is deleted. Unchanged when nothing refers to `sheet`.
std::string FormulaDropSheet(std::string_view formula, std::string_view sheet);

}  // namespace vedograf
