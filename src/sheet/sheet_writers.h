#pragma once
// The sheet writers, one per report family, as the workbook dispatch calls
// them. Each fills its sheet(s) of the workbook just opened from the template
// for the objects whose InReport flag is set.

#include <array>
#include <string>

#include "sheet/report_output.h"

namespace vedograf {

class TWorkbook;

// The names the window shows for discrete inputs 1..5 and analog inputs 1..3.
using TInputNames = std::array<std::string, 8>;
TInputNames DefaultInputNames();  // "IN1".."IN5", "AN_IN1".."AN_IN3"

struct TSheetJob {
  TWorkbook& Book;
  const TRunView& Run;
  int ObjCount;     // all objects of the run
  int ReportCount;  // objects with InReport set
  const TInputNames& InputNames;
};

void MakeWayReport(const TSheetJob& job, bool days);
void MakePowerUpReport(const TSheetJob& job);
void MakeNavLackReport(const TSheetJob& job);
void MakePointReport(const TSheetJob& job);
void MakeStopReport(const TSheetJob& job);
void MakeSpeedExReport(const TSheetJob& job);
void MakeSensorReport(const TSheetJob& job);
void MakeAnalogInReport(const TSheetJob& job);
void MakeFuelReport(const TSheetJob& job);
void MakeLoadReport(const TSheetJob& job);
void MakeGraphReport(const TSheetJob& job);

}  // namespace vedograf
