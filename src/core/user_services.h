#pragma once
// Everything the program asks of the person in front of it goes through this
// interface: the Qt window shows real dialogs, the headless command prints to
// stderr and answers as the unattended mode does, tests script the answers.

#include <optional>
#include <string>
#include <string_view>

namespace vedograf {

enum class TAnswer { Yes, No, YesToAll };

enum class TWaitMode {
  OpeningBase,   // "Подождите, идет открытие базы" and the database path
  MakingReport,  // "Подождите, идет формирование отчета"
};

class IUserServices {
 public:
  virtual ~IUserServices() = default;

  // Modal boxes with one OK button: error icon / warning icon.
  virtual void ShowError(std::string_view text) = 0;
  virtual void ShowWarning(std::string_view text) = 0;
  // Error icon with Yes and No; true for Yes.
  virtual bool AskYesNo(std::string_view text) = 0;
  // Error icon with Yes, No and Yes to All.
  virtual TAnswer AskYesNoAll(std::string_view text) = 0;
  // Database password; nullopt when the user cancels.
  virtual std::optional<std::string> AskPassword() = 0;

  // Modeless wait window; `path` is shown in OpeningBase mode only.
  virtual void ShowWait(TWaitMode mode, std::string_view path) = 0;
  // Progress figure of a long run: `done` of `total` objects.
  virtual void SetWaitProgress(int done, int total) = 0;
  virtual void CloseWait() = 0;

  // Lets the window messages queued so far run. Costly: loops call it through
  // TMessagePump, which throttles it.
  virtual void PumpMessages() = 0;
};

}  // namespace vedograf
