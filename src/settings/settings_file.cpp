#include "settings/settings_file.h"

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <exception>
#include <optional>
#include <stdexcept>
#include <utility>
#include <system_error>
#include <unordered_map>

#include "core/datetime.h"
#include "core/user_services.h"
#include "settings/date_text.h"

namespace vedograf {
namespace {

constexpr std::string_view kSettings = "Settings";
constexpr std::string_view kPointsSection = "SelectedPoints";
constexpr std::string_view kObjectsSection = "SelectedObjects";
constexpr std::size_t kMaxTextChars = 2047;  // what the profile functions give back at most

// The first `n` characters (not bytes) of a UTF-8 text.
std::string CutChars(std::string text, std::size_t n) {
  std::size_t chars = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
      if (chars == n) {
        text.resize(i);
        break;
      }
      ++chars;
    }
  }
  return text;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

double WholeDay(double v) { return std::floor(v); }
double TimeOfDay(double v) { return v - std::floor(v); }

// Reads the "Settings" keys of one profile.
class TReader {
 public:
  explicit TReader(const TProfile& p) : p_(p) {}
  std::string Text(std::string_view key, std::string_view def) const {
    const auto v = p_.Read(kSettings, key);
    return v ? CutChars(*v, kMaxTextChars) : std::string(def);
  }
  int Int(std::string_view key, int def) const {
    const auto v = p_.Read(kSettings, key);
    return v ? ParseProfileInt(*v, def) : def;
  }
  bool Flag(std::string_view key, bool def) const { return Int(key, def ? 1 : 0) != 0; }
  double DateTime(std::string_view key, double def) const {
    const auto v = p_.Read(kSettings, key);
    double out = def;
    if (!v || !TryParseDateTime(*v, out)) return def;
    return out;
  }
  // The values of a selection section: the key prefix + k looked up from the
  // (k+1)-th line on, so a section written by WriteData gives every entry.
  std::vector<std::string> Saved(std::string_view section, std::string_view prefix) const {
    const std::vector<TProfile::TEntry> lines = p_.SectionEntries(section);
    // (k, line) for every line keyed prefix + k, sorted, so each entry is one
    // search rather than a walk over the rest of the section: a section of a
    // few hundred thousand lines would otherwise take hours.
    std::vector<std::pair<std::size_t, std::size_t>> keyed;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (const auto k = KeyNumber(lines[i].Key, prefix, lines.size())) keyed.emplace_back(*k, i);
    }
    std::sort(keyed.begin(), keyed.end());
    std::vector<std::string> out;
    out.reserve(lines.size());
    for (std::size_t k = 0; k < lines.size(); ++k) {
      const auto at = std::lower_bound(keyed.begin(), keyed.end(), std::pair<std::size_t, std::size_t>(k, k));
      out.push_back(at != keyed.end() && at->first == k ? lines[at->second].Value : std::string());
    }
    return out;
  }

 private:
  // k when `key` is `prefix` (ASCII case aside) + k written as std::to_string
  // writes it, k below `count`; nullopt otherwise.
  static std::optional<std::size_t> KeyNumber(std::string_view key, std::string_view prefix, std::size_t count) {
    if (key.size() <= prefix.size() || !ParseKeyEqual(key.substr(0, prefix.size()), prefix)) return std::nullopt;
    const std::string_view digits = key.substr(prefix.size());
    if (digits.size() > 1 && digits[0] == '0') return std::nullopt;
    std::size_t k = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), k);
    if (ec != std::errc() || end != digits.data() + digits.size() || k >= count) return std::nullopt;
    return k;
  }

  static bool ParseKeyEqual(std::string_view a, std::string_view b) {
    for (std::size_t i = 0; i < a.size(); ++i) {
      char x = a[i], y = b[i];
      if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
      if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
      if (x != y) return false;
    }
    return true;
  }
  const TProfile& p_;
};

int PointsFilterIndex(const std::string& name) {
  const std::size_t dot = name.rfind('.');
  const std::size_t slash = name.find_last_of("/\\");
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return 1;
  const std::string_view ext = std::string_view(name).substr(dot);
  if (ext == ".mrk") return 2;
  if (ext == ".obj") return 3;
  return 1;
}

void ReadGeometry(const TReader& r, TFormState& form, const TWindowMetrics& m) {
  TWindowGeometry& g = form.Geometry;
  const int height = r.Int("Height", 0);
  if (height != 0) {
    g.Height = height;
    if (m.ScreenHeight < g.Height) g.Height = m.ScreenHeight;
  } else {
    g.Height = m.PanelMinHeight + 0 + m.FrameHeight;  // the right-hand panel's top is 0
  }
  const int width = r.Int("Width", 0);
  if (width != 0) {
    g.Width = width;
    if (m.ScreenWidth < g.Width) g.Width = m.ScreenWidth;
  } else {
    g.Width = m.PanelMinWidth + g.LWidth + m.SplitterWidth + m.FrameWidth;
  }
  g.Left = r.Int("Left", (m.ScreenWidth - g.Width) / 2);
  if (g.Left < 0) g.Left = 0;
  if (g.Left + g.Width > m.ScreenWidth) g.Left = m.ScreenWidth - g.Width;
  g.Top = r.Int("Top", (m.ScreenHeight - g.Height) / 2);
  if (g.Top < 0) g.Top = 0;
  if (g.Top + g.Height > m.ScreenHeight) g.Top = m.ScreenHeight - g.Height;

  const int clientWidth = g.Width - m.FrameWidth;
  const int clientHeight = g.Height - m.FrameHeight;
  int lw = r.Int("LWidth", g.LWidth);
  if (lw < m.SplitterMinSize) lw = m.SplitterMinSize;
  if (lw > clientWidth - m.SplitterMinSize - m.SplitterWidth) lw = clientWidth - m.SplitterMinSize - m.SplitterWidth;
  g.LWidth = lw;
  int th = r.Int("THeight", g.THeight);
  if (th < m.SplitterMinSize) th = m.SplitterMinSize;
  if (th > clientHeight - m.SplitterMinSize - m.SplitterWidth) th = clientHeight - m.SplitterMinSize - m.SplitterWidth;
  g.THeight = th;
}

// Runs one handler when there is a window.
template <typename F>
void Apply(ISettingsHandlers* h, F f) {
  if (h != nullptr) f(*h);
}

std::string Flag(bool on) { return on ? "1" : "0"; }

// Tried rather than asked: access() says yes to root everywhere, even where
// no file can be made (/proc, /usr on a read-only image).
bool CanCreateFileIn(const std::filesystem::path& dir) {
  std::string probe = (dir / ".vedograf-probe-XXXXXX").string();
  const int fd = ::mkstemp(probe.data());
  if (fd < 0) return false;
  ::close(fd);
  ::unlink(probe.c_str());
  return true;
}

// Within what TProfile::Load reads (Text ends every line with a line feed).
bool Loadable(const std::string& text) {
  return text.size() <= TProfile::kMaxFileBytes &&
         static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) <= TProfile::kMaxFileLines;
}

}  // namespace

int ParseProfileInt(std::string_view text, int fallback) {
  std::string_view s = text;
  bool negative = false;
  if (!s.empty() && s.front() == '-') {
    negative = true;
    s.remove_prefix(1);
  }
  if (s.empty()) return fallback;
  long long value = 0;
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    s.remove_prefix(2);
    unsigned long long u = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), u, 16);
    if (ec != std::errc() || end != s.data() + s.size() || u > 0xFFFFFFFFull) return fallback;
    // Eight hexadecimal digits are the 32-bit pattern, as the platform reads them.
    value = static_cast<std::int32_t>(static_cast<std::uint32_t>(u));
  } else {
    if (s.front() < '0' || s.front() > '9') return fallback;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value, 10);
    if (ec != std::errc() || end != s.data() + s.size()) return fallback;
  }
  if (negative) value = -value;
  if (value < INT32_MIN || value > INT32_MAX) return fallback;
  return static_cast<int>(value);
}

std::filesystem::path SettingsFilePath(const std::filesystem::path& programFile) {
  std::filesystem::path beside = programFile;
  beside.replace_extension(".ini");
  const std::filesystem::path dir = beside.has_parent_path() ? beside.parent_path() : std::filesystem::path(".");
  if (CanCreateFileIn(dir)) return beside;
  std::filesystem::path config;
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg != nullptr && xdg[0] == '/') {
    config = xdg;
  } else {
    const char* home = std::getenv("HOME");
    config = std::filesystem::path(home != nullptr && home[0] != '\0' ? home : "/tmp") / ".config";
  }
  return config / "vedograf" / beside.filename();
}

std::filesystem::path ProgramFilePath(const std::filesystem::path& fallback) {
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? fallback : self;
}

bool ReadIniData(const TProfile& profile, TFormState& f, ISettingsHandlers* h, const TWindowMetrics& metrics) {
  const TReader r(profile);
  try {
    // 1. Files.
    f.OpenDialog1.FileName = r.Text("BaseFileName", "C:\\Program Files\\Ordavin\\Zentaro\\ZNT.mdb");
    f.OpenDialog2.FileName = r.Text("PointsFileName", "C:\\Program Files\\Ordavin\\Zentaro\\*.obj");
    f.OpenDialog2.FilterIndex = PointsFilterIndex(f.OpenDialog2.FileName);

    // 2. Interval: the date pickers take the date, the time pickers the time.
    f.SDDateTimePicker = WholeDay(r.DateTime("SDate", EncodeDate(2008, 1, 1))) + TimeOfDay(f.SDDateTimePicker);
    f.STDateTimePicker = WholeDay(f.STDateTimePicker) + TimeOfDay(r.DateTime("STime", 0.0));
    f.FDDateTimePicker = WholeDay(r.DateTime("FDate", EncodeDate(2008, 1, 2))) + TimeOfDay(f.FDDateTimePicker);
    f.FTDateTimePicker = WholeDay(f.FTDateTimePicker) + TimeOfDay(r.DateTime("FTime", 0.0));

    // 3-7. Route page.
    f.WayCheckBox = r.Flag("GenerateWayReport", true);
    f.DaysCheckBox = r.Flag("GenerateDaysReport", true);
    Apply(h, [](auto& x) { x.DaysCheckBoxClick(); });
    f.ShiftDateTimePicker = WholeDay(f.ShiftDateTimePicker) + TimeOfDay(r.DateTime("DaysShift", 0.0));
    f.PowerupCheckBox = r.Flag("GeneratePowerupReport", true);
    f.NavLackCheckBox = r.Flag("GenerateNavLackReport", true);
    f.NavFilterCheckBox = r.Flag("NavFilterPoints", false);
    f.MinNavTimeEdit = r.Text("MinNavTime", "300");
    Apply(h, [](auto& x) { x.NavFilterCheckBoxClick(); });
    Apply(h, [](auto& x) { x.NavLackCheckBoxClick(); });
    f.PointsCheckBox = r.Flag("GeneratePointReport", true);
    f.FilterCheckBox = r.Flag("FilterPoints", false);
    f.MinTimeEdit = r.Text("MinTime", "120");
    Apply(h, [](auto& x) { x.FilterCheckBoxClick(); });
    Apply(h, [](auto& x) { x.PointsCheckBoxClick(); });
    f.StopsCheckBox = r.Flag("GenerateStopReport", true);
    f.TimeFilterCheckBox = r.Flag("FilterStops", false);
    f.MinStopTimeEdit = r.Text("MinStopTime", "120");
    f.MaxSpeedEdit = r.Text("MaxSpeed", "3");
    Apply(h, [](auto& x) { x.TimeFilterCheckBoxClick(); });
    Apply(h, [](auto& x) { x.StopsCheckBoxClick(); });

    // 8. Discrete inputs.
    f.SensorsCheckBox = r.Flag("GenerateSensorsReport", true);
    for (int n = 1; n <= 5; ++n) {
      const std::string in = "In" + std::to_string(n);
      f.InCheckBox[n - 1] = r.Flag(in, true);
      f.InComboBox[n - 1] = r.Int(in + "State", 0);  // no range check: another index selects nothing
      f.InLabel[n - 1] = CutChars(r.Text(in + "Name", "IN" + std::to_string(n)), kInputNameMaxChars);
      Apply(h, [n](auto& x) { x.InCheckBoxClick(n); });
    }
    f.SensorFilterCheckBox = r.Flag("SensorFilterPoints", false);
    f.MinSensorTimeEdit = r.Text("MinSensorTime", "30");
    Apply(h, [](auto& x) { x.SensorFilterCheckBoxClick(); });
    Apply(h, [](auto& x) { x.SensorsCheckBoxClick(); });

    // 9. Fuel.
    f.UseLLSComboBox = r.Flag("UseLLS", false) ? 1 : 0;
    Apply(h, [](auto& x) { x.UseLLSComboBoxChange(); });
    for (int n = 1; n <= 3; ++n) {
      f.SensorCheckBox[n - 1] = r.Flag("FuelSensor" + std::to_string(n), n == 1);
      Apply(h, [n](auto& x) { x.SensorCheckBoxClick(n); });
    }
    for (int n = 1; n <= 3; ++n) f.SensThresEdit[n - 1] = r.Text("S" + std::to_string(n) + "LoadThreshold", "10");
    f.GraphCheckBox = r.Flag("DrawGraph", true);
    f.LoadCheckBox = r.Flag("GenerateLoadReport", true);
    f.FuelCheckBox = r.Flag("GenerateFuelReport", true);
    f.DeleteSheetsCheckBox = r.Flag("DeleteSheets", true);
    Apply(h, [](auto& x) { x.FuelCheckBoxClick(); });

    // 10. Time basis and the fixed offset in quarter hours.
    f.TimeRadioGroup = r.Int("TimeType", 1);
    if (f.TimeRadioGroup < 0 || f.TimeRadioGroup > 2) f.TimeRadioGroup = 1;
    int zone = r.Int("TimeZone", 0);
    if (zone > 48 || zone < -48) zone = 0;
    f.SignButton = zone < 0 ? "-" : "+";
    const int magnitude = zone < 0 ? -zone : zone;
    f.HoursCSpinEdit = magnitude / 4;
    f.MinutesComboBox = magnitude - 4 * f.HoursCSpinEdit;
    Apply(h, [](auto& x) { x.TimeRadioGroupClick(); });

    // 11-12. Start-up and geometry.
    f.BaseOpenCheckBox = r.Flag("OpenBase", false);
    f.CPointsOpenCheckBox = r.Flag("OpenCPoints", false);
    ReadGeometry(r, f, metrics);

    // 13. Speed excess.
    f.SpeedExcessCheckBox = r.Flag("GenerateSpeedExcessReport", true);
    f.SpeedThresholdEdit = r.Text("SpeedThres", "80");
    f.SpeedFilterCheckBox = r.Flag("FilterSpeedExcess", true);
    f.MinSpeedTimeEdit = r.Text("SpeedFilter", "30");
    Apply(h, [](auto& x) { x.SpeedFilterCheckBoxClick(); });
    Apply(h, [](auto& x) { x.SpeedExcessCheckBoxClick(); });

    // 14. Analog inputs.
    f.AnalogInputsCheckBox = r.Flag("GenerateAnalogInputsReport", true);
    for (int n = 1; n <= 3; ++n) {
      const std::string an = "AnIn" + std::to_string(n);
      f.AnInCheckBox[n - 1] = r.Flag(an, true);
      f.AnInEdit[n - 1] = r.Text(an + "Delta", "1");
      f.AnInLabel[n - 1] = CutChars(r.Text(an + "Name", "AN_IN" + std::to_string(n)), kInputNameMaxChars);
      Apply(h, [n](auto& x) { x.AnInCheckBoxClick(n); });
    }
    Apply(h, [](auto& x) { x.AnalogInputsCheckBoxClick(); });

    // 15-16.
    f.ReportsPageControl = r.Int("PageNum", 0);
    if (f.ReportsPageControl < 0 || f.ReportsPageControl >= kPageCount) f.ReportsPageControl = 0;
    f.MinLoadEdit = r.Text("MinLoad", "7");
    f.MinUnloadEdit = r.Text("MinUnload", "15");
    f.FuelFilterDeltaEdit = r.Text("FuelFilterDelta", "1");
    f.ReportsFolder = r.Text("ReportsFolder", "");

    // 17. The saved selections.
    f.SavedPointsText = r.Saved(kPointsSection, "P");
    f.SavedObjectsText = r.Saved(kObjectsSection, "O");
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

bool ReadIniData(const std::filesystem::path& file, TFormState& form, ISettingsHandlers* handlers,
                 const TWindowMetrics& metrics) {
  TProfile profile;
  if (!profile.Load(file)) return false;
  return ReadIniData(profile, form, handlers, metrics);
}

void WriteSettings(TProfile& p, const TFormState& f) {
  auto text = [&p](std::string_view key, std::string_view value) { p.Write(kSettings, key, value); };
  auto flag = [&](std::string_view key, bool on) { text(key, Flag(on)); };
  auto integer = [&](std::string_view key, int v) { text(key, std::to_string(v)); };
  auto date = [&](std::string_view key, double v) { text(key, FormatSettingsDateTime(v)); };

  text("BaseFileName", f.OpenDialog1.FileName);
  text("PointsFileName", f.OpenDialog2.FileName);
  date("SDate", f.SDDateTimePicker);
  date("STime", f.STDateTimePicker);
  date("FDate", f.FDDateTimePicker);
  date("FTime", f.FTDateTimePicker);
  flag("GenerateWayReport", f.WayCheckBox);
  flag("GenerateDaysReport", f.DaysCheckBox);
  date("DaysShift", f.ShiftDateTimePicker);
  flag("GeneratePowerupReport", f.PowerupCheckBox);
  flag("GenerateNavLackReport", f.NavLackCheckBox);
  flag("NavFilterPoints", f.NavFilterCheckBox);
  text("MinNavTime", f.MinNavTimeEdit);
  flag("GeneratePointReport", f.PointsCheckBox);
  flag("FilterPoints", f.FilterCheckBox);
  text("MinTime", f.MinTimeEdit);
  flag("GenerateStopReport", f.StopsCheckBox);
  flag("FilterStops", f.TimeFilterCheckBox);
  text("MinStopTime", f.MinStopTimeEdit);
  text("MaxSpeed", f.MaxSpeedEdit);
  flag("GenerateSensorsReport", f.SensorsCheckBox);
  for (int n = 1; n <= 5; ++n) {
    const std::string in = "In" + std::to_string(n);
    const int index = f.InComboBox[n - 1];
    flag(in, f.InCheckBox[n - 1]);
    integer(in + "State", index == 0 || index == 1 ? index : -1);
    text(in + "Name", f.InLabel[n - 1]);
  }
  flag("SensorFilterPoints", f.SensorFilterCheckBox);
  text("MinSensorTime", f.MinSensorTimeEdit);
  integer("TimeType", f.TimeRadioGroup);
  const int quarters = 4 * f.HoursCSpinEdit + f.MinutesComboBox;
  integer("TimeZone", f.SignButton == "-" ? -quarters : quarters);
  flag("OpenBase", f.BaseOpenCheckBox);
  flag("OpenCPoints", f.CPointsOpenCheckBox);
  integer("Height", f.Geometry.Height);
  integer("Width", f.Geometry.Width);
  integer("Left", f.Geometry.Left);
  integer("Top", f.Geometry.Top);
  integer("LWidth", f.Geometry.LWidth);
  integer("THeight", f.Geometry.THeight);
  flag("GenerateSpeedExcessReport", f.SpeedExcessCheckBox);
  text("SpeedThres", f.SpeedThresholdEdit);
  flag("FilterSpeedExcess", f.SpeedFilterCheckBox);
  text("SpeedFilter", f.MinSpeedTimeEdit);
  flag("GenerateAnalogInputsReport", f.AnalogInputsCheckBox);
  for (int n = 1; n <= 3; ++n) {
    const std::string an = "AnIn" + std::to_string(n);
    flag(an, f.AnInCheckBox[n - 1]);
    text(an + "Delta", f.AnInEdit[n - 1]);
    text(an + "Name", f.AnInLabel[n - 1]);
  }
  integer("PageNum", f.ReportsPageControl);
  flag("UseLLS", f.UseLLSComboBox != 0);
  for (int n = 1; n <= 3; ++n) flag("FuelSensor" + std::to_string(n), f.SensorCheckBox[n - 1]);
  for (int n = 1; n <= 3; ++n) text("S" + std::to_string(n) + "LoadThreshold", f.SensThresEdit[n - 1]);
  flag("DrawGraph", f.GraphCheckBox);
  flag("GenerateLoadReport", f.LoadCheckBox);
  flag("GenerateFuelReport", f.FuelCheckBox);
  flag("DeleteSheets", f.DeleteSheetsCheckBox);
  text("MinLoad", f.MinLoadEdit);
  text("MinUnload", f.MinUnloadEdit);
  text("FuelFilterDelta", f.FuelFilterDeltaEdit);
  text("ReportsFolder", f.ReportsFolder);

  p.EraseSection(kPointsSection);
  int k = 0;
  const TListState& points = f.PointsListBox;
  for (std::size_t i = 0; i < points.Items.size(); ++i) {
    if (points.IsSelected(i)) p.Append(kPointsSection, "P" + std::to_string(k++), points.Items[i]);
  }
  p.EraseSection(kObjectsSection);
  k = 0;
  const TListState& objects = f.ObjectsListBox;
  for (std::size_t i = 0; i < objects.Items.size(); ++i) {
    if (objects.IsSelected(i)) p.Append(kObjectsSection, "O" + std::to_string(k++), ItemNumberText(objects.Items[i]));
  }
}

bool WriteData(const std::filesystem::path& file, const TFormState& form, IUserServices& services) {
  bool ok = false;
  try {
    TProfile profile;
    // An unreadable old file is not overwritten: what it holds would be lost.
    if (profile.Load(file)) {
      WriteSettings(profile, form);
      // Never a file the next start would refuse to read, and so never write again.
      if (!Loadable(profile.Text())) throw std::length_error("settings beyond the file bounds");
      std::error_code ec;
      if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), ec);
      ok = profile.Save(file);
    }
  } catch (const std::exception&) {
    ok = false;
  }
  if (!ok) services.ShowError(kMsgSettingsWrite);
  return ok;
}

void RestorePointsSelection(TListState& list, const std::vector<std::string>& saved) {
  list.Selected.resize(list.Items.size(), false);
  // The not yet selected items grouped by text, list order within a group,
  // each group taken from its front: a saved selection of many thousand
  // entries stays one pass.
  std::vector<std::size_t> order;
  for (std::size_t i = 0; i < list.Items.size(); ++i) {
    if (!list.Selected[i]) order.push_back(i);
  }
  std::stable_sort(order.begin(), order.end(),
                   [&list](std::size_t a, std::size_t b) { return Trim(list.Items[a]) < Trim(list.Items[b]); });
  std::unordered_map<std::string_view, std::pair<std::size_t, std::size_t>> groups;  // next, end in `order`
  for (std::size_t at = 0; at < order.size(); ++at) {
    auto [it, added] = groups.try_emplace(Trim(list.Items[order[at]]), at, at + 1);
    if (!added) it->second.second = at + 1;
  }
  for (const std::string& text : saved) {
    const auto it = groups.find(text);
    if (it == groups.end() || it->second.first == it->second.second) continue;
    list.Selected[order[it->second.first++]] = true;
  }
}

void RestoreObjectsSelection(TListState& list, const std::vector<std::string>& saved) {
  list.Selected.resize(list.Items.size(), false);
  // Where the walk for each text goes on: the items before the one it took
  // last were selected already and stay so, so repeated entries never walk
  // the same items again.
  std::unordered_map<std::string_view, std::size_t> resume;
  for (const std::string& text : saved) {
    if (text.empty()) continue;
    std::size_t& i = resume.try_emplace(text, 0).first->second;
    while (i < list.Items.size() && (list.Selected[i] || list.Items[i].compare(0, text.size(), text) != 0)) ++i;
    if (i < list.Items.size()) list.Selected[i++] = true;
  }
}

}  // namespace vedograf
