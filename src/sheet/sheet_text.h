#pragma once
// Texts and small helpers shared by the sheet writers. Number texts go
// through FormatFixed: a report reads "12.5" whatever the user's locale.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "areas/control_point.h"
#include "calc/memory.h"
#include "calc/obj_report.h"
#include "core/datetime.h"
#include "sheet/cell_write.h"

namespace vedograf::sheet_text {

inline constexpr std::string_view kNoData = "-";
inline constexpr std::string_view kNoAreaText = "**Незаданный район**";
inline constexpr std::string_view kNoPositionText = "**Нет координат**";
inline constexpr std::string_view kOpenBound = "?";
inline constexpr std::string_view kIntervalDash = "  -  ";
inline constexpr std::string_view kWholeInterval = "весь интервал";
inline constexpr std::string_view kTotal = "Всего";

// km/h per metre a day.
inline constexpr double kSpeedToKmh = 1.0 / 24000.0;

// "a / b / c" with `decimals` digits each ("%.1lf / %.1lf / %.1lf").
inline std::string Triple(double a, double b, double c, int decimals) {
  return FormatFixed(a, decimals) + " / " + FormatFixed(b, decimals) + " / " + FormatFixed(c, decimals);
}

inline std::string SheetTime(double value) { return FormatDateTime(kSheetDateTimePattern, value); }

// "hh:nn  dd.mm.yyyy  -  hh:nn  dd.mm.yyyy" of a UTC interval in display time.
inline std::string IntervalText(double begin, double end, double timeBias) {
  std::string out = SheetTime(begin + timeBias);
  out += kIntervalDash;
  out += SheetTime(end + timeBias);
  return out;
}

// The name of an area of the run's list. The calculators only hand out
// indices of that list; a list that is gone or an index beyond it reads as
// no name rather than reading past the list.
inline std::string AreaName(const TControlPointList* areas, std::int32_t area) {
  if (areas == nullptr || area < 0) return {};
  const TControlPoint* point = areas->Items(static_cast<std::size_t>(area));
  return point != nullptr ? point->Name : std::string();
}

// The fuel sheet's total-row formula: every "RC" of the data row's R1C1
// formula becomes "R[-k]C", k rows up.
std::string ShiftSameRowRefs(std::string formula, int k);

// Labels and ticks of the volume graph's time axis every this many minutes
// for `count` points.
int GraphTickSpacing(int count);

// Records of a result list: its count, but never beyond the array it counts.
template <class T>
inline std::size_t Records(std::int32_t count, const TArray<T>& array) {
  return count > 0 ? std::min(static_cast<std::size_t>(count), array.size()) : 0;
}

}  // namespace vedograf::sheet_text
