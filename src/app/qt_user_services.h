#pragma once
// The user services of the windowed program: real message boxes titled with
// the program's name, the password dialog, the wait window, and the event
// loop let through during long loops.

#include <QPointer>
#include <QWidget>

#include "core/user_services.h"

namespace vedograf::app {

class TForm2;
class TPasswordDlg;

class TQtUserServices : public IUserServices {
 public:
  // `owner` parents the message boxes; the two windows are the program's own.
  TQtUserServices(QWidget* owner, TForm2* wait, TPasswordDlg* password);

  void ShowError(std::string_view text) override;
  void ShowWarning(std::string_view text) override;
  // Only the answer No says no; a box closed any other way goes on as Yes.
  bool AskYesNo(std::string_view text) override;
  TAnswer AskYesNoAll(std::string_view text) override;
  std::optional<std::string> AskPassword() override;
  void ShowWait(TWaitMode mode, std::string_view path) override;
  void SetWaitProgress(int done, int total) override;
  void CloseWait() override;
  void PumpMessages() override;

 private:
  QPointer<QWidget> owner_;
  TForm2* wait_;
  TPasswordDlg* password_;
};

// The message text as the boxes show it: the Windows line breaks of the
// texts ("\r\n") become plain line breaks.
QString BoxText(std::string_view text);

}  // namespace vedograf::app
