#pragma once
// User services without a window: every message box becomes one line on
// stderr ("ошибка: …", "предупреждение: …", "вопрос: … -> да"), questions are
// answered as the unattended mode answers them (Yes), and the database
// password comes from the command line instead of a dialog.

#include <cstdio>
#include <optional>
#include <string>

#include "core/user_services.h"

namespace vedograf::cli {

class TConsoleServices : public IUserServices {
 public:
  explicit TConsoleServices(std::FILE* err = stderr) : err_(err) {}

  void ShowError(std::string_view text) override { Line("ошибка", text, {}); }
  void ShowWarning(std::string_view text) override { Line("предупреждение", text, {}); }
  bool AskYesNo(std::string_view text) override {
    Line("вопрос", text, " -> да");
    return true;
  }
  TAnswer AskYesNoAll(std::string_view text) override {
    Line("вопрос", text, " -> да");
    return TAnswer::Yes;
  }
  // The password given on the command line; an empty one when none was
  // given, so a protected database fails with the wrong-password message
  // instead of passing for a cancelled dialog.
  std::optional<std::string> AskPassword() override { return Password.value_or(std::string()); }

  void ShowWait(TWaitMode, std::string_view) override {}
  void SetWaitProgress(int, int) override {}
  void CloseWait() override {}
  void PumpMessages() override {}

  int Messages() const { return messages_; }

  std::optional<std::string> Password;

 private:
  // One line per box: the line breaks inside a message become blanks.
  void Line(const char* kind, std::string_view text, std::string_view tail);

  std::FILE* err_;
  int messages_ = 0;
};

}  // namespace vedograf::cli
