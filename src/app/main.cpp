// Program entry of the windowed program.

#include <QApplication>
#include <QMessageBox>
#include <exception>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/window_rules.h"
#include "settings/settings_file.h"

namespace {

QString ProgramName() {
  return QString::fromUtf8(vedograf::app::kProgramName.data(),
                           static_cast<qsizetype>(vedograf::app::kProgramName.size()));
}

// An exception that reaches the event loop is shown and the program goes on,
// as the application's standard exception display does.
class TApplication : public QApplication {
 public:
  using QApplication::QApplication;
  bool notify(QObject* receiver, QEvent* event) override {
    try {
      return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
      QMessageBox::critical(nullptr, ProgramName(), QString::fromUtf8(e.what()));
    } catch (...) {
      QMessageBox::critical(nullptr, ProgramName(), QString());
    }
    return false;
  }
};

}  // namespace

int main(int argc, char** argv) {
  TApplication app(argc, argv);
  app.setApplicationName(QStringLiteral("vedograf"));
  app.setApplicationDisplayName(ProgramName());
  vedograf::app::TStartOptions options;
  for (int i = 1; i < argc; ++i) options.Args.emplace_back(argv[i]);
  options.SettingsPath = vedograf::SettingsFilePath(vedograf::ProgramFilePath(argv[0])).string();
  try {
    vedograf::app::TForm1 window(std::move(options));
    window.show();
    return app.exec();
  } catch (const std::exception& e) {
    QMessageBox::critical(nullptr, ProgramName(), QString::fromUtf8(e.what()));
  } catch (...) {
    QMessageBox::critical(nullptr, ProgramName(), QString());
  }
  return 1;
}
