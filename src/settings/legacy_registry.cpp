#include "settings/legacy_registry.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace vedograf::settings {

namespace {

// The first `count` characters of a UTF-8 text.
std::string CutChars(const std::string& text, std::size_t count) {
  std::size_t pos = 0;
  for (std::size_t chars = 0; chars < count && pos < text.size(); ++chars) {
    ++pos;
    while (pos < text.size() && (static_cast<unsigned char>(text[pos]) & 0xC0) == 0x80) ++pos;
  }
  return text.substr(0, pos);
}

bool IsSpaceOrControl(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u >= 1 && u <= ' ';
}

// Reads the values of one open key, each by the kind the takeover expects;
// the first failure sticks, and every later read then fails at once.
class TReader {
 public:
  explicit TReader(const IRegistry& registry) : registry_(registry) {}

  bool Ok() const { return ok_; }

  bool Text(std::string_view name, std::string& out) {
    if (!ok_) return false;
    const auto v = registry_.ReadValue(name);
    if (!v) {
      out.clear();
      return true;
    }
    if (v->Type != TRegType::String && v->Type != TRegType::ExpandString) return Fail();
    out = v->Text;
    return true;
  }

  bool Integer(std::string_view name, int& out) {
    if (!ok_) return false;
    const auto v = registry_.ReadValue(name);
    if (!v || v->Type != TRegType::DWord) return Fail();
    out = static_cast<std::int32_t>(v->Number);
    return true;
  }

  bool Flag(std::string_view name, bool& out) {
    int v = 0;
    if (!Integer(name, v)) return false;
    out = v != 0;
    return true;
  }

  bool DateTime(std::string_view name, double& out) {
    if (!ok_) return false;
    const auto v = registry_.ReadValue(name);
    if (!v || v->Type != TRegType::Binary || v->Bytes.size() != 8) return Fail();
    std::uint64_t bits = 0;
    for (int i = 7; i >= 0; --i) bits = (bits << 8) | v->Bytes[static_cast<std::size_t>(i)];
    double d = 0.0;
    std::memcpy(&d, &bits, sizeof d);
    out = d;
    return true;
  }

  bool List(std::string_view name, std::vector<std::string>& out) {
    std::string text;
    if (!Text(name, text)) return false;
    out = ParseCommaText(text);
    return true;
  }

 private:
  bool Fail() {
    ok_ = false;
    return false;
  }

  const IRegistry& registry_;
  bool ok_ = true;
};

double DatePart(double v) { return std::floor(v); }
double TimePart(double v) { return v - std::floor(v); }

// Brings one side of the window onto the screen: below 0 becomes 0, then a
// window sticking out past the far edge is moved back to touch it.
int OntoScreen(int pos, int size, int screen) {
  if (pos < 0) pos = 0;
  if (pos + size > screen) pos = screen - size;
  return pos;
}

int HoldSplit(int value, int client, const TWindowMetrics& m) {
  if (value < m.SplitterMinSize) value = m.SplitterMinSize;
  if (value > client - m.SplitterMinSize - m.SplitterWidth) value = client - m.SplitterMinSize - m.SplitterWidth;
  return value;
}

bool ReadValues(TReader& r, TFormState& f, ISettingsHandlers& h, const TRegistryMetrics& m) {
  if (!r.Text("BaseFileName", f.OpenDialog1.FileName)) return false;
  if (!r.Text("PointsFileName", f.OpenDialog2.FileName)) return false;
  double v = 0.0;
  if (!r.DateTime("SDate", v)) return false;
  f.SDDateTimePicker = DatePart(v);
  if (!r.DateTime("STime", v)) return false;
  f.STDateTimePicker = TimePart(v);
  if (!r.DateTime("FDate", v)) return false;
  f.FDDateTimePicker = DatePart(v);
  if (!r.DateTime("FTime", v)) return false;
  f.FTDateTimePicker = TimePart(v);

  if (!r.Flag("GenerateWayReport", f.WayCheckBox) || !r.Flag("GenerateDaysReport", f.DaysCheckBox) ||
      !r.Flag("GeneratePowerupReport", f.PowerupCheckBox))
    return false;

  if (!r.Flag("GenerateNavLackReport", f.NavLackCheckBox) || !r.Flag("NavFilterPoints", f.NavFilterCheckBox) ||
      !r.Text("MinNavTime", f.MinNavTimeEdit))
    return false;
  h.NavFilterCheckBoxClick();
  h.NavLackCheckBoxClick();

  if (!r.Flag("GeneratePointReport", f.PointsCheckBox) || !r.Flag("FilterPoints", f.FilterCheckBox) ||
      !r.Text("MinTime", f.MinTimeEdit))
    return false;
  h.FilterCheckBoxClick();
  h.PointsCheckBoxClick();

  if (!r.Flag("GenerateStopReport", f.StopsCheckBox) || !r.Flag("FilterStops", f.TimeFilterCheckBox) ||
      !r.Text("MinStopTime", f.MinStopTimeEdit) || !r.Text("MaxSpeed", f.MaxSpeedEdit))
    return false;
  h.TimeFilterCheckBoxClick();
  h.StopsCheckBoxClick();

  if (!r.Flag("GenerateSensorsReport", f.SensorsCheckBox)) return false;
  for (int n = 0; n < 5; ++n) {
    const std::string stem = "In" + std::to_string(n + 1);
    int state = 0;
    std::string name;
    if (!r.Flag(stem, f.InCheckBox[n]) || !r.Integer(stem + "State", state) || !r.Text(stem + "Name", name))
      return false;
    f.InComboBox[n] = (state < 0 || state > 1) ? 0 : state;
    f.InLabel[n] = CutChars(name, kInputNameMaxChars);
    h.InCheckBoxClick(n + 1);
  }
  f.SensorFilterCheckBox = false;
  f.MinSensorTimeEdit = "30";
  h.SensorFilterCheckBoxClick();
  h.SensorsCheckBoxClick();

  int timeType = 0, zone = 0;
  if (!r.Integer("TimeType", timeType)) return false;
  f.TimeRadioGroup = (timeType < 0 || timeType > 2) ? 1 : timeType;
  if (!r.Integer("TimeZone", zone)) return false;
  if (zone > 48 || zone < -48) zone = 0;
  f.SignButton = zone < 0 ? "-" : "+";
  const int magnitude = std::abs(zone);
  f.HoursCSpinEdit = magnitude / 4;
  f.MinutesComboBox = magnitude - 4 * f.HoursCSpinEdit;
  h.TimeRadioGroupClick();

  if (!r.Flag("OpenBase", f.BaseOpenCheckBox) || !r.Flag("OpenCPoints", f.CPointsOpenCheckBox)) return false;
  if (!r.List("SelectedPoints", f.SavedPointsText) || !r.List("SelectedObjects", f.SavedObjectsText)) return false;

  TWindowGeometry& g = f.Geometry;
  int height = 0, width = 0, left = 0, top = 0, lwidth = 0, theight = 0;
  if (!r.Integer("Height", height)) return false;
  g.Height = std::min(height, m.ScreenHeight);
  if (g.Height - m.FrameHeight < 1) g.Height = m.FallbackClientHeight + m.FrameHeight;
  if (!r.Integer("Width", width)) return false;
  g.Width = std::min(width, m.ScreenWidth);
  if (g.Width - m.FrameWidth < 1) g.Width = m.FallbackClientWidth + m.FrameWidth;
  if (!r.Integer("Left", left) || !r.Integer("Top", top)) return false;
  g.Left = OntoScreen(left, g.Width, m.ScreenWidth);
  g.Top = OntoScreen(top, g.Height, m.ScreenHeight);
  if (!r.Integer("LWidth", lwidth)) return false;
  g.LWidth = HoldSplit(lwidth, g.Width - m.FrameWidth, m);
  if (!r.Integer("THeight", theight)) return false;
  g.THeight = HoldSplit(theight, g.Height - m.FrameHeight, m);

  // The registry never held these; they get fixed values.
  f.SpeedThresholdEdit = "80";
  f.SpeedExcessCheckBox = true;
  f.SpeedFilterCheckBox = true;
  f.MinSpeedTimeEdit = "30";
  h.SpeedFilterCheckBoxClick();
  h.SpeedExcessCheckBoxClick();
  f.AnalogInputsCheckBox = true;
  for (int n = 0; n < 3; ++n) {
    f.AnInCheckBox[n] = true;
    f.AnInEdit[n] = "1";
    f.AnInLabel[n] = "AN_IN" + std::to_string(n + 1);
    h.AnInCheckBoxClick(n + 1);
  }
  f.ReportsPageControl = 0;
  return true;
}

}  // namespace

TRegValue TRegValue::DateTime(double value) {
  std::uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  std::vector<std::uint8_t> bytes(8);
  for (int i = 0; i < 8; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(bits >> (8 * i));
  return Bin(std::move(bytes));
}

bool TMemoryRegistry::OpenKeyReadOnly(std::string_view key) {
  ++Opens;
  if (Keys.find(key) == Keys.end()) return false;
  open_ = std::string(key);
  return true;
}

std::optional<TRegValue> TMemoryRegistry::ReadValue(std::string_view name) const {
  if (!open_) return std::nullopt;
  const auto key = Keys.find(*open_);
  if (key == Keys.end()) return std::nullopt;
  const auto value = key->second.find(std::string(name));
  if (value == key->second.end()) return std::nullopt;
  return value->second;
}

bool TMemoryRegistry::DeleteKey(std::string_view key) {
  if (DeleteRefused) return false;
  const std::string prefix = std::string(key) + "\\";
  bool found = false;
  for (auto it = Keys.begin(); it != Keys.end();) {
    if (it->first == key || it->first.compare(0, prefix.size(), prefix) == 0) {
      it = Keys.erase(it);
      found = true;
    } else {
      ++it;
    }
  }
  return found;
}

namespace {

class TNoRegistry : public IRegistry {
 public:
  bool OpenKeyReadOnly(std::string_view) override { return false; }
  std::optional<TRegValue> ReadValue(std::string_view) const override { return std::nullopt; }
  void CloseKey() override {}
  bool DeleteKey(std::string_view) override { return false; }
};

}  // namespace

std::unique_ptr<IRegistry> PlatformRegistry() { return std::make_unique<TNoRegistry>(); }

std::vector<std::string> ParseCommaText(std::string_view text) {
  std::vector<std::string> items;
  std::size_t p = 0;
  const std::size_t n = text.size();
  auto skipBlanks = [&] {
    while (p < n && IsSpaceOrControl(text[p])) ++p;
  };
  skipBlanks();
  while (p < n && text[p] != '\0') {
    std::string item;
    if (text[p] == '"') {
      ++p;
      while (p < n) {
        if (text[p] == '"') {
          if (p + 1 < n && text[p + 1] == '"') {
            item += '"';
            p += 2;
            continue;
          }
          ++p;
          break;
        }
        item += text[p++];
      }
    } else {
      const std::size_t start = p;
      while (p < n && static_cast<unsigned char>(text[p]) > ' ' && text[p] != ',') ++p;
      item.assign(text.substr(start, p - start));
    }
    items.push_back(std::move(item));
    skipBlanks();
    if (p < n && text[p] == ',') {
      if (p + 1 >= n || text[p + 1] == '\0') items.emplace_back();
      do {
        ++p;
      } while (p < n && IsSpaceOrControl(text[p]));
    }
  }
  return items;
}

bool ReadRegistryData(IRegistry& registry, TFormState& form, ISettingsHandlers* handlers,
                      const TRegistryMetrics& metrics) {
  if (!registry.OpenKeyReadOnly(kLegacyKey)) return false;
  ISettingsHandlers none;
  TReader reader(registry);
  const bool ok = ReadValues(reader, form, handlers != nullptr ? *handlers : none, metrics);
  registry.CloseKey();
  return ok;
}

void DeleteRegistryData(IRegistry& registry) { (void)registry.DeleteKey(kLegacyKey); }

}  // namespace vedograf::settings
