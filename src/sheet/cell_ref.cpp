#include "sheet/cell_ref.h"

#include <charconv>

namespace vedograf {

std::string ColumnName(int col) {
  if (col < 1 || col > kMaxCols) return {};
  char buf[4];
  int n = 0;
  while (col > 0) {
    const int rem = (col - 1) % 26;
    buf[n++] = static_cast<char>('A' + rem);
    col = (col - 1) / 26;
  }
  std::string out;
  while (n > 0) out += buf[--n];
  return out;
}

namespace {

bool IsUpper(char c) { return c >= 'A' && c <= 'Z'; }
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
// Characters that continue a name, a function name or an unquoted sheet name.
bool IsIdentChar(char c) {
  return IsLetter(c) || IsDigit(c) || c == '_' || c == '.' || c == '\\' || c == '?' ||
         static_cast<unsigned char>(c) >= 0x80;
}

int WrapRow(long long r) {
  r = ((r - 1) % kMaxRows + kMaxRows) % kMaxRows;
  return static_cast<int>(r + 1);
}
int WrapCol(long long c) {
  c = ((c - 1) % kMaxCols + kMaxCols) % kMaxCols;
  return static_cast<int>(c + 1);
}

// One end of a reference. A whole-column end has no row, a whole-row end no
// column.
struct TEnd {
  bool HasRow = false, HasCol = false;
  bool RowAbs = false, ColAbs = false;
  long long Row = 0, Col = 0;  // absolute: the number; relative (R1C1): the offset
};

struct TRef {
  TEnd A, B;
  bool Range = false;
};

// A1 end at text[i]: "$"? letters "$"? digits, or only the column part, or
// only the row part. `want` restricts: 0 cell, 1 column only, 2 row only.
std::size_t MatchA1End(std::string_view t, std::size_t i, int want, TEnd& e) {
  std::size_t p = i;
  e = TEnd{};
  if (want != 2) {
    bool abs = false;
    if (p < t.size() && t[p] == '$') {
      abs = true;
      ++p;
    }
    const std::size_t s = p;
    while (p < t.size() && IsLetter(t[p]) && p - s < 4) ++p;
    if (p == s || p - s > 3) return 0;
    std::string letters;
    for (std::size_t k = s; k < p; ++k) letters += Upper(t[k]);
    const int col = ColumnNumber(letters);
    if (col == 0) return 0;
    e.HasCol = true;
    e.ColAbs = abs;
    e.Col = col;
    if (want == 1) return p - i;
  }
  bool abs = false;
  if (p < t.size() && t[p] == '$') {
    abs = true;
    ++p;
  }
  const std::size_t s = p;
  while (p < t.size() && IsDigit(t[p]) && p - s < 8) ++p;
  if (p == s) return 0;
  long long row = 0;
  std::from_chars(t.data() + s, t.data() + p, row);
  if (row < 1 || row > kMaxRows) return 0;
  e.HasRow = true;
  e.RowAbs = abs;
  e.Row = row;
  return p - i;
}

bool EndsToken(std::string_view t, std::size_t p) {
  return p >= t.size() || (!IsIdentChar(t[p]) && t[p] != '(' && t[p] != '!' && t[p] != '$' && t[p] != '[');
}

std::size_t MatchA1Ref(std::string_view t, std::size_t i, TRef& r) {
  r = TRef{};
  for (int want = 0; want < 3; ++want) {
    std::size_t n = MatchA1End(t, i, want, r.A);
    if (n == 0) continue;
    std::size_t p = i + n;
    if (p < t.size() && t[p] == ':') {
      std::size_t m = MatchA1End(t, p + 1, want, r.B);
      if (m != 0 && EndsToken(t, p + 1 + m)) {
        r.Range = true;
        return p + 1 + m - i;
      }
    }
    // A lone column or row is no reference in A1 notation.
    if (want == 0 && EndsToken(t, p)) return n;
  }
  return 0;
}

// R1C1 part: "R" ("[" n "]" | n)? then "C" likewise; at least one letter.
std::size_t MatchR1C1End(std::string_view t, std::size_t i, TEnd& e) {
  e = TEnd{};
  std::size_t p = i;
  auto number = [&](bool& abs, long long& value) -> bool {
    if (p < t.size() && t[p] == '[') {
      std::size_t q = p + 1;
      if (q < t.size() && (t[q] == '-' || t[q] == '+')) ++q;
      const std::size_t s = q;
      while (q < t.size() && IsDigit(t[q])) ++q;
      if (q == s || q >= t.size() || t[q] != ']') return false;
      long long v = 0;
      std::from_chars(t.data() + (t[p + 1] == '+' ? p + 2 : p + 1), t.data() + q, v);
      abs = false;
      value = v;
      p = q + 1;
      return true;
    }
    const std::size_t s = p;
    while (p < t.size() && IsDigit(t[p])) ++p;
    if (p == s) {
      abs = false;
      value = 0;
      return true;
    }
    long long v = 0;
    std::from_chars(t.data() + s, t.data() + p, v);
    abs = true;
    value = v;
    return true;
  };
  if (p < t.size() && (t[p] == 'R' || t[p] == 'r')) {
    ++p;
    e.HasRow = true;
    if (!number(e.RowAbs, e.Row)) return 0;
    if (e.RowAbs && (e.Row < 1 || e.Row > kMaxRows)) return 0;
  }
  if (p < t.size() && (t[p] == 'C' || t[p] == 'c')) {
    ++p;
    e.HasCol = true;
    if (!number(e.ColAbs, e.Col)) return 0;
    if (e.ColAbs && (e.Col < 1 || e.Col > kMaxCols)) return 0;
  }
  if (!e.HasRow && !e.HasCol) return 0;
  return p - i;
}

std::size_t MatchR1C1Ref(std::string_view t, std::size_t i, TRef& r) {
  r = TRef{};
  const std::size_t n = MatchR1C1End(t, i, r.A);
  if (n == 0) return 0;
  std::size_t p = i + n;
  if (p < t.size() && t[p] == ':') {
    const std::size_t m = MatchR1C1End(t, p + 1, r.B);
    if (m != 0 && EndsToken(t, p + 1 + m) && r.B.HasRow == r.A.HasRow && r.B.HasCol == r.A.HasCol) {
      r.Range = true;
      return p + 1 + m - i;
    }
  }
  return EndsToken(t, p) ? n : 0;
}

void AppendNumber(std::string& out, long long v) {
  char buf[24];
  auto res = std::to_chars(buf, buf + sizeof buf, v);
  out.append(buf, res.ptr);
}

void EmitR1C1End(std::string& out, const TEnd& e, int row, int col) {
  if (e.HasRow) {
    out += 'R';
    if (e.RowAbs) {
      AppendNumber(out, e.Row);
    } else if (e.Row != row) {
      out += '[';
      AppendNumber(out, e.Row - row);
      out += ']';
    }
  }
  if (e.HasCol) {
    out += 'C';
    if (e.ColAbs) {
      AppendNumber(out, e.Col);
    } else if (e.Col != col) {
      out += '[';
      AppendNumber(out, e.Col - col);
      out += ']';
    }
  }
}

void EmitA1Col(std::string& out, const TEnd& e, int col) {
  if (e.ColAbs) out += '$';
  out += ColumnName(e.ColAbs ? static_cast<int>(e.Col) : WrapCol(col + e.Col));
}
void EmitA1Row(std::string& out, const TEnd& e, int row) {
  if (e.RowAbs) out += '$';
  AppendNumber(out, e.RowAbs ? e.Row : WrapRow(row + e.Row));
}

void EmitA1(std::string& out, const TRef& r, int row, int col) {
  const TEnd& a = r.A;
  const TEnd& b = r.Range ? r.B : r.A;
  if (a.HasRow && a.HasCol) {
    EmitA1Col(out, a, col);
    EmitA1Row(out, a, row);
    if (r.Range) {
      out += ':';
      EmitA1Col(out, b, col);
      EmitA1Row(out, b, row);
    }
  } else if (a.HasCol) {
    EmitA1Col(out, a, col);
    out += ':';
    EmitA1Col(out, b, col);
  } else {
    EmitA1Row(out, a, row);
    out += ':';
    EmitA1Row(out, b, row);
  }
}

enum class TMode { A1ToR1C1, R1C1ToA1, DropSheetR1C1 };

// Copies a quoted run starting at t[i] (which is `q`); "" or '' inside stay.
std::size_t QuotedLength(std::string_view t, std::size_t i, char q) {
  std::size_t p = i + 1;
  while (p < t.size()) {
    if (t[p] == q) {
      if (p + 1 < t.size() && t[p + 1] == q) {
        p += 2;
        continue;
      }
      return p + 1 - i;
    }
    ++p;
  }
  return t.size() - i;
}

std::string Unquote(std::string_view quoted) {
  std::string out;
  if (quoted.size() >= 2 && quoted.front() == '\'') quoted = quoted.substr(1, quoted.size() - 2);
  for (std::size_t k = 0; k < quoted.size(); ++k) {
    out += quoted[k];
    if (quoted[k] == '\'' && k + 1 < quoted.size() && quoted[k + 1] == '\'') ++k;
  }
  return out;
}

std::string Rewrite(std::string_view t, int row, int col, TMode mode, std::string_view dropSheet = {}) {
  std::string out;
  out.reserve(t.size() + 16);
  std::string prefix;      // a sheet qualifier waiting for its reference
  std::string prefixName;  // the same, unquoted
  auto flushPrefix = [&] {
    out += prefix;
    prefix.clear();
    prefixName.clear();
  };
  std::size_t i = 0;
  bool tokenStart = true;  // previous character cannot continue a name
  while (i < t.size()) {
    const char c = t[i];
    if (c == '"') {
      flushPrefix();
      const std::size_t n = QuotedLength(t, i, '"');
      out.append(t.substr(i, n));
      i += n;
      tokenStart = true;
      continue;
    }
    if (c == '\'') {
      flushPrefix();
      const std::size_t n = QuotedLength(t, i, '\'');
      if (i + n < t.size() && t[i + n] == '!') {
        prefix.assign(t.substr(i, n + 1));
        prefixName = Unquote(t.substr(i, n));
        i += n + 1;
      } else {
        out.append(t.substr(i, n));
        i += n;
      }
      tokenStart = true;
      continue;
    }
    if (tokenStart && (IsIdentChar(c) || c == '$') && !(IsDigit(c) && mode != TMode::A1ToR1C1)) {
      TRef ref;
      std::size_t n = 0;
      if (mode == TMode::A1ToR1C1) {
        if (!(c == '.' || c == '_' || c == '\\')) n = MatchA1Ref(t, i, ref);
        // A number like 1.5 or 2E3 is no row reference.
        if (n != 0 && IsDigit(c) && i + n < t.size() && (t[i + n] == '.' || IsLetter(t[i + n]))) n = 0;
      } else if (c == 'R' || c == 'r' || c == 'C' || c == 'c') {
        n = MatchR1C1Ref(t, i, ref);
      }
      if (n != 0) {
        if (mode == TMode::DropSheetR1C1 && !prefix.empty() && prefixName == dropSheet) {
          prefix.clear();
          prefixName.clear();
          out += "#REF!";
        } else {
          flushPrefix();
          if (mode == TMode::A1ToR1C1) {
            EmitR1C1End(out, ref.A, row, col);
            // A whole single row or column reads "C[-1]", not "C[-1]:C[-1]", as
            // the application writes it.
            const bool single = ref.Range && (!ref.A.HasRow || !ref.A.HasCol) && ref.A.RowAbs == ref.B.RowAbs &&
                                ref.A.ColAbs == ref.B.ColAbs && ref.A.Row == ref.B.Row && ref.A.Col == ref.B.Col;
            if (ref.Range && !single) {
              out += ':';
              EmitR1C1End(out, ref.B, row, col);
            }
          } else if (mode == TMode::R1C1ToA1) {
            // A whole row or column is a range in A1 ("XFC:XFC"); after a
            // ':' the A1 reader would join the token before it to the range
            // ("gs:XFC:XFC" reads as GS:XFC), and a row after "1e+" would
            // become the exponent of a number. In brackets it stays apart
            // and means the same.
            const std::size_t o = out.size();
            const bool afterSign = o >= 2 && (out[o - 1] == '+' || out[o - 1] == '-') &&
                                   (out[o - 2] == 'e' || out[o - 2] == 'E');
            const bool wrap = (!ref.A.HasRow || !ref.A.HasCol) && o > 0 &&
                              (out.back() == ':' || (afterSign && !ref.A.HasCol && !ref.A.RowAbs));
            if (wrap) out += '(';
            EmitA1(out, ref, row, col);
            if (wrap) out += ')';
          } else {
            out.append(t.substr(i, n));
          }
        }
        i += n;
        tokenStart = true;
        continue;
      }
      if (IsDigit(c) || c == '.') {
        // A number, exponent included.
        flushPrefix();
        std::size_t p = i;
        while (p < t.size() && (IsDigit(t[p]) || t[p] == '.')) ++p;
        if (p < t.size() && (t[p] == 'E' || t[p] == 'e')) {
          std::size_t q = p + 1;
          if (q < t.size() && (t[q] == '+' || t[q] == '-')) ++q;
          if (q < t.size() && IsDigit(t[q])) {
            p = q;
            while (p < t.size() && IsDigit(t[p])) ++p;
          }
        }
        out.append(t.substr(i, p - i));
        i = p;
        // As the R1C1 reader sees it: letters right after a number are no
        // reference, or "1A1" would come back from R1C1 as another text.
        tokenStart = false;
        continue;
      }
      // A name, a function name or an unquoted sheet name.
      std::size_t p = i;
      while (p < t.size() && (IsIdentChar(t[p]) || t[p] == '$')) ++p;
      flushPrefix();
      if (p < t.size() && t[p] == '!') {
        prefix.assign(t.substr(i, p + 1 - i));
        prefixName.assign(t.substr(i, p - i));
        i = p + 1;
      } else {
        out.append(t.substr(i, p - i));
        i = p;
      }
      tokenStart = true;
      continue;
    }
    if (c == '#') {
      // An error literal such as #REF! or #N/A.
      flushPrefix();
      std::size_t p = i + 1;
      while (p < t.size() && (IsLetter(t[p]) || IsDigit(t[p]) || t[p] == '/')) ++p;
      if (p < t.size() && (t[p] == '!' || t[p] == '?')) ++p;
      out.append(t.substr(i, p - i));
      i = p;
      tokenStart = true;
      continue;
    }
    flushPrefix();
    out += c;
    tokenStart = !IsIdentChar(c);
    ++i;
  }
  flushPrefix();
  return out;
}

bool NeedsQuotes(std::string_view sheet) {
  if (sheet.empty()) return true;
  for (char c : sheet) {
    // Readers take an unquoted Cyrillic name for a defined name: only plain
    // ASCII goes bare.
    if (!(IsLetter(c) || IsDigit(c) || c == '_' || c == '.')) return true;
  }
  if (IsDigit(sheet.front()) || sheet.front() == '.') return true;
  // A name that reads as a cell or R1C1 reference must be quoted.
  TRef ref;
  if (MatchA1Ref(sheet, 0, ref) == sheet.size()) return true;
  if (MatchR1C1Ref(sheet, 0, ref) == sheet.size()) return true;
  return false;
}

}  // namespace

int ColumnNumber(std::string_view letters) {
  if (letters.empty() || letters.size() > 3) return 0;
  int col = 0;
  for (char c : letters) {
    c = Upper(c);
    if (!IsUpper(c)) return 0;
    col = col * 26 + (c - 'A' + 1);
  }
  return col <= kMaxCols ? col : 0;
}

std::string CellName(int row, int col, bool absolute) {
  std::string out;
  if (absolute) out += '$';
  out += ColumnName(col);
  if (absolute) out += '$';
  AppendNumber(out, row);
  return out;
}

bool ParseArea(std::string_view text, TArea& out) {
  TRef ref;
  if (text.empty() || MatchA1Ref(text, 0, ref) != text.size()) return false;
  const TEnd& a = ref.A;
  const TEnd& b = ref.Range ? ref.B : ref.A;
  TArea area;
  area.Row1 = a.HasRow ? static_cast<int>(a.Row) : 1;
  area.Row2 = b.HasRow ? static_cast<int>(b.Row) : kMaxRows;
  area.Col1 = a.HasCol ? static_cast<int>(a.Col) : 1;
  area.Col2 = b.HasCol ? static_cast<int>(b.Col) : kMaxCols;
  if (area.Row1 > area.Row2) std::swap(area.Row1, area.Row2);
  if (area.Col1 > area.Col2) std::swap(area.Col1, area.Col2);
  out = area;
  return true;
}

bool ParseSheetArea(std::string_view text, std::string& sheet, TArea& area) {
  if (!text.empty() && text.front() == '=') text.remove_prefix(1);
  std::string name;
  std::size_t p = 0;
  if (!text.empty() && text.front() == '\'') {
    const std::size_t n = QuotedLength(text, 0, '\'');
    if (n < 2 || text[n - 1] != '\'') return false;
    name = Unquote(text.substr(0, n));
    p = n;
  } else {
    while (p < text.size() && text[p] != '!') ++p;
    name.assign(text.substr(0, p));
    if (name.empty() || name.front() == '[') return false;
  }
  if (p >= text.size() || text[p] != '!') return false;
  TArea a;
  if (!ParseArea(text.substr(p + 1), a)) return false;
  sheet = std::move(name);
  area = a;
  return true;
}

std::string QuoteSheetName(std::string_view sheet) {
  if (!NeedsQuotes(sheet)) return std::string(sheet);
  std::string out = "'";
  for (char c : sheet) {
    out += c;
    if (c == '\'') out += '\'';
  }
  out += '\'';
  return out;
}

std::string SheetAreaText(std::string_view sheet, const TArea& area) {
  std::string out = QuoteSheetName(sheet);
  out += '!';
  out += CellName(area.Row1, area.Col1, true);
  if (area.Row2 != area.Row1 || area.Col2 != area.Col1) {
    out += ':';
    out += CellName(area.Row2, area.Col2, true);
  }
  return out;
}

std::string FormulaA1ToR1C1(std::string_view formula, int row, int col) {
  return Rewrite(formula, row, col, TMode::A1ToR1C1);
}

std::string FormulaR1C1ToA1(std::string_view formula, int row, int col) {
  return Rewrite(formula, row, col, TMode::R1C1ToA1);
}

std::string FormulaDropSheet(std::string_view formula, std::string_view sheet) {
  return Rewrite(formula, 0, 0, TMode::DropSheetR1C1, sheet);
}

}  // namespace vedograf
