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

  const int decodeErrors = services.errors;
  const fuzz::TMemFile file(data, size);
  const TJobContext fileCtx{form, 0.0, file.Path(), services};
  TPersonalParams personal;
  const int status = ReadAutoFile(fileCtx, personal);
  FUZZ_CHECK(status == 0);
  std::size_t lines = 0;
  for (char c : text) lines += c == '\n';
  FUZZ_CHECK(personal.size() <= lines + 1);
  for (const TReportParams& p : personal) FUZZ_CHECK(p.ObjNum >= 1);

  // An ASCII file is its lines as they stand: decoding them one by one gives
  // the same entries and the same messages.
  bool ascii = true;
  for (unsigned char c : text) ascii = ascii && c < 0x80;
  if (!ascii) return 0;
  fuzz::TCountingServices lineServices;
  const TJobContext lineCtx{form, 0.0, file.Path(), lineServices};
  TPersonalParams byLine;
  for (std::size_t from = 0; from < text.size();) {
    std::size_t end = text.find('\n', from);
    if (end == std::string_view::npos) end = text.size();
    std::string_view one = text.substr(from, end - from);
    if (!one.empty() && one.back() == '\r') one.remove_suffix(1);
    TReportParams p;
    if (DecodeParams(one, lineCtx, p)) byLine.push_back(p);
    from = end + 1;
  }
  FUZZ_CHECK(byLine.size() == personal.size());
  for (std::size_t i = 0; i < byLine.size(); ++i) {
    FUZZ_CHECK(byLine[i].ObjNum == personal[i].ObjNum);
    FUZZ_CHECK(byLine[i].Begin == personal[i].Begin && byLine[i].End == personal[i].End);
  }
  FUZZ_CHECK(lineServices.errors == services.errors - decodeErrors);
  return 0;
}
