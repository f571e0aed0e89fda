#pragma once
// The command line and the job file of unattended runs. A job file gives
// objects their own intervals, one object per line:
//   ON12 SD01.03.2010 ST08:00 FD02.03.2010 FT08:00
// Missing dates and times take the main window's interval controls.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/report_params.h"

namespace vedograf {

class IUserServices;
struct TFormState;

struct TCommandLine {
  bool AutoMode = false;      // "-auto"
  std::string AutoFileName;   // the argument after "-file"
  bool AutoFileGiven = false; // "-file" had a following argument
};

// The switches, compared without regard to case: "-auto", and "-file" with
// the argument after it (itself examined as a switch too). Unknown arguments
// and a trailing "-file" are ignored. `args` excludes the program name.
TCommandLine ProcessCommandLine(const std::vector<std::string>& args);

// What a job-file line is decoded against.
struct TJobContext {
  const TFormState& Form;  // the interval pickers, for missing dates and times
  double TimeBias = 0.0;   // of the run the file is read for; subtracted from every bound
  std::string_view FileName;  // named in the messages
  IUserServices& Services;
};

// Decodes one line into `params`; true when the line is valid. Unknown
// tokens, a missing or non-positive object number and dates or times that do
// not convert are told to the user (one message each); only the latter two
// make the line invalid.
bool DecodeParams(std::string_view line, const TJobContext& ctx, TReportParams& params);

// Bounds of a job file, far beyond one line for every object of an
// installation: a larger file is not read at all, and the lines after the
// last one taken are the error while processing below (a run is made per
// line, and every bad line has a message of its own).
inline constexpr std::size_t kJobFileBytes = std::size_t{16} << 20;
inline constexpr std::size_t kJobFileLines = 100000;

// Appends the valid lines of the job file to `personal` in file order. A file
// that cannot be read, or is larger than kJobFileBytes, shows "Невозможно
// открыть файл " + path and appends nothing; an error while the lines are
// processed, or a line beyond the first kJobFileLines, shows "Ошибка при
// считывании параметров из файла " + path and keeps what was appended. Lines
// are read as UTF-8, or as Windows-1251 when the file is not valid UTF-8.
// Returns 0 when every line was processed, 1 otherwise, 2 when memory ran
// out before the file was read ("Недостаточно памяти для работы программы!";
// the program is to stop).
int ReadAutoFile(const TJobContext& ctx, TPersonalParams& personal);

}  // namespace vedograf
