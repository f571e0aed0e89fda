// The settings file reader on arbitrary bytes, and the writer on what it
// read: writing the settings read from any file and reading them back must
// give the very same file again (a program that opens and closes twice
// changes nothing the second time).

#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_util.h"
#include "run/form_state.h"
#include "settings/date_text.h"
#include "settings/profile_file.h"
#include "settings/settings_file.h"

namespace {

// Throws from one handler, picked by the input, to fuzz the stop half-way.
class TThrowingHandlers : public vedograf::ISettingsHandlers {
 public:
  explicit TThrowingHandlers(int at) : at_(at) {}
  void DaysCheckBoxClick() override { Step(); }
  void FilterCheckBoxClick() override { Step(); }
  void InCheckBoxClick(int) override { Step(); }
  void SensorCheckBoxClick(int) override { Step(); }
  void AnInCheckBoxClick(int) override { Step(); }
  void AnalogInputsCheckBoxClick() override { Step(); }

 private:
  void Step() {
    if (++calls_ == at_) throw std::runtime_error("handler");
  }
  int at_;
  int calls_ = 0;
};

// Key names match without regard to ASCII case.
bool SameAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vedograf;
  const fuzz::TMemFile file(data, size);
  TProfile profile;
  FUZZ_CHECK(profile.Load(file.Path()));

  TWindowMetrics metrics;
  // Screens the designed window fits on: on a narrower one the first
  // start places it partly off screen, as designed, and the second corrects it.
  if (size > 0) metrics.ScreenWidth = 700 + data[0] * 8;
  TFormState form;
  ISettingsHandlers plain;
  FUZZ_CHECK(ReadIniData(profile, form, &plain, metrics));
  // Selection entry k is the first line from the (k+1)-th on keyed prefix + k.
  auto naive = [&profile](std::string_view section, const std::string& prefix) {
    const auto lines = profile.SectionEntries(section);
    std::vector<std::string> out;
    for (std::size_t k = 0; k < lines.size(); ++k) {
      const std::string key = prefix + std::to_string(k);
      std::string value;
      for (std::size_t i = k; i < lines.size(); ++i) {
        if (SameAscii(lines[i].Key, key)) {
          value = lines[i].Value;
          break;
        }
      }
      out.push_back(value);
    }
    return out;
  };
  FUZZ_CHECK(form.SavedPointsText == naive("SelectedPoints", "P"));
  FUZZ_CHECK(form.SavedObjectsText == naive("SelectedObjects", "O"));
  TFormState stopped;
  TThrowingHandlers throwing(size > 1 ? data[1] % 16 : 3);
  (void)ReadIniData(profile, stopped, &throwing, metrics);

  TProfile first = profile;
  WriteSettings(first, form);
  const std::string once = first.Text();

  TProfile reread;
  reread.Parse(once);
  TFormState again;
  FUZZ_CHECK(ReadIniData(reread, again, nullptr, metrics));
  WriteSettings(reread, again);
  FUZZ_CHECK(reread.Text() == once);

  // Whatever value is written is what is read: line breaks become blanks.
  const std::string_view value(reinterpret_cast<const char*>(data), size < 300 ? size : 300);
  first.Write("Settings", "FuzzValue", value);
  std::string expected(value);
  for (char& c : expected) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  const auto back = first.Read("Settings", "fuzzvalue");
  FUZZ_CHECK(back && *back == expected);
  TProfile third;
  third.Parse(first.Text());
  const auto back2 = third.Read("SETTINGS", "FuzzValue");
  FUZZ_CHECK(back2 && *back2 == expected);

  // Every date-time the reader takes is written so that it reads back the same.
  double when = 0.0;
  if (TryParseDateTime(value, when)) {
    double again2 = -1.0;
    FUZZ_CHECK(TryParseDateTime(FormatSettingsDateTime(when), again2));
    FUZZ_CHECK(std::abs(again2 - when) < 1e-6);
  }
  (void)ParseProfileInt(value, 7);
  return 0;
}
