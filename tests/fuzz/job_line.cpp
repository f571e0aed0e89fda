// The job file: one line through the decoder, then the whole input as a file
// through the reader.

#include <cmath>
#include <cstdint>
#include <string_view>

#include "core/report_params.h"
#include "fuzz_util.h"
#include "run/form_state.h"
#include "run/job_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vedograf;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  TFormState form;
  form.SDDateTimePicker = 40000.25;
  form.FTDateTimePicker = 40001.75;
  fuzz::TCountingServices services;
  const TJobContext ctx{form, 0.125, "job.txt", services};

  const std::string_view line = text.substr(0, text.find('\n'));
  TReportParams params;
  params.ObjNum = -5;
  if (DecodeParams(line, ctx, params)) {
    FUZZ_CHECK(params.ObjNum >= 1);
    FUZZ_CHECK(std::isfinite(params.Begin) && std::isfinite(params.End));
  }

  const fuzz::TMemFile file(data, size);
  const TJobContext fileCtx{form, 0.0, file.Path(), services};
  TPersonalParams personal;
  const int status = ReadAutoFile(fileCtx, personal);
  FUZZ_CHECK(status == 0);
  std::size_t lines = 0;
  for (char c : text) lines += c == '\n';
  FUZZ_CHECK(personal.size() <= lines + 1);
  for (const TReportParams& p : personal) FUZZ_CHECK(p.ObjNum >= 1);
  return 0;
}
