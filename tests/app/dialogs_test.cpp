// The wait window, the password dialog, the about box and the message boxes.

#include "app/aux_windows.h"

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "app/main_window.h"
#include "app/qt_user_services.h"
#include "app_fixture.h"

namespace vedograf::app {
namespace {

using test::MakeWindow;
using test::TTempDir;

class DialogsTest : public ::testing::Test {
 protected:
  TTempDir dir{"vedograf-dialogs"};
  std::unique_ptr<TForm1> w = MakeWindow(dir / "vedograf.ini");
};

TEST_F(DialogsTest, ThePasswordFieldIsEmptyAtEveryOpening) {
  std::vector<QString> seen;
  auto answer = [&](bool ok, const char* typed) {
    QTimer::singleShot(50, [&, ok, typed] {
      seen.push_back(w->PasswordDlg->Password->text());
      EXPECT_TRUE(w->PasswordDlg->Password->hasFocus());
      QTest::keyClicks(w->PasswordDlg->Password, typed);
      (ok ? w->PasswordDlg->OKBtn : w->PasswordDlg->CancelBtn)->click();
    });
  };
  EXPECT_EQ(w->PasswordDlg->windowTitle(), QStringLiteral("Запрос пароля"));
  EXPECT_EQ(w->PasswordDlg->Password->echoMode(), QLineEdit::Password);
  answer(true, "secret");
  EXPECT_EQ(w->Services().AskPassword(), std::optional<std::string>("secret"));
  answer(false, "other");
  EXPECT_EQ(w->Services().AskPassword(), std::nullopt);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_TRUE(seen[0].isEmpty());
  EXPECT_TRUE(seen[1].isEmpty());
  EXPECT_TRUE(w->PasswordDlg->Password->text().isEmpty());
}

TEST_F(DialogsTest, CtrlAltAShowsTheCreditLineUntilAKeyGoesUp) {
  TAboutBox& about = *w->AboutBox;
  about.show();
  EXPECT_EQ(about.windowTitle(), QStringLiteral("О программе"));
  EXPECT_EQ(about.Version->text(), QStringLiteral("Версия 1.8.3"));
  EXPECT_EQ(about.VersionText(), " (версия программы 1.8.3)");
  EXPECT_FALSE(about.Label4->isVisible());
  QTest::keyPress(about.OKButton, Qt::Key_A);
  EXPECT_FALSE(about.Label4->isVisible());
  QTest::keyRelease(about.OKButton, Qt::Key_A);
  QTest::keyPress(about.OKButton, Qt::Key_A, Qt::ControlModifier);
  EXPECT_FALSE(about.Label4->isVisible());
  QTest::keyRelease(about.OKButton, Qt::Key_A, Qt::ControlModifier);
  QTest::keyPress(about.OKButton, Qt::Key_A, Qt::ControlModifier | Qt::AltModifier);
  EXPECT_TRUE(about.Label4->isVisible());
  EXPECT_EQ(about.Label4->x(), 80);
  EXPECT_LE(about.Label4->geometry().right(), about.Panel->width());
  QTest::keyRelease(about.OKButton, Qt::Key_Shift);
  EXPECT_FALSE(about.Label4->isVisible());
  EXPECT_EQ(about.Label4->x(), 80);
  about.hide();
}

TEST_F(DialogsTest, TheWaitWindowShowsTheLabelsOfItsUser) {
  TForm2& wait = *w->Form2;
  const QString path = QStringLiteral("/home/dispatcher/Документы/Журналы/2010/март/очень/длинный/путь/к/базе/ZNT.mdb");
  w->Services().ShowWait(TWaitMode::OpeningBase, path.toStdString());
  EXPECT_TRUE(wait.isVisible());
  EXPECT_EQ(wait.windowTitle(), QStringLiteral("Информация"));
  EXPECT_TRUE(wait.Label1->isVisible());
  EXPECT_TRUE(wait.Label2->isVisible());
  EXPECT_FALSE(wait.Label3->isVisible());
  EXPECT_EQ(wait.Label2->text().remove(QChar(0x200B)), path);
  // The path wraps at its folders and is cut at the label's 37 pixels.
  EXPECT_GT(wait.Label2->heightForWidth(wait.Label2->width()), wait.Label2->fontMetrics().height());
  EXPECT_EQ(wait.Label2->height(), 37);
  w->Services().CloseWait();
  EXPECT_FALSE(wait.isVisible());

  w->Services().ShowWait(TWaitMode::MakingReport, "");
  w->Services().SetWaitProgress(3, 12);
  EXPECT_FALSE(wait.Label1->isVisible());
  EXPECT_FALSE(wait.Label2->isVisible());
  EXPECT_TRUE(wait.Label3->isVisible());
  EXPECT_EQ(wait.ProgressLabel->text(), QStringLiteral("Объект 3 из 12"));
  EXPECT_TRUE(wait.ProgressLabel->isVisible());
  w->Services().CloseWait();
}

TEST_F(DialogsTest, MessageBoxesHaveTheRightIconButtonsAndTitle) {
  test::TBoxAnswerer answerer;
  answerer.Script = {QMessageBox::Ok, QMessageBox::Ok, QMessageBox::No, QMessageBox::Yes, QMessageBox::YesToAll,
                     QMessageBox::No};
  IUserServices& s = w->Services();
  s.ShowError("Ошибка открытия базы:\r\nвведен неверный пароль");
  s.ShowWarning("предупреждение");
  EXPECT_FALSE(s.AskYesNo("вопрос"));
  EXPECT_TRUE(s.AskYesNo("вопрос"));
  EXPECT_EQ(s.AskYesNoAll("район"), TAnswer::YesToAll);
  EXPECT_EQ(s.AskYesNoAll("район"), TAnswer::No);
  ASSERT_EQ(answerer.Boxes.size(), 6u);
  for (const auto& b : answerer.Boxes) EXPECT_EQ(b.Title, "Ведограф");
  EXPECT_EQ(answerer.Boxes[0].Text, "Ошибка открытия базы:\nвведен неверный пароль");
  EXPECT_EQ(answerer.Boxes[0].Icon, QMessageBox::Critical);
  EXPECT_EQ(answerer.Boxes[0].Buttons, QMessageBox::Ok);
  EXPECT_EQ(answerer.Boxes[1].Icon, QMessageBox::Warning);
  EXPECT_EQ(answerer.Boxes[2].Icon, QMessageBox::Critical);
  EXPECT_EQ(answerer.Boxes[2].Buttons, QMessageBox::Yes | QMessageBox::No);
  EXPECT_EQ(answerer.Boxes[4].Buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::YesToAll);
}

TEST_F(DialogsTest, AQuestionClosedWithEscapeGoesOnAsYes) {
  QTimer::singleShot(50, [] {
    if (QWidget* box = QApplication::activeModalWidget()) QTest::keyClick(box, Qt::Key_Escape);
  });
  EXPECT_TRUE(w->Services().AskYesNo("Не выбраны датчики для отчетов по топливу\r\nПродолжить?"));
}

}  // namespace
}  // namespace vedograf::app
