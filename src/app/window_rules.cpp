#include "app/window_rules.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace vedograf::app {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool EditAcceptsKey(TEditKeys keys, char32_t ch) {
  if (ch == 8) return true;
  if (ch >= U'0' && ch <= U'9') return true;
  return keys == TEditKeys::DigitsAndPoint && (ch == U',' || ch == U'.');
}

bool ParseIntegerText(std::string_view text, int& value) {
  text = Trim(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return false;
  long long v = 0;
  for (char c : text) {
    if (!IsDigit(c)) return false;
    v = v * 10 + (c - '0');
    if (v > static_cast<long long>(std::numeric_limits<int>::max()) + 1) return false;
  }
  if (negative) v = -v;
  if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max()) return false;
  value = static_cast<int>(v);
  return true;
}

int IntegerOrDefault(std::string_view text, int fallback) {
  int v = 0;
  return ParseIntegerText(text, v) ? v : fallback;
}

std::string NormaliseIntegerText(std::string_view text, int fallback) {
  return std::to_string(IntegerOrDefault(text, fallback));
}

bool ParseFloatText(std::string_view text, double& value) {
  text = Trim(text);
  // Strict shape first: [sign] digits [sep digits] [e [sign] digits], with at
  // least one digit before the exponent. from_chars alone would take "inf",
  // "nan" and hexadecimal forms no edit should produce.
  std::string plain;
  plain.reserve(text.size());
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    if (text[i] == '-') plain += '-';
    ++i;
  }
  int mantissaDigits = 0;
  while (i < text.size() && IsDigit(text[i])) plain += text[i++], ++mantissaDigits;
  if (i < text.size() && (text[i] == '.' || text[i] == ',')) {
    plain += '.';
    ++i;
    while (i < text.size() && IsDigit(text[i])) plain += text[i++], ++mantissaDigits;
  }
  if (mantissaDigits == 0) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    plain += 'e';
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) plain += text[i++];
    int expDigits = 0;
    while (i < text.size() && IsDigit(text[i])) plain += text[i++], ++expDigits;
    if (expDigits == 0) return false;
  }
  if (i != text.size()) return false;
  double v = 0.0;
  const auto res = std::from_chars(plain.data(), plain.data() + plain.size(), v);
  if (res.ec != std::errc() || res.ptr != plain.data() + plain.size() || !std::isfinite(v)) return false;
  value = v;
  return true;
}

std::string FormatFloatText(double value, char decimalSeparator) {
  if (value == 0.0) return "0";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15G", value);
  std::string out(buf);
  // "%G" writes "1E+20" / "1E-07"; the general format writes "1E20" / "1E-7".
  const std::size_t e = out.find('E');
  if (e != std::string::npos) {
    std::string mant = out.substr(0, e);
    std::string exp = out.substr(e + 1);
    bool neg = false;
    if (!exp.empty() && (exp[0] == '+' || exp[0] == '-')) {
      neg = exp[0] == '-';
      exp.erase(0, 1);
    }
    exp.erase(0, std::min(exp.find_first_not_of('0'), exp.size() - 1));
    out = mant + "E" + (neg ? "-" : "") + exp;
  }
  std::replace(out.begin(), out.end(), '.', decimalSeparator);
  return out;
}

std::string NormaliseFloatText(std::string_view text, double fallback, char decimalSeparator) {
  double v = 0.0;
  if (!ParseFloatText(text, v)) v = fallback;
  return FormatFloatText(v, decimalSeparator);
}

std::string WriteTimePeriod(int seconds) {
  const int h = seconds / 3600;
  const int m = (seconds % 3600) / 60;
  const int s = seconds % 60;
  std::string text = "с";
  if (h == 0 && m == 0) return text;
  text += "  (";
  if (h != 0) text += std::to_string(h) + " ч";
  if (m != 0) {
    if (h != 0) text += "  ";
    text += std::to_string(m) + " мин";
  }
  if (s != 0) text += "  " + std::to_string(s) + " с";
  text += ")";
  return text;
}

TRect PinNameEditRect(const TRect& label) {
  return TRect{label.Left - 1, label.Top - 2, label.Width + 2, label.Height + 4};
}

void CentreOver(const TRect& main, int ownWidth, int ownHeight, int& left, int& top) {
  left = main.Left + static_cast<int>((main.Width - ownWidth) * 0.5);
  top = main.Top + static_cast<int>((main.Height - ownHeight) * 0.5);
}

int GetPanelMinHeight(const TPanelMetrics& m) {
  return m.PageTop + m.PageExtraHeight + m.LowestBottom + 3 * m.Margin + m.ButtonHeight;
}

int GetPanelMinWidth(const TPanelMetrics& m) { return 3 * m.Margin + m.PageExtraWidth + m.Button1Right; }

TPanelLayout ObjectPanelLayout(const TPanelMetrics& m, int width, int height, int currentPagesHeight) {
  TPanelLayout out;
  out.Pages.Left = m.Margin;
  out.Pages.Top = m.PageTop;
  int buttonsTop = 0;
  if (height < GetPanelMinHeight(m)) {
    const int pageHeight = currentPagesHeight - m.PageExtraHeight;
    out.Pages.Height = currentPagesHeight - pageHeight + m.LowestBottom + m.Margin;
    buttonsTop = out.Pages.Bottom() + m.Margin;
  } else {
    buttonsTop = height - m.ButtonHeight - m.Margin;
    out.Pages.Height = buttonsTop - m.Margin - out.Pages.Top;
  }
  out.Pages.Width = std::max(width, GetPanelMinWidth(m)) - 2 * m.Margin;
  out.Group = TRect{m.Margin, m.GroupTop, out.Pages.Width, m.GroupHeight};
  out.Exit = TRect{out.Pages.Right() - m.ButtonWidth, buttonsTop, m.ButtonWidth, m.ButtonHeight};
  out.Calc = TRect{out.Exit.Left - m.Margin - m.ButtonWidth, buttonsTop, m.ButtonWidth, m.ButtonHeight};
  return out;
}

std::string ProgramVersionText(std::string_view versionCaption) {
  // Skip seven characters, not bytes: the caption is Cyrillic UTF-8.
  std::size_t pos = 0;
  for (int chars = 0; chars < 7 && pos < versionCaption.size(); ++chars) {
    ++pos;
    while (pos < versionCaption.size() && (static_cast<unsigned char>(versionCaption[pos]) & 0xC0) == 0x80) ++pos;
  }
  return " (версия программы " + std::string(versionCaption.substr(pos)) + ")";
}

}  // namespace vedograf::app
