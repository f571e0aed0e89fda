#pragma once
// User services for tests: records every text shown and answers questions
// from a script (Yes when the script runs out).

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/user_services.h"

namespace vedograf::test {

struct TShown {
  enum Kind { Error, Warning, YesNo, YesNoAll } kind;
  std::string text;
  bool operator==(const TShown&) const = default;
};

class TTestServices : public IUserServices {
 public:
  void ShowError(std::string_view text) override { shown.push_back({TShown::Error, std::string(text)}); }
  void ShowWarning(std::string_view text) override { shown.push_back({TShown::Warning, std::string(text)}); }
  bool AskYesNo(std::string_view text) override;
  TAnswer AskYesNoAll(std::string_view text) override;
  std::optional<std::string> AskPassword() override;
  void ShowWait(TWaitMode mode, std::string_view path) override;
  void SetWaitProgress(int done, int total) override { progress.push_back({done, total}); }
  void CloseWait() override { waitOpen = false; }
  void PumpMessages() override;

  // Texts of one kind, in order.
  std::vector<std::string> Texts(TShown::Kind kind) const;
  std::vector<std::string> Errors() const { return Texts(TShown::Error); }
  std::vector<std::string> Warnings() const { return Texts(TShown::Warning); }

  std::vector<TShown> shown;
  std::deque<TAnswer> answers;  // consumed by the questions
  std::deque<std::optional<std::string>> passwords;
  std::vector<std::pair<int, int>> progress;
  bool waitOpen = false;
  TWaitMode waitMode = TWaitMode::MakingReport;
  int pumps = 0;
  // Runs inside PumpMessages, as a window message would.
  std::function<void()> onPump;
};

}  // namespace vedograf::test
