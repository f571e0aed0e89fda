#include "app_fixture.h"

#include <QElapsedTimer>
#include <QLocale>
#include <gtest/gtest.h>
#include <random>

namespace vedograf::test {

namespace {

// Qt wants one application object for the whole test program, on the
// offscreen platform so no display is needed.
class TQtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "app_tests";
    static char* argv[] = {name, nullptr};
    app_ = std::make_unique<QApplication>(argc, argv);
    QLocale::setDefault(QLocale::c());
  }
  void TearDown() override { app_.reset(); }

 private:
  std::unique_ptr<QApplication> app_;
};

[[maybe_unused]] const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new TQtEnvironment);

}  // namespace

TTempDir::TTempDir(const std::string& stem) {
  std::random_device rd;
  path_ = std::filesystem::temp_directory_path() / (stem + "-" + std::to_string(rd()));
  std::filesystem::create_directories(path_);
}

TTempDir::~TTempDir() {
  std::error_code ec;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(path_, ec);
}

void WriteFile(const std::filesystem::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

std::unique_ptr<app::TForm1> MakeWindow(const std::filesystem::path& settings, std::vector<std::string> args) {
  app::TStartOptions options;
  options.SettingsPath = settings.string();
  options.Args = std::move(args);
  return std::make_unique<app::TForm1>(std::move(options));
}

TBoxAnswerer::TBoxAnswerer() {
  timer_.setInterval(20);
  QObject::connect(&timer_, &QTimer::timeout, [this] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || !box->isVisible()) return;
    Boxes.push_back({box->windowTitle().toStdString(), box->text().toStdString(), box->icon(), box->standardButtons()});
    QMessageBox::StandardButton answer = QMessageBox::NoButton;
    if (!Script.empty()) {
      answer = Script.front();
      Script.erase(Script.begin());
    }
    QAbstractButton* button = answer != QMessageBox::NoButton ? box->button(answer) : nullptr;
    if (button == nullptr) button = box->button(QMessageBox::Ok);
    if (button == nullptr) button = box->button(QMessageBox::Yes);
    if (button != nullptr) button->click();
  });
  timer_.start();
}

std::vector<std::string> TBoxAnswerer::Texts() const {
  std::vector<std::string> out;
  for (const auto& b : Boxes) out.push_back(b.Text);
  return out;
}

}  // namespace vedograf::test
