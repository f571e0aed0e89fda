#include "app/aux_windows.h"

#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>

#include "app/window_rules.h"

namespace vedograf::app {

namespace {

QString Q(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

QLabel* CentredLabel(QWidget* parent, const char* name, int top, int height) {
  auto* label = new QLabel(parent);
  label->setObjectName(name);
  label->setGeometry(8, top, 289, height);
  label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  label->setWordWrap(true);
  return label;
}

void CentreOverMain(QWidget* self, QWidget* main) {
  if (main == nullptr) return;
  const QRect outer = main->frameGeometry();
  int left = 0, top = 0;
  CentreOver(TRect{outer.left(), outer.top(), outer.width(), outer.height()}, self->frameGeometry().width(),
             self->frameGeometry().height(), left, top);
  self->move(left, top);
}

// A path has no blanks to break at; a zero-width space after every folder
// separator lets a long one wrap at its folders instead of running off the
// label.
QString BreakablePath(const QString& path) {
  QString out;
  out.reserve(path.size() * 2);
  for (QChar c : path) {
    out += c;
    if (c == u'/' || c == u'\\') out += QChar(0x200B);
  }
  return out;
}

QPixmap AboutPicture() {
  QPixmap pix(60, 318);
  QPainter p(&pix);
  QLinearGradient g(0, 0, 0, 318);
  g.setColorAt(0.0, QColor(30, 60, 120));
  g.setColorAt(1.0, QColor(120, 170, 220));
  p.fillRect(pix.rect(), g);
  p.setPen(Qt::white);
  QFont f = p.font();
  f.setPointSize(18);
  f.setBold(true);
  p.setFont(f);
  p.translate(40, 300);
  p.rotate(-90);
  p.drawText(0, 0, Q(kProgramName));
  return pix;
}

}  // namespace

TForm2::TForm2(QWidget* mainWindow)
    : QWidget(mainWindow, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowMinimizeButtonHint),
      main_(mainWindow) {
  setObjectName("Form2");
  setWindowTitle(QStringLiteral("Информация"));
  setFixedSize(302, 73);
  Label1 = CentredLabel(this, "Label1", 16, 17);
  Label1->setText(QStringLiteral("Подождите, идет открытие базы"));
  // 37 pixels: about two and a half lines; the rest of a long path is cut.
  Label2 = CentredLabel(this, "Label2", 36, 37);
  Label3 = CentredLabel(this, "Label3", 24, 17);
  Label3->setText(QStringLiteral("Подождите, идет формирование отчета"));
  ProgressLabel = CentredLabel(this, "ProgressLabel", 46, 17);
  ProgressLabel->hide();
}

void TForm2::PrepareOpening(const QString& path) {
  Label1->show();
  Label2->setText(BreakablePath(path));
  Label2->show();
  Label3->hide();
  ProgressLabel->hide();
}

void TForm2::PrepareReport() {
  Label1->hide();
  Label2->hide();
  Label3->show();
  ProgressLabel->clear();
  ProgressLabel->hide();
}

void TForm2::SetProgress(int done, int total) {
  if (total <= 0) {
    ProgressLabel->hide();
    return;
  }
  ProgressLabel->setText(QStringLiteral("Объект %1 из %2").arg(done).arg(total));
  ProgressLabel->setVisible(Label3->isVisible());
}

void TForm2::showEvent(QShowEvent* event) {
  CentreOverMain(this, main_);
  QWidget::showEvent(event);
}

TPasswordDlg::TPasswordDlg(QWidget* mainWindow) : QDialog(mainWindow), main_(mainWindow) {
  setObjectName("PasswordDlg");
  setWindowTitle(QStringLiteral("Запрос пароля"));
  setFixedSize(233, 93);
  auto* label = new QLabel(QStringLiteral("Введите пароль для доступа к базе:"), this);
  label->setObjectName("Label1");
  label->setGeometry(8, 9, 217, 16);
  Password = new QLineEdit(this);
  Password->setObjectName("Password");
  Password->setGeometry(8, 27, 217, 21);
  Password->setEchoMode(QLineEdit::Password);
  Password->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
  OKBtn = new QPushButton(QStringLiteral("OK"), this);
  OKBtn->setObjectName("OKBtn");
  OKBtn->setGeometry(62, 59, 75, 25);
  OKBtn->setDefault(true);
  CancelBtn = new QPushButton(QStringLiteral("Отмена"), this);
  CancelBtn->setObjectName("CancelBtn");
  CancelBtn->setGeometry(150, 59, 75, 25);
  connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

std::optional<std::string> TPasswordDlg::Ask() {
  Password->clear();
  const int result = exec();
  std::optional<std::string> out;
  if (result == QDialog::Accepted) out = Password->text().toStdString();
  Password->clear();
  return out;
}

void TPasswordDlg::showEvent(QShowEvent* event) {
  CentreOverMain(this, main_);
  QDialog::showEvent(event);
  Password->setFocus();
}

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
  setObjectName("AboutBox");
  setWindowTitle(QStringLiteral("О программе"));
  setFixedSize(242, 391);
  Panel = new QFrame(this);
  Panel->setObjectName("Panel1");
  Panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
  Panel->setGeometry(8, 8, 225, 337);
  ProgramIcon = new QLabel(Panel);
  ProgramIcon->setObjectName("ProgramIcon");
  ProgramIcon->setGeometry(8, 8, 60, 318);
  ProgramIcon->setPixmap(AboutPicture());
  ProductName = new QLabel(Q(kProgramName), Panel);
  ProductName->setObjectName("ProductName");
  ProductName->move(80, 24);
  QFont big = ProductName->font();
  big.setBold(true);
  big.setPointSize(big.pointSize() + 4);
  ProductName->setFont(big);
  ProductName->adjustSize();
  Version = new QLabel(Q(kVersionCaption), Panel);
  Version->setObjectName("Version");
  Version->move(80, 64);
  Version->adjustSize();
  Label4 = new QLabel(QStringLiteral("Сделано с заботой о диспетчерах"), Panel);
  Label4->setObjectName("Label4");
  Label4->setWordWrap(true);
  Label4->setGeometry(280, 312, 140, 17);
  Label4->hide();
  OKButton = new QPushButton(QStringLiteral("OK"), this);
  OKButton->setObjectName("OKButton");
  OKButton->setGeometry(83, 356, 75, 25);
  OKButton->setDefault(true);
  OKButton->installEventFilter(this);
  connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
  versionText_ = ProgramVersionText(Version->text().toStdString());
}

bool TAboutBox::eventFilter(QObject* watched, QEvent* event) {
  if (watched == OKButton) {
    if (event->type() == QEvent::KeyPress) {
      const auto* key = static_cast<QKeyEvent*>(event);
      const auto mods = key->modifiers();
      if (key->key() == Qt::Key_A && (mods & Qt::ControlModifier) && (mods & Qt::AltModifier)) {
        Label4->move(80, Label4->y());
        Label4->show();
      }
    } else if (event->type() == QEvent::KeyRelease) {
      if (Label4->isVisible()) Label4->hide();
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TAboutBox::showEvent(QShowEvent* event) {
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect s = screen->geometry();
    move(s.left() + (s.width() - frameGeometry().width()) / 2, s.top() + (s.height() - frameGeometry().height()) / 2);
  }
  QDialog::showEvent(event);
}

}  // namespace vedograf::app
