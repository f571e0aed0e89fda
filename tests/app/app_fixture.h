#pragma once
// Helpers of the window tests: a window over a settings file of its own, and
// a hand that answers the message boxes the window shows.

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/main_window.h"

namespace vedograf::test {

// A fresh folder under the system's temporary folder, removed at the end.
class TTempDir {
 public:
  explicit TTempDir(const std::string& stem);
  ~TTempDir();
  const std::filesystem::path& Path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

void WriteFile(const std::filesystem::path& path, const std::string& text);

std::unique_ptr<app::TForm1> MakeWindow(const std::filesystem::path& settings,
                                        std::vector<std::string> args = {});

// Answers every message box that becomes the active modal window: records its
// text and presses the button the script names (OK / Yes when it runs out).
class TBoxAnswerer {
 public:
  TBoxAnswerer();
  struct TBox {
    std::string Title, Text;
    QMessageBox::Icon Icon;
    QMessageBox::StandardButtons Buttons;
  };
  std::vector<TBox> Boxes;
  std::vector<std::string> Texts() const;
  std::vector<QMessageBox::StandardButton> Script;

 private:
  QTimer timer_;
};

// Lets events run until `done` holds or `ms` pass; returns `done()`.
template <class F>
bool WaitFor(F done, int ms) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 20);
  return done();
}

}  // namespace vedograf::test
