#include "sheet/workbook_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <new>
#include <system_error>

#include "core/datetime.h"
#include "sheet/cell_write.h"
#include "core/new_file.h"

namespace vedograf {

namespace fs = std::filesystem;

std::string TemplateNameForVersion(std::string_view version) {
  std::string text(version);
  for (char& c : text) {
    if (c == ',') c = '.';
  }
  double number = 0;
  const auto res = std::from_chars(text.data(), text.data() + text.size(), number);
  if (res.ec != std::errc() || res.ptr != text.data() + text.size()) number = 0;
  return number >= 12 ? "Отчет.xltx" : "Отчет.xlt";
}

namespace {

fs::path ExecutableFolder() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::current_path(ec) : exe.parent_path();
}

}  // namespace

fs::path FindTemplate(const std::string& name, const fs::path& preferred) {
  // A folder the caller names is the only place looked at.
  if (!preferred.empty()) return preferred / name;
  std::vector<fs::path> folders;
  folders.push_back(ExecutableFolder());
#ifdef VEDOGRAF_DATA_DIR
  folders.emplace_back(VEDOGRAF_DATA_DIR);
#endif
#ifdef VEDOGRAF_TEMPLATE_BUILD_DIR
  folders.emplace_back(VEDOGRAF_TEMPLATE_BUILD_DIR);
#endif
  for (const fs::path& folder : folders) {
    std::error_code ec;
    if (fs::is_regular_file(folder / name, ec)) return folder / name;
  }
  return folders.front() / name;
}

fs::path DocumentsFolder() {
  const char* homeEnv = std::getenv("HOME");
  const fs::path home = homeEnv != nullptr && *homeEnv != '\0' ? fs::path(homeEnv) : fs::temp_directory_path();
  const char* configEnv = std::getenv("XDG_CONFIG_HOME");
  const fs::path config = configEnv != nullptr && *configEnv != '\0' ? fs::path(configEnv) : home / ".config";
  std::ifstream dirs(config / "user-dirs.dirs");
  std::string line;
  while (std::getline(dirs, line)) {
    constexpr std::string_view key = "XDG_DOCUMENTS_DIR=";
    if (line.rfind(key, 0) != 0) continue;
    std::string value = line.substr(key.size());
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
    if (value.rfind("$HOME", 0) == 0) value = home.string() + value.substr(5);
    // "$HOME/" alone means the user switched the folder off.
    if (!value.empty() && value.front() == '/' && fs::path(value) != home) return fs::path(value);
  }
  return home / "Documents";
}

TWorkbookOutput::TWorkbookOutput(IUserServices& services, TSheetWriters writers)
    : services_(services), writers_(std::move(writers)) {}

TWorkbookOutput::~TWorkbookOutput() = default;

int TWorkbookOutput::ExcelInit() {
  if (!app_) {
    try {
      app_ = std::make_unique<TExcelApp>();
    } catch (const std::exception&) {
      services_.ShowError("Невозможно открыть Microsoft Excel!\nВозможно Excel не установлен на компьютере.");
      return 1;
    }
  }
  templateName_ = TemplateNameForVersion(app_->Version());
  return 0;
}

void TWorkbookOutput::MakeReport(const TRunView& run, int count, TReportMask mask) {
  if (!app_) throw TOleError(kErrGeneric, "Нет соединения с приложением");
  const fs::path path = FindTemplate(templateName_, Options.TemplateFolder);
  TWorkbook* book = nullptr;
  try {
    book = &app_->Open(path);
  } catch (const std::exception&) {
    services_.ShowError("Ошибка открытия шаблона отчета!");
    return;
  }
  app_->ScreenUpdating = false;
  if ((mask & kMaskDeleteSheets) != 0) DeleteSheets(mask);

  const TSheetJob job{*book, run, static_cast<int>(run.Objects.size()), count, InputNames};
  auto call = [&](TReportMask bit, const std::function<void(const TSheetJob&)>& writer) {
    if ((mask & bit) != 0 && writer) writer(job);
  };
  if ((mask & kMaskWay) != 0 && writers_.Way) writers_.Way(job, (mask & kMaskDays) != 0);
  call(kMaskPowerUp, writers_.PowerUp);
  call(kMaskNavLack, writers_.NavLack);
  call(kMaskPoints, writers_.Point);
  call(kMaskStops, writers_.Stop);
  call(kMaskSpeedExcess, writers_.SpeedEx);
  call(kMaskSensors, writers_.Sensor);
  call(kMaskAnalogInputs, writers_.AnalogIn);
  call(kMaskFuel, writers_.Fuel);
  call(kMaskLoad, writers_.Load);
  call(kMaskGraph, writers_.Graph);
  app_->Worksheets(1).Select();
}

void TWorkbookOutput::DeleteSheets(TReportMask mask) {
  struct TRow {
    TReportMask Bit;
    const char* Names[2];
  };
  // The order of the mask table; the graph's chart sheet follows its data.
  static constexpr TRow kRows[] = {
      {kMaskWay, {"ObjNum_w", "ObjNum_ew"}},  {kMaskPowerUp, {"ObjNum_p", nullptr}},
      {kMaskNavLack, {"ObjNum_n", nullptr}},  {kMaskPoints, {"ObjNum_c", nullptr}},
      {kMaskStops, {"ObjNum_st", nullptr}},   {kMaskSpeedExcess, {"ObjNum_e", nullptr}},
      {kMaskSensors, {"ObjNum_s", nullptr}},  {kMaskAnalogInputs, {"ObjNum_a", nullptr}},
      {kMaskFuel, {"ObjNum_f", "Consump"}},   {kMaskLoad, {"ObjNum_l", nullptr}},
      {kMaskGraph, {"Graph_Data", nullptr}},
  };
  app_->DisplayAlerts = false;
  for (const TRow& row : kRows) {
    if ((mask & row.Bit) != 0) continue;
    for (const char* name : row.Names) {
      if (name != nullptr) app_->Range(name).Worksheet().Delete();
    }
    if (row.Bit == kMaskGraph) app_->Charts(1).Delete();
  }
  app_->DisplayAlerts = true;
}

namespace {

void OpenWithDesktop(const fs::path& file) {
  // Detached through an intermediate child so that no zombie is left and the
  // spreadsheet application outlives us.
  const pid_t child = ::fork();
  if (child < 0) return;
  if (child == 0) {
    ::setsid();
    if (::fork() == 0) {
      char* const argv[] = {const_cast<char*>("xdg-open"), const_cast<char*>(file.c_str()), nullptr};
      ::execvp("xdg-open", argv);
    }
    ::_exit(0);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
}

}  // namespace

bool TWorkbookOutput::SaveOne(TWorkbook& book, const std::string& stamp, std::vector<fs::path>& failedFolders) {
  // Where to try, in order: a folder and the file name stem there.
  struct TTarget {
    fs::path Folder;
    std::string Stem, Extension;
  };
  std::vector<TTarget> targets;
  auto add = [&](const fs::path& folder, const std::string& stem, const std::string& ext) {
    if (folder.empty()) return;
    for (const TTarget& t : targets) {
      if (t.Folder == folder) return;
    }
    targets.push_back({folder, stem, ext});
  };
  const std::string stem = "Отчет " + stamp;
  if (!Options.OutputFile.empty()) {
    std::error_code aec;
    fs::path file = fs::absolute(Options.OutputFile, aec);
    if (aec) file = Options.OutputFile;
    add(file.parent_path(), file.stem().string(), file.has_extension() ? file.extension().string() : ".xlsx");
  }
  add(Options.ReportsFolder, stem, ".xlsx");
  add(DocumentsFolder() / "Ведограф", stem, ".xlsx");
  std::error_code tec;
  add(fs::temp_directory_path(tec) / "Ведограф", stem, ".xlsx");

  struct TFailure {
    fs::path Folder;
    std::string Reason;
  };
  std::vector<TFailure> failures;
  fs::path savedAt;
  for (const TTarget& target : targets) {
    const fs::path& folder = target.Folder;
    bool failedBefore = false;
    for (const fs::path& f : failedFolders) failedBefore |= f == folder;
    if (failedBefore) continue;
    std::string reason;
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) {
      reason = ec.message();
    } else {
      auto nameOf = [&](int n) {
        return folder / (target.Stem + (n == 1 ? std::string() : " (" + std::to_string(n) + ")") + target.Extension);
      };
      // Written in full before it gets a name; the name must not exist, so
      // no earlier report is ever replaced and a failure leaves nothing.
      fs::path current = nameOf(1);
      try {
        TNewFile file(folder);
        book.SaveTo(file.Fd(), current);
        for (int n = 1; n < 10000; ++n) {
          current = nameOf(n);
          if (file.Publish(current)) {
            savedAt = current;
            break;
          }
        }
      } catch (const std::system_error& e) {
        reason = "Не удается сохранить файл " + current.string() + ": " + e.code().message();
      } catch (const std::bad_alloc&) {
        reason = "Не удается сохранить файл " + current.string() + ": недостаточно памяти";
      } catch (const std::exception& e) {
        reason = e.what();
      }
    }
    if (!savedAt.empty()) break;
    if (reason.empty()) reason = "нет свободного имени файла";
    failures.push_back({folder, reason});
    failedFolders.push_back(folder);
  }
  for (const TFailure& f : failures) {
    services_.ShowError("Невозможно сохранить отчет в папку " + f.Folder.string() + "\r\n" + f.Reason +
                        (savedAt.empty() ? std::string("\r\nОтчет не сохранен") : "\r\nОтчет сохранен в файл " + savedAt.string()));
  }
  if (savedAt.empty()) {
    if (failures.empty()) services_.ShowError("Отчет не сохранен: нет папки для сохранения");
    return false;
  }
  saved_.push_back(savedAt);
  return true;
}

void TWorkbookOutput::ShowExcel() {
  saved_.clear();
  if (!app_) return;
  app_->ScreenUpdating = true;
  app_->Visible = true;
  const double now = Options.Now ? Options.Now() : LocalNow();
  const std::string stamp = FormatDateTime("yyyy-mm-dd hh-nn-ss", now);
  std::vector<fs::path> failedFolders;
  for (int i = 1; i <= app_->WorkbookCount(); ++i) SaveOne(app_->Workbook(i), stamp, failedFolders);
  // The handle goes before anything can fail: after the hand-over the run
  // holds nothing.
  app_.reset();
  if (!Options.OpenInDesktop) return;
  if (Options.Opener) {
    for (const fs::path& p : saved_) Options.Opener(p);
    return;
  }
  const char* display = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  const bool haveDisplay = (display != nullptr && *display != '\0') || (wayland != nullptr && *wayland != '\0');
  if (!haveDisplay) return;
  for (const fs::path& p : saved_) OpenWithDesktop(p);
}

void TWorkbookOutput::QuitExcel() {
  if (!app_) return;
  try {
    app_->Quit();
  } catch (...) {
  }
  app_.reset();
}

}  // namespace vedograf
