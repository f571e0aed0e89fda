// The discrete and analog input sheets: object, then each chosen input under
// the name the user gave it, then its events; an empty row after each object.

#include <string>

#include "sheet/cell_write.h"
#include "sheet/sheet_text.h"
#include "sheet/sheet_writers.h"

namespace vedograf {

namespace {

using namespace sheet_text;

// -1 is a position outside every chosen area; -2 a position not known yet.
std::string InputArea(const TSheetJob& job, std::int32_t area) {
  if (area == kNoArea) return std::string(kNoAreaText);
  if (area < 0) return std::string(kNoPositionText);
  return AreaName(job.Run.Areas, area);
}

bool DiscreteChosen(const TSheetJob& job, int k) { return job.Run.Req.SensorStates[k] != 0; }
bool AnalogChosen(const TSheetJob& job, int k) { return job.Run.Req.AnalogThres[k] >= 0.0; }

}  // namespace

TInputNames DefaultInputNames() { return {"IN1", "IN2", "IN3", "IN4", "IN5", "AN_IN1", "AN_IN2", "AN_IN3"}; }

void MakeSensorReport(const TSheetJob& job) {
  int rows = 0;
  for (const TObjReport& obj : job.Run.Objects) {
    if (!obj.InReport) continue;
    rows += 1;
    for (int k = 0; k < 5; ++k) {
      if (!DiscreteChosen(job, k)) continue;
      const std::size_t n = Records(obj.InputCount[k], obj.InputActivity[k]);
      rows += n > 0 ? static_cast<int>(n) + 1 : 1;
    }
  }
  TCellWriter cells(job.Book, job.Run);
  cells.PrepareWorksheet("ObjNum_s", "Time_s", "", rows, "Period_s");
  const double bias = job.Run.Req.TimeBias;

  int row = 0;
  for (const TObjReport& obj : job.Run.Objects) {
    if (!obj.InReport) continue;
    cells.toExcel("ObjNum_s", row, obj.Number);
    cells.toExcel("ObjName_s", row, obj.Name);
    for (int k = 0; k < 5; ++k) {
      if (!DiscreteChosen(job, k)) continue;
      cells.toExcel("Sensor_s", row, job.InputNames[k]);
      const std::size_t n = Records(obj.InputCount[k], obj.InputActivity[k]);
      if (n == 0) {
        cells.toExcel("CPoint_s", row, kNoData);
        cells.toExcel("Interval_s", row, kNoData);
        cells.toExcel("Length_s", row, kNoData);
        ++row;
        continue;
      }
      double km = 0.0;
      for (std::size_t i = 0; i < n; ++i, ++row) {
        const TInputActivity& r = obj.InputActivity[k][i];
        cells.toExcel("CPoint_s", row, InputArea(job, r.Area));
        cells.toExcel("Interval_s", row, IntervalText(r.Begin, r.End, bias));
        cells.toExcel("Length_s", row, r.End - r.Begin);
        cells.toExcel("Distance_s", row, r.Distance * 0.001);
        km += r.Distance * 0.001;
      }
      cells.toExcel("Interval_s", row, kTotal);
      cells.toExcel("Length_s", row, obj.InputActiveTime[k]);
      cells.toExcel("Distance_s", row, km);
      ++row;
    }
    ++row;
  }
}

void MakeAnalogInReport(const TSheetJob& job) {
  int rows = 0;
  for (const TObjReport& obj : job.Run.Objects) {
    if (!obj.InReport) continue;
    rows += 1;
    for (int k = 0; k < 3; ++k) {
      if (!AnalogChosen(job, k)) continue;
      const std::size_t n = Records(obj.AnalogCount[k], obj.AnalogChanges[k]);
      rows += n > 0 ? static_cast<int>(n) : 1;
    }
  }
  TCellWriter cells(job.Book, job.Run);
  cells.PrepareWorksheet("ObjNum_a", "Time_a", "", rows, "Period_a");
  const double bias = job.Run.Req.TimeBias;

  int row = 0;
  for (const TObjReport& obj : job.Run.Objects) {
    if (!obj.InReport) continue;
    cells.toExcel("ObjNum_a", row, obj.Number);
    cells.toExcel("ObjName_a", row, obj.Name);
    for (int k = 0; k < 3; ++k) {
      if (!AnalogChosen(job, k)) continue;
      cells.toExcel("Sensor_a", row, job.InputNames[5 + k]);
      const std::size_t n = Records(obj.AnalogCount[k], obj.AnalogChanges[k]);
      if (n == 0) {
        for (const char* name : {"CPoint_a", "Moment_a", "Delta_a", "NewValue_a", "TotalDelta_a"}) {
          cells.toExcel(name, row, kNoData);
        }
        ++row;
        continue;
      }
      // Counted from the first change of this input of this object.
      const double first = obj.AnalogChanges[k][0].Value;
      for (std::size_t i = 0; i < n; ++i, ++row) {
        const TAnalogChange& r = obj.AnalogChanges[k][i];
        cells.toExcel("CPoint_a", row, InputArea(job, r.Area));
        cells.toExcel("Moment_a", row, r.Time + bias);
        cells.toExcel("Delta_a", row, r.Delta);
        cells.toExcel("NewValue_a", row, r.Value);
        cells.toExcel("TotalDelta_a", row, r.Value - first);
      }
    }
    ++row;
  }
}

}  // namespace vedograf
