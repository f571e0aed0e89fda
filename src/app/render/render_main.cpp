// Renders every page of the main window and the three small windows to PNG
// files on Qt's offscreen platform, for the README and for reviewing the
// layout without a display:  vedograf-render OUTDIR [SETTINGS.ini]

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QListWidget>
#include <QLabel>
#include <QPixmap>
#include <QTabWidget>
#include <cstdio>
#include <cstdlib>

#include "app/aux_windows.h"
#include "app/main_window.h"
#include "app/widgets.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: vedograf-render OUTDIR [SETTINGS.ini]\n");
    return 2;
  }
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const QString out = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(out);
  vedograf::app::TStartOptions options;
  // A settings file nobody else uses: the window must not write over the real one.
  options.SettingsPath = argc > 2 ? argv[2] : (out + QStringLiteral("/render.ini")).toStdString();
  vedograf::app::TForm1 window(std::move(options));
  window.show();
  QApplication::processEvents();
  // With a settings file that opens a database at start, wait for its list.
  if (window.BaseOpenCheckBox->isChecked()) {
    QElapsedTimer clock;
    clock.start();
    while (window.ObjectsListBox->count() == 0 && clock.elapsed() < 20000)
      QApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  const char* pages[] = {"route", "inputs", "fuel", "params"};
  bool ok = true;
  for (int i = 0; i < 4; ++i) {
    window.ReportsPageControl->setCurrentIndex(i);
    QApplication::processEvents();
    ok &= window.grab().save(out + QStringLiteral("/main-%1.png").arg(QString::fromLatin1(pages[i])));
  }
  window.Form2->PrepareOpening(QStringLiteral("/home/dispatcher/Документы/Журналы/2010/март/ZNT.mdb"));
  window.Form2->show();
  QApplication::processEvents();
  ok &= window.Form2->grab().save(out + QStringLiteral("/wait-opening.png"));
  window.Form2->PrepareReport();
  window.Form2->SetProgress(3, 12);
  QApplication::processEvents();
  ok &= window.Form2->grab().save(out + QStringLiteral("/wait-report.png"));
  window.Form2->hide();
  window.PasswordDlg->show();
  QApplication::processEvents();
  ok &= window.PasswordDlg->grab().save(out + QStringLiteral("/password.png"));
  window.PasswordDlg->hide();
  window.AboutBox->show();
  QApplication::processEvents();
  ok &= window.AboutBox->grab().save(out + QStringLiteral("/about.png"));
  window.AboutBox->hide();
  std::printf("%s\n", out.toLocal8Bit().constData());
  return ok ? 0 : 1;
}
