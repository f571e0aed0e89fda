// The workbook package: opening, the sheets and names of the workbook part,
// saving.

#include <algorithm>
#include <cctype>
#include <cstring>
#include <functional>
#include <set>
#include <string_view>

#include "sheet/workbook_impl.h"
#include "sheet/xml_util.h"
#include "sheet/zip_io.h"

namespace vedograf {

namespace {

constexpr const char* kRelNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
constexpr const char* kRelOfficeDocument =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument";
constexpr const char* kRelSharedStrings =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings";
constexpr const char* kRelChartsheet = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/chartsheet";
constexpr const char* kTypeWorkbook = "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml";
constexpr const char* kTypeSharedStrings =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml";

bool EndsWith(std::string_view s, std::string_view tail) {
  return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

std::string AsciiLower(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

// Sheet and defined names compare without regard to case, Cyrillic too.
bool SameName(std::string_view a, std::string_view b) { return a == b || xml::FoldCase(a) == xml::FoldCase(b); }

pugi::xml_node WorkbookChild(TWorkbook::TImpl& b, const char* local) {
  return xml::Child(b.Workbook.document_element(), local);
}

bool IsXmlPart(std::string_view name) {
  const std::string lower = AsciiLower(name);
  return EndsWith(lower, ".xml") || EndsWith(lower, ".rels") || EndsWith(lower, ".vml");
}

}  // namespace

std::string RenameSheetRefs(std::string_view formula, std::string_view from, std::string_view to) {
  auto nameChar = [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '.' ||
           static_cast<unsigned char>(c) >= 0x80;
  };
  std::string out;
  std::size_t i = 0;
  while (i < formula.size()) {
    const char c = formula[i];
    if (c == '"') {  // a text constant, "" inside
      std::size_t k = i + 1;
      while (k < formula.size() && !(formula[k] == '"' && (k + 1 >= formula.size() || formula[k + 1] != '"'))) {
        k += formula[k] == '"' ? 2 : 1;
      }
      k = std::min(k + 1, formula.size());
      out.append(formula.substr(i, k - i));
      i = k;
      continue;
    }
    if (c == '#') {  // an error value: #REF!, #NAME? ...
      std::size_t k = i + 1;
      while (k < formula.size() && (nameChar(formula[k]) || formula[k] == '/')) ++k;
      if (k < formula.size() && (formula[k] == '!' || formula[k] == '?')) ++k;
      out.append(formula.substr(i, k - i));
      i = k;
      continue;
    }
    std::string sheet;
    std::size_t k = i;
    if (c == '\'') {
      for (k = i + 1; k < formula.size(); ++k) {
        if (formula[k] == '\'') {
          if (k + 1 < formula.size() && formula[k + 1] == '\'') {
            sheet += '\'';
            ++k;
            continue;
          }
          break;
        }
        sheet += formula[k];
      }
      ++k;
    } else if (nameChar(c) && (i == 0 || !nameChar(formula[i - 1]))) {
      while (k < formula.size() && nameChar(formula[k])) ++k;
      sheet = std::string(formula.substr(i, k - i));
    } else {
      out += c;
      ++i;
      continue;
    }
    if (k < formula.size() && formula[k] == '!' && SameName(sheet, from)) {
      out += QuoteSheetName(to);
    } else {
      out.append(formula.substr(i, std::min(k, formula.size()) - i));
    }
    i = std::min(k, formula.size());
  }
  return out;
}

bool ValidSheetName(std::string_view name) {
  const std::size_t units = xml::Utf16Length(name);
  return units >= 1 && units <= 31 && xml::IsSafeText(name) &&
         name.find_first_of("[]:*?/\\") == std::string_view::npos && name.front() != '\'' && name.back() != '\'';
}

// ---- TWorkbook::TImpl ----

int TWorkbook::TImpl::IndexOf(const TSheet& sheet) const {
  for (std::size_t i = 0; i < Sheets.size(); ++i) {
    if (Sheets[i].get() == &sheet) return static_cast<int>(i);
  }
  return -1;
}

std::string TWorkbook::TImpl::NewRelId() {
  int maxId = 0;
  for (pugi::xml_node r : WorkbookRels.document_element().children()) {
    std::string_view id = r.attribute("Id").value();
    if (id.size() > 3 && id.substr(0, 3) == "rId") maxId = std::max(maxId, std::atoi(std::string(id.substr(3)).c_str()));
  }
  return "rId" + std::to_string(maxId + 1);
}

int TWorkbook::TImpl::NewSheetId() const {
  int maxId = 0;
  for (const auto& s : Sheets) maxId = std::max(maxId, s->Meta.SheetId);
  for (const auto& s : Graveyard) maxId = std::max(maxId, s->Meta.SheetId);
  return maxId + 1;
}

std::string TWorkbook::TImpl::FreePartName(const std::string& like) {
  // "xl/charts/chart1.xml" -> "xl/charts/chart<N>.xml" with the first free N.
  const auto dot = like.rfind('.');
  std::size_t stemEnd = dot == std::string::npos ? like.size() : dot;
  std::size_t digits = stemEnd;
  while (digits > 0 && like[digits - 1] >= '0' && like[digits - 1] <= '9') --digits;
  const std::string stem = like.substr(0, digits);
  const std::string ext = like.substr(stemEnd);
  for (int n = 1;; ++n) {
    std::string name = stem + std::to_string(n) + ext;
    if (PartNames.count(name) == 0) {
      PartNames.insert(name);
      return name;
    }
  }
}

std::string TWorkbook::TImpl::ContentTypeOf(const std::string& part) {
  for (pugi::xml_node o : ContentTypes.document_element().children("Override")) {
    if (std::string_view(o.attribute("PartName").value()) == "/" + part) return o.attribute("ContentType").value();
  }
  return {};
}

void TWorkbook::TImpl::SetOverride(const std::string& part, const std::string& type) {
  const std::string name = "/" + part;
  pugi::xml_node root = ContentTypes.document_element();
  for (pugi::xml_node o : root.children("Override")) {
    if (name == o.attribute("PartName").value()) {
      o.attribute("ContentType").set_value(type.c_str());
      return;
    }
  }
  pugi::xml_node o = root.append_child("Override");
  o.append_attribute("PartName").set_value(name.c_str());
  o.append_attribute("ContentType").set_value(type.c_str());
}

std::string TWorkbook::TImpl::CopyPartTree(const std::string& part, std::map<std::string, std::string>& copied) {
  // Every part reachable from `part` gets its copy first, then each copy's
  // relationships are pointed at the copies: a loop, not a recursion, since
  // the relationships come from the file and may chain through thousands of
  // parts.
  std::vector<std::string> order;
  std::vector<std::string> todo{part};
  while (!todo.empty()) {
    const std::string p = todo.back();
    todo.pop_back();
    if (copied.count(p) != 0) continue;
    const std::string copy = FreePartName(p);
    copied[p] = copy;
    order.push_back(p);
    const std::string rels = xml::RelsPathOf(p);
    auto it = Parts.find(rels);
    if (it == Parts.end()) continue;
    pugi::xml_document doc;
    xml::Load(doc, it->second, rels);
    for (pugi::xml_node r : doc.document_element().children("Relationship")) {
      if (std::string_view(r.attribute("TargetMode").value()) == "External") continue;
      const std::string target = xml::ResolveTarget(p, r.attribute("Target").value());
      if (Parts.count(target) != 0 && copied.count(target) == 0) todo.push_back(target);
    }
  }
  for (const std::string& p : order) {
    const std::string& copy = copied[p];
    Parts[copy] = Parts[p];
    if (std::string type = ContentTypeOf(p); !type.empty()) SetOverride(copy, type);
    const std::string rels = xml::RelsPathOf(p);
    auto it = Parts.find(rels);
    if (it == Parts.end()) continue;
    pugi::xml_document doc;
    xml::Load(doc, it->second, rels);
    for (pugi::xml_node r : doc.document_element().children("Relationship")) {
      if (std::string_view(r.attribute("TargetMode").value()) == "External") continue;
      const std::string target = xml::ResolveTarget(p, r.attribute("Target").value());
      auto c = copied.find(target);
      if (c == copied.end()) continue;
      r.attribute("Target").set_value(xml::RelativeTarget(copy, c->second).c_str());
    }
    const std::string copyRels = xml::RelsPathOf(copy);
    PartNames.insert(copyRels);
    Parts[copyRels] = xml::Save(doc);
  }
  return copied[part];
}

// ---- opening ----

TWorkbook::TWorkbook() : impl_(std::make_unique<TImpl>()) {}
TWorkbook::~TWorkbook() = default;

namespace {

struct TRel {
  std::string Type, Target;
};

std::map<std::string, TRel> ReadRels(const std::map<std::string, std::string>& parts, const std::string& part,
                                     pugi::xml_document* keep = nullptr) {
  std::map<std::string, TRel> out;
  const std::string path = xml::RelsPathOf(part);
  auto it = parts.find(path);
  if (it == parts.end()) return out;
  pugi::xml_document local;
  pugi::xml_document& doc = keep != nullptr ? *keep : local;
  xml::Load(doc, it->second, path);
  std::set<std::string_view> ids;
  for (pugi::xml_node r : doc.document_element().children("Relationship")) {
    // Readers differ on which of two like ids they take; such a part is
    // refused rather than read one way and checked another.
    if (!ids.insert(r.attribute("Id").value()).second) {
      throw TOleError(kErrFileOpen, "Поврежден элемент книги " + path + ": повторяется идентификатор " +
                                        r.attribute("Id").value());
    }
    if (std::string_view(r.attribute("TargetMode").value()) == "External") continue;
    out[r.attribute("Id").value()] = {r.attribute("Type").value(), xml::ResolveTarget(part, r.attribute("Target").value())};
  }
  return out;
}

std::vector<std::uint32_t> ReadSharedStrings(TWorkbook::TImpl& b, const std::string& data, const std::string& part) {
  pugi::xml_document doc;
  xml::Load(doc, data, part);
  std::vector<std::uint32_t> ids;
  for (pugi::xml_node si : doc.document_element().children()) {
    if (si.type() != pugi::node_element || xml::LocalName(si) != "si") continue;
    bool rich = false;
    std::string text;
    for (pugi::xml_node n : si.children()) {
      if (xml::LocalName(n) == "t") text += n.text().get();
      if (xml::LocalName(n) == "r") {
        rich = true;
        text += xml::Child(n, "t").text().get();
      }
    }
    text = xml::DecodeSpreadsheetText(text);
    // A text no cell may hold is cut; a rich one loses its runs then.
    const std::string fitted = xml::FitCellText(text);
    if (fitted != text) {
      ids.push_back(b.Strings.Intern(fitted));
      continue;
    }
    if (rich) {
      const std::uint32_t id = b.Strings.Add(text);
      std::string inner;
      struct W : pugi::xml_writer {
        std::string& o;
        explicit W(std::string& s) : o(s) {}
        void write(const void* d, size_t n) override { o.append(static_cast<const char*>(d), n); }
      } w(inner);
      for (pugi::xml_node n : si.children()) n.print(w, "", pugi::format_raw);
      b.RichStrings[id] = std::move(inner);
      ids.push_back(id);
    } else {
      ids.push_back(b.Strings.Intern(text));
    }
  }
  return ids;
}

}  // namespace

void LoadChart(TWorkbook::TImpl& b, TChart& chart, const std::string& sheetPart) {
  TChart::TImpl& c = chart.Impl();
  for (const auto& [id, rel] : ReadRels(b.Parts, sheetPart)) {
    if (!EndsWith(rel.Type, "/drawing")) continue;
    c.DrawingPart = rel.Target;
    for (const auto& [id2, rel2] : ReadRels(b.Parts, rel.Target)) {
      if (!EndsWith(rel2.Type, "/chart")) continue;
      auto it = b.Parts.find(rel2.Target);
      if (it == b.Parts.end()) continue;
      c.ChartPart = rel2.Target;
      xml::Load(c.Doc, it->second, rel2.Target);
      b.Parts.erase(it);
      c.HasChart = true;
      return;
    }
  }
}

std::unique_ptr<TWorkbook> TWorkbook::Open(const std::filesystem::path& path) {
  std::unique_ptr<TWorkbook> book(new TWorkbook());
  TImpl& b = *book->impl_;
  b.Parts = ReadZip(path);
  for (const auto& [name, data] : b.Parts) b.PartNames.insert(name);
  auto need = [&](const std::string& name) -> std::string& {
    auto it = b.Parts.find(name);
    if (it == b.Parts.end()) throw TOleError(kErrFileOpen, "Файл " + path.string() + " не является книгой: нет " + name);
    return it->second;
  };
  xml::Load(b.ContentTypes, need("[Content_Types].xml"), "[Content_Types].xml");
  // Parts are carried over as they are: one a strict reader refuses would
  // make every report made from the template unreadable. XML is known by
  // its name or by the type the package gives it.
  std::set<std::string> xmlExtensions;
  for (pugi::xml_node d : b.ContentTypes.document_element().children("Default")) {
    if (EndsWith(d.attribute("ContentType").value(), "xml")) xmlExtensions.insert(AsciiLower(d.attribute("Extension").value()));
  }
  auto isXml = [&](const std::string& name) {
    const auto dot = name.rfind('.');
    return IsXmlPart(name) || (dot != std::string::npos && xmlExtensions.count(AsciiLower(name.substr(dot + 1))) != 0) ||
           EndsWith(b.ContentTypeOf(name), "xml");
  };
  for (const auto& [name, data] : b.Parts) {
    if (!isXml(name)) continue;
    if (std::string why = xml::PartTextProblem(data); !why.empty()) {
      throw TOleError(kErrFileOpen, "Поврежден элемент книги " + name + ": " + why);
    }
  }
  for (const auto& [id, rel] : ReadRels(b.Parts, "")) {
    if (rel.Type == kRelOfficeDocument) b.WorkbookPart = rel.Target;
  }
  if (b.WorkbookPart.empty()) throw TOleError(kErrFileOpen, "Файл " + path.string() + " не является книгой");
  xml::Load(b.Workbook, need(b.WorkbookPart), b.WorkbookPart);
  b.Parts.erase(b.WorkbookPart);
  const std::map<std::string, TRel> rels = ReadRels(b.Parts, b.WorkbookPart, &b.WorkbookRels);

  std::vector<std::uint32_t> sst;
  for (const auto& [id, rel] : rels) {
    if (rel.Type != kRelSharedStrings) continue;
    if (!xml::IsPartName(rel.Target)) {
      // A target that names no part ("", a folder, outside the package):
      // the relationship goes and the table is written under a name of its own.
      pugi::xml_node root = b.WorkbookRels.document_element();
      for (pugi::xml_node r : root.children("Relationship")) {
        if (id == r.attribute("Id").value()) {
          root.remove_child(r);
          break;
        }
      }
      continue;
    }
    b.SharedStringsPart = rel.Target;
    if (auto it = b.Parts.find(rel.Target); it != b.Parts.end()) {
      sst = ReadSharedStrings(b, it->second, rel.Target);
      b.Parts.erase(it);
    }
  }

  // A book without a table of its own gets one, under a name no part has
  // (a part still unread under the usual name is something else).
  if (b.Parts.count(b.SharedStringsPart) != 0) {
    b.SharedStringsPart = b.FreePartName(b.SharedStringsPart);
  }
  pugi::xml_node sheets = WorkbookChild(b, "sheets");
  for (pugi::xml_node s : sheets.children()) {
    if (s.type() != pugi::node_element) continue;
    const std::string relId = xml::AttrEndingWith(s, "id").value();
    auto rel = rels.find(relId);
    if (rel == rels.end()) throw TOleError(kErrFileOpen, "Нет листа " + std::string(s.attribute("name").value()));
    std::unique_ptr<TSheet> sheet;
    if (EndsWith(rel->second.Type, "/worksheet")) {
      auto ws = std::make_unique<TWorksheet>(*book);
      ParseWorksheet(b, *ws, need(rel->second.Target), rel->second.Target, sst);
      b.Parts.erase(rel->second.Target);
      sheet = std::move(ws);
    } else if (EndsWith(rel->second.Type, "/chartsheet")) {
      // Its part is passed through on saving: a sheet without one would
      // make a book that no reader (ours included) opens.
      (void)need(rel->second.Target);
      auto ch = std::make_unique<TChart>(*book);
      LoadChart(b, *ch, rel->second.Target);
      sheet = std::move(ch);
    } else {
      (void)need(rel->second.Target);
      sheet = std::make_unique<TOtherSheet>(*book);
    }
    sheet->Meta.Name = s.attribute("name").value();
    if (!ValidSheetName(sheet->Meta.Name)) {
      throw TOleError(kErrFileOpen, "Недопустимое имя листа " + sheet->Meta.Name + " в книге " + path.string());
    }
    if (book->FindSheet(sheet->Meta.Name) != nullptr) {
      throw TOleError(kErrFileOpen, "Лист с именем " + sheet->Meta.Name + " повторяется в книге " + path.string());
    }
    sheet->Meta.RelId = relId;
    sheet->Meta.Part = rel->second.Target;
    sheet->Meta.State = s.attribute("state").value();
    sheet->Meta.SheetId = s.attribute("sheetId").as_int();
    b.Sheets.push_back(std::move(sheet));
  }
  if (b.Sheets.empty()) throw TOleError(kErrFileOpen, "В книге " + path.string() + " нет листов");
  // The parts left are carried over unread: each must at least be XML a
  // reader takes, or the saved report would be refused for them.
  for (const auto& [name, data] : b.Parts) {
    if (!isXml(name)) continue;
    pugi::xml_document doc;
    xml::Load(doc, data, name);
  }
  const int active = xml::Child(WorkbookChild(b, "bookViews"), "workbookView").attribute("activeTab").as_int(0);
  b.Selected = b.Sheets[static_cast<std::size_t>(std::clamp<int>(active, 0, static_cast<int>(b.Sheets.size()) - 1))].get();
  return book;
}

// ---- sheets and names ----

std::vector<TSheet*> TWorkbook::Sheets() const {
  std::vector<TSheet*> out;
  for (const auto& s : impl_->Sheets) out.push_back(s.get());
  return out;
}

TSheet* TWorkbook::FindSheet(std::string_view name) const {
  for (const auto& s : impl_->Sheets) {
    if (s->Meta.Name == name) return s.get();
  }
  for (const auto& s : impl_->Sheets) {
    if (SameName(s->Meta.Name, name)) return s.get();
  }
  return nullptr;
}

TWorksheet& TWorkbook::Worksheets(int index) {
  int n = 0;
  for (const auto& s : impl_->Sheets) {
    if (auto* ws = dynamic_cast<TWorksheet*>(s.get()); ws != nullptr && ++n == index) return *ws;
  }
  throw TOleError(kErrBadIndex, "Нет рабочего листа с номером " + std::to_string(index));
}

TChart& TWorkbook::Charts(int index) {
  int n = 0;
  for (const auto& s : impl_->Sheets) {
    if (auto* ch = dynamic_cast<TChart*>(s.get()); ch != nullptr && ++n == index) return *ch;
  }
  throw TOleError(kErrBadIndex, "Нет листа диаграммы с номером " + std::to_string(index));
}

int TWorkbook::WorksheetCount() const {
  int n = 0;
  for (const auto& s : impl_->Sheets) n += dynamic_cast<TWorksheet*>(s.get()) != nullptr ? 1 : 0;
  return n;
}

int TWorkbook::ChartCount() const {
  int n = 0;
  for (const auto& s : impl_->Sheets) n += dynamic_cast<TChart*>(s.get()) != nullptr ? 1 : 0;
  return n;
}

std::vector<std::pair<std::string, std::string>> TWorkbook::Names() const {
  std::vector<std::pair<std::string, std::string>> out;
  for (pugi::xml_node n : xml::Child(impl_->Workbook.document_element(), "definedNames").children()) {
    if (n.type() != pugi::node_element || n.attribute("localSheetId")) continue;
    out.emplace_back(n.attribute("name").value(), n.text().get());
  }
  return out;
}

TRange TWorkbook::Range(std::string_view name) {
  TImpl& b = *impl_;
  if (!b.NameCacheValid) {
    b.NameCache.clear();
    for (pugi::xml_node n : xml::Child(b.Workbook.document_element(), "definedNames").children()) {
      if (n.type() != pugi::node_element || n.attribute("localSheetId")) continue;
      // The first definition of a name is the one that counts.
      auto [it, added] = b.NameCache.try_emplace(xml::FoldCase(n.attribute("name").value()));
      if (!added) continue;
      std::string sheetName;
      TArea area;
      if (!ParseSheetArea(n.text().get(), sheetName, area)) continue;
      if (auto* ws = dynamic_cast<TWorksheet*>(FindSheet(sheetName))) it->second = {ws, area};
    }
    b.NameCacheValid = true;
  }
  auto it = b.NameCache.find(xml::FoldCase(name));
  if (it == b.NameCache.end() || it->second.Sheet == nullptr) {
    throw TOleError(kErrGeneric, "Не найдено имя ячейки " + std::string(name));
  }
  return TRange(*it->second.Sheet, it->second.Area);
}

void TSheet::CheckAlive() const {
  if (Meta.Deleted) throw TOleError(kErrGeneric, "Лист " + Meta.Name + " удален");
}

void TSheet::SetName(std::string_view name) {
  CheckAlive();
  if (!ValidSheetName(name)) throw TOleError(kErrGeneric, "Недопустимое имя листа " + xml::SafeText(name));
  TSheet* other = book_->FindSheet(name);
  if (other != nullptr && other != this) throw TOleError(kErrGeneric, "Лист с именем " + std::string(name) + " уже есть");
  // Names, formulas and chart series that refer to the old name follow it,
  // written the way a reader expects the new one (quoted when it must be).
  TWorkbook::TImpl& b = book_->Impl();
  for (pugi::xml_node n : WorkbookChild(b, "definedNames").children()) {
    if (n.type() != pugi::node_element) continue;
    const std::string text = n.text().get();
    if (std::string changed = RenameSheetRefs(text, Meta.Name, name); changed != text) n.text().set(changed.c_str());
  }
  for (std::size_t id = 0; id < b.Formulas.Size(); ++id) {
    const std::string& f = b.Formulas.Get(static_cast<std::uint32_t>(id));
    if (f.find('!') == std::string::npos) continue;
    if (std::string changed = RenameSheetRefs(f, Meta.Name, name); changed != f) {
      b.Formulas.Replace(static_cast<std::uint32_t>(id), std::move(changed));
    }
  }
  for (const auto& s : b.Sheets) {
    auto* chart = dynamic_cast<TChart*>(s.get());
    if (chart == nullptr || !chart->Impl().HasChart) continue;
    for (pugi::xml_node ser : chart->Impl().Series()) {
      for (pugi::xml_node data : ser.children()) {  // tx, cat, val, xVal, yVal ...
        for (pugi::xml_node ref : data.children()) {
          pugi::xml_node f = xml::Child(ref, "f");
          const std::string text = f.text().get();
          if (!f || text.empty()) continue;
          if (std::string changed = RenameSheetRefs(text, Meta.Name, name); changed != text) {
            f.text().set(changed.c_str());
          }
        }
      }
    }
  }
  Meta.Name = std::string(name);
  book_->Impl().NameCacheValid = false;
}

void TSheet::Select() {
  CheckAlive();
  book_->Impl().Selected = this;
}

void TSheet::Delete() {
  CheckAlive();
  TWorkbook::TImpl& b = book_->Impl();
  if (b.Sheets.size() <= 1) throw TOleError(kErrGeneric, "Нельзя удалить единственный лист книги");
  const int index = b.IndexOf(*this);
  // Names: local ones of this sheet and global ones pointing into it go;
  // local ones of later sheets follow their sheet's new position.
  pugi::xml_node names = WorkbookChild(b, "definedNames");
  const std::string quoted = QuoteSheetName(Meta.Name) + "!";
  const std::string plainQuoted = "'" + Meta.Name + "'!";
  // A template made elsewhere may name a sheet of letters and digits bare,
  // Cyrillic ones too.
  const bool bareName = std::all_of(Meta.Name.begin(), Meta.Name.end(), [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 0x80 || std::isalnum(u) || c == '_' || c == '.';
  });
  const std::string bare = bareName ? Meta.Name + "!" : quoted;
  for (pugi::xml_node n = names.first_child(); n;) {
    pugi::xml_node next = n.next_sibling();
    if (n.type() == pugi::node_element) {
      bool drop = false;
      if (pugi::xml_attribute local = n.attribute("localSheetId")) {
        if (local.as_int() == index) drop = true;
        else if (local.as_int() > index) local.set_value(local.as_int() - 1);
      }
      std::string sheetName;
      TArea area;
      const std::string text = n.text().get();
      if (ParseSheetArea(text, sheetName, area) ? SameName(sheetName, Meta.Name)
                                                : (text.find(quoted) != std::string::npos ||
                                                   text.find(plainQuoted) != std::string::npos ||
                                                   text.find(bare) != std::string::npos)) {
        drop = true;
      }
      if (drop) names.remove_child(n);
    }
    n = next;
  }
  if (names && !names.find_child([](pugi::xml_node c) { return c.type() == pugi::node_element; })) {
    b.Workbook.document_element().remove_child(names);
  }
  // Formulas elsewhere that point here become #REF!, as the application does.
  for (std::size_t id = 0; id < b.Formulas.Size(); ++id) {
    const std::string& f = b.Formulas.Get(static_cast<std::uint32_t>(id));
    if (f.find('!') == std::string::npos) continue;
    std::string changed = FormulaDropSheet(f, Meta.Name);
    if (changed != f) b.Formulas.Replace(static_cast<std::uint32_t>(id), std::move(changed));
  }
  // So do chart series that take their values or labels from here; a
  // reference to a sheet that is gone would make the file unreadable.
  for (const auto& s : b.Sheets) {
    auto* chart = dynamic_cast<TChart*>(s.get());
    if (chart == nullptr || chart == this || !chart->Impl().HasChart) continue;
    for (pugi::xml_node ser : chart->Impl().Series()) {
      for (pugi::xml_node data : ser.children()) {
        for (pugi::xml_node ref : data.children()) {
          const std::string_view kind = xml::LocalName(ref);
          if (kind != "numRef" && kind != "strRef") continue;
          pugi::xml_node f = xml::Child(ref, "f");
          std::string sheetName;
          TArea area;
          if (f && ParseSheetArea(f.text().get(), sheetName, area) && SameName(sheetName, Meta.Name)) {
            f.text().set("#REF!");
          }
        }
      }
    }
  }
  pugi::xml_node rels = b.WorkbookRels.document_element();
  for (pugi::xml_node r : rels.children("Relationship")) {
    if (Meta.RelId == r.attribute("Id").value()) {
      rels.remove_child(r);
      break;
    }
  }
  Meta.Deleted = true;
  b.NameCacheValid = false;
  b.Graveyard.push_back(std::move(b.Sheets[static_cast<std::size_t>(index)]));
  b.Sheets.erase(b.Sheets.begin() + index);
  if (b.Selected == this) b.Selected = b.Sheets.front().get();
}

// ---- saving ----

namespace {

std::string SharedStringsXml(const TWorkbook::TImpl& b) {
  std::string out =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
      "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" count=\"";
  out += std::to_string(b.Strings.Size()) + "\" uniqueCount=\"" + std::to_string(b.Strings.Size()) + "\">";
  for (std::size_t i = 0; i < b.Strings.Size(); ++i) {
    auto rich = b.RichStrings.find(static_cast<std::uint32_t>(i));
    if (rich != b.RichStrings.end()) {
      out += "<si>" + rich->second + "</si>";
      continue;
    }
    const std::string& s = b.Strings.Get(static_cast<std::uint32_t>(i));
    const bool keepSpace = !s.empty() && (s.front() == ' ' || s.back() == ' ' || s.find("  ") != std::string::npos ||
                                          s.find_first_of("\t\n\r") != std::string::npos);
    out += keepSpace ? "<si><t xml:space=\"preserve\">" : "<si><t>";
    xml::AppendSpreadsheetText(out, s);
    out += "</t></si>";
  }
  out += "</sst>";
  return out;
}

}  // namespace

void TWorkbook::SaveAs(const std::filesystem::path& path) {
  Save([&](TZipWriter& zip) { zip.Write(path); });
}

void TWorkbook::SaveTo(int fd, const std::filesystem::path& shownAs) {
  Save([&](TZipWriter& zip) { zip.WriteTo(fd, shownAs); });
}

void TWorkbook::Save(const std::function<void(TZipWriter&)>& write) {
  TImpl& b = *impl_;
  std::map<std::string, std::string> out = b.Parts;
  std::map<std::string, std::unique_ptr<IZipStream>> streams;

  // Workbook relationships: no calculation chain (the formulas changed), a
  // shared-string table always.
  pugi::xml_node rels = b.WorkbookRels.document_element();
  if (!rels) rels = b.WorkbookRels.append_child("Relationships");
  if (!rels.attribute("xmlns")) rels.append_attribute("xmlns").set_value("http://schemas.openxmlformats.org/package/2006/relationships");
  bool haveSst = false;
  for (pugi::xml_node r = rels.first_child(); r;) {
    pugi::xml_node next = r.next_sibling();
    const std::string_view type = r.attribute("Type").value();
    // Only what a reader takes for a relationship counts as one.
    if (std::string_view(r.name()) == "Relationship") {
      if (EndsWith(type, "/calcChain")) rels.remove_child(r);
      if (type == kRelSharedStrings) haveSst = true;
    }
    r = next;
  }
  if (!haveSst) {
    pugi::xml_node r = rels.append_child("Relationship");
    r.append_attribute("Id").set_value(b.NewRelId().c_str());
    r.append_attribute("Type").set_value(kRelSharedStrings);
    r.append_attribute("Target").set_value(xml::RelativeTarget(b.WorkbookPart, b.SharedStringsPart).c_str());
  }
  out[b.SharedStringsPart] = SharedStringsXml(b);
  b.SetOverride(b.SharedStringsPart, kTypeSharedStrings);

  // The sheet list, in tab order.
  pugi::xml_node root = b.Workbook.document_element();
  pugi::xml_node sheets = xml::Child(root, "sheets");
  while (pugi::xml_node n = sheets.first_child()) sheets.remove_child(n);
  int selectedIndex = 0;
  for (std::size_t i = 0; i < b.Sheets.size(); ++i) {
    TSheet& s = *b.Sheets[i];
    if (&s == b.Selected) selectedIndex = static_cast<int>(i);
    pugi::xml_node n = sheets.append_child("sheet");
    n.append_attribute("name").set_value(s.Meta.Name.c_str());
    n.append_attribute("sheetId").set_value(s.Meta.SheetId);
    if (!s.Meta.State.empty()) n.append_attribute("state").set_value(s.Meta.State.c_str());
    n.append_attribute("r:id").set_value(s.Meta.RelId.c_str());
  }
  if (!root.attribute("xmlns:r")) root.append_attribute("xmlns:r").set_value(kRelNs);
  for (std::size_t i = 0; i < b.Sheets.size(); ++i) {
    TSheet& s = *b.Sheets[i];
    const bool selected = static_cast<int>(i) == selectedIndex;
    if (auto* ws = dynamic_cast<TWorksheet*>(&s)) {
      streams[s.Meta.Part] = MakeSheetStream(b, *ws, selected);
      out.erase(s.Meta.Part);
    } else if (auto* ch = dynamic_cast<TChart*>(&s)) {
      if (auto it = out.find(s.Meta.Part); it != out.end()) {
        pugi::xml_document doc;
        xml::Load(doc, it->second, s.Meta.Part);
        SetTabSelected(doc.document_element(), selected);
        it->second = xml::Save(doc);
      }
      if (ch->Impl().HasChart) out[ch->Impl().ChartPart] = xml::Save(ch->Impl().Doc);
    }
  }
  pugi::xml_node views = xml::Child(root, "bookViews");
  if (pugi::xml_node view = xml::Child(views, "workbookView")) {
    if (!view.attribute("activeTab")) view.append_attribute("activeTab");
    view.attribute("activeTab").set_value(selectedIndex);
    if (view.attribute("firstSheet")) view.attribute("firstSheet").set_value(0);
  }
  // Everything is recalculated when the file is opened: the engine stores
  // formulas without results.
  pugi::xml_node calc = xml::Child(root, "calcPr");
  if (!calc) {
    pugi::xml_node after = xml::Child(root, "definedNames");
    if (!after) after = sheets;
    calc = root.insert_child_after("calcPr", after);
  }
  if (!calc.attribute("fullCalcOnLoad")) calc.append_attribute("fullCalcOnLoad");
  calc.attribute("fullCalcOnLoad").set_value(1);
  out[b.WorkbookPart] = xml::Save(b.Workbook);
  out[xml::RelsPathOf(b.WorkbookPart)] = xml::Save(b.WorkbookRels);
  b.SetOverride(b.WorkbookPart, kTypeWorkbook);

  // Only parts still reachable from the package relationships are written.
  std::set<std::string> reach;
  std::vector<std::string> todo{""};
  while (!todo.empty()) {
    const std::string part = todo.back();
    todo.pop_back();
    const std::string relsPath = xml::RelsPathOf(part);
    auto it = out.find(relsPath);
    if (it == out.end()) continue;
    reach.insert(relsPath);
    pugi::xml_document doc;
    xml::Load(doc, it->second, relsPath);
    pugi::xml_node relRoot = doc.document_element();
    bool changed = false;
    for (pugi::xml_node r = relRoot.first_child(); r;) {
      pugi::xml_node next = r.next_sibling();
      if (r.type() == pugi::node_element && std::string_view(r.attribute("TargetMode").value()) != "External") {
        const std::string target = xml::ResolveTarget(part, r.attribute("Target").value());
        if (out.count(target) == 0 && streams.count(target) == 0) {
          relRoot.remove_child(r);  // no dangling relationships
          changed = true;
        } else if (reach.insert(target).second) {
          todo.push_back(target);
        }
      }
      r = next;
    }
    if (changed) it->second = xml::Save(doc);
  }
  pugi::xml_node types = b.ContentTypes.document_element();
  for (pugi::xml_node o = types.first_child(); o;) {
    pugi::xml_node next = o.next_sibling();
    if (std::string_view(o.name()) == "Override") {
      std::string_view name = o.attribute("PartName").value();
      if (!name.empty() && name.front() == '/') name.remove_prefix(1);
      if (reach.count(std::string(name)) == 0) types.remove_child(o);
    }
    o = next;
  }

  TZipWriter zip;
  zip.Add("[Content_Types].xml", xml::Save(b.ContentTypes));
  if (auto it = out.find("_rels/.rels"); it != out.end()) zip.Add(it->first, it->second);
  for (auto& [name, data] : out) {
    if (name == "_rels/.rels" || name == "[Content_Types].xml" || reach.count(name) == 0) continue;
    zip.Add(name, std::move(data));
  }
  for (auto& [name, stream] : streams) zip.Add(name, std::move(stream));
  write(zip);
}

// ---- TExcelApp ----

TWorkbook& TExcelApp::Open(const std::filesystem::path& path) {
  books_.push_back(TWorkbook::Open(path));
  quit_ = false;
  return *books_.back();
}

TWorkbook& TExcelApp::ActiveWorkbook() {
  if (books_.empty()) throw TOleError(kErrGeneric, "Нет открытой книги");
  return *books_.back();
}

TWorkbook& TExcelApp::Workbook(int index) {
  if (index < 1 || index > static_cast<int>(books_.size())) {
    throw TOleError(kErrBadIndex, "Нет книги с номером " + std::to_string(index));
  }
  return *books_[static_cast<std::size_t>(index) - 1];
}

void TExcelApp::Quit() {
  books_.clear();
  quit_ = true;
}

}  // namespace vedograf
