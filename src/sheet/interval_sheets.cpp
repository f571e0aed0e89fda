// The five interval sheets: power-off, navigation loss, control areas, stops
// and speed excess. Each object gets one row per record (a "-" row when it
// has none) and an empty row after it.

#include <string>

#include "sheet/cell_write.h"
#include "sheet/sheet_text.h"
#include "sheet/sheet_writers.h"

namespace vedograf {

namespace {

using namespace sheet_text;

template <class Count>
int IntervalRows(const TSheetJob& job, Count count) {
  int rows = 0;
  for (const TObjReport& obj : job.Run.Objects) {
    if (!obj.InReport) continue;
    const std::size_t n = count(obj);
    rows += static_cast<int>(n > 0 ? n : 1) + 1;
  }
  return rows;
}

std::string AreaOrUnset(const TSheetJob& job, std::int32_t area) {
  return area < 0 ? std::string(kNoAreaText) : AreaName(job.Run.Areas, area);
}

}  // namespace

void MakePowerUpReport(const TSheetJob& job) {
  auto count = [](const TObjReport& o) { return Records(o.PowerOffCount, o.PowerOffs); };
  TCellWriter cells(job.Book, job.Run);
  cells.PrepareWorksheet("ObjNum_p", "Time_p", "", IntervalRows(job, count), "Period_p");
  const double bias = job.Run.Req.TimeBias;
  const double reportBegin = job.Run.Current.Begin, reportEnd = job.Run.Current.End;

  int row = 0;
  for (const TObjReport& obj : job.Run.Objects) {
    if (!obj.InReport) continue;
    cells.toExcel("ObjNum_p", row, obj.Number);
    cells.toExcel("ObjName_p", row, obj.Name);
    const std::size_t n = count(obj);
    if (n == 0) {
      cells.toExcel("Interval_p", row, kNoData);
      cells.toExcel("Length_p", row, kNoData);
      ++row;
    }
    for (std::size_t i = 0; i < n; ++i, ++row) {
      const TInterval& r = obj.PowerOffs[i];
      // Only the first interval can have begun before the report: the
      // controller was off at its start. Any interval may still be open at
      // its end, though only the last one really is.
      const bool openBegin = i == 0 && r.Begin == reportBegin;
      const bool openEnd = r.End == reportEnd;
      std::string text = openBegin ? std::string(kOpenBound) : SheetTime(r.Begin + bias);
      text += kIntervalDash;
      text += openEnd ? std::string(kOpenBound) : SheetTime(r.End + bias);
      cells.toExcel("Interval_p", row, text);
      if (i == 0 && (openBegin || openEnd)) {
        cells.toExcel("Length_p", row, kNoData);
      } else {
        cells.toExcel("Length_p", row, r.End - r.Begin);
      }
    }
    ++row;
  }
}

void MakeNavLackReport(const TSheetJob& job) {
  auto count = [](const TObjReport& o) { return Records(o.NavLossCount, o.NavLosses); };
  TCellWriter cells(job.Book, job.Run);
  cells.PrepareWorksheet("ObjNum_n", "Time_n", "", IntervalRows(job, count), "Period_n");
  const double bias = job.Run.Req.TimeBias;

  int row = 0;
  for (const TObjReport& obj : job.Run.Objects) {
    if (!obj.InReport) continue;
    cells.toExcel("ObjNum_n", row, obj.Number);
    cells.toExcel("ObjName_n", row, obj.Name);
    const std::size_t n = count(obj);
    if (n == 0) {
      cells.toExcel("Interval_n", row, kNoData);
      cells.toExcel("Length_n", row, kNoData);
      ++row;
    }
    for (std::size_t i = 0; i < n; ++i, ++row) {
      const TInterval& r = obj.NavLosses[i];
      cells.toExcel("Interval_n", row, IntervalText(r.Begin, r.End, bias));
      cells.toExcel("Length_n", row, r.End - r.Begin);
    }
    ++row;
  }
}

void MakePointReport(const TSheetJob& job) {
  auto count = [](const TObjReport& o) { return Records(o.AreaVisitCount, o.AreaVisits); };
  TCellWriter cells(job.Book, job.Run);
  cells.PrepareWorksheet("ObjNum_c", "Time_c", "", IntervalRows(job, count), "Period_c");
  const double bias = job.Run.Req.TimeBias;

  int row = 0;
  for (const TObjReport& obj : job.Run.Objects) {
    if (!obj.InReport) continue;
    cells.toExcel("ObjNum_c", row, obj.Number);
    cells.toExcel("ObjName_c", row, obj.Name);
    const std::size_t n = count(obj);
    if (n == 0) {
      cells.toExcel("Interval_c", row, kNoData);
      cells.toExcel("Length_c", row, kNoData);
      cells.toExcel("CPoint_c", row, kNoData);
      ++row;
    }
    for (std::size_t i = 0; i < n; ++i, ++row) {
      const TAreaVisit& r = obj.AreaVisits[i];
      cells.toExcel("Interval_c", row, IntervalText(r.Begin, r.End, bias));
      cells.toExcel("Length_c", row, r.End - r.Begin);
      cells.toExcel("CPoint_c", row, AreaName(job.Run.Areas, r.Area));
    }
    ++row;
  }
}

void MakeStopReport(const TSheetJob& job) {
  auto count = [](const TObjReport& o) { return Records(o.StopCount, o.Stops); };
  TCellWriter cells(job.Book, job.Run);
  cells.PrepareWorksheet("ObjNum_st", "Time_st", "", IntervalRows(job, count), "Period_st");
  const double bias = job.Run.Req.TimeBias;

  int row = 0;
  for (const TObjReport& obj : job.Run.Objects) {
    if (!obj.InReport) continue;
    cells.toExcel("ObjNum_st", row, obj.Number);
    cells.toExcel("ObjName_st", row, obj.Name);
    const std::size_t n = count(obj);
    if (n == 0) {
      for (const char* name : {"CPoint_st", "Interval_st", "Length_st", "DDistance_st", "DTime_st"}) {
        cells.toExcel(name, row, kNoData);
      }
      cells.toExcel("Speed_st", row, "- / - / -");
      ++row;
    }
    for (std::size_t i = 0; i < n; ++i, ++row) {
      const TStopRecord& r = obj.Stops[i];
      // A record without a stop carries the movement after the last stop.
      if (r.Begin > 0.0) {
        cells.toExcel("CPoint_st", row, AreaOrUnset(job, r.Area));
        cells.toExcel("Interval_st", row, IntervalText(r.Begin, r.End, bias));
        cells.toExcel("Length_st", row, r.End - r.Begin);
      }
      cells.toExcel("DDistance_st", row, r.MoveDistance * 0.001);
      cells.toExcel("DTime_st", row, r.MoveTime);
      cells.toExcel("Speed_st", row,
              Triple(r.MoveSpeedMin * kSpeedToKmh, r.MoveSpeedMean * kSpeedToKmh, r.MoveSpeedMax * kSpeedToKmh, 1));
    }
    ++row;
  }
}

void MakeSpeedExReport(const TSheetJob& job) {
  auto count = [](const TObjReport& o) { return Records(o.SpeedExcessCount, o.SpeedExcesses); };
  TCellWriter cells(job.Book, job.Run);
  cells.PrepareWorksheet("ObjNum_e", "Time_e", "", IntervalRows(job, count), "Period_e");
  const double bias = job.Run.Req.TimeBias;

  int row = 0;
  for (const TObjReport& obj : job.Run.Objects) {
    if (!obj.InReport) continue;
    cells.toExcel("ObjNum_e", row, obj.Number);
    cells.toExcel("ObjName_e", row, obj.Name);
    const std::size_t n = count(obj);
    if (n == 0) {
      for (const char* name : {"CPoint_e", "Interval_e", "Length_e", "Speed_e"}) cells.toExcel(name, row, kNoData);
      ++row;
    }
    for (std::size_t i = 0; i < n; ++i, ++row) {
      const TSpeedExcess& r = obj.SpeedExcesses[i];
      cells.toExcel("CPoint_e", row, AreaOrUnset(job, r.Area));
      cells.toExcel("Interval_e", row, IntervalText(r.Begin, r.End, bias));
      cells.toExcel("Length_e", row, r.End - r.Begin);
      cells.toExcel("Speed_e", row, r.PeakSpeed * kSpeedToKmh);
    }
    ++row;
  }
}

}  // namespace vedograf
