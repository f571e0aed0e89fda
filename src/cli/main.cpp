// vedograf-report: see report_command.h.

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "cli/report_command.h"
#include "settings/settings_file.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  try {
    return vedograf::cli::RunReportCommand(args, vedograf::ProgramFilePath(argv[0]).string());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vedograf-report: %s\n", e.what());
  } catch (...) {
    std::fprintf(stderr, "vedograf-report: unknown failure\n");
  }
  return vedograf::cli::kExitFailure;
}
