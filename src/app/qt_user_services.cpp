#include "app/qt_user_services.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>

#include "app/aux_windows.h"
#include "app/window_rules.h"

namespace vedograf::app {

namespace {

QString Title() { return QString::fromUtf8(kProgramName.data(), static_cast<qsizetype>(kProgramName.size())); }

}  // namespace

QString BoxText(std::string_view text) {
  QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return s;
}

TQtUserServices::TQtUserServices(QWidget* owner, TForm2* wait, TPasswordDlg* password)
    : owner_(owner), wait_(wait), password_(password) {}

void TQtUserServices::ShowError(std::string_view text) {
  QMessageBox box(QMessageBox::Critical, Title(), BoxText(text), QMessageBox::Ok, owner_);
  box.setObjectName("ErrorBox");
  box.exec();
}

void TQtUserServices::ShowWarning(std::string_view text) {
  QMessageBox box(QMessageBox::Warning, Title(), BoxText(text), QMessageBox::Ok, owner_);
  box.setObjectName("WarningBox");
  box.exec();
}

bool TQtUserServices::AskYesNo(std::string_view text) {
  QMessageBox box(QMessageBox::Critical, Title(), BoxText(text), QMessageBox::Yes | QMessageBox::No, owner_);
  box.setObjectName("YesNoBox");
  // Escape and the title bar's close go on as Yes: only a deliberate No stops.
  box.setEscapeButton(box.button(QMessageBox::Yes));
  box.exec();
  return box.clickedButton() != box.button(QMessageBox::No);
}

TAnswer TQtUserServices::AskYesNoAll(std::string_view text) {
  QMessageBox box(QMessageBox::Critical, Title(), BoxText(text),
                  QMessageBox::Yes | QMessageBox::No | QMessageBox::YesToAll, owner_);
  box.setObjectName("YesNoAllBox");
  box.setEscapeButton(box.button(QMessageBox::No));
  box.exec();
  const auto* clicked = box.clickedButton();
  if (clicked == box.button(QMessageBox::Yes)) return TAnswer::Yes;
  if (clicked == box.button(QMessageBox::YesToAll)) return TAnswer::YesToAll;
  return TAnswer::No;
}

std::optional<std::string> TQtUserServices::AskPassword() { return password_->Ask(); }

void TQtUserServices::ShowWait(TWaitMode mode, std::string_view path) {
  if (mode == TWaitMode::OpeningBase) {
    wait_->PrepareOpening(QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size())));
  } else {
    wait_->PrepareReport();
  }
  wait_->show();
  wait_->raise();
  wait_->repaint();
  if (owner_) owner_->repaint();
}

void TQtUserServices::SetWaitProgress(int done, int total) {
  wait_->SetProgress(done, total);
  if (wait_->isVisible()) wait_->repaint();
}

void TQtUserServices::CloseWait() { wait_->hide(); }

void TQtUserServices::PumpMessages() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

}  // namespace vedograf::app
