#pragma once
// What the run-driver benchmarks share: an output that writes nothing and
// services that stay quiet, so only the calculation is timed.

#include <chrono>

#include "sheet/report_output.h"
#include "support/test_services.h"

namespace vedograf::bench {

using Clock = std::chrono::steady_clock;

class TNullOutput : public IReportOutput {
 public:
  int ExcelInit() override { return 0; }
  void MakeReport(const TRunView&, int, TReportMask) override {}
  void ShowExcel() override {}
};

class TQuietServices : public test::TTestServices {
 public:
  void SetWaitProgress(int, int) override {}
};

}  // namespace vedograf::bench
