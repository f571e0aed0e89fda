// Cells of a worksheet: compact storage, the range operations, reading the
// part and generating it again.

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <functional>
#include <map>

#include "sheet/workbook_impl.h"
#include "sheet/xml_util.h"
#include "sheet/zip_io.h"

namespace vedograf {

// ---- TPool ----

std::uint32_t TPool::Intern(std::string_view text) {
  auto it = index_.find(text);
  if (it != index_.end()) return it->second;
  const auto id = static_cast<std::uint32_t>(items_.size());
  items_.emplace_back(text);
  index_.emplace(std::string_view(items_.back()), id);
  return id;
}

std::uint32_t TPool::Add(std::string text) {
  const auto id = static_cast<std::uint32_t>(items_.size());
  items_.push_back(std::move(text));
  return id;
}

void TPool::Replace(std::uint32_t id, std::string text) {
  auto it = index_.find(std::string_view(items_[id]));
  if (it != index_.end() && it->second == id) index_.erase(it);
  items_[id] = std::move(text);
  index_.emplace(std::string_view(items_[id]), id);
}

// ---- cell storage ----

TRowData& TWorksheet::TImpl::Row(int row) {
  if (static_cast<int>(Rows.size()) < row) Rows.resize(static_cast<std::size_t>(row));
  return Rows[static_cast<std::size_t>(row) - 1];
}

std::uint16_t TWorksheet::TImpl::DefaultStyle(int row, int col) const {
  if (row <= static_cast<int>(Rows.size())) {
    const TRowData& r = Rows[static_cast<std::size_t>(row) - 1];
    if (r.CustomFormat) return r.Style;
  }
  for (const TColStyle& c : ColStyles) {
    if (col >= c.Min && col <= c.Max) return c.Style;
  }
  return 0;
}

TCell& TWorksheet::TImpl::Cell(int row, int col) {
  std::vector<TCell>& cells = Row(row).Cells;
  if (cells.empty() || cells.back().Col < col) {
    TCell c{};
    c.Col = static_cast<std::uint16_t>(col);
    c.Style = DefaultStyle(row, col);
    c.Type = kCellBlank;
    cells.push_back(c);
    return cells.back();
  }
  auto it = std::lower_bound(cells.begin(), cells.end(), col, [](const TCell& c, int v) { return c.Col < v; });
  if (it != cells.end() && it->Col == col) return *it;
  TCell c{};
  c.Col = static_cast<std::uint16_t>(col);
  c.Style = DefaultStyle(row, col);
  c.Type = kCellBlank;
  return *cells.insert(it, c);
}

void TWorksheet::TImpl::ReserveCells(int firstRow, int lastRow, int more) {
  if (firstRow < 1 || lastRow < firstRow || more < 1) return;
  Row(lastRow);
  for (int r = firstRow; r <= lastRow; ++r) {
    std::vector<TCell>& cells = Rows[static_cast<std::size_t>(r) - 1].Cells;
    cells.reserve(cells.size() + static_cast<std::size_t>(more));
  }
}

const TCell* TWorksheet::TImpl::FindCell(int row, int col) const {
  if (row < 1 || row > static_cast<int>(Rows.size())) return nullptr;
  const std::vector<TCell>& cells = Rows[static_cast<std::size_t>(row) - 1].Cells;
  auto it = std::lower_bound(cells.begin(), cells.end(), col, [](const TCell& c, int v) { return c.Col < v; });
  return (it != cells.end() && it->Col == col) ? &*it : nullptr;
}

// ---- TWorksheet ----

TWorksheet::TWorksheet(TWorkbook& book) : TSheet(book, false), impl_(std::make_unique<TImpl>()) {}
TWorksheet::~TWorksheet() = default;

TRange TWorksheet::Range(std::string_view name) {
  CheckAlive();
  TRange r = Workbook().Range(name);
  if (&r.Worksheet() != this) {
    throw TOleError(kErrGeneric, "Имя " + std::string(name) + " относится к другому листу");
  }
  return r;
}

TRange TWorksheet::Range(const TRange& a, const TRange& b) {
  CheckAlive();
  if (&a.Worksheet() != this || &b.Worksheet() != this) {
    throw TOleError(kErrGeneric, "Ячейки диапазона относятся к другому листу");
  }
  TArea area{std::min(a.Area().Row1, b.Area().Row1), std::min(a.Area().Col1, b.Area().Col1),
             std::max(a.Area().Row2, b.Area().Row2), std::max(a.Area().Col2, b.Area().Col2)};
  return TRange(*this, area);
}

TRange TWorksheet::Cells(int row, int col) {
  CheckAlive();
  if (row < 1 || row > kMaxRows || col < 1 || col > kMaxCols) {
    throw TOleError(kErrGeneric, "Ячейка вне листа: строка " + std::to_string(row) + ", столбец " + std::to_string(col));
  }
  return TRange(*this, TArea{row, col, row, col});
}

void TWorksheet::ReserveCells(int firstRow, int lastRow, int more) {
  CheckAlive();
  impl_->ReserveCells(std::max(firstRow, 1), std::min(lastRow, kMaxRows), std::min(more, kMaxCols));
}

TRange TWorksheet::Rows(int row) {
  CheckAlive();
  if (row < 1 || row > kMaxRows) throw TOleError(kErrGeneric, "Строка вне листа: " + std::to_string(row));
  return TRange(*this, TArea{row, 1, row, kMaxCols});
}

// ---- TRange ----

TRange TRange::Offset(int rows, int cols) const {
  sheet_->CheckAlive();
  TArea a = area_;
  const long long r1 = static_cast<long long>(a.Row1) + rows, r2 = static_cast<long long>(a.Row2) + rows;
  const long long c1 = static_cast<long long>(a.Col1) + cols, c2 = static_cast<long long>(a.Col2) + cols;
  if (r1 < 1 || r2 > kMaxRows || c1 < 1 || c2 > kMaxCols) {
    throw TOleError(kErrGeneric, "Смещение выходит за пределы листа");
  }
  a = TArea{static_cast<int>(r1), static_cast<int>(c1), static_cast<int>(r2), static_cast<int>(c2)};
  return TRange(*sheet_, a);
}

TRange TRange::EntireRow() const {
  sheet_->CheckAlive();
  return TRange(*sheet_, TArea{area_.Row1, 1, area_.Row2, kMaxCols});
}

namespace {

void Store(TWorkbook::TImpl& book, TCell& cell, const TValue& value) {
  switch (value.index()) {
    case 0:
      cell.Type = kCellBlank;
      cell.Num = 0;
      break;
    case 1: {
      const std::string& s = std::get<1>(value);
      if (s.empty()) {
        cell.Type = kCellBlank;
        cell.Num = 0;
      } else {
        cell.Type = kCellString;
        cell.Id = xml::FitsCell(s) ? book.Strings.Intern(s) : book.Strings.Intern(xml::FitCellText(s));
      }
      break;
    }
    case 2:
      cell.Type = kCellNumber;
      cell.Num = std::get<2>(value);
      break;
    case 3: {
      const double d = std::get<3>(value);
      if (std::isfinite(d)) {
        cell.Type = kCellNumber;
        cell.Num = d;
      } else {
        cell.Type = kCellError;
        cell.Id = book.Strings.Intern("#NUM!");
      }
      break;
    }
    case 4: {
      const float f = std::get<4>(value);
      if (std::isfinite(f)) {
        cell.Type = kCellFloat;
        cell.Num = f;
      } else {
        cell.Type = kCellError;
        cell.Id = book.Strings.Intern("#NUM!");
      }
      break;
    }
    case 5:
      cell.Type = kCellBool;
      cell.Num = std::get<5>(value) ? 1 : 0;
      break;
  }
}

// Whole rows as the object model sees them: a row range used as a cell area
// must not create 16384 cells per row for a scalar value.
void ForEachCell(const TArea& a, const std::function<void(int, int)>& f) {
  for (int r = a.Row1; r <= a.Row2; ++r) {
    for (int c = a.Col1; c <= a.Col2; ++c) f(r, c);
  }
}

std::string NumberText(double v, bool single) {
  char buf[32];
  auto res = single ? std::to_chars(buf, buf + sizeof buf, static_cast<float>(v))
                    : std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, res.ptr);
}

// Quotes and brackets of a formula must balance; the application refuses
// anything else and so do we, before a broken formula reaches a file.
bool FormulaBalanced(std::string_view f) {
  int paren = 0;
  bool inString = false, inSheet = false;
  for (char c : f) {
    if (inString) {
      if (c == '"') inString = false;  // "" toggles twice
      continue;
    }
    if (inSheet) {
      if (c == '\'') inSheet = false;
      continue;
    }
    if (c == '"') inString = true;
    else if (c == '\'') inSheet = true;
    else if (c == '(') ++paren;
    else if (c == ')' && --paren < 0) return false;
  }
  return !inString && !inSheet && paren == 0;
}

}  // namespace

void TRange::SetValue(const TValue& value) const {
  sheet_->CheckAlive();
  TWorkbook::TImpl& book = sheet_->Workbook().Impl();
  TWorksheet::TImpl& ws = sheet_->Impl();
  ForEachCell(area_, [&](int r, int c) { Store(book, ws.Cell(r, c), value); });
}

void TRange::SetValue(const TValueArray& block) const {
  sheet_->CheckAlive();
  TWorkbook::TImpl& book = sheet_->Workbook().Impl();
  TWorksheet::TImpl& ws = sheet_->Impl();
  const std::uint32_t na = book.Strings.Intern("#N/A");
  ws.Row(area_.Row2);
  // Column by column so that a tall block appends to each row's cells.
  for (int c = area_.Col1; c <= area_.Col2; ++c) {
    const int bc = c - area_.Col1;
    for (int r = area_.Row1; r <= area_.Row2; ++r) {
      const int br = r - area_.Row1;
      TCell& cell = ws.Cell(r, c);
      if (br < block.Rows() && bc < block.Cols()) {
        Store(book, cell, block.At(br, bc));
      } else {
        cell.Type = kCellError;
        cell.Id = na;
      }
    }
  }
}

TValue TRange::Value() const {
  sheet_->CheckAlive();
  const TWorkbook::TImpl& book = sheet_->Workbook().Impl();
  const TCell* c = sheet_->Impl().FindCell(area_.Row1, area_.Col1);
  if (c == nullptr) return {};
  switch (c->Type) {
    case kCellBlank: return {};
    case kCellNumber: return c->Num;
    case kCellFloat: return static_cast<float>(c->Num);
    case kCellString: return book.Strings.Get(c->Id);
    case kCellBool: return c->Num != 0;
    case kCellError: return book.Strings.Get(c->Id);
    case kCellFormula: return FormulaR1C1ToA1(book.Formulas.Get(c->Id), area_.Row1, area_.Col1);
  }
  return {};
}

void TRange::SetFormulaR1C1(std::string_view formula) const {
  sheet_->CheckAlive();
  if (formula.empty()) {
    SetValue(TValue{});
    return;
  }
  if (formula.front() != '=') {
    double d = 0;
    const auto res = std::from_chars(formula.data(), formula.data() + formula.size(), d);
    // "inf" and "nan" read as numbers here but are texts to the application.
    if (res.ec == std::errc() && res.ptr == formula.data() + formula.size() && std::isfinite(d)) {
      SetValue(TValue{d});
    } else {
      SetValue(TValue{std::string(formula)});
    }
    return;
  }
  // A character XML cannot carry has no escape inside a formula.
  if (formula.size() < 2 || !FormulaBalanced(formula) || !xml::IsSafeText(formula)) {
    throw TOleError(kErrGeneric, "Ошибка в формуле " + std::string(formula));
  }
  TWorkbook::TImpl& book = sheet_->Workbook().Impl();
  const std::uint32_t id = book.Formulas.Intern(formula.substr(1));
  TWorksheet::TImpl& ws = sheet_->Impl();
  ForEachCell(area_, [&](int r, int c) {
    TCell& cell = ws.Cell(r, c);
    cell.Type = kCellFormula;
    cell.Id = id;
  });
}

std::string TRange::FormulaR1C1() const {
  sheet_->CheckAlive();
  const TWorkbook::TImpl& book = sheet_->Workbook().Impl();
  const TCell* c = sheet_->Impl().FindCell(area_.Row1, area_.Col1);
  if (c == nullptr) return {};
  switch (c->Type) {
    case kCellBlank: return {};
    case kCellNumber: return NumberText(c->Num, false);
    case kCellFloat: return NumberText(c->Num, true);
    case kCellString:
    case kCellError: return book.Strings.Get(c->Id);
    case kCellBool: return c->Num != 0 ? "TRUE" : "FALSE";
    case kCellFormula: return "=" + book.Formulas.Get(c->Id);
  }
  return {};
}

std::string TRange::Formula() const {
  sheet_->CheckAlive();
  const TCell* c = sheet_->Impl().FindCell(area_.Row1, area_.Col1);
  if (c != nullptr && c->Type == kCellFormula) {
    return "=" + FormulaR1C1ToA1(sheet_->Workbook().Impl().Formulas.Get(c->Id), area_.Row1, area_.Col1);
  }
  return FormulaR1C1();
}

void TRange::AutoFill(const TRange& destination, int fillType) const {
  sheet_->CheckAlive();
  if (fillType != 1) throw TOleError(kErrGeneric, "Неподдерживаемый тип заполнения " + std::to_string(fillType));
  const TArea& s = area_;
  const TArea& d = destination.Area();
  if (&destination.Worksheet() != sheet_ || d.Row1 != s.Row1 || d.Col1 != s.Col1 || d.Col2 != s.Col2 ||
      d.Row2 < s.Row2) {
    throw TOleError(kErrGeneric, "Метод AutoFill: диапазон назначения не продолжает исходный");
  }
  TWorksheet::TImpl& ws = sheet_->Impl();
  const int height = s.Row2 - s.Row1 + 1;
  const bool wholeRows = s.Col1 == 1 && s.Col2 == kMaxCols;
  if (d.Row2 > s.Row2) ws.Row(d.Row2);  // rows vector is stable from here on
  for (int r = s.Row2 + 1; r <= d.Row2; ++r) {
    const TRowData& src = ws.Rows[static_cast<std::size_t>(s.Row1 + (r - s.Row1) % height) - 1];
    TRowData& dst = ws.Rows[static_cast<std::size_t>(r) - 1];
    if (wholeRows) {
      dst = src;
      continue;
    }
    auto inCols = [&](const TCell& c) { return c.Col >= s.Col1 && c.Col <= s.Col2; };
    std::erase_if(dst.Cells, inCols);
    for (const TCell& c : src.Cells) {
      if (inCols(c)) dst.Cells.push_back(c);
    }
    std::sort(dst.Cells.begin(), dst.Cells.end(), [](const TCell& a, const TCell& b) { return a.Col < b.Col; });
  }
  // Merged cells of the source rows are repeated; merges the copy overwrites go.
  pugi::xml_node root = ws.Doc.document_element();
  pugi::xml_node merges = xml::Child(root, "mergeCells");
  if (!merges || d.Row2 == s.Row2) return;
  std::vector<TArea> keep, add;
  for (pugi::xml_node m = merges.first_child(); m; m = m.next_sibling()) {
    TArea a;
    if (m.type() != pugi::node_element || !ParseArea(m.attribute("ref").value(), a)) continue;
    const bool overlapsDest = a.Row2 > s.Row2 && a.Row1 <= d.Row2 && a.Col2 >= s.Col1 && a.Col1 <= s.Col2;
    if (!overlapsDest) keep.push_back(a);
    const bool inSource = a.Row1 >= s.Row1 && a.Row2 <= s.Row2 && a.Col1 >= s.Col1 && a.Col2 <= s.Col2;
    if (inSource) {
      for (int shift = height; a.Row2 + shift <= d.Row2; shift += height) {
        add.push_back(TArea{a.Row1 + shift, a.Col1, a.Row2 + shift, a.Col2});
      }
    }
  }
  while (pugi::xml_node m = merges.first_child()) merges.remove_child(m);
  keep.insert(keep.end(), add.begin(), add.end());
  for (const TArea& a : keep) {
    std::string ref = CellName(a.Row1, a.Col1) + ":" + CellName(a.Row2, a.Col2);
    merges.append_child("mergeCell").append_attribute("ref").set_value(ref.c_str());
  }
  merges.attribute("count").set_value(static_cast<unsigned>(keep.size()));
}

// ---- reading the part ----

namespace {

bool ParseCellRef(std::string_view ref, int& row, int& col) {
  std::size_t i = 0;
  while (i < ref.size() && ((ref[i] >= 'A' && ref[i] <= 'Z') || (ref[i] >= 'a' && ref[i] <= 'z'))) ++i;
  col = ColumnNumber(ref.substr(0, i));
  if (col == 0) return false;
  row = 0;
  const auto res = std::from_chars(ref.data() + i, ref.data() + ref.size(), row);
  return res.ec == std::errc() && res.ptr == ref.data() + ref.size() && row >= 1 && row <= kMaxRows;
}

std::string InlineText(pugi::xml_node is) {
  std::string out;
  for (pugi::xml_node n : is.children()) {
    if (xml::LocalName(n) == "t") out += n.text().get();
    if (xml::LocalName(n) == "r") out += xml::Child(n, "t").text().get();
  }
  return xml::FitCellText(xml::DecodeSpreadsheetText(out));
}

}  // namespace

void ParseWorksheet(TWorkbook::TImpl& book, TWorksheet& sheet, const std::string& data, const std::string& part,
                    const std::vector<std::uint32_t>& sst) {
  TWorksheet::TImpl& ws = sheet.Impl();
  xml::Load(ws.Doc, data, part);
  pugi::xml_node root = ws.Doc.document_element();
  if (pugi::xml_node cols = xml::Child(root, "cols")) {
    for (pugi::xml_node c : cols.children()) {
      if (c.type() != pugi::node_element || !c.attribute("style")) continue;
      ws.ColStyles.push_back({c.attribute("min").as_int(), c.attribute("max").as_int(),
                              static_cast<std::uint16_t>(c.attribute("style").as_uint())});
    }
  }
  pugi::xml_node sheetData = xml::Child(root, "sheetData");
  if (!sheetData) sheetData = root.insert_child_after("sheetData", xml::Child(root, "cols") ? xml::Child(root, "cols") : xml::Child(root, "sheetFormatPr"));
  std::map<unsigned, std::uint32_t> shared;  // shared formula group -> formula id
  int lastRow = 0;
  for (pugi::xml_node rowNode : sheetData.children()) {
    if (rowNode.type() != pugi::node_element || xml::LocalName(rowNode) != "row") continue;
    int rowNum = rowNode.attribute("r").as_int(lastRow + 1);
    if (rowNum < 1 || rowNum > kMaxRows) throw TOleError(kErrFileOpen, "Неверный номер строки в " + part);
    lastRow = rowNum;
    TRowData& row = ws.Row(rowNum);
    for (pugi::xml_attribute a : rowNode.attributes()) {
      std::string_view n = a.name();
      if (n == "r" || n == "spans") continue;
      row.Attrs += ' ';
      row.Attrs += n;
      row.Attrs += "=\"";
      xml::AppendEscaped(row.Attrs, a.value(), true);
      row.Attrs += '"';
      if (n == "s") row.Style = static_cast<std::uint16_t>(a.as_uint());
      if (n == "customFormat") row.CustomFormat = a.as_bool();
    }
    int lastCol = 0;
    for (pugi::xml_node c : rowNode.children()) {
      if (c.type() != pugi::node_element || xml::LocalName(c) != "c") continue;
      int r = rowNum, col = lastCol + 1;
      if (pugi::xml_attribute ref = c.attribute("r")) {
        if (!ParseCellRef(ref.value(), r, col) || r != rowNum) {
          throw TOleError(kErrFileOpen, std::string("Неверная ссылка на ячейку ") + ref.value() + " в " + part);
        }
      }
      if (col <= lastCol || col > kMaxCols) throw TOleError(kErrFileOpen, "Неверный порядок ячеек в " + part);
      lastCol = col;
      TCell cell{};
      cell.Col = static_cast<std::uint16_t>(col);
      cell.Style = static_cast<std::uint16_t>(c.attribute("s").as_uint());
      cell.Type = kCellBlank;
      const std::string_view t = c.attribute("t").value();
      pugi::xml_node f = xml::Child(c, "f");
      pugi::xml_node v = xml::Child(c, "v");
      if (f) {
        std::string_view text = f.text().get();
        const bool isShared = std::string_view(f.attribute("t").value()) == "shared";
        if (!text.empty()) {
          cell.Type = kCellFormula;
          cell.Id = book.Formulas.Intern(FormulaA1ToR1C1(text, rowNum, col));
          if (isShared) shared[f.attribute("si").as_uint()] = cell.Id;
        } else if (isShared && shared.count(f.attribute("si").as_uint()) != 0) {
          cell.Type = kCellFormula;
          cell.Id = shared[f.attribute("si").as_uint()];
        }
      }
      if (cell.Type != kCellFormula) {
        if (t == "s") {
          const unsigned idx = v.text().as_uint();
          if (v && idx < sst.size()) {
            cell.Type = kCellString;
            cell.Id = sst[idx];
          }
        } else if (t == "inlineStr") {
          std::string s = InlineText(xml::Child(c, "is"));
          if (!s.empty()) {
            cell.Type = kCellString;
            cell.Id = book.Strings.Intern(s);
          }
        } else if (t == "str") {
          if (v) {
            cell.Type = kCellString;
            cell.Id = book.Strings.Intern(xml::FitCellText(xml::DecodeSpreadsheetText(v.text().get())));
          }
        } else if (t == "b") {
          if (v) {
            cell.Type = kCellBool;
            cell.Num = v.text().as_int() != 0 ? 1 : 0;
          }
        } else if (t == "e") {
          if (v) {
            cell.Type = kCellError;
            cell.Id = book.Strings.Intern(v.text().get());
          }
        } else if (v) {
          std::string_view s = v.text().get();
          double d = 0;
          const auto res = std::from_chars(s.data(), s.data() + s.size(), d);
          if (res.ec == std::errc() && std::isfinite(d)) {
            cell.Type = kCellNumber;
            cell.Num = d;
          }
        }
      }
      if (cell.Type == kCellBlank && cell.Style == 0) continue;
      row.Cells.push_back(cell);
    }
  }
  while (pugi::xml_node n = sheetData.first_child()) sheetData.remove_child(n);
  for (pugi::xml_attribute a = sheetData.first_attribute(); a;) {
    pugi::xml_attribute next = a.next_attribute();
    sheetData.remove_attribute(a);
    a = next;
  }
}

void SetTabSelected(pugi::xml_node root, bool selected) {
  pugi::xml_node views = xml::Child(root, "sheetViews");
  if (!views && selected) {
    // sheetViews comes before the sheet's format and data.
    pugi::xml_node before = xml::Child(root, "sheetFormatPr");
    if (!before) before = xml::Child(root, "cols");
    if (!before) before = xml::Child(root, "sheetData");
    if (!before) before = xml::Child(root, "drawing");
    views = before ? root.insert_child_before("sheetViews", before) : root.append_child("sheetViews");
    views.append_child("sheetView").append_attribute("workbookViewId").set_value(0);
  }
  for (pugi::xml_node v : views.children()) {
    if (v.type() != pugi::node_element) continue;
    pugi::xml_attribute a = v.attribute("tabSelected");
    if (selected) {
      if (!a) a = v.prepend_attribute("tabSelected");
      a.set_value(1);
    } else if (a) {
      v.remove_attribute(a);
    }
    selected = false;  // only the first view of a sheet is the workbook's
  }
}

// ---- generating the part ----

namespace {

class TSheetStream : public IZipStream {
 public:
  TSheetStream(TWorkbook::TImpl& book, TWorksheet& sheet, bool selected) : book_(book), ws_(sheet.Impl()) {
    pugi::xml_node root = ws_.Doc.document_element();
    SetTabSelected(root, selected);
    // The used range.
    int r1 = 0, r2 = 0, c1 = kMaxCols + 1, c2 = 0;
    for (std::size_t i = 0; i < ws_.Rows.size(); ++i) {
      const auto& cells = ws_.Rows[i].Cells;
      if (cells.empty()) continue;
      if (r1 == 0) r1 = static_cast<int>(i) + 1;
      r2 = static_cast<int>(i) + 1;
      c1 = std::min<int>(c1, cells.front().Col);
      c2 = std::max<int>(c2, cells.back().Col);
    }
    if (pugi::xml_node dim = xml::Child(root, "dimension")) {
      std::string ref = r1 == 0 ? std::string("A1") : CellName(r1, c1);
      if (r1 != 0 && (r2 != r1 || c2 != c1)) ref += ":" + CellName(r2, c2);
      dim.attribute("ref").set_value(ref.c_str());
    }
    const std::string text = xml::Save(ws_.Doc);
    std::size_t at = text.find("<sheetData");
    std::size_t end = at == std::string::npos ? std::string::npos : text.find('>', at);
    if (at == std::string::npos || end == std::string::npos) throw TOleError(kErrFileSave, "Нет данных листа");
    buf_ = text.substr(0, at);
    buf_ += "<sheetData>";
    suffix_ = "</sheetData>";
    suffix_ += text.substr(end + 1);
    for (int c = 1; c <= 702; ++c) cols_.push_back(ColumnName(c));  // A..ZZ cached
  }

  std::size_t Read(char* out, std::size_t size) override {
    while (buf_.size() - pos_ < size && !done_) Generate();
    const std::size_t n = std::min(size, buf_.size() - pos_);
    std::memcpy(out, buf_.data() + pos_, n);
    pos_ += n;
    if (pos_ == buf_.size()) {
      buf_.clear();
      pos_ = 0;
    }
    return n;
  }

 private:
  void Generate() {
    if (pos_ > 0) {
      buf_.erase(0, pos_);
      pos_ = 0;
    }
    const std::size_t target = buf_.size() + (1u << 18);
    while (buf_.size() < target) {
      if (row_ >= ws_.Rows.size()) {
        buf_ += suffix_;
        done_ = true;
        return;
      }
      WriteRow(static_cast<int>(row_) + 1, ws_.Rows[row_]);
      ++row_;
    }
  }

  void AppendInt(long long v) {
    char tmp[24];
    auto res = std::to_chars(tmp, tmp + sizeof tmp, v);
    buf_.append(tmp, res.ptr);
  }

  void WriteCellStart(const TCell& c, std::string_view rowDigits) {
    buf_ += "<c r=\"";
    buf_ += c.Col <= 702 ? cols_[c.Col - 1] : ColumnName(c.Col);
    buf_ += rowDigits;
    buf_ += '"';
    if (c.Style != 0) {
      buf_ += " s=\"";
      AppendInt(c.Style);
      buf_ += '"';
    }
  }

  void WriteRow(int r, const TRowData& row) {
    if (row.Cells.empty() && row.Attrs.empty()) return;
    buf_ += "<row r=\"";
    AppendInt(r);
    buf_ += '"';
    buf_ += row.Attrs;
    if (row.Cells.empty()) {
      buf_ += "/>";
      return;
    }
    buf_ += '>';
    char rowText[16];
    const auto rowEnd = std::to_chars(rowText, rowText + sizeof rowText, r).ptr;
    const std::string_view rowDigits(rowText, static_cast<std::size_t>(rowEnd - rowText));
    for (const TCell& c : row.Cells) {
      if (c.Type == kCellError || c.Type == kCellFormula) {
        WriteCellStart(c, rowDigits);
        if (c.Type == kCellError) {
          buf_ += " t=\"e\"><v>";
          xml::AppendEscaped(buf_, book_.Strings.Get(c.Id));
          buf_ += "</v></c>";
        } else {
          buf_ += "><f>";
          xml::AppendEscaped(buf_, FormulaR1C1ToA1(book_.Formulas.Get(c.Id), r, c.Col));
          buf_ += "</f></c>";
        }
        continue;
      }
      // The common cells are built in one small buffer and appended at once:
      // the volume graph has millions of them.
      char cell[128];
      char* p = cell;
      auto put = [&p](std::string_view t) {
        std::memcpy(p, t.data(), t.size());
        p += t.size();
      };
      put("<c r=\"");
      const std::string& col = c.Col <= 702 ? cols_[c.Col - 1] : (spare_ = ColumnName(c.Col));
      put(col);
      put(rowDigits);
      *p++ = '"';
      if (c.Style != 0) {
        put(" s=\"");
        p = std::to_chars(p, cell + sizeof cell, c.Style).ptr;
        *p++ = '"';
      }
      switch (c.Type) {
        case kCellBlank:
          put("/>");
          break;
        case kCellNumber:
        case kCellFloat:
          put("><v>");
          p = (c.Type == kCellFloat ? std::to_chars(p, cell + sizeof cell, static_cast<float>(c.Num))
                                    : std::to_chars(p, cell + sizeof cell, c.Num))
                  .ptr;
          put("</v></c>");
          break;
        case kCellString:
          put(" t=\"s\"><v>");
          p = std::to_chars(p, cell + sizeof cell, c.Id).ptr;
          put("</v></c>");
          break;
        case kCellBool:
          put(c.Num != 0 ? " t=\"b\"><v>1</v></c>" : " t=\"b\"><v>0</v></c>");
          break;
        default:
          break;
      }
      buf_.append(cell, static_cast<std::size_t>(p - cell));
    }
    buf_ += "</row>";
  }

  TWorkbook::TImpl& book_;
  TWorksheet::TImpl& ws_;
  std::string buf_, suffix_;
  std::size_t pos_ = 0;
  std::size_t row_ = 0;
  bool done_ = false;
  std::vector<std::string> cols_;
  std::string spare_;  // a column name beyond the cached ones
};

}  // namespace

std::unique_ptr<IZipStream> MakeSheetStream(TWorkbook::TImpl& book, TWorksheet& sheet, bool selected) {
  return std::make_unique<TSheetStream>(book, sheet, selected);
}

}  // namespace vedograf
