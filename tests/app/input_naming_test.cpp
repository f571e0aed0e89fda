// In-place naming of the inputs on the inputs page of a shown window.

#include "app/input_naming.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

#include "app/main_window.h"
#include "app/widgets.h"
#include "app_fixture.h"
#include "sheet/workbook_output.h"

namespace vedograf::app {
namespace {

using test::MakeWindow;
using test::TTempDir;

class InputNamingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w->show();
    w->ReportsPageControl->setCurrentIndex(1);
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    QApplication::processEvents();
  }
  QLineEdit* Editor() const { return w->PinNameEdit; }
  void Type(const QString& text) {
    Editor()->selectAll();
    // QTest types ASCII only; the names are Cyrillic.
    for (QChar c : text) {
      QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
      QApplication::sendEvent(Editor(), &press);
      QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
      QApplication::sendEvent(Editor(), &release);
    }
  }

  TTempDir dir{"vedograf-naming"};
  std::unique_ptr<TForm1> w = MakeWindow(dir / "vedograf.ini");
};

TEST_F(InputNamingTest, LabelsCarryHintCursorAndTag) {
  EXPECT_EQ(w->InLabel[0]->text(), QStringLiteral("IN1"));  // the settings file's defaults
  EXPECT_EQ(w->InLabel[4]->text(), QStringLiteral("IN5"));
  EXPECT_EQ(w->AnInLabel[2]->text(), QStringLiteral("AN_IN3"));
  EXPECT_EQ(w->AnInLabel[1]->property("Tag").toInt(), 6);
  EXPECT_EQ(w->InLabel[0]->size(), QSize(106, 13));
  EXPECT_EQ(w->InLabel[3]->cursor().shape(), Qt::PointingHandCursor);
  EXPECT_EQ(w->InLabel[3]->toolTip(), QStringLiteral("Щелкните дважды для редактирования"));
  EXPECT_EQ(Editor()->maxLength(), 20);
  EXPECT_FALSE(Editor()->hasFrame());
}

TEST_F(InputNamingTest, EnterKeepsTheNameAndTheClosedWindowStoresIt) {
  QTest::mouseDClick(w->InLabel[0], Qt::LeftButton);
  ASSERT_TRUE(Editor()->isVisible());
  EXPECT_EQ(Editor()->text(), QStringLiteral("IN1"));
  const QRect l = w->InLabel[0]->geometry();
  EXPECT_EQ(Editor()->geometry(), QRect(l.x() - 1, l.y() - 2, l.width() + 2, l.height() + 4));
  Type(QStringLiteral("Зажигание"));
  QTest::keyClick(Editor(), Qt::Key_Return);
  EXPECT_FALSE(Editor()->isVisible());
  EXPECT_EQ(w->InLabel[0]->text(), QStringLiteral("Зажигание"));
  w->close();
  std::ifstream in(dir / "vedograf.ini");
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_NE(text.str().find("In1Name=Зажигание"), std::string::npos);
}

TEST_F(InputNamingTest, EscapeDropsTheTypedText) {
  QTest::mouseDClick(w->InLabel[1], Qt::LeftButton);
  Type(QStringLiteral("Дверь"));
  QTest::keyClick(Editor(), Qt::Key_Escape);
  EXPECT_FALSE(Editor()->isVisible());
  EXPECT_EQ(w->InLabel[1]->text(), QStringLiteral("IN2"));
}

TEST_F(InputNamingTest, OpeningAnotherLabelKeepsTheFirstName) {
  QTest::mouseDClick(w->InLabel[0], Qt::LeftButton);
  Type(QStringLiteral("Первый"));
  QTest::mouseDClick(w->InLabel[1], Qt::LeftButton);
  EXPECT_EQ(w->InLabel[0]->text(), QStringLiteral("Первый"));
  EXPECT_TRUE(Editor()->isVisible());
  EXPECT_EQ(Editor()->text(), QStringLiteral("IN2"));
  EXPECT_EQ(w->Naming().EditorTag(), 1);
  // A click on the label being edited changes nothing.
  QTest::mouseClick(w->InLabel[1], Qt::LeftButton);
  EXPECT_TRUE(Editor()->isVisible());
}

TEST_F(InputNamingTest, ClicksElsewhereAndLeavingTheEditorKeepTheName) {
  QTest::mouseDClick(w->AnInLabel[0], Qt::LeftButton);
  Type(QStringLiteral("Напряжение"));
  QTest::mouseClick(w->InReportsTabSheet, Qt::LeftButton, {}, QPoint(380, 300));
  EXPECT_FALSE(Editor()->isVisible());
  EXPECT_EQ(w->AnInLabel[0]->text(), QStringLiteral("Напряжение"));

  QTest::mouseDClick(w->AnInLabel[1], Qt::LeftButton);
  Type(QStringLiteral("Бак"));
  QTest::mouseClick(w->ReportsGroupBox, Qt::LeftButton, {}, QPoint(2, 2));
  EXPECT_EQ(w->AnInLabel[1]->text(), QStringLiteral("Бак"));

  QTest::mouseDClick(w->AnInLabel[2], Qt::LeftButton);
  ASSERT_TRUE(Editor()->hasFocus());
  Type(QStringLiteral("Датчик"));
  w->AnInEdit[0]->setFocus();
  QApplication::processEvents();
  EXPECT_FALSE(Editor()->isVisible());
  EXPECT_EQ(w->AnInLabel[2]->text(), QStringLiteral("Датчик"));
}

TEST_F(InputNamingTest, TwentyCharactersAtMostAndAnEmptyNameIsAName) {
  QTest::mouseDClick(w->InLabel[2], Qt::LeftButton);
  Type(QStringLiteral("АБВГДЕЖЗИКЛМНОПРСТУФХЦ"));
  EXPECT_EQ(Editor()->text().size(), 20);
  QTest::keyClick(Editor(), Qt::Key_Enter);
  EXPECT_EQ(w->InLabel[2]->text(), QStringLiteral("АБВГДЕЖЗИКЛМНОПРСТУФ"));

  QTest::mouseDClick(w->InLabel[2], Qt::LeftButton);
  Editor()->clear();
  QTest::keyClick(Editor(), Qt::Key_Return);
  EXPECT_TRUE(w->InLabel[2]->text().isEmpty());
  EXPECT_EQ(w->PullState().InLabel[2], "");
}

TEST_F(InputNamingTest, ADisabledLabelIgnoresTheMouse) {
  w->SensorsCheckBox->click();
  ASSERT_FALSE(w->InLabel[2]->isEnabled());
  QTest::mouseDClick(w->InLabel[2], Qt::LeftButton);
  EXPECT_FALSE(Editor()->isVisible());
  // The analog names stay editable: their own report is ticked.
  QTest::mouseDClick(w->AnInLabel[0], Qt::LeftButton);
  EXPECT_TRUE(Editor()->isVisible());
}

TEST_F(InputNamingTest, TheNamesReachTheInputSheets) {
  QTest::mouseDClick(w->InLabel[4], Qt::LeftButton);
  Type(QStringLiteral("Кузов"));
  QTest::keyClick(Editor(), Qt::Key_Return);
  ASSERT_NE(w->Workbook(), nullptr);
  test::TBoxAnswerer answerer;  // no database: "Не выбраны объекты для вывода отчетов"
  w->CalcButtonClick();
  EXPECT_EQ(w->Workbook()->InputNames[4], "Кузов");
  EXPECT_EQ(w->Workbook()->InputNames[5], "AN_IN1");
  EXPECT_EQ(answerer.Texts(), (std::vector<std::string>{"Не выбраны объекты для вывода отчетов"}));
}

}  // namespace
}  // namespace vedograf::app
