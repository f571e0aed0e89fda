#include "run/job_file.h"

#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <new>
#include <stdexcept>
#include <system_error>

#include "core/text_encoding.h"
#include "core/user_services.h"
#include "run/form_state.h"
#include "run/request.h"
#include "settings/date_text.h"

namespace vedograf {
namespace {

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

// Characters, not bytes: a Cyrillic letter is one character of the token.
std::size_t CharCount(std::string_view s) {
  std::size_t n = 0;
  for (unsigned char c : s) n += (c & 0xC0) != 0x80 ? 1 : 0;
  return n;
}

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

double WholeDay(double v) { return std::floor(v); }
double TimeOfDay(double v) { return v - std::floor(v); }

enum TKey { kOn, kSd, kSt, kFd, kFt, kKeyCount };

}  // namespace

TCommandLine ProcessCommandLine(const std::vector<std::string>& args) {
  TCommandLine cl;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string a = Lower(args[i]);
    if (a == "-auto") {
      cl.AutoMode = true;
      continue;
    }
    if (a == "-file" && i + 1 < args.size()) {
      cl.AutoFileName = args[i + 1];
      cl.AutoFileGiven = true;
    }
  }
  return cl;
}

bool DecodeParams(std::string_view line, const TJobContext& ctx, TReportParams& params) {
  bool valid = true;
  std::array<std::string_view, 5> tokens{};
  std::size_t pos = 0;
  for (std::string_view& token : tokens) {
    while (pos < line.size() && IsBlank(line[pos])) ++pos;
    const std::size_t start = pos;
    while (pos < line.size() && !IsBlank(line[pos])) ++pos;
    token = line.substr(start, pos - start);
  }

  std::array<std::string, kKeyCount> values;
  const std::string fileName(ctx.FileName);
  for (std::string_view token : tokens) {
    if (token.empty()) continue;
    int key = -1;
    if (CharCount(token) > 2) {
      const char first = Upper(token[0]);
      const char second = Upper(token[1]);
      if (first == 'O' && second == 'N') key = kOn;
      else if (first == 'S' && second == 'D') key = kSd;
      else if (first == 'S' && second == 'T') key = kSt;
      else if (first == 'F' && second == 'D') key = kFd;
      else if (first == 'F' && second == 'T') key = kFt;
    }
    if (key < 0) {
      ctx.Services.ShowError("Неизвестный параметр \"" + std::string(token) + "\"\r\nв файле " + fileName);
      continue;
    }
    values[key] = std::string(token.substr(2));
  }

  std::int32_t objNum = ReadIntValue(values[kOn], 0);
  if (objNum < 1) {
    ctx.Services.ShowError("Не определен номер объекта \"" + values[kOn] + "\"");
    valid = false;
    objNum = 0;
  } else {
    params.ObjNum = objNum;
  }

  const std::string suffix = "\" для объекта №" + std::to_string(objNum) + "\r\nв файле " + fileName;
  auto date = [&](const std::string& text, double picker, double& out) {
    if (text.empty()) {
      out = WholeDay(picker);
    } else if (!TryParseDate(text, out)) {
      ctx.Services.ShowError("Нeвозможно декодировать дату \"" + text + suffix);
      valid = false;
    }
  };
  auto time = [&](const std::string& text, double picker, double& out) {
    if (text.empty()) {
      out = TimeOfDay(picker);
    } else if (!TryParseTime(text, out)) {
      ctx.Services.ShowError("Нeвозможно декодировать время \"" + text + suffix);
      valid = false;
    }
  };
  double sd = 0.0, st = 0.0, fd = 0.0, ft = 0.0;
  date(values[kSd], ctx.Form.SDDateTimePicker, sd);
  time(values[kSt], ctx.Form.STDateTimePicker, st);
  date(values[kFd], ctx.Form.FDDateTimePicker, fd);
  time(values[kFt], ctx.Form.FTDateTimePicker, ft);
  if (valid) {
    params.Begin = sd + st - ctx.TimeBias;
    params.End = fd + ft - ctx.TimeBias;
  }
  return valid;
}

int ReadAutoFile(const TJobContext& ctx, TPersonalParams& personal) {
  // The name is the first thing taken: without memory for it there is no
  // reading at all, and the program's own memory message is due.
  std::string path;
  std::string text;
  try {
    path = ctx.FileName;
    // Only a regular file: a directory or a device would read as nothing or hang.
    std::error_code ec;
    std::ifstream in;
    if (std::filesystem::is_regular_file(path, ec)) in.open(path, std::ios::binary);
    if (!in.is_open()) {
      ctx.Services.ShowError("Невозможно открыть файл " + path);
      return 1;
    }
    // Read in pieces up to one byte past the bound, which tells a file that
    // is too large, also one that grows while it is read.
    std::string raw;
    char piece[65536];
    while (raw.size() <= kJobFileBytes && in.read(piece, sizeof piece).gcount() > 0) {
      raw.append(piece, static_cast<std::size_t>(in.gcount()));
    }
    if (in.bad() || raw.size() > kJobFileBytes) {
      ctx.Services.ShowError("Невозможно открыть файл " + path);
      return 1;
    }
    text = ToUtf8FromWindows(raw);
  } catch (const std::bad_alloc&) {
    ctx.Services.ShowError("Недостаточно памяти для работы программы!");
    return 2;
  }
  if (text.size() >= 3 && text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);

  try {
    std::size_t from = 0;
    for (std::size_t lines = 0; from < text.size(); ++lines) {
      if (lines == kJobFileLines) throw std::length_error("too many job lines");
      std::size_t end = text.find('\n', from);
      if (end == std::string::npos) end = text.size();
      std::string_view line(text.data() + from, end - from);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      TReportParams p;
      if (DecodeParams(line, ctx, p)) personal.push_back(p);
      from = end + 1;
    }
  } catch (const std::exception&) {
    ctx.Services.ShowError("Ошибка при считывании параметров из файла " + path);
    return 1;
  }
  return 0;
}

}  // namespace vedograf
