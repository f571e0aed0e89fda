#pragma once
// vedograf-report: the unattended report without any display, for scheduled
// reports. Reads the window's settings file (or the one given), applies the
// options over it, opens the area file and the database, and runs the output
// action as the unattended mode does. Never writes the settings file.

#include <string>
#include <vector>

namespace vedograf::cli {

inline constexpr int kExitWritten = 0;   // at least one workbook was written (or --list / --help)
inline constexpr int kExitRefused = 1;   // the request was refused
inline constexpr int kExitNoBase = 2;    // the database could not be opened
inline constexpr int kExitFailure = 3;   // anything else: bad options, no workbook written

// `args` excludes the program name; `self` is the command's own file (the
// window's settings file is looked for beside it).
int RunReportCommand(const std::vector<std::string>& args, const std::string& self);

}  // namespace vedograf::cli
