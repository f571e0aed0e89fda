#pragma once
// The cell primitives the sheet writers fill their sheets with. A writer never
// addresses a cell by column letter or absolute row: it names a cell of the
// template's data row and a row offset below it.
//
//   TCellWriter w(job.Book, job.Run);          // one per writer call
//   w.PrepareWorksheet("ObjNum_p", "Time_p", "", rows, "Period_p");
//   w.toExcel("ObjNum_p", row, std::int32_t{obj.Number});
//   w.toExcel("ObjName_p", row, obj.Name);       // text
//   w.toExcel("Length_p", row, end - begin);     // double: days, the template formats it
//   w.toExcelFormulaR1C1("LoadV_f", row, "=R[-1]C+R[-2]C");
//
// Contracts:
// - toExcel / toExcelFormulaR1C1 write on ExcelSheet(), the sheet the last
//   PrepareWorksheet (or UseSheetOf) made current, and never fail towards the
//   caller: a name missing from the template, a name of another sheet, no
//   current sheet or a refused formula are skipped silently. Text is UTF-8;
//   an empty text empties the cell (removing a formula copied from the data
//   row). The `int32_t` overload writes an integer, `double` a 64-bit real,
//   `float` a 32-bit real (an `int` or `bool` argument picks the integer
//   overload, a string literal the text one; cast a `long` or `size_t`).
// - PrepareWorksheet throws (TOleError) when the first-column name is missing;
//   it makes that name's sheet current, copies the data row over rows - 1 rows
//   below it (nothing for 0 or 1), writes the time stamp
//   "hh:nn  dd.mm.yyyy" + ProgramVersionText() into the time cell and
//   "<begin> - <end> (UTC<zone>)<suffix>" into the period cell (both skipped
//   silently when missing). Begin/End are Run.Current + Req.TimeBias.
// - UseSheetOf(name) makes the sheet of a name current (the graph writer:
//   "Graph_Data"); throws when the name is missing.
// - TimeColToExcel / ColToExcel / SumToExcel put count values into `block`
//   (rows 0..count-1 of column 0; the block must have at least count rows and
//   is reused across columns), assign the block to the cells (firstRow, col) ..
//   (firstRow + count - 1, col) of ExcelSheet() in one operation and return
//   that range for a chart series. They throw on failure (no current sheet,
//   count < 1, a column outside the sheet). SumToExcel adds in long double
//   and stores 32-bit reals.
// - PrintDeltaTime(days): "" for a negative or NaN duration, else
//   "[Nсут ]hh:mm:ss", every part truncated.
// - FormatFixed(v, decimals) is "%.<decimals>lf" with a point as decimal
//   separator whatever the process locale (Qt sets LC_NUMERIC from the user).

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "sheet/report_output.h"
#include "sheet/workbook.h"

namespace vedograf {

// " (версия программы 1.8.3)": appended to every sheet's time stamp.
std::string ProgramVersionText();

// Duration in days as text: 0 -> "00:00:00", 1.5 -> "1сут 12:00:00".
std::string PrintDeltaTime(double days);

// Fixed-point text with `decimals` digits after a point (printf "%.Nlf"
// rounding); "nan"/"inf" as printf would print them.
std::string FormatFixed(double value, int decimals);

// The current local date and time as a day-based date-time.
double LocalNow();

class TCellWriter {
 public:
  TCellWriter(TWorkbook& book, const TRunView& run);

  // The sheet every write goes to; null before the first preparation.
  TWorksheet* ExcelSheet() const { return sheet_; }
  void UseSheetOf(std::string_view name);

  void toExcel(std::string_view name, std::string_view text);
  void toExcel(std::string_view name, std::int32_t offset, std::string_view text);
  void toExcel(std::string_view name, std::int32_t offset, const std::string& text) {
    toExcel(name, offset, std::string_view(text));
  }
  void toExcel(std::string_view name, std::int32_t offset, const char* text) {
    toExcel(name, offset, std::string_view(text));
  }
  void toExcel(std::string_view name, std::int32_t offset, double value);
  void toExcel(std::string_view name, std::int32_t offset, float value);
  void toExcel(std::string_view name, std::int32_t offset, std::int32_t value);
  void toExcelFormulaR1C1(std::string_view name, std::int32_t offset, std::string_view formula);

  void PrepareWorksheet(std::string_view firstColName, std::string_view timeName, std::string_view suffix,
                        std::int32_t rows, std::string_view periodName);

  TRange TimeColToExcel(TValueArray& block, const double* values, int col, int firstRow, int count);
  TRange ColToExcel(TValueArray& block, const float* values, int col, int firstRow, int count);
  TRange SumToExcel(TValueArray& block, const float* a, int col, int firstRow, int count, const float* b);
  TRange SumToExcel(TValueArray& block, const float* a, int col, int firstRow, int count, const float* b,
                    const float* c);

  // The period text of the header: F(Begin + bias) " - " F(End + bias)
  // " (UTC" zone ")" suffix, F = "hh:nn  dd.mm.yyyy".
  static std::string PeriodText(const TReportParams& current, const TRequestParams& req, std::string_view suffix);

  // The clock of the time stamp (local now by default); tests freeze it.
  std::function<double()> Now = LocalNow;
  // Appended to the time stamp; ProgramVersionText() by default.
  std::string VersionText;

 private:
  void Write(std::string_view name, std::int32_t offset, const TValue& value);
  TRange Block(TValueArray& block, int col, int firstRow, int count);

  TWorkbook& book_;
  const TRunView& run_;
  TWorksheet* sheet_ = nullptr;
};

}  // namespace vedograf
