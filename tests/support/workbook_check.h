#pragma once
// An independent look at a saved .xlsx: what a strict reader (the desktop
// spreadsheet application, which "repairs" or refuses a file instead of
// opening it) would object to. It reads the zip with libzip and the parts with
// pugixml itself and shares no code with the engine, so a fault of the engine
// cannot hide in both.
//
// Header-only so that every test folder, and the loader's fuzz target, can
// route its saved workbooks through it without a library of its own.

#include <pugixml.hpp>
#include <zip.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace vedograf::test {

namespace workbook_check {

inline constexpr std::size_t kMaxCellChars = 32767;  // UTF-16 units

// Decodes one UTF-8 character at s[i]; 0 when the bytes are no valid UTF-8.
inline std::size_t Utf8At(std::string_view s, std::size_t i, char32_t& cp) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  std::size_t n = b0 < 0x80 ? 1 : (b0 & 0xE0) == 0xC0 ? 2 : (b0 & 0xF0) == 0xE0 ? 3 : (b0 & 0xF8) == 0xF0 ? 4 : 0;
  if (n == 0 || i + n > s.size()) return 0;
  cp = n == 1 ? b0 : n == 2 ? (b0 & 0x1F) : n == 3 ? (b0 & 0x0F) : (b0 & 0x07);
  for (std::size_t k = 1; k < n; ++k) {
    const auto b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b & 0x3F);
  }
  const bool overlong = (n == 2 && cp < 0x80) || (n == 3 && cp < 0x800) || (n == 4 && cp < 0x10000);
  if (overlong || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return n;
}

// The Char production of XML 1.0.
inline bool XmlChar(char32_t c) {
  return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
         (c >= 0x10000 && c <= 0x10FFFF);
}

inline std::vector<char32_t> Chars(std::string_view s) {
  std::vector<char32_t> out;
  for (std::size_t i = 0; i < s.size();) {
    char32_t cp = 0xFFFD;
    const std::size_t n = Utf8At(s, i, cp);
    out.push_back(n == 0 ? 0xFFFD : cp);
    i += n == 0 ? 1 : n;
  }
  return out;
}

// Lower case for the scripts a tab name is written in here (Latin, Greek,
// Cyrillic): what the application folds when it compares sheet names.
inline char32_t Lower(char32_t c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 0x20;
  if (c >= 0x100 && c <= 0x17F) {
    const bool oddUpper = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if (c == 0x178) return 0xFF;
    if (c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149 && ((c % 2 == 1) == oddUpper)) return c + 1;
    return c;
  }
  if ((c >= 0x391 && c <= 0x3AB && c != 0x3A2) || (c >= 0x410 && c <= 0x42F)) return c + 0x20;
  if (c >= 0x400 && c <= 0x40F) return c + 0x50;
  if ((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF) || (c >= 0x4D0 && c <= 0x52F)) {
    return c % 2 == 0 ? c + 1 : c;
  }
  if (c >= 0x4C1 && c <= 0x4CE) return c % 2 == 1 ? c + 1 : c;
  if (c == 0x4C0) return 0x4CF;
  return c;
}

inline std::u32string Folded(std::string_view s) {
  std::u32string out;
  for (char32_t c : Chars(s)) out += Lower(c);
  return out;
}

inline std::size_t Utf16Units(std::string_view s) {
  std::size_t n = 0;
  for (char32_t c : Chars(s)) n += c > 0xFFFF ? 2 : 1;
  return n;
}

inline bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

// A stored string with its _xHHHH_ escapes undone, as a reader shows it.
inline std::string Unescaped(std::string_view s) {
  std::string out;
  for (std::size_t i = 0; i < s.size();) {
    if (i + 7 <= s.size() && s[i] == '_' && s[i + 1] == 'x' && IsHex(s[i + 2]) && IsHex(s[i + 3]) &&
        IsHex(s[i + 4]) && IsHex(s[i + 5]) && s[i + 6] == '_') {
      const auto cp = static_cast<char32_t>(std::stoul(std::string(s.substr(i + 2, 4)), nullptr, 16));
      if (cp < 0x80) {
        out += static_cast<char>(cp);
      } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
      } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
      }
      i += 7;
    } else {
      out += s[i++];
    }
  }
  return out;
}

// Bytes and character references XML 1.0 cannot carry. pugixml reads both
// without complaint, so the raw text is looked at.
inline void CheckXmlChars(const std::string& part, std::string_view data, std::vector<std::string>& problems) {
  for (std::size_t i = 0; i < data.size();) {
    char32_t cp = 0;
    const std::size_t n = Utf8At(data, i, cp);
    if (n == 0) {
      problems.push_back(part + ": byte " + std::to_string(i) + " is no UTF-8");
      return;
    }
    if (!XmlChar(cp)) {
      char hex[16];
      std::snprintf(hex, sizeof hex, "U+%04X", static_cast<unsigned>(cp));
      problems.push_back(part + ": character " + hex + " at byte " + std::to_string(i) + " is not allowed in XML");
      return;
    }
    if (cp == '&' && i + 2 < data.size() && data[i + 1] == '#') {
      const bool hex = data[i + 2] == 'x';
      std::size_t k = i + (hex ? 3 : 2);
      unsigned long long v = 0;
      while (k < data.size() && (hex ? IsHex(data[k]) : (data[k] >= '0' && data[k] <= '9')) && v <= 0x10FFFF) {
        v = v * (hex ? 16 : 10) + static_cast<unsigned>(IsHex(data[k]) && data[k] > '9' ? (data[k] | 0x20) - 'a' + 10
                                                                                        : data[k] - '0');
        ++k;
      }
      if (k >= data.size() || data[k] != ';' || v > 0x10FFFF || !XmlChar(static_cast<char32_t>(v))) {
        problems.push_back(part + ": character reference at byte " + std::to_string(i) + " names no XML character");
        return;
      }
    }
    i += n;
  }
}

inline std::string_view LocalName(pugi::xml_node n) {
  std::string_view s = n.name();
  const auto colon = s.find(':');
  return colon == std::string_view::npos ? s : s.substr(colon + 1);
}

inline pugi::xml_node Child(pugi::xml_node n, std::string_view local) {
  for (pugi::xml_node c : n.children()) {
    if (c.type() == pugi::node_element && LocalName(c) == local) return c;
  }
  return {};
}

inline std::string Dir(const std::string& part) {
  const auto slash = part.rfind('/');
  return slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
}

inline std::string Resolve(const std::string& source, std::string_view target) {
  if (!target.empty() && target.front() == '/') return std::string(target.substr(1));
  return std::filesystem::path(Dir(source) + std::string(target)).lexically_normal().generic_string();
}

inline std::string RelsOf(const std::string& part) { return Dir(part) + "_rels/" + part.substr(Dir(part).size()) + ".rels"; }

// "AB12", "$AB$12", "R1C1", "R", "C12", "R[1]"... read as a reference rather
// than a name by a formula parser.
inline bool LooksLikeCell(std::string_view s) {
  std::string u;
  for (char c : s) u += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
  std::size_t i = 0;
  long long col = 0;
  while (i < u.size() && u[i] >= 'A' && u[i] <= 'Z' && i < 4) col = col * 26 + (u[i++] - 'A' + 1);
  if (i > 0 && i <= 3 && i < u.size() && col <= 16384) {
    std::size_t k = i;
    long long row = 0;
    while (k < u.size() && u[k] >= '0' && u[k] <= '9' && row <= 1048576) row = row * 10 + (u[k++] - '0');
    if (k == u.size() && row >= 1 && row <= 1048576) return true;
  }
  // R1C1 forms: R, C, Rn, Cn, RnCn.
  auto number = [&](std::size_t& k) {
    while (k < u.size() && u[k] >= '0' && u[k] <= '9') ++k;
  };
  std::size_t k = 0;
  if (k < u.size() && u[k] == 'R') {
    ++k;
    number(k);
  }
  if (k < u.size() && u[k] == 'C') {
    ++k;
    number(k);
  }
  return k == u.size() && k > 0;
}

// How a sheet name must appear before "!" in a formula: bare only when it is
// plain ASCII letters, digits, "_" and "." not starting with a digit or dot
// and not readable as a reference; quoted otherwise, quotes doubled.
inline bool BareNameAllowed(std::string_view s) {
  if (s.empty() || (s.front() >= '0' && s.front() <= '9') || s.front() == '.') return false;
  for (char c : s) {
    const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '.';
    if (!ok) return false;
  }
  return !LooksLikeCell(s);
}

// Every sheet a formula text refers to, checking the quoting on the way.
inline void CheckFormulaRefs(const std::string& where, std::string_view f, const std::set<std::u32string>& sheets,
                             std::vector<std::string>& problems) {
  auto nameChar = [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '.' ||
           static_cast<unsigned char>(c) >= 0x80;
  };
  std::size_t i = 0;
  while (i < f.size()) {
    const char c = f[i];
    if (c == '"') {
      for (++i; i < f.size(); ++i) {
        if (f[i] == '"') {
          if (i + 1 < f.size() && f[i + 1] == '"') ++i;
          else break;
        }
      }
      ++i;
      continue;
    }
    if (c == '#') {  // an error value such as #REF! or #NAME?
      for (++i; i < f.size() && (nameChar(f[i]) || f[i] == '/'); ++i) {
      }
      if (i < f.size() && (f[i] == '!' || f[i] == '?')) ++i;
      continue;
    }
    if (c == '\'') {
      std::string name;
      std::size_t k = i + 1;
      bool closed = false;
      for (; k < f.size(); ++k) {
        if (f[k] == '\'') {
          if (k + 1 < f.size() && f[k + 1] == '\'') {
            name += '\'';
            ++k;
            continue;
          }
          closed = true;
          break;
        }
        name += f[k];
      }
      if (!closed || k + 1 >= f.size() || f[k + 1] != '!') {
        problems.push_back(where + ": quoted sheet name not closed before \"!\" in " + std::string(f));
        return;
      }
      if (name.find('[') == std::string::npos && sheets.count(Folded(name)) == 0) {
        problems.push_back(where + ": refers to no sheet '" + name + "' in " + std::string(f));
      }
      i = k + 2;
      continue;
    }
    if (nameChar(c)) {
      std::size_t k = i;
      while (k < f.size() && nameChar(f[k])) ++k;
      if (k < f.size() && f[k] == '!') {
        const std::string_view name = f.substr(i, k - i);
        if (!BareNameAllowed(name)) {
          problems.push_back(where + ": sheet name " + std::string(name) + " must be quoted in " + std::string(f));
        } else if (sheets.count(Folded(name)) == 0) {
          problems.push_back(where + ": refers to no sheet " + std::string(name) + " in " + std::string(f));
        }
        i = k + 1;
        continue;
      }
      i = k;
      continue;
    }
    ++i;
  }
}

inline bool ValidNumber(std::string_view s) {
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) ++i;
  std::size_t digits = 0;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) ++i;
    std::size_t exp = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++exp;
    if (exp == 0) return false;
  }
  return i == s.size();
}

// The name rules of the application: a letter, "_" or "\" first, then
// letters, digits, "_", "." or "\"; no reference look-alikes, 255 at most.
inline bool ValidDefinedName(std::string_view name) {
  const std::vector<char32_t> cs = Chars(name);
  if (cs.empty() || cs.size() > 255) return false;
  auto letter = [](char32_t c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= 0xC0 && c != 0xD7 && c != 0xF7 && c != 0xFFFD);
  };
  if (!letter(cs[0]) && cs[0] != '_' && cs[0] != '\\') return false;
  for (char32_t c : cs) {
    if (!letter(c) && !(c >= '0' && c <= '9') && c != '_' && c != '.' && c != '\\') return false;
  }
  return !LooksLikeCell(name);
}

inline std::string CellText(pugi::xml_node holder) {
  std::string out;
  for (pugi::xml_node n : holder.children()) {
    if (LocalName(n) == "t") out += n.text().get();
    if (LocalName(n) == "r") out += Child(n, "t").text().get();
  }
  return out;
}

}  // namespace workbook_check

struct TCheckScope {
  // Also what the engine carries over from its template unchanged: defined
  // names, references in formulas and charts, relationship ids, content
  // types of untouched parts, a calculation chain anywhere. Off for books
  // made from arbitrary files, where only what the engine itself guarantees
  // is looked at.
  bool Carried = true;
};

// Every problem of the workbook at `file`, one line each; empty when a strict
// reader would take it as it is.
inline std::vector<std::string> CheckWorkbook(const std::filesystem::path& file, TCheckScope scope = {}) {
  using namespace workbook_check;
  std::vector<std::string> problems;
  int code = 0;
  zip_t* z = zip_open(file.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
  if (z == nullptr) return {file.string() + ": no zip (libzip error " + std::to_string(code) + ")"};
  std::map<std::string, std::string> parts;
  const zip_int64_t count = zip_get_num_entries(z, 0);
  for (zip_int64_t i = 0; i < count; ++i) {
    const char* name = zip_get_name(z, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_GUESS);
    zip_file_t* f = name != nullptr ? zip_fopen_index(z, static_cast<zip_uint64_t>(i), 0) : nullptr;
    if (f == nullptr) {
      problems.push_back("entry " + std::to_string(i) + " cannot be read");
      continue;
    }
    std::string data;
    char buf[65536];
    for (zip_int64_t got; (got = zip_fread(f, buf, sizeof buf)) > 0;) data.append(buf, static_cast<std::size_t>(got));
    zip_fclose(f);
    if (!parts.emplace(name, std::move(data)).second) problems.push_back(std::string(name) + ": twice in the zip");
  }
  zip_discard(z);

  std::map<std::string, pugi::xml_document> docs;
  auto load = [&](const std::string& name, const std::string& data) {
    CheckXmlChars(name, data, problems);
    pugi::xml_document& d = docs[name];
    if (!d.load_buffer(data.data(), data.size(), pugi::parse_default | pugi::parse_declaration,
                       pugi::encoding_utf8)) {
      problems.push_back(name + ": no well-formed XML");
    } else if (data.find("<!DOCTYPE") != std::string::npos) {
      problems.push_back(name + ": has a document type declaration");
    } else {
      // pugixml takes what XML does not: several top-level elements, an XML
      // declaration with any attributes or after other nodes.
      int roots = 0;
      for (pugi::xml_node n : d.children()) {
        roots += n.type() == pugi::node_element ? 1 : 0;
        if (n.type() != pugi::node_declaration) continue;
        std::string attrs;
        for (pugi::xml_attribute a : n.attributes()) attrs += std::string(a.name()) + " ";
        if (n != d.first_child() || !(attrs == "version " || attrs == "version encoding " ||
                                      attrs == "version standalone " || attrs == "version encoding standalone ")) {
          problems.push_back(name + ": no well-formed XML declaration");
        }
      }
      if (roots != 1) problems.push_back(name + ": " + std::to_string(roots) + " top-level elements");
    }
  };
  // Parts known as XML by name at once, the rest when a relationship or a
  // content type says they are.
  for (const auto& [name, data] : parts) {
    if (name.ends_with(".xml") || name.ends_with(".rels") || name.ends_with(".vml")) load(name, data);
  }
  auto doc = [&](const std::string& part) -> pugi::xml_node {
    auto it = docs.find(part);
    if (it == docs.end()) {
      auto p = parts.find(part);
      if (p == parts.end()) return {};
      load(part, p->second);
      it = docs.find(part);
    }
    return it->second.document_element();
  };

  // Content types: every override names a part, every part has a type.
  std::set<std::string> defaults;
  std::map<std::string, std::string> overrides;
  for (pugi::xml_node t : doc("[Content_Types].xml").children()) {
    if (LocalName(t) == "Default") {
      std::string ext = t.attribute("Extension").value();
      for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      defaults.insert(ext);
    } else if (LocalName(t) == "Override") {
      std::string_view pn = t.attribute("PartName").value();
      if (pn.empty() || pn.front() != '/') {
        problems.push_back("[Content_Types].xml: part name " + std::string(pn) + " is not absolute");
        continue;
      }
      overrides[std::string(pn.substr(1))] = t.attribute("ContentType").value();
      if (parts.count(std::string(pn.substr(1))) == 0) {
        problems.push_back("[Content_Types].xml: names a missing part " + std::string(pn));
      }
    }
  }
  if (!doc("[Content_Types].xml")) problems.push_back("no [Content_Types].xml");
  for (const auto& [name, data] : parts) {
    if (name == "[Content_Types].xml" || name.ends_with("/")) continue;
    std::string ext = name.substr(name.rfind('.') == std::string::npos ? name.size() : name.rfind('.') + 1);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (scope.Carried && overrides.count(name) == 0 && defaults.count(ext) == 0) {
      problems.push_back(name + ": has no content type");
    }
  }

  // Relationships: internal targets exist, ids unique; no calculation chain.
  std::map<std::string, std::map<std::string, std::pair<std::string, std::string>>> rels;  // part -> id -> type, target
  for (const auto& [name, data] : parts) {
    if (scope.Carried && name.find("calcChain") != std::string::npos) problems.push_back(name + ": calculation chain left in");
    if (!name.ends_with(".rels")) continue;
    const auto at = name.rfind("_rels/");
    if (at == std::string::npos) {
      problems.push_back(name + ": relationships outside a _rels folder");
      continue;
    }
    const std::string source = name.substr(0, at) + name.substr(at + 6, name.size() - at - 6 - 5);
    if (!source.empty() && parts.count(source) == 0) problems.push_back(name + ": relationships of a missing part");
    for (pugi::xml_node r : doc(name).children()) {
      if (LocalName(r) != "Relationship") continue;
      const std::string id = r.attribute("Id").value();
      const std::string type = r.attribute("Type").value();
      if (type.ends_with("/calcChain") && scope.Carried) {
        problems.push_back(name + ": relationship to a calculation chain");
      }
      if (std::string_view(r.attribute("TargetMode").value()) == "External") continue;
      const std::string target = Resolve(source, r.attribute("Target").value());
      if (parts.count(target) == 0) problems.push_back(name + ": " + id + " points to missing " + target);
      if (!rels[source].emplace(id, std::make_pair(type, target)).second && scope.Carried) {
        problems.push_back(name + ": id " + id + " twice");
      }
    }
  }
  for (const auto& [part, type] : overrides) {
    if (scope.Carried && type.find("calcChain") != std::string::npos) {
      problems.push_back("[Content_Types].xml: calculation chain type");
    }
  }

  // The workbook part.
  std::string bookPart;
  for (const auto& [id, rel] : rels[""]) {
    if (rel.first.ends_with("/officeDocument")) bookPart = rel.second;
  }
  pugi::xml_node book = doc(bookPart);
  if (!book) {
    problems.push_back("no workbook part");
    return problems;
  }
  if (!scope.Carried) {
    for (const auto& [id, rel] : rels[bookPart]) {
      if (rel.first.ends_with("/calcChain")) problems.push_back(bookPart + ": relationship to a calculation chain");
    }
  }
  std::set<std::u32string> sheetNames;
  std::vector<std::string> sheetParts;
  int sheetCount = 0;
  for (pugi::xml_node s : Child(book, "sheets").children()) {
    if (LocalName(s) != "sheet") continue;
    ++sheetCount;
    const std::string name = s.attribute("name").value();
    const std::size_t units = Utf16Units(name);
    if (units == 0 || units > 31) problems.push_back("sheet name \"" + name + "\" has " + std::to_string(units) + " characters");
    if (name.find_first_of("[]:*?/\\") != std::string::npos) {
      problems.push_back("sheet name \"" + name + "\" has a forbidden character");
    }
    if (!name.empty() && (name.front() == '\'' || name.back() == '\'')) {
      problems.push_back("sheet name \"" + name + "\" begins or ends with a quote");
    }
    if (!sheetNames.insert(Folded(name)).second) problems.push_back("sheet name \"" + name + "\" twice (ignoring case)");
    std::string rid;
    for (pugi::xml_attribute a : s.attributes()) {
      if (std::string_view(a.name()).ends_with(":id")) rid = a.value();
    }
    auto rel = rels[bookPart].find(rid);
    if (rel == rels[bookPart].end()) {
      problems.push_back("sheet \"" + name + "\" has no relationship " + rid);
    } else if (rel->second.first.ends_with("/worksheet")) {
      sheetParts.push_back(rel->second.second);
    }
  }
  if (sheetCount == 0) problems.push_back("the workbook has no sheets");

  std::map<std::pair<std::string, std::u32string>, int> seenNames;
  for (pugi::xml_node n : Child(book, "definedNames").children()) {
    if (!scope.Carried) break;
    if (LocalName(n) != "definedName") continue;
    const std::string name = n.attribute("name").value();
    const std::string scope = n.attribute("localSheetId").value();
    if (!ValidDefinedName(name)) problems.push_back("defined name \"" + name + "\" is not a legal name");
    if (!scope.empty() && n.attribute("localSheetId").as_int(-1) >= sheetCount) {
      problems.push_back("defined name \"" + name + "\" belongs to no sheet " + scope);
    }
    if (seenNames[{scope, Folded(name)}]++ == 1) problems.push_back("defined name \"" + name + "\" twice in its scope");
    CheckFormulaRefs("defined name " + name, n.text().get(), sheetNames, problems);
  }

  // Shared strings.
  std::size_t sstCount = 0;
  for (const auto& [id, rel] : rels[bookPart]) {
    if (!rel.first.ends_with("/sharedStrings")) continue;
    for (pugi::xml_node si : doc(rel.second).children()) {
      if (LocalName(si) != "si") continue;
      ++sstCount;
      const std::string text = Unescaped(CellText(si));
      if (Utf16Units(text) > kMaxCellChars) {
        problems.push_back(rel.second + ": string " + std::to_string(sstCount - 1) + " has " +
                           std::to_string(Utf16Units(text)) + " characters");
      }
    }
  }

  // Cells.
  for (const std::string& part : sheetParts) {
    for (pugi::xml_node row : Child(doc(part), "sheetData").children()) {
      for (pugi::xml_node c : row.children()) {
        if (LocalName(c) != "c") continue;
        const std::string ref = part + " " + c.attribute("r").value();
        const std::string_view t = c.attribute("t").value();
        pugi::xml_node v = Child(c, "v");
        if (pugi::xml_node f = Child(c, "f"); f && scope.Carried) CheckFormulaRefs(ref, f.text().get(), sheetNames, problems);
        if ((t.empty() || t == "n") && v && !ValidNumber(v.text().get())) {
          problems.push_back(ref + ": number cell holds \"" + std::string(v.text().get()) + "\"");
        } else if (t == "s" && (std::string_view(v.text().get()).find_first_not_of("0123456789") != std::string_view::npos ||
                                !*v.text().get() || v.text().as_ullong() >= sstCount)) {
          problems.push_back(ref + ": no shared string " + std::string(v.text().get()));
        } else if (t == "b" && std::string_view(v.text().get()) != "0" && std::string_view(v.text().get()) != "1") {
          problems.push_back(ref + ": truth value \"" + std::string(v.text().get()) + "\"");
        } else if (t == "inlineStr" || t == "str") {
          const std::string text = Unescaped(t == "str" ? std::string(v.text().get()) : CellText(Child(c, "is")));
          if (Utf16Units(text) > kMaxCellChars) problems.push_back(ref + ": text of " + std::to_string(Utf16Units(text)) + " characters");
        }
      }
    }
  }

  // Chart references.
  for (const auto& [name, type] : overrides) {
    if (!scope.Carried || type.find("drawingml.chart+xml") == std::string::npos) continue;
    pugi::xml_node root = doc(name);
    for (pugi::xpath_node f : root.select_nodes("//*[local-name()='f']")) {
      CheckFormulaRefs(name, f.node().text().get(), sheetNames, problems);
    }
  }
  return problems;
}

}  // namespace vedograf::test
