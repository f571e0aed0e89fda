#include "sheet/cell_write.h"

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "core/datetime.h"

#ifndef VEDOGRAF_VERSION
#define VEDOGRAF_VERSION "1.8.3"
#endif

namespace vedograf {

std::string ProgramVersionText() { return std::string(" (версия программы ") + VEDOGRAF_VERSION + ")"; }

std::string PrintDeltaTime(double x) {
  if (!(x >= 0.0)) return {};  // negative or NaN
  if (!std::isfinite(x)) return {};
  const double d = std::trunc(x);
  x = (x - d) * 24.0;
  const int h = static_cast<int>(x);
  x = (x - h) * 60.0;
  const int m = static_cast<int>(x);
  x = (x - m) * 60.0;
  const int s = static_cast<int>(x);
  std::string out;
  if (d > 0) {
    char days[32];
    std::snprintf(days, sizeof days, "%.0f", d);
    out = days;
    out += "сут ";
  }
  char hms[48];
  std::snprintf(hms, sizeof hms, "%.2d:%.2d:%.2d", h, m, s);
  return out + hms;
}

std::string FormatFixed(double value, int decimals) {
  if (std::isnan(value)) return std::signbit(value) ? "-nan" : "nan";
  if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
  char buf[400];
  const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals < 0 ? 0 : decimals);
  return std::string(buf, res.ptr);
}

double LocalNow() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t t = std::chrono::system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&t, &local);
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  return EncodeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                        local.tm_sec, static_cast<int>(ms));
}

TCellWriter::TCellWriter(TWorkbook& book, const TRunView& run)
    : VersionText(ProgramVersionText()), book_(book), run_(run) {}

void TCellWriter::UseSheetOf(std::string_view name) { sheet_ = &book_.Range(name).Worksheet(); }

void TCellWriter::Write(std::string_view name, std::int32_t offset, const TValue& value) {
  // A single cell that cannot be written leaves that cell empty; the writer
  // goes on with its next cell.
  try {
    if (sheet_ == nullptr) return;
    sheet_->Range(name).Offset(offset).SetValue(value);
  } catch (const std::exception&) {
  }
}

void TCellWriter::toExcel(std::string_view name, std::string_view text) {
  try {
    if (sheet_ == nullptr) return;
    sheet_->Range(name).SetValue(TValue{std::string(text)});
  } catch (const std::exception&) {
  }
}

void TCellWriter::toExcel(std::string_view name, std::int32_t offset, std::string_view text) {
  Write(name, offset, TValue{std::string(text)});
}
void TCellWriter::toExcel(std::string_view name, std::int32_t offset, double value) { Write(name, offset, value); }
void TCellWriter::toExcel(std::string_view name, std::int32_t offset, float value) { Write(name, offset, value); }
void TCellWriter::toExcel(std::string_view name, std::int32_t offset, std::int32_t value) {
  Write(name, offset, value);
}

void TCellWriter::toExcelFormulaR1C1(std::string_view name, std::int32_t offset, std::string_view formula) {
  try {
    if (sheet_ == nullptr) return;
    sheet_->Range(name).Offset(offset).SetFormulaR1C1(formula);
  } catch (const std::exception&) {
  }
}

std::string TCellWriter::PeriodText(const TReportParams& current, const TRequestParams& req, std::string_view suffix) {
  std::string out = FormatDateTime(kSheetDateTimePattern, current.Begin + req.TimeBias);
  out += " - ";
  out += FormatDateTime(kSheetDateTimePattern, current.End + req.TimeBias);
  out += " (UTC";
  out += req.TimeZoneText;
  out += ")";
  out += suffix;
  return out;
}

void TCellWriter::PrepareWorksheet(std::string_view firstColName, std::string_view timeName, std::string_view suffix,
                                   std::int32_t rows, std::string_view periodName) {
  const TRange first = book_.Range(firstColName);
  sheet_ = &first.Worksheet();
  if (rows > 1) {
    const int r = first.EntireRow().Row();
    const TRange dest = sheet_->Range(sheet_->Cells(r, 1), sheet_->Cells(r + rows - 1, 1)).EntireRow();
    sheet_->Rows(r).AutoFill(dest, 1);
  }
  toExcel(timeName, FormatDateTime(kSheetDateTimePattern, Now()) + VersionText);
  toExcel(periodName, PeriodText(run_.Current, run_.Req, suffix));
}

TRange TCellWriter::Block(TValueArray& block, int col, int firstRow, int count) {
  if (sheet_ == nullptr) throw TOleError(kErrGeneric, "Не выбран лист для записи столбца");
  const TRange range = sheet_->Range(sheet_->Cells(firstRow, col), sheet_->Cells(firstRow + count - 1, col));
  range.SetValue(block);
  return range;
}

namespace {
void CheckBlock(const TValueArray& block, int count) {
  if (count < 1 || block.Rows() < count || block.Cols() < 1) {
    throw TOleError(kErrGeneric, "Массив значений меньше столбца из " + std::to_string(count) + " строк");
  }
}
}  // namespace

TRange TCellWriter::TimeColToExcel(TValueArray& block, const double* values, int col, int firstRow, int count) {
  CheckBlock(block, count);
  for (int i = 0; i < count; ++i) block.At(i, 0) = values[i];
  return Block(block, col, firstRow, count);
}

TRange TCellWriter::ColToExcel(TValueArray& block, const float* values, int col, int firstRow, int count) {
  CheckBlock(block, count);
  for (int i = 0; i < count; ++i) block.At(i, 0) = values[i];
  return Block(block, col, firstRow, count);
}

TRange TCellWriter::SumToExcel(TValueArray& block, const float* a, int col, int firstRow, int count, const float* b) {
  CheckBlock(block, count);
  for (int i = 0; i < count; ++i) {
    block.At(i, 0) = static_cast<float>(static_cast<long double>(a[i]) + b[i]);
  }
  return Block(block, col, firstRow, count);
}

TRange TCellWriter::SumToExcel(TValueArray& block, const float* a, int col, int firstRow, int count, const float* b,
                               const float* c) {
  CheckBlock(block, count);
  for (int i = 0; i < count; ++i) {
    block.At(i, 0) = static_cast<float>(static_cast<long double>(a[i]) + b[i] + c[i]);
  }
  return Block(block, col, firstRow, count);
}

}  // namespace vedograf
