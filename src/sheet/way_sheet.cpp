// The route sheet and the route details sheet, with or without the daily
// breakdown: one whole-interval row per object, and with the breakdown one
// row per day before it and an empty row after it.

#include <string>

#include "core/datetime.h"
#include "sheet/cell_write.h"
#include "sheet/sheet_text.h"
#include "sheet/sheet_writers.h"

namespace vedograf {

namespace {

using namespace sheet_text;

// Rows of one object: its whole-interval row, with the breakdown also its
// days and the empty row. All objects of a workbook share the interval and
// so the day count; counting each object's own days keeps every written row
// inside the prepared ones even if they did not.
int WayRows(const TSheetJob& job, bool days) {
  int rows = 0;
  for (const TObjReport& obj : job.Run.Objects) {
    if (!obj.InReport) continue;
    rows += days ? static_cast<int>(Records(obj.DayCount, obj.Days)) + 2 : 1;
  }
  return rows;
}

std::string PointsText(std::int32_t fixes, std::int32_t fixes2D, std::int32_t fixes3D) {
  return std::to_string(fixes) + " / " + std::to_string(fixes2D) + " / " + std::to_string(fixes3D);
}

void WriteRouteSheet(const TSheetJob& job, bool days, int rows) {
  TCellWriter cells(job.Book, job.Run);
  const double shift = job.Run.Req.DaysShift;
  std::string suffix;
  if (days && shift != 0.0) suffix = ", начало смены " + FormatDateTime(kTimePattern, shift);
  cells.PrepareWorksheet("ObjNum_w", "Time_w", suffix, rows, "Period_w");

  int row = 0;
  for (const TObjReport& obj : job.Run.Objects) {
    if (!obj.InReport) continue;
    cells.toExcel("ObjNum_w", row, obj.Number);
    cells.toExcel("ObjName_w", row, obj.Name);
    if (days) {
      const std::size_t n = Records(obj.DayCount, obj.Days);
      for (std::size_t i = 0; i < n; ++i, ++row) {
        const TDayRecord& day = obj.Days[i];
        cells.toExcel("LPeriod_w", row, (day.Partial ? "* " : "  ") + FormatDateTime(kDatePattern, day.Date));
        if (day.HasData) {
          cells.toExcel("Distance_w", row, day.Distance * 0.001);
          cells.toExcel("Speed2_w", row, Triple(day.SpeedMin, day.SpeedMean, day.SpeedMax, 1));
          cells.toExcel("WTime_w", row, day.WorkTime);
        } else {
          cells.toExcel("Distance_w", row, 0.0);
          cells.toExcel("Speed2_w", row, kNoData);
          cells.toExcel("WTime_w", row, kNoData);
        }
      }
    }
    cells.toExcel("LPeriod_w", row, kWholeInterval);
    cells.toExcel("Distance_w", row, obj.Distance * 0.001);
    cells.toExcel("Speed2_w", row, Triple(obj.SpeedMin, obj.SpeedMean, obj.SpeedMax, 1));
    cells.toExcel("WTime_w", row, obj.WorkTime);
    row += days ? 2 : 1;
  }
}

void WriteDetailsSheet(const TSheetJob& job, bool days, int rows) {
  TCellWriter cells(job.Book, job.Run);
  cells.PrepareWorksheet("ObjNum_ew", "Time_ew", "", rows, "Period_ew");

  int row = 0;
  for (const TObjReport& obj : job.Run.Objects) {
    if (!obj.InReport) continue;
    cells.toExcel("ObjNum_ew", row, obj.Number);
    cells.toExcel("ObjName_ew", row, obj.Name);
    if (days) {
      const std::size_t n = Records(obj.DayCount, obj.Days);
      for (std::size_t i = 0; i < n; ++i, ++row) {
        const TDayRecord& day = obj.Days[i];
        cells.toExcel("LPeriod_ew", row, FormatDateTime(kDatePattern, day.Date));
        if (day.HasData) {
          cells.toExcel("Speed1_ew", row, day.AvgSpeed);
          cells.toExcel("Points_ew", row, std::to_string(day.FixCount) + " / - / -");
        } else {
          cells.toExcel("Speed1_ew", row, 0.0);
          cells.toExcel("Points_ew", row, kNoData);
        }
        cells.toExcel("DTime_ew", row, kNoData);
        cells.toExcel("DDistance_ew", row, kNoData);
      }
    }
    cells.toExcel("LPeriod_ew", row, kWholeInterval);
    cells.toExcel("Speed1_ew", row, obj.AvgSpeed);
    cells.toExcel("Points_ew", row, PointsText(obj.FixCount, obj.Fix2DCount, obj.Fix3DCount));
    cells.toExcel("DTime_ew", row,
            PrintDeltaTime(obj.IntervalMin) + " / " + PrintDeltaTime(obj.IntervalMean) + " / " +
                PrintDeltaTime(obj.IntervalMax));
    cells.toExcel("DDistance_ew", row, Triple(obj.StepMin * 0.001, obj.StepMean * 0.001, obj.StepMax * 0.001, 3));
    row += days ? 2 : 1;
  }
}

}  // namespace

void MakeWayReport(const TSheetJob& job, bool days) {
  const int rows = WayRows(job, days);
  // The details sheet is prepared only once the route sheet is done, so a
  // failure there leaves the details untouched.
  WriteRouteSheet(job, days, rows);
  WriteDetailsSheet(job, days, rows);
}

}  // namespace vedograf
