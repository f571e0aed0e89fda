#pragma once
// The spreadsheet side of a run as the driver sees it: connect and choose the
// template, write the sheets of the objects marked InReport, hand the
// workbook to the user. The workbook engine implements it; tests record it.
// It lives below run/ so the engine can implement it without depending on
// the driver.

#include "calc/buffers.h"
#include "calc/obj_report.h"
#include "core/report_mask.h"
#include "core/report_params.h"
#include "core/request.h"

namespace vedograf {

class TControlPointList;

// What the sheet writers read of a run.
struct TRunView {
  const TObjReports& Objects;
  const TReportParams& Current;  // CurrentParams of the write in progress
  const TRequestParams& Req;
  const TEventBuffers& Buffers;  // the fuel graph store
  const TControlPointList* Areas;
};

class IReportOutput {
 public:
  virtual ~IReportOutput() = default;
  // 0 on success; on failure it has told the user itself.
  virtual int ExcelInit() = 0;
  // Writes the sheets of the `count` objects whose InReport is set; may throw.
  virtual void MakeReport(const TRunView& run, int count, TReportMask mask) = 0;
  // Hands the workbook to the user; may throw (the driver ignores it).
  virtual void ShowExcel() = 0;
};

}  // namespace vedograf
