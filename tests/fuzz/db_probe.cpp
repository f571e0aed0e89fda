// vedograf-db-probe FILE...: opens each log file as the window does and reads
// every row, printing one line per file:
//   FILE <TAB> result <TAB> objects <TAB> rows [<TAB> warning]
//   FILE <TAB> message <TAB> the error shown
// Exit status 0; 4 when a file was changed, the wait window was left open or
// a failure went untold (the damaged-database script counts those as faults).

#include <cstdio>
#include <string>

#include "db_scan.h"

int main(int argc, char** argv) {
  using namespace vedograf;
  int status = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string path = argv[i];
    const std::string before = fuzz::ReadBytes(path);
    db::TProviderOptions options;
    const fuzz::TScanOutcome r = fuzz::OpenAndScan(path, options);
    std::string message = r.Message;
    for (char& c : message) {
      if (c == '\r' || c == '\n' || c == '\t') c = ' ';
    }
    if (r.Status == 0) {
      std::printf("%s\tresult\t%zu\t%zu%s%s\n", path.c_str(), r.Objects, r.Rows, r.Warnings > 0 ? "\t" : "",
                  r.Warnings > 0 ? message.c_str() : "");
    } else {
      std::printf("%s\tmessage\t%s\n", path.c_str(), message.c_str());
    }
    std::fflush(stdout);
    if (r.WaitLeftOpen || (r.Status != 0 && r.Errors != 1) || fuzz::ReadBytes(path) != before) {
      std::fprintf(stderr, "%s: fault (status %d, errors %d, wait %d)\n", path.c_str(), r.Status, r.Errors,
                   r.WaitLeftOpen ? 1 : 0);
      status = 4;
    }
  }
  return status;
}
