#pragma once
// Opening a log file the way the window does and reading every row of every
// object, as a run would: shared by the database fuzz target and the probe of
// the damaged-database script.

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>

#include "core/user_services.h"
#include "db/open_base.h"

namespace vedograf::fuzz {

struct TScanOutcome {
  int Status = -1;            // OpenBase's
  std::string Message;        // the last error or warning shown
  int Errors = 0, Warnings = 0, Questions = 0;
  bool WaitLeftOpen = false;
  std::size_t Objects = 0, Rows = 0;
};

class TScanServices : public IUserServices {
 public:
  void ShowError(std::string_view text) override { ++out.Errors; out.Message = text; }
  void ShowWarning(std::string_view text) override { ++out.Warnings; out.Message = text; }
  bool AskYesNo(std::string_view) override { ++out.Questions; return true; }
  TAnswer AskYesNoAll(std::string_view) override { ++out.Questions; return TAnswer::Yes; }
  // One wrong password, then the dialog is cancelled.
  std::optional<std::string> AskPassword() override {
    ++out.Questions;
    if (out.Questions > 1) return std::nullopt;
    return std::string("wrong");
  }
  void ShowWait(TWaitMode, std::string_view) override { out.WaitLeftOpen = true; }
  void SetWaitProgress(int, int) override {}
  void CloseWait() override { out.WaitLeftOpen = false; }
  void PumpMessages() override {}
  TScanOutcome out;
};

inline TScanOutcome OpenAndScan(const std::string& path, const db::TProviderOptions& options) {
  TScanServices services;
  db::TBaseState state;
  services.out.Status = db::OpenBase(path, services, state, options);
  if (state.Database) {
    db::TLogDatabase& log = *state.Database;
    std::string text;
    const auto objects = log.LogObjects();
    services.out.Objects = objects.size();
    log.SetTimeWindow(-1e9, 1e9);
    log.SetFiltered(true);
    for (std::int32_t mobile : objects) {
      for (const char* tail : {"", " AND FLAGS = 12"}) {
        log.SetFilterText("MOBILE = " + std::to_string(mobile) + tail);
        for (log.First(); !log.Eof(); log.Next()) {
          (void)log.AsInteger(0);
          log.AsText(2, text);
          (void)log.AsDateTime(4);
          (void)log.AsInteger(5);
          (void)log.AsDouble(7);
          (void)log.AsDouble(8);
          (void)log.AsDouble(10);
          ++services.out.Rows;
        }
      }
    }
  }
  return services.out;
}

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace vedograf::fuzz
