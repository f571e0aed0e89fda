#pragma once
// The three small windows beside the main one: the wait window, the
// database password dialog and the about box. All are made once at start-up
// and kept hidden between uses.

#include <QDialog>
#include <QWidget>
#include <optional>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;
class QFrame;

namespace vedograf::app {

// "Информация": shown modeless while a database opens (Label1 and the path
// in Label2) or a report is made (Label3, with the object progress below).
class TForm2 : public QWidget {
  Q_OBJECT
 public:
  explicit TForm2(QWidget* mainWindow);

  // Chooses the labels for the opening of `path`.
  void PrepareOpening(const QString& path);
  // Chooses the labels for a report run; the progress line starts empty.
  void PrepareReport();
  // "Объект 3 из 12"; nothing shown while total is 0.
  void SetProgress(int done, int total);

  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label3 = nullptr;
  QLabel* ProgressLabel = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QWidget* main_;
};

// "Запрос пароля": one masked edit, OK and Отмена.
class TPasswordDlg : public QDialog {
  Q_OBJECT
 public:
  explicit TPasswordDlg(QWidget* mainWindow);

  // Runs the dialog modally; the entered text after OK, nullopt after
  // Отмена or Escape. The field is emptied afterwards either way, so the
  // next opening never shows a previous entry.
  std::optional<std::string> Ask();

  QLineEdit* Password = nullptr;
  QPushButton* OKBtn = nullptr;
  QPushButton* CancelBtn = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QWidget* main_;
};

// "О программе". Ctrl+Alt+A on the OK button shows the credit line until
// the next key goes up.
class TAboutBox : public QDialog {
  Q_OBJECT
 public:
  explicit TAboutBox(QWidget* parent);

  // The version text every sheet's time stamp ends with.
  const std::string& VersionText() const { return versionText_; }

  QFrame* Panel = nullptr;
  QLabel* ProgramIcon = nullptr;
  QLabel* ProductName = nullptr;
  QLabel* Version = nullptr;
  QLabel* Label4 = nullptr;  // the credit line
  QPushButton* OKButton = nullptr;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  std::string versionText_;
};

}  // namespace vedograf::app
