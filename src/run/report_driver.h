#pragma once
// CalcReports: one pass over every chosen object's rows through the chosen
// calculators, then the sheet writers, then the hand-over. Every outcome
// reaches the user as a message box or as the workbook.

#include <cstdint>

#include "calc/buffers.h"
#include "calc/obj_report.h"
#include "core/record.h"
#include "core/report_mask.h"
#include "core/report_params.h"
#include "core/request.h"

namespace vedograf {

class IRowSource;
class IUserServices;
class IReportOutput;
class TControlPointList;
class TMemory;

// What one run reads and writes; owned by the caller, which must keep it alive
// and unchanged while Busy() is true.
struct TRunInputs {
  TObjReports* Objects = nullptr;       // ObjReports; Chosen marks the objects to compute
  IRowSource* Rows = nullptr;           // the log dataset
  const TRequestParams* Req = nullptr;  // filled by the request
  const TReportParams* RequestParams = nullptr;
  const TPersonalParams* Personal = nullptr;  // job-file intervals; may be empty
  const TControlPointList* Areas = nullptr;   // may be null when no area is chosen
};

class TReportDriver {
 public:
  TReportDriver(IUserServices& services, IReportOutput& output, TMemory& memory);

  // Runs a whole report for `mask`. Returns false without doing anything when
  // a run is already in progress (a window message let through by the row
  // loop may try to start another) or the mask is 0; true otherwise.
  bool CalcReports(TReportMask mask, const TRunInputs& in);

  // A run is in progress: its objects, rows and buffers must not be released.
  bool Busy() const { return busy_; }

  // CurrentParams as the last run left it.
  const TReportParams& CurrentParams() const { return current_; }
  // The run's record, as the last decoded row left it.
  const TRecord& LastRecord() const { return record_; }

 private:
  IUserServices& services_;
  IReportOutput& output_;
  TMemory& memory_;
  TEventBuffers buffers_;
  TReportParams current_;
  TRecord record_;
  bool busy_ = false;
};

}  // namespace vedograf
