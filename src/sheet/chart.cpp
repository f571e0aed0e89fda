// Chart sheets: series, the category axis, legend, title, name and copies.
// The chart part is edited as XML in the DrawingML chart vocabulary with its
// usual prefixes (c:, a:), which is what the template and the application
// write.

#include <algorithm>
#include <array>

#include "sheet/workbook_impl.h"
#include "sheet/xml_util.h"

namespace vedograf {

namespace {

constexpr const char* kRelChartsheet = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/chartsheet";

// Inserts a child named `name` before the first existing child whose local
// name is one of `before` (the elements the schema puts after it), else at
// the end.
pugi::xml_node InsertOrdered(pugi::xml_node parent, const char* name, std::initializer_list<std::string_view> before) {
  for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling()) {
    if (c.type() != pugi::node_element) continue;
    if (std::find(before.begin(), before.end(), xml::LocalName(c)) != before.end()) {
      return parent.insert_child_before(name, c);
    }
  }
  return parent.append_child(name);
}

pugi::xml_node ChildOrInsert(pugi::xml_node parent, const char* name, std::initializer_list<std::string_view> before) {
  const std::string_view n = name;
  const std::string_view local = n.substr(n.find(':') + 1);
  if (pugi::xml_node c = xml::Child(parent, local)) return c;
  return InsertOrdered(parent, name, before);
}

void SetVal(pugi::xml_node node, const char* value) {
  pugi::xml_attribute a = node.attribute("val");
  if (!a) a = node.append_attribute("val");
  a.set_value(value);
}

// The reference of a series' values or labels as text.
std::string RefOf(pugi::xml_node ser, std::string_view local) {
  pugi::xml_node data = xml::Child(ser, local);
  for (const char* kind : {"numRef", "strRef"}) {
    if (pugi::xml_node ref = xml::Child(data, kind)) return xml::Child(ref, "f").text().get();
  }
  return {};
}

void SetRef(pugi::xml_node ser, const char* name, std::initializer_list<std::string_view> before, const TRange& range) {
  const std::string_view n = name;
  pugi::xml_node data = xml::Child(ser, n.substr(n.find(':') + 1));
  if (data) {
    while (pugi::xml_node c = data.first_child()) data.remove_child(c);
  } else {
    data = InsertOrdered(ser, name, before);
  }
  const std::string ref = SheetAreaText(range.Worksheet().Name(), range.Area());
  data.append_child("c:numRef").append_child("c:f").text().set(ref.c_str());
}

}  // namespace

TChart::TChart(TWorkbook& book) : TSheet(book, true), impl_(std::make_unique<TImpl>()) {}
TChart::~TChart() = default;

pugi::xml_node TChart::TImpl::ChartNode() { return xml::Child(Doc.document_element(), "chart"); }

std::vector<pugi::xml_node> TChart::TImpl::Series() {
  std::vector<pugi::xml_node> out;
  pugi::xml_node plot = xml::Child(ChartNode(), "plotArea");
  for (pugi::xml_node type : plot.children()) {
    if (type.type() != pugi::node_element) continue;
    const std::string_view local = xml::LocalName(type);
    if (local.size() < 5 || local.substr(local.size() - 5) != "Chart") continue;
    for (pugi::xml_node s : type.children()) {
      if (s.type() == pugi::node_element && xml::LocalName(s) == "ser") out.push_back(s);
    }
  }
  return out;
}

namespace {
TChart::TImpl& Checked(TChart& chart) {
  chart.CheckAlive();
  if (!chart.Impl().HasChart) throw TOleError(kErrGeneric, "Лист " + chart.Name() + " не содержит диаграммы");
  return chart.Impl();
}
}  // namespace

int TChart::SeriesCount() const {
  TChart& self = const_cast<TChart&>(*this);
  return static_cast<int>(Checked(self).Series().size());
}

TSeries TChart::SeriesCollection(int index) {
  if (index < 1 || index > SeriesCount()) {
    throw TOleError(kErrBadIndex, "Нет ряда диаграммы с номером " + std::to_string(index));
  }
  return TSeries(*this, index);
}

TAxis TChart::Axes(int index) {
  Checked(*this);
  if (index != 1) throw TOleError(kErrBadIndex, "Нет оси диаграммы с номером " + std::to_string(index));
  return TAxis(*this);
}

void TChart::SetHasLegend(bool on) {
  pugi::xml_node chart = Checked(*this).ChartNode();
  pugi::xml_node legend = xml::Child(chart, "legend");
  if (!on) {
    if (legend) chart.remove_child(legend);
    return;
  }
  if (legend) return;
  legend = InsertOrdered(chart, "c:legend", {"plotVisOnly", "dispBlanksAs", "showDLblsOverMax", "extLst"});
  SetVal(legend.append_child("c:legendPos"), "r");
  SetVal(legend.append_child("c:overlay"), "0");
}

bool TChart::HasLegend() const { return static_cast<bool>(xml::Child(impl_->ChartNode(), "legend")); }

void TChart::SetHasTitle(bool on) {
  pugi::xml_node chart = Checked(*this).ChartNode();
  pugi::xml_node title = xml::Child(chart, "title");
  pugi::xml_node deleted = ChildOrInsert(chart, "c:autoTitleDeleted",
                                         {"pivotFmts", "view3D", "floor", "sideWall", "backWall", "plotArea"});
  SetVal(deleted, on ? "0" : "1");
  if (!on) {
    if (title) chart.remove_child(title);
    return;
  }
  if (title) return;
  title = chart.prepend_child("c:title");
  SetVal(title.append_child("c:overlay"), "0");
}

bool TChart::HasTitle() const { return static_cast<bool>(xml::Child(impl_->ChartNode(), "title")); }

void TChart::SetTitleText(std::string_view text) {
  pugi::xml_node title = xml::Child(Checked(*this).ChartNode(), "title");
  if (!title) throw TOleError(kErrGeneric, "У диаграммы " + Name() + " нет заголовка");
  if (pugi::xml_node tx = xml::Child(title, "tx")) title.remove_child(tx);
  pugi::xml_node rich = title.prepend_child("c:tx").append_child("c:rich");
  rich.append_child("a:bodyPr");
  rich.append_child("a:lstStyle");
  pugi::xml_node p = rich.append_child("a:p");
  pugi::xml_node run = p.append_child("a:r");
  run.append_child("a:rPr").append_attribute("lang").set_value("ru-RU");
  // Text that XML cannot carry would make the whole file unreadable.
  run.append_child("a:t").text().set(xml::SafeText(text).c_str());
}

std::string TChart::TitleText() const {
  pugi::xml_node title = xml::Child(impl_->ChartNode(), "title");
  std::string out;
  pugi::xml_node rich = xml::Child(xml::Child(title, "tx"), "rich");
  for (pugi::xml_node p : rich.children()) {
    if (xml::LocalName(p) != "p") continue;
    for (pugi::xml_node r : p.children()) {
      if (xml::LocalName(r) == "r") out += xml::Child(r, "t").text().get();
    }
  }
  return out;
}

TChart& TChart::Copy(TChart* after) {
  Checked(*this);
  TWorkbook& book = Workbook();
  TWorkbook::TImpl& b = book.Impl();
  if (after == nullptr) after = this;
  after->CheckAlive();
  // The chart part lives in the document while the sheet is open; the copy
  // starts from its current state.
  b.Parts[impl_->ChartPart] = xml::Save(impl_->Doc);
  std::map<std::string, std::string> copied;
  const std::string sheetPart = b.CopyPartTree(Meta.Part, copied);
  b.Parts.erase(impl_->ChartPart);

  auto copy = std::make_unique<TChart>(book);
  LoadChart(b, *copy, sheetPart);
  copy->Meta.Part = sheetPart;
  copy->Meta.SheetId = b.NewSheetId();
  copy->Meta.RelId = b.NewRelId();
  pugi::xml_node rel = b.WorkbookRels.document_element().append_child("Relationship");
  rel.append_attribute("Id").set_value(copy->Meta.RelId.c_str());
  rel.append_attribute("Type").set_value(kRelChartsheet);
  rel.append_attribute("Target").set_value(xml::RelativeTarget(b.WorkbookPart, sheetPart).c_str());

  // "График (2)", "График (3)" ... as the application names copies.
  std::string base = Meta.Name;
  if (base.size() > 4 && base.back() == ')') {
    const auto open = base.rfind(" (");
    if (open != std::string::npos &&
        std::all_of(base.begin() + static_cast<long>(open) + 2, base.end() - 1, [](char c) { return c >= '0' && c <= '9'; })) {
      base.resize(open);
    }
  }
  for (int n = 2;; ++n) {
    const std::string suffix = " (" + std::to_string(n) + ")";
    std::string stem = base;
    // 31 characters (UTF-16 units) at most, cut on a character boundary.
    while (xml::Utf16Length(stem) + suffix.size() > 31) {
      do stem.pop_back();
      while (!stem.empty() && (static_cast<unsigned char>(stem.back()) & 0xC0) == 0x80);
      if (!stem.empty()) stem.pop_back();
    }
    // A cut may leave a blank or a quote at the end of the stem, which is
    // fine inside the name; only the name's ends are ruled.
    if (book.FindSheet(stem + suffix) == nullptr && ValidSheetName(stem + suffix)) {
      copy->Meta.Name = stem + suffix;
      break;
    }
  }
  const int at = b.IndexOf(*after) + 1;
  // Sheet-local names of the sheets behind the copy move one place on.
  for (pugi::xml_node n : xml::Child(b.Workbook.document_element(), "definedNames").children()) {
    if (pugi::xml_attribute local = n.attribute("localSheetId"); local && local.as_int() >= at) {
      local.set_value(local.as_int() + 1);
    }
  }
  TChart& result = *copy;
  b.NameCacheValid = false;
  b.Sheets.insert(b.Sheets.begin() + at, std::move(copy));
  return result;
}

// ---- series ----

namespace {
pugi::xml_node SeriesNode(TChart& chart, int index) {
  std::vector<pugi::xml_node> all = Checked(chart).Series();
  if (index < 1 || index > static_cast<int>(all.size())) {
    throw TOleError(kErrBadIndex, "Нет ряда диаграммы с номером " + std::to_string(index));
  }
  return all[static_cast<std::size_t>(index) - 1];
}
bool IsScatter(pugi::xml_node ser) { return xml::LocalName(ser.parent()) == "scatterChart"; }
}  // namespace

void TSeries::Delete() {
  pugi::xml_node ser = SeriesNode(*chart_, index_);
  ser.parent().remove_child(ser);
}

void TSeries::SetValues(const TRange& range) {
  range.Worksheet().CheckAlive();
  pugi::xml_node ser = SeriesNode(*chart_, index_);
  if (IsScatter(ser)) {
    SetRef(ser, "c:yVal", {"smooth", "extLst"}, range);
  } else {
    SetRef(ser, "c:val", {"smooth", "shape", "invertIfNegative", "bubbleSize", "bubble3D", "extLst"}, range);
  }
}

void TSeries::SetXValues(const TRange& range) {
  range.Worksheet().CheckAlive();
  pugi::xml_node ser = SeriesNode(*chart_, index_);
  if (IsScatter(ser)) {
    SetRef(ser, "c:xVal", {"yVal", "smooth", "extLst"}, range);
  } else {
    SetRef(ser, "c:cat", {"val", "smooth", "shape", "extLst"}, range);
  }
}

std::string TSeries::ValuesRef() const {
  pugi::xml_node ser = SeriesNode(*chart_, index_);
  return RefOf(ser, IsScatter(ser) ? "yVal" : "val");
}

std::string TSeries::XValuesRef() const {
  pugi::xml_node ser = SeriesNode(*chart_, index_);
  return RefOf(ser, IsScatter(ser) ? "xVal" : "cat");
}

// ---- axis ----

namespace {
pugi::xml_node CategoryAxis(TChart& chart) {
  pugi::xml_node plot = xml::Child(Checked(chart).ChartNode(), "plotArea");
  pugi::xml_node ax = xml::Child(plot, "catAx");
  if (!ax) throw TOleError(kErrGeneric, "У диаграммы " + chart.Name() + " нет оси категорий с подписями через шаг");
  return ax;
}
}  // namespace

void TAxis::SetTickLabelSpacing(int n) {
  if (n < 1 || n > 31999) throw TOleError(kErrGeneric, "Недопустимый шаг подписей " + std::to_string(n));
  pugi::xml_node ax = CategoryAxis(*chart_);
  SetVal(ChildOrInsert(ax, "c:tickLblSkip", {"tickMarkSkip", "noMultiLvlLbl", "extLst"}), std::to_string(n).c_str());
}

void TAxis::SetTickMarkSpacing(int n) {
  if (n < 1 || n > 31999) throw TOleError(kErrGeneric, "Недопустимый шаг делений " + std::to_string(n));
  pugi::xml_node ax = CategoryAxis(*chart_);
  SetVal(ChildOrInsert(ax, "c:tickMarkSkip", {"noMultiLvlLbl", "extLst"}), std::to_string(n).c_str());
}

}  // namespace vedograf
