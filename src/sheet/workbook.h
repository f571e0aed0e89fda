#pragma once
// The in-process workbook engine: opens an .xltx/.xlsx template, offers the
// handful of spreadsheet operations the report writers need and saves the
// result as .xlsx. Parts it does not touch (styles, column widths, merged
// header cells, print settings, unknown parts) are carried over byte for byte.
//
// Cells are held compactly (16 bytes each, rows of sorted cells); formulas are
// held in R1C1 notation, interned, so a row filled downwards shares its
// formulas; strings are interned into the shared-string table. Sheet data is
// generated while the zip is written, never as one big XML text.
//
// Every failing operation throws TOleError with one of the codes below, the
// way the automation layer of a desktop spreadsheet would.

#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <variant>
#include <vector>

#include "core/errors.h"
#include "sheet/cell_ref.h"

namespace vedograf {

inline constexpr std::uint32_t kErrGeneric = 0x800A03EC;   // the application refused the operation
inline constexpr std::uint32_t kErrBadIndex = 0x8002000B;  // no item with this index
inline constexpr std::uint32_t kErrFileOpen = 0x80030002;  // file missing, unreadable or no workbook
inline constexpr std::uint32_t kErrFileSave = 0x8003001D;  // the file could not be written

// A value handed to a cell. A float is kept as a 32-bit real (and printed
// with the digits a 32-bit real has); an empty string empties the cell.
using TValue = std::variant<std::monostate, std::string, std::int32_t, double, float, bool>;

// A two-dimensional block of values, row-major, 0-based.
class TValueArray {
 public:
  TValueArray() = default;
  TValueArray(int rows, int cols) : rows_(rows), cols_(cols), values_(static_cast<std::size_t>(rows) * cols) {}
  int Rows() const { return rows_; }
  int Cols() const { return cols_; }
  TValue& At(int row, int col) { return values_[static_cast<std::size_t>(row) * cols_ + col]; }
  const TValue& At(int row, int col) const { return values_[static_cast<std::size_t>(row) * cols_ + col]; }

 private:
  int rows_ = 0, cols_ = 0;
  std::vector<TValue> values_;
};

class TWorkbook;
class TZipWriter;
class TWorksheet;
class TChart;
class TExcelApp;

// A rectangle of cells on one worksheet. Cheap to copy; valid while its
// workbook lives (operations on a deleted sheet throw).
class TRange {
 public:
  TRange(TWorksheet& sheet, const TArea& area) : sheet_(&sheet), area_(area) {}

  TWorksheet& Worksheet() const { return *sheet_; }
  const TArea& Area() const { return area_; }
  // The range moved `rows` down and `cols` right; throws when it leaves the sheet.
  TRange Offset(int rows, int cols = 0) const;
  // The full rows the range covers.
  TRange EntireRow() const;
  // 1-based number of the first row / column.
  int Row() const { return area_.Row1; }
  int Column() const { return area_.Col1; }

  // Stores the value in every cell of the range, keeping each cell's format.
  void SetValue(const TValue& value) const;
  // Stores the block from the range's top left cell; cells of the range beyond
  // the block get #N/A, values beyond the range are ignored.
  void SetValue(const TValueArray& block) const;
  // Value of the top left cell (monostate when empty; a formula gives its text
  // in A1 notation, as the engine does not calculate).
  TValue Value() const;

  // Sets the formula of every cell from R1C1 text. Text without a leading "="
  // is stored as a constant (a number when it reads as one); an empty text
  // empties the cells. Throws for a formula with unbalanced quotes or brackets.
  void SetFormulaR1C1(std::string_view formula) const;
  // Formula of the top left cell in R1C1 notation; a constant as its text; ""
  // for an empty cell.
  std::string FormulaR1C1() const;
  // The same in A1 notation.
  std::string Formula() const;

  // Fill type 1 (copy): the range must be whole rows whose first rows are this
  // range's; the contents, formulas (relative references shifting), formats,
  // row heights and merged cells of this range are repeated over the rest of
  // `destination`, overwriting it. Other fill types throw.
  void AutoFill(const TRange& destination, int fillType) const;

 private:
  TWorksheet* sheet_;
  TArea area_;
};

// A sheet of the workbook: a worksheet or a chart sheet.
class TSheet {
 public:
  virtual ~TSheet() = default;
  const std::string& Name() const { return Meta.Name; }
  // Renames the tab. Throws for an empty name, one with []:*?/\ or longer
  // than 31 characters, or one another sheet already has.
  void SetName(std::string_view name);
  bool IsChart() const { return chart_; }
  bool Deleted() const { return Meta.Deleted; }
  TWorkbook& Workbook() const { return *book_; }
  // Removes the sheet, the names that point into it, and turns references of
  // other sheets' formulas to it into #REF!. Throws when it is the last sheet.
  void Delete();
  // Makes it the active, selected sheet.
  void Select();

  // The engine's bookkeeping of the sheet.
  struct TMeta {
    bool Deleted = false;
    std::string Name;
    std::string RelId;  // relationship id in the workbook part
    std::string Part;   // zip path, e.g. "xl/worksheets/sheet1.xml"
    std::string State;  // "hidden", "veryHidden" or empty
    int SheetId = 0;
  };
  TMeta Meta;
  // Throws when the sheet was deleted.
  void CheckAlive() const;

 protected:
  TSheet(TWorkbook& book, bool chart) : book_(&book), chart_(chart) {}

 private:
  TWorkbook* book_;
  bool chart_;
};

// A sheet kind the engine only carries along (dialog or macro sheets).
class TOtherSheet : public TSheet {
 public:
  explicit TOtherSheet(TWorkbook& book) : TSheet(book, false) {}
};

class TWorksheet : public TSheet {
 public:
  ~TWorksheet() override;
  // A workbook-level name that points into this sheet. Throws when the name
  // is unknown or points elsewhere.
  TRange Range(std::string_view name);
  // The block between two cells of this sheet (in any order).
  TRange Range(const TRange& a, const TRange& b);
  // Cell by 1-based row and column; throws outside the sheet.
  TRange Cells(int row, int col);
  // The whole row; throws outside the sheet.
  TRange Rows(int row);
  // A hint before writing column after column into the same tall block: each
  // of these rows is about to get `more` cells, so each grows once instead of
  // once per column. Changes no cell.
  void ReserveCells(int firstRow, int lastRow, int more);

  struct TImpl;
  TImpl& Impl() { return *impl_; }

 explicit TWorksheet(TWorkbook& book);

 private:
  std::unique_ptr<TImpl> impl_;
};

class TChart;

// One series of a chart, by its 1-based position at the time it was taken.
class TSeries {
 public:
  TSeries(TChart& chart, int index) : chart_(&chart), index_(index) {}
  // Removes the series; later series move up by one.
  void Delete();
  void SetValues(const TRange& range);
  void SetXValues(const TRange& range);
  // The reference texts (empty when the series has none).
  std::string ValuesRef() const;
  std::string XValuesRef() const;

 private:
  TChart* chart_;
  int index_;
};

// The category axis of a chart.
class TAxis {
 public:
  explicit TAxis(TChart& chart) : chart_(&chart) {}
  // One label / one tick every n categories; n < 1 throws.
  void SetTickLabelSpacing(int n);
  void SetTickMarkSpacing(int n);

 private:
  TChart* chart_;
};

class TChart : public TSheet {
 public:
  ~TChart() override;
  int SeriesCount() const;
  // 1-based; throws kErrBadIndex when there is no such series.
  TSeries SeriesCollection(int index);
  // Only index 1, the category axis, exists; others throw kErrBadIndex.
  TAxis Axes(int index);
  void SetHasLegend(bool on);
  bool HasLegend() const;
  void SetHasTitle(bool on);
  bool HasTitle() const;
  // The title text; setting it throws when the chart has no title.
  void SetTitleText(std::string_view text);
  std::string TitleText() const;
  // Copies the chart sheet, its drawing and chart parts; the copy is placed
  // right after `after` (or after this chart when null) and named like this
  // one with " (2)", " (3)" ... Returns the copy.
  TChart& Copy(TChart* after = nullptr);

  struct TImpl;
  TImpl& Impl() { return *impl_; }

 explicit TChart(TWorkbook& book);

 private:
  std::unique_ptr<TImpl> impl_;
};

class TWorkbook {
 public:
  // Opens a template or workbook as a new, unsaved workbook. Throws
  // kErrFileOpen when the file is missing, unreadable or no workbook.
  static std::unique_ptr<TWorkbook> Open(const std::filesystem::path& path);
  ~TWorkbook();
  TWorkbook(const TWorkbook&) = delete;
  TWorkbook& operator=(const TWorkbook&) = delete;

  // A workbook-level name (case-insensitive), resolved to its cells. Throws
  // kErrGeneric when the name is unknown or is no single area of a worksheet.
  TRange Range(std::string_view name);
  // 1-based among worksheets / chart sheets, in tab order; throw kErrBadIndex.
  TWorksheet& Worksheets(int index);
  TChart& Charts(int index);
  int WorksheetCount() const;
  int ChartCount() const;
  // Every live sheet in tab order.
  std::vector<TSheet*> Sheets() const;
  TSheet* FindSheet(std::string_view name) const;
  // Workbook-level names and their reference texts, in file order.
  std::vector<std::pair<std::string, std::string>> Names() const;

  // Writes an .xlsx: a workbook (not a template) content type, formulas set
  // to be recalculated when opened, shared strings rebuilt, the calculation
  // chain and every part no longer referenced left out. Replaces `path`
  // atomically; throws kErrFileSave on failure, leaving `path` as it was.
  void SaveAs(const std::filesystem::path& path);
  // The same workbook into the open file `fd` (named `shownAs` in messages).
  void SaveTo(int fd, const std::filesystem::path& shownAs);

  struct TImpl;
  TImpl& Impl() { return *impl_; }

 private:
  void Save(const std::function<void(TZipWriter&)>& write);
  TWorkbook();
  std::unique_ptr<TImpl> impl_;
};

// The application: its workbooks and switches. ScreenUpdating, DisplayAlerts
// and Visible are only remembered (there is no window of its own); the
// hand-over decides what "visible" means on this platform.
class TExcelApp {
 public:
  // "16.0": the engine writes the file format of that generation.
  std::string Version() const { return "16.0"; }
  // Opens a new workbook from the file and makes it active.
  TWorkbook& Open(const std::filesystem::path& path);
  // The active workbook; throws kErrGeneric when none is open.
  TWorkbook& ActiveWorkbook();
  int WorkbookCount() const { return static_cast<int>(books_.size()); }
  TWorkbook& Workbook(int index);  // 1-based
  // Shorthands on the active workbook.
  TRange Range(std::string_view name) { return ActiveWorkbook().Range(name); }
  TWorksheet& Worksheets(int index) { return ActiveWorkbook().Worksheets(index); }
  TChart& Charts(int index) { return ActiveWorkbook().Charts(index); }

  bool ScreenUpdating = true;
  bool DisplayAlerts = true;
  bool Visible = false;
  // Ends the application: every workbook is closed unsaved.
  void Quit();
  bool Quitted() const { return quit_; }

 private:
  std::vector<std::unique_ptr<TWorkbook>> books_;
  bool quit_ = false;
};

}  // namespace vedograf
