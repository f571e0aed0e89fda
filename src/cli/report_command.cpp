#include "cli/report_command.h"

#include <cmath>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>

#include "areas/area_files.h"
#include "areas/control_point.h"
#include "calc/memory.h"
#include "cli/console_services.h"
#include "db/open_base.h"
#include "run/form_state.h"
#include "run/report_driver.h"
#include "run/request.h"
#include "settings/date_text.h"
#include "settings/settings_file.h"
#include "sheet/workbook_output.h"

namespace vedograf::cli {
namespace {

namespace fs = std::filesystem;

constexpr const char* kHelp =
    "vedograf-report — отчеты Ведографа без окна / Vedograf reports without a window\n"
    "\n"
    "vedograf-report [--settings FILE] [--db FILE] [--password TEXT | --password-file FILE]\n"
    "                [--areas FILE] [--job FILE] [--from \"dd.mm.yyyy hh:mm\"] [--to \"dd.mm.yyyy hh:mm\"]\n"
    "                [--objects N,N,...|all] [--out DIR] [--list]\n"
    "\n"
    "  --settings FILE       файл настроек вместо файла окна (vedograf.ini рядом с программой\n"
    "                        или в ~/.config/vedograf); не записывается никогда\n"
    "                        settings file instead of the window's; it is never written\n"
    "  --db FILE             база данных .mdb / the .mdb log database\n"
    "  --password TEXT       пароль базы / database password\n"
    "  --password-file FILE  пароль из первой строки файла (не виден в списке процессов)\n"
    "                        password from the file's first line (kept out of the process list)\n"
    "  --areas FILE          контрольные районы (.mrk или .obj) / control areas (.mrk or .obj)\n"
    "  --job FILE            файл заданий с интервалами объектов / job file with per-object intervals\n"
    "  --from, --to          начало и конец интервала (местное время по настройкам)\n"
    "                        start and end of the interval (local time as the settings say)\n"
    "  --objects N,N,...|all объекты отчета вместо сохраненного выбора\n"
    "                        objects to report instead of the saved selection\n"
    "  --out DIR             папка для книг (иначе ReportsFolder настроек)\n"
    "                        folder for the workbooks (else the settings' ReportsFolder)\n"
    "  --list                вывести список объектов, строку \"--\" и список районов и выйти\n"
    "                        print the objects, a line \"--\" and the areas, then exit\n"
    "  --help                эта справка / this help\n"
    "\n"
    "Пути записанных книг выводятся в stdout, сообщения — в stderr, по строке на сообщение.\n"
    "Paths of the written workbooks go to stdout, messages to stderr, one line each.\n"
    "Код выхода / exit status: 0 книга записана / workbook written, 1 запрос отклонен / request\n"
    "refused, 2 база не открыта / database not opened, 3 другая ошибка / any other failure.\n";

struct TOptions {
  std::optional<std::string> Settings, Db, Password, PasswordFile, Areas, Job, From, To, Objects, Out;
  bool List = false;
  bool Help = false;
};

int Fail(const std::string& text) {
  std::fprintf(stderr, "vedograf-report: %s\n", text.c_str());
  return kExitFailure;
}

// Returns an error text, empty when the options are good.
std::string ParseOptions(const std::vector<std::string>& args, TOptions& o) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::optional<std::string>& slot) -> bool {
      if (i + 1 >= args.size()) return false;
      slot = args[++i];
      return true;
    };
    bool ok = true;
    if (a == "--help" || a == "-h") o.Help = true;
    else if (a == "--list") o.List = true;
    else if (a == "--settings") ok = value(o.Settings);
    else if (a == "--db") ok = value(o.Db);
    else if (a == "--password") ok = value(o.Password);
    else if (a == "--password-file") ok = value(o.PasswordFile);
    else if (a == "--areas") ok = value(o.Areas);
    else if (a == "--job") ok = value(o.Job);
    else if (a == "--from") ok = value(o.From);
    else if (a == "--to") ok = value(o.To);
    else if (a == "--objects") ok = value(o.Objects);
    else if (a == "--out") ok = value(o.Out);
    else return "неизвестный параметр / unknown option: " + a;
    if (!ok) return "нет значения после / missing value after " + a;
  }
  if (o.Password && o.PasswordFile) return "--password и --password-file вместе / both given";
  return {};
}

bool ReadFirstLine(const std::string& path, std::string& line) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::getline(in, line);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return !in.bad();
}

// "all" or numbers separated by commas; selects the items of those objects.
bool SelectObjects(const std::string& text, const TObjReports& objects, TListState& list) {
  list.Selected.assign(list.Items.size(), false);
  if (text == "all") {
    list.Selected.assign(list.Items.size(), true);
    return true;
  }
  std::set<std::int32_t> wanted;
  std::size_t from = 0;
  while (from <= text.size()) {
    std::size_t comma = text.find(',', from);
    if (comma == std::string::npos) comma = text.size();
    const std::int32_t n = ReadIntValue(std::string_view(text).substr(from, comma - from), -1);
    if (n < 1) return false;
    wanted.insert(n);
    from = comma + 1;
  }
  for (std::size_t i = 0; i < objects.size() && i < list.Items.size(); ++i) {
    if (wanted.count(objects[i].Number) != 0) list.Selected[i] = true;
  }
  return true;
}

// The interval bound as the window's pickers hold it: the date picker takes
// the day, the time picker the time of day.
bool SetBound(const std::string& text, double& datePicker, double& timePicker) {
  double v = 0.0;
  if (!TryParseDateTime(text, v)) return false;
  datePicker = std::floor(v);
  timePicker = std::floor(timePicker) + (v - std::floor(v));
  return true;
}

}  // namespace

int RunReportCommand(const std::vector<std::string>& args, const std::string& self) {
  TOptions opt;
  if (const std::string error = ParseOptions(args, opt); !error.empty()) {
    Fail(error);
    std::fputs("vedograf-report --help\n", stderr);
    return kExitFailure;
  }
  if (opt.Help) {
    std::fputs(kHelp, stdout);
    return kExitWritten;
  }

  TConsoleServices services;
  TFormState form;

  // The settings: the window's file unless one is named; a named file must exist.
  fs::path settingsFile;
  if (opt.Settings) {
    settingsFile = *opt.Settings;
    std::error_code ec;
    if (!fs::is_regular_file(settingsFile, ec)) return Fail("нет файла настроек / no settings file: " + *opt.Settings);
  } else {
    settingsFile = SettingsFilePath(fs::path(self).parent_path() / "vedograf");
  }
  if (!ReadIniData(settingsFile, form)) {
    return Fail("файл настроек не прочитан / settings file unreadable: " + settingsFile.string());
  }

  if (opt.Db) form.OpenDialog1.FileName = *opt.Db;
  if (opt.Areas) form.OpenDialog2.FileName = *opt.Areas;
  if (opt.From && !SetBound(*opt.From, form.SDDateTimePicker, form.STDateTimePicker)) {
    return Fail("неверное время / bad time: " + *opt.From);
  }
  if (opt.To && !SetBound(*opt.To, form.FDDateTimePicker, form.FTDateTimePicker)) {
    return Fail("неверное время / bad time: " + *opt.To);
  }
  if (opt.Password) services.Password = *opt.Password;
  if (opt.PasswordFile) {
    std::string line;
    if (!ReadFirstLine(*opt.PasswordFile, line)) return Fail("нет файла пароля / cannot read " + *opt.PasswordFile);
    services.Password = line;
  }

  // Control areas, quietly as at start-up. The stored default is a dialog
  // pattern ("…\*.obj"), not a file: nothing to open then.
  TControlPointList areas;
  const std::string& areaFile = form.OpenDialog2.FileName;
  if (!areaFile.empty() && areaFile.find('*') == std::string::npos) {
    OpenCPoints(areaFile, false, services, areas);
  }
  form.PointsListBox.SetItems(AreaNames(areas));
  RestorePointsSelection(form.PointsListBox, form.SavedPointsText);

  db::TBaseState base;
  if (db::OpenBase(form.OpenDialog1.FileName, services, base) != 0) return kExitNoBase;
  form.ObjectsListBox.SetItems(base.Items);
  if (opt.Objects) {
    if (!SelectObjects(*opt.Objects, base.Objects, form.ObjectsListBox)) {
      return Fail("неверный список объектов / bad object list: " + *opt.Objects);
    }
  } else {
    RestoreObjectsSelection(form.ObjectsListBox, form.SavedObjectsText);
  }

  if (opt.List) {
    for (const std::string& item : form.ObjectsListBox.Items) std::printf("%s\n", item.c_str());
    std::printf("--\n");
    for (const std::string& item : form.PointsListBox.Items) std::printf("%s\n", item.c_str());
    return kExitWritten;
  }

  TWorkbookOutput output(services);
  output.Options.OpenInDesktop = false;
  if (opt.Out) {
    std::error_code ec;
    fs::create_directories(*opt.Out, ec);
    output.Options.ReportsFolder = *opt.Out;
  } else {
    output.Options.ReportsFolder = form.ReportsFolder;
  }
  for (std::size_t n = 0; n < 5; ++n) output.InputNames[n] = form.InLabel[n];
  for (std::size_t n = 0; n < 3; ++n) output.InputNames[5 + n] = form.AnInLabel[n];

  TReportDriver driver(services, output, TMemory::Default());
  TRequestParams req;
  TReportParams requestParams;
  TPersonalParams personal;
  TRequestContext ctx{form,          services, base.Objects, &areas, base.Database.get(), req, requestParams,
                      personal,      true,     opt.Job.value_or(""), opt.Job.has_value()};
  const TRequestOutcome outcome = CalcButtonClick(ctx, DriverStarter(driver, services));
  if (!outcome.Ran) return kExitRefused;
  for (const fs::path& file : output.SavedFiles()) std::printf("%s\n", file.c_str());
  std::fflush(stdout);
  return output.SavedFiles().empty() ? kExitFailure : kExitWritten;
}

}  // namespace vedograf::cli
