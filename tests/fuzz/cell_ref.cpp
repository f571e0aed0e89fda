// Cell references and formula notation. A formula taken from A1 to R1C1 and
// back may change its spelling (lower-case letters, "C[0]") but never its
// meaning, so after one trip every further trip gives the same text. Any
// sheet name must survive being written into a reference and read back.

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "fuzz_util.h"
#include "sheet/cell_ref.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vedograf;
  if (size < 4) return 0;
  std::uint16_t a = 0, b = 0;
  std::memcpy(&a, data, 2);
  std::memcpy(&b, data + 2, 2);
  // The cell holding the formula, near the sheet's edges half of the time.
  const int row = (a & 1) ? kMaxRows - (a >> 1) % 64 : 1 + (a >> 1) % 200;
  const int col = (b & 1) ? kMaxCols - (b >> 1) % 64 : 1 + (b >> 1) % 60;
  const std::string_view text(reinterpret_cast<const char*>(data + 4), size - 4);

  // The first trip settles the text (a token that only R1C1 reads as a
  // reference, copied through by the A1 reader, is read by the second); from
  // then on both trips must be fixed points.
  const std::string a1 = FormulaR1C1ToA1(FormulaA1ToR1C1(text, row, col), row, col);
  const std::string r1c1 = FormulaA1ToR1C1(a1, row, col);
  FUZZ_CHECK(FormulaR1C1ToA1(r1c1, row, col) == a1);
  FUZZ_CHECK(FormulaA1ToR1C1(FormulaR1C1ToA1(r1c1, row, col), row, col) == r1c1);

  // The other way there is no such law: an R1C1 text may hold tokens that
  // only A1 reads as references ("b3"), which the first trip leaves alone.
  (void)FormulaA1ToR1C1(FormulaR1C1ToA1(text, row, col), row, col);

  (void)FormulaDropSheet(text, "Лист1");
  (void)FormulaDropSheet(r1c1, text.substr(0, 8));

  TArea area;
  if (ParseArea(text, area)) {
    FUZZ_CHECK(area.Row1 >= 1 && area.Row1 <= kMaxRows && area.Row2 >= 1 && area.Row2 <= kMaxRows);
    FUZZ_CHECK(area.Col1 >= 1 && area.Col1 <= kMaxCols && area.Col2 >= 1 && area.Col2 <= kMaxCols);
  }
  std::string sheet;
  TArea named;
  (void)ParseSheetArea(text, sheet, named);

  // The first line as a sheet name, the cell as the area.
  const std::string_view name = text.substr(0, text.find('\n'));
  if (!name.empty()) {
    const TArea cell{row, col, row, col};
    std::string readSheet;
    TArea readArea;
    FUZZ_CHECK(ParseSheetArea(SheetAreaText(name, cell), readSheet, readArea));
    FUZZ_CHECK(readSheet == name && readArea == cell);
  }

  FUZZ_CHECK(ColumnNumber(ColumnName(col)) == col);
  const std::string letters(text.substr(0, 4));
  const int n = ColumnNumber(letters);
  if (n != 0) FUZZ_CHECK(n >= 1 && n <= kMaxCols);
  return 0;
}
